// The editor's main dialog (101), its state, and the dialogs it runs: question (103) and result (104).
#pragma once
#include <windows.h>
#include "LinerList.h"

// Set by the main dialog just before it runs the question or result dialog.
enum DialogMode { kModeAdd = 0, kModeModify = 1 };

struct EditorState {
    ListNode questions;  // QuestionRecord, in file order; row i of list view 1024 shows element i
    ListNode results;    // ResultRecord; row i of list view 1000
    char *path;          // current file, 260 bytes; empty until a file was opened
    int mode;            // DialogMode
    HMENU question_menu, result_menu;  // menu resources 102 and 105
    HMENU question_popup, result_popup;
};

EditorState *editor_state();

// Ties the main dialog's boxes and list views to the question file's open and save.
void bind_editor_controls();

// Instance whose resources the dialogs use (the program's module unless set).
void set_editor_instance(HINSTANCE instance);
HINSTANCE editor_instance();

// A file to open when the main dialog starts, as "開く" would without asking; null for none.
void set_editor_start_file(const char *path);

// Takes the file named on a command line: surrounding blanks and one pair of quotes dropped.
// out gets at most 259 bytes; returns 0 when the line names nothing or the name does not fit.
int command_line_file(const char *command_line, char *out);

// Runs dialog 101 without owner; the program's whole life. Returns 0.
int run_editor(HINSTANCE instance, const char *command_line);

INT_PTR CALLBACK main_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK question_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK result_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// A box whose text goes into the file: kind is an EscapeKind, or kStoredPath for a raw path;
// max is the longest stored form the readers take.
enum { kStoredPath = 2 };
struct StoredField {
    int box;
    const char *name;  // as the operator sees the field
    int kind;
    size_t max;
};
bool stored_text_fits(const char *text, int kind, size_t max);
// The message naming the field and its limit.
void report_stored_field(HWND owner, const char *name, int kind, size_t max);
// False, after the message and with the focus on the field, at the first box that does not fit.
bool stored_fields_fit(HWND dialog, const StoredField *fields, size_t count);

// Esc in this multi-line box does nothing, instead of closing the dialog and dropping its entry.
void keep_escape_in_box(HWND box);

// Reads the control's text into out, cut at a character boundary to size - 1 bytes.
void read_box_text(HWND dialog, int box, char *out, size_t size);
