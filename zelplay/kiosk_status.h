// The kiosk's status file in the log folder ("zelmica-status-KIOSK-COMPUTER.txt", one writer per
// file, written beside and renamed into place), and the reading of every kiosk's file there for
// the 「キオスクの状態」 window. Shift-JIS "Key=value" lines after a first line "ZelmicaStatus 1";
// keys a reader does not know are left alone, and the last line "End=1" shows the file is whole.
#pragma once
#include <windows.h>
#include <stdint.h>
#include <string>
#include <vector>

enum { kStatusFormat = 1, kStatusIntervalSeconds = 60, kStatusValueSize = 256 };

struct KioskStatus {
    std::string kiosk, computer, version, set_file, set_time, last_visit, last_error, date, written;
    // The set version from the 配布フォルダー in effect, the last update problem, a verified
    // version waiting for the start screen ("" when none of them).
    std::string set_version, update_problem, update_waiting;
    int visitors_today = 0, waiting = 0, restarts_today = 0, interval = kStatusIntervalSeconds;
    bool full_screen = false, down = false;
    uint64_t written_utc = 0;  // FILETIME ticks (100 ns since 1601, UTC); 0: unknown
};

// What a reader makes of one file.
struct KioskStatusRead {
    KioskStatus status;
    std::string file;
    bool truncated = false, newer = false;
    int64_t age_seconds = -1;  // since it was written; -1: unknown
    bool silent = false, duplicate = false;
    bool alarm() const {
        return silent || duplicate || truncated || status.down || status.waiting > 0 || !status.last_error.empty() ||
               !status.update_problem.empty();
    }
};

std::string kiosk_status_text(const KioskStatus &s);
// false for a file of another program; truncated and newer say what else was seen.
bool parse_kiosk_status(const std::string &bytes, KioskStatus *out, bool *truncated, bool *newer);
// "zelmica-status-" + kiosk + "-" + computer + ".txt"
std::string kiosk_status_name(const std::string &kiosk, const std::string &computer);
// Writes s into folder (with its backslash), beside and then into place; false when refused.
bool write_kiosk_status(const char *folder, const KioskStatus &s);
// Every kiosk's status in folder, sorted by kiosk name, judged at now_utc (FILETIME ticks):
// silent past three of its intervals, duplicate when another computer writes the same name.
std::vector<KioskStatusRead> read_kiosk_statuses(const char *folder, uint64_t now_utc);
uint64_t utc_now_ticks();

// The window's texts for a row: "最終確認 N 分前", and what is wrong ("" when nothing).
std::string last_seen_text(int64_t age_seconds);
std::string kiosk_status_notes(const KioskStatusRead &r);
