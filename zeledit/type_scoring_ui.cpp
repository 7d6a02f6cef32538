// Type scoring in the editor: 採点の方法 (by the total or by types, and the tie question).
#include "mainflame.h"
#include "LoadQues.h"
#include "message_box.h"
#include "question_codec.h"
#include "resource.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const char kScoringCaption[] = "採点の方法";

bool option(HWND dialog, int box) { return IsDlgButtonChecked(dialog, box) == BST_CHECKED; }

INT_PTR on_init(HWND dialog) {
    const EditorScoring s = editor_scoring();
    CheckRadioButton(dialog, IDC_SCORING_TOTAL, IDC_SCORING_TYPES, s.typed ? IDC_SCORING_TYPES : IDC_SCORING_TOTAL);
    if (s.tie_question > 0) SetDlgItemInt(dialog, IDC_SCORING_TIE, static_cast<UINT>(s.tie_question), FALSE);
    return 1;
}

void on_ok(HWND dialog) {
    char text[16] = "";
    GetDlgItemTextA(dialog, IDC_SCORING_TIE, text, sizeof text);
    const long questions = liner_count(&editor_state()->questions);
    char *end = nullptr;
    const long tie = text[0] ? strtol(text, &end, 10) : 0;
    if (text[0] && (*end || tie < 1 || tie > questions)) {
        char message[128];
        snprintf(message, sizeof message, "同点のときに見る設問の番号は 1〜%ld です（空欄なら結果の一覧で上の行）。", questions);
        show_message_box(dialog, message, kScoringCaption, MB_OK | MB_ICONWARNING);
        SetFocus(GetDlgItem(dialog, IDC_SCORING_TIE));
        return;
    }
    const EditorScoring before = editor_scoring(), after = {option(dialog, IDC_SCORING_TYPES), static_cast<int32_t>(tie)};
    if (before.typed != after.typed || before.tie_question != after.tie_question) {
        set_editor_scoring(after);  // an undo step of the command's ListChange
        HWND owner = GetWindow(dialog, GW_OWNER);
        InvalidateRect(GetDlgItem(owner, IDC_MAIN_RESULTS), nullptr, TRUE);  // the range column
    }
    EndDialog(dialog, 1);
}

}  // namespace

INT_PTR CALLBACK scoring_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: return on_init(dialog);
        case WM_COMMAND:
            if (LOWORD(wparam) == IDOK) on_ok(dialog);
            else if (LOWORD(wparam) == IDCANCEL) EndDialog(dialog, 0);
            return 0;
        case WM_CLOSE: EndDialog(dialog, 0); return 0;
        default: return FALSE;
    }
}

bool scoring_command(HWND dialog, int id) {
    if (id != ID_EDIT_SCORING) return false;
    ListChange change(dialog);
    DialogBoxParamA(editor_instance(), MAKEINTRESOURCEA(IDD_SCORING), dialog, scoring_dialog_proc, 0);
    return true;
}

int32_t type_row_count(HWND dialog) {
    const bool top = option(dialog, IDC_MAIN_TOP_ROW), bottom = option(dialog, IDC_MAIN_BOTTOM_ROW);
    const int n = liner_count(&editor_state()->results);
    int32_t rows = 0;
    int m = 0;
    for (ListNode *e = editor_state()->results.next; e; e = e->next, ++m) {
        if (result_row_key(m, n, top, bottom) != kKeyResult) continue;
        if (!static_cast<const ResultRecord *>(e->data)->title[0]) break;  // the rows after it never show
        ++rows;
    }
    return rows;
}
