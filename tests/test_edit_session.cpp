// The editor's rules for keeping work, without a window: unsaved state and the question before a
// file is left, undo over random list operations, and the recent-files list.
#include <gtest/gtest.h>
#include <random>
#include "edit_session.h"

namespace {
struct Leave {
    int answer;
    bool save_works;
    int asked = 0, saved = 0;
};
int ask(void *c) { return ++static_cast<Leave *>(c)->asked, static_cast<Leave *>(c)->answer; }
bool save(void *c) { return ++static_cast<Leave *>(c)->saved, static_cast<Leave *>(c)->save_works; }
}  // namespace

TEST(EditSession, UnsavedStateTitleAndTheQuestionBeforeLeaving) {
    const struct {
        int event;
        bool unsaved_after_clean, unsaved_after_changed;
    } events[] = {{kEventChange, true, true},       {kEventSaved, false, false},      {kEventSaveFailed, false, true},
                  {kEventOpened, false, false},     {kEventOpenFailed, false, true}, {kEventNew, false, false}};
    for (const auto &e : events) {
        EXPECT_EQ(e.unsaved_after_clean, unsaved_after(false, e.event)) << e.event;
        EXPECT_EQ(e.unsaved_after_changed, unsaved_after(true, e.event)) << e.event;
    }
    EXPECT_EQ("a.qst* - Zelmica 設問エディタ", editor_title("C:\\表\\a.qst", true, "Zelmica 設問エディタ"));
    EXPECT_EQ("無題 - Zelmica 設問エディタ", editor_title("", false, "Zelmica 設問エディタ"));

    const struct {
        bool unsaved;
        int answer;
        bool save_works;
        int asked, saved;
        bool leaves;
    } rows[] = {
        {false, IDCANCEL, false, 0, 0, true},  // nothing to lose: nothing asked
        {true, IDYES, true, 1, 1, true},       {true, IDYES, false, 1, 1, false},  // a failed save stops
        {true, IDNO, false, 1, 0, true},       {true, IDCANCEL, true, 1, 0, false},
    };
    for (const auto &r : rows) {
        Leave l = {r.answer, r.save_works};
        LeaveSteps steps = {ask, save, &l};
        EXPECT_EQ(r.leaves, may_leave(r.unsaved, steps)) << r.unsaved << r.answer << r.save_works;
        EXPECT_EQ(r.asked, l.asked);
        EXPECT_EQ(r.saved, l.saved);
    }
}

namespace {
struct Lists : StepTarget {
    std::vector<std::string> list[2];
    void splice(int target, int index, size_t count, const std::vector<std::string> &elements) override {
        auto &l = list[target];
        l.erase(l.begin() + index, l.begin() + index + static_cast<long>(count));
        l.insert(l.begin() + index, elements.begin(), elements.end());
    }
};
}  // namespace

// Add, edit, delete several, move, and typing into a box: undoing every step gives the start,
// redoing every step the end.
TEST(EditSession, UndoAllGivesTheStartAndRedoAllTheEnd) {
    std::mt19937 random(29);
    for (int round = 0; round < 20; ++round) {
        Lists doc;
        doc.list[1] = {"t"};  // a text box: a list of one text
        for (int i = 0; i < 5; ++i) doc.list[0].push_back("r" + std::to_string(i));
        const Lists start = doc;
        UndoHistory history;
        for (int op = 0; op < 60; ++op) {
            auto &l = doc.list[0];
            std::vector<std::string> before = l;
            int n = static_cast<int>(l.size()), at = n ? static_cast<int>(random() % n) : 0;
            switch (random() % 5) {
                case 0: l.insert(l.begin() + (n ? random() % (n + 1) : 0), "n" + std::to_string(op)); break;
                case 1: if (n) l[at] += "e"; break;
                case 2: if (n) l.erase(l.begin() + at, l.begin() + std::min(n, at + 1 + static_cast<int>(random() % 3))); break;
                case 3: if (at + 1 < n) std::swap(l[at], l[at + 1]); break;
                default: {
                    std::string old = doc.list[1][0];
                    doc.list[1][0] += static_cast<char>('a' + op % 26);
                    history.record(EditStep{1, 0, {old}, {doc.list[1][0]}}, true);
                    if (random() % 2) history.seal();
                    continue;
                }
            }
            EditStep step;
            if (make_step(0, before, l, &step)) history.record(step);
        }
        const Lists end = doc;
        while (history.undo(&doc)) {}
        EXPECT_EQ(start.list[0], doc.list[0]);
        EXPECT_EQ(start.list[1], doc.list[1]);
        while (history.redo(&doc)) {}
        EXPECT_EQ(end.list[0], doc.list[0]);
        EXPECT_EQ(end.list[1], doc.list[1]);
    }
}

TEST(EditSession, RecentFilesNewestFirstEachOnceAtMostEight) {
    std::vector<std::string> recent;
    for (int i = 0; i < 10; ++i) recent_add(&recent, "C:\\q" + std::to_string(i) + ".qst");
    recent_add(&recent, "c:\\Q5.QST");  // the same file in other letter case moves to the front
    recent_add(&recent, "");
    ASSERT_EQ(8u, recent.size());
    EXPECT_EQ("c:\\Q5.QST", recent[0]);
    EXPECT_EQ("C:\\q9.qst", recent[1]);
    EXPECT_EQ("C:\\q2.qst", recent[7]);  // q0 and q1 fell off
    recent_remove(&recent, "C:\\Q9.qst");
    EXPECT_EQ(7u, recent.size());
    EXPECT_EQ("C:\\q8.qst", recent[1]);
}
