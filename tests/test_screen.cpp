// The player's screen: layout arithmetic, colours and brush, choice boxes, hit test and the
// composed picture of each screen, with the real run engine and a stand-in image store.
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include "QuesManager.h"
#include "dpi.h"
#include "mainflame_paint.h"
#include "reading.h"
#include "scratch_folder.h"
#include "sound_effect.h"

namespace {
BOOL silent(const char *, HMODULE, DWORD) { return TRUE; }

// A plain window whose client area is exactly w x h.
HWND make_window(int w, int h) {
    static ATOM atom = 0;
    if (!atom) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "ScreenTest";
        atom = RegisterClassA(&wc);
    }
    RECT r = {0, 0, w, h};
    AdjustWindowRect(&r, WS_POPUP, FALSE);
    return CreateWindowA("ScreenTest", "", WS_POPUP, 0, 0, r.right - r.left, r.bottom - r.top, nullptr,
                         nullptr, GetModuleHandleA(nullptr), nullptr);
}

class Screen : public ::testing::Test {
protected:
    ScratchFolder dir;
    HWND window = nullptr;
    void SetUp() override {
        set_play_sound_fn(silent);
        set_log_folder(dir.path().c_str());
        run_engine(kRunStart, 0, nullptr);
        window = make_window(800, 600);
        text_colour(kColourSet, RGB(255, 255, 255));
        back_colour(kColourSet, RGB(0, 160, 0));
    }
    void TearDown() override {
        DestroyWindow(window);
        run_engine(kRunEnd, 0, nullptr);
        set_log_folder(nullptr);
        set_play_sound_fn(nullptr);
    }
    void load(const std::string &bytes) {
        std::string p = dir.write("q.qst", bytes);
        char *v = &p[0];
        run_engine(kRunLoadFile, 0, &v);
    }
    // Composes into a memory bitmap and reads pixels back.
    struct Shot {
        HDC dc;
        HBITMAP bitmap;
        HGDIOBJ old;
        ~Shot() {
            SelectObject(dc, old);
            DeleteObject(bitmap);
            DeleteDC(dc);
        }
        COLORREF at(int x, int y) const { return GetPixel(dc, x, y); }
        int count(RECT r, COLORREF c) const {
            int n = 0;
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x) n += GetPixel(dc, x, y) == c;
            return n;
        }
    };
    Shot *compose(int score, int full) {
        HDC screen = GetDC(window);
        Shot *s = new Shot;
        s->dc = CreateCompatibleDC(screen);
        s->bitmap = CreateCompatibleBitmap(screen, 800, 600);
        s->old = SelectObject(s->dc, s->bitmap);
        ReleaseDC(window, screen);
        RECT r = {0, 0, 800, 600};
        compose_screen(window, s->dc, r, score, full);
        return s;
    }
};

const char kThreeAnswers[] = "N,性格診断\r\nQ,あなたは朝型?,はい,2,いいえ,0,どちらでも,1\r\nS,朝型\r\nS,夜型\r\n";
}  // namespace

TEST(ScreenLayout, TenthsOfTheClientArea) {
    ScreenLayout l = screen_layout(RECT{0, 0, 800, 600});
    EXPECT_EQ(80, l.w10);
    EXPECT_EQ(120, l.h2);
    auto same = [](RECT a, RECT b) { return EqualRect(&a, &b) != 0; };
    EXPECT_TRUE(same(RECT{80, 120, 720, 300}, l.text));
    EXPECT_TRUE(same(RECT{80, 30, 800, 120}, l.header));
    EXPECT_TRUE(same(RECT{0, 570, 720, 600}, l.footer));
    EXPECT_TRUE(same(RECT{80, 360, 720, 480}, l.comment));
    ScreenLayout narrow = screen_layout(RECT{0, 0, 9, 600});
    EXPECT_EQ(0, narrow.text.left);
    EXPECT_EQ(9, narrow.text.right);
}

TEST(ScreenColours, BrushFollowsTheBackColourAndOldBrushesAreDeleted) {
    HBRUSH first = back_brush(kBrushGet, 0);
    ASSERT_NE(nullptr, first);
    back_colour(kColourSet, RGB(10, 20, 30));
    HBRUSH second = back_brush(kBrushGet, 0);
    EXPECT_EQ(0, GetObjectType(first));
    LOGBRUSH lb;
    ASSERT_EQ(static_cast<int>(sizeof lb), GetObjectA(second, sizeof lb, &lb));
    EXPECT_EQ(RGB(10, 20, 30), lb.lbColor);
    EXPECT_EQ(RGB(10, 20, 30), back_colour(kColourGet, 0));
    back_colour(kColourStoreOnly, RGB(1, 2, 3));
    EXPECT_EQ(second, back_brush(kBrushGet, 0));  // storing alone does not rebuild
    back_colour(kColourSet, RGB(0, 160, 0));
}

TEST_F(Screen, ChoicesStackAndOnlyDrawnOnesAreHit) {
    load(kThreeAnswers);
    int slot = -1;
    // Start screen: the file's title in slot 0.
    ChoiceBox title = choice_rect(window, 0);
    // Rows 1.5 answers apart, but never under 9 mm (34 pixels at 96 DPI): a finger's target; each
    // text in the middle of its row.
    const double pitch = std::max(1.5 * title.height, static_cast<double>(MulDiv(kMinRowTenthsMm, kBaseDpi, 254)));
    EXPECT_EQ(120, title.x);
    EXPECT_EQ(360 + (static_cast<int>(pitch) - title.height) / 2, title.y);
    EXPECT_GT(title.width, 0);
    EXPECT_GT(title.height, 0);
    EXPECT_EQ(1, hit_choice(window, title.x + 1, title.y + title.height, &slot));
    EXPECT_EQ(0, slot);
    EXPECT_EQ(0, hit_choice(window, title.x - 1, title.y + 1, &slot));  // left of the column

    run_engine(kRunChoose, 0, nullptr);
    ChoiceBox third = choice_rect(window, 2);
    const int third_top = 360 + static_cast<int>(2 * pitch), third_band = 360 + static_cast<int>(3 * pitch) - third_top;
    EXPECT_EQ(third_top + (third_band - third.height) / 2, third.y);
    EXPECT_EQ(1, hit_choice(window, third.x + 2, third.y + 1, &slot));
    EXPECT_EQ(2, slot);
    // Below the third answer's row nothing more is offered.
    EXPECT_EQ(0, hit_choice(window, third.x + 2, third.y + 2 * third.height, &slot));

    run_engine(kRunChoose, 0, nullptr);  // the only question: result screen
    ChoiceBox back = choice_rect(window, kBackSlot);
    EXPECT_EQ(600 - 120 - back.height, back.y);
    EXPECT_EQ(1, hit_choice(window, back.x + 1, back.y + 1, &slot));
    EXPECT_EQ(kBackSlot, slot);
    EXPECT_EQ(1, hit_choice(window, back.x - back.height / 4, back.y - back.height / 4, &slot));  // a finger's margin
}

// Answers of different heights: one pitch for the column, separate rows, and every point of the
// column chooses the answer drawn on its row.
TEST_F(Screen, AnswersOfDifferentHeightsGetEvenRowsThatNeverOverlap) {
    for (const char *answers : {"はい,1,いいえ,2,一,3,ー,4,ok,5", "赤,1,青,2,黄,3,緑,4,白,5"}) {
        SCOPED_TRACE(answers);
        run_engine(kRunDropAll, 0, nullptr);
        load(std::string("N,高さ\r\nQ,q,") + answers + "\r\nQ,q2,a,1\r\n");
        run_engine(kRunChoose, 0, nullptr);
        ChoiceLayout c = choice_layout(window);
        ASSERT_EQ(0x1Fu, c.shown);
        int pitch = c.hit[0].bottom - c.hit[0].top;
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(c.hit[0].left, c.box[i].x);
            EXPECT_GE(c.box[i].y, c.hit[i].top);
            EXPECT_LE(c.box[i].y + c.box[i].height, c.hit[i].bottom);  // the text stays on its row
            EXPECT_NEAR(pitch, c.hit[i].bottom - c.hit[i].top, 1);
            if (i) {
                EXPECT_EQ(c.hit[i - 1].bottom, c.hit[i].top);
            }
        }
        for (int y = c.hit[0].top; y < c.hit[4].bottom; ++y) {
            for (int x : {static_cast<int>(c.hit[0].left), static_cast<int>(c.hit[0].right) - 1}) {
                int slot = -1;
                ASSERT_EQ(1, hit_choice(window, x, y, &slot)) << x << "," << y;
                ASSERT_TRUE(y >= c.hit[slot].top && y < c.hit[slot].bottom);
            }
        }
    }
}

TEST_F(Screen, ComposedScreensShowTextOverTheBackgroundAndTheScoreLineOnlyWhenAsked) {
    load(kThreeAnswers);
    RECT text_area = {80, 120, 720, 300};
    {
        Shot *s = compose(1, 0);
        EXPECT_EQ(RGB(0, 160, 0), s->at(2, 2));  // no wallpaper: the back brush; no score line here
        EXPECT_GT(s->count(text_area, RGB(255, 255, 255)), 50);
        delete s;
    }
    run_engine(kRunChoose, 0, nullptr);
    run_engine(kRunChoose, 0, nullptr);
    RECT score_area = {5, 5, 300, 25};
    {
        Shot *s = compose(1, 0);
        EXPECT_GT(s->count(score_area, RGB(0, 0, 0)), 20);  // black on opaque white
        delete s;
    }
    for (int full = 0; full < 2; ++full) {
        Shot *s = compose(full, full);  // off, or on in full-screen mode
        EXPECT_EQ(0, s->count(score_area, RGB(0, 0, 0)));
        delete s;
    }
    // Text in exactly the back colour is not drawn at all.
    text_colour(kColourSet, RGB(0, 160, 0));
    Shot *s = compose(0, 0);
    EXPECT_EQ(0, s->count(text_area, RGB(255, 255, 255)));
    int other = 0;
    for (int y = 120; y < 300; y += 3)
        for (int x = 80; x < 720; x += 3) other += s->at(x, y) != RGB(0, 160, 0);
    EXPECT_EQ(0, other);
    delete s;
}

// A monospaced stand-in: a full-width character is as wide as the font is high, a half-width one
// half as wide, and a line is the font's height.
namespace {
class MonoMeasure : public FitMeasure {
public:
    int char_width(int, int height, unsigned ch) const override { return ch > 0xFF ? height : height / 2; }
    int line_height(int, int height) const override { return height; }
};

std::string repeat(const char *piece, int times) {
    std::string s;
    for (int i = 0; i < times; ++i) s += piece;
    return s;
}
}  // namespace

// Over window sizes, scales, font sizes and text lengths: everything shown stays in the window,
// answers take at most two lines on rows at least 9 mm apart, the fonts shrink by one common
// scale and never below the floor, and every drawn text lies on the row that takes its clicks.
TEST(ScreenFitTable, TextsStayInsideAtAnySizeFontAndLength) {
    struct Row {
        int w, h, dpi, main_px, answer_px, main_chars, answer_chars;
        bool numbered, result;
        int percent;  // expected scale; 0 = only below 100
        bool replay = false;  // the 「もう一度きく」 mark
    } rows[] = {
        {800, 600, 96, 32, 20, 10, 4, false, false, 100},
        {1024, 768, 96, 48, 40, 20, 10, false, false, 100},
        {1024, 768, 96, 48, 80, 20, 12, false, false, 0},  // a very large answer font wraps, then shrinks
        {1024, 768, 144, 72, 60, 20, 12, true, false, 0},   // 150 % scaling
        {640, 480, 96, 32, 20, 60, 30, true, false, 0},     // long texts on a small screen
        {2048, 1536, 192, 96, 80, 20, 10, true, false, 100},  // 200 %
        {1024, 768, 96, 48, 40, 30, 2, false, true, 100},   // result: title, comment, 戻る
        {800, 600, 96, 48, 40, 40, 2, false, true, 0},      // a long comment shrinks all three
        {640, 480, 96, 32, 20, 60, 30, true, false, 0, true},  // the mark beside long texts
        {1280, 960, 192, 56, 56, 20, 10, true, false, 100, true},
        {1024, 768, 96, 48, 40, 30, 2, false, true, 100, true},
    };
    MonoMeasure mono;
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << row.w << "x" << row.h << "@" << row.dpi << " answer " << row.answer_px
                                        << " main " << row.main_chars << " answers " << row.answer_chars);
        std::string main = repeat("問", row.main_chars), answer = repeat("あ", row.answer_chars),
                    comment = repeat("説", row.main_chars * 4);
        FitInput in = {};
        in.client = {0, 0, row.w, row.h};
        in.dpi = row.dpi;
        in.main = main.c_str();
        for (int i = 0; i < kFitBackSlot && !row.result; ++i) in.choice[i] = answer.c_str();
        if (row.result) {
            in.choice[kFitBackSlot] = "戻る";
            in.comment = comment.c_str();
        }
        in.height[kFitMain] = row.main_px;
        in.height[kFitAnswer] = row.answer_px;
        in.height[kFitComment] = row.main_px / 2;
        in.numbered = row.numbered;
        in.replay = row.replay;
        ScreenFit f = fit_screen(in, mono);
        ASSERT_TRUE(f.fits);
        // The mark: a finger's size, inside, and clear of every text and row.
        EXPECT_EQ(row.replay, !IsRectEmpty(&f.replay));
        if (row.replay) {
            RECT meet, client = in.client;
            EXPECT_GE(f.replay.bottom - f.replay.top, MulDiv(kFitRowTenthsMm, row.dpi, 254));
            EXPECT_TRUE(IntersectRect(&meet, &f.replay, &client) && EqualRect(&meet, &f.replay));
            EXPECT_FALSE(IntersectRect(&meet, &f.replay, &f.main));
            if (row.result) {
                EXPECT_FALSE(IntersectRect(&meet, &f.replay, &f.comment));
            }
            for (int i = 0; i < kFitSlots; ++i) {
                if (f.shown & (1u << i)) {
                    EXPECT_FALSE(IntersectRect(&meet, &f.replay, &f.hit[i])) << "slot " << i;
                }
            }
        }
        if (row.percent) {
            EXPECT_EQ(row.percent, f.percent);
        } else {
            EXPECT_LT(f.percent, 100);
        }
        const int floor = MulDiv(kFitFloorTenthsMm, row.dpi, 254);
        for (int r = 0; r < kFitRoles; ++r) {
            EXPECT_GE(f.height[r], std::min(in.height[r], floor));
            EXPECT_EQ(std::max(MulDiv(in.height[r], f.percent, 100), std::min(in.height[r], floor)), f.height[r])
                << "role " << r;
        }
        RECT inside = in.client;
        RECT main_drawn = {f.main.left, f.main.top, f.main.right, f.main.top + 1};
        EXPECT_TRUE(PtInRect(&inside, POINT{main_drawn.left, main_drawn.top}));
        for (int i = 0; i < kFitSlots; ++i) {
            if (!(f.shown & (1u << i))) continue;
            const FitBox &b = f.box[i];
            RECT drawn = {b.x, b.y, b.x + b.width, b.y + b.height}, both;
            UnionRect(&both, &drawn, &f.hit[i]);
            EXPECT_TRUE(both.left >= 0 && both.top >= 0 && both.right <= row.w && both.bottom <= row.h) << "slot " << i;
            EXPECT_TRUE(EqualRect(&both, &f.hit[i])) << "slot " << i << " drawn off its row";
            if (i == kFitBackSlot) continue;
            EXPECT_LE(b.height, kFitMaxAnswerLines * f.height[kFitAnswer]);
            EXPECT_GE(f.hit[i].bottom - f.hit[i].top, MulDiv(kFitRowTenthsMm, row.dpi, 254));
            if (row.numbered) {
                EXPECT_GE(f.badge[i].right - f.badge[i].left, MulDiv(kFitBadgeTenthsMm, row.dpi, 254));
                EXPECT_LE(f.badge[i].right, b.x);
                EXPECT_GE(f.badge[i].top, f.hit[i].top);
            }
        }
        if (row.result) {
            EXPECT_LE(f.comment.top + f.height[kFitComment], f.hit[kFitBackSlot].top);
        }
    }
    // Too much for any font: cut at the readable floor, and said so.
    std::string endless = repeat("長", 400);
    FitInput in = {};
    in.client = {0, 0, 320, 240};
    in.dpi = 96;
    in.main = endless.c_str();
    for (int i = 0; i < kFitBackSlot; ++i) in.choice[i] = endless.c_str();
    in.height[kFitMain] = in.height[kFitAnswer] = in.height[kFitComment] = 40;
    ScreenFit f = fit_screen(in, mono);
    EXPECT_FALSE(f.fits);
    EXPECT_TRUE(f.floor_reached);
    EXPECT_EQ(MulDiv(kFitFloorTenthsMm, 96, 254), f.height[kFitAnswer]);
    EXPECT_EQ(std::string::npos, f.choice_text[0].text.find("\r\n", f.choice_text[0].text.find("\r\n") + 2));
}

// Lines break between Japanese characters anywhere, before a Latin word that fits whole on the
// next line, never before closing punctuation; given line breaks stay.
TEST(ScreenFitTable, LineBreaking) {
    struct Row {
        const char *text;
        int width;
        const char *lines;
    } rows[] = {
        {"あいうえお", 35, "あいう\r\nえお"},
        {"あいう。", 30, "あいう。"},
        {"I like cats", 40, "I like \r\ncats"},
        {"supercalifragilistic", 40, "supercal\r\nifragili\r\nstic"},
        {"上\r\n下", 100, "上\r\n下"},
        {"", 40, ""},
        {"アイ", 10, "ア\r\nイ"},  // trail bytes that look like Latin letters break as characters
    };
    MonoMeasure mono;
    for (const Row &row : rows) {
        int lines = 0, widest = 0;
        EXPECT_EQ(row.lines, break_lines(row.text, kFitAnswer, 10, row.width, mono, &lines, &widest)) << row.text;
    }
}

// The reading notation row by row: the plain text lists and logs show, and each reading's base.
TEST(Readings, NotationAndBrokenForms) {
    struct Row {
        const char *text, *plain, *bases;  // bases: "base=reading;" for each reading
    } rows[] = {
        {"｜漢字《かんじ》を読む", "漢字を読む", "漢字=かんじ;"},
        {"今日は晴天《せいてん》です", "今日は晴天です", "晴天=せいてん;"},  // the run of kanji before 《
        {"｜東京タワー《とうきょうタワー》", "東京タワー", "東京タワー=とうきょうタワー;"},
        {"山々《やまやま》", "山々", "山々=やまやま;"},
        {"漢字《かんじ", "漢字《かんじ", ""},        // unclosed: as written
        {"漢字《》", "漢字《》", ""},                // empty reading
        {"ひらがな《よみ》", "ひらがな《よみ》", ""},  // a reading on no base text
        {"｜だけ", "｜だけ", ""},                    // a bar no reading follows
        {"｜《そのまま》", "《そのまま》", ""},        // ｜《 writes 《
        {"漢\r\n《かん》", "漢\r\n《かん》", ""},      // a reading does not reach over a line break
        {"日本《にほん》と米国《べいこく》", "日本と米国", "日本=にほん;米国=べいこく;"},
    };
    for (const Row &r : rows) {
        std::vector<ReadingSpan> spans;
        std::string plain = plain_text(r.text, &spans), bases;
        for (const ReadingSpan &s : spans) bases += plain.substr(s.start, s.end - s.start) + "=" + s.reading + ";";
        EXPECT_EQ(r.plain, plain) << r.text;
        EXPECT_EQ(r.bases, bases) << r.text;
    }
    // Laid out: a band for the readings above every line, each reading centred on its base.
    MonoMeasure mono;
    int lines = 0, widest = 0;
    FitBlock b = fit_block("あ｜漢字《かんじ》", kFitMain, 20, 400, mono, &lines, &widest);
    EXPECT_EQ("あ漢字", b.text);
    ASSERT_EQ(1u, b.ruby.size());
    EXPECT_EQ(10, b.ruby_height);
    EXPECT_EQ(20 + 10, b.pitch());
    EXPECT_EQ(20 + (40 - 30) / 2, b.ruby[0].x);
}
