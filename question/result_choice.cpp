#include "result_choice.h"
#include <math.h>
#include <stdint.h>
#include <vector>

const char kNoResultsTitle[] = "結果が用意されていません";
const char kZeroWidthTitle[] = "得点が0ポイントしか在り得ない状態です";

ResultRules result_rules(const QuestionFile *f) {
    ResultRules r = {f->highestTotal, f->lowestTotal, f->roundUp != 0, f->topRow.title[0] != 0,
                     f->bottomRow.title[0] != 0, 0, false, f->results, f->typeScoring != 0, f->tieQuestion};
    while (f->results && f->results[r.banded].title[0]) {
        if (f->results[r.banded].ranged) r.ranged = true;
        ++r.banded;
    }
    return r;
}

int64_t result_band_width(const ResultRules &r) {
    // The span may not fit in 32 bits when the totals sit near their limits.
    return r.banded ? (static_cast<int64_t>(r.highest) - r.lowest) / r.banded : 0;
}

int32_t range_row(const ResultRules &r, int64_t total) {
    for (int32_t i = 0; r.ranged && i < r.banded; ++i) {
        const ResultRecord &row = r.results[i];
        if (row.ranged && total >= row.rangeFrom && total <= row.rangeTo) return i;
    }
    return -1;
}

namespace {

int32_t nearest_range_row(const ResultRules &r, int64_t total) {
    const int32_t holding = range_row(r, total);
    if (holding >= 0) return holding;
    int32_t best = 0;
    int64_t distance = INT64_MAX;
    for (int32_t i = 0; i < r.banded; ++i) {
        const ResultRecord &row = r.results[i];
        if (!row.ranged) continue;
        const int64_t d = total < row.rangeFrom ? row.rangeFrom - total : total - row.rangeTo;
        if (d < distance) distance = d, best = i;
    }
    return best;
}

}  // namespace

int32_t type_winner(const int64_t *scores, const int64_t *tie, int32_t rows) {
    int32_t best = 0;
    for (int32_t i = 1; i < rows; ++i)
        if (scores[i] > scores[best] || (scores[i] == scores[best] && tie && tie[i] > tie[best])) best = i;
    return best;
}

ResultPick pick_type_result(const ResultRules &r, const QuestionFile *f, const int32_t *answers, size_t n) {
    if (r.banded == 0) return {kPickNoRows, 0};
    std::vector<int64_t> scores(static_cast<size_t>(r.banded), 0), tie(static_cast<size_t>(r.banded), 0);
    auto add = [&](std::vector<int64_t> &to, const QuestionRecord &q, int32_t answer) {
        if (answer < 1 || answer > kAnswerCount) return;
        for (const TypeLink &l : q.typeLinks[answer - 1]) {
            if (!l.row) break;
            if (l.row <= r.banded) to[static_cast<size_t>(l.row - 1)] += l.points;
        }
    };
    size_t count = 0;
    while (f->questions && f->questions[count].text[0]) ++count;
    for (size_t q = 0; q < n && q < count; ++q) add(scores, f->questions[q], answers[q]);
    const bool tie_rule = r.tie_question > 0 && static_cast<size_t>(r.tie_question) <= n &&
                          static_cast<size_t>(r.tie_question) <= count;
    if (tie_rule) add(tie, f->questions[r.tie_question - 1], answers[r.tie_question - 1]);
    return {kPickBand, type_winner(scores.data(), tie_rule ? tie.data() : nullptr, r.banded)};
}

ResultPick pick_result(const ResultRules &r, int64_t total) {
    if (total == r.highest && r.top_row) return {kPickTopRow, 0};
    if (total == r.lowest && r.bottom_row) return {kPickBottomRow, 0};
    if (r.banded == 0) return {kPickNoRows, 0};
    if (r.ranged) return {kPickBand, nearest_range_row(r, total)};
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

bool band_totals(const ResultRules &r, int32_t row, int64_t *from, int64_t *to) {
    const int64_t w = result_band_width(r);
    if (row < 0 || row >= r.banded || w == 0) return false;
    // The inverse of the band number in pick_result: band v holds the totals that cut, or round
    // up, to v; the lowest band takes everything below, the highest everything above.
    const int64_t v = r.banded - 1 - row;
    int64_t lo = r.round_up ? (v - 1) * w + 1 : v * w, hi = r.round_up ? v * w : (v + 1) * w - 1;
    if (v == 0) lo = r.lowest;
    if (v == r.banded - 1) hi = r.highest;
    if (lo < r.lowest) lo = r.lowest;
    if (hi > r.highest) hi = r.highest;
    *from = lo;
    *to = hi;
    return lo <= hi;
}
