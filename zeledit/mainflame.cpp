// The editor's main dialog: the two record lists, commands, list-view notifications, font samples.
#include "reading.h"
#include "mainflame.h"
#include "BrixLib.h"
#include "DirList.h"
#include "dpi.h"
#include "ListView.h"
#include "LoadQues.h"
#include "font_slot.h"
#include "imemory.h"
#include "message_box.h"
#include "QuestionFile.h"
#include "question_codec.h"
#include "question_records.h"
#include "report_dialog.h"
#include "result_ranges.h"
#include "resource.h"
#include "zelmica_version.h"
#include "shell_seam.h"
#include <commctrl.h>
#include <shellapi.h>
#include <stdio.h>
#include <string.h>

namespace {

EditorState g_state = {{nullptr, nullptr}, {nullptr, nullptr}, nullptr, kModeAdd, nullptr, nullptr, nullptr, nullptr, false};
HINSTANCE g_instance = nullptr;
char g_start_file[kPathSize] = {0};

const char kPictureTitle[] = "画像ファイルの選択";
const char kSoundTitle[] = ".wavファイルの選択";
const char kSoundFilter[] = "WAVEファイル(*.wav)\0*.wav\0すべてのファイル(*.*)\0*.*\0";
const char kFontCreateFailed[] = "フォントの作成に失敗しました";
const char kFontSelectFailed[] = "SelectObject(フォントの選択)に失敗しました";
const char kVersionCaption[] = "Version Infomation";
const char kVersionText[] = "診断Zelmica エディタ ver." ZEL_VERSION_TEXT "\r(C) Zelmica project";
const char kHelpDocument[] = "zeledit.htm";

const char *const kQuestionHeaders[] = {"設問", "答１", "点", "答２", "点", "答３", "点",
                                        "答４", "点",   "答５", "点", "画像", "横", "縦"};
const int kQuestionWidths[] = {200, 50, 30, 50, 30, 50, 30, 50, 30, 50, 30, 120, 30, 30};
const int kQuestionLimits[] = {256, 128, 8, 128, 8, 128, 8, 128, 8, 128, 8, 260, 8, 8};
const char *const kResultHeaders[] = {"結果", "コメント", "画像", "横", "縦", "得点の範囲"};
const int kResultWidths[] = {200, 400, 120, 30, 30, 110};
const int kResultLimits[] = {128, 512, 260, 8, 8, 64};
enum { kQuestionColumns = 14, kResultColumns = 6, kQuestionHeaderBuffer = 256, kResultHeaderBuffer = 128 };

// Edit boxes of the main dialog, whether Japanese input opens when they get the focus, and the
// most bytes the player takes of them (typing stops there instead of the player cutting).
struct ImeBox {
    int id;
    bool open;
    int limit;
};
const ImeBox kImeBoxes[] = {
    {IDC_MAIN_TITLE, true, kQuesTitleSize - 1},   {IDC_MAIN_HEADER, true, kQuesHeaderSize - 1},
    {IDC_MAIN_FOOTER, true, kQuesFooterSize - 1},
    {IDC_MAIN_WALLPAPER, false, kStoredPathMax}, {IDC_MAIN_SND_START, false, kStoredPathMax},
    {IDC_MAIN_SND_JUDGE, false, kStoredPathMax}, {IDC_MAIN_SND_BACK, false, kStoredPathMax},
    {IDC_MAIN_SND_HIGH, false, kStoredPathMax},  {IDC_MAIN_SND_MIDDLE, false, kStoredPathMax},
    {IDC_MAIN_SND_LOW, false, kStoredPathMax},
};

struct BrowseButton {
    int button, box;
};
const BrowseButton kSoundButtons[] = {
    {IDC_MAIN_SND_START_BROWSE, IDC_MAIN_SND_START}, {IDC_MAIN_SND_JUDGE_BROWSE, IDC_MAIN_SND_JUDGE},
    {IDC_MAIN_SND_BACK_BROWSE, IDC_MAIN_SND_BACK},   {IDC_MAIN_SND_HIGH_BROWSE, IDC_MAIN_SND_HIGH},
    {IDC_MAIN_SND_MIDDLE_BROWSE, IDC_MAIN_SND_MIDDLE}, {IDC_MAIN_SND_LOW_BROWSE, IDC_MAIN_SND_LOW},
};

struct FontSample {
    int button;
    RECT rect;  // pixels of the client area
};
// By FontRole: the question file's four fonts.
const FontSample kSamples[kFontRoleCount] = {
    {IDC_MAIN_FONT_QUESTION, {500, 65, 600, 145}},
    {IDC_MAIN_FONT_ANSWER, {500, 150, 600, 190}},
    {IDC_MAIN_FONT_COMMENT, {410, 350, 450, 420}},
    {IDC_MAIN_FONT_HEADER, {500, 185, 600, 225}},
};

HFONT role_font(int role, int operation, LOGFONTA *font) { return font_role_call(role, operation, 0, font); }

HWND question_view(HWND dialog) { return GetDlgItem(dialog, IDC_MAIN_QUESTIONS); }
HWND result_view(HWND dialog) { return GetDlgItem(dialog, IDC_MAIN_RESULTS); }

void run_record_dialog(HWND dialog, int resource, DLGPROC proc, int mode) {
    g_state.mode = mode;
    ListChange change(dialog);
    DialogBoxParamA(editor_instance(), MAKEINTRESOURCEA(resource), dialog, proc, 0);
}

// A modify needs a row to change: without a selection the dialog is not opened at all.
void run_question_dialog(HWND dialog, int mode) {
    if (mode == kModeModify && lv_first_selected(question_view(dialog)) < 0) return;
    run_record_dialog(dialog, IDD_QUESTION, question_dialog_proc, mode);
}

void run_result_dialog(HWND dialog, int mode) {
    if (mode == kModeModify && lv_first_selected(result_view(dialog)) < 0) return;
    run_record_dialog(dialog, IDD_RESULT, result_dialog_proc, mode);
}

// ---- row texts ----

void number_text(LVITEMA *item, int32_t value) {
    if (item->pszText && item->cchTextMax > 0) snprintf(item->pszText, item->cchTextMax, "%d", value);
}

void question_cell(LVITEMA *item) {
    QuestionRecord *q = reinterpret_cast<QuestionRecord *>(item->lParam);
    int column = item->iSubItem;
    if (column == 0) {
        item->pszText = q->text;
    } else if (column <= 2 * kAnswerCount) {
        int answer = (column - 1) / 2;
        if (column % 2) item->pszText = q->answers[answer];
        else if (q->answers[answer][0]) number_text(item, q->points[answer]);
    } else if (column == 11) {
        item->pszText = q->picture;
    } else if (q->picture[0]) {
        number_text(item, column == 12 ? q->pictureX : q->pictureY);
    }
}

void result_cell(HWND dialog, LVITEMA *item) {
    ResultRecord *r = reinterpret_cast<ResultRecord *>(item->lParam);
    switch (item->iSubItem) {
        case 5:
            if (item->pszText && item->cchTextMax > 0) result_range_text(dialog, r, item->pszText, item->cchTextMax);
            break;
        case 0: item->pszText = r->title; break;
        case 1: item->pszText = r->comment; break;
        case 2: item->pszText = r->picture; break;
        default:
            if (r->picture[0] && item->iSubItem <= 4) number_text(item, item->iSubItem == 3 ? r->pictureX : r->pictureY);
            break;
    }
}

void on_get_display_info(NMLVDISPINFOA *info, bool questions) {
    LVITEMA *item = &info->item;
    if (!(item->mask & LVIF_TEXT) || !item->lParam) return;
    // Cells with nothing to show stay empty rather than keeping what the buffer held.
    if (item->pszText && item->cchTextMax > 0) item->pszText[0] = '\0';
    if (questions) question_cell(item);
    else result_cell(GetParent(info->hdr.hwndFrom), item);
}

// The list views ask in UTF-16, so that a line break shows as one sign (lv_display_text).
void on_get_display_info_w(NMLVDISPINFOW *info, bool questions) {
    LVITEMW *item = &info->item;
    if (!(item->mask & LVIF_TEXT) || !item->lParam || !item->pszText || item->cchTextMax <= 0) return;
    char number[64] = "";  // the longest: a range of two int32 totals with its note
    NMLVDISPINFOA ansi = {};
    ansi.hdr = info->hdr;
    ansi.item.mask = item->mask;
    ansi.item.iItem = item->iItem;
    ansi.item.iSubItem = item->iSubItem;
    ansi.item.lParam = item->lParam;
    ansi.item.pszText = number;
    ansi.item.cchTextMax = sizeof number;
    on_get_display_info(&ansi, questions);
    lv_display_text(ansi.item.pszText, lv_line_break_sign(info->hdr.hwndFrom), item->pszText, item->cchTextMax);
}

// ---- notifications ----

// A label edit refused for its stored length starts again with the typed text.
char g_label_retry[kLineSize] = {0};

void on_begin_label_edit(NMLVDISPINFOA *info, bool questions) {
    HWND edit = reinterpret_cast<HWND>(SendMessageA(info->hdr.hwndFrom, LVM_GETEDITCONTROL, 0, 0));
    if (!edit) return;
    SendMessageA(edit, EM_LIMITTEXT, questions ? kQuestionTextSize - 1 : sizeof(ResultRecord::title) - 1, 0);
    if (g_label_retry[0]) {
        SetWindowTextA(edit, g_label_retry);
        SendMessageA(edit, EM_SETSEL, 0, -1);
        g_label_retry[0] = '\0';
        return;
    }
    // The row shows the base text only: the label is edited with its readings, so none is lost.
    ListNode *list = questions ? &g_state.questions : &g_state.results;
    if (info->item.iItem < 0 || info->item.iItem >= liner_count(list)) return;
    const void *record = liner_get(list, info->item.iItem);
    const char *stored = questions ? static_cast<const QuestionRecord *>(record)->text
                                   : static_cast<const ResultRecord *>(record)->title;
    if (plain_text(stored) == stored) return;
    wchar_t wide[kLineSize];
    lv_display_text(stored, lv_line_break_sign(info->hdr.hwndFrom), wide, kLineSize, true);
    SetWindowTextW(edit, wide);
    SendMessageW(edit, EM_SETSEL, 0, -1);
}

void on_end_label_edit(HWND dialog, NMLVDISPINFOA *info, bool questions) {
    const char *text = info->item.pszText;
    if (!text) return;  // cancelled
    HWND view = info->hdr.hwndFrom;
    ListNode *list = questions ? &g_state.questions : &g_state.results;
    int row = info->item.iItem;
    if (row < 0 || row >= liner_count(list)) return;
    size_t max = questions ? kStoredQuestionMax : kStoredTitleMax;
    if (!stored_text_fits(text, kEscapeFull, max)) {
        report_stored_field(dialog, questions ? "設問" : "結果", kEscapeFull, max);
        g_label_retry[0] = '\0';
        append_prefix(g_label_retry, sizeof g_label_retry, text, strlen(text));
        SetFocus(view);
        PostMessageA(view, LVM_EDITLABELA, static_cast<WPARAM>(row), 0);
        return;
    }
    ListChange change(dialog);
    void *record = liner_get(list, row);
    char *field = questions ? static_cast<QuestionRecord *>(record)->text : static_cast<ResultRecord *>(record)->title;
    size_t size = questions ? sizeof(QuestionRecord::text) : sizeof(ResultRecord::title);
    field[0] = '\0';
    append_prefix(field, size, text, strlen(text));
    lv_set_item(view, row, record);
}

void on_end_label_edit_w(HWND dialog, NMLVDISPINFOW *info, bool questions) {
    char text[kLineSize];
    NMLVDISPINFOA ansi = {};
    ansi.hdr = info->hdr;
    ansi.item.iItem = info->item.iItem;
    if (info->item.pszText) {
        lv_stored_text(info->item.pszText, text, sizeof text);
        ansi.item.pszText = text;
    }
    on_end_label_edit(dialog, &ansi, questions);
}

void on_right_click(HWND dialog, bool questions) {
    POINT at;
    GetCursorPos(&at);
    TrackPopupMenu(questions ? g_state.question_popup : g_state.result_popup, TPM_LEFTALIGN | TPM_VCENTERALIGN,
                   at.x, at.y, 0, dialog, nullptr);
}

void on_double_click(HWND dialog, NMITEMACTIVATE *activate, bool questions) {
    int mode = activate->iItem < 0 ? kModeAdd : kModeModify;
    if (questions) run_question_dialog(dialog, mode);
    else run_result_dialog(dialog, mode);
}

INT_PTR on_notify(HWND dialog, NMHDR *header) {
    if (header->idFrom != IDC_MAIN_QUESTIONS && header->idFrom != IDC_MAIN_RESULTS) return 0;
    bool questions = header->idFrom == IDC_MAIN_QUESTIONS;
    switch (header->code) {
        case LVN_GETDISPINFOA: on_get_display_info(reinterpret_cast<NMLVDISPINFOA *>(header), questions); break;
        case LVN_BEGINLABELEDITA: on_begin_label_edit(reinterpret_cast<NMLVDISPINFOA *>(header), questions); break;
        case LVN_ENDLABELEDITA: on_end_label_edit(dialog, reinterpret_cast<NMLVDISPINFOA *>(header), questions); break;
        case LVN_GETDISPINFOW: on_get_display_info_w(reinterpret_cast<NMLVDISPINFOW *>(header), questions); break;
        case LVN_BEGINLABELEDITW: on_begin_label_edit(reinterpret_cast<NMLVDISPINFOA *>(header), questions); break;
        case LVN_ENDLABELEDITW: on_end_label_edit_w(dialog, reinterpret_cast<NMLVDISPINFOW *>(header), questions); break;
        case NM_RCLICK: on_right_click(dialog, questions); break;
        case NM_DBLCLK: on_double_click(dialog, reinterpret_cast<NMITEMACTIVATE *>(header), questions); break;
        case LVN_KEYDOWN:
            // Del on a list deletes its selected rows, as 削除 does.
            if (reinterpret_cast<NMLVKEYDOWN *>(header)->wVKey == VK_DELETE)
                PostMessageA(dialog, WM_COMMAND, questions ? ID_QUESTION_DELETE : ID_RESULT_DELETE, 0);
            break;
        default: break;
    }
    return 0;
}

// ---- commands ----

void move_row(HWND view, ListNode *list, size_t size, bool up) {
    int row = lv_first_selected(view);
    if (row < 0) return;
    ListChange change(GetParent(view));
    if (up) lv_list_move_up(view, list, row, size);
    else lv_list_move_down(view, list, row, size);
}

void choose_role_font(HWND dialog, int role) {
    LOGFONTA font;
    memset(&font, 0, sizeof font);
    role_font(role, kFontGetEffective, &font);
    std::string before = keep_font_before(role);
    choose_font(dialog, &font, nullptr);
    fix_face_charset(&font);
    role_font(role, kFontPutFile, &font);
    keep_font_changed(dialog, role, before);
    InvalidateRect(dialog, nullptr, TRUE);
    UpdateWindow(dialog);
}

bool on_browse(HWND dialog, int id) {
    if (id == IDC_MAIN_WALLPAPER_BROWSE) {
        choose_file_into_box(dialog, IDC_MAIN_WALLPAPER, kPictureTitle, kPictureFilter);
        return true;
    }
    for (const BrowseButton &b : kSoundButtons) {
        if (b.button != id) continue;
        choose_file_into_box(dialog, b.box, kSoundTitle, kSoundFilter);
        return true;
    }
    return false;
}

bool on_font_button(HWND dialog, int id) {
    for (int role = 0; role < kFontRoleCount; ++role) {
        if (kSamples[role].button != id) continue;
        choose_role_font(dialog, role);
        return true;
    }
    return false;
}

// The result check over the dialog as it is now, saved or not: its text and CSV.
void fill_result_check(HWND dialog, ReportContent *content, ReportDocument *document) {
    EditorFileView view;
    editor_file_view(dialog, &g_state.questions, &g_state.results, &view);
    // Thousands of questions take a moment to count.
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    ResultReport report = make_result_report(&view.file, view.results.size() - 1);
    SetCursor(old);
    const RangeCheck ranges = check_ranges(&view.file, report);
    std::string text = ranges.refused + ranges.uncovered;
    if (!text.empty()) text += "\r\n";
    content->text = text + result_report_text(report);
    content->csv = result_report_csv(report);
    char title[kQuesTitleSize] = {0};
    GetDlgItemTextA(dialog, IDC_MAIN_TITLE, title, sizeof title);
    *document = result_report_document(report, title);
}

// 「均等に分ける」 of the check's own dialog: once ranges are put on the rows the check opens again,
// so its text, chart and saved files never show the old prediction.
void result_check_command(HWND dialog, int id, ReportContent *content) {
    HWND owner = GetWindow(dialog, GW_OWNER);
    if (id == IDC_CHECK_FROM_LOGS) return (void)predict_from_logs(dialog, owner, content);
    if (id != IDC_CHECK_EVEN_SPLIT || !run_even_split(owner)) return;
    EndDialog(dialog, IDOK);
    PostMessageA(owner, WM_COMMAND, MAKEWPARAM(IDC_MAIN_RESULT_CHECK, BN_CLICKED), 0);
}

void show_result_check(HWND dialog) {
    ReportContent content = {"", "", "結果の確認.csv", result_check_command};
    ReportCharts charts = {ReportDocument(), "結果の確認.html"};
    fill_result_check(dialog, &content, &charts.document);
    run_report_dialog(dialog, editor_instance(), IDD_RESULT_CHECK, &content, &charts);
}

void delete_rows(HWND dialog, bool questions) {
    ListChange change(dialog);
    lv_list_remove_selected(questions ? question_view(dialog) : result_view(dialog),
                            questions ? &g_state.questions : &g_state.results);
}

INT_PTR on_command(HWND dialog, int id, int code) {
    if (keep_command(dialog, id, code)) return 0;
    // Buttons and menus only; edit boxes report changes with other codes.
    if (code != BN_CLICKED && code != 1) return 0;
    if (preview_command(dialog, id)) return 0;
    if (scoring_command(dialog, id)) return 0;
    switch (id) {
        case ID_QUESTION_ADD: run_question_dialog(dialog, kModeAdd); break;
        case ID_QUESTION_MODIFY: run_question_dialog(dialog, kModeModify); break;
        case ID_QUESTION_DELETE: delete_rows(dialog, true); break;
        case ID_RESULT_ADD: run_result_dialog(dialog, kModeAdd); break;
        case ID_RESULT_MODIFY: run_result_dialog(dialog, kModeModify); break;
        case ID_RESULT_DELETE: delete_rows(dialog, false); break;
        case IDC_MAIN_QUESTION_ADD: PostMessageA(dialog, WM_COMMAND, ID_QUESTION_ADD, 0); break;
        case IDC_MAIN_QUESTION_MODIFY: PostMessageA(dialog, WM_COMMAND, ID_QUESTION_MODIFY, 0); break;
        case IDC_MAIN_QUESTION_DELETE: PostMessageA(dialog, WM_COMMAND, ID_QUESTION_DELETE, 0); break;
        case IDC_MAIN_RESULT_ADD: PostMessageA(dialog, WM_COMMAND, ID_RESULT_ADD, 0); break;
        case IDC_MAIN_RESULT_MODIFY: PostMessageA(dialog, WM_COMMAND, ID_RESULT_MODIFY, 0); break;
        case IDC_MAIN_RESULT_DELETE: PostMessageA(dialog, WM_COMMAND, ID_RESULT_DELETE, 0); break;
        case IDC_MAIN_QUESTION_UP:
        case IDC_MAIN_QUESTION_DOWN:
            move_row(question_view(dialog), &g_state.questions, sizeof(QuestionRecord), id == IDC_MAIN_QUESTION_UP);
            break;
        case IDC_MAIN_RESULT_UP:
        case IDC_MAIN_RESULT_DOWN:
            move_row(result_view(dialog), &g_state.results, sizeof(ResultRecord), id == IDC_MAIN_RESULT_UP);
            break;
        case IDC_MAIN_HELP: open_program_document(dialog, kHelpDocument); break;
        case IDC_MAIN_VERSION:
            show_message_box(dialog, kVersionText, kVersionCaption, MB_OK | MB_ICONINFORMATION);
            break;
        case IDC_MAIN_QUIT: PostMessageA(dialog, WM_CLOSE, 0, 0); break;
        case IDC_MAIN_RESULT_CHECK: show_result_check(dialog); break;
        case IDC_MAIN_EVEN_SPLIT: run_even_split(dialog); break;
        default:
            if (!on_font_button(dialog, id)) on_browse(dialog, id);
            break;
    }
    return 0;
}

// ---- life ----

// Path buffer for an empty start; a failed allocation was reported and leaves open and save
// a stand-in so they never write through null.
char g_fallback_path[kPathSize];

INT_PTR on_init_dialog(HWND dialog) {
    HINSTANCE instance = editor_instance();
    // Pictures and sounds chosen beside the question file or below it are stored relative to it.
    set_edited_file_source([]() -> const char * { return g_state.path; });
    SetClassLongPtrA(dialog, GCLP_HICON,
                     reinterpret_cast<LONG_PTR>(LoadIconA(instance, MAKEINTRESOURCEA(IDI_ZELEDIT_SMALL))));
    g_state.question_menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDM_QUESTION_POPUP));
    g_state.result_menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDM_RESULT_POPUP));
    g_state.question_popup = GetSubMenu(g_state.question_menu, 0);
    g_state.result_popup = GetSubMenu(g_state.result_menu, 0);
    lv_add_columns(question_view(dialog), kQuestionColumns, kQuestionHeaderBuffer, kQuestionWidths,
                   kQuestionLimits, kQuestionHeaders);
    lv_add_columns(result_view(dialog), kResultColumns, kResultHeaderBuffer, kResultWidths, kResultLimits,
                   kResultHeaders);
    // The range is read beside the title; it stays the last column for whoever reads the cells.
    int result_order[kResultColumns] = {0, 5, 1, 2, 3, 4};
    SendMessageA(result_view(dialog), LVM_SETCOLUMNORDERARRAY, kResultColumns, reinterpret_cast<LPARAM>(result_order));
    liner_init(&g_state.questions);
    liner_init(&g_state.results);
    g_state.path = static_cast<char *>(I_HEAP_CALLOC(kPathSize, 1));
    if (!g_state.path) {
        memset(g_fallback_path, 0, sizeof g_fallback_path);
        g_state.path = g_fallback_path;
    }
    for (const ImeBox &b : kImeBoxes) {
        register_ime_control(GetDlgItem(dialog, b.id), b.open);
        SendDlgItemMessageA(dialog, b.id, EM_LIMITTEXT, static_cast<WPARAM>(b.limit), 0);
    }
    bind_editor_controls();
    set_editor_scoring({false, 0});  // a new dialog edits a new file
    layout_start(dialog);
    preview_menu_init(dialog);
    keep_start(dialog);
    if (editor_program_mode()) restore_placement(dialog);
    if (g_start_file[0]) open_after_question(dialog, g_start_file);
    return 1;
}

void on_paint(HWND dialog) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog, &ps);
    RECT client;
    GetClientRect(dialog, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(dc, TRANSPARENT);
    // The sample places and fonts count in 96-DPI pixels, as the dialog's own units grow with it.
    const int dpi = window_dpi(dialog);
    for (int role = 0; role < kFontRoleCount; ++role) {
        LOGFONTA lf;
        memset(&lf, 0, sizeof lf);
        role_font(role, kFontGetEffective, &lf);
        logfont_to_dpi(&lf, dpi);
        HFONT font = CreateFontIndirectA(&lf);
        if (!font) {
            i_show_last_error(kFontCreateFailed);
            continue;
        }
        HGDIOBJ old = SelectObject(dc, font);
        if (!old) i_show_last_error(kFontSelectFailed);
        RECT r = rect_to_dpi(kSamples[role].rect, dpi);
        POINT moved = layout_sample_offset(role);
        OffsetRect(&r, moved.x, moved.y);
        DrawTextA(dc, "あ", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        if (old) SelectObject(dc, old);
        DeleteObject(font);
    }
    EndPaint(dialog, &ps);
}

void on_destroy(HWND dialog) {
    set_edited_file_source(nullptr);
    keep_stop(dialog);
    KillTimer(dialog, kPreviewTimer);
    end_preview();
    if (g_state.path != g_fallback_path) I_HEAP_FREE(g_state.path);
    g_state.path = nullptr;
    if (g_state.question_menu) DestroyMenu(g_state.question_menu);
    if (g_state.result_menu) DestroyMenu(g_state.result_menu);
    g_state.question_menu = g_state.result_menu = g_state.question_popup = g_state.result_popup = nullptr;
    liner_clear(&g_state.questions);
    liner_clear(&g_state.results);
}

// Windows asks before it ends the session: the answer goes back through the dialog's result.
INT_PTR on_query_end_session(HWND dialog) {
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, query_end_session(dialog) ? TRUE : FALSE);
    return TRUE;
}

void on_timer(HWND dialog, WPARAM timer) {
    if (timer == kRecoveryTimer) on_recovery_timer(dialog);
    else if (timer == kPreviewTimer) on_preview_timer(dialog);
}

}  // namespace

EditorState *editor_state() { return &g_state; }

void set_editor_instance(HINSTANCE instance) { g_instance = instance; }
HINSTANCE editor_instance() { return g_instance ? g_instance : GetModuleHandleA(nullptr); }

void set_editor_start_file(const char *path) {
    g_start_file[0] = '\0';
    if (path) append_prefix(g_start_file, sizeof g_start_file, path, strlen(path));
}

int command_line_file(const char *command_line, char *out) {
    out[0] = '\0';
    if (!command_line) return 0;
    const char *begin = command_line;
    while (*begin == ' ' || *begin == '\t') ++begin;
    const char *end = begin + strlen(begin);
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r' || end[-1] == '\n')) --end;
    if (end - begin >= 2 && *begin == '"' && end[-1] == '"') {
        ++begin;
        --end;
    }
    size_t n = static_cast<size_t>(end - begin);
    if (n == 0 || n >= kPathSize) return 0;
    memcpy(out, begin, n);
    out[n] = '\0';
    return 1;
}

void read_box_text(HWND dialog, int box, char *out, size_t size) {
    out[0] = '\0';
    HWND control = GetDlgItem(dialog, box);
    int length = GetWindowTextLengthA(control);
    if (length <= 0) return;
    char *text = static_cast<char *>(I_HEAP_CALLOC(static_cast<size_t>(length) + 1, 1));
    if (!text) return;
    GetWindowTextA(control, text, length + 1);
    append_prefix(out, size, text, strlen(text));
    I_HEAP_FREE(text);
}

int run_editor(HINSTANCE instance, const char *command_line) {
    set_editor_instance(instance);
    char file[kPathSize], full[kPathSize];
    // A name relative to the start folder: file dialogs move the current folder before 上書き保存.
    bool named = command_line_file(command_line, file);
    DWORD length = named ? GetFullPathNameA(file, sizeof full, full, nullptr) : 0;
    set_editor_start_file(!named ? nullptr : length > 0 && length < sizeof full ? full : file);
    // The list views of the dialog template need their class before the dialog is made.
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    set_editor_program_mode(true);
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, main_dialog_proc, 0);
    return 0;
}

INT_PTR CALLBACK main_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG: return on_init_dialog(dialog);
        case WM_COMMAND: return on_command(dialog, LOWORD(wparam), HIWORD(wparam));
        case WM_NOTIFY: return on_notify(dialog, reinterpret_cast<NMHDR *>(lparam));
        case WM_PAINT: on_paint(dialog); return 0;
        case WM_CLOSE: close_editor(dialog); return 0;
        case WM_DESTROY: on_destroy(dialog); return 0;
        case WM_QUERYENDSESSION: return on_query_end_session(dialog);
        case WM_DROPFILES: on_drop_files(dialog, reinterpret_cast<HDROP>(wparam)); return 0;
        case WM_TIMER: on_timer(dialog, wparam); return 0;
        case kMsgOfferRecovery: offer_recovery(dialog); return 0;
        case WM_SIZE: layout_size(dialog); return 0;
        case WM_GETMINMAXINFO: layout_min_size(reinterpret_cast<MINMAXINFO *>(lparam)); return 0;
        default: return FALSE;
    }
}
