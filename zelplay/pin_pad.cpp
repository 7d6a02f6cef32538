// The exit PIN keypad: a popup over the whole monitor with a centred panel of twelve keys and a
// cancel key, run in its own modal loop; digits, Backspace and Enter work from a keyboard too (Esc
// also outside full screen, where the hooks let it through).
#include "pin_pad.h"
#include "dpi.h"
#include "exit_pin.h"
#include "modal_loop.h"
#include <string.h>

namespace {

const char kClass[] = "ZelmicaPinPad";
const char kAskText[] = "終了するには暗証番号を入力してください";
const char kWrongText[] = "暗証番号が違います";
const char kWaitText[] = "続けて間違えたため、あと %lu 秒お待ちください";
const char kKeyText[kPinPadKeys][16] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "消す", "OK", "キャンセル"};
enum { kTickTimer = 1, kTickMillis = 500 };
// The key grid as read on a phone: 1-2-3 on top, then ← 0 OK.
const int kGrid[4][3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {kPinKeyBack, 0, kPinKeyOk}};

PinGate g_gate = {0, 0, false};
PinAskFn g_ask = nullptr;

struct Pad {
    const char *line = nullptr;
    char typed[kPinMaxDigits + 1] = "";
    const char *message = kAskText;
    int pressed = -1;
    bool done = false;
    bool right = false;
    DWORD last_input = 0;  // tick count of the last key or tap
};

DWORD g_idle_millis = kPinPadIdleMillis;

int mm_to_px(int tenths_mm, int dpi) { return MulDiv(tenths_mm, dpi, 254); }

Pad *pad_of(HWND w) { return reinterpret_cast<Pad *>(GetWindowLongPtrA(w, GWLP_USERDATA)); }

void fill(HDC dc, const RECT &r, COLORREF colour) {
    HBRUSH b = CreateSolidBrush(colour);
    FillRect(dc, &r, b);
    DeleteObject(b);
}

void frame(HDC dc, const RECT &r, COLORREF colour) {
    HBRUSH b = CreateSolidBrush(colour);
    FrameRect(dc, &r, b);
    DeleteObject(b);
}

// Digits and "OK" in a Latin face: some Japanese faces draw them narrow or not at all.
HFONT make_font(int height, bool latin) {
    LOGFONTA lf;
    ZeroMemory(&lf, sizeof lf);
    lf.lfHeight = -height;
    lf.lfWeight = FW_BOLD;
    lf.lfCharSet = latin ? DEFAULT_CHARSET : SHIFTJIS_CHARSET;
    lstrcpyA(lf.lfFaceName, latin ? "Tahoma" : "MS UI Gothic");
    return CreateFontIndirectA(&lf);
}

void draw_text(HDC dc, const char *text, RECT r, int height, COLORREF colour) {
    HFONT f = make_font(height, static_cast<unsigned char>(text[0]) < 0x80);
    HGDIOBJ old = f ? SelectObject(dc, f) : nullptr;
    SetTextColor(dc, colour);
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (old) SelectObject(dc, old);
    if (f) DeleteObject(f);
}

void paint_pad(HWND w, HDC dc, const RECT &client, const Pad &p) {
    const PinPadLayout l = pin_pad_layout(client, window_dpi(w));
    fill(dc, client, RGB(32, 32, 32));
    fill(dc, l.panel, RGB(240, 240, 240));
    const int key_h = l.key[1].bottom - l.key[1].top;
    char text[160];
    const DWORD wait = pin_wait_left(&g_gate, GetTickCount());
    if (wait) wsprintfA(text, kWaitText, static_cast<unsigned long>((wait + 999) / 1000));
    else lstrcpynA(text, p.message, sizeof text);
    const RECT &dots = l.display;
    draw_text(dc, text, l.message, key_h / 3, wait || p.message == kWrongText ? RGB(255, 96, 96) : RGB(255, 255, 255));
    fill(dc, dots, RGB(255, 255, 255));
    frame(dc, dots, RGB(128, 128, 128));
    // One dot per digit typed, drawn rather than written: no font needed.
    const int n = lstrlenA(p.typed), d = key_h / 5, step = key_h / 3;
    const int x0 = (dots.left + dots.right - (n - 1) * step - d) / 2, y0 = (dots.top + dots.bottom - d) / 2;
    HBRUSH ink = CreateSolidBrush(RGB(0, 0, 0));
    HGDIOBJ old_brush = ink ? SelectObject(dc, ink) : nullptr;
    for (int i = 0; i < n; ++i) Ellipse(dc, x0 + i * step, y0, x0 + i * step + d, y0 + d);
    if (old_brush) SelectObject(dc, old_brush);
    if (ink) DeleteObject(ink);
    for (int k = 0; k < kPinPadKeys; ++k) {
        // The key under a finger shows inverted, so a tap is seen to land.
        const bool down = k == p.pressed;
        const COLORREF face = k == kPinKeyOk ? RGB(0, 120, 215) : RGB(255, 255, 255);
        const COLORREF ink = k == kPinKeyOk ? RGB(255, 255, 255) : RGB(0, 0, 0);
        fill(dc, l.key[k], down ? ink : face);
        frame(dc, l.key[k], RGB(96, 96, 96));
        draw_text(dc, kKeyText[k], l.key[k], k <= 9 ? key_h / 2 : key_h / 4, down ? face : ink);
    }
}

void on_paint(HWND w) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(w, &ps);
    RECT client;
    GetClientRect(w, &client);
    // Composed off screen: a flicker would hide which key took the tap.
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bitmap = mem ? CreateCompatibleBitmap(dc, client.right, client.bottom) : nullptr;
    HGDIOBJ old = bitmap ? SelectObject(mem, bitmap) : nullptr;
    if (old) {
        paint_pad(w, mem, client, *pad_of(w));
        BitBlt(dc, 0, 0, client.right, client.bottom, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
    } else {
        paint_pad(w, dc, client, *pad_of(w));
    }
    if (bitmap) DeleteObject(bitmap);
    if (mem) DeleteDC(mem);
    EndPaint(w, &ps);
}

void press(HWND w, Pad *p, int key) {
    if (key < 0) return;
    if (key <= 9) {
        size_t n = strlen(p->typed);
        if (n < kPinMaxDigits) {
            p->typed[n] = static_cast<char>('0' + key);
            p->typed[n + 1] = '\0';
        }
        p->message = kAskText;
    } else if (key == kPinKeyBack) {
        size_t n = strlen(p->typed);
        if (n) p->typed[n - 1] = '\0';
    } else if (key == kPinKeyCancel) {
        p->done = true;
    } else if (key == kPinKeyOk) {
        PinVerdict v = pin_try(&g_gate, p->line, p->typed, GetTickCount());
        if (v == kPinRight) {
            p->right = true;
            p->done = true;
        } else if (v == kPinWrong) {
            p->message = kWrongText;
        }
        SecureZeroMemory(p->typed, sizeof p->typed);
    }
    InvalidateRect(w, nullptr, FALSE);
}

int key_of(WPARAM vk) {
    if (vk >= '0' && vk <= '9') return static_cast<int>(vk - '0');
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return static_cast<int>(vk - VK_NUMPAD0);
    if (vk == VK_BACK || vk == VK_DELETE) return kPinKeyBack;
    if (vk == VK_RETURN) return kPinKeyOk;
    if (vk == VK_ESCAPE) return kPinKeyCancel;
    return -1;
}

LRESULT CALLBACK pad_proc(HWND w, UINT message, WPARAM wp, LPARAM lp) {
    Pad *p = pad_of(w);
    switch (message) {
    case WM_PAINT: on_paint(w); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PRINTCLIENT:
        if (p) {
            RECT client;
            GetClientRect(w, &client);
            paint_pad(w, reinterpret_cast<HDC>(wp), client, *p);
        }
        return 0;
    case WM_LBUTTONDOWN:
        if (!p) break;
        p->last_input = GetTickCount();
        {
            RECT client;
            GetClientRect(w, &client);
            p->pressed = pin_pad_hit(pin_pad_layout(client, window_dpi(w)), static_cast<short>(LOWORD(lp)),
                                     static_cast<short>(HIWORD(lp)));
            InvalidateRect(w, nullptr, FALSE);
        }
        return 0;
    case WM_LBUTTONUP:
        if (!p) break;
        {
            int key = p->pressed;
            p->pressed = -1;
            press(w, p, key);
        }
        return 0;
    case WM_KEYDOWN:
        if (!p) return 0;
        p->last_input = GetTickCount();
        press(w, p, key_of(wp));
        return 0;
    case WM_TIMER:
        // Staff who walk away leave the kiosk to the next visitors, not the keypad.
        if (p && GetTickCount() - p->last_input >= g_idle_millis) {
            p->done = true;
            return 0;
        }
        if (pin_wait_left(&g_gate, GetTickCount()) || g_gate.paused) InvalidateRect(w, nullptr, FALSE);
        return 0;
    case WM_CLOSE:
        if (p) p->done = true;
        return 0;
    default: break;
    }
    return DefWindowProcA(w, message, wp, lp);
}

bool register_class() {
    static bool done = false;
    if (done) return true;
    WNDCLASSEXA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = pad_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = kClass;
    done = RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return done;
}

HWND make_pad(HWND owner, Pad *p, DWORD style) {
    if (!register_class()) return nullptr;
    MONITORINFO m;
    m.cbSize = sizeof m;
    RECT r = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (GetMonitorInfoA(MonitorFromWindow(owner, MONITOR_DEFAULTTOPRIMARY), &m)) r = m.rcMonitor;
    HWND w = CreateWindowExA(WS_EX_TOPMOST, kClass, "PIN", WS_POPUP | style, r.left, r.top, r.right - r.left,
                             r.bottom - r.top, owner, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (w) SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(p));
    return w;
}

}  // namespace

PinPadLayout pin_pad_layout(const RECT &client, int dpi) {
    PinPadLayout l;
    const int width = client.right - client.left, height = client.bottom - client.top;
    // Seven key heights stand one above the other (message, display, four rows, cancel) with margins.
    int key = height * 10 / 85;
    key = key < mm_to_px(220, dpi) ? key : mm_to_px(220, dpi);
    key = key > mm_to_px(120, dpi) ? key : mm_to_px(120, dpi);
    const int gap = key / 8;
    const int panel_w = 3 * key + 4 * gap, panel_h = 6 * key + 7 * gap;
    const int left = client.left + (width - panel_w) / 2, top = client.top + (height - panel_h + key) / 2;
    SetRect(&l.message, client.left, top - key, client.right, top);
    SetRect(&l.panel, left, top, left + panel_w, top + panel_h);
    SetRect(&l.display, left + gap, top + gap, left + panel_w - gap, top + gap + key);
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 3; ++col) {
            int x = left + gap + col * (key + gap), y = top + gap + (row + 1) * (key + gap);
            SetRect(&l.key[kGrid[row][col]], x, y, x + key, y + key);
        }
    const int y = top + gap + 5 * (key + gap);
    SetRect(&l.key[kPinKeyCancel], left + gap, y, left + panel_w - gap, y + key);
    return l;
}

int pin_pad_hit(const PinPadLayout &layout, int x, int y) {
    POINT pt = {x, y};
    for (int k = 0; k < kPinPadKeys; ++k)
        if (PtInRect(&layout.key[k], pt)) return k;
    return -1;
}

bool show_pin_pad(HWND owner, const char *stored_line) {
    Pad p;
    p.line = stored_line;
    p.last_input = GetTickCount();
    HWND w = make_pad(owner, &p, WS_VISIBLE);
    if (!w) return false;
    SetTimer(w, kTickTimer, kTickMillis, nullptr);
    SetForegroundWindow(w);
    SetFocus(w);
    const bool was_enabled = owner && IsWindowEnabled(owner);
    if (was_enabled) EnableWindow(owner, FALSE);
    ModalLoop loop;
    MSG msg;
    bool quit = false;
    while (!p.done) {
        if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
            quit = true;
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (was_enabled) EnableWindow(owner, TRUE);
    KillTimer(w, kTickTimer);
    DestroyWindow(w);
    if (owner) SetForegroundWindow(owner);
    // The loop's end belongs to the main loop.
    if (quit) PostQuitMessage(static_cast<int>(msg.wParam));
    return p.right;
}

void set_pin_pad_idle_millis(DWORD millis) { g_idle_millis = millis ? millis : kPinPadIdleMillis; }

PinAskFn set_pin_ask_fn(PinAskFn fn) {
    PinAskFn old = g_ask;
    g_ask = fn;
    return old;
}

bool exit_allowed(HWND owner, int full_screen, const char *stored_line) {
    if (!full_screen || !stored_line || !pin_line_readable(stored_line)) return true;
    return (g_ask ? g_ask : show_pin_pad)(owner, stored_line);
}

HWND create_pin_pad_for_shot(HWND owner, int typed_digits) {
    static Pad shot;
    shot.line = "";
    for (int i = 0; i < typed_digits && i < kPinMaxDigits; ++i) shot.typed[i] = '1';
    shot.typed[typed_digits < kPinMaxDigits ? typed_digits : kPinMaxDigits] = '\0';
    shot.pressed = 5;
    return make_pad(owner, &shot, 0);
}
