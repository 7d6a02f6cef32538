// The player's main window made hidden, with sound, shell, process, file dialogs and message
// boxes answered silently; clicks and paints sent as the system would.
#pragma once
#include <windows.h>
#include "DirList.h"
#include "QuesManager.h"
#include "kiosk.h"
#include "mainflame.h"
#include "mainflame_paint.h"
#include "message_box.h"
#include "shell_seam.h"
#include "sound_effect.h"

namespace bench {

inline int &silenced_boxes() {
    static int n = 0;
    return n;
}

class PlayerWindow {
public:
    explicit PlayerWindow(const char *log_folder) {
        set_play_sound_fn(silent_sound);
        set_shell_open_fn(silent_open);
        set_create_process_fn(silent_start);
        CommonDialogs none = {cancel, cancel, nullptr, nullptr};
        old_dialogs_ = set_common_dialogs(&none);
        old_box_ = set_message_box_fn(silent_box);
        set_log_folder(log_folder);
        // Clicks here come straight after the screen they answer; the ghost-click guard would drop them.
        set_click_settle_millis(0);
        set_press_show_millis(0);  // the pressed look is for eyes, not for measuring
        static ATOM atom = register_main_class(GetModuleHandleA(nullptr));
        if (atom) window_ = create_main_window(GetModuleHandleA(nullptr), SW_HIDE);
    }
    ~PlayerWindow() {
        if (window_ && IsWindow(window_)) DestroyWindow(window_);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {}
        set_log_folder(nullptr);
        set_click_settle_millis(kDefaultClickSettleMillis);
        set_press_show_millis(kDefaultPressMillis);
        set_message_box_fn(old_box_);
        set_common_dialogs(&old_dialogs_);
        set_create_process_fn(nullptr);
        set_shell_open_fn(nullptr);
        set_play_sound_fn(nullptr);
    }
    PlayerWindow(const PlayerWindow &) = delete;
    PlayerWindow &operator=(const PlayerWindow &) = delete;

    HWND window() const { return window_; }

    // Resizes the window so that its client area is w x h; false when the system would not.
    bool set_client_size(int w, int h) const {
        RECT r = {0, 0, w, h};
        AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_STYLE)), TRUE,
                           static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_EXSTYLE)));
        SetWindowPos(window_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
        // A menu bar that wraps takes client height: correct once by the difference.
        RECT c;
        GetClientRect(window_, &c);
        if (c.bottom != h || c.right != w) {
            GetWindowRect(window_, &r);
            SetWindowPos(window_, nullptr, 0, 0, r.right - r.left + w - c.right, r.bottom - r.top + h - c.bottom,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            GetClientRect(window_, &c);
        }
        return c.right == w && c.bottom == h;
    }

    // Clicks the centre of a choice; false when that choice shows no text.
    bool click(int slot) const {
        char *text = nullptr;
        if (run_engine(kRunChoiceText, slot, &text) != -1 || !text || !text[0]) return false;
        ChoiceBox b = choice_rect(window_, slot);
        SendMessageA(window_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(b.x + b.width / 2, b.y + b.height / 2));
        return true;
    }
    void paint() const { SendMessageA(window_, WM_PAINT, 0, 0); }
    void mouse_move(int x, int y) const { SendMessageA(window_, WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }

private:
    static BOOL silent_sound(const char *, HMODULE, DWORD) { return TRUE; }
    static HINSTANCE silent_open(HWND, const char *, const char *, const char *, const char *, int) {
        return reinterpret_cast<HINSTANCE>(33);
    }
    static BOOL silent_start(char *, STARTUPINFOA *, PROCESS_INFORMATION *info) {
        info->hProcess = info->hThread = nullptr;
        return TRUE;
    }
    static BOOL cancel(OPENFILENAMEA *) { return FALSE; }
    static int silent_box(HWND, const char *, const char *, UINT) { return ++silenced_boxes(), IDOK; }

    HWND window_ = nullptr;
    CommonDialogs old_dialogs_{};
    MessageBoxFn old_box_ = nullptr;
};

}  // namespace bench
