// Editor open and save of question files: every item of the format, exact bytes, the empty
// dialog, a failed write, and what the player's loader makes of the editor's file.
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>
#include "ListView.h"
#include "question_codec.h"
#include "BrixLib.h"
#include "LoadQues.h"
#include "QuestionFile.h"
#include "editor_dialog_fixture.h"
#include "message_box_recorder.h"
#include "question_records.h"
#include "scratch_folder.h"
#include "sound_store.h"

namespace {
const char *const kFaces[] = {"明朝", "ゴシック", "丸", "行書"};

// A font line in the form write_logfont_line gives it.
std::string font_line(const char *face) {
    LOGFONTA lf{};
    read_logfont_line((std::string("-20,0,0,0,400,0,0,0,128,0,0,0,0,") + face).c_str(), &lf);
    char out[128] = {0};
    write_logfont_line(&lf, out);
    return out;
}

// Every item of the format, in the order the editor writes it.
std::string full_file() {
    std::string t = "N,タイトル\r\n"
                    "Voice,0,q.wav\r\nVoice,2,voice\\a2.mp3\r\n"
                    "Q,朝~_#$型~_#%夜型,はい~_#%たぶん,5,いいえ,-3,,0,,0,,0,q.jpg,1,2,3\r\n"
                    "Q,二問目,一,1,二,2,,0,,0,,0\r\n"
                    "H,ヘッダ\r\nF,フッタ,続き\r\n"
                    "U,最高~_#%,二~_#$行,top.bmp,4,5\r\n"
                    "QrText,https://example.com/?r={title}&c={code},x\r\n"
                    "Voice,0,r.wav\r\n"
                    "S,結果一,c1\r\nS,絵だけ,,pic.bmp,7,8\r\nS,題だけ\r\n"
                    "QrText,{{x}} {date}\r\nR,最低\r\n"
                    "SRange,1,5,9\r\nSRange,3,-3,0\r\n";
    const char *keys[] = {"J", "A", "L", "O"};
    for (int i = 0; i < 4; ++i) t += std::string(keys[i]) + "," + font_line(kFaces[i]) + "\r\n";
    const char *sounds[] = {"SndSt", "SndMx", "SndMd", "SndMn", "SndEd", "SndBk"};
    for (int k = 0; k < 6; ++k) t += std::string(sounds[k]) + ",s" + std::to_string(k) + ".wav\r\n";
    return t + "QuesWall,wall.jpg\r\nRoundUp,\r\nQrDefault,既定 {code}\r\nQrPlace,10,20,150\r\n";
}

const QuestionRecord *question(MainDialog &d, int n) {
    return static_cast<const QuestionRecord *>(liner_get(&d.state()->questions, n));
}
const ResultRecord *result(MainDialog &d, int n) {
    return static_cast<const ResultRecord *>(liner_get(&d.state()->results, n));
}
int open_file(MainDialog &d, const std::string &path) {
    return open_question_file(d.dialog, &d.state()->questions, &d.state()->results, d.state()->path, path.c_str());
}
int save(MainDialog &d, const std::string &target) {
    ScriptedFileDialogs::save_pick = target;
    return save_question_file(d.dialog, d.state()->path, &d.state()->questions, &d.state()->results);
}

HFONT question_get(int op, int i, LOGFONTA *b) { return question_font(op, i, 0, b); }
HFONT comment_get(int op, int i, LOGFONTA *b) { return comment_font(op, i, 0, b); }

int g_writes, g_fail_at;
int failing_writer(const char *path, const char *text, DWORD disposition) {
    if (++g_writes == g_fail_at) return 0;
    return append_to_file(path, text, disposition);
}
}  // namespace

TEST(EditorFile, OpenFillsTheControlsAndASecondOpenEmptiesThemFirst) {
    ScratchFolder dir;
    ScriptedFileDialogs dialogs;
    MainDialog d;
    ScriptedFileDialogs::open_pick = dir.write("a.qst", full_file());
    ASSERT_EQ(1, open_question_file(d.dialog, &d.state()->questions, &d.state()->results, d.state()->path));
    EXPECT_EQ("診断Zelmicaエディタ", ScriptedFileDialogs::caption);
    EXPECT_EQ(ScriptedFileDialogs::open_pick, d.state()->path);
    EXPECT_EQ("フッタ,続き", d.text(IDC_MAIN_FOOTER));
    EXPECT_EQ("s4.wav", d.text(IDC_MAIN_SND_JUDGE));
    EXPECT_TRUE(d.checked(IDC_MAIN_TOP_ROW) && d.checked(IDC_MAIN_BOTTOM_ROW) && d.checked(IDC_MAIN_ROUND_UP));
    EXPECT_EQ(2, ListView_GetItemCount(d.questions()));
    EXPECT_EQ(5, ListView_GetItemCount(d.results()));
    EXPECT_STREQ("朝\r\n型,夜型", question(d, 0)->text);
    EXPECT_STREQ("", result(d, 2)->comment);
    EXPECT_STREQ("pic.bmp", result(d, 2)->picture);
    EXPECT_STREQ("https://example.com/?r={title}&c={code},x", result(d, 1)->qrText);
    EXPECT_STREQ("", result(d, 2)->qrText);

    ASSERT_EQ(1, open_file(d, dir.write("b.qst", "Q,ただ一つ\r\n")));
    EXPECT_EQ("", d.text(IDC_MAIN_TITLE));
    EXPECT_FALSE(d.checked(IDC_MAIN_TOP_ROW));
    EXPECT_EQ(1, liner_count(&d.state()->questions));
    EXPECT_EQ(0, ListView_GetItemCount(d.results()));
    LOGFONTA lf{};
    EXPECT_EQ(nullptr, question_font(kFontGetFile, 0, 0, &lf));

    // A file saved as UTF-8: read as its text, with one word naming it, that it will be saved in
    // Shift-JIS and what became "?"; replacing it in Shift-JIS is asked first, once.
    MessageBoxRecorder boxes(IDNO);
    const std::string utf8 = "\xEF\xBB\xBFN,\xE6\x9C\x9D\xC3\xA9\r\nQ,q,a,1\r\n";
    ASSERT_EQ(1, open_file(d, dir.write("u.qst", utf8)));
    EXPECT_EQ("朝?", d.text(IDC_MAIN_TITLE));
    ASSERT_EQ(1u, boxes.boxes().size());
    for (const char *word : {"u.qst", "Shift-JIS", "1 文字", "U+00E9"})
        EXPECT_NE(std::string::npos, boxes.boxes()[0].text.find(word)) << word;
    EXPECT_EQ(0, save(d, dir.path() + "u.qst"));
    EXPECT_EQ(2u, boxes.boxes().size());
    EXPECT_EQ(utf8, dir.read("u.qst"));
    ASSERT_EQ(1, save(d, dir.path() + "copy.qst"));  // another name: nothing to ask
    EXPECT_EQ(2u, boxes.boxes().size());
    boxes.set_answer(IDYES);
    ASSERT_EQ(1, save(d, dir.path() + "u.qst"));
    ASSERT_EQ(1, save(d, dir.path() + "u.qst"));
    EXPECT_EQ(3u, boxes.boxes().size());
    EXPECT_EQ("N,朝?\r\nQ,q,a,1,,0,,0,,0,,0\r\n", dir.read("u.qst"));
}

TEST(EditorFile, SaveWritesTheFormatExactlyAndAgainIdentically) {
    ScratchFolder dir;
    ScriptedFileDialogs dialogs;
    MainDialog d;
    ASSERT_EQ(1, open_file(d, dir.write("in.qst", full_file())));
    ASSERT_EQ(1, save(d, dir.path() + "out.qst"));
    EXPECT_EQ("セットの保存先を選択してください", ScriptedFileDialogs::caption);
    EXPECT_EQ(full_file(), dir.read("out.qst"));
    EXPECT_EQ("<none>", dir.read("~out.qst"));

    ASSERT_EQ(1, open_file(d, dir.path() + "out.qst"));
    ASSERT_EQ(1, save(d, dir.path() + "again.qst"));
    EXPECT_EQ(dir.read("out.qst"), dir.read("again.qst"));
}

TEST(EditorFile, TopAndBottomRowsInAnyLineOrder) {
    ScratchFolder dir;
    ScriptedFileDialogs dialogs;
    MainDialog d;
    // "S" after "R" goes before the bottom row; "U" after "S" still becomes the first row.
    ASSERT_EQ(1, open_file(d, dir.write("a.qst", "S,一\r\nR,底\r\nS,二\r\nU,頂\r\n")));
    ASSERT_EQ(4, liner_count(&d.state()->results));
    EXPECT_STREQ("頂", result(d, 0)->title);
    EXPECT_STREQ("一", result(d, 1)->title);
    EXPECT_STREQ("二", result(d, 2)->title);
    EXPECT_STREQ("底", result(d, 3)->title);
    ASSERT_EQ(1, save(d, dir.path() + "b.qst"));
    EXPECT_EQ("U,頂\r\nS,一\r\nS,二\r\nR,底\r\n", dir.read("b.qst"));

    // One row with both options is the top row.
    ASSERT_EQ(1, open_file(d, dir.write("c.qst", "U,唯一\r\n")));
    CheckDlgButton(d.dialog, IDC_MAIN_BOTTOM_ROW, BST_CHECKED);
    ASSERT_EQ(1, save(d, dir.path() + "d.qst"));
    EXPECT_EQ("U,唯一\r\n", dir.read("d.qst"));

    // Range lines in any order find their "S" row; the ones that cannot be taken are named at
    // once, since the save writes only what the rows hold.
    MessageBoxRecorder boxes;
    ASSERT_EQ(1, open_file(d, dir.write("e.qst", "SRange,2,0,3\r\nU,頂\r\nS,一\r\nS,二\r\nSRange,1,4,x\r\nSRange,3,0,0\r\n")));
    ASSERT_EQ(1u, boxes.boxes().size());
    EXPECT_NE(std::string::npos, boxes.boxes()[0].text.find("SRange,1,4,x（数が読めないか"));
    EXPECT_NE(std::string::npos, boxes.boxes()[0].text.find("SRange,3,0,0（3 番目の行がありません）"));
    ASSERT_EQ(1, save(d, dir.path() + "f.qst"));
    EXPECT_EQ("U,頂\r\nS,一\r\nS,二\r\nSRange,2,0,3\r\n", dir.read("f.qst"));

    // Type lines: the ones naming no question or row are named; a range line in a typed file is
    // kept and said to be unused; the save writes the mode and the links back.
    const size_t seen = boxes.boxes().size();
    ASSERT_EQ(1, open_file(d, dir.write("g.qst", "Q,q1,a,0,b,0\r\nQ,q2,a,0\r\nS,一\r\nS,二\r\nTypePt,1,2,2,3\r\nTypeScore,1\r\n"
                                                 "TypePt,3,1,1,1\r\nTypePt,1,1,5,1\r\nTypePt,1,1,1,x\r\nSRange,1,0,0\r\n")));
    ASSERT_EQ(seen + 2, boxes.boxes().size());
    EXPECT_NE(std::string::npos, boxes.boxes()[seen].text.find("TypePt,3,1,1,1（その番号の設問がありません）"));
    EXPECT_NE(std::string::npos, boxes.boxes()[seen].text.find("TypePt,1,1,5,1（その番号の結果の行がありません）"));
    EXPECT_NE(std::string::npos, boxes.boxes()[seen].text.find("TypePt,1,1,1,x（数が読めないか"));
    EXPECT_NE(std::string::npos, boxes.boxes()[seen + 1].text.find("タイプ式では使われません"));
    EXPECT_NE(std::string::npos, boxes.boxes()[seen + 1].text.find("SRange,1,0,0"));
    ASSERT_EQ(1, save(d, dir.path() + "h.qst"));
    EXPECT_EQ("Q,q1,a,0,b,0,,0,,0,,0\r\nQ,q2,a,0,,0,,0,,0,,0\r\nS,一\r\nS,二\r\nTypeScore,1\r\nTypePt,1,2,2,3\r\n"
              "SRange,1,0,0\r\n",
              dir.read("h.qst"));
}

TEST(EditorFile, PathsOfOpenAndSave) {
    ScratchFolder dir;
    ScriptedFileDialogs dialogs;
    MessageBoxRecorder boxes;
    MainDialog d;
    d.set(IDC_MAIN_TITLE, "残る");
    // Without a current file the save dialog starts without a name; the file saved is then the current one.
    ASSERT_EQ(1, save(d, dir.path() + "new.qst"));
    EXPECT_EQ("", ScriptedFileDialogs::offered);
    EXPECT_EQ(dir.path() + "new.qst", d.state()->path);

    // A file that cannot be opened is reported and changes nothing, not even the path.
    EXPECT_EQ(0, open_file(d, dir.path() + "missing.qst"));
    ASSERT_EQ(1u, boxes.boxes().size());
    EXPECT_EQ("File Open Error", boxes.boxes()[0].caption);
    EXPECT_EQ("残る", d.text(IDC_MAIN_TITLE));
    EXPECT_EQ(dir.path() + "new.qst", d.state()->path);

    ASSERT_EQ(1, open_file(d, dir.path() + "new.qst"));
    EXPECT_EQ(dir.path() + "new.qst", d.state()->path);
    ASSERT_EQ(1, save(d, dir.path() + "other.qst"));
    EXPECT_EQ(dir.path() + "new.qst", ScriptedFileDialogs::offered);
    EXPECT_EQ(dir.path() + "other.qst", d.state()->path);

    ScriptedFileDialogs::open_pick.clear();  // cancelled
    EXPECT_EQ(0, open_question_file(d.dialog, &d.state()->questions, &d.state()->results, d.state()->path));
    EXPECT_EQ(0, save(d, ""));
    EXPECT_EQ("残る", d.text(IDC_MAIN_TITLE));
}

TEST(EditorFile, NothingToWriteOrAFailedLineKeepsTheTarget) {
    ScratchFolder dir;
    ScriptedFileDialogs dialogs;
    MessageBoxRecorder boxes;
    MainDialog d;
    std::string target = dir.write("t.qst", "OLD");
    EXPECT_EQ(0, save(d, target));
    EXPECT_EQ("OLD", dir.read("t.qst"));
    EXPECT_EQ("<none>", dir.read("~t.qst"));

    ASSERT_EQ(1, open_file(d, dir.write("in.qst", full_file())));
    g_writes = 0;
    g_fail_at = 3;
    LineWriterFn previous = set_line_writer_fn(failing_writer);
    EXPECT_EQ(0, save(d, target));
    set_line_writer_fn(previous);
    EXPECT_EQ(3, g_writes);  // nothing more is written after the failure
    EXPECT_EQ("OLD", dir.read("t.qst"));
    EXPECT_EQ("<none>", dir.read("~t.qst"));

    // An empty title alone does not stop the other lines.
    d.set(IDC_MAIN_TITLE, "");
    ASSERT_EQ(1, save(d, target));
    EXPECT_EQ(full_file().substr(std::string("N,タイトル\r\n").size()), dir.read("t.qst"));
}

TEST(EditorFile, ThePlayerReadsWhatTheEditorWrote) {
    ScratchFolder dir;
    ScriptedFileDialogs dialogs;
    MainDialog d;
    ASSERT_EQ(1, open_file(d, dir.write("in.qst", full_file())));
    ASSERT_EQ(1, save(d, dir.path() + "out.qst"));

    QuestionFile slot;
    ASSERT_EQ(1, question_file_init(&slot));
    ASSERT_EQ(1, load_question_file_into(&slot, 3, nullptr, (dir.path() + "out.qst").c_str()));
    EXPECT_STREQ("タイトル", slot.title);
    EXPECT_STREQ("ヘッダ", slot.header);
    EXPECT_STREQ("フッタ,続き", slot.footer);
    EXPECT_STREQ("wall.jpg", slot.wallpaper);
    EXPECT_EQ(1, slot.roundUp);
    ASSERT_EQ(2u, question_file_count(&slot));
    int32_t high = 0, low = 0;
    for (int n = 0; n < 2; ++n) {
        const QuestionRecord *e = question(d, n);
        EXPECT_EQ(0, memcmp(e, &slot.questions[n], sizeof *e)) << "question " << n;
        high += question_highest_points(e);
        low += question_lowest_points(e);
    }
    EXPECT_EQ(high, slot.highestTotal);
    EXPECT_EQ(low, slot.lowestTotal);
    EXPECT_EQ(0, memcmp(result(d, 0), &slot.topRow, sizeof slot.topRow));
    EXPECT_EQ(0, memcmp(result(d, 4), &slot.bottomRow, sizeof slot.bottomRow));
    for (int n = 0; n < 3; ++n)
        EXPECT_EQ(0, memcmp(result(d, n + 1), &slot.results[n], sizeof slot.results[n])) << "result " << n;
    EXPECT_STREQ("", slot.results[3].title);

    HFONT (*const get[4])(int, int, LOGFONTA *) = {question_get, answer_font, comment_get, header_font};
    for (int i = 0; i < 4; ++i) {
        LOGFONTA lf{};
        get[i](kFontGetFile, 3, &lf);
        EXPECT_STREQ(kFaces[i], lf.lfFaceName);
    }
    for (int k = 0; k < 6; ++k) {
        char buffer[2048] = {0};
        char *p = buffer;
        sound_store(kSoundGetFile + k, 3, &p);
        EXPECT_EQ("s" + std::to_string(k) + ".wav", std::string(buffer));
    }
    question_file_free(&slot);
}

// Random editor contents with fields at and just past their stored limits, full of commas, line
// breaks and double-byte characters whose second byte is 0x5C or a capital: what the dialogs
// accept is saved, and both readers give back exactly those rows in order; a record the dialogs
// would refuse makes the save fail and leaves the target as it was.
TEST(EditorFile, WhatTheDialogsAcceptComesBackExactlyFromBothReaders) {
    ScratchFolder dir;
    ScriptedFileDialogs dialogs;
    MessageBoxRecorder boxes;
    MainDialog d;
    std::mt19937 random(20261208);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    // Pieces: plain, comma, line break, "ソ" (0x83 0x5C), "ア" (0x83 0x41), "表" (0x95 0x5C).
    const char *const pieces[] = {"a", ",", "\r\n", "ソ", "ア", "表", "Z"};
    // A text whose stored length lands within a few bytes of max, on either side.
    auto text = [&](size_t max, int kind, bool breaks) {
        std::string t;
        size_t want = max - 12 + static_cast<size_t>(pick(14));
        while (true) {
            const char *p = pieces[pick(7)];
            if (!breaks && p[0] == '\r') continue;
            std::string next = t + p;
            if (stored_length(next.c_str(), kind) > want) break;
            t = next;
        }
        return t.empty() ? std::string("a") : t;
    };
    auto fits_into = [](const std::string &t, size_t size) { return t.size() < size; };
    int saved_files = 0, refused = 0;
    for (int round = 0; round < 300; ++round) {
        lv_list_clear(d.questions(), &d.state()->questions);
        lv_list_clear(d.results(), &d.state()->results);
        std::vector<QuestionRecord> qs;
        std::vector<ResultRecord> rs;
        bool accepted = true;
        for (int n = 1 + pick(3); n > 0; --n) {
            QuestionRecord q{};
            std::string t = text(kStoredQuestionMax, kEscapeFull, true);
            if (!fits_into(t, sizeof q.text)) t.resize(sizeof q.text - 1), t.back() = 'a';
            strcpy(q.text, t.c_str());
            for (int a = 0; a < kAnswerCount; ++a) {
                if (pick(4) == 0) continue;
                std::string answer = text(kStoredAnswerMax, kEscapeComma, false);
                if (!fits_into(answer, sizeof q.answers[a])) answer.resize(sizeof q.answers[a] - 1), answer.back() = 'a';
                strcpy(q.answers[a], answer.c_str());
                q.points[a] = static_cast<int32_t>(random()) >> pick(31);
            }
            if (pick(2)) {
                memset(q.picture, 'p', kStoredPathMax - static_cast<size_t>(pick(3)));
                q.pictureX = pick(2000);
                q.pictureY = pick(2000);
            }
            accepted = accepted && question_fits(&q, nullptr);
            qs.push_back(q);
            lv_list_append(d.questions(), &d.state()->questions, &q, sizeof q);
        }
        for (int n = 1 + pick(3); n > 0; --n) {
            ResultRecord r{};
            std::string title = text(kStoredTitleMax, kEscapeFull, false);
            std::string comment = pick(3) ? text(kStoredCommentMax, kEscapeFull, true) : "";
            if (!fits_into(title, sizeof r.title)) title.resize(sizeof r.title - 1), title.back() = 'a';
            strcpy(r.title, title.c_str());
            strcpy(r.comment, comment.c_str());
            if (pick(2)) {
                strcpy(r.picture, "r.bmp");
                r.pictureX = pick(100);
            }
            accepted = accepted && result_fits(&r, nullptr);
            rs.push_back(r);
            lv_list_append(d.results(), &d.state()->results, &r, sizeof r);
        }
        std::string target = dir.path() + "p.qst";
        dir.write("p.qst", "N,before\r\n");
        size_t boxes_before = boxes.boxes().size();
        int written = save(d, target);
        if (!accepted) {
            ++refused;
            EXPECT_EQ(0, written) << round;
            EXPECT_EQ(boxes_before + 1, boxes.boxes().size()) << round;
            EXPECT_EQ("N,before\r\n", dir.read("p.qst")) << round;
            continue;
        }
        ++saved_files;
        ASSERT_EQ(1, written) << round;
        QuestionFile slot;
        ASSERT_EQ(1, question_file_init(&slot));
        ASSERT_EQ(1, load_question_file_into(&slot, 0, nullptr, target.c_str()));
        ASSERT_EQ(1, open_file(d, target));
        ASSERT_EQ(qs.size(), question_file_count(&slot)) << round;
        ASSERT_EQ(static_cast<int>(qs.size()), liner_count(&d.state()->questions)) << round;
        ASSERT_EQ(static_cast<int>(rs.size()), liner_count(&d.state()->results)) << round;
        for (size_t i = 0; i < qs.size(); ++i) {
            for (const QuestionRecord *got : {static_cast<const QuestionRecord *>(&slot.questions[i]), question(d, static_cast<int>(i))})
                EXPECT_EQ(0, memcmp(&qs[i], got, sizeof qs[i])) << round << " question " << i << ": " << got->text;
        }
        for (size_t i = 0; i < rs.size(); ++i) {
            const ResultRecord *got = result(d, static_cast<int>(i));
            EXPECT_EQ(0, memcmp(&rs[i], got, sizeof rs[i])) << round << " result " << i;
            EXPECT_EQ(0, memcmp(&rs[i], &slot.results[i], sizeof rs[i])) << round << " result " << i;
        }
        question_file_free(&slot);
    }
    EXPECT_GT(saved_files, 30);
    EXPECT_GT(refused, 30);
}

TEST(EditorFile, ALargeFileGivesOneRowPerRecordInFileOrderAndTheViewsDrawAgain) {
    ScratchFolder dir;
    ScriptedFileDialogs dialogs;
    MainDialog d;
    std::string t = "N,大きい\r\n";
    const std::string filler = ": 一行を長くするための文がここに続きます";
    for (int i = 0; i < 3000; ++i) t += "Q,問" + std::to_string(i) + filler + ",はい,1,,0,,0,,0,,0\r\n";
    t += "S,一\r\nS,二\r\n";
    LONG_PTR question_style = GetWindowLongPtrA(d.questions(), GWL_STYLE);
    LONG_PTR result_style = GetWindowLongPtrA(d.results(), GWL_STYLE);
    ASSERT_EQ(1, open_file(d, dir.write("big.qst", t)));
    ASSERT_EQ(1, open_file(d, dir.write("big2.qst", t)));  // the second open empties the first
    ASSERT_EQ(3000, ListView_GetItemCount(d.questions()));
    ASSERT_EQ(3000, liner_count(&d.state()->questions));
    int i = 0;
    for (ListNode *e = d.state()->questions.next; e; e = e->next, ++i) {
        LVITEMA item{};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        ASSERT_TRUE(ListView_GetItem(d.questions(), &item));
        ASSERT_EQ(e->data, reinterpret_cast<void *>(item.lParam)) << "row " << i;
        ASSERT_EQ("問" + std::to_string(i) + filler, static_cast<const QuestionRecord *>(e->data)->text);
    }
    EXPECT_EQ(2, ListView_GetItemCount(d.results()));
    // Drawing was held back only while reading: the views are as visible as before.
    EXPECT_EQ(question_style & WS_VISIBLE, GetWindowLongPtrA(d.questions(), GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(result_style & WS_VISIBLE, GetWindowLongPtrA(d.results(), GWL_STYLE) & WS_VISIBLE);
    // Far more than one piece of the writer: the saved bytes are the file's, and saving again
    // over it gives them again.
    ASSERT_GT(t.size(), 3u * 64 * 1024);
    ASSERT_EQ(1, save(d, dir.path() + "out.qst"));
    EXPECT_TRUE(t == dir.read("out.qst"));
    ASSERT_EQ(1, save(d, dir.path() + "out.qst"));
    EXPECT_TRUE(t == dir.read("out.qst"));
    EXPECT_EQ("<none>", dir.read("~out.qst"));
}

namespace {
// What a saved file's numbers name, by the texts they stand for: each type link as question,
// answer, result row and points, the tie question, and each banded row's range.
struct Named {
    std::set<std::string> links;
    std::string tie;
    std::map<std::string, std::string> ranges;
    std::set<std::string> questions, rows;
};
Named named_in(const std::string &path) {
    Named n;
    QuestionFile slot;
    question_file_init(&slot);
    load_question_file_into(&slot, 0, nullptr, path.c_str());
    size_t questions = question_file_count(&slot), rows = 0;
    while (slot.results[rows].title[0]) ++rows;
    auto row_name = [&](int32_t row) { return row >= 1 && static_cast<size_t>(row) <= rows ? std::string(slot.results[row - 1].title) : "?" + std::to_string(row); };
    for (size_t q = 0; q < questions; ++q) {
        n.questions.insert(slot.questions[q].text);
        for (int a = 0; a < kAnswerCount; ++a)
            for (const TypeLink &l : slot.questions[q].typeLinks[a])
                if (l.row) n.links.insert(std::string(slot.questions[q].text) + "/" + std::to_string(a) + "/" + row_name(l.row) + "/" + std::to_string(l.points));
    }
    n.tie = slot.tieQuestion >= 1 && static_cast<size_t>(slot.tieQuestion) <= questions ? slot.questions[slot.tieQuestion - 1].text : std::to_string(slot.tieQuestion);
    for (size_t r = 0; r < rows; ++r) {
        n.rows.insert(slot.results[r].title);
        if (slot.results[r].ranged) n.ranges[slot.results[r].title] = std::to_string(slot.results[r].rangeFrom) + ".." + std::to_string(slot.results[r].rangeTo);
    }
    question_file_free(&slot);
    return n;
}

// Fills the record dialog a command opens with a new title and presses its OK.
struct AddAnswers {
    static inline HHOOK hook = nullptr;
    static inline std::string text;
    AddAnswers() { hook = SetWindowsHookExA(WH_CALLWNDPROCRET, proc, nullptr, GetCurrentThreadId()); }
    ~AddAnswers() { UnhookWindowsHookEx(hook); }
    static LRESULT CALLBACK proc(int code, WPARAM wparam, LPARAM lparam) {
        const CWPRETSTRUCT *m = reinterpret_cast<const CWPRETSTRUCT *>(lparam);
        // Only the record dialogs have an owner: the main dialog runs alone.
        if (code == HC_ACTION && m->message == WM_INITDIALOG && GetWindow(m->hwnd, GW_OWNER)) {
            // The question text and the result title share no id: each dialog takes its own.
            SetDlgItemTextA(m->hwnd, GetDlgItem(m->hwnd, IDC_RESULT_COMMENT) ? IDC_RESULT_TITLE : IDC_QUESTION_TEXT, text.c_str());
            PostMessageA(m->hwnd, WM_COMMAND, MAKEWPARAM(IDC_QUESTION_OK, BN_CLICKED), 0);
        }
        return CallNextHookEx(hook, code, wparam, lparam);
    }
};
}  // namespace

// Rows and questions moved, deleted and added, and the special row options turned, at random:
// after each step every type link, the tie question and every range still name the row or
// question they named (those that went, gone with them); undoing every step gives back the
// file's bytes, redoing every step the last ones.
TEST(EditorFile, LinksFollowTheirRowsAndQuestionsAndUndoGivesTheFileBack) {
    ScratchFolder dir;
    ScriptedFileDialogs dialogs;
    MessageBoxRecorder boxes;
    AddAnswers add;
    std::mt19937 random(38);
    for (int round = 0; round < 5; ++round) {
        MainDialog d;
        std::string t = "N,タイプ\r\n";
        for (int q = 1; q <= 5; ++q) t += "Q,問" + std::to_string(q) + ",あ,0,い,0,う,0,,0,,0\r\n";
        for (int r = 1; r <= 6; ++r) t += "S,型" + std::to_string(r) + "\r\n";
        t += "TypeScore," + std::to_string(1 + random() % 5) + "\r\n";
        for (int k = 0; k < 14; ++k)
            t += "TypePt," + std::to_string(1 + random() % 5) + "," + std::to_string(1 + random() % 3) + "," +
                 std::to_string(1 + random() % 6) + "," + std::to_string(1 + random() % 4) + "\r\n";
        t += "SRange,2,0,3\r\nSRange,5,4,9\r\n";
        ASSERT_EQ(1, open_after_question(d.dialog, dir.write("in.qst", t).c_str())) << round << (boxes.boxes().empty() ? "" : boxes.boxes().back().text);
        const std::string out = dir.path() + "out.qst";
        ASSERT_EQ(1, save_question_file_to(d.dialog, out.c_str(), &d.state()->questions, &d.state()->results));
        const std::string start = dir.read("out.qst");
        Named was = named_in(out);
        const std::map<std::string, std::string> ranges = was.ranges;
        int added = 0;
        for (int step = 0; step < 30; ++step) {
            const bool on_results = random() % 2;
            HWND view = on_results ? d.results() : d.questions();
            const int n = ListView_GetItemCount(view);
            ListView_SetItemState(view, -1, 0, LVIS_SELECTED);
            ListView_SetItemState(view, static_cast<int>(random() % n), LVIS_SELECTED, LVIS_SELECTED);
            switch (random() % 4) {
                case 0: {
                    const bool up = random() % 2;
                    const int id = on_results ? (up ? IDC_MAIN_RESULT_UP : IDC_MAIN_RESULT_DOWN) : (up ? IDC_MAIN_QUESTION_UP : IDC_MAIN_QUESTION_DOWN);
                    SendMessageA(d.dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
                    break;
                }
                case 1:
                    if (n > 2) SendMessageA(d.dialog, WM_COMMAND, on_results ? ID_RESULT_DELETE : ID_QUESTION_DELETE, 0);
                    break;
                case 2:
                    AddAnswers::text = (on_results ? "新型" : "新問") + std::to_string(++added);
                    SendMessageA(d.dialog, WM_COMMAND, on_results ? ID_RESULT_ADD : ID_QUESTION_ADD, 0);
                    break;
                default: {
                    const int box = random() % 2 ? IDC_MAIN_TOP_ROW : IDC_MAIN_BOTTOM_ROW;
                    CheckDlgButton(d.dialog, box, d.checked(box) ? BST_UNCHECKED : BST_CHECKED);
                    SendMessageA(d.dialog, WM_COMMAND, MAKEWPARAM(box, BN_CLICKED), 0);
                    break;
                }
            }
            ASSERT_EQ(1, save_question_file_to(d.dialog, out.c_str(), &d.state()->questions, &d.state()->results));
            const Named now = named_in(out);
            std::set<std::string> kept;
            for (const std::string &link : was.links) {
                const std::string question = link.substr(0, link.find('/'));
                const std::string row = link.substr(link.find('/', link.find('/') + 1) + 1);
                if (now.questions.count(question) && now.rows.count(row.substr(0, row.find('/')))) kept.insert(link);
            }
            EXPECT_EQ(kept, now.links) << "round " << round << " step " << step;
            EXPECT_EQ(now.questions.count(was.tie) ? was.tie : "0", now.tie) << "round " << round << " step " << step;
            std::map<std::string, std::string> banded;
            for (const auto &r : ranges)
                if (now.rows.count(r.first)) banded.insert(r);
            EXPECT_EQ(banded, now.ranges) << "round " << round << " step " << step;
            was = now;
        }
        const std::string end = dir.read("out.qst");
        for (int k = 0; k < 40; ++k) SendMessageA(d.dialog, WM_COMMAND, ID_EDIT_UNDO, 0);
        ASSERT_EQ(1, save_question_file_to(d.dialog, out.c_str(), &d.state()->questions, &d.state()->results));
        EXPECT_EQ(start, dir.read("out.qst")) << "round " << round;
        for (int k = 0; k < 40; ++k) SendMessageA(d.dialog, WM_COMMAND, ID_EDIT_REDO, 0);
        ASSERT_EQ(1, save_question_file_to(d.dialog, out.c_str(), &d.state()->questions, &d.state()->results));
        EXPECT_EQ(end, dir.read("out.qst")) << "round " << round;
    }
}
