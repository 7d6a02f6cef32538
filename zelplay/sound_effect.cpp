// The wave-file playback seam.
#include "sound_effect.h"
#include <mmsystem.h>

static BOOL real_play_sound(const char *path, HMODULE module, DWORD flags) { return PlaySoundA(path, module, flags); }

static PlaySoundFn g_play = real_play_sound;

PlaySoundFn set_play_sound_fn(PlaySoundFn fn) {
    PlaySoundFn old = g_play;
    g_play = fn ? fn : real_play_sound;
    return old;
}

BOOL play_sound_effect(const char *path, int wait) {
    return g_play(path, nullptr, wait ? SND_FILENAME : (SND_FILENAME | SND_ASYNC));
}
