// Default message-box seam: the real MessageBoxA.
#include "message_box.h"
#include "modal_loop.h"

static int real_message_box(HWND owner, const char *text, const char *caption, UINT type) {
    return MessageBoxA(owner, text, caption, type);
}

static MessageBoxFn g_message_box = real_message_box;

int show_message_box(HWND owner, const char *text, const char *caption, UINT type) {
    ModalLoop loop;
    return g_message_box(owner, text, caption, type);
}

MessageBoxFn set_message_box_fn(MessageBoxFn fn) {
    MessageBoxFn old = g_message_box;
    g_message_box = fn ? fn : real_message_box;
    return old;
}
