// Writes three HTML reports for the render check: the result check of a question file, a report
// of made-up counts with a hostile title, zero rows, a 256-byte title and a line break, and the
// 集計 of four visits of that file that ended in four different results.
// Usage: report_sample OUT_FOLDER QUESTION_FILE
#include <windows.h>
#include <stdio.h>
#include <string>
#include "QuestionFile.h"
#include "report_chart.h"
#include "log_tally.h"
#include "result_report.h"
#include "visit_log.h"

namespace {

bool write(const std::string &path, const std::string &bytes) {
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

// Counts the check reads back from the bars: the widths must keep their ratios.
ReportDocument hostile_document() {
    ReportDocument d;
    d.title = "<script>alert(1)</script> & \"quiz\"";
    d.facts = {"期間: 2026-12-08", "来場者: 100,004 人"};
    ReportSection s;
    s.heading = "結果 <b>&amp;</b>";
    s.chart.title = s.heading;
    const std::string long_title(256, 'W');
    s.chart.rows = {{"ドラゴン", 0, 0.01}, {"ネコ\r\n二行目", 1, 0.25}, {long_title, 3, 0.24},
                    {"<img src=x onerror=alert(1)>", 100000, 0.5}};
    s.table = {{"結果", "人数"}, {long_title, "3"}, {"ネコ\r\n二行目", "1"}};
    d.sections.push_back(s);
    ReportSection empty;
    empty.heading = "来場者のない日";
    empty.chart.rows = {{"10時", 0, -1}, {"11時", 0, -1}};
    d.sections.push_back(empty);
    return d;
}

// Four visitors at two kiosks, each with another result of the file; the last one's answers are
// all the first, the others' all another one.
ReportDocument tally_sample(const QuestionFile &file) {
    const char *const results[] = {"ライオンタイプ", "イルカタイプ", "ネコタイプ", "のんびりナマケモノ"};
    const int questions = static_cast<int>(question_file_count(&file));
    std::string bytes = visit_header(questions);
    VisitRow v;
    v.set_file = "event.set";
    v.slot = 1;
    v.title = file.title;
    for (int i = 0; i < 4; ++i) {
        v.kiosk = i < 2 ? "受付" : "出口";
        v.start = {2026, 12, 2, 8, static_cast<WORD>(10 + i / 2), static_cast<WORD>(i * 7), 0, 0};
        v.end = v.start;
        v.end.wSecond = 40;
        v.result = results[i];
        v.answers.assign(static_cast<size_t>(questions), VisitAnswer{i == 3 ? 4 : i + 1, 3 - i});
        bytes += visit_row_text(v);
    }
    LogTally tally;
    tally_visits(&tally.visits, bytes.data(), bytes.size());
    const QuestionFile *slots[kTallyFiles] = {&file};
    return tally_document(tally, slots, {"visits-2026-12-08-受付.csv", "visits-2026-12-08-出口.csv"});
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 3) return 2;
    const std::string folder = std::string(argv[1]) + "\\";
    static QuestionFile file;
    if (!load_question_file_into(&file, 0, nullptr, argv[2])) return 3;
    size_t listed = 0;
    while (file.results[listed].title[0]) ++listed;
    const ResultReport report = make_result_report(&file, listed);
    if (!write(folder + "sample_report.html", report_html(result_report_document(report, file.title)))) return 4;
    if (!write(folder + "check_report.html", report_html(hostile_document()))) return 5;
    if (!write(folder + "tally_report.html", report_html(tally_sample(file)))) return 6;
    return 0;
}
