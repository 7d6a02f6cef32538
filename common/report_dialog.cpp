#include "modal_loop.h"
#include "report_dialog.h"
#include "BrixLib.h"
#include "DirList.h"
#include "dpi.h"
#include "imemory.h"
#include "message_box.h"
#include "shell_seam.h"
#include <string.h>
#include <vector>

namespace {

const char kFontProp[] = "ZelmicaReportFont";
const char kCsvFilter[] = "CSV ファイル (*.csv)\0*.csv\0すべてのファイル (*.*)\0*.*\0";
const char kHtmlFilter[] = "HTML ファイル (*.html)\0*.html;*.htm\0すべてのファイル (*.*)\0*.*\0";

const char kScrollProp[] = "ZelmicaChartScroll";

// The dialog's parameter: the text and, where the dialog has them, the charts; and the layout
// its resource gave, from which every later size is laid out.
struct Session {
    ReportContent *content;
    ReportCharts *charts;
    SIZE first = {0, 0};  // client size at creation
    struct Placed {
        HWND control;
        RECT at;  // in client coordinates at creation
    };
    std::vector<Placed> placed;
    SIZE min_window = {0, 0};
};

std::vector<ChartGroup> chart_groups(const ReportCharts *charts) {
    std::vector<ChartGroup> groups;
    if (charts)
        for (const ReportSection &s : charts->document.sections)
            if (!s.chart.rows.empty()) groups.push_back(s.chart);
    return groups;
}

HFONT panel_font(HWND panel) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(GetParent(panel), WM_GETFONT, 0, 0));
    return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// The panel's scroll range follows the charts' height; the position stays within it.
void update_panel_scroll(HWND panel, const ReportCharts *charts) {
    RECT r;
    GetClientRect(panel, &r);
    HDC dc = GetDC(panel);
    const int dpi = window_dpi(panel), pad = to_dpi(6, dpi);
    const int height = dc ? charts_height(dc, panel_font(panel), dpi, chart_groups(charts)) + 2 * pad : 0;
    if (dc) ReleaseDC(panel, dc);
    SCROLLINFO si = {sizeof si, SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL, 0, height, static_cast<UINT>(r.bottom), 0, 0};
    SetScrollInfo(panel, SB_VERT, &si, TRUE);
}

void draw_chart_panel(const DRAWITEMSTRUCT *item, const ReportCharts *charts) {
    FillRect(item->hDC, &item->rcItem, GetSysColorBrush(COLOR_WINDOW));
    RECT area = item->rcItem;
    const int dpi = window_dpi(item->hwndItem), pad = to_dpi(6, dpi);
    InflateRect(&area, -pad, -pad);
    const int top = area.top;
    area.top -= GetScrollPos(item->hwndItem, SB_VERT);
    area.bottom = area.top + 1000000;
    const int saved = SaveDC(item->hDC);
    IntersectClipRect(item->hDC, item->rcItem.left, top, item->rcItem.right, item->rcItem.bottom - pad);
    draw_charts(item->hDC, area, panel_font(item->hwndItem), dpi, chart_groups(charts));
    RestoreDC(item->hDC, saved);
}

// The chart panel scrolls by its bar, the wheel and the arrow keys.
LRESULT CALLBACK panel_proc(HWND panel, UINT message, WPARAM wp, LPARAM lp) {
    WNDPROC old = reinterpret_cast<WNDPROC>(GetPropA(panel, kScrollProp));
    int step = 0;
    SCROLLINFO si = {sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(panel, SB_VERT, &si);
    const int line = 20, page = static_cast<int>(si.nPage);
    switch (message) {
        case WM_VSCROLL:
            switch (LOWORD(wp)) {
                case SB_LINEUP: step = -line; break;
                case SB_LINEDOWN: step = line; break;
                case SB_PAGEUP: step = -page; break;
                case SB_PAGEDOWN: step = page; break;
                case SB_THUMBTRACK:
                case SB_THUMBPOSITION: step = si.nTrackPos - si.nPos; break;
                case SB_TOP: step = -si.nPos; break;
                case SB_BOTTOM: step = si.nMax; break;
                default: break;
            }
            break;
        case WM_MOUSEWHEEL: step = -GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA * 3 * line; break;
        case WM_NCDESTROY:
            RemovePropA(panel, kScrollProp);
            SetWindowLongPtrA(panel, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
            return CallWindowProcA(old, panel, message, wp, lp);
        default: return CallWindowProcA(old, panel, message, wp, lp);
    }
    if (step) {
        SetScrollPos(panel, SB_VERT, si.nPos + step, TRUE);
        InvalidateRect(panel, nullptr, TRUE);
    }
    return 0;
}

void remember_layout(HWND dialog, Session *s) {
    RECT client, window;
    GetClientRect(dialog, &client);
    GetWindowRect(dialog, &window);
    s->first = {client.right, client.bottom};
    s->min_window = {window.right - window.left, window.bottom - window.top};
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        RECT r;
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&r), 2);
        s->placed.push_back({c, r});
    }
}

// The text and the chart panel share the new room side by side; what stands below them follows
// the bottom edge, the close button the right edge too.
void lay_out(HWND dialog, const Session *s, int width, int height) {
    if (s->placed.empty()) return;
    const int dx = width - s->first.cx, dy = height - s->first.cy;
    RECT text = {0, 0, 0, 0};
    for (const Session::Placed &p : s->placed)
        if (GetDlgCtrlID(p.control) == IDC_REPORT_TEXT) text = p.at;
    HDWP defer = BeginDeferWindowPos(static_cast<int>(s->placed.size()));
    for (const Session::Placed &p : s->placed) {
        RECT r = p.at;
        const int id = GetDlgCtrlID(p.control);
        if (id == IDC_REPORT_TEXT) {
            r.right += dx / 2;
            r.bottom += dy;
        } else if (id == IDC_REPORT_CHART) {
            r.left += dx / 2;
            r.right += dx;
            r.bottom += dy;
        } else if (r.top >= text.bottom) {
            OffsetRect(&r, id == IDCANCEL ? dx : 0, dy);
        }
        if (defer)
            defer = DeferWindowPos(defer, p.control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (defer) EndDeferWindowPos(defer);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    if (HWND panel = GetDlgItem(dialog, IDC_REPORT_CHART)) {
        update_panel_scroll(panel, s->charts);
        InvalidateRect(panel, nullptr, TRUE);
    }
}

// The user's size of a resizable report, under HKEY_CURRENT_USER\key; false when none is kept.
bool kept_size(const char *key, SIZE *size) {
    HKEY k = nullptr;
    if (!key || RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    DWORD w = 0, h = 0, type = 0, n = sizeof w;
    bool ok = RegQueryValueExA(k, "Width", nullptr, &type, reinterpret_cast<BYTE *>(&w), &n) == ERROR_SUCCESS && type == REG_DWORD;
    n = sizeof h;
    ok = ok && RegQueryValueExA(k, "Height", nullptr, &type, reinterpret_cast<BYTE *>(&h), &n) == ERROR_SUCCESS && type == REG_DWORD;
    RegCloseKey(k);
    if (!ok || w > 20000 || h > 20000) return false;
    *size = {static_cast<LONG>(w), static_cast<LONG>(h)};
    return true;
}

void keep_size(HWND dialog, const char *key) {
    RECT r;
    HKEY k = nullptr;
    if (!key || IsIconic(dialog) || !GetWindowRect(dialog, &r) ||
        RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) != ERROR_SUCCESS)
        return;
    DWORD w = static_cast<DWORD>(r.right - r.left), h = static_cast<DWORD>(r.bottom - r.top);
    RegSetValueExA(k, "Width", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&w), sizeof w);
    RegSetValueExA(k, "Height", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&h), sizeof h);
    RegCloseKey(k);
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
            Session *started = reinterpret_cast<Session *>(lp);
            remember_layout(dialog, started);
            if (HWND panel = GetDlgItem(dialog, IDC_REPORT_CHART)) {
                if (GetWindowLongPtrA(panel, GWL_STYLE) & WS_VSCROLL) {
                    SetPropA(panel, kScrollProp, reinterpret_cast<HANDLE>(GetWindowLongPtrA(panel, GWLP_WNDPROC)));
                    SetWindowLongPtrA(panel, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(panel_proc));
                }
            }
            if (started->content->init) started->content->init(dialog, started->content);
            SIZE size;
            if ((GetWindowLongPtrA(dialog, GWL_STYLE) & WS_THICKFRAME) && kept_size(started->content->size_key, &size) &&
                size.cx >= started->min_window.cx && size.cy >= started->min_window.cy)
                SetWindowPos(dialog, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            if (HWND panel = GetDlgItem(dialog, IDC_REPORT_CHART)) update_panel_scroll(panel, started->charts);
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
            if (session && (GetWindowLongPtrA(dialog, GWL_STYLE) & WS_THICKFRAME)) keep_size(dialog, c->size_key);
            if (HFONT font = static_cast<HFONT>(RemovePropA(dialog, kFontProp))) DeleteObject(font);
            return FALSE;
        case WM_SIZE:
            if (session && wp != SIZE_MINIMIZED) lay_out(dialog, session, LOWORD(lp), HIWORD(lp));
            return FALSE;
        case WM_GETMINMAXINFO:
            if (session && session->min_window.cx) {
                reinterpret_cast<MINMAXINFO *>(lp)->ptMinTrackSize = {session->min_window.cx, session->min_window.cy};
                return TRUE;
            }
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
                if (c->command) c->command(dialog, LOWORD(wp), c);  // may name the file from the boxes
                save(dialog, c);
            } else if (LOWORD(wp) == IDC_REPORT_HTML && session->charts) {
                if (c->command) c->command(dialog, LOWORD(wp), c);
                save_html(dialog, session->charts);
            } else if (c->command) {
                c->command(dialog, LOWORD(wp), c);
                show(dialog, c);
                if (HWND panel = GetDlgItem(dialog, IDC_REPORT_CHART)) {
                    SetScrollPos(panel, SB_VERT, 0, FALSE);
                    update_panel_scroll(panel, session->charts);
                }
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
