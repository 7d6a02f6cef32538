// Line reader: walks a file line by line through the caller's buffer, in 64-byte pieces.
#pragma once
#include <windows.h>
#include <stddef.h>
#include <stdint.h>
#include "BrixLib.h"

// Characters of a UTF-8 text that Shift-JIS cannot hold, each read as "?".
enum { kLossesShown = 4 };
struct Utf8Losses {
    size_t count;
    uint32_t first[kLossesShown];  // code points of the first ones, in text order
};

// Opens a question or set file for the line reader: shared reading and writing, existing files
// only. A file written in UTF-8 (a byte-order mark, or valid UTF-8 holding multi-byte sequences,
// as current Notepad saves) is read as its text: the handle is then that of a temporary copy in
// Shift-JIS, "?" standing for characters Shift-JIS cannot hold (counted in *lost when given),
// deleted when closed. *utf8 (when given) tells which. INVALID_HANDLE_VALUE with the last error
// set when the file, or the copy of a UTF-8 file, cannot be made.
HANDLE open_line_file(const char *path, int *utf8, Utf8Losses *lost = nullptr);
// Whether bytes are UTF-8 by that rule; a Shift-JIS file is never taken for one with a mark.
// Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
bool looks_like_utf8(const unsigned char *bytes, size_t size);
// UTF-8 bytes (a mark dropped) as Shift-JIS, "?" for what it cannot hold; null when out of memory.
// The caller frees it with I_HEAP_FREE; *size receives its length.
char *shift_jis_from_utf8(const unsigned char *bytes, size_t n, size_t *size, Utf8Losses *lost = nullptr);
// What the operator is told on opening a UTF-8 file: its name, that it is saved in Shift-JIS (where
// the program saves it), and how many characters became "?" with the first few.
void utf8_loss_notice(const char *path, const Utf8Losses &lost, char *text, size_t size, bool saved = true);

// The UTF-8 file an editor opened last, until it is saved over in Shift-JIS.
struct Utf8Original {
    char path[kPathSize];  // "" when the file opened last was not UTF-8
    size_t lost;
};
void utf8_original_opened(Utf8Original *original, const char *path, int utf8, const Utf8Losses &lost);
// Whether target may be written: it is not the UTF-8 original, or the operator agreed to replace
// it with Shift-JIS (asked through the message box seam, caption given).
bool utf8_original_may_replace(const Utf8Original *original, HWND owner, const char *target, const char *caption);
// After a save into target: a replaced original is Shift-JIS now.
void utf8_original_saved(Utf8Original *original, const char *target);

enum ReadLineResult { kLineDone = 0, kLineTooLong = 1, kLineReadError = 3 };
enum NextLineResult { kNextDone = 0, kNextReadError = 3, kNextNoMore = 6 };
enum { kFileEmpty = 2 };

// 2 when the file is empty; otherwise rewinds it and returns 0.
int check_not_empty(HANDLE file);
// Copies the current line (without CR LF) into buffer; the file position is left where it was.
int read_line(HANDLE file, char *buffer, size_t *capacity);
// Moves the file position just past the next LF.
int next_line(HANDLE file);

// Called for each non-empty line; false stops the walk.
typedef bool (*LineFn)(const char *line, void *context);
// read_line and next_line from the current position to the end, a read error (reported) or a
// line too long for buffer (size bytes); the same lines, in far fewer reads of the file.
void for_each_line(HANDLE file, char *buffer, size_t size, LineFn line, void *context);

// How many lines from the current position start with key (either case) followed by a comma or
// the line's end, up to the first line of size bytes or more; the position is left where it was.
// A count for sizing arrays ahead of a walk: no read error is reported.
size_t count_key_lines(HANDLE file, const char *key, size_t size);
