// The question file's rules in one place, for the player's loader and the editor's open and save:
// its keys, the limits of its fields as stored, the four font roles, the reading of its lines
// into records and settings, and the building of its record lines.
#pragma once
#include <windows.h>
#include <stddef.h>
#include "Other.h"
#include "question_records.h"

// Keys of a question file, in the order the editor writes them.
enum QuestionKey {
    kKeyUnknown = -1,
    kKeyTitle = 0,  // "N"
    kKeyQuestion,   // "Q"
    kKeyHeader,     // "H"
    kKeyFooter,     // "F"
    kKeyTopRow,     // "U"
    kKeyResult,     // "S"
    kKeyBottomRow,  // "R"
    kKeyFontQuestion, kKeyFontAnswer, kKeyFontComment, kKeyFontHeader,  // "J", "A", "L", "O"
    kKeySound0,     // "SndSt"; the six sound keys follow in slot order
    kKeyWallpaper = kKeySound0 + 6,  // "QuesWall"
    kKeyRoundUp,    // "RoundUp"
    kKeyResultRange,  // "SRange": older readers skip it and keep the equal bands
    // Lines older readers skip: the QR text of the result row that follows ("QrText"), the text
    // of rows without one ("QrDefault"), and the code's place "x,y,size" in 96-DPI pixels ("QrPlace").
    kKeyQrText, kKeyQrDefault, kKeyQrPlace,
    kKeyTypeScoring,  // "TypeScore": older readers skip it and pick by the total
    kKeyTypeLink,     // "TypePt"
    kKeyVoice,        // "Voice": older readers skip it and stay silent
    kKeyCount,
};
const char *question_key_name(int key);
// The line's key (compared without regard to case) and, in *value, the text after its first comma
// ("" when it has none).
int question_line_key(const char *line, const char **value);

// Which comma-separated field of a question file's line (0: the key) holds a path: the picture of
// a question or result row, the wallpaper, a sound; -1 for a line that names no file.
int question_path_field(const char *line);
// The four fonts of a question file, by the order of their keys "J", "A", "L", "O".
enum FontRole { kFontRoleQuestion = 0, kFontRoleAnswer = 1, kFontRoleComment = 2, kFontRoleHeader = 3, kFontRoleCount = 4 };
// The font slot operation for one role (height 0 where the slot takes one).
HFONT font_role_call(int role, int operation, int index, LOGFONTA *font);

// Longest field as stored, in bytes: escaped texts count their escapes (a line break or a comma
// takes four bytes), paths are stored raw and may hold no comma.
enum StoredLimit {
    kStoredQuestionMax = kQuestionTextSize - 1,
    kStoredAnswerMax = kAnswerTextSize - 1,
    kStoredTitleMax = sizeof(ResultRecord::title) - 1,
    kStoredCommentMax = sizeof(ResultRecord::comment) - 1,
    kStoredPathMax = kQuesPathSize - 1,
    kStoredLineMax = 2047,  // without CR LF: the line reader's buffer
};
// Whether a record's fields all fit as stored; field gets the failing field's number (0 the text
// or title, 1 to 5 an answer, 6 the picture, 7 to 12 a voice; for results 0 title, 1 comment,
// 2 picture, 3 voice).
bool question_fits(const QuestionRecord *q, int *field);
bool result_fits(const ResultRecord *r, int *field);
// A path a file may hold: 1 to 259 bytes and no comma. An empty path fits.
bool stored_path_fits(const char *path);

// Builds the whole line of a question or result row (key "U", "S" or "R") with CR LF into out
// (size bytes). 0 when a field does not fit as stored or the line would pass kStoredLineMax:
// such a line would not come back as written.
size_t format_question_line(const QuestionRecord *q, char *out, size_t size);
size_t format_result_line(int key, const ResultRecord *r, char *out, size_t size);

// "SRange,<row>,<from>,<to>": the totals from..to pick the row-th "S" row (counted from 1).
struct RangeLine {
    int32_t row, from, to;
};
enum RangeLineCheck { kRangeLineOk = 0, kRangeLineBadNumber = 1, kRangeLineOutOfOrder = 2 };
// Three plain decimal int32 numbers, row at least 1, from <= to; anything else is refused.
int parse_range_line(const char *value, RangeLine *out);
// The line for the row-th "S" row with CR LF; 0 when the row has no range.
size_t format_range_line(int32_t row, const ResultRecord *r, char *out, size_t size);
// Puts the lines' ranges on results[0, count); a line for a row past them is left out. False
// when one was.
bool apply_range_lines(const RangeLine *lines, size_t n, ResultRecord *results, size_t count);

// "TypeScore,<tie question>": the file is scored by types; the tie question counted from 1, 0 for
// none. "TypePt,<question>,<answer>,<row>,<points>": that answer of the question-th "Q" row adds
// points to the row-th "S" row (all counted from 1).
struct TypeLinkLine {
    int32_t question, answer, row, points;
};
enum TypeLineCheck { kTypeLineOk = 0, kTypeLineBadNumber = 1 };
// A plain decimal int32 of at least 0; false for anything else.
bool parse_type_scoring(const char *value, int32_t *tie_question);
size_t format_type_scoring_line(int32_t tie_question, char *out, size_t size);
// Four plain decimal int32 numbers; question and row at least 1, answer 1 to 5.
int parse_type_link_line(const char *value, TypeLinkLine *out);
// The lines of every link of the question-th question, CR LF each, one after the other; 0 when it
// has none or they do not fit.
size_t format_type_link_lines(int32_t question, const QuestionRecord *q, char *out, size_t size);
// Adds the link to answer (0 to 4): points for a row it already names are added (held at the int32
// limits). False when the answer has kTypeLinksPerAnswer rows already.
bool add_type_link(QuestionRecord *q, int answer, int32_t row, int32_t points);
bool question_has_type_links(const QuestionRecord *q);
// The links of one answer as the editor shows them: "2:3,4:1" (row:points).
void format_type_links_text(const QuestionRecord *q, int answer, char *out, size_t size);
// Reads that form back into answer's links (replacing them). rows: the rows there are (a row past
// them is refused). False, with the reason in error (size bytes), when a piece is no row:points,
// names a row twice, or there are more than kTypeLinksPerAnswer.
bool parse_type_links_text(const char *text, int32_t rows, QuestionRecord *q, int answer, char *error, size_t size);

// "Voice,<part>,<path>" just before the "Q", "U", "S" or "R" line it belongs to: part 0 is the
// question's or result's own voice, 1 to 5 the answers' (a result row takes part 0 only). The
// path (a WAV or MP3 file) is found as pictures are, beside the question file first.
struct PendingVoices {
    char path[kVoiceParts][kQuesPathSize];
};
// Keeps the line's voice for the next row; false (nothing kept) for a part out of 0 to 5 or a path
// that does not fit.
bool take_voice_line(PendingVoices *pending, const char *value);
// Hands the voices kept to the row just read and empties them.
void give_question_voices(PendingVoices *pending, QuestionRecord *q);
void give_result_voice(PendingVoices *pending, ResultRecord *r);
// The "Voice" lines of a row, CR LF each (to write just before it); 0 when it has none or they
// do not fit.
size_t format_question_voices(const QuestionRecord *q, char *out, size_t size);
size_t format_result_voice(const ResultRecord *r, char *out, size_t size);

// What a reader does with the lines of a file. Every callback may be null (the line is skipped).
struct QuestionLineSink {
    void *context;
    // The fields of a row after its key, for parse_question_line or parse_result_line. False
    // stops the reading (no memory for another record).
    bool (*question)(void *context, const char *fields);
    bool (*result)(void *context, int key, const char *fields);  // kKeyTopRow, kKeyResult or kKeyBottomRow
    // kKeyTitle, kKeyHeader, kKeyFooter, the sound keys, kKeyWallpaper: the whole value.
    void (*setting)(void *context, int key, const char *value);
    void (*font)(void *context, int role, const LOGFONTA *font);
    void (*round_up)(void *context);
    // kKeyResultRange: the whole value, for parse_range_line.
    void (*range)(void *context, const char *value);
    // kKeyTypeScoring and kKeyTypeLink: the whole value.
    void (*type_scoring)(void *context, const char *value);
    void (*type_link)(void *context, const char *value);
    // kKeyVoice: the whole value, for take_voice_line.
    void (*voice)(void *context, const char *value);
};
// Reads the open file from its start with the line reader, buffer of kLineSize bytes.
void read_question_lines(HANDLE file, char *buffer, const QuestionLineSink *sink);
