#include "answer_prediction.h"
#include "answer_log.h"
#include "visit_log.h"
#include <algorithm>
#include <stdio.h>

namespace {

struct Reading {
    ObservedAnswers *observed;
    const char *title;
    const QuestionFile *file;
};

// A visit of this quiz has a cell pair for each of its questions: fewer than the file has, or an
// answer the file does not offer at those points, and it was another quiz or another order.
bool visit_fits(const QuestionFile *f, const ReadVisit &v) {
    if (v.answers.size() < question_file_count(f)) return false;
    for (size_t q = 0; q < v.answers.size(); ++q)
        if (v.answers[q].answer && !logged_answer_fits(f, q, static_cast<size_t>(v.answers[q].answer - 1), v.answers[q].points))
            return false;
    return true;
}

void take_row(void *context, const ReadVisit &v) {
    Reading *r = static_cast<Reading *>(context);
    ObservedAnswers *o = r->observed;
    if (r->title[0] && v.title != r->title) {
        ++o->other_quiz;
        return;
    }
    if (!visit_fits(r->file, v)) {
        ++o->unfit;
        return;
    }
    ++o->visits;
    const size_t questions = question_file_count(r->file);
    if (o->chosen.size() < questions) o->chosen.resize(questions, std::array<uint64_t, kAnswerCount>());
    for (size_t q = 0; q < questions; ++q)
        if (v.answers[q].answer >= 1 && v.answers[q].answer <= kAnswerCount) ++o->chosen[q][static_cast<size_t>(v.answers[q].answer - 1)];
    if (v.ending != kVisitAbandoned && !v.result.empty()) {
        ++o->completed;
        ++o->results[v.result];
    }
}

void take_skipped(void *context) { ++static_cast<Reading *>(context)->observed->skipped; }

// Each offered answer's chance: its share of the answers given to the question, or, for a question
// nobody answered, the same for every offered answer.
AnswerShares answer_chances(const QuestionFile *f, size_t questions, const ObservedAnswers &o) {
    AnswerShares chances(questions);
    for (size_t q = 0; q < questions; ++q) {
        const QuestionRecord &rec = f->questions[q];
        double seen = 0;
        int offered = 0;
        for (int a = 0; a < kAnswerCount; ++a) {
            chances[q][static_cast<size_t>(a)] = 0;
            if (!rec.answers[a][0]) continue;
            ++offered;
            if (q < o.chosen.size()) seen += static_cast<double>(o.chosen[q][static_cast<size_t>(a)]);
        }
        for (int a = 0; a < kAnswerCount; ++a)
            if (rec.answers[a][0])
                chances[q][static_cast<size_t>(a)] = seen > 0 ? static_cast<double>(o.chosen[q][static_cast<size_t>(a)]) / seen : 1.0 / offered;
    }
    return chances;
}

// The title the result list shows for a pick.
std::string pick_title(const QuestionFile *f, const ResultPick &pick) {
    switch (pick.kind) {
        case kPickTopRow: return f->topRow.title;
        case kPickBottomRow: return f->bottomRow.title;
        case kPickBand: return f->results[pick.row].title;
        case kPickNoRows: return kNoResultsTitle;
        default: return kZeroWidthTitle;
    }
}

const int64_t kMaxLoggedQuestion = 1000000;

// An answer log read run by run; a run's answers are counted at its end, and only when all fit.
struct LogRuns {
    LogRuns(ObservedAnswers *o, const QuestionFile *f, int number, std::map<int, LoggedQuiz> *seen)
        : observed(o), file(f), rules(result_rules(f)), quiz(number), quizzes(seen) {}
    ObservedAnswers *observed;  // null: only the quizzes are counted
    const QuestionFile *file;
    ResultRules rules;
    int quiz;
    std::map<int, LoggedQuiz> *quizzes;  // null: not counted
    bool any = false;
    int run_quiz = 0;  // 0: no run open
    bool run_fits = true;
    int64_t last_question = 0;
    std::vector<int32_t> answers;  // the open run's answer per question, 0 where none
};

void begin_run(LogRuns *r, int quiz) {
    r->run_quiz = quiz;
    r->run_fits = true;
    r->last_question = 0;
    r->answers.assign(question_file_count(r->file), 0);
    if (r->quizzes) ++(*r->quizzes)[quiz].runs;
}

void end_run(LogRuns *r, bool total, int64_t value) {
    if (!r->run_quiz) return;
    // A run that reached its total answered every question; one that did not was another version.
    if (total && std::find(r->answers.begin(), r->answers.end(), 0) != r->answers.end()) r->run_fits = false;
    if (r->quizzes && r->run_fits) ++(*r->quizzes)[r->run_quiz].fitting_runs;
    ObservedAnswers *o = r->observed;
    if (o && r->run_quiz != r->quiz) {
        ++o->other_quiz;
    } else if (o && !r->run_fits) {
        ++o->unfit;
    } else if (o) {
        ++o->visits, ++o->logged_runs;
        if (o->chosen.size() < r->answers.size()) o->chosen.resize(r->answers.size(), std::array<uint64_t, kAnswerCount>());
        for (size_t q = 0; q < r->answers.size(); ++q)
            if (r->answers[q]) ++o->chosen[q][static_cast<size_t>(r->answers[q] - 1)];
        if (total) {
            const ResultPick pick = r->rules.typed ? pick_type_result(r->rules, r->file, r->answers.data(), r->answers.size())
                                                   : pick_result(r->rules, value);
            ++o->completed;
            ++o->results[pick_title(r->file, pick)];
        }
    }
    r->run_quiz = 0;
}

void take_log_line(void *context, int kind, const int64_t *v) {
    LogRuns *r = static_cast<LogRuns *>(context);
    if (kind == kLogLineTotal || kind == kLogLineIdle) return end_run(r, kind == kLogLineTotal, v[0]);
    // A question number past any file the editor writes is not the player's (and would not fit a 32-bit size).
    if (kind != kLogLineAnswer || v[0] < 1 || v[0] > kQuesFileSlots || v[1] < 1 || v[1] > kMaxLoggedQuestion || v[2] < 1 ||
        v[2] > kAnswerCount)
        return;
    r->any = true;
    const int quiz = static_cast<int>(v[0]);
    if (r->run_quiz != quiz || v[1] <= r->last_question) {
        end_run(r, false, 0);
        begin_run(r, quiz);
    }
    r->last_question = v[1];
    const size_t q = static_cast<size_t>(v[1] - 1), a = static_cast<size_t>(v[2] - 1);
    const bool fits = logged_answer_fits(r->file, q, a, v[3]);
    r->run_fits = r->run_fits && fits;
    if (r->quizzes) {
        LoggedQuiz &seen = (*r->quizzes)[quiz];
        ++seen.answers;
        seen.fitting += fits;
    }
    if (fits) r->answers[q] = static_cast<int32_t>(a + 1);
}

// Reads a whole log: the run still open at its end (a visit cut short) ends with it.
bool read_runs(LogRuns *runs, const char *bytes, size_t size) {
    read_answer_log(bytes, size, take_log_line, runs);
    end_run(runs, false, 0);
    return runs->any;
}

std::string percent(double share) {
    char buffer[32];
    snprintf(buffer, sizeof buffer, "%.1f%%", share * 100.0);
    return buffer;
}

}  // namespace

bool logged_answer_fits(const QuestionFile *f, size_t question, size_t answer, int64_t points) {
    return question < question_file_count(f) && answer < static_cast<size_t>(kAnswerCount) && f->questions[question].answers[answer][0] &&
           f->questions[question].points[answer] == points;
}

bool observe_visit_log(ObservedAnswers *observed, const char *bytes, size_t size, const char *title, const QuestionFile *file) {
    Reading reading = {observed, title ? title : "", file};
    return read_visit_log(bytes, size, take_row, take_skipped, &reading);
}

std::map<int, LoggedQuiz> answer_log_quizzes(const char *bytes, size_t size, const QuestionFile *file) {
    std::map<int, LoggedQuiz> quizzes;
    LogRuns runs(nullptr, file, 0, &quizzes);
    read_runs(&runs, bytes, size);
    return quizzes;
}

bool observe_answer_log(ObservedAnswers *observed, const char *bytes, size_t size, int quiz, const QuestionFile *file) {
    LogRuns runs(observed, file, quiz, nullptr);
    return read_runs(&runs, bytes, size);
}

std::vector<std::pair<int64_t, double>> observed_total_shares(const QuestionFile *f, const ResultReport &report,
                                                              const ObservedAnswers &o, std::string *reason) {
    if (report.status != kReportOk) {
        *reason = "回答の組み合わせを数えられないため、予測できません。";
        return {};
    }
    if (report.typed) {
        *reason = "タイプ式の診断には得点合計がないため、均等に分けることはできません。";
        return {};
    }
    // The weight of each total, question by question: the check already found the span small enough.
    const AnswerShares chances = answer_chances(f, report.questions, o);
    std::vector<double> weight(1, 1.0), next;
    int64_t lo = 0;
    for (size_t q = 0; q < report.questions; ++q) {
        const QuestionRecord &rec = f->questions[q];
        int64_t low = INT64_MAX, high = INT64_MIN;
        for (int a = 0; a < kAnswerCount; ++a) {
            if (!rec.answers[a][0]) continue;
            if (rec.points[a] < low) low = rec.points[a];
            if (rec.points[a] > high) high = rec.points[a];
        }
        next.assign(weight.size() + static_cast<size_t>(high - low), 0.0);
        for (int a = 0; a < kAnswerCount; ++a) {
            const double p = chances[q][static_cast<size_t>(a)];
            if (!rec.answers[a][0] || p == 0) continue;
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
    if (report.typed) {
        // Types have no totals: the check's own count, each combination weighed by its answers.
        const std::string refused = std::string("組み合わせが多すぎるため、予測できません。") + kTypeLimitText + "。";
        std::vector<double> types;
        size_t listed = 0;
        for (const ReportRow &row : report.rows) listed += row.kind == kRowType || row.kind == kRowUnused;
        const ResultReport weighed = report.status == kReportOk ? weigh_type_report(f, listed, answer_chances(f, report.questions, o), &types)
                                                                : report;
        if (weighed.status != kReportOk) {
            *reason = weighed.status == kReportTooWide ? refused : "回答の組み合わせを数えられないため、予測できません。";
            return {};
        }
        std::vector<double> rows(report.rows.size(), 0.0);
        size_t t = 0;
        for (size_t i = 0; i < report.rows.size(); ++i) {
            if (report.rows[i].kind == kRowType && t < types.size()) rows[i] = types[t++];
            if (report.rows[i].kind == kRowFixedText) rows[i] = 1.0;  // no types: every visitor sees the text
        }
        return rows;
    }
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
    char line[200];
    const unsigned long long visited = o.visits - o.logged_runs, logged = o.logged_runs;
    if (!logged)
        snprintf(line, sizeof line, "\r\n実際の回答からの予測（訪問ログ %llu 人、うち結果まで %llu 人）:\r\n", visited,
                 static_cast<unsigned long long>(o.completed));
    else if (!visited)
        snprintf(line, sizeof line, "\r\n実際の回答からの予測（回答ログ %llu 人、うち結果まで %llu 人）:\r\n", logged,
                 static_cast<unsigned long long>(o.completed));
    else
        snprintf(line, sizeof line, "\r\n実際の回答からの予測（訪問ログ %llu 人と回答ログ %llu 人、うち結果まで %llu 人。"
                 "同じ日のログを両方選ぶと同じ人を二度数えます）:\r\n", visited, logged, static_cast<unsigned long long>(o.completed));
    std::string t = line;
    if (logged)
        t += "（回答ログには結果の名前がないため、実際の割合は、記録された得点合計（タイプ式では回答）から今の問題ファイルが選ぶ結果で数えます）\r\n";
    if (o.other_quiz) {
        snprintf(line, sizeof line, "（ほかの診断の %llu 人は数えていません）\r\n", static_cast<unsigned long long>(o.other_quiz));
        t += line;
    }
    if (o.unfit) {
        snprintf(line, sizeof line, "（回答と得点がこの問題ファイルに合わない %llu 人（ほかの診断か、設問を並べ替える前のログ）は数えていません）\r\n",
                 static_cast<unsigned long long>(o.unfit));
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
