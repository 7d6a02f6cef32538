// The 配布フォルダー: when a new set goes into effect, which names stay inside the folder, what a
// look takes and what it refuses, and which set a restarted player opens.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "BrixLib.h"
#include "file_bundle.h"
#include "scratch_folder.h"
#include "set_distribution.h"

namespace {

// The update's apply-only-when-idle rule, row by row.
TEST(SetDistribution, AppliesOnlyOnAQuietStartScreen) {
    struct Row {
        bool ready, start, busy, asking, test;
        DWORD quiet;
        bool now;
    } rows[] = {
        {true, true, false, false, false, kDistQuietMillis, true},
        {true, true, false, false, false, 60000, true},
        {false, true, false, false, false, 60000, false},                // nothing verified
        {true, false, false, false, false, 60000, false},                // a visit: question or result screen
        {true, true, true, false, false, 60000, false},                  // a box, a dialog, the PIN pad, a tap
        {true, true, false, true, false, 60000, false},                  // 「続けますか？」
        {true, true, false, false, true, 60000, false},                  // 試す
        {true, true, false, false, false, kDistQuietMillis - 1, false},  // a visitor just came back or tapped
    };
    for (const Row &r : rows) {
        const DistScreen screen = {r.start, r.busy, r.asking, r.test, r.quiet};
        EXPECT_EQ(r.now, dist_applies_now(r.ready, screen))
            << r.ready << r.start << r.busy << r.asking << r.test << " " << r.quiet;
    }
}

TEST(SetDistribution, NamesStayInsideTheFolder) {
    struct Row {
        const char *value, *naming_dir;
        bool inside;
        const char *name;
    } rows[] = {
        {"q.qst", "", true, "q.qst"},
        {"img\\a.png", "quiz\\", true, "quiz\\img\\a.png"},
        {".\\img/a.png", "", true, "img\\a.png"},
        {"img\\ソ.png", "", true, "img\\ソ.png"},  // 0x5C inside the character is no separator
        {"..\\a.png", "quiz\\", false, ""},
        {"img\\..\\..\\a.png", "", false, ""},
        {"表\\..\\..\\a.png", "", false, ""},
        {"...\\a.png", "", false, ""},
        {"C:\\event\\a.png", "", false, ""},
        {"C:a.png", "", false, ""},
        {"\\a.png", "", false, ""},
        {"\\\\server\\share\\a.png", "", false, ""},
        {"a.png:hidden", "", false, ""},
        {"img\\", "", false, ""},
        {"", "", false, ""},
    };
    for (const Row &r : rows) {
        std::string name;
        EXPECT_EQ(r.inside, dist_name_inside(r.value, r.naming_dir, &name)) << r.value;
        if (r.inside) {
            EXPECT_EQ(r.name, name) << r.value;
        }
    }
}

// Two players on one PC under one Windows user keep their copies and records apart.
TEST(SetDistribution, EachKioskHasAFolderOfItsOwn) {
    const char *rows[][2] = {
        {"入口", "入口"},    {"出口", "出口"},     {"CON", "_CON"},  {"nul.x", "_nul.x"}, {"Com1", "_Com1"},
        {"LPT9.a", "_LPT9.a"}, {"COM", "COM"},     {"CONSOLE", "CONSOLE"}, {"", "KIOSK"},   {"a\\b", "KIOSK"},
    };
    for (const auto &r : rows) EXPECT_EQ(r[1], dist_kiosk_folder(r[0])) << r[0];
}

const char kQuestion[] = "N,問\r\nQ,text,a,1,b,0,,0,,0,,0,img\\p.png,0,0,0\r\nS,結果,コメント\r\n";

class Distribution : public ::testing::Test {
protected:
    void SetUp() override {
        share = dir.path() + "share\\";
        local = dir.path() + "local\\";
        CreateDirectoryA(share.c_str(), nullptr);
        CreateDirectoryA(local.c_str(), nullptr);
    }
    void TearDown() override {
        remove_tree(share);
        remove_tree(local);
    }
    void put(const std::string &name, const std::string &bytes) {
        if (name.find('\\') != std::string::npos) CreateDirectoryA((share + name.substr(0, name.rfind('\\'))).c_str(), nullptr);
        dir.write("share\\" + name, bytes);
    }
    void put_good_set() {
        put("event.set", "T,t\r\nQ,q.qst\r\nSndSt,snd\\s.wav\r\nDISTDIR,\\\\server\\dist\r\n");
        put("q.qst", kQuestion);
        put("img\\p.png", "PNG");
        put("snd\\s.wav", "WAV");
    }
    DistLook look() { return look_at_distribution(share, "event.set", local, &memory); }
    // The local folder's copies ("set-..."), temporaries included.
    std::vector<std::string> copies() {
        std::vector<std::string> names;
        WIN32_FIND_DATAA d;
        HANDLE h = FindFirstFileA((local + "*").c_str(), &d);
        if (h == INVALID_HANDLE_VALUE) return names;
        do
            if (d.cFileName[0] != '.') names.push_back(d.cFileName);
        while (FindNextFileA(h, &d));
        FindClose(h);
        return names;
    }
    ScratchFolder dir;
    std::string share, local;
    DistMemory memory;
};

// A change is taken once two looks saw it the same; the copy is whole and the player's own.
TEST_F(Distribution, AChangeIsTakenOnceSettledAndVerified) {
    put_good_set();
    EXPECT_EQ(kDistSettling, look().outcome);
    DistLook ready = look();
    ASSERT_EQ(kDistReady, ready.outcome) << ready.problem;
    EXPECT_EQ(local + "set-" + memory.hash + "\\event.set", ready.ready_set);
    EXPECT_NE(std::string::npos, ready.version.find("#" + memory.hash.substr(0, 8)));
    for (const char *f : {"event.set", "q.qst", "img\\p.png", "snd\\s.wav"})
        EXPECT_EQ(ScratchFolder::bytes_of(share + f), ScratchFolder::bytes_of(local + "set-" + memory.hash + "\\" + f)) << f;
    EXPECT_EQ(kDistUnchanged, look().outcome);
    memory.in_effect = memory.hash;
    const std::string first = memory.hash;

    // A set still being written: each look sees another size, and only the finished one is taken.
    put("event.set", "T,t\r\n");
    EXPECT_EQ(kDistProblem, look().outcome);  // no question file yet: refused, said so
    put("event.set", "T,t2\r\nQ,q.qst\r\n");
    EXPECT_EQ(kDistSettling, look().outcome);
    put("event.set", "T,t2\r\nQ,q.qst\r\nSndSt,snd\\s.wav\r\n");
    EXPECT_EQ(kDistSettling, look().outcome);
    ready = look();
    ASSERT_EQ(kDistReady, ready.outcome) << ready.problem;
    EXPECT_NE(first, memory.hash);
    EXPECT_EQ(kDistUnchanged, look().outcome);
    // The copy in effect and the newest stay; nothing half made is left.
    EXPECT_EQ((std::vector<std::string>{"set-" + first, "set-" + memory.hash}).size(), copies().size());

    // Written again with the same bytes: looked at, copied, and found the same.
    const std::string second = memory.hash;
    HANDLE h = CreateFileA((share + "q.qst").c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME later = {0x12345678, 0x01e00000};
    SetFileTime(h, nullptr, nullptr, &later);
    CloseHandle(h);
    EXPECT_EQ(kDistSettling, look().outcome);
    EXPECT_EQ(kDistUnchanged, look().outcome);
    EXPECT_EQ(second, memory.hash);
    memory.in_effect = second;
    look();
    EXPECT_EQ(std::vector<std::string>{"set-" + second}, copies());

    // A third version verified, then the share goes back to the one in effect before the third was
    // applied: that one is ready again, its folder kept as it is (the player runs from it).
    const std::string second_set = ScratchFolder::bytes_of(share + "event.set");
    put("event.set", "T,t3\r\nQ,q.qst\r\n");
    look();
    ASSERT_EQ(kDistReady, look().outcome);
    put("event.set", second_set);
    look();
    ready = look();
    ASSERT_EQ(kDistReady, ready.outcome) << ready.problem;
    EXPECT_EQ(local + "set-" + second + "\\event.set", ready.ready_set);
    EXPECT_EQ(2u, copies().size());
}

// Whatever the folder holds, a bad set is never taken, the reason is given, nothing is left behind.
TEST_F(Distribution, BadFoldersAndSetsAreRefusedWithTheReason) {
    struct Row {
        const char *what;
        std::vector<std::pair<std::string, std::string>> files;
        const char *problem;
    } rows[] = {
        {"empty", {}, "セット（*.set）がありません"},
        {"two other sets", {{"a.set", "Q,q.qst\r\n"}, {"b.set", "Q,q.qst\r\n"}}, "複数"},
        {"absolute name", {{"event.set", "Q,C:\\elsewhere\\q.qst\r\n"}}, "外のファイル「C:\\elsewhere\\q.qst」"},
        {"up a folder", {{"event.set", "Q,..\\q.qst\r\n"}}, "外のファイル"},
        {"picture outside", {{"event.set", "Q,q.qst\r\n"}, {"q.qst", "N,n\r\nQ,t,a,1,,0,,0,,0,,0,..\\p.png,0,0,0\r\nS,r,c\r\n"}}, "外のファイル「..\\p.png」"},
        {"cut set", {{"event.set", "T,t\r\nQ,q.q"}, {"q.qst", kQuestion}}, "途中で切れています"},
        {"zeros reserved", {{"event.set", std::string("T,t\r\nQ,q.qst\r\n") + std::string(64, '\0')}, {"q.qst", kQuestion}}, "途中で切れています"},
        {"question file missing", {{"event.set", "Q,q.qst\r\n"}}, "「q.qst」を読めません"},
        {"picture missing", {{"event.set", "Q,q.qst\r\n"}, {"q.qst", kQuestion}}, "「img\\p.png」がありません"},
        {"no question rows", {{"event.set", "Q,q.qst\r\n"}, {"q.qst", "N,n\r\n"}}, "設問か結果がありません"},
        {"no question file", {{"event.set", "T,t\r\n"}}, "問題ファイルがありません"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        remove_tree(share);
        CreateDirectoryA(share.c_str(), nullptr);
        for (const auto &f : r.files) put(f.first, f.second);
        memory = DistMemory();
        for (int n = 0; n < 2; ++n) {
            const DistLook l = look();
            EXPECT_EQ(kDistProblem, l.outcome);
            EXPECT_NE(std::string::npos, l.problem.find(r.problem)) << l.problem;
        }
        EXPECT_TRUE(copies().empty());
    }
    // A share that cannot be reached.
    const DistLook l = look_at_distribution(dir.path() + "gone", "event.set", local, &memory);
    EXPECT_EQ(kDistProblem, l.outcome);
    EXPECT_NE(std::string::npos, l.problem.find("届きません")) << l.problem;
}

// The record of the copy in effect, and the file a restarted player opens.
TEST(SetDistribution, ARestartKeepsTheCopyInEffect) {
    DistRecord r;
    r.folder = "\\\\server\\配布";
    r.set_name = "event.set";
    r.local_set = "C:\\Users\\k\\AppData\\Local\\Zelmica\\dist\\set-0123\\event.set";
    r.hash = "0123456789abcdef";
    r.version = "2026-12-09 10:00 #01234567";
    r.files = {{"event.set", 10, 20}, {"img\\a|b.png", 30, 40}};
    const std::string text = dist_record_text(r);
    DistRecord back;
    ASSERT_TRUE(parse_dist_record(text, &back));
    EXPECT_EQ(r.local_set, back.local_set);
    EXPECT_EQ(r.version, back.version);
    EXPECT_TRUE(r.files == back.files);
    EXPECT_FALSE(parse_dist_record(text.substr(0, text.find("End=1")), &back));  // cut by a power cut
    EXPECT_FALSE(parse_dist_record("<html>", &back));

    struct Row {
        const char *given, *given_dist;
        bool local;
    } rows[] = {
        {"\\\\server\\配布\\event.set", "", true},      // the share's own set, even when it cannot be read now
        {"\\\\SERVER\\配布\\EVENT.SET", "", true},
        {"C:\\kiosk\\event.set", "\\\\server\\配布\\", true},  // the Startup shortcut's older set
        {"C:\\kiosk\\event.set", "\\\\server\\other", false},
        {"C:\\kiosk\\event.set", "", false},
        {"\\\\server\\配布\\other.set", "", false},
    };
    for (const Row &row : rows)
        EXPECT_EQ(row.local ? r.local_set : std::string(row.given), dist_start_file(row.given, row.given_dist, &r)) << row.given;
    EXPECT_EQ("C:\\a.set", dist_start_file("C:\\a.set", "\\\\server\\配布", nullptr));
}

}  // namespace
