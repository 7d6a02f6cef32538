// The question file's keys, stored limits, font roles, line dispatch and record lines.
#include "question_codec.h"
#include "BrixLib.h"
#include "Other.h"
#include "RowOfFile.h"
#include "font_slot.h"
#include "QuestionFile.h"
#include <stdint.h>
#include <stdio.h>
#include <string.h>

namespace {

const char *const kKeyNames[kKeyCount] = {"N", "Q", "H", "F", "U", "S", "R", "J", "A", "L", "O",
                                          "SndSt", "SndMx", "SndMd", "SndMn", "SndEd", "SndBk", "QuesWall", "RoundUp", "SRange",
                                          "QrText", "QrDefault", "QrPlace",
                                          "TypeScore", "TypePt", "Voice"};

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
    if (key == kKeyVoice) return 2;  // after the part's number
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
    for (int v = 0; v < kVoiceParts && bad < 0; ++v)
        if (!stored_path_fits(q->voice[v])) bad = 7 + v;
    if (field) *field = bad;
    return bad < 0;
}

bool result_fits(const ResultRecord *r, int *field) {
    int bad = -1;
    if (!text_fits(r->title, kEscapeFull, kStoredTitleMax)) bad = 0;
    else if (!text_fits(r->comment, kEscapeFull, kStoredCommentMax)) bad = 1;
    else if (!stored_path_fits(r->picture)) bad = 2;
    else if (!stored_path_fits(r->voice)) bad = 3;
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

bool parse_type_scoring(const char *value, int32_t *tie_question) {
    int32_t v = 0;
    const char *p = strict_int32(value, &v);
    if (!p || *p || v < 0) return false;
    *tie_question = v;
    return true;
}

size_t format_type_scoring_line(int32_t tie_question, char *out, size_t size) {
    Line line(out, size);
    line.add(question_key_name(kKeyTypeScoring)).add(",").add(tie_question);
    return line.finish();
}

int parse_type_link_line(const char *value, TypeLinkLine *out) {
    int32_t v[4] = {};
    const char *p = value;
    for (int i = 0; i < 4 && p; ++i) {
        if (i) p = *p == ',' ? p + 1 : nullptr;
        if (p) p = strict_int32(p, &v[i]);
    }
    if (!p || *p || v[0] < 1 || v[1] < 1 || v[1] > kAnswerCount || v[2] < 1) return kTypeLineBadNumber;
    *out = {v[0], v[1], v[2], v[3]};
    return kTypeLineOk;
}

size_t format_type_link_lines(int32_t question, const QuestionRecord *q, char *out, size_t size) {
    Line line(out, size);
    bool any = false;
    for (int a = 0; a < kAnswerCount; ++a)
        for (int k = 0; k < kTypeLinksPerAnswer && q->typeLinks[a][k].row; ++k) {
            const TypeLink &l = q->typeLinks[a][k];
            line.add(question_key_name(kKeyTypeLink)).add(",").add(question).add(",").add(a + 1).add(",").add(l.row);
            line.add(",").add(l.points).add("\r\n");
            any = true;
        }
    return any && line.ok ? strlen(out) : 0;
}

bool add_type_link(QuestionRecord *q, int answer, int32_t row, int32_t points) {
    TypeLink *links = q->typeLinks[answer];
    for (int k = 0; k < kTypeLinksPerAnswer; ++k) {
        if (links[k].row == row) {
            links[k].points = saturating_add(links[k].points, points);
            return true;
        }
        if (!links[k].row) {
            links[k] = {row, points};
            return true;
        }
    }
    return false;
}

bool question_has_type_links(const QuestionRecord *q) {
    for (int a = 0; a < kAnswerCount; ++a)
        if (q->typeLinks[a][0].row) return true;
    return false;
}

void format_type_links_text(const QuestionRecord *q, int answer, char *out, size_t size) {
    Line line(out, size);
    for (int k = 0; k < kTypeLinksPerAnswer && q->typeLinks[answer][k].row; ++k)
        line.add(k ? "," : "").add(q->typeLinks[answer][k].row).add(":").add(q->typeLinks[answer][k].points);
    if (!line.ok && size) out[0] = '\0';
}

bool parse_type_links_text(const char *text, int32_t rows, QuestionRecord *q, int answer, char *error, size_t size) {
    TypeLink links[kTypeLinksPerAnswer] = {};
    int n = 0;
    const char *p = text;
    while (*p == ' ') ++p;
    while (*p) {
        int32_t row = 0, points = 0;
        const char *end = strict_int32(p, &row);
        if (end && *end == ':') end = strict_int32(end + 1, &points);
        else end = nullptr;
        while (end && *end == ' ') ++end;
        if (!end || (*end && *end != ',')) {
            snprintf(error, size, "「%s」は 結果の番号:点数 をコンマで区切ったものではありません（例: 2:3,4:1）。", text);
            return false;
        }
        if (row < 1 || row > rows) {
            snprintf(error, size, "結果 %ld はありません（結果は 1〜%ld）。", static_cast<long>(row), static_cast<long>(rows));
            return false;
        }
        for (int k = 0; k < n; ++k)
            if (links[k].row == row) {
                snprintf(error, size, "結果 %ld が2度書かれています。", static_cast<long>(row));
                return false;
            }
        if (n == kTypeLinksPerAnswer) {
            snprintf(error, size, "1つの答えがつながる結果は %d 個までです。", kTypeLinksPerAnswer);
            return false;
        }
        links[n++] = {row, points};
        p = *end ? end + 1 : end;
        while (*p == ' ') ++p;
    }
    memcpy(q->typeLinks[answer], links, sizeof links);
    return true;
}

bool take_voice_line(PendingVoices *pending, const char *value) {
    int32_t part = -1;
    const char *p = strict_int32(value, &part);
    if (!p || *p != ',' || part < 0 || part >= kVoiceParts || !p[1] || !stored_path_fits(p + 1)) return false;
    copy_cut(pending->path[part], sizeof pending->path[part], p + 1);
    return true;
}

void give_question_voices(PendingVoices *pending, QuestionRecord *q) {
    memcpy(q->voice, pending->path, sizeof q->voice);
    memset(pending, 0, sizeof *pending);
}

void give_result_voice(PendingVoices *pending, ResultRecord *r) {
    memcpy(r->voice, pending->path[0], sizeof r->voice);
    memset(pending, 0, sizeof *pending);
}

namespace {

size_t format_voices(const char (*voices)[kQuesPathSize], int parts, char *out, size_t size) {
    Line line(out, size);
    bool any = false;
    for (int v = 0; v < parts; ++v) {
        if (!voices[v][0]) continue;
        line.add(question_key_name(kKeyVoice)).add(",").add(v).add(",").add(voices[v]).add("\r\n");
        any = true;
    }
    return any && line.ok ? strlen(out) : 0;
}

}  // namespace

size_t format_question_voices(const QuestionRecord *q, char *out, size_t size) {
    return format_voices(q->voice, kVoiceParts, out, size);
}

size_t format_result_voice(const ResultRecord *r, char *out, size_t size) { return format_voices(&r->voice, 1, out, size); }

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
        case kKeyTypeScoring:
            if (sink->type_scoring) sink->type_scoring(sink->context, value);
            return true;
        case kKeyTypeLink:
            if (sink->type_link) sink->type_link(sink->context, value);
            return true;
        case kKeyVoice:
            if (sink->voice) sink->voice(sink->context, value);
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
