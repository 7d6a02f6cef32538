// The set editor's result card settings (dialog 160): when the card prints, on which printer and
// on which paper. The printer list is the spooler's own, so only a printer that exists is chosen.
#include "SetManager_private.h"
#include "card_print.h"
#include "message_box.h"
#include "resource.h"
#include <string.h>
#include <winspool.h>
#include <vector>

namespace {

const char kCaption[] = "結果カードの印刷";
const char *const kModes[] = {"印刷しない", "結果画面に「印刷」ボタン", "結果ごとに自動で印刷"};
const char kDefaultPrinter[] = "（通常使うプリンター）";

void fill(HWND dialog) {
    const SetRecord *r = set_current_record();
    HWND mode = GetDlgItem(dialog, IDC_CARD_MODE), printer = GetDlgItem(dialog, IDC_CARD_PRINTER),
         paper = GetDlgItem(dialog, IDC_CARD_PAPER);
    for (const char *m : kModes) SendMessageA(mode, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(m));
    SendMessageA(mode, CB_SETCURSEL, static_cast<WPARAM>(r->card_print), 0);
    SendMessageA(printer, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kDefaultPrinter));
    DWORD need = 0, count = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0, &need, &count);
    std::vector<BYTE> list(need ? need : 1);
    if (need && EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, list.data(), need, &need, &count))
        for (DWORD i = 0; i < count; ++i)
            SendMessageA(printer, CB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(reinterpret_cast<PRINTER_INFO_4A *>(list.data())[i].pPrinterName));
    LRESULT at = r->card_printer[0] ? SendMessageA(printer, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                   reinterpret_cast<LPARAM>(r->card_printer))
                                    : 0;
    // A printer the file names but this computer lacks stays visible, so the author sees it.
    if (at == CB_ERR) at = SendMessageA(printer, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(r->card_printer));
    SendMessageA(printer, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    for (int p = 0; p < kPaperCount; ++p)
        SendMessageA(paper, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(paper_info(p).name));
    SendMessageA(paper, CB_SETCURSEL, static_cast<WPARAM>(r->card_paper), 0);
}

bool take(HWND dialog) {
    SetRecord *r = set_current_record();
    const int mode = static_cast<int>(SendDlgItemMessageA(dialog, IDC_CARD_MODE, CB_GETCURSEL, 0, 0));
    const int paper = static_cast<int>(SendDlgItemMessageA(dialog, IDC_CARD_PAPER, CB_GETCURSEL, 0, 0));
    char name[sizeof r->card_printer] = "";
    const LRESULT at = SendDlgItemMessageA(dialog, IDC_CARD_PRINTER, CB_GETCURSEL, 0, 0);
    if (at > 0 && SendDlgItemMessageA(dialog, IDC_CARD_PRINTER, CB_GETLBTEXTLEN, static_cast<WPARAM>(at), 0) <
                      static_cast<LRESULT>(sizeof name))
        SendDlgItemMessageA(dialog, IDC_CARD_PRINTER, CB_GETLBTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(name));
    if (mode > 0) {
        char problem[512] = "";
        card_printer_problem(name, false, problem, sizeof problem);
        // Told, not refused: the printer may be connected at the event itself.
        if (problem[0]) show_message_box(dialog, problem, kCaption, MB_OK | MB_ICONWARNING);
    }
    r->card_print = mode > 0 && mode < 3 ? mode : 0;
    r->card_paper = paper >= 0 && paper < kPaperCount ? paper : 0;
    r->card_paper_unknown = 0;
    memcpy(r->card_printer, name, sizeof r->card_printer);
    return true;
}

}  // namespace

const SettingsPage kCardPage = {IDD_SET_CARD, fill, take};
