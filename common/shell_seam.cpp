// The shell and process seams.
#include "shell_seam.h"
#include "BrixLib.h"
#include <shellapi.h>
#include <string.h>
#include <string>

static HINSTANCE real_shell_open(HWND window, const char *verb, const char *file, const char *params,
                                 const char *dir, int show) {
    return ShellExecuteA(window, verb, file, params, dir, show);
}

static BOOL real_create_process(char *command_line, STARTUPINFOA *startup, PROCESS_INFORMATION *info) {
    return CreateProcessA(nullptr, command_line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, startup, info);
}

static ShellOpenFn g_shell_open = real_shell_open;
static CreateProcessFn g_create_process = real_create_process;

ShellOpenFn set_shell_open_fn(ShellOpenFn fn) {
    ShellOpenFn old = g_shell_open;
    g_shell_open = fn ? fn : real_shell_open;
    return old;
}

CreateProcessFn set_create_process_fn(CreateProcessFn fn) {
    CreateProcessFn old = g_create_process;
    g_create_process = fn ? fn : real_create_process;
    return old;
}

bool shell_open_document(HWND window, const char *file) {
    // ShellExecute reports success with a value above 32.
    return reinterpret_cast<INT_PTR>(g_shell_open(window, "open", file, nullptr, nullptr, SW_SHOWNORMAL)) > 32;
}

bool open_program_document(HWND window, const char *name) {
    char path[kPathSize];
    if (!module_folder(path) || strlen(path) + strlen(name) >= sizeof path) return false;
    strcat(path, name);
    return shell_open_document(window, path);
}

bool command_line_fits(const char *command_line) {
    int chars = MultiByteToWideChar(CP_ACP, 0, command_line, -1, nullptr, 0);
    return chars > 0 && chars <= kCommandLineChars;
}

static HANDLE launch(char *line) {
    if (!command_line_fits(line)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info;
    ZeroMemory(&info, sizeof info);
    if (!g_create_process(line, &startup, &info)) return nullptr;
    if (info.hThread) CloseHandle(info.hThread);
    return info.hProcess ? info.hProcess : INVALID_HANDLE_VALUE;
}

static bool started(HANDLE process) {
    if (!process) return false;
    if (process != INVALID_HANDLE_VALUE) CloseHandle(process);
    return true;
}

HANDLE start_program_watched(const char *command_line) {
    // CreateProcess may write into its command line, so it gets a copy.
    std::string line(command_line);
    return launch(&line[0]);
}

bool start_program(const char *command_line) { return started(start_program_watched(command_line)); }

bool start_program_in_place(char *command_line) { return started(launch(command_line)); }
