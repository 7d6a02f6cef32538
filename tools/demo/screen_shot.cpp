// Draws the player's three screens for the sample set at a given client size through the same
// composition the window paints with (a question also pressed and highlighted), and the exit PIN
// keypad, and writes them as BMP files: for looking at layouts at
// sizes the screen at hand does not have. Usage: screen_shot WIDTH HEIGHT OUTDIR [SET [DPI]] (run
// in the program folder, next to sample.set; DPI 192 draws as a screen at 200 % would). The
// accessibility shots: screen_shot 640 480 OUT tools\demo\access.set 96, and 1280 960 ... 192,
// run in the source folder. A sixth argument "replay" shows the 「もう一度きく」 mark.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include "QuesManager.h"
#include "font_slot.h"
#include "mainflame.h"
#include "mainflame_paint.h"
#include "message_box.h"
#include "pin_pad.h"
#include "result_qr.h"
#include "sound_effect.h"
#include "speech.h"
#include "voice_player.h"

static BOOL silent(const char *, HMODULE, DWORD) { return TRUE; }
static int quiet_box(HWND, const char *, const char *, UINT) { return IDOK; }
static UINT no_voice(HWND, const char *) { return 0; }
static void no_stop(UINT) {}
static bool no_speech(const char *) { return true; }

// The keypad, pressed answers and the keyboard's highlight are drawn by their own window or marks.
static HWND g_pad = nullptr;

static void save(HWND window, int w, int h, int score, int full, const std::string &path) {
    HDC screen = GetDC(window);
    HDC dc = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(window, screen);
    if (!dc || !bitmap) return;
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT r = {0, 0, w, h};
    if (g_pad) SendMessageA(g_pad, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    else compose_screen(window, dc, r, score, full);
    GdiFlush();
    DWORD stride = (w * 3 + 3) & ~3u, size = stride * h;
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + size;
    if (FILE *f = fopen(path.c_str(), "wb")) {
        fwrite(&fh, sizeof fh, 1, f);
        fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f);
        fwrite(bits, size, 1, f);
        fclose(f);
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

int main(int argc, char **argv) {
    if (argc < 4) return 2;
    int w = atoi(argv[1]), h = atoi(argv[2]);
    std::string out = std::string(argv[3]) + "\\" + argv[1] + "x" + argv[2] + "-";
    const char *set = argc > 4 ? argv[4] : "sample.set";
    const int dpi = argc > 5 ? atoi(argv[5]) : 0;
    set_play_sound_fn(silent);
    set_message_box_fn(quiet_box);
    const VoiceSeam quiet = {no_voice, no_stop};
    set_voice_seam(&quiet);
    set_speak_fn(no_speech);
    const bool replay = argc > 6 && strcmp(argv[6], "replay") == 0;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!register_main_class(instance)) return 1;
    HWND window = create_main_window(instance, SW_HIDE);
    if (!window) return 1;
    RECT frame = {0, 0, w, h};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, TRUE);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top, SWP_NOZORDER);
    RECT client;
    GetClientRect(window, &client);
    w = client.right;
    h = client.bottom;
    if (dpi > 0) font_slots_set_dpi(dpi);
    open_start_file(window, set);
    save(window, w, h, 0, 0, out + "1-start.bmp");
    run_engine(kRunChoose, 0, nullptr);
    show_replay_mark(replay);
    save(window, w, h, 0, 0, out + "2-question.bmp");
    set_choice_pressed(1);
    save(window, w, h, 0, 0, out + "2-question-pressed.bmp");
    set_choice_pressed(-1);
    set_choice_highlight(2);
    save(window, w, h, 0, 0, out + "2-question-highlight.bmp");
    set_choice_highlight(-1);
    g_pad = create_pin_pad_for_shot(window, 3);
    if (g_pad) {
        SetWindowPos(g_pad, nullptr, 0, 0, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
        save(window, w, h, 0, 0, out + "5-pin-pad.bmp");
        DestroyWindow(g_pad);
        g_pad = nullptr;
    }
    for (int i = 0; i < 20 && run_engine(kRunComment, 0, nullptr) != -1; ++i) run_engine(kRunChoose, 0, nullptr);
    save(window, w, h, 1, 0, out + "3-result-score.bmp");
    save(window, w, h, 1, 1, out + "4-result-fullscreen.bmp");
    // What the result's QR code must read as, for a decoder to compare with.
    if (FILE *f = fopen((out + "3-result-qr.txt").c_str(), "wb")) {
        fputs(result_qr_text(), f);
        fclose(f);
    }
    DestroyWindow(window);
    printf("%dx%d\n", w, h);
    return 0;
}
