// What keeps an operator's work in the main dialog: the unsaved mark in the title, the question
// before a file is left, save in place, undo, recent files, dropped files and the recovery copy.
#include "mainflame.h"
#include "BrixLib.h"
#include "DirList.h"
#include "ListView.h"
#include "LoadQues.h"
#include "edit_session.h"
#include "file_bundle.h"
#include "font_slot.h"
#include "link_renumber.h"
#include "message_box.h"
#include "question_codec.h"
#include "question_records.h"
#include "resource.h"
#include "screen_check.h"
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

char g_caption[128] = {0};  // the dialog's own caption, after the file's name in the title
bool g_program = false;
UndoHistory g_history;
bool g_applying = false;  // texts put by open, new or undo are not the operator's edits
std::string g_box_text[kSettingCount];
std::vector<std::string> g_recent;
HHOOK g_key_hook = nullptr;
HWND g_key_dialog = nullptr;
HACCEL g_keys = nullptr;
// Only the first editor running keeps a recovery copy: a second one must not offer or remove
// the copy of a file the first is still editing.
HANDLE g_recovery_lock = nullptr;
bool g_keeps_recovery = false;

const char kRecoveryName[] = "zeledit-recovery.qst";
const char kRecoveryOf[] = "RecoveryOf";  // the file the recovery copy was made for

// What an undo step changes: a record list, a box's text, a check box ("0" or "1"), or a font of
// the file (its LOGFONT's bytes, or nothing when the file names none).
enum {
    kTargetQuestions = 0,
    kTargetResults = 1,
    kTargetText0 = 2,
    kTargetOption0 = kTargetText0 + kSettingCount,
    kTargetFont0 = kTargetOption0 + kOptionCount,
    kTargetScoring = kTargetFont0 + kFontRoleCount,  // "typed,tie question"
};
const int kOptionBoxes[kOptionCount] = {IDC_MAIN_TOP_ROW, IDC_MAIN_BOTTOM_ROW, IDC_MAIN_ROUND_UP};

std::string file_font(int role) {
    LOGFONTA font;
    memset(&font, 0, sizeof font);
    if (!font_role_call(role, kFontGetFile, 0, &font)) return "";
    return std::string(reinterpret_cast<const char *>(&font), sizeof font);
}

void put_file_font(int role, const std::string &bytes) {
    LOGFONTA font;
    if (bytes.size() != sizeof font) {
        font_role_call(role, kFontDropFile, 0, nullptr);
        return;
    }
    memcpy(&font, bytes.data(), sizeof font);
    font_role_call(role, kFontPutFile, 0, &font);
}

HWND list_view(HWND dialog, bool questions) {
    return GetDlgItem(dialog, questions ? IDC_MAIN_QUESTIONS : IDC_MAIN_RESULTS);
}
ListNode *record_list(bool questions) {
    return questions ? &editor_state()->questions : &editor_state()->results;
}
size_t record_size(bool questions) { return questions ? sizeof(QuestionRecord) : sizeof(ResultRecord); }

std::vector<std::string> snapshot(bool questions) {
    std::vector<std::string> records;
    size_t size = record_size(questions);
    for (ListNode *e = record_list(questions)->next; e; e = e->next)
        records.emplace_back(static_cast<const char *>(e->data), size);
    return records;
}

ListIdentity identities(bool questions) {
    ListIdentity ids;
    for (ListNode *e = record_list(questions)->next; e; e = e->next) ids.push_back(e->data);
    return ids;
}

// The options as "0" and "1", one sign each.
std::string options_text(HWND dialog) {
    std::string text;
    for (int box : kOptionBoxes) text += IsDlgButtonChecked(dialog, box) == BST_CHECKED ? '1' : '0';
    return text;
}

std::string scoring_text(const EditorScoring &s) {
    return std::string(s.typed ? "1," : "0,") + std::to_string(s.tie_question);
}
EditorScoring scoring_of_text(const std::string &text) {
    return {text.compare(0, 2, "1,") == 0, text.size() > 2 ? static_cast<int32_t>(atol(text.c_str() + 2)) : 0};
}

std::string box_text(HWND dialog, int setting) {
    char text[kLineSize] = {0};
    GetDlgItemTextA(dialog, setting_box(setting), text, sizeof text);
    return text;
}

// The boxes as they are now are where later edits start from.
void remember_boxes(HWND dialog) {
    for (int k = 0; k < kSettingCount; ++k) g_box_text[k] = box_text(dialog, k);
}

void show_title(HWND dialog) {
    SetWindowTextA(dialog, editor_title(editor_state()->path, editor_state()->unsaved, g_caption).c_str());
}

void set_unsaved(HWND dialog, int event) {
    editor_state()->unsaved = unsaved_after(editor_state()->unsaved, event);
    show_title(dialog);
}

// Undo and redo put records and texts back through the same helpers the commands use.
class DialogTarget : public StepTarget {
public:
    explicit DialogTarget(HWND dialog) : dialog_(dialog) {}
    void splice(int target, int index, size_t count, const std::vector<std::string> &elements) override {
        const std::string value = elements.empty() ? std::string() : elements[0];
        if (target == kTargetScoring) {
            set_editor_scoring(scoring_of_text(value));
            InvalidateRect(list_view(dialog_, false), nullptr, TRUE);  // the type and range column
            return;
        }
        if (target >= kTargetFont0) {
            put_file_font(target - kTargetFont0, value);
            InvalidateRect(dialog_, nullptr, TRUE);
            return;
        }
        if (target >= kTargetOption0) {
            CheckDlgButton(dialog_, kOptionBoxes[target - kTargetOption0], value == "1" ? BST_CHECKED : BST_UNCHECKED);
            return;
        }
        if (target >= kTargetText0) {
            int setting = target - kTargetText0;
            g_applying = true;
            SetDlgItemTextA(dialog_, setting_box(setting), value.c_str());
            g_applying = false;
            g_box_text[setting] = box_text(dialog_, setting);
            return;
        }
        bool questions = target == kTargetQuestions;
        HWND view = list_view(dialog_, questions);
        ListNode *list = record_list(questions);
        for (size_t i = 0; i < count; ++i) lv_list_remove(view, list, index);
        ListView_SetItemState(view, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        for (size_t i = 0; i < elements.size(); ++i) {
            if (elements[i].size() != record_size(questions)) continue;
            int at = index + static_cast<int>(i);
            // The list counts a position of 0 or below from its end.
            int position = at == 0 ? -liner_count(list) : at;
            if (lv_list_insert(view, list, position, elements[i].data(), elements[i].size()))
                ListView_SetItemState(view, at, LVIS_SELECTED, LVIS_SELECTED);
        }
        ListView_EnsureVisible(view, index < ListView_GetItemCount(view) ? index : ListView_GetItemCount(view) - 1,
                               FALSE);
    }

private:
    HWND dialog_;
};

void undo_or_redo(HWND dialog, bool undo) {
    DialogTarget target(dialog);
    if (undo ? g_history.undo(&target) : g_history.redo(&target)) set_unsaved(dialog, kEventChange);
}

void on_box_changed(HWND dialog, int setting) {
    if (g_applying) return;
    std::string now = box_text(dialog, setting);
    if (now == g_box_text[setting]) return;
    EditStep step = {kTargetText0 + setting, 0, {g_box_text[setting]}, {now}};
    g_box_text[setting] = now;
    g_history.record(std::move(step), true);
    set_unsaved(dialog, kEventChange);
}

// A check box has just turned over: it was the other way before. The special row options change
// which rows are types, so the links are renumbered with them.
void on_option_clicked(HWND dialog, int box) {
    for (int k = 0; k < kOptionCount; ++k) {
        if (kOptionBoxes[k] != box) continue;
        ListChange change(dialog);
        change.option_was(k, IsDlgButtonChecked(dialog, box) != BST_CHECKED);
    }
}

// ---- recent files ----

void show_recent(HWND dialog) {
    HMENU bar = GetMenu(dialog);
    HMENU file = bar ? GetSubMenu(bar, 0) : nullptr;
    if (!file) return;
    for (int i = 0; i < kRecentMax; ++i) DeleteMenu(file, ID_FILE_RECENT_FIRST + i, MF_BYCOMMAND);
    DeleteMenu(file, ID_FILE_RECENT_SEPARATOR, MF_BYCOMMAND);
    int quit = GetMenuItemCount(file) - 1;  // 終了 is the last item
    for (size_t i = 0; i < g_recent.size(); ++i) {
        // An ampersand in a name is shown, not taken as the item's key.
        std::string label = "&" + std::to_string(i + 1) + " ";
        for (char c : g_recent[i]) label += c == '&' ? std::string("&&") : std::string(1, c);
        InsertMenuA(file, static_cast<UINT>(quit + static_cast<int>(i)), MF_BYPOSITION | MF_STRING,
                    ID_FILE_RECENT_FIRST + i, label.c_str());
    }
    if (!g_recent.empty())
        InsertMenuA(file, static_cast<UINT>(quit + static_cast<int>(g_recent.size())), MF_BYPOSITION | MF_SEPARATOR,
                    ID_FILE_RECENT_SEPARATOR, nullptr);
    DrawMenuBar(dialog);
}

void remember_file(HWND dialog, const char *path) {
    if (!path[0]) return;
    recent_add(&g_recent, path);
    if (g_program) store_recent_files(g_recent);
    show_recent(dialog);
}

bool is_file(const char *path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void open_recent(HWND dialog, size_t n) {
    if (n >= g_recent.size()) return;
    std::string path = g_recent[n];
    if (!is_file(path.c_str())) {
        show_message_box(dialog, ("ファイルが見つからないため、最近使ったファイルから外します。\r\n" + path).c_str(),
                         g_caption, MB_OK | MB_ICONWARNING);
        recent_remove(&g_recent, path);
        if (g_program) store_recent_files(g_recent);
        show_recent(dialog);
        return;
    }
    open_after_question(dialog, path.c_str());
}

// ---- save ----

// The copy and the record of whose copy it is go together, and only the editor that keeps them touches either.
void forget_recovery() {
    char path[kPathSize];
    if (!g_keeps_recovery) return;
    if (recovery_path(path)) DeleteFileA(path);
    store_user_text(kRecoveryOf, "");
}

// Saved all the same: the author may mean a larger screen, but should know.
void warn_unfit_questions(HWND dialog) {
    LOGFONTA fonts[kFitRoles];
    const int roles[kFitRoles] = {kFontRoleQuestion, kFontRoleAnswer, kFontRoleComment};
    for (int i = 0; i < kFitRoles; ++i) font_role_call(roles[i], kFontGetEffective, 0, &fonts[i]);
    std::string unfit = unfit_questions(&editor_state()->questions, fonts);
    if (unfit.empty()) return;
    std::string text = "次の問題は、1024×768 の画面にこのフォントの大きさのままでは収まりません。"
                       "プレーヤーは文字を読める大きさ（4 mm）まで小さくして表示します。\r\n\r\n" + unfit +
                       "\r\n元の大きさで見せるには、文章や答えを短くするか、フォントを小さくしてください。";
    show_message_box(dialog, text.c_str(), g_caption, MB_OK | MB_ICONWARNING);
}

void after_save(HWND dialog, int saved) {
    if (!saved) return;
    set_unsaved(dialog, kEventSaved);
    remember_file(dialog, editor_state()->path);
    forget_recovery();
    warn_unfit_questions(dialog);
}

bool save_as(HWND dialog) {
    EditorState *s = editor_state();
    if (!ranges_allow_save(dialog)) return false;
    int saved = save_question_file(dialog, s->path, &s->questions, &s->results);
    after_save(dialog, saved);
    return saved != 0;
}

// 上書き保存: where the title says, asking only for a new file.
bool save_in_place(HWND dialog) {
    EditorState *s = editor_state();
    if (!s->path[0]) return save_as(dialog);
    if (!ranges_allow_save(dialog)) return false;
    int saved = save_question_file_to(dialog, s->path, &s->questions, &s->results);
    after_save(dialog, saved);
    return saved != 0;
}

int ask_to_save(void *dialog) {
    return show_message_box(static_cast<HWND>(dialog), kSaveQuestion, g_caption, MB_YESNOCANCEL | MB_ICONWARNING);
}
bool save_for_leave(void *dialog) { return save_in_place(static_cast<HWND>(dialog)); }

void start_new(HWND dialog) {
    if (!leave_file(dialog)) return;
    EditorState *s = editor_state();
    g_applying = true;
    clear_editor_controls(dialog);
    g_applying = false;
    liner_clear(&s->questions);
    liner_clear(&s->results);
    for (int role = 0; role < kFontRoleCount; ++role) font_role_call(role, kFontDropFile, 0, nullptr);
    forget_kept_lines();
    s->path[0] = '\0';
    remember_boxes(dialog);
    g_history.clear();
    set_unsaved(dialog, kEventNew);
    InvalidateRect(dialog, nullptr, TRUE);
}

// Enter on a list changes its selected row, as a double-click does.
void on_enter(HWND dialog) {
    HWND focus = GetFocus();
    if (focus == list_view(dialog, true)) PostMessageA(dialog, WM_COMMAND, ID_QUESTION_MODIFY, 0);
    else if (focus == list_view(dialog, false)) PostMessageA(dialog, WM_COMMAND, ID_RESULT_MODIFY, 0);
}

int setting_of_box(int box) {
    for (int k = 0; k < kSettingCount; ++k)
        if (setting_box(k) == box) return k;
    return -1;
}

// The keys of the menu bar, in the dialog's own message loop (a modal dialog has no other place).
LRESULT CALLBACK key_filter(int code, WPARAM wparam, LPARAM lparam) {
    MSG *m = reinterpret_cast<MSG *>(lparam);
    if (code == MSGF_DIALOGBOX && g_key_dialog && g_keys && m->message >= WM_KEYFIRST && m->message <= WM_KEYLAST &&
        (m->hwnd == g_key_dialog || IsChild(g_key_dialog, m->hwnd))) {
        // A row's name being typed in a list keeps its own keys.
        HWND parent = GetParent(m->hwnd);
        bool label_edit = parent == list_view(g_key_dialog, true) || parent == list_view(g_key_dialog, false);
        if (!label_edit && TranslateAcceleratorA(g_key_dialog, g_keys, m)) return 1;
    }
    return CallNextHookEx(g_key_hook, code, wparam, lparam);
}

}  // namespace

void set_editor_program_mode(bool on) { g_program = on; }
bool editor_program_mode() { return g_program; }

bool recovery_path(char *out) {
    char folder[MAX_PATH] = {0};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, folder))) return false;
    std::string path = std::string(folder) + "\\Zelmica";
    CreateDirectoryA(path.c_str(), nullptr);
    path += std::string("\\") + kRecoveryName;
    if (path.size() >= kPathSize) return false;
    strcpy(out, path.c_str());
    return true;
}

ListChange::ListChange(HWND dialog)
    : dialog_(dialog), options_(options_text(dialog)), scoring_(scoring_text(editor_scoring())) {
    for (int list = 0; list < 2; ++list) {
        records_[list] = snapshot(list == 0);
        ids_[list] = identities(list == 0);
    }
}

void ListChange::option_was(int option, bool on) {
    if (option >= 0 && static_cast<size_t>(option) < options_.size()) options_[static_cast<size_t>(option)] = on ? '1' : '0';
}

ListChange::~ListChange() {
    const std::string options = options_text(dialog_);
    const ListIdentity questions = identities(true), results = identities(false);
    // Rows and questions are known by their records, which keep their place in memory wherever they move.
    const std::vector<int32_t> moves = banded_row_moves(ids_[1], options_[kOptionTopRow] == '1', options_[kOptionBottomRow] == '1',
                                                        results, options[kOptionTopRow] == '1', options[kOptionBottomRow] == '1');
    bool same_rows = true;
    for (size_t i = 0; i < moves.size(); ++i) same_rows = same_rows && moves[i] == static_cast<int32_t>(i + 1);
    if (!same_rows) {
        HWND view = list_view(dialog_, true);
        int row = 0;
        for (ListNode *e = editor_state()->questions.next; e; e = e->next, ++row)
            if (renumber_type_links(static_cast<QuestionRecord *>(e->data), moves)) lv_set_item(view, row, e->data);
    }
    EditorScoring scoring = editor_scoring();
    if (questions != ids_[0]) {
        scoring.tie_question = renumbered_position(scoring.tie_question, ids_[0], questions);
        set_editor_scoring(scoring);
    }

    std::vector<EditStep> group;
    EditStep step;
    for (int list = 0; list < 2; ++list)
        if (make_step(list == 0 ? kTargetQuestions : kTargetResults, records_[list], snapshot(list == 0), &step))
            group.push_back(std::move(step));
    for (size_t k = 0; k < options.size() && k < options_.size(); ++k)
        if (options[k] != options_[k])
            group.push_back(EditStep{kTargetOption0 + static_cast<int>(k), 0, {options_.substr(k, 1)}, {options.substr(k, 1)}});
    if (scoring_text(scoring) != scoring_)
        group.push_back(EditStep{kTargetScoring, 0, {scoring_}, {scoring_text(scoring)}});
    if (group.empty()) return;
    g_history.record(std::move(group));
    set_unsaved(dialog_, kEventChange);
}

void keep_start(HWND dialog) {
    GetWindowTextA(dialog, g_caption, sizeof g_caption);
    editor_state()->unsaved = false;
    g_history.clear();
    remember_boxes(dialog);
    g_recent = g_program ? load_recent_files() : std::vector<std::string>();
    show_recent(dialog);
    show_title(dialog);
    g_keys = LoadAcceleratorsA(editor_instance(), MAKEINTRESOURCEA(IDA_MAIN));
    g_key_dialog = dialog;
    g_key_hook = SetWindowsHookExA(WH_MSGFILTER, key_filter, nullptr, GetCurrentThreadId());
    DragAcceptFiles(dialog, TRUE);
    if (!g_program) return;
    g_recovery_lock = CreateMutexA(nullptr, FALSE, "Local\\ZelmicaEditorRecovery");
    g_keeps_recovery = g_recovery_lock && GetLastError() != ERROR_ALREADY_EXISTS;
    if (!g_keeps_recovery) return;
    SetTimer(dialog, kRecoveryTimer, 60 * 1000, nullptr);
    PostMessageA(dialog, kMsgOfferRecovery, 0, 0);
}

void keep_stop(HWND dialog) {
    KillTimer(dialog, kRecoveryTimer);
    if (g_recovery_lock) CloseHandle(g_recovery_lock);
    g_recovery_lock = nullptr;
    g_keeps_recovery = false;
    if (g_key_hook) UnhookWindowsHookEx(g_key_hook);
    g_key_hook = nullptr;
    g_key_dialog = nullptr;
    // Loaded from a resource: freed with the module.
    g_keys = nullptr;
    g_history.clear();
}

void keep_changed(HWND dialog) { set_unsaved(dialog, kEventChange); }

std::string keep_font_before(int role) { return file_font(role); }

void keep_font_changed(HWND dialog, int role, const std::string &before) {
    std::string after = file_font(role);
    if (after == before) return;
    g_history.record(EditStep{kTargetFont0 + role, 0, {before}, {after}});
    set_unsaved(dialog, kEventChange);
}

bool leave_file(HWND dialog) {
    const bool unsaved = editor_state()->unsaved;
    LeaveSteps steps = {ask_to_save, save_for_leave, dialog};
    if (!may_leave(unsaved, steps)) return false;
    // Edits left with いいえ are thrown away: a later abnormal end must not offer them again.
    if (unsaved) forget_recovery();
    return true;
}

int open_after_question(HWND dialog, const char *file) {
    if (!leave_file(dialog)) return 0;
    EditorState *s = editor_state();
    g_applying = true;
    int opened = open_question_file(dialog, &s->questions, &s->results, s->path, file);
    g_applying = false;
    if (!opened) return 0;
    remember_boxes(dialog);
    g_history.clear();
    set_unsaved(dialog, kEventOpened);
    remember_file(dialog, s->path);
    InvalidateRect(dialog, nullptr, TRUE);
    return 1;
}

// The saved question file and the pictures and sounds it names, copied into one folder that travels.
static void bundle_question_file(HWND dialog) {
    static const char kCaption[] = "フォルダーにまとめる";
    const EditorState *s = editor_state();
    if (!s->path || !s->path[0] || s->unsaved) {
        show_message_box(dialog, "まとめるのは保存した問題ファイルです。先に保存してください。", kCaption, MB_OK | MB_ICONINFORMATION);
        return;
    }
    char folder[kPathSize] = {0};
    if (!choose_folder(dialog, "まとめ先のフォルダー（USB メモリーなど）。この中に問題ファイルの名前のフォルダーを作ります", folder)) return;
    const BundleOutcome o = bundle_files(s->path, question_file_paths, folder);
    show_message_box(dialog, bundle_summary(o).c_str(), kCaption, MB_OK | (o.done ? MB_ICONINFORMATION : MB_ICONWARNING));
}

bool keep_command(HWND dialog, int id, int code) {
    if (code == EN_CHANGE || code == EN_KILLFOCUS) {
        int setting = setting_of_box(id);
        if (setting < 0) return false;
        if (code == EN_CHANGE) on_box_changed(dialog, setting);
        else g_history.seal();
        return true;
    }
    if (code != BN_CLICKED && code != 1) return false;
    switch (id) {
        case ID_FILE_NEW: start_new(dialog); return true;
        case ID_FILE_SAVE: save_in_place(dialog); return true;
        case IDC_MAIN_SAVE: save_as(dialog); return true;
        case ID_FILE_BUNDLE: bundle_question_file(dialog); return true;
        case IDC_MAIN_OPEN: open_after_question(dialog, nullptr); return true;
        case ID_EDIT_UNDO: undo_or_redo(dialog, true); return true;
        case ID_EDIT_REDO: undo_or_redo(dialog, false); return true;
        case IDOK: on_enter(dialog); return true;
        case IDC_MAIN_TOP_ROW:
        case IDC_MAIN_BOTTOM_ROW:
        case IDC_MAIN_ROUND_UP: on_option_clicked(dialog, id); return true;
        default:
            if (id >= ID_FILE_RECENT_FIRST && id < ID_FILE_RECENT_FIRST + kRecentMax) {
                open_recent(dialog, static_cast<size_t>(id - ID_FILE_RECENT_FIRST));
                return true;
            }
            return false;
    }
}

void close_editor(HWND dialog) {
    if (!leave_file(dialog)) return;
    forget_recovery();
    if (g_program) store_placement(dialog);
    EndDialog(dialog, 0);
}

bool query_end_session(HWND dialog) {
    if (!leave_file(dialog)) return false;
    forget_recovery();
    return true;
}

void on_drop_files(HWND dialog, HDROP drop) {
    char file[kPathSize] = {0};
    POINT at = {0, 0};
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    UINT length = count == 1 ? DragQueryFileA(drop, 0, nullptr, 0) : 0;
    bool one = count == 1 && length > 0 && length < sizeof file && DragQueryFileA(drop, 0, file, sizeof file) == length;
    DragQueryPoint(drop, &at);
    DragFinish(drop);
    if (count == 1 && !one) {
        show_message_box(dialog, "ファイルのパスが長すぎます。", g_caption, MB_OK | MB_ICONWARNING);
        return;
    }
    drop_file(dialog, one ? file : nullptr, at);
}

void drop_file(HWND dialog, const char *file, POINT at) {
    if (!file) {
        show_message_box(dialog, "ドロップできるファイルは一度に一つです。", g_caption, MB_OK | MB_ICONWARNING);
        return;
    }
    DWORD attributes = GetFileAttributesA(file);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        show_message_box(dialog, "フォルダはドロップできません。ファイルをドロップしてください。", g_caption,
                         MB_OK | MB_ICONWARNING);
        return;
    }
    const char *extension = path_extension(file);
    const bool question_file = extension && equals_nocase(extension, "qst");
    // A picture or sound on one of the path boxes fills it; a question file opens wherever it falls.
    for (int k = kSettingWallpaper; k < kSettingCount && !question_file; ++k) {
        HWND box = GetDlgItem(dialog, setting_box(k));
        RECT r;
        GetWindowRect(box, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&r), 2);
        if (!PtInRect(&r, at)) continue;
        put_path_into_box(dialog, setting_box(k), file);
        return;
    }
    if (!question_file) {
        show_message_box(dialog,
                         "問題ファイル(*.qst)はダイアログに、画像や効果音のファイルはその欄にドロップしてください。",
                         g_caption, MB_OK | MB_ICONWARNING);
        return;
    }
    open_after_question(dialog, file);
}

void on_recovery_timer(HWND dialog) {
    EditorState *s = editor_state();
    char path[kPathSize];
    if (!g_keeps_recovery || !s->unsaved || !recovery_path(path)) return;
    if (save_question_file_to(dialog, path, &s->questions, &s->results) && g_program)
        store_user_text(kRecoveryOf, s->path);
}

void offer_recovery(HWND dialog) {
    char path[kPathSize];
    if (!g_keeps_recovery || !recovery_path(path) || !is_file(path)) return;
    std::string text = std::string("前回、保存されずに終わった編集の控えがあります。\r\n") + path +
                       "\r\n\r\n開きますか？（はい: 開く / いいえ: 破棄）";
    if (show_message_box(dialog, text.c_str(), g_caption, MB_YESNO | MB_ICONQUESTION) != IDYES) {
        forget_recovery();
        return;
    }
    if (!open_after_question(dialog, path)) {
        show_message_box(dialog, (std::string("控えを読めませんでした。そのまま残します。\r\n") + path).c_str(),
                         g_caption, MB_OK | MB_ICONWARNING);
        return;
    }
    // The copy stands for the file it was made of, still unsaved there.
    EditorState *s = editor_state();
    copy_cut(s->path, kPathSize, load_user_text(kRecoveryOf).c_str());
    recent_remove(&g_recent, path);
    if (g_program) store_recent_files(g_recent);
    show_recent(dialog);
    forget_recovery();
    set_unsaved(dialog, kEventChange);
}
