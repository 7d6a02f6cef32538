// Result-log and visit-log writing that loses no line while another program holds a log open or
// its folder is away.
#include "result_log.h"
#include "BrixLib.h"
#include "imemory.h"
#include "message_box.h"
#include <shlobj.h>
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
    size_t header;  // leading bytes of text that go in only when the file is new
    char text[1];   // the whole line, allocated to its length
};

Waiting *g_head;
Waiting **g_tail = &g_head;
size_t g_count;

// The crash path's copy of the waiting lines, "log path\0line\0" one after the other, in list order,
// kept in memory that exists from the start: a fault may leave the heap unusable. Lines past its
// end (a log locked for days) are kept by the list alone.
enum { kCrashCopySize = 256 * 1024 };
char g_copy[kCrashCopySize];
size_t g_copy_begin, g_copy_end, g_copy_lines;  // the first g_copy_lines waiting lines lie in [begin, end)
char g_copy_recovery[2][kPathSize];             // the recovery files, worked out before any fault

size_t record_size(const char *record) {
    size_t path = strlen(record) + 1;
    return path + strlen(record + path) + 1;
}

// A visit row goes in without its header: the recovery file is no log of its own.
bool copy_line(const Waiting *w) {
    const char *line = w->text + w->header;
    size_t p = strlen(w->path) + 1, n = strlen(line) + 1;
    if (p + n > sizeof g_copy - g_copy_end && g_copy_begin) {
        memmove(g_copy, g_copy + g_copy_begin, g_copy_end - g_copy_begin);
        g_copy_end -= g_copy_begin;
        g_copy_begin = 0;
    }
    if (p + n > sizeof g_copy - g_copy_end) return false;
    memcpy(g_copy + g_copy_end, w->path, p);
    memcpy(g_copy + g_copy_end + p, line, n);
    g_copy_end += p + n;
    ++g_copy_lines;
    return true;
}

void drop_copied_head() {
    if (!g_copy_lines) return;
    g_copy_begin += record_size(g_copy + g_copy_begin);
    if (!--g_copy_lines) g_copy_begin = g_copy_end = 0;
}

// After a line left from the middle of the list (its log took it while another log refused).
void rebuild_copy() {
    g_copy_begin = g_copy_end = g_copy_lines = 0;
    for (const Waiting *w = g_head; w && copy_line(w); w = w->next) {}
}

char g_recovery_folders[2][kPathSize];  // set by tests; empty: the usual places
char g_recovery_ready[2][kPathSize];    // worked out when a line first waits, so a fault needs no shell call
bool g_recovery_prepared;

// The folders a recovery file may go to, in order: the program folder, then %LOCALAPPDATA%\Zelmica
// (a log folder may be the very network share that went away). Each with its backslash.
void recovery_folder(int i, char *out) {
    out[0] = '\0';
    if (g_recovery_folders[i][0]) {
        strcpy(out, g_recovery_folders[i]);
    } else if (i == 0) {
        module_folder(out);
    } else {
        char base[MAX_PATH] = {0};
        if (SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, base) != S_OK) return;
        if (snprintf(out, kPathSize, "%s\\Zelmica", base) >= kPathSize) return (void)(out[0] = '\0');
        CreateDirectoryA(out, nullptr);
        strcat(out, "\\");
    }
}

void prepare_recovery_folders() {
    if (g_recovery_prepared) return;
    for (int i = 0; i < 2; ++i) {
        recovery_folder(i, g_recovery_ready[i]);
        g_copy_recovery[i][0] = '\0';
        if (g_recovery_ready[i][0] &&
            snprintf(g_copy_recovery[i], kPathSize, "%s%s", g_recovery_ready[i], kRecoveryName) >= kPathSize)
            g_copy_recovery[i][0] = '\0';
    }
    g_recovery_prepared = true;
}

void keep(const char *path, const char *line, size_t header) {
    prepare_recovery_folders();
    size_t n = strlen(line);
    Waiting *w = static_cast<Waiting *>(I_HEAP_CALLOC(1, sizeof(Waiting) + n));
    if (!w) return;  // reported by the allocator; nothing else can hold the line
    append_prefix(w->path, sizeof w->path, path, strlen(path));
    memcpy(w->text, line, n + 1);
    w->header = header < n ? header : 0;
    *g_tail = w;
    g_tail = &w->next;
    ++g_count;
    if (g_copy_lines + 1 == g_count) copy_line(w);  // else an earlier line did not fit: the copy stays a prefix
}

void drop_head() {
    Waiting *w = g_head;
    g_head = w->next;
    if (!g_head) g_tail = &g_head;
    --g_count;
    I_HEAP_FREE(w);
    drop_copied_head();
}

// A folder that went away (a share whose server is down, a stick pulled out) can take the system
// many seconds to refuse, on the thread visitors click on: it is asked again only after a while,
// not at every line and every timer tick. A locked file refuses at once and is asked every time.
enum { kAwayMillis = 30000 };
char g_away[kPathSize];  // that folder, empty when none
DWORD g_away_since;
DWORD(WINAPI *g_ticks)() = GetTickCount;

bool folder_gone(DWORD error) {
    switch (error) {
        // Opened to be created when missing, a file is "not found" only when its folder is.
        case ERROR_FILE_NOT_FOUND: case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_DRIVE: case ERROR_BAD_NETPATH: case ERROR_BAD_NET_NAME: case ERROR_NETNAME_DELETED:
        case ERROR_NETWORK_UNREACHABLE: case ERROR_UNEXP_NET_ERR: case ERROR_SEM_TIMEOUT: case ERROR_NOT_READY:
        case ERROR_DEV_NOT_EXIST: case ERROR_HOST_UNREACHABLE: return true;
        default: return false;
    }
}

// A line with a header row takes it along into a file that is new or empty.
bool write_line(const char *path, const char *text, size_t header) {
    char folder[kPathSize];
    path_folder_part(path, folder, true);  // a log path ends in its file name
    const bool away = g_away[0] && strcmp(folder, g_away) == 0;
    if (away && g_ticks() - g_away_since < kAwayMillis) return false;
    if (header) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        bool fresh = GetFileAttributesExA(path, GetFileExInfoStandard, &data)
                         ? !data.nFileSizeLow && !data.nFileSizeHigh
                         : GetLastError() == ERROR_FILE_NOT_FOUND;
        if (!fresh) text += header;
    }
    if (write_log_line(path, text)) {
        if (away) g_away[0] = '\0';
        return true;
    }
    if (folder_gone(GetLastError())) {
        strcpy(g_away, folder);
        g_away_since = g_ticks();
    }
    return false;
}

void unlink(Waiting **link) {
    if (link == &g_head) return drop_head();
    Waiting *w = *link;
    *link = w->next;
    if (g_tail == &w->next) g_tail = link;
    --g_count;
    I_HEAP_FREE(w);
    rebuild_copy();
}

bool waits_for(const char *path) {
    for (const Waiting *w = g_head; w; w = w->next)
        if (strcmp(w->path, path) == 0) return true;
    return false;
}

// Writes waiting lines from the first on; a log that refuses one keeps the rest of its lines
// waiting behind it, in order, while other logs take theirs. true when nothing waits any more.
// Nothing is shown: the player reports the outage where the operator looks, not in a box in
// front of visitors.
bool write_waiting() {
    enum { kRefusedLogs = 16 };
    const char *refused[kRefusedLogs];
    int n = 0;
    for (Waiting **link = &g_head; *link;) {
        Waiting *w = *link;
        bool skip = false;
        for (int i = 0; i < n && !skip; ++i) skip = strcmp(refused[i], w->path) == 0;
        if (!skip && write_line(w->path, w->text, w->header)) {
            unlink(link);
            continue;
        }
        if (!skip && n == kRefusedLogs) break;  // too many logs away to keep each one's order apart
        if (!skip) refused[n++] = w->path;
        link = &w->next;
    }
    return !g_head;
}

}  // namespace

int result_log_append(const char *path, const char *line, size_t header) {
    // One refusal per log and line is enough: a locked log would otherwise answer every waiting line too.
    write_waiting();
    if (waits_for(path) || !write_line(path, line, header)) {
        keep(path, line, header);
        return 0;
    }
    return g_head ? 0 : 1;
}

size_t result_log_waiting() { return g_count; }

int result_log_retry() { return write_waiting() ? 1 : 0; }

namespace {

// The waiting lines into their log or else a recovery file; how many could go nowhere.
// log and recovery (kPathSize bytes each) receive the log's path and the last recovery file tried.
unsigned rescue(char *log, char *recovery) {
    log[0] = recovery[0] = '\0';
    if (!g_head || write_waiting()) return 0;
    append_prefix(log, kPathSize, g_head->path, strlen(g_head->path));
    prepare_recovery_folders();
    for (int i = 0; i < 2 && g_head; ++i) {
        const char *folder = g_recovery_ready[i];
        if (!folder[0] || snprintf(recovery, kPathSize, "%s%s", folder, kRecoveryName) >= kPathSize) continue;
        // A header row belongs to its own log, not among the rescued lines.
        while (g_head && write_log_line(recovery, g_head->text + g_head->header)) drop_head();
    }
    unsigned lost = static_cast<unsigned>(g_count);
    // They cannot be kept past the end of the program either way.
    while (g_head) drop_head();
    return lost;
}

}  // namespace

void set_result_log_ticks(DWORD(WINAPI *ticks)()) { g_ticks = ticks ? ticks : GetTickCount; }

void set_recovery_folders(const char *first, const char *second) {
    copy_cut(g_recovery_folders[0], kPathSize, first ? first : "");
    copy_cut(g_recovery_folders[1], kPathSize, second ? second : "");
    g_recovery_prepared = false;
}

void result_log_rescue() {
    char log[kPathSize], recovery[kPathSize];
    rescue(log, recovery);
}

void result_log_rescue_on_crash() {
    // Only what exists already: the copy, the recovery paths and the stack.
    size_t at = g_copy_begin;
    bool log_takes = true;
    for (size_t i = 0; i < g_copy_lines; ++i) {
        const char *path = g_copy + at;
        const char *text = path + strlen(path) + 1;
        if (log_takes) log_takes = write_line(path, text, 0);
        for (int r = 0; !log_takes && r < 2; ++r)
            if (g_copy_recovery[r][0] && write_log_line(g_copy_recovery[r], text)) break;
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
