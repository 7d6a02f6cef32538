// Field escaping and the result-row parser shared by both programs.
#include "Other.h"
#include "BrixLib.h"
#include "imemory.h"
#include <stdlib.h>
#include <string.h>

static const char kBreakEsc[] = "~_#$";
static const char kCommaEsc[] = "~_#%";

// Two replacements in a row through a work buffer of the output's size.
static char *replace_twice(char *out, size_t out_size, const char *text, const char *p1, const char *r1,
                           const char *p2, const char *r2) {
    char *work = static_cast<char *>(I_CALLOC(out_size, 1));
    if (!work) {
        if (out_size) out[0] = '\0';
        return out;
    }
    replace_all_nocase(work, out_size, text, p1, r1);
    replace_all_nocase(out, out_size, work, p2, r2);
    I_FREE(work);
    return out;
}

char *escape_field(char *out, size_t out_size, const char *text, int kind) {
    if (kind != kEscapeFull) return replace_all_nocase(out, out_size, text, ",", kCommaEsc);
    return replace_twice(out, out_size, text, "\r\n", kBreakEsc, ",", kCommaEsc);
}

char *unescape_field(char *out, size_t out_size, const char *stored, int kind) {
    if (kind != kEscapeFull) return replace_all_nocase(out, out_size, stored, kCommaEsc, ",");
    return replace_twice(out, out_size, stored, kBreakEsc, "\r\n", kCommaEsc, ",");
}

size_t stored_length(const char *text, int kind) {
    // Neither a comma nor CR LF is ever the second byte of a character, so bytes can be counted.
    size_t n = 0;
    for (const char *p = text; *p; ++p) {
        if (*p == ',') n += sizeof kCommaEsc - 1;
        else if (kind == kEscapeFull && p[0] == '\r' && p[1] == '\n') n += sizeof kBreakEsc - 1, ++p;
        else ++n;
    }
    return n;
}

const char *take_field(const char *rest, char *field, size_t size) {
    field[0] = '\0';
    if (!rest) return nullptr;
    const char *next = nullptr;
    if (*rest) {
        split_at_delimiter(rest, ",", field, size, &next);
        return next;
    }
    return nullptr;
}

int parse_result_line(const char *fields, char *title, char *comment, char *picture, int32_t *x, int32_t *y) {
    size_t size = 2 * strlen(fields) + 2;
    char *field = static_cast<char *>(I_CALLOC(size, 1));
    if (!field) return 1;
    const char *rest = take_field(fields, field, size);
    size_t n = strlen(field);
    if (n >= 1 && n < kTitleSize) unescape_field(title, kTitleSize, field, kEscapeFull);
    rest = take_field(rest, field, size);
    n = strlen(field);
    if (n >= 1 && n < kCommentSize) unescape_field(comment, kCommentSize, field, kEscapeFull);
    rest = take_field(rest, field, size);
    n = strlen(field);
    if (n >= 1 && n < kPathSize) {
        memcpy(picture, field, n + 1);
        rest = take_field(rest, field, size);
        if (field[0]) *x = field_number(field);
        rest = take_field(rest, field, size);
        if (field[0]) *y = field_number(field);
    }
    I_FREE(field);
    return 1;
}

int32_t field_number(const char *field) {
    // Out-of-range numbers clamp instead of overflowing.
    long long v = strtoll(field, nullptr, 10);
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}
