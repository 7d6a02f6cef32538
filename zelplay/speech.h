// Reading the screens aloud through the Windows speech API (SAPI) with a Japanese voice, behind a
// seam: tests check what would be spoken, since Wine has no voice to speak with.
#pragma once
#include <string>
#include "screen_fit.h"

// Speaks text (Shift-JIS), cutting off what was still being spoken; "" only stops. False when
// no voice could speak it. Returns at once.
typedef bool (*SpeakFn)(const char *text);
// Installs fn (null restores the speech API) and returns the previous one.
SpeakFn set_speak_fn(SpeakFn fn);
bool speak_text(const char *text);
// Releases the voice (at the program's end).
void speech_end();

// What one screen says: its big text, then each shown answer after its key ("1、はい。"),
// with readings left out (the voice reads the base text itself); "戻る" is not read.
std::string screen_speech(const char *main, const char *const choice[kFitSlots], bool numbered);
