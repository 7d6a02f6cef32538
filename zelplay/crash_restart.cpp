// Coming back after a crash: the exception filter, the restart rule and the new process.
#include "crash_restart.h"
#include "BrixLib.h"
#include "result_log.h"
#include "shell_seam.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const char kHistoryVariable[] = "ZELPLAY_RESTARTS";
char g_file[kPathSize];

uint64_t now_seconds() {
    FILETIME t;
    GetSystemTimeAsFileTime(&t);
    return ((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000000u;
}

LONG WINAPI on_crash(EXCEPTION_POINTERS *) {
    static volatile LONG entered = 0;
    if (InterlockedExchange(&entered, 1)) return EXCEPTION_EXECUTE_HANDLER;
    // The answers that wait for a locked log go there now, or into the recovery file.
    result_log_rescue();
    char history[256] = "", next[256];
    GetEnvironmentVariableA(kHistoryVariable, history, sizeof history);
    if (restart_allowed(history, now_seconds(), next, sizeof next)) {
        SetEnvironmentVariableA(kHistoryVariable, next);  // the new player inherits it
        char exe[kPathSize], line[2 * kPathSize + 8];
        if (GetModuleFileNameA(nullptr, exe, sizeof exe)) {
            if (g_file[0]) snprintf(line, sizeof line, "\"%s\" \"%s\"", exe, g_file);
            else snprintf(line, sizeof line, "\"%s\"", exe);
            start_program(line);
        }
    }
    return EXCEPTION_EXECUTE_HANDLER;  // ends the process without the fault box
}

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
}

void install_crash_restart() {
    SetErrorMode(SetErrorMode(0) | SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS);
    SetUnhandledExceptionFilter(on_crash);
}
