// The "集計" dialog: the tally of the current result log, or of log files the operator chooses.
#pragma once
#include <windows.h>

void show_tally(HWND owner, HINSTANCE instance);
