// Background music through the MCI sequencer, looped by the main window.
#pragma once
#include <windows.h>
#include <mmsystem.h>

enum BgmOp {
    kBgmOpen = 1,   // open path and play from 0 with notification to window
    kBgmStop = 2,   // stop and close when playing
    kBgmAgain = 3,  // play again from 0 (on MM_MCINOTIFY success)
    kBgmDuck = 4,   // lower the music while a recorded voice plays (MIDI and MP3; WAV music stays as it is)
    kBgmUnduck = 5, // back to full volume
    kBgmQuery = 10, // result: the playing flag
    kBgmDevice = 11, // result: the music's MCI device while it plays, else 0
};

// Every result is 0 except kBgmQuery. window owns the error boxes and gets MM_MCINOTIFY.
int bgm_player(int op, HWND window, const char *path);

typedef MCIERROR (*MciSendFn)(MCIDEVICEID device, UINT command, DWORD_PTR flags, DWORD_PTR params);

// Replaces mciSendCommandA so tests can script the device; null restores it. Returns the previous one.
MciSendFn set_mci_send_fn(MciSendFn fn);

// The file dialogs' filter for music: the types the player plays.
extern const char kMusicFilter[];
