// The result check of a file scored by types: every combination of answers counted exactly, by
// the distinct point vectors reachable after each question (answers of the same effect merged).
#include "result_report.h"
#include "question_codec.h"
#include <string.h>
#include <vector>

extern const char kTypeLimitText[] =
    "タイプ式の確認は、途中で取りうる各結果の点数の組み合わせが 1,000,000 通り（結果の行が 16 行以上のときは "
    "16,777,216 ÷（行数＋1）通り）まで、回答の組み合わせが "
    "18,446,744,073,709,551,615 通りまで、各結果の点数が int32 の範囲内の診断で行えます";

namespace {

// Distinct point vectors held at once: their keys, counts and table take about 100 MB at most.
const size_t kMaxStates = 1000000;
// Their points, in words: with many result rows fewer vectors fit (64 MB, also on 32-bit Windows).
const size_t kMaxKeyWords = 1 << 24;
const int32_t kOut = INT32_MIN;  // a type's points once it can no longer win or tie

// Point vectors with their counts: open addressing over flat keys.
class StateTable {
public:
    explicit StateTable(size_t stride) : stride_(stride), slots_(1024, kEmpty) {}
    // False when one more state would pass kMaxStates.
    bool add(const int32_t *key, uint64_t count, double weight) {
        if ((counts_.size() + 1) * 2 > slots_.size()) grow();
        size_t i = hash(key) & (slots_.size() - 1);
        while (slots_[i] != kEmpty) {
            const uint32_t at = slots_[i];
            if (!memcmp(&keys_[at * stride_], key, stride_ * sizeof(int32_t))) {
                counts_[at] += count;
                weights_[at] += weight;
                return true;
            }
            i = (i + 1) & (slots_.size() - 1);
        }
        if (counts_.size() >= kMaxStates || (counts_.size() + 1) * stride_ > kMaxKeyWords) return false;
        slots_[i] = static_cast<uint32_t>(counts_.size());
        keys_.insert(keys_.end(), key, key + stride_);
        counts_.push_back(count);
        weights_.push_back(weight);
        return true;
    }
    size_t size() const { return counts_.size(); }
    const int32_t *key(size_t i) const { return &keys_[i * stride_]; }
    uint64_t count(size_t i) const { return counts_[i]; }
    double weight(size_t i) const { return weights_[i]; }

private:
    static const uint32_t kEmpty = 0xffffffffu;
    size_t hash(const int32_t *key) const {
        uint64_t h = 1469598103934665603ull;
        for (size_t i = 0; i < stride_; ++i) h = (h ^ static_cast<uint32_t>(key[i])) * 1099511628211ull;
        return static_cast<size_t>(h ^ (h >> 29));
    }
    void grow() {
        std::vector<uint32_t> bigger(slots_.size() * 2, kEmpty);
        for (uint32_t at = 0; at < counts_.size(); ++at) {
            size_t i = hash(&keys_[at * stride_]) & (bigger.size() - 1);
            while (bigger[i] != kEmpty) i = (i + 1) & (bigger.size() - 1);
            bigger[i] = at;
        }
        slots_.swap(bigger);
    }
    size_t stride_;
    std::vector<int32_t> keys_;
    std::vector<uint64_t> counts_;
    std::vector<double> weights_;  // the combinations' chance, when answers have shares
    std::vector<uint32_t> slots_;
};

// An answer's points per row (rows past the list ignored), as one vector.
void effect_of(const QuestionRecord &q, int answer, int32_t rows, int64_t *out) {
    for (int32_t r = 0; r < rows; ++r) out[r] = 0;
    for (const TypeLink &l : q.typeLinks[answer]) {
        if (!l.row) break;
        if (l.row <= rows) out[l.row - 1] += l.points;
    }
}

// Marks the types that can no longer win or tie; a type left alone wins whatever comes, so its
// points are dropped too and such states become one.
void settle(int32_t *key, int32_t types, const int64_t *most, const int64_t *least) {
    int64_t sure = INT64_MIN;
    for (int32_t t = 0; t < types; ++t)
        if (key[t] != kOut && key[t] + least[t] > sure) sure = key[t] + least[t];
    int32_t alive = 0, last = 0;
    for (int32_t t = 0; t < types; ++t) {
        if (key[t] == kOut) continue;
        if (key[t] + most[t] < sure) key[t] = kOut;
        else ++alive, last = t;
    }
    if (alive == 1) key[last] = 0, key[types] = 0;  // key[types]: the tie question's answer
}

}  // namespace

namespace {

// The count, and with shares (per question, each answer's chance) each type's chance in weights.
ResultReport count_types(const QuestionFile *f, size_t listed, const AnswerShares *shares, std::vector<double> *weights) {
    ResultReport r = {};
    r.typed = true;
    r.rules = result_rules(f);
    r.questions = question_file_count(f);
    if (!r.questions) {
        r.status = kReportNoQuestions;
        return r;
    }
    const int32_t types = r.rules.banded;
    const size_t tie = r.rules.tie_question > 0 && static_cast<size_t>(r.rules.tie_question) <= r.questions
                           ? static_cast<size_t>(r.rules.tie_question)
                           : 0;
    const size_t stride = static_cast<size_t>(types) + 1;  // the points, then the tie question's answer
    uint64_t combinations = 1;
    std::vector<int64_t> low(static_cast<size_t>(types), 0), high(static_cast<size_t>(types), 0);
    std::vector<int64_t> effect(static_cast<size_t>(types) * kAnswerCount);
    for (size_t q = 0; q < r.questions; ++q) {
        const QuestionRecord &rec = f->questions[q];
        uint64_t offered = 0;
        std::vector<int64_t> lo(static_cast<size_t>(types), INT64_MAX), hi(static_cast<size_t>(types), INT64_MIN);
        for (int a = 0; a < kAnswerCount; ++a) {
            if (!rec.answers[a][0]) continue;
            ++offered;
            effect_of(rec, a, types, &effect[0]);
            for (int32_t t = 0; t < types; ++t) {
                if (effect[static_cast<size_t>(t)] < lo[static_cast<size_t>(t)]) lo[static_cast<size_t>(t)] = effect[static_cast<size_t>(t)];
                if (effect[static_cast<size_t>(t)] > hi[static_cast<size_t>(t)]) hi[static_cast<size_t>(t)] = effect[static_cast<size_t>(t)];
            }
        }
        if (!offered) {
            r.stuck_question = q + 1;
            r.status = kReportStuck;
            return r;
        }
        if (combinations > UINT64_MAX / offered) {
            r.status = kReportTooWide;
            return r;
        }
        combinations *= offered;
        for (int32_t t = 0; t < types; ++t) {
            low[static_cast<size_t>(t)] += lo[static_cast<size_t>(t)];
            high[static_cast<size_t>(t)] += hi[static_cast<size_t>(t)];
            if (low[static_cast<size_t>(t)] <= INT32_MIN || high[static_cast<size_t>(t)] > INT32_MAX) {
                r.status = kReportTooWide;
                return r;
            }
        }
    }
    r.combinations.limbs = {static_cast<uint32_t>(combinations), static_cast<uint32_t>(combinations >> 32)};

    // What each type can still gain after each question, at most and at least: a type that can no
    // longer reach what another is sure of can neither win nor tie, and its points stop mattering.
    std::vector<int64_t> most((r.questions + 1) * static_cast<size_t>(types), 0), least(most.size(), 0);
    for (size_t q = r.questions; q-- > 0;) {
        const QuestionRecord &rec = f->questions[q];
        for (int32_t t = 0; t < types; ++t) {
            int64_t lo = INT64_MAX, hi = INT64_MIN;
            for (int a = 0; a < kAnswerCount; ++a) {
                if (!rec.answers[a][0]) continue;
                effect_of(rec, a, types, &effect[0]);
                if (effect[static_cast<size_t>(t)] < lo) lo = effect[static_cast<size_t>(t)];
                if (effect[static_cast<size_t>(t)] > hi) hi = effect[static_cast<size_t>(t)];
            }
            most[q * static_cast<size_t>(types) + static_cast<size_t>(t)] = most[(q + 1) * static_cast<size_t>(types) + static_cast<size_t>(t)] + hi;
            least[q * static_cast<size_t>(types) + static_cast<size_t>(t)] = least[(q + 1) * static_cast<size_t>(types) + static_cast<size_t>(t)] + lo;
        }
    }
    StateTable states(stride);
    std::vector<int32_t> key(stride, 0), next_key(stride);
    states.add(key.data(), 1, 1.0);
    for (size_t q = 0; q < r.questions; ++q) {
        const QuestionRecord &rec = f->questions[q];
        // Answers of the same effect go together, save on the tie question, whose answer is kept.
        std::vector<std::vector<int32_t>> kinds;
        std::vector<uint64_t> same;
        std::vector<int32_t> answer_of;
        std::vector<double> chance;
        for (int a = 0; a < kAnswerCount; ++a) {
            if (!rec.answers[a][0]) continue;
            effect_of(rec, a, types, &effect[0]);
            std::vector<int32_t> e(effect.begin(), effect.begin() + types);
            size_t k = 0;
            while (k < kinds.size() && (q + 1 == tie || kinds[k] != e)) ++k;
            if (k == kinds.size()) {
                kinds.push_back(e);
                same.push_back(0);
                answer_of.push_back(a + 1);
                chance.push_back(0.0);
            }
            ++same[k];
            chance[k] += shares && q < shares->size() ? (*shares)[q][static_cast<size_t>(a)] : 0.0;
        }
        StateTable next(stride);
        for (size_t s = 0; s < states.size(); ++s) {
            const int32_t *from = states.key(s);
            for (size_t k = 0; k < kinds.size(); ++k) {
                for (int32_t t = 0; t < types; ++t)
                    next_key[static_cast<size_t>(t)] = from[t] == kOut ? kOut : from[t] + kinds[k][static_cast<size_t>(t)];
                next_key[stride - 1] = q + 1 == tie ? answer_of[k] : from[stride - 1];
                settle(next_key.data(), types, &most[(q + 1) * static_cast<size_t>(types)], &least[(q + 1) * static_cast<size_t>(types)]);
                if (!next.add(next_key.data(), states.count(s) * same[k], states.weight(s) * chance[k])) {
                    r.status = kReportTooWide;
                    return r;
                }
            }
        }
        states = std::move(next);
    }

    // The rows in list order: the top and bottom rows are never picked by types.
    if (r.rules.top_row) r.rows.push_back({kRowTop, f->topRow.title, {}, {}});
    for (int32_t b = 0; b < types; ++b) r.rows.push_back({kRowType, f->results[b].title, {}, {}});
    for (size_t b = static_cast<size_t>(types); b < listed; ++b)
        r.rows.push_back({kRowUnused, f->results[b].title[0] ? f->results[b].title : "（タイトルなし）", {}, {}});
    if (r.rules.bottom_row) r.rows.push_back({kRowBottom, f->bottomRow.title, {}, {}});
    if (!types) {
        r.rows.push_back({kRowFixedText, kNoResultsTitle, {}, r.combinations});
        return r;
    }
    const size_t first = r.rules.top_row ? 1 : 0;
    std::vector<int64_t> scores(static_cast<size_t>(types)), tie_points(static_cast<size_t>(types));
    std::vector<uint64_t> rows(static_cast<size_t>(types), 0);
    if (weights) weights->assign(static_cast<size_t>(types), 0.0);
    uint64_t ties = 0;
    for (size_t s = 0; s < states.size(); ++s) {
        const int32_t *k = states.key(s);
        for (int32_t t = 0; t < types; ++t) scores[static_cast<size_t>(t)] = k[t] == kOut ? INT64_MIN : k[t];
        const bool tie_known = tie && k[stride - 1] > 0;
        if (tie_known) effect_of(f->questions[tie - 1], k[stride - 1] - 1, types, tie_points.data());
        const int32_t win = type_winner(scores.data(), tie_known ? tie_points.data() : nullptr, types);
        rows[static_cast<size_t>(win)] += states.count(s);
        if (weights) (*weights)[static_cast<size_t>(win)] += states.weight(s);
        int shared = 0;
        for (int32_t t = 0; t < types; ++t) shared += scores[static_cast<size_t>(t)] == scores[static_cast<size_t>(win)];
        if (shared > 1) ties += states.count(s);
    }
    for (int32_t t = 0; t < types; ++t) {
        const uint64_t n = rows[static_cast<size_t>(t)];
        if (n) r.rows[first + static_cast<size_t>(t)].count.limbs = {static_cast<uint32_t>(n), static_cast<uint32_t>(n >> 32)};
    }
    r.ties.limbs = {static_cast<uint32_t>(ties), static_cast<uint32_t>(ties >> 32)};
    return r;
}

}  // namespace

ResultReport make_type_report(const QuestionFile *f, size_t listed) { return count_types(f, listed, nullptr, nullptr); }

ResultReport weigh_type_report(const QuestionFile *f, size_t listed, const AnswerShares &shares, std::vector<double> *weights) {
    return count_types(f, listed, &shares, weights);
}
