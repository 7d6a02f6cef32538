#include "result_choice.h"
#include <math.h>

const char kNoResultsTitle[] = "結果が用意されていません";
const char kZeroWidthTitle[] = "得点が0ポイントしか在り得ない状態です";

ResultRules result_rules(const QuestionFile *f) {
    ResultRules r = {f->highestTotal, f->lowestTotal, f->roundUp != 0, f->topRow.title[0] != 0,
                     f->bottomRow.title[0] != 0, 0};
    while (f->results && f->results[r.banded].title[0]) ++r.banded;
    return r;
}

int64_t result_band_width(const ResultRules &r) {
    // The span may not fit in 32 bits when the totals sit near their limits.
    return r.banded ? (static_cast<int64_t>(r.highest) - r.lowest) / r.banded : 0;
}

ResultPick pick_result(const ResultRules &r, int64_t total) {
    if (total == r.highest && r.top_row) return {kPickTopRow, 0};
    if (total == r.lowest && r.bottom_row) return {kPickBottomRow, 0};
    if (r.banded == 0) return {kPickNoRows, 0};
    const int64_t w = result_band_width(r);
    if (w == 0) return {kPickZeroWidth, 0};
    double v = static_cast<double>(total) / static_cast<double>(w);
    v = r.round_up ? ceil(v) : trunc(v);
    if (v < 0) v = 0;
    if (v > r.banded - 1) v = r.banded - 1;
    return {kPickBand, r.banded - 1 - static_cast<int32_t>(v)};
}

size_t result_list_row(const ResultRules &r, const ResultPick &pick, size_t unused) {
    const size_t top = r.top_row ? 1 : 0, bottom = top + static_cast<size_t>(r.banded) + unused;
    const size_t fixed = bottom + (r.bottom_row ? 1 : 0);
    switch (pick.kind) {
        case kPickTopRow: return 0;
        case kPickBand: return top + static_cast<size_t>(pick.row);
        case kPickBottomRow: return bottom;
        case kPickNoRows: return fixed;
        default: return fixed + 1;
    }
}
