// Full-screen mode and the keyboard hooks of the player's main window.
#include "kiosk.h"
#include "dpi.h"
#include <atomic>

namespace {

const char kPropFullScreen[] = "FullScreen";
const char kPropMaximized[] = "Maximized";
// Large enough for any screen; WM_GETMINMAXINFO clips it to the maximum tracking size.
const int kOversize = 5000;

// Read by the low-level hook on its own thread.
std::atomic<int> g_full_screen{0};
std::atomic<long> g_ll_decisions{0};
HHOOK g_ll_hook = nullptr;
HHOOK g_key_hook = nullptr;

// The low-level hook runs on a thread of its own: Windows waits only LowLevelHooksTimeout for
// each key and then removes a hook whose thread does not answer, and the interface thread is
// busy at times (the start sound plays on it until it ends). Windows removes it silently even so
// (a stalled system, a locked session), so the thread installs it again every minute and when
// asked (display change, session unlock).
enum { kReinstallMillis = 60000, kMsgReinstall = WM_APP + 1 };
struct HookThread {
    HANDLE thread = nullptr;
    DWORD id = 0;
    HANDLE ready = nullptr;
    HINSTANCE instance = nullptr;
};
HookThread g_hook_thread;
std::atomic<long> g_ll_installs{0};

// The new hook first, then the old one away: no key passes in between.
void reinstall_ll_hook() {
    HHOOK fresh = SetWindowsHookExA(WH_KEYBOARD_LL, low_level_key_hook, g_hook_thread.instance, 0);
    if (!fresh) return;  // the old one may still be in place; the next turn tries again
    if (g_ll_hook) UnhookWindowsHookEx(g_ll_hook);
    g_ll_hook = fresh;
    ++g_ll_installs;
}

DWORD WINAPI hook_thread_main(LPVOID) {
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the queue, before anyone posts
    reinstall_ll_hook();
    SetEvent(g_hook_thread.ready);
    UINT_PTR timer = SetTimer(nullptr, 0, kReinstallMillis, nullptr);
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if ((msg.message == WM_TIMER && !msg.hwnd) || msg.message == kMsgReinstall) reinstall_ll_hook();
        else DispatchMessageA(&msg);
    }
    if (timer) KillTimer(nullptr, timer);
    if (g_ll_hook) UnhookWindowsHookEx(g_ll_hook);
    g_ll_hook = nullptr;
    return 0;
}

bool down(KeyStateFn key_state, int vk) { return (key_state(vk) & 0x8000) != 0; }

bool is_key_message(WPARAM message) {
    return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP;
}

HANDLE flag_handle(int on) { return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(on ? 1 : 0)); }

}  // namespace

ScreenMetrics screen_metrics(HWND window) {
    typedef int(WINAPI * MetricsForDpiFn)(int, UINT);
    static MetricsForDpiFn for_dpi = reinterpret_cast<MetricsForDpiFn>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetSystemMetricsForDpi")));
    // Caption and menu are drawn at the monitor's scale, which may not be the system's: a part of
    // the menu bar left on the screen would offer 終了 to visitors.
    UINT dpi = static_cast<UINT>(window_dpi(window));
    auto metric = [&](int index) { return for_dpi ? for_dpi(index, dpi) : GetSystemMetrics(index); };
    ScreenMetrics m;
    m.caption_height = metric(SM_CYCAPTION);
    m.frame_width = metric(SM_CXFRAME);
    m.frame_height = metric(SM_CYFRAME);
    m.menu_height = metric(SM_CYMENU);
    m.screen_width = GetSystemMetrics(SM_CXSCREEN);
    m.screen_height = GetSystemMetrics(SM_CYSCREEN);
    m.screen_left = m.screen_top = 0;
    MONITORINFO monitor;
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
        m.screen_left = monitor.rcMonitor.left;
        m.screen_top = monitor.rcMonitor.top;
    }
    return m;
}

int full_screen_flag() { return g_full_screen; }
void set_full_screen_flag(int on) { g_full_screen = on ? 1 : 0; }

void set_full_screen(HWND window, int on) {
    const ScreenMetrics m = screen_metrics(window);
    bool active = GetPropA(window, kPropFullScreen) != nullptr;
    // A second entry would record the already maximized state and lose the one to return to.
    if ((on != 0) == active) return;
    if (on) {
        SetPropA(window, kPropFullScreen, flag_handle(1));
        disable_edge_gestures(window, true);
        bool zoomed = IsZoomed(window) != FALSE;
        SetPropA(window, kPropMaximized, flag_handle(zoomed));
        if (zoomed)
            SetWindowPos(window, nullptr, m.screen_left - m.frame_width,
                         m.screen_top - (m.frame_height + m.menu_height + m.caption_height), kOversize, kOversize,
                         SWP_NOZORDER);
        else
            ShowWindow(window, SW_SHOWMAXIMIZED);
    } else {
        SetPropA(window, kPropFullScreen, flag_handle(0));
        disable_edge_gestures(window, false);
        if (GetPropA(window, kPropMaximized))
            SetWindowPos(window, nullptr, m.screen_left - m.frame_width, m.screen_top - m.frame_height, kOversize,
                         kOversize, SWP_NOZORDER);
        else
            ShowWindow(window, SW_RESTORE);
    }
}

void refit_full_screen(HWND window) {
    if (!GetPropA(window, kPropFullScreen)) return;
    const ScreenMetrics m = screen_metrics(window);
    // Maximized again at the new metrics; WM_GETMINMAXINFO clips the size.
    SetWindowPos(window, nullptr, m.screen_left - m.frame_width,
                 m.screen_top - (m.frame_height + m.menu_height + m.caption_height), kOversize, kOversize,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void clear_full_screen_props(HWND window) {
    RemovePropA(window, kPropFullScreen);
    RemovePropA(window, kPropMaximized);
}

void full_screen_minmax(HWND window, MINMAXINFO *info) {
    DefWindowProcA(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(info));
    const ScreenMetrics m = screen_metrics(window);
    info->ptMaxPosition.x = -m.frame_width;
    info->ptMaxSize.x = info->ptMaxTrackSize.x = m.screen_width + 2 * m.frame_width;
    if (GetPropA(window, kPropFullScreen)) {
        info->ptMaxPosition.y = -(m.menu_height + m.frame_height + m.caption_height);
        info->ptMaxSize.y = info->ptMaxTrackSize.y =
            m.screen_height + 2 * m.frame_height + m.menu_height + m.caption_height;
    } else {
        info->ptMaxPosition.y = -m.frame_height;
        // The tracking limit too, so that leaving full screen lands on exactly the maximized height.
        info->ptMaxSize.y = info->ptMaxTrackSize.y = m.screen_height + 2 * m.frame_height;
    }
}

int ll_key_swallows(DWORD vk, DWORD flags, int full_screen, KeyStateFn key_state) {
    bool alt = (flags & LLKHF_ALTDOWN) != 0;
    // F10 opens the menu from the keyboard, and with it a way out.
    if (full_screen && vk == VK_F10) return 1;
    bool blocked = (vk == VK_TAB && alt) || (vk == VK_ESCAPE && alt) ||
                   (vk == VK_ESCAPE && down(key_state, VK_CONTROL)) || vk == VK_LWIN || vk == VK_RWIN ||
                   (vk == VK_DELETE && alt && (down(key_state, VK_LCONTROL) || down(key_state, VK_RCONTROL)));
    if (blocked) return 1;
    // This hook reports the Alt keys as VK_LMENU/VK_RMENU, never as VK_MENU.
    bool alt_key = vk == VK_MENU || vk == VK_LMENU || vk == VK_RMENU;
    return (full_screen && (alt || alt_key)) ? 1 : 0;
}

int key_hook_swallows(WPARAM vk, int full_screen, KeyStateFn key_state) {
    switch (vk) {
    case VK_TAB:
        return down(key_state, VK_MENU) ? 1 : 0;
    case VK_ESCAPE:
    case VK_MENU:
        if (full_screen) return 1;
        return (down(key_state, VK_TAB) || down(key_state, VK_ESCAPE)) ? 1 : 0;
    case VK_DELETE:
        return (down(key_state, VK_LCONTROL) || down(key_state, VK_MENU) || down(key_state, VK_RCONTROL)) ? 1 : 0;
    case VK_LWIN:
    case VK_RWIN:
    case VK_F10:
        return full_screen ? 1 : 0;
    default:
        return 0;
    }
}

int shift_f12_leaves(WPARAM key, int full_screen, KeyStateFn key_state) {
    return key == VK_F12 && full_screen && down(key_state, VK_SHIFT) ? 1 : 0;
}

LRESULT CALLBACK low_level_key_hook(int code, WPARAM message, LPARAM event) {
    if (code == HC_ACTION && is_key_message(message) && event) {
        const auto *e = reinterpret_cast<const KBDLLHOOKSTRUCT *>(event);
        ++g_ll_decisions;
        if (ll_key_swallows(e->vkCode, e->flags, g_full_screen, GetAsyncKeyState)) return 1;
    }
    return CallNextHookEx(g_ll_hook, code, message, event);
}

LRESULT CALLBACK key_hook(int code, WPARAM vk, LPARAM key_data) {
    if (code == HC_ACTION && key_hook_swallows(vk, g_full_screen, GetAsyncKeyState)) return 1;
    return CallNextHookEx(g_key_hook, code, vk, key_data);
}

long ll_hook_decisions() { return g_ll_decisions; }
long ll_hook_installs() { return g_ll_installs; }

void refresh_key_hooks() {
    if (g_hook_thread.thread) PostThreadMessageA(g_hook_thread.id, kMsgReinstall, 0, 0);
}

int install_key_hooks(HINSTANCE instance) {
    if (!g_hook_thread.thread) {
        g_hook_thread.instance = instance;
        g_hook_thread.ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (g_hook_thread.ready) {
            g_hook_thread.thread = CreateThread(nullptr, 0, hook_thread_main, nullptr, 0, &g_hook_thread.id);
            if (g_hook_thread.thread) WaitForSingleObject(g_hook_thread.ready, INFINITE);
            CloseHandle(g_hook_thread.ready);
            g_hook_thread.ready = nullptr;
        }
    }
    if (!g_key_hook) g_key_hook = SetWindowsHookExA(WH_KEYBOARD, key_hook, instance, 0);
    return (g_ll_hook && g_key_hook) ? 1 : 0;
}

void remove_key_hooks() {
    if (g_hook_thread.thread) {
        PostThreadMessageA(g_hook_thread.id, WM_QUIT, 0, 0);
        WaitForSingleObject(g_hook_thread.thread, INFINITE);
        CloseHandle(g_hook_thread.thread);
        g_hook_thread.thread = nullptr;
    }
    if (g_key_hook) UnhookWindowsHookEx(g_key_hook);
    g_key_hook = nullptr;
}
