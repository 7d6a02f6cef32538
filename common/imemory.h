// Error reporting with the system's text for the last error, and the two zero-filled
// allocation families (process heap and movable global memory).
#pragma once
#include <windows.h>
#include <stddef.h>
#include <string>

void i_show_last_error(const char *caption);
// The window the error boxes belong to (none by default): while it is set they are modal to it, so
// a tap behind a box cannot reach the window.
void set_error_owner(HWND owner);
void i_show_last_error_at(const char *caption, const char *file, int line);
// As i_show_last_error for a file that could not be opened or read: the box names the file and
// says what to do about the cause the system gives.
void i_show_file_error(const char *caption, const char *path);
// The box's text for path and a system error code (the seam above composes with it).
std::string file_error_text(const char *path, DWORD code);

// Process heap: all application code.
void *i_heap_calloc(size_t count, size_t size, const char *file, int line);
void *i_realloc(void *block, size_t bytes, const char *file, int line);
// As i_realloc, but a failure is not reported: for sizes that are only a hint.
void *i_try_realloc(void *block, size_t bytes);
void i_heap_free(void *block, const char *file, int line);

// Movable global memory, kept locked: string, path and file utilities and the line reader.
void *i_calloc(size_t count, size_t size, const char *file, int line);
HGLOBAL i_free(void *block, const char *file, int line);

#define I_HEAP_CALLOC(n, s) i_heap_calloc((n), (s), __FILE__, __LINE__)
#define I_REALLOC(p, b) i_realloc((p), (b), __FILE__, __LINE__)
#define I_HEAP_FREE(p) i_heap_free((p), __FILE__, __LINE__)
#define I_CALLOC(n, s) i_calloc((n), (s), __FILE__, __LINE__)
#define I_FREE(p) i_free((p), __FILE__, __LINE__)
