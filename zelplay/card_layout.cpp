// The printed card's layout.
#include "card_layout.h"
#include <string.h>
#include <algorithm>

namespace {
const PaperInfo kPapers[kPaperCount] = {
    {"A4", "A4", DMPAPER_A4, 210, 297, 0},
    {"A5", "A5", DMPAPER_A5, 148, 210, 0},
    {"B5", "B5", DMPAPER_B5, 182, 257, 0},
    {"HAGAKI", "はがき", 43 /* DMPAPER_JAPANESE_POSTCARD */, 100, 148, 0},
    {"ROLL58", "58 mm ロール", 0, 58, 297, 48},
    {"ROLL80", "80 mm ロール", 0, 80, 297, 72},
};
}  // namespace

const PaperInfo &paper_info(int paper) { return kPapers[paper >= 0 && paper < kPaperCount ? paper : 0]; }

int paper_of_key(const char *key, bool *known) {
    for (int p = 0; p < kPaperCount; ++p)
        if (!lstrcmpiA(key, kPapers[p].key)) {
            if (known) *known = true;
            return p;
        }
    if (known) *known = false;
    return kPaperA4;
}

CardLayout card_layout(int paper, int width, int height, int dpi, int picture_w, int picture_h, int qr_modules,
                       bool test, const CardMeasure &measure) {
    CardLayout l;
    memset(&l, 0, sizeof l);
    const bool roll = paper_info(paper).dm_paper == 0;
    if (width <= 0 || dpi <= 0) return l;
    // Sheets keep a margin; a roll's printable width is already inside its edges.
    const int margin = roll ? 0 : width / 12;
    const int column = width - 2 * margin;
    // Text sizes follow the column, so a receipt scales with its roll and a sheet with its size.
    l.font_px[kCardQuizTitle] = std::max(column / 22, dpi / 12);
    l.font_px[kCardResultTitle] = std::max(column / 11, dpi / 7);
    l.font_px[kCardComment] = std::max(column / 24, dpi / 12);
    l.font_px[kCardFooter] = std::max(column / 30, dpi / 14);
    l.font_px[kCardTest] = l.font_px[kCardResultTitle];
    const int gap = std::max(column / 30, dpi / 25);
    const int least_module = (dpi * 10 + 507) / 508;  // 0.5 mm
    const int text_parts[] = {kCardTest, kCardQuizTitle, kCardResultTitle, kCardComment};
    int heights[kCardParts] = {0};
    for (int p : text_parts) {
        if (p == kCardTest && !test) continue;
        heights[p] = measure.text_height(measure.context, p, column, l.font_px[p]);
    }
    heights[kCardFooter] = measure.text_height(measure.context, kCardFooter, column, l.font_px[kCardFooter]);
    int text_total = 0;
    for (int h : heights) text_total += h ? h + gap : 0;
    // The code: about a third of the column on a sheet, most of it on a roll, never below 0.5 mm.
    int module = 0;
    if (qr_modules > 0) {
        module = std::max(least_module, (roll ? column * 3 / 4 : column / 3) / qr_modules);
        if (module * qr_modules > column) module = column / qr_modules;
        if (module < least_module) module = 0;  // the column cannot hold a readable code
    }
    int pic_w = 0, pic_h = 0;
    if (picture_w > 0 && picture_h > 0) {
        pic_w = std::min(column * 2 / 3, picture_w * dpi / 96 * 2);
        pic_h = static_cast<int>(static_cast<long long>(picture_h) * pic_w / picture_w);
    }
    // A sheet of fixed height: the picture shrinks first, then the code down to its least module.
    if (!roll && height > 0) {
        const int room = height - 2 * margin;
        auto total = [&] { return text_total + (pic_h ? pic_h + gap : 0) + (module ? module * qr_modules + gap : 0); };
        if (total() > room && pic_h) {
            int over = total() - room;
            int h = std::max(0, pic_h - over);
            pic_w = pic_h ? static_cast<int>(static_cast<long long>(pic_w) * h / pic_h) : 0;
            pic_h = h;
            if (pic_h < dpi / 4) pic_w = pic_h = 0;
        }
        while (module > least_module && total() > room) --module;
    }
    // A roll has no margin at its sides but keeps a little at the top, where the cutter was.
    const int top = roll ? gap : margin;
    int y = top;
    auto place = [&](int part, int w, int h) {
        if (!h || !w) return;
        const int x = margin + (column - w) / 2;
        l.part[part] = {x, y, x + w, y + h};
        y += h + gap;
    };
    place(kCardTest, column, heights[kCardTest]);
    place(kCardQuizTitle, column, heights[kCardQuizTitle]);
    place(kCardResultTitle, column, heights[kCardResultTitle]);
    place(kCardPicture, pic_w, pic_h);
    place(kCardComment, column, heights[kCardComment]);
    if (module) place(kCardQr, module * qr_modules, module * qr_modules);
    l.qr_module = module;
    place(kCardFooter, column, heights[kCardFooter]);
    l.height = y - gap + top;
    return l;
}
