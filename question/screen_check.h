// Whether the questions of a file can be shown on a small kiosk screen with the file's fonts.
#pragma once
#include <windows.h>
#include <string>
#include "LinerList.h"
#include "question_records.h"
#include "screen_fit.h"

// The smallest screen a question must fit: 1024 x 768 at 100 %.
enum { kCheckScreenWidth = 1024, kCheckScreenHeight = 768 };

// How q shows on a width x height screen (fonts[]: the question, answer and comment fonts at
// 100 %), the answers with their number badges.
enum ScreenCheck { kShownAsSet = 0, kShownSmaller = 1, kNotShown = 2 };
ScreenCheck question_fits_screen(const QuestionRecord &q, const LOGFONTA fonts[kFitRoles], int width, int height);
// The questions (QuestionRecord list) that cannot be shown with their fonts at kCheckScreenWidth x
// kCheckScreenHeight, one line each: "問題 3「...」" and how the player copes; "" when every one can.
std::string unfit_questions(ListNode *questions, const LOGFONTA fonts[kFitRoles]);

// The same for the question file at path (as found), read on its own: fonts are those the set would give,
// which the file's own "J", "A" and "L" lines replace. Nothing shared changes (no font slot,
// sound or loaded file), so the set editor can ask while a set plays. False when the file
// cannot be opened.
bool unfit_questions_in_file(const char *path, const LOGFONTA set_fonts[kFitRoles], std::string *out);
