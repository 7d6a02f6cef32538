// Playing one recorded voice (a WAV or MP3 file) through MCI, behind a seam that tests replace:
// the player's voices and the editor's try button both go through it.
#pragma once
#include <windows.h>

// play starts a file and returns its device (not 0), which sends window MM_MCINOTIFY with the
// device in lParam when it ends; 0 when the file cannot be played. stop ends and closes a device.
struct VoiceSeam {
    UINT (*play)(HWND window, const char *path);
    void (*stop)(UINT device);
};
// Installs seam (null: the MCI devices) and returns the one before.
VoiceSeam set_voice_seam(const VoiceSeam *seam);
UINT voice_seam_play(HWND window, const char *path);
void voice_seam_stop(UINT device);
// The file dialogs' filter for voices.
extern const char kVoiceFilter[];
