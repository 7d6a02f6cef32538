// The main dialog grows: both list views share the new height and take the new width, the
// controls around them follow; its smallest size is the template's. Its place is kept per user.
#include "mainflame.h"
#include "font_slot.h"
#include "question_codec.h"
#include "resource.h"
#include <stdio.h>
#include <vector>

namespace {

// How a control follows the growth, in halves of it: moves right, moves down, widens, heightens.
struct Anchor {
    HWND control;
    RECT original;  // client pixels at the smallest size
    int move_x, move_y, grow_x, grow_y;
};

std::vector<Anchor> g_anchors;
SIZE g_original = {0, 0};  // client size at the start
POINT g_min_track = {0, 0};
POINT g_growth = {0, 0};
bool g_started = false;

// Template lines, in dialog units, that part the layout into regions.
enum {
    kQuestionGroupTop = 20,  // above: the title line
    kFontColumn = 276,       // right of the question list: the font buttons
    kBelowQuestionList = 112,
    kResultGroupTop = 161,
    kBelowResultList = 215,
    kSoundColumn = 306,
    kCommandRow = 299,
};

bool is_group_box(HWND control) {
    char name[16] = {0};
    GetClassNameA(control, name, sizeof name);
    return lstrcmpiA(name, "Button") == 0 &&
           (GetWindowLongPtrA(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

Anchor anchor_of(HWND dialog, HWND control, const RECT &r) {
    // Horizontal lines scale by the dialog's vertical unit, vertical ones by its horizontal unit.
    RECT columns = {kFontColumn, kQuestionGroupTop, kSoundColumn, kResultGroupTop};
    RECT rows = {0, kBelowQuestionList, 0, kBelowResultList};
    RECT commands = {0, kCommandRow, 0, 0};
    MapDialogRect(dialog, &columns);
    MapDialogRect(dialog, &rows);
    MapDialogRect(dialog, &commands);
    const LONG font_column = columns.left, question_top = columns.top, sound_column = columns.right,
               result_top = columns.bottom, below_questions = rows.top, below_results = rows.bottom,
               command_row = commands.top;
    const int id = GetDlgCtrlID(control);
    Anchor a = {control, r, 0, 0, 0, 0};
    if (id == IDC_MAIN_QUESTIONS) {
        a.grow_x = 2, a.grow_y = 1;
    } else if (id == IDC_MAIN_RESULTS) {
        a.move_y = 1, a.grow_x = 2, a.grow_y = 1;
    } else if (r.top < question_top) {
        if (id == IDC_MAIN_TITLE) a.grow_x = 2;
    } else if (r.top >= command_row) {
        a.move_y = 2;
    } else if (r.left >= sound_column) {
        a.move_x = 2, a.move_y = 1;
        if (is_group_box(control)) a.grow_y = 1;
    } else if (r.top < result_top) {
        if (is_group_box(control)) a.grow_x = 2, a.grow_y = 1;
        else if (r.left >= font_column) a.move_x = 2;
        else if (r.top >= below_questions) {
            a.move_y = 1;
            if (id == IDC_MAIN_HEADER || id == IDC_MAIN_FOOTER) a.grow_x = 2;
        }
    } else if (is_group_box(control)) {
        a.move_y = 1, a.grow_x = 2, a.grow_y = 1;
    } else if (r.top >= below_results) {
        a.move_y = 2;
        if (id == IDC_MAIN_WALLPAPER) a.grow_x = 2;
        if (id == IDC_MAIN_WALLPAPER_BROWSE) a.move_x = 2;
    }
    return a;
}

BOOL CALLBACK collect(HWND control, LPARAM lparam) {
    HWND dialog = reinterpret_cast<HWND>(lparam);
    if (GetParent(control) != dialog) return TRUE;
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&r), 2);
    g_anchors.push_back(anchor_of(dialog, control, r));
    return TRUE;
}

const char kPlacement[] = "Placement";

}  // namespace

void layout_start(HWND dialog) {
    g_anchors.clear();
    g_growth = {0, 0};
    RECT client, window;
    GetClientRect(dialog, &client);
    GetWindowRect(dialog, &window);
    g_original = {client.right, client.bottom};
    g_min_track = {window.right - window.left, window.bottom - window.top};
    EnumChildWindows(dialog, collect, reinterpret_cast<LPARAM>(dialog));
    g_started = true;
}

void layout_size(HWND dialog) {
    if (!g_started || IsIconic(dialog)) return;
    RECT client;
    GetClientRect(dialog, &client);
    POINT growth = {client.right - g_original.cx, client.bottom - g_original.cy};
    if (growth.x < 0) growth.x = 0;
    if (growth.y < 0) growth.y = 0;
    g_growth = growth;
    HDWP moves = BeginDeferWindowPos(static_cast<int>(g_anchors.size()));
    for (const Anchor &a : g_anchors) {
        const RECT &o = a.original;
        int x = o.left + growth.x * a.move_x / 2, y = o.top + growth.y * a.move_y / 2;
        int w = o.right - o.left + growth.x * a.grow_x / 2, h = o.bottom - o.top + growth.y * a.grow_y / 2;
        if (moves) moves = DeferWindowPos(moves, a.control, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (moves) EndDeferWindowPos(moves);
    // The font samples are painted, not controls: the whole face is drawn again.
    InvalidateRect(dialog, nullptr, TRUE);
}

void layout_min_size(MINMAXINFO *info) {
    if (!g_started) return;
    info->ptMinTrackSize = g_min_track;
}

POINT layout_sample_offset(int role) {
    // The comment font sits under the result list, the others beside the question list.
    if (role == kFontRoleComment) return {0, g_growth.y};
    return {g_growth.x, 0};
}

void restore_placement(HWND dialog) {
    std::string text = load_user_text(kPlacement);
    WINDOWPLACEMENT p;
    memset(&p, 0, sizeof p);
    p.length = sizeof p;
    if (!GetWindowPlacement(dialog, &p)) return;
    RECT r;
    int show = 0;
    char end = 0;
    if (sscanf(text.c_str(), "%ld,%ld,%ld,%ld,%d%c", &r.left, &r.top, &r.right, &r.bottom, &show, &end) != 5) return;
    if (r.right - r.left < g_min_track.x || r.bottom - r.top < g_min_track.y || r.right - r.left > 32767 ||
        r.bottom - r.top > 32767)
        return;
    // A place on a monitor that is gone comes back on the nearest one, whole.
    HMONITOR monitor = MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST);
    MONITORINFO m;
    memset(&m, 0, sizeof m);
    m.cbSize = sizeof m;
    if (!GetMonitorInfoA(monitor, &m)) return;
    const RECT &work = m.rcWork;
    LONG w = r.right - r.left, h = r.bottom - r.top;
    if (w > work.right - work.left) w = work.right - work.left;
    if (h > work.bottom - work.top) h = work.bottom - work.top;
    LONG x = r.left, y = r.top;
    if (x + w > work.right) x = work.right - w;
    if (y + h > work.bottom) y = work.bottom - h;
    if (x < work.left) x = work.left;
    if (y < work.top) y = work.top;
    p.rcNormalPosition = {x, y, x + w, y + h};
    p.showCmd = show == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    p.flags = 0;
    SetWindowPlacement(dialog, &p);
}

void store_placement(HWND dialog) {
    WINDOWPLACEMENT p;
    memset(&p, 0, sizeof p);
    p.length = sizeof p;
    if (!GetWindowPlacement(dialog, &p)) return;
    const RECT &r = p.rcNormalPosition;
    char text[96];
    snprintf(text, sizeof text, "%ld,%ld,%ld,%ld,%d", r.left, r.top, r.right, r.bottom,
             p.showCmd == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    store_user_text(kPlacement, text);
}
