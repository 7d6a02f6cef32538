// Linked list: insert positions, moves that keep data addresses, clamped overwrite and remove.
#include <gtest/gtest.h>
#include <vector>
#include "LinerList.h"
#include "message_box_recorder.h"

struct Rec {
    int value;
    char pad[60];
};

class LinerListTest : public ::testing::Test {
protected:
    ListNode head{nullptr, nullptr};
    void TearDown() override { liner_clear(&head); }
    void fill(int n) {
        for (int i = 0; i < n; ++i) {
            Rec r{i, {}};
            ASSERT_NE(liner_append(&head, &r, sizeof r), nullptr);
        }
    }
    std::vector<int> values() {
        std::vector<int> v;
        for (int i = 0; i < liner_count(&head); ++i) v.push_back(static_cast<Rec *>(liner_get(&head, i))->value);
        return v;
    }
    ListNode *insert(int pos, int value) {
        Rec r{value, {}};
        return liner_insert(&head, pos, &r, sizeof r);
    }
};

using V = std::vector<int>;

TEST_F(LinerListTest, InsertPositionsOnThree) {
    struct Case {
        int pos;
        V expect;
    } cases[] = {{0, {0, 1, 2, 9}},  {-1, {0, 1, 9, 2}}, {-3, {9, 0, 1, 2}}, {-4, {9, 0, 1, 2}},
                 {-5, {0, 1, 2}},    {3, {0, 1, 2, 9}},  {4, {0, 1, 2}},     {1, {0, 9, 1, 2}}};
    for (const Case &c : cases) {
        liner_clear(&head);
        fill(3);
        ListNode *e = insert(c.pos, 9);
        EXPECT_EQ(e == nullptr, c.expect.size() == 3) << "position " << c.pos;
        EXPECT_EQ(values(), c.expect) << "position " << c.pos;
    }
}

TEST_F(LinerListTest, InsertIntoEmpty) {
    ASSERT_NE(insert(0, 5), nullptr);
    EXPECT_EQ(values(), V{5});
    liner_clear(&head);
    ASSERT_NE(insert(-1, 6), nullptr);
    EXPECT_EQ(values(), V{6});
}

TEST_F(LinerListTest, MovesKeepDataAddresses) {
    fill(3);
    EXPECT_EQ(liner_move_up(&head, 0), 0);
    EXPECT_EQ(liner_move_down(&head, 2), 0);
    EXPECT_EQ(liner_move_up(&head, 3), 0);  // past the end: nothing
    EXPECT_EQ(values(), (V{0, 1, 2}));
    void *one = liner_get(&head, 1), *two = liner_get(&head, 2);
    EXPECT_EQ(liner_move_up(&head, 2), 1);
    EXPECT_EQ(values(), (V{0, 2, 1}));
    EXPECT_EQ(liner_get(&head, 2), one);
    EXPECT_EQ(liner_get(&head, 1), two);
    EXPECT_EQ(liner_move_down(&head, 0), 1);
    EXPECT_EQ(values(), (V{2, 0, 1}));
    EXPECT_EQ(liner_get(&head, 0), two);
}

TEST_F(LinerListTest, OverwriteAndRemoveClampToTheEnds) {
    fill(3);
    Rec r{7, {}};
    liner_overwrite(&head, 10, &r, sizeof r);
    EXPECT_EQ(values(), (V{0, 1, 7}));
    r.value = 8;
    liner_overwrite(&head, -2, &r, sizeof r);
    EXPECT_EQ(values(), (V{8, 1, 7}));
    liner_remove(&head, 10);
    EXPECT_EQ(values(), (V{8, 1}));
    liner_remove(&head, 0);
    EXPECT_EQ(values(), (V{1}));
    liner_remove(&head, 0);
    EXPECT_EQ(liner_count(&head), 0);
    // Empty list and positions past the end are harmless.
    liner_remove(&head, 0);
    EXPECT_EQ(liner_overwrite(&head, 0, &r, sizeof r), nullptr);
    EXPECT_EQ(liner_get(&head, 0), nullptr);
    fill(1);
    EXPECT_EQ(liner_get(&head, 1), nullptr);
}

TEST_F(LinerListTest, FailedAllocationLeavesTheListAlone) {
    MessageBoxRecorder rec;
    fill(2);
    Rec r{5, {}};
    const size_t huge = static_cast<size_t>(-1) / 2;
    EXPECT_EQ(liner_append(&head, &r, huge), nullptr);
    EXPECT_EQ(liner_insert(&head, 1, &r, huge), nullptr);
    EXPECT_EQ(values(), (V{0, 1}));
    ASSERT_EQ(rec.boxes().size(), 2u);
    EXPECT_EQ(rec.boxes()[0].text.rfind("LinerList : line ", 0), 0u);
}

TEST_F(LinerListTest, InitReportsNullHeadAndEmptiesAList) {
    MessageBoxRecorder rec;
    EXPECT_EQ(liner_init(nullptr), nullptr);
    ASSERT_EQ(rec.boxes().size(), 1u);
    EXPECT_EQ(rec.boxes()[0].caption, "リストの初期化エラー");
    EXPECT_EQ(rec.boxes()[0].text, "リストの先頭としてNULL値が渡されました");
    EXPECT_EQ(rec.boxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    fill(4);
    EXPECT_EQ(liner_init(&head), &head);
    EXPECT_EQ(liner_count(&head), 0);
}

TEST_F(LinerListTest, AppendFromAnyElementAddsAtTheEnd) {
    fill(3);
    Rec r{7, {}};
    ListNode *middle = head.next->next;
    ListNode *e = liner_append_from(middle, &r, sizeof r);
    ASSERT_NE(nullptr, e);
    r.value = 8;
    ASSERT_NE(nullptr, liner_append_from(e, &r, sizeof r));
    r.value = 9;
    ASSERT_NE(nullptr, liner_append_from(&head, &r, sizeof r));
    EXPECT_EQ((std::vector<int>{0, 1, 2, 7, 8, 9}), values());
}
