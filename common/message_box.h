// Seam for every message box the programs show, so tests can record them and pick the answer.
#pragma once
#include <windows.h>

typedef int (*MessageBoxFn)(HWND owner, const char *text, const char *caption, UINT type);

// Shows a message box through the current seam (MessageBoxA unless replaced).
int show_message_box(HWND owner, const char *text, const char *caption, UINT type);

// Replaces the seam; null restores MessageBoxA. Returns the previous one.
MessageBoxFn set_message_box_fn(MessageBoxFn fn);
