// The four font slots (base, set and question-file levels) and the LOGFONT text line.
#pragma once
#include <windows.h>

enum { kFontFiles = 5 };

// Operation codes of the font slots. index: question-file position 0..4, or -1 (start screen).
enum FontOp {
    kFontCreate = 1,    // base font from the defaults; forgets the other levels
    kFontLookup = 3,    // question-file font, else set font, else base font
    kFontPutFile = 4,   // buffer: LOGFONT for position index
    kFontPutSet = 5,    // buffer: LOGFONT of the set
    kFontGetBase = 6,   // buffer receives the base LOGFONT
    kFontGetFile = 8,   // buffer receives the LOGFONT of position index
    kFontGetEffective = 9,  // as lookup, and the chosen LOGFONT is copied into the buffer
    kFontDropFile = 21, // deletes the font of position index
};

enum FontVariant { kFontPlain = 0, kFontUnderlined = 1 };

struct FontSlot {
    LOGFONTA base;
    HFONT base_font;
    LOGFONTA set;
    HFONT set_font;
    LOGFONTA files[kFontFiles];
    HFONT file_fonts[kFontFiles];
    int created;
};

HFONT font_slot(FontSlot *slot, int variant, int default_height, int operation, int index, int height,
                LOGFONTA *buffer);

// The screen's DPI for the four slots: their fonts are made again at the new size.
void font_slots_set_dpi(int dpi);
int font_slots_dpi();

HFONT question_font(int operation, int index, int height, LOGFONTA *buffer);
HFONT answer_font(int operation, int index, LOGFONTA *buffer);
HFONT comment_font(int operation, int index, int height, LOGFONTA *buffer);
HFONT header_font(int operation, int index, LOGFONTA *buffer);

int read_logfont_line(const char *text, LOGFONTA *font);
// out must hold at least 128 bytes.
int write_logfont_line(const LOGFONTA *font, char *out);
void fix_face_charset(LOGFONTA *font);
