// Dialog 103: one question with its five answers, points, picture and voices, added or changed in place.
#include "mainflame.h"
#include "DirList.h"
#include "ListView.h"
#include "question_codec.h"
#include "question_records.h"
#include "resource.h"
#include "message_box.h"
#include "voice_boxes.h"
#include <stdio.h>
#include <string.h>

namespace {

const char kPictureTitle[] = "画像ファイルの選択";
const int kAnswerBoxes[kAnswerCount] = {IDC_QUESTION_ANSWER1, IDC_QUESTION_ANSWER2, IDC_QUESTION_ANSWER3,
                                        IDC_QUESTION_ANSWER4, IDC_QUESTION_ANSWER5};
const int kPointBoxes[kAnswerCount] = {IDC_QUESTION_POINTS1, IDC_QUESTION_POINTS2, IDC_QUESTION_POINTS3,
                                       IDC_QUESTION_POINTS4, IDC_QUESTION_POINTS5};
const int kTypeBoxes[kAnswerCount] = {IDC_QUESTION_TYPES1, IDC_QUESTION_TYPES2, IDC_QUESTION_TYPES3,
                                      IDC_QUESTION_TYPES4, IDC_QUESTION_TYPES5};

// The question's voice, then each answer's.
const VoiceBox kVoiceBoxes[kVoiceParts] = {
    {IDC_QUESTION_VOICE0, IDC_QUESTION_VOICE_BROWSE0, IDC_QUESTION_VOICE_PLAY0},
    {IDC_QUESTION_VOICE1, IDC_QUESTION_VOICE_BROWSE1, IDC_QUESTION_VOICE_PLAY1},
    {IDC_QUESTION_VOICE2, IDC_QUESTION_VOICE_BROWSE2, IDC_QUESTION_VOICE_PLAY2},
    {IDC_QUESTION_VOICE3, IDC_QUESTION_VOICE_BROWSE3, IDC_QUESTION_VOICE_PLAY3},
    {IDC_QUESTION_VOICE4, IDC_QUESTION_VOICE_BROWSE4, IDC_QUESTION_VOICE_PLAY4},
    {IDC_QUESTION_VOICE5, IDC_QUESTION_VOICE_BROWSE5, IDC_QUESTION_VOICE_PLAY5},
};

// Every box whose text goes into the file, in the order they are checked.
const StoredField kStoredFields[] = {
    {IDC_QUESTION_TEXT, "設問", kEscapeFull, kStoredQuestionMax},
    {IDC_QUESTION_ANSWER1, "答１", kEscapeComma, kStoredAnswerMax},
    {IDC_QUESTION_ANSWER2, "答２", kEscapeComma, kStoredAnswerMax},
    {IDC_QUESTION_ANSWER3, "答３", kEscapeComma, kStoredAnswerMax},
    {IDC_QUESTION_ANSWER4, "答４", kEscapeComma, kStoredAnswerMax},
    {IDC_QUESTION_ANSWER5, "答５", kEscapeComma, kStoredAnswerMax},
    {IDC_QUESTION_PICTURE, "画像", kStoredPath, kStoredPathMax},
    {IDC_QUESTION_VOICE0, "設問の音声", kStoredPath, kStoredPathMax},
    {IDC_QUESTION_VOICE1, "答１の音声", kStoredPath, kStoredPathMax},
    {IDC_QUESTION_VOICE2, "答２の音声", kStoredPath, kStoredPathMax},
    {IDC_QUESTION_VOICE3, "答３の音声", kStoredPath, kStoredPathMax},
    {IDC_QUESTION_VOICE4, "答４の音声", kStoredPath, kStoredPathMax},
    {IDC_QUESTION_VOICE5, "答５の音声", kStoredPath, kStoredPathMax},
};

HWND owner_view(HWND dialog) { return GetDlgItem(GetWindow(dialog, GW_OWNER), IDC_MAIN_QUESTIONS); }

void show_record(HWND dialog, const QuestionRecord *q) {
    SetDlgItemTextA(dialog, IDC_QUESTION_TEXT, q->text);
    for (int a = 0; a < kAnswerCount; ++a) {
        SetDlgItemTextA(dialog, kAnswerBoxes[a], q->answers[a]);
        if (q->answers[a][0]) SetDlgItemInt(dialog, kPointBoxes[a], static_cast<UINT>(q->points[a]), TRUE);
        else SetDlgItemTextA(dialog, kPointBoxes[a], "");
        char links[160];
        format_type_links_text(q, a, links, sizeof links);
        SetDlgItemTextA(dialog, kTypeBoxes[a], links);
    }
    for (int v = 0; v < kVoiceParts; ++v) SetDlgItemTextA(dialog, kVoiceBoxes[v].box, q->voice[v]);
    SetDlgItemTextA(dialog, IDC_QUESTION_PICTURE, q->picture);
    if (q->picture[0]) {
        SetDlgItemInt(dialog, IDC_QUESTION_X, static_cast<UINT>(q->pictureX), TRUE);
        SetDlgItemInt(dialog, IDC_QUESTION_Y, static_cast<UINT>(q->pictureY), TRUE);
    } else {
        SetDlgItemTextA(dialog, IDC_QUESTION_X, "");
        SetDlgItemTextA(dialog, IDC_QUESTION_Y, "");
    }
}

INT_PTR on_init_dialog(HWND dialog) {
    if (editor_state()->mode == kModeModify) {
        QuestionRecord q;
        memset(&q, 0, sizeof q);
        lv_get_selected_data(owner_view(dialog), &q, sizeof q);
        show_record(dialog, &q);
    }
    register_ime_control(GetDlgItem(dialog, IDC_QUESTION_TEXT), true);
    keep_escape_in_box(GetDlgItem(dialog, IDC_QUESTION_TEXT));
    for (int a = 0; a < kAnswerCount; ++a) {
        register_ime_control(GetDlgItem(dialog, kAnswerBoxes[a]), true);
        register_ime_control(GetDlgItem(dialog, kPointBoxes[a]), false);
        register_ime_control(GetDlgItem(dialog, kTypeBoxes[a]), false);
    }
    register_ime_control(GetDlgItem(dialog, IDC_QUESTION_PICTURE), false);
    for (const VoiceBox &v : kVoiceBoxes) register_ime_control(GetDlgItem(dialog, v.box), false);
    register_ime_control(GetDlgItem(dialog, IDC_QUESTION_X), false);
    register_ime_control(GetDlgItem(dialog, IDC_QUESTION_Y), false);
    return 1;
}

// Unsigned number of a box; what does not convert (a sign, letters, nothing) is 0.
int32_t unsigned_box(HWND dialog, int box) {
    BOOL converted = FALSE;
    UINT value = GetDlgItemInt(dialog, box, &converted, FALSE);
    return converted && value <= INT32_MAX ? static_cast<int32_t>(value) : 0;
}

void read_record(HWND dialog, QuestionRecord *q) {
    memset(q, 0, sizeof *q);
    read_box_text(dialog, IDC_QUESTION_TEXT, q->text, sizeof q->text);
    for (int a = 0; a < kAnswerCount; ++a) {
        read_box_text(dialog, kAnswerBoxes[a], q->answers[a], sizeof q->answers[a]);
        if (q->answers[a][0])
            q->points[a] = static_cast<int32_t>(GetDlgItemInt(dialog, kPointBoxes[a], nullptr, TRUE));
    }
    read_box_text(dialog, IDC_QUESTION_PICTURE, q->picture, sizeof q->picture);
    for (int v = 0; v < kVoiceParts; ++v) read_box_text(dialog, kVoiceBoxes[v].box, q->voice[v], sizeof q->voice[v]);
    if (q->picture[0]) {
        q->pictureX = unsigned_box(dialog, IDC_QUESTION_X);
        q->pictureY = unsigned_box(dialog, IDC_QUESTION_Y);
    }
}

bool is_empty(const QuestionRecord *q) {
    if (q->text[0] || q->picture[0]) return false;
    for (int a = 0; a < kAnswerCount; ++a)
        if (q->answers[a][0]) return false;
    return true;
}

// Each answer's type links into q; false, after the message and with the focus on the box, when one is not valid.
bool read_type_links(HWND dialog, QuestionRecord *q) {
    const int32_t rows = type_row_count(GetWindow(dialog, GW_OWNER));
    for (int a = 0; a < kAnswerCount; ++a) {
        char text[160] = "", error[256] = "", message[300];
        read_box_text(dialog, kTypeBoxes[a], text, sizeof text);
        if (parse_type_links_text(text, rows, q, a, error, sizeof error)) continue;
        snprintf(message, sizeof message, "答%d のタイプ式の点: %s", a + 1, error);
        show_message_box(dialog, message, "設問と解答", MB_OK | MB_ICONWARNING);
        SetFocus(GetDlgItem(dialog, kTypeBoxes[a]));
        return false;
    }
    return true;
}

// A voice is played when its answer is shown: one for an empty answer would never be heard, and
// is more likely an answer forgotten than a voice meant to be dropped, so the author decides.
bool voices_have_answers(HWND dialog, const QuestionRecord *q) {
    for (int a = 0; a < kAnswerCount; ++a) {
        if (q->answers[a][0] || !q->voice[a + 1][0]) continue;
        char message[200];
        snprintf(message, sizeof message, "答%d は空欄ですが、音声ファイルが指定されています。\r\n答えを書くか、音声ファイルの欄を空にしてください。", a + 1);
        show_message_box(dialog, message, "設問と解答", MB_OK | MB_ICONWARNING);
        SetFocus(GetDlgItem(dialog, kVoiceBoxes[a + 1].box));
        return false;
    }
    return true;
}

void on_ok(HWND dialog) {
    if (!stored_fields_fit(dialog, kStoredFields, sizeof kStoredFields / sizeof kStoredFields[0])) return;
    QuestionRecord q;
    read_record(dialog, &q);
    if (!read_type_links(dialog, &q) || !voices_have_answers(dialog, &q)) return;
    if (is_empty(&q)) return;
    HWND view = owner_view(dialog);
    ListNode *list = &editor_state()->questions;
    if (editor_state()->mode == kModeAdd) {
        lv_list_append(view, list, &q, sizeof q);
    } else {
        int row = lv_first_selected(view);
        // Without a selected row there is no record to change, and none is written.
        if (row >= 0 && liner_overwrite(list, row, &q, sizeof q)) lv_set_selected_item(view, liner_get(list, row));
    }
    EndDialog(dialog, 1);
}

INT_PTR on_command(HWND dialog, int id) {
    switch (id) {
        case IDC_QUESTION_OK: on_ok(dialog); break;
        case IDC_QUESTION_CANCEL: EndDialog(dialog, 0); break;
        case IDC_QUESTION_BROWSE:
            choose_file_into_box(dialog, IDC_QUESTION_PICTURE, kPictureTitle, kPictureFilter);
            break;
        default: voice_box_command(dialog, kVoiceBoxes, kVoiceParts, id); break;
    }
    return 0;
}

}  // namespace

INT_PTR CALLBACK question_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: return on_init_dialog(dialog);
        case WM_COMMAND: return on_command(dialog, LOWORD(wparam));
        case WM_CLOSE: EndDialog(dialog, 0); return 0;
        case WM_DESTROY: voice_try_stop(); return FALSE;  // however the dialog ends
        default: return FALSE;
    }
}
