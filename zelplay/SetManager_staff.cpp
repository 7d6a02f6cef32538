// The set editor's staff settings (dialog 125): the exit PIN, kept only as its salted hash.
#include "SetManager_private.h"
#include "exit_pin.h"
#include "message_box.h"
#include "resource.h"
#include <string.h>

namespace {

const char kCaption[] = "終了PIN・待ち時間";
const char kPinBad[] = "終了PINは4～8桁の数字で入力してください。";
const char kPinNone[] = "PINはありません。全画面からはShift + F12などでそのまま戻れます。";
const char kPinKept[] = "PINが設定されています。空欄のままなら変わりません。";
const char kSecondsClamped[] =
    "待ち時間は 10～3600 秒（0 または空欄でなし）、結果画面は 0～3600 秒です。"
    "無操作 %d 秒、結果画面 %d 秒にしました。よければもう一度 OK を押してください。";
const char kPinWasUnreadable[] = "このセットのPINは読み取れなかったため、PINなしで動きます。入力すると設定し直せます。";

void fill(HWND dialog) {
    const SetRecord *r = set_current_record();
    SendDlgItemMessageA(dialog, IDC_STAFF_PIN, EM_LIMITTEXT, kPinMaxDigits, 0);
    SetDlgItemTextA(dialog, IDC_STAFF_PIN_STATE,
                    r->exit_pin[0] ? kPinKept : r->exit_pin_unreadable ? kPinWasUnreadable : kPinNone);
    EnableWindow(GetDlgItem(dialog, IDC_STAFF_PIN_CLEAR), r->exit_pin[0] != 0);
    if (r->idle_seconds) SetDlgItemInt(dialog, IDC_STAFF_IDLE_SECONDS, static_cast<UINT>(r->idle_seconds), FALSE);
    CheckDlgButton(dialog, IDC_STAFF_IDLE_FIRST, r->idle_first_question ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_STAFF_PROGRESS, r->show_progress ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemInt(dialog, IDC_STAFF_RESULT_SECONDS, static_cast<UINT>(r->result_seconds), FALSE);
}

// A box's number, clamped into its range by the file's own rule; the operator is told the
// value used when it differs from the one typed.
bool take_seconds(HWND dialog, SetRecord *r) {
    BOOL ok = FALSE;
    UINT idle = GetDlgItemInt(dialog, IDC_STAFF_IDLE_SECONDS, &ok, FALSE);
    SetRecord probe = *r;
    probe.idle_seconds = ok ? static_cast<int32_t>(idle > kIdleSecondsMax ? kIdleSecondsMax + 1 : idle) : 0;
    UINT result = GetDlgItemInt(dialog, IDC_STAFF_RESULT_SECONDS, &ok, FALSE);
    probe.result_seconds = ok ? static_cast<int32_t>(result > kResultSecondsMax ? kResultSecondsMax + 1 : result) : 0;
    if (clamp_idle_seconds(&probe)) {
        char text[256];
        wsprintfA(text, kSecondsClamped, static_cast<int>(probe.idle_seconds), static_cast<int>(probe.result_seconds));
        show_message_box(dialog, text, kCaption, MB_OK | MB_ICONINFORMATION);
        SetDlgItemInt(dialog, IDC_STAFF_IDLE_SECONDS, static_cast<UINT>(probe.idle_seconds), FALSE);
        SetDlgItemInt(dialog, IDC_STAFF_RESULT_SECONDS, static_cast<UINT>(probe.result_seconds), FALSE);
        return false;
    }
    r->idle_seconds = probe.idle_seconds;
    r->result_seconds = probe.result_seconds;
    r->idle_first_question = IsDlgButtonChecked(dialog, IDC_STAFF_IDLE_FIRST) == BST_CHECKED;
    return true;
}

// Refuses the OK (the faulty box keeps the focus) or takes every box into the current record.
bool take(HWND dialog) {
    SetRecord *r = set_current_record();
    char pin[kPinMaxDigits + 2] = "";
    GetDlgItemTextA(dialog, IDC_STAFF_PIN, pin, sizeof pin);
    char line[kPinLineSize] = "";
    if (pin[0] && !pin_make_line_random(pin, line, sizeof line)) {
        show_message_box(dialog, kPinBad, kCaption, MB_OK | MB_ICONWARNING);
        SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_STAFF_PIN)), TRUE);
        SecureZeroMemory(pin, sizeof pin);
        return false;
    }
    SecureZeroMemory(pin, sizeof pin);
    if (!take_seconds(dialog, r)) return false;
    r->show_progress = IsDlgButtonChecked(dialog, IDC_STAFF_PROGRESS) == BST_CHECKED;
    if (line[0]) {
        strcpy(r->exit_pin, line);
        r->exit_pin_unreadable = 0;
    } else if (IsDlgButtonChecked(dialog, IDC_STAFF_PIN_CLEAR) == BST_CHECKED) {
        r->exit_pin[0] = '\0';
        r->exit_pin_unreadable = 0;
    }
    return true;
}

}  // namespace

const SettingsPage kStaffPage = {IDD_SET_STAFF, fill, take};
