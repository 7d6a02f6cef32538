// A small modal window asking for one line of text, built from plain child controls.
#pragma once
#include <windows.h>

enum InputBoxResult {
    kInputBoxFailed = 0,    // the class or the window could not be created; nothing was shown
    kInputBoxConfirmed = 1, // OK: buffer holds the edit field's text
    kInputBoxClosed = 2,    // CANCEL or the close box: buffer unchanged
};

enum InputBoxControl {
    kInputBoxPrompt = 500,
    kInputBoxEdit = 501,
    kInputBoxOk = 502,
    kInputBoxCancel = 503,
};

// Shows the box with buffer's text in the edit field and runs its own message loop with the owner
// disabled. On OK the text is copied into buffer, at most buffer_size - 1 bytes and never half of a
// double-byte character. edit_style is added to the edit field's styles. Japanese input is switched
// on when the field gets the focus. Only one box can be open at a time; a second call yields 0.
int input_box(HWND owner, const char *caption, const char *prompt, DWORD edit_style, char *buffer, int buffer_size);
