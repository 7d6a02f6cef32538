// Dialog 104: one result with its comment, picture and voice, added or changed in place.
#include "mainflame.h"
#include "DirList.h"
#include "ListView.h"
#include "message_box.h"
#include "qr_text.h"
#include "question_codec.h"
#include "question_records.h"
#include "message_box.h"
#include "resource.h"
#include "voice_boxes.h"
#include <stdio.h>
#include <string.h>

namespace {

const char kPictureTitle[] = "画像ファイルの選択";
// Every box whose text goes into the file, in the order they are checked.
const StoredField kStoredFields[] = {
    {IDC_RESULT_TITLE, "結果", kEscapeFull, kStoredTitleMax},
    {IDC_RESULT_COMMENT, "コメント", kEscapeFull, kStoredCommentMax},
    {IDC_RESULT_PICTURE, "画像", kStoredPath, kStoredPathMax},
    {IDC_RESULT_VOICE, "音声", kStoredPath, kStoredPathMax},
};
const VoiceBox kVoiceBox = {IDC_RESULT_VOICE, IDC_RESULT_VOICE_BROWSE, IDC_RESULT_VOICE_PLAY};

HWND owner_view(HWND dialog) { return GetDlgItem(GetWindow(dialog, GW_OWNER), IDC_MAIN_RESULTS); }

void show_record(HWND dialog, const ResultRecord *r) {
    SetDlgItemTextA(dialog, IDC_RESULT_TITLE, r->title);
    SetDlgItemTextA(dialog, IDC_RESULT_COMMENT, r->comment);
    SetDlgItemTextA(dialog, IDC_RESULT_PICTURE, r->picture);
    SetDlgItemTextA(dialog, IDC_RESULT_QR, r->qrText);
    SetDlgItemTextA(dialog, IDC_RESULT_VOICE, r->voice);
    if (r->picture[0]) {
        SetDlgItemInt(dialog, IDC_RESULT_X, static_cast<UINT>(r->pictureX), TRUE);
        SetDlgItemInt(dialog, IDC_RESULT_Y, static_cast<UINT>(r->pictureY), TRUE);
    } else {
        SetDlgItemTextA(dialog, IDC_RESULT_X, "");
        SetDlgItemTextA(dialog, IDC_RESULT_Y, "");
    }
    if (r->ranged) {
        SetDlgItemInt(dialog, IDC_RESULT_RANGE_FROM, static_cast<UINT>(r->rangeFrom), TRUE);
        SetDlgItemInt(dialog, IDC_RESULT_RANGE_TO, static_cast<UINT>(r->rangeTo), TRUE);
    }
}

INT_PTR on_init_dialog(HWND dialog) {
    if (editor_state()->mode == kModeModify) {
        ResultRecord r;
        memset(&r, 0, sizeof r);
        lv_get_selected_data(owner_view(dialog), &r, sizeof r);
        show_record(dialog, &r);
    }
    register_ime_control(GetDlgItem(dialog, IDC_RESULT_TITLE), true);
    register_ime_control(GetDlgItem(dialog, IDC_RESULT_COMMENT), true);
    keep_escape_in_box(GetDlgItem(dialog, IDC_RESULT_COMMENT));
    register_ime_control(GetDlgItem(dialog, IDC_RESULT_PICTURE), false);
    register_ime_control(GetDlgItem(dialog, IDC_RESULT_QR), false);
    register_ime_control(GetDlgItem(dialog, IDC_RESULT_VOICE), false);
    // Stored raw as the whole value of its line: commas may stand in it, the length is the limit.
    SendDlgItemMessageA(dialog, IDC_RESULT_QR, EM_LIMITTEXT, sizeof(ResultRecord::qrText) - 1, 0);
    register_ime_control(GetDlgItem(dialog, IDC_RESULT_X), false);
    register_ime_control(GetDlgItem(dialog, IDC_RESULT_Y), false);
    register_ime_control(GetDlgItem(dialog, IDC_RESULT_RANGE_FROM), false);
    register_ime_control(GetDlgItem(dialog, IDC_RESULT_RANGE_TO), false);
    return 1;
}

// Unsigned number of a box; false when it does not convert (nothing, a sign, letters).
bool unsigned_box(HWND dialog, int box, int32_t *value) {
    BOOL converted = FALSE;
    UINT v = GetDlgItemInt(dialog, box, &converted, FALSE);
    bool ok = converted && v <= INT32_MAX;
    *value = ok ? static_cast<int32_t>(v) : 0;
    return ok;
}

// The range boxes: both empty (no range), or two int32 numbers, from not above to. False, after
// saying which, otherwise.
bool read_range(HWND dialog, ResultRecord *r) {
    char from[32] = {0}, to[32] = {0};
    GetDlgItemTextA(dialog, IDC_RESULT_RANGE_FROM, from, sizeof from);
    GetDlgItemTextA(dialog, IDC_RESULT_RANGE_TO, to, sizeof to);
    if (!from[0] && !to[0]) return true;
    char value[80];
    snprintf(value, sizeof value, "1,%s,%s", from, to);
    RangeLine line;
    const int check = parse_range_line(value, &line);
    if (check != kRangeLineOk) {
        show_message_box(dialog,
                         check == kRangeLineOutOfOrder ? "得点の範囲は、始まりを終わり以下にしてください。"
                                                       : "得点の範囲には、両方に -2147483648〜2147483647 の整数を入れてください（両方空欄なら均等な幅）。",
                         "結果", MB_OK | MB_ICONWARNING);
        SetFocus(GetDlgItem(dialog, IDC_RESULT_RANGE_FROM));
        return false;
    }
    r->ranged = 1;
    r->rangeFrom = line.from;
    r->rangeTo = line.to;
    return true;
}

// False when the picture's position is not a number: the dialog then stays open.
bool read_record(HWND dialog, ResultRecord *r) {
    memset(r, 0, sizeof *r);
    read_box_text(dialog, IDC_RESULT_TITLE, r->title, sizeof r->title);
    read_box_text(dialog, IDC_RESULT_COMMENT, r->comment, sizeof r->comment);
    read_box_text(dialog, IDC_RESULT_PICTURE, r->picture, sizeof r->picture);
    read_box_text(dialog, IDC_RESULT_QR, r->qrText, sizeof r->qrText);
    read_box_text(dialog, IDC_RESULT_VOICE, r->voice, sizeof r->voice);
    if (!unsigned_box(dialog, IDC_RESULT_X, &r->pictureX) && r->picture[0]) return false;
    if (!unsigned_box(dialog, IDC_RESULT_Y, &r->pictureY) && r->picture[0]) return false;
    return read_range(dialog, r);
}

// A QR text the player could not fill, or whose code would not fit, is told now rather than
// leaving a visitor's screen without its code. Filled with the row's title and long sample values.
bool qr_text_usable(HWND dialog, const ResultRecord &r) {
    if (!r.qrText[0]) return true;
    SYSTEMTIME today;
    GetLocalTime(&today);
    const QrValues sample = {r.title, -2147483647, today, "KIOSK-01", "ZZZZ"};
    char filled[kQrFilledSize], message[512];
    size_t where = 0;
    int result = fill_qr_text(r.qrText, sample, filled, sizeof filled, &where);
    QrSymbol symbol;
    if (result == kQrFillOk && build_qr(filled, &symbol)) return true;
    if (result != kQrFillOk)
        qr_fill_message(result, r.qrText, where, message, sizeof message);
    else
        snprintf(message, sizeof message,
                 "QRコードの文字が長すぎます。\r\n誤り訂正レベルM（バージョン%dまで）で入るのは差し込み後 %d バイトまでで、"
                 "この結果では約 %u バイトになります。\r\n（日本語は1文字3バイト、Webアドレスの中では9バイトに数えます）",
                 kQrMaxVersion, qr_capacity_bytes(), static_cast<unsigned>(strlen(filled)));
    show_message_box(dialog, message, "結果", MB_OK | MB_ICONWARNING);
    SetFocus(GetDlgItem(dialog, IDC_RESULT_QR));
    return false;
}

void on_ok(HWND dialog) {
    if (!stored_fields_fit(dialog, kStoredFields, sizeof kStoredFields / sizeof kStoredFields[0])) return;
    ResultRecord r;
    if (!read_record(dialog, &r)) return;
    if (!qr_text_usable(dialog, r)) return;
    if (!r.title[0] && !r.comment[0] && !r.picture[0]) return;
    HWND view = owner_view(dialog);
    ListNode *list = &editor_state()->results;
    if (editor_state()->mode == kModeAdd) {
        lv_list_append(view, list, &r, sizeof r);
    } else {
        int row = lv_first_selected(view);
        // Without a selected row there is no record to change, and none is written.
        if (row >= 0 && liner_overwrite(list, row, &r, sizeof r)) lv_set_selected_item(view, liner_get(list, row));
    }
    EndDialog(dialog, 1);
}

INT_PTR on_command(HWND dialog, int id) {
    switch (id) {
        case IDC_RESULT_OK: on_ok(dialog); break;
        case IDC_RESULT_CANCEL: EndDialog(dialog, 0); break;
        case IDC_RESULT_BROWSE:
            choose_file_into_box(dialog, IDC_RESULT_PICTURE, kPictureTitle, kPictureFilter);
            break;
        default: voice_box_command(dialog, &kVoiceBox, 1, id); break;
    }
    return 0;
}

}  // namespace

INT_PTR CALLBACK result_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: return on_init_dialog(dialog);
        case WM_COMMAND: return on_command(dialog, LOWORD(wparam));
        case WM_CLOSE: EndDialog(dialog, 0); return 0;
        case WM_DESTROY: voice_try_stop(); return FALSE;  // however the dialog ends
        default: return FALSE;
    }
}
