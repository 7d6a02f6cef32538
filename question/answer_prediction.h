// The result check's prediction from real answers: each question's answers in the shares visitors
// chose them (read from visit logs or answer logs), the questions taken as independent, beside the
// actual results.
#pragma once
#include <stddef.h>
#include <stdint.h>
#include <array>
#include <map>
#include <string>
#include <vector>
#include "result_report.h"

struct ObservedAnswers {
    std::vector<std::array<uint64_t, kAnswerCount>> chosen;  // [question - 1][answer - 1]
    std::map<std::string, uint64_t> results;                // completed visits by the result shown
    uint64_t visits = 0, completed = 0, other_quiz = 0, skipped = 0;
    uint64_t logged_runs = 0;  // of visits: runs read from answer logs
    uint64_t unfit = 0;        // this quiz's visits or runs left out: an answer does not fit the file
};

// Whether a logged answer (question and answer from 0) is one file offers, with the points logged:
// a log of another quiz, or from before the questions were reordered, mostly is not.
bool logged_answer_fits(const QuestionFile *file, size_t question, size_t answer, int64_t points);

// Adds the rows of a visit log whose quiz is titled title (any, when title is empty) and whose
// answers all fit file; the others are counted apart. false when bytes are not a visit log.
bool observe_visit_log(ObservedAnswers *observed, const char *bytes, size_t size, const char *title,
                       const QuestionFile *file);

// How often each quiz number (問題 1 to 5) of an answer log's runs was played, and how many of its
// answer lines fit file (the answer is offered and carries the points logged): the log names no
// title, so the author picks the number, helped by the fit.
struct LoggedQuiz {
    uint64_t runs = 0, answers = 0, fitting = 0;
    uint64_t fitting_runs = 0;  // runs whose every answer line fits: only these are counted
};
std::map<int, LoggedQuiz> answer_log_quizzes(const char *bytes, size_t size, const QuestionFile *file);
// Adds the runs of quiz number quiz in an answer log whose answer lines all fit file (the others
// are counted apart). A run ends at its total line (then it counts as completed, its result the row
// that file picks for it now), at the idle line, or where another run begins (another quiz, or a
// question not after the last). false when bytes hold no answer line.
bool observe_answer_log(ObservedAnswers *observed, const char *bytes, size_t size, int quiz, const QuestionFile *file);

// Per row of report (its order), the share predicted from the observed answers; a question nobody
// answered counts its offered answers alike. A file scored by types is counted as the check counts
// it, each combination weighed by its answers' shares. Empty, with the reason, when report could
// not count (or, for types, the same limits refuse it).
std::vector<double> observed_row_shares(const QuestionFile *file, const ResultReport &report,
                                        const ObservedAnswers &observed, std::string *reason);

// Each reachable total with its share under the observed answers, ascending (as report.shares holds
// the equal-chance ones): 均等に分ける can aim at this prediction. Empty, with the reason, when
// report could not count or the file is scored by types (it has no totals).
std::vector<std::pair<int64_t, double>> observed_total_shares(const QuestionFile *file, const ResultReport &report,
                                                              const ObservedAnswers &observed, std::string *reason);

// The three predictions side by side: equal chance, from the answers, and the actual share where
// the logs hold results. Shift-JIS, CR LF.
std::string observed_prediction_text(const ResultReport &report, const ObservedAnswers &observed,
                                     const std::vector<double> &shares, const std::string &reason);
