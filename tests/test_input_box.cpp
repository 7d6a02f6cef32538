// Input box driven for real: scripted steps run from a thread timer inside the box's own loop.
#include <gtest/gtest.h>
#include <string.h>
#include <functional>
#include <string>
#include <vector>
#include "input_box.h"

namespace {

using Step = std::function<void(HWND box)>;
std::vector<Step> g_steps;
size_t g_next = 0;

void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = FindWindowA("I_InputBox", nullptr);
    if (!box) return;
    // Out of steps: close the box so a failing test cannot hang.
    if (g_next < g_steps.size()) g_steps[g_next++](box);
    else PostMessageA(box, WM_CLOSE, 0, 0);
}

HWND item(HWND box, int id) { return GetDlgItem(box, id); }
std::string text_of(HWND w) {
    char t[256] = {0};
    GetWindowTextA(w, t, sizeof t);
    return t;
}
void set_text(HWND box, const char *t) { SendMessageA(item(box, kInputBoxEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(t)); }
void click(HWND box, int id) { SendMessageA(item(box, id), BM_CLICK, 0, 0); }
void shift(bool down) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = VK_SHIFT;
    in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &in, sizeof in);
}

class InputBox : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        owner_ = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    static void TearDownTestSuite() { DestroyWindow(owner_); }
    int run(char *buffer, int size, std::vector<Step> steps, HWND owner = owner_, const char *prompt = "タイトルを入力してください") {
        g_steps = std::move(steps);
        g_next = 0;
        UINT_PTR timer = SetTimer(nullptr, 0, 40, tick);
        int r = input_box(owner, "診断Zelmica", prompt, ES_AUTOHSCROLL, buffer, size);
        KillTimer(nullptr, timer);
        EXPECT_EQ(g_next, g_steps.size()) << "not every step ran";
        return r;
    }
    static HWND owner_;
};
HWND InputBox::owner_ = nullptr;

TEST_F(InputBox, ShowsCentredWithPrefilledTextAndOkKeepsIt) {
    char buffer[64] = "最初のタイトル";
    int r = run(buffer, sizeof buffer, {[](HWND box) {
        RECT rc;
        GetWindowRect(box, &rc);
        HDC dc = GetDC(nullptr);
        EXPECT_EQ(rc.left, GetDeviceCaps(dc, HORZRES) / 2 - 200);
        EXPECT_EQ(rc.top, GetDeviceCaps(dc, VERTRES) / 2 - 90);
        ReleaseDC(nullptr, dc);
        EXPECT_EQ(rc.right - rc.left, 400);
        EXPECT_EQ(text_of(box), "診断Zelmica");
        EXPECT_EQ(text_of(item(box, kInputBoxPrompt)), "タイトルを入力してください");
        EXPECT_EQ(text_of(item(box, kInputBoxEdit)), "最初のタイトル");
        EXPECT_EQ(GetFocus(), item(box, kInputBoxEdit));
        EXPECT_FALSE(IsWindowEnabled(owner_));
        click(box, kInputBoxOk);
    }});
    EXPECT_EQ(r, kInputBoxConfirmed);
    EXPECT_STREQ(buffer, "最初のタイトル");
    EXPECT_TRUE(IsWindowEnabled(owner_));
}

// However many lines a prompt takes, all of them show: the edit field and the buttons move down
// below it and stay inside the box.
TEST_F(InputBox, ThePromptShowsWhole) {
    const char *prompts[] = {
        "タイトルを入力してください",
        "目標の割合（%）を上の行から順にコンマ区切りで（例: 5,,30）。\r\n空欄の行は残りを等分します。",
        "回答ログには次の問題番号があります。この診断の番号を入力してください:\r\n  問題1: 3 回\r\n  問題2: 4 回\r\n"
        "  問題3: 5 回\r\n  問題4: 6 回\r\n  問題5: 7 回\r\n",
    };
    for (const char *prompt : prompts) {
        char buffer[16] = "";
        run(buffer, sizeof buffer, {[](HWND box) {
                HWND label = item(box, kInputBoxPrompt);
                char text[512];
                GetWindowTextA(label, text, sizeof text);
                RECT shown, needed, edit, cancel, client;
                GetWindowRect(label, &shown);
                GetWindowRect(item(box, kInputBoxEdit), &edit);
                GetWindowRect(item(box, kInputBoxCancel), &cancel);
                GetClientRect(box, &client);
                MapWindowPoints(box, nullptr, reinterpret_cast<POINT *>(&client), 2);
                HDC dc = GetDC(label);
                needed = {0, 0, shown.right - shown.left, 0};
                DrawTextA(dc, text, -1, &needed, DT_CALCRECT | DT_WORDBREAK);
                ReleaseDC(label, dc);
                EXPECT_GE(shown.bottom - shown.top, needed.bottom) << text;
                EXPECT_GE(edit.top, shown.bottom) << text;
                EXPECT_LE(cancel.bottom, client.bottom) << text;
                click(box, kInputBoxCancel);
            }}, owner_, prompt);
    }
}

TEST_F(InputBox, TypedAndJapaneseTextArrives) {
    char buffer[64] = "";
    EXPECT_EQ(run(buffer, sizeof buffer,
                  {[](HWND box) {
                       HWND edit = item(box, kInputBoxEdit);
                       for (char c : std::string("ab")) SendMessageA(edit, WM_CHAR, static_cast<BYTE>(c), 1);
                       EXPECT_EQ(text_of(edit), "ab");
                       set_text(box, "診断テスト ＡＢＣ");
                       PostMessageA(box, WM_COMMAND, MAKEWPARAM(kInputBoxOk, BN_CLICKED), 0);
                   }}),
              kInputBoxConfirmed);
    EXPECT_STREQ(buffer, "診断テスト ＡＢＣ");
}

TEST_F(InputBox, OverLongTextIsCutWithinTheBufferAndNeverSplitsACharacter) {
    char buffer[16];
    memset(buffer, 0x55, sizeof buffer);
    buffer[0] = '\0';
    EXPECT_EQ(run(buffer, 8, {[](HWND box) { set_text(box, "abcdefghij"); click(box, kInputBoxOk); }}), kInputBoxConfirmed);
    EXPECT_STREQ(buffer, "abcdefg");
    for (int i = 8; i < 16; ++i) EXPECT_EQ(buffer[i], 0x55);

    // Eight bytes of Japanese into seven: the fourth character would be split, so it goes whole.
    EXPECT_EQ(run(buffer, 8, {[](HWND box) { set_text(box, "あいうえ"); click(box, kInputBoxOk); }}), kInputBoxConfirmed);
    EXPECT_STREQ(buffer, "あいう");
}

TEST_F(InputBox, CancelAndCloseBoxLeaveTheBufferAfterAnEarlierOk) {
    char buffer[32] = "old";
    EXPECT_EQ(run(buffer, sizeof buffer, {[](HWND box) { set_text(box, "new"); click(box, kInputBoxOk); }}), kInputBoxConfirmed);
    EXPECT_EQ(run(buffer, sizeof buffer, {[](HWND box) { set_text(box, "other"); click(box, kInputBoxCancel); }}),
              kInputBoxClosed);
    EXPECT_EQ(run(buffer, sizeof buffer, {[](HWND box) {
                  set_text(box, "other");
                  SendMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0);
              }}),
              kInputBoxClosed);
    EXPECT_STREQ(buffer, "new");

    // Text filling the whole buffer without a terminator is read no further than the buffer.
    char full[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(run(full, sizeof full, {[](HWND box) {
                  EXPECT_EQ(text_of(item(box, kInputBoxEdit)), "abc");
                  click(box, kInputBoxCancel);
              }}),
              kInputBoxClosed);
    EXPECT_EQ(memcmp(full, "abcd", 4), 0);
}

TEST_F(InputBox, TabCyclesFocusAndEnterEscDoNothing) {
    char buffer[32] = "x";
    std::vector<Step> steps = {
        [](HWND box) {
            HWND edit = item(box, kInputBoxEdit);
            SendMessageA(edit, WM_KEYDOWN, VK_TAB, 1);
            SendMessageA(edit, WM_CHAR, '\t', 1);
            EXPECT_EQ(GetFocus(), item(box, kInputBoxOk));
            SendMessageA(item(box, kInputBoxOk), WM_CHAR, '\t', 1);
            EXPECT_EQ(GetFocus(), item(box, kInputBoxCancel));
            SendMessageA(item(box, kInputBoxCancel), WM_CHAR, '\t', 1);
            EXPECT_EQ(GetFocus(), edit);
            EXPECT_EQ(text_of(edit), "x");  // the tab never reaches the field
            shift(true);
        },
        [](HWND box) {
            SendMessageA(item(box, kInputBoxEdit), WM_CHAR, '\t', 1);
            EXPECT_EQ(GetFocus(), item(box, kInputBoxCancel));
            SendMessageA(item(box, kInputBoxCancel), WM_CHAR, '\t', 1);
            EXPECT_EQ(GetFocus(), item(box, kInputBoxOk));
            shift(false);
            for (WPARAM k : {WPARAM(VK_RETURN), WPARAM(VK_ESCAPE)}) {
                PostMessageA(item(box, kInputBoxEdit), WM_KEYDOWN, k, 1);
                PostMessageA(item(box, kInputBoxEdit), WM_CHAR, k == VK_RETURN ? '\r' : 0x1b, 1);
            }
        },
        [](HWND box) {
            EXPECT_TRUE(IsWindowVisible(box));  // still open after Enter and Esc
            click(box, kInputBoxCancel);
        },
    };
    EXPECT_EQ(run(buffer, sizeof buffer, steps), kInputBoxClosed);
}

TEST_F(InputBox, QuitForTheProgramEndsTheBoxAndIsPassedOn) {
    char buffer[32] = "keep";
    EXPECT_EQ(run(buffer, sizeof buffer, {[](HWND box) {
                  char again[8] = "";
                  EXPECT_EQ(input_box(nullptr, "", "", 0, again, sizeof again), kInputBoxFailed);  // one at a time
                  set_text(box, "lost");
                  PostQuitMessage(7);
              }}),
              kInputBoxClosed);
    EXPECT_STREQ(buffer, "keep");
    EXPECT_TRUE(IsWindowEnabled(owner_));
    EXPECT_FALSE(FindWindowA("I_InputBox", nullptr));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(InputBox, BadArgumentsShowNothing) {
    char buffer[4] = "";
    EXPECT_EQ(input_box(owner_, "c", "p", 0, nullptr, 10), kInputBoxFailed);
    EXPECT_EQ(input_box(owner_, "c", "p", 0, buffer, 0), kInputBoxFailed);
    EXPECT_TRUE(IsWindowEnabled(owner_));
}

}  // namespace
