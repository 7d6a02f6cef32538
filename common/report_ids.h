// Control ids of the report dialogs (the editor's result check, the player's tally); usable from .rc files.
#pragma once
#define IDC_REPORT_TEXT 1901
#define IDC_REPORT_SAVE 1902
#define IDC_REPORT_CHART 1903
#define IDC_REPORT_HTML 1904
