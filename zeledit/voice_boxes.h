// The recorded-voice boxes of the question and result dialogs: a path box, 参照 and 試す.
#pragma once
#include <windows.h>

struct VoiceBox {
    int box, browse, play;
};
// A click on one of the boxes' buttons: 参照 chooses a WAV or MP3 file into its box, 試す plays the
// box's file (found as the player finds it, beside the question file first) or says why it cannot.
// True when id was one of them.
bool voice_box_command(HWND dialog, const VoiceBox *boxes, int count, int id);
// Stops a file still being tried (the dialog ends).
void voice_try_stop();
