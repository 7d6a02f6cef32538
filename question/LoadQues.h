// The editor's side of a question file: reading one into the main dialog and its two lists,
// and writing the dialog back through a temporary file that then replaces the target.
#pragma once
#include <windows.h>
#include <stddef.h>
#include <vector>
#include "LinerList.h"
#include "QuestionFile.h"

// What the editor's dialog holds besides its two lists, in the file's terms. The editor binds its
// controls to these (bind_editor_file) before it opens or saves.
enum EditorSetting {
    kSettingTitle = 0, kSettingHeader, kSettingFooter, kSettingWallpaper,
    kSettingSound0,  // the six sounds in slot order
    kSettingCount = kSettingSound0 + 6,
};
enum EditorOption { kOptionTopRow = 0, kOptionBottomRow, kOptionRoundUp, kOptionCount };
struct EditorFileBinding {
    // Empties every setting box and option, and both list views.
    void (*clear)(HWND dialog);
    void (*put_setting)(HWND dialog, int setting, const char *value);
    // text gets at most size - 1 bytes.
    void (*get_setting)(HWND dialog, int setting, char *text, size_t size);
    void (*put_option)(HWND dialog, int option, bool on);
    bool (*get_option)(HWND dialog, int option);
    // The list views show the two lists afresh, one row per element.
    void (*show_lists)(HWND dialog, ListNode *questions, ListNode *results);
};
void bind_editor_file(const EditorFileBinding *binding);
// A new file starts without the lines the last one had and the dialog does not show.
void forget_kept_lines();

// The key a result row is saved with: the first row with the top-row option, the last with the
// bottom-row option (the first wins a single row), the others banded.
int result_row_key(int m, int n, bool top, bool bottom);

// How the file being edited picks its result: by the total (the default) or by types, with its
// tie question (counted from 1, 0 for none). Opening sets it; a new file starts without types.
struct EditorScoring {
    bool typed;
    int32_t tie_question;
};
EditorScoring editor_scoring();
void set_editor_scoring(const EditorScoring &scoring);

// What the player would read from the dialog as it is now, saved or not.
struct EditorFileView {
    QuestionFile file;  // its arrays point into the two vectors
    std::vector<QuestionRecord> questions;
    std::vector<ResultRecord> results;
};
void editor_file_view(HWND dialog, ListNode *questions, ListNode *results, EditorFileView *view);

// Reads a question file into the dialog's controls, the question and result lists and their
// list views. With no file given the open-file dialog asks for one, offering path. The path
// opened is kept in path (260 bytes) only once the file could be opened. 1 when read; 0 when
// cancelled or the file cannot be opened (reported), the dialog then unchanged.
int open_question_file(HWND dialog, ListNode *questions, ListNode *results, char *path,
                       const char *file = nullptr);

// Asks for the target with the save-file dialog (offering path) and writes the dialog into it;
// path then names the file written. 1 when the target now holds the dialog; 0 when cancelled,
// when there was nothing to write, or when a line or the replacement failed (reported), the
// target and path then as they were.
int save_question_file(HWND dialog, char *path, ListNode *questions, ListNode *results);
// The same write to target without asking (a save in place, a recovery copy).
int save_question_file_to(HWND dialog, const char *target, ListNode *questions, ListNode *results);

// How one line is written (unless replaced: into the temporary file, held open and written in
// large pieces, with append_to_file's result and reports); tests make a write fail.
typedef int (*LineWriterFn)(const char *path, const char *text, DWORD disposition);
LineWriterFn set_line_writer_fn(LineWriterFn fn);
