#include "dpi.h"

int window_dpi(HWND window) {
    typedef UINT(WINAPI * DpiForWindow)(HWND);
    static DpiForWindow for_window = reinterpret_cast<DpiForWindow>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (for_window && window) {
        UINT dpi = for_window(window);
        if (dpi) return static_cast<int>(dpi);
    }
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kBaseDpi;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kBaseDpi;
}

int to_dpi(int value, int dpi) { return dpi == kBaseDpi ? value : MulDiv(value, dpi, kBaseDpi); }
int from_dpi(int value, int dpi) { return dpi == kBaseDpi || dpi <= 0 ? value : MulDiv(value, kBaseDpi, dpi); }

RECT rect_to_dpi(const RECT &r, int dpi) {
    return {to_dpi(r.left, dpi), to_dpi(r.top, dpi), to_dpi(r.right, dpi), to_dpi(r.bottom, dpi)};
}

void logfont_to_dpi(LOGFONTA *font, int dpi) {
    font->lfHeight = to_dpi(font->lfHeight, dpi);
    font->lfWidth = to_dpi(font->lfWidth, dpi);
}

void logfont_from_dpi(LOGFONTA *font, int dpi) {
    font->lfHeight = from_dpi(font->lfHeight, dpi);
    font->lfWidth = from_dpi(font->lfWidth, dpi);
}
