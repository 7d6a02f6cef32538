// The result's QR code: placeholder filling and escaping, the visit code, the symbol's limits
// and its place on the screen.
#include <gtest/gtest.h>
#include <set>
#include <string>
#include "qr_text.h"
#include "result_qr.h"
#include "card_layout.h"
#include <algorithm>

namespace {
SYSTEMTIME day(int h, int m, int s) {
    SYSTEMTIME t{};
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDay = 9;
    t.wHour = static_cast<WORD>(h);
    t.wMinute = static_cast<WORD>(m);
    t.wSecond = static_cast<WORD>(s);
    return t;
}
}  // namespace

TEST(QrText, FillsAndEscapes) {
    const QrValues v = {"ネコ タイプ\r\n&", -7, day(9, 0, 0), "店A", "K7QZ"};
    struct Case {
        const char *pattern;
        int result;
        const char *filled;  // UTF-8
        size_t where;
    } cases[] = {
        // Plain text: values as they are, in UTF-8, a line break of the title as a blank.
        {"{title}/{total}/{date}/{kiosk}/{code}", kQrFillOk,
         "\xE3\x83\x8D\xE3\x82\xB3 \xE3\x82\xBF\xE3\x82\xA4\xE3\x83\x97  &/-7/2026-12-09/\xE5\xBA\x97" "A/K7QZ", 0},
        // A web address: values percent-encoded whole, the author's non-ASCII and blanks too.
        {"HTTPS://e.jp/r?t={title}&k={kiosk}&n={total} 店", kQrFillOk,
         "HTTPS://e.jp/r?t=%E3%83%8D%E3%82%B3%20%E3%82%BF%E3%82%A4%E3%83%97%20%20%26&k=%E5%BA%97A&n=-7%20%E5%BA%97", 0},
        {"{{code}} {code}", kQrFillOk, "{code}} K7QZ", 0},
        {"", kQrFillOk, "", 0},
        {"ab{name}", kQrFillUnknown, "", 2},
        {"ab{", kQrFillUnknown, "", 2},
        {"a\tb", kQrFillControl, "", 1},
        {"\x82", kQrFillBadText, "", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.pattern);
        char out[kQrFilledSize];
        size_t where = 99;
        EXPECT_EQ(c.result, fill_qr_text(c.pattern, v, out, sizeof out, &where));
        EXPECT_STREQ(c.filled, out);
        EXPECT_EQ(c.where, where);
        char message[256];
        qr_fill_message(c.result, c.pattern, where, message, sizeof message);
        EXPECT_EQ(c.result == kQrFillOk, message[0] == '\0');
    }
    char small[8];
    EXPECT_EQ(kQrFillTooLong, fill_qr_text("{date}", v, small, sizeof small));
}

// Codes given through a day, with restarts (the number forgotten) and visits seconds apart,
// never repeat; a new day may start over.
TEST(QrText, VisitCodesAreUniqueThroughADayWithRestarts) {
    std::set<std::string> seen;
    uint32_t last = 0;
    int visits = 0;
    for (int s = 0; s < 86400; s += 7 + (s % 5)) {
        if (s % 3600 < 12) last = 0;  // the player restarted
        SYSTEMTIME now = day(s / 3600, s / 60 % 60, s % 60);
        for (int burst = 0; burst < 2; ++burst) {  // two results in the same second
            last = next_visit_number(last, now);
            char code[kVisitCodeSize];
            format_visit_code(last, code);
            EXPECT_EQ(4u, strlen(code));
            EXPECT_TRUE(seen.insert(code).second) << code << " at " << s;
            ++visits;
        }
    }
    EXPECT_GT(visits, 10000);
}

TEST(QrText, LongestTextFitsAndOneMoreByteDoesNot) {
    QrSymbol symbol;
    std::string text(static_cast<size_t>(qr_capacity_bytes()), '\xE3');  // not numeric, not alphanumeric
    EXPECT_TRUE(build_qr(text.c_str(), &symbol));
    EXPECT_EQ(kQrMaxModules, symbol.size);
    EXPECT_FALSE(build_qr((text + "x").c_str(), &symbol));
    EXPECT_EQ(0, symbol.size);
}

// The code's modules stay at least 0.5 mm at any DPI, its square stays on the screen, and the
// texts beside it make room.
TEST(QrText, PlacementKeepsModulesAndScreen) {
    QuestionFile file{};
    ResultRecord row{};
    strcpy(row.title, "ネコ");
    strcpy(row.qrText, "https://e.jp/{code}");
    for (int dpi : {96, 120, 144, 192}) {
        for (int32_t size : {0, 40, 400}) {
            file.qrX = 700;
            file.qrY = 500;
            file.qrSize = size;
            result_qr_prepare(&file, &row, 3, day(10, 0, 0), "K");
            ASSERT_STRNE("", result_qr_text());
            const RECT client = {0, 0, 800 * dpi / 96, 600 * dpi / 96};
            QrPlacement p;
            ASSERT_TRUE(result_qr_placement(client, dpi, &p));
            EXPECT_GE(p.module * 254, 5 * dpi) << dpi;  // module * 25.4 mm / dpi >= 0.5 mm
            RECT inside;
            IntersectRect(&inside, &client, &p.square);
            EXPECT_TRUE(EqualRect(&inside, &p.square));
            EXPECT_EQ(size == 400, p.moved);  // a 400-pixel square at 700,500 passes an 800 x 600 screen
            RECT text = client;
            keep_text_clear(&text, p.square);
            EXPECT_FALSE(IntersectRect(&inside, &text, &p.square));
        }
    }
    strcpy(row.qrText, "{unknown}");
    result_qr_prepare(&file, &row, 3, day(10, 0, 0), "K");
    EXPECT_STREQ("", result_qr_text());
    QrPlacement p;
    EXPECT_FALSE(result_qr_placement({0, 0, 800, 600}, 96, &p));
}

namespace {
// Text as a printer would wrap it: a character is about as wide as the font is high.
int fake_text(void *, int part, int width, int font_px) {
    const int chars[kCardParts] = {20, 12, 180, 0, 0, 40, 8};
    int per_line = std::max(1, width / std::max(1, font_px));
    return (chars[part] + per_line - 1) / per_line * font_px * 5 / 4;
}
}  // namespace

// Every paper: the card stays inside the printable width (and a sheet's height), its parts do not
// overlap, and the code keeps modules a phone reads.
TEST(CardLayout, FitsEveryPaper) {
    const CardMeasure measure = {nullptr, fake_text};
    for (int paper = 0; paper < kPaperCount; ++paper) {
        const PaperInfo &p = paper_info(paper);
        const bool roll = p.dm_paper == 0;
        for (int dpi : {203, 300, 600}) {
            SCOPED_TRACE(std::string(p.key) + " " + std::to_string(dpi));
            const int width = (roll ? p.printable_mm : p.width_mm - 10) * dpi * 10 / 254;
            const int height = roll ? 0 : (p.height_mm - 10) * dpi * 10 / 254;
            for (int picture : {0, 240, 2000}) {
                CardLayout l = card_layout(paper, width, height, dpi, picture, picture * 3 / 4, 41, true, measure);
                EXPECT_GE(l.qr_module * 254, 5 * dpi);
                if (!roll) EXPECT_LE(l.height, height);
                for (int a = 0; a < kCardParts; ++a) {
                    const RECT &r = l.part[a];
                    if (IsRectEmpty(&r)) continue;
                    EXPECT_GE(r.left, 0);
                    EXPECT_LE(r.right, width);
                    if (!roll) EXPECT_LE(r.bottom, height);
                    for (int b = a + 1; b < kCardParts; ++b) {
                        RECT meet;
                        EXPECT_FALSE(IntersectRect(&meet, &r, &l.part[b])) << a << " " << b;
                    }
                }
                for (int part : {kCardTest, kCardResultTitle, kCardComment, kCardQr, kCardFooter})
                    EXPECT_FALSE(IsRectEmpty(&l.part[part])) << part;
            }
        }
    }
    bool known = true;
    EXPECT_EQ(kPaperHagaki, paper_of_key("hagaki", &known));
    EXPECT_TRUE(known);
    EXPECT_EQ(kPaperA4, paper_of_key("B4", &known));
    EXPECT_FALSE(known);
}
