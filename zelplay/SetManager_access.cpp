// The set editor's settings for every visitor (dialog 140): number badges, the keys' frame,
// one-switch scanning, 「ひとつ前へ」, reading aloud and the question before an idle return.
#include "SetManager_private.h"
#include "message_box.h"
#include "resource.h"

namespace {

const char kCaption[] = "だれでも遊べるように";
const char kClamped[] =
    "枠が進む間隔は 0～%d 秒、「続けますか？」は 0～%d 秒です。間隔 %d 秒、「続けますか？」 %d 秒にしました。"
    "よければもう一度 OK を押してください。";

struct Switch {
    int box;
    int SetRecord::*field;
};
const Switch kSwitches[] = {{IDC_ACCESS_NUMBERS, &SetRecord::answer_numbers},
                            {IDC_ACCESS_KEYS, &SetRecord::key_frame},
                            {IDC_ACCESS_BACK, &SetRecord::back_step},
                            {IDC_ACCESS_SPEAK, &SetRecord::speak}};

void fill(HWND dialog) {
    const SetRecord *r = set_current_record();
    for (const Switch &s : kSwitches) CheckDlgButton(dialog, s.box, r->*s.field ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemInt(dialog, IDC_ACCESS_SCAN, static_cast<UINT>(r->scan_seconds), FALSE);
    SetDlgItemInt(dialog, IDC_ACCESS_ASK, static_cast<UINT>(r->ask_seconds), FALSE);
}

// Out-of-range seconds are clamped by the file's own rule and shown before they are taken.
bool take(HWND dialog) {
    SetRecord *r = set_current_record();
    SetRecord probe = *r;
    BOOL ok = FALSE;
    UINT scan = GetDlgItemInt(dialog, IDC_ACCESS_SCAN, &ok, FALSE);
    probe.scan_seconds = ok ? static_cast<int32_t>(scan > kScanSecondsMax ? kScanSecondsMax + 1 : scan) : 0;
    UINT ask = GetDlgItemInt(dialog, IDC_ACCESS_ASK, &ok, FALSE);
    probe.ask_seconds = ok ? static_cast<int32_t>(ask > kAskSecondsMax ? kAskSecondsMax + 1 : ask) : 0;
    if (clamp_idle_seconds(&probe)) {
        char text[320];
        wsprintfA(text, kClamped, static_cast<int>(kScanSecondsMax), static_cast<int>(kAskSecondsMax),
                  static_cast<int>(probe.scan_seconds), static_cast<int>(probe.ask_seconds));
        show_message_box(dialog, text, kCaption, MB_OK | MB_ICONINFORMATION);
        SetDlgItemInt(dialog, IDC_ACCESS_SCAN, static_cast<UINT>(probe.scan_seconds), FALSE);
        SetDlgItemInt(dialog, IDC_ACCESS_ASK, static_cast<UINT>(probe.ask_seconds), FALSE);
        return false;
    }
    r->scan_seconds = probe.scan_seconds;
    r->ask_seconds = probe.ask_seconds;
    for (const Switch &s : kSwitches) r->*s.field = IsDlgButtonChecked(dialog, s.box) == BST_CHECKED;
    return true;
}

}  // namespace

const SettingsPage kAccessPage = {IDD_SET_ACCESS, fill, take};
