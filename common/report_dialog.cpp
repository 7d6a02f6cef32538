#include "modal_loop.h"
#include "report_dialog.h"
#include "BrixLib.h"
#include "DirList.h"
#include "dpi.h"
#include "imemory.h"
#include "message_box.h"
#include "shell_seam.h"
#include <string.h>

namespace {

const char kFontProp[] = "ZelmicaReportFont";
const char kCsvFilter[] = "CSV ファイル (*.csv)\0*.csv\0すべてのファイル (*.*)\0*.*\0";
const char kHtmlFilter[] = "HTML ファイル (*.html)\0*.html;*.htm\0すべてのファイル (*.*)\0*.*\0";

// The dialog's parameter: the text and, where the dialog has them, the charts.
struct Session {
    ReportContent *content;
    ReportCharts *charts;
};

std::vector<ChartGroup> chart_groups(const ReportCharts *charts) {
    std::vector<ChartGroup> groups;
    if (charts)
        for (const ReportSection &s : charts->document.sections)
            if (!s.chart.rows.empty()) groups.push_back(s.chart);
    return groups;
}

void draw_chart_panel(const DRAWITEMSTRUCT *item, const ReportCharts *charts) {
    FillRect(item->hDC, &item->rcItem, GetSysColorBrush(COLOR_WINDOW));
    RECT area = item->rcItem;
    const int dpi = window_dpi(item->hwndItem), pad = to_dpi(6, dpi);
    InflateRect(&area, -pad, -pad);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(GetParent(item->hwndItem), WM_GETFONT, 0, 0));
    draw_charts(item->hDC, area, font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), dpi,
                chart_groups(charts));
}

// From the top, nothing selected: the report is read first and copied when wanted.
void show(HWND dialog, const ReportContent *c) {
    if (HWND panel = GetDlgItem(dialog, IDC_REPORT_CHART)) InvalidateRect(panel, nullptr, TRUE);
    SetDlgItemTextA(dialog, IDC_REPORT_TEXT, c->text.c_str());
    SendDlgItemMessageA(dialog, IDC_REPORT_TEXT, EM_SETSEL, 0, 0);
    SendDlgItemMessageA(dialog, IDC_REPORT_TEXT, EM_SCROLLCARET, 0, 0);
}

// Columns of the report line up only in a fixed-pitch font, as tall as the dialog's own.
HFONT fixed_pitch_font(HWND dialog) {
    LOGFONTA lf;
    memset(&lf, 0, sizeof lf);
    HFONT own = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    if (!own || GetObjectA(own, sizeof lf, &lf) != sizeof lf) lf.lfHeight = -12;
    lf.lfWidth = 0;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    copy_cut(lf.lfFaceName, sizeof lf.lfFaceName, "ＭＳ ゴシック");
    return CreateFontIndirectA(&lf);
}

void save(HWND dialog, const ReportContent *c) {
    char file[kPathSize] = {0}, folder[kPathSize] = {0};
    copy_cut(file, sizeof file, c->csv_name ? c->csv_name : "");
    if (!module_folder(folder)) folder[0] = '\0';
    if (!choose_save_file(dialog, "CSV で保存", kCsvFilter, file, folder, 0) || !file[0]) return;
    const char *extension = path_extension(file);
    if (!extension || !extension[0]) append_prefix(file, sizeof file, ".csv", 4);
    save_text_file(file, c->csv);
}

// After saving, the operator may look at the report in the default browser at once.
void save_html(HWND dialog, const ReportCharts *charts) {
    char file[kPathSize] = {0}, folder[kPathSize] = {0};
    copy_cut(file, sizeof file, charts->html_name ? charts->html_name : "");
    if (!module_folder(folder)) folder[0] = '\0';
    if (!choose_save_file(dialog, "HTML で保存", kHtmlFilter, file, folder, 0) || !file[0]) return;
    const char *extension = path_extension(file);
    if (!extension || !extension[0]) append_prefix(file, sizeof file, ".html", 5);
    if (!save_text_file(file, report_html(charts->document))) return;
    if (show_message_box(dialog, "保存しました。ブラウザで開きますか？", "HTML で保存", MB_YESNO | MB_ICONQUESTION) == IDYES &&
        !shell_open_document(dialog, file))
        show_message_box(dialog, "ブラウザで開けませんでした。", "HTML で保存", MB_OK | MB_ICONWARNING);
}

INT_PTR CALLBACK report_proc(HWND dialog, UINT message, WPARAM wp, LPARAM lp) {
    Session *session = reinterpret_cast<Session *>(GetWindowLongPtrA(dialog, DWLP_USER));
    ReportContent *c = session ? session->content : nullptr;
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowLongPtrA(dialog, DWLP_USER, lp);
            if (!reinterpret_cast<Session *>(lp)->charts) {
                // Without charts the panel and its button have nothing to show.
                if (HWND panel = GetDlgItem(dialog, IDC_REPORT_CHART)) ShowWindow(panel, SW_HIDE);
                if (HWND button = GetDlgItem(dialog, IDC_REPORT_HTML)) EnableWindow(button, FALSE);
            }
            HFONT font = fixed_pitch_font(dialog);
            if (font) {
                SetPropA(dialog, kFontProp, font);
                SendDlgItemMessageA(dialog, IDC_REPORT_TEXT, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
            }
            show(dialog, reinterpret_cast<Session *>(lp)->content);
            SetFocus(GetDlgItem(dialog, IDC_REPORT_TEXT));
            return FALSE;  // the focus is set
        }
        case WM_DESTROY:
            if (HFONT font = static_cast<HFONT>(RemovePropA(dialog, kFontProp))) DeleteObject(font);
            return FALSE;
        case WM_DRAWITEM: {
            const DRAWITEMSTRUCT *item = reinterpret_cast<const DRAWITEMSTRUCT *>(lp);
            if (!session || wp != IDC_REPORT_CHART) return FALSE;
            draw_chart_panel(item, session->charts);
            return TRUE;
        }
        case WM_COMMAND:
            if (!c || HIWORD(wp) != BN_CLICKED) return FALSE;
            if (LOWORD(wp) == IDCANCEL || LOWORD(wp) == IDOK) {
                EndDialog(dialog, IDOK);
            } else if (LOWORD(wp) == IDC_REPORT_SAVE) {
                save(dialog, c);
            } else if (LOWORD(wp) == IDC_REPORT_HTML && session->charts) {
                save_html(dialog, session->charts);
            } else if (c->command) {
                c->command(dialog, LOWORD(wp), c);
                show(dialog, c);
            }
            return TRUE;
        default: return FALSE;
    }
}

}  // namespace

INT_PTR run_report_dialog(HWND owner, HINSTANCE instance, int resource, ReportContent *content,
                          ReportCharts *charts) {
    Session session = {content, charts};
    ModalLoop loop;
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(resource), owner, report_proc,
                           reinterpret_cast<LPARAM>(&session));
}

bool save_text_file(const char *path, const std::string &bytes) {
    char temporary[kPathSize] = {0};
    if (!temporary_beside(path, temporary)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        i_show_last_error("一時ファイルの名前が長すぎます");
        return false;
    }
    HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        i_show_last_error("ファイルの作成に失敗しました");
        return false;
    }
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    if (!ok) i_show_last_error("ファイルの書き込みに失敗しました");
    CloseHandle(file);
    if (!ok) {
        DeleteFileA(temporary);
        return false;
    }
    return replace_file(temporary, path) != 0;
}
