// Question lines: fields accepted by length, numbers read leniently, picture numbers by reader.
#include "question_records.h"
#include "Other.h"
#include "font_slot.h"
#include "question_codec.h"
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

// Range lines take three plain int32 numbers and nothing else; the editor writes them back alike.
TEST(QuestionLine, RangeLinesAreStrict) {
    const struct {
        const char *value;
        int check;
        RangeLine line;
    } cases[] = {
        {"2,-5,7", kRangeLineOk, {2, -5, 7}},
        {"1,-2147483648,2147483647", kRangeLineOk, {1, INT32_MIN, INT32_MAX}},
        {"1,0,2147483648", kRangeLineBadNumber, {}},
        {"1,-2147483649,0", kRangeLineBadNumber, {}},
        {"0,1,2", kRangeLineBadNumber, {}},
        {"1,1,2,", kRangeLineBadNumber, {}},
        {"1, 1,2", kRangeLineBadNumber, {}},
        {"1,1", kRangeLineBadNumber, {}},
        {"1,x,2", kRangeLineBadNumber, {}},
        {"1,3,2", kRangeLineOutOfOrder, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value);
        RangeLine line = {};
        ASSERT_EQ(c.check, parse_range_line(c.value, &line));
        if (c.check != kRangeLineOk) continue;
        EXPECT_EQ(c.line.row, line.row);
        EXPECT_EQ(c.line.from, line.from);
        EXPECT_EQ(c.line.to, line.to);
        ResultRecord r{};
        r.ranged = 1, r.rangeFrom = line.from, r.rangeTo = line.to;
        char out[80];
        ASSERT_NE(0u, format_range_line(line.row, &r, out, sizeof out));
        EXPECT_EQ(std::string("SRange,") + c.value + "\r\n", out);
    }
    ResultRecord none{};
    char out[80];
    EXPECT_EQ(0u, format_range_line(1, &none, out, sizeof out));
}

// Type links: four plain int32 numbers, the answer 1 to 5; the editor's "row:points" form is
// validated with a reason and goes back to the same lines.
TEST(QuestionLine, TypeLinesAndTheirTypedFormAreStrict) {
    const struct {
        const char *value;
        bool ok;
    } lines[] = {{"3,5,2,-7", true}, {"1,1,1,2147483647", true}, {"1,6,1,1", false}, {"0,1,1,1", false},
                 {"1,1,0,1", false}, {"1,1,1", false}, {"1,1,1,1,", false}, {"1,1,1,2147483648", false}};
    for (const auto &c : lines) {
        TypeLinkLine line = {};
        EXPECT_EQ(c.ok ? kTypeLineOk : kTypeLineBadNumber, parse_type_link_line(c.value, &line)) << c.value;
        if (!c.ok) continue;
        QuestionRecord q{};
        ASSERT_TRUE(add_type_link(&q, line.answer - 1, line.row, line.points));
        char out[160];
        ASSERT_NE(0u, format_type_link_lines(line.question, &q, out, sizeof out));
        EXPECT_EQ(std::string("TypePt,") + c.value + "\r\n", out);
    }
    const struct {
        const char *text;
        const char *shown;  // null: refused
    } typed[] = {{"2:3, 4:1", "2:3,4:1"}, {"", ""}, {"1:-2", "1:-2"}, {"5:1", nullptr}, {"0:1", nullptr},
                 {"2:1,2:3", nullptr}, {"2", nullptr}, {"2:x", nullptr}, {"1:1,2:1,3:1,4:1,1:1", nullptr}};
    for (const auto &t : typed) {
        QuestionRecord q{};
        char error[200] = "", shown[80] = "";
        EXPECT_EQ(t.shown != nullptr, parse_type_links_text(t.text, 4, &q, 2, error, sizeof error)) << t.text;
        if (!t.shown) {
            EXPECT_NE('\0', error[0]) << t.text;
            continue;
        }
        format_type_links_text(&q, 2, shown, sizeof shown);
        EXPECT_STREQ(t.shown, shown);
    }
    int32_t tie = -1;
    EXPECT_TRUE(parse_type_scoring("0", &tie));
    EXPECT_EQ(0, tie);
    EXPECT_FALSE(parse_type_scoring("-1", &tie));
}
