// Not a test by itself: the player as shipped, with a deliberate fault a few seconds after it
// starts, for scripts/crash-test.sh. Nothing in the shipped program can fault this way. Each
// player of a chain faults another way: a bad pointer, an exception nobody catches (the runtime's
// terminate), abort(); the restarts it was started after (ZELPLAY_RESTARTS) say which.
#include "mainflame.h"
#include <stdlib.h>
#include <new>

namespace {
int restarts_before() {
    char history[256] = "";
    GetEnvironmentVariableA("ZELPLAY_RESTARTS", history, sizeof history);
    int n = 0;
    for (const char *p = history; *p; ++p)
        if (*p != ' ' && (p == history || p[-1] == ' ')) ++n;
    return n;
}

void fault(int kind) {
    if (kind == 1) throw std::bad_alloc();
    if (kind == 2) abort();
    volatile int *nowhere = nullptr;
    *nowhere = 1;
}
}  // namespace

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
        if (GetTickCount() - start > 6000) fault(restarts_before() % 3);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
}
