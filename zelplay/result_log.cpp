// Result-log and visit-log writing that loses no line while another program holds a log open, its
// folder is away, the player faults or the power goes: each line is spooled on the local disk
// first, then written to its log in order.
#include "result_log.h"
#include "BrixLib.h"
#include "imemory.h"
#include "log_spool.h"
#include "message_box.h"
#include <shlobj.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

const char kRecoveryName[] = "zelm_recovered.csv";
const char kSpoolName[] = "zelplay-spool.dat";

static bool g_suppressed;

int write_log_line(const char *path, const char *text) {
    return g_suppressed ? 1 : append_to_file_quietly(path, text, kAppendOpenAlways);
}

void suppress_log_writes(bool on) { g_suppressed = on; }

bool log_writes_suppressed() { return g_suppressed; }

namespace {

const char kRecoveryCaption[] = "結果ログの退避";
const char kRecoveredHead[] = "ログに書き込めなかった %u 行を、ログごとに次のファイルに保存しました。\r\n";
const char kRecoveredRow[] = "%s → %s（%u 行）\r\n";
const char kLostRow[] = "%s の %u 行はどこにも保存できませんでした。\r\n";
const char kRecoveredTail[] =
    "ログを開いていたプログラムを閉じてから、これらの行をそれぞれのログの末尾に移してください。";
const char kSpooledText[] =
    "ログにまだ書き込めない %u 行は、このパソコンの %s に控えてあります。\r\n"
    "次にプレーヤーを起動したとき、それぞれのログに順に書き込みます。";

struct Waiting {
    Waiting *next;
    uint64_t seq;   // its record in the spool, 0: kept in memory alone
    unsigned year;  // a daily log's year, 0 for other logs
    char path[kPathSize];
    size_t header;  // leading bytes of text that go in only when the file is new
    char text[1];   // the whole line, allocated to its length
};

Waiting *g_head;
Waiting **g_tail = &g_head;
size_t g_count, g_spooled;
uint64_t g_next_seq = 1;
char g_note[kPathSize + 128];  // the last trouble with the spool, for the kiosk's status

// The crash path's copy of the lines that only memory holds, "log path\0line\0" one after the
// other, in list order, kept in memory that exists from the start: a fault may leave the heap
// unusable. Lines past its end (a log locked for days) are kept by the list alone.
enum { kCrashCopySize = 256 * 1024 };
char g_copy[kCrashCopySize];
size_t g_copy_end, g_copy_lines;
char g_copy_folders[2][kPathSize];  // the recovery folders, worked out before any fault

size_t record_size(const char *record) {
    size_t path = strlen(record) + 1;
    return path + strlen(record + path) + 1;
}

// The one rule of the copy, run after every change of the waiting list: the first lines of it
// that the spool does not hold, as many as fit. A visit row goes in without its header.
void sync_copy() {
    g_copy_end = g_copy_lines = 0;
    for (const Waiting *w = g_head; w; w = w->next) {
        if (w->seq) continue;
        const char *line = w->text + w->header;
        size_t p = strlen(w->path) + 1, n = strlen(line) + 1;
        if (p + n > sizeof g_copy - g_copy_end) break;
        memcpy(g_copy + g_copy_end, w->path, p);
        memcpy(g_copy + g_copy_end + p, line, n);
        g_copy_end += p + n;
        ++g_copy_lines;
    }
}

char g_recovery_folders[2][kPathSize];  // set by tests; empty: the usual places
bool g_recovery_prepared;
char g_spool_override[kPathSize];

}  // namespace

void local_folder(char *out) {
    out[0] = '\0';
    char base[MAX_PATH] = {0};
    if (SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, base) != S_OK) return;
    if (snprintf(out, kPathSize, "%s\\Zelmica", base) >= kPathSize - 1) return (void)(out[0] = '\0');
    CreateDirectoryA(out, nullptr);
    strcat(out, "\\");
}

namespace {

// The folders a recovery file may go to, in order: the program folder, then %LOCALAPPDATA%\Zelmica
// (a log folder may be the very network share that went away). Each with its backslash.
void recovery_folder(int i, char *out) {
    out[0] = '\0';
    if (g_recovery_folders[i][0]) strcpy(out, g_recovery_folders[i]);
    else if (i == 0) module_folder(out);
    else local_folder(out);
}

void prepare_recovery_folders() {
    if (g_recovery_prepared) return;
    for (int i = 0; i < 2; ++i) recovery_folder(i, g_copy_folders[i]);
    g_recovery_prepared = true;
}

// The recovery file of one log: its name with "_recovered" before the extension, in folder
// ("zelm.csv" → "zelm_recovered.csv"), so lines of different logs never mix. Needs no heap.
bool recovery_path(const char *folder, const char *log, char *out) {
    const char *name = log;
    for (const char *p = log; *p; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    const char *dot = strrchr(name, '.');
    int stem = static_cast<int>(dot ? dot - name : strlen(name));
    return folder[0] && snprintf(out, kPathSize, "%s%.*s_recovered%s", folder, stem, name, dot ? dot : "") < kPathSize;
}

void unlink(Waiting **link);

// A daily log last written in an earlier year than its line takes that year into its name
// ("zelm0203.csv" → "zelm20250203.csv") before the line goes in, so two years never share one file.
// Decided at each write, so a line that waited keeps the year it was made in.
void set_aside_earlier_year(const char *path, unsigned year) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    FILETIME local;
    SYSTEMTIME written;
    if (!year || g_suppressed || !GetFileAttributesExA(path, GetFileExInfoStandard, &data) ||
        !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &written) ||
        written.wYear >= year)
        return;
    char folder[kPathSize], aside[kPathSize];
    path_folder_part(path, folder, true);
    const char *name = path + strlen(folder);
    if (strlen(name) < 4 || snprintf(aside, sizeof aside, "%s%.4s%04d%s", folder, name, written.wYear, name + 4) >= kPathSize)
        return;
    MoveFileA(path, aside);  // a name already taken keeps the file where it is rather than lose either
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

// Chosen once the log is open: the header row goes into a file that is new or empty, and a
// spooled line first records where its write begins, so a restart can tell whether it landed.
const char *text_at_end(void *context, uint64_t end) {
    const Waiting *w = static_cast<const Waiting *>(context);
    if (w->seq && !spool_write(spool_intent_record(w->seq, static_cast<int64_t>(end)), true))
        snprintf(g_note, sizeof g_note, "ログの控え %s に書き込めません", spool_file());
    return end ? w->text + w->header : w->text;
}

bool write_line(const Waiting *w) {
    char folder[kPathSize];
    path_folder_part(w->path, folder, true);  // a log path ends in its file name
    const bool away = g_away[0] && strcmp(folder, g_away) == 0;
    if (away && g_ticks() - g_away_since < kAwayMillis) return false;
    if (g_suppressed) return true;
    set_aside_earlier_year(w->path, w->year);
    if (append_at_end_quietly(w->path, kAppendOpenAlways, text_at_end, const_cast<Waiting *>(w))) {
        if (away) g_away[0] = '\0';
        return true;
    }
    if (folder_gone(GetLastError())) {
        strcpy(g_away, folder);
        g_away_since = g_ticks();
    }
    return false;
}

// Out of the list, and out of the spool: its log has it.
void unlink(Waiting **link) {
    Waiting *w = *link;
    *link = w->next;
    if (g_tail == &w->next) g_tail = link;
    --g_count;
    if (w->seq) {
        spool_write(spool_done_record(w->seq), false);
        if (!--g_spooled) spool_clear(false);
    }
    I_HEAP_FREE(w);
    sync_copy();
}

// Dropped without a write: the spool keeps its line for the next start.
void forget_all() {
    while (g_head) {
        Waiting *w = g_head;
        g_head = w->next;
        I_HEAP_FREE(w);
    }
    g_tail = &g_head;
    g_count = g_spooled = 0;
    sync_copy();
}

Waiting *make(const char *path, const char *line, size_t header, unsigned year, uint64_t seq) {
    size_t n = strlen(line);
    Waiting *w = static_cast<Waiting *>(I_HEAP_CALLOC(1, sizeof(Waiting) + n));
    if (!w) return nullptr;  // reported by the allocator; nothing else can hold the line
    append_prefix(w->path, sizeof w->path, path, strlen(path));
    memcpy(w->text, line, n + 1);
    w->header = header < n ? header : 0;
    w->year = year;
    w->seq = seq;
    return w;
}

void push(Waiting *w) {
    *g_tail = w;
    g_tail = &w->next;
    ++g_count;
    if (w->seq) ++g_spooled;
    sync_copy();
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
        if (!skip && write_line(w)) {
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

int result_log_append(const char *path, const char *line, size_t header, unsigned year) {
    // One refusal per log and line is enough: a locked log would otherwise answer every waiting line too.
    write_waiting();
    const bool behind = waits_for(path);
    prepare_recovery_folders();
    Waiting *w = make(path, line, header, year, 0);
    if (!w) return 0;
    // First on the local disk; a spool that refuses leaves the line to memory and the crash copy.
    if (spool_ready() && !g_suppressed) {
        SpoolLine r;
        r.seq = g_next_seq;
        r.year = year;
        r.header = w->header;
        r.path = w->path;
        r.text = w->text;
        if (spool_write(spool_line_record(r), behind)) w->seq = g_next_seq++;
        else snprintf(g_note, sizeof g_note, "ログの控え %s に書き込めません", spool_file());
    }
    Waiting **link = g_tail;
    push(w);
    if (behind) return 0;
    if (!write_line(w)) {
        if (w->seq) spool_write("", true);  // no write began: the record alone goes to the disk
        return 0;
    }
    unlink(link);
    return g_head ? 0 : 1;
}

size_t result_log_waiting() { return g_count; }

int result_log_retry() { return write_waiting() ? 1 : 0; }

void set_spool_file(const char *file) { copy_cut(g_spool_override, sizeof g_spool_override, file ? file : ""); }

int result_log_open_spool() {
    if (g_suppressed) return 0;
    char file[kPathSize];
    if (g_spool_override[0]) {
        copy_cut(file, sizeof file, g_spool_override);
    } else {
        char folder[kPathSize];
        local_folder(folder);
        if (!folder[0] || snprintf(file, sizeof file, "%s%s", folder, kSpoolName) >= kPathSize) return 0;
    }
    // The spool is what counts for its lines: those a closed spool held are read from it again.
    for (Waiting **link = &g_head; *link;) {
        Waiting *w = *link;
        if (!w->seq) {
            link = &w->next;
            continue;
        }
        *link = w->next;
        if (g_tail == &w->next) g_tail = link;
        --g_count;
        I_HEAP_FREE(w);
    }
    g_spooled = 0;
    sync_copy();
    std::vector<SpoolLine> pending;
    size_t skipped = 0;
    // Each player on this PC holds a spool of its own, the first free slot. The first waits a
    // little: a player restarted after a fault may start while its old self still holds it.
    bool open = false;
    int mine = 0;
    char slot_file[kPathSize];
    for (; mine < kSpoolSlots && !open; ++mine) {
        if (!spool_slot_file(file, mine, slot_file)) break;
        for (int i = 0; i < (mine ? 1 : 30) && !(open = spool_open(slot_file, &pending, &skipped)); ++i) {
            if (GetLastError() != ERROR_SHARING_VIOLATION) break;
            if (!mine) Sleep(100);
        }
        if (!open && GetLastError() != ERROR_SHARING_VIOLATION) break;  // the disk refuses: no slot will do
        if (open) break;
    }
    if (!open) {
        snprintf(g_note, sizeof g_note, "ログの控え %s を開けません（行はメモリーで待ちます）", file);
        return 0;
    }
    if (skipped) snprintf(g_note, sizeof g_note, "ログの控えの読めない記録 %u 件を読み飛ばしました（電源断など）", static_cast<unsigned>(skipped));
    prepare_recovery_folders();
    for (const SpoolLine &l : pending) {
        if (l.seq >= g_next_seq) g_next_seq = l.seq + 1;
        // A write that began and whose end went unrecorded: done when the log holds it there.
        const std::string written = l.offset == 0 ? l.text : l.text.substr(l.header);
        if (spool_line_landed(l.path.c_str(), l.offset, written)) {
            spool_write(spool_done_record(l.seq), false);
            continue;
        }
        Waiting *w = make(l.path.c_str(), l.text.c_str(), l.header, l.year, l.seq);
        if (w) push(w);
    }
    write_waiting();
    // Answers a visitor could still have taken back when the player died: theirs, after the
    // lines before them, as the answers of any visit cut short.
    size_t held_skipped = 0;
    for (const SpoolLine &l : spool_held_lines(&held_skipped)) result_log_append(l.path.c_str(), l.text.c_str(), l.header, l.year);
    spool_held_clear();
    // What another player of this PC left in its slot when it died: into this spool, then to its logs.
    for (int slot = 0; slot < kSpoolSlots; ++slot) {
        std::vector<SpoolLine> left, held;
        if (slot == mine || !spool_slot_file(file, slot, slot_file) || !spool_take_orphan(slot_file, &left, &held)) continue;
        for (const SpoolLine &l : left) {
            const std::string written = l.offset == 0 ? l.text : l.text.substr(l.header);
            if (!spool_line_landed(l.path.c_str(), l.offset, written)) result_log_append(l.path.c_str(), l.text.c_str(), l.header, l.year);
        }
        for (const SpoolLine &l : held) result_log_append(l.path.c_str(), l.text.c_str(), l.header, l.year);
        spool_drop_orphan(true);
    }
    if (held_skipped && !skipped) snprintf(g_note, sizeof g_note, "控えの回答の読めない記録 %u 件を読み飛ばしました（電源断など）", static_cast<unsigned>(held_skipped));
    if (!g_spooled) spool_clear(true);
    return 1;
}

namespace {
uint64_t g_next_held = 1;
}  // namespace

uint64_t result_log_hold(const char *path, const char *line, unsigned year) {
    if (g_suppressed || !spool_ready()) return 0;
    SpoolLine l;
    l.seq = g_next_held;
    l.year = year;
    l.path = path;
    l.text = line;
    if (!spool_held_add(l)) {
        snprintf(g_note, sizeof g_note, "ログの控え %s の横に回答を書き込めません", spool_file());
        return 0;
    }
    return g_next_held++;
}

void result_log_unhold(uint64_t id) {
    if (id) spool_held_drop(id);
}

void result_log_release_held() { spool_held_clear(); }

const char *result_log_note() { return g_note; }

namespace {

struct RescueCount {
    char log[kPathSize], recovery[kPathSize];
    unsigned saved, lost;
};

// The memory-only lines into their log or else each log's recovery file; spooled lines stay in
// the spool for the next start. Fills up to max entries of counts, one per log.
int rescue(RescueCount *counts, int max, unsigned *spooled) {
    *spooled = 0;
    int n = 0;
    if (!g_head || write_waiting()) return 0;
    prepare_recovery_folders();
    for (Waiting *w = g_head; w; w = w->next) {
        if (w->seq) {
            ++*spooled;
            continue;
        }
        RescueCount *c = nullptr;
        for (int i = 0; i < n && !c; ++i)
            if (strcmp(counts[i].log, w->path) == 0) c = &counts[i];
        if (!c && n < max) {
            c = &counts[n++];
            memset(c, 0, sizeof *c);
            copy_cut(c->log, sizeof c->log, w->path);
        }
        bool saved = false;
        char recovery[kPathSize];
        for (int i = 0; i < 2 && !saved; ++i)
            // A header row belongs to its own log, not among the rescued lines.
            if (recovery_path(g_copy_folders[i], w->path, recovery) && write_log_line(recovery, w->text + w->header)) {
                saved = true;
                if (c) copy_cut(c->recovery, sizeof c->recovery, recovery);
            }
        if (c) ++(saved ? c->saved : c->lost);
    }
    // They cannot be kept past the end of the program either way.
    forget_all();
    return n;
}

}  // namespace

void set_result_log_ticks(DWORD(WINAPI *ticks)()) { g_ticks = ticks ? ticks : GetTickCount; }

void set_recovery_folders(const char *first, const char *second) {
    copy_cut(g_recovery_folders[0], kPathSize, first ? first : "");
    copy_cut(g_recovery_folders[1], kPathSize, second ? second : "");
    g_recovery_prepared = false;
}

void result_log_rescue() {
    enum { kLogs = 16 };
    RescueCount counts[kLogs];
    unsigned spooled;
    rescue(counts, kLogs, &spooled);
}

void result_log_rescue_on_crash() {
    // Only what exists already: the copy, the recovery folders and the stack. The spool is on
    // the disk already; its handle goes, so a restarted player can open it at once.
    spool_close();
    size_t at = 0;
    char refused[kPathSize] = "";
    for (size_t i = 0; i < g_copy_lines; ++i) {
        const char *path = g_copy + at;
        const char *text = path + strlen(path) + 1;
        at += record_size(path);
        // A log that refused once keeps its later lines behind it, in the recovery file.
        bool written = false;
        if (strcmp(refused, path) != 0) {
            written = !g_suppressed && append_to_file_quietly(path, text, kAppendOpenAlways);
            if (!written) copy_cut(refused, sizeof refused, path);
        }
        char recovery[kPathSize];
        for (int r = 0; !written && r < 2; ++r)
            written = recovery_path(g_copy_folders[r], path, recovery) && write_log_line(recovery, text);
    }
    g_copy_end = g_copy_lines = 0;  // written once; the list itself is left alone
}

int result_log_finish(HWND owner) {
    if (!g_head || write_waiting()) return 1;
    enum { kLogs = 16 };
    RescueCount counts[kLogs];
    unsigned spooled = 0, total = 0, lost = 0;
    int logs = rescue(counts, kLogs, &spooled);
    std::string text;
    char row[3 * kPathSize + 128];
    for (int i = 0; i < logs; ++i) total += counts[i].saved + counts[i].lost;
    if (total) {
        snprintf(row, sizeof row, kRecoveredHead, total);
        text += row;
    }
    for (int i = 0; i < logs; ++i) {
        if (counts[i].saved) {
            snprintf(row, sizeof row, kRecoveredRow, counts[i].log, counts[i].recovery, counts[i].saved);
            text += row;
        }
        if (counts[i].lost) {
            snprintf(row, sizeof row, kLostRow, counts[i].log, counts[i].lost);
            text += row;
            lost += counts[i].lost;
        }
    }
    if (total) text += kRecoveredTail;
    if (spooled) {
        snprintf(row, sizeof row, kSpooledText, spooled, spool_file());
        if (!text.empty()) text += "\r\n\r\n";
        text += row;
    }
    if (text.empty()) return 1;
    show_message_box(owner, text.c_str(), kRecoveryCaption,
                     MB_OK | (lost ? MB_ICONERROR : total ? MB_ICONWARNING : MB_ICONINFORMATION));
    return lost ? 0 : 1;
}
