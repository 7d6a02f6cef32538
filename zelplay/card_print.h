// The visitor's printed result card: what goes on it, the one seam every print passes (tests and
// checks replace it), the hand-off on a thread of its own so the screen never waits, and the
// count of cards that could not print, for staff.
#pragma once
#include <windows.h>
#include <stdint.h>
#include <string>
#include <vector>
#include "card_layout.h"

enum CardPrintMode { kCardPrintOff = 0, kCardPrintButton, kCardPrintAuto };

struct CardJob {
    std::string printer;  // empty: the default printer
    int paper = kPaperA4;
    std::string quiz_title, result_title, comment, footer, qr_text;  // qr_text UTF-8
    int picture_w = 0, picture_h = 0;
    std::vector<uint32_t> picture;  // top-down 32-bit pixels, copied from the screen's picture
    bool test = false;              // 試す: marked テスト
};

// The seam: true when the job reached the spooler. The real one draws with GDI.
typedef bool (*CardPrintFn)(const CardJob &job);
CardPrintFn set_card_print_fn(CardPrintFn fn);  // null: the spooler
bool spool_card(const CardJob &job);
// Draws the card on dc (width and height its printable pixels, height 0: a roll) at dpi.
void draw_card(HDC dc, const CardJob &job, int width, int height, int dpi);

// The set's choice: off, the 「印刷」 button, or every result.
void set_card_printing(int mode, const char *printer, int paper);
int card_print_mode();
// Hands the card of the result on screen to the seam on a worker thread; at most one per result.
// window gets a repaint when the job is done. false when nothing was started.
bool request_card_print(HWND window, bool test);
// Cards that could not print since the start; and the last one's outcome for the visit row.
long card_print_failures();
void reset_card_print_for_result();
bool card_print_requested();

// What the author should hear about the set's printer: none named and no default, a name no
// printer has, or a paper this player does not know; "" when all is well.
void card_printer_problem(const char *printer, bool paper_unknown, char *out, size_t size);

// The 「印刷」 button of the result screen; and whether (x, y) presses it.
bool print_button_rect(const RECT &client, int dpi, RECT *button);
void draw_print_button(HDC dc, const RECT &client, int dpi, COLORREF fore, COLORREF key, HFONT font);
