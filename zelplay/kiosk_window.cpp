// The 「キオスクの状態」 dialog and this computer's kiosk-name setting.
#include "kiosk_window.h"
#include <commctrl.h>
#include <stdio.h>
#include <vector>
#include "BrixLib.h"
#include "QuesManager.h"
#include "input_box.h"
#include "kiosk_report.h"
#include "kiosk_status.h"
#include "message_box.h"
#include "resource.h"
#include "result_log.h"
#include "visit_log.h"

namespace {

enum { kRefreshTimer = 1, kRefreshMillis = 10000 };
const char kSettingFile[] = "zelplay.ini";
// The set version stands early: which kiosks still run the old set is the question after an update.
const char *const kColumns[] = {"キオスク", "最終確認", "セットの版", "注意", "今日の来場者", "最後の来場", "待ち行",
                                "今日の再起動", "全画面", "セット", "バージョン", "パソコン"};
const int kWidths[] = {70, 110, 140, 220, 70, 130, 50, 70, 50, 160, 50, 80};

std::vector<KioskStatusRead> g_rows;

void fill(HWND dialog) {
    char folder[kPathSize];
    log_folder_writable(folder);
    SetDlgItemTextA(dialog, IDC_KIOSK_FOLDER, folder);
    g_rows = read_kiosk_statuses(folder, utc_now_ticks());
    HWND list = GetDlgItem(dialog, IDC_KIOSK_LIST);
    ListView_DeleteAllItems(list);
    for (size_t i = 0; i < g_rows.size(); ++i) {
        const KioskStatusRead &r = g_rows[i];
        const KioskStatus &s = r.status;
        char set_name[kPathSize];
        copy_cut(set_name, sizeof set_name, s.set_file.c_str());
        const std::string set = std::string(path_file_name(set_name)) + (s.set_time.empty() ? "" : "（" + s.set_time + "）");
        const std::string cells[] = {s.kiosk, last_seen_text(r.age_seconds), s.set_version, kiosk_status_notes(r), std::to_string(s.visitors_today),
                                     s.last_visit, std::to_string(s.waiting), std::to_string(s.restarts_today),
                                     s.full_screen ? "全画面" : "", set, s.version, s.computer};
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<char *>(cells[0].c_str());
        int at = ListView_InsertItem(list, &item);
        for (int c = 1; c < static_cast<int>(sizeof kColumns / sizeof *kColumns); ++c)
            ListView_SetItemText(list, at, c, const_cast<char *>(cells[c].c_str()));
    }
}

void on_init(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_KIOSK_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    for (int c = 0; c < static_cast<int>(sizeof kColumns / sizeof *kColumns); ++c) {
        LVCOLUMNA col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.cx = kWidths[c];
        col.pszText = const_cast<char *>(kColumns[c]);
        ListView_InsertColumn(list, c, &col);
    }
    fill(dialog);
    SetTimer(dialog, kRefreshTimer, kRefreshMillis, nullptr);
}

// A kiosk that needs a look stands out in red.
LRESULT on_custom_draw(NMLVCUSTOMDRAW *draw) {
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
        size_t i = static_cast<size_t>(draw->nmcd.dwItemSpec);
        if (i < g_rows.size() && g_rows[i].alarm()) draw->clrText = RGB(200, 0, 0);
    }
    return CDRF_DODEFAULT;
}

INT_PTR CALLBACK status_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG: on_init(dialog); return TRUE;
        case WM_TIMER: fill(dialog); return TRUE;
        case WM_NOTIFY: {
            NMHDR *h = reinterpret_cast<NMHDR *>(lparam);
            if (h->idFrom != IDC_KIOSK_LIST || h->code != NM_CUSTOMDRAW) return FALSE;
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, on_custom_draw(reinterpret_cast<NMLVCUSTOMDRAW *>(lparam)));
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wparam) == IDC_KIOSK_REFRESH) {
                kiosk_report_now();  // this kiosk's own row is then up to date
                fill(dialog);
            } else if (LOWORD(wparam) == IDCANCEL) {
                KillTimer(dialog, kRefreshTimer);
                EndDialog(dialog, 0);
            }
            return TRUE;
        default: return FALSE;
    }
}

std::string setting_path() {
    char folder[kPathSize];
    local_folder(folder);
    return folder[0] ? std::string(folder) + kSettingFile : std::string();
}

}  // namespace

void show_kiosk_status(HWND owner, HINSTANCE instance) {
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_KIOSK_STATUS), owner, status_proc, 0);
    g_rows.clear();
}

std::string stored_pc_kiosk_name() {
    const std::string path = setting_path();
    char name[kKioskNameSize] = "";
    if (!path.empty()) GetPrivateProfileStringA("Kiosk", "Name", "", name, sizeof name, path.c_str());
    return kiosk_name_valid(name) ? name : "";
}

void ask_pc_kiosk_name(HWND owner) {
    char name[kLineSize];
    copy_cut(name, sizeof name, pc_kiosk_name());
    if (!input_box(owner, "このパソコンのキオスク名",
                   "このパソコンのキオスク名（セットのキオスク名より優先。空欄: セットの名前かパソコン名）", 0, name,
                   static_cast<int>(sizeof name)))
        return;
    if (name[0] && !kiosk_name_valid(name)) {
        show_message_box(owner, "この名前はファイル名に使えないため、キオスク名にできません。", "このパソコンのキオスク名",
                         MB_OK | MB_ICONWARNING);
        return;
    }
    const std::string path = setting_path();
    if (path.empty() || !WritePrivateProfileStringA("Kiosk", "Name", name[0] ? name : nullptr, path.c_str())) {
        show_message_box(owner, "設定を保存できませんでした。", "このパソコンのキオスク名", MB_OK | MB_ICONWARNING);
        return;
    }
    set_pc_kiosk_name(name);
    kiosk_report_now();
}
