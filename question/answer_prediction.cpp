#include "answer_prediction.h"
#include "visit_log.h"
#include <stdio.h>

namespace {

struct Reading {
    ObservedAnswers *observed;
    const char *title;
};

void take_row(void *context, const ReadVisit &v) {
    Reading *r = static_cast<Reading *>(context);
    ObservedAnswers *o = r->observed;
    if (r->title[0] && v.title != r->title) {
        ++o->other_quiz;
        return;
    }
    ++o->visits;
    if (o->chosen.size() < v.answers.size()) o->chosen.resize(v.answers.size(), std::array<uint64_t, kAnswerCount>());
    for (size_t q = 0; q < v.answers.size(); ++q)
        if (v.answers[q].answer >= 1 && v.answers[q].answer <= kAnswerCount) ++o->chosen[q][static_cast<size_t>(v.answers[q].answer - 1)];
    if (v.ending != kVisitAbandoned && !v.result.empty()) {
        ++o->completed;
        ++o->results[v.result];
    }
}

void take_skipped(void *context) { ++static_cast<Reading *>(context)->observed->skipped; }

std::string percent(double share) {
    char buffer[32];
    snprintf(buffer, sizeof buffer, "%.1f%%", share * 100.0);
    return buffer;
}

}  // namespace

bool observe_visit_log(ObservedAnswers *observed, const char *bytes, size_t size, const char *title) {
    Reading reading = {observed, title ? title : ""};
    return read_visit_log(bytes, size, take_row, take_skipped, &reading);
}

std::vector<std::pair<int64_t, double>> observed_total_shares(const QuestionFile *f, const ResultReport &report,
                                                              const ObservedAnswers &o, std::string *reason) {
    if (report.status != kReportOk) {
        *reason = "回答の組み合わせを数えられないため、予測できません。";
        return {};
    }
    if (report.typed) {
        *reason = "タイプ式の診断は、実際の回答からの予測にまだ対応していません。";
        return {};
    }
    // The weight of each total, question by question: the check already found the span small enough.
    std::vector<double> weight(1, 1.0), next;
    int64_t lo = 0;
    for (size_t q = 0; q < report.questions; ++q) {
        const QuestionRecord &rec = f->questions[q];
        double seen = 0;
        int offered = 0;
        int64_t low = INT64_MAX, high = INT64_MIN;
        for (int a = 0; a < kAnswerCount; ++a) {
            if (!rec.answers[a][0]) continue;
            ++offered;
            if (q < o.chosen.size()) seen += static_cast<double>(o.chosen[q][static_cast<size_t>(a)]);
            if (rec.points[a] < low) low = rec.points[a];
            if (rec.points[a] > high) high = rec.points[a];
        }
        next.assign(weight.size() + static_cast<size_t>(high - low), 0.0);
        for (int a = 0; a < kAnswerCount; ++a) {
            if (!rec.answers[a][0]) continue;
            const double p = seen > 0 ? static_cast<double>(o.chosen[q][static_cast<size_t>(a)]) / seen : 1.0 / offered;
            if (p == 0) continue;
            const size_t shift = static_cast<size_t>(rec.points[a] - low);
            for (size_t t = 0; t < weight.size(); ++t) next[t + shift] += weight[t] * p;
        }
        weight.swap(next);
        lo += low;
    }
    std::vector<std::pair<int64_t, double>> shares;
    for (size_t t = 0; t < weight.size(); ++t)
        if (weight[t] > 0) shares.push_back({lo + static_cast<int64_t>(t), weight[t]});
    return shares;
}

std::vector<double> observed_row_shares(const QuestionFile *f, const ResultReport &report, const ObservedAnswers &o,
                                        std::string *reason) {
    const std::vector<std::pair<int64_t, double>> totals = observed_total_shares(f, report, o, reason);
    if (totals.empty()) return {};
    std::vector<double> rows(report.rows.size(), 0.0);
    // The same rows as the check: the list order, then the fixed texts it kept.
    size_t listed = 0;
    while (listed < report.rows.size() && report.rows[listed].kind != kRowFixedText) ++listed;
    size_t unused = 0;
    for (const ReportRow &row : report.rows) unused += row.kind == kRowUnused;
    for (const auto &total : totals) {
        const ResultPick pick = pick_result(report.rules, total.first);
        size_t row = result_list_row(report.rules, pick, unused);
        if (row >= listed) {
            const char *text = pick.kind == kPickNoRows ? kNoResultsTitle : kZeroWidthTitle;
            for (row = listed; row < report.rows.size() && report.rows[row].title != text;) ++row;
        }
        if (row < rows.size()) rows[row] += total.second;
    }
    return rows;
}

std::string observed_prediction_text(const ResultReport &report, const ObservedAnswers &o, const std::vector<double> &shares,
                                     const std::string &reason) {
    char line[160];
    snprintf(line, sizeof line, "\r\n実際の回答からの予測（訪問ログ %llu 人、うち結果まで %llu 人）:\r\n",
             static_cast<unsigned long long>(o.visits), static_cast<unsigned long long>(o.completed));
    std::string t = line;
    if (o.other_quiz) {
        snprintf(line, sizeof line, "（ほかの診断の %llu 人は数えていません）\r\n", static_cast<unsigned long long>(o.other_quiz));
        t += line;
    }
    if (shares.empty()) return t + reason + "\r\n";
    t += "（設問ごとに、実際に選ばれた割合で各回答が選ばれ、設問どうしは互いに関係しないとして数えた割合です。"
         "答えた人のいない設問は、どの回答も同じ確率とします）\r\n";
    t += "結果: 同じ確率での予測 / 実際の回答からの予測 / 実際の割合\r\n";
    for (size_t i = 0; i < report.rows.size() && i < shares.size(); ++i) {
        const ReportRow &row = report.rows[i];
        t += "  " + row.title + ": " + percent(big_ratio(row.count, report.combinations)) + " / " + percent(shares[i]) + " / ";
        auto seen = o.results.find(row.title);
        t += o.completed ? percent(seen == o.results.end() ? 0.0 : static_cast<double>(seen->second) / o.completed) : "ログに結果なし";
        t += "\r\n";
    }
    return t;
}
