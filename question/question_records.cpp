// Parsing of one question line into its record; shared by the player's loader and the editor.
#include "question_records.h"
#include "BrixLib.h"
#include "Other.h"
#include "imemory.h"
#include <string.h>

int parse_question_line(const char *fields, QuestionRecord *rec, int numbers) {
    // A field can never be longer than the line, so this buffer holds any of them.
    size_t size = strlen(fields) + 2;
    char *field = static_cast<char *>(I_CALLOC(size, 1));
    if (!field) return 0;
    const char *rest = take_field(fields, field, size);
    size_t n = strlen(field);
    if (n >= 1 && n < kQuestionTextSize) unescape_field(rec->text, kQuestionTextSize, field, kEscapeFull);
    for (int i = 0; i < kAnswerCount; ++i) {
        rest = take_field(rest, field, size);
        n = strlen(field);
        if (n >= 1 && n < kAnswerTextSize) unescape_field(rec->answers[i], kAnswerTextSize, field, kEscapeComma);
        rest = take_field(rest, field, size);
        if (field[0]) rec->points[i] = field_number(field);
    }
    rest = take_field(rest, field, size);
    n = strlen(field);
    bool picture = n >= 1 && n < kQuesPathSize;
    if (picture) memcpy(rec->picture, field, n + 1);
    if (picture || numbers == kNumbersAlways) {
        rest = take_field(rest, field, size);
        if (field[0]) rec->pictureX = field_number(field);
        rest = take_field(rest, field, size);
        if (field[0]) rec->pictureY = field_number(field);
        rest = take_field(rest, field, size);
        if (field[0]) rec->pictureExtra = field_number(field);
    }
    I_FREE(field);
    return 1;
}

int32_t question_highest_points(const QuestionRecord *rec) {
    int32_t best = 0;
    for (int i = 0; i < kAnswerCount; ++i)
        if (rec->points[i] > best) best = rec->points[i];
    return best;
}

int32_t question_lowest_points(const QuestionRecord *rec) {
    int32_t least = 0;
    for (int i = 0; i < kAnswerCount; ++i)
        if (rec->points[i] < least) least = rec->points[i];
    return least;
}
