// Not a test by itself: the player as shipped, with a deliberate fault a few seconds after it
// starts, for scripts/crash-test.sh. Nothing in the shipped program can fault this way.
#include "BrixLib.h"
#include "crash_restart.h"
#include "mainflame.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    install_crash_restart();
    if (!register_main_class(instance)) return 0;
    HWND window = create_main_window(instance, show);
    if (!window) return 0;
    char path[kPathSize];
    if (first_argument(GetCommandLineA(), path, sizeof path)) open_start_file(window, path);
    // The fault comes from the loop itself: the system swallows faults inside timer callbacks.
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (GetTickCount() - start > 6000) {
            volatile int *nowhere = nullptr;
            *nowhere = 1;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
}
