// The result log while other programs have it open: a live viewer, a spreadsheet that locks it,
// half-written lines, and the recovery file at the end of the program.
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>
#include "BrixLib.h"
#include "QuesManager.h"
#include "message_box_recorder.h"
#include "log_spool.h"
#include "result_log.h"
#include "scratch_folder.h"
#include "sound_effect.h"

namespace {
BOOL silent(const char *, HMODULE, DWORD) { return TRUE; }

const char kTwo[] = "N,二問\r\nQ,q1,a,1,b,-5\r\nQ,q2,a,3,b,4\r\nS,r\r\n";

std::string answer_line(int q, int a, int points) {
    return "問題1, 設問" + std::to_string(q) + ", 回答" + std::to_string(a) + ", 得点" + std::to_string(points) + "\r\n";
}

class ResultLog : public ::testing::Test {
protected:
    ScratchFolder dir;
    MessageBoxRecorder boxes;
    void SetUp() override {
        set_log_folder(dir.path().c_str());
        set_recovery_folders(dir.path().c_str(), dir.path().c_str());
        set_visit_log(0, nullptr, nullptr);  // the answer log alone, write by write
        set_play_sound_fn(silent);
        run_engine(kRunStart, 0, nullptr);
        std::string p = dir.write("two.qst", kTwo);
        char *v = &p[0];
        run_engine(kRunLoadFile, 0, &v);
    }
    void TearDown() override {
        run_engine(kRunEnd, 0, nullptr);
        set_file_fault(0, 0);
        set_play_sound_fn(nullptr);
        set_log_folder(nullptr);
        set_recovery_folders(nullptr, nullptr);
        set_visit_log(1, nullptr, nullptr);
    }
    // One whole run: the start choice, two answers, and back from the result. Returns its lines.
    static std::string run(int first, int second) {
        static const int kPoints[2][2] = {{1, -5}, {3, 4}};
        int c[] = {0, first, second, 5};
        for (int x : c) run_engine(kRunChoose, x, nullptr);
        int total = kPoints[0][first] + kPoints[1][second];
        return answer_line(1, first + 1, kPoints[0][first]) + answer_line(2, second + 1, kPoints[1][second]) +
               "得点合計, , , ," + std::to_string(total) + "\r\n";
    }
    std::string log_path() const { return dir.path() + "zelm.csv"; }
    HANDLE hold(DWORD access, DWORD share) const {
        return CreateFileA(log_path().c_str(), access, share, nullptr, OPEN_ALWAYS, 0, nullptr);
    }
    int count(const char *caption) const {
        int n = 0;
        for (const RecordedBox &b : boxes.boxes()) n += b.caption == caption;
        return n;
    }
};

uint64_t file_size(const std::string &path) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d) ? d.nFileSizeLow : ~0ull;
}

std::string read_all(HANDLE h) {
    std::string s(GetFileSize(h, nullptr), '\0');
    DWORD got = 0;
    SetFilePointer(h, 0, nullptr, FILE_BEGIN);
    if (!s.empty()) ReadFile(h, &s[0], static_cast<DWORD>(s.size()), &got, nullptr);
    return s.substr(0, got);
}
}  // namespace

TEST_F(ResultLog, LiveViewerSharingReadAndWriteSeesEveryLineAsItComes) {
    HANDLE viewer = hold(GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
    std::string expected;
    for (int i = 0; i < 4; ++i) {
        expected += run(i & 1, (i >> 1) & 1);
        EXPECT_EQ(read_all(viewer), expected);
    }
    CloseHandle(viewer);
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(result_log_waiting(), 0u);
}

TEST_F(ResultLog, LockedLogKeepsLinesInOrderAndWritesThemFirstWhenFree) {
    std::string before = run(0, 0);
    HANDLE sheet = hold(GENERIC_READ | GENERIC_WRITE, 0);
    ASSERT_NE(sheet, INVALID_HANDLE_VALUE);
    std::string refused = run(1, 1);
    CloseHandle(sheet);
    // No box stood in front of the visitor: the lines wait and the run went on to its result.
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(result_log_waiting(), 3u);
    EXPECT_EQ(run_engine(kRunTotal, 0, nullptr), -1);
    EXPECT_EQ(dir.read("zelm.csv"), before);

    std::string after = run(0, 1);
    EXPECT_EQ(dir.read("zelm.csv"), before + refused + after);
    EXPECT_EQ(result_log_waiting(), 0u);
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(ResultLog, HalfWrittenLineIsCutOffAndWrittenWholeLater) {
    std::string first = run(0, 0);
    set_file_fault(3, 0);  // the total line of the next run: half of it reaches the disk
    std::string second = run(1, 0);
    set_file_fault(0, 0);
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(dir.read("zelm.csv"), first + answer_line(1, 2, -5) + answer_line(2, 1, 3));
    EXPECT_EQ(result_log_waiting(), 1u);
    std::string third = run(1, 1);
    EXPECT_EQ(dir.read("zelm.csv"), first + second + third);
}

// Leaves non-zero bytes where the next calls' buffers will lie.
__attribute__((noinline)) void dirty_stack() {
    volatile char junk[32768];
    for (volatile char &c : junk) c = 'X';
}

TEST_F(ResultLog, LinesStillLockedAtTheEndGoIntoTheRecoveryFile) {
    std::string before = run(0, 0);
    HANDLE sheet = hold(GENERIC_READ, 0);
    std::string refused = run(1, 0);
    dirty_stack();
    run_engine(kRunEnd, 0, nullptr);
    CloseHandle(sheet);
    EXPECT_EQ(dir.read("zelm.csv"), before);
    EXPECT_EQ(dir.read(kRecoveryName), refused);
    EXPECT_EQ(result_log_waiting(), 0u);
    ASSERT_EQ(count("結果ログの退避"), 1);
    const RecordedBox &b = boxes.boxes().back();
    EXPECT_NE(b.text.find(dir.path() + "zelm_recovered.csv"), std::string::npos);
    EXPECT_NE(b.text.find("3 行"), std::string::npos);

    // A later program run writes its lines to the log as usual.
    SetUp();
    std::string later = run(1, 1);
    EXPECT_EQ(dir.read("zelm.csv"), before + later);
    EXPECT_EQ(dir.read(kRecoveryName), refused);
}

TEST_F(ResultLog, RecoveryFileLockedTooIsReportedAsLost) {
    HANDLE sheet = hold(GENERIC_READ, 0);
    HANDLE other = CreateFileA((dir.path() + kRecoveryName).c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    run(0, 0);
    run_engine(kRunEnd, 0, nullptr);
    CloseHandle(other);
    CloseHandle(sheet);
    ASSERT_EQ(count("結果ログの退避"), 1);
    EXPECT_EQ(boxes.boxes().back().type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(dir.read(kRecoveryName), "");
    EXPECT_EQ(result_log_waiting(), 0u);
}

// A fault writes from the copy kept beside the waiting lines (the heap may be spoilt by then):
// the lines written meanwhile have left it, the ones still waiting reach the recovery file.
TEST_F(ResultLog, AFaultRescuesFromTheCopyKeptInStepWithTheWaitingLines) {
    HANDLE sheet = hold(GENERIC_READ, 0);
    std::string first = run(1, 0);
    CloseHandle(sheet);
    std::string second = run(0, 0);  // writes the waiting lines first
    sheet = hold(GENERIC_READ, 0);
    std::string refused = run(1, 1);
    dirty_stack();
    result_log_rescue_on_crash();
    CloseHandle(sheet);
    EXPECT_EQ(dir.read("zelm.csv"), first + second);
    EXPECT_EQ(dir.read(kRecoveryName), refused);
    EXPECT_TRUE(boxes.boxes().empty());
    result_log_rescue();  // the list itself, which a crashed player never gets back to
}

// Many runs while a spreadsheet opens and closes the log and the disk now and then cuts a line:
// in the end the log holds every line once, in order, and nothing else.
TEST_F(ResultLog, ManyRunsUnderChangingLocksLoseAndRepeatNothing) {
    std::string expected;
    HANDLE sheet = INVALID_HANDLE_VALUE;
    for (int i = 0; i < 60; ++i) {
        if (i % 7 == 3) sheet = hold(GENERIC_READ, 0);
        if (i % 7 == 5 && sheet != INVALID_HANDLE_VALUE) {
            CloseHandle(sheet);
            sheet = INVALID_HANDLE_VALUE;
        }
        set_file_fault(i % 11 == 0 ? 1 + i % 3 : 0, 0);
        expected += run(i % 2, (i / 2) % 2);
    }
    set_file_fault(0, 0);
    if (sheet != INVALID_HANDLE_VALUE) CloseHandle(sheet);
    expected += run(0, 0);
    EXPECT_EQ(dir.read("zelm.csv"), expected);
    EXPECT_EQ(result_log_waiting(), 0u);
    EXPECT_TRUE(boxes.boxes().empty());  // visitors never saw a box
}

// Test mode: every way a line reaches a file (answers, totals, the idle line, a daily log, the
// visit log, the waiting lines, the rescues at the end and after a fault) leaves the folder as it was.
TEST_F(ResultLog, SuppressedWritesLeaveNoFileOnAnyPath) {
    suppress_log_writes(true);
    set_visit_log(1, "K1", "");
    auto files = [this] {
        std::vector<std::string> names;
        WIN32_FIND_DATAA d;
        HANDLE h = FindFirstFileA((dir.path() + "*").c_str(), &d);
        if (h == INVALID_HANDLE_VALUE) return names;
        do if (!(d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(d.cFileName);
        while (FindNextFileA(h, &d));
        FindClose(h);
        return names;
    };
    run(0, 1);
    run_engine(kRunLogNaming, 1, nullptr);
    run_engine(kRunChoose, 0, nullptr);
    run_engine(kRunChoose, 1, nullptr);
    run_engine(kRunIdleReturn, 0, nullptr);
    result_log_append((dir.path() + "zelm.csv").c_str(), "x\r\n");
    EXPECT_EQ(result_log_waiting(), 0u);
    result_log_rescue_on_crash();
    result_log_rescue();
    result_log_finish(nullptr);
    run_engine(kRunEnd, 0, nullptr);
    suppress_log_writes(false);
    EXPECT_EQ(files(), std::vector<std::string>{"two.qst"});
    EXPECT_TRUE(boxes.boxes().empty());
}

void december_eighth(SYSTEMTIME *t) { *t = {2026, 12, 2, 8, 9, 30, 0, 0}; }
DWORD g_ticks;
DWORD WINAPI fake_ticks() { return g_ticks; }

// A log folder on a share that goes away: both logs' lines wait without a word, go in once it is
// back, and what still waits at the end is rescued to the program folder.
TEST_F(ResultLog, UnreachableLogFolderKeepsLinesWaitingThenWritesOrRescuesThem) {
    ScratchFolder share, program;
    const std::string folder = share.path().substr(0, share.path().size() - 1), away = folder + "_away";
    LocalDateFn old = set_local_date_fn(december_eighth);
    set_visit_log(1, "K1", "");
    set_recovery_folders(program.path().c_str(), program.path().c_str());
    set_set_log_folder(share.path().c_str());
    run_engine(kRunLogNaming, 0, nullptr);
    const char kVisits[] = "visits-2026-12-08-K1.csv";
    set_result_log_ticks(fake_ticks);

    ASSERT_TRUE(MoveFileA(folder.c_str(), away.c_str()));
    std::string first = run(0, 0);
    EXPECT_EQ(result_log_waiting(), 5u);  // three answer-log lines, the visit's row and its code
    EXPECT_TRUE(boxes.boxes().empty());
    ASSERT_TRUE(MoveFileA(away.c_str(), folder.c_str()));
    EXPECT_EQ(result_log_retry(), 0);  // a folder that went away is not asked again at once
    g_ticks += 30000;
    EXPECT_EQ(result_log_retry(), 1);
    EXPECT_EQ(share.read("zelm.csv"), first);
    const std::string visits = share.read(kVisits);
    EXPECT_EQ(std::count(visits.begin(), visits.end(), '\n'), 2);  // header and row

    ASSERT_TRUE(MoveFileA(folder.c_str(), away.c_str()));
    std::string second = run(1, 1);
    run_engine(kRunEnd, 0, nullptr);
    ASSERT_TRUE(MoveFileA(away.c_str(), folder.c_str()));
    EXPECT_EQ(result_log_waiting(), 0u);
    EXPECT_EQ(share.read("zelm.csv"), first);
    // Each log its own recovery file, and the box names them all.
    EXPECT_EQ(program.read(kRecoveryName), second);
    const std::string rows = program.read("visits-2026-12-08-K1_recovered.csv");
    EXPECT_EQ(rows.substr(0, 34), "2026-12-08,09:30:00,09:30:00,0,K1,");
    EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 1);  // the row, without the header
    ASSERT_EQ(count("結果ログの退避"), 1);
    for (const char *name : {"zelm.csv", kRecoveryName, kVisits, "visits-2026-12-08-K1_recovered.csv"})
        EXPECT_NE(boxes.boxes().back().text.find(name), std::string::npos) << name;
    set_set_log_folder(nullptr);
    set_local_date_fn(old);
    set_result_log_ticks(nullptr);
}

// The copy a fault writes from follows every change of the waiting list: once one log's lines
// drain, the other log's lines that did not fit before take their place.
TEST_F(ResultLog, AFaultAfterAPartialDrainRescuesTheLinesThatStillWait) {
    const std::string a = dir.path() + "a.csv", b = dir.path() + "b.csv", pad(990, 'x');
    HANDLE hb = CreateFileA(b.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    HANDLE ha = CreateFileA(a.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    std::string expected;
    for (int i = 0; i < 200; ++i) result_log_append(b.c_str(), (pad + "\r\n").c_str());
    for (int i = 0; i < 100; ++i) {
        expected += std::to_string(i) + pad + "\r\n";
        result_log_append(a.c_str(), (std::to_string(i) + pad + "\r\n").c_str());
    }
    CloseHandle(hb);
    EXPECT_EQ(result_log_retry(), 0);
    EXPECT_EQ(result_log_waiting(), 100u);
    result_log_rescue_on_crash();
    CloseHandle(ha);
    EXPECT_EQ(dir.read("a_recovered.csv"), expected);
    result_log_rescue();
}

// A player that dies (a fault, a kill, a power cut) leaves its lines in the spool; the next start
// writes each to its own log, in order, once, and the spool is empty again.
TEST_F(ResultLog, SpooledLinesReachTheirLogsInOrderOnceAfterThePlayerDies) {
    LocalDateFn old = set_local_date_fn(december_eighth);
    set_spool_file((dir.path() + "spool.dat").c_str());
    set_visit_log(1, "K1", "");
    ASSERT_EQ(result_log_open_spool(), 1);
    std::string before = run(0, 0);
    HANDLE sheet = hold(GENERIC_READ, 0);
    std::string refused = run(1, 1);
    refused += run(0, 1);
    EXPECT_EQ(result_log_waiting(), 6u);
    result_log_rescue_on_crash();
    CloseHandle(sheet);
    EXPECT_EQ(dir.read(kRecoveryName), "<none>");  // the spool holds them: nothing to rescue
    for (int start = 0; start < 2; ++start) {  // a second start finds nothing more to write
        ASSERT_EQ(result_log_open_spool(), 1);
        EXPECT_EQ(result_log_waiting(), 0u);
        EXPECT_EQ(dir.read("zelm.csv"), before + refused);
        EXPECT_EQ(file_size(dir.path() + "spool.dat"), 0u);
    }
    const std::string visits = dir.read("visits-2026-12-08-K1.csv");
    EXPECT_EQ(std::count(visits.begin(), visits.end(), '\n'), 4);  // header and three rows
    spool_close();
    set_spool_file(nullptr);
    set_local_date_fn(old);
}

// What a power cut may leave: a write that began and may have landed with its end unrecorded, a
// record cut short, zeros where the file's tail was, answers still held back. Every whole line
// goes in once, in order.
TEST_F(ResultLog, SpoolLeftByAPowerCutWritesEachWholeLineOnce) {
    const std::string a = answer_line(1, 1, 1), b = "得点合計, , , ,1\r\n";
    auto rec = [this](uint64_t seq, int64_t offset, const std::string &text) {
        SpoolLine l;
        l.seq = seq;
        l.offset = offset;
        l.path = log_path();
        l.text = text;
        return spool_line_record(l);
    };
    // held: the answers a visitor could still take back, in the file beside the spool.
    const struct { std::string log, spool, after, held; } kCases[] = {
        {"", rec(1, -1, a) + rec(2, -1, b), a + b, ""},                       // no write began
        {"x\r\n" + a, rec(1, 3, a) + rec(2, -1, b), "x\r\n" + a + b, ""},     // a landed
        {"x\r\n", rec(1, 3, a) + rec(2, -1, b), "x\r\n" + a + b, ""},         // a began, did not land
        {a, rec(1, 0, a) + spool_done_record(1) + rec(2, -1, b), a + b, ""},  // a was done
        {"", rec(1, -1, a) + rec(2, -1, b).substr(0, 30), a, ""},             // b cut short
        {"", rec(1, -1, a) + rec(2, -1, b).substr(0, 30) + "\n" + rec(3, -1, b), a + b, ""},  // cut, then more
        {"", rec(1, -1, a) + std::string(64, '\0'), a, ""},                 // zeros in the tail
        {"", "L 1 -1 0 0 99999999 5 0\nabc\n", "", ""},                     // hostile lengths
        {"", rec(1, -1, a), a + b, rec(1, -1, b)},                          // held after a spooled line
        {"", "", a, rec(1, -1, a) + rec(2, -1, b) + spool_done_record(2)},  // b taken back
        {"", "", a, rec(1, -1, a) + rec(2, -1, b).substr(0, 30)},           // b cut short
    };
    for (const auto &c : kCases) {
        dir.write("zelm.csv", c.log);
        dir.write("spool.dat", c.spool);
        if (!c.held.empty()) dir.write("spool-held.dat", c.held);
        set_spool_file((dir.path() + "spool.dat").c_str());
        EXPECT_EQ(result_log_open_spool(), 1);
        EXPECT_EQ(dir.read("zelm.csv"), c.after) << c.spool << c.held;
        EXPECT_EQ(file_size(dir.path() + "spool.dat"), 0u);
        EXPECT_EQ(dir.read("spool-held.dat"), "<none>");
        spool_close();
    }
    // What the run holds and takes back reads the same way; a visit that reached its total lets go.
    dir.write("zelm.csv", "");
    set_spool_file((dir.path() + "spool.dat").c_str());
    ASSERT_EQ(result_log_open_spool(), 1);
    EXPECT_NE(result_log_hold(log_path().c_str(), a.c_str(), 0), 0u);
    result_log_unhold(result_log_hold(log_path().c_str(), b.c_str(), 0));
    EXPECT_EQ(dir.read("zelm.csv"), "");
    for (int start = 0; start < 2; ++start) {  // the player died; the second start finds nothing more
        ASSERT_EQ(result_log_open_spool(), 1);
        EXPECT_EQ(dir.read("zelm.csv"), a);
    }
    result_log_hold(log_path().c_str(), b.c_str(), 0);
    result_log_release_held();
    ASSERT_EQ(result_log_open_spool(), 1);
    EXPECT_EQ(dir.read("zelm.csv"), a);
    spool_close();
    // A second player on this PC holds a spool of its own; what one that died left in its slot
    // goes in at the next start, once.
    dir.write("zelm.csv", "");
    HANDLE first = CreateFileA((dir.path() + "spool.dat").c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               OPEN_ALWAYS, 0, nullptr);
    ASSERT_EQ(result_log_open_spool(), 1);
    EXPECT_EQ(std::string(spool_file()), dir.path() + "spool-2.dat");
    result_log_hold(log_path().c_str(), b.c_str(), 0);
    result_log_append(log_path().c_str(), a.c_str());
    spool_close();  // it dies with b held
    dir.write("spool-2.dat", rec(1, -1, a) + rec(2, -1, b));  // and with these not delivered
    CloseHandle(first);
    ASSERT_EQ(result_log_open_spool(), 1);
    EXPECT_EQ(dir.read("zelm.csv"), a + a + b + b);
    EXPECT_EQ(dir.read("spool-2.dat"), "<none>");
    EXPECT_EQ(dir.read("spool-2-held.dat"), "<none>");
    spool_close();
    set_spool_file(nullptr);
}

// Cut anywhere (the power going mid-write), the file reads as the lines before the cut.
TEST(Spool, EveryCutOfTheFileReadsAsAPrefixOfItsLines) {
    std::vector<SpoolLine> lines(3);
    std::string bytes;
    for (int i = 0; i < 3; ++i) {
        lines[i].seq = i + 1;
        lines[i].path = "C:\\log\\zelm.csv";
        lines[i].text = answer_line(1, i + 1, i);
        bytes += spool_line_record(lines[i]) + spool_intent_record(i + 1, 10 * i);
    }
    for (size_t cut = 0; cut <= bytes.size(); ++cut) {
        std::vector<SpoolLine> got = spool_parse(bytes.substr(0, cut), nullptr);
        ASSERT_LE(got.size(), 3u);
        for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].text, lines[i].text) << cut;
        if (cut == bytes.size()) {
            EXPECT_EQ(got.size(), 3u);
        }
    }
}
