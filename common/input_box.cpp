// The input box: window class "I_InputBox", its child controls and its own modal loop.
#include "input_box.h"
#include "modal_loop.h"
#include "dpi.h"
#include <string.h>
#include <vector>
#include "BrixLib.h"
#include "DirList.h"
#include "imemory.h"

namespace {

const char kClassName[] = "I_InputBox";
const int kWidth = 400, kHeight = 180;
const int kPromptWidth = 364, kPromptHeight = 40;
const int kControls = 4;

struct InputBoxState {
    HWND owner;
    HINSTANCE instance;
    const char *prompt;
    DWORD edit_style;
    char *buffer;
    int buffer_size;
    const char *initial;  // the buffer's text, read within its size
    int result;
    int ime;
    int registered;
    int open;
    int ended;
    int dpi;  // of the owner when the box opened
    int grown;  // device pixels the prompt needs beyond its room: the controls below move down by it
    HBRUSH brush;
    HWND box;
    WNDPROC previous[kControls];  // by control id - kInputBoxPrompt
};
InputBoxState g_box;

struct ControlLayout {
    int id;
    const char *cls;
    DWORD ex_style;
    DWORD style;
    int x, y, w, h;
    const char *failure_caption;
};

LRESULT CALLBACK child_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

WNDPROC previous_of(int id) {
    int i = id - kInputBoxPrompt;
    return (i >= 0 && i < kControls) ? g_box.previous[i] : nullptr;
}

HWND create_control(HWND box, const ControlLayout &c, const char *text) {
    const int dpi = g_box.dpi;
    const bool prompt = c.id == kInputBoxPrompt;
    HWND w = CreateWindowExA(c.ex_style, c.cls, text, c.style, to_dpi(c.x, dpi), to_dpi(c.y, dpi) + (prompt ? 0 : g_box.grown),
                             to_dpi(c.w, dpi), to_dpi(c.h, dpi) + (prompt ? g_box.grown : 0), box,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), g_box.instance, nullptr);
    if (!w) i_show_last_error(c.failure_caption);
    return w;
}

void on_create(HWND box) {
    g_box.brush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    SetClassLongPtrA(box, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(g_box.brush));

    const DWORD child = WS_CHILD | WS_VISIBLE;
    const ControlLayout layout[kControls] = {
        {kInputBoxPrompt, "STATIC", 0, child, 18, 18, kPromptWidth, kPromptHeight, "スタティックコントロールの作成"},
        {kInputBoxEdit, "EDIT", WS_EX_CLIENTEDGE, g_box.edit_style | child | WS_TABSTOP, 18, 85, 364, 25,
         "エディットコントロールの作成"},
        {kInputBoxOk, "BUTTON", 0, child | WS_TABSTOP, 214, 119, 75, 25, "ボタンコントロールの作成"},
        {kInputBoxCancel, "BUTTON", 0, child | WS_TABSTOP, 307, 119, 75, 25, "ボタンコントロールの作成"},
    };
    const char *texts[kControls] = {g_box.prompt, g_box.initial, "OK", "CANCEL"};
    HWND edit = nullptr;
    for (int i = 0; i < kControls; ++i) {
        HWND w = create_control(box, layout[i], texts[i]);
        g_box.previous[i] = nullptr;
        if (!w || layout[i].id == kInputBoxPrompt) continue;
        subclass_window(w, child_proc, &g_box.previous[i]);
        if (layout[i].id == kInputBoxEdit) edit = w;
    }
    if (edit) SetFocus(edit);
}

// Copies the whole field first, so the cut to the caller's size can respect character boundaries.
void take_text(HWND box) {
    HWND edit = GetDlgItem(box, kInputBoxEdit);
    if (!edit) return;
    int len = GetWindowTextLengthA(edit);
    std::vector<char> text(static_cast<size_t>(len > 0 ? len : 0) + 1, '\0');
    GetWindowTextA(edit, text.data(), static_cast<int>(text.size()));
    g_box.buffer[0] = '\0';
    append_prefix(g_box.buffer, static_cast<size_t>(g_box.buffer_size), text.data(), strlen(text.data()));
}

void on_command(HWND box, int id) {
    if (id == kInputBoxOk) {
        take_text(box);
        g_box.result = kInputBoxConfirmed;
        PostMessageA(box, WM_CLOSE, 0, 0);
    } else if (id == kInputBoxCancel) {
        PostMessageA(box, WM_CLOSE, 0, 0);
    }
}

void on_close() {
    // The owner is enabled before the box goes, so activation returns to it and not to another program.
    if (g_box.owner) {
        EnableWindow(g_box.owner, TRUE);
        SetForegroundWindow(g_box.owner);
    }
}

void on_destroy(HWND box) {
    SetClassLongPtrA(box, GCLP_HBRBACKGROUND, 0);
    if (g_box.brush) DeleteObject(g_box.brush);
    g_box.brush = nullptr;
    g_box.ended = 1;
    // Wakes the loop also when the box was destroyed from a sent message (e.g. its owner went).
    PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
}

LRESULT CALLBACK box_proc(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE: on_create(box); break;
    case WM_COMMAND: on_command(box, LOWORD(wparam)); break;
    case WM_CLOSE: on_close(); break;
    case WM_DESTROY: on_destroy(box); break;
    default: break;
    }
    return DefWindowProcA(box, message, wparam, lparam);
}

// Tab and Shift+Tab cycle edit -> OK -> CANCEL -> edit.
void move_focus(HWND control, int id) {
    bool back = GetAsyncKeyState(VK_SHIFT) != 0;
    int next;
    switch (id) {
    case kInputBoxEdit: next = back ? kInputBoxCancel : kInputBoxOk; break;
    case kInputBoxOk: next = back ? kInputBoxEdit : kInputBoxCancel; break;
    default: next = back ? kInputBoxOk : kInputBoxEdit; break;
    }
    HWND target = GetDlgItem(GetParent(control), next);
    if (target) SetFocus(target);
}

LRESULT CALLBACK child_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    int id = static_cast<int>(GetWindowLongPtrA(window, GWLP_ID));
    WNDPROC previous = previous_of(id);
    bool edit = id == kInputBoxEdit;
    if (message == WM_SETFOCUS && edit && g_box.ime) set_ime_open(window, true);
    if ((message == WM_KEYDOWN || message == WM_KEYUP) && wparam == VK_TAB && edit) return 0;
    if (message == WM_CHAR && wparam == '\t') {
        move_focus(window, id);
        if (edit) return 0;
    }
    return previous ? CallWindowProcA(previous, window, message, wparam, lparam)
                    : DefWindowProcA(window, message, wparam, lparam);
}

bool register_class() {
    if (g_box.registered) return true;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_GLOBALCLASS;
    wc.lpfnWndProc = box_proc;
    wc.hInstance = g_box.instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = kClassName;
    if (!RegisterClassExA(&wc)) return false;
    g_box.registered = 1;
    return true;
}

// A prompt of several lines, or one that wraps, gets its whole height: the static control draws
// in the system font (it is given none), so that font measures it; at most half the screen.
int prompt_growth(const char *prompt) {
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, GetStockObject(SYSTEM_FONT));
    RECT r = {0, 0, to_dpi(kPromptWidth, g_box.dpi), 0};
    DrawTextA(screen, prompt, -1, &r, DT_CALCRECT | DT_WORDBREAK);
    SelectObject(screen, old);
    const int most = GetDeviceCaps(screen, VERTRES) / 2;
    ReleaseDC(nullptr, screen);
    const int grown = static_cast<int>(r.bottom - r.top) - to_dpi(kPromptHeight, g_box.dpi);
    return grown < 0 ? 0 : grown > most ? most : grown;
}

POINT centred_origin() {
    HDC screen = GetDC(nullptr);
    POINT p = {GetDeviceCaps(screen, HORZRES) / 2 - to_dpi(kWidth, g_box.dpi) / 2,
               GetDeviceCaps(screen, VERTRES) / 2 - (to_dpi(kHeight, g_box.dpi) + g_box.grown) / 2};
    ReleaseDC(nullptr, screen);
    return p;
}

}  // namespace

int input_box(HWND owner, const char *caption, const char *prompt, DWORD edit_style, char *buffer, int buffer_size) {
    if (g_box.open || !buffer || buffer_size <= 0) return kInputBoxFailed;

    // The caller's text may fill its buffer without a terminator; read no further than its size.
    std::vector<char> initial(static_cast<size_t>(buffer_size), '\0');
    append_prefix(initial.data(), initial.size(), buffer, strnlen(buffer, static_cast<size_t>(buffer_size)));

    g_box.owner = owner;
    g_box.instance = owner ? reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE))
                           : GetModuleHandleA(nullptr);
    g_box.prompt = prompt ? prompt : "";
    g_box.edit_style = edit_style;
    g_box.buffer = buffer;
    g_box.buffer_size = buffer_size;
    g_box.initial = initial.data();
    g_box.result = kInputBoxClosed;
    g_box.ime = 1;
    g_box.ended = 0;
    if (!register_class()) return kInputBoxFailed;

    // The box's pixels are 96-DPI ones: on a scaled screen it grows with its text.
    g_box.dpi = window_dpi(owner);
    g_box.grown = prompt_growth(g_box.prompt);
    POINT at = centred_origin();
    // Owned by the caller's window so it stays above it and has no taskbar entry of its own.
    HWND box = CreateWindowExA(WS_EX_CONTROLPARENT | WS_EX_WINDOWEDGE, kClassName, caption ? caption : "",
                               WS_VISIBLE | WS_CAPTION | WS_SYSMENU, at.x, at.y, to_dpi(kWidth, g_box.dpi),
                               to_dpi(kHeight, g_box.dpi) + g_box.grown, owner, nullptr,
                               g_box.instance, nullptr);
    if (!box) return kInputBoxFailed;
    g_box.box = box;
    g_box.open = 1;
    ShowWindow(box, SW_SHOWNORMAL);
    UpdateWindow(box);
    if (owner) EnableWindow(owner, FALSE);

    ModalLoop loop;
    bool quit = false;
    WPARAM quit_code = 0;
    MSG msg;
    while (!g_box.ended) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // A quit meant for the program's own loop: end the box and pass the quit on.
            quit = got == 0;
            quit_code = msg.wParam;
            DestroyWindow(box);
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (owner) EnableWindow(owner, TRUE);
    g_box.open = 0;
    g_box.box = nullptr;
    g_box.initial = nullptr;
    if (quit) {
        PostQuitMessage(static_cast<int>(quit_code));
        return kInputBoxClosed;
    }
    return g_box.result;
}
