#include "report_chart.h"
#include "dpi.h"
#include <stdio.h>
#include <string.h>

namespace {

const COLORREF kActualColour = RGB(0x3B, 0x6E, 0xC4);
const COLORREF kPredictedColour = RGB(0xE0, 0x9A, 0x2B);
const COLORREF kAxisColour = RGB(0x99, 0x99, 0x99);
const char kActualFill[] = "#3b6ec4";
const char kPredictedFill[] = "#e09a2b";
// Characters of a bar's label in the HTML chart; the table below it holds the whole title.
const size_t kSvgLabelChars = 18;

std::wstring wide(const std::string &sjis) {
    if (sjis.empty()) return std::wstring();
    int n = MultiByteToWideChar(932, 0, sjis.data(), static_cast<int>(sjis.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(932, 0, sjis.data(), static_cast<int>(sjis.size()), &w[0], n);
    return w;
}

std::string narrow(const std::wstring &w, UINT code_page) {
    if (w.empty()) return std::string();
    int n = WideCharToMultiByte(code_page, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(code_page, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
    return s;
}

std::string utf8(const std::string &sjis) { return narrow(wide(sjis), CP_UTF8); }

// Text for HTML and XML alike: markup characters as references; control characters, which XML
// refuses, as spaces; line breaks as <br/> only where asked.
std::string escaped(const std::string &sjis, bool breaks = false) {
    const std::string text = utf8(sjis);
    std::string out;
    out.reserve(text.size() + 16);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            case '\r':
                if (i + 1 < text.size() && text[i + 1] == '\n') break;  // the \n writes the break
                // fall through
            case '\n': out += breaks ? "<br/>" : " "; break;
            default: out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
        }
    }
    return out;
}

std::string number(double value, const char *pattern = "%.1f") {
    char buffer[48];
    snprintf(buffer, sizeof buffer, pattern, value);
    return buffer;
}

std::string count_text(double count) { return number(count, "%.0f"); }

// The rows' value text beside a bar: the count and share, then the predicted share.
std::string value_text(const ChartGroup &g, size_t i) {
    const ChartRow &r = g.rows[i];
    std::string text;
    if (r.count >= 0) text = count_text(r.count) + " (" + share_percent(chart_share(g, i)) + ")";
    if (r.predicted >= 0) text += (text.empty() ? "予測 " : "  予測 ") + share_percent(r.predicted);
    return text;
}

bool has_actual(const ChartGroup &g) {
    for (const ChartRow &r : g.rows)
        if (r.count >= 0) return true;
    return false;
}

bool has_predicted(const ChartGroup &g) {
    for (const ChartRow &r : g.rows)
        if (r.predicted >= 0) return true;
    return false;
}

struct GdiObject {
    HGDIOBJ object;
    explicit GdiObject(HGDIOBJ o) : object(o) {}
    ~GdiObject() {
        if (object) DeleteObject(object);
    }
    GdiObject(const GdiObject &) = delete;
    GdiObject &operator=(const GdiObject &) = delete;
};

int line_height(HDC dc, HFONT font) {
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm;
    int h = GetTextMetricsA(dc, &tm) ? tm.tmHeight + tm.tmExternalLeading : 16;
    SelectObject(dc, old);
    return h;
}

void fill(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
    GdiObject brush(CreateSolidBrush(colour));
    RECT r = {left, top, right, bottom};
    if (brush.object) FillRect(dc, &r, static_cast<HBRUSH>(brush.object));
}

void text(HDC dc, const std::string &s, int left, int top, int right, int bottom, UINT align) {
    RECT r = {left, top, right, bottom};
    DrawTextA(dc, s.c_str(), static_cast<int>(s.size()), &r,
              align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

}  // namespace

double chart_total(const ChartGroup &g) {
    double total = 0;
    for (const ChartRow &r : g.rows)
        if (r.count > 0) total += r.count;
    return total;
}

double chart_share(const ChartGroup &g, size_t row) {
    const double total = chart_total(g);
    if (row >= g.rows.size() || total <= 0 || g.rows[row].count <= 0) return 0;
    return g.rows[row].count / total;
}

std::string share_percent(double share) {
    if (share > 0 && share < 0.00005) return "0.01%未満";
    // Rare rows keep a second decimal: they are what an operator looks for.
    return number(share * 100.0, share < 0.001 ? "%.2f" : "%.1f") + "%";
}

std::string chart_label(const std::string &title, size_t max_chars) {
    std::wstring w = wide(title);
    bool cut = false;
    const size_t end = w.find_first_of(L"\r\n");
    if (end != std::wstring::npos) {
        w.resize(end);
        cut = true;
    }
    if (max_chars && w.size() > max_chars) {
        w.resize(max_chars - 1);
        cut = true;
    }
    if (cut) w += L'\x2026';
    return narrow(w, 932);
}

double largest_share(const ChartGroup &g) {
    double largest = 0;
    for (size_t i = 0; i < g.rows.size(); ++i) {
        if (chart_share(g, i) > largest) largest = chart_share(g, i);
        if (g.rows[i].predicted > largest) largest = g.rows[i].predicted;
    }
    return largest;
}

double bar_length(double share, double largest, double axis) {
    if (!(share > 0) || !(largest > 0)) return 0;  // also refuses NaN
    const double length = axis * share / largest;
    return length > axis ? axis : length;
}

int charts_height(HDC dc, HFONT font, int dpi, const std::vector<ChartGroup> &groups) {
    const int line = line_height(dc, font), gap = to_dpi(6, dpi);
    int height = 0;
    for (const ChartGroup &g : groups)
        height += line + gap + static_cast<int>(g.rows.size()) * (line + gap) + line;
    return height;
}

void draw_charts(HDC dc, const RECT &area, HFONT font, int dpi, const std::vector<ChartGroup> &groups) {
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    const int line = line_height(dc, font), gap = to_dpi(6, dpi), pad = to_dpi(4, dpi);
    const int width = area.right - area.left;
    const int label_right = area.left + width * 3 / 10;
    const int value_left = area.right - width * 3 / 10;
    const int axis_left = label_right + pad, axis = value_left - pad - axis_left;
    int y = area.top;
    for (const ChartGroup &g : groups) {
        const bool actual = has_actual(g), predicted = has_predicted(g);
        // Two bar colours need their key: on the title's line, where the values stand below.
        const int title_right = actual && predicted ? value_left : area.right;
        text(dc, chart_label(g.title, 0), area.left, y, title_right, y + line, DT_LEFT);
        if (actual && predicted) {
            const int key = line / 2, half = (area.right - value_left) / 2;
            const struct { COLORREF colour; const char *name; } keys[] = {{kActualColour, "実際"}, {kPredictedColour, "予測"}};
            for (int k = 0; k < 2; ++k) {
                const int left = value_left + k * half;
                fill(dc, left, y + key / 2, left + key, y + key / 2 + key, keys[k].colour);
                text(dc, keys[k].name, left + key + pad, y, left + half, y + line, DT_LEFT);
            }
        }
        y += line + gap;
        const double largest = largest_share(g);
        const int top = y;
        for (size_t i = 0; i < g.rows.size(); ++i) {
            const ChartRow &r = g.rows[i];
            text(dc, chart_label(r.title, 0), area.left, y, label_right, y + line, DT_RIGHT);
            // Actual over predicted, each half the row's height when both are shown.
            const int half = (actual && predicted) ? line / 2 : line;
            int bar_top = y;
            if (actual) {
                const int length = axis > 0 ? static_cast<int>(bar_length(chart_share(g, i), largest, axis)) : 0;
                fill(dc, axis_left, bar_top + 1, axis_left + length, bar_top + half - 1, kActualColour);
                bar_top += half;
            }
            if (predicted) {
                const int length = axis > 0 ? static_cast<int>(bar_length(r.predicted, largest, axis)) : 0;
                fill(dc, axis_left, bar_top + 1, axis_left + length, bar_top + half - 1, kPredictedColour);
            }
            text(dc, value_text(g, i), value_left, y, area.right, y + line, DT_LEFT);
            y += line + gap;
        }
        fill(dc, axis_left - 1, top, axis_left, y - gap, kAxisColour);
        y += line;
    }
    RestoreDC(dc, saved);
}

namespace {

void svg_chart(std::string *out, const ChartGroup &g) {
    const int label_width = 250, axis = 250, value_width = 180, row = 24, top = 8;
    const int width = label_width + axis + value_width;
    const bool actual = has_actual(g), predicted = has_predicted(g);
    const double largest = largest_share(g);
    const int height = top * 2 + static_cast<int>(g.rows.size()) * row;
    *out += "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"chart\" viewBox=\"0 0 " + number(width, "%.0f") + " " +
            number(height, "%.0f") + "\" width=\"" + number(width, "%.0f") + "\" height=\"" + number(height, "%.0f") +
            "\">\n";
    const int bar = (actual && predicted) ? 9 : 16;
    for (size_t i = 0; i < g.rows.size(); ++i) {
        const ChartRow &r = g.rows[i];
        const int y = top + static_cast<int>(i) * row;
        *out += "<text x=\"" + number(label_width - 6, "%.0f") + "\" y=\"" + number(y + 16, "%.0f") +
                "\" text-anchor=\"end\">" + escaped(chart_label(r.title, kSvgLabelChars)) + "</text>\n";
        int bar_y = y + (row - bar * ((actual && predicted) ? 2 : 1)) / 2;
        if (actual) {
            *out += "<rect class=\"actual\" x=\"" + number(label_width, "%.0f") + "\" y=\"" + number(bar_y, "%.0f") +
                    "\" width=\"" + number(bar_length(chart_share(g, i), largest, axis), "%.2f") + "\" height=\"" +
                    number(bar, "%.0f") + "\" fill=\"" + kActualFill + "\" data-count=\"" + count_text(r.count) + "\"/>\n";
            bar_y += bar;
        }
        if (predicted)
            *out += "<rect class=\"predicted\" x=\"" + number(label_width, "%.0f") + "\" y=\"" + number(bar_y, "%.0f") +
                    "\" width=\"" + number(bar_length(r.predicted, largest, axis), "%.2f") + "\" height=\"" +
                    number(bar, "%.0f") + "\" fill=\"" + kPredictedFill + "\" data-share=\"" +
                    number(r.predicted, "%.6f") + "\"/>\n";
        *out += "<text x=\"" + number(label_width + axis + 6, "%.0f") + "\" y=\"" + number(y + 16, "%.0f") + "\">" +
                escaped(value_text(g, i)) + "</text>\n";
    }
    *out += "<line x1=\"" + number(label_width, "%.0f") + "\" y1=\"" + number(top, "%.0f") + "\" x2=\"" +
            number(label_width, "%.0f") + "\" y2=\"" + number(height - top, "%.0f") + "\" stroke=\"#999\"/>\n</svg>\n";
    if (actual && predicted)
        *out += "<p class=\"legend\"><span class=\"key actual\"></span>" + escaped("実際") +
                " <span class=\"key predicted\"></span>" + escaped("予測") + "</p>\n";
}

const char kStyle[] =
    "@page{size:A4 portrait;margin:15mm}\n"
    "body{font-family:\"Yu Gothic\",YuGothic,Meiryo,sans-serif;color:#222;max-width:180mm;margin:0 auto;"
    "line-height:1.5}\n"
    "h1{font-size:20pt;margin:0 0 4mm}h2{font-size:14pt;border-bottom:1px solid #999}\n"
    "section+section{break-before:page;page-break-before:always}\n"
    "svg.chart{width:100%;height:auto;font-family:inherit;font-size:12px}\n"
    "table{border-collapse:collapse;width:100%;margin-top:4mm}\n"
    "th,td{border:1px solid #999;padding:1mm 2mm;text-align:left;vertical-align:top;overflow-wrap:anywhere}\n"
    ".legend{font-size:9pt}.key{display:inline-block;width:10px;height:10px;margin:0 4px 0 12px}\n"
    ".key.actual{background:#3b6ec4}.key.predicted{background:#e09a2b}\n"
    ".note{font-size:9pt;color:#555}\n";

}  // namespace

std::string report_html(const ReportDocument &d) {
    std::string out = "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\"/>\n<title>" +
                      escaped(d.title) + "</title>\n<style>\n" + kStyle + "</style>\n</head>\n<body>\n";
    out += "<header>\n<h1>" + escaped(d.title) + "</h1>\n";
    for (const std::string &fact : d.facts) out += "<p>" + escaped(fact, true) + "</p>\n";
    out += "</header>\n";
    for (const ReportSection &s : d.sections) {
        out += "<section>\n<h2>" + escaped(s.heading) + "</h2>\n";
        if (!s.chart.rows.empty()) svg_chart(&out, s.chart);
        if (!s.table.empty()) {
            out += "<table>\n";
            for (size_t r = 0; r < s.table.size(); ++r) {
                out += "<tr>";
                for (const std::string &cell : s.table[r])
                    out += (r ? "<td>" : "<th>") + escaped(cell, true) + (r ? "</td>" : "</th>");
                out += "</tr>\n";
            }
            out += "</table>\n";
        }
        if (!s.note.empty()) out += "<p class=\"note\">" + escaped(s.note, true) + "</p>\n";
        out += "</section>\n";
    }
    return out + "</body>\n</html>\n";
}
