// The question file's keys, stored limits, font roles, line dispatch and record lines.
#include "question_codec.h"
#include "BrixLib.h"
#include "Other.h"
#include "RowOfFile.h"
#include "font_slot.h"
#include <stdint.h>
#include <string.h>

namespace {

const char *const kKeyNames[kKeyCount] = {"N", "Q", "H", "F", "U", "S", "R", "J", "A", "L", "O",
                                          "SndSt", "SndMx", "SndMd", "SndMn", "SndEd", "SndBk", "QuesWall", "RoundUp", "SRange",
                                          "QrText", "QrDefault", "QrPlace"};

// A line built in the caller's buffer, its length kept as it grows; ok turns false when a piece
// would pass the buffer or the longest line a reader takes.
class Line {
public:
    Line(char *text, size_t size) : text_(text), size_(size) {
        if (size_) text_[0] = '\0';
        else ok = false;
    }
    Line &add(const char *piece) {
        size_t n = strlen(piece);
        if (ok && used_ + n < size_) {
            memcpy(text_ + used_, piece, n + 1);
            used_ += n;
        } else {
            ok = false;
        }
        return *this;
    }
    Line &add(int32_t v) {
        char digits[12];
        char *p = digits + sizeof digits;
        *--p = '\0';
        uint32_t magnitude = v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
        do {
            *--p = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude);
        if (v < 0) *--p = '-';
        return add(p);
    }
    // Only for fields already known to fit as stored (question_fits, result_fits).
    Line &escaped(const char *text, int kind) {
        char stored[kStoredCommentMax + 1];
        return add(escape_field(stored, sizeof stored, text, kind));
    }
    size_t finish() {
        add("\r\n");
        return ok && used_ - 2 <= kStoredLineMax ? used_ : 0;
    }
    bool ok = true;

private:
    char *text_;
    size_t size_;
    size_t used_ = 0;
};

bool text_fits(const char *text, int kind, size_t max) { return stored_length(text, kind) <= max; }

}  // namespace

const char *question_key_name(int key) { return key >= 0 && key < kKeyCount ? kKeyNames[key] : ""; }

int question_line_key(const char *line, const char **value) {
    // A key buffer as long as a line: a cut key could pass for a shorter one.
    char key[kLineSize] = {0};
    const char *rest = nullptr;
    split_at_delimiter(line, ",", key, sizeof key, &rest);
    *value = rest ? rest : "";
    for (int k = 0; k < kKeyCount; ++k)
        if (equals_nocase(key, kKeyNames[k])) return k;
    return kKeyUnknown;
}

int question_path_field(const char *line) {
    const char *value = nullptr;
    int key = question_line_key(line, &value);
    if (key == kKeyQuestion) return 1 + 1 + 2 * kAnswerCount;  // text, then answer and points five times
    if (key == kKeyTopRow || key == kKeyResult || key == kKeyBottomRow) return 3;  // title, comment
    if (key == kKeyWallpaper || (key >= kKeySound0 && key < kKeySound0 + 6)) return 1;
    return -1;
}

HFONT font_role_call(int role, int operation, int index, LOGFONTA *font) {
    switch (role) {
        case kFontRoleQuestion: return question_font(operation, index, 0, font);
        case kFontRoleAnswer: return answer_font(operation, index, font);
        case kFontRoleComment: return comment_font(operation, index, 0, font);
        default: return header_font(operation, index, font);
    }
}

bool stored_path_fits(const char *path) { return strlen(path) <= kStoredPathMax && !strchr(path, ','); }

bool question_fits(const QuestionRecord *q, int *field) {
    int bad = -1;
    if (!text_fits(q->text, kEscapeFull, kStoredQuestionMax)) bad = 0;
    for (int a = 0; a < kAnswerCount && bad < 0; ++a)
        if (!text_fits(q->answers[a], kEscapeComma, kStoredAnswerMax)) bad = 1 + a;
    if (bad < 0 && !stored_path_fits(q->picture)) bad = 6;
    if (field) *field = bad;
    return bad < 0;
}

bool result_fits(const ResultRecord *r, int *field) {
    int bad = -1;
    if (!text_fits(r->title, kEscapeFull, kStoredTitleMax)) bad = 0;
    else if (!text_fits(r->comment, kEscapeFull, kStoredCommentMax)) bad = 1;
    else if (!stored_path_fits(r->picture)) bad = 2;
    if (field) *field = bad;
    return bad < 0;
}

size_t format_question_line(const QuestionRecord *q, char *out, size_t size) {
    if (!question_fits(q, nullptr)) return 0;
    Line line(out, size);
    line.add("Q,").escaped(q->text, kEscapeFull);
    for (int a = 0; a < kAnswerCount; ++a) line.add(",").escaped(q->answers[a], kEscapeComma).add(",").add(q->points[a]);
    if (q->picture[0])
        line.add(",").add(q->picture).add(",").add(q->pictureX).add(",").add(q->pictureY).add(",").add(q->pictureExtra);
    return line.finish();
}

size_t format_result_line(int key, const ResultRecord *r, char *out, size_t size) {
    if (!result_fits(r, nullptr)) return 0;
    Line line(out, size);
    line.add(question_key_name(key)).add(",").escaped(r->title, kEscapeFull);
    if (r->comment[0] || r->picture[0]) line.add(",").escaped(r->comment, kEscapeFull);
    if (r->picture[0]) line.add(",").add(r->picture).add(",").add(r->pictureX).add(",").add(r->pictureY);
    return line.finish();
}

namespace {

// A plain decimal int32 up to the next comma or the end: an optional minus and digits only.
const char *strict_int32(const char *p, int32_t *out) {
    bool negative = *p == '-';
    if (negative) ++p;
    if (*p < '0' || *p > '9') return nullptr;
    int64_t v = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        v = v * 10 + (*p - '0');
        if (v > static_cast<int64_t>(INT32_MAX) + 1) return nullptr;
    }
    if (negative) v = -v;
    if (v > INT32_MAX || v < INT32_MIN) return nullptr;
    *out = static_cast<int32_t>(v);
    return p;
}

}  // namespace

int parse_range_line(const char *value, RangeLine *out) {
    RangeLine r = {};
    const char *p = strict_int32(value, &r.row);
    if (p && *p == ',') p = strict_int32(p + 1, &r.from);
    else p = nullptr;
    if (p && *p == ',') p = strict_int32(p + 1, &r.to);
    else p = nullptr;
    if (!p || *p || r.row < 1) return kRangeLineBadNumber;
    if (r.from > r.to) return kRangeLineOutOfOrder;
    *out = r;
    return kRangeLineOk;
}

size_t format_range_line(int32_t row, const ResultRecord *r, char *out, size_t size) {
    if (!r->ranged) return 0;
    Line line(out, size);
    line.add(question_key_name(kKeyResultRange)).add(",").add(row).add(",").add(r->rangeFrom).add(",").add(r->rangeTo);
    return line.finish();
}

bool apply_range_lines(const RangeLine *lines, size_t n, ResultRecord *results, size_t count) {
    bool all = true;
    for (size_t i = 0; i < n; ++i) {
        if (static_cast<size_t>(lines[i].row) > count) {
            all = false;
            continue;
        }
        ResultRecord &r = results[lines[i].row - 1];
        r.ranged = 1;
        r.rangeFrom = lines[i].from;
        r.rangeTo = lines[i].to;
    }
    return all;
}

namespace {

bool dispatch(const char *line, void *context) {
    const QuestionLineSink *sink = static_cast<const QuestionLineSink *>(context);
    const char *value = "";
    int key = question_line_key(line, &value);
    switch (key) {
        case kKeyQuestion: return !sink->question || sink->question(sink->context, value);
        case kKeyTopRow:
        case kKeyResult:
        case kKeyBottomRow: return !sink->result || sink->result(sink->context, key, value);
        case kKeyFontQuestion:
        case kKeyFontAnswer:
        case kKeyFontComment:
        case kKeyFontHeader:
            if (sink->font) {
                LOGFONTA font;
                memset(&font, 0, sizeof font);
                read_logfont_line(value, &font);
                sink->font(sink->context, key - kKeyFontQuestion, &font);
            }
            return true;
        case kKeyRoundUp:
            if (sink->round_up) sink->round_up(sink->context);
            return true;
        case kKeyResultRange:
            if (sink->range) sink->range(sink->context, value);
            return true;
        case kKeyUnknown: return true;
        default:
            if (sink->setting) sink->setting(sink->context, key, value);
            return true;
    }
}

}  // namespace

void read_question_lines(HANDLE file, char *buffer, const QuestionLineSink *sink) {
    if (check_not_empty(file) == kFileEmpty) return;
    for_each_line(file, buffer, kLineSize, dispatch, const_cast<QuestionLineSink *>(sink));
}
