// The set editor's small settings dialogs (staff, card, every visitor): one procedure for all,
// each page giving only how it fills its controls and takes them back.
#include "SetManager_private.h"
#include "modal_loop.h"

namespace {

INT_PTR CALLBACK page_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    const SettingsPage *page = reinterpret_cast<const SettingsPage *>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        reinterpret_cast<const SettingsPage *>(lparam)->fill(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK && page && page->take(dialog)) EndDialog(dialog, IDOK);
        else if (LOWORD(wparam) == IDCANCEL) EndDialog(dialog, IDCANCEL);
        return TRUE;
    case WM_CLOSE: EndDialog(dialog, IDCANCEL); return TRUE;
    default: return FALSE;
    }
}

}  // namespace

INT_PTR edit_settings_page(HWND owner, const SettingsPage &page) {
    ModalLoop loop;  // the idle return waits while staff fill it in
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(page.dialog), owner, page_proc,
                           reinterpret_cast<LPARAM>(&page));
}

HWND create_settings_page(HWND owner, const SettingsPage &page) {
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(page.dialog), owner, page_proc,
                              reinterpret_cast<LPARAM>(&page));
}
