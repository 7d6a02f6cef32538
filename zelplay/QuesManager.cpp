// The diagnosis run engine and the result log it writes.
#include "reading.h"
#include "QuesManager.h"
#include "message_box.h"
#include "BrixLib.h"
#include "Other.h"
#include "QuestionFile.h"
#include "SetManager.h"
#include "font_slot.h"
#include "result_choice.h"
#include "image_store.h"
#include "imemory.h"
#include "result_log.h"
#include "result_qr.h"
#include "card_print.h"
#include "test_mode.h"
#include "sound_effect.h"
#include "sound_store.h"
#include "visit_code_log.h"
#include "visit_log.h"
#include <stdarg.h>
#include <stdio.h>
#include <shlwapi.h>
#include <string.h>
#include <vector>

namespace {

enum { kStartTextSize = 256, kBandTextSize = 64, kBackChoice = 5, kNoFile = -1, kNoSlot = -1 };

const char kDefaultStartText[] = "セットまたは問題ファイルを読み込んで、F11で全画面表示させてください";
const char kBackText[] = "戻る";
const char kBackStepText[] = "ひとつ前へ";
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
    char resultVoice[kQuesPathSize];  // the shown row's recorded voice, as the file names it
    char startText[kStartTextSize];
    char programDir[kPathSize];
    char soundPath[kPathSize];
    char logPath[kPathSize];
    int dailyLog;  // the log's name follows the local date
    unsigned logYear;  // the year of the daily log's date, decided with its name at each line
    int32_t resultCount;
    double bandWidth;
    int32_t loadSlot;  // slot chosen for the next load_question_file, or -1
    QuestionFile slots[kQuesFileSlots];
    char paths[kQuesFileSlots][kPathSize];  // full path each slot was read from, to read it again
};

Engine g;
char g_empty[1] = "";

// 「ひとつ前へ」: the run's answers wait here, in order, until its total or idle line (and on the
// local disk beside the spool: held is their number there, 0 for none).
struct PendingAnswer {
    int32_t file, question, choice, points;
    uint64_t held;
};
bool g_back_step = false;
std::vector<PendingAnswer> g_pending;
char g_log_folder[kPathSize];

char g_set_log_folder[kPathSize];  // the set's own folder, absolute, with its backslash; empty: none

// The visit under way: from the choice of a title to its end, kept apart from the engine's plain state.
struct Visit {
    bool open = false;
    SYSTEMTIME start;
    std::vector<VisitAnswer> answers;
};
Visit g_visit;
struct VisitLogSettings {
    bool on = true;
    char kiosk[kKioskNameSize] = "";  // empty: the computer's name
    char set_file[kPathSize] = "";
};
VisitLogSettings g_visit_log;
VisitObserver g_visit_observer;
char g_pc_kiosk[kKioskNameSize];  // this computer's own name for its kiosk, before the set's

void real_local_date(SYSTEMTIME *now) { GetLocalTime(now); }
LocalDateFn g_local_date = real_local_date;

const char *log_folder() {
    if (g_set_log_folder[0]) return g_set_log_folder;
    return g_log_folder[0] ? g_log_folder : g.programDir;
}

}  // namespace

int log_folder_writable(char *folder) {
    strcpy(folder, log_folder());
    // A set's folder (a share, a stick) may come and go: its lines wait and are counted, without a box.
    if (g_set_log_folder[0]) return 1;
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

// The log of the moment: the daily name follows the local date at each line, not only when a set
// was applied, so a player running past midnight starts the next day's file.
void name_log() {
    if (!g.dailyLog) {
        snprintf(g.logPath, sizeof g.logPath, "%s%s", log_folder(), "zelm.csv");
        return;
    }
    SYSTEMTIME now;
    memset(&now, 0, sizeof now);
    g_local_date(&now);
    snprintf(g.logPath, sizeof g.logPath, "%s%s%02d%02d%s", log_folder(), "zelm", now.wMonth, now.wDay, ".csv");
    g.logYear = now.wYear;
}

void log_line(const char *format, ...) {
    char line[kLineSize];
    va_list ap;
    va_start(ap, format);
    vsnprintf(line, sizeof line, format, ap);
    va_end(ap);
    name_log();
    result_log_append(g.logPath, line, 0, g.dailyLog ? g.logYear : 0);  // a refusal is reported there and the line waits; the run goes on
}

bool valid_slot(int32_t i);

// A path the current question file names, as found: beside that file first.
const char *named_by_current(const char *path, char *found) {
    return resolve_named_path(path, valid_slot(g.current) ? g.paths[g.current] : nullptr, found);
}

void log_answer(const PendingAnswer &a) { log_line(kLogAnswerLine, a.file + 1, a.question + 1, a.choice + 1, a.points); }

// A crash before the total keeps a held answer: the next start writes it.
uint64_t hold_answer(const PendingAnswer &a) {
    char line[kLineSize];
    snprintf(line, sizeof line, kLogAnswerLine, a.file + 1, a.question + 1, a.choice + 1, a.points);
    name_log();
    return result_log_hold(g.logPath, line, g.dailyLog ? g.logYear : 0);
}

// Every answer given reaches the log, however the run ends.
void flush_answers() {
    bool held = false;
    for (const PendingAnswer &a : g_pending) {
        log_answer(a);
        held = held || a.held;
    }
    if (held) result_log_release_held();
    g_pending.clear();
}

void play(int sound_slot, int file, int wait) {
    char *name = g_empty;
    if (!sound_store(kSoundResolve + sound_slot, file, &name) || !name || !name[0]) return;
    // A sound chosen on another drive is stored whole, and is played as it is. A relative one is
    // looked for beside the file that names it first: the question file when its own level has
    // this slot, else the set.
    char own[kPathSize] = {0}, found[kPathSize];
    char *own_value = own;
    // ("戻る" skips the file's level, so the file's own value must be the one resolved.)
    const bool from_file = valid_slot(file) && sound_store(kSoundGetFile + sound_slot, file, &own_value) && own[0] &&
                           strcmp(own, name) == 0;
    const char *naming = nullptr;
    if (from_file) naming = g.paths[file];
    else set_manager(kSetPath, 0, &naming);
    const char *beside = resolve_named_path(name, naming, found);
    int n = beside != name ? snprintf(g.soundPath, sizeof g.soundPath, "%s", beside)
            : PathIsRelativeA(name) ? snprintf(g.soundPath, sizeof g.soundPath, "%s%s", g.programDir, name)
                                    : snprintf(g.soundPath, sizeof g.soundPath, "%s", name);
    if (n < 0 || static_cast<size_t>(n) >= sizeof g.soundPath) return;  // a cut path would name another file
    play_sound_effect(g.soundPath, wait);
}

void activity() { set_manager(kSetActivity, 0, nullptr); }

void show_picture(const char *path, int32_t x, int32_t y) {
    char found[kPathSize];
    image_store(kImgLoadRunPicture, 0, const_cast<char *>(named_by_current(path, found)));
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
    g.paths[k][0] = '\0';
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
    g_visit.open = false;  // a visit of an engine that was not ended is nobody's now
    g_pending.clear();
    g_back_step = false;
    g.started = 1;
    to_start_screen();
    for (QuestionFile &s : g.slots) question_file_init(&s);
    copy_cut(g.startText, sizeof g.startText, kDefaultStartText);
    module_folder(g.programDir);
    name_log();
    sound_store(kSoundReset, 0, nullptr);
    g.loadSlot = 0;
}

// The visitor's row, when the visit ends: completed, result left until the idle return, or left
// partway (a visit nobody answered in is not one).
void end_visit(int ending) {
    if (!g_visit.open) return;
    g_visit.open = false;
    if (!g_visit_log.on || !valid_slot(g.current) || (ending == kVisitAbandoned && g.question == 0)) return;
    VisitRow row;
    row.start = g_visit.start;
    memset(&row.end, 0, sizeof row.end);
    g_local_date(&row.end);
    if (g_visit_observer && !log_writes_suppressed()) g_visit_observer(row.end);
    char kiosk[kKioskNameSize];
    current_kiosk_name(kiosk);
    row.kiosk = kiosk;
    row.set_file = g_visit_log.set_file;
    row.slot = g.current + 1;
    row.title = plain_text(g.slots[g.current].title);  // logs carry the base text, not its readings
    row.answers = g_visit.answers;
    row.total = g.total;
    row.result = plain_text(g.resultTitle);
    row.ending = ending;
    row.stopped_at = g.question + 1;
    char path[kPathSize];
    if (!visit_log_path(path, sizeof path, log_folder(), row.start, kiosk)) return;
    size_t questions = 1;
    std::vector<QuizAnswerTexts> texts;  // so the report shows answers without the quiz file
    for (const QuestionFile &f : g.slots) {
        if (!question_file_loaded(&f)) continue;
        if (question_file_count(&f) > questions) questions = question_file_count(&f);
        texts.push_back({f.title, {}});
        for (size_t q = 0; q < question_file_count(&f); ++q)
            texts.back().answers.emplace_back(f.questions[q].answers, f.questions[q].answers + kAnswerCount);
    }
    const std::string header = visit_header(static_cast<int>(questions), texts);
    result_log_append(path, (header + visit_row_text(row)).c_str(), header.size());
    // The code the result screen gave this visitor, in its own file.
    if (ending != kVisitAbandoned && result_visit_code()[0] &&
        visit_code_log_path(path, sizeof path, log_folder(), row.end, kiosk)) {
        const std::string codes = visit_code_header();
        result_log_append(path, (codes + visit_code_row(row.end, kiosk, result_visit_code(), g.resultTitle, g.total,
                                                        result_card_print())).c_str(),
                          codes.size());
    }
}

void drop_all() {
    flush_answers();
    end_visit(g.resultScreen ? kVisitResultLeft : kVisitAbandoned);
    to_start_screen();
    g.total = 0;
    for (int k = 0; k < kQuesFileSlots; ++k) {
        question_file_clear(&g.slots[k]);
        g.paths[k][0] = '\0';
        drop_file_fonts(k);
    }
    sound_store(kSoundClearFiles, 0, nullptr);
    clear_pictures();
}

// The full path a stored path opens, for telling whether a file is loaded already.
void full_path(const char *path, char *full) {
    char resolved[kPathSize];
    const char *opened = resolve_stored_path(path, resolved);
    DWORD n = GetFullPathNameA(opened, kPathSize, full, nullptr);
    if (!n || n >= kPathSize) copy_cut(full, kPathSize, opened);
}

int32_t slot_holding(const char *full) {
    for (int32_t k = 0; k < loaded_files(); ++k)
        if (lstrcmpiA(g.paths[k], full) == 0) return k;
    return kNoSlot;
}

void back_to_start() {
    // Back on the start screen, as after every other way there: an abandoned question's picture
    // and wallpaper would hide the set's.
    to_start_screen();
    clear_pictures();
}

void refuse_sixth() {
    show_message_box(g.owner, "問題ファイルは5つまで読み込めます。\r\nセットを開き直すか、初期状態に戻してください。",
                     "問題を開く", MB_OK | MB_ICONINFORMATION);
}

// Reads path into slot k; a file read again that cannot be opened now keeps what the slot held.
void read_into(int32_t k, const char *path, const char *full, bool chosen) {
    if (question_file_loaded(&g.slots[k]) && GetFileAttributesA(full) == INVALID_FILE_ATTRIBUTES) {
        i_show_file_error("File Open Error", full);
        return;
    }
    prepare_slot(k);
    g.loadSlot = k;
    if (load_question_file_into(&g.slots[k], k, g.owner, path, chosen)) copy_cut(g.paths[k], kPathSize, full);
}

// A set may name one file twice and gets both; a file the operator opens again replaces itself.
void load(char **value, bool operator_file) {
    const char *path = (value && *value && **value) ? *value : nullptr;
    end_visit(kVisitAbandoned);
    int32_t free_slot = loaded_files();
    g.loadSlot = kNoSlot;
    char chosen[kPathSize] = {0}, full[kPathSize];
    if (!path && free_slot >= kQuesFileSlots) {
        refuse_sixth();  // five files loaded: nothing may be overwritten
    } else if (path || ask_question_file_path(g.owner, chosen)) {
        if (!path) path = chosen;
        full_path(path, full);
        int32_t same = chosen[0] || operator_file ? slot_holding(full) : kNoSlot;
        if (same != kNoSlot) read_into(same, path, full, chosen[0] != 0);
        else if (free_slot < kQuesFileSlots) read_into(free_slot, path, full, chosen[0] != 0);
        else refuse_sixth();
    }
    back_to_start();
}

void reload_all() {
    end_visit(kVisitAbandoned);
    for (int32_t k = loaded_files() - 1; k >= 0; --k) {
        if (!g.paths[k][0]) continue;
        char full[kPathSize];
        copy_cut(full, sizeof full, g.paths[k]);
        read_into(k, full, full, false);
    }
    back_to_start();
}

void show_row(const ResultRecord *row) {
    if (valid_slot(g.current)) {
        SYSTEMTIME now;
        memset(&now, 0, sizeof now);
        g_local_date(&now);
        char kiosk[kKioskNameSize];
        if (g_visit_log.kiosk[0]) copy_cut(kiosk, sizeof kiosk, g_visit_log.kiosk);
        else default_kiosk_name(kiosk);
        result_qr_prepare(&g.slots[g.current], row, g.total, now, kiosk);
    }
    reset_card_print_for_result();
    copy_cut(g.resultTitle, sizeof g.resultTitle, row->title);
    copy_cut(g.resultComment, sizeof g.resultComment, row->comment);
    copy_cut(g.resultVoice, sizeof g.resultVoice, row->voice);
    show_picture(row->picture, row->pictureX, row->pictureY);
}

void choose_result(const QuestionFile *f) {
    g.resultScreen = 1;
    g.resultVoice[0] = '\0';
    const ResultRules rules = result_rules(f);
    std::vector<int32_t> answers;
    for (const VisitAnswer &a : g_visit.answers) answers.push_back(a.answer);
    const ResultPick pick = rules.typed ? pick_type_result(rules, f, answers.data(), answers.size())
                                        : pick_result(rules, g.total);
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
    g_visit.open = true;
    memset(&g_visit.start, 0, sizeof g_visit.start);
    g_local_date(&g_visit.start);
    g_visit.answers.assign(question_file_count(&g.slots[c]), VisitAnswer{0, 0});
    play(kSndSt, c, 1);
    const QuestionRecord *q = question_at(c, 0);
    show_picture(q->picture, q->pictureX, q->pictureY);
    char found[kPathSize];
    image_store(kImgLoadRunWall, 0, const_cast<char *>(resolve_named_path(g.slots[c].wallpaper, g.paths[c], found)));
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
    PendingAnswer given = {f, qn, c, q->points[c], 0};
    if (g_back_step) {
        given.held = hold_answer(given);
        g_pending.push_back(given);
    } else {
        log_answer(given);
    }
    if (static_cast<size_t>(qn) < g_visit.answers.size()) g_visit.answers[static_cast<size_t>(qn)] = {c + 1, q->points[c]};
    g.total = saturating_add(g.total, q->points[c]);
    const QuestionRecord *next = question_at(f, qn + 1);
    if (next->text[0]) {
        play(grade(q, c), f, 0);
        show_picture(next->picture, next->pictureX, next->pictureY);
    } else {
        choose_result(&g.slots[f]);
        flush_answers();
        log_line(kLogTotalLine, g.total);
        // Every visitor's card, handed off without waiting; 試す prints only on the author's press.
        if (card_print_mode() == kCardPrintAuto && !test_mode_on()) request_card_print(g.owner, false);
        // The judgement sound belongs to this moment: both editors offer it for the result.
        play(kSndEd, f, 0);
    }
    ++g.question;
    activity();
}

// The last answer taken back: its question is shown again and the total is that of the answers before.
void back_step() {
    if (g_pending.empty() || g.question == 0) return;
    result_log_unhold(g_pending.back().held);
    g_pending.pop_back();
    --g.question;
    g.total = 0;
    for (const PendingAnswer &a : g_pending) g.total = saturating_add(g.total, a.points);
    if (static_cast<size_t>(g.question) < g_visit.answers.size()) g_visit.answers[static_cast<size_t>(g.question)] = {0, 0};
    const QuestionRecord *q = question_at(g.current, g.question);
    show_picture(q->picture, q->pictureX, q->pictureY);
    activity();
}

bool back_step_offered() { return g_back_step && g.current != kNoFile && !g.resultScreen && !g_pending.empty(); }

void choose(int32_t c) {
    if (g.current == kNoFile) start_file(c);
    else if (!g.resultScreen && c == kBackChoice) {
        if (back_step_offered()) back_step();
    }
    else if (g.resultScreen) {
        if (c == kBackChoice) {
            end_visit(kVisitCompleted);
            go_back();
        }
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
    if (i == kBackChoice && back_step_offered()) return give(value, kBackStepText);
    if (i < 0 || i >= kAnswerCount) return 0;
    return give(value, question_at(g.current, g.question)->answers[i]);
}

// The hint speaks to an operator with nothing loaded: once a quiz is, the start screen shows the quiz.
const char *start_title() {
    if (strcmp(g.startText, kDefaultStartText) != 0) return g.startText;
    for (int i = 0; i < kQuesFileSlots; ++i)
        if (question_file_loaded(&g.slots[i]) && g.slots[i].title[0]) return g.slots[i].title;
    return g.startText;
}

const char *main_text() {
    if (g.current == kNoFile) return start_title();
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
            flush_answers();
            end_visit(g.resultScreen ? kVisitResultLeft : kVisitAbandoned);
            // The main window is going away: the box stands on its own.
            result_log_finish(nullptr);
            for (QuestionFile &s : g.slots) question_file_free(&s);
            g.started = 0;
            return -1;
        case kRunLogNaming:
            g.dailyLog = index != 0;
            name_log();
            return -1;
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
        case kRunProgress: {
            // Packed into one int32 for older callers: a mark that does not fit is none rather than a wrong one.
            int32_t number = 0, count = 0;
            if (!run_progress(&number, &count) || number > 32767 || count > 65535) return 0;
            return number * 65536 + count;
        }
        case kRunGetLogPath:
            name_log();
            if (value && *value) memcpy(*value, g.logPath, strlen(g.logPath) + 1);
            return -1;
        case kRunLoadFile: load(value, false); return -1;
        case kRunOpenFile: load(value, true); return -1;
        case kRunReloadAll: reload_all(); return -1;
        case kRunChoose: choose(index); return -1;
        case kRunUnderWay: return g.question != 0 ? -1 : 0;
        case kRunIdleReturn:
            if (g.current == kNoFile) return -1;
            if (g.question == 0) {
                // A first question nobody answered: the log has no line of this visit, nor gets one.
                if (index == kIdleAlsoFirstQuestion) {
                    end_visit(kVisitAbandoned);
                    go_back();
                }
                return -1;
            }
            flush_answers();
            end_visit(g.resultScreen ? kVisitResultLeft : kVisitAbandoned);
            log_line(kLogIdleLine);
            g.resultScreen = 1;
            go_back();
            return -1;
        case kRunBackStepMode:
            flush_answers();
            g_back_step = index != 0;
            return -1;
        case kRunEmptySlot:
            if (valid_slot(index)) question_file_empty(&g.slots[index]);
            return -1;
        default: return -1;
    }
}

int show_result_row(int32_t file, int kind, int32_t row, int32_t total) {
    if (!g.started || !valid_slot(file) || !question_file_loaded(&g.slots[file])) return 0;
    const QuestionFile *f = &g.slots[file];
    const ResultRules rules = result_rules(f);
    const ResultRecord *shown = nullptr;
    if (kind == kPickTopRow) shown = &f->topRow;
    else if (kind == kPickBottomRow) shown = &f->bottomRow;
    else if (kind == kPickBand && row >= 0 && row < rules.banded) shown = &f->results[row];
    if (!shown) return 0;
    clear_pictures();
    char found[kPathSize];
    image_store(kImgLoadRunWall, 0, const_cast<char *>(resolve_named_path(g.slots[file].wallpaper, g.paths[file], found)));
    g.current = file;
    g.question = static_cast<int32_t>(question_file_count(f));
    g.total = total;
    g.resultScreen = 1;
    g.resultCount = rules.banded;
    g.bandWidth = rules.banded ? static_cast<double>(result_band_width(rules)) : 0.0;
    show_row(shown);
    return 1;
}

bool run_progress(int32_t *number, int32_t *count) {
    if (!g.started || !valid_slot(g.current) || g.resultScreen) return false;
    size_t n = question_file_count(&g.slots[g.current]);
    *number = g.question + 1;
    *count = n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n);
    return true;
}

bool screen_voices(ScreenVoices *out) {
    memset(out, 0, sizeof *out);
    if (!g.started || !valid_slot(g.current)) return false;
    const char *named[kVoiceParts] = {};
    if (g.resultScreen) {
        named[0] = g.resultVoice;
    } else {
        const QuestionRecord *q = question_at(g.current, g.question);
        for (int v = 0; v < kVoiceParts; ++v) named[v] = q->voice[v];
    }
    for (int v = 0; v < kVoiceParts; ++v) {
        if (!named[v] || !named[v][0]) continue;
        char found[kPathSize];
        copy_cut(out->path[v], sizeof out->path[v], named_by_current(named[v], found));
    }
    return true;
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

int set_set_log_folder(const char *folder) {
    g_set_log_folder[0] = '\0';
    if (!folder || !folder[0]) return 1;
    char base[kPathSize];
    strcpy(base, g_log_folder[0] ? g_log_folder : g.programDir);
    // A relative folder stands beside the program, as the set's other paths do.
    int n = PathIsRelativeA(folder) ? snprintf(g_set_log_folder, sizeof g_set_log_folder, "%s%s", base, folder)
                                    : snprintf(g_set_log_folder, sizeof g_set_log_folder, "%s", folder);
    size_t length = n > 0 ? static_cast<size_t>(n) : 0;
    // The last byte 0x5C may be half of "表": only a whole backslash ends the folder.
    bool ends = false;
    for (const char *p = g_set_log_folder; *p; ++p) {
        ends = *p == '\\';
        if (is_sjis_lead(static_cast<unsigned char>(*p)) && p[1]) ++p;
    }
    if (length + (ends ? 0 : 1) >= sizeof g_set_log_folder) {
        g_set_log_folder[0] = '\0';
        return 0;
    }
    if (!ends) strcat(g_set_log_folder, "\\");
    return 1;
}

void end_visit_now() {
    if (g.started) end_visit(g.resultScreen ? kVisitResultLeft : kVisitAbandoned);
}

void current_kiosk_name(char *out) {
    if (g_pc_kiosk[0]) strcpy(out, g_pc_kiosk);
    else if (g_visit_log.kiosk[0]) strcpy(out, g_visit_log.kiosk);
    else default_kiosk_name(out);
}

void set_visit_observer(VisitObserver observer) { g_visit_observer = observer; }

void set_pc_kiosk_name(const char *name) {
    copy_cut(g_pc_kiosk, sizeof g_pc_kiosk, name && kiosk_name_valid(name) ? name : "");
}

const char *pc_kiosk_name() { return g_pc_kiosk; }

void set_visit_log(int on, const char *kiosk, const char *set_file) {
    g_visit_log.on = on != 0;
    copy_cut(g_visit_log.kiosk, sizeof g_visit_log.kiosk, kiosk && kiosk_name_valid(kiosk) ? kiosk : "");
    copy_cut(g_visit_log.set_file, sizeof g_visit_log.set_file, set_file ? set_file : "");
}
