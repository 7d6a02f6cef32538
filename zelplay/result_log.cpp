// Result-log writing that loses no line while another program holds the log open.
#include "result_log.h"
#include "BrixLib.h"
#include "imemory.h"
#include "message_box.h"
#include <stdio.h>
#include <string.h>

const char kRecoveryName[] = "zelm_recovered.csv";
const char kLogAnswerLine[] = "問題%d, 設問%d, 回答%d, 得点%d\r\n";
const char kLogTotalLine[] = "得点合計, , , ,%d\r\n";
const char kLogIdleLine[] = "一定時間経過のためスタート画面に戻りました\r\n";

static bool g_suppressed;

int write_log_line(const char *path, const char *text) {
    return g_suppressed ? 1 : append_to_file_quietly(path, text, kAppendOpenAlways);
}

void suppress_log_writes(bool on) { g_suppressed = on; }

bool log_writes_suppressed() { return g_suppressed; }

namespace {

const char kRecoveryCaption[] = "結果ログの退避";
const char kRecoveredText[] =
    "結果ログ %s に書き込めなかった %u 行を %s に保存しました。\r\n"
    "ログを開いていたプログラムを閉じてから、これらの行をログの末尾に移してください。";
const char kLostText[] = "結果ログ %s に書き込めなかった %u 行を %s にも保存できませんでした。";

struct Waiting {
    Waiting *next;
    char path[kPathSize];
    char text[1];  // the whole line, allocated to its length
};

Waiting *g_head;
Waiting **g_tail = &g_head;
size_t g_count;

// The crash path's copy of the waiting lines, "log path\0line\0" one after the other, kept in step
// with the list in memory that exists from the start: a fault may leave the heap unusable. Lines
// past its end (a log locked for days) are kept by the list alone.
enum { kCrashCopySize = 256 * 1024 };
char g_copy[kCrashCopySize];
size_t g_copy_begin, g_copy_end, g_copy_lines;  // the lines still waiting lie in [begin, end)
char g_copy_recovery[kPathSize];  // the recovery file beside the first waiting line's log

size_t record_size(const char *record) {
    size_t path = strlen(record) + 1;
    return path + strlen(record + path) + 1;
}

void recovery_beside(const char *log, char *recovery) {
    char folder[kPathSize] = {0};
    path_folder(log, folder);
    snprintf(recovery, kPathSize, "%s%s", folder, kRecoveryName);
}

void copy_line(const char *path, const char *line) {
    if (g_copy_lines + 1 != g_count) return;  // an earlier line did not fit: the copy stays a prefix
    size_t p = strlen(path) + 1, n = strlen(line) + 1;
    if (p + n > sizeof g_copy - g_copy_end && g_copy_begin) {
        memmove(g_copy, g_copy + g_copy_begin, g_copy_end - g_copy_begin);
        g_copy_end -= g_copy_begin;
        g_copy_begin = 0;
    }
    if (p + n > sizeof g_copy - g_copy_end) return;
    memcpy(g_copy + g_copy_end, path, p);
    memcpy(g_copy + g_copy_end + p, line, n);
    g_copy_end += p + n;
    ++g_copy_lines;
}

void drop_copied_head() {
    if (!g_copy_lines) return;
    g_copy_begin += record_size(g_copy + g_copy_begin);
    if (!--g_copy_lines) g_copy_begin = g_copy_end = 0;
}

void keep(const char *path, const char *line) {
    size_t n = strlen(line);
    Waiting *w = static_cast<Waiting *>(I_HEAP_CALLOC(1, sizeof(Waiting) + n));
    if (!w) return;  // reported by the allocator; nothing else can hold the line
    append_prefix(w->path, sizeof w->path, path, strlen(path));
    memcpy(w->text, line, n + 1);
    *g_tail = w;
    g_tail = &w->next;
    ++g_count;
    if (g_head == w) recovery_beside(w->path, g_copy_recovery);
    copy_line(w->path, w->text);
}

void drop_head() {
    Waiting *w = g_head;
    g_head = w->next;
    if (!g_head) g_tail = &g_head;
    --g_count;
    bool same_log = g_head && strcmp(g_head->path, w->path) == 0;
    I_HEAP_FREE(w);
    drop_copied_head();
    if (!g_head) g_copy_recovery[0] = '\0';
    else if (!same_log) recovery_beside(g_head->path, g_copy_recovery);
}

// Writes waiting lines from the first on; stops at the first refusal. Nothing is shown: the
// player reports the outage where the operator looks, not in a box in front of visitors.
bool write_waiting() {
    while (g_head) {
        if (!write_log_line(g_head->path, g_head->text)) return false;
        drop_head();
    }
    return true;
}

}  // namespace

int result_log_append(const char *path, const char *line) {
    // One refusal per line is enough: a locked log would otherwise answer every waiting line too.
    if (!write_waiting() || !write_log_line(path, line)) {
        keep(path, line);
        return 0;
    }
    return 1;
}

size_t result_log_waiting() { return g_count; }

int result_log_retry() { return write_waiting() ? 1 : 0; }

namespace {

// The waiting lines into their log or else the recovery file; how many could go nowhere.
// log and recovery (kPathSize bytes each) receive the two paths.
unsigned rescue(char *log, char *recovery) {
    log[0] = recovery[0] = '\0';
    if (!g_head || write_waiting()) return 0;
    append_prefix(log, kPathSize, g_head->path, strlen(g_head->path));
    recovery_beside(log, recovery);
    while (g_head && write_log_line(recovery, g_head->text)) drop_head();
    unsigned lost = static_cast<unsigned>(g_count);
    // They cannot be kept past the end of the program either way.
    while (g_head) drop_head();
    return lost;
}

}  // namespace

void result_log_rescue() {
    char log[kPathSize], recovery[kPathSize];
    rescue(log, recovery);
}

void result_log_rescue_on_crash() {
    // Only what exists already: the copy, its recovery path and the stack.
    size_t at = g_copy_begin;
    bool log_takes = true;
    for (size_t i = 0; i < g_copy_lines; ++i) {
        const char *path = g_copy + at;
        const char *text = path + strlen(path) + 1;
        if (log_takes) log_takes = write_log_line(path, text) != 0;
        if (!log_takes && g_copy_recovery[0]) write_log_line(g_copy_recovery, text);
        at += record_size(path);
    }
    g_copy_begin = g_copy_end = g_copy_lines = 0;  // written once; the list itself is left alone
}

int result_log_finish(HWND owner) {
    if (!g_head || write_waiting()) return 1;
    char log[kPathSize] = {0}, recovery[kPathSize] = {0}, text[3 * kPathSize + 256];
    unsigned lines = static_cast<unsigned>(g_count);
    unsigned lost = rescue(log, recovery);
    if (lost) {
        snprintf(text, sizeof text, kLostText, log, lost, recovery);
        show_message_box(owner, text, kRecoveryCaption, MB_OK | MB_ICONERROR);
        return 0;
    }
    snprintf(text, sizeof text, kRecoveredText, log, lines, recovery);
    show_message_box(owner, text, kRecoveryCaption, MB_OK | MB_ICONWARNING);
    return 1;
}
