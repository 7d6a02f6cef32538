// Set files: loading over defaults and over an earlier set, limits, the writer's lines,
// a save that could not write a line, loading by path, and the idle count.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "BrixLib.h"
#include "DirList.h"
#include "SetManager_private.h"
#include "font_slot.h"
#include "message_box_recorder.h"
#include "scratch_folder.h"
#include "sound_store.h"

namespace {

std::string g_pick;  // the scripted file dialogs' answer; empty: cancelled
int g_asked = 0;
BOOL scripted_file(OPENFILENAMEA *o) {
    ++g_asked;
    if (g_pick.empty()) return FALSE;
    strcpy(o->lpstrFile, g_pick.c_str());
    return TRUE;
}

std::string sound(int slot) {
    char b[kLineSize] = {0};
    char *p = b;
    sound_store(kSoundGetSet + slot, 0, &p);
    return b;
}

class SetFile : public ::testing::Test {
protected:
    void SetUp() override {
        CommonDialogs scripted = {scripted_file, scripted_file, nullptr, nullptr};
        old_ = set_common_dialogs(&scripted);
        g_pick.clear();
        g_asked = 0;
        HWND owner = nullptr;
        set_manager(kSetReset, 0, &owner);
    }
    void TearDown() override { set_common_dialogs(&old_); }
    SetRecord *record() {
        SetRecord *r = nullptr;
        set_manager(kSetCurrent, 0, &r);
        return r;
    }
    int load(const std::string &name) {
        std::string path = dir.path() + name;
        const char *p = path.c_str();
        return set_manager(kSetLoadPath, 0, &p);
    }
    int save_as(const std::string &name) {
        g_pick = dir.path() + name;
        return save_set(nullptr);
    }
    ScratchFolder dir;
    MessageBoxRecorder boxes;
    CommonDialogs old_;
};

TEST_F(SetFile, LoadsOverTheDefaults) {
    dir.write("a.set",
              "q,first.qst\r\n"
              "t,Title, with, commas\n"
              "\r\n"
              "Unknown,1\r\n"
              "B\r\n"           // a text key without a value is left out
              "setwall,wall.bmp\r\n"
              "5,255\r\n"
              "8, -12px\r\n"
              "9,x\r\n"
              "a\r\n"
              "SAVEROFF,anything\r\n"
              "sndst,start.wav\r\n");
    ASSERT_EQ(load("a.set"), 1);
    SetRecord *r = record();
    EXPECT_STREQ(r->title, "Title, with, commas");
    EXPECT_STREQ(r->questions[0], "first.qst");
    EXPECT_STREQ(r->questions[1], "");
    EXPECT_STREQ(r->music, "");
    EXPECT_STREQ(r->wallpaper, "wall.bmp");
    EXPECT_EQ(r->back_colour, 255u);
    EXPECT_EQ(r->text_colour, RGB(255, 255, 255));
    EXPECT_EQ(r->picture_x, -12);
    EXPECT_EQ(r->picture_y, 0);
    EXPECT_EQ(r->full_screen, 1);
    EXPECT_EQ(r->saver_off, 1);
    EXPECT_EQ(r->daily_log, 0);
    LOGFONTA base;
    question_font(kFontGetBase, -1, 0, &base);
    EXPECT_EQ(memcmp(&r->title_font, &base, sizeof base), 0);
    EXPECT_EQ(sound(kSndSt), "start.wav");
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(SetFile, LoadOverAnEarlierSetKeepsWhatIsAbsent) {
    dir.write("one.set", "T,one\r\nB,music.mid\r\nQ,a\r\nQ,b\r\nQ,c\r\nSndBk,back.wav\r\nOFFTIMER,3\r\n");
    dir.write("two.set", "Q,x\r\nQ,y\r\nSndBk,\r\n6,1\r\n");
    ASSERT_EQ(load("one.set"), 1);
    ASSERT_EQ(load("two.set"), 1);
    SetRecord *r = record();
    EXPECT_STREQ(r->title, "one");
    EXPECT_STREQ(r->music, "music.mid");
    EXPECT_STREQ(r->questions[0], "x");
    EXPECT_STREQ(r->questions[1], "y");
    EXPECT_STREQ(r->questions[2], "c");
    EXPECT_EQ(r->idle_minutes, 3);
    EXPECT_EQ(r->text_colour, 1u);
    EXPECT_EQ(sound(kSndBk), "");  // an empty value empties the slot
}

TEST_F(SetFile, ExtraQuestionsAndLongValuesAreCutToTheRecord) {
    std::string lines;
    for (int i = 0; i < 7; ++i) lines += "Q,q" + std::to_string(i) + "\r\n";
    std::string long_title;
    for (int i = 0; i < 200; ++i) long_title += "あ";  // 400 bytes, cut inside a character at 255
    lines += "T," + long_title + "\r\nOFFTIMER,99999999999\r\n";
    dir.write("long.set", lines);
    ASSERT_EQ(load("long.set"), 1);
    SetRecord *r = record();
    EXPECT_STREQ(r->questions[4], "q4");
    EXPECT_EQ(strlen(r->title), 254u);
    EXPECT_TRUE(is_sjis_lead(static_cast<unsigned char>(r->title[252])));
    EXPECT_EQ(r->idle_minutes, 2147483647);
}

TEST_F(SetFile, SaveWritesTheKeyOrder) {
    SetRecord *r = record();
    strcpy(r->title, "T1");
    strcpy(r->music, "m.mid");
    strcpy(r->questions[0], "a.qst");
    strcpy(r->questions[2], "c.qst");  // a gap is not written
    r->full_screen = r->daily_log = r->saver_off = 1;
    strcpy(r->picture, "p.bmp");
    r->picture_x = -5;
    r->picture_y = 7;
    r->picture_zoom = 2;
    strcpy(r->wallpaper, "w.jpg");
    r->idle_minutes = 4;
    char *s = const_cast<char *>("s.wav"), *b = const_cast<char *>("b.wav");
    sound_store(kSoundPutSet + kSndSt, 0, &s);
    sound_store(kSoundPutSet + kSndBk, 0, &b);
    ASSERT_EQ(save_as("full.set"), 1);
    char f1[128], f3[128];
    write_logfont_line(&r->title_font, f1);
    write_logfont_line(&r->question_font, f3);
    EXPECT_EQ(dir.read("full.set"), std::string("T,T1\r\nB,m.mid\r\nQ,a.qst\r\nQ,c.qst\r\nA\r\nG\r\nSAVEROFF\r\n") +
                                        "1," + f1 + "\r\n3," + f3 + "\r\n6,16777215\r\n5,40960\r\n" +
                                        "7,p.bmp\r\n8,-5\r\n9,7\r\n0,2\r\nSetWall,w.jpg\r\n" +
                                        "SndSt,s.wav\r\nSndBk,b.wav\r\nOFFTIMER,4\r\n");
    EXPECT_EQ(dir.read("~full.set"), "<none>");
    EXPECT_STREQ(set_current_path(), "");  // a set without a path does not take the saved name
}

TEST_F(SetFile, SaveOfABareRecordStartsWithTheFontLineAndReplacesTheFile) {
    dir.write("bare.set", "T,old contents\r\nQ,old.qst\r\n");
    record()->title[0] = '\0';
    ASSERT_EQ(save_as("bare.set"), 1);
    std::string text = dir.read("bare.set");
    EXPECT_EQ(text.rfind("1,", 0), 0u);
    EXPECT_NE(text.find("\r\n3,"), std::string::npos);
    EXPECT_NE(text.find("\r\n6,16777215\r\n5,40960\r\n"), std::string::npos);
    EXPECT_EQ(text.find("\r\n7,"), std::string::npos);
    EXPECT_EQ(text.find("\r\n8,"), std::string::npos);
    EXPECT_EQ(text.find("old"), std::string::npos);
}

TEST_F(SetFile, SavedSetLoadsBackTheSameRecordAndSounds) {
    dir.write("src.set", "T,round\r\nQ,1.qst\r\nQ,2.qst\r\nB,x.rmi\r\nG\r\n1,-30,0,0,0,700,1,0,0,128,3,2,1,49,ＭＳ ゴシック\r\n"
                         "6,255\r\n5,65280\r\n7,pic.jpg\r\n8,-1\r\n9,-2\r\n0,150\r\nOFFTIMER,9\r\n"
                         "SndMx,hi.wav\r\nSndMn,lo.wav\r\n");
    ASSERT_EQ(load("src.set"), 1);
    SetRecord before = *record();
    ASSERT_EQ(save_as("copy.set"), 1);
    HWND owner = nullptr;
    set_manager(kSetReset, 0, &owner);
    ASSERT_EQ(load("copy.set"), 1);
    SetRecord *after = record();
    EXPECT_STREQ(after->title, before.title);
    for (int i = 0; i < kSetQuestionFiles; ++i) EXPECT_STREQ(after->questions[i], before.questions[i]);
    EXPECT_STREQ(after->music, before.music);
    EXPECT_STREQ(after->picture, before.picture);
    EXPECT_EQ(after->daily_log, 1);
    EXPECT_EQ(after->full_screen, 0);
    EXPECT_EQ(after->picture_x, -1);
    EXPECT_EQ(after->picture_y, -2);
    EXPECT_EQ(after->picture_zoom, 150);
    EXPECT_EQ(after->idle_minutes, 9);
    EXPECT_EQ(after->text_colour, 255u);
    EXPECT_EQ(after->back_colour, 65280u);
    char a[128], b[128];
    write_logfont_line(&before.title_font, a);
    write_logfont_line(&after->title_font, b);
    EXPECT_STREQ(a, b);
    EXPECT_STREQ(after->title_font.lfFaceName, "ＭＳ ゴシック");
    write_logfont_line(&before.question_font, a);
    write_logfont_line(&after->question_font, b);
    EXPECT_STREQ(a, b);
    EXPECT_EQ(sound(kSndMx), "hi.wav");
    EXPECT_EQ(sound(kSndMn), "lo.wav");
    EXPECT_EQ(sound(kSndSt), "");
}

TEST_F(SetFile, ALineThatCannotBeWrittenKeepsTheOldFile) {
    dir.write("keep.set", "T,old\r\n");
    // A stale temporary file held open by someone who lets it be read and moved but not written:
    // every line fails, and without care the stale file would take the old set's place.
    std::string stale = dir.write("~keep.set", "stale");
    HANDLE holder = CreateFileA(stale.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(save_as("keep.set"), 0);
    CloseHandle(holder);
    EXPECT_EQ(dir.read("keep.set"), "T,old\r\n");
    ASSERT_FALSE(boxes.boxes().empty());
    EXPECT_EQ(boxes.boxes()[0].caption, "追記ファイルのオープン");
    EXPECT_EQ(dir.read("~keep.set"), "<none>");
}

TEST_F(SetFile, SaveFollowsTheChosenNameOnlyWhenThereIsAPath) {
    dir.write("start.set", "T,s\r\n");
    ASSERT_EQ(load("start.set"), 1);
    ASSERT_EQ(save_as("moved.set"), 1);
    EXPECT_EQ(std::string(set_current_path()), dir.path() + "moved.set");
    g_pick.clear();
    EXPECT_EQ(save_set(nullptr), 0);  // cancelled
}

TEST_F(SetFile, LoadByPathReportsAMissingFileAndKeepsRecordAndPath) {
    dir.write("good.set", "T,good\r\n");
    std::string good = dir.path() + "good.set";
    void *slot = const_cast<char *>(good.c_str());  // in: the path; out: the record
    ASSERT_EQ(set_manager(kSetLoadPath, 0, &slot), 1);
    EXPECT_EQ(slot, record());
    EXPECT_EQ(std::string(set_current_path()), good);

    SetRecord before = *record();
    std::string missing = dir.path() + "missing.set";
    const char *m = missing.c_str();
    EXPECT_EQ(set_manager(kSetLoadPath, 0, &m), 0);
    EXPECT_EQ(m, missing.c_str());
    EXPECT_EQ(memcmp(&before, record(), sizeof before), 0);
    EXPECT_EQ(std::string(set_current_path()), good);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].caption, "File Open Error");
    EXPECT_EQ(g_asked, 0);
}

TEST_F(SetFile, LoadAsksOnlyWithoutAPath) {
    SetRecord *out = nullptr;
    EXPECT_EQ(set_manager(kSetChooseLoad, 0, &out), 1);  // cancelled: still 1, record untouched
    EXPECT_EQ(out, record());
    EXPECT_EQ(g_asked, 1);
    dir.write("asked.set", "T,asked\r\n");
    g_pick = dir.path() + "asked.set";
    EXPECT_EQ(set_manager(kSetChooseLoad, 0, &out), 1);
    EXPECT_STREQ(record()->title, "asked");
    dir.write("asked.set", "T,again\r\n");
    EXPECT_EQ(set_manager(kSetLoad, 0, &out), 1);  // the path is known now
    EXPECT_STREQ(record()->title, "again");
    EXPECT_EQ(g_asked, 2);
}

TEST_F(SetFile, IdleTestCountsTicksSinceTheLastActivity) {
    auto ticks_until_idle = [] {
        set_manager(kSetActivity, 0, nullptr);
        for (int n = 1; n <= 100; ++n) {
            set_manager(kSetTick, 0, nullptr);
            if (set_manager(kSetIdleTest, 0, nullptr)) return n;
        }
        return 0;
    };
    EXPECT_EQ(ticks_until_idle(), 0);  // 0 minutes: never
    record()->idle_minutes = 1;
    EXPECT_EQ(ticks_until_idle(), 11);
    record()->idle_minutes = -1;
    EXPECT_EQ(ticks_until_idle(), 0);
}

}  // namespace
