// File, colour and font choosers with the system's fixed settings, through a replaceable seam,
// and the small list-box, subclassing and input-method helpers the dialogs share.
#pragma once
#include <windows.h>
#include <commdlg.h>
#include <string>
#include <vector>

enum OpenFileFlags : DWORD {
    kOpenFlags = OFN_EXPLORER | OFN_CREATEPROMPT | OFN_PATHMUSTEXIST | OFN_SHOWHELP | OFN_HIDEREADONLY,
    // Replacing an existing file is asked first, in every save of both programs.
    kSaveFlags = OFN_EXPLORER | OFN_CREATEPROMPT | OFN_SHOWHELP | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
};

// The platform's common dialogs; tests replace them to script the user's answer.
struct CommonDialogs {
    BOOL (*open)(OPENFILENAMEA *);
    BOOL (*save)(OPENFILENAMEA *);
    BOOL (*colour)(CHOOSECOLORA *);
    BOOL (*font)(CHOOSEFONTA *);
};
// Null restores the real dialogs. Returns the previous set.
CommonDialogs set_common_dialogs(const CommonDialogs *dialogs);

int choose_open_file(HWND owner, const char *title, const char *filter, char *file, const char *folder, DWORD flags);
// Several files at once; paths receives each full path. 0 when cancelled.
int choose_open_files(HWND owner, const char *title, const char *filter, const char *folder,
                      std::vector<std::string> *paths);
int choose_save_file(HWND owner, const char *title, const char *filter, char *file, const char *folder, DWORD flags);
int choose_file_into_box(HWND dialog, int box, const char *title, const char *filter);
// Puts file into the box as a chooser would, in the form stored_path_for gives.
void put_path_into_box(HWND dialog, int box, const char *file);
// How a chosen file is stored: relative to the file being edited when it lies in or below that
// file's folder (the two travel together), else relative to the program's folder where it can be.
// out: kPathSize bytes.
void stored_path_for(const char *file, char *out);
// Where the choosers learn the file being edited (its path, or empty while it has none). Null: none.
typedef const char *(*EditedFileFn)();
void set_edited_file_source(EditedFileFn source);
void choose_colour(HWND owner, COLORREF *colour, CHOOSECOLORA *record);
void choose_font(HWND owner, LOGFONTA *font, CHOOSEFONTA *record);
// A folder; folder (kPathSize bytes) receives it without a trailing backslash. 0 when cancelled.
int choose_folder(HWND owner, const char *title, char *folder);
// The shell's folder chooser behind choose_folder; tests replace it. Null restores it; returns the previous one.
typedef BOOL (*FolderChooser)(HWND owner, const char *title, char *folder);
FolderChooser set_folder_chooser(FolderChooser chooser);

void listbox_move_up(HWND dialog, int id);
void listbox_move_down(HWND dialog, int id);
void listbox_move_by(HWND dialog, int id, int position, int offset);
void listbox_remove_selected(HWND dialog, int id, bool warn, const char *caption);

void subclass_window(HWND window, WNDPROC proc, WNDPROC *old);
void register_ime_control(HWND control, bool open);
LRESULT CALLBACK ime_control_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
void set_ime_open(HWND window, bool open);

// The file dialogs' filter for pictures and wallpapers: every type the player shows.
extern const char kPictureFilter[];
