// Background music through the MCI sequencer, looped by the main window.
#pragma once
#include <windows.h>

enum BgmOp {
    kBgmOpen = 1,   // open path and play from 0 with notification to window
    kBgmStop = 2,   // stop and close when playing
    kBgmAgain = 3,  // play again from 0 (on MM_MCINOTIFY success)
    kBgmQuery = 10, // result: the playing flag
};

int bgm_player(int op, HWND window, const char *path);
