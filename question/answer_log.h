// The answer log (zelm.csv and the daily zelmMMDD.csv): its three lines, written by the run engine
// and read by the player's tally and the editor's prediction. The lines live here only.
#pragma once
#include <stddef.h>
#include <stdint.h>

// The three lines of the log, as printf formats.
extern const char kLogAnswerLine[];  // file, question, answer (1-based), points
extern const char kLogTotalLine[];   // the run's total
extern const char kLogIdleLine[];    // the start screen came back by itself

enum AnswerLogLineKind { kLogLineAnswer = 0, kLogLineTotal = 1, kLogLineIdle = 2, kLogLineOther = 3 };

// Reads the lines of a log's bytes in order: line(context, kind, values) for every line that is
// not blank, values holding the numbers of an answer line (file, question, answer, points: 1-based
// as written) or a total line (the total). A line of no kind (another file's, cut) is kLogLineOther.
void read_answer_log(const char *bytes, size_t size, void (*line)(void *, int, const int64_t *), void *context);
