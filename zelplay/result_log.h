// The writer of the result log and the visit log. Each line goes first into the spool on the local
// disk (%LOCALAPPDATA%\Zelmica), then to its log; lines that a locked log or an unreachable folder
// refuses wait, in order, and are written before the next line, or at the next start from the
// spool. Without a spool they wait in memory, and at the end go into one recovery file per log.
#pragma once
#include <windows.h>
#include <stddef.h>
#include <stdint.h>
#include "answer_log.h"  // the three lines of the result log

// Name of zelm.csv's recovery file: in the program folder, or %LOCALAPPDATA%\Zelmica when that
// cannot be written. Every log has its own: its name with "_recovered" before the extension.
extern const char kRecoveryName[];
// Name of the spool in %LOCALAPPDATA%\Zelmica.
extern const char kSpoolName[];

// Every line written to a log or a recovery file goes through here; with writes suppressed (the
// player's test mode) it writes nothing and answers as if written, so nothing waits or is rescued.
int write_log_line(const char *path, const char *text);
void suppress_log_writes(bool on);
bool log_writes_suppressed();

// Appends line to the log at path, after any lines still waiting. A refused write shows nothing
// and the line waits (result_log_waiting counts them). 1 when line and every waiting line were written.
// The first header bytes of line are a header row, written only into a file that is new or empty.
// A daily log's line carries its year: a file of the same name last written in an earlier year
// is set aside under a name with that year when the line goes in.
int result_log_append(const char *path, const char *line, size_t header = 0, unsigned year = 0);
// Opens the spool (the player's own, not a preview's) and writes what an earlier run left in it,
// each line to its log, in order, once. 0 when there is no spool: lines then wait in memory.
int result_log_open_spool();
// 「ひとつ前へ」's answers, not for their log before the visit's total: held on the local disk
// beside the spool meanwhile, and written by the next start after a crash. 0 when nothing holds
// them there (no spool, or writes suppressed): they then wait in memory alone.
uint64_t result_log_hold(const char *path, const char *line, unsigned year);
void result_log_unhold(uint64_t id);
// The held answers went to result_log_append: the disk's copy goes.
void result_log_release_held();
// %LOCALAPPDATA%\Zelmica with its backslash (kPathSize bytes), made when missing; "" when there is none.
void local_folder(char *out);
// Tests put the spool elsewhere; null or "" restores the usual place.
void set_spool_file(const char *file);
// The last trouble with the spool ("" when none), for the kiosk's status.
const char *result_log_note();
// Lines waiting for their log.
size_t result_log_waiting();
// Writes the waiting lines if their log takes them now; 1 when nothing waits any more.
int result_log_retry();
// Last chance for the waiting lines: their log once more, then (for lines the spool does not
// hold) each log's recovery file, with a message (owned by owner) naming every log and file, and
// the spool when lines stay there for the next start. 0 when a line could go nowhere.
int result_log_finish(HWND owner);
// The same without a message, for a player that Windows is about to end (shutdown, sign-out).
void result_log_rescue();
// The same for a player that faulted: neither allocates nor frees, and writes only the lines kept
// in memory reserved at start (the first 256 KB of the waiting lines the spool does not hold).
void result_log_rescue_on_crash();
// The clock that spaces out the attempts at a log folder that went away; tests move it. Null: GetTickCount.
void set_result_log_ticks(DWORD(WINAPI *ticks)());
// Tests put the recovery file elsewhere: the first folder, then the second (each with its backslash).
// Null restores the program folder and %LOCALAPPDATA%\Zelmica.
void set_recovery_folders(const char *first, const char *second);
