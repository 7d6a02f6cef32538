// Editor open and save of ".qst" files: the lines, fields and order the player reads.
#include "LoadQues.h"
#include "BrixLib.h"
#include "DirList.h"
#include "Other.h"
#include "RowOfFile.h"
#include "font_slot.h"
#include "imemory.h"
#include "message_box.h"
#include "question_codec.h"
#include "question_records.h"
#include <stdio.h>
#include <string.h>
#include <string>

namespace {

const char kOpenCaption[] = "診断Zelmicaエディタ";
const char kSaveCaption[] = "セットの保存先を選択してください";
const char kFilter[] = "問題ファイル(*.qst)\0*.qst\0すべてのファイル(*.*)\0*.*\0";
const char kOpenErrorCaption[] = "File Open Error";
const char kSaveErrorCaption[] = "File Save Error";

Utf8Original g_utf8_original;
// The file's QR lines the dialog has no boxes for ("QrDefault", "QrPlace"): written back as read.
std::string g_kept_qr[2];

const EditorFileBinding *g_binding = nullptr;
EditorScoring g_scoring = {false, 0};

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

// The file's contents until they are shown: the dialog changes only once the file is read.
struct OpenReader {
    ListNode *questions;
    ListNode *results;
    ListNode *question_tail;  // the last element appended: appending from it walks nothing
    ListNode *result_tail;
    bool bottom_read;  // an "R" row is the last row; later "S" rows go before it
    bool top, bottom, round_up;
    char (*settings)[kLineSize];  // kSettingCount texts
    std::vector<RangeLine> ranges;  // put on the "S" rows once all are read
    std::string unread;             // range lines that could not be taken, for the author
    char pending_qr[sizeof(ResultRecord::qrText)];  // a "QrText" line waiting for its row
    std::string kept_qr[2];
    std::vector<TypeLinkLine> links;  // put on the questions once all are read
    bool typed;
    int32_t tie_question;
    std::string unused;  // lines of the other way of picking, kept but not used
    PendingVoices voices;  // "Voice" lines waiting for their row
};

bool open_question(void *context, const char *fields) {
    OpenReader *r = static_cast<OpenReader *>(context);
    QuestionRecord rec;
    memset(&rec, 0, sizeof rec);
    parse_question_line(fields, &rec, kNumbersWithPicture);
    give_question_voices(&r->voices, &rec);
    ListNode *e = liner_append_from(r->question_tail, &rec, sizeof rec);
    if (e) r->question_tail = e;
    return true;
}

bool open_result(void *context, int key, const char *fields) {
    OpenReader *r = static_cast<OpenReader *>(context);
    ResultRecord rec;
    memset(&rec, 0, sizeof rec);
    parse_result_line(fields, rec.title, rec.comment, rec.picture, &rec.pictureX, &rec.pictureY);
    memcpy(rec.qrText, r->pending_qr, sizeof rec.qrText);
    r->pending_qr[0] = '\0';
    give_result_voice(&r->voices, &rec);
    ListNode *appended = nullptr;
    if (key == kKeyTopRow) {
        // The first row is the top row whatever line order a file has: saving writes row 0 as "U".
        int count = liner_count(r->results);
        if (count > 0) liner_insert(r->results, -count, &rec, sizeof rec);
        else appended = liner_append_from(r->result_tail, &rec, sizeof rec);
        r->top = true;
    } else if (key == kKeyResult && r->bottom_read) {
        liner_insert(r->results, -1, &rec, sizeof rec);
    } else {
        appended = liner_append_from(r->result_tail, &rec, sizeof rec);
        if (key == kKeyBottomRow) r->bottom_read = r->bottom = true;
    }
    if (appended) r->result_tail = appended;
    return true;
}

int setting_of_key(int key) {
    switch (key) {
        case kKeyTitle: return kSettingTitle;
        case kKeyHeader: return kSettingHeader;
        case kKeyFooter: return kSettingFooter;
        case kKeyWallpaper: return kSettingWallpaper;
        default: return key >= kKeySound0 && key < kKeySound0 + 6 ? kSettingSound0 + (key - kKeySound0) : -1;
    }
}

void open_setting(void *context, int key, const char *value) {
    OpenReader *r = static_cast<OpenReader *>(context);
    if (key == kKeyQrText) return copy_cut(r->pending_qr, sizeof r->pending_qr, value);
    if (key == kKeyQrDefault || key == kKeyQrPlace) {
        r->kept_qr[key - kKeyQrDefault] = value;
        return;
    }
    int setting = setting_of_key(key);
    if (setting < 0) return;
    char *text = static_cast<OpenReader *>(context)->settings[setting];
    text[0] = '\0';
    append_prefix(text, kLineSize, value, strlen(value));
}

void open_font(void *, int role, const LOGFONTA *font) {
    font_role_call(role, kFontPutFile, 0, const_cast<LOGFONTA *>(font));
}

void open_round_up(void *context) { static_cast<OpenReader *>(context)->round_up = true; }

void open_range(void *context, const char *value) {
    OpenReader *r = static_cast<OpenReader *>(context);
    RangeLine line;
    const int check = parse_range_line(value, &line);
    if (check == kRangeLineOk) return r->ranges.push_back(line);
    r->unread += std::string("  ") + question_key_name(kKeyResultRange) + "," + value +
                 (check == kRangeLineOutOfOrder ? "（始まりが終わりより大きい）\r\n" : "（数が読めないか、int32の範囲外）\r\n");
}

void open_type_scoring(void *context, const char *value) {
    OpenReader *r = static_cast<OpenReader *>(context);
    if (parse_type_scoring(value, &r->tie_question)) r->typed = true;
    else r->unread += std::string("  ") + question_key_name(kKeyTypeScoring) + "," + value + "（数が読めないか、int32の範囲外）\r\n";
}

void open_type_link(void *context, const char *value) {
    OpenReader *r = static_cast<OpenReader *>(context);
    TypeLinkLine line;
    if (parse_type_link_line(value, &line) == kTypeLineOk) return r->links.push_back(line);
    r->unread += std::string("  ") + question_key_name(kKeyTypeLink) + "," + value + "（数が読めないか、答えの番号が1〜5でない）\r\n";
}

void open_voice(void *context, const char *value) {
    OpenReader *r = static_cast<OpenReader *>(context);
    if (!take_voice_line(&r->voices, value))
        r->unread += std::string("  ") + question_key_name(kKeyVoice) + "," + value + "（番号が0〜5でないか、パスが長すぎるかコンマを含む）\r\n";
}

// The links onto the questions of the list; a link to a question or "S" row the file lacks is named.
void put_type_links(OpenReader *r) {
    std::vector<QuestionRecord *> questions;
    for (ListNode *e = r->questions->next; e; e = e->next) questions.push_back(static_cast<QuestionRecord *>(e->data));
    const int n = liner_count(r->results);
    size_t rows = 0;
    for (int m = 0; m < n; ++m) rows += result_row_key(m, n, r->top, r->bottom) == kKeyResult;
    for (const TypeLinkLine &l : r->links) {
        char text[160];
        snprintf(text, sizeof text, "  %s,%ld,%ld,%ld,%ld", question_key_name(kKeyTypeLink), static_cast<long>(l.question),
                 static_cast<long>(l.answer), static_cast<long>(l.row), static_cast<long>(l.points));
        const char *why = static_cast<size_t>(l.question) > questions.size() ? "（その番号の設問がありません）"
                          : static_cast<size_t>(l.row) > rows                ? "（その番号の結果の行がありません）"
                          : !add_type_link(questions[static_cast<size_t>(l.question) - 1], l.answer - 1, l.row, l.points)
                              ? "（1つの答えにつながる結果が多すぎます）"
                              : nullptr;
        if (why) r->unread += std::string(text) + why + "\r\n";
        else if (!r->typed && r->unused.size() < 400) r->unused += std::string(text) + "\r\n";
    }
    if (r->typed)
        for (const RangeLine &l : r->ranges) {
            if (r->unused.size() >= 400) break;
            char text[96];
            snprintf(text, sizeof text, "  %s,%ld,%ld,%ld\r\n", question_key_name(kKeyResultRange), static_cast<long>(l.row),
                     static_cast<long>(l.from), static_cast<long>(l.to));
            r->unused += text;
        }
}

// The ranges onto the "S" rows of the list, counted from 1 as the lines count them.
void put_ranges(OpenReader *r) {
    std::vector<ResultRecord *> rows;
    const int n = liner_count(r->results);
    int m = 0;
    for (ListNode *e = r->results->next; e; e = e->next, ++m)
        if (result_row_key(m, n, r->top, r->bottom) == kKeyResult) rows.push_back(static_cast<ResultRecord *>(e->data));
    for (const RangeLine &line : r->ranges) {
        if (static_cast<size_t>(line.row) > rows.size()) {
            char text[96];
            snprintf(text, sizeof text, "  %s,%ld,%ld,%ld（%ld 番目の行がありません）\r\n", question_key_name(kKeyResultRange),
                     static_cast<long>(line.row), static_cast<long>(line.from), static_cast<long>(line.to),
                     static_cast<long>(line.row));
            r->unread += text;
            continue;
        }
        ResultRecord *rec = rows[static_cast<size_t>(line.row) - 1];
        rec->ranged = 1;
        rec->rangeFrom = line.from;
        rec->rangeTo = line.to;
    }
}

// ---- save ----

struct Writer {
    const char *temporary;
    DWORD disposition;  // create-always for the first line, open-existing after it
    int written;
    bool failed;
    char *line;  // kLineSize + 2: the longest line a reader takes and its CR LF
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

// Writes "key,value\r\n" when value is not empty; a line too long for the readers fails the save.
void write_value(Writer *w, int key, const char *value) {
    if (!value[0]) return;
    size_t k = strlen(question_key_name(key)), n = strlen(value);
    if (k + 1 + n > kStoredLineMax) return line_too_long(w);
    memcpy(w->line, question_key_name(key), k);
    w->line[k] = ',';
    memcpy(w->line + k + 1, value, n);
    memcpy(w->line + k + 1 + n, "\r\n", 3);
    write_line(w);
}

void write_formatted(Writer *w, size_t length) {
    if (length) write_line(w);
    else line_too_long(w);
}

void write_all(Writer *w, HWND dialog, ListNode *questions, ListNode *results, char *text) {
    auto setting = [&](int which) -> const char * {
        text[0] = '\0';
        g_binding->get_setting(dialog, which, text, kLineSize);
        return text;
    };
    const size_t size = kLineSize + 2;
    write_value(w, kKeyTitle, setting(kSettingTitle));
    for (ListNode *e = questions->next; e; e = e->next) {
        const QuestionRecord *q = static_cast<const QuestionRecord *>(e->data);
        // Its voices go just before the row: readers give them to the next row they read.
        if (format_question_voices(q, w->line, size)) write_line(w);
        write_formatted(w, format_question_line(q, w->line, size));
    }
    write_value(w, kKeyHeader, setting(kSettingHeader));
    write_value(w, kKeyFooter, setting(kSettingFooter));

    bool top = g_binding->get_option(dialog, kOptionTopRow);
    bool bottom = g_binding->get_option(dialog, kOptionBottomRow);
    int n = liner_count(results), m = 0;
    for (ListNode *e = results->next; e; e = e->next, ++m) {
        int key = result_row_key(m, n, top, bottom);
        const ResultRecord *row = static_cast<const ResultRecord *>(e->data);
        // The row's QR text goes just before it: readers give it to the next row they read.
        char qr[sizeof row->qrText];
        copy_cut(qr, sizeof qr, row->qrText);
        write_value(w, kKeyQrText, qr);
        if (format_result_voice(row, w->line, size)) write_line(w);
        write_formatted(w, format_result_line(key, row, w->line, size));
    }
    m = 0;
    int32_t banded = 0;
    if (g_scoring.typed && format_type_scoring_line(g_scoring.tie_question, w->line, size)) write_line(w);
    int32_t number = 0;
    for (ListNode *e = questions->next; e; e = e->next)
        if (format_type_link_lines(++number, static_cast<const QuestionRecord *>(e->data), w->line, size)) write_line(w);
    for (ListNode *e = results->next; e; e = e->next, ++m) {
        if (result_row_key(m, n, top, bottom) != kKeyResult) continue;
        ++banded;
        if (format_range_line(banded, static_cast<const ResultRecord *>(e->data), w->line, size)) write_line(w);
    }

    for (int role = 0; role < kFontRoleCount; ++role) {
        LOGFONTA font;
        memset(&font, 0, sizeof font);
        if (!font_role_call(role, kFontGetFile, 0, &font)) continue;
        char form[128] = {0};
        if (write_logfont_line(&font, form)) write_value(w, kKeyFontQuestion + role, form);
    }
    for (int k = 0; k < 6; ++k) write_value(w, kKeySound0 + k, setting(kSettingSound0 + k));
    write_value(w, kKeyWallpaper, setting(kSettingWallpaper));
    if (g_binding->get_option(dialog, kOptionRoundUp)) {
        strcpy(w->line, "RoundUp,\r\n");
        write_line(w);
    }
    for (int k = 0; k < 2; ++k) write_value(w, kKeyQrDefault + k, g_kept_qr[k].c_str());
}

}  // namespace

int result_row_key(int m, int n, bool top, bool bottom) {
    return (m == 0 && top) ? kKeyTopRow : (m == n - 1 && bottom) ? kKeyBottomRow : kKeyResult;
}

void editor_file_view(HWND dialog, ListNode *questions, ListNode *results, EditorFileView *view) {
    QuestionFile &f = view->file;
    memset(&f, 0, sizeof f);
    view->questions.clear();
    view->results.clear();
    for (ListNode *e = questions->next; e; e = e->next) {
        const QuestionRecord *rec = static_cast<const QuestionRecord *>(e->data);
        view->questions.push_back(*rec);
        f.highestTotal = saturating_add(f.highestTotal, question_highest_points(rec));
        f.lowestTotal = saturating_add(f.lowestTotal, question_lowest_points(rec));
    }
    const bool top = g_binding->get_option(dialog, kOptionTopRow);
    const bool bottom = g_binding->get_option(dialog, kOptionBottomRow);
    int n = liner_count(results), m = 0;
    for (ListNode *e = results->next; e; e = e->next, ++m) {
        const ResultRecord *rec = static_cast<const ResultRecord *>(e->data);
        int key = result_row_key(m, n, top, bottom);
        if (key == kKeyTopRow) f.topRow = *rec;
        else if (key == kKeyBottomRow) f.bottomRow = *rec;
        else view->results.push_back(*rec);
    }
    f.roundUp = g_binding->get_option(dialog, kOptionRoundUp) ? 1 : 0;
    f.typeScoring = g_scoring.typed ? 1 : 0;
    f.tieQuestion = g_scoring.tie_question;
    // Both arrays end with the all-zero record, as the player's do.
    view->questions.push_back(QuestionRecord());
    view->results.push_back(ResultRecord());
    f.questions = view->questions.data();
    f.questionCapacity = view->questions.size();
    f.results = view->results.data();
    f.resultCapacity = view->results.size();
}

void bind_editor_file(const EditorFileBinding *binding) { g_binding = binding; }

void forget_kept_lines() {
    for (std::string &k : g_kept_qr) k.clear();
}
EditorScoring editor_scoring() { return g_scoring; }
void set_editor_scoring(const EditorScoring &scoring) { g_scoring = scoring; }

LineWriterFn set_line_writer_fn(LineWriterFn fn) {
    LineWriterFn old = g_write_line;
    g_write_line = fn ? fn : held_line_writer;
    return old;
}

int open_question_file(HWND dialog, ListNode *questions, ListNode *results, char *path, const char *file) {
    if (!g_binding) return 0;
    char chosen[kPathSize] = {0};
    if (file) {
        append_prefix(chosen, sizeof chosen, file, strlen(file));
    } else {
        append_prefix(chosen, sizeof chosen, path, strlen(path));
        if (!ask_open(dialog, chosen)) return 0;
    }
    int utf8 = 0;
    Utf8Losses lost;
    HANDLE h = open_line_file(chosen, &utf8, &lost);
    if (h == INVALID_HANDLE_VALUE) {
        i_show_file_error(kOpenErrorCaption, chosen);
        return 0;
    }
    char *buffer = static_cast<char *>(I_HEAP_CALLOC(kLineSize, 1));
    if (!buffer) {
        CloseHandle(h);
        return 0;
    }
    char(*settings)[kLineSize] = static_cast<char(*)[kLineSize]>(I_HEAP_CALLOC(kSettingCount, kLineSize));
    if (!settings) {
        I_HEAP_FREE(buffer);
        CloseHandle(h);
        return 0;
    }
    memcpy(path, chosen, kPathSize);
    g_binding->clear(dialog);
    liner_clear(questions);
    liner_clear(results);
    for (int role = 0; role < kFontRoleCount; ++role) font_role_call(role, kFontDropFile, 0, nullptr);
    OpenReader reader = {questions, results, questions, results, false, false, false, false, settings, {}, {}, {0}, {}, {}, false, 0, {}, {}};
    QuestionLineSink sink = {&reader,       open_question, open_result,       open_setting, open_font,
                             open_round_up, open_range,    open_type_scoring, open_type_link, open_voice};
    read_question_lines(h, buffer, &sink);
    CloseHandle(h);
    put_ranges(&reader);
    put_type_links(&reader);
    g_scoring = {reader.typed, reader.tie_question};
    for (int k = 0; k < kSettingCount; ++k) g_binding->put_setting(dialog, k, settings[k]);
    g_binding->put_option(dialog, kOptionTopRow, reader.top);
    g_binding->put_option(dialog, kOptionBottomRow, reader.bottom);
    g_binding->put_option(dialog, kOptionRoundUp, reader.round_up);
    g_binding->show_lists(dialog, questions, results);
    for (int k = 0; k < 2; ++k) g_kept_qr[k] = reader.kept_qr[k];
    utf8_original_opened(&g_utf8_original, chosen, utf8, lost);
    if (!reader.unread.empty()) {
        // Saving writes only the ranges the rows hold: the author must know what was not taken.
        std::string notice = "次の行は読み込めませんでした。保存すると、この行は書かれません:\r\n" + reader.unread;
        show_message_box(dialog, notice.c_str(), kOpenCaption, MB_OK | MB_ICONWARNING);
    }
    if (!reader.unused.empty()) {
        // Both ways of picking in one file: the other way's lines are kept, and the author is told.
        std::string notice = reader.typed ? "この診断はタイプ式ですが、得点の範囲の行もあります。タイプ式では使われませんが、保存するとそのまま残ります:\r\n"
                                          : "この診断は得点の合計で結果を選びますが、タイプの点数の行もあります。使われませんが、保存するとそのまま残ります:\r\n";
        show_message_box(dialog, (notice + reader.unused).c_str(), kOpenCaption, MB_OK | MB_ICONINFORMATION);
    }
    if (utf8) {
        char notice[512];
        utf8_loss_notice(chosen, lost, notice, sizeof notice);
        show_message_box(dialog, notice, kOpenCaption, lost.count ? MB_OK | MB_ICONWARNING : MB_OK | MB_ICONINFORMATION);
    }
    I_HEAP_FREE(settings);
    I_HEAP_FREE(buffer);
    return 1;
}

int save_question_file(HWND dialog, char *path, ListNode *questions, ListNode *results) {
    if (!g_binding) return 0;
    char chosen[kPathSize] = {0};
    copy_cut(chosen, sizeof chosen, path);
    if (!ask_save(dialog, chosen)) return 0;
    // Once written, the chosen file is the one the dialog holds, as in any editor.
    if (!save_question_file_to(dialog, chosen, questions, results)) return 0;
    memcpy(path, chosen, kPathSize);
    return 1;
}

int save_question_file_to(HWND dialog, const char *target, ListNode *questions, ListNode *results) {
    if (!g_binding || !target[0]) return 0;
    if (!utf8_original_may_replace(&g_utf8_original, dialog, target, kOpenCaption)) return 0;
    char temporary[kPathSize] = {0};
    if (!temporary_beside(target, temporary)) {
        show_message_box(dialog, "保存先のパスが長すぎます", kSaveErrorCaption, MB_OK | MB_ICONERROR);
        return 0;
    }
    char *line = static_cast<char *>(I_HEAP_CALLOC(kLineSize + 2, 1));
    char *text = static_cast<char *>(I_HEAP_CALLOC(kLineSize, 1));
    int result = 0;
    if (line && text) {
        Writer w = {temporary, kAppendCreateAlways, 0, false, line};
        write_all(&w, dialog, questions, results, text);
        // The last piece reaches the file (and the file is closed) before it may replace the target.
        if (!g_held.finish()) w.failed = true;
        if (w.failed) {
            // A half-written file must not take the place of a good one.
            DeleteFileA(temporary);
        } else if (w.written > 0) {
            result = replace_file(temporary, target);
            if (!result) DeleteFileA(temporary);
            else utf8_original_saved(&g_utf8_original, target);
        }
    }
    I_HEAP_FREE(text);
    I_HEAP_FREE(line);
    return result;
}
