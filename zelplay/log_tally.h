// The operator's tally of result logs: finished diagnoses, idle returns, the answers chosen, the
// totals and the result rows they lead to, one column per log day (or log file); and of visit logs:
// visitors, how their visits ended, their median time, results and answers per day, kiosk and hour.
#pragma once
#include <stdint.h>
#include <array>
#include <map>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>
#include "QuestionFile.h"
#include "report_chart.h"
#include "visit_log.h"

enum { kTallyFiles = 5 };

struct TallyColumn {
    std::string label;
    uint64_t lines = 0, unreadable = 0, idle = 0;
    uint64_t finished[kTallyFiles] = {};
    std::map<int64_t, std::array<uint64_t, kAnswerCount>> answers[kTallyFiles];  // [file][question][answer - 1]
    std::map<int64_t, uint64_t> totals[kTallyFiles];
};

// The visits of one day, kiosk or hour. Quizzes and results are numbered in VisitTally.
struct VisitGroup {
    uint64_t visitors = 0, endings[kVisitEndings] = {};
    std::vector<uint32_t> seconds;  // of completed visits
    std::vector<uint64_t> results;  // [result number]
    std::vector<std::vector<std::array<uint64_t, kAnswerCount>>> answers;  // [quiz][question - 1][answer - 1]
};

// Which visits are counted: a period of whole hours and a choice of kiosks.
struct VisitFilter {
    std::string from, to;             // "YYYY-MM-DD HH", both hours included; empty: open
    std::set<std::string> kiosks;     // empty: every kiosk
    bool takes(const std::string &date, const std::string &start, const std::string &kiosk) const;
    bool any() const { return !from.empty() || !to.empty() || !kiosks.empty(); }
    // The period and kiosks in words, for the report ("" with no filter).
    std::string text() const;
};

// The operator's "2026-12-08", "2026/12/8 10" as a filter end "YYYY-MM-DD HH" (a day alone: its
// first hour, or its last as the end of a period); empty stays empty. false when it is no such date.
bool parse_filter_hour(const std::string &text, bool period_end, std::string *out);

struct VisitTally {
    VisitFilter filter;
    uint64_t rows = 0, skipped = 0, duplicates = 0, left_out = 0;  // left_out: outside the filter
    std::set<std::string> all_kiosks;  // every kiosk the logs name, counted or not
    // Answer texts the logs' headers name: [quiz title][(question, answer)].
    std::map<std::string, std::map<std::pair<int, int>, std::string>> answer_texts;
    std::unordered_set<std::string> seen;  // kiosk, date and start of each visit counted
    std::map<std::string, VisitGroup> days, kiosks;
    VisitGroup hours[24];
    std::vector<std::string> quizzes;                    // titles by quiz number
    std::map<std::string, int> quiz_numbers;
    std::vector<std::pair<int, std::string>> results;  // quiz number and result title by result number
    std::map<std::pair<int, std::string>, int> result_numbers;
    VisitGroup all;
};

struct LogTally {
    std::vector<TallyColumn> columns;
    VisitTally visits;
};

typedef std::vector<std::vector<std::string>> Table;

// Column label of a log: the day of a daily log ("12月08日" for zelm1208.csv, "2025年12月08日" for
// zelm20251208.csv), else its file name.
std::string log_column_label(const char *path);
// Adds a log's bytes to the column of that label. Lines that are not the player's (another file,
// a cut line) are counted as unreadable and skipped.
void tally_log(LogTally *tally, const std::string &label, const char *bytes, size_t size);
// Adds a visit log's bytes: rows of another layout and cut rows are counted and skipped, a visit
// already counted (the same kiosk, date and start) is counted once. false when bytes are not a visit log.
bool tally_visits(VisitTally *tally, const char *bytes, size_t size);
// A log larger than this is not one the player wrote in a season, and reading it whole (twice,
// when it is UTF-8) could take a 32-bit player's memory.
const long long kTallyMaxBytes = 64LL << 20;
// false when the file cannot be read, or is larger than kTallyMaxBytes (then too_large, when given,
// is set). A log saved again as UTF-8 is read as its text. A visit log goes to the visit tally, any
// other file to the answer-log columns.
bool tally_log_file(LogTally *tally, const char *path, bool *too_large = nullptr);
// The tally as a table, header row first; the result rows are recomputed from the totals with the
// rules of the question file loaded in each position (slots: kTallyFiles entries, any may be null).
// Visit logs follow in three parts (per day, per kiosk, per hour), their results as recorded. With
// shares, the counts of answers, totals, results and visits are followed by their share in % of the
// answers to that question, the finished diagnoses or visits, the visitors (for reading; the CSV
// keeps bare counts).
Table tally_table(const LogTally &tally, const QuestionFile *const *slots, bool shares = false);
// The text view's list of files: those counted under 集計したファイル, the others under
// 読めなかったファイル, one line each.
std::string tally_files_text(const std::vector<std::string> &counted, const std::vector<std::string> &unread);
// Lines padded into columns (for a fixed-pitch font) for the report box; CSV for saving. Both Shift-JIS with CR LF.
std::string table_text(const Table &table);
std::string table_csv(const Table &table);
// The days' visitors as chart rows: per day up to 31 days, per week (from Monday) up to half a
// year, else per month. Returns the chart's title.
std::string visitors_by_period(const std::map<std::string, VisitGroup> &days, std::vector<ChartRow> *rows);
// The tally as a report to print or mail: the period, kiosks and files read, visitors and completion;
// per quiz of the visit logs its results (actual shares among finished visits, and predicted shares
// when a question file of that title is loaded), a chart per question, visitors per hour and per day;
// then the whole table. Aggregated: its size does not grow with the visits.
ReportDocument tally_document(const LogTally &tally, const QuestionFile *const *slots, const std::vector<std::string> &files);
