// The result check's prediction from real answers: each question's answers in the shares visitors
// chose them (read from visit logs), the questions taken as independent, beside the actual results.
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
};

// Adds the rows of a visit log whose quiz is titled title (any, when title is empty). false when
// bytes are not a visit log.
bool observe_visit_log(ObservedAnswers *observed, const char *bytes, size_t size, const char *title);

// Per row of report (its order), the share predicted from the observed answers; a question nobody
// answered counts its offered answers alike. Empty, with the reason, when report could not count or
// the file is scored by types.
std::vector<double> observed_row_shares(const QuestionFile *file, const ResultReport &report,
                                        const ObservedAnswers &observed, std::string *reason);

// Each reachable total with its share under the observed answers, ascending (as report.shares holds
// the equal-chance ones): 均等に分ける can aim at this prediction. Empty, with the reason, as above.
std::vector<std::pair<int64_t, double>> observed_total_shares(const QuestionFile *file, const ResultReport &report,
                                                              const ObservedAnswers &observed, std::string *reason);

// The three predictions side by side: equal chance, from the answers, and the actual share where
// the logs hold results. Shift-JIS, CR LF.
std::string observed_prediction_text(const ResultReport &report, const ObservedAnswers &observed,
                                     const std::vector<double> &shares, const std::string &reason);
