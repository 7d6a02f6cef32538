// Line reader: walks a file line by line through the caller's buffer, in 64-byte pieces.
#pragma once
#include <windows.h>
#include <stddef.h>

enum ReadLineResult { kLineDone = 0, kLineTooLong = 1, kLineReadError = 3 };
enum NextLineResult { kNextDone = 0, kNextReadError = 3, kNextNoMore = 6 };
enum { kFileEmpty = 2 };

// 2 when the file is empty; otherwise rewinds it and returns 0.
int check_not_empty(HANDLE file);
// Copies the current line (without CR LF) into buffer; the file position is left where it was.
int read_line(HANDLE file, char *buffer, size_t *capacity);
// Moves the file position just past the next LF.
int next_line(HANDLE file);
