// Readings (furigana) written into a text: ｜漢字《かんじ》, or 漢字《かんじ》 after a run of kanji.
// The rule, in one place for every screen, list and log:
// - 《reading》 gives a reading to the base text before it: from a ｜ when one stands before it
//   in the same line, else the run of kanji (and 々) just before 《.
// - A broken notation stays as written: 《 without 》 on its line, an empty reading, a reading
//   with no base text (no ｜ and no kanji before it), a ｜ that no reading follows.
// - ｜《 writes 《 itself.
#pragma once
#include <string>
#include <vector>

struct ReadingSpan {
    size_t start, end;   // the base text's bytes in the plain text
    std::string reading;
};

// The text without its readings (what lists and logs show), and the readings of its spans.
std::string plain_text(const char *text, std::vector<ReadingSpan> *spans = nullptr);
