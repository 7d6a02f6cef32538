// Coming back after a crash: the exception filter, the restart rule and the new process.
#include "crash_restart.h"
#include "kiosk_report.h"
#include "BrixLib.h"
#include "result_log.h"
#include "shell_seam.h"
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <exception>

namespace {

const char kHistoryVariable[] = "ZELPLAY_RESTARTS";
const wchar_t kHistoryVariableWide[] = L"ZELPLAY_RESTARTS";
enum { kHistorySize = 256, kCommandSize = 3 * kPathSize + 8 };

// Everything the crash path needs is made while the heap is sound: the program's path, the
// restart history it was started with, and the new player's command line.
char g_file[kPathSize];
char g_exe[kPathSize];
char g_history[kHistorySize];
char g_switches[kPathSize];  // the player's own switches, each after a blank, kept across a restart
char g_line[kCommandSize];

uint64_t now_seconds() {
    FILETIME t;
    GetSystemTimeAsFileTime(&t);
    return ((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000000u;
}

void compose_line() {
    if (!g_exe[0]) g_line[0] = '\0';
    else if (g_file[0]) snprintf(g_line, sizeof g_line, "\"%s\"%s \"%s\"", g_exe, g_switches, g_file);
    else snprintf(g_line, sizeof g_line, "\"%s\"%s", g_exe, g_switches);
}

// Windows' own restart (Vista on) as a second line: it also brings back a player that hung, or
// one whose fault never reached the filter. Its command line holds the arguments only. Not after
// an update's reboot: the Startup shortcut starts the kiosk then, and two players would run.
enum { kRestartNoPatch = 4, kRestartNoReboot = 8 };  // RESTART_NO_PATCH, RESTART_NO_REBOOT
void register_system_restart() {
    typedef HRESULT(WINAPI * RegisterRestartFn)(PCWSTR, DWORD);
    static RegisterRestartFn fn = reinterpret_cast<RegisterRestartFn>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "RegisterApplicationRestart")));
    // Only a player that took over its crashes asks for it: a preview must not come back.
    if (!fn || !g_exe[0]) return;
    char quoted[2 * kPathSize + 3] = "";
    // The kiosk's switches first (after their blank), then the file.
    const char *switches = g_switches[0] ? g_switches + 1 : "";
    if (g_file[0]) snprintf(quoted, sizeof quoted, "%s%s\"%s\"", switches, switches[0] ? " " : "", g_file);
    else snprintf(quoted, sizeof quoted, "%s", switches);
    wchar_t wide[2 * kPathSize + 3];
    if (!MultiByteToWideChar(CP_ACP, 0, quoted, -1, wide, 2 * kPathSize + 3)) return;
    fn(wide, kRestartNoPatch | kRestartNoReboot);
}

// The rescue and the new player; shows nothing, allocates nothing, frees nothing.
void rescue_and_restart() {
    static volatile LONG entered = 0;
    if (InterlockedExchange(&entered, 1)) return;
    // The answers that wait for a locked log go there now, or into the recovery file.
    result_log_rescue_on_crash();
    char next[kHistorySize];
    if (!g_line[0]) return;
    if (!restart_allowed(g_history, now_seconds(), next, sizeof next)) {
        kiosk_report_down();  // the operator's status window says so before the player stays down
        return;
    }
    // The wide call: the ANSI one converts its strings on the heap.
    wchar_t wide[kHistorySize];
    size_t i = 0;
    for (; next[i] && i + 1 < kHistorySize; ++i) wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(next[i]));
    wide[i] = L'\0';
    SetEnvironmentVariableW(kHistoryVariableWide, wide);  // the new player inherits it
    start_program_in_place(g_line);
}

LONG WINAPI on_crash(EXCEPTION_POINTERS *) {
    rescue_and_restart();
    return EXCEPTION_EXECUTE_HANDLER;  // ends the process without the fault box
}

// The runtime's own ends (terminate, abort, an invalid argument, a pure virtual call) would show
// its box and leave the kiosk on the desktop: they take the crash path instead.
void end_by_fault() {
    rescue_and_restart();
    TerminateProcess(GetCurrentProcess(), 3);
}
void on_terminate() { end_by_fault(); }
void on_abort_signal(int) { end_by_fault(); }
void __cdecl on_invalid_parameter(const wchar_t *, const wchar_t *, const wchar_t *, unsigned, uintptr_t) {
    end_by_fault();
}
void __cdecl on_purecall() { end_by_fault(); }

}  // namespace

int restart_allowed(const char *history, uint64_t now, char *next, size_t next_size) {
    uint64_t kept[kMaxRestarts];
    int n = 0;
    const char *p = history ? history : "";
    while (*p) {
        char *end = nullptr;
        unsigned long long t = strtoull(p, &end, 10);
        if (end == p) break;
        p = end;
        while (*p == ' ') ++p;
        if (t <= now && now - t < kRestartWindowSeconds) {
            if (n == kMaxRestarts) return 0;
            kept[n++] = t;
        }
    }
    if (n >= kMaxRestarts) return 0;
    kept[n++] = now;
    size_t used = 0;
    if (next_size) next[0] = '\0';
    for (int i = 0; i < n; ++i) {
        int w = snprintf(next + used, next_size - used, i ? " %llu" : "%llu", static_cast<unsigned long long>(kept[i]));
        if (w < 0 || used + static_cast<size_t>(w) >= next_size) return 0;
        used += static_cast<size_t>(w);
    }
    return 1;
}

void set_restart_file(const char *path) {
    g_file[0] = '\0';
    if (path) append_prefix(g_file, sizeof g_file, path, strlen(path));
    compose_line();
    register_system_restart();
}

const char *restart_file() { return g_file; }

void set_restart_switches(const char *switches) {
    g_switches[0] = '\0';
    if (switches && *switches && strlen(switches) + 1 < sizeof g_switches) snprintf(g_switches, sizeof g_switches, " %s", switches);
    compose_line();
    register_system_restart();
}

bool restarted_after_fault() { return g_history[0] != '\0'; }

void install_crash_restart() {
    DWORD n = GetModuleFileNameA(nullptr, g_exe, sizeof g_exe);
    if (!n || n >= sizeof g_exe) g_exe[0] = '\0';  // a cut path would start another program
    g_history[0] = '\0';
    if (GetEnvironmentVariableA(kHistoryVariable, g_history, sizeof g_history) >= sizeof g_history) g_history[0] = '\0';
    compose_line();
    register_system_restart();
    SetErrorMode(SetErrorMode(0) | SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS);
    SetUnhandledExceptionFilter(on_crash);
    std::set_terminate(on_terminate);
    signal(SIGABRT, on_abort_signal);
    _set_invalid_parameter_handler(on_invalid_parameter);
    // The msvcrt of older Windows has no pure-call handler to set.
    typedef void(__cdecl * PurecallFn)();
    typedef PurecallFn(__cdecl * SetPurecallFn)(PurecallFn);
    HMODULE crt = GetModuleHandleA("msvcrt.dll");
    SetPurecallFn set_purecall = crt ? reinterpret_cast<SetPurecallFn>(
                                           reinterpret_cast<void *>(GetProcAddress(crt, "_set_purecall_handler")))
                                     : nullptr;
    if (set_purecall) set_purecall(on_purecall);
}
