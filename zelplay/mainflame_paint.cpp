// Composition of the player's screen off screen, the choice layout and hit test, and the colours.
#include "mainflame_paint.h"
#include "QuesManager.h"
#include "draw.h"
#include "font_slot.h"
#include "image_store.h"
#include "imemory.h"
#include <stdio.h>

static COLORREF g_text = RGB(255, 255, 255);
static COLORREF g_back = RGB(0, 160, 0);
static HBRUSH g_brush = nullptr;

COLORREF text_colour(int op, COLORREF colour) {
    if (op == kColourSet) g_text = colour;
    return g_text;
}

COLORREF back_colour(int op, COLORREF colour) {
    if (op == kColourSet) {
        g_back = colour;
        back_brush(kBrushRebuild, colour);
    } else if (op == kColourStoreOnly) {
        g_back = colour;
    }
    return g_back;
}

HBRUSH back_brush(int op, COLORREF colour) {
    if (op == kBrushRebuild) {
        HBRUSH fresh = CreateSolidBrush(colour);
        if (!fresh) return g_brush;  // keep the old brush rather than lose the background
        if (g_brush) DeleteObject(g_brush);
        g_brush = fresh;
        back_colour(kColourStoreOnly, colour);
    } else if (!g_brush) {
        g_brush = CreateSolidBrush(g_back);
    }
    return g_brush;
}

ScreenLayout screen_layout(const RECT &r) {
    ScreenLayout l;
    l.w10 = r.right / 10;
    l.h10 = r.bottom / 10;
    l.h2 = 2 * l.h10;
    l.text = {l.w10, l.h2, r.right - l.w10, 5 * l.h10};
    l.header = {l.w10, l.h2 / 4, r.right, l.h2};
    l.footer = {r.left, r.bottom - l.h2 / 4, r.right - l.w10, r.bottom};
    l.comment = {l.w10, 6 * l.h10, r.right - l.w10, r.bottom - l.h2};
    return l;
}

static int current_file() { return run_engine(kRunCurrentFile, 0, nullptr); }

// The slot's text when the run offers one that is not empty, else null.
static const char *choice_text(int slot) {
    char *text = nullptr;
    if (run_engine(kRunChoiceText, slot, &text) != -1 || !text || !text[0]) return nullptr;
    return text;
}

ChoiceBox choice_rect(HWND window, int slot, const char *text) {
    RECT r;
    GetClientRect(window, &r);
    ScreenLayout l = screen_layout(r);
    LOGFONTA lf;
    answer_font(kFontGetEffective, current_file(), &lf);
    RECT box = measure_text_box(window, text, DT_SINGLELINE | DT_VCENTER, &lf);
    ChoiceBox c;
    c.width = box.right - box.left;
    c.height = box.bottom - box.top;
    if (slot == kBackSlot) {
        c.x = r.right - box.right - l.w10;
        c.y = r.bottom - l.h2 - c.height;
    } else {
        c.x = static_cast<int>(1.5 * l.w10);
        c.y = 6 * l.h10 + static_cast<int>(1.5 * slot * c.height);
    }
    return c;
}

int hit_choice(HWND window, int x, int y, int *slot) {
    for (int i = 0; i < kChoiceSlots; ++i) {
        const char *text = choice_text(i);
        if (!text) continue;
        ChoiceBox b = choice_rect(window, i, text);
        if (b.x <= x && x <= b.x + b.width && b.y <= y && y <= b.y + b.height) {
            if (slot) *slot = i;
            return 1;
        }
    }
    return 0;
}

// A compatible bitmap selected into a memory DC, released on scope exit.
namespace {
struct SelectedBitmap {
    HDC dc;
    HGDIOBJ old;
    SelectedBitmap(HDC d, HBITMAP b) : dc(d), old(b ? SelectObject(d, b) : nullptr) {}
    ~SelectedBitmap() {
        if (old) SelectObject(dc, old);
    }
    SelectedBitmap(const SelectedBitmap &) = delete;
    SelectedBitmap &operator=(const SelectedBitmap &) = delete;
};
}  // namespace

static void draw_picture(HDC dc) {
    HBITMAP picture = nullptr;
    if (!image_store(kImgPicture, 0, &picture) || !picture) return;
    int x = image_store(kImgPictureX, 0, nullptr), y = image_store(kImgPictureY, 0, nullptr);
    int w = image_store(kImgPictureWidth, 0, nullptr), h = image_store(kImgPictureHeight, 0, nullptr);
    HDC src = CreateCompatibleDC(dc);
    if (!src) return;
    {
        SelectedBitmap sel(src, picture);
        if (sel.old) BitBlt(dc, x, y, w, h, src, 0, 0, SRCCOPY);
    }
    DeleteDC(src);
}

static void draw_score_line(HDC dc) {
    char width[64] = "";
    char *buffer = width;
    run_engine(kRunBandWidthText, 0, &buffer);
    char line[256];
    // wsprintf knows no %f: the band width arrives as text.
    wsprintfA(line, "得点:%d 結果数(除最高・最低時のみ使用):%d 得点の幅:%s", run_engine(kRunTotal, 0, nullptr),
              run_engine(kRunResultCount, 0, nullptr), width);
    TextOutA(dc, 5, 5, line, lstrlenA(line));
}

void compose_screen(HWND window, HDC dc, const RECT &r, int score_display, int full_screen) {
    ScreenLayout l = screen_layout(r);
    int file = current_file();
    COLORREF fore = text_colour(kColourGet, 0), key = back_colour(kColourGet, 0);

    HBITMAP wall = nullptr;
    if (image_store(kImgWallpaper, 0, &wall) && wall) {
        tile_bitmap(dc, wall, 0, 0, r.right, r.bottom);
    } else {
        FillRect(dc, &r, back_brush(kBrushGet, 0));
    }
    draw_picture(dc);

    char *text = nullptr;
    run_engine(kRunMainText, 0, &text);
    if (text) draw_text_box(dc, text, &l.text, DT_WORDBREAK | DT_VCENTER, question_font(kFontLookup, file, 0, nullptr), fore, key);

    HFONT answers = answer_font(kFontLookup, file, nullptr);
    for (int i = 0; i < kChoiceSlots; ++i) {
        const char *choice = choice_text(i);
        if (!choice) continue;
        ChoiceBox b = choice_rect(window, i, choice);
        RECT box = {b.x, b.y, b.x + b.width, b.y + b.height};
        draw_text_box(dc, choice, &box, DT_SINGLELINE | DT_VCENTER, answers, fore, key);
    }

    HFONT header = header_font(kFontLookup, file, nullptr);
    HGDIOBJ old_font = SelectObject(dc, header);
    if (!old_font || old_font == HGDI_ERROR) {
        old_font = nullptr;
        i_show_last_error("SelectObject(フォントの選択)に失敗しました");
    }
    if (run_engine(kRunHeader, 0, &text) == -1 && text)
        draw_text_box(dc, text, &l.header, DT_VCENTER, header, fore, key);
    if (run_engine(kRunFooter, 0, &text) == -1 && text)
        draw_text_box(dc, text, &l.footer, DT_RIGHT | DT_VCENTER, header, fore, key);
    if (run_engine(kRunComment, 0, &text) == -1) {
        if (text)
            draw_text_box(dc, text, &l.comment, DT_WORDBREAK | DT_VCENTER, comment_font(kFontLookup, file, 0, nullptr),
                          fore, key);
        if (score_display == 1 && full_screen == 0) draw_score_line(dc);
    }
    if (old_font) SelectObject(dc, old_font);
}

void paint_screen(HWND window, int score_display, int full_screen) {
    RECT r;
    GetClientRect(window, &r);
    PAINTSTRUCT ps;
    HDC paint = BeginPaint(window, &ps);
    HDC mem = CreateCompatibleDC(paint);
    HBITMAP bitmap = CreateCompatibleBitmap(paint, r.right - r.left, r.bottom - r.top);
    if (mem && bitmap) {
        HGDIOBJ old = SelectObject(mem, bitmap);
        compose_screen(window, mem, r, score_display, full_screen);
        BitBlt(paint, r.left, r.top, r.right, r.bottom, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
    }
    if (bitmap) DeleteObject(bitmap);
    if (mem) DeleteDC(mem);
    EndPaint(window, &ps);
}
