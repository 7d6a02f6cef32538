// File chooser into an edit box, colour and font choosers, list-box moves and removal.
#include <gtest/gtest.h>
#include <string>
#include "BrixLib.h"
#include "DirList.h"
#include "message_box_recorder.h"

namespace {
std::string g_pick;  // empty: the user cancels
OPENFILENAMEA g_seen;
std::string g_seen_dir;
BOOL scripted_open(OPENFILENAMEA *o) {
    g_seen = *o;
    g_seen_dir = o->lpstrInitialDir ? o->lpstrInitialDir : "";
    if (g_pick.empty()) return FALSE;
    strcpy(o->lpstrFile, g_pick.c_str());
    return TRUE;
}
BOOL cancel_colour(CHOOSECOLORA *) { return FALSE; }
BOOL pick_colour(CHOOSECOLORA *c) {
    c->rgbResult = RGB(1, 2, 3);
    return TRUE;
}
BOOL cancel_font(CHOOSEFONTA *f) {
    strcpy(f->lpLogFont->lfFaceName, "changed");  // a cancelled dialog's edits must not stick
    return FALSE;
}
BOOL pick_font(CHOOSEFONTA *f) {
    strcpy(f->lpLogFont->lfFaceName, "ＭＳ ゴシック");
    return TRUE;
}

struct Window {
    HWND parent, edit, list;
    Window() {
        parent = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
        edit = CreateWindowA("EDIT", "before", WS_CHILD, 0, 0, 100, 20, parent, reinterpret_cast<HMENU>(10), nullptr,
                             nullptr);
        list = CreateWindowA("LISTBOX", "", WS_CHILD, 0, 30, 100, 100, parent, reinterpret_cast<HMENU>(11), nullptr,
                             nullptr);
    }
    ~Window() { DestroyWindow(parent); }
    std::string text() {
        char b[kPathSize];
        GetWindowTextA(edit, b, sizeof b);
        return b;
    }
    std::string items() {
        std::string s;
        int n = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            char b[64];
            SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(b));
            s += b;
        }
        return s;
    }
};
}  // namespace

TEST(FileChooser, RelativeToTheProgramFolder) {
    CommonDialogs scripted = {scripted_open, scripted_open, nullptr, nullptr};
    CommonDialogs old = set_common_dialogs(&scripted);
    Window w;
    char folder[kPathSize];
    module_folder(folder);
    g_pick = std::string(folder) + "問題.qst";
    EXPECT_EQ(choose_file_into_box(w.parent, 10, "問題を選ぶ", "問題\0*.qst\0\0"), 1);
    EXPECT_EQ(w.text(), "問題.qst");
    EXPECT_EQ(g_seen.Flags, 0x82814u);
    EXPECT_EQ(g_seen.lStructSize, static_cast<DWORD>(OPENFILENAME_SIZE_VERSION_400A));
    EXPECT_EQ(g_seen.nMaxFile, 260u);
    EXPECT_EQ(g_seen_dir, folder);
    g_pick = "Q:\\other\\x.qst";
    EXPECT_EQ(choose_file_into_box(w.parent, 10, "t", "a\0*.*\0\0"), 1);
    EXPECT_EQ(w.text(), "Q:\\other\\x.qst");
    // Beside or below the edited file: relative to it, the chooser starting in its folder.
    set_edited_file_source([]() -> const char * { return "Q:\\fair\\quiz.set"; });
    g_pick = "Q:\\Fair\\img\\a.png";
    EXPECT_EQ(choose_file_into_box(w.parent, 10, "t", "a\0*.*\0\0"), 1);
    EXPECT_EQ(w.text(), "img\\a.png");
    EXPECT_EQ(g_seen_dir, "Q:\\fair\\");
    g_pick = "Q:\\other\\x.qst";
    EXPECT_EQ(choose_file_into_box(w.parent, 10, "t", "a\0*.*\0\0"), 1);
    EXPECT_EQ(w.text(), "Q:\\other\\x.qst");
    set_edited_file_source(nullptr);
    g_pick.clear();
    EXPECT_EQ(choose_file_into_box(w.parent, 10, "t", "a\0*.*\0\0"), 0);
    EXPECT_EQ(w.text(), "Q:\\other\\x.qst");
    char file[kPathSize] = "";
    choose_save_file(nullptr, "t", "a\0*.*\0\0", file, "C:\\", 0);
    EXPECT_EQ(g_seen.Flags, 0x82016u);  // with OFN_OVERWRITEPROMPT
    set_common_dialogs(&old);
}

TEST(Choosers, ColourAndFont) {
    CommonDialogs scripted = {nullptr, nullptr, cancel_colour, cancel_font};
    CommonDialogs old = set_common_dialogs(&scripted);
    COLORREF c = 0;
    choose_colour(nullptr, &c, nullptr);
    EXPECT_EQ(c, RGB(80, 80, 80));
    c = RGB(0, 160, 0);
    choose_colour(nullptr, &c, nullptr);
    EXPECT_EQ(c, RGB(0, 160, 0));
    LOGFONTA lf = {};
    strcpy(lf.lfFaceName, "orig");
    choose_font(nullptr, &lf, nullptr);
    EXPECT_STREQ(lf.lfFaceName, "orig");
    scripted = {nullptr, nullptr, pick_colour, pick_font};
    set_common_dialogs(&scripted);
    choose_colour(nullptr, &c, nullptr);
    EXPECT_EQ(c, RGB(1, 2, 3));
    choose_font(nullptr, &lf, nullptr);
    EXPECT_STREQ(lf.lfFaceName, "ＭＳ ゴシック");
    // 12 points from a dialog that counts at 144 DPI, whatever the owner's: 16 pixels at 96 DPI.
    scripted.font = [](CHOOSEFONTA *f) -> BOOL {
        f->lpLogFont->lfHeight = -24;
        f->iPointSize = 120;
        return TRUE;
    };
    set_common_dialogs(&scripted);
    choose_font(nullptr, &lf, nullptr);
    EXPECT_EQ(-16, lf.lfHeight);
    set_common_dialogs(&old);
}

TEST(ListBox, MovesAtTheEndsAndRemoval) {
    MessageBoxRecorder rec;
    Window w;
    for (const char *s : {"a", "b", "c"}) SendMessageA(w.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    SendMessageA(w.list, LB_SETCURSEL, 0, 0);
    listbox_move_up(w.parent, 11);
    EXPECT_EQ(w.items(), "abc");
    listbox_move_down(w.parent, 11);
    EXPECT_EQ(w.items(), "bac");
    EXPECT_EQ(SendMessageA(w.list, LB_GETCURSEL, 0, 0), 1);
    SendMessageA(w.list, LB_SETCURSEL, 2, 0);
    listbox_move_down(w.parent, 11);
    EXPECT_EQ(w.items(), "bac");
    listbox_move_up(w.parent, 11);
    EXPECT_EQ(w.items(), "bca");
    listbox_remove_selected(w.parent, 11, true, "削除");
    EXPECT_EQ(w.items(), "ba");
    EXPECT_TRUE(rec.boxes().empty());
    SendMessageA(w.list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    listbox_remove_selected(w.parent, 11, false, "削除");
    EXPECT_TRUE(rec.boxes().empty());
    listbox_remove_selected(w.parent, 11, true, "削除");
    EXPECT_EQ(w.items(), "ba");
    ASSERT_EQ(rec.boxes().size(), 1u);
    EXPECT_EQ(rec.boxes()[0].text, "削除対象が選択されていません");
    EXPECT_EQ(rec.boxes()[0].caption, "削除");
    EXPECT_EQ(rec.boxes()[0].owner, w.parent);
    EXPECT_EQ(rec.boxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
}

TEST(Ime, RegisteredControlKeepsWorkingAndIsReleased) {
    Window w;
    register_ime_control(w.edit, true);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(w.edit, GWLP_WNDPROC)), ime_control_proc);
    SetWindowTextA(w.edit, "入力");
    EXPECT_EQ(w.text(), "入力");  // messages reach the edit control's own procedure
    SendMessageA(w.edit, WM_SETFOCUS, 0, 0);
    SendMessageA(w.edit, WM_CLOSE, 0, 0);
    EXPECT_NE(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(w.edit, GWLP_WNDPROC)), ime_control_proc);

}
