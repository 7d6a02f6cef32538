// The player's own status file: gathered from the run engine, the log writer and the window.
#include "kiosk_report.h"
#include "BrixLib.h"
#include "QuesManager.h"
#include "SetManager_private.h"
#include "kiosk.h"
#include "kiosk_status.h"
#include "test_mode.h"
#include "result_log.h"
#include "set_distribution.h"
#include "visit_log.h"
#include "zelmica_version.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>

namespace {

const char kDownText[] = "10分以内に異常終了が続いたため（自動の再起動 3 回のあと）、プレーヤーは止まったままです";

bool g_on;
int g_interval = kStatusIntervalSeconds;
DWORD g_last_write;
int g_visitors, g_restarts;
char g_date[16], g_last_visit[32];
// The stays-down file, prepared at each write: the crash path only writes bytes.
char g_down_text[4096], g_down_path[kPathSize], g_down_temporary[kPathSize];

void date_text(const SYSTEMTIME &t, char *out, size_t size) { snprintf(out, size, "%04u-%02u-%02u", t.wYear, t.wMonth, t.wDay); }
void time_text(const SYSTEMTIME &t, char *out, size_t size) {
    snprintf(out, size, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
}

// A new day starts the day's counts again.
void follow_date(const SYSTEMTIME &now) {
    char today[16];
    date_text(now, today, sizeof today);
    if (strcmp(today, g_date) == 0) return;
    copy_cut(g_date, sizeof g_date, today);
    g_visitors = g_restarts = 0;
}

KioskStatus gather() {
    KioskStatus s;
    SYSTEMTIME now;
    GetLocalTime(&now);
    follow_date(now);
    char kiosk[kKioskNameSize], computer[kKioskNameSize];
    current_kiosk_name(kiosk);
    default_kiosk_name(computer);
    s.kiosk = kiosk;
    s.computer = computer;
    s.version = ZEL_VERSION_TEXT;
    const char *set_path = set_current_path();
    s.set_file = set_path ? set_path : "";
    WIN32_FILE_ATTRIBUTE_DATA data;
    FILETIME local;
    SYSTEMTIME t;
    if (!s.set_file.empty() && GetFileAttributesExA(s.set_file.c_str(), GetFileExInfoStandard, &data) &&
        FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) && FileTimeToSystemTime(&local, &t)) {
        char stamp[32];
        time_text(t, stamp, sizeof stamp);
        s.set_time = stamp;
    }
    s.set_version = distribution_version();
    s.update_problem = distribution_problem();
    s.update_waiting = distribution_waiting();
    s.visitors_today = g_visitors;
    s.last_visit = g_last_visit;
    s.waiting = static_cast<int>(result_log_waiting());
    s.restarts_today = g_restarts;
    s.last_error = result_log_note();
    s.full_screen = full_screen_flag() != 0;
    s.interval = g_interval;
    s.date = g_date;
    char written[32];
    time_text(now, written, sizeof written);
    s.written = written;
    s.written_utc = utc_now_ticks();
    return s;
}

void write_now() {
    const KioskStatus s = gather();
    char folder[kPathSize];
    log_folder_writable(folder);
    write_kiosk_status(folder, s);
    g_last_write = GetTickCount();
    KioskStatus down = s;
    down.down = true;
    down.last_error = kDownText;
    const std::string text = kiosk_status_text(down), path = std::string(folder) + kiosk_status_name(s.kiosk, s.computer);
    g_down_path[0] = '\0';
    if (text.size() < sizeof g_down_text && path.size() < kPathSize && temporary_beside(path.c_str(), g_down_temporary)) {
        memcpy(g_down_text, text.c_str(), text.size() + 1);
        memcpy(g_down_path, path.c_str(), path.size() + 1);
    }
}

}  // namespace

void set_kiosk_report_interval(int seconds) { g_interval = seconds > 0 ? seconds : kStatusIntervalSeconds; }

void kiosk_report_start(bool restarted) {
    g_on = true;
    set_visit_observer(kiosk_report_visit);
    SYSTEMTIME now;
    GetLocalTime(&now);
    follow_date(now);
    // Today's counts go on from this kiosk's last file, across restarts.
    char folder[kPathSize], kiosk[kKioskNameSize], computer[kKioskNameSize];
    log_folder_writable(folder);
    current_kiosk_name(kiosk);
    default_kiosk_name(computer);
    const std::vector<KioskStatusRead> all = read_kiosk_statuses(folder, utc_now_ticks());
    for (const KioskStatusRead &r : all)
        if (r.status.kiosk == kiosk && r.status.computer == computer && r.status.date == g_date) {
            g_visitors = r.status.visitors_today;
            g_restarts = r.status.restarts_today;
            copy_cut(g_last_visit, sizeof g_last_visit, r.status.last_visit.c_str());
        }
    if (restarted) ++g_restarts;
    write_now();
}

void kiosk_report_visit(const SYSTEMTIME &end) {
    if (!g_on) return;
    follow_date(end);
    ++g_visitors;
    time_text(end, g_last_visit, sizeof g_last_visit);
}

void kiosk_report_tick() {
    if (g_on && GetTickCount() - g_last_write >= static_cast<DWORD>(g_interval) * 1000) write_now();
}

void kiosk_report_now() {
    if (g_on) write_now();
}

void kiosk_report_down() {
    if (!g_on || !g_down_path[0]) return;
    HANDLE h = CreateFileA(g_down_temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD n = 0, size = static_cast<DWORD>(strlen(g_down_text));
    bool ok = WriteFile(h, g_down_text, size, &n, nullptr) && n == size;
    CloseHandle(h);
    if (ok) MoveFileExA(g_down_temporary, g_down_path, MOVEFILE_REPLACE_EXISTING);
}

const char *read_player_switches(const char *line, char *kiosk, size_t kiosk_size, int *interval, int *dist_seconds) {
    if (kiosk_size) kiosk[0] = '\0';
    *interval = 0;
    if (dist_seconds) *dist_seconds = 0;
    if (!line) return line;
    const char *last = line;
    for (const char *p = skip_program_name(line);;) {
        const size_t n = strcspn(p, " \t");
        if (_strnicmp(p, "/kiosk:", 7) == 0) {
            const std::string name(p + 7, n - 7);
            if (name.size() < kiosk_size) copy_cut(kiosk, kiosk_size, name.c_str());  // a cut name would be another
        } else if (_strnicmp(p, "/status:", 8) == 0) {
            *interval = atoi(p + 8);
        } else if (_strnicmp(p, "/distcheck:", 11) == 0) {
            if (dist_seconds) *dist_seconds = atoi(p + 11);
        } else {
            return last;
        }
        last = p;
        p += n;
        while (*p == ' ' || *p == '\t') ++p;
    }
}
