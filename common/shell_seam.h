// Opening documents through the shell and starting programs, behind seams tests can record.
#pragma once
#include <windows.h>

typedef HINSTANCE (*ShellOpenFn)(HWND window, const char *verb, const char *file, const char *params,
                                 const char *dir, int show);
typedef BOOL (*CreateProcessFn)(char *command_line, STARTUPINFOA *startup, PROCESS_INFORMATION *info);

// Each setter returns the previous function; null restores the real call.
ShellOpenFn set_shell_open_fn(ShellOpenFn fn);
CreateProcessFn set_create_process_fn(CreateProcessFn fn);

// ShellExecute "open" of file with SW_SHOWNORMAL; the result says whether the shell took it.
bool shell_open_document(HWND window, const char *file);
// The same for a document beside the program (its help): file dialogs move the current
// directory, so a bare name would be looked for wherever a file was last chosen.
bool open_program_document(HWND window, const char *name);
// Windows takes a command line of at most 32,767 characters, its null included.
enum { kCommandLineChars = 32767 };
// Whether Windows takes command_line (counted in UTF-16 characters, as CreateProcess does).
bool command_line_fits(const char *command_line);
// Starts command_line with the caller's environment and directory, without waiting; both
// handles are closed at once.
bool start_program(const char *command_line);
// The same, keeping the process handle for the caller, who closes it; null when not started
// (a line Windows would not take: ERROR_FILENAME_EXCED_RANGE), INVALID_HANDLE_VALUE when a
// stand-in for CreateProcess gave no handle.
HANDLE start_program_watched(const char *command_line);
// As start_program, on the caller's own writable line, without copying or allocating: the crash path.
bool start_program_in_place(char *command_line);
