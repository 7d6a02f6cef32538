// The player's question-file slot: its arrays, and reading a ".qst" file into it.
#include "QuestionFile.h"
#include "BrixLib.h"
#include "DirList.h"
#include "Other.h"
#include "RowOfFile.h"
#include "font_slot.h"
#include "question_codec.h"
#include "qr_text.h"
#include "imemory.h"
#include "message_box.h"
#include "sound_store.h"
#include <string.h>
#include <vector>

namespace {

const char kDialogCaption[] = "診断Zelmica";
const char kFilter[] = "問題ファイル(*.qst)\0*.qst\0すべてのファイル(*.*)\0*.*\0";
const char kOpenErrorCaption[] = "File Open Error";
const char kChosenOpenCaption[] = "問題を開く";

template <typename T> T *one_zero_record() { return static_cast<T *>(I_HEAP_CALLOC(1, sizeof(T))); }

// Makes room for records [0, need) and zeroes records need-2 and need-1. Capacity doubles,
// so reading n lines costs O(n) copying in all.
template <typename T> bool grow_for(T **array, size_t *capacity, size_t need) {
    if (need > *capacity || !*array) {
        size_t cap = *capacity ? *capacity : 1;
        while (cap < need) {
            if (cap > static_cast<size_t>(-1) / 2 / sizeof(T)) return false;
            cap *= 2;
        }
        void *p = I_REALLOC(*array, cap * sizeof(T));
        if (!p) return false;  // the old array and its terminator stay as they were
        *array = static_cast<T *>(p);
        *capacity = cap;
    }
    memset(&(*array)[need - 2], 0, 2 * sizeof(T));
    return true;
}

// Room for count records and the terminator in one step. Doubling alone copies and first-touches
// about twice the final array, which was most of the time of loading a large file. Only a hint:
// when the room cannot be had nothing is reported, and grow_for goes on line by line as before.
template <typename T> void reserve_for(T **array, size_t *capacity, size_t count) {
    if (count == 0 || count >= static_cast<size_t>(-1) / sizeof(T) - 1 || count + 1 <= *capacity) return;
    void *p = i_try_realloc(*array, (count + 1) * sizeof(T));
    if (!p) return;
    *array = static_cast<T *>(p);
    *capacity = count + 1;
}


struct Reader {
    QuestionFile *slot;
    int slot_index;
    size_t questions;  // records read so far in this load
    size_t results;
    std::vector<RangeLine> ranges;  // put on the rows once all are read: lines come in any order
    char pending_qr[sizeof(ResultRecord::qrText)];  // a "QrText" line waiting for its row
    std::vector<TypeLinkLine> links;
    PendingVoices voices;  // "Voice" lines waiting for their row
};

bool take_question(void *context, const char *fields) {
    Reader *r = static_cast<Reader *>(context);
    QuestionFile *s = r->slot;
    if (!grow_for(&s->questions, &s->questionCapacity, r->questions + 2)) return false;
    QuestionRecord *rec = &s->questions[r->questions];
    parse_question_line(fields, rec, kNumbersAlways);
    give_question_voices(&r->voices, rec);
    s->highestTotal = saturating_add(s->highestTotal, question_highest_points(rec));
    s->lowestTotal = saturating_add(s->lowestTotal, question_lowest_points(rec));
    ++r->questions;
    return true;
}

bool take_result(void *context, int key, const char *fields) {
    Reader *r = static_cast<Reader *>(context);
    QuestionFile *s = r->slot;
    ResultRecord *rec = key == kKeyTopRow ? &s->topRow : key == kKeyBottomRow ? &s->bottomRow : nullptr;
    if (!rec) {
        if (!grow_for(&s->results, &s->resultCapacity, r->results + 2)) return false;
        rec = &s->results[r->results++];
    }
    parse_result_line(fields, rec->title, rec->comment, rec->picture, &rec->pictureX, &rec->pictureY);
    memcpy(rec->qrText, r->pending_qr, sizeof rec->qrText);
    r->pending_qr[0] = '\0';
    give_result_voice(&r->voices, rec);
    return true;
}

void take_setting(void *context, int key, const char *value) {
    Reader *r = static_cast<Reader *>(context);
    QuestionFile *s = r->slot;
    switch (key) {
        case kKeyTitle: copy_cut(s->title, sizeof s->title, value); break;
        case kKeyHeader: copy_cut(s->header, sizeof s->header, value); break;
        case kKeyFooter: copy_cut(s->footer, sizeof s->footer, value); break;
        case kKeyWallpaper: copy_cut(s->wallpaper, sizeof s->wallpaper, value); break;
        case kKeyQrText: copy_cut(r->pending_qr, sizeof r->pending_qr, value); break;
        case kKeyQrDefault: copy_cut(s->qrDefault, sizeof s->qrDefault, value); break;
        case kKeyQrPlace: read_qr_place(value, &s->qrX, &s->qrY, &s->qrSize); break;
        default:
            if (key >= kKeySound0 && key < kKeySound0 + kSoundSlots) {
                char *text = const_cast<char *>(value);  // the store only reads a put text
                sound_store(kSoundPutFile + (key - kKeySound0), r->slot_index, &text);
            }
            break;
    }
}

void take_font(void *context, int role, const LOGFONTA *font) {
    font_role_call(role, kFontPutFile, static_cast<Reader *>(context)->slot_index, const_cast<LOGFONTA *>(font));
}

void take_round_up(void *context) { static_cast<Reader *>(context)->slot->roundUp = 1; }

// A range line the player cannot use is skipped, as any line it does not understand.
void take_range(void *context, const char *value) {
    RangeLine line;
    if (parse_range_line(value, &line) == kRangeLineOk) static_cast<Reader *>(context)->ranges.push_back(line);
}

void take_type_scoring(void *context, const char *value) {
    QuestionFile *s = static_cast<Reader *>(context)->slot;
    if (parse_type_scoring(value, &s->tieQuestion)) s->typeScoring = 1;
}

void take_type_link(void *context, const char *value) {
    TypeLinkLine line;
    if (parse_type_link_line(value, &line) == kTypeLineOk) static_cast<Reader *>(context)->links.push_back(line);
}

// A voice line the player cannot use is skipped, as any line it does not understand.
void take_voice(void *context, const char *value) { take_voice_line(&static_cast<Reader *>(context)->voices, value); }

// The dialog's answer goes into path (kPathSize bytes). 0 when cancelled.
int ask_for_path(HWND owner, char *path) {
    char folder[kPathSize] = {0};
    if (!module_folder(folder)) GetWindowsDirectoryA(folder, sizeof folder);
    return choose_open_file(owner, kDialogCaption, kFilter, path, folder, 0) ? 1 : 0;
}

}  // namespace

int32_t saturating_add(int32_t a, int32_t b) {
    int64_t sum = static_cast<int64_t>(a) + b;
    if (sum > INT32_MAX) return INT32_MAX;
    if (sum < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(sum);
}

int question_file_init(QuestionFile *slot) {
    memset(slot, 0, sizeof *slot);
    slot->questions = one_zero_record<QuestionRecord>();
    slot->questionCapacity = slot->questions ? 1 : 0;
    slot->results = one_zero_record<ResultRecord>();
    slot->resultCapacity = slot->results ? 1 : 0;
    return slot->questions && slot->results;
}

void question_file_empty(QuestionFile *slot) {
    QuestionRecord *q = one_zero_record<QuestionRecord>();
    if (q) {
        I_HEAP_FREE(slot->questions);
        slot->questions = q;
        slot->questionCapacity = 1;
    } else if (slot->questions) {
        memset(slot->questions, 0, sizeof *slot->questions);
    }
    ResultRecord *r = one_zero_record<ResultRecord>();
    if (r) {
        I_HEAP_FREE(slot->results);
        slot->results = r;
        slot->resultCapacity = 1;
    } else if (slot->results) {
        memset(slot->results, 0, sizeof *slot->results);
    }
    slot->title[0] = '\0';
}

void question_file_clear(QuestionFile *slot) {
    question_file_empty(slot);
    QuestionRecord *q = slot->questions;
    size_t qc = slot->questionCapacity;
    ResultRecord *r = slot->results;
    size_t rc = slot->resultCapacity;
    memset(slot, 0, sizeof *slot);
    slot->questions = q;
    slot->questionCapacity = qc;
    slot->results = r;
    slot->resultCapacity = rc;
}

void question_file_free(QuestionFile *slot) {
    I_HEAP_FREE(slot->questions);
    I_HEAP_FREE(slot->results);
    memset(slot, 0, sizeof *slot);
}

bool question_file_loaded(const QuestionFile *slot) { return slot->questions && slot->questions[0].text[0]; }

size_t question_file_count(const QuestionFile *slot) {
    size_t n = 0;
    if (slot->questions)
        while (slot->questions[n].text[0]) ++n;
    return n;
}

int ask_question_file_path(HWND owner, char *path) { return ask_for_path(owner, path); }

int load_question_file_into(QuestionFile *slot, int slot_index, HWND owner, const char *path, bool chosen_now) {
    char *buffer = static_cast<char *>(I_HEAP_CALLOC(kLineSize, 1));
    if (!buffer) return 0;
    char chosen[kPathSize] = {0};
    if (!path) {
        if (!ask_for_path(owner, chosen)) {
            I_HEAP_FREE(buffer);
            return 0;
        }
        path = chosen;
    }
    char resolved[kPathSize];
    int utf8 = 0;
    Utf8Losses lost;
    HANDLE file = open_line_file(resolve_stored_path(path, resolved), &utf8, &lost);
    if (file == INVALID_HANDLE_VALUE) {
        i_show_file_error(kOpenErrorCaption, path);
        I_HEAP_FREE(buffer);
        return 0;
    }
    // Only a file the operator just chose: a set's files also load unattended, at a restart.
    if ((chosen[0] || chosen_now) && lost.count) {
        char notice[512];
        utf8_loss_notice(path, lost, notice, sizeof notice, false);
        show_message_box(owner, notice, kChosenOpenCaption, MB_OK | MB_ICONWARNING);
    }
    if (check_not_empty(file) != kFileEmpty) {
        reserve_for(&slot->questions, &slot->questionCapacity,
                    count_key_lines(file, question_key_name(kKeyQuestion), kLineSize));
        Reader reader = {slot, slot_index, 0, 0, {}, {0}, {}, {}};
        QuestionLineSink sink = {&reader,       take_question, take_result,       take_setting, take_font,
                                 take_round_up, take_range,    take_type_scoring, take_type_link, take_voice};
        read_question_lines(file, buffer, &sink);
        apply_range_lines(reader.ranges.data(), reader.ranges.size(), slot->results, reader.results);
        // A link to a question the file lacks, or past an answer's room, is skipped as a line not understood.
        for (const TypeLinkLine &l : reader.links)
            if (static_cast<size_t>(l.question) <= reader.questions)
                add_type_link(&slot->questions[l.question - 1], l.answer - 1, l.row, l.points);
    }
    CloseHandle(file);
    I_HEAP_FREE(buffer);
    return 1;
}
