// One implementation behind the four font slots; each slot owns and deletes its fonts.
#include "font_slot.h"
#include "dpi.h"
#include "imemory.h"
#include <initializer_list>
#include <string.h>

static const char kCreateFailed[] = "フォントの作成に失敗しました";

static int g_dpi = kBaseDpi;

// The stored LOGFONT keeps the file's 96-DPI height; only the GDI font grows with the screen.
static HFONT make_font(const LOGFONTA *lf) {
    LOGFONTA scaled = *lf;
    logfont_to_dpi(&scaled, g_dpi);
    HFONT f = CreateFontIndirectA(&scaled);
    if (!f) i_show_last_error(kCreateFailed);
    return f;
}

static void drop(HFONT *f) {
    if (*f) DeleteObject(*f);
    *f = nullptr;
}

static void create(FontSlot *s, int variant, int height) {
    if (s->base.lfHeight == 0) {
        memset(&s->base, 0, sizeof s->base);
        s->base.lfHeight = 20;
        s->base.lfWeight = FW_HEAVY;
        s->base.lfCharSet = SHIFTJIS_CHARSET;
        s->base.lfOutPrecision = OUT_TT_ONLY_PRECIS;
        s->base.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        s->base.lfQuality = DRAFT_QUALITY;
        s->base.lfPitchAndFamily = VARIABLE_PITCH;
        strcpy(s->base.lfFaceName, "ＭＳ 明朝");
    }
    if (variant == kFontUnderlined) {
        s->base.lfHeight = 20;
        s->base.lfUnderline = 1;
    } else {
        s->base.lfHeight = height;
    }
    fix_face_charset(&s->base);
    drop(&s->base_font);
    drop(&s->set_font);
    for (HFONT &f : s->file_fonts) drop(&f);
    s->base_font = make_font(&s->base);
    s->created = 1;
}

static bool valid(int index) { return index >= 0 && index < kFontFiles; }

HFONT font_slot(FontSlot *s, int variant, int default_height, int operation, int index, int height,
                LOGFONTA *buffer) {
    if (operation == kFontCreate) {
        create(s, variant, height);
        return s->base_font;
    }
    if (!s->created) create(s, variant, default_height);
    switch (operation) {
        case kFontPutFile:
            if (!valid(index) || !buffer) return nullptr;
            drop(&s->file_fonts[index]);
            s->files[index] = *buffer;
            s->file_fonts[index] = make_font(buffer);
            return s->file_fonts[index];
        case kFontPutSet:
            if (!buffer) return nullptr;
            drop(&s->set_font);
            s->set = *buffer;
            s->set_font = make_font(buffer);
            return s->set_font;
        case kFontGetBase:
            if (buffer) *buffer = s->base;
            return s->base_font;
        case kFontGetFile:
            if (!valid(index)) return nullptr;
            if (buffer) *buffer = s->files[index];
            return s->file_fonts[index];
        case kFontDropFile:
            if (valid(index)) {
                drop(&s->file_fonts[index]);
                memset(&s->files[index], 0, sizeof s->files[index]);
            }
            return nullptr;
        default: {
            const LOGFONTA *lf = &s->base;
            HFONT f = s->base_font;
            if (valid(index) && s->file_fonts[index]) {
                lf = &s->files[index];
                f = s->file_fonts[index];
            } else if (s->set_font) {
                lf = &s->set;
                f = s->set_font;
            }
            if (operation == kFontGetEffective && buffer) *buffer = *lf;
            return f;
        }
    }
}

static FontSlot g_question, g_answer, g_comment, g_header;

static void remake(FontSlot *s) {
    auto again = [](HFONT *f, const LOGFONTA *lf) {
        if (!*f) return;
        drop(f);
        *f = make_font(lf);
    };
    again(&s->base_font, &s->base);
    again(&s->set_font, &s->set);
    for (int i = 0; i < kFontFiles; ++i) again(&s->file_fonts[i], &s->files[i]);
}

void font_slots_set_dpi(int dpi) {
    if (dpi <= 0 || dpi == g_dpi) return;
    g_dpi = dpi;
    for (FontSlot *s : {&g_question, &g_answer, &g_comment, &g_header}) remake(s);
}

int font_slots_dpi() { return g_dpi; }

HFONT question_font(int op, int index, int height, LOGFONTA *buffer) {
    return font_slot(&g_question, kFontPlain, 50, op, index, height, buffer);
}
HFONT answer_font(int op, int index, LOGFONTA *buffer) {
    return font_slot(&g_answer, kFontUnderlined, 20, op, index, 20, buffer);
}
HFONT comment_font(int op, int index, int height, LOGFONTA *buffer) {
    return font_slot(&g_comment, kFontPlain, 20, op, index, height, buffer);
}
HFONT header_font(int op, int index, LOGFONTA *buffer) {
    return font_slot(&g_header, kFontUnderlined, 20, op, index, 20, buffer);
}
