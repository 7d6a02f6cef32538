// What this player tells the other kiosks' operator: its status file in the log folder, written
// at start and every interval, with the day's visitors, restarts, waiting lines and last trouble.
#pragma once
#include <windows.h>

// Starts the reports of a kiosk (not of a preview): today's counts go on from this kiosk's last
// file; restarted: this start follows a fault.
void kiosk_report_start(bool restarted);
// A visitor's row was written (or would have been).
void kiosk_report_visit(const SYSTEMTIME &end);
// From the player's timer: writes the file when its interval has passed.
void kiosk_report_tick();
// Writes the file now.
void kiosk_report_now();
// The crash path, after the last allowed restart: the prepared file saying the kiosk stays down.
// Neither allocates nor frees.
void kiosk_report_down();
// Seconds between writes (the /status:SECONDS switch, for tests); 0: the usual 60.
void set_kiosk_report_interval(int seconds);

// The player's own switches before its file: "/kiosk:NAME" (this computer's kiosk name, no
// blanks), "/status:SECONDS" (the status interval, for tests) and "/distcheck:SECONDS" (how often
// the 配布フォルダー is looked at, for tests; 0 when not given). Returns where the file argument's
// reading starts (the last switch stands where the program name does), or line.
const char *read_player_switches(const char *line, char *kiosk, size_t kiosk_size, int *interval,
                                 int *dist_seconds = nullptr);
