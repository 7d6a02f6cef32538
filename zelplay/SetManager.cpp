// The set manager: the current and confirmed set records, the current set path and the idle count.
#include "modal_loop.h"
#include "SetManager_private.h"
#include "BrixLib.h"
#include "font_slot.h"
#include "imemory.h"
#include "message_box.h"
#include "resource.h"
#include "sound_store.h"
#include <string.h>

namespace {

const char kDefaultTitle[] = "セットまたは問題ファイルを読み込んで、F11で全画面表示させてください";
const char kApplyQuestion[] = "編集・保存したセットを反映させますか？";
const char kApplyCaption[] = "診断Zelmica";

SetRecord g_current;
SetRecord g_confirmed;
char *g_path = nullptr;
HWND g_owner = nullptr;
int g_idle_count = 0;

}  // namespace

void set_record_defaults(SetRecord *r) {
    memset(r, 0, sizeof *r);
    strcpy(r->title, kDefaultTitle);
    r->text_colour = RGB(255, 255, 255);
    r->back_colour = RGB(0, 160, 0);
    question_font(kFontGetBase, -1, 0, &r->title_font);
    answer_font(kFontGetBase, -1, &r->question_font);
    r->ask_seconds = kAskSecondsDefault;
    r->answer_numbers = 1;
}

namespace {

void point_at(void *value, SetRecord *record) {
    if (value) *static_cast<SetRecord **>(value) = record;
}

int reset(void *value) {
    g_owner = value ? *static_cast<HWND *>(value) : nullptr;
    set_record_defaults(&g_current);
    char *path = set_current_path();
    if (path) path[0] = '\0';
    g_idle_count = 0;
    sound_store(kSoundReset, 0, nullptr);
    return 1;
}

int edit(void *value) {
    ModalLoop loop;
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SET_EDITOR), g_owner, set_editor_proc, 0);
    if (show_message_box(g_owner, kApplyQuestion, kApplyCaption, MB_YESNO | MB_ICONINFORMATION) != IDYES) return 0;
    g_confirmed = g_current;
    point_at(value, &g_confirmed);
    return 1;
}

int load(void *value, bool choose) {
    char *path = set_current_path();
    // A cancelled or failed choice keeps the path of the set still in effect (visit rows, the set editor).
    char previous[kPathSize] = {0};
    if (choose && path) {
        strcpy(previous, path);
        path[0] = '\0';
    }
    if (!load_set(g_owner, choose) && choose && path) strcpy(path, previous);
    point_at(value, &g_current);
    return 1;
}

int load_path(void *value) {
    char *path = set_current_path();
    if (!value || !path) return 0;
    const char *wanted = *static_cast<const char **>(value);
    if (!wanted || !*wanted) return 0;
    // A failed load keeps the earlier path, so a later reload still finds the set that is in effect.
    char previous[kPathSize];
    strcpy(previous, path);
    path[0] = '\0';
    // Whole, so what the set names is still found beside it after a file dialog moves the current folder.
    char full[kPathSize];
    DWORD n = GetFullPathNameA(wanted, sizeof full, full, nullptr);
    if (n && n < sizeof full) wanted = full;
    append_prefix(path, kPathSize, wanted, strlen(wanted));
    if (!load_set(g_owner)) {
        strcpy(path, previous);
        return 0;
    }
    point_at(value, &g_current);
    return 1;
}

int idle_test() {
    // Counted in 64 bits: ten times a large minute count does not fit an int.
    int64_t minutes = g_current.idle_minutes;
    return minutes > 0 && g_idle_count > 10 * minutes ? 1 : 0;
}

}  // namespace

SetRecord *set_current_record() { return &g_current; }

char *set_current_path() {
    if (!g_path) g_path = static_cast<char *>(I_HEAP_CALLOC(kPathSize, 1));
    return g_path;
}

int set_manager(int op, int, void *value) {
    switch (op) {
        case kSetReset: return reset(value);
        case kSetRelease:
            I_HEAP_FREE(g_path);
            g_path = nullptr;
            return 1;
        case kSetEdit: return edit(value);
        case kSetLoad: return load(value, false);
        case kSetChooseLoad: return load(value, true);
        case kSetLoadPath: return load_path(value);
        case kSetCurrent: point_at(value, &g_current); return 1;
        case kSetPath:
            if (value) *static_cast<const char **>(value) = set_current_path();
            return 1;
        case kSetTitleFont:
            if (value) g_current.title_font = *static_cast<const LOGFONTA *>(value);
            return 1;
        case kSetQuestionFont:
            if (value) g_current.question_font = *static_cast<const LOGFONTA *>(value);
            return 1;
        case kSetIdleTest: return idle_test();
        case kSetActivity: g_idle_count = 0; return 1;
        case kSetTick:
            if (g_idle_count < INT32_MAX) ++g_idle_count;
            return 1;
        default: return 1;
    }
}
