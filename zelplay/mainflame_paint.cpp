// Composition of the player's screen off screen, the choice layout and hit test, and the colours.
#include "mainflame_paint.h"
#include "QuesManager.h"
#include "dpi.h"
#include "draw.h"
#include "font_slot.h"
#include "image_store.h"
#include "imemory.h"
#include "result_log.h"
#include "result_qr.h"
#include "card_print.h"
#include "test_mode.h"
#include <stdio.h>
#include <algorithm>

static COLORREF g_text = RGB(255, 255, 255);
static COLORREF g_back = RGB(0, 160, 0);
static HBRUSH g_brush = nullptr;
static int g_highlight = -1;

static int g_pressed = -1;

void set_choice_highlight(int slot) { g_highlight = slot; }

static bool g_progress;
void show_progress_mark(bool on) { g_progress = on; }
void set_choice_pressed(int slot) { g_pressed = slot; }
int choice_highlight() { return g_highlight; }

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

ChoiceLayout choice_layout(HWND window) {
    RECT r;
    GetClientRect(window, &r);
    ScreenLayout l = screen_layout(r);
    LOGFONTA lf;
    answer_font(kFontGetEffective, current_file(), &lf);
    logfont_to_dpi(&lf, font_slots_dpi());
    ChoiceLayout c = {};
    int tallest = 0, widest = 0, back_right = 0;
    for (int i = 0; i < kChoiceSlots; ++i) {
        const char *text = choice_text(i);
        if (!text) continue;
        c.shown |= 1u << i;
        RECT box = measure_text_box(window, text, DT_SINGLELINE | DT_VCENTER, &lf);
        c.box[i].width = box.right - box.left;
        c.box[i].height = box.bottom - box.top;
        if (i == kBackSlot) {
            back_right = box.right;
        } else {
            if (c.box[i].height > tallest) tallest = c.box[i].height;
            if (c.box[i].width > widest) widest = c.box[i].width;
        }
    }
    int left = static_cast<int>(1.5 * l.w10);
    // A small font would leave rows too low to hit with a finger.
    const double pitch = std::max(1.5 * tallest, static_cast<double>(MulDiv(kMinRowTenthsMm, font_slots_dpi(), 254)));
    auto row_top = [&](int i) { return 6 * l.h10 + static_cast<int>(i * pitch); };
    for (int i = 0; i < kBackSlot; ++i) {
        if (!(c.shown & (1u << i))) continue;
        c.box[i].x = left;
        // Centred on the band of the tallest answer: a short text ("ー") sits where it would in a line.
        c.box[i].y = row_top(i) + (tallest - c.box[i].height) / 2;
        c.hit[i] = {left, row_top(i), left + widest, row_top(i + 1)};
    }
    if (c.shown & (1u << kBackSlot)) {
        ChoiceBox &b = c.box[kBackSlot];
        b.x = r.right - back_right - l.w10;
        b.y = r.bottom - l.h2 - b.height;
        int margin = b.height / 4;
        c.hit[kBackSlot] = {b.x - margin, b.y - margin, b.x + b.width + margin, b.y + b.height + margin};
    }
    return c;
}

ChoiceBox choice_rect(HWND window, int slot) {
    ChoiceLayout c = choice_layout(window);
    return slot >= 0 && slot < kChoiceSlots ? c.box[slot] : ChoiceBox{};
}

int hit_choice(HWND window, int x, int y, int *slot) {
    ChoiceLayout c = choice_layout(window);
    POINT p = {x, y};
    for (int i = 0; i < kChoiceSlots; ++i) {
        // Rows meet edge to edge: a point on the border belongs to the row below it.
        if (!(c.shown & (1u << i)) || !PtInRect(&c.hit[i], p)) continue;
        if (slot) *slot = i;
        return 1;
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

// The file's position counts in 96-DPI pixels, like the picture's own size.
static void draw_picture(HDC dc) {
    HBITMAP picture = nullptr;
    const int dpi = font_slots_dpi();
    if (!image_store(kImgPictureAtDpi, dpi, &picture) || !picture) return;
    int x = to_dpi(image_store(kImgPictureX, 0, nullptr), dpi), y = to_dpi(image_store(kImgPictureY, 0, nullptr), dpi);
    int w = image_store(kImgPictureWidth, 0, nullptr), h = image_store(kImgPictureHeight, 0, nullptr);
    BITMAP bm;
    if (dpi != kBaseDpi && GetObjectA(picture, sizeof bm, &bm)) {
        w = bm.bmWidth;
        h = bm.bmHeight;
    }
    HDC src = CreateCompatibleDC(dc);
    if (!src) return;
    {
        SelectedBitmap sel(src, picture);
        // A picture with transparency shows the wallpaper or background through it.
        BLENDFUNCTION over = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        if (sel.old && image_store(kImgPictureAlpha, 0, nullptr)) AlphaBlend(dc, x, y, w, h, src, 0, 0, w, h, over);
        else if (sel.old) BitBlt(dc, x, y, w, h, src, 0, 0, SRCCOPY);
    }
    DeleteDC(src);
}

// A frame in the text colour, thick enough to be seen through a screen magnifier.
static void draw_highlight(HDC dc, const RECT &row, COLORREF colour) {
    const int t = to_dpi(4, font_slots_dpi());
    HBRUSH brush = CreateSolidBrush(colour);
    if (!brush) return;
    const RECT bars[4] = {{row.left, row.top, row.right, row.top + t},
                          {row.left, row.bottom - t, row.right, row.bottom},
                          {row.left, row.top, row.left + t, row.bottom},
                          {row.right - t, row.top, row.right, row.bottom}};
    for (const RECT &b : bars) FillRect(dc, &b, brush);
    DeleteObject(brush);
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

// Where the operator looks: the lines the logs could not take yet, on the start screen.
static void draw_log_notice(HDC dc, const ScreenLayout &l, COLORREF fore, COLORREF key, HFONT font) {
    size_t waiting = result_log_waiting();
    long failed = card_print_failures();
    if (!waiting && !failed) return;
    char text[512] = "";
    if (waiting)
        wsprintfA(text, "ログに書き込めていない行 %u 行（ログを開いているプログラムを閉じるか、ログのフォルダーに届くようになると書き込まれます）",
                  static_cast<unsigned>(waiting));
    if (failed)
        wsprintfA(text + lstrlenA(text), "%s印刷できなかったカード %ld 枚（プリンターの電源・用紙・接続を確かめてください）",
                  waiting ? "\r\n" : "", failed);
    // At the bottom edge, below the start screen's titles; a narrow window wraps it rather than
    // cutting it. The header font is the one selected in dc.
    RECT area = {l.w10 / 4, 0, l.footer.right + l.w10 - l.w10 / 4, l.footer.bottom - l.h2 / 16};
    RECT measured = area;
    DrawTextA(dc, text, -1, &measured, DT_CALCRECT | DT_WORDBREAK);
    area.top = area.bottom - (measured.bottom - measured.top);
    draw_text_box(dc, text, &area, DT_WORDBREAK, font, fore, key);
}

void compose_screen(HWND window, HDC dc, const RECT &r, int score_display, int full_screen) {
    ScreenLayout l = screen_layout(r);
    int file = current_file();
    COLORREF fore = text_colour(kColourGet, 0), key = back_colour(kColourGet, 0);

    HBITMAP wall = nullptr;
    if (image_store(kImgWallpaperAtDpi, font_slots_dpi(), &wall) && wall) {
        // A wallpaper with transparency shows the background through it.
        HBRUSH under = image_store(kImgWallpaperAlpha, 0, nullptr) ? back_brush(kBrushGet, 0) : nullptr;
        tile_bitmap(dc, wall, 0, 0, r.right, r.bottom, under);
    } else {
        FillRect(dc, &r, back_brush(kBrushGet, 0));
    }
    draw_picture(dc);

    char *text = nullptr;
    // The result's title and comment make room for its QR code.
    QrPlacement qr;
    const char *qr_note = nullptr;
    if (run_engine(kRunComment, 0, &text) == -1 && result_qr_placement(r, font_slots_dpi(), &qr)) {
        RECT meet;
        // Told to the author in 試す only: visitors just see the code where it fits.
        if (qr.moved) qr_note = "QRコードの位置（QrPlace）が画面の外なので、画面の内側に移しました";
        else if (IntersectRect(&meet, &l.text, &qr.square)) qr_note = "QRコードが結果のタイトルの場所に重なるので、タイトルを詰めました（QrPlace）";
        keep_text_clear(&l.text, qr.square);
        keep_text_clear(&l.comment, qr.square);
    }
    run_engine(kRunMainText, 0, &text);
    if (text) draw_text_box(dc, text, &l.text, DT_WORDBREAK | DT_VCENTER, question_font(kFontLookup, file, 0, nullptr), fore, key);

    HFONT answers = answer_font(kFontLookup, file, nullptr);
    ChoiceLayout choices = choice_layout(window);
    for (int i = 0; i < kChoiceSlots; ++i) {
        const char *choice = choice_text(i);
        if (!choice || !(choices.shown & (1u << i))) continue;
        const ChoiceBox &b = choices.box[i];
        RECT box = {b.x, b.y, b.x + b.width, b.y + b.height};
        draw_text_box(dc, choice, &box, DT_SINGLELINE | DT_VCENTER, answers, fore, key);
    }
    if (g_highlight >= 0 && g_highlight < kChoiceSlots && (choices.shown & (1u << g_highlight)))
        draw_highlight(dc, choices.hit[g_highlight], fore);
    if (g_pressed >= 0 && g_pressed < kChoiceSlots && (choices.shown & (1u << g_pressed)))
        InvertRect(dc, &choices.hit[g_pressed]);

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
        draw_result_qr(dc, r, font_slots_dpi());
        draw_print_button(dc, r, font_slots_dpi(), fore, key, header);
    }
    if (file == -1) draw_log_notice(dc, l, fore, key, header);
    int32_t number = 0, count = 0;
    if (g_progress && run_progress(&number, &count)) {
        char mark[32];
        wsprintfA(mark, "%d/%d", static_cast<int>(number), static_cast<int>(count));
        // Above the header's band, at the right: where no question, answer or header text starts.
        RECT corner = {l.w10, 0, r.right - l.w10 / 4, l.h2 / 4};
        draw_text_box(dc, mark, &corner, DT_SINGLELINE | DT_RIGHT | DT_VCENTER, header, fore, key);
    }
    if (old_font) SelectObject(dc, old_font);
    if (test_mode_on()) {
        draw_test_mark(dc, r);
        if (qr_note) {
            RECT band = {l.w10, l.comment.bottom, r.right - l.w10, l.comment.bottom + l.h10 / 2};
            HBRUSH red = CreateSolidBrush(RGB(200, 0, 0));
            if (red) {
                FillRect(dc, &band, red);
                DeleteObject(red);
            }
            draw_text_box(dc, qr_note, &band, DT_SINGLELINE | DT_VCENTER | DT_CENTER, header, RGB(255, 255, 255), RGB(0, 0, 1));
        }
    }
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
