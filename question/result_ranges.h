// Ranges of totals per result row: the checks a file must pass before it is saved with them, and
// 「均等に分ける」, the contiguous ranges that bring the rows' shares nearest their targets.
#pragma once
#include <stdint.h>
#include <string>
#include <utility>
#include <vector>
#include "result_report.h"

struct RangeCheck {
    std::string refused;    // overlapping ranges or a row without one: not saved as it is
    std::string uncovered;  // totals no range holds and the row each falls to: saved on the author's word
};
// report: the result check of the same file (its reachable totals); when it could not count,
// every total from the lowest to the highest is taken as reachable.
RangeCheck check_ranges(const QuestionFile *file, const ResultReport &report);

struct SplitPlan {
    bool ok;             // false: fewer reachable totals than banded rows, or no count
    std::string reason;  // why not, when not ok
    // Per banded row, in list order (the first row takes the highest totals).
    std::vector<std::pair<int64_t, int64_t>> ranges;
    std::vector<double> target, before, after;  // shares of all combinations
    double worst;        // the largest |after - target|: the smallest any contiguous split reaches
};
// Why a file scored by types has nothing to split: its rows are picked by type points, not totals.
extern const char kTypedSplitRefusal[];
// targets: per banded row the wanted share of all combinations, a negative one for "an even part
// of what the given ones and the top and bottom rows leave". Exact: the largest deviation is
// minimised over every contiguous split (a search on the deviation, each step a linear pass).
SplitPlan even_split(const ResultReport &report, const std::vector<double> &targets);
// The author's targets as typed: percentages from the first banded row down, separated by commas
// ("5,,30"); an empty or missing one is -1 (an even part). False, with the reason, when a field is
// no number from 0 to 100, there are more than rows, or they add up past 100.
bool parse_target_shares(const std::string &text, size_t rows, std::vector<double> *targets, std::string *error);
// The before and after shares side by side, and how close the aim came; Shift-JIS, CR LF.
std::string split_plan_text(const SplitPlan &plan, const std::vector<std::string> &titles);
