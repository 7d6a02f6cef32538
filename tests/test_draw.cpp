// Drawing primitives on real memory DCs, checked by reading pixels back.
#include <gtest/gtest.h>
#include <string.h>
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
