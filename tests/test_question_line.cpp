// Question lines: fields accepted by length, numbers read leniently, picture numbers by reader.
#include "question_records.h"
#include "Other.h"
#include "font_slot.h"
#include <gtest/gtest.h>
#include <string>

TEST(QuestionLine, AllFieldsWithEscapes) {
    QuestionRecord r{};
    ASSERT_EQ(1, parse_question_line("あなたは~_#$朝型~_#%夜型?,はい~_#%たぶん,5,いいえ,-3,,0,,0,,0,pic\\a.jpg,10,-20,7", &r,
                                     kNumbersAlways));
    EXPECT_STREQ("あなたは\r\n朝型,夜型?", r.text);
    EXPECT_STREQ("はい,たぶん", r.answers[0]);
    EXPECT_STREQ("いいえ", r.answers[1]);
    EXPECT_STREQ("", r.answers[2]);
    EXPECT_EQ(5, r.points[0]);
    EXPECT_EQ(-3, r.points[1]);
    EXPECT_STREQ("pic\\a.jpg", r.picture);
    EXPECT_EQ(10, r.pictureX);
    EXPECT_EQ(-20, r.pictureY);
    EXPECT_EQ(7, r.pictureExtra);
    EXPECT_EQ(5, question_highest_points(&r));
    EXPECT_EQ(-3, question_lowest_points(&r));
}

TEST(QuestionLine, OverlongFieldsStayEmptyAndTheRestIsRead) {
    QuestionRecord r{};
    std::string text(256, 'a'), answer(128, 'b');
    std::string line = text + "," + answer + ",2," + std::string(127, 'c') + ",4";
    parse_question_line(line.c_str(), &r, kNumbersAlways);
    EXPECT_STREQ("", r.text);
    EXPECT_STREQ("", r.answers[0]);
    EXPECT_EQ(2, r.points[0]);
    EXPECT_EQ(127u, strlen(r.answers[1]));
    EXPECT_EQ(4, r.points[1]);
    r = QuestionRecord{};
    parse_question_line((std::string(255, 'a') + ",x,1").c_str(), &r, kNumbersAlways);
    EXPECT_EQ(255u, strlen(r.text));
}

TEST(QuestionLine, PictureNumbersDependOnTheReader) {
    QuestionRecord player{}, editor{};
    const char *line = "q,a,1,,0,,0,,0,,0,,30,40,50";
    parse_question_line(line, &player, kNumbersAlways);
    parse_question_line(line, &editor, kNumbersWithPicture);
    EXPECT_EQ(30, player.pictureX);
    EXPECT_EQ(40, player.pictureY);
    EXPECT_EQ(50, player.pictureExtra);
    EXPECT_EQ(0, editor.pictureX);
    EXPECT_EQ(0, editor.pictureExtra);
}

TEST(QuestionLine, NumbersAreLenientAndClamped) {
    EXPECT_EQ(12, field_number("  12abc"));
    EXPECT_EQ(-7, field_number("-7"));
    EXPECT_EQ(0, field_number("x12"));
    EXPECT_EQ(INT32_MAX, field_number("99999999999999999999"));
    EXPECT_EQ(INT32_MIN, field_number("-99999999999999999999"));
    QuestionRecord r{};
    parse_question_line("q,a,,b", &r, kNumbersAlways);  // missing fields read as nothing
    EXPECT_EQ(0, r.points[0]);
    EXPECT_STREQ("b", r.answers[1]);
    // A lone lead byte (a damaged or UTF-8 text) never takes the comma after it.
    r = QuestionRecord{};
    parse_question_line("Are you OK\x82,Yes,1,No,2", &r, kNumbersAlways);
    EXPECT_STREQ("Are you OK\x82", r.text);
    EXPECT_STREQ("No", r.answers[1]);
    EXPECT_EQ(2, question_highest_points(&r));
    // Font line numbers clamp like every other number.
    LOGFONTA lf{};
    read_logfont_line("99999999999,-99999999999,0,0,400,300,0,0,128,0,0,0,0,x", &lf);
    EXPECT_EQ(INT32_MAX, lf.lfHeight);
    EXPECT_EQ(INT32_MIN, lf.lfWidth);
    EXPECT_EQ(255, lf.lfItalic);
}
