// Unattended running of the player: visitors chosen at random over a set of five question files,
// idle returns and set re-applies mixed in, through the main window's messages and timer ticks.
// The log must hold exactly the lines the runs wrote, and GDI objects, handles and private bytes
// must stay flat after warm-up. ZEL_SOAK_RUNS and ZEL_SOAK_SEED make the long run.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>
#include "SetManager.h"
#include "bench_support.h"
#include "player_harness.h"

namespace {

// The points of answer a of question q in file f; files differ in length and answer count.
int answers_in(int f, int q) { return 2 + (f + q) % 4; }
int points(int f, int q, int a) { return (f * 7 + q * 3 + a * 5) % 11 - 3; }
int questions_in(int f) { return 2 + f; }

std::string quiz(int f) {
    std::string t = "N,ファイル" + std::to_string(f + 1) + "\r\nH,ヘッダー\r\nF,フッター\r\n";
    for (int q = 0; q < questions_in(f); ++q) {
        t += "Q,問" + std::to_string(q + 1) + "~_#$二行目";
        for (int a = 0; a < answers_in(f, q); ++a) t += ",答" + std::to_string(a + 1) + "," + std::to_string(points(f, q, a));
        t += "\r\n";
    }
    for (int r = 0; r < 3 + f % 3; ++r) t += "S,結果" + std::to_string(r + 1) + ",説明\r\n";
    return t;
}

struct Random {
    unsigned state;
    unsigned next() { return state = state * 1103515245u + 12345u, (state >> 16) & 0x7fff; }
    int below(int n) { return static_cast<int>(next() % static_cast<unsigned>(n)); }
};

unsigned env_number(const char *name, unsigned fallback) {
    const char *v = getenv(name);
    return v && *v ? static_cast<unsigned>(strtoul(v, nullptr, 10)) : fallback;
}

struct Tally {
    long runs = 0, finished = 0, idle_returns = 0, answers = 0, reapplies = 0, ticks = 0;
};

class Soak {
public:
    Soak(const bench::Folder &dir, const bench::PlayerWindow &player, const std::string &set, unsigned seed)
        : dir_(dir), p_(player), set_(set), rnd_{seed} {}

    // One visitor from the start screen: finishes and goes back, or walks away and is returned.
    void visitor() {
        ++t.runs;
        int f = rnd_.below(5);
        p_.mouse_move(3, 3);
        ASSERT_TRUE(p_.click(f)) << "run " << t.runs;
        p_.paint();
        ASSERT_EQ(f, run_engine(kRunCurrentFile, 0, nullptr));
        bool walk_away = rnd_.below(10) == 0;
        int stop_after = 1 + rnd_.below(questions_in(f));  // answers given before walking away
        int total = 0;
        for (int q = 0; q < questions_in(f); ++q) {
            if (walk_away && q == stop_after) break;
            idle_ticks(rnd_.below(6));  // a visitor who thinks: fewer ticks than the idle time
            int a = rnd_.below(answers_in(f, q));
            ASSERT_TRUE(p_.click(a)) << "run " << t.runs << " question " << q;
            p_.paint();
            expect_ += "問題" + std::to_string(f + 1) + ", 設問" + std::to_string(q + 1) + ", 回答" + std::to_string(a + 1) +
                       ", 得点" + std::to_string(points(f, q, a)) + "\r\n";
            total += points(f, q, a);
            ++t.answers;
        }
        if (run_engine(kRunComment, 0, nullptr) == -1) {  // on the result screen
            expect_ += "得点合計, , , ," + std::to_string(total) + "\r\n";
            ++t.finished;
            if (walk_away) {
                idle_ticks(11);  // the idle return leaves a result screen too
                ++t.idle_returns;
                expect_ += "一定時間経過のためスタート画面に戻りました\r\n";
            } else {
                ASSERT_TRUE(p_.click(kBackSlot));
            }
        } else {
            idle_ticks(11);  // one minute: more than ten ticks since the last click
            ++t.idle_returns;
            expect_ += "一定時間経過のためスタート画面に戻りました\r\n";
        }
        p_.paint();
        ASSERT_EQ(-1, run_engine(kRunCurrentFile, 0, nullptr)) << "run " << t.runs;
        if (rnd_.below(200) == 0) reapply();
    }

    void reapply() {
        ++t.reapplies;
        if (rnd_.below(2)) {
            ASSERT_EQ(1, open_start_file(p_.window(), set_.c_str()));
        } else {
            SetRecord *record = nullptr;
            set_manager(kSetCurrent, 0, &record);
            ASSERT_NE(nullptr, record);
            apply_set(p_.window(), record);
        }
    }

    // The driver's own memory must not grow either: what it expects is held only until the log
    // has been compared, in buffers reserved before the warm-up.
    void reserve(size_t runs) {
        expect_.reserve(runs * kBytesPerRun);
        read_.reserve(runs * kBytesPerRun);
    }
    // Compares the log written since the last check with what the runs should have written.
    bool check_log() {
        HANDLE h = CreateFileA((dir_.path() + "zelm.csv").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return expect_.empty();
        LARGE_INTEGER size{}, at{};
        GetFileSizeEx(h, &size);
        at.QuadPart = static_cast<LONGLONG>(checked_);
        SetFilePointerEx(h, at, nullptr, FILE_BEGIN);
        read_.resize(static_cast<size_t>(size.QuadPart) - checked_);
        DWORD got = 0;
        if (!read_.empty()) ReadFile(h, &read_[0], static_cast<DWORD>(read_.size()), &got, nullptr);
        CloseHandle(h);
        bool same = got == read_.size() && read_ == expect_;
        checked_ += read_.size();
        expect_.clear();
        return same;
    }
    size_t log_bytes() const { return checked_; }
    Tally t;

private:
    void idle_ticks(int n) {
        for (int i = 0; i < n; ++i) idle_timer_proc(p_.window(), WM_TIMER, 1, 0);
        t.ticks += n;
    }
    const bench::Folder &dir_;
    const bench::PlayerWindow &p_;
    std::string set_;
    Random rnd_;
    enum { kBytesPerRun = 512 };  // a run writes at most eight lines of under 64 bytes
    std::string expect_, read_;
    size_t checked_ = 0;
};

size_t count_lines(const std::string &s) {
    size_t n = 0;
    for (size_t at = s.find("\r\n"); at != std::string::npos; at = s.find("\r\n", at + 2)) ++n;
    return n;
}

void print(const char *when, const bench::Counters &c) {
    printf("[soak] %-28s private %8.1f MB  GDI %4lu%s  handles %4lu%s\n", when, c.private_bytes / 1048576.0, c.gdi,
           c.gdi_probed ? " (probed)" : "", c.handles, c.handles_probed ? " (probed)" : "");
}

}  // namespace

TEST(Soak, VisitorsIdleReturnsAndReappliesKeepTheLogExactAndTheCountersFlat) {
    unsigned runs = env_number("ZEL_SOAK_RUNS", 1000), seed = env_number("ZEL_SOAK_SEED", 20240611u);
    bench::Folder dir;
    // The idle return comes straight after its minute (no 「続けますか？」): the ticks stay countable.
    std::string set = "T,終日運転\r\nOFFTIMER,1\r\nASKSEC,0\r\n";
    for (int f = 0; f < 5; ++f) set += "Q," + dir.write("q" + std::to_string(f) + ".qst", quiz(f)) + "\r\n";
    std::string set_path = dir.write("soak.set", set);
    bench::PlayerWindow player(dir.path().c_str());
    ASSERT_NE(nullptr, player.window());
    player.set_client_size(800, 600);
    ASSERT_EQ(1, open_start_file(player.window(), set_path.c_str()));
    Soak soak(dir, player, set_path, seed);

    unsigned warm = runs / 10 < 100 ? 100 : runs / 10;
    unsigned sample = runs / 10 ? runs / 10 : 1;
    soak.reserve(warm > sample ? warm : sample);
    double start = bench::now_us();
    for (unsigned i = 0; i < warm && !HasFatalFailure(); ++i) soak.visitor();
    EXPECT_TRUE(soak.check_log()) << "the log differs from what the warm-up wrote";
    bench::counters();  // the first count grows the heap itself (about 1.5 MB under Wine): not the player's
    bench::Counters after_warm = bench::counters(), peak = after_warm;
    for (unsigned i = 0; i < runs && !HasFatalFailure(); ++i) {
        soak.visitor();
        if ((i + 1) % sample == 0) {
            EXPECT_TRUE(soak.check_log()) << "the log differs from what runs up to " << i + 1 << " wrote";
            bench::Counters c = bench::counters();
            EXPECT_EQ(after_warm.gdi, c.gdi) << "after run " << i + 1;
            EXPECT_EQ(after_warm.handles, c.handles) << "after run " << i + 1;
            if (c.private_bytes > peak.private_bytes) peak = c;
        }
    }
    ASSERT_FALSE(HasFatalFailure());
    bench::Counters end = bench::counters();
    double seconds = (bench::now_us() - start) / 1e6;
    print("after warm-up", after_warm);
    print("at the end", end);
    printf("[soak] seed %u, %u runs after %u warm-up: %ld finished, %ld idle returns, %ld answers, %ld re-applies, "
           "%ld ticks, %zu log bytes, %.1f s, %u message boxes\n",
           seed, runs, warm, soak.t.finished, soak.t.idle_returns, soak.t.answers, soak.t.reapplies, soak.t.ticks,
           soak.log_bytes(), seconds, static_cast<unsigned>(bench::silenced_boxes()));
    EXPECT_EQ(after_warm.gdi, end.gdi);
    EXPECT_EQ(after_warm.handles, end.handles);
    // The heap may settle by a page or two; a leak of one record per run would show as far more.
    EXPECT_LT(static_cast<double>(peak.private_bytes), after_warm.private_bytes + 1024.0 * 1024);
    EXPECT_EQ(0, bench::silenced_boxes());
    EXPECT_TRUE(soak.check_log()) << "the log differs from what the last runs wrote";
    // Every line counted: one per answer, one total per finished run, one per idle return.
    EXPECT_EQ(static_cast<size_t>(soak.t.answers + soak.t.finished + soak.t.idle_returns), count_lines(dir.read("zelm.csv")));
}
