// Test mode: the switch, the window, the mark and the jump menu to every result screen.
#include "test_mode.h"
#include "BrixLib.h"
#include "QuesManager.h"
#include "QuestionFile.h"
#include "kiosk.h"
#include "mainflame.h"
#include "resource.h"
#include "result_choice.h"
#include "result_report.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

const char kSwitch[] = "/test";
const char kFullScreen[] = "full";
// Sizes outside these are a typing error: the default size is taken instead.
enum { kMinWidth = 320, kMinHeight = 240, kMaxSide = 8192 };
const char kJumpMenuText[] = "結果へ移動(&J)";
struct Jump {
    int file, kind, row, total;
};
std::vector<Jump> g_jumps;  // index: command id - IDM_JUMP_FIRST

bool read_size(const char *text, size_t n, TestModeOptions *options) {
    if (n == sizeof kFullScreen - 1 && _strnicmp(text, kFullScreen, n) == 0) {
        options->full_screen = true;
        return true;
    }
    char *end = nullptr;
    long w = strtol(text, &end, 10);
    if (end == text || (*end != 'x' && *end != 'X')) return false;
    const char *h_text = end + 1;
    long h = strtol(h_text, &end, 10);
    if (end == h_text || static_cast<size_t>(end - text) != n || w < kMinWidth || h < kMinHeight || w > kMaxSide || h > kMaxSide) return false;
    options->width = static_cast<int>(w);
    options->height = static_cast<int>(h);
    return true;
}

HMENU jump_menu(HWND window) {
    HMENU bar = GetMenu(window);
    for (int i = GetMenuItemCount(bar) - 1; bar && i >= 0; --i) {
        char text[64] = "";
        GetMenuStringA(bar, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        if (strcmp(text, kJumpMenuText) == 0) return GetSubMenu(bar, i);
    }
    return nullptr;
}

std::string range_text(const ReportRow &row) {
    std::string text;
    char piece[64];
    for (size_t i = 0; i < row.ranges.size() && i < 3; ++i) {
        const auto &r = row.ranges[i];
        if (r.first == r.second) snprintf(piece, sizeof piece, "%s%lld", i ? "、" : "", static_cast<long long>(r.first));
        else snprintf(piece, sizeof piece, "%s%lld〜%lld", i ? "、" : "", static_cast<long long>(r.first),
                      static_cast<long long>(r.second));
        text += piece;
    }
    if (row.ranges.size() > 3) text += "…";
    return text.empty() ? "この得点には届きません" : "得点 " + text;
}

// One item per result row of the file: the top row, the banded rows, the bottom row.
void add_file_rows(HMENU menu, int file, const QuestionFile *f, bool titled) {
    if (titled) AppendMenuA(menu, MF_STRING | MF_GRAYED, 0, f->title);
    const ResultReport report = make_result_report(f);
    const ResultRules &rules = report.rules;
    std::vector<ReportRow> rows = report.rows;
    if (rows.empty()) {  // too wide to count: the rows without their totals
        rows.clear();
        if (rules.top_row) rows.push_back({kRowTop, f->topRow.title, {{rules.highest, rules.highest}}, {}});
        for (int32_t b = 0; b < rules.banded; ++b) rows.push_back({kRowBand, f->results[b].title, {}, {}});
        if (rules.bottom_row) rows.push_back({kRowBottom, f->bottomRow.title, {{rules.lowest, rules.lowest}}, {}});
    }
    int band = 0;
    for (const ReportRow &row : rows) {
        Jump jump = {file, 0, 0, 0};
        const char *place = "";
        if (row.kind == kRowTop) {
            jump.kind = kPickTopRow;
            jump.total = rules.highest;
            place = "先頭の行: ";
        } else if (row.kind == kRowBottom) {
            jump.kind = kPickBottomRow;
            jump.total = rules.lowest;
            place = "末尾の行: ";
        } else if (row.kind == kRowBand || row.kind == kRowRange || row.kind == kRowType) {
            jump.kind = kPickBand;
            jump.row = band++;
            if (!row.ranges.empty()) jump.total = static_cast<int>(row.ranges[0].first);
        } else {
            continue;
        }
        if (g_jumps.size() >= static_cast<size_t>(IDM_JUMP_LAST - IDM_JUMP_FIRST)) return;
        const std::string how = row.kind != kRowType ? range_text(row)
                                : report_row_reached(row) ? "タイプ式" : "どの回答でも選ばれません";
        std::string text = std::string(place) + row.title + "（" + how + "）";
        AppendMenuA(menu, MF_STRING, IDM_JUMP_FIRST + g_jumps.size(), text.c_str());
        g_jumps.push_back(jump);
    }
}

}  // namespace

// The program name: quoted, or up to the first blank; then the blanks after it.
const char *skip_program_name(const char *p) {
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p) ++p;
    } else {
        while (*p && *p != ' ' && *p != '\t') ++p;
    }
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

int parse_test_switch(const char *line, TestModeOptions *options, char *file, size_t file_size) {
    if (file_size) file[0] = '\0';
    if (!line) return 0;
    const char *p = skip_program_name(line);
    size_t n = strlen(kSwitch);
    if (_strnicmp(p, kSwitch, n) != 0 || (p[n] && p[n] != ':' && p[n] != ' ' && p[n] != '\t')) return 0;
    *options = {kTestDefaultWidth, kTestDefaultHeight, false};
    if (p[n] == ':') {
        const char *size = p + n + 1;
        size_t length = strcspn(size, " \t");
        if (!read_size(size, length, options)) *options = {kTestDefaultWidth, kTestDefaultHeight, false};
    }
    // The switch stands where the program name does for first_argument.
    first_argument(p, file, file_size);
    return 1;
}

SIZE fit_test_window(SIZE client, SIZE frame, SIZE work) {
    double scale = 1.0;
    if (client.cx + frame.cx > work.cx) scale = static_cast<double>(work.cx - frame.cx) / client.cx;
    if (client.cy + frame.cy > work.cy) {
        double s = static_cast<double>(work.cy - frame.cy) / client.cy;
        if (s < scale) scale = s;
    }
    if (scale <= 0) scale = 0.1;
    return {static_cast<LONG>(client.cx * scale) + frame.cx, static_cast<LONG>(client.cy * scale) + frame.cy};
}

void show_test_window(HWND window, const TestModeOptions &options) {
    HMENU bar = GetMenu(window);
    if (bar && !jump_menu(window)) {
        HMENU jumps = CreatePopupMenu();  // the menu bar owns it from here on
        if (jumps && !InsertMenuA(bar, GetMenuItemCount(bar) - 1, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(jumps),
                                  kJumpMenuText))
            DestroyMenu(jumps);
        DrawMenuBar(window);
    }
    if (!(GetMenuState(bar, IDM_SCORE_LINE, MF_BYCOMMAND) & MF_CHECKED)) SendMessageA(window, WM_COMMAND, IDM_SCORE_LINE, 0);
    if (options.full_screen) {
        set_full_screen_flag(1);
        set_full_screen(window, 1);
        return;
    }
    RECT outer = {0, 0, options.width, options.height};
    AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)), TRUE,
                       static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE)));
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT &w = monitor.rcWork;
    SIZE size = fit_test_window({options.width, options.height},
                                {outer.right - outer.left - options.width, outer.bottom - outer.top - options.height},
                                {w.right - w.left, w.bottom - w.top});
    SetWindowPos(window, nullptr, w.left + (w.right - w.left - size.cx) / 2, w.top + (w.bottom - w.top - size.cy) / 2, size.cx,
                 size.cy, SWP_NOZORDER);
}

void fill_jump_menu(HWND window) {
    HMENU menu = jump_menu(window);
    if (!menu) return;
    while (GetMenuItemCount(menu) > 0) DeleteMenu(menu, 0, MF_BYPOSITION);
    g_jumps.clear();
    int files = 0;
    for (int k = 0; k < kQuesFileSlots; ++k) files += question_file_loaded(loaded_question_file(k)) ? 1 : 0;
    for (int k = 0; k < kQuesFileSlots; ++k) {
        const QuestionFile *f = loaded_question_file(k);
        if (f && question_file_loaded(f)) add_file_rows(menu, k, f, files > 1);
    }
    if (g_jumps.empty()) AppendMenuA(menu, MF_STRING | MF_GRAYED, 0, "（結果がありません）");
}

bool jump_command(HWND window, int id) {
    if (id < IDM_JUMP_FIRST || id >= IDM_JUMP_LAST) return false;
    size_t i = static_cast<size_t>(id - IDM_JUMP_FIRST);
    if (i >= g_jumps.size()) return true;
    const Jump &j = g_jumps[i];
    show_result_row(j.file, j.kind, j.row, j.total);
    SendMessageA(window, WM_SIZE, 0, 0);
    return true;
}
