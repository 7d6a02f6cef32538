// A player that meets an unhandled exception does not leave Windows' error box in front of
// visitors: it saves what waits for the log, starts a new player with the file it was running
// (at most kMaxRestarts times in kRestartWindowSeconds, then it stays down), and ends.
#pragma once
#include <windows.h>
#include <stddef.h>
#include <stdint.h>

enum { kMaxRestarts = 3, kRestartWindowSeconds = 600 };

// Takes over unhandled exceptions and the runtime's ends (terminate, abort, invalid parameter,
// pure call), turns off Windows' fault box for this process, and prepares the restart.
void install_crash_restart();
// The set or question file a restarted player opens: the last one the player opened. Also
// registered with Windows' own restart where the system has it.
void set_restart_file(const char *path);
const char *restart_file();
// The player's switches ("/kiosk:NAME ..."), given again to the restarted player.
void set_restart_switches(const char *switches);
// true when this player was started by the restart after a fault.
bool restarted_after_fault();

// The restart rule. history: the seconds of the earlier restarts of this chain, blank-separated
// (the variable ZELPLAY_RESTARTS that each restart hands to the next). 1 when another restart
// is allowed at now, with next set to the history to hand on; 0 when the chain stays down.
int restart_allowed(const char *history, uint64_t now, char *next, size_t next_size);
