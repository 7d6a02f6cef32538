// Font slots: three-level lookup, dropping one position, underlined variants, the LOGFONT line.
#include <gtest/gtest.h>
#include <string.h>
#include "font_slot.h"
#include "message_box_recorder.h"

static LOGFONTA face(const char *name, LONG height) {
    LOGFONTA lf;
    memset(&lf, 0, sizeof lf);
    lf.lfHeight = height;
    lf.lfCharSet = ANSI_CHARSET;
    strcpy(lf.lfFaceName, name);
    return lf;
}

TEST(LogfontLine, DefaultRoundTripAndPartialLines) {
    LOGFONTA lf;
    question_font(kFontCreate, -1, 50, nullptr);
    question_font(kFontGetBase, -1, 0, &lf);
    char line[128];
    ASSERT_EQ(write_logfont_line(&lf, line), 1);
    EXPECT_STREQ(line, "50,0,0,0,900,0,0,0,128,7,0,1,2,ＭＳ 明朝");
    LOGFONTA back;
    memset(&back, 0xAB, sizeof back);
    ASSERT_EQ(read_logfont_line(line, &back), 1);
    EXPECT_EQ(memcmp(&back, &lf, offsetof(LOGFONTA, lfFaceName)), 0);
    EXPECT_STREQ(back.lfFaceName, "ＭＳ 明朝");

    LOGFONTA five = lf;
    read_logfont_line("1,2,3,4,5", &five);
    EXPECT_EQ(five.lfHeight, 1);
    EXPECT_EQ(five.lfWeight, 5);
    EXPECT_EQ(five.lfCharSet, 128);
    EXPECT_STREQ(five.lfFaceName, "ＭＳ 明朝");
    read_logfont_line("x,2,3,4,5,6,7,8,9,10,11,12,13,0123456789012345678901234567890123456789,extra", &five);
    EXPECT_EQ(five.lfHeight, 0);
    EXPECT_EQ(strlen(five.lfFaceName), 31u);  // cut to the field
    EXPECT_EQ(read_logfont_line(nullptr, &five), 0);
    EXPECT_EQ(write_logfont_line(&lf, nullptr), 0);
}

TEST(FaceCharset, JapaneseAndVerticalFacesGetShiftJis) {
    LOGFONTA lf = face("Arial", 10);
    fix_face_charset(&lf);
    EXPECT_EQ(lf.lfCharSet, ANSI_CHARSET);
    lf = face("@ＭＳ ゴシック", 10);
    fix_face_charset(&lf);
    EXPECT_EQ(lf.lfCharSet, SHIFTJIS_CHARSET);
    lf = face("ＭＳ ゴシック", 10);
    fix_face_charset(&lf);
    EXPECT_EQ(lf.lfCharSet, SHIFTJIS_CHARSET);
}

TEST(FontSlots, ThreeLevelLookupAndDrop) {
    HFONT base = comment_font(kFontCreate, -1, 24, nullptr);
    ASSERT_NE(base, nullptr);
    LOGFONTA lf;
    comment_font(kFontGetBase, -1, 0, &lf);
    EXPECT_EQ(lf.lfHeight, 24);
    EXPECT_EQ(comment_font(kFontLookup, 2, 0, nullptr), base);

    LOGFONTA s = face("Arial", 30);
    HFONT set = comment_font(kFontPutSet, -1, 0, &s);
    HFONT files[kFontFiles];
    for (int i = 0; i < kFontFiles; ++i) {
        LOGFONTA q = face("Courier New", 11 + i);
        files[i] = comment_font(kFontPutFile, i, 0, &q);
        ASSERT_NE(files[i], nullptr);
    }
    EXPECT_EQ(comment_font(kFontLookup, -1, 0, nullptr), set);  // never a question-file font
    EXPECT_EQ(comment_font(77, 3, 0, nullptr), files[3]);        // unknown codes look up
    comment_font(kFontDropFile, 2, 0, nullptr);
    for (int i : {0, 1, 3, 4}) EXPECT_EQ(comment_font(kFontLookup, i, 0, nullptr), files[i]);
    EXPECT_EQ(comment_font(kFontGetEffective, 2, 0, &lf), set);
    EXPECT_EQ(lf.lfHeight, 30);
    EXPECT_EQ(comment_font(kFontGetFile, 2, 0, &lf), nullptr);
    EXPECT_EQ(lf.lfHeight, 0);

    // A new create forgets the set level: lookup falls back to the base font.
    HFONT again = comment_font(kFontCreate, -1, 24, nullptr);
    EXPECT_EQ(comment_font(kFontLookup, 2, 0, nullptr), again);
}

TEST(FontSlots, UnderlinedSlotsHaveFixedHeight) {
    LOGFONTA lf;
    answer_font(kFontGetBase, -1, &lf);  // implicit create
    EXPECT_EQ(lf.lfHeight, 20);
    EXPECT_EQ(lf.lfUnderline, 1);
    header_font(kFontCreate, -1, nullptr);
    header_font(kFontGetBase, -1, &lf);
    EXPECT_EQ(lf.lfHeight, 20);
    EXPECT_EQ(lf.lfUnderline, 1);
    EXPECT_EQ(lf.lfWeight, FW_HEAVY);
}
