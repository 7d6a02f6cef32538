// The editor's result check: for each result row, the totals that lead to it and how many answer
// combinations reach it, counted exactly (a count per total, question by question).
#pragma once
#include <stdint.h>
#include <array>
#include <string>
#include <utility>
#include <vector>
#include "QuestionFile.h"
#include "report_chart.h"
#include "result_choice.h"

// A non-negative integer of any size, least significant 32 bits first.
struct BigCount {
    std::vector<uint32_t> limbs;
};
std::string big_decimal(const BigCount &count);
// part / whole as a double (0 when whole is 0).
double big_ratio(const BigCount &part, const BigCount &whole);

enum ReportStatus {
    kReportOk = 0,
    kReportNoQuestions = 1,  // nothing for the player to ask
    kReportStuck = 2,        // a question without any answer: no visitor gets past it
    kReportTooWide = 3,      // more totals, or longer counts, than memory and about a second allow
};

enum ReportRowKind { kRowTop = 0, kRowBand = 1, kRowBottom = 2, kRowFixedText = 3, kRowUnused = 4, kRowRange = 5, kRowType = 6 };

struct ReportRow {
    int kind;  // ReportRowKind
    std::string title;
    std::vector<std::pair<int64_t, int64_t>> ranges;  // reachable totals that lead here, ascending
    BigCount count;
};

// Reachable totals that no row's range holds, and the row (list order) they fall to.
struct UncoveredRun {
    int64_t from, to;
    size_t row;
};

struct ResultReport {
    int status;
    size_t questions;
    size_t stuck_question;  // 1-based, with kReportStuck
    BigCount combinations;
    ResultRules rules;
    int64_t band_width;
    int64_t min_total, max_total;  // reachable
    std::vector<ReportRow> rows;   // list order; then any fixed text a visitor would see
    std::vector<UncoveredRun> uncovered;  // only when the rows give ranges
    // Each reachable total with its share of all combinations, ascending.
    std::vector<std::pair<int64_t, double>> shares;
    bool typed;       // rows picked by type points: rows carry counts, no totals
    BigCount ties;    // typed: combinations whose highest points two or more rows share
};

// Type scoring counted exactly (type_report.cpp): the limits it keeps to, for the refusal.
extern const char kTypeLimitText[];
ResultReport make_type_report(const QuestionFile *file, size_t listed);
// The same count, with each type's chance in weights (by type, the banded rows' order) when question
// q's answer a is chosen with chance shares[q][a] and the questions are independent. Refused as
// make_type_report refuses (weights then empty).
typedef std::vector<std::array<double, kAnswerCount>> AnswerShares;
ResultReport weigh_type_report(const QuestionFile *file, size_t listed, const AnswerShares &shares, std::vector<double> *weights);
// Whether any combination leads to the row.
bool report_row_reached(const ReportRow &row);

// The note under every predicted share: what the prediction assumes.
extern const char kPredictionNote[];

// listed: the result rows the file has besides its top and bottom rows, counting a row without
// title and those after it, which the player never shows (0: only the banded rows are known).
ResultReport make_result_report(const QuestionFile *file, size_t listed = 0);
// Shift-JIS text with CR LF line ends, for the report box.
std::string result_report_text(const ResultReport &report);
// One row per result row, with a header row; Shift-JIS, CR LF.
std::string result_report_csv(const ResultReport &report);
// The cells of that CSV, header first: the table of the HTML report too.
std::vector<std::vector<std::string>> result_report_table(const ResultReport &report);
// The prediction as a report: each result row's share of all answer combinations, charted.
ReportDocument result_report_document(const ResultReport &report, const char *file_title);
// A CSV cell: quoted when it holds a comma, a quote or a line break.
std::string csv_cell(const std::string &text);
