// Kiosk mode: both key tables row by row, the hook procedures' filters, and full screen on a real window.
#include <gtest/gtest.h>
#include <initializer_list>
#include <set>
#include "kiosk.h"

namespace {

std::set<int> g_down;
SHORT WINAPI fake_state(int vk) { return g_down.count(vk) ? SHORT(0x8000) : SHORT(0); }

struct Held {
    Held(std::initializer_list<int> keys) { g_down = keys; }
    ~Held() { g_down.clear(); }
};

const DWORD kAlt = LLKHF_ALTDOWN;

TEST(LowLevelHook, BlockedKeysAreSwallowedInBothModes) {
    for (int fs : {0, 1}) {
        SCOPED_TRACE(fs);
        EXPECT_EQ(ll_key_swallows(VK_TAB, kAlt, fs, fake_state), 1);
        EXPECT_EQ(ll_key_swallows(VK_ESCAPE, kAlt, fs, fake_state), 1);
        EXPECT_EQ(ll_key_swallows(VK_LWIN, 0, fs, fake_state), 1);
        EXPECT_EQ(ll_key_swallows(VK_RWIN, 0, fs, fake_state), 1);
        {
            Held h{VK_CONTROL};
            EXPECT_EQ(ll_key_swallows(VK_ESCAPE, 0, fs, fake_state), 1);
        }
        for (int ctrl : {VK_LCONTROL, VK_RCONTROL}) {
            Held h{ctrl};
            EXPECT_EQ(ll_key_swallows(VK_DELETE, kAlt, fs, fake_state), 1);
        }
    }
}

TEST(LowLevelHook, OrdinaryKeysPassOutsideFullScreen) {
    EXPECT_EQ(ll_key_swallows(VK_TAB, 0, 0, fake_state), 0);
    EXPECT_EQ(ll_key_swallows(VK_ESCAPE, 0, 0, fake_state), 0);
    EXPECT_EQ(ll_key_swallows('A', 0, 0, fake_state), 0);
    EXPECT_EQ(ll_key_swallows(VK_F4, kAlt, 0, fake_state), 0);  // Alt+F4 still closes the window
    EXPECT_EQ(ll_key_swallows(VK_LMENU, kAlt, 0, fake_state), 0);
    EXPECT_EQ(ll_key_swallows(VK_DELETE, 0, 0, fake_state), 0);
    {
        Held h{VK_LCONTROL};
        EXPECT_EQ(ll_key_swallows(VK_DELETE, 0, 0, fake_state), 0);  // Ctrl+Del without Alt
    }
    EXPECT_EQ(ll_key_swallows(VK_DELETE, kAlt, 0, fake_state), 0);  // Alt+Del without Ctrl
}

TEST(LowLevelHook, FullScreenAlsoSwallowsEveryAltEvent) {
    EXPECT_EQ(ll_key_swallows(VK_F4, kAlt, 1, fake_state), 1);
    EXPECT_EQ(ll_key_swallows('A', kAlt, 1, fake_state), 1);
    // The Alt key itself, also on release when the flag is already clear.
    for (DWORD vk : {DWORD(VK_MENU), DWORD(VK_LMENU), DWORD(VK_RMENU)}) EXPECT_EQ(ll_key_swallows(vk, 0, 1, fake_state), 1);
    EXPECT_EQ(ll_key_swallows('A', 0, 1, fake_state), 0);
    EXPECT_EQ(ll_key_swallows(VK_TAB, 0, 1, fake_state), 0);
}

TEST(KeyHook, EveryRowOfTheTable) {
    for (int fs : {0, 1}) {
        SCOPED_TRACE(fs);
        EXPECT_EQ(key_hook_swallows(VK_TAB, fs, fake_state), 0);
        {
            Held h{VK_MENU};
            EXPECT_EQ(key_hook_swallows(VK_TAB, fs, fake_state), 1);
            EXPECT_EQ(key_hook_swallows(VK_DELETE, fs, fake_state), 1);
            EXPECT_EQ(key_hook_swallows('A', fs, fake_state), 0);
        }
        for (int ctrl : {VK_LCONTROL, VK_RCONTROL}) {
            Held h{ctrl};
            EXPECT_EQ(key_hook_swallows(VK_DELETE, fs, fake_state), 1);
        }
        EXPECT_EQ(key_hook_swallows(VK_DELETE, fs, fake_state), 0);
        for (int held : {VK_TAB, VK_ESCAPE}) {
            Held h{held};
            EXPECT_EQ(key_hook_swallows(VK_ESCAPE, fs, fake_state), 1);
            EXPECT_EQ(key_hook_swallows(VK_MENU, fs, fake_state), 1);
        }
        EXPECT_EQ(key_hook_swallows(VK_ESCAPE, fs, fake_state), fs);
        EXPECT_EQ(key_hook_swallows(VK_MENU, fs, fake_state), fs);
        EXPECT_EQ(key_hook_swallows(VK_LWIN, fs, fake_state), fs);
        EXPECT_EQ(key_hook_swallows(VK_RWIN, fs, fake_state), fs);
        EXPECT_EQ(key_hook_swallows(VK_F4, fs, fake_state), 0);
    }
}

TEST(HookProcedures, ActOnlyOnKeyActionsAndReadTheFlag) {
    KBDLLHOOKSTRUCT e{};
    e.vkCode = VK_LWIN;
    LPARAM lp = reinterpret_cast<LPARAM>(&e);
    for (WPARAM m : {WPARAM(WM_KEYDOWN), WPARAM(WM_KEYUP), WPARAM(WM_SYSKEYDOWN), WPARAM(WM_SYSKEYUP)})
        EXPECT_EQ(low_level_key_hook(HC_ACTION, m, lp), 1);
    EXPECT_EQ(low_level_key_hook(HC_ACTION, WM_CHAR, lp), 0);
    EXPECT_EQ(low_level_key_hook(-1, WM_KEYDOWN, lp), 0);

    e.vkCode = VK_LMENU;
    set_full_screen_flag(0);
    EXPECT_EQ(low_level_key_hook(HC_ACTION, WM_SYSKEYUP, lp), 0);
    set_full_screen_flag(1);
    EXPECT_EQ(full_screen_flag(), 1);
    EXPECT_EQ(low_level_key_hook(HC_ACTION, WM_SYSKEYUP, lp), 1);
    EXPECT_EQ(key_hook(HC_ACTION, VK_ESCAPE, 0), 1);
    EXPECT_EQ(key_hook(HC_NOREMOVE, VK_ESCAPE, 0), 0);
    set_full_screen_flag(0);
    EXPECT_EQ(key_hook(HC_ACTION, VK_ESCAPE, 0), 0);
}

TEST(HookProcedures, InstallAndRemove) {
    EXPECT_EQ(install_key_hooks(GetModuleHandleA(nullptr)), 1);
    remove_key_hooks();
    remove_key_hooks();
}

// A stand-in for the main window: overlapped, with a menu, minmax from the kiosk code.
LRESULT CALLBACK test_proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_GETMINMAXINFO) {
        full_screen_minmax(w, reinterpret_cast<MINMAXINFO *>(lp));
        return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
}

// One window for the suite: destroying a window costs Wine about two seconds here.
class FullScreen : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = test_proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KioskTestWindow";
        RegisterClassExA(&wc);
        HMENU menu = CreateMenu();
        AppendMenuA(menu, MF_STRING, 1, "File");
        window_ = CreateWindowExA(0, "KioskTestWindow", "kiosk", WS_OVERLAPPEDWINDOW, 100, 80, 500, 400, nullptr,
                                  menu, wc.hInstance, nullptr);
    }
    static void TearDownTestSuite() { DestroyWindow(window_); }
    void SetUp() override {
        ASSERT_TRUE(window_);
        clear_full_screen_props(window_);
        WINDOWPLACEMENT p{};
        p.length = sizeof p;
        p.showCmd = SW_SHOWNORMAL;
        SetRect(&p.rcNormalPosition, 100, 80, 600, 480);
        SetWindowPlacement(window_, &p);
        pump();
    }
    static void pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    RECT rect() const {
        RECT r;
        GetWindowRect(window_, &r);
        return r;
    }
    void expect_full_screen_rect() const {
        const ScreenMetrics &m = screen_metrics();
        RECT r = rect();
        EXPECT_EQ(r.left, -m.frame_width);
        EXPECT_EQ(r.top, -(m.frame_height + m.menu_height + m.caption_height));
        EXPECT_EQ(r.right - r.left, m.screen_width + 2 * m.frame_width);
        EXPECT_EQ(r.bottom - r.top, m.screen_height + 2 * m.frame_height + m.menu_height + m.caption_height);
    }
    static HWND window_;
};
HWND FullScreen::window_ = nullptr;

TEST_F(FullScreen, MetricsComeFromTheSystem) {
    const ScreenMetrics &m = screen_metrics();
    EXPECT_EQ(m.screen_width, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(m.screen_height, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(m.caption_height, GetSystemMetrics(SM_CYCAPTION));
    EXPECT_EQ(m.menu_height, GetSystemMetrics(SM_CYMENU));
    EXPECT_EQ(m.frame_width, GetSystemMetrics(SM_CXFRAME));
    EXPECT_EQ(m.frame_height, GetSystemMetrics(SM_CYFRAME));
    EXPECT_GT(m.caption_height, 0);
}

TEST_F(FullScreen, MinMaxWithAndWithoutTheProperty) {
    const ScreenMetrics &m = screen_metrics();
    MINMAXINFO info{};
    full_screen_minmax(window_, &info);
    EXPECT_EQ(info.ptMaxPosition.x, -m.frame_width);
    EXPECT_EQ(info.ptMaxPosition.y, -m.frame_height);
    EXPECT_EQ(info.ptMaxSize.x, m.screen_width + 2 * m.frame_width);
    EXPECT_EQ(info.ptMaxTrackSize.x, m.screen_width + 2 * m.frame_width);
    EXPECT_EQ(info.ptMaxSize.y, m.screen_height + 2 * m.frame_height);
    EXPECT_EQ(info.ptMaxTrackSize.y, m.screen_height + 2 * m.frame_height);

    SetPropA(window_, "FullScreen", reinterpret_cast<HANDLE>(1));
    info = MINMAXINFO{};
    full_screen_minmax(window_, &info);
    int chrome = m.menu_height + m.frame_height + m.caption_height;
    EXPECT_EQ(info.ptMaxPosition.y, -chrome);
    EXPECT_EQ(info.ptMaxSize.y, m.screen_height + m.frame_height + chrome);
    EXPECT_EQ(info.ptMaxTrackSize.y, m.screen_height + m.frame_height + chrome);
    EXPECT_EQ(info.ptMaxSize.x, m.screen_width + 2 * m.frame_width);
}

TEST_F(FullScreen, FromNormalReturnsToNormal) {
    RECT before = rect();
    set_full_screen(window_, 1);
    pump();
    EXPECT_TRUE(IsZoomed(window_));
    EXPECT_TRUE(GetPropA(window_, "FullScreen"));
    EXPECT_FALSE(GetPropA(window_, "Maximized"));
    expect_full_screen_rect();

    set_full_screen(window_, 1);  // a repeated entry must not forget the normal state
    set_full_screen(window_, 0);
    pump();
    EXPECT_FALSE(IsZoomed(window_));
    EXPECT_FALSE(GetPropA(window_, "FullScreen"));
    RECT after = rect();
    EXPECT_TRUE(EqualRect(&before, &after));
}

// No messages are pumped between the steps: without a window manager Wine's X11 driver restores a
// maximized window once it sees it moved by SetWindowPos, which Windows does not do.
TEST_F(FullScreen, FromMaximizedReturnsToMaximized) {
    ShowWindow(window_, SW_SHOWMAXIMIZED);
    pump();
    RECT maximized = rect();
    set_full_screen(window_, 1);
    EXPECT_TRUE(IsZoomed(window_));
    EXPECT_TRUE(GetPropA(window_, "Maximized"));
    expect_full_screen_rect();

    set_full_screen(window_, 0);
    EXPECT_TRUE(IsZoomed(window_));
    EXPECT_FALSE(GetPropA(window_, "FullScreen"));
    RECT r = rect();
    EXPECT_TRUE(EqualRect(&r, &maximized));
}

TEST_F(FullScreen, LeavingWhenNotInFullScreenLeavesTheWindowAlone) {
    ShowWindow(window_, SW_SHOWMAXIMIZED);
    pump();
    RECT before = rect();
    set_full_screen(window_, 0);
    pump();
    EXPECT_TRUE(IsZoomed(window_));
    RECT after = rect();
    EXPECT_TRUE(EqualRect(&before, &after));
}

}  // namespace
