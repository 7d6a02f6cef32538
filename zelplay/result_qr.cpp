// The result screen's QR code and the visit code it may carry.
#include "result_qr.h"
#include "BrixLib.h"
#include "dpi.h"
#include <stdio.h>
#include <string.h>

namespace {

struct ResultQr {
    char code[kVisitCodeSize] = "";
    char text[kQrFilledSize] = "";
    QrSymbol symbol;
    int32_t x = 0, y = 0, size = 0;  // the file's place, 96-DPI pixels; size 0: the default place
    uint32_t number = 0;             // the last visit number given
    SYSTEMTIME day = {};             // the day it was given on
    volatile LONG print = 0;         // CardPrint of this result's card (set by the print thread)
    char footer[160] = "";           // date, kiosk and code, for the printed card
};
ResultQr g_qr;

// Default square: about 5 cm on a 96-DPI screen, at the right below the title, beside the comment.
const int kDefaultSide = 200;

}  // namespace

void result_qr_prepare(const QuestionFile *file, const ResultRecord *row, int32_t total, const SYSTEMTIME &now,
                       const char *kiosk) {
    // A new day starts its numbers afresh; the code stays unique within the kiosk's day.
    if (now.wYear != g_qr.day.wYear || now.wMonth != g_qr.day.wMonth || now.wDay != g_qr.day.wDay) g_qr.number = 0;
    g_qr.day = now;
    g_qr.number = next_visit_number(g_qr.number, now);
    format_visit_code(g_qr.number, g_qr.code);
    g_qr.print = 0;
    snprintf(g_qr.footer, sizeof g_qr.footer, "%04u-%02u-%02u  %s  来場コード %s", now.wYear, now.wMonth, now.wDay,
             kiosk, g_qr.code);
    g_qr.text[0] = '\0';
    g_qr.symbol.size = 0;
    const char *pattern = row->qrText[0] ? row->qrText : file->qrDefault;
    g_qr.x = file->qrX;
    g_qr.y = file->qrY;
    g_qr.size = file->qrSize;
    if (!pattern[0]) return;
    QrValues v = {row->title, total, now, kiosk, g_qr.code};
    if (fill_qr_text(pattern, v, g_qr.text, sizeof g_qr.text) != kQrFillOk || !build_qr(g_qr.text, &g_qr.symbol))
        g_qr.text[0] = '\0';
}

void result_qr_clear() {
    g_qr.text[0] = '\0';
    g_qr.symbol.size = 0;
}

const char *result_visit_code() { return g_qr.code; }
int result_card_print() { return g_qr.print; }
void set_result_card_print(int print) { InterlockedExchange(&g_qr.print, print); }
const char *result_card_footer() { return g_qr.footer; }
const char *result_qr_text() { return g_qr.symbol.size ? g_qr.text : ""; }

bool result_qr_placement(const RECT &client, int dpi, QrPlacement *place) {
    if (!g_qr.symbol.size) return false;
    const int modules = g_qr.symbol.size + 2 * kQrQuietModules;
    const int least = (dpi * 10 + 507) / 508;  // 0.5 mm, rounded up
    const int side = to_dpi(g_qr.size ? g_qr.size : kDefaultSide, dpi);
    int module = side / modules;
    if (module < least) module = least;
    const int whole = module * modules;
    const int width = client.right - client.left, height = client.bottom - client.top;
    if (whole > width || whole > height) return false;
    int x, y;
    if (g_qr.size) {
        x = client.left + to_dpi(g_qr.x, dpi);
        y = client.top + to_dpi(g_qr.y, dpi);
    } else {
        x = client.right - width / 40 - whole;
        y = client.top + height / 2 - whole / 2;
    }
    // A place partly off the screen is moved in whole, so the code always reads.
    const int asked_x = x, asked_y = y;
    if (x + whole > client.right) x = client.right - whole;
    if (y + whole > client.bottom) y = client.bottom - whole;
    if (x < client.left) x = client.left;
    if (y < client.top) y = client.top;
    place->square = {x, y, x + whole, y + whole};
    place->module = module;
    place->moved = x != asked_x || y != asked_y;
    return true;
}

void draw_qr_symbol(HDC dc, const QrSymbol &symbol, int x, int y, int module) {
    const int whole = module * (symbol.size + 2 * kQrQuietModules);
    RECT light = {x, y, x + whole, y + whole};
    FillRect(dc, &light, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HBRUSH dark = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    const int left = x + kQrQuietModules * module, top = y + kQrQuietModules * module;
    for (int row = 0; row < symbol.size; ++row) {
        // One rectangle per run of dark modules: a tenth of the calls of one per module.
        for (int col = 0; col < symbol.size;) {
            if (!symbol.dark(col, row)) {
                ++col;
                continue;
            }
            int end = col;
            while (end < symbol.size && symbol.dark(end, row)) ++end;
            RECT run = {left + col * module, top + row * module, left + end * module, top + (row + 1) * module};
            FillRect(dc, &run, dark);
            col = end;
        }
    }
}

void draw_result_qr(HDC dc, const RECT &client, int dpi) {
    QrPlacement place;
    if (!result_qr_placement(client, dpi, &place)) return;
    draw_qr_symbol(dc, g_qr.symbol, place.square.left, place.square.top, place.module);
}

