// Prints the sample's first result card to a printer through the player's own print path, for
// checks with a real spooler. Usage: print_card PRINTER PAPER OUTFILE (run in the program folder,
// next to sample.set); OUTFILE receives the card's QR text, and the exit code says whether the
// job reached the spooler (0) or not (1).
#include <windows.h>
#include <stdio.h>
#include "QuesManager.h"
#include "card_print.h"
#include "mainflame.h"
#include "message_box.h"
#include "result_qr.h"
#include "sound_effect.h"
#include "visit_code_log.h"

static BOOL silent(const char *, HMODULE, DWORD) { return TRUE; }
static int quiet_box(HWND, const char *, const char *, UINT) { return IDOK; }

int main(int argc, char **argv) {
    if (argc < 4) return 2;
    set_play_sound_fn(silent);
    set_message_box_fn(quiet_box);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!register_main_class(instance)) return 2;
    HWND window = create_main_window(instance, SW_HIDE);
    if (!window) return 2;
    open_start_file(window, "sample.set");
    set_card_printing(kCardPrintButton, argv[1], paper_of_key(argv[2]));
    run_engine(kRunChoose, 0, nullptr);
    for (int i = 0; i < 20 && run_engine(kRunComment, 0, nullptr) != -1; ++i) run_engine(kRunChoose, 0, nullptr);
    DWORD start = GetTickCount();
    if (!request_card_print(nullptr, false)) return 1;
    DWORD handed = GetTickCount() - start;
    for (int i = 0; i < 3000 && !result_card_print(); ++i) Sleep(10);
    if (FILE *f = fopen(argv[3], "wb")) {
        fputs(result_qr_text(), f);
        fclose(f);
    }
    printf("request returned after %lu ms, job %s after %lu ms\n", static_cast<unsigned long>(handed),
           result_card_print() == kCardPrinted ? "spooled" : "failed", static_cast<unsigned long>(GetTickCount() - start));
    DestroyWindow(window);
    return result_card_print() == kCardPrinted ? 0 : 1;
}
