// The result screen's QR code: filled and built once when a result is shown, drawn with every
// composition of the screen.
#pragma once
#include <windows.h>
#include "screen_fit.h"  // keep_text_clear
#include <stdint.h>
#include "QuestionFile.h"
#include "qr_text.h"

// Takes the row's text (or the file's default), fills it for this visit and builds the symbol.
// A text that cannot be filled or does not fit leaves the screen without a code, never a broken one.
void result_qr_prepare(const QuestionFile *file, const ResultRecord *row, int32_t total, const SYSTEMTIME &now,
                       const char *kiosk);
void result_qr_clear();
// The visit code of the result shown last ("" before any), and its filled UTF-8 text ("" for none).
const char *result_visit_code();
const char *result_qr_text();

// Where the code stands in a client rectangle at dpi: its square with the quiet zone, and the
// module's side in pixels (at least 0.5 mm). false when there is no code or it does not fit.
struct QrPlacement {
    RECT square;
    int module;
    bool moved;  // the file's place was partly off the screen and the code was moved in
};
bool result_qr_placement(const RECT &client, int dpi, QrPlacement *place);
// Draws the code, dark on light whatever the screen's colours, as phones expect.
void draw_result_qr(HDC dc, const RECT &client, int dpi);
// Draws any symbol with its quiet zone at (x, y), module pixels a side.
void draw_qr_symbol(HDC dc, const QrSymbol &symbol, int x, int y, int module);
// How the card of the result shown last fared (CardPrint of visit_code_log.h).
int result_card_print();
void set_result_card_print(int print);
// Date, kiosk and visit code as the printed card shows them.
const char *result_card_footer();
