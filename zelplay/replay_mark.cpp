// Drawing of the 「もう一度きく」 mark; where it stands is the screen fit's (replay_mark_rect).
#include "replay_mark.h"

const char kReplayLabel[] = "もう一度きく";

void draw_replay_mark(HDC dc, const RECT &area, COLORREF fore, COLORREF back) {
    const int h = area.bottom - area.top;
    if (h <= 0 || area.right <= area.left) return;
    const COLORREF ink = back == fore ? RGB(0, 0, 0) : back;
    HBRUSH fill = CreateSolidBrush(fore);
    HBRUSH inked = CreateSolidBrush(ink);
    HPEN pen = CreatePen(PS_SOLID, h / 14 + 1, ink);
    if (fill && inked && pen) {
        HGDIOBJ old_brush = SelectObject(dc, fill);
        HGDIOBJ old_pen = SelectObject(dc, GetStockObject(NULL_PEN));
        RoundRect(dc, area.left, area.top, area.right + 1, area.bottom + 1, h / 3, h / 3);
        // The speaker: a box and its cone, then two arcs of sound.
        const int u = h / 8, x = area.left + h / 5, cy = (area.top + area.bottom) / 2;
        SelectObject(dc, inked);
        Rectangle(dc, x, cy - u, x + u + u / 2, cy + u);
        POINT cone[4] = {{x + u, cy - u}, {x + 3 * u, cy - 3 * u}, {x + 3 * u, cy + 3 * u}, {x + u, cy + u}};
        Polygon(dc, cone, 4);
        SelectObject(dc, pen);
        SelectObject(dc, GetStockObject(NULL_BRUSH));
        for (int k = 1; k <= 2; ++k) {
            const int rr = u / 2 + k * u;
            Arc(dc, x + 3 * u - rr, cy - rr, x + 3 * u + rr, cy + rr, x + 3 * u + rr, cy + rr, x + 3 * u + rr, cy - rr);
        }
        SelectObject(dc, old_pen);
        SelectObject(dc, old_brush);
        // The label fills the rest of the box, as large as its width allows.
        RECT label = {x + 7 * u + u / 2, area.top, area.right - h / 8, area.bottom};  // clear of the outer arc
        const int chars = 6;
        int height = (label.right - label.left) / chars;
        if (height > h / 2) height = h / 2;
        HFONT font = CreateFontA(-height, 0, 0, 0, FW_BOLD, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, "ＭＳ ゴシック");
        if (font) {
            HGDIOBJ old_font = SelectObject(dc, font);
            const int old_mode = SetBkMode(dc, TRANSPARENT);
            const COLORREF old_colour = SetTextColor(dc, ink);
            DrawTextA(dc, kReplayLabel, -1, &label, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
            SetTextColor(dc, old_colour);
            SetBkMode(dc, old_mode);
            SelectObject(dc, old_font);
            DeleteObject(font);
        }
    }
    if (pen) DeleteObject(pen);
    if (inked) DeleteObject(inked);
    if (fill) DeleteObject(fill);
}
