// Not a test by itself: the player as shipped, with a deliberate fault a few seconds after it
// starts, for scripts/crash-test.sh. Nothing in the shipped program can fault this way.
#include "mainflame.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    if (!start_player(instance, show)) return 0;
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
