// Three-level store of sound-effect file names (default, set, question file) and the
// key-value writer that turns a level of it into file lines.
#pragma once

enum { kSoundSlots = 6, kSoundFiles = 5 };

// Slot numbers; the unit digit of every slot operation.
enum SoundSlot { kSndSt = 0, kSndMx = 1, kSndMd = 2, kSndMn = 3, kSndEd = 4, kSndBk = 5 };

// Operation codes. value is always the address of a caller's text pointer.
enum SoundOp {
    kSoundReset = 1,          // clear all levels, find the default files
    kSoundClearSet = 2,       // empty the set level
    kSoundClearFiles = 3,     // empty the question-file level of all five positions
    kSoundResolve = 10,       // + k; index: question file or -1; *value set to the store's text
    kSoundPutSet = 20,        // + k; *value: text to store (empty clears)
    kSoundPutFile = 30,       // + k; index: question file; *value: text to store
    kSoundGetSet = 40,        // + k; *value: buffer of at least 260 bytes, left alone when empty
    kSoundGetFile = 50,       // + k; index: question file; *value: buffer as above
};

int sound_store(int operation, int index, char **value);

// File key of slot k ("SndSt" ... "SndBk"), or null.
const char *sound_key(int slot);

// Appends "key,value\r\n" to an existing file when the store's get operation yields a value.
// 0 only when that line could not be written.
int write_key_value(const char *path, const char *key, int operation);
