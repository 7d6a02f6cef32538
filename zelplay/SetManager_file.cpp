// Reading a ".set" file into the current record and writing the record back through a temporary file.
#include "SetManager_private.h"
#include "BrixLib.h"
#include "DirList.h"
#include "exit_pin.h"
#include "RowOfFile.h"
#include "font_slot.h"
#include "imemory.h"
#include "message_box.h"
#include "sound_store.h"
#include <stdio.h>
#include "card_layout.h"
#include <stdlib.h>
#include <string.h>
#include <string>

namespace {

const char kFilter[] = "問題セットファイル(*.set)\0*.set\0すべてのファイル(*.*)\0*.*\0";
const char kOpenTitle[] = "問題セットの選択";
const char kSaveTitle[] = "セットの保存先を選択してください";
const char kOpenErrorCaption[] = "File Open Error";
const char kTemporaryNameCaption[] = "一時ファイル名の作成";
const char kExitPinKey[] = "EXITPIN";
const char kIdleSecondsKey[] = "IDLESEC";
const char kIdleFirstKey[] = "IDLEFIRST";
const char kResultSecondsKey[] = "RESULTSEC";
const char kProgressKey[] = "PROGRESS";
const char kCardPrintKey[] = "CARDPRINT";
const char kCardPrinterKey[] = "CARDPRINTER";
const char kCardPaperKey[] = "CARDPAPER";
const char *const kCardPrintValues[] = {"", "BUTTON", "AUTO"};
const char kAskSecondsKey[] = "ASKSEC";
const char kNumbersKey[] = "NUMBERS";
const char kKeysKey[] = "KEYS";
const char kScanKey[] = "SCAN";
const char kBackKey[] = "BACK";
const char kSpeakKey[] = "SPEAK";
const char kDistFolderKey[] = "DISTDIR";
const char kKioskKey[] = "KIOSK";

Utf8Original g_utf8_original;


// Like atoi, but a number beyond the 32-bit range stops at its end instead of wrapping.
int32_t number(const char *value) { return static_cast<int32_t>(strtol(value, nullptr, 10)); }

struct Reader {
    SetRecord *record;
    int questions;  // Q lines taken so far in this load
};

// Lines of the set file this program does not know (a newer player's keys), written back as they
// were so that saving here does not drop them.
std::string g_kept_lines;

// Every key this program reads; the sound keys besides.
const char *const kKnownKeys[] = {"A", "G", "SAVEROFF", "VISITOFF", "T", "B", "Q", "1", "3", "6", "5",
                                  "7", "8", "9", "0", "SetWall", "OFFTIMER", kKioskKey, "LOGDIR",
                                  kExitPinKey, kIdleSecondsKey, kIdleFirstKey, kResultSecondsKey,
                                  kProgressKey, kAskSecondsKey, kNumbersKey, kKeysKey, kScanKey, kBackKey, kSpeakKey, kDistFolderKey,
                                  kCardPrintKey, kCardPrinterKey, kCardPaperKey};

bool known_key(const char *key) {
    for (const char *k : kKnownKeys)
        if (equals_nocase(key, k)) return true;
    for (int k = 0; k < kSoundSlots; ++k)
        if (equals_nocase(key, sound_key(k))) return true;
    return !key[0];  // a blank line is nobody's
}

}  // namespace

int set_path_field(const char *line, bool *question_file) {
    char key[kLineSize] = {0};
    const char *value = nullptr;
    split_at_delimiter(line, ",", key, sizeof key, &value);
    *question_file = equals_nocase(key, "Q");
    if (*question_file || equals_nocase(key, "B") || equals_nocase(key, "7") || equals_nocase(key, "SetWall")) return 1;
    for (int k = 0; k < kSoundSlots; ++k)
        if (equals_nocase(key, sound_key(k))) return 1;
    return -1;
}

namespace {

void apply_line(Reader *r, const char *line) {
    SetRecord *s = r->record;
    // The key buffer is as long as a line, so a cut key cannot pass for a shorter one.
    char key[kLineSize] = {0};
    const char *value = nullptr;
    split_at_delimiter(line, ",", key, sizeof key, &value);
    if (!known_key(key)) {
        g_kept_lines += std::string(line) + "\r\n";
        return;
    }

    if (equals_nocase(key, "A")) s->full_screen = 1;
    else if (equals_nocase(key, "G")) s->daily_log = 1;
    else if (equals_nocase(key, "SAVEROFF")) s->saver_off = 1;
    else if (equals_nocase(key, "VISITOFF")) s->visit_log_off = 1;
    else if (equals_nocase(key, kExitPinKey)) {
        // A PIN line that cannot be checked means no PIN, never a locked kiosk.
        s->exit_pin[0] = '\0';
        s->exit_pin_unreadable = 1;
        if (value && pin_line_readable(value) && strlen(value) < sizeof s->exit_pin) {
            copy_cut(s->exit_pin, sizeof s->exit_pin, value);
            s->exit_pin_unreadable = 0;
        }
        return;
    }
    if (equals_nocase(key, kIdleFirstKey)) s->idle_first_question = 1;
    if (equals_nocase(key, kProgressKey)) s->show_progress = 1;
    if (equals_nocase(key, kKeysKey)) s->key_frame = 1;
    if (equals_nocase(key, kBackKey)) s->back_step = 1;
    if (equals_nocase(key, kSpeakKey)) s->speak = 1;
    if (!value) return;  // every other key needs a value
    if (equals_nocase(key, kIdleSecondsKey)) s->idle_seconds = number(value);
    else if (equals_nocase(key, kResultSecondsKey)) s->result_seconds = number(value);
    else if (equals_nocase(key, kAskSecondsKey)) s->ask_seconds = number(value);
    else if (equals_nocase(key, kNumbersKey)) s->answer_numbers = number(value) != 0;
    else if (equals_nocase(key, kScanKey)) s->scan_seconds = number(value);

    if (equals_nocase(key, "T")) copy_cut(s->title, sizeof s->title, value);
    else if (equals_nocase(key, "B")) copy_cut(s->music, sizeof s->music, value);
    else if (equals_nocase(key, "Q")) {
        // The record holds five question files; further lines are left out.
        if (r->questions < kSetQuestionFiles)
            copy_cut(s->questions[r->questions++], sizeof s->questions[0], value);
    } else if (equals_nocase(key, "1")) read_logfont_line(value, &s->title_font);
    else if (equals_nocase(key, "3")) read_logfont_line(value, &s->question_font);
    else if (equals_nocase(key, "6")) s->text_colour = static_cast<COLORREF>(number(value));
    else if (equals_nocase(key, "5")) s->back_colour = static_cast<COLORREF>(number(value));
    else if (equals_nocase(key, "7")) copy_cut(s->picture, sizeof s->picture, value);
    else if (equals_nocase(key, "8")) s->picture_x = number(value);
    else if (equals_nocase(key, "9")) s->picture_y = number(value);
    else if (equals_nocase(key, "0")) s->picture_zoom = number(value);
    else if (equals_nocase(key, "SetWall")) copy_cut(s->wallpaper, sizeof s->wallpaper, value);
    else if (equals_nocase(key, "OFFTIMER")) s->idle_minutes = number(value);
    else if (equals_nocase(key, kKioskKey)) copy_cut(s->kiosk, sizeof s->kiosk, value);
    else if (equals_nocase(key, "LOGDIR")) copy_cut(s->log_folder, sizeof s->log_folder, value);
    else if (equals_nocase(key, kDistFolderKey)) copy_cut(s->dist_folder, sizeof s->dist_folder, value);
    else if (equals_nocase(key, kCardPrinterKey)) copy_cut(s->card_printer, sizeof s->card_printer, value);
    else if (equals_nocase(key, kCardPrintKey)) {
        for (int m = 1; m < 3; ++m)
            if (equals_nocase(value, kCardPrintValues[m])) s->card_print = m;
    } else if (equals_nocase(key, kCardPaperKey)) {
        bool known = false;
        s->card_paper = paper_of_key(value, &known);
        s->card_paper_unknown = !known;
    } else {
        for (int k = 0; k < kSoundSlots; ++k) {
            if (!equals_nocase(key, sound_key(k))) continue;
            char *text = const_cast<char *>(value);  // the store only reads a put text
            sound_store(kSoundPutSet + k, 0, &text);
            return;
        }
    }
}

bool take_line(const char *line, void *context) {
    apply_line(static_cast<Reader *>(context), line);
    return true;
}

void start_folder(char *folder) {
    if (!module_folder(folder) || !folder[0]) GetWindowsDirectoryA(folder, kPathSize);
}

// Writes the lines of one set file in the file's key order; every line counts towards ok.
struct Writer {
    const char *path;
    bool first = true;
    bool ok = true;

    void line(const char *text) {
        // One failure is reported once: the lines after it are not tried.
        if (!ok) return;
        // The first line starts a new file, dropping any old temporary file of the same name.
        if (!append_to_file(path, text, first ? kAppendCreateAlways : kAppendOpenExisting)) ok = false;
        first = false;
    }
    void text(const char *key, const char *value) {
        if (!value[0]) return;
        char l[kLineSize];
        snprintf(l, sizeof l, "%s,%s\r\n", key, value);
        line(l);
    }
    void number(const char *key, long value) {
        char l[64];
        snprintf(l, sizeof l, "%s,%ld\r\n", key, value);
        line(l);
    }
    void font(const char *key, const LOGFONTA *f) {
        char face_line[128];
        write_logfont_line(f, face_line);
        text(key, face_line);
    }
};

void write_record(Writer *w, const SetRecord *s) {
    w->text("T", s->title);
    w->text("B", s->music);
    for (const char *q : s->questions) w->text("Q", q);
    if (s->full_screen) w->line("A\r\n");
    if (s->daily_log) w->line("G\r\n");
    if (s->saver_off) w->line("SAVEROFF\r\n");
    w->font("1", &s->title_font);
    w->font("3", &s->question_font);
    w->number("6", static_cast<long>(s->text_colour));
    w->number("5", static_cast<long>(s->back_colour));
    if (s->picture[0]) {
        w->text("7", s->picture);
        w->number("8", s->picture_x);
        w->number("9", s->picture_y);
        w->number("0", s->picture_zoom);
    }
    w->text("SetWall", s->wallpaper);
    for (int k = 0; k < kSoundSlots && w->ok; ++k)
        if (!write_key_value(w->path, sound_key(k), kSoundGetSet + k)) w->ok = false;
    // A reader that knows only minutes still returns, at the next whole minute.
    int32_t minutes = s->idle_minutes ? s->idle_minutes : (s->idle_seconds + 59) / 60;
    if (minutes) w->number("OFFTIMER", minutes);
    w->text(kExitPinKey, s->exit_pin);
    if (s->idle_seconds) w->number(kIdleSecondsKey, s->idle_seconds);
    if (s->idle_first_question) {
        char l[32];
        snprintf(l, sizeof l, "%s\r\n", kIdleFirstKey);
        w->line(l);
    }
    if (s->result_seconds) w->number(kResultSecondsKey, s->result_seconds);
    if (s->show_progress) {
        char l[32];
        snprintf(l, sizeof l, "%s\r\n", kProgressKey);
        w->line(l);
    }
    // Only what differs from a new set: older readers skip both keys.
    if (s->ask_seconds != kAskSecondsDefault) w->number(kAskSecondsKey, s->ask_seconds);
    if (!s->answer_numbers) w->number(kNumbersKey, 0);
    for (const auto &flag : {std::make_pair(s->key_frame, kKeysKey), std::make_pair(s->back_step, kBackKey),
                            std::make_pair(s->speak, kSpeakKey)}) {
        if (!flag.first) continue;
        char l[32];
        snprintf(l, sizeof l, "%s\r\n", flag.second);
        w->line(l);
    }
    if (s->scan_seconds) w->number(kScanKey, s->scan_seconds);
    if (s->visit_log_off) w->line("VISITOFF\r\n");
    w->text(kKioskKey, s->kiosk);
    w->text("LOGDIR", s->log_folder);
    w->text(kDistFolderKey, s->dist_folder);
    if (s->card_print > 0 && s->card_print < 3) w->text(kCardPrintKey, kCardPrintValues[s->card_print]);
    w->text(kCardPrinterKey, s->card_printer);
    if (s->card_paper) w->text(kCardPaperKey, paper_info(s->card_paper).key);
    // Keys a newer player wrote go back as they came.
    for (size_t at = 0; at < g_kept_lines.size() && w->ok;) {
        size_t end = g_kept_lines.find("\r\n", at) + 2;
        w->line(g_kept_lines.substr(at, end - at).c_str());
        at = end;
    }
}

}  // namespace

bool clamp_idle_seconds(SetRecord *r) {
    const int32_t idle = r->idle_seconds, result = r->result_seconds, ask = r->ask_seconds, scan = r->scan_seconds;
    if (r->scan_seconds < 0) r->scan_seconds = 0;
    else if (r->scan_seconds > kScanSecondsMax) r->scan_seconds = kScanSecondsMax;
    if (r->ask_seconds < 0) r->ask_seconds = 0;
    else if (r->ask_seconds > kAskSecondsMax) r->ask_seconds = kAskSecondsMax;
    if (r->idle_seconds < 0) r->idle_seconds = 0;
    else if (r->idle_seconds && r->idle_seconds < kIdleSecondsMin) r->idle_seconds = kIdleSecondsMin;
    else if (r->idle_seconds > kIdleSecondsMax) r->idle_seconds = kIdleSecondsMax;
    if (r->result_seconds < 0) r->result_seconds = 0;
    else if (r->result_seconds > kResultSecondsMax) r->result_seconds = kResultSecondsMax;
    return idle != r->idle_seconds || result != r->result_seconds || ask != r->ask_seconds ||
           scan != r->scan_seconds;
}

namespace {

// One key's value from a set file ("" when none or unreadable), without loading it.
std::string set_file_value(const char *path, const char *wanted) {
    struct Look {
        const char *key;
        std::string found;
    } look = {wanted, std::string()};
    int utf8 = 0;
    HANDLE file = open_line_file(path, &utf8);
    if (file == INVALID_HANDLE_VALUE) return look.found;
    char buffer[kLineSize];
    if (check_not_empty(file) != kFileEmpty)
        for_each_line(file, buffer, sizeof buffer,
                      [](const char *line, void *context) {
                          Look *l = static_cast<Look *>(context);
                          char key[kLineSize] = {0};
                          const char *value = nullptr;
                          split_at_delimiter(line, ",", key, sizeof key, &value);
                          if (value && equals_nocase(key, l->key)) l->found = value;
                          return true;
                      },
                      &look);
    CloseHandle(file);
    return look.found;
}

}  // namespace

std::string set_file_dist_folder(const char *path) { return set_file_value(path, kDistFolderKey); }

std::string set_file_kiosk(const char *path) { return set_file_value(path, kKioskKey); }

int load_set(HWND owner, bool tell) {
    char *path = set_current_path();
    if (!path) return 0;
    if (!path[0]) {
        char folder[kPathSize] = {0}, chosen[kPathSize] = {0};
        start_folder(folder);
        if (!choose_open_file(owner, kOpenTitle, kFilter, chosen, folder, 0) || !chosen[0]) return 0;
        strcpy(path, chosen);
    }
    int utf8 = 0;
    Utf8Losses lost;
    HANDLE file = open_line_file(path, &utf8, &lost);
    if (file == INVALID_HANDLE_VALUE) {
        i_show_file_error(kOpenErrorCaption, path);
        return 0;
    }
    utf8_original_opened(&g_utf8_original, path, utf8, lost);
    if (utf8 && tell) {
        char notice[512];
        utf8_loss_notice(path, lost, notice, sizeof notice);
        show_message_box(owner, notice, kOpenTitle, lost.count ? MB_OK | MB_ICONWARNING : MB_OK | MB_ICONINFORMATION);
    }
    // A set opens as it was saved: nothing of the set that was open before stays.
    set_record_defaults(set_current_record());
    sound_store(kSoundClearSet, 0, nullptr);
    g_kept_lines.clear();
    char *buffer = static_cast<char *>(I_HEAP_CALLOC(kLineSize, 1));
    if (buffer && check_not_empty(file) != kFileEmpty) {
        Reader reader = {set_current_record(), 0};
        for_each_line(file, buffer, kLineSize, take_line, &reader);
    }
    I_HEAP_FREE(buffer);
    CloseHandle(file);
    set_current_record()->idle_clamped = clamp_idle_seconds(set_current_record()) ? 1 : 0;
    return 1;
}

int save_set(HWND owner) {
    char *path = set_current_path();
    if (!path) return 0;
    char folder[kPathSize] = {0}, chosen[kPathSize] = {0}, temporary[kPathSize] = {0};
    start_folder(folder);
    strcpy(chosen, path);
    if (!choose_save_file(owner, kSaveTitle, kFilter, chosen, folder, 0) || !chosen[0]) return 0;
    if (!utf8_original_may_replace(&g_utf8_original, owner, chosen, kSaveTitle)) return 0;
    // Only a set that already had a path follows the dialog's answer.
    if (path[0]) strcpy(path, chosen);
    if (!temporary_beside(chosen, temporary)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        i_show_last_error(kTemporaryNameCaption);
        return 0;
    }
    Writer writer;
    writer.path = temporary;
    write_record(&writer, set_current_record());
    if (!writer.ok) {
        // A file with a missing line would replace a complete one; keep the old file instead.
        DeleteFileA(temporary);
        return 0;
    }
    if (!replace_file(temporary, chosen)) return 0;
    utf8_original_saved(&g_utf8_original, chosen);
    return 1;
}
