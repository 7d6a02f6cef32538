// The set editor (dialog 106): the current record and the store's set level in controls,
// the question list, font and colour choosers with their samples and swatches, open and save.
#include "SetManager_private.h"
#include "bgm_player.h"
#include "BrixLib.h"
#include "DirList.h"
#include "dpi.h"
#include "edit_session.h"
#include "file_bundle.h"
#include "font_slot.h"
#include "imemory.h"
#include "message_box.h"
#include "QuesManager.h"
#include "resource.h"
#include "sound_store.h"
#include <commctrl.h>
#include <shlwapi.h>
#include <stdio.h>
#include <string.h>

namespace {

const char kQuestionFilter[] = "問題ファイル(*.qst)\0*.qst\0すべてのファイル(*.*)\0*.*\0";
const char kWaveFilter[] = "WAVEファイル(*.wav)\0*.wav\0すべてのファイル(*.*)\0*.*\0";
const char kRemoveCaption[] = "問題の選択解除";
const char kAddCaption[] = "問題の追加";
const char kListFull[] = "セットに含められる問題ファイルは5つまでです";
const char kFontCreateFailed[] = "フォントの作成に失敗しました";
const char kFontSelectFailed[] = "SelectObject(フォントの選択)に失敗しました";
const char kSample[] = "あ";
const char kKioskCaption[] = "キオスク名";
const char kKioskRefused[] =
    "キオスク名「%s」はファイル名の一部にできません。\r\n"
    "\\ / : * ? \" < > | を含まない、%d バイトまでの名前にしてください（末尾に . や空白は置けません）。\r\n"
    "空欄にするとこのパソコンの名前（%s）になります。";

enum EditorResult { kEditorUntouched = 0, kEditorOpened = 1, kEditorSaved = 2 };

// Sound boxes in slot order 0..5 with their browse buttons.
struct SoundBox {
    int box;
    int browse;
};
const SoundBox kSoundBoxes[kSoundSlots] = {
    {IDC_SET_SND_ST, IDC_SET_SND_ST_BROWSE}, {IDC_SET_SND_MX, IDC_SET_SND_MX_BROWSE},
    {IDC_SET_SND_MD, IDC_SET_SND_MD_BROWSE}, {IDC_SET_SND_MN, IDC_SET_SND_MN_BROWSE},
    {IDC_SET_SND_ED, IDC_SET_SND_ED_BROWSE}, {IDC_SET_SND_BK, IDC_SET_SND_BK_BROWSE},
};

// Number boxes: "-2147483648" and "4294967295" are the widest texts they hold.
enum { kSignedDigits = 11, kUnsignedDigits = 10 };

// Client pixels of the two font samples.
const RECT kTitleSample = {35, 235, 155, 320};
const RECT kQuestionSample = {238, 235, 358, 320};

void set_result(HWND dialog, int code) { SetWindowLongPtrA(dialog, DWLP_USER, code); }

// Whether the set in the dialog differs from its file; the title shows it with an asterisk.
bool g_unsaved = false;
bool g_filling = false;  // boxes filled from the record are not the operator's edits
char g_caption[128] = {0};

void show_title(HWND dialog) {
    const char *path = set_current_path();
    SetWindowTextA(dialog, editor_title(path ? path : "", g_unsaved, g_caption).c_str());
}

void note(HWND dialog, int event) {
    g_unsaved = unsaved_after(g_unsaved, event);
    show_title(dialog);
}

bool kiosk_accepted(HWND dialog);
bool dist_folder_accepted(HWND dialog);

void save_from_dialog(HWND dialog) {
    if (!kiosk_accepted(dialog) || !dist_folder_accepted(dialog)) return;
    read_set_editor(dialog);
    int saved = save_set(dialog);
    set_result(dialog, kEditorSaved);
    note(dialog, saved ? kEventSaved : kEventSaveFailed);
    if (!saved) return;
    // Saved all the same: the kiosk's screen may be larger, but the operator should know.
    const SetRecord *r = set_current_record();
    const char *entries[kSetQuestionFiles];
    for (int i = 0; i < kSetQuestionFiles; ++i) entries[i] = r->questions[i];
    warn_unfit_quizzes(dialog, entries, kSetQuestionFiles);
}

int ask_to_save(void *dialog) {
    return show_message_box(static_cast<HWND>(dialog), kSaveQuestion, g_caption, MB_YESNOCANCEL | MB_ICONWARNING);
}
bool save_for_leave(void *dialog) {
    save_from_dialog(static_cast<HWND>(dialog));
    return !g_unsaved;
}
// The question before the set in the dialog is closed or replaced; true when it may go.
bool may_leave_set(HWND dialog) {
    LeaveSteps steps = {ask_to_save, save_for_leave, dialog};
    return may_leave(g_unsaved, steps);
}

void put_text(HWND dialog, int id, const char *text) {
    if (text[0]) SetDlgItemTextA(dialog, id, text);
}

// Box text into a field, cut at a character boundary when it is longer.
void get_text(HWND dialog, int id, char *field, size_t size) {
    char buffer[kLineSize] = {0};
    GetDlgItemTextA(dialog, id, buffer, sizeof buffer);
    field[0] = '\0';
    append_prefix(field, size, buffer, strlen(buffer));
}

void limit(HWND dialog, int id, size_t field_size) {
    SendDlgItemMessageA(dialog, id, EM_LIMITTEXT, field_size - 1, 0);
}

void repaint(HWND dialog) {
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void prepare_boxes(HWND dialog) {
    const SetRecord *r = set_current_record();
    limit(dialog, IDC_SET_TITLE, sizeof r->title);
    limit(dialog, IDC_SET_MUSIC, sizeof r->music);
    limit(dialog, IDC_SET_PICTURE, sizeof r->picture);
    limit(dialog, IDC_SET_WALLPAPER, sizeof r->wallpaper);
    limit(dialog, IDC_SET_PICTURE_X, kSignedDigits + 1);
    limit(dialog, IDC_SET_PICTURE_Y, kSignedDigits + 1);
    limit(dialog, IDC_SET_PICTURE_ZOOM, kSignedDigits + 1);
    limit(dialog, IDC_SET_IDLE_MINUTES, kUnsignedDigits + 1);
    limit(dialog, IDC_SET_KIOSK, sizeof r->kiosk);
    limit(dialog, IDC_SET_LOG_FOLDER, sizeof r->log_folder);
    limit(dialog, IDC_SET_DIST_FOLDER, sizeof r->dist_folder);
    for (const SoundBox &s : kSoundBoxes) limit(dialog, s.box, kPathSize);

    // What an empty box stands for, in grey inside it; this PC's own name wins over the set's.
    char computer[kKioskNameSize + 64];
    if (pc_kiosk_name()[0]) snprintf(computer, sizeof computer, "%s（このパソコンの名前が優先）", pc_kiosk_name());
    else default_kiosk_name(computer);
    wchar_t cue[kKioskNameSize + 64];
    if (MultiByteToWideChar(932, 0, computer, -1, cue, static_cast<int>(sizeof cue / sizeof cue[0])))
        SendDlgItemMessageW(dialog, IDC_SET_KIOSK, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(cue));
    SendDlgItemMessageW(dialog, IDC_SET_LOG_FOLDER, EM_SETCUEBANNER, TRUE,
                        reinterpret_cast<LPARAM>(L"\u7A7A\u6B04: \u30D7\u30EC\u30FC\u30E4\u30FC\u306E\u30D5\u30A9\u30EB\u30C0\u30FC"));
    // 空欄: 配布しない（共有フォルダーのフルパス）
    SendDlgItemMessageW(dialog, IDC_SET_DIST_FOLDER, EM_SETCUEBANNER, TRUE,
                        reinterpret_cast<LPARAM>(L"\u7A7A\u6B04: \u914D\u5E03\u3057\u306A\u3044\uFF08\u5171\u6709\u30D5\u30A9\u30EB\u30C0\u30FC\u306E\u30D5\u30EB\u30D1\u30B9\uFF09"));

    register_ime_control(GetDlgItem(dialog, IDC_SET_TITLE), true);
    const int closed[] = {IDC_SET_MUSIC,     IDC_SET_PICTURE, IDC_SET_PICTURE_X, IDC_SET_PICTURE_Y,
                          IDC_SET_WALLPAPER, IDC_SET_KIOSK,   IDC_SET_LOG_FOLDER, IDC_SET_DIST_FOLDER};
    for (int id : closed) register_ime_control(GetDlgItem(dialog, id), false);
    for (const SoundBox &s : kSoundBoxes) register_ime_control(GetDlgItem(dialog, s.box), false);
}

void add_question(HWND dialog) {
    if (SendDlgItemMessageA(dialog, IDC_SET_QUESTION_LIST, LB_GETCOUNT, 0, 0) >= kSetQuestionFiles) {
        show_message_box(dialog, kListFull, kAddCaption, MB_OK | MB_ICONWARNING);
        return;
    }
    char folder[kPathSize] = {0}, chosen[kPathSize] = {0}, stored[kPathSize] = {0};
    if (!module_folder(folder) || !folder[0]) GetWindowsDirectoryA(folder, sizeof folder);
    if (!choose_open_file(dialog, "問題ファイルの選択", kQuestionFilter, chosen, folder, 0) || !chosen[0]) return;
    stored_path_for(chosen, stored);
    SendDlgItemMessageA(dialog, IDC_SET_QUESTION_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(stored));
    note(dialog, kEventChange);
    const char *added = chosen;
    warn_unfit_quizzes(dialog, &added, 1);
}

const char kBundleCaption[] = "フォルダーにまとめる";

// The saved set and everything it names, copied into one folder that travels (a USB stick).
void bundle_set(HWND dialog) {
    const char *path = set_current_path();
    if (!path || !path[0] || g_unsaved) {
        show_message_box(dialog, "まとめるのは保存したセットです。先に「保存」してください。", kBundleCaption,
                         MB_OK | MB_ICONINFORMATION);
        return;
    }
    char folder[kPathSize] = {0};
    if (!choose_folder(dialog, "まとめ先のフォルダー（USB メモリーなど）。この中にセットの名前のフォルダーを作ります", folder)) return;
    const BundleOutcome o = bundle_files(path, set_path_field, folder);
    show_message_box(dialog, bundle_summary(o).c_str(), kBundleCaption, MB_OK | (o.done ? MB_ICONINFORMATION : MB_ICONWARNING));
}

void choose_set_font(HWND dialog, LOGFONTA *font) {
    LOGFONTA before = *font;
    choose_font(dialog, font, nullptr);
    fix_face_charset(font);
    if (memcmp(&before, font, sizeof before) != 0) note(dialog, kEventChange);
    repaint(dialog);
}

void choose_set_colour(HWND dialog, COLORREF *colour) {
    COLORREF before = *colour;
    choose_colour(dialog, colour, nullptr);
    if (before != *colour) note(dialog, kEventChange);
    repaint(dialog);
}

// Remove, up and down on the question list; a change of its rows counts as an edit.
void edit_question_list(HWND dialog, int id) {
    HWND list = GetDlgItem(dialog, IDC_SET_QUESTION_LIST);
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0), selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (id == IDC_SET_REMOVE) listbox_remove_selected(dialog, IDC_SET_QUESTION_LIST, true, kRemoveCaption);
    else if (id == IDC_SET_UP) listbox_move_up(dialog, IDC_SET_QUESTION_LIST);
    else listbox_move_down(dialog, IDC_SET_QUESTION_LIST);
    if (SendMessageA(list, LB_GETCOUNT, 0, 0) != count || SendMessageA(list, LB_GETCURSEL, 0, 0) != selected)
        note(dialog, kEventChange);
}

void open_set(HWND dialog) {
    char *path = set_current_path();
    if (!path || !may_leave_set(dialog)) return;
    char remembered[kPathSize];
    strcpy(remembered, path);
    path[0] = '\0';
    if (load_set(dialog, true)) {
        fill_set_editor(dialog);
        set_result(dialog, kEditorOpened);
        note(dialog, kEventOpened);
    } else if (remembered[0]) {
        strcpy(path, remembered);
    }
}

void close_editor(HWND dialog) {
    if (may_leave_set(dialog)) EndDialog(dialog, set_editor_result(dialog));
}

// A kiosk name goes into the visit log's file name: one that cannot is refused, and its box gets the focus.
bool kiosk_accepted(HWND dialog) {
    char name[kLineSize] = {0}, computer[kKioskNameSize], text[kLineSize + 512];
    GetDlgItemTextA(dialog, IDC_SET_KIOSK, name, sizeof name);
    if (!name[0] || kiosk_name_valid(name)) return true;
    default_kiosk_name(computer);
    snprintf(text, sizeof text, kKioskRefused, name, kKioskNameSize - 1, computer);
    show_message_box(dialog, text, kKioskCaption, MB_OK | MB_ICONWARNING);
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_SET_KIOSK)), TRUE);
    return false;
}

// Every kiosk runs a copy of its own, wherever it runs from: the 配布フォルダー is named whole.
bool dist_folder_accepted(HWND dialog) {
    char folder[kLineSize] = {0};
    GetDlgItemTextA(dialog, IDC_SET_DIST_FOLDER, folder, sizeof folder);
    if (!folder[0] || !PathIsRelativeA(folder)) return true;
    show_message_box(dialog,
                     "配布フォルダーはフルパスで指定してください（例: \\\\サーバー\\共有\\配布 や D:\\配布）。「参照」でも選べます。",
                     "配布フォルダー", MB_OK | MB_ICONWARNING);
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_SET_DIST_FOLDER)), TRUE);
    return false;
}

// The place and the font count in 96-DPI pixels, as the dialog's own units grow with the screen.
void draw_sample(HDC dc, const LOGFONTA *font, const RECT &area, int dpi) {
    LOGFONTA scaled = *font;
    logfont_to_dpi(&scaled, dpi);
    HFONT f = CreateFontIndirectA(&scaled);
    if (!f) i_show_last_error(kFontCreateFailed);
    HGDIOBJ old = f ? SelectObject(dc, f) : nullptr;
    if (f && (!old || old == HGDI_ERROR)) i_show_last_error(kFontSelectFailed);
    RECT r = rect_to_dpi(area, dpi);
    DrawTextA(dc, kSample, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (old && old != HGDI_ERROR) SelectObject(dc, old);
    if (f) DeleteObject(f);
}

// --- message handlers ---

BOOL on_init(HWND dialog) {
    set_result(dialog, kEditorUntouched);
    // Files chosen beside the set or below it are stored relative to it, to travel with it.
    set_edited_file_source([]() -> const char * { return set_current_path(); });
    prepare_boxes(dialog);
    fill_set_editor(dialog);
    GetWindowTextA(dialog, g_caption, sizeof g_caption);
    g_unsaved = false;
    show_title(dialog);
    return TRUE;
}

void on_paint(HWND dialog) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog, &ps);
    const SetRecord *r = set_current_record();
    COLORREF old_text = SetTextColor(dc, r->text_colour);
    COLORREF old_back = SetBkColor(dc, r->back_colour);
    int old_mode = SetBkMode(dc, OPAQUE);
    const int dpi = window_dpi(dialog);
    draw_sample(dc, &r->title_font, kTitleSample, dpi);
    draw_sample(dc, &r->question_font, kQuestionSample, dpi);
    SetBkMode(dc, old_mode);
    SetBkColor(dc, old_back);
    SetTextColor(dc, old_text);
    EndPaint(dialog, &ps);
}

BOOL on_draw_item(const DRAWITEMSTRUCT *item) {
    const SetRecord *r = set_current_record();
    COLORREF colour;
    if (item->CtlID == IDC_SET_TEXT_SWATCH) colour = r->text_colour;
    else if (item->CtlID == IDC_SET_BACK_SWATCH) colour = r->back_colour;
    else return FALSE;
    HBRUSH brush = CreateSolidBrush(colour);
    HGDIOBJ old = SelectObject(item->hDC, brush);
    const RECT &a = item->rcItem;
    Rectangle(item->hDC, a.left, a.top, a.right, a.bottom);
    SelectObject(item->hDC, old);
    DeleteObject(brush);
    return TRUE;
}

bool is_check_box(HWND control) {
    LONG_PTR type = GetWindowLongPtrA(control, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_AUTOCHECKBOX || type == BS_CHECKBOX;
}

BOOL on_command(HWND dialog, int id, int code, HWND control) {
    SetRecord *r = set_current_record();
    if (code == EN_CHANGE) {
        if (!g_filling) note(dialog, kEventChange);
        return TRUE;
    }
    if (code == BN_CLICKED && control && is_check_box(control)) note(dialog, kEventChange);
    for (const SoundBox &s : kSoundBoxes) {
        if (id != s.browse) continue;
        choose_file_into_box(dialog, s.box, ".wavファイルの選択", kWaveFilter);
        return TRUE;
    }
    switch (id) {
        case IDC_SET_MUSIC_BROWSE: choose_file_into_box(dialog, IDC_SET_MUSIC, "BGMファイルの選択", kMusicFilter); break;
        case IDC_SET_PICTURE_BROWSE:
            choose_file_into_box(dialog, IDC_SET_PICTURE, "画像ファイルの選択", kPictureFilter);
            break;
        case IDC_SET_WALLPAPER_BROWSE:
            choose_file_into_box(dialog, IDC_SET_WALLPAPER, "壁紙ファイルの選択", kPictureFilter);
            break;
        case IDC_SET_LOG_FOLDER_BROWSE: {
            char folder[kPathSize] = {0};
            if (choose_folder(dialog, "ログ（zelm.csv と visits-*.csv）を書くフォルダー", folder))
                SetDlgItemTextA(dialog, IDC_SET_LOG_FOLDER, folder);
            break;
        }
        case IDC_SET_DIST_FOLDER_BROWSE: {
            char folder[kPathSize] = {0};
            if (choose_folder(dialog, "配布フォルダー（どのキオスクからも届く共有フォルダー）。キオスクはここのセットを使います", folder))
                SetDlgItemTextA(dialog, IDC_SET_DIST_FOLDER, folder);
            break;
        }
        case IDC_SET_ADD: add_question(dialog); break;
        case IDC_SET_REMOVE:
        case IDC_SET_UP:
        case IDC_SET_DOWN: edit_question_list(dialog, id); break;
        case IDC_SET_TITLE_FONT: choose_set_font(dialog, &r->title_font); break;
        case IDC_SET_QUESTION_FONT: choose_set_font(dialog, &r->question_font); break;
        case IDC_SET_TEXT_COLOUR: choose_set_colour(dialog, &r->text_colour); break;
        case IDC_SET_BACK_COLOUR: choose_set_colour(dialog, &r->back_colour); break;
        case IDC_SET_OPEN: open_set(dialog); break;
        case IDC_SET_STAFF:
            if (edit_settings_page(dialog, kStaffPage) == IDOK) note(dialog, kEventChange);
            break;
        case IDC_SET_CARD:
            if (edit_settings_page(dialog, kCardPage) == IDOK) note(dialog, kEventChange);
            break;
        case IDC_SET_ACCESS:
            if (edit_settings_page(dialog, kAccessPage) == IDOK) note(dialog, kEventChange);
            break;
        case IDC_SET_SAVE: save_from_dialog(dialog); break;
        case IDC_SET_BUNDLE: bundle_set(dialog); break;
        case IDC_SET_CLOSE:
            if (!kiosk_accepted(dialog) || !dist_folder_accepted(dialog)) break;
            read_set_editor(dialog);
            close_editor(dialog);
            break;
        case IDCANCEL: break;  // Esc: nothing, as closing would drop everything typed
        default: return FALSE;
    }
    return TRUE;
}

}  // namespace

static void fill_boxes(HWND dialog);

void fill_set_editor(HWND dialog) {
    g_filling = true;
    fill_boxes(dialog);
    g_filling = false;
}

static void fill_boxes(HWND dialog) {
    const SetRecord *r = set_current_record();
    put_text(dialog, IDC_SET_TITLE, r->title);
    SendDlgItemMessageA(dialog, IDC_SET_QUESTION_LIST, LB_RESETCONTENT, 0, 0);
    for (const char *q : r->questions)
        if (q[0]) SendDlgItemMessageA(dialog, IDC_SET_QUESTION_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(q));
    put_text(dialog, IDC_SET_MUSIC, r->music);
    CheckDlgButton(dialog, IDC_SET_FULL_SCREEN, r->full_screen ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_SET_DAILY_LOG, r->daily_log ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_SET_SAVER_OFF, r->saver_off ? BST_CHECKED : BST_UNCHECKED);
    if (r->picture[0]) {
        SetDlgItemTextA(dialog, IDC_SET_PICTURE, r->picture);
        // Signed, so that a picture placed left of or above the origin keeps its place.
        SetDlgItemInt(dialog, IDC_SET_PICTURE_X, static_cast<UINT>(r->picture_x), TRUE);
        SetDlgItemInt(dialog, IDC_SET_PICTURE_Y, static_cast<UINT>(r->picture_y), TRUE);
    }
    put_text(dialog, IDC_SET_WALLPAPER, r->wallpaper);
    for (int k = 0; k < kSoundSlots; ++k) {
        char buffer[kLineSize] = {0};
        char *p = buffer;
        sound_store(kSoundGetSet + k, 0, &p);
        SetDlgItemTextA(dialog, kSoundBoxes[k].box, buffer);
    }
    if (r->idle_minutes) SetDlgItemInt(dialog, IDC_SET_IDLE_MINUTES, static_cast<UINT>(r->idle_minutes), FALSE);
    CheckDlgButton(dialog, IDC_SET_VISIT_LOG, r->visit_log_off ? BST_UNCHECKED : BST_CHECKED);
    SetDlgItemTextA(dialog, IDC_SET_KIOSK, r->kiosk);
    SetDlgItemTextA(dialog, IDC_SET_LOG_FOLDER, r->log_folder);
    SetDlgItemTextA(dialog, IDC_SET_DIST_FOLDER, r->dist_folder);
    repaint(dialog);
}

void read_set_editor(HWND dialog) {
    SetRecord *r = set_current_record();
    get_text(dialog, IDC_SET_TITLE, r->title, sizeof r->title);
    get_text(dialog, IDC_SET_MUSIC, r->music, sizeof r->music);
    HWND list = GetDlgItem(dialog, IDC_SET_QUESTION_LIST);
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < kSetQuestionFiles; ++i) {
        char *q = r->questions[i];
        q[0] = '\0';
        LRESULT len = i < count ? SendMessageA(list, LB_GETTEXTLEN, i, 0) : LB_ERR;
        if (len == LB_ERR) continue;
        char *text = static_cast<char *>(I_HEAP_CALLOC(static_cast<size_t>(len) + 1, 1));
        if (!text) continue;
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        append_prefix(q, sizeof r->questions[0], text, strlen(text));
        I_HEAP_FREE(text);
    }
    r->full_screen = IsDlgButtonChecked(dialog, IDC_SET_FULL_SCREEN) == BST_CHECKED;
    r->daily_log = IsDlgButtonChecked(dialog, IDC_SET_DAILY_LOG) == BST_CHECKED;
    r->saver_off = IsDlgButtonChecked(dialog, IDC_SET_SAVER_OFF) == BST_CHECKED;
    get_text(dialog, IDC_SET_PICTURE, r->picture, sizeof r->picture);
    if (r->picture[0]) {
        r->picture_x = static_cast<int32_t>(GetDlgItemInt(dialog, IDC_SET_PICTURE_X, nullptr, TRUE));
        r->picture_y = static_cast<int32_t>(GetDlgItemInt(dialog, IDC_SET_PICTURE_Y, nullptr, TRUE));
        r->picture_zoom = static_cast<int32_t>(GetDlgItemInt(dialog, IDC_SET_PICTURE_ZOOM, nullptr, TRUE));
    }
    get_text(dialog, IDC_SET_WALLPAPER, r->wallpaper, sizeof r->wallpaper);
    for (int k = 0; k < kSoundSlots; ++k) {
        char buffer[kPathSize] = {0};
        get_text(dialog, kSoundBoxes[k].box, buffer, sizeof buffer);
        char *p = buffer;
        sound_store(kSoundPutSet + k, 0, &p);
    }
    BOOL number = FALSE;
    UINT minutes = GetDlgItemInt(dialog, IDC_SET_IDLE_MINUTES, &number, FALSE);
    r->idle_minutes = number ? static_cast<int32_t>(minutes) : 0;
    r->visit_log_off = IsDlgButtonChecked(dialog, IDC_SET_VISIT_LOG) != BST_CHECKED;
    get_text(dialog, IDC_SET_KIOSK, r->kiosk, sizeof r->kiosk);
    get_text(dialog, IDC_SET_LOG_FOLDER, r->log_folder, sizeof r->log_folder);
    get_text(dialog, IDC_SET_DIST_FOLDER, r->dist_folder, sizeof r->dist_folder);
}

int set_editor_result(HWND dialog) { return static_cast<int>(GetWindowLongPtrA(dialog, DWLP_USER)); }

HWND create_set_editor(HWND owner) {
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SET_EDITOR), owner, set_editor_proc, 0);
}

INT_PTR CALLBACK set_editor_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG: return on_init(dialog);
        case WM_PAINT: on_paint(dialog); return TRUE;
        case WM_DRAWITEM: return on_draw_item(reinterpret_cast<const DRAWITEMSTRUCT *>(lparam));
        case WM_COMMAND: return on_command(dialog, LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
        case WM_CLOSE: close_editor(dialog); return TRUE;
        case WM_DESTROY: set_edited_file_source(nullptr); return FALSE;
        default: return FALSE;
    }
}
