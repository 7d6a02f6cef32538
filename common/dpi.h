// Sizes in question and set files count in 96-DPI pixels; on a scaled screen they grow with it.
#pragma once
#include <windows.h>

enum { kBaseDpi = 96 };
// WM_DPICHANGED, which the headers hide behind a Windows version newer than the one we build for.
enum { kMsgDpiChanged = 0x02E0 };

// The window's DPI where the system tells it per window (Windows 10 1607 on), else the screen's.
int window_dpi(HWND window);
int to_dpi(int value, int dpi);
int from_dpi(int value, int dpi);
RECT rect_to_dpi(const RECT &r, int dpi);
// Height and width of a font, the rest stays.
void logfont_to_dpi(LOGFONTA *font, int dpi);
void logfont_from_dpi(LOGFONTA *font, int dpi);
