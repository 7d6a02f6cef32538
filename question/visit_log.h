// The visit log: one row per visitor, in one file per kiosk and day ("visits-2026-12-08-KIOSK1.csv"),
// Shift-JIS CSV with a header row. The row's layout lives here only: the run engine writes it and
// the tally reads it.
#pragma once
#include <windows.h>
#include <stddef.h>
#include <stdint.h>
#include <string>
#include <vector>

// How a visit ended; the texts stand in the row's ending cell.
enum VisitEnding { kVisitCompleted, kVisitResultLeft, kVisitAbandoned, kVisitEndings };
extern const char *const kVisitEndingText[kVisitEndings];  // "完了", "結果のまま放置", "途中で離脱"

enum { kKioskNameSize = 64 };

struct VisitAnswer {
    int answer;  // 1..5; 0: the question was not reached
    int32_t points;
};

struct VisitRow {
    SYSTEMTIME start, end;
    std::string kiosk, set_file, title, result;
    int slot = 0;                      // 1..5
    std::vector<VisitAnswer> answers;  // one per question of the file
    int32_t total = 0;                 // with the result; an abandoned visit has neither
    int ending = kVisitCompleted;
    int stopped_at = 0;  // abandoned: the question (1-based) it was left on
};

// folder (with its backslash) + "visits-YYYY-MM-DD-" + kiosk + ".csv" for the date of day; false when too long.
bool visit_log_path(char *out, size_t size, const char *folder, const SYSTEMTIME &day, const char *kiosk);
// A name that can be part of a file name: 1 to kKioskNameSize - 1 bytes of whole Shift-JIS characters,
// none of \ / : * ? " < > | nor control characters, and no dot or blank at its end.
bool kiosk_name_valid(const char *name);
// The computer's name, or "KIOSK" when that cannot be part of a file name; out holds kKioskNameSize bytes.
void default_kiosk_name(char *out);

// The answer texts of one quiz, for the header: [question - 1][answer - 1], empty where unused.
struct QuizAnswerTexts {
    std::string title;
    std::vector<std::vector<std::string>> answers;
};
// The header row, with question columns for up to questions questions; and one row. Both end in CR LF.
// After the question columns the header names each quiz's answer texts: a cell "回答文の問題=title",
// then one cell "回答文 設問q 回答a=text" per answer. Readers find columns by name and pair the
// cells of a row from the first question column, so these cells are ignored by a reader that does
// not know them.
std::string visit_header(int questions, const std::vector<QuizAnswerTexts> &texts = {});
std::string visit_row_text(const VisitRow &row);

// One row as the tally reads it.
struct ReadVisit {
    std::string date, start, kiosk, title, result;  // date "YYYY-MM-DD", start "HH:MM:SS"
    int64_t seconds = 0;
    int ending = kVisitCompleted;
    std::vector<VisitAnswer> answers;
};

// Reads the rows of a visit log. The header row gives where each column stands (columns it does not
// know are left alone); then row(context, visit) for every whole row, and skipped(context) for each
// row that is cut or of another layout. false when the first row is not a visit-log header.
bool read_visit_log(const char *bytes, size_t size, void (*row)(void *, const ReadVisit &), void (*skipped)(void *),
                    void *context);
// The answer texts a header names, by quiz title and (question, answer), both from 1. A cell that
// is not whole (a header cut short) or not of that form is left out.
struct HeaderAnswerText {
    std::string title;
    int question, answer;
    std::string text;
};
std::vector<HeaderAnswerText> visit_header_answers(const char *bytes, size_t size);
// true when bytes begin with a visit-log header row.
bool is_visit_log(const char *bytes, size_t size);

// A log's bytes as the player wrote them, read without locking it (the player may be writing it);
// a log a spreadsheet saved again as UTF-8 comes back as Shift-JIS. false when it cannot be read
// or is larger than max_bytes (then too_large, when given, is set).
bool read_log_file(const char *path, long long max_bytes, std::string *bytes, bool *too_large = nullptr);
