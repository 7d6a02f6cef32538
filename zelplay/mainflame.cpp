// The player's main window: creation and shutdown, menu commands, mouse and keys, the idle timer,
// and applying a set.
#include "mainflame.h"
#include "DirList.h"
#include "BrixLib.h"
#include "QuesManager.h"
#include "SetManager.h"
#include "SetManager_private.h"
#include "bgm_player.h"
#include "card_print.h"
#include "crash_restart.h"
#include "dpi.h"
#include "exit_pin.h"
#include "font_slot.h"
#include "image_store.h"
#include "input_box.h"
#include "kiosk.h"
#include "kiosk_report.h"
#include "kiosk_window.h"
#include "visit_log.h"
#include "mainflame_paint.h"
#include "imemory.h"
#include "result_log.h"
#include "message_box.h"
#include "modal_loop.h"
#include "pin_pad.h"
#include "resource.h"
#include "zelmica_version.h"
#include "shell_seam.h"
#include "set_distribution.h"
#include "speech.h"
#include "voice_player.h"
#include <string>
#include "tally_dialog.h"
#include "test_mode.h"
#include <shellapi.h>
#include <shlwapi.h>
#include <string.h>
#include <windowsx.h>
#include <string>

static const char kTitle[] = "診断Zelmica";
enum { kIdleTimer = 1, kIdleMillis = 6000, kTextBuffer = 2048 };
enum { kSecondsTimer = 2, kSecondsMillis = 1000 };
// Scanning checks where the frame is this often; the frame itself moves every SCAN seconds.
enum { kScanTimer = 3, kScanMillis = 100 };
// The square in the top-left corner that takes the staff's taps: 15 mm.
enum { kCornerTenthsMm = 150 };
// Posted by WM_CREATE: the check of the log's folder runs once the window is on the screen.
enum { kMsgCheckLogFolder = WM_APP + 1 };

namespace {
struct MainState {
    HINSTANCE instance = nullptr;
    int score_display = 0;
    int hand_shown = 0;
    HCURSOR hand = nullptr;
    HCURSOR arrow = nullptr;
    UINT_PTR timer = 0;
    DWORD shown_at = 0;    // tick count when the screen last changed
    bool settled = false;  // the idle timer saw the screen past the click guard
    bool choosing = false;  // a click is being handled
    bool quiet_full_screen = false;  // a set from the command line is being applied
    char exit_pin[kPinLineSize] = "";  // the applied set's exit PIN, stored form; "" = none
    CornerTaps corner = {0, 0};
    IdleRules idle = {0, false, 0, 0};  // the applied set's seconds rules
    UINT_PTR seconds_timer = 0;
    DWORD active_at = 0;  // tick count of the last screen change or input
    bool asking = false;  // the minutes rule's 「続けますか？」 runs, until ask_until (tick count)
    DWORD ask_until = 0;
    bool key_frame = false;  // the set's KEYS: the frame shows from the start of each screen
    int scan_seconds = 0;    // the set's SCAN: the frame moves by itself; 0 = off
    bool speak = false;      // the set's SPEAK: screens are read aloud
    UINT_PTR scan_timer = 0;
};
MainState g_main;
}  // namespace

static DWORD g_settle_millis = kDefaultClickSettleMillis;

void set_click_settle_millis(DWORD millis) { g_settle_millis = millis; }

static DWORD g_press_millis = kDefaultPressMillis;
void set_press_show_millis(DWORD millis) { g_press_millis = millis; }

// Lines the logs could not take yet, in the title bar; the start screen shows them too.
static void show_log_state(HWND window) {
    char title[512], now[512] = "";
    size_t waiting = result_log_waiting();
    if (waiting)
        wsprintfA(title, "%s - ログに書き込めていない行 %u 行", kTitle, static_cast<unsigned>(waiting));
    else
        lstrcpyA(title, kTitle);
    if (long failed = card_print_failures())
        wsprintfA(title + lstrlenA(title), " - 印刷できなかったカード %ld 枚", failed);
    // Voice files that would not play: for the operator in a window, never a box before visitors.
    const std::string voice = voice_problem();
    if (!voice.empty() && !full_screen_flag())
        lstrcpynA(title + lstrlenA(title), (" - 音声: " + voice).c_str(), static_cast<int>(sizeof title) - lstrlenA(title));
    GetWindowTextA(window, now, sizeof now);
    if (lstrcmpA(now, title) != 0) SetWindowTextA(window, title);
}

int scan_slot(unsigned shown, DWORD elapsed, int interval_millis) {
    int order[kChoiceSlots], count = 0;
    for (int i = 0; i < kChoiceSlots; ++i)
        if (shown & (1u << i)) order[count++] = i;
    if (!count) return -1;
    if (interval_millis <= 0) return order[0];
    return order[(elapsed / static_cast<DWORD>(interval_millis)) % static_cast<DWORD>(count)];
}

// The frame on the first choice from the start where keys or a switch are used.
static void frame_first_choice(HWND window) {
    if (!g_main.key_frame && !g_main.scan_seconds) return;
    set_choice_highlight(scan_slot(choice_layout(window).shown, 0, 0));
    InvalidateRect(window, nullptr, FALSE);
}

// The set's SPEAK: each screen read aloud as it appears (and again with the R key).
static void speak_screen() {
    if (!g_main.speak) return;
    char *main = nullptr, *comment = nullptr;
    run_engine(kRunMainText, 0, &main);
    std::string heard = main ? main : "";
    if (run_engine(kRunComment, 0, &comment) == -1 && comment && comment[0]) heard = heard + "\r\n" + comment;
    const char *choices[kChoiceSlots] = {};
    for (int i = 0; i < kBackSlot; ++i) {
        char *text = nullptr;
        if (run_engine(kRunChoiceText, i, &text) == -1) choices[i] = text;
    }
    speak_text(screen_speech(heard.c_str(), choices, answer_numbers_shown()).c_str());
}

// What the screen says as it appears, and again with R or the mark: its recorded voices where
// their files are there (they win over SPEAK on that screen), else the speech voice.
static void hear_screen(HWND window) {
    ScreenVoices voices;
    const bool screen = screen_voices(&voices);
    const char *order[kVoiceParts] = {};
    const bool frame_mode = g_main.key_frame || g_main.scan_seconds;
    const int n = screen ? voice_order(voices, choice_layout(window).shown, frame_mode, choice_highlight(), order) : 0;
    bool voiced = false;
    for (int i = 0; i < n; ++i) voiced = voiced || voice_file_there(order[i]);
    show_replay_mark(screen && (voiced || g_main.speak));
    if (voiced && g_main.speak) speak_text("");
    if (!voice_play_list(window, order, n)) speak_screen();
    show_log_state(window);
}

// KEYS and SCAN: an answer is heard when the frame reaches it.
static void frame_moved(HWND window, int slot) {
    ScreenVoices voices;
    if (!(g_main.key_frame || g_main.scan_seconds) || slot < 0 || slot >= kBackSlot || !screen_voices(&voices)) return;
    const char *answer = voices.path[1 + slot];
    if (answer[0]) voice_play_list(window, &answer, 1);
    show_log_state(window);
}

static void refresh(HWND window) {
    set_choice_highlight(-1);
    set_idle_prompt_seconds(-1);
    g_main.asking = false;
    show_log_state(window);
    g_main.shown_at = g_main.active_at = GetTickCount();
    g_main.settled = false;
    frame_first_choice(window);
    hear_screen(window);  // first: whether the mark shows changes the layout
    SendMessageA(window, WM_SIZE, 0, 0);
}

// Clicks queued while a screen was not yet shown (the start sound plays synchronously) or a
// double tap right after a change would answer questions the visitor has not seen.
bool click_too_early(DWORD click_time, DWORD shown_at, bool settled, DWORD settle_millis) {
    if (!settle_millis || settled) return false;
    return static_cast<LONG>(click_time - shown_at) < static_cast<LONG>(settle_millis);
}

// The hint on how to leave is for the operator who asked for full screen.
static void enter_full_screen(HWND window, bool hint) {
    if (full_screen_flag()) return;
    if (hint) show_message_box(window, "「Shift + F12」で通常画面に戻ります", kTitle, MB_ICONINFORMATION);
    set_full_screen_flag(1);
    set_full_screen(window, 1);
}

static void leave_full_screen(HWND window) {
    set_full_screen(window, 0);
    set_full_screen_flag(0);
}

// Every way out of full screen asks staff for the PIN when the set has one; the right PIN
// leaves full screen. Without a PIN, or outside full screen, nothing changes.
static bool staff_may_leave(HWND window) {
    if (!full_screen_flag() || !g_main.exit_pin[0]) return true;
    if (!exit_allowed(window, full_screen_flag(), g_main.exit_pin)) return false;
    leave_full_screen(window);
    return true;
}

static const char kPinUnreadable[] =
    "このセットの終了PIN（EXITPIN）を読み取れないため、PINなしで動作します。\r\n"
    "全画面を終了PINで守るには、セットの編集の「終了PIN・待ち時間…」で設定し直してください。";

static const char kIdleClamped[] =
    "セットの待ち時間（IDLESEC、RESULTSEC、ASKSEC、SCAN）が範囲外のため、無操作 %d 秒、結果画面 %d 秒、"
    "「続けますか？」 %d 秒、自動で枠が進む間隔 %d 秒にしました。";

void apply_set(HWND window, const SetRecord *record) {
    run_engine(kRunDropAll, 0, nullptr);
    voice_forget_problems();
    if (!record) {
        SetRecord *loaded = nullptr;
        set_manager(kSetChooseLoad, 0, &loaded);
        record = loaded;
        // A cancelled choice keeps the set that was open, and the file to come back with.
        const char *chosen = set_current_path();
        if (chosen && chosen[0]) set_restart_file(chosen);
    }
    if (!record) return;
    lstrcpynA(g_main.exit_pin, record->exit_pin, sizeof g_main.exit_pin);
    g_main.idle = {record->idle_seconds, record->idle_first_question != 0, record->result_seconds,
                   record->ask_seconds};
    show_progress_mark(record->show_progress != 0);
    set_card_printing(record->card_print, record->card_printer, record->card_paper);
    if (record->card_print && !g_main.quiet_full_screen) {
        char problem[512] = "";
        card_printer_problem(record->card_printer, record->card_paper_unknown != 0, problem, sizeof problem);
        if (problem[0]) show_message_box(window, problem, kTitle, MB_OK | MB_ICONWARNING);
    }
    show_answer_numbers(record->answer_numbers != 0);
    g_main.key_frame = record->key_frame != 0;
    g_main.scan_seconds = record->scan_seconds;
    const bool was_speaking = g_main.speak;
    g_main.speak = record->speak != 0;
    if (was_speaking && !g_main.speak) speak_text("");
    run_engine(kRunBackStepMode, record->back_step != 0, nullptr);
    if (record->idle_clamped && !g_main.quiet_full_screen) {
        char text[512];
        wsprintfA(text, kIdleClamped, static_cast<int>(record->idle_seconds), static_cast<int>(record->result_seconds),
                  static_cast<int>(record->ask_seconds), static_cast<int>(record->scan_seconds));
        show_message_box(window, text, kTitle, MB_OK | MB_ICONINFORMATION);
    }
    if (record->exit_pin_unreadable && !g_main.quiet_full_screen)
        show_message_box(window, kPinUnreadable, kTitle, MB_OK | MB_ICONWARNING);
    if (record->title[0]) {
        char *title = const_cast<char *>(record->title);
        run_engine(kRunSetStartText, 0, &title);
    }
    // What the set names is looked for beside the set first, so a folder moved whole still plays.
    const char *naming = set_current_path();
    char found[kPathSize];
    for (int i = 0; i < kSetQuestionFiles; ++i) {
        if (!record->questions[i][0]) continue;
        char *path = const_cast<char *>(resolve_named_path(record->questions[i], naming, found));
        run_engine(kRunLoadFile, 0, &path);
    }
    if (bgm_player(kBgmQuery, window, nullptr)) bgm_player(kBgmStop, window, nullptr);
    if (record->music[0]) bgm_player(kBgmOpen, window, resolve_named_path(record->music, naming, found));
    LOGFONTA lf = record->title_font;
    question_font(kFontPutSet, 0, 0, &lf);
    lf = record->question_font;
    answer_font(kFontPutSet, 0, &lf);
    text_colour(kColourSet, record->text_colour);
    back_colour(kColourSet, record->back_colour);
    SetClassLongPtrA(window, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(back_brush(kBrushGet, 0)));
    if (record->full_screen) enter_full_screen(window, !g_main.quiet_full_screen);
    if (record->saver_off) SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, 0, nullptr, 0);
    // The screen saver switch alone leaves the power plan to darken the screen or sleep.
    keep_awake(record->saver_off != 0);
    // Both logs go to the set's folder; the visit log carries the kiosk's and the set file's names.
    set_set_log_folder(record->log_folder);
    char set_file[kPathSize] = {0};
    const char *set_path = set_current_path();
    if (set_path) append_prefix(set_file, sizeof set_file, set_path, strlen(set_path));
    set_visit_log(!record->visit_log_off, record->kiosk, path_file_name(set_file));
    run_engine(kRunLogNaming, record->daily_log, nullptr);
    image_store(kImgLoadSetPicture, 0, const_cast<char *>(resolve_named_path(record->picture, naming, found)));
    image_store(kImgSetPictureX, record->picture_x, nullptr);
    image_store(kImgSetPictureY, record->picture_y, nullptr);
    image_store(kImgSetPictureZoom, record->picture_zoom, nullptr);
    image_store(kImgLoadSetWall, 0, const_cast<char *>(resolve_named_path(record->wallpaper, naming, found)));
    distribution_follow(set_path, record->dist_folder);
    refresh(window);
}

// Every idle return takes this one path, the run engine's idle step.
static void idle_return(HWND window, bool first_question) {
    set_manager(kSetActivity, 0, nullptr);
    run_engine(kRunIdleReturn, first_question ? kIdleAlsoFirstQuestion : 0, nullptr);
    refresh(window);
}

// Quiet milliseconds after which the screen returns; 0 = never.
static DWORD idle_threshold(const IdleRules &r, IdleScreen screen) {
    const DWORD idle = r.idle_seconds > 0 ? static_cast<DWORD>(r.idle_seconds) * 1000 : 0;
    switch (screen) {
    case kIdleFirstQuestion: return r.first_question ? idle : 0;
    case kIdleLaterQuestion: return idle;
    case kIdleResult: return r.result_seconds > 0 ? static_cast<DWORD>(r.result_seconds) * 1000 : idle;
    default: return 0;
    }
}

bool idle_return_due(const IdleRules &r, IdleScreen screen, DWORD quiet) {
    const DWORD threshold = idle_threshold(r, screen);
    return threshold && quiet >= threshold;
}

IdleStep idle_step(const IdleRules &r, IdleScreen screen, DWORD quiet, int *seconds_left) {
    const DWORD threshold = idle_threshold(r, screen);
    if (!threshold || quiet < threshold) return kIdleStay;
    // The result screen's own short time is a deliberate end: no question there.
    const DWORD ask = screen == kIdleResult && r.result_seconds > 0 ? 0 : static_cast<DWORD>(r.ask_seconds) * 1000;
    if (quiet - threshold >= ask) return kIdleGo;
    if (seconds_left) *seconds_left = static_cast<int>((ask - (quiet - threshold) + 999) / 1000);
    return kIdleAsk;
}

static IdleScreen idle_screen() {
    if (run_engine(kRunCurrentFile, 0, nullptr) == -1) return kIdleStart;
    if (run_engine(kRunComment, 0, nullptr) == -1) return kIdleResult;
    return run_engine(kRunUnderWay, 0, nullptr) == -1 ? kIdleLaterQuestion : kIdleFirstQuestion;
}

// The countdown on the screen, or none (-1).
static void show_ask(HWND window, int seconds_left) {
    if (idle_prompt_seconds() == seconds_left) return;
    set_idle_prompt_seconds(seconds_left);
    InvalidateRect(window, nullptr, FALSE);
}

// Any click, tap or key: someone is there. True when it only answered 「続けますか？」.
static bool note_input(HWND window) {
    set_manager(kSetActivity, 0, nullptr);
    g_main.active_at = GetTickCount();
    g_main.asking = false;
    if (idle_prompt_seconds() < 0) return false;
    show_ask(window, -1);
    return true;
}

void idle_seconds_check(HWND window, DWORD now) {
    // A box, a dialog or the keypad runs its own loop meanwhile: someone is typing into it.
    if (g_main.choosing || modal_loops_running()) {
        g_main.active_at = now;
        g_main.asking = false;
        set_manager(kSetActivity, 0, nullptr);
        show_ask(window, -1);
        return;
    }
    if (g_main.asking) {
        if (static_cast<LONG>(now - g_main.ask_until) >= 0) {
            g_main.asking = false;
            show_ask(window, -1);
            idle_return(window, false);
        } else {
            show_ask(window, static_cast<int>((g_main.ask_until - now + 999) / 1000));
        }
        return;
    }
    const IdleScreen screen = idle_screen();
    int left = 0;
    switch (idle_step(g_main.idle, screen, now - g_main.active_at, &left)) {
    case kIdleStay: show_ask(window, -1); break;
    case kIdleAsk: show_ask(window, left); break;
    case kIdleGo:
        show_ask(window, -1);
        idle_return(window, screen == kIdleFirstQuestion);
        break;
    }
}

static void CALLBACK seconds_timer_proc(HWND window, UINT, UINT_PTR, DWORD) {
    const DWORD now = GetTickCount();
    idle_seconds_check(window, now);
    // A new set from the 配布フォルダー waits for the start screen between two visitors.
    const DistScreen screen = {run_engine(kRunCurrentFile, 0, nullptr) == -1, g_main.choosing || modal_loops_running() != 0,
                               g_main.asking || idle_prompt_seconds() >= 0, test_mode_on(), now - g_main.active_at};
    distribution_tick(window, screen);
}

void CALLBACK idle_timer_proc(HWND window, UINT, UINT_PTR, DWORD) {
    if (GetTickCount() - g_main.shown_at >= g_settle_millis) g_main.settled = true;
    // Waiting log lines go in as soon as the log takes them again, not only at the next answer.
    size_t waiting = result_log_waiting();
    if (waiting && (result_log_retry() || result_log_waiting() != waiting)) {
        show_log_state(window);
        if (run_engine(kRunCurrentFile, 0, nullptr) == -1) InvalidateRect(window, nullptr, FALSE);
    }
    // A card that failed on the print thread shows in the title bar without waiting for a click.
    static long shown_failures = 0;
    if (card_print_failures() != shown_failures) {
        shown_failures = card_print_failures();
        show_log_state(window);
    }
    if (g_main.choosing || modal_loops_running()) set_manager(kSetActivity, 0, nullptr);
    set_manager(kSetTick, 0, nullptr);
    kiosk_report_tick();
    // A set with seconds leaves the minutes, written for older players, to timer 2's rules.
    if (g_main.idle.idle_seconds > 0 || g_main.asking) return;
    if (set_manager(kSetIdleTest, 0, nullptr) == 1 && run_engine(kRunUnderWay, 0, nullptr) == -1) {
        if (g_main.idle.ask_seconds <= 0) {
            idle_return(window, false);
            return;
        }
        // Timer 2 counts the question down.
        g_main.asking = true;
        g_main.ask_until = GetTickCount() + static_cast<DWORD>(g_main.idle.ask_seconds) * 1000;
        show_ask(window, g_main.idle.ask_seconds);
    }
}

// One-switch play: the frame steps through the choices every SCAN seconds from the screen's start.
static void CALLBACK scan_timer_proc(HWND window, UINT, UINT_PTR, DWORD) {
    if (!g_main.scan_seconds || g_main.choosing || idle_prompt_seconds() >= 0) return;
    const int slot = scan_slot(choice_layout(window).shown, GetTickCount() - g_main.shown_at, g_main.scan_seconds * 1000);
    if (slot == choice_highlight()) return;
    set_choice_highlight(slot);
    InvalidateRect(window, nullptr, FALSE);
    frame_moved(window, slot);
}

static void on_create(HWND window) {
    SetClassLongPtrA(window, GCLP_HICON,
                     reinterpret_cast<LONG_PTR>(LoadIconA(g_main.instance, MAKEINTRESOURCEA(IDI_PLAYER_SMALL))));
    font_slots_set_dpi(window_dpi(window));
    run_engine(kRunStart, static_cast<int32_t>(reinterpret_cast<INT_PTR>(window)), nullptr);
    int file = run_engine(kRunCurrentFile, 0, nullptr);
    question_font(kFontCreate, file, 50, nullptr);
    comment_font(kFontCreate, file, 20, nullptr);
    answer_font(kFontCreate, file, nullptr);
    header_font(kFontCreate, file, nullptr);
    set_manager(kSetReset, 0, &window);
    LOGFONTA lf;
    question_font(kFontGetBase, file, 0, &lf);
    set_manager(kSetTitleFont, 0, &lf);
    answer_font(kFontGetBase, file, &lf);
    set_manager(kSetQuestionFont, 0, &lf);
    image_store(kImgWindow, 0, &window);
    set_error_owner(window);
    g_main.timer = SetTimer(window, kIdleTimer, kIdleMillis, idle_timer_proc);
    g_main.seconds_timer = SetTimer(window, kSecondsTimer, kSecondsMillis, seconds_timer_proc);
    g_main.scan_timer = SetTimer(window, kScanTimer, kScanMillis, scan_timer_proc);
    // A preview runs on the operator's own desktop: Alt+Tab and the Windows key stay theirs.
    if (!test_mode_on()) install_key_hooks(g_main.instance);
    watch_session(window, true);
    PostMessageA(window, kMsgCheckLogFolder, 0, 0);
    g_main.hand = LoadCursorA(g_main.instance, MAKEINTRESOURCEA(IDC_HAND_CURSOR));
    g_main.arrow = LoadCursorA(nullptr, IDC_ARROW);
    g_main.hand_shown = 0;
    DragAcceptFiles(window, TRUE);
}

// A program folder that cannot be written (a zip unpacked under Program Files, a locked-down PC)
// would refuse every answer's line: said once at start, with what to do.
static void check_log_folder(HWND window) {
    char folder[kPathSize], text[kPathSize + 512];
    if (log_writes_suppressed() || log_folder_writable(folder)) return;
    wsprintfA(text,
              "プレーヤーのフォルダー「%s」に書き込めないため、回答のログ（zelm.csv）を残せません。\r\n\r\n"
              "このフォルダーに書き込めるようにする（フォルダーのプロパティの「セキュリティ」で Users に「変更」を許可する）か、"
              "プレーヤーのフォルダーごと書き込めるフォルダー（例: ドキュメント）にコピーして、そこから起動してください。",
              folder);
    show_message_box(window, text, kTitle, MB_OK | MB_ICONWARNING);
}

// Windows ends the process after WM_ENDSESSION and sends no WM_DESTROY: the waiting answers are
// written or rescued here, without a box, which would only hold up the shutdown.
static void on_end_session(HWND window, bool ending) {
    if (!ending) return;
    end_visit_now();
    result_log_rescue();
    if (bgm_player(kBgmQuery, window, nullptr)) bgm_player(kBgmStop, window, nullptr);
    remove_key_hooks();
    keep_awake(false);
}

static void on_destroy(HWND window) {
    run_engine(kRunEnd, 0, nullptr);
    set_error_owner(nullptr);
    KillTimer(window, g_main.timer);
    KillTimer(window, g_main.seconds_timer);
    KillTimer(window, g_main.scan_timer);
    voice_stop(window);
    speech_end();
    watch_session(window, false);
    remove_key_hooks();
    keep_awake(false);
    clear_full_screen_props(window);
    PostQuitMessage(0);
}

static void cmd_open_question(HWND window) {
    if (run_engine(kRunUnderWay, 0, nullptr) != 0) return;
    run_engine(kRunLoadFile, 0, nullptr);
    refresh(window);
}

// A .set or .qst dropped on the start screen opens as セットを開く or 問題を開く would; in full
// screen or during a run a drop is refused.
static void open_dropped(HWND window, const char *path) {
    DWORD attributes = GetFileAttributesA(path);
    const char *extension = PathFindExtensionA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        show_message_box(window, "フォルダはドロップできません。ファイルをドロップしてください。", kTitle,
                         MB_OK | MB_ICONWARNING);
    } else if (lstrcmpiA(extension, ".set") == 0) {
        const void *io = path;
        if (set_manager(kSetLoadPath, 0, &io) != 1 || !io) return;
        set_restart_file(path);
        apply_set(window, static_cast<const SetRecord *>(io));
    } else if (lstrcmpiA(extension, ".qst") == 0) {
        char *text = const_cast<char *>(path);
        run_engine(kRunOpenFile, 0, &text);
        refresh(window);
    } else {
        show_message_box(window, "問題ファイル(*.qst)かセットファイル(*.set)をドロップしてください。", kTitle,
                         MB_OK | MB_ICONWARNING);
    }
}

static void on_drop_files(HWND window, HDROP drop) {
    char path[kPathSize] = {0};
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    UINT length = count == 1 ? DragQueryFileA(drop, 0, nullptr, 0) : 0;
    bool one = count == 1 && length > 0 && length < sizeof path && DragQueryFileA(drop, 0, path, sizeof path) == length;
    DragFinish(drop);
    if (full_screen_flag() || run_engine(kRunUnderWay, 0, nullptr) != 0) return;
    if (!one) {
        show_message_box(window, "ドロップできるファイルは一度に一つです。", kTitle, MB_OK | MB_ICONWARNING);
        return;
    }
    open_dropped(window, path);
}

static void cmd_about(HWND window) {
    char text[kTextBuffer];
    wsprintfA(text, "%s ver.%s\r%s", kTitle, ZEL_VERSION_TEXT, "診断クイズキオスク  Zelmica 開発チーム");
    show_message_box(window, text, "Version Infomation", MB_ICONINFORMATION);
}

static void cmd_edit_set(HWND window) {
    if (distribution_edit_set(window)) return;
    SetRecord *edited = nullptr;
    if (set_manager(kSetEdit, 0, &edited) == 1 && edited) apply_set(window, edited);
}

static void cmd_edit_title(HWND window) {
    char buffer[kTextBuffer] = "";
    char *text = buffer;
    run_engine(kRunGetStartText, 0, &text);
    if (input_box(window, kTitle, "タイトルを入力してください", ES_AUTOHSCROLL, buffer, sizeof buffer) == kInputBoxConfirmed)
        run_engine(kRunSetStartText, 0, &text);
    refresh(window);
}

static void cmd_open_bgm(HWND window) {
    char path[kPathSize] = "";
    char folder[kPathSize];
    if (!module_folder(folder)) GetWindowsDirectoryA(folder, sizeof folder);
    if (!choose_open_file(window, "BGMファイルの選択", kMusicFilter,
                          path, folder, 0))
        return;
    if (bgm_player(kBgmQuery, window, nullptr)) bgm_player(kBgmStop, window, nullptr);
    bgm_player(kBgmOpen, window, path);
}

static void cmd_score_line(HWND window) {
    HMENU menu = GetMenu(window);
    if (GetMenuState(menu, IDM_SCORE_LINE, MF_BYCOMMAND) & MF_CHECKED) {
        CheckMenuItem(menu, IDM_SCORE_LINE, MF_BYCOMMAND | MF_UNCHECKED);
        g_main.score_display = 0;
    } else {
        CheckMenuItem(menu, IDM_SCORE_LINE, MF_BYCOMMAND | MF_CHECKED);
        g_main.score_display = 1;
    }
}

static void cmd_reset(HWND window) {
    set_manager(kSetReset, 0, &window);
    SetRecord *record = nullptr;
    set_manager(kSetCurrent, 0, &record);
    apply_set(window, record);
}

// F5: the loaded files read again, each into its slot. A visitor's run is not cut off, except
// in test mode, where the operator is checking a file just edited.
static void reload_files(HWND window) {
    if (!test_mode_on() && run_engine(kRunUnderWay, 0, nullptr) != 0) return;
    run_engine(kRunReloadAll, 0, nullptr);
    refresh(window);
}

static void on_command(HWND window, int id) {
    if (jump_command(window, id)) {
        refresh(window);
        return;
    }
    // The menu, 終了 and opening another set are ways out too. F11 never leaves full screen.
    if (id != IDM_FULL_SCREEN && !staff_may_leave(window)) return;
    switch (id) {
    case IDM_OPEN_QUESTION: cmd_open_question(window); break;
    // Destroying the window runs the shutdown sequence and ends the loop.
    case IDM_QUIT: DestroyWindow(window); break;
    case IDM_HELP:
        if (!open_program_document(window, "zelplay.htm"))
            show_message_box(window, "ヘルプ「zelplay.htm」を開けませんでした。", kTitle, MB_OK | MB_ICONWARNING);
        break;
    case IDM_ABOUT: cmd_about(window); break;
    case IDM_TALLY: show_tally(window, g_main.instance); break;
    case IDM_KIOSK_STATUS: show_kiosk_status(window, g_main.instance); break;
    case IDM_PC_KIOSK_NAME: ask_pc_kiosk_name(window); break;
    case IDM_EDIT_QUESTION:
        if (!start_program("zeledit.exe"))
            show_message_box(window, "問題エディタ「zeledit.exe」を起動できませんでした。", kTitle, MB_OK | MB_ICONWARNING);
        break;
    case IDM_FULL_SCREEN: enter_full_screen(window, true); break;
    case IDM_OPEN_SET: apply_set(window, nullptr); break;
    case IDM_EDIT_SET: cmd_edit_set(window); break;
    case IDM_STOP_BGM:
        if (bgm_player(kBgmQuery, window, nullptr)) bgm_player(kBgmStop, window, nullptr);
        break;
    case IDM_EDIT_TITLE: cmd_edit_title(window); break;
    case IDM_OPEN_BGM: cmd_open_bgm(window); break;
    case IDM_SCORE_LINE: cmd_score_line(window); break;
    case IDM_SAVER_OFF:
        SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, 0, nullptr, 0);
        keep_awake(true);
        break;
    case IDM_RESET: cmd_reset(window); break;
    default: break;
    }
}

// A monitor plugged in or a resolution changed: Windows may have dropped the low-level hook
// meanwhile, and full screen must cover the new screen.
static void on_display_change(HWND window) {
    refresh_key_hooks();
    refit_full_screen(window);
}

static void on_key_up(HWND window, WPARAM key) {
    if (key == VK_F11) {
        SendMessageA(window, WM_COMMAND, IDM_FULL_SCREEN, 0);
    } else if (key == VK_F5) {
        reload_files(window);
    } else if (key == VK_ESCAPE && test_mode_on() && full_screen_flag()) {
        set_full_screen(window, 0);
        set_full_screen_flag(0);
    } else if (shift_f12_leaves(key, full_screen_flag(), GetAsyncKeyState)) {
        if (staff_may_leave(window)) leave_full_screen(window);
    }
}

static void on_mouse_move(HWND window, int x, int y) {
    int over = hit_choice(window, x, y, nullptr) || hit_replay_mark(window, x, y);
    if (over && !g_main.hand_shown) {
        SetClassLongPtrA(window, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(g_main.hand));
        g_main.hand_shown = 1;
    } else if (!over && g_main.hand_shown) {
        SetClassLongPtrA(window, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(g_main.arrow));
        g_main.hand_shown = 0;
    }
}

// Staff on a touch-only kiosk call the keypad with taps in the top-left corner.
static bool corner_call(HWND window, int x, int y) {
    const int corner = MulDiv(kCornerTenthsMm, window_dpi(window), 254);
    if (!corner_tap(&g_main.corner, x < corner && y < corner, GetMessageTime())) return false;
    if (!full_screen_flag() || !g_main.exit_pin[0]) return false;
    staff_may_leave(window);
    return true;
}

// Clicks, taps and keys alike: the same guards, the same run step, the same log line.
template <typename Mark> static void show_pressed(HWND window, Mark mark) {
    if (!g_press_millis) return;
    mark(true);
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    Sleep(g_press_millis);
    mark(false);
}

static bool choose(HWND window, int slot, DWORD input_time) {
    // A tap that arrives while the last one is still handled (a box or a sound runs its own loop)
    // would answer the same question again.
    if (g_main.choosing) return false;
    if (click_too_early(input_time, g_main.shown_at, g_main.settled, g_settle_millis)) return false;
    g_main.choosing = true;
    // The row shows pressed first, so a tap is seen to land before the screen changes.
    show_pressed(window, [slot](bool on) { set_choice_pressed(on ? slot : -1); });
    run_engine(kRunChoose, slot, nullptr);
    refresh(window);
    g_main.choosing = false;
    return true;
}

static void on_button_down(HWND window, int x, int y) {
    int slot = 0;
    if (note_input(window)) return;
    if (corner_call(window, x, y)) return;
    if (hit_replay_mark(window, x, y)) {
        show_pressed(window, set_replay_pressed);
        InvalidateRect(window, nullptr, FALSE);
        hear_screen(window);
        return;
    }
    RECT client, button;
    GetClientRect(window, &client);
    POINT at = {x, y};
    if (run_engine(kRunComment, 0, nullptr) == -1 && print_button_rect(client, font_slots_dpi(), &button) &&
        PtInRect(&button, at)) {
        // 試す prints only here, on the author's own press, and marks the card.
        if (request_card_print(window, test_mode_on())) refresh(window);
        return;
    }
    // Scanning: a click anywhere is the switch, and chooses what the frame is on; but not the
    // staff's corner taps on a kiosk with a PIN.
    const int framed = choice_highlight();
    const int corner = MulDiv(kCornerTenthsMm, window_dpi(window), 254);
    const bool staff_corner = full_screen_flag() && g_main.exit_pin[0] && x < corner && y < corner;
    if (g_main.scan_seconds && framed >= 0 && !staff_corner) {
        choose(window, framed, GetMessageTime());
        return;
    }
    if (hit_choice(window, x, y, &slot)) choose(window, slot, GetMessageTime());
}

static int next_shown(unsigned shown, int from, int step) {
    for (int n = 1; n <= kChoiceSlots; ++n) {
        int i = ((from + step * n) % kChoiceSlots + kChoiceSlots) % kChoiceSlots;
        if (shown & (1u << i)) return i;
    }
    return -1;
}

int key_choice(WPARAM vk, unsigned shown, int *highlight) {
    // Slot 5 is "戻る" on the result screen, 「ひとつ前へ」 beside the answers.
    const bool back_shown = (shown & (1u << kBackSlot)) != 0;
    const bool result = back_shown && !(shown & ((1u << kBackSlot) - 1));
    int digit = -1;
    if (vk >= '0' && vk <= '9') digit = static_cast<int>(vk - '0');
    else if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) digit = static_cast<int>(vk - VK_NUMPAD0);
    if (digit >= 1 && digit <= kBackSlot) return (shown & (1u << (digit - 1))) ? digit - 1 : -1;
    // Space is the switch of a button box as much as Enter.
    const bool enter = vk == VK_RETURN || vk == VK_SPACE;
    if (back_shown && digit == 0) return kBackSlot;
    if (result && enter) return kBackSlot;
    int h = *highlight >= 0 && *highlight < kChoiceSlots && (shown & (1u << *highlight)) ? *highlight : -1;
    switch (vk) {
    case VK_RETURN:
    case VK_SPACE: return h;
    case VK_DOWN:
    case VK_RIGHT: *highlight = next_shown(shown, h < 0 ? -1 : h, 1); return -1;
    case VK_UP:
    case VK_LEFT: *highlight = next_shown(shown, h < 0 ? kChoiceSlots : h, -1); return -1;
    default: return -1;
    }
}

// Button boxes and keyboards: digits, arrows and Enter (see key_choice).
static void on_key_down(HWND window, WPARAM vk, LPARAM flags) {
    const bool repeat = (flags & (1 << 30)) != 0;
    if (note_input(window)) return;
    if (vk == 'R' && !repeat) {  // hear the screen again: its voices, or the speech voice
        hear_screen(window);
        return;
    }
    const ChoiceLayout layout = choice_layout(window);
    int highlight = choice_highlight();
    const bool arrows_in_use = highlight >= 0 && !g_main.key_frame && !g_main.scan_seconds;
    int slot = key_choice(vk, layout.shown, &highlight);
    if (highlight != choice_highlight()) {
        set_choice_highlight(highlight);
        InvalidateRect(window, nullptr, FALSE);
        frame_moved(window, highlight);
    }
    // A held key must not answer the questions after this one.
    if (slot < 0 || repeat) return;
    if (!choose(window, slot, GetMessageTime()) || !arrows_in_use) return;
    // Who moves with the arrows keeps a highlight on the next screen.
    set_choice_highlight(next_shown(choice_layout(window).shown, -1, 1));
    InvalidateRect(window, nullptr, FALSE);
}

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_CREATE: on_create(window); return 0;
    case kMsgCheckLogFolder: check_log_folder(window); return 0;
    case WM_DESTROY: on_destroy(window); break;
    case WM_QUERYENDSESSION: return TRUE;
    case WM_CLOSE:
        if (!staff_may_leave(window)) return 0;
        break;
    case WM_ENDSESSION: on_end_session(window, wp != FALSE); return 0;
    case WM_SIZE:
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
        return 0;
    case WM_PAINT: paint_screen(window, g_main.score_display, full_screen_flag()); return 0;
    case kMsgDpiChanged:
        // Moved to a screen of another scale: the fonts and pictures follow, the layout is the
        // client area's anyway. A full-screen window is fitted to the new caption and menu heights.
        font_slots_set_dpi(HIWORD(wp));
        if (full_screen_flag()) refit_full_screen(window);
        else {
            const RECT *r = reinterpret_cast<const RECT *>(lp);
            SetWindowPos(window, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        }
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_DISPLAYCHANGE: on_display_change(window); break;
    case WM_WTSSESSION_CHANGE:
        if (wp == WTS_SESSION_UNLOCK) refresh_key_hooks();
        return 0;
    case WM_GETMINMAXINFO: full_screen_minmax(window, reinterpret_cast<MINMAXINFO *>(lp)); return 0;
    case WM_KEYUP: on_key_up(window, wp); return 0;
    case WM_KEYDOWN: on_key_down(window, wp, lp); return 0;
    case WM_SYSCOMMAND:
        // In full screen the menu must not open from the keyboard (F10, Alt): it offers a way out.
        if ((wp & 0xFFF0) == SC_KEYMENU && full_screen_flag()) return 0;
        break;
    case WM_COMMAND: on_command(window, LOWORD(wp)); return 0;
    case WM_INITMENU:
        if (test_mode_on()) fill_jump_menu(window);
        return 0;
    case WM_DROPFILES: on_drop_files(window, reinterpret_cast<HDROP>(wp)); return 0;
    case WM_MOUSEMOVE: on_mouse_move(window, GET_X_LPARAM(lp), GET_Y_LPARAM(lp)); return 0;
    case WM_LBUTTONDOWN: on_button_down(window, GET_X_LPARAM(lp), GET_Y_LPARAM(lp)); return 0;
    case MM_MCINOTIFY:
        if (voice_notified(window, wp, lp)) {
            show_log_state(window);  // a file of the list may not have played
            return 0;
        }
        if (wp == MCI_NOTIFY_SUCCESSFUL) bgm_player(kBgmAgain, window, nullptr);
        return 0;
    default: break;
    }
    return DefWindowProcA(window, message, wp, lp);
}

ATOM register_main_class(HINSTANCE instance) {
    g_main.instance = instance;
    WNDCLASSEXA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = main_window_proc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_PLAYER));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = back_brush(kBrushGet, 0);
    wc.lpszMenuName = MAKEINTRESOURCEA(IDR_MAIN_MENU);
    wc.lpszClassName = kTitle;
    return RegisterClassExA(&wc);
}

HWND create_main_window(HINSTANCE instance, int show) {
    HWND window = CreateWindowExA(0, kTitle, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (!window) return nullptr;
    ShowWindow(window, show);
    UpdateWindow(window);
    return window;
}

int first_argument(const char *line, char *arg, size_t arg_size) {
    if (!arg_size) return 0;
    arg[0] = '\0';
    if (!line) return 0;
    const char *p = skip_program_name(line);
    const char *start = p, *end;
    if (*p == '"') {
        start = ++p;
        while (*p && *p != '"') ++p;
        end = p;
    } else {
        // One unquoted argument may still hold blanks: take the rest of the line.
        end = p + strlen(p);
        while (end > start && (end[-1] == ' ' || end[-1] == '\t')) --end;
    }
    size_t n = static_cast<size_t>(end - start);
    if (n == 0 || n >= arg_size) return 0;
    memcpy(arg, start, n);
    arg[n] = '\0';
    return 1;
}

HWND start_player(HINSTANCE instance, int show) {
    TestModeOptions test;
    char path[kPathSize];
    // A preview leaves nothing behind: no log, no recovery file, no restart.
    bool testing = parse_test_switch(GetCommandLineA(), &test, path, sizeof path) != 0;
    char kiosk[kKioskNameSize];
    int interval = 0, dist_seconds = 0;
    const char *args = testing ? nullptr : read_player_switches(GetCommandLineA(), kiosk, sizeof kiosk, &interval, &dist_seconds);
    if (testing) {
        begin_test_mode();
    } else {
        install_crash_restart();
        // This computer's kiosk name: the switch (kept by the Startup shortcut), else the player's setting.
        set_pc_kiosk_name(kiosk[0] ? kiosk : stored_pc_kiosk_name().c_str());
        set_kiosk_report_interval(interval);
        std::string switches;
        if (kiosk[0]) switches = std::string("/kiosk:") + kiosk;
        if (interval > 0) switches += (switches.empty() ? "/status:" : " /status:") + std::to_string(interval);
        if (dist_seconds > 0) switches += (switches.empty() ? "/distcheck:" : " /distcheck:") + std::to_string(dist_seconds);
        set_restart_switches(switches.c_str());
        // Lines an earlier run left on this PC go to their logs before the first visitor.
        result_log_open_spool();
        distribution_start(dist_seconds);
    }
    if (!register_main_class(instance)) return nullptr;
    HWND window = create_main_window(instance, show);
    if (!window) return nullptr;
    if (testing) show_test_window(window, test);
    if (testing) {
        if (path[0]) open_start_file(window, path);
    } else if (first_argument(args, path, sizeof path)) {
        // A set kept up to date from its 配布フォルダー starts with the copy in effect last.
        distribution_open_start(window, path);
    }
    if (!testing) kiosk_report_start(restarted_after_fault());
    return window;
}

int open_start_file(HWND window, const char *given) {
    // File dialogs move the current folder: a restart must still find the file it was given.
    char path[kPathSize];
    DWORD n = GetFullPathNameA(given, sizeof path, path, nullptr);
    if (!n || n >= sizeof path) copy_cut(path, sizeof path, given);
    set_restart_file(path);
    if (lstrcmpiA(PathFindExtensionA(path), ".set") == 0) {
        const void *io = path;
        if (set_manager(kSetLoadPath, 0, &io) != 1 || !io) return 0;
        g_main.quiet_full_screen = true;
        apply_set(window, static_cast<const SetRecord *>(io));
        g_main.quiet_full_screen = false;
        return 1;
    }
    // The loader reports a file it cannot open.
    char *text = const_cast<char *>(path);
    run_engine(kRunLoadFile, 0, &text);
    refresh(window);
    return 1;
}
