// The player's main window.
#pragma once
#include <windows.h>

struct SetRecord;

ATOM register_main_class(HINSTANCE instance);
// Creates, shows and updates the main window; null on failure.
HWND create_main_window(HINSTANCE instance, int show);
LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wp, LPARAM lp);

// Timer 1: counts idle ticks and returns a run to the start screen when the set's time is up.
void CALLBACK idle_timer_proc(HWND window, UINT message, UINT_PTR id, DWORD time);

// Clicks earlier than this after a screen change are ignored; 0 turns the guard off
// for drivers that send clicks without message times.
constexpr DWORD kDefaultClickSettleMillis = 300;
void set_click_settle_millis(DWORD millis);
// How long a chosen row shows pressed before the next screen; 0 for tests.
constexpr DWORD kDefaultPressMillis = 150;
void set_press_show_millis(DWORD millis);
// The guard's decision: a click (its message time) from before the screen was shown at shown_at,
// or within settle_millis after it. A screen that the idle timer has seen past the guard has
// settled, however far the 32-bit ticks have moved since (they wrap after 49.7 days).
bool click_too_early(DWORD click_time, DWORD shown_at, bool settled, DWORD settle_millis);

// The idle rules in seconds (a set's IDLESEC, IDLEFIRST, RESULTSEC), checked every second:
// whether the screen shown, quiet for quiet_millis, returns to the start screen now. The start
// screen never does; a first question with no answer only with first_question; the result
// screen after result_seconds when given, else after idle_seconds like a question.
enum IdleScreen { kIdleStart, kIdleFirstQuestion, kIdleLaterQuestion, kIdleResult };
struct IdleRules {
    int idle_seconds;  // 0 = the minutes of timer 1 decide
    bool first_question;
    int result_seconds;
    int ask_seconds;  // before the return, 「続けますか？」 counts down this long; 0 = none
};
bool idle_return_due(const IdleRules &rules, IdleScreen screen, DWORD quiet_millis);
// The same with the question first: stay, ask (with the seconds left of the countdown in
// *seconds_left), or return now.
enum IdleStep { kIdleStay, kIdleAsk, kIdleGo };
IdleStep idle_step(const IdleRules &rules, IdleScreen screen, DWORD quiet_millis, int *seconds_left);
// Timer 2's work at now (tick count): the seconds rules of the applied set.
void idle_seconds_check(HWND window, DWORD now);

// What a key does on the screen shown (shown: bit i = slot i offers a choice): the slot it
// chooses, or -1; arrows move *highlight (-1 = none) over the shown slots instead. Digits 1-5
// choose a title or an answer that is shown; 0 means slot 5 where it is shown ("戻る", or
// 「ひとつ前へ」 beside the answers); Enter and Space mean "戻る" on the result screen, elsewhere
// they choose the highlighted slot.
int key_choice(WPARAM vk, unsigned shown, int *highlight);
// One-switch scanning: the slot the frame is on elapsed milliseconds after the screen appeared,
// moving over the shown slots in order every interval_millis and round again; -1 when none is shown.
int scan_slot(unsigned shown, DWORD elapsed, int interval_millis);

// Puts a set into effect; with no record the user picks a set file.
void apply_set(HWND window, const SetRecord *record);

// The file named on the command line: a ".set" is applied as the set menu would, anything else
// is loaded as a question file, both by their full path (the one a restart opens). 1 when the
// file was taken. A set that goes full screen does so without the hint on leaving it: nobody may
// be there to close it, and visitors should not read it.
int open_start_file(HWND window, const char *path);

// The player's start, before its message loop: crash restart, the window class and the window,
// and the file named on the command line (a kiosk restarted after a reboot, a double-clicked
// file). The main window, or null when it could not be made.
HWND start_player(HINSTANCE instance, int show);

// The first argument of a command line (quotes removed) into arg; 0 when there is none.
int first_argument(const char *command_line, char *arg, size_t arg_size);
