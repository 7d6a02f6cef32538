// A modal dialog that shows a report as copyable text and saves it as CSV.
#pragma once
#include <windows.h>
#include <string>
#include "report_ids.h"

struct ReportContent {
    std::string text;  // Shift-JIS, CR LF
    std::string csv;
    const char *csv_name;  // suggested file name
    // Other buttons of the dialog; may change text and csv, which are shown again. Null: none.
    void (*command)(HWND dialog, int id, ReportContent *content);
};

INT_PTR run_report_dialog(HWND owner, HINSTANCE instance, int resource, ReportContent *content);
// Writes bytes to path through a temporary file beside it; the old file stays on failure (reported).
bool save_text_file(const char *path, const std::string &bytes);
