// Wave-file sound effects, behind a seam so tests can record instead of play.
#pragma once
#include <windows.h>

typedef BOOL (*PlaySoundFn)(const char *path, HMODULE module, DWORD flags);

// Installs fn (null restores the real PlaySoundA) and returns the previous one.
PlaySoundFn set_play_sound_fn(PlaySoundFn fn);

// wait: 1 plays synchronously (SND_FILENAME), 0 returns at once (SND_FILENAME | SND_ASYNC).
BOOL play_sound_effect(const char *path, int wait);
