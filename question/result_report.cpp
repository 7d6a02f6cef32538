#include "result_report.h"
#include <math.h>
#include <stdio.h>
#include <string.h>

extern const char kPredictionNote[] = "予測割合は、どの設問でも、どの回答も同じ確率で選ばれるとして数えた割合です";

namespace {

// Beyond this many distinct totals the check would need more memory than a kiosk PC spares.
const int64_t kMaxTotals = 1 << 21;
// Words of one array of counts (two are held while a question is counted): 32 MB each.
const uint64_t kMaxWords = 1 << 23;
// Word operations a kiosk PC does in about a second; more and the editor would seem to hang.
const uint64_t kMaxWork = 400000000;

// dst (dst_limbs wide) += src (src_limbs wide) * m; gives the words of dst the sum reached.
size_t multiply_add(uint32_t *dst, size_t dst_limbs, const uint32_t *src, size_t src_limbs, uint32_t m) {
    uint64_t carry = 0;
    size_t i = 0;
    for (; i < src_limbs; ++i) {
        uint64_t v = dst[i] + static_cast<uint64_t>(src[i]) * m + carry;
        dst[i] = static_cast<uint32_t>(v);
        carry = v >> 32;
    }
    for (; carry && i < dst_limbs; ++i) {
        uint64_t v = dst[i] + carry;
        dst[i] = static_cast<uint32_t>(v);
        carry = v >> 32;
    }
    return i;
}

void add_to(BigCount *sum, const uint32_t *src, size_t limbs) {
    if (sum->limbs.size() < limbs + 1) sum->limbs.resize(limbs + 1, 0);
    multiply_add(sum->limbs.data(), sum->limbs.size(), src, limbs, 1);
}

bool is_zero(const uint32_t *p, size_t limbs) {
    for (size_t i = 0; i < limbs; ++i)
        if (p[i]) return false;
    return true;
}

size_t top_limb(const BigCount &c) {
    size_t n = c.limbs.size();
    while (n && !c.limbs[n - 1]) --n;
    return n;  // one past the highest non-zero limb; 0 for zero
}

std::string format(const char *pattern, long long a, long long b = 0) {
    char buffer[96];
    snprintf(buffer, sizeof buffer, pattern, a, b);
    return buffer;
}

std::string ranges_text(const ReportRow &row) {
    std::string text;
    for (const auto &r : row.ranges) {
        if (!text.empty()) text += "、";
        text += r.first == r.second ? format("%lld", r.first) : format("%lld〜%lld", r.first, r.second);
    }
    return text;
}

std::string share_text(const BigCount &count, const BigCount &whole) {
    double share = big_ratio(count, whole) * 100.0;
    if (share > 0 && share < 0.005) return "0.01%未満";
    char buffer[32];
    snprintf(buffer, sizeof buffer, "%.2f%%", share);
    return buffer;
}

const char *kind_text(int kind) {
    switch (kind) {
        case kRowTop: return "先頭の行（最高得点時のみ）";
        case kRowBottom: return "末尾の行（最低得点時のみ）";
        case kRowFixedText: return "固定の文";
        case kRowUnused: return "タイトルのない行とその後の行（使われません）";
        case kRowRange: return "得点の範囲で決まる行";
        case kRowType: return "タイプの点数で決まる行";
        default: return "得点の幅で決まる行";
    }
}

}  // namespace

std::string big_decimal(const BigCount &count) {
    std::vector<uint32_t> n(count.limbs.begin(), count.limbs.begin() + top_limb(count));
    if (n.empty()) return "0";
    std::vector<uint32_t> groups;  // nine decimal digits each, lowest first
    while (!n.empty()) {
        uint64_t rest = 0;
        for (size_t i = n.size(); i-- > 0;) {
            uint64_t v = (rest << 32) | n[i];
            n[i] = static_cast<uint32_t>(v / 1000000000u);
            rest = v % 1000000000u;
        }
        groups.push_back(static_cast<uint32_t>(rest));
        while (!n.empty() && !n.back()) n.pop_back();
    }
    std::string text = format("%lld", groups.back());
    for (size_t i = groups.size() - 1; i-- > 0;) text += format("%09lld", groups[i]);
    return text;
}

double big_ratio(const BigCount &part, const BigCount &whole) {
    size_t top = top_limb(whole);
    if (!top) return 0;
    // The highest three limbs carry more precision than a double holds.
    double p = 0, w = 0;
    for (size_t i = top; i-- > 0 && i + 3 >= top;) {
        p = p * 4294967296.0 + (i < part.limbs.size() ? part.limbs[i] : 0);
        w = w * 4294967296.0 + whole.limbs[i];
    }
    return p / w;
}

namespace {

// The points a question's offered answers give: each distinct value once, with how many answers give it.
struct Offer {
    int32_t points[kAnswerCount];
    uint32_t same[kAnswerCount];
    int kinds, offered;
    int64_t low, high;
};

Offer offer_of(const QuestionRecord &rec) {
    Offer o = {};
    for (int a = 0; a < kAnswerCount; ++a) {
        if (!rec.answers[a][0]) continue;  // the player offers only answers with a text
        ++o.offered;
        int k = 0;
        while (k < o.kinds && o.points[k] != rec.points[a]) ++k;
        if (k == o.kinds) {
            o.points[o.kinds] = rec.points[a];
            o.same[o.kinds++] = 0;
        }
        ++o.same[k];
    }
    o.low = o.high = o.kinds ? o.points[0] : 0;
    for (int k = 1; k < o.kinds; ++k) {
        if (o.points[k] < o.low) o.low = o.points[k];
        if (o.points[k] > o.high) o.high = o.points[k];
    }
    return o;
}

// a * b added to *sum, false when the product or the sum would pass cap (no wrap on any width).
bool add_product(uint64_t a, uint64_t b, uint64_t cap, uint64_t *sum) {
    if (a && b > cap / a) return false;
    if (a * b > cap - *sum) return false;
    *sum += a * b;
    return true;
}

// What the counting below costs, found before it starts from the spans and the size of the
// combinations: the words of one array of counts, and the word operations of all questions.
// kReportOk, or the status that stops the check.
int estimate_work(const QuestionFile *f, size_t questions, size_t *stuck) {
    int64_t lo = 0, hi = 0;
    double bits = 0;
    uint64_t work = 0;
    for (size_t q = 0; q < questions; ++q) {
        const Offer o = offer_of(f->questions[q]);
        if (!o.offered) {
            *stuck = q + 1;
            return kReportStuck;
        }
        const int64_t next_span = hi + o.high - (lo + o.low) + 1;
        if (next_span > kMaxTotals) return kReportTooWide;
        bits += log2(static_cast<double>(o.offered));
        const uint64_t words = static_cast<uint64_t>(bits / 32) + 2;  // a word to spare for rounding
        uint64_t cells = 0, step = 0;
        if (!add_product(static_cast<uint64_t>(next_span), words, kMaxWords, &cells) ||
            !add_product(cells, static_cast<uint64_t>(o.kinds), kMaxWork, &step) || !add_product(step, 1, kMaxWork, &work))
            return kReportTooWide;
        lo += o.low;
        hi += o.high;
    }
    return kReportOk;
}

}  // namespace

bool report_row_reached(const ReportRow &row) { return !row.ranges.empty() || top_limb(row.count) > 0; }

ResultReport make_result_report(const QuestionFile *f, size_t listed) {
    if (f->typeScoring) return make_type_report(f, listed);
    ResultReport r = {};
    r.rules = result_rules(f);
    r.band_width = result_band_width(r.rules);
    r.questions = question_file_count(f);
    if (!r.questions) {
        r.status = kReportNoQuestions;
        return r;
    }
    r.status = estimate_work(f, r.questions, &r.stuck_question);
    if (r.status != kReportOk) return r;
    // Counts per total, lo upward: one slice of `limbs` 32-bit words each, of which used[t] count
    // (the counts near the ends stay small: only their own words are worked on).
    int64_t lo = 0, hi = 0;
    size_t limbs = 1;
    std::vector<uint32_t> counts(1, 1), next;
    std::vector<uint32_t> used(1, 1), next_used;
    r.combinations.limbs.assign(1, 1);
    for (size_t q = 0; q < r.questions; ++q) {
        const Offer o = offer_of(f->questions[q]);
        const int32_t *points = o.points;
        const uint32_t *same = o.same;
        const int kinds = o.kinds, offered = o.offered;
        const int64_t low = o.low, high = o.high;
        // No count can pass the number of combinations: its words bound every slice.
        BigCount times = r.combinations;
        r.combinations.limbs.assign(times.limbs.size() + 1, 0);
        multiply_add(r.combinations.limbs.data(), r.combinations.limbs.size(), times.limbs.data(), times.limbs.size(),
                     static_cast<uint32_t>(offered));
        r.combinations.limbs.resize(top_limb(r.combinations));
        const size_t wide = r.combinations.limbs.size();
        const int64_t span = hi - lo + 1, next_span = span + high - low;
        next.assign(static_cast<size_t>(next_span) * wide, 0);
        next_used.assign(static_cast<size_t>(next_span), 0);
        // Each new count is the sum of the old ones its answers come from, formed word by word in
        // one pass: at most five terms below 2^35, so one 64-bit sum holds them and the carry.
        for (int64_t t = 0; t < next_span; ++t) {
            const uint32_t *from[kAnswerCount];
            uint32_t times[kAnswerCount], n = 0;
            int terms = 0;
            for (int k = 0; k < kinds; ++k) {
                const int64_t old = t - (points[k] - low);
                if (old < 0 || old >= span || !used[static_cast<size_t>(old)]) continue;
                from[terms] = &counts[static_cast<size_t>(old) * limbs];
                times[terms++] = same[k];
                if (used[static_cast<size_t>(old)] > n) n = used[static_cast<size_t>(old)];
            }
            if (!terms) continue;
            uint32_t *dst = &next[static_cast<size_t>(t) * wide];
            uint64_t carry = 0;
            for (uint32_t i = 0; i < n; ++i) {
                uint64_t sum = carry;
                for (int k = 0; k < terms; ++k) sum += static_cast<uint64_t>(from[k][i]) * times[k];
                dst[i] = static_cast<uint32_t>(sum);
                carry = sum >> 32;
            }
            if (carry && n < wide) dst[n++] = static_cast<uint32_t>(carry);
            next_used[static_cast<size_t>(t)] = n;
        }
        counts.swap(next);
        used.swap(next_used);
        limbs = wide;
        lo += low;
        hi += high;
    }
    r.min_total = lo;
    r.max_total = hi;

    // The rows in list order, then the fixed texts, kept only where the arithmetic leads to them.
    if (r.rules.top_row) r.rows.push_back({kRowTop, f->topRow.title, {}, {}});
    for (int32_t b = 0; b < r.rules.banded; ++b)
        r.rows.push_back({r.rules.ranged ? kRowRange : kRowBand, f->results[b].title, {}, {}});
    const size_t unused = listed > static_cast<size_t>(r.rules.banded) ? listed - static_cast<size_t>(r.rules.banded) : 0;
    for (size_t b = static_cast<size_t>(r.rules.banded); b < listed; ++b)
        r.rows.push_back({kRowUnused, f->results[b].title[0] ? f->results[b].title : "（タイトルなし）", {}, {}});
    if (r.rules.bottom_row) r.rows.push_back({kRowBottom, f->bottomRow.title, {}, {}});
    r.rows.push_back({kRowFixedText, kNoResultsTitle, {}, {}});
    r.rows.push_back({kRowFixedText, kZeroWidthTitle, {}, {}});
    size_t last_row = r.rows.size();
    int64_t last_uncovered = 0;
    for (int64_t t = 0; t <= hi - lo; ++t) {
        const uint32_t *count = &counts[static_cast<size_t>(t) * limbs];
        if (!used[static_cast<size_t>(t)] || is_zero(count, limbs)) continue;
        const int64_t total = lo + t;
        const ResultPick pick = pick_result(r.rules, total);
        const size_t row = result_list_row(r.rules, pick, unused);
        ReportRow &target = r.rows[row];
        if (pick.kind == kPickBand && r.rules.ranged && range_row(r.rules, total) < 0) {
            if (!r.uncovered.empty() && r.uncovered.back().row == row && r.uncovered.back().to == last_uncovered)
                r.uncovered.back().to = total;
            else r.uncovered.push_back({total, total, row});
            last_uncovered = total;
        }
        BigCount one;
        one.limbs.assign(count, count + limbs);
        r.shares.push_back({total, big_ratio(one, r.combinations)});
        // Neighbouring reachable totals that lead to the same row make one range.
        if (row == last_row) target.ranges.back().second = total;
        else target.ranges.push_back({total, total});
        last_row = row;
        add_to(&target.count, count, limbs);
    }
    for (size_t i = r.rows.size(); i-- > 0 && r.rows[i].kind == kRowFixedText;)
        if (r.rows[i].ranges.empty()) r.rows.erase(r.rows.begin() + static_cast<long>(i));
    return r;
}

std::string result_report_text(const ResultReport &r) {
    std::string t;
    if (r.status == kReportNoQuestions) return "設問がありません。\r\n";
    if (r.status == kReportStuck)
        return format("設問%lld に回答が1つもないため、その先へ進めず、どの結果も表示されません。\r\n",
                      static_cast<long long>(r.stuck_question));
    if (r.status == kReportTooWide && r.typed) return std::string("組み合わせが多すぎるため、確認できません。") + kTypeLimitText + "。\r\n";
    if (r.status == kReportTooWide) return "得点合計の取りうる値が多すぎるため、確認できません。\r\n";
    t += format("設問数: %lld\r\n", static_cast<long long>(r.questions));
    t += "回答の組み合わせ: " + big_decimal(r.combinations) + " 通り\r\n";
    t += std::string("（") + kPredictionNote + "）\r\n";
    if (r.typed) {
        t += "採点: タイプ式（点数の最も多い結果。同点のときは ";
        t += r.rules.tie_question ? format("設問%lld の回答がより多く点を与えた結果、それも同じなら", r.rules.tie_question) : std::string();
        t += "結果の一覧で上の行）\r\n";
        t += "同点で決まった組み合わせ: " + big_decimal(r.ties) + " 通り（" + share_text(r.ties, r.combinations) + "）\r\n";
    } else {
    t += format("実際に取りうる得点合計: %lld〜%lld\r\n", r.min_total, r.max_total);
    t += format("最高得点: %lld　最低得点: %lld", r.rules.highest, r.rules.lowest);
    t += r.rules.ranged ? std::string("　結果: 行ごとの得点の範囲で選ぶ") : format("　得点の幅: %lld", r.band_width);
    t += r.rules.round_up ? "　合計得点の切上げ: する\r\n" : "　合計得点の切上げ: しない\r\n";
    }
    t += "\r\n結果ごと（一覧の順）:\r\n";
    for (size_t i = 0; i < r.rows.size(); ++i) {
        const ReportRow &row = r.rows[i];
        t += format("%lld. ", static_cast<long long>(i + 1)) + row.title;
        if (row.kind != kRowBand && row.kind != kRowRange && row.kind != kRowType)
            t += std::string("　［") + kind_text(row.kind) + "］";
        t += "\r\n";
        if (!report_row_reached(row)) {
            t += "    到達できません\r\n";
            continue;
        }
        if (!row.ranges.empty()) t += "    得点合計: " + ranges_text(row) + "\r\n";
        t += "    組み合わせ: " + big_decimal(row.count) + " 通り（" + share_text(row.count, r.combinations) + "）\r\n";
    }
    return t;
}

std::string csv_cell(const std::string &text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::vector<std::vector<std::string>> result_report_table(const ResultReport &r) {
    std::vector<std::vector<std::string>> table = {{"順番", "結果", "扱い", "得点合計", "組み合わせ数", "割合"}};
    for (size_t i = 0; i < r.rows.size(); ++i) {
        const ReportRow &row = r.rows[i];
        const bool reached = report_row_reached(row);
        table.push_back({format("%lld", static_cast<long long>(i + 1)), row.title, kind_text(row.kind),
                         !reached ? "到達できません" : r.typed ? "（タイプ式）" : ranges_text(row), big_decimal(row.count),
                         reached ? share_text(row.count, r.combinations) : "0.00%"});
    }
    return table;
}

std::string result_report_csv(const ResultReport &r) {
    std::string csv;
    for (const auto &cells : result_report_table(r)) {
        for (size_t c = 0; c < cells.size(); ++c) csv += (c ? "," : "") + csv_cell(cells[c]);
        csv += "\r\n";
    }
    return csv;
}

ReportDocument result_report_document(const ResultReport &r, const char *file_title) {
    ReportDocument d;
    d.title = std::string("結果の確認") + (file_title && file_title[0] ? std::string("：") + file_title : "");
    if (r.status != kReportOk) {
        d.facts.push_back(result_report_text(r));
        return d;
    }
    d.facts.push_back(format("設問数: %lld", static_cast<long long>(r.questions)) + "　回答の組み合わせ: " +
                      big_decimal(r.combinations) + " 通り");
    if (r.typed) d.facts.push_back("採点: タイプ式　同点で決まった組み合わせ: " + big_decimal(r.ties) + " 通り");
    else d.facts.push_back(format("実際に取りうる得点合計: %lld〜%lld", r.min_total, r.max_total));
    ReportSection s;
    s.heading = "結果ごとの予測割合";
    s.chart.title = s.heading;
    for (const ReportRow &row : r.rows) s.chart.rows.push_back({row.title, -1, big_ratio(row.count, r.combinations)});
    s.table = result_report_table(r);
    s.note = kPredictionNote;
    d.sections.push_back(s);
    return d;
}
