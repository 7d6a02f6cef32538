// Set files: loading over defaults and over an earlier set, limits, the writer's lines and a round
// trip, a save that could not write a line, loading by path, and the idle count.
#include <gtest/gtest.h>
#include "card_print.h"
#include <string.h>
#include <string>
#include <vector>
#include "BrixLib.h"
#include "DirList.h"
#include "SetManager_private.h"
#include "exit_pin.h"
#include "file_bundle.h"
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
        reset();
    }
    void TearDown() override { set_common_dialogs(&old_); }
    static void reset() {
        HWND owner = nullptr;
        set_manager(kSetReset, 0, &owner);
    }
    SetRecord *record() { return set_current_record(); }
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

TEST_F(SetFile, LoadsOverTheDefaultsWithLooseKeysAndCutValues) {
    std::string long_title;
    for (int i = 0; i < 200; ++i) long_title += "あ";  // 400 bytes: the cut at 255 falls inside a character
    dir.write("a.set", "q,q0\r\nt,Title, with, commas\n\r\nUnknown,1\r\nB\r\nsetwall,wall.bmp\r\n5,255\r\n"
                       "8, -12px\r\n9,x\r\na\r\nSAVEROFF,anything\r\nsndst,start.wav\r\nOFFTIMER,99999999999\r\n"
                       "Q,q1\r\nQ,q2\r\nQ,q3\r\nQ,q4\r\nQ,q5\r\nT," + long_title + "x\r\nExitPin,s256:1:zz\r\n");
    ASSERT_EQ(load("a.set"), 1);
    SetRecord *r = record();
    EXPECT_EQ(strlen(r->title), 254u);
    EXPECT_STREQ(r->questions[4], "q4");  // a sixth Q line has no place
    EXPECT_STREQ(r->music, "");           // "B" without a value is left out
    EXPECT_STREQ(r->wallpaper, "wall.bmp");
    EXPECT_EQ(r->back_colour, 255u);
    EXPECT_EQ(r->text_colour, RGB(255, 255, 255));
    EXPECT_EQ(r->picture_x, -12);
    EXPECT_EQ(r->picture_y, 0);
    EXPECT_EQ(r->idle_minutes, 2147483647);
    EXPECT_EQ(r->full_screen + r->saver_off + r->daily_log, 2);
    EXPECT_STREQ(r->exit_pin, "");  // a PIN that cannot be read is no PIN, and is said so
    EXPECT_EQ(r->exit_pin_unreadable, 1);
    LOGFONTA base;
    question_font(kFontGetBase, -1, 0, &base);
    EXPECT_EQ(memcmp(&r->title_font, &base, sizeof base), 0);
    EXPECT_EQ(sound(kSndSt), "start.wav");

    dir.write("b.set", "T,Title, with, commas\r\nQ,x\r\n");
    ASSERT_EQ(load("b.set"), 1);  // over an earlier set: nothing of it stays
    SetRecord want;
    set_record_defaults(&want);
    strcpy(want.title, "Title, with, commas");
    strcpy(want.questions[0], "x");
    EXPECT_EQ(memcmp(r, &want, sizeof want), 0);
    EXPECT_EQ(sound(kSndSt), "");
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(SetFile, SaveWritesTheKeyOrderAndLoadsBackTheSame) {
    SetRecord *r = record();
    strcpy(r->title, "T1");
    strcpy(r->music, "m.mid");
    strcpy(r->questions[0], "a.qst");
    strcpy(r->questions[2], "c.qst");
    r->full_screen = r->daily_log = r->saver_off = 1;
    strcpy(r->picture, "p.bmp");
    r->picture_x = -5;
    r->picture_y = 7;
    r->picture_zoom = 2;
    strcpy(r->wallpaper, "w.jpg");
    r->idle_minutes = 4;
    r->visit_log_off = 1;
    strcpy(r->kiosk, "KIOSK1");
    strcpy(r->log_folder, "\\\\server\\share");
    strcpy(r->dist_folder, "\\\\server\\配布");
    r->idle_seconds = 45;
    r->idle_first_question = 1;
    r->result_seconds = 20;
    r->show_progress = 1;
    r->card_print = kCardPrintAuto;
    strcpy(r->card_printer, "受付,プリンター");
    r->card_paper = kPaperRoll58;
    r->ask_seconds = 0;  // a new set asks for 10 seconds and shows the numbers: only changes are written
    r->answer_numbers = 0;
    r->key_frame = 1;
    r->back_step = 1;
    r->speak = 1;
    r->scan_seconds = 3;
    const unsigned char salt[kPinSaltBytes] = {9};
    ASSERT_TRUE(pin_make_line("1234", salt, r->exit_pin, sizeof r->exit_pin));
    strcpy(r->title_font.lfFaceName, "ＭＳ ゴシック");
    char *s = const_cast<char *>("s.wav"), *b = const_cast<char *>("b.wav");
    sound_store(kSoundPutSet + kSndSt, 0, &s);
    sound_store(kSoundPutSet + kSndBk, 0, &b);
    ASSERT_EQ(save_as("full.set"), 1);
    char f1[128], f3[128];
    write_logfont_line(&r->title_font, f1);
    write_logfont_line(&r->question_font, f3);
    std::string saved = dir.read("full.set");
    EXPECT_EQ(saved, std::string("T,T1\r\nB,m.mid\r\nQ,a.qst\r\nQ,c.qst\r\nA\r\nG\r\nSAVEROFF\r\n1,") + f1 + "\r\n3," +
                         f3 + "\r\n6,16777215\r\n5,40960\r\n7,p.bmp\r\n8,-5\r\n9,7\r\n0,2\r\nSetWall,w.jpg\r\n" +
                         "SndSt,s.wav\r\nSndBk,b.wav\r\nOFFTIMER,4\r\nEXITPIN," + r->exit_pin +
                         "\r\nIDLESEC,45\r\nIDLEFIRST\r\nRESULTSEC,20\r\nPROGRESS\r\nASKSEC,0\r\nNUMBERS,0\r\nKEYS\r\nBACK\r\nSPEAK\r\nSCAN,3\r\nVISITOFF\r\nKIOSK,KIOSK1\r\nLOGDIR,\\\\server\\share\r\nDISTDIR,\\\\server\\配布\r\n"
                         "CARDPRINT,AUTO\r\nCARDPRINTER,受付,プリンター\r\nCARDPAPER,ROLL58\r\n");
    EXPECT_EQ(dir.read("~full.set"), "<none>");
    EXPECT_STREQ(set_current_path(), "");  // a set without a path does not take the saved name

    reset();
    // Keys of a newer player are kept through a load and a save.
    const std::string newer = "NewKey,1\r\nNEWFLAG\r\n";
    dir.write("full.set", saved + newer);
    ASSERT_EQ(load("full.set"), 1);
    EXPECT_EQ(std::string(set_current_path()), dir.path() + "full.set");
    EXPECT_EQ(kCardPrintAuto, record()->card_print);
    EXPECT_STREQ("受付,プリンター", record()->card_printer);
    EXPECT_EQ(kPaperRoll58, record()->card_paper);
    ASSERT_EQ(save_as("again.set"), 1);
    EXPECT_EQ(dir.read("again.set"), saved + newer);
    EXPECT_EQ(std::string(set_current_path()), dir.path() + "again.set");
}

TEST_F(SetFile, ABareRecordStartsWithItsFontLine) {
    dir.write("bare.set", "T,old contents\r\n");
    record()->title[0] = '\0';
    ASSERT_EQ(save_as("bare.set"), 1);
    std::string text = dir.read("bare.set");
    EXPECT_EQ(text.rfind("1,", 0), 0u);
    EXPECT_NE(text.find("\r\n3,"), std::string::npos);
    EXPECT_NE(text.find("\r\n6,16777215\r\n5,40960\r\n"), std::string::npos);
    EXPECT_EQ(text.find("\r\n8,"), std::string::npos);
    EXPECT_EQ(text.find("old"), std::string::npos);
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
    EXPECT_EQ(dir.read("~keep.set"), "<none>");
    ASSERT_EQ(boxes.boxes().size(), 1u);  // one failure, one box
    EXPECT_EQ(boxes.boxes()[0].caption, "追記ファイルのオープン");
}

TEST_F(SetFile, LoadByPathAndByDialog) {
    std::string good = dir.write("good.set", "T,good\r\n");
    void *slot = const_cast<char *>(good.c_str());  // in: the path; out: the record
    ASSERT_EQ(set_manager(kSetLoadPath, 0, &slot), 1);
    EXPECT_EQ(slot, record());

    SetRecord before = *record();
    std::string missing = dir.path() + "missing.set";
    const char *m = missing.c_str();
    EXPECT_EQ(set_manager(kSetLoadPath, 0, &m), 0);
    EXPECT_EQ(m, missing.c_str());
    EXPECT_EQ(memcmp(&before, record(), sizeof before), 0);
    EXPECT_EQ(std::string(set_current_path()), good);  // a failed load keeps the set in effect
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].caption, "File Open Error");
    // The box names the file and what to do about it.
    EXPECT_NE(boxes.boxes()[0].text.find("「" + missing + "」を開けません"), std::string::npos);
    EXPECT_NE(boxes.boxes()[0].text.find("開き直してください"), std::string::npos);

    dir.write("good.set", "T,again\r\n");
    SetRecord *out = nullptr;
    EXPECT_EQ(set_manager(kSetLoad, 0, &out), 1);  // the path is known: no dialog
    EXPECT_STREQ(record()->title, "again");
    EXPECT_EQ(g_asked, 0);
    EXPECT_EQ(set_manager(kSetChooseLoad, 0, &out), 1);  // cancelled: still 1, record untouched
    EXPECT_EQ(out, record());
    EXPECT_STREQ(record()->title, "again");
    EXPECT_EQ(std::string(set_current_path()), good);  // and keeps the set's path
    EXPECT_EQ(g_asked, 1);
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


// A set gathered into one folder: what it names comes along under relative names, two files of
// one name stay apart, a missing one is named, the originals stay as they were.
TEST(SetBundle, CopiesRewritesAndChecks) {
    ScratchFolder dir;
    const std::string event = dir.path() + "event\\", other = dir.path() + "other\\", dest = dir.path() + "usb";
    for (const std::string &f : {event, event + "img\\", other, dest + "\\"}) CreateDirectoryA(f.c_str(), nullptr);
    const std::string set_text = "T,テスト\r\nQ,q.qst\r\n7,img\\a.png\r\nSetWall," + other + "a.png\r\nSndSt,snd\\gone.wav\r\nZZZ,kept\r\n";
    const std::string q_text = "N,問\r\nVoice,1,hi.wav\r\nQ,text,a,1,b,0,,0,,0,,0,img\\a.png,10,20,0\r\nQuesWall,..\\other\\a.png\r\n";
    dir.write("event\\set.set", set_text);
    dir.write("event\\q.qst", q_text);
    dir.write("event\\img\\a.png", "A1");
    dir.write("other\\a.png", "A2");
    dir.write("event\\hi.wav", "V");

    BundleOutcome o = bundle_files((event + "set.set").c_str(), set_path_field, dest.c_str());
    ASSERT_TRUE(o.done) << o.failure;
    const std::string b = dest + "\\set\\";
    EXPECT_EQ(b, o.folder + "\\");
    EXPECT_EQ("T,テスト\r\nQ,q.qst\r\n7,img\\a.png\r\nSetWall,img\\a (2).png\r\nSndSt,snd\\gone.wav\r\nZZZ,kept\r\n",
              ScratchFolder::bytes_of(b + "set.set"));
    EXPECT_EQ("N,問\r\nVoice,1,snd\\hi.wav\r\nQ,text,a,1,b,0,,0,,0,,0,img\\a.png,10,20,0\r\nQuesWall,img\\a (2).png\r\n",
              ScratchFolder::bytes_of(b + "q.qst"));
    EXPECT_EQ("V", ScratchFolder::bytes_of(b + "snd\\hi.wav"));
    EXPECT_EQ("A1", ScratchFolder::bytes_of(b + "img\\a.png"));
    EXPECT_EQ("A2", ScratchFolder::bytes_of(b + "img\\a (2).png"));
    EXPECT_EQ(5u, o.copied);
    ASSERT_EQ(1u, o.missing.size());
    EXPECT_EQ("snd\\gone.wav（set.set）", o.missing[0]);
    EXPECT_NE(std::string::npos, bundle_summary(o).find("snd\\gone.wav"));
    EXPECT_EQ(set_text, ScratchFolder::bytes_of(event + "set.set"));
    EXPECT_EQ(q_text, ScratchFolder::bytes_of(event + "q.qst"));
    // The player finds the copies beside the copied files.
    char found[kPathSize];
    EXPECT_EQ(b + "img\\a (2).png", resolve_named_path("img\\a (2).png", (b + "q.qst").c_str(), found));

    // Once more: a new folder beside the first, and no temporary folder left in either run.
    EXPECT_EQ(dest + "\\set (2)", bundle_files((event + "set.set").c_str(), set_path_field, dest.c_str()).folder);
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((dest + "\\*").c_str(), &d);
    std::vector<std::string> names;
    do
        if (d.cFileName[0] != '.') names.push_back(d.cFileName);
    while (FindNextFileA(h, &d));
    FindClose(h);
    EXPECT_EQ((std::vector<std::string>{"set", "set (2)"}), names);

    // One question file alone, as the editor gathers it.
    o = bundle_files((event + "q.qst").c_str(), question_file_paths, dest.c_str());
    ASSERT_TRUE(o.done) << o.failure;
    EXPECT_EQ(ScratchFolder::bytes_of(b + "q.qst"), ScratchFolder::bytes_of(dest + "\\q\\q.qst"));
    EXPECT_EQ(4u, o.copied);

    // A destination that is no folder, and a set that cannot be read: a reason, nothing made.
    o = bundle_files((event + "set.set").c_str(), set_path_field, (event + "q.qst").c_str());
    EXPECT_FALSE(o.done);
    EXPECT_NE(std::string::npos, o.failure.find("フォルダーではありません"));
    o = bundle_files((event + "none.set").c_str(), set_path_field, dest.c_str());
    EXPECT_FALSE(o.done);
    EXPECT_NE(std::string::npos, o.failure.find("none.set」を開けません"));
    // Names Windows refuses.
    EXPECT_EQ("CON_.wav", safe_file_name("CON.wav"));
    EXPECT_EQ("a_b_.png", safe_file_name("a?b*.png"));
    EXPECT_EQ("表.png", safe_file_name("表.png."));  // 0x5C inside the character stays
    for (const std::string &f : {event, other, dest}) EXPECT_TRUE(remove_tree(f));
}

// Seconds out of range are clamped by one rule, for the file and both dialogs alike.
TEST(SetSeconds, ClampedIntoTheirRanges) {
    struct Row {
        int32_t scan, ask, scan_after, ask_after;
        bool changed;
    } rows[] = {
        {0, 10, 0, 10, false}, {30, 60, 30, 60, false}, {31, 61, 30, 60, true}, {-1, -1, 0, 0, true}, {1, 0, 1, 0, false},
    };
    for (const Row &row : rows) {
        SetRecord r = {};
        r.scan_seconds = row.scan;
        r.ask_seconds = row.ask;
        EXPECT_EQ(row.changed, clamp_idle_seconds(&r)) << row.scan << " " << row.ask;
        EXPECT_EQ(row.scan_after, r.scan_seconds);
        EXPECT_EQ(row.ask_after, r.ask_seconds);
    }
}
