// Sound-effect store: fallback per question file, lazy start, unknown codes, the key-value writer.
#include <gtest/gtest.h>
#include <string>
#include "BrixLib.h"
#include "sound_store.h"

static const char *const kNames[] = {"CAMERA.WAV", "POP.WAV", "CLICK.WAV", "BLOCK.WAV", "TWINKLE.WAV", "DROP.WAV"};

// Creates or removes the default sound files in the current folder (on the search path).
static void defaults_present(bool present) {
    for (const char *n : kNames) {
        if (present) append_to_file(n, "", kAppendOpenAlways);
        else DeleteFileA(n);
    }
}

static std::string resolved(int k, int index) {
    char *p = nullptr;
    return sound_store(kSoundResolve + k, index, &p) ? std::string(p) : std::string("<none>");
}

static void put(int op, int index, const char *text) {
    char *p = const_cast<char *>(text);
    sound_store(op, index, &p);
}

// Must stay the first test: it needs a store nobody has touched yet.
TEST(SoundStore, AnyFirstCallInitialises) {
    defaults_present(true);
    char buf[kLineSize] = {0};
    char *b = buf;
    EXPECT_EQ(sound_store(kSoundGetSet + kSndSt, 0, &b), 1);
    EXPECT_STREQ(buf, "");
    defaults_present(false);  // the defaults were found by that first get, not by a later reset
    EXPECT_EQ(resolved(kSndSt, 0), "CAMERA.WAV");
}

TEST(SoundStore, FallbackChain) {
    defaults_present(true);
    sound_store(kSoundReset, 0, nullptr);
    for (int k = 0; k < kSoundSlots; ++k)
        for (int i = -1; i < kSoundFiles; ++i) EXPECT_EQ(resolved(k, i), kNames[k]);

    put(kSoundPutSet + kSndMx, 0, "set_mx.wav");
    put(kSoundPutFile + kSndMx, 2, "q2_mx.wav");
    EXPECT_EQ(resolved(kSndMx, 2), "q2_mx.wav");
    EXPECT_EQ(resolved(kSndMx, 1), "set_mx.wav");
    EXPECT_EQ(resolved(kSndMx, -1), "set_mx.wav");  // no question file: set level first
    put(kSoundPutSet + kSndMx, 0, "");
    EXPECT_EQ(resolved(kSndMx, 1), "POP.WAV");

    put(kSoundPutFile + kSndBk, 0, "a.wav");
    put(kSoundPutFile + kSndBk, 4, "b.wav");
    sound_store(kSoundClearFiles, 3, nullptr);
    EXPECT_EQ(resolved(kSndBk, 0), "DROP.WAV");
    EXPECT_EQ(resolved(kSndBk, 4), "DROP.WAV");
    EXPECT_EQ(resolved(kSndMx, 2), "POP.WAV");

    // Out-of-range positions are refused; a null pointer yields 0.
    EXPECT_EQ(sound_store(kSoundPutFile + kSndSt, 5, nullptr), 0);
    EXPECT_EQ(resolved(kSndSt, 7), "<none>");
    EXPECT_EQ(sound_store(kSoundResolve, 0, nullptr), 0);
    defaults_present(false);
}

TEST(SoundStore, MissingDefaultsAndUnknownCodes) {
    defaults_present(false);
    sound_store(kSoundReset, 0, nullptr);
    char *p = const_cast<char *>("untouched");
    EXPECT_EQ(sound_store(kSoundResolve + kSndEd, 0, &p), 0);
    EXPECT_STREQ(p, "untouched");

    put(kSoundPutSet + kSndSt, 0, "s.wav");
    char buf[kLineSize] = {0};
    char *b = buf;
    for (int op : {0, 4, 9, 16, 19, 26, 29, 36, 39, 46, 49, 56, 60, 99, 1000}) EXPECT_EQ(sound_store(op, 0, &b), 1);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(resolved(kSndSt, 0), "s.wav");

    // A text too long for an entry is cut to 259 bytes.
    std::string longname(400, 'n');
    put(kSoundPutSet + kSndMn, 0, longname.c_str());
    sound_store(kSoundGetSet + kSndMn, 0, &b);
    EXPECT_EQ(std::string(buf), longname.substr(0, 259));
    sound_store(kSoundClearSet, 0, nullptr);
    buf[0] = '\0';
    sound_store(kSoundGetSet + kSndMn, 0, &b);
    EXPECT_STREQ(buf, "");
}

TEST(SoundStore, WriteKeyValueWritesOneLineOrNone) {
    sound_store(kSoundReset, 0, nullptr);
    const char *path = "kv_test.set";
    append_to_file(path, "T,題\r\n", kAppendCreateAlways);
    EXPECT_EQ(write_key_value(path, "SndSt", kSoundGetSet + kSndSt), 1);
    put(kSoundPutSet + kSndMd, 0, "効果音\\音.wav");
    EXPECT_EQ(write_key_value(path, "SndMd", kSoundGetSet + kSndMd), 1);
    FILE *f = fopen(path, "rb");
    char all[256] = {0};
    size_t n = fread(all, 1, sizeof all - 1, f);
    fclose(f);
    EXPECT_EQ(std::string(all, n), "T,題\r\nSndMd,効果音\\音.wav\r\n");
    DeleteFileA(path);
}
