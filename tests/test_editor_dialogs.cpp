// The question and result dialogs driven by messages on a hidden main dialog, the main dialog's
// cells, label edits and the commands that open the record dialogs, and the start-file argument.
#include <gtest/gtest.h>
#include "input_box.h"
#include "report_dialog.h"
#include "LoadQues.h"
#include "result_report.h"
#include "result_ranges.h"
#include <string>
#include <vector>
#include "ListView.h"
#include "edit_session.h"
#include "editor_dialog_fixture.h"
#include "message_box_recorder.h"
#include "question_records.h"
#include "scratch_folder.h"
#include "shell_seam.h"
#include "BrixLib.h"
#include "voice_seam.h"

namespace {
std::vector<std::string> g_tried;
UINT record_try(HWND, const char *path) { return g_tried.push_back(path), 5; }
void record_try_stop(UINT) { g_tried.push_back("stop"); }
HWND make_dialog(HWND owner, int resource, DLGPROC proc) {
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resource), owner, proc, 0);
}
void set(HWND dialog, int box, const std::string &text) { SetDlgItemTextA(dialog, box, text.c_str()); }
std::string text(HWND dialog, int box) {
    char buffer[1024] = {0};
    GetDlgItemTextA(dialog, box, buffer, sizeof buffer);
    return buffer;
}
void click(HWND dialog, int id) { SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
bool selected(HWND view, int row) { return ListView_GetItemState(view, row, LVIS_SELECTED) != 0; }
std::string cell(HWND view, int row, int column) {
    char buffer[600] = "stale";
    ListView_GetItemText(view, row, column, buffer, sizeof buffer);
    return buffer;
}
QuestionRecord *question(int n) { return static_cast<QuestionRecord *>(liner_get(&editor_state()->questions, n)); }
ResultRecord *result(int n) { return static_cast<ResultRecord *>(liner_get(&editor_state()->results, n)); }

// Counts the dialogs the main dialog opens and closes each at once, noting the mode it had.
struct DialogWatch {
    static inline HHOOK hook = nullptr;
    static inline std::vector<int> modes;
    DialogWatch() {
        modes.clear();
        hook = SetWindowsHookExA(WH_CBT, proc, nullptr, GetCurrentThreadId());
    }
    ~DialogWatch() { UnhookWindowsHookEx(hook); }
    static LRESULT CALLBACK proc(int code, WPARAM wparam, LPARAM lparam) {
        if (code == HCBT_CREATEWND) {
            char name[16] = {0};
            GetClassNameA(reinterpret_cast<HWND>(wparam), name, sizeof name);
            if (!strcmp(name, "#32770")) {
                modes.push_back(editor_state()->mode);
                PostMessageA(reinterpret_cast<HWND>(wparam), WM_CLOSE, 0, 0);
            }
        }
        return CallNextHookEx(hook, code, wparam, lparam);
    }
};
void send_command(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}
void double_click(HWND dialog, int list_id, int row) {
    NMITEMACTIVATE n = {};
    n.hdr.hwndFrom = GetDlgItem(dialog, list_id);
    n.hdr.idFrom = list_id;
    n.hdr.code = NM_DBLCLK;
    n.iItem = row;
    SendMessageA(dialog, WM_NOTIFY, list_id, reinterpret_cast<LPARAM>(&n));
}
}  // namespace

TEST(QuestionDialog, AddStoresTheSlotsAsEntered) {
    MainDialog d;
    MessageBoxRecorder boxes;
    d.state()->mode = kModeAdd;
    HWND q = make_dialog(d.dialog, IDD_QUESTION, question_dialog_proc);
    ASSERT_NE(nullptr, q);
    click(q, IDC_QUESTION_OK);  // nothing entered: nothing stored
    EXPECT_EQ(0, liner_count(&d.state()->questions));

    std::string long_text;
    for (int i = 0; i < 150; ++i) long_text += "あ";  // 300 bytes
    set(q, IDC_QUESTION_TEXT, long_text);
    set(q, IDC_QUESTION_ANSWER1, "一");
    set(q, IDC_QUESTION_POINTS1, "3");
    set(q, IDC_QUESTION_POINTS2, "7");  // no answer text: not stored
    set(q, IDC_QUESTION_ANSWER3, "三");
    set(q, IDC_QUESTION_POINTS3, "-2");
    set(q, IDC_QUESTION_PICTURE, "p.bmp");
    set(q, IDC_QUESTION_X, "-5");
    set(q, IDC_QUESTION_Y, "12");
    click(q, IDC_QUESTION_OK);  // too long to store: named, focused, kept open
    EXPECT_EQ(0, liner_count(&d.state()->questions));
    ASSERT_EQ(1u, boxes.boxes().size());
    EXPECT_NE(std::string::npos, boxes.boxes()[0].text.find("「設問」"));
    EXPECT_EQ(GetDlgItem(q, IDC_QUESTION_TEXT), GetFocus());
    long_text.resize(255 - 3 * 4 - 1);
    set(q, IDC_QUESTION_TEXT, long_text + ",\r\n,");  // escapes counted: 255 stored
    // Esc in the multi-line box neither closes the dialog nor drops the entry.
    ShowWindow(q, SW_SHOW);
    SendMessageA(GetDlgItem(q, IDC_QUESTION_TEXT), WM_KEYDOWN, VK_ESCAPE, 0);
    for (MSG m; PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&m);
    EXPECT_TRUE(IsWindowVisible(q));
    click(q, IDC_QUESTION_OK);
    DestroyWindow(q);

    ASSERT_EQ(1, liner_count(&d.state()->questions));
    ASSERT_EQ(1, ListView_GetItemCount(d.questions()));
    EXPECT_FALSE(selected(d.questions(), 0));
    const QuestionRecord *r = question(0);
    EXPECT_EQ(long_text + ",\r\n,", r->text);
    EXPECT_STREQ("", r->answers[1]);
    EXPECT_STREQ("三", r->answers[2]);
    EXPECT_EQ(3, r->points[0]);
    EXPECT_EQ(0, r->points[1]);
    EXPECT_EQ(-2, r->points[2]);
    EXPECT_EQ(0, r->pictureX);
    EXPECT_EQ(12, r->pictureY);
}

TEST(QuestionDialog, ModifyShowsAndReplacesTheSelectedRecord) {
    MainDialog d;
    QuestionRecord rec = {};
    strcpy(rec.text, "元の設問");
    strcpy(rec.answers[0], "はい");
    rec.points[0] = -3;
    rec.points[2] = 9;  // its answer is empty
    rec.pictureExtra = 7;
    rec.typeLinks[0][0] = {1, 2};
    strcpy(rec.voice[0], "q.wav");
    strcpy(rec.voice[2], "a2.mp3");
    for (int i = 0; i < 2; ++i) lv_list_append(d.questions(), &d.state()->questions, &rec, sizeof rec);
    ResultRecord type = {};
    strcpy(type.title, "タイプ");
    lv_list_append(d.results(), &d.state()->results, &type, sizeof type);

    // Without a selected row a modify writes nothing.
    d.state()->mode = kModeModify;
    HWND q = make_dialog(d.dialog, IDD_QUESTION, question_dialog_proc);
    EXPECT_EQ("", text(q, IDC_QUESTION_TEXT));
    set(q, IDC_QUESTION_TEXT, "上書き");
    click(q, IDC_QUESTION_OK);
    DestroyWindow(q);
    EXPECT_STREQ("元の設問", question(0)->text);

    ListView_SetItemState(d.questions(), 1, LVIS_SELECTED, LVIS_SELECTED);
    q = make_dialog(d.dialog, IDD_QUESTION, question_dialog_proc);
    EXPECT_EQ("元の設問", text(q, IDC_QUESTION_TEXT));
    EXPECT_EQ("-3", text(q, IDC_QUESTION_POINTS1));
    EXPECT_EQ("", text(q, IDC_QUESTION_POINTS3));
    EXPECT_EQ("", text(q, IDC_QUESTION_X));
    EXPECT_EQ("1:2", text(q, IDC_QUESTION_TYPES1));
    EXPECT_EQ("q.wav", text(q, IDC_QUESTION_VOICE0));
    EXPECT_EQ("a2.mp3", text(q, IDC_QUESTION_VOICE2));
    {
        // 試す plays the file found beside the question file; one not there is named, never played.
        ScratchFolder dir;
        const std::string quiz = dir.write("v.qst", ""), voice = dir.write("q.wav", "RIFF");
        copy_cut(d.state()->path, kPathSize, quiz.c_str());
        const VoiceSeam seam = {record_try, record_try_stop};
        const VoiceSeam old = set_voice_seam(&seam);
        MessageBoxRecorder boxes;
        g_tried.clear();
        click(q, IDC_QUESTION_VOICE_PLAY0);
        click(q, IDC_QUESTION_VOICE_PLAY2);
        EXPECT_EQ((std::vector<std::string>{voice, "stop"}), g_tried);
        ASSERT_EQ(1u, boxes.boxes().size());
        EXPECT_NE(std::string::npos, boxes.boxes()[0].text.find("「a2.mp3」が見つかりません"));
        EXPECT_EQ(GetDlgItem(q, IDC_QUESTION_VOICE2), GetFocus());
        set_voice_seam(&old);
        d.state()->path[0] = '\0';
    }
    set(q, IDC_QUESTION_VOICE5, "a5.wav");
    set(q, IDC_QUESTION_ANSWER2, "いいえ");
    {
        MessageBoxRecorder boxes;
        set(q, IDC_QUESTION_TYPES2, "2:1");  // one result row only: named, focused, kept open
        click(q, IDC_QUESTION_OK);
        ASSERT_EQ(1u, boxes.boxes().size());
        EXPECT_NE(std::string::npos, boxes.boxes()[0].text.find("答2 のタイプ式の点: 結果 2 はありません"));
        EXPECT_EQ(GetDlgItem(q, IDC_QUESTION_TYPES2), GetFocus());
        EXPECT_STREQ("", question(1)->answers[1]);
    }
    set(q, IDC_QUESTION_TYPES2, "1:-5");
    {
        MessageBoxRecorder boxes;
        click(q, IDC_QUESTION_OK);  // a voice for the empty answer 5 would never play: named, focused, kept open
        ASSERT_EQ(1u, boxes.boxes().size());
        EXPECT_NE(std::string::npos, boxes.boxes()[0].text.find("答5 は空欄ですが、音声ファイル"));
        EXPECT_EQ(GetDlgItem(q, IDC_QUESTION_VOICE5), GetFocus());
        EXPECT_STREQ("", question(1)->answers[1]);
    }
    set(q, IDC_QUESTION_ANSWER5, "たぶん");
    click(q, IDC_QUESTION_OK);
    DestroyWindow(q);
    EXPECT_EQ(2, question(1)->typeLinks[0][0].points);
    EXPECT_STREQ("q.wav", question(1)->voice[0]);
    EXPECT_STREQ("a5.wav", question(1)->voice[5]);
    EXPECT_EQ(-5, question(1)->typeLinks[1][0].points);
    EXPECT_STREQ("いいえ", question(1)->answers[1]);
    EXPECT_EQ(0, question(1)->points[2]);
    EXPECT_EQ(0, question(1)->pictureExtra);
    EXPECT_EQ(7, question(0)->pictureExtra);
}

TEST(ResultDialog, PicturePositionAndFieldLimits) {
    MainDialog d;
    MessageBoxRecorder boxes;
    d.state()->mode = kModeAdd;
    HWND r = make_dialog(d.dialog, IDD_RESULT, result_dialog_proc);
    ASSERT_NE(nullptr, r);
    set(r, IDC_RESULT_TITLE, "絵つき");
    set(r, IDC_RESULT_PICTURE, "r.bmp");
    click(r, IDC_RESULT_OK);  // picture without x: stays open
    set(r, IDC_RESULT_X, "-5");
    set(r, IDC_RESULT_Y, "4");
    click(r, IDC_RESULT_OK);
    EXPECT_EQ(0, liner_count(&d.state()->results));
    set(r, IDC_RESULT_X, "3");
    click(r, IDC_RESULT_OK);
    DestroyWindow(r);
    ASSERT_EQ(1, liner_count(&d.state()->results));
    EXPECT_EQ(3, result(0)->pictureX);
    EXPECT_EQ(4, result(0)->pictureY);
    EXPECT_EQ(0, result(0)->ranged);  // both range boxes empty: the equal band

    r = make_dialog(d.dialog, IDD_RESULT, result_dialog_proc);
    click(r, IDC_RESULT_OK);  // all empty: ignored
    EXPECT_EQ(1, liner_count(&d.state()->results));
    set(r, IDC_RESULT_TITLE, std::string(200, 't'));
    set(r, IDC_RESULT_COMMENT, "一行\r\n二行");
    set(r, IDC_RESULT_X, "abc");  // no picture: x need not be a number
    click(r, IDC_RESULT_OK);      // a title past its limit is refused, not cut
    EXPECT_EQ(1, liner_count(&d.state()->results));
    EXPECT_EQ(GetDlgItem(r, IDC_RESULT_TITLE), GetFocus());
    set(r, IDC_RESULT_TITLE, std::string(127, 't'));
    set(r, IDC_RESULT_PICTURE, "a,b.bmp");  // a comma would split the picture's fields
    click(r, IDC_RESULT_OK);
    EXPECT_EQ(1, liner_count(&d.state()->results));
    EXPECT_EQ(2u, boxes.boxes().size());
    set(r, IDC_RESULT_PICTURE, "");
    // A QR text the player could not fill, or too long for its code once filled, is told at once.
    set(r, IDC_RESULT_QR, "https://e.jp/{name}");
    click(r, IDC_RESULT_OK);
    set(r, IDC_RESULT_QR, "https://e.jp/{title}{title}");
    click(r, IDC_RESULT_OK);
    EXPECT_EQ(1, liner_count(&d.state()->results));
    ASSERT_EQ(4u, boxes.boxes().size());
    EXPECT_NE(std::string::npos, boxes.boxes()[2].text.find("{name}"));
    EXPECT_NE(std::string::npos, boxes.boxes()[3].text.find("長すぎます"));
    EXPECT_EQ(GetDlgItem(r, IDC_RESULT_QR), GetFocus());
    set(r, IDC_RESULT_QR, "https://e.jp/?c={code},x");
    click(r, IDC_RESULT_OK);
    DestroyWindow(r);
    ASSERT_EQ(2, liner_count(&d.state()->results));
    EXPECT_EQ(std::string(127, 't'), result(1)->title);
    EXPECT_EQ(0, result(1)->pictureX);
    EXPECT_FALSE(selected(d.results(), 1));

    d.state()->mode = kModeModify;
    ListView_SetItemState(d.results(), 1, LVIS_SELECTED, LVIS_SELECTED);
    r = make_dialog(d.dialog, IDD_RESULT, result_dialog_proc);
    EXPECT_EQ("一行\r\n二行", text(r, IDC_RESULT_COMMENT));
    EXPECT_EQ("", text(r, IDC_RESULT_X));
    EXPECT_EQ("https://e.jp/?c={code},x", text(r, IDC_RESULT_QR));
    // A range needs both ends, in order, within int32; the dialog stays open otherwise.
    const char *const refused[][2] = {{"5", ""}, {"7", "3"}, {"1", "2147483648"}, {"x", "2"}};
    for (const auto &range : refused) {
        set(r, IDC_RESULT_RANGE_FROM, range[0]);
        set(r, IDC_RESULT_RANGE_TO, range[1]);
        click(r, IDC_RESULT_OK);
        EXPECT_EQ(0, result(1)->ranged) << range[0] << "," << range[1];
    }
    EXPECT_EQ(8u, boxes.boxes().size());
    set(r, IDC_RESULT_RANGE_FROM, "-3");
    set(r, IDC_RESULT_RANGE_TO, "7");
    click(r, IDC_RESULT_OK);
    DestroyWindow(r);
    EXPECT_EQ(1, result(1)->ranged);
    EXPECT_EQ(-3, result(1)->rangeFrom);
    EXPECT_EQ(7, result(1)->rangeTo);
    r = make_dialog(d.dialog, IDD_RESULT, result_dialog_proc);
    EXPECT_EQ("-3", text(r, IDC_RESULT_RANGE_FROM));
    EXPECT_EQ("7", text(r, IDC_RESULT_RANGE_TO));
    DestroyWindow(r);
}

// 均等に分ける on the author's word: two questions of 0, 1, 2 points make 1, 2, 3, 2, 1 of nine;
// three rows get 3 each, one undo step takes the ranges back, and the save names a gap.
int g_asked = 0;
int answer_targets(HWND, const char *, const char *, DWORD, char *buffer, int) {
    ++g_asked;
    buffer[0] = '\0';  // all even
    return kInputBoxConfirmed;
}

TEST(MainDialog, EvenSplitPutsRangesOnTheRowsAndUndoTakesThemBack) {
    MainDialog d;
    MessageBoxRecorder boxes(IDYES);
    TargetAskFn old = set_target_ask_fn(answer_targets);
    QuestionRecord q = {};
    strcpy(q.text, "q");
    strcpy(q.answers[0], "a"), strcpy(q.answers[1], "b"), strcpy(q.answers[2], "c");
    q.points[1] = 1, q.points[2] = 2;
    for (int i = 0; i < 2; ++i) lv_list_append(d.questions(), &d.state()->questions, &q, sizeof q);
    ResultRecord r = {};
    for (const char *t : {"A", "B", "C"}) {
        strcpy(r.title, t);
        lv_list_append(d.results(), &d.state()->results, &r, sizeof r);
    }
    EXPECT_EQ("2〜4（均等）", cell(d.results(), 0, 5));
    send_command(d.dialog, IDC_MAIN_EVEN_SPLIT);
    EXPECT_EQ(1, g_asked);
    ASSERT_EQ(1u, boxes.boxes().size());
    EXPECT_NE(std::string::npos, boxes.boxes()[0].text.find("66.7% → 33.3%"));
    EXPECT_EQ("3〜4", cell(d.results(), 0, 5));
    EXPECT_EQ("2〜2", cell(d.results(), 1, 5));
    EXPECT_EQ("0〜1", cell(d.results(), 2, 5));
    send_command(d.dialog, ID_EDIT_UNDO);
    EXPECT_EQ(0, result(0)->ranged);
    EXPECT_EQ("2〜4（均等）", cell(d.results(), 0, 5));
    send_command(d.dialog, ID_EDIT_REDO);
    result(1)->rangeFrom = result(1)->rangeTo = 1;  // 2 falls to A: as near as B and earlier
    result(2)->rangeTo = 0;
    EXPECT_TRUE(ranges_allow_save(d.dialog));  // the author said yes
    EXPECT_NE(std::string::npos, boxes.boxes().back().text.find("得点合計 2 はどの範囲にも入りません（最も近い「A」になります）"));
    boxes.set_answer(IDNO);
    EXPECT_FALSE(ranges_allow_save(d.dialog));
    result(1)->rangeTo = 3;  // overlaps A: refused whatever the answer
    boxes.set_answer(IDYES);
    EXPECT_FALSE(ranges_allow_save(d.dialog));
    EXPECT_NE(std::string::npos, boxes.boxes().back().text.find("の範囲が重なっています"));
    // Scored by types there are no totals: refused at once, the targets never asked.
    set_editor_scoring({true, 0});
    const size_t before = boxes.boxes().size();
    send_command(d.dialog, IDC_MAIN_EVEN_SPLIT);
    set_editor_scoring({false, 0});
    EXPECT_EQ(1, g_asked);
    ASSERT_EQ(before + 1, boxes.boxes().size());
    EXPECT_EQ(kTypedSplitRefusal, boxes.boxes().back().text);
    set_target_ask_fn(old);
}

TEST(MainDialog, CellsComeFromTheRecords) {
    MainDialog d;
    QuestionRecord q = {};
    strcpy(q.text, "設問");
    strcpy(q.answers[0], "一");
    q.points[0] = -3;
    q.points[2] = 9;  // answer 3 empty
    lv_list_append(d.questions(), &d.state()->questions, &q, sizeof q);
    EXPECT_EQ("設問", cell(d.questions(), 0, 0));
    EXPECT_EQ("-3", cell(d.questions(), 0, 2));
    EXPECT_EQ("", cell(d.questions(), 0, 5));
    EXPECT_EQ("", cell(d.questions(), 0, 6));
    EXPECT_EQ("", cell(d.questions(), 0, 12));
    strcpy(question(0)->picture, "p.bmp");
    question(0)->pictureY = 8;
    EXPECT_EQ("8", cell(d.questions(), 0, 13));

    ResultRecord r = {};
    strcpy(r.title, "結果");
    r.pictureX = 5;
    lv_list_append(d.results(), &d.state()->results, &r, sizeof r);
    EXPECT_EQ("結果", cell(d.results(), 0, 0));
    EXPECT_EQ("", cell(d.results(), 0, 3));
    EXPECT_EQ("-3〜9（均等）", cell(d.results(), 0, 5));  // the only row: every total, as the player bands them

    // In-place edit: kept as typed, refused when its stored form would not fit; a cancelled edit
    // changes nothing.
    MessageBoxRecorder boxes;
    std::string typed(254, 'x');
    typed[0] = ',';
    NMLVDISPINFOA info = {};
    info.hdr.hwndFrom = d.questions();
    info.hdr.idFrom = IDC_MAIN_QUESTIONS;
    info.hdr.code = LVN_ENDLABELEDITA;
    info.item.iItem = 0;
    info.item.pszText = &typed[0];
    SendMessageA(d.dialog, WM_NOTIFY, IDC_MAIN_QUESTIONS, reinterpret_cast<LPARAM>(&info));
    EXPECT_STREQ("設問", question(0)->text);
    EXPECT_EQ(1u, boxes.boxes().size());
    typed.resize(252);
    info.item.pszText = &typed[0];
    SendMessageA(d.dialog, WM_NOTIFY, IDC_MAIN_QUESTIONS, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(typed, question(0)->text);
    info.item.pszText = nullptr;
    SendMessageA(d.dialog, WM_NOTIFY, IDC_MAIN_QUESTIONS, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(typed, question(0)->text);
    // A line break shows as one sign, and an edit of that row keeps the stored CR LF.
    strcpy(question(0)->text, "朝\r\n夜");
    wchar_t shown[64] = L"stale";
    LVITEMW item = {};
    item.iSubItem = 0;
    item.pszText = shown;
    item.cchTextMax = 64;
    SendMessageW(d.questions(), LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(std::wstring(L"朝") + lv_line_break_sign(d.questions()) + L"夜", shown);
    NMLVDISPINFOW wide = {};
    wide.hdr = info.hdr;
    wide.hdr.code = LVN_ENDLABELEDITW;
    wide.item.pszText = shown;
    SendMessageA(d.dialog, WM_NOTIFY, IDC_MAIN_QUESTIONS, reinterpret_cast<LPARAM>(&wide));
    EXPECT_STREQ("朝\r\n夜", question(0)->text);
}

TEST(MainDialog, ModifyNeedsASelectedRow) {
    MainDialog d;
    DialogWatch watch;
    send_command(d.dialog, ID_QUESTION_MODIFY);
    send_command(d.dialog, ID_RESULT_MODIFY);
    EXPECT_TRUE(DialogWatch::modes.empty());

    double_click(d.dialog, IDC_MAIN_RESULTS, -1);  // below the last row: add
    ASSERT_EQ(1u, DialogWatch::modes.size());
    EXPECT_EQ(kModeAdd, DialogWatch::modes[0]);

    QuestionRecord q = {};
    strcpy(q.text, "一");
    lv_list_append(d.questions(), &d.state()->questions, &q, sizeof q);
    ListView_SetItemState(d.questions(), 0, LVIS_SELECTED, LVIS_SELECTED);
    send_command(d.dialog, ID_QUESTION_MODIFY);
    ASSERT_EQ(2u, DialogWatch::modes.size());
    EXPECT_EQ(kModeModify, DialogWatch::modes[1]);
    EXPECT_STREQ("一", question(0)->text);  // closed without OK: unchanged
}

TEST(EditorStartFile, OpensAtStartOrIsReportedLikeAFailedOpen) {
    ScratchFolder dir;
    MessageBoxRecorder boxes;
    set_editor_start_file(dir.write("a.qst", "N,起動時\r\n").c_str());
    {
        MainDialog d;
        EXPECT_EQ("起動時", d.text(IDC_MAIN_TITLE));
        EXPECT_EQ(dir.path() + "a.qst", d.state()->path);
    }
    set_editor_start_file((dir.path() + "none.qst").c_str());
    {
        MainDialog d;
        ASSERT_EQ(1u, boxes.boxes().size());
        EXPECT_EQ("File Open Error", boxes.boxes()[0].caption);
        EXPECT_STREQ("", d.state()->path);
    }
    set_editor_start_file(nullptr);
}

TEST(EditorStartFile, CommandLineNamesOneFile) {
    char out[MAX_PATH];
    EXPECT_EQ(1, command_line_file("  \"C:\\my files\\a.qst\" ", out));
    EXPECT_STREQ("C:\\my files\\a.qst", out);
    EXPECT_EQ(1, command_line_file("b.qst", out));
    EXPECT_STREQ("b.qst", out);
    EXPECT_EQ(0, command_line_file("", out));
    EXPECT_EQ(0, command_line_file("  \"\" ", out));
    EXPECT_EQ(0, command_line_file(std::string(300, 'x').c_str(), out));
    EXPECT_STREQ("", out);
}

// The title names the file and marks edits; closing with edits asks, and キャンセル keeps them;
// undo and redo reach the boxes and the lists; a drop that cannot be taken is one message.
TEST(MainDialog, KeepsTheOperatorsWork) {
    ScratchFolder dir;
    MessageBoxRecorder boxes(IDCANCEL);
    MainDialog d;
    auto title = [&] {
        char t[256] = {0};
        GetWindowTextA(d.dialog, t, sizeof t);
        return std::string(t);
    };
    EXPECT_EQ("無題 - Zelmica 設問エディタ", title());
    d.set(IDC_MAIN_TITLE, "題");
    EXPECT_EQ("無題* - Zelmica 設問エディタ", title());
    SendMessageA(d.dialog, WM_CLOSE, 0, 0);
    ASSERT_EQ(1u, boxes.boxes().size());
    EXPECT_EQ(static_cast<UINT>(MB_YESNOCANCEL | MB_ICONWARNING), boxes.boxes()[0].type);
    EXPECT_TRUE(IsWindow(d.dialog));
    EXPECT_EQ("題", d.text(IDC_MAIN_TITLE));

    QuestionRecord q = {};
    for (const char *t : {"一", "二"}) {
        strcpy(q.text, t);
        lv_list_append(d.questions(), &d.state()->questions, &q, sizeof q);
    }
    ListView_SetItemState(d.questions(), 0, LVIS_SELECTED, LVIS_SELECTED);
    send_command(d.dialog, ID_QUESTION_DELETE);
    ASSERT_STREQ("二", question(0)->text);
    send_command(d.dialog, ID_EDIT_UNDO);
    EXPECT_STREQ("一", question(0)->text);
    EXPECT_EQ("一", cell(d.questions(), 0, 0));
    send_command(d.dialog, ID_EDIT_UNDO);
    EXPECT_EQ("", d.text(IDC_MAIN_TITLE));
    send_command(d.dialog, ID_EDIT_REDO);
    send_command(d.dialog, ID_EDIT_REDO);
    EXPECT_EQ("題", d.text(IDC_MAIN_TITLE));
    EXPECT_EQ(1, liner_count(&d.state()->questions));
    CheckDlgButton(d.dialog, IDC_MAIN_ROUND_UP, BST_CHECKED);
    click(d.dialog, IDC_MAIN_ROUND_UP);  // as the click that checked it
    send_command(d.dialog, ID_EDIT_UNDO);
    EXPECT_FALSE(d.checked(IDC_MAIN_ROUND_UP));

    RECT box;  // a picture dropped on the wallpaper box fills it, as 参照 would
    GetWindowRect(GetDlgItem(d.dialog, IDC_MAIN_WALLPAPER), &box);
    MapWindowPoints(nullptr, d.dialog, reinterpret_cast<POINT *>(&box), 2);
    drop_file(d.dialog, "Q:\\pic\\wall.jpg", POINT{(box.left + box.right) / 2, (box.top + box.bottom) / 2});
    EXPECT_EQ("Q:\\pic\\wall.jpg", d.text(IDC_MAIN_WALLPAPER));

    std::string file = dir.write("in.qst", "N,開いた\r\n");
    drop_file(d.dialog, nullptr, POINT{0, 0});             // several files
    drop_file(d.dialog, dir.path().c_str(), POINT{0, 0});  // a folder
    drop_file(d.dialog, file.c_str(), POINT{0, 0});        // asked, キャンセル
    ASSERT_EQ(4u, boxes.boxes().size());
    EXPECT_EQ(kSaveQuestion, boxes.boxes()[3].text);
    EXPECT_EQ("題", d.text(IDC_MAIN_TITLE));
    boxes.set_answer(IDNO);
    drop_file(d.dialog, file.c_str(), POINT{0, 0});
    EXPECT_EQ("開いた", d.text(IDC_MAIN_TITLE));
    EXPECT_EQ("in.qst - Zelmica 設問エディタ", title());
}

// The recovery copy stands for edits not yet saved: edits left with いいえ take it with them, and an
// editor that does not keep the copy (another one does) leaves the record of whose copy it is alone.
TEST(MainDialog, RecoveryCopyGoesWithEditsLeftUnsavedAndIsTheKeepersAlone) {
    ScratchFolder dir;
    MessageBoxRecorder boxes(IDNO);
    char copy[kPathSize];
    ASSERT_TRUE(recovery_path(copy));
    DeleteFileA(copy);
    const std::vector<std::string> recent = load_recent_files();  // program mode keeps them: put back below
    set_editor_program_mode(true);
    {
        MainDialog d;
        d.set(IDC_MAIN_TITLE, "捨てる題");
        on_recovery_timer(d.dialog);
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(copy));
        EXPECT_EQ(1, open_after_question(d.dialog, dir.write("next.qst", "N,次\r\n").c_str()));
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(copy));
    }
    HANDLE keeper = CreateMutexA(nullptr, FALSE, "Local\\ZelmicaEditorRecovery");  // the first editor
    store_user_text("RecoveryOf", "C:\\first.qst");
    {
        MainDialog second;
        SendMessageA(second.dialog, WM_CLOSE, 0, 0);
    }
    EXPECT_EQ("C:\\first.qst", load_user_text("RecoveryOf"));
    CloseHandle(keeper);
    store_user_text("RecoveryOf", "");
    store_recent_files(recent);
    set_editor_program_mode(false);
}

namespace {
HANDLE g_fake_player;  // stands for the player's process: set when it ends
std::string g_player_line;
BOOL start_fake_player(char *line, STARTUPINFOA *, PROCESS_INFORMATION *info) {
    g_player_line = line;
    DuplicateHandle(GetCurrentProcess(), g_fake_player, GetCurrentProcess(), &info->hProcess, 0, FALSE, DUPLICATE_SAME_ACCESS);
    return TRUE;
}
}  // namespace

// 「試す」: no player beside the editor is one message naming it; else the dialog as it is, unsaved,
// goes into a copy beside its file that the player is given, and that goes when the player ends
// (at once here, which is said).
TEST(MainDialog, PreviewPlaysACopyBesideTheFileAndRemovesIt) {
    ScratchFolder dir;
    MessageBoxRecorder boxes;
    char player[kPathSize];
    module_folder(player);
    strcat(player, "zelplay.exe");
    DeleteFileA(player);
    MainDialog d;
    strcpy(d.state()->path, (dir.path() + "quiz.qst").c_str());
    d.set(IDC_MAIN_TITLE, "試しの題");
    SendMessageA(d.dialog, WM_COMMAND, IDC_MAIN_PREVIEW, 0);
    ASSERT_EQ(1u, boxes.boxes().size());
    EXPECT_NE(std::string::npos, boxes.boxes()[0].text.find(player));

    CloseHandle(CreateFileA(player, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    g_fake_player = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    set_create_process_fn(start_fake_player);
    SendMessageA(d.dialog, WM_COMMAND, IDC_MAIN_PREVIEW, 0);
    std::string copy = preview_copy();
    EXPECT_EQ(0u, copy.find(dir.path()));
    EXPECT_NE(std::string::npos, dir.read(copy.substr(dir.path().size())).find("N,試しの題\r\n"));
    EXPECT_NE(std::string::npos, g_player_line.find(" /test:"));
    EXPECT_NE(std::string::npos, g_player_line.find("\"" + copy + "\""));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((dir.path() + "quiz.qst").c_str()));  // the file itself untouched
    on_preview_timer(d.dialog);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(copy.c_str()));  // still playing
    SetEvent(g_fake_player);
    on_preview_timer(d.dialog);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(copy.c_str()));
    EXPECT_FALSE(preview_running());
    ASSERT_EQ(2u, boxes.boxes().size());
    EXPECT_EQ("試す", boxes.boxes()[1].caption);

    // A copy's path past the limit is said, not silently nothing; a long command line Windows would
    // take reaches the player whole, and only one past 32,767 characters is refused.
    strcpy(d.state()->path, (dir.path() + std::string(kPathSize - 5 - dir.path().size(), 'x') + ".qst").c_str());
    g_player_line.clear();
    SendMessageA(d.dialog, WM_COMMAND, IDC_MAIN_PREVIEW, 0);
    ASSERT_EQ(3u, boxes.boxes().size());
    EXPECT_NE(std::string::npos, boxes.boxes()[2].text.find("長すぎる"));
    EXPECT_EQ("", g_player_line);
    for (size_t length : {600u, 32766u, 32767u}) {
        const std::string line(length, 'p');
        HANDLE started = start_program_watched(line.c_str());
        EXPECT_EQ(length < 32767u, started != nullptr) << length;
        if (started) CloseHandle(started);
    }
    EXPECT_EQ(32766u, g_player_line.size());
    set_create_process_fn(nullptr);
    CloseHandle(g_fake_player);
    DeleteFileA(player);
}

// 実際の回答から予測: the chosen visit log of this quiz read with the player's reader, the prediction
// added below the check.
TEST(ResultCheckDialog, PredictionFromAChosenVisitLog) {
    MainDialog d;
    ScriptedFileDialogs dialogs;
    ScratchFolder dir;
    SetDlgItemTextA(d.dialog, IDC_MAIN_TITLE, "占い");
    for (int i = 0; i < 2; ++i) {
        QuestionRecord q = {};
        strcpy(q.text, "q");
        strcpy(q.answers[0], "a");
        strcpy(q.answers[1], "b");
        q.points[1] = 1;
        lv_list_append(d.questions(), &d.state()->questions, &q, sizeof q);
    }
    for (const char *title : {"A", "B"}) {
        ResultRecord r = {};
        strcpy(r.title, title);
        lv_list_append(d.results(), &d.state()->results, &r, sizeof r);
    }
    ScriptedFileDialogs::open_pick = dir.write("visits-2026-12-08-K1.csv",
        "日付,開始時刻,終了時刻,秒数,キオスク,セットファイル,問題番号,問題タイトル,得点合計,結果,終わり方,離脱した設問,"
        "設問1 回答,設問1 得点,設問2 回答,設問2 得点\r\n"
        "2026-12-08,10:00:00,10:00:40,40,K1,,1,占い,0,B,完了,,1,0,1,0\r\n");
    ReportContent content = {"check\r\n", "", "c.csv", nullptr};
    ASSERT_TRUE(predict_from_logs(d.dialog, d.dialog, &content));
    EXPECT_NE(std::string::npos, content.text.find("  B: 25.0% / 100.0% / 100.0%\r\n")) << content.text;
    ScriptedFileDialogs::open_pick.clear();  // cancelled: nothing added
    EXPECT_FALSE(predict_from_logs(d.dialog, d.dialog, &content));
    // 均等に分ける may now aim at that prediction: the one visitor's total 0 takes all of it.
    MessageBoxRecorder boxes(IDYES);
    EditorFileView view;
    editor_file_view(d.dialog, &d.state()->questions, &d.state()->results, &view);
    ResultReport report = make_result_report(&view.file, 2);
    ASSERT_TRUE(aim_at_observed(d.dialog, &view.file, &report));
    ASSERT_EQ(1u, report.shares.size());
    EXPECT_EQ(0, report.shares[0].first);
    EXPECT_DOUBLE_EQ(1.0, report.shares[0].second);
    // An answer log of two quizzes: the number is asked, the one whose points fit offered.
    static std::string asked;
    TargetAskFn old = set_target_ask_fn([](HWND, const char *, const char *prompt, DWORD, char *buffer, int) {
        asked = std::string(prompt) + "|" + buffer;
        return static_cast<int>(kInputBoxConfirmed);
    });
    ScriptedFileDialogs::open_pick = dir.write("zelm.csv", "問題2, 設問1, 回答1, 得点7\r\n得点合計, , , ,7\r\n"
                                                            "問題1, 設問1, 回答2, 得点1\r\n問題1, 設問2, 回答1, 得点0\r\n得点合計, , , ,1\r\n");
    ReportContent logged = {"", "", "c.csv", nullptr};
    ASSERT_TRUE(predict_from_logs(d.dialog, d.dialog, &logged));
    set_target_ask_fn(old);
    EXPECT_NE(std::string::npos, asked.find("問題2: 1 回")) << asked;
    EXPECT_EQ("|1", asked.substr(asked.size() - 2));
    EXPECT_NE(std::string::npos, logged.text.find("回答ログ 1 人、うち結果まで 1 人")) << logged.text;
    // A log of another quiz (six questions, other points) or of another title predicts nothing: it is refused.
    const std::string other = dir.write("zelm.csv", "問題1, 設問1, 回答1, 得点3\r\n問題1, 設問2, 回答2, 得点2\r\n"
                                                     "問題1, 設問6, 回答1, 得点1\r\n得点合計, , , ,6\r\n");
    const std::pair<const char *, std::string> refusals[] = {{"占い", other}, {"別の題", dir.path() + "visits-2026-12-08-K1.csv"}};
    for (const auto &[title, path] : refusals) {
        SetDlgItemTextA(d.dialog, IDC_MAIN_TITLE, title);
        ScriptedFileDialogs::open_pick = path;
        const size_t before = boxes.boxes().size();
        ReportContent refused = {"check\r\n", "", "c.csv", nullptr};
        EXPECT_FALSE(predict_from_logs(d.dialog, d.dialog, &refused)) << title;
        EXPECT_EQ("check\r\n", refused.text);
        ASSERT_EQ(before + 1, boxes.boxes().size());
        EXPECT_NE(std::string::npos, boxes.boxes().back().text.find("合う回答がない")) << title;
    }
}
