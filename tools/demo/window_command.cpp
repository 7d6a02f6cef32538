// Helper for the screenshot scripts: finds a visible top-level window whose title holds a text and
// sends it a command id, selects a row of one of its list views, or prints its place, so a script
// can put the real editor and player in a known state. Usage: window_command TITLE ID |
// TITLE rect | TITLE select LIST ROW.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {
struct Search {
    const char *part;
    HWND found;
};
BOOL CALLBACK each_window(HWND window, LPARAM context) {
    Search *s = reinterpret_cast<Search *>(context);
    char title[256] = {0};
    GetWindowTextA(window, title, sizeof title);
    if (!IsWindowVisible(window) || !strstr(title, s->part)) return TRUE;
    s->found = window;
    return FALSE;
}
}  // namespace

int main(int argc, char **argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: window_command TITLE ID | TITLE rect | TITLE select LIST ROW\n");
        return 2;
    }
    Search s = {argv[1], nullptr};
    for (int tries = 0; tries < 50 && !s.found; ++tries) {
        EnumWindows(each_window, reinterpret_cast<LPARAM>(&s));
        if (!s.found) Sleep(100);
    }
    if (!s.found) {
        fprintf(stderr, "no window titled %s\n", argv[1]);
        return 1;
    }
    if (!strcmp(argv[2], "rect")) {
        RECT r;
        GetWindowRect(s.found, &r);
        printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
        return 0;
    }
    if (!strcmp(argv[2], "select") && argc > 4) {
        // The keys a user would press: the list's own handling selects and focuses the row.
        HWND list = GetDlgItem(s.found, atoi(argv[3]));
        PostMessageA(list, WM_KEYDOWN, VK_HOME, 0);
        for (int i = 0; i < atoi(argv[4]); ++i) PostMessageA(list, WM_KEYDOWN, VK_DOWN, 0);
        return 0;
    }
    PostMessageA(s.found, WM_COMMAND, static_cast<WPARAM>(atoi(argv[2])), 0);
    return 0;
}
