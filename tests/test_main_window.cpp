// The player's main window driven by messages: menu commands, keys, mouse, idle return, sets and
// the file named on the command line. Blocking calls go through their seams.
#include <gtest/gtest.h>
#include <png.h>
#include "png_encoder.h"
#include <shlobj.h>
#include <string.h>
#include <string>
#include <vector>
#include "BrixLib.h"
#include "DirList.h"
#include "QuesManager.h"
#include "result_log.h"
#include "SetManager.h"
#include "dpi.h"
#include "exit_pin.h"
#include "font_slot.h"
#include "crash_restart.h"
#include "kiosk.h"
#include "mainflame.h"
#include "mainflame_paint.h"
#include "message_box_recorder.h"
#include "modal_loop.h"
#include "pin_pad.h"
#include "resource.h"
#include "kiosk_report.h"
#include "visit_log.h"
#include "scratch_folder.h"
#include "shell_seam.h"
#include "speech.h"
#include "sound_effect.h"
#include "bgm_player.h"
#include "voice_player.h"
#include <digitalv.h>
#include "test_mode.h"

namespace {
std::vector<std::string> g_opened, g_started;
int g_file_dialogs;

BOOL silent(const char *, HMODULE, DWORD) { return TRUE; }
HINSTANCE record_open(HWND, const char *, const char *file, const char *, const char *, int) {
    g_opened.push_back(file);
    return reinterpret_cast<HINSTANCE>(33);
}
BOOL record_start(char *line, STARTUPINFOA *startup, PROCESS_INFORMATION *info) {
    EXPECT_EQ(sizeof(STARTUPINFOA), startup->cb);
    g_started.push_back(line);
    info->hProcess = info->hThread = nullptr;
    return TRUE;
}
BOOL cancel_dialog(OPENFILENAMEA *) { return ++g_file_dialogs, FALSE; }

const char kQuiz[] = "N,朝型診断\r\nQ,朝は得意?,はい,5,いいえ,0\r\nQ,夜更かしは?,好き,0,きらい,4\r\nS,朝型\r\nS,夜型\r\n";

class MainWindow : public ::testing::Test {
protected:
    ScratchFolder dir;
    MessageBoxRecorder boxes;
    CommonDialogs old_dialogs{};
    HWND window = nullptr;

    void SetUp() override {
        g_opened.clear();
        g_started.clear();
        g_file_dialogs = 0;
        set_play_sound_fn(silent);
        set_shell_open_fn(record_open);
        set_create_process_fn(record_start);
        CommonDialogs scripted = {cancel_dialog, cancel_dialog, nullptr, nullptr};
        old_dialogs = set_common_dialogs(&scripted);
        set_log_folder(dir.path().c_str());
        set_recovery_folders(dir.path().c_str(), dir.path().c_str());
        static ATOM atom = register_main_class(GetModuleHandleA(nullptr));
        ASSERT_NE(0, atom);
        // Hidden: the handlers do not need the window on screen.
        window = create_main_window(GetModuleHandleA(nullptr), SW_HIDE);
        set_click_settle_millis(0);  // sent clicks carry no message time
        set_press_show_millis(0);
        ASSERT_NE(nullptr, window);
    }
    void TearDown() override {
        set_click_settle_millis(kDefaultClickSettleMillis);
        set_press_show_millis(kDefaultPressMillis);
        if (IsWindow(window)) DestroyWindow(window);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {}
        set_full_screen_flag(0);
        set_log_folder(nullptr);
        set_recovery_folders(nullptr, nullptr);
        set_common_dialogs(&old_dialogs);
        set_create_process_fn(nullptr);
        set_shell_open_fn(nullptr);
        set_play_sound_fn(nullptr);
    }
    void command(int id) { SendMessageA(window, WM_COMMAND, id, 0); }
    std::string main_text() {
        char *p = nullptr;
        run_engine(kRunMainText, 0, &p);
        return p ? p : "";
    }
    void open_quiz() {
        std::string p = dir.write("quiz.qst", kQuiz);
        ASSERT_EQ(1, open_start_file(window, p.c_str()));
    }
    // Clicks the centre of a choice slot.
    void click(int slot) {
        char *text = nullptr;
        ASSERT_EQ(-1, run_engine(kRunChoiceText, slot, &text));
        ChoiceBox b = choice_rect(window, slot);
        SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(b.x + b.width / 2, b.y + b.height / 2));
    }
};
}  // namespace

TEST(CommandLine, FirstArgumentQuotedOrBare) {
    char arg[kPathSize];
    EXPECT_EQ(1, first_argument("\"C:\\Program Files\\Zelmica\\zelplay.exe\" \"D:\\my sets\\a.set\"", arg, sizeof arg));
    EXPECT_STREQ("D:\\my sets\\a.set", arg);
    EXPECT_EQ(1, first_argument("zelplay.exe  sample\\quiz one.qst  ", arg, sizeof arg));
    EXPECT_STREQ("sample\\quiz one.qst", arg);
    EXPECT_EQ(0, first_argument("\"C:\\zelplay.exe\"", arg, sizeof arg));
    EXPECT_EQ(0, first_argument("zelplay.exe \"\"", arg, sizeof arg));
    char small[8];
    EXPECT_EQ(0, first_argument("zelplay.exe a-very-long-name.set", small, sizeof small));
    EXPECT_STREQ("", small);
}

// The kiosk's own switches stand before its file, in any order; the file is read after them.
TEST(CommandLine, KioskSwitchesBeforeTheFile) {
    const struct { const char *line, *kiosk, *file; int interval, dist; } kRows[] = {
        {"\"C:\\z\\zelplay.exe\" /kiosk:入口1 \"D:\\my sets\\a.set\"", "入口1", "D:\\my sets\\a.set", 0, 0},
        {"zelplay.exe /status:5 /KIOSK:K2 /DistCheck:3 a.set", "K2", "a.set", 5, 3},
        {"zelplay.exe a.set", "", "a.set", 0, 0},
        {"zelplay.exe /kiosk:", "", "", 0, 0},
        {"zelplay.exe /kiosk:0123456789012345678901234567890123456789012345678901234567890123456789 b.set", "", "b.set", 0, 0},
    };
    for (const auto &r : kRows) {
        char kiosk[kKioskNameSize], file[kPathSize];
        int interval = -1, dist = -1;
        first_argument(read_player_switches(r.line, kiosk, sizeof kiosk, &interval, &dist), file, sizeof file);
        EXPECT_STREQ(r.kiosk, kiosk) << r.line;
        EXPECT_STREQ(r.file, file) << r.line;
        EXPECT_EQ(r.interval, interval) << r.line;
        EXPECT_EQ(r.dist, dist) << r.line;
    }
}

// The editor's switch, its sizes and the file after it; a file alone, or a file named like the
// switch, is no test mode.
TEST(CommandLine, TestSwitchSizeAndFile) {
    struct Row {
        const char *line;
        int on, width, height;
        bool full;
        const char *file;
    } rows[] = {
        {"\"C:\\Z\\zelplay.exe\" /test:1280x720 \"D:\\q\\~試す1_a.qst\"", 1, 1280, 720, false, "D:\\q\\~試す1_a.qst"},
        {"zelplay.exe /TEST:full a.qst", 1, 1024, 768, true, "a.qst"},
        {"zelplay.exe /test", 1, 1024, 768, false, ""},
        {"zelplay.exe /test:12x9 a.qst", 1, 1024, 768, false, "a.qst"},
        {"zelplay.exe a.qst", 0, 0, 0, false, ""},
        {"zelplay.exe /tests.qst", 0, 0, 0, false, ""},
    };
    for (const Row &r : rows) {
        TestModeOptions o = {};
        char file[kPathSize];
        EXPECT_EQ(r.on, parse_test_switch(r.line, &o, file, sizeof file)) << r.line;
        EXPECT_EQ(r.width, o.width) << r.line;
        EXPECT_EQ(r.height, o.height) << r.line;
        EXPECT_EQ(r.full, o.full_screen) << r.line;
        EXPECT_STREQ(r.file, file) << r.line;
    }
}

TEST(ClickGuard, BeforeOrJustAfterAChangeUnlessTheScreenHasSettled) {
    struct Row {
        DWORD click, shown;
        bool settled, early;
    } rows[] = {
        {1000, 1000, false, true},
        {1299, 1000, false, true},
        {1300, 1000, false, false},
        {900, 1000, false, true},          // queued before the screen was shown
        {5, 0xFFFFFF00u, false, true},     // across the tick count's wrap
        {1000 + 2147488648u, 1000, true, false},  // 24.9 days on an untouched start screen
    };
    for (const Row &r : rows)
        EXPECT_EQ(r.early, click_too_early(r.click, r.shown, r.settled, kDefaultClickSettleMillis)) << r.click;
    EXPECT_FALSE(click_too_early(1000, 1000, false, 0));
}

std::vector<EXECUTION_STATE> g_states;
EXECUTION_STATE WINAPI record_state(EXECUTION_STATE s) {
    g_states.push_back(s);
    return s;
}

// Unattended: no hint box, and with the screen saver off the power plan cannot darken the screen
// either, until a set without it is applied.
TEST_F(MainWindow, ASetFromTheCommandLineGoesFullScreenWithoutTheHintAndStaysAwake) {
    g_states.clear();
    ExecutionStateFn old = set_execution_state_fn(record_state);
    std::string quiz = dir.write("quiz.qst", kQuiz);
    std::string set = dir.write("kiosk.set", "T,無人\r\nQ," + quiz + "\r\nA\r\nSAVEROFF\r\n");
    ASSERT_EQ(1, open_start_file(window, set.c_str()));
    EXPECT_EQ(1, full_screen_flag());
    EXPECT_TRUE(boxes.boxes().empty());
    ASSERT_EQ(1u, g_states.size());
    EXPECT_EQ(static_cast<EXECUTION_STATE>(ES_CONTINUOUS | ES_DISPLAY_REQUIRED | ES_SYSTEM_REQUIRED), g_states[0]);
    ASSERT_EQ(1, open_start_file(window, dir.write("plain.set", "Q," + quiz + "\r\n").c_str()));
    ASSERT_EQ(2u, g_states.size());
    EXPECT_EQ(static_cast<EXECUTION_STATE>(ES_CONTINUOUS), g_states[1]);
    set_execution_state_fn(old);
}

// A spreadsheet holding the log denies writing across several answers: no box stands in front of
// the visitor, the waiting lines show in the title bar, and they are written once the log is free.
TEST_F(MainWindow, ALockedLogStopsNoVisitorAndItsLinesArriveWhenItIsFree) {
    std::string quiz = dir.write("sounds.qst", std::string(kQuiz) + "SndMx,x.wav\r\nSndMn,n.wav\r\n");
    ASSERT_EQ(1, open_start_file(window, quiz.c_str()));
    std::string log = dir.path() + "zelm.csv";
    HANDLE sheet = CreateFileA(log.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, sheet);
    // A tap that reaches the window while the answer is still handled (here, during its sound)
    // must not answer again.
    static HWND s_window;
    s_window = window;
    set_play_sound_fn([](const char *, HMODULE, DWORD) -> BOOL {
        ChoiceBox b = choice_rect(s_window, 0);
        SendMessageA(s_window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(b.x + 1, b.y + 1));
        return TRUE;
    });
    click(0);
    click(0);  // はい, 5
    click(1);  // きらい, 4: the result
    set_play_sound_fn(silent);
    EXPECT_TRUE(boxes.boxes().empty());
    char title[256] = "";
    GetWindowTextA(window, title, sizeof title);
    EXPECT_NE(std::string::npos, std::string(title).find("3 行")) << title;
    click(kBackSlot);
    CloseHandle(sheet);
    idle_timer_proc(window, WM_TIMER, 1, 0);
    EXPECT_EQ("問題1, 設問1, 回答1, 得点5\r\n問題1, 設問2, 回答2, 得点4\r\n得点合計, , , ,9\r\n", dir.read("zelm.csv"));
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ("診断Zelmica", title);
}

// Shutdown ends the process after WM_ENDSESSION, with no WM_DESTROY: the answers waiting for a
// locked log reach the recovery file then, without a box, and the display is let go.
TEST_F(MainWindow, ShutdownRescuesTheWaitingAnswersWithoutABox) {
    open_quiz();
    std::string log = dir.path() + "zelm.csv";
    HANDLE sheet = CreateFileA(log.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, sheet);
    click(0);
    click(0);  // はい, 5
    g_states.clear();
    ExecutionStateFn old = set_execution_state_fn(record_state);
    EXPECT_TRUE(SendMessageA(window, WM_QUERYENDSESSION, 0, 0));
    SendMessageA(window, WM_ENDSESSION, TRUE, 0);
    set_execution_state_fn(old);
    CloseHandle(sheet);
    EXPECT_EQ("問題1, 設問1, 回答1, 得点5\r\n", dir.read("zelm_recovered.csv"));
    EXPECT_TRUE(boxes.boxes().empty());
    ASSERT_EQ(1u, g_states.size());
    EXPECT_EQ(static_cast<EXECUTION_STATE>(ES_CONTINUOUS), g_states[0]);
}

// A file dialog moves the current folder later: the file to come back with after a crash is kept whole.
TEST_F(MainWindow, ARelativeStartFileIsKeptForTheRestartByItsFullPath) {
    dir.write("quiz.qst", kQuiz);
    char before[kPathSize];
    GetCurrentDirectoryA(sizeof before, before);
    SetCurrentDirectoryA(dir.path().c_str());
    EXPECT_EQ(1, open_start_file(window, "quiz.qst"));
    SetCurrentDirectoryA(before);
    EXPECT_EQ(dir.path() + "quiz.qst", restart_file());
    set_restart_file(nullptr);
}

// A PNG picture with a transparent half shows its opaque half and, through the other, the wallpaper.
TEST_F(MainWindow, APngPictureShowsTheWallpaperThroughItsTransparentHalf) {
    std::vector<unsigned char> rgba(40 * 20 * 4);
    for (int i = 0; i < 40 * 20; ++i)
        if (i % 40 < 20) rgba[i * 4] = rgba[i * 4 + 3] = 255;  // left half opaque red, right half clear
    std::string png = encode_png(40, 20, PNG_FORMAT_RGBA, rgba);
    std::string bmp(54 + 8 * 8 * 3, '\0');  // an 8 x 8 blue wallpaper
    const unsigned header[] = {0x4D42u, static_cast<unsigned>(bmp.size()), 0, 54, 40, 8, 8, 0x180001u};
    const int at[] = {0, 2, 6, 10, 14, 18, 22, 26};
    for (int k = 0; k < 8; ++k) memcpy(&bmp[at[k]], &header[k], k == 0 ? 2 : 4);
    for (size_t i = 54; i < bmp.size(); i += 3) bmp[i] = static_cast<char>(255);
    std::string pic = dir.write("half.png", png), wall = dir.write("wall.bmp", bmp);
    std::string quiz = dir.write("png.qst", "N,透明\r\nQ,q,a,1,,0,,0,,0,,0," + pic + ",0,0,0\r\nQ,q2,a,1\r\nQuesWall," + wall + "\r\n");
    ASSERT_EQ(1, open_start_file(window, quiz.c_str()));
    click(0);
    HDC screen = GetDC(window);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, 100);
    ReleaseDC(window, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT r = {0, 0, 200, 100};
    compose_screen(window, dc, r, 0, 0);
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(dc, 5, 5));
    EXPECT_EQ(RGB(0, 0, 255), GetPixel(dc, 30, 5));
    // On a screen at 200 % the picture and the fonts are twice the file's size; the stored font is not.
    LOGFONTA stored, made;
    answer_font(kFontGetEffective, 0, &stored);
    RECT frame;
    GetWindowRect(window, &frame);
    for (int dpi : {192, 96}) {
        SendMessageA(window, kMsgDpiChanged, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&frame));
        compose_screen(window, dc, r, 0, 0);
        const int k = dpi / 96;
        EXPECT_EQ(RGB(255, 0, 0), GetPixel(dc, 36 * k / 2, 10 * k));
        EXPECT_EQ(RGB(0, 0, 255), GetPixel(dc, 44 * k / 2, 10 * k));
        EXPECT_EQ(RGB(0, 0, 255), GetPixel(dc, 10, 21 * k));
        GetObjectA(answer_font(kFontLookup, 0, nullptr), sizeof made, &made);
        EXPECT_EQ(stored.lfHeight * k, made.lfHeight);
    }
    answer_font(kFontGetEffective, 0, &made);
    EXPECT_EQ(stored.lfHeight, made.lfHeight);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

TEST_F(MainWindow, AProgramFolderThatCannotBeWrittenIsNamedOnceAtStart) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    EXPECT_TRUE(boxes.boxes().empty());  // the scratch folder takes files
    DestroyWindow(window);
    set_log_folder("Q:\\no such folder\\");
    window = create_main_window(GetModuleHandleA(nullptr), SW_HIDE);
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    ASSERT_EQ(1u, boxes.boxes().size());
    EXPECT_NE(std::string::npos, boxes.boxes()[0].text.find("Q:\\no such folder\\"));
}

TEST_F(MainWindow, FullScreenAsksOnceAndShiftF12LeavesOnlyFromFullScreen) {
    SendMessageA(window, WM_KEYUP, VK_F12, 0);  // not in full screen: nothing
    EXPECT_EQ(0, full_screen_flag());
    SendMessageA(window, WM_KEYUP, VK_F11, 0);
    SendMessageA(window, WM_KEYUP, VK_F11, 0);
    ASSERT_EQ(1u, boxes.boxes().size());
    EXPECT_EQ("「Shift + F12」で通常画面に戻ります", boxes.boxes()[0].text);
    EXPECT_EQ(1, full_screen_flag());
    SendMessageA(window, WM_KEYUP, VK_F12, 0);  // without Shift: stays
    EXPECT_EQ(1, full_screen_flag());
}

int g_pin_asks;
bool g_pin_right;
bool scripted_pin(HWND, const char *) { return ++g_pin_asks, g_pin_right; }

// With a PIN every way out of full screen asks for it; a wrong one keeps full screen.
TEST_F(MainWindow, AWrongPinKeepsFullScreenAndTheRightOneLeaves) {
    const unsigned char salt[kPinSaltBytes] = {7};
    char line[kPinLineSize];
    ASSERT_TRUE(pin_make_line("0000", salt, line, sizeof line));
    std::string set = dir.write("pin.set", std::string("T,PIN\r\nA\r\nEXITPIN,") + line + "\r\n");
    ASSERT_EQ(1, open_start_file(window, set.c_str()));
    ASSERT_EQ(1, full_screen_flag());
    PinAskFn old = set_pin_ask_fn(scripted_pin);
    g_pin_asks = 0;
    g_pin_right = false;
    command(IDM_QUIT);
    SendMessageA(window, WM_CLOSE, 0, 0);
    command(IDM_OPEN_SET);
    for (int i = 0; i < kCornerTaps; ++i) SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    EXPECT_EQ(4, g_pin_asks);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(1, full_screen_flag());
    EXPECT_EQ(0, g_file_dialogs);
    g_pin_right = true;
    for (int i = 0; i < kCornerTaps; ++i) SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    EXPECT_EQ(0, full_screen_flag());
    command(IDM_QUIT);  // out of full screen: no question
    EXPECT_EQ(5, g_pin_asks);
    EXPECT_FALSE(IsWindow(window));
    set_pin_ask_fn(old);
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(MainWindow, OneWholeRunByClicksWithTheLogAndTheScreens) {
    open_quiz();
    EXPECT_EQ(-1, run_engine(kRunCurrentFile, 0, nullptr));
    click(0);  // the title
    EXPECT_EQ("朝は得意?", main_text());
    click(0);  // はい, 5
    // Opening a question file is refused once answers have been given.
    command(IDM_OPEN_QUESTION);
    EXPECT_EQ(0, g_file_dialogs);
    click(1);  // きらい, 4
    EXPECT_EQ("朝型", main_text());
    click(kBackSlot);
    EXPECT_EQ(-1, run_engine(kRunCurrentFile, 0, nullptr));
    EXPECT_EQ("問題1, 設問1, 回答1, 得点5\r\n問題1, 設問2, 回答2, 得点4\r\n得点合計, , , ,9\r\n", dir.read("zelm.csv"));
    command(IDM_OPEN_QUESTION);  // back on the start screen: the dialog is offered
    EXPECT_EQ(1, g_file_dialogs);

    // With 「ひとつ前へ」 the log holds only the answers the visitor kept, in order.
    DeleteFileA((dir.path() + "zelm.csv").c_str());
    std::string set = dir.write("back.set", "T,戻れる\r\nQ," + dir.path() + "quiz.qst\r\nBACK\r\n");
    ASSERT_EQ(1, open_start_file(window, set.c_str()));
    click(0);
    char *text = nullptr;
    EXPECT_EQ(0, run_engine(kRunChoiceText, kBackSlot, &text));  // nothing to take back on the first question
    click(0);  // はい, 5
    click(kBackSlot);
    EXPECT_EQ("朝は得意?", main_text());
    EXPECT_EQ(0, run_engine(kRunTotal, 0, nullptr));
    click(1);  // いいえ, 0
    EXPECT_EQ("<none>", dir.read("zelm.csv"));  // nothing is written before the end
    click(0);  // 好き, 0
    const std::string kept = "問題1, 設問1, 回答2, 得点0\r\n問題1, 設問2, 回答1, 得点0\r\n得点合計, , , ,0\r\n";
    EXPECT_EQ(kept, dir.read("zelm.csv"));
    click(kBackSlot);  // "戻る"
    click(0);
    click(0);
    // A visitor who walks away: the answers given still reach the log, before the idle line.
    run_engine(kRunIdleReturn, 0, nullptr);
    EXPECT_EQ(kept + "問題1, 設問1, 回答1, 得点5\r\n一定時間経過のためスタート画面に戻りました\r\n", dir.read("zelm.csv"));
}

static std::vector<std::string> g_spoken;
static bool record_speech(const char *text) {
    g_spoken.push_back(text);
    return true;
}

// Read aloud: each screen as it appears, the answers with their keys, readings left to the voice,
// and once more with R.
TEST_F(MainWindow, ScreensAreReadAloudWhenTheSetSaysSo) {
    SpeakFn old = set_speak_fn(record_speech);
    g_spoken.clear();
    std::string quiz = dir.write("read.qst", "N,｜朝型《あさがた》診断\r\nQ,朝《あさ》は得意?,はい,5,いいえ,0\r\nS,朝型\r\n");
    std::string set = dir.write("speak.set", "T,聞く診断\r\nQ," + quiz + "\r\nSPEAK\r\n");
    ASSERT_EQ(1, open_start_file(window, set.c_str()));
    ASSERT_FALSE(g_spoken.empty());
    EXPECT_EQ("聞く診断\r\n1、朝型診断。", g_spoken.back());
    click(0);
    EXPECT_EQ("朝は得意?\r\n1、はい。\r\n2、いいえ。", g_spoken.back());
    const size_t heard = g_spoken.size();
    SendMessageA(window, WM_KEYDOWN, 'R', 0);
    ASSERT_EQ(heard + 1, g_spoken.size());
    EXPECT_EQ(g_spoken[heard - 1], g_spoken.back());
    click(0);
    EXPECT_EQ("朝型", g_spoken.back());  // the result; "戻る" is not read
    set_speak_fn(old);
}

namespace {
// What would be heard, in order: "play name", "stop", and the music's "duck" and "full".
std::vector<std::string> g_heard;
UINT g_next_device = 700;
UINT record_voice(HWND, const char *path) {
    g_heard.push_back(std::string("play ") + path_file_name(const_cast<char *>(path)));
    return strstr(path, "broken") ? 0 : ++g_next_device;
}
void record_voice_stop(UINT) { g_heard.push_back("stop"); }
MCIERROR record_music(MCIDEVICEID, UINT command, DWORD_PTR, DWORD_PTR params) {
    if (command == MCI_OPEN) reinterpret_cast<MCI_OPEN_PARMSA *>(params)->wDeviceID = 9;
    if (command == MCI_PLAY) g_heard.push_back("music");
    if (command == MCI_SETAUDIO)
        g_heard.push_back(reinterpret_cast<MCI_DGV_SETAUDIO_PARMSA *>(params)->dwValue < 1000 ? "duck" : "full");
    return 0;
}
}  // namespace

// Recorded voices: the question's, then the answers' in order, under lowered music; a missing or
// unplayable file is skipped and named once in the title bar; R and the mark replay; the result's
// voice on the result screen; a screen with voices is not read by the speech voice.
TEST_F(MainWindow, RecordedVoicesPlayInOrderUnderDuckedMusic) {
    const VoiceSeam seam = {record_voice, record_voice_stop};
    const VoiceSeam old = set_voice_seam(&seam);
    MciSendFn old_mci = set_mci_send_fn(record_music);
    SpeakFn old_speak = set_speak_fn(record_speech);
    g_spoken.clear();
    g_heard.clear();
    for (const char *f : {"q.wav", "a1.wav", "broken.wav", "r.mp3"}) dir.write(f, "RIFF");
    const std::string music = dir.write("m.mp3", "ID3");
    std::string quiz = dir.write("voice.qst",
                                 "N,声の診断\r\nVoice,0,q.wav\r\nVoice,1,a1.wav\r\nVoice,2,gone.wav\r\nVoice,3,broken.wav\r\n"
                                 "Q,朝は得意?,はい,5,いいえ,0,たぶん,1\r\nVoice,0,r.mp3\r\nS,朝型\r\n");
    std::string set = dir.write("voice.set", "T,声\r\nQ," + quiz + "\r\nB," + music + "\r\nSPEAK\r\n");
    ASSERT_EQ(1, open_start_file(window, set.c_str()));
    EXPECT_EQ((std::vector<std::string>{"music"}), g_heard);
    g_heard.clear();
    const size_t spoken = g_spoken.size();
    click(0);
    EXPECT_EQ(spoken + 1, g_spoken.size());  // only the speech's stop
    EXPECT_EQ("", g_spoken.back());
    EXPECT_EQ((std::vector<std::string>{"duck", "play q.wav"}), g_heard);
    SendMessageA(window, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, g_next_device);
    SendMessageA(window, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, g_next_device);
    EXPECT_EQ((std::vector<std::string>{"duck", "play q.wav", "stop", "play a1.wav", "stop", "play broken.wav", "full"}),
              g_heard);
    char title[512] = "";
    GetWindowTextA(window, title, sizeof title);
    EXPECT_NE(nullptr, strstr(title, "gone.wav")) << title;
    EXPECT_NE(nullptr, strstr(title, "broken.wav")) << title;
    // A late notice of a voice that ended does not restart the music; the music's own does.
    g_heard.clear();
    SendMessageA(window, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, g_next_device - 1);
    EXPECT_TRUE(g_heard.empty());
    SendMessageA(window, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, 9);
    EXPECT_EQ((std::vector<std::string>{"music"}), g_heard);
    g_heard.clear();
    // A closed voice's number that the music was given since is the music's.
    g_next_device = 8;
    SendMessageA(window, WM_KEYDOWN, 'R', 0);
    SendMessageA(window, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, 9);
    SendMessageA(window, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, 9);
    EXPECT_EQ((std::vector<std::string>{"duck", "play q.wav", "stop", "play a1.wav", "music"}), g_heard);
    voice_stop(window);
    g_heard.clear();
    // R, then a tap on the mark: the list again, once each; the mark answers nothing.
    SendMessageA(window, WM_KEYDOWN, 'R', 0);
    ASSERT_EQ(2u, g_heard.size());
    EXPECT_EQ("play q.wav", g_heard.back());
    const RECT mark = screen_fit(window).replay;
    ASSERT_FALSE(IsRectEmpty(&mark));
    EXPECT_GE(mark.bottom - mark.top, MulDiv(90, font_slots_dpi(), 254));
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM((mark.left + mark.right) / 2, (mark.top + mark.bottom) / 2));
    EXPECT_EQ((std::vector<std::string>{"duck", "play q.wav", "stop", "play q.wav"}), g_heard);
    EXPECT_EQ("朝は得意?", main_text());
    g_heard.clear();
    click(0);
    EXPECT_EQ((std::vector<std::string>{"stop", "play r.mp3"}), g_heard);
    EXPECT_EQ("朝型", main_text());
    // Back at the start: nothing to hear, the music comes back up, and the named files stay named once.
    g_heard.clear();
    click(kBackSlot);
    EXPECT_EQ((std::vector<std::string>{"stop", "full"}), g_heard);
    GetWindowTextA(window, title, sizeof title);
    const char *named = strstr(title, "gone.wav");
    ASSERT_NE(nullptr, named);
    EXPECT_EQ(nullptr, strstr(named + 1, "gone.wav")) << title;
    bgm_player(kBgmStop, window, nullptr);
    set_speak_fn(old_speak);
    set_mci_send_fn(old_mci);
    set_voice_seam(&old);
}

// The order a screen's voices play in, with and without the frame of KEYS or SCAN.
TEST(Voice, OrderOfAScreen) {
    ScreenVoices v = {};
    strcpy(v.path[0], "q");
    strcpy(v.path[1], "a1");
    strcpy(v.path[3], "a3");
    strcpy(v.path[5], "a5");
    struct Row {
        unsigned shown;
        bool frame_mode;
        int framed;
        const char *heard;
    } rows[] = {
        {0x1F, false, -1, "q a1 a3 a5"}, {0x07, false, -1, "q a1 a3"}, {0x1F, true, 2, "q a3"},
        {0x1F, true, 1, "q"},            {0x1F, true, -1, "q"},         {0x00, false, -1, "q"},
    };
    for (const Row &r : rows) {
        const char *out[kVoiceParts] = {};
        const int n = voice_order(v, r.shown, r.frame_mode, r.framed, out);
        std::string heard;
        for (int i = 0; i < n; ++i) heard += (i ? " " : "") + std::string(out[i]);
        EXPECT_EQ(r.heard, heard) << r.shown << " " << r.frame_mode << " " << r.framed;
    }
}

TEST(Keys, ChoiceAndHighlightPerScreen) {
    const unsigned start = 0x3, question = 0x7, result = 1u << kBackSlot;
    struct Row {
        WPARAM vk;
        unsigned shown;
        int highlight, slot, after;
    } rows[] = {
        {'1', start, -1, 0, -1},          {VK_NUMPAD2, start, -1, 1, -1},  {'3', start, -1, -1, -1},
        {'3', question, 2, 2, 2},         {'6', question, -1, -1, -1},     {'0', question, -1, -1, -1},
        {VK_RETURN, question, -1, -1, -1}, {VK_RETURN, question, 1, 1, 1},
        {VK_DOWN, question, -1, -1, 0},   {VK_DOWN, question, 2, -1, 0},   {VK_UP, question, -1, -1, 2},
        {VK_LEFT, question, 0, -1, 2},    {VK_RIGHT, question, 0, -1, 1},  {VK_DOWN, question, 4, -1, 0},
        {VK_RETURN, result, -1, kBackSlot, -1}, {'0', result, -1, kBackSlot, -1},
        {VK_NUMPAD0, result, -1, kBackSlot, -1}, {'1', result, -1, -1, -1}, {VK_DOWN, result, -1, -1, kBackSlot},
        {'A', question, 1, -1, 1},        {VK_SPACE, question, 1, 1, 1},   {VK_SPACE, question, -1, -1, -1},
        {VK_SPACE, result, -1, kBackSlot, -1}, {'0', question | result, -1, kBackSlot, -1},  // 「ひとつ前へ」
        {VK_RETURN, question | result, -1, -1, -1},
    };
    for (const Row &r : rows) {
        int h = r.highlight;
        EXPECT_EQ(r.slot, key_choice(r.vk, r.shown, &h)) << r.vk << " on " << r.shown;
        EXPECT_EQ(r.after, h) << r.vk << " on " << r.shown;
    }
}

// One switch: the frame on each shown slot in turn, interval after interval, round and round.
TEST(Keys, ScanTiming) {
    struct Row {
        unsigned shown;
        DWORD elapsed;
        int interval, slot;
    } rows[] = {
        {0x7, 0, 2000, 0},     {0x7, 1999, 2000, 0}, {0x7, 2000, 2000, 1}, {0x7, 5999, 2000, 2},
        {0x7, 6000, 2000, 0},  {0x15, 2000, 2000, 2}, {0x15, 4000, 2000, 4},  // gaps are skipped
        {1u << kBackSlot, 99999, 1000, kBackSlot}, {0, 1000, 1000, -1}, {0x6, 5000, 0, 1},
        {0x1F, 0xFFFFFFFFu, 1000, 2},  // 4294967 whole intervals: the third answer
    };
    for (const Row &r : rows) EXPECT_EQ(r.slot, scan_slot(r.shown, r.elapsed, r.interval)) << r.shown << " " << r.elapsed;
}

// A whole diagnosis by digit keys and Enter writes the log the same clicks write; keys take the
// clicks' guard against a second input right after a screen change.
TEST_F(MainWindow, KeysPlayAWholeRunWithTheLogOfTheSameClicks) {
    const char quiz[] = "N,三問\r\nQ,一?,はい,5,いいえ,0\r\nQ,二?,好き,0,きらい,4,ふつう,2\r\nQ,三?,A,1,B,3\r\n"
                        "S,少なめ\r\nS,多め\r\n";
    std::string path = dir.write("three.qst", quiz);
    auto key = [&](WPARAM vk) {
        SendMessageA(window, WM_KEYDOWN, vk, 1);
        SendMessageA(window, WM_KEYUP, vk, 0xC0000001);
    };
    ASSERT_EQ(1, open_start_file(window, path.c_str()));
    click(0);
    click(1);
    click(2);
    click(1);
    click(kBackSlot);
    const std::string by_clicks = dir.read("zelm.csv");
    DeleteFileA((dir.path() + "zelm.csv").c_str());
    key('1');
    key('5');  // the first question has two answers: nothing
    EXPECT_EQ("一?", main_text());
    key(VK_NUMPAD2);
    key('3');
    key(VK_DOWN);
    key(VK_DOWN);
    key(VK_RETURN);  // the second answer, B
    key(VK_RETURN);  // 戻る
    EXPECT_EQ(-1, run_engine(kRunCurrentFile, 0, nullptr));
    EXPECT_EQ(by_clicks, dir.read("zelm.csv"));

    set_click_settle_millis(kDefaultClickSettleMillis);
    key('1');  // sent at once after the screen change: ignored, as a click would be
    EXPECT_EQ(-1, run_engine(kRunCurrentFile, 0, nullptr));
}

TEST_F(MainWindow, IdleReturnOnTheEleventhTickAfterTheLastClick) {
    std::string quiz = dir.write("quiz.qst", kQuiz);
    std::string set = dir.write("idle.set", "T,待ち時間\r\nQ," + quiz + "\r\nOFFTIMER,1\r\n");
    ASSERT_EQ(1, open_start_file(window, set.c_str()));
    EXPECT_EQ("待ち時間", main_text());
    click(0);
    for (int i = 0; i < 30; ++i) idle_timer_proc(window, WM_TIMER, 1, 0);
    EXPECT_EQ(0, run_engine(kRunUnderWay, 0, nullptr));  // still on the first question: no return
    EXPECT_EQ("朝は得意?", main_text());
    click(0);
    for (int i = 0; i < 10; ++i) idle_timer_proc(window, WM_TIMER, 1, 0);
    EXPECT_EQ("夜更かしは?", main_text());
    idle_timer_proc(window, WM_TIMER, 1, 0);
    EXPECT_EQ(kAskSecondsDefault, idle_prompt_seconds());  // 「続けますか？」 first
    idle_seconds_check(window, GetTickCount() + 9000);
    EXPECT_EQ("夜更かしは?", main_text());
    idle_seconds_check(window, GetTickCount() + kAskSecondsDefault * 1000);
    EXPECT_EQ("待ち時間", main_text());
    EXPECT_EQ(-1, idle_prompt_seconds());
    EXPECT_EQ("問題1, 設問1, 回答1, 得点5\r\n一定時間経過のためスタート画面に戻りました\r\n", dir.read("zelm.csv"));
}

// An HDROP as the shell hands it over, holding the paths.
static WPARAM drop_of(const std::vector<std::string> &paths) {
    size_t bytes = sizeof(DROPFILES) + 1;
    for (const std::string &p : paths) bytes += p.size() + 1;
    HGLOBAL h = GlobalAlloc(GHND, bytes);
    DROPFILES *d = static_cast<DROPFILES *>(GlobalLock(h));
    d->pFiles = sizeof(DROPFILES);
    char *out = reinterpret_cast<char *>(d + 1);
    for (const std::string &p : paths) out = static_cast<char *>(memcpy(out, p.c_str(), p.size() + 1)) + p.size() + 1;
    GlobalUnlock(h);
    return reinterpret_cast<WPARAM>(h);
}

TEST_F(MainWindow, DroppedFilesOpenOnTheWindowedStartScreenOnly) {
    std::string quiz = dir.write("quiz.qst", kQuiz);
    std::string set = dir.write("dropped.set", "T,落とした\r\nQ," + quiz + "\r\n");
    char *text = nullptr;
    set_full_screen_flag(1);
    SendMessageA(window, WM_DROPFILES, drop_of({quiz}), 0);
    run_engine(kRunChoiceText, 0, &text);
    EXPECT_TRUE(!text || !text[0]);  // refused in full screen
    set_full_screen_flag(0);
    SendMessageA(window, WM_DROPFILES, drop_of({quiz, set}), 0);
    EXPECT_EQ(1u, boxes.boxes().size());  // several files: one message
    SendMessageA(window, WM_DROPFILES, drop_of({set}), 0);
    EXPECT_EQ("落とした", main_text());
    run_engine(kRunChoiceText, 0, &text);
    EXPECT_STREQ("朝型診断", text);
}

TEST(IdleSeconds, RulesPerScreen) {
    const IdleRules plain = {30, false, 0, 0}, first = {30, true, 0, 0}, result = {30, false, 5, 0}, none = {0, true, 5, 0};
    struct Row {
        IdleRules rules;
        IdleScreen screen;
        DWORD quiet;
        bool due;
    } rows[] = {
        {first, kIdleStart, 99000, false},        {plain, kIdleFirstQuestion, 99000, false},
        {first, kIdleFirstQuestion, 29999, false}, {first, kIdleFirstQuestion, 30000, true},
        {plain, kIdleLaterQuestion, 30000, true},  {plain, kIdleResult, 30000, true},
        {result, kIdleResult, 4999, false},       {result, kIdleResult, 5000, true},
        {result, kIdleLaterQuestion, 5000, false}, {none, kIdleLaterQuestion, 99000, false},
        {none, kIdleFirstQuestion, 99000, false}, {none, kIdleResult, 5000, true},
    };
    for (const Row &r : rows) EXPECT_EQ(r.due, idle_return_due(r.rules, r.screen, r.quiet)) << r.screen << " " << r.quiet;
    // With 「続けますか？」: due, then the countdown, then the return; the result's own time ends at once.
    const IdleRules ask = {30, false, 5, 10};
    struct Step {
        IdleScreen screen;
        DWORD quiet;
        IdleStep step;
        int left;
    } steps[] = {
        {kIdleLaterQuestion, 29999, kIdleStay, 0}, {kIdleLaterQuestion, 30000, kIdleAsk, 10},
        {kIdleLaterQuestion, 39001, kIdleAsk, 1},  {kIdleLaterQuestion, 40000, kIdleGo, 0},
        {kIdleResult, 5000, kIdleGo, 0},           {kIdleStart, 99000, kIdleStay, 0},
    };
    for (const Step &s : steps) {
        int left = 0;
        EXPECT_EQ(s.step, idle_step(ask, s.screen, s.quiet, &left)) << s.screen << " " << s.quiet;
        EXPECT_EQ(s.left, left) << s.quiet;
    }
}

// A visitor who walks away from question 1 leaves no line; from the result, the result time.
TEST_F(MainWindow, IdleSecondsResetAFirstQuestionAndTheResult) {
    std::string quiz = dir.write("quiz.qst", kQuiz);
    std::string set = dir.write("s.set", "T,秒\r\nQ," + quiz + "\r\nIDLESEC,5\r\nIDLEFIRST\r\nRESULTSEC,99999\r\n");
    ASSERT_EQ(1, open_start_file(window, set.c_str()));
    SetRecord *r = nullptr;
    set_manager(kSetCurrent, 0, &r);
    EXPECT_EQ(3600, r->result_seconds);  // clamped, and said so when opened from the menu
    EXPECT_EQ(1, r->idle_clamped);
    click(0);
    idle_seconds_check(window, GetTickCount() + 4000);
    EXPECT_EQ("朝は得意?", main_text());
    const DWORD typed = GetTickCount() + 99000;
    {
        ModalLoop keypad;  // staff typing the PIN are not gone, however long they take
        idle_seconds_check(window, typed);
        EXPECT_EQ("朝は得意?", main_text());
    }
    idle_seconds_check(window, typed + 9000);  // and the time counts from the keypad's end
    EXPECT_EQ(-1, idle_prompt_seconds());
    idle_seconds_check(window, typed + 10000);
    EXPECT_EQ(kAskSecondsDefault, idle_prompt_seconds());
    // Any tap or key, even beside the answers, only says "still here".
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(790, 590));
    EXPECT_EQ(-1, idle_prompt_seconds());
    EXPECT_EQ("朝は得意?", main_text());
    idle_seconds_check(window, GetTickCount() + 9000);
    EXPECT_EQ(-1, idle_prompt_seconds());
    SendMessageA(window, WM_KEYDOWN, 'A', 0);
    idle_seconds_check(window, GetTickCount() + 10000);
    EXPECT_EQ(kAskSecondsDefault, idle_prompt_seconds());
    idle_seconds_check(window, GetTickCount() + 20000);
    EXPECT_EQ("秒", main_text());
    EXPECT_EQ("<none>", dir.read("zelm.csv"));
    click(0);
    click(0);
    click(1);
    idle_seconds_check(window, GetTickCount() + 10000);  // the result waits its own time
    EXPECT_EQ("朝型", main_text());
    idle_seconds_check(window, GetTickCount() + 3600000);
    EXPECT_EQ("秒", main_text());
}

TEST_F(MainWindow, UnreadableStartFilesAreReportedAsFailedOpens) {
    EXPECT_EQ(0, open_start_file(window, (dir.path() + "missing.set").c_str()));
    open_start_file(window, (dir.path() + "missing.qst").c_str());
    ASSERT_EQ(2u, boxes.boxes().size());
    EXPECT_EQ("File Open Error", boxes.boxes()[0].caption);
    EXPECT_EQ("File Open Error", boxes.boxes()[1].caption);
    char *text = nullptr;
    run_engine(kRunChoiceText, 0, &text);
    EXPECT_TRUE(!text || !text[0]);  // nothing was loaded
}

TEST_F(MainWindow, ScoreLineToggleHelpEditorAndCursor) {
    HMENU menu = GetMenu(window);
    command(IDM_SCORE_LINE);
    EXPECT_TRUE(GetMenuState(menu, IDM_SCORE_LINE, MF_BYCOMMAND) & MF_CHECKED);
    command(IDM_SCORE_LINE);
    EXPECT_FALSE(GetMenuState(menu, IDM_SCORE_LINE, MF_BYCOMMAND) & MF_CHECKED);
    command(IDM_HELP);
    command(IDM_EDIT_QUESTION);
    char folder[kPathSize];
    module_folder(folder);  // beside the program, wherever a file dialog left the current directory
    EXPECT_EQ(std::vector<std::string>{std::string(folder) + "zelplay.htm"}, g_opened);
    EXPECT_EQ(std::vector<std::string>{"zeledit.exe"}, g_started);

    open_quiz();
    char *text = nullptr;
    run_engine(kRunChoiceText, 0, &text);
    ChoiceBox b = choice_rect(window, 0);
    HCURSOR arrow = reinterpret_cast<HCURSOR>(GetClassLongPtrA(window, GCLP_HCURSOR));
    SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(b.x + 1, b.y + 1));
    HCURSOR hand = reinterpret_cast<HCURSOR>(GetClassLongPtrA(window, GCLP_HCURSOR));
    EXPECT_NE(arrow, hand);
    EXPECT_EQ(LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_HAND_CURSOR)), hand);
    SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(b.x + 2, b.y + 1));
    EXPECT_EQ(hand, reinterpret_cast<HCURSOR>(GetClassLongPtrA(window, GCLP_HCURSOR)));
    SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
    EXPECT_EQ(arrow, reinterpret_cast<HCURSOR>(GetClassLongPtrA(window, GCLP_HCURSOR)));
}

TEST_F(MainWindow, ResetAppliesTheDefaultsAndQuitDestroysTheWindow) {
    std::string quiz = dir.write("quiz.qst", kQuiz);
    std::string set = dir.write("c.set", "T,色つき\r\nQ," + quiz + "\r\n6,255\r\n5,16711680\r\n");
    ASSERT_EQ(1, open_start_file(window, set.c_str()));
    EXPECT_EQ(RGB(255, 0, 0), text_colour(kColourGet, 0));
    EXPECT_EQ(RGB(0, 0, 255), back_colour(kColourGet, 0));
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(back_brush(kBrushGet, 0)), GetClassLongPtrA(window, GCLP_HBRBACKGROUND));
    command(IDM_RESET);
    EXPECT_EQ(RGB(255, 255, 255), text_colour(kColourGet, 0));
    EXPECT_EQ(RGB(0, 160, 0), back_colour(kColourGet, 0));
    EXPECT_EQ("セットまたは問題ファイルを読み込んで、F11で全画面表示させてください", main_text());
    command(IDM_QUIT);
    EXPECT_FALSE(IsWindow(window));
}

// Clicks posted like real input: those queued before the screen showed, or within 300 ms after it
// changed, are dropped; a later one counts.
TEST_F(MainWindow, ClicksRightAfterAScreenChangeAreIgnored) {
    set_click_settle_millis(kDefaultClickSettleMillis);
    open_quiz();
    auto post_click = [&](int slot) {
        char *text = nullptr;
        run_engine(kRunChoiceText, slot, &text);
        ChoiceBox b = choice_rect(window, slot);
        PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(b.x + 1, b.y + 1));
        MSG msg;
        while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    };
    Sleep(320);
    post_click(0);
    EXPECT_EQ("朝は得意?", main_text());
    post_click(0);  // a double tap: the first question stays unanswered
    EXPECT_EQ("朝は得意?", main_text());
    Sleep(320);
    post_click(0);
    EXPECT_EQ("夜更かしは?", main_text());
}

TEST_F(MainWindow, FailedEditorOrHelpStartIsReported) {
    set_create_process_fn([](char *, STARTUPINFOA *, PROCESS_INFORMATION *) -> BOOL { return FALSE; });
    set_shell_open_fn([](HWND, const char *, const char *, const char *, const char *, int) {
        return reinterpret_cast<HINSTANCE>(2);
    });
    command(IDM_EDIT_QUESTION);
    command(IDM_HELP);
    ASSERT_EQ(2u, boxes.boxes().size());
    EXPECT_NE(std::string::npos, boxes.boxes()[0].text.find("zeledit.exe"));
    EXPECT_NE(std::string::npos, boxes.boxes()[1].text.find("zelplay.htm"));
}
