// The two records a question file is read into, by the player and the editor alike.
#pragma once
#include <stdint.h>

enum {
    kQuestionTextSize = 256,
    kAnswerCount = 5,
    kAnswerTextSize = 128,
    kQuesPathSize = 260,
    kTypeLinksPerAnswer = 8,
    kVoiceParts = 1 + kAnswerCount,  // a question's recorded voice, then one per answer
};

// Type scoring: an answer adds points to a result row ("S" rows counted from 1; 0 ends the links).
struct TypeLink {
    int32_t row;
    int32_t points;
};

struct QuestionRecord {
    char text[kQuestionTextSize];  // may hold CR LF
    char answers[kAnswerCount][kAnswerTextSize];  // empty: answer slot unused
    int32_t points[kAnswerCount];
    char picture[kQuesPathSize];
    int32_t pictureX;
    int32_t pictureY;
    int32_t pictureExtra;  // kept and written back, used by nothing
    TypeLink typeLinks[kAnswerCount][kTypeLinksPerAnswer];  // "TypePt" lines, in file order
    char voice[kVoiceParts][kQuesPathSize];  // "Voice" lines: WAV or MP3 of the question (0) and answers 1 to 5
};

struct ResultRecord {
    char title[128];
    char comment[512];  // may hold CR LF
    char picture[kQuesPathSize];
    int32_t pictureX;
    int32_t pictureY;
    // The totals that pick this row, when the file gives them (an "SRange" line); else 0 and the
    // row takes its equal band.
    int32_t ranged;
    int32_t rangeFrom, rangeTo;
    char qrText[256];  // the QR code's text with its placeholders, from the "QrText" line before the row
    char voice[kQuesPathSize];  // "Voice,0,<path>" before the row: its recorded voice
};

// How the picture numbers of a question line are read.
enum PictureNumbers {
    kNumbersAlways = 0,        // the player reads them whether or not the picture was accepted
    kNumbersWithPicture = 1,   // the editor reads them only after an accepted picture
};

// fields: the rest of a "Q" line after its key. Fields that are empty or too long leave their
// parts of rec alone; the rest of the line is still read. Returns 0 only when no work buffer.
int parse_question_line(const char *fields, QuestionRecord *rec, int numbers);

// The largest of 0 and the five points, and the smallest of 0 and the five points.
int32_t question_highest_points(const QuestionRecord *rec);
int32_t question_lowest_points(const QuestionRecord *rec);
