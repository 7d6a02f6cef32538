// The operator's tally of result logs: finished diagnoses, idle returns, the answers chosen, the
// totals and the result rows they lead to, one column per log day (or log file).
#pragma once
#include <stdint.h>
#include <array>
#include <map>
#include <string>
#include <vector>
#include "QuestionFile.h"

enum { kTallyFiles = 5 };

struct TallyColumn {
    std::string label;
    uint64_t lines = 0, unreadable = 0, idle = 0;
    uint64_t finished[kTallyFiles] = {};
    std::map<int64_t, std::array<uint64_t, kAnswerCount>> answers[kTallyFiles];  // [file][question][answer - 1]
    std::map<int64_t, uint64_t> totals[kTallyFiles];
};

struct LogTally {
    std::vector<TallyColumn> columns;
};

typedef std::vector<std::vector<std::string>> Table;

// Column label of a log: the day of a daily log ("12月08日" for zelm1208.csv, "2025年12月08日" for
// zelm20251208.csv), else its file name.
std::string log_column_label(const char *path);
// Adds a log's bytes to the column of that label. Lines that are not the player's (another file,
// a cut line) are counted as unreadable and skipped.
void tally_log(LogTally *tally, const std::string &label, const char *bytes, size_t size);
// false when the file cannot be read. A log saved again as UTF-8 is read as its text.
bool tally_log_file(LogTally *tally, const char *path);
// The tally as a table, header row first; the result rows are recomputed from the totals with the
// rules of the question file loaded in each position (slots: kTallyFiles entries, any may be null).
Table tally_table(const LogTally &tally, const QuestionFile *const *slots);
// Lines padded into columns (for a fixed-pitch font) for the report box; CSV for saving. Both Shift-JIS with CR LF.
std::string table_text(const Table &table);
std::string table_csv(const Table &table);
