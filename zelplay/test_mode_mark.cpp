// Test mode's flag and its mark: all that the screen's composition needs of it, apart from the
// window, the switch and the jump menu.
#include "result_log.h"
#include "test_mode.h"

namespace {
const char kMarkText[] = "テスト中";
bool g_on;
}  // namespace

bool test_mode_on() { return g_on; }

void begin_test_mode() {
    g_on = true;
    suppress_log_writes(true);
}

void draw_test_mark(HDC dc, const RECT &r) {
    // The corner right of the footer's end and below "戻る": no text of the screen reaches it.
    int w10 = r.right / 10, band = r.bottom / 20;
    int height = band - 6 < w10 / 6 ? band - 6 : w10 / 6;  // four wide letters: two thirds of the free width
    if (height < 6) return;
    HFONT font = CreateFontA(-height, 0, 0, 0, FW_BOLD, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, "ＭＳ Ｐゴシック");
    if (!font) return;
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size = {};
    GetTextExtentPoint32A(dc, kMarkText, lstrlenA(kMarkText), &size);
    RECT box = {r.right - size.cx - 6, r.bottom - size.cy - 4, r.right - 2, r.bottom - 2};
    HBRUSH brush = CreateSolidBrush(RGB(255, 220, 0));
    if (brush) {
        FillRect(dc, &box, brush);
        DeleteObject(brush);
    }
    int mode = SetBkMode(dc, TRANSPARENT);
    COLORREF colour = SetTextColor(dc, RGB(0, 0, 0));
    TextOutA(dc, box.left + 2, box.top + 1, kMarkText, lstrlenA(kMarkText));
    SetTextColor(dc, colour);
    SetBkMode(dc, mode);
    if (old) SelectObject(dc, old);
    DeleteObject(font);
}
