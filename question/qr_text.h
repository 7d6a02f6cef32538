// The QR code a result screen and a printed card carry: the author's text with its placeholders
// filled for one visit, the visit's short code, and the symbol built from the text by Nayuki's
// QR code generator (UTF-8 in byte mode, error correction level M or better).
#pragma once
#include <stddef.h>
#include <stdint.h>
#include <windows.h>

enum {
    kQrTextSize = 256,      // the author's text in a record, as in the file's code page
    kQrFilledSize = 1024,   // the filled text, UTF-8, with its terminator
    kQrMaxVersion = 10,     // 57 modules: kept small so phones read it from a screen's distance
    kQrMaxModules = 17 + 4 * kQrMaxVersion,
    kQrQuietModules = 4,    // light border on every side
    kVisitCodeSize = 5,     // four characters and the terminator
};

// What the placeholders stand for in one visit; texts in the file's code page.
struct QrValues {
    const char *title;
    int32_t total;
    SYSTEMTIME date;
    const char *kiosk;
    const char *code;
};

enum QrFillResult {
    kQrFillOk = 0,
    kQrFillUnknown,   // "{" not followed by a known name and "}" (a literal brace is written "{{")
    kQrFillControl,   // a line break, tab or other control character
    kQrFillTooLong,   // the filled text passes out's size
    kQrFillBadText,   // not text of the code page
};
// Fills {title}, {total}, {date} (YYYY-MM-DD), {kiosk} and {code} into pattern and gives UTF-8 in
// out. In a web address (a text starting "http://" or "https://") the values and every character
// outside printable ASCII are percent-encoded as UTF-8, so the address stays one address; in any
// other text they stand as they are. *where gets the byte offset of a fault in pattern.
int fill_qr_text(const char *pattern, const QrValues &values, char *out, size_t size, size_t *where = nullptr);
// A message for the author about a fill result, with the place of the fault; "" for kQrFillOk.
void qr_fill_message(int result, const char *pattern, size_t where, char *out, size_t size);

// A built symbol: size modules a side, dark(x, y) for one module.
struct QrSymbol {
    int size = 0;
    uint8_t data[3918];  // qrcodegen_BUFFER_LEN_MAX: what the library writes into
    bool dark(int x, int y) const;
};
// Builds the symbol of a UTF-8 text at level M or higher (the library raises the level while the
// version stays), up to kQrMaxVersion. false (symbol size 0) when the text does not fit.
bool build_qr(const char *utf8, QrSymbol *symbol);
// Bytes of the longest text of this kind that still fits, for the author's message.
int qr_capacity_bytes();

// The per-visit code: unique per kiosk and day. number is the next visit's number of the day:
// never below the seconds since midnight, always above the previous one, so a restarted player
// goes on past the numbers it gave before.
uint32_t next_visit_number(uint32_t previous, const SYSTEMTIME &now);
// Four characters of digits and capitals without 0, 1, I and O, which read alike.
void format_visit_code(uint32_t number, char out[kVisitCodeSize]);

// The "QrPlace" value "x,y,size" (96-DPI pixels): missing or negative numbers give 0.
void read_qr_place(const char *value, int32_t *x, int32_t *y, int32_t *size);
