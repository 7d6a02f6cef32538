// Drawing primitives of the player. Temporary DCs, bitmaps and brushes die in their function; the
// scratch DCs below are kept from one draw to the next.
#include "draw.h"
#include <string.h>
#include <new>

namespace {

// A memory DC with a bitmap selected; restores and deletes both on scope exit.
struct MemoryDc {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
    MemoryDc(HDC like, int w, int h, bool mono = false) {
        dc = CreateCompatibleDC(like);
        bitmap = mono ? CreateBitmap(w, h, 1, 1, nullptr) : CreateCompatibleBitmap(like, w, h);
        old = (dc && bitmap) ? SelectObject(dc, bitmap) : nullptr;
    }
    ~MemoryDc() {
        if (old) SelectObject(dc, old);
        if (bitmap) DeleteObject(bitmap);
        if (dc) DeleteDC(dc);
    }
    bool ok() const { return dc && bitmap && old; }
    MemoryDc(const MemoryDc &) = delete;
    MemoryDc &operator=(const MemoryDc &) = delete;
};

// A memory DC and bitmap kept from one draw to the next and grown when a draw needs more room.
// Making and selecting a fresh bitmap cost a few tenths of a millisecond each under Wine, and a
// screen draws a dozen text boxes; kept, the screen's objects stay as many.
// Each use has its own, so no two uses in one draw share one.
class ScratchDc {
public:
    explicit ScratchDc(bool mono) : mono_(mono) {}
    ~ScratchDc() { release(); }
    ScratchDc(const ScratchDc &) = delete;
    ScratchDc &operator=(const ScratchDc &) = delete;
    // A DC with a bitmap of at least w x h selected (what lies outside w x h is left over from
    // earlier draws); null when it cannot be made.
    HDC get(HDC like, int w, int h) {
        if (dc_ && w <= w_ && h <= h_) return dc_;
        int nw = w > w_ ? w : w_, nh = h > h_ ? h : h_;
        release();
        dc_ = CreateCompatibleDC(like);
        bitmap_ = mono_ ? CreateBitmap(nw, nh, 1, 1, nullptr) : CreateCompatibleBitmap(like, nw, nh);
        old_ = (dc_ && bitmap_) ? SelectObject(dc_, bitmap_) : nullptr;
        if (!old_) {
            release();
            return nullptr;
        }
        w_ = nw;
        h_ = nh;
        return dc_;
    }

private:
    void release() {
        if (old_) SelectObject(dc_, old_);
        if (bitmap_) DeleteObject(bitmap_);
        if (dc_) DeleteDC(dc_);
        dc_ = nullptr;
        bitmap_ = nullptr;
        old_ = nullptr;
        w_ = h_ = 0;
    }
    bool mono_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    int w_ = 0, h_ = 0;
};

// Rows of small tiles stacked in one strip.
const int kStripRows = 64;

ScratchDc g_text_scratch(false), g_image_scratch(false), g_mask_scratch(true), g_tile_scratch(false);

}  // namespace

static void blit_keyed(HDC dest, HDC source, int sx, int sy, HDC background, COLORREF key, int x, int y, int w, int h);

int draw_text_box(HDC dc, const char *text, const RECT *rect, UINT format, HFONT font, COLORREF text_colour,
                  COLORREF key_colour) {
    int w = rect->right - rect->left + 1, h = rect->bottom - rect->top + 1;
    if (w <= 0 || h <= 0) return 0;
    HDC mem = g_text_scratch.get(dc, w, h);
    if (!mem) return 0;
    // Smoothed glyph edges would blend with the key colour and leave fringes: draw a copy of the
    // font with smoothing off (the stored LOGFONT keeps its own quality).
    LOGFONTA lf;
    HFONT sharp = nullptr;
    if (font && GetObjectA(font, sizeof lf, &lf) == sizeof lf) {
        lf.lfQuality = NONANTIALIASED_QUALITY;
        sharp = CreateFontIndirectA(&lf);
    }
    HBRUSH brush = CreateSolidBrush(key_colour);
    HGDIOBJ old_brush = SelectObject(mem, brush);
    HGDIOBJ old_font = sharp ? SelectObject(mem, sharp) : nullptr;
    int height = 0;
    if (old_font && old_font != HGDI_ERROR) {
        SetBkColor(mem, key_colour);
        SetTextColor(mem, text_colour);
        RECT box = {0, 0, w, h};
        FillRect(mem, &box, brush);
        // Only what DrawText touched can differ from the key: the keyed copy covers just that.
        SetBoundsRect(mem, nullptr, DCB_ENABLE | DCB_RESET);
        height = DrawTextA(mem, text, -1, &box, format);
        RECT drawn;
        UINT bounds = GetBoundsRect(mem, &drawn, DCB_RESET);
        SetBoundsRect(mem, nullptr, DCB_DISABLE);
        if (!(bounds & DCB_SET) || !IntersectRect(&drawn, &drawn, &box)) drawn = box;
        blit_transparent_from(dc, mem, drawn.left, drawn.top, key_colour, rect->left + drawn.left,
                              rect->top + drawn.top, drawn.right - drawn.left, drawn.bottom - drawn.top);
        SelectObject(mem, old_font);
    }
    SelectObject(mem, old_brush);
    DeleteObject(brush);
    if (sharp) DeleteObject(sharp);
    return height;
}

void blit_transparent(HDC dest, HDC source, HDC background, COLORREF key, int x, int y, int w, int h) {
    blit_keyed(dest, source, 0, 0, background, key, x, y, w, h);
}

void blit_transparent_from(HDC dest, HDC source, int sx, int sy, COLORREF key, int x, int y, int w, int h) {
    blit_keyed(dest, source, sx, sy, nullptr, key, x, y, w, h);
}

// Over the dest's own pixels the same bitwise sum is formed in the dest itself: two temporary
// DCs instead of four (creating them is the dear part).
static void blit_keyed_over_dest(HDC dest, HDC source, int sx, int sy, COLORREF key, int x, int y, int w, int h) {
    HDC image = g_image_scratch.get(dest, w, h), mask = g_mask_scratch.get(dest, w, h);
    if (!image || !mask) return;
    BitBlt(image, 0, 0, w, h, source, sx, sy, SRCCOPY);
    SetBkColor(image, key);
    BitBlt(mask, 0, 0, w, h, image, 0, 0, SRCCOPY);  // key pixels -> 1
    // Monochrome sources map 1 to the background colour and 0 to the text colour of the target.
    SetBkColor(image, RGB(0, 0, 0));
    SetTextColor(image, RGB(255, 255, 255));
    BitBlt(image, 0, 0, w, h, mask, 0, 0, SRCAND);  // key pixels black
    COLORREF dest_bk = SetBkColor(dest, RGB(255, 255, 255)), dest_text = SetTextColor(dest, RGB(0, 0, 0));
    BitBlt(dest, x, y, w, h, mask, 0, 0, SRCAND);  // all but key positions black
    SetBkColor(dest, dest_bk);
    SetTextColor(dest, dest_text);
    BitBlt(dest, x, y, w, h, image, 0, 0, SRCPAINT);
}

static void blit_keyed(HDC dest, HDC source, int sx, int sy, HDC background, COLORREF key, int x, int y, int w, int h) {
    if (w <= 0 || h <= 0) return;
    if (!background) return blit_keyed_over_dest(dest, source, sx, sy, key, x, y, w, h);
    MemoryDc back(dest, w, h), image(dest, w, h), mask_b(dest, w, h, true), mask_a(dest, w, h, true);
    if (!back.ok() || !image.ok() || !mask_b.ok() || !mask_a.ok()) return;
    BitBlt(back.dc, 0, 0, w, h, background ? background : dest, x, y, SRCCOPY);
    BitBlt(image.dc, 0, 0, w, h, source, sx, sy, SRCCOPY);
    COLORREF old_bk = SetBkColor(image.dc, key);
    BitBlt(mask_b.dc, 0, 0, w, h, image.dc, 0, 0, SRCCOPY);  // key pixels -> 1
    BitBlt(mask_a.dc, 0, 0, w, h, mask_b.dc, 0, 0, NOTSRCCOPY);
    SetBkColor(image.dc, old_bk);
    // Monochrome sources map 1 to the background colour and 0 to the text colour of the target.
    SetBkColor(image.dc, RGB(255, 255, 255));
    SetTextColor(image.dc, RGB(0, 0, 0));
    SetBkColor(back.dc, RGB(255, 255, 255));
    SetTextColor(back.dc, RGB(0, 0, 0));
    BitBlt(image.dc, 0, 0, w, h, mask_a.dc, 0, 0, SRCAND);  // key pixels black
    BitBlt(back.dc, 0, 0, w, h, mask_b.dc, 0, 0, SRCAND);   // all but key positions black
    BitBlt(image.dc, 0, 0, w, h, back.dc, 0, 0, SRCPAINT);
    BitBlt(dest, x, y, w, h, image.dc, 0, 0, SRCCOPY);
}

void tile_bitmap(HDC dc, HBITMAP bitmap, int x, int y, int width, int height, HBRUSH under) {
    BITMAP info;
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0) return;
    if (width <= 0 || height <= 0) return;
    int bw = info.bmWidth, bh = info.bmHeight;
    int cols = width / bw + 1;
    // Small tiles are stacked a few rows deep, so that the copies down the area stay few.
    int stack = bh >= kStripRows ? 1 : (kStripRows + bh - 1) / bh;
    if (stack > height / bh + 1) stack = height / bh + 1;
    const int sh = stack * bh;
    // One strip of tiles, copied down the area: a screen-sized temporary bitmap cost more to
    // allocate and first touch than all the copying.
    HDC strip = g_tile_scratch.get(dc, cols * bw, sh);
    HDC src = CreateCompatibleDC(dc);
    if (!strip || !src) {
        if (src) DeleteDC(src);
        return;
    }
    HGDIOBJ old = SelectObject(src, bitmap);
    if (under) {
        // Over a plain background every tile comes out the same: one blend serves them all.
        RECT first = {0, 0, bw, bh};
        FillRect(strip, &first, under);
        BLENDFUNCTION over = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(strip, 0, 0, bw, bh, src, 0, 0, bw, bh, over);
    } else {
        BitBlt(strip, 0, 0, bw, bh, src, 0, 0, SRCCOPY);
    }
    SelectObject(src, old);
    DeleteDC(src);
    // Each copy doubles the tiled part of the strip: a few blits instead of one per tile.
    for (int done = 1; done < cols; done *= 2) {
        int n = done < cols - done ? done : cols - done;
        BitBlt(strip, done * bw, 0, n * bw, bh, strip, 0, 0, SRCCOPY);
    }
    for (int done = 1; done < stack; done *= 2) {
        int n = done < stack - done ? done : stack - done;
        BitBlt(strip, 0, done * bh, cols * bw, n * bh, strip, 0, 0, SRCCOPY);
    }
    for (int top = 0; top < height; top += sh) {
        int rows = height - top < sh ? height - top : sh;
        BitBlt(dc, x, y + top, width, rows, strip, 0, 0, SRCCOPY);
    }
}

OutlineResult text_outline_region(HWND window, HDC dc, const char *text, UINT format, bool no_combine,
                                  HRGN combine, const LOGFONTA *font) {
    OutlineResult r = {kOutlineOk, nullptr, {0, 0, 0, 0}, 0};
    int old_mode = SetBkMode(dc, OPAQUE);
    HFONT created = CreateFontIndirectA(font);
    if (!created) {
        r.status = kOutlineCreateFont;
        SetBkMode(dc, old_mode);
        return r;
    }
    HGDIOBJ old_font = SelectObject(dc, created);
    if (!old_font || old_font == HGDI_ERROR) {
        r.status = kOutlineSelectFont;
        old_font = nullptr;
    }
    RECT client = {0, 0, 0, 0};
    GetClientRect(window, &client);
    if (r.status == kOutlineOk && !BeginPath(dc)) {
        r.status = kOutlinePath;
        r.error = GetLastError();
    }
    if (r.status == kOutlineOk) {
        DrawTextA(dc, text, -1, &client, format);
        if (!EndPath(dc)) {
            r.status = kOutlinePath;
            r.error = GetLastError();
        }
    }
    if (r.status == kOutlineOk) {
        r.region = PathToRegion(dc);
        if (!r.region) {
            r.status = kOutlineRegion;
            r.error = GetLastError();
        }
    }
    if (r.status == kOutlineOk && SelectObject(dc, r.region) == HGDI_ERROR) r.status = kOutlineSelectRegion;
    if (r.status == kOutlineOk) {
        if (!no_combine && combine) {
            if (CombineRgn(r.region, r.region, combine, RGN_OR) == ERROR) r.status = kOutlineCombine;
            if (SelectObject(dc, r.region) == HGDI_ERROR) r.status = kOutlineReselect;
        }
        if (!SetBkMode(dc, old_mode)) r.status = kOutlineBkMode;
        int type = GetRgnBox(r.region, &r.box);
        if (type != SIMPLEREGION && type != COMPLEXREGION) {
            SetRectEmpty(&r.box);
            r.status = kOutlineEmpty;
        }
        SelectClipRgn(dc, nullptr);  // the caller's DC keeps no clip of ours
    } else {
        SetBkMode(dc, old_mode);
    }
    if (old_font) SelectObject(dc, old_font);
    DeleteObject(created);
    return r;
}

namespace {
// A measure goes through a path and a region and costs more than drawing the text; every paint
// and every mouse move measures the same few choices. The same text, format, font and client
// area always give the same box, so the last few measures are kept.
enum { kMeasuresKept = 8, kMeasuredText = 512 };
struct Measure {
    HWND window;
    RECT client;
    UINT format;
    LOGFONTA font;
    char text[kMeasuredText];
    RECT box;
};
Measure g_measures[kMeasuresKept];
int g_measures_used, g_next_measure;

bool same_measure(const Measure &m, HWND window, const RECT &client, UINT format, const LOGFONTA *font,
                  const char *text) {
    return m.window == window && EqualRect(&m.client, &client) && m.format == format &&
           memcmp(&m.font, font, sizeof *font) == 0 && strcmp(m.text, text) == 0;
}
}  // namespace

RECT measure_text_box(HWND window, const char *text, UINT format, const LOGFONTA *font) {
    RECT client = {0, 0, 0, 0};
    GetClientRect(window, &client);
    size_t n = strlen(text);
    for (int i = 0; i < g_measures_used; ++i)
        if (same_measure(g_measures[i], window, client, format, font, text)) return g_measures[i].box;
    HDC dc = GetDC(window);
    OutlineResult r = text_outline_region(window, dc, text, format, true, nullptr, font);
    ReleaseDC(window, dc);
    if (r.region) DeleteObject(r.region);
    // Only a measure that worked is kept: a failure may not happen again.
    if (r.status == kOutlineOk && n < kMeasuredText) {
        Measure &m = g_measures[g_next_measure];
        m.window = window;
        m.client = client;
        m.format = format;
        m.font = *font;
        memcpy(m.text, text, n + 1);
        m.box = r.box;
        g_next_measure = (g_next_measure + 1) % kMeasuresKept;
        if (g_measures_used < kMeasuresKept) ++g_measures_used;
    }
    return r.box;
}

HBITMAP scale_bitmap(HBITMAP bitmap, int width, int height) {
    BITMAP bm;
    if (!GetObjectA(bitmap, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0 || width <= 0 || height <= 0)
        return nullptr;
    const int sw = bm.bmWidth, sh = bm.bmHeight;
    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    if (static_cast<unsigned long long>(sw) * sh > 0x1FFFFFFF ||
        static_cast<unsigned long long>(width) * height > 0x1FFFFFFF)
        return nullptr;
    unsigned char *source = new (std::nothrow) unsigned char[static_cast<size_t>(sw) * sh * 4];
    if (!source) return nullptr;
    info.bmiHeader.biWidth = sw;
    info.bmiHeader.biHeight = -sh;  // top-down
    HDC screen = GetDC(nullptr);
    bool read = GetDIBits(screen, bitmap, 0, static_cast<UINT>(sh), source, &info, DIB_RGB_COLORS) == sh;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    void *bits = nullptr;
    HBITMAP scaled = read ? CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    ReleaseDC(nullptr, screen);
    if (scaled && bits) {
        unsigned char *out = static_cast<unsigned char *>(bits);
        // Sample centres map onto each other; weights in 1/256.
        for (int y = 0; y < height; ++y) {
            long long fy = ((2LL * y + 1) * sh * 256 / (2LL * height)) - 128;
            if (fy < 0) fy = 0;
            int y0 = static_cast<int>(fy >> 8), wy = static_cast<int>(fy & 255);
            int y1 = y0 + 1 < sh ? y0 + 1 : y0;
            const unsigned char *r0 = source + static_cast<size_t>(y0) * sw * 4, *r1 = source + static_cast<size_t>(y1) * sw * 4;
            for (int x = 0; x < width; ++x) {
                long long fx = ((2LL * x + 1) * sw * 256 / (2LL * width)) - 128;
                if (fx < 0) fx = 0;
                int x0 = static_cast<int>(fx >> 8), wx = static_cast<int>(fx & 255);
                int x1 = x0 + 1 < sw ? x0 + 1 : x0;
                for (int c = 0; c < 4; ++c) {
                    int top = r0[x0 * 4 + c] * (256 - wx) + r0[x1 * 4 + c] * wx;
                    int bottom = r1[x0 * 4 + c] * (256 - wx) + r1[x1 * 4 + c] * wx;
                    *out++ = static_cast<unsigned char>((top * (256 - wy) + bottom * wy + 32768) >> 16);
                }
            }
        }
    } else if (scaled) {
        DeleteObject(scaled);
        scaled = nullptr;
    }
    delete[] source;
    return scaled;
}
