// What the set manager's parts share: its state and the set-file reader and writer.
#pragma once
#include "SetManager.h"
#include <string>

SetRecord *set_current_record();
// The record as operation 10 leaves it: every load of a set starts from it.
void set_record_defaults(SetRecord *record);
// The current set path (kPathSize bytes); made on first use when operation 10 has not run.
char *set_current_path();

// Which field of a set file's line (0: the key) names a file: question files (*question_file set),
// music, picture, wallpaper and sounds; -1 for other lines.
int set_path_field(const char *line, bool *question_file);

// The DISTDIR a set file names ("" when none or the file cannot be read), without loading it.
std::string set_file_dist_folder(const char *path);
// Its KIOSK name, the same way.
std::string set_file_kiosk(const char *path);

// Loads the file named by the current path into the current record, asking for one (owned by owner)
// when the path is empty. 1 when the file could be opened; the record and the store's set level
// then hold exactly what the file gives, over the defaults, whatever set was there before. With
// tell, a UTF-8 file is named to the operator with the characters it lost.
int load_set(HWND owner, bool tell = false);
// Asks for a file name and writes the current record and the store's set level there. 1 when the
// file was replaced; nothing is replaced when a line could not be written, nor a UTF-8 set opened
// last unless the operator agrees.
int save_set(HWND owner);

// A small settings dialog of the set editor: how it fills its controls from the current record
// and takes them back (false keeps it open). Modal over owner, IDOK when taken; the modeless one is
// for tests and screenshots.
struct SettingsPage {
    int dialog;
    void (*fill)(HWND dialog);
    bool (*take)(HWND dialog);
};
INT_PTR edit_settings_page(HWND owner, const SettingsPage &page);
HWND create_settings_page(HWND owner, const SettingsPage &page);
// Staff (dialog 125: exit PIN, idle times), the result card's printing (dialog 160) and every
// visitor (dialog 140: numbers, keys, scanning, back step, speech, the idle question).
extern const SettingsPage kStaffPage, kCardPage, kAccessPage;

// The set editor's fit warning: the quizzes among entries[0, count) (as the set names them) with
// questions that 1024 x 768 cannot show with their fonts (the set's, or each file's own) are
// named in one box with those questions. Nothing when every question fits; the set is kept.
void warn_unfit_quizzes(HWND dialog, const char *const *entries, int count);
