// The diagnosis run: the five loaded question files, the screen being shown, the visitor's
// choices, the score and its result, the sound effects of each moment and the result log.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "question_records.h"

struct QuestionFile;

// Operation codes of run_engine. value is always the address of the caller's text pointer
// (or null). "-> text" means the engine stores the address of one of its own texts into
// *value, valid until the next call. Results are -1 unless a line says otherwise.
enum RunOp : unsigned {
    kRunStart = 1,           // index: the owner window's handle; five empty slots, start screen, log "zelm.csv"
    kRunDropAll = 2,         // empties all slots, their fonts, sounds and run pictures; start screen
    kRunEnd = 3,             // releases the slots' arrays; log lines still refused go to the recovery file
    kRunLogNaming = 14,      // index: 0 single log "zelm.csv", else daily "zelmMMDD.csv" of the date each line is written
    kRunSetStartText = 15,   // *value: new start text (at most 255 bytes kept)
    kRunMainText = 30,       // -> start text (while it is still the hint: the first loaded file's title, if any),
                             // question text or result title
    kRunChoiceText = 31,     // index: choice 0..5; -> its text (may be empty); result 0 when the choice has none
    kRunComment = 34,        // -> result comment on the result screen; else result 0
    kRunTotal = 35,          // result: the total of the current or last run
    kRunHeader = 36,         // -> header while a file is current and it is not empty; else result 0
    kRunFooter = 37,         // -> footer, as for the header
    kRunCurrentFile = 38,    // result: current file 0..4, or -1 on the start screen
    kRunGetStartText = 39,   // *value: caller's buffer (at least 256 bytes) receives the start text
    kRunBandWidthText = 40,  // *value: caller's 64-byte buffer receives the band width ("%f"); null *value: nothing
    kRunResultCount = 41,    // result: banded result rows found by the last banded choice
    kRunGetLogPath = 42,     // *value: caller's buffer (kPathSize bytes) receives the result log's path
    kRunProgress = 43,       // result: on a question screen, its number (1-based) * 65536 + the file's question count;
                             // else 0, and 0 too when the number passes 32767 or the count 65535 (run_progress has both)
    kRunLoadFile = 50,       // *value: path, or value / *value null or empty to ask; loads into the first free slot,
                             // except that a file asked for and already loaded is read again into its own slot
    kRunReloadAll = 52,      // reads every loaded file again into its slot (F5); start screen
    kRunOpenFile = 53,       // *value: path; as kRunLoadFile after asking (a drop, the operator's own file)
    kRunChoose = 51,         // index: choice 0..5 (a title, an answer, or 5 for "戻る" on the result screen)
    kRunUnderWay = 61,       // result: -1 when past the first question of a run (or on its result), else 0
    kRunIdleReturn = 70,     // under way only: logs the idle line and returns to the start screen;
                             // index kIdleAlsoFirstQuestion: an unanswered first question returns too, unlogged
    kRunEmptySlot = 80,      // index: slot 0..4; its arrays hold only the all-zero record, its title empty
    kRunBackStepMode = 90,   // index: 1 = question screens after the first offer 「ひとつ前へ」 in choice 5, and a
                             // run's answer lines wait until its total (or its idle line) so that the log
                             // holds only final answers; 0 = off (each answer is logged at once)
};
// kRunIdleReturn's index: also leave a first question that has no answer.
enum { kIdleAlsoFirstQuestion = 1 };

int32_t run_engine(unsigned op, int32_t index, char **value);

// On a question screen: its number (1-based) and the file's question count, whatever their size; else false.
bool run_progress(int32_t *number, int32_t *count);

// The recorded voices of the screen shown now, found as its pictures are (beside its question
// file first): [0] the question's or the result's, [1..5] the answers'; "" where none is named.
// False on the start screen.
struct ScreenVoices {
    char path[kVoiceParts][kQuesPathSize];
};
bool screen_voices(ScreenVoices *out);

// The question file loaded in slot 0..4 (its first question without text when none), or null.
const QuestionFile *loaded_question_file(int slot);

// Shows a loaded file's result row directly, as if the run had ended with total: kind is a
// ResultPickKind (top row, bottom row, or band with row). Logs nothing. 1 when the row exists.
int show_result_row(int32_t file, int kind, int32_t row, int32_t total);

// Loads a question file (path, or null to ask) into the slot the engine has chosen.
// 1 when read, 0 when cancelled, refused or the file cannot be opened.
int load_question_file(HWND owner, const char *path);

// Local date and time used for the daily log name and the visit log; tests fix it. Null restores GetLocalTime.
typedef void (*LocalDateFn)(SYSTEMTIME *now);
LocalDateFn set_local_date_fn(LocalDateFn fn);

// Folder (with trailing backslash) that takes the place of the program folder in the log
// names from the next kRunStart or kRunLogNaming on; null or empty restores the program folder.
void set_log_folder(const char *folder);
// The set's log folder (absolute, or relative to the program folder): both logs go there from the
// next kRunStart or kRunLogNaming on. Null or empty: none. 0 when the path is too long (then none).
int set_set_log_folder(const char *folder);
// The visit log of the set being applied: on or off, the kiosk name in its file names and rows
// (empty or not fit for a file name: the computer's name), and the set file's name for its rows.
void set_visit_log(int on, const char *kiosk, const char *set_file);
// Told of every visitor's row as it is written (the kiosk's status counts them); null: nobody.
typedef void (*VisitObserver)(const SYSTEMTIME &end);
void set_visit_observer(VisitObserver observer);
// This computer's kiosk name (the /kiosk: switch or the player's setting), which goes before the
// set's; invalid or null: none. The name in use: this computer's, else the set's, else the computer's.
void set_pc_kiosk_name(const char *name);
const char *pc_kiosk_name();
void current_kiosk_name(char *out);  // kKioskNameSize bytes
// The row of a visit under way, for a player that Windows is about to end: its result left on the
// screen, or left partway.
void end_visit_now();
// 1 when a file can be made in the log's folder, or the folder is a set's own (which may come and
// go); else 0, with folder (kPathSize bytes) naming it.
int log_folder_writable(char *folder);
