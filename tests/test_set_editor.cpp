// The set editor dialog created for real, driven by messages, with the file, colour and font
// choosers scripted.
#include <gtest/gtest.h>
#include <string.h>
#include <deque>
#include <functional>
#include <string>
#include <vector>
#include "BrixLib.h"
#include "DirList.h"
#include "SetManager_private.h"
#include "edit_session.h"
#include "message_box_recorder.h"
#include "resource.h"
#include "scratch_folder.h"
#include "sound_store.h"
#include "font_slot.h"

namespace {

std::deque<std::string> g_picks;  // answers of the file dialogs in turn; none left: cancelled
BOOL scripted_file(OPENFILENAMEA *o) {
    if (g_picks.empty()) return FALSE;
    strcpy(o->lpstrFile, g_picks.front().c_str());
    g_picks.pop_front();
    return TRUE;
}
BOOL pick_colour(CHOOSECOLORA *c) {
    c->rgbResult = RGB(1, 2, 3);
    return TRUE;
}
std::string g_face;
BOOL pick_font(CHOOSEFONTA *f) {
    strcpy(f->lpLogFont->lfFaceName, g_face.c_str());
    f->lpLogFont->lfCharSet = ANSI_CHARSET;
    return TRUE;
}

std::string text(HWND d, int id) {
    char b[kLineSize] = {0};
    GetDlgItemTextA(d, id, b, sizeof b);
    return b;
}
void put(HWND d, int id, const char *t) { SendDlgItemMessageA(d, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(t)); }
void click(HWND d, int id) { SendDlgItemMessageA(d, id, BM_CLICK, 0, 0); }
void select(HWND d, int index) { SendDlgItemMessageA(d, IDC_SET_QUESTION_LIST, LB_SETCURSEL, index, 0); }
int selected(HWND d) { return static_cast<int>(SendDlgItemMessageA(d, IDC_SET_QUESTION_LIST, LB_GETCURSEL, 0, 0)); }
std::string items(HWND d) {
    std::string s;
    int n = static_cast<int>(SendDlgItemMessageA(d, IDC_SET_QUESTION_LIST, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char b[kPathSize] = {0};
        SendDlgItemMessageA(d, IDC_SET_QUESTION_LIST, LB_GETTEXT, i, reinterpret_cast<LPARAM>(b));
        s += std::string(i ? "|" : "") + b;
    }
    return s;
}

// Colour at the middle of an owner-drawn swatch, drawn into a memory bitmap.
COLORREF swatch(HWND d, int id) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 20, 20);
    HGDIOBJ old = SelectObject(dc, bmp);
    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_BUTTON;
    item.CtlID = static_cast<UINT>(id);
    item.hwndItem = GetDlgItem(d, id);
    item.hDC = dc;
    item.rcItem = {0, 0, 20, 20};
    SendMessageA(d, WM_DRAWITEM, id, reinterpret_cast<LPARAM>(&item));
    COLORREF c = GetPixel(dc, 10, 10);
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return c;
}

class SetEditor : public ::testing::Test {
protected:
    void SetUp() override {
        CommonDialogs scripted = {scripted_file, scripted_file, pick_colour, pick_font};
        old_ = set_common_dialogs(&scripted);
        g_picks.clear();
        HWND owner = nullptr;
        set_manager(kSetReset, 0, &owner);
    }
    void TearDown() override {
        for (HWND d : dialogs_) DestroyWindow(d);
        set_common_dialogs(&old_);
    }
    HWND open_editor() {
        HWND d = create_set_editor(nullptr);
        EXPECT_NE(d, nullptr);
        dialogs_.push_back(d);
        return d;
    }
    SetRecord *record() { return set_current_record(); }
    void three_questions() {
        strcpy(record()->questions[0], "a.qst");
        strcpy(record()->questions[1], "b.qst");
        strcpy(record()->questions[2], "c.qst");
    }
    MessageBoxRecorder boxes;
    ScratchFolder dir;
    CommonDialogs old_;
    std::vector<HWND> dialogs_;
};

TEST_F(SetEditor, DefaultRecordShowsTheHintTitleAndDefaultColours) {
    HWND d = open_editor();
    EXPECT_EQ(text(d, IDC_SET_TITLE), record()->title);
    EXPECT_EQ(items(d), "");
    for (int id : {IDC_SET_SND_ST, IDC_SET_SND_MX, IDC_SET_SND_BK, IDC_SET_PICTURE_X, IDC_SET_IDLE_MINUTES})
        EXPECT_EQ(text(d, id), "") << id;
    EXPECT_EQ(swatch(d, IDC_SET_TEXT_SWATCH), RGB(255, 255, 255));
    EXPECT_EQ(swatch(d, IDC_SET_BACK_SWATCH), RGB(0, 160, 0));
    // Boxes take no more than their fields hold.
    EXPECT_EQ(SendDlgItemMessageA(d, IDC_SET_TITLE, EM_GETLIMITTEXT, 0, 0), 255);
    EXPECT_EQ(SendDlgItemMessageA(d, IDC_SET_WALLPAPER, EM_GETLIMITTEXT, 0, 0), 259);
    EXPECT_EQ(set_editor_result(d), 0);
}

TEST_F(SetEditor, ListMovesStopAtTheEndsAndRemovalReachesTheRecordOnClose) {
    three_questions();
    HWND d = open_editor();
    click(d, IDC_SET_REMOVE);  // nothing selected: a warning, no change
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].caption, "問題の選択解除");
    select(d, 0);
    click(d, IDC_SET_UP);
    select(d, 2);
    click(d, IDC_SET_DOWN);
    EXPECT_EQ(items(d), "a.qst|b.qst|c.qst");
    click(d, IDC_SET_UP);
    EXPECT_EQ(items(d), "a.qst|c.qst|b.qst");
    EXPECT_EQ(selected(d), 1);
    click(d, IDC_SET_REMOVE);
    click(d, IDC_SET_CLOSE);
    EXPECT_STREQ(record()->questions[0], "a.qst");
    EXPECT_STREQ(record()->questions[1], "b.qst");
    EXPECT_STREQ(record()->questions[2], "");
}

TEST_F(SetEditor, TitleBarCloseDropsTextEditsButKeepsFontsAndColours) {
    HWND d = open_editor();
    std::string before = record()->title;
    put(d, IDC_SET_TITLE, "新しいタイトル");
    CheckDlgButton(d, IDC_SET_DAILY_LOG, BST_CHECKED);
    g_face = "ＭＳ ゴシック";  // a Japanese face name gets the Shift-JIS character set
    click(d, IDC_SET_TITLE_FONT);
    g_face = "Arial";
    click(d, IDC_SET_QUESTION_FONT);
    click(d, IDC_SET_BACK_COLOUR);
    ShowWindow(d, SW_SHOW);
    SendMessageA(d, WM_COMMAND, IDCANCEL, 0);  // Esc loses nothing: the editor stays open
    EXPECT_TRUE(IsWindowVisible(d));
    SendMessageA(d, WM_CLOSE, 0, 0);
    EXPECT_EQ(record()->title, before);
    EXPECT_EQ(record()->daily_log, 0);
    EXPECT_STREQ(record()->title_font.lfFaceName, "ＭＳ ゴシック");
    EXPECT_EQ(record()->title_font.lfCharSet, SHIFTJIS_CHARSET);
    EXPECT_STREQ(record()->question_font.lfFaceName, "Arial");
    EXPECT_EQ(record()->question_font.lfCharSet, ANSI_CHARSET);
    EXPECT_EQ(record()->back_colour, RGB(1, 2, 3));
    EXPECT_EQ(swatch(d, IDC_SET_BACK_SWATCH), RGB(1, 2, 3));
}

TEST_F(SetEditor, AddListsRelativeNamesAndRefusesASixthFile) {
    char folder[kPathSize];
    module_folder(folder);
    HWND d = open_editor();
    std::string f = folder;
    g_picks = {f + "own.qst", "Q:\\other\\far.qst", f + "3.qst", f + "4.qst", f + "5.qst", f + "6.qst"};
    for (int i = 0; i < 6; ++i) click(d, IDC_SET_ADD);
    EXPECT_EQ(items(d), "own.qst|Q:\\other\\far.qst|3.qst|4.qst|5.qst");
    EXPECT_EQ(g_picks.size(), 1u);  // the sixth dialog was never shown
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].caption, "問題の追加");
}

// Adding and saving name the quizzes with questions 1024 x 768 cannot show with their fonts, and
// only those; each file is read alone, so no font or sound of the player changes.
TEST_F(SetEditor, AddAndSaveNameQuizzesThatDoNotFitASmallScreen) {
    std::string endless;
    for (int n = 0; n < 60; ++n) endless += "あ";
    const std::string fits = dir.write("fits.qst", "Q,朝は得意?,はい,1,いいえ,0\r\n");
    const std::string big = dir.write("big.qst", "Q,ふつう,はい,1\r\nQ,長い," + endless + ",1," + endless + ",0," + endless +
                                                     ",0\r\nA,-40,0,0,0,400,0,0,0,128,0,0,0,0,IPAGothic\r\nSndMx,x.wav\r\n");
    HWND d = open_editor();
    g_picks = {fits};
    click(d, IDC_SET_ADD);
    EXPECT_TRUE(boxes.boxes().empty());
    g_picks = {big};
    click(d, IDC_SET_ADD);
    ASSERT_EQ(1u, boxes.boxes().size());
    EXPECT_NE(std::string::npos, boxes.boxes()[0].text.find("big.qst」\r\n問題 2「長い」")) << boxes.boxes()[0].text;
    EXPECT_EQ(std::string::npos, boxes.boxes()[0].text.find("問題 1"));
    g_picks = {dir.path() + "fit.set"};
    click(d, IDC_SET_SAVE);
    ASSERT_EQ(2u, boxes.boxes().size());
    EXPECT_NE(std::string::npos, boxes.boxes()[1].text.find("big.qst"));
    EXPECT_EQ(std::string::npos, boxes.boxes()[1].text.find("fits.qst"));
    char sound[kLineSize] = "", *p = sound;
    sound_store(kSoundGetFile + 1, 0, &p);
    EXPECT_STREQ("", sound);
    LOGFONTA lf = {};
    EXPECT_EQ(nullptr, answer_font(kFontGetFile, 0, &lf));
}

TEST_F(SetEditor, ASetSavedFromTheDialogOpensWithTheSameControls) {
    const struct {
        int id;
        const char *text;
    } typed[] = {{IDC_SET_TITLE, "保存するセット"}, {IDC_SET_MUSIC, "bgm.mid"},   {IDC_SET_PICTURE, "pic.bmp"},
                 {IDC_SET_PICTURE_X, "-7"},       {IDC_SET_PICTURE_Y, "12"},   {IDC_SET_WALLPAPER, "wall.jpg"},
                 {IDC_SET_SND_ST, "st.wav"},      {IDC_SET_SND_MX, "mx.wav"},  {IDC_SET_SND_MD, "md.wav"},
                 {IDC_SET_SND_MN, "mn.wav"},      {IDC_SET_SND_ED, "ed.wav"},  {IDC_SET_SND_BK, "bk.wav"},
                 {IDC_SET_IDLE_MINUTES, "5"}};
    three_questions();
    HWND d = open_editor();
    for (const auto &t : typed) put(d, t.id, t.text);
    CheckDlgButton(d, IDC_SET_SAVER_OFF, BST_CHECKED);
    g_picks = {dir.path() + "dialog.set"};
    click(d, IDC_SET_SAVE);
    EXPECT_EQ(set_editor_result(d), 2);
    EXPECT_NE(dir.read("dialog.set").find("SndEd,ed.wav\r\n"), std::string::npos);

    HWND owner = nullptr;
    set_manager(kSetReset, 0, &owner);
    HWND again = open_editor();
    g_picks = {dir.path() + "dialog.set"};
    click(again, IDC_SET_OPEN);
    EXPECT_EQ(set_editor_result(again), 1);
    for (const auto &t : typed) EXPECT_EQ(text(again, t.id), t.text) << t.id;  // -7 survives too
    EXPECT_EQ(items(again), "a.qst|b.qst|c.qst");
    EXPECT_EQ(IsDlgButtonChecked(again, IDC_SET_SAVER_OFF), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(again, IDC_SET_FULL_SCREEN), BST_UNCHECKED);
    EXPECT_TRUE(boxes.boxes().empty());
}

// The modal run: steps go in from a thread timer inside the dialog's own loop.
std::function<void(HWND)> g_step;
void CALLBACK drive(HWND, UINT, UINT_PTR, DWORD) {
    HWND d = FindWindowA("#32770", "無題 - セットの編集");  // a new set, named in the title
    if (!d || !g_step) return;
    auto step = g_step;
    g_step = nullptr;
    step(d);
}

int run_edit(const char *new_title, SetRecord **out) {
    g_step = [new_title](HWND d) {
        put(d, IDC_SET_TITLE, new_title);
        click(d, IDC_SET_CLOSE);
    };
    UINT_PTR timer = SetTimer(nullptr, 0, 50, drive);
    int r = set_manager(kSetEdit, 0, out);
    KillTimer(nullptr, timer);
    return r;
}

TEST_F(SetEditor, EditAsksWhetherToApplyAndOnlyYesConfirms) {
    boxes.set_answer(IDYES);
    boxes.set_answer_for(kSaveQuestion, IDNO);  // typed, not saved: asked first, then applied
    SetRecord *out = nullptr;
    EXPECT_EQ(run_edit("first", &out), 1);
    ASSERT_NE(out, nullptr);
    EXPECT_NE(out, record());
    EXPECT_STREQ(out->title, "first");
    ASSERT_EQ(boxes.boxes().size(), 2u);
    EXPECT_EQ(boxes.boxes()[0].text, kSaveQuestion);
    EXPECT_EQ(boxes.boxes()[0].caption, "セットの編集");
    EXPECT_EQ(boxes.boxes()[1].text, "編集・保存したセットを反映させますか？");
    EXPECT_EQ(boxes.boxes()[1].caption, "診断Zelmica");
    EXPECT_EQ(boxes.boxes()[1].type, static_cast<UINT>(MB_YESNO | MB_ICONINFORMATION));

    boxes.set_answer(IDNO);
    SetRecord *untouched = nullptr;
    EXPECT_EQ(run_edit("second", &untouched), 0);
    EXPECT_EQ(untouched, nullptr);
    EXPECT_STREQ(out->title, "first");
    EXPECT_STREQ(record()->title, "second");
}

}  // namespace

// The kiosk name becomes part of the visit log's file name: what cannot is refused with a word.
TEST_F(SetEditor, KioskNameThatCannotBePartOfAFileNameIsRefused) {
    const struct {
        const char *name;
        bool accepted;
    } cases[] = {{"受付1", true}, {"表", true}, {"", true}, {"a:b", false}, {"a|b", false}, {"hall.", false},
                 {"0123456789012345678901234567890123456789012345678901234567890123", false}};
    for (const auto &c : cases) {
        record()->visit_log_off = 0;
        HWND d = open_editor();
        auto refusals = [&] {
            size_t n = 0;
            for (const RecordedBox &b : boxes.boxes()) n += b.caption == "キオスク名";
            return n;
        };
        size_t before = refusals();
        put(d, IDC_SET_KIOSK, c.name);
        CheckDlgButton(d, IDC_SET_VISIT_LOG, BST_UNCHECKED);
        click(d, IDC_SET_CLOSE);
        EXPECT_EQ(refusals(), before + (c.accepted ? 0 : 1)) << c.name;
        EXPECT_EQ(std::string(record()->kiosk), c.accepted ? c.name : "") << c.name;
        EXPECT_EQ(record()->visit_log_off, c.accepted ? 1 : 0) << c.name;
    }
}
