// Kiosk mode of the main window: full screen with frame, caption and menu pushed off the screen,
// and the two keyboard hooks that swallow task-switching keys.
#pragma once
#include <windows.h>

// System metrics used for the full-screen geometry, at the DPI of the window's monitor where the
// system tells metrics per DPI (Windows 10 1607 on), else at the system's.
struct ScreenMetrics {
    int caption_height;  // SM_CYCAPTION
    int frame_width;     // SM_CXFRAME
    int frame_height;    // SM_CYFRAME
    int screen_width;    // SM_CXSCREEN
    int screen_height;   // SM_CYSCREEN
    int menu_height;     // SM_CYMENU
    int screen_left, screen_top;  // the window's monitor in screen coordinates
};
// Read at each use: a kiosk's monitor, resolution or scale may change while it runs.
ScreenMetrics screen_metrics(HWND window);

// The process-wide full-screen flag read by the hooks; the main window sets it with each set_full_screen.
int full_screen_flag();
void set_full_screen_flag(int on);

// Enters (on non-zero) or leaves full-screen mode; the window properties "FullScreen" and "Maximized"
// remember the state. Entering twice or leaving while not in full screen does nothing.
void set_full_screen(HWND window, int on);
// Full screen fitted again to the window's monitor and DPI (WM_DPICHANGED, WM_DISPLAYCHANGE);
// nothing outside full screen.
void refit_full_screen(HWND window);
// Removes both properties; for the main window's WM_DESTROY.
void clear_full_screen_props(HWND window);
// The main window's WM_GETMINMAXINFO handler.
void full_screen_minmax(HWND window, MINMAXINFO *info);

// Seams for what only Windows itself shows: SetThreadExecutionState, and the edge-gesture
// property of a window's property store. Null restores the real call; the old one is returned.
typedef EXECUTION_STATE(WINAPI *ExecutionStateFn)(EXECUTION_STATE flags);
ExecutionStateFn set_execution_state_fn(ExecutionStateFn fn);
typedef bool (*EdgeGestureFn)(HWND window, bool disable);
EdgeGestureFn set_edge_gesture_fn(EdgeGestureFn fn);
// Keeps the display and the system awake (the power plan's timeouts do not apply), or releases it.
void keep_awake(bool on);
// Swipes in from the screen's edges do nothing while the window is full screen (Windows 8 and later).
bool disable_edge_gestures(HWND window, bool disable);
// Has window told of session changes (WM_WTSSESSION_CHANGE: an unlock may have cost the low-level
// hook), or no longer; nothing where the system lacks it.
void watch_session(HWND window, bool on);

// GetAsyncKeyState or a stand-in; "down" is the high bit of its result.
typedef SHORT(WINAPI *KeyStateFn)(int vk);

// Decisions of the two hooks, 1 = swallow. vk and flags come from KBDLLHOOKSTRUCT.
int ll_key_swallows(DWORD vk, DWORD flags, int full_screen, KeyStateFn key_state);
int key_hook_swallows(WPARAM vk, int full_screen, KeyStateFn key_state);

// Whether a released key leaves full screen: F12 while Shift is held down (the high bit only; the
// low bit says Shift was pressed at some time before).
int shift_f12_leaves(WPARAM key, int full_screen, KeyStateFn key_state);

LRESULT CALLBACK low_level_key_hook(int code, WPARAM message, LPARAM event);  // WH_KEYBOARD_LL
LRESULT CALLBACK key_hook(int code, WPARAM vk, LPARAM key_data);             // WH_KEYBOARD

// Installs WH_KEYBOARD_LL on a thread of its own, which installs it again every minute, then
// WH_KEYBOARD for all threads; returns 1 when both are in place.
int install_key_hooks(HINSTANCE instance);
// Has the hook thread install the low-level hook again now (after a display change or a session
// unlock, when Windows may have dropped it); nothing when none is installed.
void refresh_key_hooks();
// Key events the low-level hook has decided, and times it was installed, since the program started.
long ll_hook_decisions();
long ll_hook_installs();
// Removes them in the same order; safe to call when none is installed.
void remove_key_hooks();
