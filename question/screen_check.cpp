// The check behind the editors' warning: the player's own layout, at the smallest screen.
#include "screen_check.h"
#include "BrixLib.h"
#include "Other.h"
#include "RowOfFile.h"
#include "imemory.h"
#include "question_codec.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {
struct DcHolder {
    HDC dc = CreateCompatibleDC(nullptr);
    ~DcHolder() {
        if (dc) DeleteDC(dc);
    }
};
}  // namespace

ScreenCheck question_fits_screen(const QuestionRecord &q, const LOGFONTA fonts[kFitRoles], int width, int height) {
    DcHolder holder;
    if (!holder.dc) return kShownAsSet;  // nothing can be measured: say nothing rather than cry wolf
    GdiFitMeasure measure(holder.dc, fonts);
    FitInput in = {};
    in.client = {0, 0, width, height};
    in.dpi = 96;
    in.main = q.text;
    for (int i = 0; i < kAnswerCount && i < kFitBackSlot; ++i) in.choice[i] = q.answers[i];
    for (int i = 0; i < kFitRoles; ++i) in.height[i] = abs(fonts[i].lfHeight);
    in.numbered = true;
    const ScreenFit fit = fit_screen(in, measure);
    if (!fit.fits) return kNotShown;
    return fit.percent < 100 ? kShownSmaller : kShownAsSet;
}

std::string unfit_questions(ListNode *questions, const LOGFONTA fonts[kFitRoles]) {
    std::string out;
    const int count = liner_count(questions);
    for (int i = 0; i < count; ++i) {
        const QuestionRecord *q = static_cast<const QuestionRecord *>(liner_get(questions, i));
        const ScreenCheck check = q ? question_fits_screen(*q, fonts, kCheckScreenWidth, kCheckScreenHeight) : kShownAsSet;
        if (check == kShownAsSet) continue;
        // The question's start, cut at a character and at its first line break.
        char start[64];
        size_t n = 0;
        for (const char *p = q->text; *p && *p != '\r' && *p != '\n';) {
            size_t bytes = is_sjis_lead(static_cast<unsigned char>(*p)) && p[1] ? 2 : 1;
            if (n + bytes >= 40) {
                memcpy(start + n, "…", 2);
                n += 2;
                break;
            }
            memcpy(start + n, p, bytes);
            n += bytes;
            p += bytes;
        }
        start[n] = '\0';
        char line[128];
        snprintf(line, sizeof line, "問題 %d「%s」%s\r\n", i + 1, start,
                 check == kNotShown ? "（小さくしても画面からはみ出します）" : "（文字を小さくして表示されます）");
        out += line;
    }
    return out;
}

namespace {

struct CheckReader {
    ListNode questions;
    ListNode *tail;
    LOGFONTA fonts[kFitRoles];
};

bool take_question(void *context, const char *fields) {
    CheckReader *r = static_cast<CheckReader *>(context);
    QuestionRecord q;
    memset(&q, 0, sizeof q);
    parse_question_line(fields, &q, kNumbersAlways);
    if (ListNode *e = liner_append_from(r->tail, &q, sizeof q)) r->tail = e;
    return true;
}

void take_font(void *context, int role, const LOGFONTA *font) {
    const int fit = role == kFontRoleQuestion ? kFitMain : role == kFontRoleAnswer ? kFitAnswer
                    : role == kFontRoleComment ? kFitComment : -1;
    if (fit >= 0) static_cast<CheckReader *>(context)->fonts[fit] = *font;
}

}  // namespace

bool unfit_questions_in_file(const char *path, const LOGFONTA set_fonts[kFitRoles], std::string *out) {
    out->clear();
    int utf8 = 0;
    HANDLE file = open_line_file(path, &utf8);
    if (file == INVALID_HANDLE_VALUE) return false;
    char *buffer = static_cast<char *>(I_HEAP_CALLOC(kLineSize, 1));
    CheckReader reader = {};
    reader.tail = &reader.questions;
    memcpy(reader.fonts, set_fonts, sizeof reader.fonts);
    if (buffer) {
        QuestionLineSink sink = {};
        sink.context = &reader;
        sink.question = take_question;
        sink.font = take_font;
        read_question_lines(file, buffer, &sink);
        I_HEAP_FREE(buffer);
    }
    CloseHandle(file);
    *out = unfit_questions(&reader.questions, reader.fonts);
    liner_clear(&reader.questions);
    return true;
}
