// The editor's side of a question file: reading one into the main dialog and its two lists,
// and writing the dialog back through a temporary file that then replaces the target.
#pragma once
#include <windows.h>
#include "LinerList.h"

// Reads a question file into the dialog's controls, the question and result lists and their
// list views. With no file given the open-file dialog asks for one, offering path. The path
// opened is kept in path (260 bytes) only once the file could be opened. 1 when read; 0 when
// cancelled or the file cannot be opened (reported), the dialog then unchanged.
int open_question_file(HWND dialog, ListNode *questions, ListNode *results, char *path,
                       const char *file = nullptr);

// Asks for the target with the save-file dialog and writes the dialog into it. 1 when the
// target now holds the dialog; 0 when cancelled, when there was nothing to write, or when a
// line or the replacement failed (reported), the target then as it was.
int save_question_file(HWND dialog, char *path, ListNode *questions, ListNode *results);

// How one line is written (append_to_file unless replaced); tests make a write fail.
typedef int (*LineWriterFn)(const char *path, const char *text, DWORD disposition);
LineWriterFn set_line_writer_fn(LineWriterFn fn);
