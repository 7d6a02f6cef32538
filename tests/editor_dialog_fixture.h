// The editor's main dialog made hidden for a test, and scripted answers for the file dialogs.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <string>
#include "DirList.h"
#include "font_slot.h"
#include "mainflame.h"
#include "resource.h"

struct ScriptedFileDialogs {
    static inline std::string open_pick, save_pick;  // empty: the user cancels
    static inline std::string offered, caption;      // what the last dialog was given
    CommonDialogs previous;
    ScriptedFileDialogs() {
        open_pick.clear();
        save_pick.clear();
        CommonDialogs d = {open, save, nullptr, nullptr};
        previous = set_common_dialogs(&d);
    }
    ~ScriptedFileDialogs() { set_common_dialogs(&previous); }
    static BOOL answer(OPENFILENAMEA *o, const std::string &pick) {
        offered = o->lpstrFile;
        caption = o->lpstrTitle ? o->lpstrTitle : "";
        if (pick.empty()) return FALSE;
        strcpy(o->lpstrFile, pick.c_str());
        return TRUE;
    }
    static BOOL open(OPENFILENAMEA *o) { return answer(o, open_pick); }
    static BOOL save(OPENFILENAMEA *o) { return answer(o, save_pick); }
};

struct MainDialog {
    HWND dialog;
    MainDialog() {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        // Fonts live in process-wide slots: every test starts from the base fonts.
        question_font(kFontDropFile, 0, 0, nullptr);
        answer_font(kFontDropFile, 0, nullptr);
        comment_font(kFontDropFile, 0, 0, nullptr);
        header_font(kFontDropFile, 0, nullptr);
        dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr, main_dialog_proc, 0);
    }
    ~MainDialog() { DestroyWindow(dialog); }
    MainDialog(const MainDialog &) = delete;
    MainDialog &operator=(const MainDialog &) = delete;

    EditorState *state() const { return editor_state(); }
    HWND questions() const { return GetDlgItem(dialog, IDC_MAIN_QUESTIONS); }
    HWND results() const { return GetDlgItem(dialog, IDC_MAIN_RESULTS); }
    std::string text(int box) const {
        char buffer[2048] = {0};
        GetDlgItemTextA(dialog, box, buffer, sizeof buffer);
        return buffer;
    }
    void set(int box, const std::string &value) const { SetDlgItemTextA(dialog, box, value.c_str()); }
    bool checked(int box) const { return IsDlgButtonChecked(dialog, box) == BST_CHECKED; }
};
