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
};

struct ResultPick {
    int kind;  // ResultPickKind
    int32_t row;  // kPickBand: the row of results
};

ResultRules result_rules(const QuestionFile *file);
// (highest - lowest) / banded rows, the remainder dropped; 0 without banded rows.
int64_t result_band_width(const ResultRules &rules);
// Bands count from a total of 0 upward whatever the lowest total is; a total below 0 takes the
// last row, as 0 does.
ResultPick pick_result(const ResultRules &rules, int64_t total);
// Where a pick stands in the list the operator reads: the top row, the banded rows, `unused` rows
// the player never shows (a row without title and those after it), the bottom row, then the two
// fixed texts (no rows, width 0).
size_t result_list_row(const ResultRules &rules, const ResultPick &pick, size_t unused = 0);
