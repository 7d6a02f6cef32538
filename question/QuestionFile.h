// The player's slot for one loaded question file, and the loader that fills it.
#pragma once
#include <windows.h>
#include <stddef.h>
#include <stdint.h>
#include "question_records.h"

enum { kQuesFileSlots = 5, kQuesTitleSize = 128, kQuesHeaderSize = 128, kQuesFooterSize = 128 };

struct QuestionFile {
    char title[kQuesTitleSize];
    char header[kQuesHeaderSize];
    char footer[kQuesFooterSize];
    int32_t highestTotal;  // sum of each question's max(0, highest points)
    int32_t lowestTotal;   // sum of each question's min(0, lowest points)
    ResultRecord topRow;     // used only at highestTotal
    ResultRecord bottomRow;  // used only at lowestTotal
    char wallpaper[kQuesPathSize];
    int32_t roundUp;
    char qrDefault[256];       // QR text of rows without their own
    int32_t qrX, qrY, qrSize;  // the code's square with its quiet zone, 96-DPI pixels; size 0: the player's place
    // "TypeScore": the row with most type points wins; ties go to the points the tie question's
    // answer gave (0: none), then to the earlier row.
    int32_t typeScoring;
    int32_t tieQuestion;
    // Both arrays always end with one all-zero record: the first empty text or title ends them.
    QuestionRecord *questions;
    size_t questionCapacity;  // records allocated
    ResultRecord *results;
    size_t resultCapacity;
};

// Gives the slot arrays holding only the all-zero record and empties every other field.
// Returns 0 when an array could not be allocated (that array is then null).
int question_file_init(QuestionFile *slot);
// Replaces both arrays by ones holding only the all-zero record and empties the title.
// When no new array can be had the old one is kept with its first record zeroed.
void question_file_empty(QuestionFile *slot);
// As question_file_empty, and every other field empty or 0 as well.
void question_file_clear(QuestionFile *slot);
// Releases both arrays; the slot is left all zero.
void question_file_free(QuestionFile *slot);
// A slot counts as loaded when its first question has a text.
bool question_file_loaded(const QuestionFile *slot);
// Number of questions before the first one without text.
size_t question_file_count(const QuestionFile *slot);

// a + b, held at the int32 limits instead of overflowing.
int32_t saturating_add(int32_t a, int32_t b);

// Reads a question file into slot (number slot_index among the loaded files: the index of its
// fonts and sounds). With no path the open-file dialog asks for one, owned by owner.
// 1 when read (also an empty file), 0 when cancelled or the file cannot be opened.
// chosen: the operator has just picked path in that dialog (UTF-8 losses are told as for one).
int load_question_file_into(QuestionFile *slot, int slot_index, HWND owner, const char *path, bool chosen = false);
// The open-file dialog of the loader alone; path (kPathSize bytes) receives the choice. 0 when cancelled.
int ask_question_file_path(HWND owner, char *path);
