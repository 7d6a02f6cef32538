// The player's drawing primitives: keyed text, colour-keyed copy, tiling, text outlines.
#pragma once
#include <windows.h>

// Status codes of text_outline_region.
enum OutlineStatus {
    kOutlineOk = 0,
    kOutlineCreateFont = 2,
    kOutlineSelectFont = 3,
    kOutlinePath = 4,
    kOutlineRegion = 5,
    kOutlineSelectRegion = 6,
    kOutlineCombine = 7,
    kOutlineReselect = 8,
    kOutlineBkMode = 9,
    kOutlineEmpty = 10,
};

struct OutlineResult {
    int status;
    HRGN region;  // owned by the caller
    RECT box;
    DWORD error;
};

// rect's right and bottom are inclusive. Returns DrawText's height, or 0 when nothing was drawn.
int draw_text_box(HDC dc, const char *text, const RECT *rect, UINT format, HFONT font, COLORREF text_colour,
                  COLORREF key_colour);
void blit_transparent(HDC dest, HDC source, HDC background, COLORREF key, int x, int y, int width, int height);
// As blit_transparent over the dest's own pixels, taking the source from (sx, sy).
void blit_transparent_from(HDC dest, HDC source, int sx, int sy, COLORREF key, int x, int y, int width, int height);
// Tiles bitmap over the area from its top left; with under, a 32-bit bitmap of premultiplied alpha
// is blended over that brush.
void tile_bitmap(HDC dc, HBITMAP bitmap, int x, int y, int width, int height, HBRUSH under = nullptr);
RECT measure_text_box(HWND window, const char *text, UINT format, const LOGFONTA *font);
// Outline of text drawn with format in the window's client area; the region is the caller's.
OutlineResult text_outline_region(HWND window, HDC dc, const char *text, UINT format, bool no_combine,
                                  HRGN combine, const LOGFONTA *font);
// A copy of bitmap resampled bilinearly to width x height, as a 32-bit DIB section (the alpha of a
// premultiplied source stays premultiplied); null when it cannot be made. The caller owns it.
HBITMAP scale_bitmap(HBITMAP bitmap, int width, int height);
