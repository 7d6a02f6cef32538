// The player's question-file slot: its arrays, and reading a ".qst" file into it.
#include "QuestionFile.h"
#include "BrixLib.h"
#include "DirList.h"
#include "Other.h"
#include "RowOfFile.h"
#include "font_slot.h"
#include "imemory.h"
#include "sound_store.h"
#include <string.h>

namespace {

const char kDialogCaption[] = "診断Zelmica";
const char kFilter[] = "問題ファイル(*.qst)\0*.qst\0すべてのファイル(*.*)\0*.*\0";
const char kOpenErrorCaption[] = "File Open Error";

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


void put_font(int which, int slot_index, const char *value) {
    LOGFONTA lf;
    memset(&lf, 0, sizeof lf);
    read_logfont_line(value, &lf);
    switch (which) {
        case 0: question_font(kFontPutFile, slot_index, 0, &lf); break;
        case 1: answer_font(kFontPutFile, slot_index, &lf); break;
        case 2: comment_font(kFontPutFile, slot_index, 0, &lf); break;
        default: header_font(kFontPutFile, slot_index, &lf); break;
    }
}

struct Reader {
    QuestionFile *slot;
    int slot_index;
    size_t questions;  // records read so far in this load
    size_t results;
};

enum DispatchResult { kDispatchGoOn = 0, kDispatchStop = 1 };

// One line: *high and *low receive the line's share of the totals.
int dispatch(Reader *r, const char *line, int32_t *high, int32_t *low) {
    static const char *const kSoundKeys[kSoundSlots] = {"SndSt", "SndMx", "SndMd", "SndMn", "SndEd", "SndBk"};
    static const char *const kFontKeys[4] = {"J", "A", "L", "O"};
    *high = *low = 0;
    QuestionFile *s = r->slot;
    // A key buffer as long as the line: a cut key could pass for a shorter one.
    char key[kLineSize] = {0};
    const char *rest = nullptr;
    split_at_delimiter(line, ",", key, sizeof key, &rest);
    const char *value = rest ? rest : "";

    if (equals_nocase(key, "Q")) {
        if (!grow_for(&s->questions, &s->questionCapacity, r->questions + 2)) return kDispatchStop;
        QuestionRecord *rec = &s->questions[r->questions];
        parse_question_line(value, rec, kNumbersAlways);
        *high = question_highest_points(rec);
        *low = question_lowest_points(rec);
        ++r->questions;
        return kDispatchGoOn;
    }
    if (equals_nocase(key, "S")) {
        if (!grow_for(&s->results, &s->resultCapacity, r->results + 2)) return kDispatchStop;
        ResultRecord *rec = &s->results[r->results];
        parse_result_line(value, rec->title, rec->comment, rec->picture, &rec->pictureX, &rec->pictureY);
        ++r->results;
        return kDispatchGoOn;
    }
    if (equals_nocase(key, "N")) {
        copy_cut(s->title, sizeof s->title, value);
    } else if (equals_nocase(key, "H")) {
        copy_cut(s->header, sizeof s->header, value);
    } else if (equals_nocase(key, "F")) {
        copy_cut(s->footer, sizeof s->footer, value);
    } else if (equals_nocase(key, "U") || equals_nocase(key, "R")) {
        ResultRecord *row = equals_nocase(key, "U") ? &s->topRow : &s->bottomRow;
        parse_result_line(value, row->title, row->comment, row->picture, &row->pictureX, &row->pictureY);
    } else {
        for (int k = 0; k < kSoundSlots; ++k) {
            if (!equals_nocase(key, kSoundKeys[k])) continue;
            char *text = const_cast<char *>(value);  // the store only reads a put text
            sound_store(kSoundPutFile + k, r->slot_index, &text);
            return kDispatchGoOn;
        }
        for (int f = 0; f < 4; ++f) {
            if (!equals_nocase(key, kFontKeys[f])) continue;
            put_font(f, r->slot_index, value);
            return kDispatchGoOn;
        }
        if (equals_nocase(key, "QuesWall")) copy_cut(s->wallpaper, sizeof s->wallpaper, value);
        else if (equals_nocase(key, "RoundUp")) s->roundUp = 1;
    }
    return kDispatchGoOn;
}

bool take_line(const char *line, void *context) {
    Reader *r = static_cast<Reader *>(context);
    int32_t high = 0, low = 0;
    if (dispatch(r, line, &high, &low) == kDispatchStop) return false;
    r->slot->highestTotal = saturating_add(r->slot->highestTotal, high);
    r->slot->lowestTotal = saturating_add(r->slot->lowestTotal, low);
    return true;
}

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

int load_question_file_into(QuestionFile *slot, int slot_index, HWND owner, const char *path) {
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
    HANDLE file = CreateFileA(resolve_stored_path(path, resolved), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        i_show_last_error(kOpenErrorCaption);
        I_HEAP_FREE(buffer);
        return 0;
    }
    if (check_not_empty(file) != kFileEmpty) {
        reserve_for(&slot->questions, &slot->questionCapacity, count_key_lines(file, "Q", kLineSize));
        Reader reader = {slot, slot_index, 0, 0};
        for_each_line(file, buffer, kLineSize, take_line, &reader);
    }
    CloseHandle(file);
    I_HEAP_FREE(buffer);
    return 1;
}
