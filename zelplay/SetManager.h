// The set record, set files and the set manager; the set editor dialog.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "visit_log.h"

enum { kSetQuestionFiles = 5 };

// One presentation: what a ".set" file holds, field by field in the file's own order.
// Texts are zero-terminated Shift-JIS; an empty text means the item is not given.
struct SetRecord {
    char title[256];
    char questions[kSetQuestionFiles][260];  // position = question-file index
    char music[260];
    int daily_log;
    int full_screen;
    int saver_off;
    LOGFONTA title_font;     // set level of question_font
    LOGFONTA question_font;  // set level of answer_font
    COLORREF back_colour;
    COLORREF text_colour;
    char picture[260];
    int32_t picture_x;
    int32_t picture_y;
    int32_t picture_zoom;
    char wallpaper[260];
    int32_t idle_minutes;  // 0 = never return to the start screen by itself
    int visit_log_off;              // no visit log ("VISITOFF")
    char kiosk[kKioskNameSize];     // "KIOSK"; empty: the computer's name
    char log_folder[260];           // "LOGDIR"; empty: the program folder
    // Kiosk: the exit PIN's stored form (exit_pin.h; "" = none), and whether the file gave one
    // that could not be read (then there is no PIN: nobody is locked out).
    char exit_pin[128];
    int exit_pin_unreadable;
    // Idle in seconds: 0 = not given (the minutes decide), else 10..3600; an unanswered first
    // question returns too; the result screen returns after result_seconds (0 = as the idle time).
    int32_t idle_seconds;
    int idle_first_question;
    int32_t result_seconds;
    int idle_clamped;  // the file gave a value out of range; it was clamped
    int show_progress;  // "PROGRESS": question screens show where the visitor is ("3/6")
    // The result card: "CARDPRINT" BUTTON or AUTO (CardPrintMode), "CARDPRINTER" (empty: the
    // default printer), "CARDPAPER" (A4, A5, B5, HAGAKI, ROLL58, ROLL80; CardPaper).
    int card_print;
    char card_printer[256];
    int card_paper;
    int card_paper_unknown;  // the file named a paper this player does not know (A4 is used)
    // Play for everyone: 「続けますか？」 counts down ask_seconds before an idle return ("ASKSEC",
    // 0 = return at once); each answer shows its key in a badge ("NUMBERS,0" hides them).
    int32_t ask_seconds;
    int answer_numbers;
    // Keys and switches: the frame shows from each screen's start ("KEYS"); one-switch scanning
    // moves it every scan_seconds ("SCAN", 0 = off, else 1..30) and any switch chooses.
    int key_frame;
    int32_t scan_seconds;
    int back_step;  // "BACK": 「ひとつ前へ」 lets a visitor change the last answer
    int speak;      // "SPEAK": each screen is read aloud by the Windows speech voice
    // "DISTDIR": the 配布フォルダー whose set every kiosk running this one takes (set_distribution.h);
    // a full path, empty: none.
    char dist_folder[260];
};
enum { kAskSecondsDefault = 10, kAskSecondsMax = 60, kScanSecondsMax = 30 };
// The idle values' ranges, kept by every reader and the editor.
enum { kIdleSecondsMin = 10, kIdleSecondsMax = 3600, kResultSecondsMax = 3600 };
// Clamps idle_seconds, result_seconds, ask_seconds and scan_seconds into their ranges; true when
// one had to change.
bool clamp_idle_seconds(SetRecord *record);

// value: the address of the caller's pointer (SetRecord **), except where noted.
enum SetOp {
    kSetReset = 10,         // value: address of the owner window's handle (HWND *); defaults
    kSetRelease = 11,       // frees the current set path
    kSetEdit = 20,          // dialog 106 on the current record, then the apply question;
                            // Yes: *value = the confirmed copy (stable until the next confirmed edit), result 1;
                            // No: *value untouched, result 0 (the current record keeps the edits)
    kSetLoad = 21,          // load the current set path (asks when empty); *value = current record; always 1
    kSetChooseLoad = 22,    // always asks, then as kSetLoad; a cancel or a failed open keeps the earlier path
    kSetLoadPath = 23,      // value: address of a pointer that holds a path (const char *) on entry;
                            // loads that file as the current set path, no dialog; success: *value = current
                            // record, result 1; file not opened: reported, record and path unchanged, result 0
    kSetCurrent = 30,       // *value = current record
    kSetPath = 31,          // value: address of a const char *, set to the current set path ("" for none)
    kSetTitleFont = 61,     // value: address of a LOGFONT
    kSetQuestionFont = 62,  // value: address of a LOGFONT
    kSetIdleTest = 81,      // 1 when idle minutes are above 0 and the count > 10 x minutes
    kSetActivity = 83,      // idle count = 0
    kSetTick = 84,          // idle count + 1
};

int set_manager(int op, int ignored, void *value);

// The set editor (dialog 106). set_manager(kSetEdit) runs it modally; a modeless one made by
// create_set_editor starts hidden, for tests and screenshots.
INT_PTR CALLBACK set_editor_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
HWND create_set_editor(HWND owner);
// 0 at start, 1 after a set was opened in the dialog, 2 after a save was attempted.
int set_editor_result(HWND dialog);
// Current record and the store's set level into the controls, and back.
void fill_set_editor(HWND dialog);
void read_set_editor(HWND dialog);
