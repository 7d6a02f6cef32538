// Editor open and save of ".qst" files: the lines, fields and order the player reads.
#include "LoadQues.h"
#include "../zeledit/ListView.h"
#include "../zeledit/resource.h"
#include "BrixLib.h"
#include "DirList.h"
#include "Other.h"
#include "RowOfFile.h"
#include "font_slot.h"
#include "imemory.h"
#include "message_box.h"
#include "question_records.h"
#include <stdio.h>
#include <string.h>

namespace {

const char kOpenCaption[] = "診断Zelmicaエディタ";
const char kSaveCaption[] = "セットの保存先を選択してください";
const char kFilter[] = "問題ファイル(*.qst)\0*.qst\0すべてのファイル(*.*)\0*.*\0";
const char kOpenErrorCaption[] = "File Open Error";
const char kSaveErrorCaption[] = "File Save Error";

// Every escape turns one byte into at most four, so a field of n bytes needs 4n + 1.
enum { kEscapeGrowth = 4, kOutLineSize = 4096 };

struct SoundBox {
    const char *key;
    int box;
};
const SoundBox kSoundBoxes[] = {
    {"SndSt", IDC_MAIN_SND_START}, {"SndMx", IDC_MAIN_SND_HIGH}, {"SndMd", IDC_MAIN_SND_MIDDLE},
    {"SndMn", IDC_MAIN_SND_LOW},   {"SndEd", IDC_MAIN_SND_JUDGE}, {"SndBk", IDC_MAIN_SND_BACK},
};
const int kTextBoxes[] = {IDC_MAIN_TITLE,     IDC_MAIN_HEADER,    IDC_MAIN_FOOTER,
                          IDC_MAIN_WALLPAPER, IDC_MAIN_SND_START, IDC_MAIN_SND_HIGH,
                          IDC_MAIN_SND_MIDDLE, IDC_MAIN_SND_LOW,  IDC_MAIN_SND_JUDGE,
                          IDC_MAIN_SND_BACK};
const int kOptionBoxes[] = {IDC_MAIN_TOP_ROW, IDC_MAIN_BOTTOM_ROW, IDC_MAIN_ROUND_UP};
const char *const kFontKeys[] = {"J", "A", "L", "O"};

HFONT font_role(int role, int operation, LOGFONTA *font) {
    switch (role) {
        case 0: return question_font(operation, 0, 0, font);
        case 1: return answer_font(operation, 0, font);
        case 2: return comment_font(operation, 0, 0, font);
        default: return header_font(operation, 0, font);
    }
}

// The save's own line writer: the temporary file stays open from the first line to the last and
// lines reach it in large pieces, as opening, seeking and closing it for every line costs a
// hundred times the writing. The file is the same as append_to_file would leave, and a failure
// is reported with the same captions.
class HeldFile {
public:
    int write(const char *path, const char *text, DWORD disposition) {
        if (disposition == kAppendCreateAlways || file_ == INVALID_HANDLE_VALUE || strcmp(path_, path) != 0) {
            if (!finish()) return 0;
            if (!open(path, disposition)) return 0;
        }
        size_t n = strlen(text);
        if (append_fault_due()) {
            // As a full disk would: the line does not arrive, the save learns at once.
            used_ = 0;
            SetLastError(ERROR_DISK_FULL);
            i_show_last_error("追記ファイルの書き込み");
            return 0;
        }
        if (used_ + n > sizeof pending_ && !flush()) return 0;
        if (n > sizeof pending_) return put(text, n);
        memcpy(pending_ + used_, text, n);
        used_ += n;
        return 1;
    }
    // Writes what is pending and closes the file; false when that write failed (reported).
    bool finish() {
        bool ok = flush();
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
        used_ = 0;
        return ok;
    }

private:
    bool open(const char *path, DWORD disposition) {
        if (strlen(path) >= sizeof path_) return false;
        file_ = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file_ == INVALID_HANDLE_VALUE) {
            i_show_last_error("追記ファイルのオープン");
            return false;
        }
        if (SetFilePointer(file_, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) {
            i_show_last_error("追記ファイルの書き込み");
            CloseHandle(file_);
            file_ = INVALID_HANDLE_VALUE;
            return false;
        }
        strcpy(path_, path);
        return true;
    }
    bool flush() {
        if (!used_) return true;
        size_t n = used_;
        used_ = 0;
        return put(pending_, n);
    }
    int put(const char *bytes, size_t n) {
        DWORD written = 0;
        if (file_ != INVALID_HANDLE_VALUE && WriteFile(file_, bytes, static_cast<DWORD>(n), &written, nullptr) &&
            written == n)
            return 1;
        i_show_last_error("追記ファイルの書き込み");
        return 0;
    }
    HANDLE file_ = INVALID_HANDLE_VALUE;
    char path_[kPathSize] = {0};
    char pending_[64 * 1024];
    size_t used_ = 0;
};

HeldFile g_held;
int held_line_writer(const char *path, const char *text, DWORD disposition) {
    return g_held.write(path, text, disposition);
}

LineWriterFn g_write_line = held_line_writer;

bool same_key(const char *key, const char *name) {
    size_t n = strlen(name);
    return strlen(key) == n && compare_prefix_nocase(key, name, n) == 0;
}

int ask_open(HWND dialog, char *file) {
    char folder[kPathSize] = {0};
    if (!module_folder(folder)) GetWindowsDirectoryA(folder, sizeof folder);
    return choose_open_file(dialog, kOpenCaption, kFilter, file, folder, 0);
}

int ask_save(HWND dialog, char *file) {
    char folder[kPathSize] = {0};
    if (!module_folder(folder)) GetWindowsDirectoryA(folder, sizeof folder);
    return choose_save_file(dialog, kSaveCaption, kFilter, file, folder, 0);
}

// ---- open ----

void clear_dialog(HWND dialog, ListNode *questions, ListNode *results) {
    for (int box : kTextBoxes) SetDlgItemTextA(dialog, box, "");
    for (int box : kOptionBoxes) CheckDlgButton(dialog, box, BST_UNCHECKED);
    lv_list_clear(GetDlgItem(dialog, IDC_MAIN_QUESTIONS), questions);
    lv_list_clear(GetDlgItem(dialog, IDC_MAIN_RESULTS), results);
    for (int role = 0; role < 4; ++role) font_role(role, kFontDropFile, nullptr);
}

struct OpenReader {
    HWND dialog;
    ListNode *questions;
    ListNode *results;
    bool bottom_read;  // an "R" row is the last row; later "S" rows go before it
    ListNode *question_tail;  // the last question appended: appending from it walks nothing
    HWND question_view, result_view;
};

void read_result(const char *value, ResultRecord *rec) {
    memset(rec, 0, sizeof *rec);
    parse_result_line(value, rec->title, rec->comment, rec->picture, &rec->pictureX, &rec->pictureY);
}

void dispatch(OpenReader *r, const char *line) {
    char key[kLineSize] = {0};
    const char *rest = nullptr;
    split_at_delimiter(line, ",", key, sizeof key, &rest);
    const char *value = rest ? rest : "";
    HWND question_view = r->question_view, result_view = r->result_view;

    if (same_key(key, "Q")) {
        QuestionRecord rec;
        memset(&rec, 0, sizeof rec);
        parse_question_line(value, &rec, kNumbersWithPicture);
        ListNode *e = lv_list_append_from(question_view, r->question_tail, &rec, sizeof rec);
        if (e) r->question_tail = e;
    } else if (same_key(key, "S")) {
        ResultRecord rec;
        read_result(value, &rec);
        if (r->bottom_read)
            lv_list_insert(result_view, r->results, -1, &rec, sizeof rec);
        else
            lv_list_append(result_view, r->results, &rec, sizeof rec);
    } else if (same_key(key, "U")) {
        // The first row is the top row whatever line order a file has: saving writes row 0 as "U".
        ResultRecord rec;
        read_result(value, &rec);
        int count = liner_count(r->results);
        if (count > 0)
            lv_list_insert(result_view, r->results, -count, &rec, sizeof rec);
        else
            lv_list_append(result_view, r->results, &rec, sizeof rec);
        CheckDlgButton(r->dialog, IDC_MAIN_TOP_ROW, BST_CHECKED);
    } else if (same_key(key, "R")) {
        ResultRecord rec;
        read_result(value, &rec);
        lv_list_append(result_view, r->results, &rec, sizeof rec);
        r->bottom_read = true;
        CheckDlgButton(r->dialog, IDC_MAIN_BOTTOM_ROW, BST_CHECKED);
    } else if (same_key(key, "N")) {
        SetDlgItemTextA(r->dialog, IDC_MAIN_TITLE, value);
    } else if (same_key(key, "H")) {
        SetDlgItemTextA(r->dialog, IDC_MAIN_HEADER, value);
    } else if (same_key(key, "F")) {
        SetDlgItemTextA(r->dialog, IDC_MAIN_FOOTER, value);
    } else if (same_key(key, "QuesWall")) {
        SetDlgItemTextA(r->dialog, IDC_MAIN_WALLPAPER, value);
    } else if (same_key(key, "RoundUp")) {
        CheckDlgButton(r->dialog, IDC_MAIN_ROUND_UP, BST_CHECKED);
    } else {
        for (const SoundBox &s : kSoundBoxes) {
            if (!same_key(key, s.key)) continue;
            SetDlgItemTextA(r->dialog, s.box, value);
            return;
        }
        for (int role = 0; role < 4; ++role) {
            if (!same_key(key, kFontKeys[role])) continue;
            LOGFONTA font;
            memset(&font, 0, sizeof font);
            read_logfont_line(value, &font);
            font_role(role, kFontPutFile, &font);
            return;
        }
    }
}

bool take_line(const char *line, void *context) {
    dispatch(static_cast<OpenReader *>(context), line);
    return true;
}

// ---- save ----

// A line built in a buffer of kOutLineSize, its length kept as it grows (a save builds one per
// question, and formatting or measuring the line again for every piece was most of its time).
// ok turns false when a piece would not fit; the line is then not written.
class Line {
public:
    explicit Line(char *text) : text_(text) { text_[0] = '\0'; }
    Line &add(const char *piece) {
        size_t n = strlen(piece);
        if (ok && used_ + n < kOutLineSize) {
            memcpy(text_ + used_, piece, n + 1);
            used_ += n;
        } else {
            ok = false;
        }
        return *this;
    }
    Line &add(int32_t v) {
        char digits[12];
        char *p = digits + sizeof digits;
        *--p = '\0';
        uint32_t magnitude = v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
        do {
            *--p = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude);
        if (v < 0) *--p = '-';
        return add(p);
    }
    bool ok = true;

private:
    char *text_;
    size_t used_ = 0;
};

struct Writer {
    const char *temporary;
    DWORD disposition;  // create-always for the first line, open-existing after it
    int written;
    bool failed;
    char *line;     // kOutLineSize
    char *escaped;  // kOutLineSize
};

void write_line(Writer *w) {
    if (w->failed) return;
    if (!g_write_line(w->temporary, w->line, w->disposition)) {
        w->failed = true;
        return;
    }
    w->disposition = kAppendOpenExisting;
    ++w->written;
}

void line_too_long(Writer *w) {
    if (!w->failed) show_message_box(nullptr, "書き込む行が長すぎます", kSaveErrorCaption, MB_OK | MB_ICONERROR);
    w->failed = true;
}

const char *escape(Writer *w, const char *text, int kind) {
    return escape_field(w->escaped, kOutLineSize, text, kind);
}

// Writes "key,value\r\n" with the box's text when the box is not empty.
void write_box(Writer *w, HWND dialog, const char *key, int box, char *text) {
    text[0] = '\0';
    GetDlgItemTextA(dialog, box, text, kLineSize);
    if (!text[0]) return;
    if (Line(w->line).add(key).add(",").add(text).add("\r\n").ok) write_line(w);
}

void write_question(Writer *w, const QuestionRecord *q) {
    Line line(w->line);
    line.add("Q,").add(escape(w, q->text, kEscapeFull));
    for (int a = 0; a < kAnswerCount && line.ok; ++a)
        line.add(",").add(escape(w, q->answers[a], kEscapeComma)).add(",").add(q->points[a]);
    if (q->picture[0])
        line.add(",").add(q->picture).add(",").add(q->pictureX).add(",").add(q->pictureY).add(",").add(q->pictureExtra);
    if (line.add("\r\n").ok) write_line(w);
    else line_too_long(w);
}

void write_result(Writer *w, const char *key, const ResultRecord *r) {
    Line line(w->line);
    line.add(key).add(",").add(escape(w, r->title, kEscapeFull));
    if (r->comment[0] || r->picture[0]) line.add(",").add(escape(w, r->comment, kEscapeFull));
    if (r->picture[0]) line.add(",").add(r->picture).add(",").add(r->pictureX).add(",").add(r->pictureY);
    if (line.add("\r\n").ok) write_line(w);
    else line_too_long(w);
}

void write_all(Writer *w, HWND dialog, ListNode *questions, ListNode *results, char *text) {
    write_box(w, dialog, "N", IDC_MAIN_TITLE, text);
    for (ListNode *e = questions->next; e; e = e->next)
        write_question(w, static_cast<const QuestionRecord *>(e->data));
    write_box(w, dialog, "H", IDC_MAIN_HEADER, text);
    write_box(w, dialog, "F", IDC_MAIN_FOOTER, text);

    bool top = IsDlgButtonChecked(dialog, IDC_MAIN_TOP_ROW) == BST_CHECKED;
    bool bottom = IsDlgButtonChecked(dialog, IDC_MAIN_BOTTOM_ROW) == BST_CHECKED;
    int n = liner_count(results), m = 0;
    for (ListNode *e = results->next; e; e = e->next, ++m) {
        const char *key = (m == 0 && top) ? "U" : (m == n - 1 && bottom) ? "R" : "S";
        write_result(w, key, static_cast<const ResultRecord *>(e->data));
    }

    for (int role = 0; role < 4; ++role) {
        LOGFONTA font;
        memset(&font, 0, sizeof font);
        if (!font_role(role, kFontGetFile, &font)) continue;
        char form[128] = {0};
        if (!write_logfont_line(&font, form)) continue;
        if (Line(w->line).add(kFontKeys[role]).add(",").add(form).add("\r\n").ok) write_line(w);
    }
    for (const SoundBox &s : kSoundBoxes) write_box(w, dialog, s.key, s.box, text);
    write_box(w, dialog, "QuesWall", IDC_MAIN_WALLPAPER, text);
    if (IsDlgButtonChecked(dialog, IDC_MAIN_ROUND_UP) == BST_CHECKED) {
        strcpy(w->line, "RoundUp,\r\n");
        write_line(w);
    }
}

// "~" + name in the target's folder; false when that path would not fit.
bool temporary_path(const char *target, char *out) {
    char name[kPathSize] = {0};
    append_prefix(name, sizeof name, target, strlen(target));
    const char *file = path_file_name(name);
    char folder[kPathSize] = {0};
    path_folder(target, folder);
    if (strlen(folder) + 1 + strlen(file) >= kPathSize) return false;
    snprintf(out, kPathSize, "%s~%s", folder, file);
    return true;
}

}  // namespace

LineWriterFn set_line_writer_fn(LineWriterFn fn) {
    LineWriterFn old = g_write_line;
    g_write_line = fn ? fn : held_line_writer;
    return old;
}

int open_question_file(HWND dialog, ListNode *questions, ListNode *results, char *path, const char *file) {
    char chosen[kPathSize] = {0};
    if (file) {
        append_prefix(chosen, sizeof chosen, file, strlen(file));
    } else {
        append_prefix(chosen, sizeof chosen, path, strlen(path));
        if (!ask_open(dialog, chosen)) return 0;
    }
    HANDLE h = CreateFileA(chosen, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        i_show_last_error(kOpenErrorCaption);
        return 0;
    }
    char *buffer = static_cast<char *>(I_HEAP_CALLOC(kLineSize, 1));
    if (!buffer) {
        CloseHandle(h);
        return 0;
    }
    memcpy(path, chosen, kPathSize);
    // Rows are drawn once at the end: a list view that repaints and rescrolls for every added
    // row takes minutes over a large file.
    HWND views[] = {GetDlgItem(dialog, IDC_MAIN_QUESTIONS), GetDlgItem(dialog, IDC_MAIN_RESULTS)};
    for (HWND v : views) SendMessageA(v, WM_SETREDRAW, FALSE, 0);
    clear_dialog(dialog, questions, results);
    if (check_not_empty(h) != kFileEmpty) {
        OpenReader reader = {dialog, questions, results, false, questions, views[0], views[1]};
        for_each_line(h, buffer, kLineSize, take_line, &reader);
    }
    for (HWND v : views) {
        SendMessageA(v, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(v, nullptr, TRUE);
    }
    CloseHandle(h);
    I_HEAP_FREE(buffer);
    return 1;
}

int save_question_file(HWND dialog, char *path, ListNode *questions, ListNode *results) {
    char fresh[kPathSize] = {0};
    // Only a file that was opened or saved before is offered and updated by the choice.
    char *target = path[0] ? path : fresh;
    if (!ask_save(dialog, target)) return 0;

    char temporary[kPathSize] = {0};
    if (!temporary_path(target, temporary)) {
        show_message_box(dialog, "保存先のパスが長すぎます", kSaveErrorCaption, MB_OK | MB_ICONERROR);
        return 0;
    }
    char *line = static_cast<char *>(I_HEAP_CALLOC(kOutLineSize, 1));
    char *escaped = static_cast<char *>(I_HEAP_CALLOC(kOutLineSize, 1));
    char *text = static_cast<char *>(I_HEAP_CALLOC(kLineSize, 1));
    int result = 0;
    if (line && escaped && text) {
        Writer w = {temporary, kAppendCreateAlways, 0, false, line, escaped};
        write_all(&w, dialog, questions, results, text);
        // The last piece reaches the file (and the file is closed) before it may replace the target.
        if (!g_held.finish()) w.failed = true;
        if (w.failed) {
            // A half-written file must not take the place of a good one.
            DeleteFileA(temporary);
        } else if (w.written > 0) {
            result = replace_file(temporary, target);
            if (!result) DeleteFileA(temporary);
        }
    }
    I_HEAP_FREE(text);
    I_HEAP_FREE(escaped);
    I_HEAP_FREE(line);
    return result;
}
