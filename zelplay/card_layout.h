// Where each part of a printed result card stands on its paper: a pure function of the paper's
// printable size, so every paper width can be checked without a printer.
#pragma once
#include <windows.h>

enum CardPaper { kPaperA4 = 0, kPaperA5, kPaperB5, kPaperHagaki, kPaperRoll58, kPaperRoll80, kPaperCount };
struct PaperInfo {
    const char *key;   // in the set file: "A4", "A5", "B5", "HAGAKI", "ROLL58", "ROLL80"
    const char *name;  // for people
    short dm_paper;    // the DEVMODE paper; 0 for a roll (found among the printer's papers by its width)
    int width_mm, height_mm;  // a roll: its width and the length a card takes at most
    int printable_mm;  // a roll's printable width (the head is narrower than the paper)
};
const PaperInfo &paper_info(int paper);
// The paper of a set file's value; kPaperA4 for an empty or unknown one (*known false then).
int paper_of_key(const char *key, bool *known = nullptr);

enum CardPart { kCardQuizTitle = 0, kCardResultTitle, kCardComment, kCardPicture, kCardQr, kCardFooter, kCardTest, kCardParts };

struct CardMeasure {
    void *context;
    // Height of part's text wrapped to width at font height font_px; 0 for no text.
    int (*text_height)(void *context, int part, int width, int font_px);
};

struct CardLayout {
    RECT part[kCardParts];   // empty rectangles for parts not shown
    int font_px[kCardParts]; // text parts' font heights
    int qr_module;           // pixels a module, quiet zone included in the QR rectangle
    int height;              // what the card takes (a roll is cut there)
};
// width and height: the printable area in device pixels at dpi (a roll: height 0, as long as
// needed). picture_w/h: the picture's own size (0: none); qr_modules: the symbol's side with its
// quiet zone (0: none). One column on every paper; the picture and the code shrink before any
// text is left out, and never past what a phone reads (0.5 mm a module).
CardLayout card_layout(int paper, int width, int height, int dpi, int picture_w, int picture_h, int qr_modules,
                       bool test, const CardMeasure &measure);
