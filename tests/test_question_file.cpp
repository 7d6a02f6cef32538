// The player's loader: every key, limits of lines and fields, totals, dialog and open failure.
#include <gtest/gtest.h>
#include <string>
#include "DirList.h"
#include "QuestionFile.h"
#include "font_slot.h"
#include "message_box_recorder.h"
#include "scratch_folder.h"
#include "screen_check.h"
#include "sound_store.h"

namespace {
struct Slot {
    QuestionFile f;
    Slot() { question_file_init(&f); }
    ~Slot() { question_file_free(&f); }
};
const char kFont[] = "-20,0,0,0,400,0,0,0,128,0,0,0,0,";

std::string sound(int slot_index, int k) {
    char buffer[2048] = {0};
    char *p = buffer;
    sound_store(kSoundGetFile + k, slot_index, &p);
    return buffer;
}
std::string face(HFONT (*get)(int, int, LOGFONTA *), int slot_index) {
    LOGFONTA lf{};
    get(kFontGetFile, slot_index, &lf);
    return lf.lfFaceName;
}
HFONT question_get(int op, int i, LOGFONTA *b) { return question_font(op, i, 0, b); }
HFONT comment_get(int op, int i, LOGFONTA *b) { return comment_font(op, i, 0, b); }
}  // namespace

TEST(QuestionFileLoad, EveryKeyAnyCaseWithEscapes) {
    ScratchFolder dir;
    std::string text = "n,タイトル\r\nvoice,1,a.wav\r\nVoice,9,bad.wav\r\nVoice,2,\r\nQ,朝~_#$型~_#%夜型,はい~_#%たぶん,5,いいえ,-3,,0,,0,,0,q.jpg,1,2,3\r\n"
                       "h,ヘッダ\r\nF,フッタ,続き\r\nqrtext,{code},x\r\nVoice,0,top.mp3\r\nU,最高~_#%,二~_#$行,top.bmp,4,5\r\n"
                       "S,結果一,c1\r\nQrText,二\r\ns,結果二\r\nQrDefault,既定\r\nQrPlace,1,-2,30\r\n"
                       "R,最低\r\nsrange,2,-5,7\r\nSRange,1,3,x\r\nSRange,9,1,2\r\ntypescore,1\r\nTypePt,1,2,1,4\r\nTypePt,5,1,1,1\r\n\r\nXYZ,skipped\r\nQuesWall,wall.jpg\r\nroundup,\r\n";
    const char *fonts[] = {"J", "a", "L", "o"}, *faces[] = {"明朝", "ゴシック", "丸", "行書"};
    for (int i = 0; i < 4; ++i) text += std::string(fonts[i]) + "," + kFont + faces[i] + "\r\n";
    const char *sounds[] = {"SndSt", "sndmx", "SndMd", "SNDMN", "SndEd", "SndBk"};
    for (int k = 0; k < 6; ++k) text += std::string(sounds[k]) + ",s" + std::to_string(k) + ".wav\r\n";
    // The same file as Shift-JIS, and as current Notepad saves it: UTF-8 with and without a mark.
    std::wstring wide(text.size(), L'\0');
    wide.resize(MultiByteToWideChar(932, 0, text.data(), static_cast<int>(text.size()), &wide[0], static_cast<int>(wide.size())));
    std::string utf8(wide.size() * 3, '\0');
    utf8.resize(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &utf8[0],
                                    static_cast<int>(utf8.size()), nullptr, nullptr));
    for (const std::string &bytes : {text, utf8, "\xEF\xBB\xBF" + utf8}) {
    SCOPED_TRACE(bytes.substr(0, 3));
    Slot s;
    ASSERT_EQ(1, load_question_file_into(&s.f, 2, nullptr, dir.write("a.qst", bytes).c_str()));
    EXPECT_STREQ("タイトル", s.f.title);
    EXPECT_STREQ("ヘッダ", s.f.header);
    EXPECT_STREQ("フッタ,続き", s.f.footer);
    EXPECT_STREQ("朝\r\n型,夜型", s.f.questions[0].text);
    EXPECT_STREQ("はい,たぶん", s.f.questions[0].answers[0]);
    EXPECT_STREQ("", s.f.questions[1].text);
    EXPECT_STREQ("最高,", s.f.topRow.title);
    EXPECT_STREQ("二\r\n行", s.f.topRow.comment);
    EXPECT_EQ(5, s.f.topRow.pictureY);
    EXPECT_STREQ("最低", s.f.bottomRow.title);
    EXPECT_STREQ("結果一", s.f.results[0].title);
    EXPECT_STREQ("結果二", s.f.results[1].title);
    EXPECT_EQ(0, s.f.results[0].ranged);  // its line is unreadable, the row keeps its band
    EXPECT_EQ(1, s.f.results[1].ranged);
    EXPECT_EQ(-5, s.f.results[1].rangeFrom);
    EXPECT_EQ(7, s.f.results[1].rangeTo);
    // A QR text belongs to the row after it alone.
    EXPECT_STREQ("{code},x", s.f.topRow.qrText);
    EXPECT_STREQ("", s.f.results[0].qrText);
    EXPECT_STREQ("二", s.f.results[1].qrText);
    EXPECT_STREQ("", s.f.bottomRow.qrText);
    // Voices too: a bad part or an empty path is skipped.
    EXPECT_STREQ("a.wav", s.f.questions[0].voice[1]);
    for (int v : {0, 2, 3}) EXPECT_STREQ("", s.f.questions[0].voice[v]);
    EXPECT_STREQ("top.mp3", s.f.topRow.voice);
    EXPECT_STREQ("", s.f.results[0].voice);
    EXPECT_STREQ("既定", s.f.qrDefault);
    EXPECT_EQ(1, s.f.qrX);
    EXPECT_EQ(0, s.f.qrY);
    EXPECT_EQ(30, s.f.qrSize);
    EXPECT_STREQ("wall.jpg", s.f.wallpaper);
    EXPECT_EQ(1, s.f.typeScoring);
    EXPECT_EQ(1, s.f.tieQuestion);
    EXPECT_EQ(1, s.f.questions[0].typeLinks[1][0].row);  // the link to a fifth question is skipped
    EXPECT_EQ(4, s.f.questions[0].typeLinks[1][0].points);
    EXPECT_EQ(0, s.f.questions[0].typeLinks[1][1].row);
    EXPECT_EQ(1, s.f.roundUp);
    EXPECT_EQ(5, s.f.highestTotal);
    EXPECT_EQ(-3, s.f.lowestTotal);
    for (int k = 0; k < 6; ++k) EXPECT_EQ("s" + std::to_string(k) + ".wav", sound(2, k));
    EXPECT_EQ("", sound(0, 0));
    EXPECT_EQ("明朝", face(question_get, 2));
    EXPECT_EQ("ゴシック", face(answer_font, 2));
    EXPECT_EQ("丸", face(comment_get, 2));
    EXPECT_EQ("行書", face(header_font, 2));
    }
    // A character Shift-JIS cannot hold comes as "?"; the fields after it stay in place.
    Slot other;
    load_question_file_into(&other.f, 0, nullptr, dir.write("u.qst", "N,caf\xC3\xA9 \xF0\x9F\x98\x80,x\r\nQ,q,a,1\r\n").c_str());
    EXPECT_STREQ("caf? ?,x", other.f.title);

    Slot bare;
    load_question_file_into(&bare.f, 0, nullptr, dir.write("b.qst", "RoundUp\r\n").c_str());
    EXPECT_EQ(1, bare.f.roundUp);
}

TEST(QuestionFileLoad, TotalsNeverCrossZero) {
    ScratchFolder dir;
    struct { const char *lines; int high, low; } cases[] = {
        {"Q,1,a,5,b,3,c,0\r\nQ,2,a,5,b,3,c,0\r\nQ,3,a,5,b,3,c,0\r\n", 15, 0},
        {"Q,1,a,2,b,1\r\nQ,2,a,2,b,1\r\nQ,3,a,2,b,1\r\n", 6, 0},
        {"Q,1,a,-2,b,4\r\n", 4, -2},
    };
    for (auto &c : cases) {
        Slot s;
        load_question_file_into(&s.f, 0, nullptr, dir.write("t.qst", c.lines).c_str());
        EXPECT_EQ(c.high, s.f.highestTotal);
        EXPECT_EQ(c.low, s.f.lowestTotal);
    }
}

TEST(QuestionFileLoad, OverlongQuestionTextEndsTheQuestions) {
    ScratchFolder dir;
    std::string lines = "Q,one,a,1\r\nQ," + std::string(256, 'q') + ",a,1\r\nQ,three,a,1\r\n";
    Slot s;
    load_question_file_into(&s.f, 0, nullptr, dir.write("f.qst", lines).c_str());
    EXPECT_EQ(1u, question_file_count(&s.f));
    EXPECT_STREQ("three", s.f.questions[2].text);  // read, but never reached
}

TEST(QuestionFileLoad, LineOf2047BytesLoadsAndLongerEndsReading) {
    ScratchFolder dir;
    for (size_t length : {2047u, 2048u}) {
        std::string line = "Q,q,a,7";
        line += std::string(length - line.size(), ',');
        Slot s;
        load_question_file_into(&s.f, 0, nullptr, dir.write("l.qst", "N,before\r\n" + line + "\r\nH,after\r\n").c_str());
        EXPECT_STREQ("before", s.f.title);
        EXPECT_EQ(length == 2047 ? 7 : 0, s.f.questions[0].points[0]) << length;
        EXPECT_STREQ(length == 2047 ? "after" : "", s.f.header) << length;
    }
}

TEST(QuestionFileLoad, OverlongTextFieldsCutAtCharacterBoundary) {
    ScratchFolder dir;
    std::string wide;
    for (int i = 0; i < 70; ++i) wide += "あ";
    std::string lines = "N," + wide + "\r\nH,x" + wide + "\r\nF," + std::string(200, 'f') + "\r\nQuesWall," +
                        std::string(300, 'w') + "\r\n";
    Slot s;
    load_question_file_into(&s.f, 0, nullptr, dir.write("c.qst", lines).c_str());
    EXPECT_EQ(126u, strlen(s.f.title));  // 127 would split a character
    EXPECT_EQ(wide.substr(0, 126), s.f.title);
    EXPECT_EQ(127u, strlen(s.f.header));
    EXPECT_EQ(127u, strlen(s.f.footer));
    EXPECT_EQ(259u, strlen(s.f.wallpaper));
    EXPECT_EQ(0, s.f.roundUp);
}

TEST(QuestionFileLoad, ManyQuestionsGrowGeometrically) {
    ScratchFolder dir;
    std::string lines;
    const size_t n = 50000;
    for (size_t i = 0; i < n; ++i) lines += "Q,q" + std::to_string(i) + ",a,1\r\n";
    Slot s;
    DWORD begin = GetTickCount();
    load_question_file_into(&s.f, 0, nullptr, dir.write("big.qst", lines).c_str());
    EXPECT_LT(GetTickCount() - begin, 60000u);
    EXPECT_EQ(n, question_file_count(&s.f));
    EXPECT_STREQ("q49999", s.f.questions[n - 1].text);
    EXPECT_LT(s.f.questionCapacity, 2 * (n + 1));
}

namespace {
std::string g_pick;
std::string g_title, g_filter, g_folder;
BOOL scripted_open(OPENFILENAMEA *o) {
    g_title = o->lpstrTitle;
    g_filter.assign(o->lpstrFilter, 64);
    g_folder = o->lpstrInitialDir;
    if (g_pick.empty()) return FALSE;
    strcpy(o->lpstrFile, g_pick.c_str());
    return TRUE;
}
}  // namespace

TEST(QuestionFileLoad, DialogCancelAndOpenFailure) {
    ScratchFolder dir;
    CommonDialogs script = {scripted_open, nullptr, nullptr, nullptr};
    CommonDialogs old = set_common_dialogs(&script);
    Slot s;
    g_pick = dir.write("d.qst", "N,picked\r\n");
    EXPECT_EQ(1, load_question_file_into(&s.f, 0, nullptr, nullptr));
    EXPECT_STREQ("picked", s.f.title);
    EXPECT_EQ("診断Zelmica", g_title);
    EXPECT_EQ(std::string("問題ファイル(*.qst)\0*.qst\0すべてのファイル(*.*)\0*.*\0\0", 47), g_filter.substr(0, 47));
    EXPECT_FALSE(g_folder.empty());
    g_pick.clear();
    EXPECT_EQ(0, load_question_file_into(&s.f, 0, nullptr, nullptr));
    set_common_dialogs(&old);

    MessageBoxRecorder boxes;
    EXPECT_EQ(0, load_question_file_into(&s.f, 0, nullptr, (dir.path() + "missing.qst").c_str()));
    ASSERT_EQ(1u, boxes.boxes().size());
    EXPECT_EQ("File Open Error", boxes.boxes()[0].caption);
    EXPECT_NE(boxes.boxes()[0].text.find("missing.qst」を開けません"), std::string::npos);
    EXPECT_STREQ("picked", s.f.title);
    EXPECT_EQ(1, load_question_file_into(&s.f, 0, nullptr, dir.write("empty.qst", "").c_str()));
}

// The editors' warning names exactly the questions that cannot be shown at 1024 x 768 with the
// file's fonts, however small the player would make them.
TEST(ScreenCheck, NamesOnlyTheQuestionsThatDoNotFit) {
    LOGFONTA fonts[kFitRoles] = {};
    for (LOGFONTA &f : fonts) {
        f.lfHeight = -40;
        f.lfCharSet = SHIFTJIS_CHARSET;
        lstrcpyA(f.lfFaceName, "IPAGothic");
    }
    QuestionRecord fits = {}, endless = {};
    lstrcpyA(fits.text, "朝は得意?");
    lstrcpyA(fits.answers[0], "はい");
    lstrcpyA(fits.answers[1], "いいえ");
    lstrcpyA(endless.text, "長い問題");
    for (int i = 0; i < kAnswerCount; ++i)
        for (int n = 0; n < 60; ++n) lstrcatA(endless.answers[i], "あ");
    ListNode list = {};  // liner_init empties the list it is given: a head from the stack must start zero
    liner_init(&list);
    liner_append(&list, &fits, sizeof fits);
    liner_append(&list, &endless, sizeof endless);
    EXPECT_EQ("問題 2「長い問題」（文字を小さくして表示されます）\r\n", unfit_questions(&list, fonts));
    liner_clear(&list);
}
