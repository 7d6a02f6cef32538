// How a total picks what the result screen shows. The run engine, the editor's result check and
// the player's log tally all ask here, so they cannot tell different stories.
#pragma once
#include <stdint.h>
#include "QuestionFile.h"

enum ResultPickKind {
    kPickTopRow = 0,     // the total is the highest total and the top row has a title
    kPickBottomRow = 1,  // the lowest total, with a titled bottom row
    kPickBand = 2,       // results[row]
    kPickNoRows = 3,     // "結果が用意されていません": no banded rows
    kPickZeroWidth = 4,  // "得点が0ポイントしか在り得ない状態です": the band width is 0
};

extern const char kNoResultsTitle[];
extern const char kZeroWidthTitle[];

struct ResultRules {
    int32_t highest, lowest;
    bool round_up;
    bool top_row, bottom_row;  // present with a title
    int32_t banded;            // rows before the first row without title
    // Some banded row gives its own range: then ranges, not equal bands, pick the row.
    bool ranged;
    const ResultRecord *results;  // the banded rows, for their ranges
    // Type scoring: the banded rows are the types; the top and bottom rows and ranges are not used.
    bool typed;
    int32_t tie_question;  // counted from 1, 0 for none
};

struct ResultPick {
    int kind;  // ResultPickKind
    int32_t row;  // kPickBand: the row of results
};

ResultRules result_rules(const QuestionFile *file);
// (highest - lowest) / banded rows, the remainder dropped; 0 without banded rows.
int64_t result_band_width(const ResultRules &rules);
// Bands count from a total of 0 upward whatever the lowest total is; a total below 0 takes the
// last row, as 0 does. With ranges, the first row whose range holds the total; a total no range
// holds falls to the nearest range (the earlier row of two as near), rows without a range never
// show; the top and bottom rows come first either way.
ResultPick pick_result(const ResultRules &rules, int64_t total);
// The banded row whose range holds total, -1 when none does (or the rules have no ranges).
int32_t range_row(const ResultRules &rules, int64_t total);
// The totals from..to (within lowest..highest) that the equal bands give banded row `row`;
// false when they give it none.
bool band_totals(const ResultRules &rules, int32_t row, int64_t *from, int64_t *to);

// Type scoring, the one rule: the row with the most points; of rows as high, the one the tie
// points (what the tie question's answer gave, null for none) put highest; then the earlier row.
int32_t type_winner(const int64_t *scores, const int64_t *tie_points, int32_t rows);
// The pick of a typed file for the answers chosen: answers[q] is the answer (1 to 5) of question
// q + 1, 0 for none. kPickNoRows without banded rows.
ResultPick pick_type_result(const ResultRules &rules, const QuestionFile *file, const int32_t *answers, size_t n);

// Where a pick stands in the list the operator reads: the top row, the banded rows, `unused` rows
// the player never shows (a row without title and those after it), the bottom row, then the two
// fixed texts (no rows, width 0).
size_t result_list_row(const ResultRules &rules, const ResultPick &pick, size_t unused = 0);
