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
#include "replay_mark.h"
#include "card_print.h"
#include "test_mode.h"
#include <stdio.h>
#include <algorithm>
#include <stdlib.h>
#include <string.h>
#include <string>

static COLORREF g_text = RGB(255, 255, 255);
static COLORREF g_back = RGB(0, 160, 0);
static HBRUSH g_brush = nullptr;
static int g_highlight = -1;

static int g_pressed = -1;

void set_choice_highlight(int slot) { g_highlight = slot; }

static bool g_progress;
static bool g_numbered;
static bool g_replay, g_replay_pressed;
void show_replay_mark(bool on) { g_replay = on; }
void set_replay_pressed(bool on) { g_replay_pressed = on; }
bool replay_mark_shown() { return g_replay; }
static int g_prompt = -1;
void set_idle_prompt_seconds(int seconds) { g_prompt = seconds; }
int idle_prompt_seconds() { return g_prompt; }
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

void show_answer_numbers(bool on) { g_numbered = on; }
bool answer_numbers_shown() { return g_numbered; }

// The three fonts of the screen shown now, at the screen's DPI.
static void current_fonts(LOGFONTA fonts[kFitRoles]) {
    const int file = current_file(), dpi = font_slots_dpi();
    question_font(kFontGetEffective, file, 0, &fonts[kFitMain]);
    answer_font(kFontGetEffective, file, &fonts[kFitAnswer]);
    comment_font(kFontGetEffective, file, 0, &fonts[kFitComment]);
    for (int i = 0; i < kFitRoles; ++i) logfont_to_dpi(&fonts[i], dpi);
}

// The texts of the screen shown now; their pointers hold until the run changes.
static FitInput current_input(HWND window, const LOGFONTA fonts[kFitRoles]) {
    FitInput in = {};
    GetClientRect(window, &in.client);
    in.dpi = font_slots_dpi();
    char *text = nullptr;
    run_engine(kRunMainText, 0, &text);
    in.main = text;
    for (int i = 0; i < kChoiceSlots; ++i) in.choice[i] = choice_text(i);
    char *comment = nullptr;
    if (run_engine(kRunComment, 0, &comment) == -1) in.comment = comment ? comment : "";
    for (int i = 0; i < kFitRoles; ++i) in.height[i] = abs(fonts[i].lfHeight);
    in.numbered = g_numbered;
    // Not on the start screen, which has nothing to hear.
    in.replay = g_replay && current_file() != -1;
    QrPlacement qr;
    if (in.comment && result_qr_placement(in.client, in.dpi, &qr)) in.keep_clear = qr.square;
    return in;
}

namespace {
// A DC for measuring, released on scope exit.
struct MeasureDc {
    HDC dc = CreateCompatibleDC(nullptr);
    ~MeasureDc() {
        if (dc) DeleteDC(dc);
    }
};
}  // namespace

// Every mouse move hit-tests and every paint draws the same fit until a text, a font or the
// size changes: the last one is kept, by everything it was made from.
static const ScreenFit &kept_fit(const FitInput &in, const LOGFONTA fonts[kFitRoles], const GdiFitMeasure &measure) {
    static ScreenFit fit;
    static std::string made_from;
    std::string key(reinterpret_cast<const char *>(&in.client), sizeof in.client);
    key.append(reinterpret_cast<const char *>(fonts), sizeof(LOGFONTA) * kFitRoles);
    key += static_cast<char>(in.numbered);
    key += static_cast<char>(in.replay);
    key.append(reinterpret_cast<const char *>(&in.dpi), sizeof in.dpi);
    key.append(reinterpret_cast<const char *>(&in.keep_clear), sizeof in.keep_clear);
    for (const char *t : {in.main, in.choice[0], in.choice[1], in.choice[2], in.choice[3], in.choice[4], in.choice[5],
                          in.comment}) {
        key += t ? '+' : '-';
        if (t) key.append(t, strlen(t) + 1);
    }
    if (key != made_from) {
        fit = fit_screen(in, measure);
        made_from.swap(key);
    }
    return fit;
}

ScreenFit screen_fit(HWND window) {
    LOGFONTA fonts[kFitRoles];
    current_fonts(fonts);
    MeasureDc m;
    GdiFitMeasure measure(m.dc, fonts);
    return kept_fit(current_input(window, fonts), fonts, measure);
}

static ChoiceLayout choices_of(const ScreenFit &f) {
    ChoiceLayout c = {};
    c.shown = f.shown;
    for (int i = 0; i < kChoiceSlots; ++i) {
        c.box[i] = {f.box[i].x, f.box[i].y, f.box[i].width, f.box[i].height};
        c.hit[i] = f.hit[i];
    }
    return c;
}

ChoiceLayout choice_layout(HWND window) { return choices_of(screen_fit(window)); }

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

bool hit_replay_mark(HWND window, int x, int y) {
    const ScreenFit f = screen_fit(window);
    POINT p = {x, y};
    return !IsRectEmpty(&f.replay) && PtInRect(&f.replay, p);
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

namespace {
// A font made for one paint, deleted at its end.
struct FontHolder {
    HFONT font;
    explicit FontHolder(HFONT f) : font(f) {}
    ~FontHolder() {
        if (font) DeleteObject(font);
    }
    FontHolder(const FontHolder &) = delete;
    FontHolder &operator=(const FontHolder &) = delete;
};
}  // namespace

// A laid-out text: as one DrawText when it has no readings, else line by line below each line's
// band of readings.
static void draw_block(HDC dc, const FitBlock &b, const RECT &area, HFONT font, const GdiFitMeasure &measure, int role,
                       COLORREF fore, COLORREF key) {
    if (b.ruby.empty()) {
        draw_text_box(dc, b.text.c_str(), &area, DT_NOPREFIX, font, fore, key);
        return;
    }
    FontHolder small(measure.create(role, b.ruby_height));
    size_t at = 0;
    for (int line = 0; at <= b.text.size(); ++line) {
        size_t end = b.text.find("\r\n", at);
        if (end == std::string::npos) end = b.text.size();
        const int top = area.top + line * b.pitch();
        RECT base = {area.left, top + b.ruby_band, area.right, top + b.pitch()};
        const std::string text = b.text.substr(at, end - at);
        draw_text_box(dc, text.c_str(), &base, DT_NOPREFIX | DT_SINGLELINE, font, fore, key);
        for (const FitRuby &r : b.ruby) {
            if (r.line != line) continue;
            RECT over = {area.left + r.x, top, area.right, top + b.ruby_band};
            draw_text_box(dc, r.reading.c_str(), &over, DT_NOPREFIX | DT_SINGLELINE, small.font, fore, key);
        }
        at = end + 2;
    }
}

// The answer's key in a disc of the text colour before the answer: which number chooses which.
static void draw_badge(HDC dc, const RECT &disc, int number, HFONT font, COLORREF fore, COLORREF back) {
    HBRUSH brush = CreateSolidBrush(fore);
    if (!brush) return;
    HGDIOBJ old_brush = SelectObject(dc, brush);
    HGDIOBJ old_pen = SelectObject(dc, GetStockObject(NULL_PEN));
    Ellipse(dc, disc.left, disc.top, disc.right + 1, disc.bottom + 1);
    SelectObject(dc, old_pen);
    SelectObject(dc, old_brush);
    DeleteObject(brush);
    char digit[2] = {static_cast<char>('0' + number), 0};
    HGDIOBJ old_font = font ? SelectObject(dc, font) : nullptr;
    int old_mode = SetBkMode(dc, TRANSPARENT);
    COLORREF old_colour = SetTextColor(dc, back == fore ? RGB(0, 0, 0) : back);
    RECT r = disc;
    DrawTextA(dc, digit, 1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
    SetTextColor(dc, old_colour);
    SetBkMode(dc, old_mode);
    if (old_font && old_font != HGDI_ERROR) SelectObject(dc, old_font);
}

// 「続けますか？」 in a framed band across the middle, large, with the countdown below it.
static void draw_idle_prompt(HDC dc, const RECT &r, HFONT big, HFONT small, COLORREF fore, COLORREF key) {
    const int h10 = r.bottom / 10;
    RECT band = {r.right / 20, 3 * h10, r.right - r.right / 20, 7 * h10};
    HBRUSH fill = CreateSolidBrush(key);
    if (fill) {
        FillRect(dc, &band, fill);
        DeleteObject(fill);
    }
    draw_highlight(dc, band, fore);
    RECT ask = {band.left, band.top, band.right, band.top + (band.bottom - band.top) * 3 / 5};
    draw_text_box(dc, "続けますか？", &ask, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX, big, fore, key);
    char line[96];
    wsprintfA(line, "画面にさわると続けます（あと %d 秒）", g_prompt);
    RECT count = {band.left, ask.bottom, band.right, band.bottom - h10 / 4};
    draw_text_box(dc, line, &count, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX, small, fore, key);
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

    // The fonts as the fit scaled them: what was measured is what is drawn.
    LOGFONTA fonts[kFitRoles];
    current_fonts(fonts);
    MeasureDc measure_dc;
    GdiFitMeasure measure(measure_dc.dc, fonts);
    const FitInput input = current_input(window, fonts);
    const ScreenFit &fit = kept_fit(input, fonts, measure);
    FontHolder main_font(measure.create(kFitMain, fit.height[kFitMain]));
    FontHolder answers(measure.create(kFitAnswer, fit.height[kFitAnswer]));
    FontHolder comment(measure.create(kFitComment, fit.height[kFitComment]));
    char *text = nullptr;
    // Told to the author in 試す only: visitors just see the code where it fits.
    const char *qr_note = nullptr;
    if (test_mode_on() && !IsRectEmpty(&input.keep_clear)) {
        QrPlacement qr;
        RECT band = {l.w10, l.h2, r.right - l.w10, 5 * l.h10}, meet;
        if (result_qr_placement(r, font_slots_dpi(), &qr) && qr.moved)
            qr_note = "QRコードの位置（QrPlace）が画面の外なので、画面の内側に移しました";
        else if (IntersectRect(&meet, &band, &input.keep_clear))
            qr_note = "QRコードが結果のタイトルの場所に重なるので、タイトルを詰めました（QrPlace）";
    }
    if (!fit.main_text.text.empty()) draw_block(dc, fit.main_text, fit.main, main_font.font, measure, kFitMain, fore, key);

    ChoiceLayout choices = choices_of(fit);
    for (int i = 0; i < kChoiceSlots; ++i) {
        if (!(choices.shown & (1u << i))) continue;
        const ChoiceBox &b = choices.box[i];
        RECT box = {b.x, b.y, b.x + b.width, b.y + b.height};
        box.right = std::max(box.right, static_cast<LONG>(r.right));  // room for a reading wider than its base
        draw_block(dc, fit.choice_text[i], box, answers.font, measure, kFitAnswer, fore, key);
        if (input.numbered && i < kBackSlot) draw_badge(dc, fit.badge[i], i + 1, answers.font, fore, key);
    }
    if (!IsRectEmpty(&fit.replay)) {
        draw_replay_mark(dc, fit.replay, fore, key);
        if (g_replay_pressed) InvertRect(dc, &fit.replay);
    }
    if (g_highlight >= 0 && g_highlight < kChoiceSlots && (choices.shown & (1u << g_highlight))) {
        // Around the badge and the text, not through them.
        RECT frame = choices.hit[g_highlight];
        const int pad = to_dpi(8, font_slots_dpi());
        frame.left = std::max(static_cast<LONG>(r.left), frame.left - pad);
        frame.right = std::min(static_cast<LONG>(r.right), frame.right + pad);
        draw_highlight(dc, frame, fore);
    }
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
    if (input.comment) {
        if (!fit.comment_text.text.empty())
            draw_block(dc, fit.comment_text, fit.comment, comment.font, measure, kFitComment, fore, key);
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
    if (g_prompt >= 0) draw_idle_prompt(dc, r, main_font.font, answers.font, fore, key);
    if (test_mode_on()) {
        draw_test_mark(dc, r);
        if (qr_note) {
            RECT band = {l.w10, fit.comment.bottom, r.right - l.w10, fit.comment.bottom + l.h10 / 2};
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
