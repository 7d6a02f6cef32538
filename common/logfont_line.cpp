// The LOGFONT text line: fourteen comma-separated fields, face name last.
#include "font_slot.h"
#include "BrixLib.h"
#include <stdint.h>
#include <stdio.h>
#include <string.h>

int read_logfont_line(const char *text, LOGFONTA *font) {
    if (!text) return 0;
    int32_t n[5] = {font->lfHeight, font->lfWidth, font->lfEscapement, font->lfOrientation, font->lfWeight};
    unsigned char b[8] = {font->lfItalic,        font->lfUnderline,    font->lfStrikeOut, font->lfCharSet,
                          font->lfOutPrecision,  font->lfClipPrecision, font->lfQuality,  font->lfPitchAndFamily};
    char face[LF_FACESIZE];
    memcpy(face, font->lfFaceName, sizeof face);
    face[LF_FACESIZE - 1] = '\0';
    // Extra fields after the face name are ignored, so the scanner's "leftover" result is not a failure.
    scan_fields(text, ",", "%l,%l,%l,%l,%l,%b,%b,%b,%b,%b,%b,%b,%b,%32s", &n[0], &n[1], &n[2], &n[3], &n[4], &b[0],
                &b[1], &b[2], &b[3], &b[4], &b[5], &b[6], &b[7], face);
    font->lfHeight = n[0];
    font->lfWidth = n[1];
    font->lfEscapement = n[2];
    font->lfOrientation = n[3];
    font->lfWeight = n[4];
    font->lfItalic = b[0];
    font->lfUnderline = b[1];
    font->lfStrikeOut = b[2];
    font->lfCharSet = b[3];
    font->lfOutPrecision = b[4];
    font->lfClipPrecision = b[5];
    font->lfQuality = b[6];
    font->lfPitchAndFamily = b[7];
    memcpy(font->lfFaceName, face, sizeof face);
    return 1;
}

int write_logfont_line(const LOGFONTA *f, char *out) {
    if (!out) return 0;
    char face[LF_FACESIZE];
    memcpy(face, f->lfFaceName, sizeof face);
    face[LF_FACESIZE - 1] = '\0';
    snprintf(out, 128, "%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%s", static_cast<int>(f->lfHeight),
             static_cast<int>(f->lfWidth), static_cast<int>(f->lfEscapement), static_cast<int>(f->lfOrientation),
             static_cast<int>(f->lfWeight), f->lfItalic, f->lfUnderline, f->lfStrikeOut, f->lfCharSet,
             f->lfOutPrecision, f->lfClipPrecision, f->lfQuality, f->lfPitchAndFamily, face);
    return 1;
}

void fix_face_charset(LOGFONTA *font) {
    unsigned char c = static_cast<unsigned char>(font->lfFaceName[0]);
    if (c == '@') c = static_cast<unsigned char>(font->lfFaceName[1]);
    if (!IsCharAlphaA(static_cast<CHAR>(c))) font->lfCharSet = SHIFTJIS_CHARSET;
}
