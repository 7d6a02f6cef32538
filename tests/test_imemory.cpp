// Failure reports and the two allocation families.
#include <gtest/gtest.h>
#include <string>
#include "imemory.h"
#include "message_box_recorder.h"

static std::string system_text(DWORD code) {
    char *t = nullptr;
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char *>(&t), 0,
                   nullptr);
    std::string s = t ? t : "";
    if (t) LocalFree(t);
    return s;
}

TEST(ErrorReport, ShowsSystemTextOrFallback) {
    MessageBoxRecorder rec;
    SetLastError(ERROR_FILE_NOT_FOUND);
    i_show_last_error("File Open Error");
    SetLastError(0x2FFFFFFF);  // no system text for this code
    i_show_last_error_at("追記ファイルのオープン", "x.cpp", 12);
    ASSERT_EQ(rec.boxes().size(), 2u);
    EXPECT_EQ(rec.boxes()[0].caption, "File Open Error");
    EXPECT_EQ(rec.boxes()[0].text, system_text(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(rec.boxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(rec.boxes()[0].owner, nullptr);
    EXPECT_EQ(rec.boxes()[1].caption, "追記ファイルのオープン");
    EXPECT_EQ(rec.boxes()[1].text, "FormatMessage return zero.");
}

TEST(ErrorReport, ComposesFileAndLineAndCutsLongTexts) {
    MessageBoxRecorder rec;
    SetLastError(ERROR_FILE_NOT_FOUND);
    i_show_last_error_at("cap", "src\\a.cpp", 42);
    ASSERT_EQ(rec.boxes().size(), 1u);
    EXPECT_EQ(rec.boxes()[0].text, "src\\a.cpp : line 42. " + system_text(ERROR_FILE_NOT_FOUND));

    // A path of Japanese characters far beyond the buffer: cut, never split a character.
    std::string longfile;
    for (int i = 0; i < 200; ++i) longfile += "表";
    i_show_last_error_at("cap", longfile.c_str(), 1);
    ASSERT_EQ(rec.boxes().size(), 2u);
    const std::string &t = rec.boxes()[1].text;
    EXPECT_LE(t.size(), 255u);
    EXPECT_EQ(t.size() % 2, 0u);  // only whole two-byte characters
    EXPECT_EQ(t, longfile.substr(0, t.size()));
}

TEST(HeapFamily, ZeroFilledGrowsAndReportsFailure) {
    MessageBoxRecorder rec;
    unsigned char *p = static_cast<unsigned char *>(I_HEAP_CALLOC(16, 4));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(p[i], 0);
    p[0] = 7;
    p = static_cast<unsigned char *>(I_REALLOC(p, 4096));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[0], 7);
    for (int i = 64; i < 4096; ++i) ASSERT_EQ(p[i], 0);
    EXPECT_EQ(I_REALLOC(p, static_cast<size_t>(-1) / 2), nullptr);  // old block stays valid
    EXPECT_EQ(p[0], 7);
    EXPECT_EQ(i_try_realloc(p, static_cast<size_t>(-1) / 2), nullptr);  // the same, and no box
    EXPECT_EQ(p[0], 7);
    I_HEAP_FREE(p);
    EXPECT_EQ(i_heap_calloc(static_cast<size_t>(-1) / 2, 4, "f.cpp", 3), nullptr);
    ASSERT_EQ(rec.boxes().size(), 2u);
    EXPECT_EQ(rec.boxes()[0].caption, "HeapReAlloc return NULL in i_realloc.");
    EXPECT_EQ(rec.boxes()[1].caption, "HeapAlloc return NULL in i_calloc.");
    EXPECT_EQ(rec.boxes()[1].text.rfind("f.cpp : line 3. ", 0), 0u);
}

TEST(GlobalFamily, ZeroFilledAndFailedAllocationShowsTwoBoxes) {
    MessageBoxRecorder rec;
    unsigned char *p = static_cast<unsigned char *>(I_CALLOC(10, 10));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(p[i], 0);
    EXPECT_EQ(I_FREE(p), nullptr);
    EXPECT_TRUE(rec.boxes().empty());

    EXPECT_EQ(I_CALLOC(static_cast<size_t>(-1) / 2, 2), nullptr);
    ASSERT_EQ(rec.boxes().size(), 2u);
    EXPECT_EQ(rec.boxes()[0].caption, "GlobalAlloc return NULL in i_calloc.");
    EXPECT_EQ(rec.boxes()[1].caption, "GlobalLock return NULL in i_calloc.");
}
