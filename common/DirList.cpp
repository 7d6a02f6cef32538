// Common-dialog wrappers and control helpers shared by the player's and the editor's dialogs.
#include "DirList.h"
#include "modal_loop.h"
#include "dpi.h"
#include "BrixLib.h"
#include "LinerList.h"
#include "imemory.h"
#include "message_box.h"
#include <imm.h>
#include <shlobj.h>
#include <string.h>

static BOOL real_open(OPENFILENAMEA *o) {
    ModalLoop loop;
    return GetOpenFileNameA(o);
}
static BOOL real_save(OPENFILENAMEA *o) {
    ModalLoop loop;
    return GetSaveFileNameA(o);
}
static BOOL real_colour(CHOOSECOLORA *c) {
    ModalLoop loop;
    return ChooseColorA(c);
}
static BOOL real_font(CHOOSEFONTA *f) {
    ModalLoop loop;
    return ChooseFontA(f);
}

static BOOL real_folder(HWND owner, const char *title, char *folder) {
    BROWSEINFOA b;
    memset(&b, 0, sizeof b);
    b.hwndOwner = owner;
    b.lpszTitle = title;
    b.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE list = SHBrowseForFolderA(&b);
    if (!list) return FALSE;
    char path[MAX_PATH] = {0};
    BOOL ok = SHGetPathFromIDListA(list, path);
    CoTaskMemFree(list);
    if (ok) copy_cut(folder, kPathSize, path);
    return ok;
}

static const CommonDialogs kReal = {real_open, real_save, real_colour, real_font};
static FolderChooser g_folder = real_folder;
static CommonDialogs g_dialogs = kReal;
// CHOOSEFONT.iPointSize counts tenths of a point; an inch holds 72 points.
enum { kPointTenthsPerInch = 720 };

CommonDialogs set_common_dialogs(const CommonDialogs *dialogs) {
    CommonDialogs old = g_dialogs;
    g_dialogs = dialogs ? *dialogs : kReal;
    return old;
}

static void fill_record(OPENFILENAMEA *o, HWND owner, const char *title, const char *filter, char *file,
                        const char *folder, DWORD flags) {
    memset(o, 0, sizeof *o);
    o->lStructSize = OPENFILENAME_SIZE_VERSION_400A;  // the form without the extension fields
    o->hwndOwner = owner;
    o->hInstance = owner ? reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE)) : nullptr;
    o->lpstrFilter = filter;
    o->nFilterIndex = 1;
    o->lpstrFile = file;
    o->nMaxFile = kPathSize;
    o->nMaxFileTitle = kPathSize;
    o->lpstrInitialDir = folder;
    o->lpstrTitle = title;
    o->lpstrDefExt = "";
    o->Flags = flags;
}

int choose_open_file(HWND owner, const char *title, const char *filter, char *file, const char *folder, DWORD flags) {
    OPENFILENAMEA o;
    fill_record(&o, owner, title, filter, file, folder, flags ? flags : kOpenFlags);
    return g_dialogs.open(&o);
}

int choose_open_files(HWND owner, const char *title, const char *filter, const char *folder,
                      std::vector<std::string> *paths) {
    std::vector<char> names(64 * 1024, '\0');
    OPENFILENAMEA o;
    fill_record(&o, owner, title, filter, names.data(), folder,
                OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY);
    o.nMaxFile = static_cast<DWORD>(names.size() - 2);  // two terminators always stay
    if (!g_dialogs.open(&o)) return 0;
    // One file: its full path. Several: the folder, then each name, each ended by a null.
    const char *first = names.data();
    const char *name = first + strlen(first) + 1;
    paths->clear();
    if (!*name) paths->push_back(first);
    for (; *name; name += strlen(name) + 1) {
        std::string folder_path = first;
        // Only a drive's root comes with its backslash; a last byte 0x5C may be half of "表".
        if (!(folder_path.size() == 3 && folder_path[1] == ':')) folder_path += '\\';
        paths->push_back(folder_path + name);
    }
    return paths->empty() ? 0 : 1;
}

int choose_save_file(HWND owner, const char *title, const char *filter, char *file, const char *folder, DWORD flags) {
    OPENFILENAMEA o;
    fill_record(&o, owner, title, filter, file, folder, flags ? flags : kSaveFlags);
    return g_dialogs.save(&o);
}

namespace {

EditedFileFn g_edited = nullptr;

// The folder of the file being edited, with its backslash; false when there is none.
bool edited_folder(char *folder) {
    const char *edited = g_edited ? g_edited() : nullptr;
    char full[kPathSize];
    DWORD n = edited && edited[0] ? GetFullPathNameA(edited, sizeof full, full, nullptr) : 0;
    return n && n < sizeof full && path_folder_part(full, folder, true);
}

}  // namespace

void set_edited_file_source(EditedFileFn source) { g_edited = source; }

void stored_path_for(const char *file, char *out) {
    char folder[kPathSize] = {0};
    const char *below = nullptr;
    if (edited_folder(folder) && path_in_folder(folder, file, &below)) {
        copy_cut(out, kPathSize, below);
        return;
    }
    if (!module_folder(folder)) GetWindowsDirectoryA(folder, kPathSize);
    out[0] = '\0';
    if (!make_relative_path(folder, file, out) || !out[0]) copy_cut(out, kPathSize, file);
}

int choose_file_into_box(HWND dialog, int box, const char *title, const char *filter) {
    char *file = static_cast<char *>(I_HEAP_CALLOC(kPathSize, 1));
    char *folder = static_cast<char *>(I_HEAP_CALLOC(kPathSize, 1));
    int result = 0;
    if (file && folder) {
        if (!edited_folder(folder) && !module_folder(folder)) GetWindowsDirectoryA(folder, kPathSize);
        if (choose_open_file(dialog, title, filter, file, folder, 0)) {
            put_path_into_box(dialog, box, file);
            result = 1;
        }
    }
    I_HEAP_FREE(folder);
    I_HEAP_FREE(file);
    return result;
}

void put_path_into_box(HWND dialog, int box, const char *file) {
    char stored[kPathSize];
    stored_path_for(file, stored);
    SetDlgItemTextA(dialog, box, stored);
}

void choose_colour(HWND owner, COLORREF *colour, CHOOSECOLORA *record) {
    COLORREF custom[16];
    for (COLORREF &c : custom) c = RGB(192, 192, 192);
    CHOOSECOLORA cc;
    memset(&cc, 0, sizeof cc);
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = owner;
    cc.rgbResult = *colour ? *colour : RGB(80, 80, 80);
    cc.lpCustColors = custom;
    cc.Flags = (record && record->Flags) ? record->Flags : (CC_FULLOPEN | CC_RGBINIT);
    g_dialogs.colour(&cc);
    *colour = cc.rgbResult;
}

void choose_font(HWND owner, LOGFONTA *font, CHOOSEFONTA *record) {
    LOGFONTA work = *font;
    CHOOSEFONTA cf;
    memset(&cf, 0, sizeof cf);
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = owner;
    cf.lpLogFont = &work;
    cf.Flags = (record && record->Flags) ? record->Flags : (CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS);
    // The files count in 96-DPI pixels; the dialog turns points into heights at its screen DC's
    // DPI, which is the system's even where the owner's monitor has another scale.
    int dpi = window_dpi(nullptr);
    logfont_to_dpi(&work, dpi);
    if (g_dialogs.font(&cf)) {
        // Its answer says which DPI it used: the chosen points against the height it made of them.
        if (cf.iPointSize > 0 && work.lfHeight < 0) dpi = MulDiv(-work.lfHeight, kPointTenthsPerInch, cf.iPointSize);
        logfont_from_dpi(&work, dpi);
        *font = work;
    }
}

void listbox_move_by(HWND dialog, int id, int position, int offset) {
    HWND box = GetDlgItem(dialog, id);
    LRESULT len = SendMessageA(box, LB_GETTEXTLEN, position, 0);
    if (len == LB_ERR) return;
    char *text = static_cast<char *>(I_HEAP_CALLOC(static_cast<size_t>(len) + 1, 1));
    if (!text) return;
    SendMessageA(box, LB_GETTEXT, position, reinterpret_cast<LPARAM>(text));
    SendMessageA(box, LB_DELETESTRING, position, 0);
    SendMessageA(box, LB_INSERTSTRING, position + offset, reinterpret_cast<LPARAM>(text));
    SendMessageA(box, LB_SETCURSEL, position + offset, 0);
    I_HEAP_FREE(text);
}

void listbox_move_up(HWND dialog, int id) {
    LRESULT sel = SendDlgItemMessageA(dialog, id, LB_GETCURSEL, 0, 0);
    if (sel != LB_ERR && sel > 0) listbox_move_by(dialog, id, static_cast<int>(sel), -1);
}

void listbox_move_down(HWND dialog, int id) {
    LRESULT sel = SendDlgItemMessageA(dialog, id, LB_GETCURSEL, 0, 0);
    LRESULT count = SendDlgItemMessageA(dialog, id, LB_GETCOUNT, 0, 0);
    if (sel != LB_ERR && sel + 1 < count) listbox_move_by(dialog, id, static_cast<int>(sel), 1);
}

void listbox_remove_selected(HWND dialog, int id, bool warn, const char *caption) {
    LRESULT sel = SendDlgItemMessageA(dialog, id, LB_GETCURSEL, 0, 0);
    if (sel == LB_ERR) {
        if (warn) show_message_box(dialog, "削除対象が選択されていません", caption, MB_OK | MB_ICONWARNING);
        return;
    }
    SendDlgItemMessageA(dialog, id, LB_DELETESTRING, sel, 0);
}

void subclass_window(HWND window, WNDPROC proc, WNDPROC *old) {
    *old = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
}

namespace {
struct ImeRecord {
    HWND control;
    int open;
    WNDPROC previous;
};
ListNode g_ime_controls = {nullptr, nullptr};
}  // namespace

void register_ime_control(HWND control, bool open) {
    ImeRecord r = {control, open ? 1 : 0, nullptr};
    subclass_window(control, ime_control_proc, &r.previous);
    liner_append(&g_ime_controls, &r, sizeof r);
}

LRESULT CALLBACK ime_control_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    int count = liner_count(&g_ime_controls);
    for (int i = 0; i < count; ++i) {
        ImeRecord *r = static_cast<ImeRecord *>(liner_get(&g_ime_controls, i));
        if (r->control != window) continue;
        WNDPROC previous = r->previous;
        if (message == WM_SETFOCUS) set_ime_open(window, r->open != 0);
        if (message == WM_DESTROY || message == WM_CLOSE || message == WM_QUIT) {
            // Give the control its own procedure back before the record goes.
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
            liner_remove(&g_ime_controls, i);
        }
        return CallWindowProcA(previous, window, message, wparam, lparam);
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

void set_ime_open(HWND window, bool open) {
    HIMC imc = ImmGetContext(window);
    if (!imc) return;
    ImmSetOpenStatus(imc, open ? TRUE : FALSE);
    ImmReleaseContext(window, imc);
}

// First every kind the player shows, so a chooser opens on all the pictures of a folder.
const char kPictureFilter[] = "すべての画像(*.bmp,*.jpg,*.jpeg,*.png)\0*.bmp;*.jpg;*.jpeg;*.png\0"
                              "画像ファイル(*.bmp)\0*.bmp\0画像ファイル(*.jpg,*jpeg)\0*.jpg;*.jpeg\0"
                              "画像ファイル(*.png)\0*.png\0すべてのファイル(*.*)\0*.*\0";

int choose_folder(HWND owner, const char *title, char *folder) { return g_folder(owner, title, folder) ? 1 : 0; }

FolderChooser set_folder_chooser(FolderChooser chooser) {
    FolderChooser old = g_folder;
    g_folder = chooser ? chooser : real_folder;
    return old;
}
