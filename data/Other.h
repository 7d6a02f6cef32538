// Field escaping for comma-separated lines, and the result-row parser.
#pragma once
#include <stddef.h>
#include <stdint.h>

// "~_#$" stands for CR LF, "~_#%" for a comma.
enum EscapeKind { kEscapeFull = 0, kEscapeComma = 1 };

enum { kTitleSize = 128, kCommentSize = 512 };

char *escape_field(char *out, size_t out_size, const char *text, int kind);
char *unescape_field(char *out, size_t out_size, const char *stored, int kind);
// Bytes the text takes once escaped with kind: what a reader's field limit counts.
size_t stored_length(const char *text, int kind);

// fields: the rest of a result line after its key. Outputs: 128-byte title, 512-byte comment,
// 260-byte picture. Fields that are empty or too long leave their outputs alone.
int parse_result_line(const char *fields, char *title, char *comment, char *picture, int32_t *x, int32_t *y);

// Takes the next comma-separated field of rest into field (size bytes); a missing field is empty.
// Returns the text after the field's comma, or null after the last field.
const char *take_field(const char *rest, char *field, size_t size);

// Leading blanks, optional sign, digits; anything after is ignored; no number gives 0.
int32_t field_number(const char *field);
