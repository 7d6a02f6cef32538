// A modal dialog that shows a report as copyable text and saves it as CSV.
#pragma once
#include <windows.h>
#include <string>
#include "report_chart.h"
#include "report_ids.h"

struct ReportContent {
    std::string text;  // Shift-JIS, CR LF
    std::string csv;
    const char *csv_name;  // suggested file name
    // Other buttons of the dialog; may change text and csv, which are shown again. Null: none.
    // Also told of 「CSV で保存」 and 「HTML で保存」 just before they ask for a file.
    void (*command)(HWND dialog, int id, ReportContent *content);
    // Called once the dialog's controls exist, before the report is shown. Null: none.
    void (*init)(HWND dialog, ReportContent *content) = nullptr;
    // Where a resizable dialog (WS_THICKFRAME) keeps its size for the user: a key under
    // HKEY_CURRENT_USER. Null: the size of its resource every time.
    const char *size_key = nullptr;
};

// What a dialog with a chart panel (IDC_REPORT_CHART, owner-drawn) and 「HTML で保存」 shows: the
// document's section charts, and the document itself as the saved HTML. A command of the content
// may change it; the panel is drawn again after every command.
struct ReportCharts {
    ReportDocument document;
    const char *html_name;  // suggested file name
};

INT_PTR run_report_dialog(HWND owner, HINSTANCE instance, int resource, ReportContent *content,
                          ReportCharts *charts = nullptr);
// Writes bytes to path through a temporary file beside it; the old file stays on failure (reported).
bool save_text_file(const char *path, const std::string &bytes);
