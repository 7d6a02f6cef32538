// Charts of a report from aggregated counts: drawn with GDI in a dialog, and written as one
// self-contained HTML file (inline SVG and CSS, no script) to print or mail.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// One bar: a titled row with its actual count and/or its predicted share. Texts are Shift-JIS.
struct ChartRow {
    std::string title;  // may be long or hold line breaks: cut in charts, whole in tables
    double count;       // actual count; negative: none
    double predicted;   // predicted share, 0 to 1; negative: none
};

// A chart: one group of bars (the result rows, the answers of a question, visitors per hour).
struct ChartGroup {
    std::string title;
    std::vector<ChartRow> rows;
};

// A section of the HTML report: a heading, its chart (none without rows), a table whose first
// row is the header, and a note under it.
struct ReportSection {
    std::string heading;
    ChartGroup chart;
    std::vector<std::vector<std::string>> table;
    std::string note;
};

struct ReportDocument {
    std::string title;
    std::vector<std::string> facts;  // lines under the title: period, files read, visitors
    std::vector<ReportSection> sections;
};

// Sum of the actual counts (0 with none).
double chart_total(const ChartGroup &group);
// A row's actual share of its group, 0 to 1 (0 when the total is 0 or the row has no count).
double chart_share(const ChartGroup &group, size_t row);
// "25.0%", "0.02%" below 0.1 %; shares below 0.005 % but above 0 read "0.01%未満".
std::string share_percent(double share);
// The first line of a title, at most max_chars characters, with "…" where anything was cut.
std::string chart_label(const std::string &title, size_t max_chars);
// A bar's length on an axis of `axis` units: share over the group's largest share, never past it.
double bar_length(double share, double largest, double axis);
// The largest share (actual or predicted) of a group's rows, 0 with none.
double largest_share(const ChartGroup &group);

// Height in pixels that draw_charts needs for groups at dpi with the given font.
int charts_height(HDC dc, HFONT font, int dpi, const std::vector<ChartGroup> &groups);
// Draws the groups from the top of area down, clipped to it.
void draw_charts(HDC dc, const RECT &area, HFONT font, int dpi, const std::vector<ChartGroup> &groups);

// The whole report as UTF-8 HTML; every text from the document is escaped.
std::string report_html(const ReportDocument &document);
