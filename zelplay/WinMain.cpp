// Entry of the player: registers the main window class, creates the window, runs the loop.
#include "BrixLib.h"
#include "crash_restart.h"
#include "mainflame.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    install_crash_restart();
    if (!register_main_class(instance)) return 0;
    HWND window = create_main_window(instance, show);
    if (!window) return 0;
    // A kiosk restarted after a reboot, or a double-clicked file, names its file here.
    char path[kPathSize];
    if (first_argument(GetCommandLineA(), path, sizeof path)) open_start_file(window, path);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
