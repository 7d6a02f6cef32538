// The process-wide sound-effect store: resolve falls back question file -> set -> default.
#include "sound_store.h"
#include "BrixLib.h"
#include <stdio.h>
#include <string.h>

namespace {

struct Store {
    char defaults[kSoundSlots][kPathSize];
    char set[kSoundSlots][kPathSize];
    char files[kSoundFiles][kSoundSlots][kPathSize];
    int initialised;
};

Store g_store;

const char *const kKeys[kSoundSlots] = {"SndSt", "SndMx", "SndMd", "SndMn", "SndEd", "SndBk"};
const char *const kDefaults[kSoundSlots] = {"CAMERA.WAV", "POP.WAV",     "CLICK.WAV",
                                            "BLOCK.WAV",  "TWINKLE.WAV", "DROP.WAV"};

void put(char *entry, const char *text) {
    entry[0] = '\0';
    if (text) append_prefix(entry, kPathSize, text, strlen(text));
}

void get(const char *entry, char *buffer) {
    if (entry[0] && buffer) {
        buffer[0] = '\0';
        append_prefix(buffer, kPathSize, entry, strlen(entry));
    }
}

void reset() {
    memset(&g_store, 0, sizeof g_store);
    for (int k = 0; k < kSoundSlots; ++k)
        if (file_exists(kDefaults[k])) put(g_store.defaults[k], kDefaults[k]);
    g_store.initialised = 1;
}

bool valid_file(int index) { return index >= 0 && index < kSoundFiles; }

int resolve(int k, int index, char **value) {
    if (!value) return 0;
    if (index != -1 && !valid_file(index)) return 0;
    const char *found = nullptr;
    if (index >= 0 && g_store.files[index][k][0]) found = g_store.files[index][k];
    else if (g_store.set[k][0]) found = g_store.set[k];
    else if (g_store.defaults[k][0]) found = g_store.defaults[k];
    if (!found) return 0;
    *value = const_cast<char *>(found);
    return 1;
}

}  // namespace

const char *sound_key(int slot) { return slot >= 0 && slot < kSoundSlots ? kKeys[slot] : nullptr; }

int sound_store(int operation, int index, char **value) {
    if (!g_store.initialised && operation != kSoundReset) reset();
    switch (operation) {
        case kSoundReset: reset(); return 1;
        case kSoundClearSet: memset(g_store.set, 0, sizeof g_store.set); return 1;
        case kSoundClearFiles: memset(g_store.files, 0, sizeof g_store.files); return 1;
        default: break;
    }
    int group = operation / 10 * 10, k = operation % 10;
    if (operation < 10 || k >= kSoundSlots) return 1;
    switch (group) {
        case kSoundResolve:
            return resolve(k, index, value);
        case kSoundPutSet:
            if (value) put(g_store.set[k], *value);
            return 1;
        case kSoundPutFile:
            if (!valid_file(index)) return 0;
            if (value) put(g_store.files[index][k], *value);
            return 1;
        case kSoundGetSet:
            if (value) get(g_store.set[k], *value);
            return 1;
        case kSoundGetFile:
            if (!valid_file(index)) return 0;
            if (value) get(g_store.files[index][k], *value);
            return 1;
        default:
            return 1;
    }
}

int write_key_value(const char *path, const char *key, int operation) {
    char value[kLineSize] = {0};
    char *p = value;
    // The set-file writer passes set-level gets; the index only matters for question-file gets.
    sound_store(operation, 0, &p);
    if (!value[0]) return 1;
    char line[kLineSize];
    snprintf(line, sizeof line, "%s,%s\r\n", key, value);
    // A line that did not reach the file must not look written: a writer may then keep the old file.
    return append_to_file(path, line, kAppendOpenExisting);
}
