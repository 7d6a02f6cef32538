#include "result_ranges.h"
#include <algorithm>
#include <stdint.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

namespace {

std::string format(const char *pattern, long long a, long long b = 0) {
    char buffer[96];
    snprintf(buffer, sizeof buffer, pattern, a, b);
    return buffer;
}

std::string totals_text(int64_t from, int64_t to) {
    return from == to ? format("%lld", from) : format("%lld〜%lld", from, to);
}

std::string percent(double share) {
    char buffer[32];
    snprintf(buffer, sizeof buffer, "%.1f%%", share * 100.0);
    return buffer;
}

bool special_total(const ResultRules &r, int64_t total) {
    return (r.top_row && total == r.highest) || (r.bottom_row && total == r.lowest);
}

}  // namespace

RangeCheck check_ranges(const QuestionFile *f, const ResultReport &report) {
    RangeCheck c;
    const ResultRules rules = result_rules(f);
    // A type link to a row the list lacks would give its points to nothing, or to another row later.
    for (size_t q = 0; f->questions && f->questions[q].text[0]; ++q)
        for (int a = 0; a < kAnswerCount; ++a)
            for (const TypeLink &l : f->questions[q].typeLinks[a])
                if (l.row > rules.banded)
                    c.refused += format("設問%lld の答%lld", static_cast<long long>(q + 1), a + 1) +
                                 format(" が結果 %lld に点を入れていますが、結果の行は %lld 行です。\r\n", l.row, rules.banded);
    if (rules.typed && rules.tie_question > 0 && static_cast<size_t>(rules.tie_question) > question_file_count(f))
        c.refused += format("同点のときに見る設問%lld がありません。\r\n", rules.tie_question);
    if (rules.typed) return c;  // ranges are not used by types
    // The top and bottom rows have no range line: a range given them would be lost unsaid.
    if (f->topRow.title[0] && f->topRow.ranged)
        c.uncovered += std::string("「") + f->topRow.title + "」は最高得点時のみの行なので、得点の範囲は保存されません。\r\n";
    if (f->bottomRow.title[0] && f->bottomRow.ranged)
        c.uncovered += std::string("「") + f->bottomRow.title + "」は最低得点時のみの行なので、得点の範囲は保存されません。\r\n";
    if (!rules.ranged) return c;
    for (int32_t i = 0; i < rules.banded; ++i) {
        const ResultRecord &a = f->results[i];
        if (!a.ranged) {
            c.refused += std::string("「") + a.title + "」に得点の範囲がありません（範囲のない行は表示されません）。\r\n";
            continue;
        }
        for (int32_t j = i + 1; j < rules.banded; ++j) {
            const ResultRecord &b = f->results[j];
            if (b.ranged && a.rangeFrom <= b.rangeTo && b.rangeFrom <= a.rangeTo)
                c.refused += std::string("「") + a.title + "」(" + totals_text(a.rangeFrom, a.rangeTo) + ") と「" + b.title +
                             "」(" + totals_text(b.rangeFrom, b.rangeTo) + ") の範囲が重なっています。\r\n";
        }
    }
    // Runs of totals no range holds, each with the row it falls to.
    std::vector<UncoveredRun> runs = report.uncovered;
    if (report.status != kReportOk) {
        runs.clear();
        for (int64_t t = rules.lowest; t <= rules.highest;) {
            int32_t holding = range_row(rules, t);
            if (holding >= 0) {
                t = static_cast<int64_t>(f->results[holding].rangeTo) + 1;
                continue;
            }
            int64_t end = rules.highest;  // up to the next range that starts after t
            for (int32_t i = 0; i < rules.banded; ++i)
                if (f->results[i].ranged && f->results[i].rangeFrom > t && f->results[i].rangeFrom - 1 < end)
                    end = f->results[i].rangeFrom - 1;
            const size_t row = result_list_row(rules, pick_result(rules, t));
            runs.push_back({t, end, row});
            t = end + 1;
        }
    }
    const size_t top = rules.top_row ? 1 : 0;
    for (const UncoveredRun &run : runs) {
        if (run.from == run.to && special_total(rules, run.from)) continue;
        const size_t row = run.row - top;
        const char *title = row < static_cast<size_t>(rules.banded) ? f->results[row].title : "";
        c.uncovered += "得点合計 " + totals_text(run.from, run.to) + " はどの範囲にも入りません（最も近い「" + title +
                       "」になります）。\r\n";
    }
    return c;
}

namespace {

// The window of earlier prefix sums a part ending at prefix c may start from, within d of target t.
// The search and the walk back use the same numbers, so what one marks the other finds.
const double kSlack = 1e-12;
// Totals times rows that the 50-odd steps of the search pass in about a second.
const int64_t kMaxSplitCells = 2000000;
double window_low(double c, double t, double d) { return c - t - d - kSlack; }
double window_high(double c, double t, double d) { return c - t + d + kSlack; }

// Whether the shares x (ascending totals) split into targets.size() non-empty contiguous parts,
// the j-th within d of targets[j]; from[j][c] marks the ends c reachable after j parts.
bool feasible(const std::vector<double> &prefix, const std::vector<double> &targets, double d,
              std::vector<std::vector<char>> *from) {
    const size_t m = prefix.size() - 1, k = targets.size();
    from->assign(k + 1, std::vector<char>(m + 1, 0));
    (*from)[0][0] = 1;
    std::vector<size_t> count(m + 2);
    for (size_t j = 0; j < k; ++j) {
        const std::vector<char> &was = (*from)[j];
        std::vector<char> &now = (*from)[j + 1];
        count[0] = 0;
        for (size_t c = 0; c <= m; ++c) count[c + 1] = count[c] + (was[c] ? 1 : 0);
        bool any = false;
        // Earlier ends c' < c with prefix[c] - prefix[c'] within d of the target lie in [a, b);
        // both bounds only move forward as c does, so one pass finds every window.
        size_t a = 0, b = 0;
        for (size_t c = 1; c <= m; ++c) {
            const double lo = window_low(prefix[c], targets[j], d), hi = window_high(prefix[c], targets[j], d);
            while (a < c && prefix[a] < lo) ++a;
            while (b < c && prefix[b] <= hi) ++b;
            if (a < b && count[b] > count[a]) now[c] = any = 1;
        }
        if (!any) return false;
    }
    return (*from)[k][m] != 0;
}

}  // namespace

const char kTypedSplitRefusal[] = "タイプ式の診断は得点の範囲を使いません。各答えのタイプの点数を変えてください。";

SplitPlan even_split(const ResultReport &report, const std::vector<double> &wanted) {
    SplitPlan p = {};
    const ResultRules &rules = report.rules;
    const size_t k = static_cast<size_t>(rules.banded);
    if (report.typed) {
        p.reason = kTypedSplitRefusal;
        return p;
    }
    if (report.status != kReportOk || k == 0) {
        p.reason = k == 0 ? "得点で決まる結果の行がありません。" : "得点合計を数えられないため、分けられません。";
        return p;
    }
    // The totals the banded rows share: all reachable ones but those of the top and bottom rows.
    std::vector<int64_t> totals;
    std::vector<double> prefix(1, 0.0);
    double special = 0;
    for (const auto &s : report.shares) {
        if (special_total(rules, s.first)) {
            special += s.second;
            continue;
        }
        totals.push_back(s.first);
        prefix.push_back(prefix.back() + s.second);
    }
    for (const ReportRow &row : report.rows)
        if (row.kind == kRowBand || row.kind == kRowRange) p.before.push_back(big_ratio(row.count, report.combinations));
    // Each step of the search passes every total once per row: past this the editor would seem to hang.
    if (static_cast<double>(totals.size()) * static_cast<double>(k) > kMaxSplitCells) {
        p.reason = format("到達できる得点合計（%lld 通り）と行の数の積が上限の %lld を超えるため、分けられません。",
                          static_cast<long long>(totals.size()), static_cast<long long>(kMaxSplitCells));
        return p;
    }
    if (totals.size() < k) {
        p.reason = format("到達できる得点合計が %lld 通りしかなく、%lld 行には分けられません。",
                          static_cast<long long>(totals.size()), static_cast<long long>(k));
        return p;
    }
    // Targets: the given ones, the rest share what is left evenly.
    double given = 0;
    size_t open = 0;
    for (size_t i = 0; i < k; ++i) {
        if (i < wanted.size() && wanted[i] >= 0) given += wanted[i];
        else ++open;
    }
    const double rest = std::max(0.0, 1.0 - special - given);
    for (size_t i = 0; i < k; ++i) p.target.push_back(i < wanted.size() && wanted[i] >= 0 ? wanted[i] : rest / open);
    // Parts in ascending totals belong to the rows from the last up.
    std::vector<double> ascending(p.target.rbegin(), p.target.rend());
    std::vector<std::vector<char>> from;
    double lo = 0, hi = 1;
    for (double t : ascending) hi = std::max(hi, t + 1);
    for (int step = 0; step < 64 && hi - lo > 1e-15; ++step) {
        const double mid = (lo + hi) / 2;
        if (feasible(prefix, ascending, mid, &from)) hi = mid;
        else lo = mid;
    }
    feasible(prefix, ascending, hi, &from);
    // Back from the last end: any earlier end reachable with one part fewer, within the deviation.
    const size_t m = totals.size();
    std::vector<size_t> ends(k + 1, 0);
    ends[k] = m;
    for (size_t j = k; j > 0; --j) {
        size_t c = ends[j], choice = 0;
        for (size_t e = c; e-- > 0;)
            if (from[j - 1][e] && prefix[e] >= window_low(prefix[c], ascending[j - 1], hi) &&
                prefix[e] <= window_high(prefix[c], ascending[j - 1], hi)) {
                choice = e;
                break;
            }
        ends[j - 1] = choice;
    }
    p.ranges.assign(k, {0, 0});
    p.after.assign(k, 0);
    p.worst = 0;
    for (size_t j = 0; j < k; ++j) {
        const size_t row = k - 1 - j;
        const int64_t first = j == 0 ? report.min_total : totals[ends[j]];
        const int64_t last = j + 1 == k ? report.max_total : totals[ends[j + 1]] - 1;
        p.ranges[row] = {first, last};
        p.after[row] = prefix[ends[j + 1]] - prefix[ends[j]];
        p.worst = std::max(p.worst, fabs(p.after[row] - p.target[row]));
    }
    p.ok = true;
    return p;
}

bool parse_target_shares(const std::string &text, size_t rows, std::vector<double> *targets, std::string *error) {
    targets->assign(rows, -1.0);
    double sum = 0;
    size_t field = 0, start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        std::string cell = text.substr(start, end - start);
        while (!cell.empty() && cell.front() == ' ') cell.erase(0, 1);
        while (!cell.empty() && cell.back() == ' ') cell.pop_back();
        if (!cell.empty()) {
            if (field >= rows) {
                *error = format("目標の割合が %lld 個ありますが、得点で決まる行は %lld 行です。", static_cast<long long>(field + 1),
                                static_cast<long long>(rows));
                return false;
            }
            char *stop = nullptr;
            const double v = strtod(cell.c_str(), &stop);
            if (!stop || *stop || !(v >= 0 && v <= 100)) {
                *error = format("%lld 番目の目標の割合が 0〜100 の数ではありません。", static_cast<long long>(field + 1));
                return false;
            }
            (*targets)[field] = v / 100;
            sum += v;
        }
        ++field;
        start = end + 1;
    }
    if (sum > 100.0 + 1e-9) {
        *error = "目標の割合の合計が 100 % を超えています。";
        return false;
    }
    return true;
}

std::string split_plan_text(const SplitPlan &p, const std::vector<std::string> &titles) {
    if (!p.ok) return p.reason + "\r\n";
    std::string t = "結果　目標　今の割合 → 分けた後（得点合計）\r\n";
    for (size_t i = 0; i < p.ranges.size(); ++i) {
        t += (i < titles.size() ? titles[i] : std::string("?")) + "　" + percent(p.target[i]) + "　" +
             percent(i < p.before.size() ? p.before[i] : 0) + " → " + percent(p.after[i]) + "（" +
             totals_text(p.ranges[i].first, p.ranges[i].second) + "）\r\n";
    }
    if (p.worst < 0.0005) t += "\r\nどの行も目標どおりに分けられます。\r\n";
    else
        t += "\r\n得点合計は飛び飛びの値のため、目標どおりには分けられません。最も近い分け方で、目標との差は最大 " +
             percent(p.worst).substr(0, percent(p.worst).size() - 1) + " ポイントです。\r\n";
    return t;
}
