// Recorded voices of the question and result screens: one file after another, the music lowered
// meanwhile, a file that cannot be played skipped in silence and named once for the operator.
// Playback goes through the voice seam, so tests record what would be heard and when.
#pragma once
#include <windows.h>
#include <string>
#include "QuesManager.h"
#include "voice_seam.h"

// Plays the files of paths[0, count) in order, skipping empty ones, after cutting off what still
// plays. A file that does not exist or will not play is skipped. False when none could start.
bool voice_play_list(HWND window, const char *const *paths, int count);
// Stops the voice and forgets the rest of the list; the music comes back up.
void voice_stop(HWND window);
// MM_MCINOTIFY: true when device is (or was) a voice's; an ended voice starts the next file.
bool voice_notified(HWND window, WPARAM flags, LPARAM device);
bool voice_playing();
// True when path names a file there (the mark and the choice between voice and speech ask this).
bool voice_file_there(const char *path);
// The files that could not be played, for the operator's title bar; "" while there are none.
// Each is named once, and never in a box: visitors are in front of the screen.
std::string voice_problem();
void voice_forget_problems();

// The files a screen plays, in order, into out: the question's (or the result's), then each
// shown answer's (shown: bit i for answer i). With the frame of KEYS or SCAN (frame_mode) an
// answer is heard when the frame reaches it: only the framed answer's follows the question's.
// Returns how many.
int voice_order(const ScreenVoices &v, unsigned shown, bool frame_mode, int framed, const char *out[kVoiceParts]);
