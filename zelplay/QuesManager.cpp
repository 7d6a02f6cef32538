// The diagnosis run engine and the result log it writes.
#include "QuesManager.h"
#include "message_box.h"
#include "BrixLib.h"
#include "Other.h"
#include "QuestionFile.h"
#include "SetManager.h"
#include "font_slot.h"
#include "result_choice.h"
#include "image_store.h"
#include "result_log.h"
#include "sound_effect.h"
#include "sound_store.h"
#include <stdarg.h>
#include <stdio.h>
#include <shlwapi.h>
#include <string.h>

namespace {

enum { kStartTextSize = 256, kBandTextSize = 64, kBackChoice = 5, kNoFile = -1, kNoSlot = -1 };

const char kDefaultStartText[] = "セットまたは問題ファイルを読み込んで、F11で全画面表示させてください";
const char kBackText[] = "戻る";
const char kCheckFileComment[] = "問題ファイルの内容を確認してください";

struct Engine {
    int started;
    HWND owner;
    int32_t current;   // -1: start screen
    int32_t question;  // after the last answer: the number of questions
    int32_t total;
    int32_t resultScreen;
    char resultTitle[kTitleSize];
    char resultComment[kCommentSize];
    char startText[kStartTextSize];
    char programDir[kPathSize];
    char soundPath[kPathSize];
    char logPath[kPathSize];
    int32_t resultCount;
    double bandWidth;
    int32_t loadSlot;  // slot chosen for the next load_question_file, or -1
    QuestionFile slots[kQuesFileSlots];
};

Engine g;
char g_empty[1] = "";
char g_log_folder[kPathSize];

void real_local_date(SYSTEMTIME *now) { GetLocalTime(now); }
LocalDateFn g_local_date = real_local_date;

const char *log_folder() { return g_log_folder[0] ? g_log_folder : g.programDir; }

}  // namespace

int log_folder_writable(char *folder) {
    strcpy(folder, log_folder());
    char probe[kPathSize];
    if (snprintf(probe, sizeof probe, "%s~zelmica%lu.tmp", folder, GetCurrentProcessId()) >= static_cast<int>(sizeof probe))
        return 1;  // nothing to say about a folder whose path cannot even be formed here
    HANDLE h = CreateFileA(probe, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS ? 1 : 0;
    CloseHandle(h);
    return 1;
}

namespace {

void name_log(int daily) {
    if (!daily) {
        snprintf(g.logPath, sizeof g.logPath, "%s%s", log_folder(), "zelm.csv");
        return;
    }
    SYSTEMTIME now;
    memset(&now, 0, sizeof now);
    g_local_date(&now);
    snprintf(g.logPath, sizeof g.logPath, "%s%s%02d%02d%s", log_folder(), "zelm", now.wMonth, now.wDay, ".csv");
}

void log_line(const char *format, ...) {
    char line[kLineSize];
    va_list ap;
    va_start(ap, format);
    vsnprintf(line, sizeof line, format, ap);
    va_end(ap);
    result_log_append(g.logPath, line);  // a refusal is reported there and the line waits; the run goes on
}

void play(int sound_slot, int file, int wait) {
    char *name = g_empty;
    if (!sound_store(kSoundResolve + sound_slot, file, &name) || !name || !name[0]) return;
    // A sound chosen on another drive is stored whole, and is played as it is.
    int n = PathIsRelativeA(name) ? snprintf(g.soundPath, sizeof g.soundPath, "%s%s", g.programDir, name)
                                  : snprintf(g.soundPath, sizeof g.soundPath, "%s", name);
    if (n < 0 || static_cast<size_t>(n) >= sizeof g.soundPath) return;  // a cut path would name another file
    play_sound_effect(g.soundPath, wait);
}

void activity() { set_manager(kSetActivity, 0, nullptr); }

void show_picture(const char *path, int32_t x, int32_t y) {
    image_store(kImgLoadRunPicture, 0, const_cast<char *>(path));
    image_store(kImgRunPictureX, x, nullptr);
    image_store(kImgRunPictureY, y, nullptr);
}

void clear_pictures() {
    image_store(kImgClearRunPicture, 0, nullptr);
    image_store(kImgClearRunWall, 0, nullptr);
}

bool valid_slot(int32_t i) { return i >= 0 && i < kQuesFileSlots; }

const QuestionRecord *question_at(int32_t file, int32_t q) {
    static const QuestionRecord kNone = {};
    if (!valid_slot(file) || !g.slots[file].questions || q < 0) return &kNone;
    return &g.slots[file].questions[q];
}

int32_t loaded_files() {
    int32_t n = 0;
    while (n < kQuesFileSlots && question_file_loaded(&g.slots[n])) ++n;
    return n;
}

void drop_file_fonts(int32_t k) {
    question_font(kFontDropFile, k, 0, nullptr);
    answer_font(kFontDropFile, k, nullptr);
    comment_font(kFontDropFile, k, 0, nullptr);
    header_font(kFontDropFile, k, nullptr);
}

// A free slot may hold what a file without a first question left; it must not leak into the next.
void prepare_slot(int32_t k) {
    question_file_clear(&g.slots[k]);
    drop_file_fonts(k);
    for (int s = 0; s < kSoundSlots; ++s) {
        char *none = g_empty;
        sound_store(kSoundPutFile + s, k, &none);
    }
}

void to_start_screen() {
    g.current = kNoFile;
    g.question = 0;
    g.resultScreen = 0;
}

void start() {
    for (QuestionFile &s : g.slots) question_file_free(&s);
    memset(&g, 0, sizeof g);
    g.started = 1;
    to_start_screen();
    for (QuestionFile &s : g.slots) question_file_init(&s);
    copy_cut(g.startText, sizeof g.startText, kDefaultStartText);
    module_folder(g.programDir);
    name_log(0);
    sound_store(kSoundReset, 0, nullptr);
    g.loadSlot = 0;
}

void drop_all() {
    to_start_screen();
    g.total = 0;
    for (int k = 0; k < kQuesFileSlots; ++k) {
        question_file_clear(&g.slots[k]);
        drop_file_fonts(k);
    }
    sound_store(kSoundClearFiles, 0, nullptr);
    clear_pictures();
}

void load(char **value) {
    const char *path = (value && *value && **value) ? *value : nullptr;
    g.loadSlot = loaded_files();
    if (g.loadSlot < kQuesFileSlots) {
        prepare_slot(g.loadSlot);
        load_question_file(g.owner, path);
    } else {
        g.loadSlot = kNoSlot;  // five files loaded: nothing may be overwritten
        show_message_box(g.owner, "問題ファイルは5つまで読み込めます。\r\nセットを開き直すか、初期状態に戻してください。",
                         "問題を開く", MB_OK | MB_ICONINFORMATION);
    }
    // Back on the start screen, as after every other way there: an abandoned question's picture
    // and wallpaper would hide the set's.
    to_start_screen();
    clear_pictures();
}

void show_row(const ResultRecord *row) {
    copy_cut(g.resultTitle, sizeof g.resultTitle, row->title);
    copy_cut(g.resultComment, sizeof g.resultComment, row->comment);
    show_picture(row->picture, row->pictureX, row->pictureY);
}

void choose_result(const QuestionFile *f) {
    g.resultScreen = 1;
    const ResultRules rules = result_rules(f);
    const ResultPick pick = pick_result(rules, g.total);
    if (pick.kind == kPickTopRow) return show_row(&f->topRow);
    if (pick.kind == kPickBottomRow) return show_row(&f->bottomRow);
    g.resultCount = rules.banded;
    if (rules.banded) g.bandWidth = static_cast<double>(result_band_width(rules));
    if (pick.kind == kPickNoRows) {
        copy_cut(g.resultTitle, sizeof g.resultTitle, kNoResultsTitle);
        copy_cut(g.resultComment, sizeof g.resultComment, kCheckFileComment);
    } else if (pick.kind == kPickZeroWidth) {
        copy_cut(g.resultTitle, sizeof g.resultTitle, kZeroWidthTitle);
        copy_cut(g.resultComment, sizeof g.resultComment, kCheckFileComment);
        const ResultRecord *first = &f->results[0];
        show_picture(first->picture, first->pictureX, first->pictureY);
    } else {
        show_row(&f->results[pick.row]);
    }
}

// Slot of the grade sound for choice c.
int grade(const QuestionRecord *q, int c) {
    int32_t high = q->points[0], low = q->points[0];
    for (int i = 0; i < kAnswerCount; ++i) {
        if (!q->answers[i][0]) continue;
        if (q->points[i] > high) high = q->points[i];
        else if (q->points[i] < low) low = q->points[i];
    }
    if (q->points[c] == high) return kSndMx;
    if (q->points[c] == low) return kSndMn;
    return kSndMd;
}

void start_file(int32_t c) {
    if (!valid_slot(c) || !question_file_loaded(&g.slots[c])) return;  // nothing to ask there
    g.question = 0;
    g.total = 0;
    g.resultScreen = 0;
    g.current = c;
    play(kSndSt, c, 1);
    const QuestionRecord *q = question_at(c, 0);
    show_picture(q->picture, q->pictureX, q->pictureY);
    image_store(kImgLoadRunWall, 0, g.slots[c].wallpaper);
    activity();
}

void go_back() {
    to_start_screen();
    play(kSndBk, kNoFile, 0);
    clear_pictures();
    activity();
}

void answer(int32_t c) {
    int32_t f = g.current, qn = g.question;
    const QuestionRecord *q = question_at(f, qn);
    // Only offered answers count; anything else would log a choice nobody could see.
    if (c < 0 || c >= kAnswerCount || !q->text[0] || !q->answers[c][0]) return;
    log_line(kLogAnswerLine, f + 1, qn + 1, c + 1, q->points[c]);
    g.total = saturating_add(g.total, q->points[c]);
    const QuestionRecord *next = question_at(f, qn + 1);
    if (next->text[0]) {
        play(grade(q, c), f, 0);
        show_picture(next->picture, next->pictureX, next->pictureY);
    } else {
        choose_result(&g.slots[f]);
        log_line(kLogTotalLine, g.total);
        // The judgement sound belongs to this moment: both editors offer it for the result.
        play(kSndEd, f, 0);
    }
    ++g.question;
    activity();
}

void choose(int32_t c) {
    if (g.current == kNoFile) start_file(c);
    else if (g.resultScreen) {
        if (c == kBackChoice) go_back();
    } else {
        answer(c);
    }
}

int32_t give(char **value, const char *text) {
    if (value) *value = const_cast<char *>(text);
    return -1;
}

int32_t choice_text(int32_t i, char **value) {
    if (g.current == kNoFile) {
        if (i < 0 || i > kBackChoice) return 0;
        if (i == kBackChoice || !question_file_loaded(&g.slots[i])) return give(value, g_empty);
        return give(value, g.slots[i].title);
    }
    if (g.resultScreen) {
        if (i == kBackChoice) return give(value, kBackText);
        if (i < 0 || i > kBackChoice) return 0;
        return give(value, question_at(g.current, g.question)->answers[i]);
    }
    if (i < 0 || i >= kAnswerCount) return 0;
    return give(value, question_at(g.current, g.question)->answers[i]);
}

const char *main_text() {
    if (g.current == kNoFile) return g.startText;
    if (g.resultScreen) return g.resultTitle;
    return question_at(g.current, g.question)->text;
}

int32_t file_text(const char *text, char **value) {
    if (g.current == kNoFile || !text[0]) return 0;
    return give(value, text);
}

}  // namespace

int32_t run_engine(unsigned op, int32_t index, char **value) {
    if (op == kRunStart) {
        start();
        HWND owner = reinterpret_cast<HWND>(static_cast<intptr_t>(index));
        g.owner = IsWindow(owner) ? owner : nullptr;
        return -1;
    }
    if (!g.started) return -1;
    switch (op) {
        case kRunDropAll: drop_all(); return -1;
        case kRunEnd:
            // The main window is going away: the box stands on its own.
            result_log_finish(nullptr);
            for (QuestionFile &s : g.slots) question_file_free(&s);
            g.started = 0;
            return -1;
        case kRunLogNaming: name_log(index); return -1;
        case kRunSetStartText:
            if (value && *value) copy_cut(g.startText, sizeof g.startText, *value);
            return -1;
        case kRunMainText: return give(value, main_text());
        case kRunChoiceText: return choice_text(index, value);
        case kRunComment: return g.resultScreen && g.current != kNoFile ? give(value, g.resultComment) : 0;
        case kRunTotal: return g.total;
        case kRunHeader: return file_text(valid_slot(g.current) ? g.slots[g.current].header : g_empty, value);
        case kRunFooter: return file_text(valid_slot(g.current) ? g.slots[g.current].footer : g_empty, value);
        case kRunCurrentFile: return g.current;
        case kRunGetStartText:
            if (value && *value) memcpy(*value, g.startText, strlen(g.startText) + 1);
            return -1;
        case kRunBandWidthText:
            if (value && *value) snprintf(*value, kBandTextSize, "%f", g.bandWidth);
            return -1;
        case kRunResultCount: return g.resultCount;
        case kRunGetLogPath:
            if (value && *value) memcpy(*value, g.logPath, strlen(g.logPath) + 1);
            return -1;
        case kRunLoadFile: load(value); return -1;
        case kRunChoose: choose(index); return -1;
        case kRunUnderWay: return g.question != 0 ? -1 : 0;
        case kRunIdleReturn:
            if (g.current == kNoFile) return -1;
            if (g.question == 0) {
                // A first question nobody answered: the log has no line of this visit, nor gets one.
                if (index == kIdleAlsoFirstQuestion) go_back();
                return -1;
            }
            log_line(kLogIdleLine);
            g.resultScreen = 1;
            go_back();
            return -1;
        case kRunEmptySlot:
            if (valid_slot(index)) question_file_empty(&g.slots[index]);
            return -1;
        default: return -1;
    }
}

const QuestionFile *loaded_question_file(int slot) {
    return g.started && valid_slot(slot) ? &g.slots[slot] : nullptr;
}

int load_question_file(HWND owner, const char *path) {
    if (!g.started || !valid_slot(g.loadSlot)) return 0;
    return load_question_file_into(&g.slots[g.loadSlot], g.loadSlot, owner, path);
}

LocalDateFn set_local_date_fn(LocalDateFn fn) {
    LocalDateFn old = g_local_date;
    g_local_date = fn ? fn : real_local_date;
    return old;
}

void set_log_folder(const char *folder) { copy_cut(g_log_folder, sizeof g_log_folder, folder ? folder : ""); }
