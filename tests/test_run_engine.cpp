// The run engine through its operation codes, with real question files, a private log folder,
// recorded sounds and recording stand-ins for the image store and the set manager.
#include <gtest/gtest.h>
#include "card_print.h"
#include "result_qr.h"
#include <string>
#include <vector>
#include "BrixLib.h"
#include "DirList.h"
#include "QuesManager.h"
#include "image_store.h"
#include "message_box_recorder.h"
#include "scratch_folder.h"
#include "sound_effect.h"
#include "sound_store.h"
#include "stub_player_neighbours.h"

namespace {
// Name after the program folder (a path elsewhere whole), "+" when played at once.
std::vector<std::string> g_sounds;
BOOL record_sound(const char *path, HMODULE, DWORD flags) {
    char folder[kPathSize];
    module_folder(folder);
    std::string p = path;
    if (p.find(folder) == 0) p = p.substr(strlen(folder));
    g_sounds.push_back(p + ((flags & SND_ASYNC) ? "+" : ""));
    return TRUE;
}
SYSTEMTIME g_now;
void fixed_now(SYSTEMTIME *t) { *t = g_now; }
int g_dialogs_shown;
BOOL no_dialog(OPENFILENAMEA *) { return ++g_dialogs_shown, FALSE; }

class RunEngine : public ::testing::Test {
protected:
    ScratchFolder dir;
    void SetUp() override {
        set_log_folder(dir.path().c_str());
        set_play_sound_fn(record_sound);
        g_sounds.clear();
        g_dialogs_shown = 0;
        reset_neighbour_calls();
        run_engine(kRunStart, 0, nullptr);
    }
    void TearDown() override {
        run_engine(kRunEnd, 0, nullptr);
        set_play_sound_fn(nullptr);
        set_log_folder(nullptr);
    }
    void load(const std::string &text) {
        std::string p = dir.write("f" + std::to_string(files_++) + ".qst", text);
        char *v = &p[0];
        run_engine(kRunLoadFile, 0, &v);
    }
    static std::string text(unsigned op, int index = 0) {
        char *p = nullptr;
        return run_engine(op, index, &p) == -1 && p ? p : "<0>";
    }
    static void choose(std::initializer_list<int> choices) {
        for (int c : choices) run_engine(kRunChoose, c, nullptr);
    }
    std::string log() const { return dir.read("zelm.csv"); }
    int files_ = 0;
};

const char kThree[] = "N,三問\r\nQ,q1,a,1,b,5,c,2\r\nQ,q2,a,0,b,4\r\nQ,q3,a,1,b,2,c,3\r\nS,r\r\n";
}  // namespace

TEST_F(RunEngine, WholeRunLogsAnswersAndTotalAndBackWritesNothing) {
    load(kThree);
    EXPECT_EQ("三問", text(kRunChoiceText, 0));
    EXPECT_EQ("三問", text(kRunMainText));  // a loaded quiz, not the hint to load one
    EXPECT_EQ(0, run_engine(kRunProgress, 0, nullptr));
    choose({0});
    EXPECT_EQ("<none>", log());
    choose({1});
    EXPECT_EQ(2 * 65536 + 3, run_engine(kRunProgress, 0, nullptr));  // "2/3"
    int32_t number = 0, count = 0;
    EXPECT_TRUE(run_progress(&number, &count));
    EXPECT_EQ(2, number);
    EXPECT_EQ(3, count);
    choose({0, 2});
    EXPECT_EQ(0, run_engine(kRunProgress, 0, nullptr));
    const std::string block = "問題1, 設問1, 回答2, 得点5\r\n問題1, 設問2, 回答1, 得点0\r\n"
                              "問題1, 設問3, 回答3, 得点3\r\n得点合計, , , ,8\r\n";
    EXPECT_EQ(block, log());
    EXPECT_EQ(8, run_engine(kRunTotal, 0, nullptr));
    EXPECT_EQ("戻る", text(kRunChoiceText, 5));
    EXPECT_EQ("", text(kRunChoiceText, 0));
    EXPECT_EQ("<0>", text(kRunChoiceText, 6));
    choose({5});
    EXPECT_EQ(block, log());
    EXPECT_EQ(-1, run_engine(kRunCurrentFile, 0, nullptr));
    choose({0, 1, 0, 2, 5});
    EXPECT_EQ(block + block, log());
    EXPECT_EQ(10, activity_calls());
}

// The packed mark held 16 bits of each number: 65,536 questions read "2/0" on the first.
TEST_F(RunEngine, ProgressPastWhatOneInt32HoldsPacked) {
    std::string many = "N,many\r\n";
    for (int i = 0; i < 65536; ++i) many += "Q,q,a,1\r\n";
    load(many + "S,r\r\n");
    run_engine(kRunChoose, 0, nullptr);
    int32_t number = 0, count = 0;
    ASSERT_TRUE(run_progress(&number, &count));
    EXPECT_EQ(1, number);
    EXPECT_EQ(65536, count);
    EXPECT_EQ(0, run_engine(kRunProgress, 0, nullptr));  // the packed form cannot say it
}

TEST_F(RunEngine, BandsOfTheWorkedExample) {
    std::string base = "N,b\r\nQ,q1,a,0,b,1,c,2,d,3,e,5\r\nQ,q2,a,0,b,1,c,2,d,4,e,5\r\n";
    for (int i = 1; i <= 5; ++i) base += "S,row" + std::to_string(i) + "\r\n";
    struct { const char *extra; int a1, a2; const char *title; } cases[] = {
        {"", 0, 0, "row5"}, {"", 1, 0, "row5"}, {"", 2, 0, "row4"}, {"", 3, 0, "row4"}, {"", 4, 2, "row2"},
        {"", 3, 4, "row1"}, {"", 4, 3, "row1"}, {"", 4, 4, "row1"},  // 10 lies above the bands
        {"RoundUp\r\n", 1, 0, "row4"}, {"RoundUp\r\n", 0, 0, "row5"}, {"RoundUp\r\n", 4, 2, "row1"},
        {"U,top\r\n", 4, 4, "top"},
    };
    for (auto &c : cases) {
        run_engine(kRunDropAll, 0, nullptr);
        load(base + c.extra);
        choose({0, c.a1, c.a2});
        EXPECT_EQ(c.title, text(kRunMainText)) << c.extra << c.a1 << c.a2;
    }
    EXPECT_EQ(5, run_engine(kRunResultCount, 0, nullptr));
    char band[64] = "";
    char *b = band;
    run_engine(kRunBandWidthText, 0, &b);
    EXPECT_STREQ("2.000000", band);
}

TEST_F(RunEngine, TopAndBottomRowsDegenerateBandsAndNegativeTotal) {
    struct { const char *file; int answer; const char *title; } cases[] = {
        {"Q,q,a,0,b,0\r\nU,top\r\nR,bottom\r\nS,s\r\n", 0, "top"},  // total is both H and L
        {"Q,q,a,-2,b,4\r\nR,bottom\r\nS,s1\r\nS,s2\r\n", 0, "bottom"},
        {"Q,q,a,1\r\n", 0, "結果が用意されていません"},
        {"Q,q,a,2,b,0\r\nS,s1,,p1.bmp,7,8\r\nS,s2\r\nS,s3\r\n", 0, "得点が0ポイントしか在り得ない状態です"},
        {"Q,q,a,-3,b,1\r\nS,hi\r\nS,lo\r\n", 0, "lo"},
        {"Q,q,a,-3,b,1\r\nS,hi\r\nS,lo\r\nRoundUp\r\n", 0, "lo"},
    };
    for (auto &c : cases) {
        run_engine(kRunDropAll, 0, nullptr);
        reset_neighbour_calls();
        load(c.file);
        choose({0, c.answer});
        EXPECT_EQ(c.title, text(kRunMainText)) << c.file;
    }
    EXPECT_NE(std::string::npos, log().find("得点合計, , , ,-3\r\n"));
    run_engine(kRunDropAll, 0, nullptr);
    load(cases[3].file);
    choose({0});
    reset_neighbour_calls();
    choose({0});  // zero band width still shows the first banded row's picture
    EXPECT_EQ("問題ファイルの内容を確認してください", text(kRunComment));
    ASSERT_EQ(3u, image_calls().size());
    EXPECT_EQ(kImgLoadRunPicture, image_calls()[0].op);
    EXPECT_EQ("p1.bmp", image_calls()[0].path);
    EXPECT_EQ(7, image_calls()[1].number);
    EXPECT_EQ(8, image_calls()[2].number);
}

TEST_F(RunEngine, IdleReturnOnlyPastTheFirstQuestionAndLogsOnlyItsLine) {
    const std::string idle = "一定時間経過のためスタート画面に戻りました\r\n";
    load(kThree);
    choose({0});
    EXPECT_EQ(0, run_engine(kRunUnderWay, 0, nullptr));
    run_engine(kRunIdleReturn, 0, nullptr);
    EXPECT_EQ("<none>", log());
    EXPECT_EQ(0, run_engine(kRunCurrentFile, 0, nullptr));
    choose({1});
    EXPECT_EQ(-1, run_engine(kRunUnderWay, 0, nullptr));
    run_engine(kRunIdleReturn, 0, nullptr);
    EXPECT_EQ("問題1, 設問1, 回答2, 得点5\r\n" + idle, log());
    EXPECT_EQ(-1, run_engine(kRunCurrentFile, 0, nullptr));
    choose({0, 1, 0, 2});
    std::string finished = log();
    run_engine(kRunIdleReturn, 0, nullptr);
    EXPECT_EQ(finished + idle, log());
    EXPECT_EQ("<0>", text(kRunComment));
}

TEST_F(RunEngine, DropAllLeavesOnlyTheStartText) {
    char title[] = "ようこそ";
    char *t = title;
    run_engine(kRunSetStartText, 0, &t);
    load("N,x\r\nH,hdr\r\nF,ftr\r\nQ,q,a,1,b,2\r\nQ,q2,a,1\r\nS,s\r\n");
    EXPECT_EQ("ようこそ", text(kRunMainText));  // a title given stays
    choose({0});
    EXPECT_EQ("hdr", text(kRunHeader));
    EXPECT_EQ("ftr", text(kRunFooter));
    choose({0, 0});
    EXPECT_EQ("s", text(kRunMainText));
    reset_neighbour_calls();
    run_engine(kRunDropAll, 0, nullptr);
    EXPECT_EQ("ようこそ", text(kRunMainText));
    EXPECT_EQ("<0>", text(kRunHeader));
    EXPECT_EQ("<0>", text(kRunFooter));
    EXPECT_EQ("<0>", text(kRunComment));
    EXPECT_EQ("", text(kRunChoiceText, 0));
    ASSERT_EQ(2u, image_calls().size());
    EXPECT_EQ(kImgClearRunPicture, image_calls()[0].op);
    EXPECT_EQ(kImgClearRunWall, image_calls()[1].op);
    // "問題を開く" on a first question returns to the start screen the same way, even when cancelled.
    CommonDialogs script = {no_dialog, nullptr, nullptr, nullptr};
    CommonDialogs old = set_common_dialogs(&script);
    load("N,y\r\nQ,q,a,1,b,2\r\nQ,q2,a,1\r\n");
    choose({0});
    EXPECT_EQ(0, run_engine(kRunCurrentFile, 0, nullptr));
    reset_neighbour_calls();
    run_engine(kRunLoadFile, 0, nullptr);
    set_common_dialogs(&old);
    EXPECT_EQ(-1, run_engine(kRunCurrentFile, 0, nullptr));
    ASSERT_EQ(2u, image_calls().size());
    EXPECT_EQ(kImgClearRunPicture, image_calls()[0].op);
    EXPECT_EQ(kImgClearRunWall, image_calls()[1].op);
    char buffer[2048] = "";
    char *b = buffer;
    run_engine(kRunGetStartText, 0, &b);
    EXPECT_STREQ("ようこそ", buffer);
}

TEST_F(RunEngine, GradesIntoTheThreeSoundsAndBackUsesTheSetLevel) {
    char back[] = "D:\\snd\\setback.wav";  // chosen on another drive: stored whole
    char *v = back;
    sound_store(kSoundPutSet + kSndBk, 0, &v);
    std::string qs = "Q,1,a,1,b,2,c,3\r\nQ,2,a,1,b,2,c,3\r\nQ,3,a,1,b,2,c,3\r\nQ,4,a,2,b,2\r\nQ,5,a,1\r\n";
    load(qs + "SndSt,st.wav\r\nSndMx,mx.wav\r\nSndMd,md.wav\r\nSndMn,mn.wav\r\nSndEd,ed.wav\r\nSndBk,fileback.wav\r\n");
    choose({0, 2, 0, 1, 1, 0, 5});
    // The result plays the judgement sound; back resolves without a file.
    std::vector<std::string> expected = {"st.wav", "mx.wav+", "mn.wav+", "md.wav+", "mx.wav+", "ed.wav+", "D:\\snd\\setback.wav+"};
    EXPECT_EQ(expected, g_sounds);
}

TEST_F(RunEngine, SixthFileAndSlotsWithoutQuestionsAreRefused) {
    CommonDialogs script = {no_dialog, nullptr, nullptr, nullptr};
    CommonDialogs old = set_common_dialogs(&script);
    load("N,A\r\nQ,,10\r\nU,TopA\r\n");
    EXPECT_EQ("", text(kRunChoiceText, 0));  // not offered
    choose({0});
    EXPECT_EQ(-1, run_engine(kRunCurrentFile, 0, nullptr));
    load("N,B\r\nQ,q,a,0,b,2\r\nS,s1\r\nS,s2\r\n");  // takes the same slot, nothing of A left
    choose({0, 1});
    EXPECT_EQ("s1", text(kRunMainText));
    choose({5});
    for (int i = 1; i < 5; ++i) load("N,t" + std::to_string(i) + "\r\nQ,q,a,1\r\n");
    MessageBoxRecorder boxes;
    load("N,sixth\r\nQ,q,a,1\r\n");
    run_engine(kRunLoadFile, 0, nullptr);
    EXPECT_EQ(0, g_dialogs_shown);
    ASSERT_EQ(2u, boxes.boxes().size());  // refused with a word each time
    EXPECT_EQ("問題を開く", boxes.boxes()[0].caption);
    EXPECT_EQ("B", text(kRunChoiceText, 0));
    EXPECT_EQ("t4", text(kRunChoiceText, 4));
    set_common_dialogs(&old);
}

TEST_F(RunEngine, DailyLogFollowsTheDateOfEachLineAndSetsAnEarlierYearAside) {
    LocalDateFn old = set_local_date_fn(fixed_now);
    g_now = {2026, 2, 2, 3, 23, 59, 0, 0};
    // Last year's file of this day: written on 3 February 2025.
    HANDLE h = CreateFileA(dir.write("zelm0203.csv", "old\r\n").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SYSTEMTIME then = {2025, 2, 1, 3, 12, 0, 0, 0};
    FILETIME local, utc;
    SystemTimeToFileTime(&then, &local);
    LocalFileTimeToFileTime(&local, &utc);
    SetFileTime(h, nullptr, nullptr, &utc);
    CloseHandle(h);
    // A spreadsheet holds it when the day's first line comes: the line waits, and keeps its year.
    HANDLE sheet = CreateFileA((dir.path() + "zelm0203.csv").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    run_engine(kRunLogNaming, 1, nullptr);
    load(kThree);
    choose({0, 0});
    CloseHandle(sheet);
    g_now.wDay = 4;  // past midnight, no set applied again
    g_now.wHour = 0;
    choose({0});
    EXPECT_EQ("old\r\n", dir.read("zelm20250203.csv"));
    EXPECT_EQ("問題1, 設問1, 回答1, 得点1\r\n", dir.read("zelm0203.csv"));
    EXPECT_EQ("問題1, 設問2, 回答1, 得点0\r\n", dir.read("zelm0204.csv"));
    run_engine(kRunLogNaming, 0, nullptr);
    choose({0});
    EXPECT_EQ("問題1, 設問3, 回答1, 得点1\r\n得点合計, , , ,2\r\n", log());
    set_local_date_fn(old);
}

// One row per visit, written when it ends: completed, result left until the idle return, left partway.
TEST_F(RunEngine, VisitLogRowsForTheThreeEndings) {
    LocalDateFn old = set_local_date_fn(fixed_now);
    g_now = {2026, 12, 2, 8, 10, 0, 5, 0};
    set_visit_log(1, "KIOSK1", "春,夏.set");
    load(kThree);
    choose({0, 1, 0, 2});
    g_now.wSecond = 47;
    choose({5});
    choose({0, 0, 0, 0});
    run_engine(kRunIdleReturn, 0, nullptr);
    choose({0, 1});
    run_engine(kRunIdleReturn, 0, nullptr);
    EXPECT_EQ("日付,開始時刻,終了時刻,秒数,キオスク,セットファイル,問題番号,問題タイトル,得点合計,結果,終わり方,"
              "離脱した設問,設問1 回答,設問1 得点,設問2 回答,設問2 得点,設問3 回答,設問3 得点,"
              // the loaded quiz's answer texts, in cells a reader that does not know them passes over
              "回答文の問題=三問,回答文 設問1 回答1=a,回答文 設問1 回答2=b,回答文 設問1 回答3=c,回答文 設問2 回答1=a,"
              "回答文 設問2 回答2=b,回答文 設問3 回答1=a,回答文 設問3 回答2=b,回答文 設問3 回答3=c\r\n"
              "2026-12-08,10:00:05,10:00:47,42,KIOSK1,\"春,夏.set\",1,三問,8,r,完了,,2,5,1,0,3,3\r\n"
              "2026-12-08,10:00:47,10:00:47,0,KIOSK1,\"春,夏.set\",1,三問,2,r,結果のまま放置,,1,1,1,0,1,1\r\n"
              "2026-12-08,10:00:47,10:00:47,0,KIOSK1,\"春,夏.set\",1,三問,,,途中で離脱,2,2,5,,,,\r\n",
              dir.read("visits-2026-12-08-KIOSK1.csv"));
    // Each visitor who saw a result got a code of their own, kept in a file beside it.
    EXPECT_EQ("日付,時刻,キオスク,コード,結果,得点,印刷\r\n2026-12-08,10:00:47,KIOSK1,3577,r,8,\r\n"
              "2026-12-08,10:00:47,KIOSK1,358H,r,2,\r\n",
              dir.read("codes-2026-12-08-KIOSK1.csv"));
    // The answer log beside it is as it always was.
    EXPECT_EQ("問題1, 設問1, 回答2, 得点5\r\n問題1, 設問2, 回答1, 得点0\r\n問題1, 設問3, 回答3, 得点3\r\n得点合計, , , ,8\r\n"
              "問題1, 設問1, 回答1, 得点1\r\n問題1, 設問2, 回答1, 得点0\r\n問題1, 設問3, 回答1, 得点1\r\n得点合計, , , ,2\r\n"
              "一定時間経過のためスタート画面に戻りました\r\n問題1, 設問1, 回答2, 得点5\r\n"
              "一定時間経過のためスタート画面に戻りました\r\n",
              log());
    set_visit_log(1, nullptr, nullptr);
    set_local_date_fn(old);
}

namespace {
CardJob g_job;
bool g_print_ok;
bool record_card(const CardJob &job) {
    g_job = job;
    return g_print_ok;
}
void wait_for_card() {
    for (int i = 0; i < 200 && !result_card_print(); ++i) Sleep(10);
}
}  // namespace

// Automatic cards reach the seam with the result, its QR text and visit code; a card that does
// not print is counted and recorded.
TEST_F(RunEngine, AutomaticCardsAndFailedOnesAreRecorded) {
    LocalDateFn old = set_local_date_fn(fixed_now);
    CardPrintFn old_print = set_card_print_fn(record_card);
    g_now = {2026, 12, 2, 8, 10, 0, 5, 0};
    set_visit_log(1, "K1", "s.set");
    set_card_printing(kCardPrintAuto, "", kPaperRoll58);
    load((std::string("QrDefault,https://e.jp/?c={code}\r\n") + kThree).c_str());
    g_print_ok = true;
    choose({0, 0, 0, 0});
    wait_for_card();
    EXPECT_EQ("r", g_job.result_title);
    EXPECT_EQ("三問", g_job.quiz_title);
    EXPECT_EQ("https://e.jp/?c=" + std::string(result_visit_code()), g_job.qr_text);
    EXPECT_NE(std::string::npos, g_job.footer.find(result_visit_code()));
    EXPECT_EQ(kPaperRoll58, g_job.paper);
    choose({5});
    const long failed = card_print_failures();
    g_print_ok = false;
    choose({0, 0, 0, 0});
    wait_for_card();
    choose({5});
    EXPECT_EQ(failed + 1, card_print_failures());
    const std::string codes = dir.read("codes-2026-12-08-K1.csv");
    EXPECT_NE(std::string::npos, codes.find(",印刷済み\r\n"));
    EXPECT_NE(std::string::npos, codes.find(",印刷できず\r\n"));
    set_card_printing(kCardPrintOff, "", kPaperA4);
    set_card_print_fn(old_print);
    set_visit_log(1, nullptr, nullptr);
    set_local_date_fn(old);
}

namespace {
std::string g_chosen;
BOOL choose_g_chosen(OPENFILENAMEA *ofn) {
    lstrcpynA(ofn->lpstrFile, g_chosen.c_str(), static_cast<int>(ofn->nMaxFile));
    return TRUE;
}
}  // namespace

// A file opened again (問題を開く, a drop) and F5 read the file into its own slot; a set may still
// name one file twice; a file gone meanwhile keeps what its slot held.
TEST_F(RunEngine, OpeningALoadedFileAgainReadsItIntoItsOwnSlot) {
    std::string a = dir.write("a.qst", "N,A1\r\nQ,q,a,1\r\n"), b = dir.write("b.qst", "N,B1\r\nQ,q,a,1\r\n");
    auto titles = [] {
        std::string t;
        for (int i = 0; i < 5; ++i) t += text(kRunChoiceText, i) + "|";
        return t;
    };
    auto open = [](unsigned op, std::string path) {
        char *v = &path[0];
        run_engine(op, 0, &v);
    };
    open(kRunLoadFile, a);
    open(kRunLoadFile, b);
    dir.write("a.qst", "N,A2\r\nQ,q,a,1\r\n");
    std::string upper = a;
    CharUpperA(&upper[0]);  // the same file, spelt otherwise
    open(kRunOpenFile, upper);
    EXPECT_EQ("A2|B1||||", titles());
    dir.write("a.qst", "N,A3\r\nQ,q,a,1\r\n");
    dir.write("b.qst", "N,B2\r\nQ,q,a,1\r\n");
    choose({1, 0});  // on its result: F5 leaves it
    run_engine(kRunReloadAll, 0, nullptr);
    EXPECT_EQ(-1, run_engine(kRunCurrentFile, 0, nullptr));
    EXPECT_EQ("A3|B2||||", titles());
    dir.write("b.qst", "N,B3\r\nQ,q,a,1\r\n");
    g_chosen = b;
    CommonDialogs script = {choose_g_chosen, nullptr, nullptr, nullptr};
    CommonDialogs old = set_common_dialogs(&script);
    run_engine(kRunLoadFile, 0, nullptr);
    set_common_dialogs(&old);
    EXPECT_EQ("A3|B3||||", titles());
    open(kRunLoadFile, a);
    EXPECT_EQ("A3|B3|A3|||", titles());
    DeleteFileA(b.c_str());
    MessageBoxRecorder boxes;
    run_engine(kRunReloadAll, 0, nullptr);
    EXPECT_EQ("A3|B3|A3|||", titles());
    EXPECT_EQ(1u, boxes.boxes().size());
}
