// Kiosk mode: both key tables row by row, the hook procedures' filters, and full screen on a real window.
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <string.h>
#include <vector>
#include "crash_restart.h"
#include "exit_pin.h"
#include "kiosk.h"
#include "kiosk_status.h"
#include "scratch_folder.h"
#include "pin_pad.h"

namespace {

std::set<int> g_down;
SHORT WINAPI fake_state(int vk) { return g_down.count(vk) ? SHORT(0x8000) : SHORT(0); }

const DWORD kAlt = LLKHF_ALTDOWN;

// One key event with the keys held meanwhile, and the decision outside / inside full-screen mode.
struct Row {
    DWORD vk, flags;
    std::set<int> held;
    int normal, full;
};

TEST(LowLevelHook, EveryRule) {
    const Row rows[] = {
        {VK_TAB, kAlt, {}, 1, 1},          {VK_ESCAPE, kAlt, {}, 1, 1},
        {VK_ESCAPE, 0, {VK_CONTROL}, 1, 1}, {VK_LWIN, 0, {}, 1, 1},
        {VK_RWIN, 0, {}, 1, 1},            {VK_DELETE, kAlt, {VK_LCONTROL}, 1, 1},
        {VK_DELETE, kAlt, {VK_RCONTROL}, 1, 1},
        {VK_TAB, 0, {}, 0, 0},             {VK_ESCAPE, 0, {}, 0, 0},
        {VK_DELETE, 0, {VK_LCONTROL}, 0, 0}, {VK_DELETE, kAlt, {}, 0, 1},
        {VK_F4, kAlt, {}, 0, 1},           {'A', kAlt, {}, 0, 1},  // Alt+F4 closes only outside full screen
        {'A', 0, {}, 0, 0},
        // The Alt key itself, also on release when the flag is already clear; this hook names it L/R.
        {VK_MENU, 0, {}, 0, 1},            {VK_LMENU, 0, {}, 0, 1}, {VK_RMENU, kAlt, {}, 0, 1},
        {VK_F10, 0, {}, 0, 1},  // the menu from the keyboard: a way out of full screen
        // Digits, arrows and Enter answer the questions.
        {'3', 0, {}, 0, 0}, {VK_NUMPAD5, 0, {}, 0, 0}, {VK_DOWN, 0, {}, 0, 0}, {VK_RETURN, 0, {}, 0, 0},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(testing::Message() << "vk " << r.vk << " flags " << r.flags);
        g_down = r.held;
        EXPECT_EQ(ll_key_swallows(r.vk, r.flags, 0, fake_state), r.normal);
        EXPECT_EQ(ll_key_swallows(r.vk, r.flags, 1, fake_state), r.full);
    }
    g_down.clear();
}

TEST(KeyHook, EveryRowOfTheTable) {
    const Row rows[] = {
        {VK_TAB, 0, {}, 0, 0},           {VK_TAB, 0, {VK_MENU}, 1, 1},
        {VK_ESCAPE, 0, {}, 0, 1},        {VK_MENU, 0, {}, 0, 1},
        {VK_ESCAPE, 0, {VK_TAB}, 1, 1},  {VK_MENU, 0, {VK_ESCAPE}, 1, 1},
        {VK_ESCAPE, 0, {VK_ESCAPE}, 1, 1}, {VK_MENU, 0, {VK_TAB}, 1, 1},
        {VK_DELETE, 0, {}, 0, 0},        {VK_DELETE, 0, {VK_LCONTROL}, 1, 1},
        {VK_DELETE, 0, {VK_MENU}, 1, 1}, {VK_DELETE, 0, {VK_RCONTROL}, 1, 1},
        {VK_LWIN, 0, {}, 0, 1},          {VK_RWIN, 0, {}, 0, 1},
        {VK_F4, 0, {VK_MENU}, 0, 0},     {VK_F10, 0, {}, 0, 1},
        {'1', 0, {}, 0, 0},              {VK_NUMPAD0, 0, {}, 0, 0},
        {VK_UP, 0, {}, 0, 0},            {VK_RETURN, 0, {}, 0, 0},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(testing::Message() << "vk " << r.vk);
        g_down = r.held;
        EXPECT_EQ(key_hook_swallows(r.vk, 0, fake_state), r.normal);
        EXPECT_EQ(key_hook_swallows(r.vk, 1, fake_state), r.full);
    }
    g_down.clear();
}

int g_asked = 0;
bool ask_says_right(HWND, const char *) { return ++g_asked, true; }

// The exit PIN: its stored form, wrong tries and the pause, and a PIN that cannot be read.
TEST(ExitPin, HashTriesPauseAndNoPin) {
    unsigned char d[32];
    sha256("abc", 3, d);  // the standard's first example
    EXPECT_EQ(0xba, d[0]);
    EXPECT_EQ(0xad, d[31]);
    const unsigned char salt[kPinSaltBytes] = {1, 2, 3};
    char line[kPinLineSize], other[kPinLineSize];
    ASSERT_TRUE(pin_make_line("2468", salt, line, sizeof line));
    ASSERT_TRUE(pin_make_line_random("2468", other, sizeof other));
    EXPECT_STRNE(line, other);  // salted: the same PIN stores differently
    EXPECT_EQ(nullptr, strstr(line, "2468"));
    EXPECT_TRUE(pin_matches(other, "2468"));
    for (const char *bad : {"123", "123456789", "12a4", ""}) EXPECT_FALSE(pin_make_line(bad, salt, other, sizeof other)) << bad;

    // One try after another: typed PIN, milliseconds since the start, verdict.
    struct Try {
        const char *typed;
        DWORD at;
        PinVerdict verdict;
    } tries[] = {
        {"2468", 0, kPinRight},     {"1111", 10, kPinWrong},    {"2468", 20, kPinRight},  // right clears the count
        {"1", 30, kPinWrong},       {"1111", 40, kPinWrong},    {"1111", 50, kPinWrong},
        {"1111", 60, kPinWrong},    {"1111", 70, kPinWrong},    // the fifth wrong try in a row: pause
        {"2468", 80, kPinWait},     {"2468", 30060, kPinWait},  // even the right PIN waits
        {"1111", 30070, kPinWrong}, {"2468", 30080, kPinWait},  // each further wrong try pauses again
        {"2468", 60070, kPinRight}, {"1111", 60080, kPinWrong}, {"2468", 60090, kPinRight},
    };
    PinGate gate = {0, 0, false};
    const DWORD start = 0xFFFFF000u;  // across the tick counter's wrap
    for (const Try &t : tries)
        EXPECT_EQ(t.verdict, pin_try(&gate, line, t.typed, start + t.at)) << t.typed << " at " << t.at;

    // A line that cannot be read locks nobody out: the keypad is not even asked.
    std::string cut(line, strlen(line) - 1);
    PinAskFn old = set_pin_ask_fn(ask_says_right);
    for (const char *unreadable : {"", "s256", "s256:0:00:00", "md5:1:x:y", cut.c_str(), "s256:99999999:0:0"}) {
        EXPECT_FALSE(pin_line_readable(unreadable)) << unreadable;
        EXPECT_TRUE(exit_allowed(nullptr, 1, unreadable));
    }
    EXPECT_TRUE(exit_allowed(nullptr, 0, line));  // outside full screen
    EXPECT_EQ(0, g_asked);
    EXPECT_TRUE(exit_allowed(nullptr, 1, line));
    EXPECT_EQ(1, g_asked);
    set_pin_ask_fn(old);

    // The real keypad, left alone by staff who walked away, closes by itself as a cancel.
    set_pin_pad_idle_millis(700);
    const DWORD asked_at = GetTickCount();
    EXPECT_FALSE(show_pin_pad(nullptr, line));
    EXPECT_LT(GetTickCount() - asked_at, 5000u);
    set_pin_pad_idle_millis(0);

    CornerTaps taps = {0, 0};
    const struct {
        bool in_corner;
        DWORD at;
        bool calls;
    } tap_rows[] = {{true, 0, false},    {true, 500, false},  {true, 900, false},  {true, 1200, false},
                    {true, 1500, true},  {true, 1600, false}, {false, 1700, false},  // outside starts over
                    {true, 1800, false}, {true, 1900, false}, {true, 2000, false}, {true, 2100, false},
                    {true, 5000, false}};  // too slow: the fifth starts a new count
    for (const auto &r : tap_rows) EXPECT_EQ(r.calls, corner_tap(&taps, r.in_corner, r.at)) << r.at;
}

SHORT WINAPI pressed_before(int) { return 1; }  // pressed since the last call, not down now

TEST(ShiftF12, OnlyWhileShiftIsHeldAndOnlyFromFullScreen) {
    g_down = {VK_SHIFT};
    EXPECT_EQ(1, shift_f12_leaves(VK_F12, 1, fake_state));
    EXPECT_EQ(0, shift_f12_leaves(VK_F12, 0, fake_state));
    EXPECT_EQ(0, shift_f12_leaves(VK_F11, 1, fake_state));
    g_down.clear();
    EXPECT_EQ(0, shift_f12_leaves(VK_F12, 1, pressed_before));
}

TEST(CrashRestart, AtMostThreeInTenMinutesThenTheChainStaysDown) {
    struct Row {
        const char *history;
        uint64_t now;
        int allowed;
        const char *next;
    } rows[] = {
        {"", 1000, 1, "1000"},
        {"1000", 1100, 1, "1000 1100"},
        {"1000 1100 1200", 1300, 0, ""},
        {"1000 1100 1200", 1650, 1, "1100 1200 1650"},  // the first is over ten minutes old
        {"junk", 5, 1, "5"},
    };
    for (const Row &r : rows) {
        char next[64] = "";
        EXPECT_EQ(r.allowed, restart_allowed(r.history, r.now, next, sizeof next)) << r.history;
        if (r.allowed) {
            EXPECT_STREQ(r.next, next) << r.history;
        }
    }
}

// Full screen turns the touch screen's edge swipes off and on again (only Windows shows it).
std::vector<int> g_edges;
bool record_edge(HWND, bool disable) {
    g_edges.push_back(disable);
    return true;
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

struct Probe {
    long before;
    DWORD waited = INFINITE;
};
// Types F13 and waits for the low-level hook to have decided both key events.
DWORD WINAPI type_f13(LPVOID p) {
    Probe *probe = static_cast<Probe *>(p);
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_F13;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    DWORD start = GetTickCount();
    SendInput(2, keys, sizeof(INPUT));
    while (ll_hook_decisions() < probe->before + 2 && GetTickCount() - start < 2000) Sleep(5);
    if (ll_hook_decisions() >= probe->before + 2) probe->waited = GetTickCount() - start;
    return 0;
}

// The low-level hook answers while the interface thread is blocked (a long start sound): Windows
// removes a hook that does not answer in time.
TEST(HookProcedures, InstallAndRemoveAndTheLowLevelHookAnswersWhileThisThreadIsBlocked) {
    HWND w = CreateWindowExA(0, "STATIC", "keys", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(w);
    SetFocus(w);
    EXPECT_EQ(install_key_hooks(GetModuleHandleA(nullptr)), 1);
    Probe probe = {ll_hook_decisions()};
    HANDLE typist = CreateThread(nullptr, 0, type_f13, &probe, 0, nullptr);
    Sleep(2500);  // this thread answers nothing meanwhile
    WaitForSingleObject(typist, INFINITE);
    CloseHandle(typist);
    EXPECT_LT(probe.waited, 1000u) << "the hook was not called while this thread was blocked";
    // Installed again (as after a session unlock), it still decides every key, once.
    long installs = ll_hook_installs();
    refresh_key_hooks();
    for (DWORD start = GetTickCount(); ll_hook_installs() == installs && GetTickCount() - start < 2000;) Sleep(5);
    EXPECT_EQ(installs + 1, ll_hook_installs());
    Probe again = {ll_hook_decisions()};
    type_f13(&again);
    EXPECT_LT(again.waited, 1000u) << "the hook installed again is not called";
    Sleep(100);
    EXPECT_EQ(again.before + 2, ll_hook_decisions()) << "the old hook still runs beside the new one";
    remove_key_hooks();
    remove_key_hooks();
    DestroyWindow(w);
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
        const ScreenMetrics m = screen_metrics(window_);
        RECT r = rect();
        EXPECT_EQ(r.left, -m.frame_width);
        EXPECT_EQ(r.top, -(m.frame_height + m.menu_height + m.caption_height));
        EXPECT_EQ(r.right - r.left, m.screen_width + 2 * m.frame_width);
        EXPECT_EQ(r.bottom - r.top, m.screen_height + 2 * m.frame_height + m.menu_height + m.caption_height);
    }
    static HWND window_;
};
HWND FullScreen::window_ = nullptr;

TEST_F(FullScreen, MinMaxWithAndWithoutTheProperty) {
    const ScreenMetrics m = screen_metrics(window_);
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
    EdgeGestureFn old = set_edge_gesture_fn(record_edge);
    g_edges.clear();
    set_full_screen(window_, 1);
    pump();
    EXPECT_TRUE(IsZoomed(window_));
    EXPECT_TRUE(GetPropA(window_, "FullScreen"));
    EXPECT_FALSE(GetPropA(window_, "Maximized"));
    expect_full_screen_rect();

    set_full_screen(window_, 1);  // a repeated entry must not forget the normal state
    set_full_screen(window_, 0);
    set_edge_gesture_fn(old);
    EXPECT_EQ((std::vector<int>{1, 0}), g_edges);
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
    set_full_screen(window_, 0);  // not in full screen: nothing to leave
    EXPECT_TRUE(IsZoomed(window_));
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

}  // namespace

// Status files as a folder may hold them: whole, cut, from a newer player, from another program,
// hostile. Each is read for what it says, or left out, and never spoils the others.
TEST(KioskStatus, FilesOfEveryKindAreReadOrLeftOut) {
    ScratchFolder dir;
    const uint64_t now = utc_now_ticks(), minute = 600000000ull;
    KioskStatus a;
    a.kiosk = "入口";
    a.computer = "PC1";
    a.visitors_today = 12;
    a.waiting = 0;
    a.written_utc = now - minute;
    KioskStatus b = a;
    b.kiosk = "出口";
    b.computer = "PC2";
    b.written_utc = now - 4 * minute;  // silent past three intervals
    KioskStatus c = a;
    c.computer = "PC3";  // the same name on another computer
    ASSERT_TRUE(write_kiosk_status(dir.path().c_str(), a));
    ASSERT_TRUE(write_kiosk_status(dir.path().c_str(), b));
    ASSERT_TRUE(write_kiosk_status(dir.path().c_str(), c));
    const std::string whole = kiosk_status_text(a);
    std::string newer = whole;
    newer.replace(0, 15, "ZelmicaStatus 7");
    newer.insert(newer.find("End=1"), "Future=x\r\n");
    dir.write("zelmica-status-cut-PC4.txt", whole.substr(0, whole.find("Waiting")) .replace(whole.find("Kiosk=") + 6, 4, "切れた"));
    dir.write("zelmica-status-new-PC5.txt", newer.replace(newer.find("PC1"), 3, "PC5"));
    dir.write("zelmica-status-other-PC6.txt", "<html>not ours</html>");
    dir.write("zelmica-status-bad-PC7.txt", std::string("ZelmicaStatus 1\r\nKiosk=\x01悪\x1b[2J\r\nComputer=PC7\r\nWaiting=-5\r\n"
                                                        "VisitorsToday=99999999999999999999\r\nLastError=") +
                                                std::string(5000, 'x') + "\r\nEnd=1\r\n");
    std::vector<KioskStatusRead> rows = read_kiosk_statuses(dir.path().c_str(), now);
    ASSERT_EQ(rows.size(), 6u);  // the other program's file is left out
    std::string seen;
    for (const KioskStatusRead &r : rows) {
        seen += r.status.kiosk + "/" + r.status.computer + ":" + (r.alarm() ? "red" : "ok") + " ";
        EXPECT_LT(r.status.last_error.size(), static_cast<size_t>(kStatusValueSize));
        EXPECT_GE(r.status.waiting, 0);
        EXPECT_EQ(r.silent, r.status.computer == "PC2");
        EXPECT_EQ(r.duplicate, r.status.kiosk == "入口");  // PC1, PC3 and the newer player's PC5
        EXPECT_EQ(r.newer, r.status.computer == "PC5");
        EXPECT_EQ(r.truncated, r.status.kiosk == "切れた");
        EXPECT_EQ(r.status.kiosk.find('\x1b'), std::string::npos);
    }
    EXPECT_NE(seen.find("出口/PC2:red"), std::string::npos) << seen;
    EXPECT_NE(kiosk_status_notes(rows[0]).size(), 0u);
    EXPECT_EQ(last_seen_text(4 * 60 + 5), "最終確認 4 分前");

    // The set version in effect and a broken update: read back, and the row turns red.
    KioskStatus u = a;
    u.set_version = "2026-12-09 10:00 #0123abcd";
    u.update_problem = "「q.qst」が途中で切れています";
    KioskStatusRead read;
    ASSERT_TRUE(parse_kiosk_status(kiosk_status_text(u), &read.status, &read.truncated, &read.newer));
    EXPECT_EQ(u.set_version, read.status.set_version);
    EXPECT_TRUE(read.alarm());
    EXPECT_NE(kiosk_status_notes(read).find("セットを更新できません: 「q.qst」"), std::string::npos);
}
