// What the set manager's parts share: its state and the set-file reader and writer.
#pragma once
#include "SetManager.h"

SetRecord *set_current_record();
// The record as operation 10 leaves it: every load of a set starts from it.
void set_record_defaults(SetRecord *record);
// The current set path (kPathSize bytes); made on first use when operation 10 has not run.
char *set_current_path();

// Which field of a set file's line (0: the key) names a file: question files (*question_file set),
// music, picture, wallpaper and sounds; -1 for other lines.
int set_path_field(const char *line, bool *question_file);

// Loads the file named by the current path into the current record, asking for one (owned by owner)
// when the path is empty. 1 when the file could be opened; the record and the store's set level
// then hold exactly what the file gives, over the defaults, whatever set was there before. With
// tell, a UTF-8 file is named to the operator with the characters it lost.
int load_set(HWND owner, bool tell = false);
// Asks for a file name and writes the current record and the store's set level there. 1 when the
// file was replaced; nothing is replaced when a line could not be written, nor a UTF-8 set opened
// last unless the operator agrees.
int save_set(HWND owner);

// The staff settings of the current record (dialog 125), modal over owner; IDOK when taken. The
// modeless one starts hidden, for tests and screenshots.
INT_PTR edit_staff_settings(HWND owner);
// The result card's printing (dialog 160); the modeless one is for screenshots.
INT_PTR edit_card_settings(HWND owner);
HWND create_card_settings(HWND owner);
// The settings for every visitor (dialog 140: numbers, keys, scanning, back step, speech, the
// idle question), modal over owner; IDOK when taken into the current record.
INT_PTR edit_access_settings(HWND owner);
HWND create_access_settings(HWND owner);
HWND create_staff_settings(HWND owner);
