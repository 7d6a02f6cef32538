// List-view rows kept in step with their LinerList on a real report view.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <vector>
#include "ListView.h"

namespace {
struct View {
    HWND parent, view;
    ListNode list = {nullptr, nullptr};
    View() {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        parent = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
        view = CreateWindowA(WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0, 300,
                             200, parent, reinterpret_cast<HMENU>(1), nullptr, nullptr);
        const int widths[] = {100, 50}, limits[] = {8, 8};
        const char *const headers[] = {"値", "列二"};
        EXPECT_EQ(1, lv_add_columns(view, 2, 16, widths, limits, headers));
    }
    ~View() {
        liner_clear(&list);
        DestroyWindow(parent);
    }
    void fill(std::vector<int> values) {
        for (int v : values) lv_list_append(view, &list, &v, sizeof v);
    }
    // Row values, after checking that every row points at its own element.
    std::vector<int> rows() {
        std::vector<int> out;
        int n = ListView_GetItemCount(view);
        EXPECT_EQ(liner_count(&list), n);
        for (int i = 0; i < n; ++i) {
            LVITEMA item = {};
            item.mask = LVIF_PARAM;
            item.iItem = i;
            SendMessageA(view, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
            EXPECT_EQ(liner_get(&list, i), reinterpret_cast<void *>(item.lParam)) << "row " << i;
            out.push_back(*reinterpret_cast<int *>(item.lParam));
        }
        return out;
    }
    void select(int row) { ListView_SetItemState(view, row, LVIS_SELECTED, LVIS_SELECTED); }
    bool selected(int row) { return ListView_GetItemState(view, row, LVIS_SELECTED) != 0; }
    bool focused(int row) { return ListView_GetItemState(view, row, LVIS_FOCUSED) != 0; }
};
}  // namespace

TEST(EditorListView, MoveDownFromFirstRow) {
    View v;
    v.fill({10, 20, 30});
    v.select(0);
    EXPECT_EQ(1, lv_list_move_down(v.view, &v.list, 0, sizeof(int)));
    EXPECT_EQ((std::vector<int>{20, 10, 30}), v.rows());
    EXPECT_FALSE(v.selected(0));
    EXPECT_TRUE(v.selected(1));
    EXPECT_TRUE(v.focused(1));
    EXPECT_FALSE(v.selected(2));
    EXPECT_EQ(v.view, GetFocus());

    EXPECT_EQ(0, lv_list_move_down(v.view, &v.list, 2, sizeof(int)));
    EXPECT_EQ(0, lv_list_move_up(v.view, &v.list, 0, sizeof(int)));
    EXPECT_EQ((std::vector<int>{20, 10, 30}), v.rows());
    EXPECT_TRUE(v.selected(1));  // a refused move keeps the selection
    EXPECT_EQ(1, lv_list_move_up(v.view, &v.list, 2, sizeof(int)));
    EXPECT_EQ((std::vector<int>{20, 30, 10}), v.rows());
    EXPECT_TRUE(v.selected(1));
}

TEST(EditorListView, RemoveInsertClear) {
    View v;
    v.fill({0, 1, 2, 3});
    v.select(0);
    v.select(2);
    lv_list_remove_selected(v.view, &v.list);
    EXPECT_EQ((std::vector<int>{1, 3}), v.rows());

    int nine = 9, eight = 8;
    EXPECT_EQ(1, lv_list_insert(v.view, &v.list, 0, &nine, sizeof nine));
    EXPECT_EQ((std::vector<int>{1, 3, 9}), v.rows());
    EXPECT_EQ(1, lv_list_insert(v.view, &v.list, -1, &eight, sizeof eight));
    EXPECT_EQ((std::vector<int>{1, 3, 8, 9}), v.rows());
    EXPECT_EQ(0, lv_list_insert(v.view, &v.list, 9, &eight, sizeof eight));
    EXPECT_EQ(4, ListView_GetItemCount(v.view));

    lv_list_remove(v.view, &v.list, 7);  // past the end: neither list nor rows change
    EXPECT_EQ((std::vector<int>{1, 3, 8, 9}), v.rows());

    lv_list_clear(v.view, &v.list);
    EXPECT_EQ(0, ListView_GetItemCount(v.view));
    EXPECT_EQ(0, liner_count(&v.list));
}
