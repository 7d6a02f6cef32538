// The editor's main dialog (101), its state, and the dialogs it runs: question (103) and result (104).
#pragma once
#include <windows.h>
#include "LinerList.h"
#include <string>
#include <vector>

// Set by the main dialog just before it runs the question or result dialog.
enum DialogMode { kModeAdd = 0, kModeModify = 1 };

struct EditorState {
    ListNode questions;  // QuestionRecord, in file order; row i of list view 1024 shows element i
    ListNode results;    // ResultRecord; row i of list view 1000
    char *path;          // current file, 260 bytes; empty until a file was opened
    int mode;            // DialogMode
    HMENU question_menu, result_menu;  // menu resources 102 and 105
    HMENU question_popup, result_popup;
    bool unsaved;  // changed since opened, saved or started new
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

// Empties every box, option and list view of the main dialog (the lists themselves stay).
void clear_editor_controls(HWND dialog);
// The box of an EditorSetting.
int setting_box(int setting);

// ---- keeping the operator's work (editor_keep.cpp) ----
// The program itself runs the dialog: it restores the window's place and offers a recovery copy.
void set_editor_program_mode(bool on);
bool editor_program_mode();
void keep_start(HWND dialog);
void keep_stop(HWND dialog);
// Marks the file unsaved and shows it in the title.
void keep_changed(HWND dialog);
// A font choice as an undo step: the file's font of the role before, then after the choice.
std::string keep_font_before(int role);
void keep_font_changed(HWND dialog, int role, const std::string &before);
// New, save in place, save as, open, undo, redo, recent files, Enter on a list, box changes.
// False when the command is not one of these.
bool keep_command(HWND dialog, int id, int code);
// Asks 「変更を保存しますか？」 when there are unsaved changes; true when the file may be left.
bool leave_file(HWND dialog);
// Opens file (null: asks) after the question, clearing the undo history. 1 when opened.
int open_after_question(HWND dialog, const char *file);
// Close box, 終了: after the question, remembers the window and ends the dialog.
void close_editor(HWND dialog);
// WM_QUERYENDSESSION: true when Windows may end.
bool query_end_session(HWND dialog);
void on_drop_files(HWND dialog, HDROP drop);
// A drop of one file at a point of the client area (null: several files).
void drop_file(HWND dialog, const char *file, POINT at);
void on_recovery_timer(HWND dialog);
void offer_recovery(HWND dialog);
enum { kRecoveryTimer = 2, kMsgOfferRecovery = WM_APP + 1 };
// Where the recovery copy is kept (kPathSize bytes); false when there is no such folder.
bool recovery_path(char *out);

// Records the change a command makes to the lists, the special row options or the way of scoring,
// from construction to destruction, as one undo step. The positions stored by number (a type
// link's result row, the tie question) are renumbered in the same step, so they keep naming the
// row or question they named; a link to a row that went goes with it.
class ListChange {
public:
    explicit ListChange(HWND dialog);
    ~ListChange();
    ListChange(const ListChange &) = delete;
    ListChange &operator=(const ListChange &) = delete;
    // An option (EditorOption) whose box was clicked just before the change began: it was on or off.
    void option_was(int option, bool on);

private:
    HWND dialog_;
    std::vector<std::string> records_[2];  // questions, results
    std::vector<const void *> ids_[2];
    std::string options_, scoring_;
};

// ---- ranges of totals per result row (result_ranges_ui.cpp) ----
struct ResultRecord;
// The totals the row takes: its own range, else its equal band in the file as it is now.
void result_range_text(HWND dialog, const ResultRecord *r, char *out, size_t size);
// Before a save: overlapping ranges refuse it; totals no range holds are named and need a yes.
bool ranges_allow_save(HWND dialog);
// 「均等に分ける」: the best contiguous ranges for the targets the author types, before and after,
// put on the rows on a yes (true then).
bool run_even_split(HWND dialog);
// How the editor asks the author for a line, 均等に分ける's targets or an answer log's quiz number
// (input_box unless replaced; tests answer it); the old one.
typedef int (*TargetAskFn)(HWND owner, const char *caption, const char *prompt, DWORD style, char *buffer, int size);
TargetAskFn set_target_ask_fn(TargetAskFn fn);
// Asks through it; kInputBoxConfirmed when the author confirmed buffer.
int ask_author(HWND owner, const char *caption, const char *prompt, char *buffer, int size);

// ---- prediction from real answers (answer_prediction_ui.cpp) ----
// Asks for visit logs or answer logs and adds to text the rows' shares predicted from the answers
// they hold (an answer log's quiz number asked when it holds several). False when cancelled or
// nothing could be read (said).
struct ReportContent;
bool predict_from_logs(HWND check_dialog, HWND main_dialog, ReportContent *content);
// Once logs were read, asks whether 均等に分ける aims at their prediction; on a yes the report's
// shares of totals become the observed ones. False when cancelled (or they cannot be had, said).
struct QuestionFile;
struct ResultReport;
bool aim_at_observed(HWND dialog, const QuestionFile *file, ResultReport *report);

// ---- type scoring (type_scoring_ui.cpp) ----
// 採点の方法 (dialog 170) from its menu item; false for any other id.
bool scoring_command(HWND dialog, int id);
INT_PTR CALLBACK scoring_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
// The result rows type links may name: the banded rows of the list as it is now.
int32_t type_row_count(HWND main_dialog);

// ---- 「試す」 (preview.cpp) ----
enum { kPreviewTimer = 3, kPreviewSizes = 4 };
// 「試す」 and the size items of its menu; false for any other id.
bool preview_command(HWND dialog, int id);
// Marks the stored size in the menu.
void preview_menu_init(HWND dialog);
// Notices a preview that ended: its copy goes, and one that ended at once is reported.
void on_preview_timer(HWND dialog);
// Ends a running preview and removes its copy.
void end_preview();
bool preview_running();
// The copy being played, or "".
const char *preview_copy();
// The copy's path for the file at path (empty: never saved) in folder (with its backslash),
// into out (kPathSize bytes); false when it does not fit.
bool preview_copy_path(const char *path, const char *folder, char *out);

// ---- a dialog that grows (main_layout.cpp) ----
void layout_start(HWND dialog);
void layout_size(HWND dialog);
void layout_min_size(MINMAXINFO *info);
// How far the font sample of a FontRole moved with its buttons, in pixels.
POINT layout_sample_offset(int role);
// The window's place, per user.
void restore_placement(HWND dialog);
void store_placement(HWND dialog);

// ---- per-user settings (user_settings.cpp): missing or broken entries read as nothing ----
std::vector<std::string> load_recent_files();
void store_recent_files(const std::vector<std::string> &files);
std::string load_user_text(const char *name);
void store_user_text(const char *name, const char *value);
