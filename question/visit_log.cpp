// The visit log's file name, its header and rows, and the reader the tally uses.
#include "visit_log.h"
#include "BrixLib.h"
#include "result_report.h"
#include "RowOfFile.h"
#include "imemory.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

const char *const kVisitEndingText[kVisitEndings] = {"完了", "結果のまま放置", "途中で離脱"};

namespace {

// The fixed columns, in the order they are written. The question columns follow them, so that every
// quiz's rows line up in a spreadsheet however many questions it has.
enum Column { kDate, kStart, kEnd, kSeconds, kKiosk, kSetFile, kSlot, kTitle, kTotal, kResult, kEnding, kStoppedAt, kColumns };
const char *const kColumnName[kColumns] = {"日付",     "開始時刻", "終了時刻", "秒数", "キオスク", "セットファイル",
                                           "問題番号", "問題タイトル", "得点合計", "結果", "終わり方", "離脱した設問"};
const char kAnswerColumn[] = "設問%d 回答";
const char kPointsColumn[] = "設問%d 得点";
// Columns a row must have to be counted at all.
const Column kNeeded[] = {kDate, kStart, kSeconds, kKiosk, kTitle, kResult, kEnding};

std::string format(const char *pattern, int a = 0, int b = 0, int c = 0) {
    char buffer[64];
    snprintf(buffer, sizeof buffer, pattern, a, b, c);
    return buffer;
}

int64_t seconds_between(const SYSTEMTIME &a, const SYSTEMTIME &b) {
    FILETIME fa, fb;
    if (!SystemTimeToFileTime(&a, &fa) || !SystemTimeToFileTime(&b, &fb)) return 0;
    ULARGE_INTEGER ua, ub;
    ua.LowPart = fa.dwLowDateTime;
    ua.HighPart = fa.dwHighDateTime;
    ub.LowPart = fb.dwLowDateTime;
    ub.HighPart = fb.dwHighDateTime;
    return ub.QuadPart > ua.QuadPart ? static_cast<int64_t>((ub.QuadPart - ua.QuadPart) / 10000000ULL) : 0;
}

}  // namespace

bool visit_log_path(char *out, size_t size, const char *folder, const SYSTEMTIME &day, const char *kiosk) {
    int n = snprintf(out, size, "%svisits-%04d-%02d-%02d-%s.csv", folder, day.wYear, day.wMonth, day.wDay, kiosk);
    return n > 0 && static_cast<size_t>(n) < size;
}

bool kiosk_name_valid(const char *name) {
    size_t n = strlen(name);
    if (!n || n >= kKioskNameSize || name[n - 1] == '.' || name[n - 1] == ' ') return false;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(name); *p; ++p) {
        if (is_sjis_lead(*p)) {
            if (!p[1]) return false;  // half a character
            ++p;
            continue;
        }
        if (*p < 0x20 || *p == 0x7F || strchr("\\/:*?\"<>|", *p)) return false;
    }
    return true;
}

void default_kiosk_name(char *out) {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {0};
    DWORD n = sizeof name;
    if (!GetComputerNameA(name, &n) || !kiosk_name_valid(name)) strcpy(name, "KIOSK");
    copy_cut(out, kKioskNameSize, name);
}

const char kQuizTextCell[] = "回答文の問題=";
const char kAnswerTextCell[] = "回答文 設問%d 回答%d=";

std::string visit_header(int questions, const std::vector<QuizAnswerTexts> &texts) {
    std::string h;
    for (int c = 0; c < kColumns; ++c) h += std::string(c ? "," : "") + kColumnName[c];
    for (int q = 1; q <= questions; ++q) h += "," + format(kAnswerColumn, q) + "," + format(kPointsColumn, q);
    for (const QuizAnswerTexts &quiz : texts) {
        h += "," + csv_cell(kQuizTextCell + quiz.title);
        for (size_t q = 0; q < quiz.answers.size(); ++q)
            for (size_t a = 0; a < quiz.answers[q].size(); ++a)
                if (!quiz.answers[q][a].empty())
                    h += "," + csv_cell(format(kAnswerTextCell, static_cast<int>(q + 1), static_cast<int>(a + 1)) + quiz.answers[q][a]);
    }
    return h + "\r\n";
}

std::string visit_row_text(const VisitRow &r) {
    const SYSTEMTIME &s = r.start, &e = r.end;
    const bool result = r.ending != kVisitAbandoned;
    std::string t = format("%04d-%02d-%02d,", s.wYear, s.wMonth, s.wDay) +
                    format("%02d:%02d:%02d,", s.wHour, s.wMinute, s.wSecond) +
                    format("%02d:%02d:%02d,", e.wHour, e.wMinute, e.wSecond) +
                    std::to_string(seconds_between(s, e)) + "," + csv_cell(r.kiosk) + "," + csv_cell(r.set_file) + "," +
                    std::to_string(r.slot) + "," + csv_cell(r.title) + "," + (result ? std::to_string(r.total) : "") +
                    "," + (result ? csv_cell(r.result) : "") + "," + kVisitEndingText[r.ending] + "," +
                    (result ? "" : std::to_string(r.stopped_at));
    for (const VisitAnswer &a : r.answers)
        t += a.answer ? "," + std::to_string(a.answer) + "," + std::to_string(a.points) : ",,";
    return t + "\r\n";
}

namespace {

// Cells of one row, unquoted. Returns where the next row starts; whole is false when the bytes
// ended before the row's line end (a cut row).
const char *split_row(const char *p, const char *end, std::vector<std::string> *cells, size_t *count, bool *whole) {
    *count = 0;
    *whole = false;
    for (;;) {
        if (cells->size() <= *count) cells->emplace_back();
        std::string &cell = (*cells)[(*count)++];
        cell.clear();
        if (p < end && *p == '"') {
            for (++p;; ++p) {
                if (p >= end) return end;
                if (*p == '"') {
                    if (p + 1 < end && p[1] == '"') ++p;
                    else break;
                }
                cell += *p;
            }
            ++p;
        }
        const char *stop = p;
        while (stop < end && *stop != ',' && *stop != '\n') ++stop;
        cell.append(p, stop);
        if (stop == end) return end;
        if (*stop == '\n') {
            if (!cell.empty() && cell.back() == '\r') cell.pop_back();
            *whole = true;
            return stop + 1;
        }
        p = stop + 1;
    }
}

bool digits(const std::string &s, size_t at, size_t n) {
    for (size_t i = at; i < at + n; ++i)
        if (i >= s.size() || s[i] < '0' || s[i] > '9') return false;
    return true;
}

bool small_number(const std::string &s, int64_t *out) {
    if (s.empty() || s.size() > 10 || !digits(s, 0, s.size())) return false;
    *out = strtoll(s.c_str(), nullptr, 10);
    return true;
}

// Only what fits an int32 is a number of ours: 2147483648 is refused, not wrapped to its negative.
bool signed_number(const std::string &s, int32_t *out) {
    int64_t v = 0;
    const bool negative = !s.empty() && s[0] == '-';
    if (!small_number(negative ? s.substr(1) : s, &v)) return false;
    if (negative) v = -v;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    *out = static_cast<int32_t>(v);
    return true;
}

}  // namespace

std::vector<HeaderAnswerText> visit_header_answers(const char *bytes, size_t size) {
    std::vector<HeaderAnswerText> found;
    if (!is_visit_log(bytes, size)) return found;
    std::vector<std::string> cells;
    size_t count = 0;
    bool whole = false;
    split_row(bytes, bytes + size, &cells, &count, &whole);
    if (!whole && count) --count;  // the last cell of a cut header may be cut too
    const std::string quiz_prefix = kQuizTextCell, answer_prefix = "回答文 設問";
    std::string title;
    bool in_quiz = false;
    for (size_t i = 0; i < count; ++i) {
        const std::string &c = cells[i];
        if (c.compare(0, quiz_prefix.size(), quiz_prefix) == 0) {
            title = c.substr(quiz_prefix.size());
            in_quiz = true;
            continue;
        }
        if (!in_quiz || c.compare(0, answer_prefix.size(), answer_prefix) != 0) continue;
        // "回答文 設問" digits " 回答" one digit "=" text
        size_t at = answer_prefix.size(), digits_end = at;
        while (digits_end < c.size() && digits_end - at < 9 && c[digits_end] >= '0' && c[digits_end] <= '9') ++digits_end;
        const std::string middle = " 回答";
        if (digits_end == at || c.compare(digits_end, middle.size(), middle) != 0) continue;
        const size_t answer_at = digits_end + middle.size();
        if (answer_at + 1 >= c.size() || c[answer_at] < '1' || c[answer_at] > '5' || c[answer_at + 1] != '=') continue;
        const int q = atoi(c.substr(at, digits_end - at).c_str());
        if (q < 1) continue;
        found.push_back({title, q, c[answer_at] - '0', c.substr(answer_at + 2)});
    }
    return found;
}

bool is_visit_log(const char *bytes, size_t size) {
    const std::string start = std::string(kColumnName[kDate]) + "," + kColumnName[kStart] + ",";
    return size >= start.size() && memcmp(bytes, start.data(), start.size()) == 0;
}

bool read_visit_log(const char *bytes, size_t size, void (*row)(void *, const ReadVisit &), void (*skipped)(void *),
                    void *context) {
    if (!is_visit_log(bytes, size)) return false;
    const char *p = bytes, *end = bytes + size;
    std::vector<std::string> cells;
    size_t count = 0;
    bool whole = false;
    p = split_row(p, end, &cells, &count, &whole);
    int at[kColumns];
    int first_question = -1;
    size_t needed = 0;
    for (int &a : at) a = -1;
    const std::string first_answer = format(kAnswerColumn, 1);
    for (size_t i = 0; i < count; ++i) {
        for (int c = 0; c < kColumns; ++c)
            if (at[c] < 0 && cells[i] == kColumnName[c]) at[c] = static_cast<int>(i);
        if (first_question < 0 && cells[i] == first_answer) first_question = static_cast<int>(i);
    }
    for (Column c : kNeeded) {
        if (at[c] < 0) return false;
        if (static_cast<size_t>(at[c]) + 1 > needed) needed = static_cast<size_t>(at[c]) + 1;
    }
    ReadVisit v;
    while (p < end) {
        p = split_row(p, end, &cells, &count, &whole);
        if (whole && count == 1 && cells[0].empty()) continue;  // a blank line says nothing
        if (!whole || count < needed) {
            skipped(context);
            continue;
        }
        const std::string &date = cells[at[kDate]], &start = cells[at[kStart]];
        bool ok = date.size() == 10 && digits(date, 0, 4) && date[4] == '-' &&
                  digits(date, 5, 2) && date[7] == '-' && digits(date, 8, 2) && start.size() == 8 &&
                  digits(start, 0, 2) && start[2] == ':' && digits(start, 3, 2) && start[5] == ':' &&
                  digits(start, 6, 2) && small_number(cells[at[kSeconds]], &v.seconds) && !cells[at[kKiosk]].empty();
        v.ending = -1;
        for (int e = 0; ok && e < kVisitEndings; ++e)
            if (cells[at[kEnding]] == kVisitEndingText[e]) v.ending = e;
        ok = ok && v.ending >= 0;
        v.answers.clear();
        for (size_t i = static_cast<size_t>(first_question); ok && first_question >= 0 && i + 1 < count; i += 2) {
            VisitAnswer a = {0, 0};
            int64_t n = 0;
            if (!cells[i].empty())
                ok = small_number(cells[i], &n) && n >= 1 && n <= 5 && signed_number(cells[i + 1], &a.points);
            a.answer = static_cast<int>(n);
            v.answers.push_back(a);
        }
        if (!ok) {
            skipped(context);
            continue;
        }
        v.date = date;
        v.start = start;
        v.kiosk = cells[at[kKiosk]];
        v.title = cells[at[kTitle]];
        v.result = cells[at[kResult]];
        row(context, v);
    }
    return true;
}

bool read_log_file(const char *path, long long max_bytes, std::string *out, bool *too_large) {
    if (too_large) *too_large = false;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(file, &size);
    if (ok && size.QuadPart > max_bytes) {
        ok = false;
        if (too_large) *too_large = true;
    }
    std::string bytes;
    if (ok) bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD done = 0;
    for (size_t at = 0; ok && at < bytes.size(); at += done) {
        DWORD chunk = static_cast<DWORD>(bytes.size() - at > (1u << 24) ? (1u << 24) : bytes.size() - at);
        ok = ReadFile(file, &bytes[at], chunk, &done, nullptr) && done;
    }
    CloseHandle(file);
    if (!ok) return false;
    const unsigned char *raw = reinterpret_cast<const unsigned char *>(bytes.data());
    if (looks_like_utf8(raw, bytes.size())) {
        size_t n = 0;
        char *sjis = shift_jis_from_utf8(raw, bytes.size(), &n);
        if (!sjis) return false;
        bytes.assign(sjis, n);
        I_HEAP_FREE(sjis);
    }
    out->swap(bytes);
    return true;
}
