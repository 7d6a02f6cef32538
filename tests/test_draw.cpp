// Drawing primitives on real memory DCs, checked by reading pixels back.
#include <gtest/gtest.h>
#include <string.h>
#include <vector>
#include "draw.h"
#include "font_slot.h"

namespace {
struct Canvas {
    HDC dc;
    HBITMAP bmp;
    HGDIOBJ old;
    Canvas(int w, int h) {
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bmp = CreateCompatibleBitmap(screen, w, h);
        ReleaseDC(nullptr, screen);
        old = SelectObject(dc, bmp);
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    void fill(COLORREF c, int w, int h) {
        HBRUSH b = CreateSolidBrush(c);
        RECT r = {0, 0, w, h};
        FillRect(dc, &r, b);
        DeleteObject(b);
    }
};
const COLORREF kKey = RGB(255, 0, 255), kBack = RGB(0, 160, 0), kText = RGB(255, 255, 255);
}  // namespace

TEST(Draw, TextBoxLeavesKeyPixelsAndDrawsText) {
    Canvas c(200, 60);
    c.fill(kBack, 200, 60);
    RECT r = {10, 5, 189, 54};
    HFONT font = question_font(kFontLookup, -1, 0, nullptr);
    int h = draw_text_box(c.dc, "診断スタート", &r, DT_LEFT | DT_TOP, font, kText, kKey);
    EXPECT_GT(h, 0);
    int text = 0, other = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 200; ++x) {
            COLORREF p = GetPixel(c.dc, x, y);
            if (p == kText) ++text;
            else if (p != kBack) {
                if (other < 5) ADD_FAILURE() << std::hex << p << " at " << std::dec << x << "," << y;
                ++other;
            }
        }
    EXPECT_GT(text, 50);
    EXPECT_EQ(other, 0);  // no key colour or fringe leaks through
    for (int x = 0; x < 200; ++x) EXPECT_EQ(GetPixel(c.dc, x, 2), kBack);  // outside the box untouched

    Canvas d(200, 60);
    d.fill(kBack, 200, 60);
    draw_text_box(d.dc, "見えない", &r, DT_LEFT, font, kKey, kKey);
    for (int y = 0; y < 60; y += 3)
        for (int x = 0; x < 200; x += 3) ASSERT_EQ(GetPixel(d.dc, x, y), kBack);
    EXPECT_EQ(draw_text_box(d.dc, "x", &r, DT_LEFT, nullptr, kText, kKey), 0);
}

TEST(Draw, BlitTransparentOverPattern) {
    Canvas dest(40, 40), src(20, 20);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) SetPixel(dest.dc, x, y, ((x + y) & 1) ? RGB(0, 0, 255) : RGB(255, 255, 0));
    src.fill(kKey, 20, 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 10; ++x) SetPixel(src.dc, x, y, RGB(10, 20, 30));
    blit_transparent(dest.dc, src.dc, nullptr, kKey, 5, 5, 20, 20);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            COLORREF pattern = ((x + y) & 1) ? RGB(0, 0, 255) : RGB(255, 255, 0);
            bool painted = x >= 5 && x < 15 && y >= 5 && y < 25;
            ASSERT_EQ(GetPixel(dest.dc, x, y), painted ? RGB(10, 20, 30) : pattern) << x << "," << y;
        }
}

TEST(Draw, TileBitmapCoversTheArea) {
    Canvas tile(64, 64);
    tile.fill(RGB(0, 0, 0), 64, 64);
    SetPixel(tile.dc, 0, 0, RGB(255, 0, 0));
    SetPixel(tile.dc, 63, 63, RGB(0, 0, 255));
    SelectObject(tile.dc, tile.old);  // a bitmap must not be selected elsewhere to be tiled
    Canvas dest(220, 120);
    dest.fill(RGB(1, 2, 3), 220, 120);
    tile_bitmap(dest.dc, tile.bmp, 0, 0, 200, 100);
    for (int cx = 0; cx < 4; ++cx) EXPECT_EQ(GetPixel(dest.dc, cx * 64, 64), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dest.dc, 63, 63), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dest.dc, 199, 99), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dest.dc, 200, 50), RGB(1, 2, 3));  // nothing beyond 200 x 100
    EXPECT_EQ(GetPixel(dest.dc, 50, 100), RGB(1, 2, 3));
    tile.old = SelectObject(tile.dc, tile.bmp);
}

TEST(Draw, MeasureTextBox) {
    HWND w = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 400, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    LOGFONTA lf;
    answer_font(kFontGetEffective, -1, &lf);
    RECT box = measure_text_box(w, "はい、そう思う", DT_SINGLELINE | DT_VCENTER, &lf);
    EXPECT_GT(box.right - box.left, 20);
    EXPECT_GT(box.bottom - box.top, 5);
    RECT empty = measure_text_box(w, "", DT_SINGLELINE | DT_VCENTER, &lf);
    EXPECT_TRUE(IsRectEmpty(&empty));
    HDC dc = GetDC(w);
    OutlineResult r = text_outline_region(w, dc, "", DT_SINGLELINE, true, nullptr, &lf);
    EXPECT_NE(r.status, kOutlineOk);  // no path for an empty text
    EXPECT_TRUE(IsRectEmpty(&r.box));
    if (r.region) DeleteObject(r.region);
    ReleaseDC(w, dc);
    DestroyWindow(w);
}

// The text box and the tiling as they were drawn before their copies were cut down to what was
// touched and to a few doubling blits; the new ones must give the same pixels.
namespace reference {
void text_box(HDC dc, const char *text, const RECT *rect, UINT format, HFONT font, COLORREF fore, COLORREF key) {
    int w = rect->right - rect->left + 1, h = rect->bottom - rect->top + 1;
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bmp = CreateCompatibleBitmap(dc, w, h);
    HGDIOBJ old_bmp = SelectObject(mem, bmp);
    LOGFONTA lf;
    GetObjectA(font, sizeof lf, &lf);
    lf.lfQuality = NONANTIALIASED_QUALITY;
    HFONT sharp = CreateFontIndirectA(&lf);
    HBRUSH brush = CreateSolidBrush(key);
    HGDIOBJ old_font = SelectObject(mem, sharp);
    SetBkColor(mem, key);
    SetTextColor(mem, fore);
    RECT box = {0, 0, w, h};
    FillRect(mem, &box, brush);
    DrawTextA(mem, text, -1, &box, format);
    blit_transparent(dc, mem, nullptr, key, rect->left, rect->top, w, h);
    SelectObject(mem, old_font);
    SelectObject(mem, old_bmp);
    DeleteObject(brush);
    DeleteObject(sharp);
    DeleteObject(bmp);
    DeleteDC(mem);
}
void tile(HDC dc, HBITMAP bitmap, int x, int y, int width, int height, HBRUSH under) {
    BITMAP info;
    GetObjectA(bitmap, sizeof info, &info);
    int bw = info.bmWidth, bh = info.bmHeight, cols = width / bw + 1, rows = height / bh + 1;
    HDC tiles = CreateCompatibleDC(dc);
    HBITMAP all = CreateCompatibleBitmap(dc, cols * bw, rows * bh);
    HGDIOBJ old_all = SelectObject(tiles, all);
    HDC src = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(src, bitmap);
    RECT whole = {0, 0, cols * bw, rows * bh};
    if (under) FillRect(tiles, &whole, under);
    BLENDFUNCTION over = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            if (under) AlphaBlend(tiles, c * bw, r * bh, bw, bh, src, 0, 0, bw, bh, over);
            else BitBlt(tiles, c * bw, r * bh, bw, bh, src, 0, 0, SRCCOPY);
    SelectObject(src, old);
    DeleteDC(src);
    BitBlt(dc, x, y, width, height, tiles, 0, 0, SRCCOPY);
    SelectObject(tiles, old_all);
    DeleteObject(all);
    DeleteDC(tiles);
}
}  // namespace reference

namespace {
std::vector<DWORD> pixels(const Canvas &c, int w, int h) {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    std::vector<DWORD> p(static_cast<size_t>(w) * h);
    GetDIBits(c.dc, c.bmp, 0, h, p.data(), &bi, DIB_RGB_COLORS);
    return p;
}
// A background that differs from pixel to pixel, so that any pixel copied from the wrong place shows.
void stripes(Canvas &c, int w, int h) {
    for (int y = 0; y < h; y += 3)
        for (int x = 0; x < w; x += 5) SetPixel(c.dc, x, y, RGB(x % 256, y % 256, (x * y) % 256));
}
HBITMAP checker(HDC like, int w, int h) {
    Canvas c(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) SetPixel(c.dc, x, y, RGB(x * 255 / w, y * 255 / h, (x ^ y) & 255));
    SelectObject(c.dc, c.old);
    HBITMAP b = static_cast<HBITMAP>(CopyImage(c.bmp, IMAGE_BITMAP, 0, 0, 0));
    SelectObject(c.dc, c.bmp);
    (void)like;
    return b;
}

// As checker, as a 32-bit DIB whose alpha runs from clear to opaque, colours premultiplied.
HBITMAP alpha_checker(int w, int h) {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HBITMAP b = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    unsigned char *p = static_cast<unsigned char *>(bits);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x, p += 4) {
            const int a = (x + y) * 255 / (w + h);
            p[0] = static_cast<unsigned char>(((x ^ y) & 255) * a / 255);
            p[1] = static_cast<unsigned char>(y * 255 / h * a / 255);
            p[2] = static_cast<unsigned char>(x * 255 / w * a / 255);
            p[3] = static_cast<unsigned char>(a);
        }
    return b;
}
}  // namespace

TEST(Draw, TextBoxesAndTilesGiveThePixelsOfFullSizeCopies) {
    const int W = 700, H = 300;
    struct Case {
        const char *text;
        RECT rect;
        UINT format;
        int height, italic;
    } cases[] = {
        {"朝はすっきり起きられますか?\r\n二行目: 休日も含めて", {50, 40, 600, 200}, DT_WORDBREAK | DT_VCENTER, 40, 0},
        {"答え1です", {30, 200, 400, 240}, DT_SINGLELINE | DT_VCENTER, 24, 1},
        {"フッター: Zelmica", {0, 250, 630, 299}, DT_RIGHT | DT_VCENTER, 18, 0},
        {"斜体のはみ出し fff", {600, 10, 699, 60}, DT_SINGLELINE, 48, 1},  // cut at the box's right edge
        {"", {10, 10, 200, 50}, DT_SINGLELINE, 20, 0},
        {"W", {-20, -10, 30, 30}, DT_SINGLELINE, 60, 1},  // partly outside the canvas
    };
    for (const Case &k : cases) {
        Canvas a(W, H), b(W, H);
        a.fill(kBack, W, H), b.fill(kBack, W, H);
        stripes(a, W, H), stripes(b, W, H);
        LOGFONTA lf = {};
        lf.lfHeight = -k.height;
        lf.lfItalic = static_cast<BYTE>(k.italic);
        lf.lfCharSet = SHIFTJIS_CHARSET;
        strcpy(lf.lfFaceName, "MS Gothic");
        HFONT font = CreateFontIndirectA(&lf);
        draw_text_box(a.dc, k.text, &k.rect, k.format, font, kText, kKey);
        reference::text_box(b.dc, k.text, &k.rect, k.format, font, kText, kKey);
        EXPECT_TRUE(pixels(a, W, H) == pixels(b, W, H)) << k.text;
        DeleteObject(font);
    }
    HDC screen = GetDC(nullptr);
    const int sizes[][2] = {{64, 64}, {37, 23}, {700, 300}, {1, 1}};
    // Opaque tiles, and tiles with transparency over a background brush, one blend per tile.
    HBRUSH under = CreateSolidBrush(RGB(0, 160, 0));
    for (auto &s : sizes)
        for (HBRUSH brush : {static_cast<HBRUSH>(nullptr), under}) {
            HBITMAP tile = brush ? alpha_checker(s[0], s[1]) : checker(screen, s[0], s[1]);
            const int areas[][4] = {{0, 0, W, H}, {13, 7, 500, 211}, {0, 0, 63, 64}, {5, 5, 1, 1}};
            for (auto &r : areas) {
                Canvas a(W, H), b(W, H);
                a.fill(kBack, W, H), b.fill(kBack, W, H);
                tile_bitmap(a.dc, tile, r[0], r[1], r[2], r[3], brush);
                reference::tile(b.dc, tile, r[0], r[1], r[2], r[3], brush);
                EXPECT_TRUE(pixels(a, W, H) == pixels(b, W, H))
                    << s[0] << "x" << s[1] << " at " << r[0] << "," << r[1] << (brush ? " over a brush" : "");
            }
            DeleteObject(tile);
        }
    DeleteObject(under);
    ReleaseDC(nullptr, screen);
}

// Measures are kept between calls: whatever the window, client size, format or font, a measure
// must equal a fresh outline of the text.
TEST(Draw, KeptMeasuresEqualFreshOnes) {
    HWND w = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 400, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    auto fresh = [&](const char *text, UINT format, const LOGFONTA *lf) {
        HDC dc = GetDC(w);
        OutlineResult r = text_outline_region(w, dc, text, format, true, nullptr, lf);
        if (r.region) DeleteObject(r.region);
        ReleaseDC(w, dc);
        return r.box;
    };
    LOGFONTA small, big;
    answer_font(kFontGetEffective, -1, &small);
    big = small;
    big.lfHeight = small.lfHeight * 2;
    const char *texts[] = {"はい", "いいえ", "どちらでもない", "はい"};
    for (int size = 0; size < 3; ++size) {
        SetWindowPos(w, nullptr, 0, 0, 400 + 100 * size, 100 + 60 * size, SWP_NOZORDER | SWP_NOACTIVATE);
        for (int round = 0; round < 2; ++round)  // the second round comes from what was kept
            for (const char *t : texts)
                for (const LOGFONTA *lf : {&small, &big})
                    for (UINT format : {UINT(DT_SINGLELINE | DT_VCENTER), UINT(DT_SINGLELINE | DT_RIGHT)}) {
                        RECT kept = measure_text_box(w, t, format, lf), now = fresh(t, format, lf);
                        EXPECT_TRUE(EqualRect(&kept, &now)) << t << " size " << size << " round " << round;
                    }
    }
    DestroyWindow(w);
}
