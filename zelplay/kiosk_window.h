// The 「キオスクの状態」 window: every kiosk's status file in the log folder, one row each, red
// when silent, waiting, in trouble or named twice; and this computer's own kiosk name.
#pragma once
#include <windows.h>
#include <string>

void show_kiosk_status(HWND owner, HINSTANCE instance);
// This computer's kiosk name kept in %LOCALAPPDATA%\Zelmica (the player's setting); "" when none.
std::string stored_pc_kiosk_name();
// Asks staff for this computer's kiosk name and keeps it; an empty answer removes it.
void ask_pc_kiosk_name(HWND owner);
