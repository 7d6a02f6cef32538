// Prints where a visitor would click on the running player: the screen position of a choice slot
// (0 to 5) of the window "診断Zelmica", so a script can drive the real program with the mouse.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char **argv) {
    int slot = argc > 1 ? atoi(argv[1]) : 0;
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
    int w10 = r.right / 10, h10 = r.bottom / 10;
    // Just inside the top-left of the slot's box: every drawn choice is taller and wider than this.
    POINT p = slot == 5 ? POINT{r.right - w10 - 8, r.bottom - 2 * h10 - 6} : POINT{w10 * 3 / 2 + 6, 6 * h10 + 4};
    ClientToScreen(window, &p);
    printf("%ld %ld\n", p.x, p.y);
    return 0;
}
