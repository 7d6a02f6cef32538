// Prints where a visitor would click on the running player: the screen position of a choice slot
// (0 to 5) of the window "診断Zelmica", so a script can drive the real program with the mouse;
// with "client", the screen position and size of its client area.
#include <windows.h>
#include "draw.h"
#include "font_slot.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char **argv) {
    const char *what = argc > 1 ? argv[1] : "0";
    HWND window = nullptr;
    for (int tries = 0; tries < 100 && !window; ++tries) {
        window = FindWindowA("診断Zelmica", nullptr);
        if (!window) Sleep(100);
    }
    if (!window) {
        fprintf(stderr, "player window not found\n");
        return 1;
    }
    RECT r;
    GetClientRect(window, &r);
    if (strcmp(what, "client") == 0) {
        POINT origin = {0, 0};
        ClientToScreen(window, &origin);
        printf("%ld %ld %ld %ld\n", origin.x, origin.y, r.right, r.bottom);
        return 0;
    }
    int slot = atoi(what);
    int w10 = r.right / 10, h10 = r.bottom / 10;
    // The column's pitch follows the height of each choice's own text; a typical text of the
    // player's default answer font gives it closely enough to aim at the middle of a box.
    LOGFONTA lf;
    answer_font(kFontGetBase, -1, &lf);
    RECT box = measure_text_box(window, "あいう", DT_SINGLELINE | DT_VCENTER, &lf);
    int h = box.bottom - box.top;
    POINT p = slot == 5 ? POINT{r.right - w10 - 8, r.bottom - 2 * h10 - h / 2}
                        : POINT{w10 * 3 / 2 + 6, 6 * h10 + static_cast<int>(1.5 * slot * h) + h / 2};
    ClientToScreen(window, &p);
    printf("%ld %ld\n", p.x, p.y);
    return 0;
}
