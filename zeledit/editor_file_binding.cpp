// The main dialog's controls as the question file's settings: which box holds which line.
#include "mainflame.h"
#include "ListView.h"
#include "LoadQues.h"
#include "resource.h"
#include <string.h>

namespace {

const int kSettingBoxes[kSettingCount] = {
    IDC_MAIN_TITLE,     IDC_MAIN_HEADER,   IDC_MAIN_FOOTER,     IDC_MAIN_WALLPAPER, IDC_MAIN_SND_START,
    IDC_MAIN_SND_HIGH,  IDC_MAIN_SND_MIDDLE, IDC_MAIN_SND_LOW, IDC_MAIN_SND_JUDGE,  IDC_MAIN_SND_BACK,
};
const int kOptionBoxes[kOptionCount] = {IDC_MAIN_TOP_ROW, IDC_MAIN_BOTTOM_ROW, IDC_MAIN_ROUND_UP};

HWND view_of(HWND dialog, bool questions) {
    return GetDlgItem(dialog, questions ? IDC_MAIN_QUESTIONS : IDC_MAIN_RESULTS);
}

void clear(HWND dialog) {
    for (int box : kSettingBoxes) SetDlgItemTextA(dialog, box, "");
    for (int box : kOptionBoxes) CheckDlgButton(dialog, box, BST_UNCHECKED);
    lv_delete_all(view_of(dialog, true));
    lv_delete_all(view_of(dialog, false));
    set_editor_scoring({false, 0});
}

void put_setting(HWND dialog, int setting, const char *value) { SetDlgItemTextA(dialog, kSettingBoxes[setting], value); }

void get_setting(HWND dialog, int setting, char *text, size_t size) {
    text[0] = '\0';
    GetDlgItemTextA(dialog, kSettingBoxes[setting], text, static_cast<int>(size));
}

void put_option(HWND dialog, int option, bool on) {
    CheckDlgButton(dialog, kOptionBoxes[option], on ? BST_CHECKED : BST_UNCHECKED);
}

bool get_option(HWND dialog, int option) { return IsDlgButtonChecked(dialog, kOptionBoxes[option]) == BST_CHECKED; }

void show_lists(HWND dialog, ListNode *questions, ListNode *results) {
    ListNode *lists[] = {questions, results};
    for (int i = 0; i < 2; ++i) {
        HWND view = view_of(dialog, i == 0);
        // Rows are drawn once at the end: a list view that repaints and rescrolls for every added
        // row takes minutes over a large file.
        SendMessageA(view, WM_SETREDRAW, FALSE, 0);
        lv_delete_all(view);
        for (ListNode *e = lists[i]->next; e; e = e->next) lv_append_item(view, e->data);
        SendMessageA(view, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(view, nullptr, TRUE);
    }
}

const EditorFileBinding kBinding = {clear, put_setting, get_setting, put_option, get_option, show_lists};

}  // namespace

void bind_editor_controls() { bind_editor_file(&kBinding); }

void clear_editor_controls(HWND dialog) { clear(dialog); }

int setting_box(int setting) { return kSettingBoxes[setting]; }
