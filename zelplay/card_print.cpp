// The printed result card: layout drawn with GDI, handed to the spooler off the screen's thread.
#include "card_print.h"
#include "QuesManager.h"
#include "draw.h"
#include "image_store.h"
#include "qr_text.h"
#include "result_qr.h"
#include "visit_code_log.h"
#include <stdio.h>
#include <string.h>
#include <winspool.h>
#include <algorithm>

namespace {

CardPrintFn g_print = spool_card;
int g_mode = kCardPrintOff;
std::string g_printer;
int g_paper = kPaperA4;
volatile LONG g_failures = 0;
bool g_requested = false;  // for the result on screen

struct Font {
    HFONT h;
    Font(int px, bool bold) {
        LOGFONTA lf;
        memset(&lf, 0, sizeof lf);
        lf.lfHeight = -px;
        lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
        lf.lfCharSet = SHIFTJIS_CHARSET;
        lstrcpynA(lf.lfFaceName, "ＭＳ Ｐゴシック", LF_FACESIZE);
        h = CreateFontIndirectA(&lf);
    }
    ~Font() {
        if (h) DeleteObject(h);
    }
    Font(const Font &) = delete;
    Font &operator=(const Font &) = delete;
};

// The card's picture travels as 32-bit rows, top row first.
BITMAPINFO top_down_32(int width, int height) {
    BITMAPINFO bi;
    memset(&bi, 0, sizeof bi);
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    return bi;
}

const std::string &part_text(const CardJob &job, int part) {
    static const std::string kTest = "テスト（試す）", kNone;
    switch (part) {
        case kCardQuizTitle: return job.quiz_title;
        case kCardResultTitle: return job.result_title;
        case kCardComment: return job.comment;
        case kCardFooter: return job.footer;
        case kCardTest: return kTest;
        default: return kNone;
    }
}

struct MeasureContext {
    HDC dc;
    const CardJob *job;
};
int measure(void *context, int part, int width, int font_px) {
    MeasureContext *m = static_cast<MeasureContext *>(context);
    const std::string &text = part_text(*m->job, part);
    if (text.empty()) return 0;
    Font font(font_px, part == kCardResultTitle || part == kCardTest);
    HGDIOBJ old = SelectObject(m->dc, font.h);
    RECT r = {0, 0, width, 0};
    DrawTextA(m->dc, text.c_str(), -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_CENTER);
    if (old) SelectObject(m->dc, old);
    return r.bottom;
}

struct Handoff {
    HWND window;
    CardJob job;
};

DWORD WINAPI print_thread(void *p) {
    Handoff *h = static_cast<Handoff *>(p);
    bool ok = g_print(h->job);
    if (!ok) InterlockedIncrement(&g_failures);
    set_result_card_print(ok ? kCardPrinted : kCardFailed);
    if (h->window) InvalidateRect(h->window, nullptr, FALSE);
    delete h;
    return 0;
}

// A roll's paper among the printer's own: the one whose width is the roll's.
short roll_paper(const char *printer, int width_mm) {
    int n = DeviceCapabilitiesA(printer, nullptr, DC_PAPERS, nullptr, nullptr);
    if (n <= 0 || n > 4096) return 0;
    std::vector<WORD> ids(static_cast<size_t>(n));
    std::vector<POINT> sizes(static_cast<size_t>(n));
    DeviceCapabilitiesA(printer, nullptr, DC_PAPERS, reinterpret_cast<char *>(ids.data()), nullptr);
    if (DeviceCapabilitiesA(printer, nullptr, DC_PAPERSIZE, reinterpret_cast<char *>(sizes.data()), nullptr) != n) return 0;
    for (int i = 0; i < n; ++i)
        if (std::abs(static_cast<int>(sizes[static_cast<size_t>(i)].x) - width_mm * 10) <= 5)
            return static_cast<short>(ids[static_cast<size_t>(i)]);
    return 0;
}

}  // namespace

CardPrintFn set_card_print_fn(CardPrintFn fn) {
    CardPrintFn old = g_print;
    g_print = fn ? fn : spool_card;
    return old;
}

void draw_card(HDC dc, const CardJob &job, int width, int height, int dpi) {
    QrSymbol symbol;
    const bool qr = !job.qr_text.empty() && build_qr(job.qr_text.c_str(), &symbol);
    MeasureContext m = {dc, &job};
    CardMeasure cm = {&m, measure};
    CardLayout l = card_layout(job.paper, width, height, dpi, job.picture_w, job.picture_h,
                               qr ? symbol.size + 2 * kQrQuietModules : 0, job.test, cm);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    for (int part : {kCardTest, kCardQuizTitle, kCardResultTitle, kCardComment, kCardFooter}) {
        RECT r = l.part[part];
        if (IsRectEmpty(&r)) continue;
        Font font(l.font_px[part], part == kCardResultTitle || part == kCardTest);
        HGDIOBJ old = SelectObject(dc, font.h);
        DrawTextA(dc, part_text(job, part).c_str(), -1, &r, DT_WORDBREAK | DT_NOPREFIX | DT_CENTER);
        if (old) SelectObject(dc, old);
    }
    const RECT &pic = l.part[kCardPicture];
    if (!IsRectEmpty(&pic) && !job.picture.empty()) {
        BITMAPINFO bi = top_down_32(job.picture_w, job.picture_h);
        SetStretchBltMode(dc, HALFTONE);
        StretchDIBits(dc, pic.left, pic.top, pic.right - pic.left, pic.bottom - pic.top, 0, 0, job.picture_w,
                      job.picture_h, job.picture.data(), &bi, DIB_RGB_COLORS, SRCCOPY);
    }
    if (qr && l.qr_module) draw_qr_symbol(dc, symbol, l.part[kCardQr].left, l.part[kCardQr].top, l.qr_module);
}

bool spool_card(const CardJob &job) {
    char name[256] = "";
    DWORD size = sizeof name;
    if (!job.printer.empty()) lstrcpynA(name, job.printer.c_str(), sizeof name);
    else if (!GetDefaultPrinterA(name, &size)) return false;
    HANDLE printer = nullptr;
    if (!OpenPrinterA(name, &printer, nullptr)) return false;
    // A printer that says it is off line or out of paper would only hold the job: counted instead.
    bool ready = true;
    DWORD need = 0;
    GetPrinterA(printer, 2, nullptr, 0, &need);
    std::vector<BYTE> info(need ? need : 1);
    if (need && GetPrinterA(printer, 2, info.data(), need, &need)) {
        const DWORD status = reinterpret_cast<PRINTER_INFO_2A *>(info.data())->Status;
        ready = !(status & (PRINTER_STATUS_OFFLINE | PRINTER_STATUS_PAPER_OUT | PRINTER_STATUS_ERROR |
                            PRINTER_STATUS_NOT_AVAILABLE));
    }
    LONG dm_size = DocumentPropertiesA(nullptr, printer, name, nullptr, nullptr, 0);
    std::vector<BYTE> dm_bytes(dm_size > 0 ? static_cast<size_t>(dm_size) : sizeof(DEVMODEA));
    DEVMODEA *dm = reinterpret_cast<DEVMODEA *>(dm_bytes.data());
    const bool have_dm = dm_size > 0 && DocumentPropertiesA(nullptr, printer, name, dm, nullptr, DM_OUT_BUFFER) == IDOK;
    ClosePrinter(printer);
    if (!ready) return false;
    const PaperInfo &p = paper_info(job.paper);
    if (have_dm) {
        short id = p.dm_paper ? p.dm_paper : roll_paper(name, p.width_mm);
        if (id) {
            dm->dmPaperSize = id;
            dm->dmFields |= DM_PAPERSIZE;
        } else {
            dm->dmPaperSize = 0;
            dm->dmPaperWidth = static_cast<short>(p.width_mm * 10);
            dm->dmPaperLength = static_cast<short>(p.height_mm * 10);
            dm->dmFields = (dm->dmFields & ~DM_PAPERSIZE) | DM_PAPERWIDTH | DM_PAPERLENGTH;
        }
        dm->dmOrientation = DMORIENT_PORTRAIT;
        dm->dmFields |= DM_ORIENTATION;
    }
    HDC dc = CreateDCA("WINSPOOL", name, nullptr, have_dm ? dm : nullptr);
    if (!dc) return false;
    DOCINFOA doc;
    memset(&doc, 0, sizeof doc);
    doc.cbSize = sizeof doc;
    doc.lpszDocName = job.test ? "Zelmica 結果カード（テスト）" : "Zelmica 結果カード";
    bool ok = StartDocA(dc, &doc) > 0;
    if (ok) {
        ok = StartPage(dc) > 0;
        if (ok) {
            const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
            int width = GetDeviceCaps(dc, HORZRES), height = GetDeviceCaps(dc, VERTRES);
            // A roll prints on its head's width, centred on the paper.
            if (!p.dm_paper) {
                const int printable = p.printable_mm * dpi * 10 / 254;
                if (printable < width) {
                    SetViewportOrgEx(dc, (width - printable) / 2, 0, nullptr);
                    width = printable;
                }
                height = 0;
            }
            draw_card(dc, job, width, height, dpi);
            ok = EndPage(dc) > 0;
        }
        if (ok) ok = EndDoc(dc) > 0;
        else AbortDoc(dc);
    }
    DeleteDC(dc);
    return ok;
}

void card_printer_problem(const char *printer, bool paper_unknown, char *out, size_t size) {
    if (!size) return;
    out[0] = '\0';
    HANDLE h = nullptr;
    char name[256] = "";
    DWORD n = sizeof name;
    if (printer && printer[0]) {
        if (OpenPrinterA(const_cast<char *>(printer), &h, nullptr)) ClosePrinter(h);
        else snprintf(out, size, "結果カードのプリンター「%s」が見つかりません。セットの編集でプリンターを選び直してください。"
                                 "見つかるまでカードは印刷されず、その枚数がタイトルバーとスタート画面に出ます。", printer);
    } else if (!GetDefaultPrinterA(name, &n)) {
        snprintf(out, size, "結果カードを印刷する通常使うプリンターがありません。プリンターを設定するか、セットの編集で選んでください。");
    }
    if (!out[0] && paper_unknown)
        snprintf(out, size, "セットの用紙（CARDPAPER）が分からないため A4 で印刷します。A4、A5、B5、HAGAKI、ROLL58、ROLL80 から選んでください。");
}

void set_card_printing(int mode, const char *printer, int paper) {
    g_mode = mode;
    g_printer = printer ? printer : "";
    g_paper = paper;
}
int card_print_mode() { return g_mode; }
long card_print_failures() { return g_failures; }
void reset_card_print_for_result() { g_requested = false; }
bool card_print_requested() { return g_requested; }

// What the card shows is taken on this thread, the printing happens on another.
bool build_card_job(CardJob *job, bool test) {
    if (run_engine(kRunComment, 0, nullptr) != -1) return false;  // not on a result
    char *text = nullptr;
    run_engine(kRunMainText, 0, &text);
    job->result_title = text ? text : "";
    text = nullptr;
    run_engine(kRunComment, 0, &text);
    job->comment = text ? text : "";
    if (const QuestionFile *f = loaded_question_file(run_engine(kRunCurrentFile, 0, nullptr))) job->quiz_title = f->title;
    job->footer = result_card_footer();
    job->qr_text = result_qr_text();
    job->printer = g_printer;
    job->paper = g_paper;
    job->test = test;
    HBITMAP picture = nullptr;
    BITMAP bm;
    if (image_store(kImgPicture, 0, &picture) && picture && GetObjectA(picture, sizeof bm, &bm) && bm.bmWidth > 0 &&
        bm.bmHeight > 0 && bm.bmWidth <= 4096 && bm.bmHeight <= 4096) {
        BITMAPINFO bi = top_down_32(bm.bmWidth, bm.bmHeight);
        job->picture.assign(static_cast<size_t>(bm.bmWidth) * static_cast<size_t>(bm.bmHeight), 0);
        HDC screen = GetDC(nullptr);
        int rows = GetDIBits(screen, picture, 0, static_cast<UINT>(bm.bmHeight), job->picture.data(), &bi, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        if (rows == bm.bmHeight) {
            job->picture_w = bm.bmWidth;
            job->picture_h = bm.bmHeight;
        } else {
            job->picture.clear();
        }
    }
    return true;
}

bool request_card_print(HWND window, bool test) {
    if (g_requested) return false;
    Handoff *h = new Handoff;
    h->window = window;
    if (!build_card_job(&h->job, test)) {
        delete h;
        return false;
    }
    g_requested = true;
    HANDLE thread = CreateThread(nullptr, 0, print_thread, h, 0, nullptr);
    if (!thread) {
        InterlockedIncrement(&g_failures);
        set_result_card_print(kCardFailed);
        delete h;
        return false;
    }
    CloseHandle(thread);
    return true;
}

bool print_button_rect(const RECT &client, int dpi, RECT *button) {
    if (g_mode != kCardPrintButton) return false;
    const int w = 30 * dpi * 10 / 254, h = 12 * dpi * 10 / 254;  // 30 x 12 mm: a finger's target
    const int left = client.left + (client.right - client.left) / 10;
    const int bottom = client.bottom - (client.bottom - client.top) / 20;
    *button = {left, bottom - h, left + w, bottom};
    return true;
}

void draw_print_button(HDC dc, const RECT &client, int dpi, COLORREF fore, COLORREF key, HFONT font) {
    RECT b;
    if (!print_button_rect(client, dpi, &b)) return;
    HBRUSH frame = CreateSolidBrush(fore);
    if (frame) {
        FrameRect(dc, &b, frame);
        RECT inner = {b.left + 1, b.top + 1, b.right - 1, b.bottom - 1};
        FrameRect(dc, &inner, frame);
        DeleteObject(frame);
    }
    draw_text_box(dc, g_requested ? "印刷しました" : "印刷", &b, DT_SINGLELINE | DT_CENTER | DT_VCENTER, font, fore, key);
}
