// Shows the set editor filled with a sample set for a few seconds, for a screenshot.
#include <windows.h>
#include <string.h>
#include "SetManager_private.h"
#include "exit_pin.h"
#include "sound_store.h"

int main() {
    HWND owner = nullptr;
    set_manager(kSetReset, 0, &owner);
    SetRecord *r = set_current_record();
    strcpy(r->title, "春のイベント診断セット");
    strcpy(r->questions[0], "性格診断.qst");
    strcpy(r->questions[1], "相性診断.qst");
    strcpy(r->questions[2], "D:\\quiz\\運勢.qst");
    strcpy(r->music, "bgm\\spring.mid");
    strcpy(r->picture, "pic\\logo.bmp");
    r->picture_x = -20;
    r->picture_y = 40;
    strcpy(r->wallpaper, "pic\\sakura.jpg");
    r->idle_minutes = 3;
    r->full_screen = r->daily_log = 1;
    strcpy(r->kiosk, "受付1");
    strcpy(r->log_folder, "\\\\server\\share\\zelmica");
    strcpy(r->dist_folder, "\\\\server\\share\\配布");
    r->text_colour = RGB(255, 255, 0);
    r->back_colour = RGB(0, 0, 128);
    r->title_font.lfHeight = 50;
    r->question_font.lfHeight = 30;
    char *st = const_cast<char *>("start.wav"), *bk = const_cast<char *>("back.wav");
    sound_store(kSoundPutSet + kSndSt, 0, &st);
    sound_store(kSoundPutSet + kSndBk, 0, &bk);
    HWND d = create_set_editor(nullptr);
    if (!d) return 1;
    SetWindowPos(d, HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE);
    ShowWindow(d, SW_SHOW);
    // Its staff settings beside it, with a PIN set and idle times in seconds.
    const unsigned char salt[kPinSaltBytes] = {1};
    pin_make_line("1234", salt, r->exit_pin, sizeof r->exit_pin);
    r->idle_seconds = 45;
    r->idle_first_question = 1;
    r->result_seconds = 20;
    if (HWND staff = create_settings_page(d, kStaffPage)) {
        SetWindowPos(staff, HWND_TOP, 20, 600, 0, 0, SWP_NOSIZE);
        ShowWindow(staff, SW_SHOW);
    }
    r->scan_seconds = 3;
    r->key_frame = r->back_step = 1;
    if (HWND access = create_settings_page(d, kAccessPage)) {
        SetWindowPos(access, HWND_TOP, 520, 600, 0, 0, SWP_NOSIZE);
        ShowWindow(access, SW_SHOW);
    }
    DWORD end = GetTickCount() + 8000;
    MSG m;
    while (GetTickCount() < end) {
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (!IsDialogMessageA(d, &m)) {
                TranslateMessage(&m);
                DispatchMessageA(&m);
            }
        }
        Sleep(20);
    }
    DestroyWindow(d);
    return 0;
}
