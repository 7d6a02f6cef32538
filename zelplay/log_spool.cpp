// The local spool of log lines: its record format, reading it back after a crash or a power cut,
// and the one file handle a player keeps on it.
#include "log_spool.h"
#include "BrixLib.h"
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <map>

namespace {

uint32_t fnv(const std::string &a, const std::string &b) {
    uint32_t h = 2166136261u;
    for (const std::string *s : {&a, &b})
        for (unsigned char c : *s) h = (h ^ c) * 16777619u;
    return h;
}

// Decimal fields of a record's first line; false on anything else.
bool numbers(const char *p, const char *end, int64_t *out, int count) {
    for (int i = 0; i < count; ++i) {
        if (p >= end || *p != ' ') return false;
        ++p;
        bool minus = p < end && *p == '-';
        if (minus) ++p;
        if (p >= end || *p < '0' || *p > '9') return false;
        uint64_t v = 0;
        for (; p < end && *p >= '0' && *p <= '9'; ++p) {
            if (v > (UINT64_MAX - 9) / 10) return false;
            v = v * 10 + static_cast<unsigned>(*p - '0');
        }
        if (v > static_cast<uint64_t>(INT64_MAX)) return false;
        out[i] = minus ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
    }
    return p == end;
}

}  // namespace

std::string spool_line_record(const SpoolLine &l) {
    char head[160];
    snprintf(head, sizeof head, "L %llu %lld %u %u %u %u %lu\n", static_cast<unsigned long long>(l.seq),
             static_cast<long long>(l.offset), l.year, static_cast<unsigned>(l.header),
             static_cast<unsigned>(l.path.size()), static_cast<unsigned>(l.text.size()),
             static_cast<unsigned long>(fnv(l.path, l.text)));
    return head + l.path + l.text + "\n";
}

std::string spool_intent_record(uint64_t seq, int64_t offset) {
    char r[64];
    snprintf(r, sizeof r, "I %llu %lld\n", static_cast<unsigned long long>(seq), static_cast<long long>(offset));
    return r;
}

std::string spool_done_record(uint64_t seq) {
    char r[32];
    snprintf(r, sizeof r, "D %llu\n", static_cast<unsigned long long>(seq));
    return r;
}

std::vector<SpoolLine> spool_parse(const std::string &bytes, size_t *skipped) {
    std::map<uint64_t, SpoolLine> open;  // by seq: the order they were made in
    size_t bad = 0, at = 0;
    const char *base = bytes.data();
    while (at < bytes.size()) {
        size_t eol = bytes.find('\n', at);
        if (eol == std::string::npos) {  // a record cut short at the end
            ++bad;
            break;
        }
        const char *p = base + at, *e = base + eol;
        int64_t v[7];
        size_t next = eol + 1;
        bool ok = false;
        if (*p == 'L' && numbers(p + 1, e, v, 7) && v[0] > 0 && v[4] >= 0 && v[5] >= 0 && v[3] >= 0 &&
            v[4] < 65536 && v[5] < 65536 && v[3] <= v[5] && v[2] >= 0 && v[2] <= 9999) {
            size_t len = static_cast<size_t>(v[4] + v[5]);
            if (bytes.size() - next > len && bytes[next + len] == '\n') {
                SpoolLine l;
                l.seq = static_cast<uint64_t>(v[0]);
                l.offset = v[1];
                l.year = static_cast<unsigned>(v[2]);
                l.header = static_cast<size_t>(v[3]);
                l.path.assign(base + next, static_cast<size_t>(v[4]));
                l.text.assign(base + next + v[4], static_cast<size_t>(v[5]));
                if (fnv(l.path, l.text) == static_cast<uint32_t>(v[6]) && l.path.find('\0') == std::string::npos &&
                    l.text.find('\0') == std::string::npos) {
                    open[l.seq] = l;
                    next += len + 1;
                    ok = true;
                }
            }
        } else if (*p == 'I' && numbers(p + 1, e, v, 2)) {
            auto it = open.find(static_cast<uint64_t>(v[0]));
            if (it != open.end()) it->second.offset = v[1];
            ok = true;
        } else if (*p == 'D' && numbers(p + 1, e, v, 1)) {
            open.erase(static_cast<uint64_t>(v[0]));
            ok = true;
        }
        if (!ok) ++bad;
        at = next;
    }
    if (skipped) *skipped = bad;
    std::vector<SpoolLine> out;
    out.reserve(open.size());
    for (auto &kv : open) out.push_back(std::move(kv.second));
    return out;
}

bool spool_line_landed(const char *path, int64_t offset, const std::string &text) {
    if (offset < 0 || text.empty()) return false;
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER at;
    at.QuadPart = offset;
    std::string got(text.size(), '\0');
    DWORD n = 0;
    bool same = SetFilePointerEx(h, at, nullptr, FILE_BEGIN) &&
                ReadFile(h, &got[0], static_cast<DWORD>(got.size()), &n, nullptr) && n == got.size() && got == text;
    CloseHandle(h);
    return same;
}

namespace {
enum { kClearAtBytes = 64 * 1024 };
HANDLE g_file = INVALID_HANDLE_VALUE;
char g_path[kPathSize];

HANDLE open_alone(const char *file) {
    return CreateFileA(file, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool write_all(HANDLE h, const std::string &bytes) {
    DWORD n = 0;
    return bytes.empty() || (WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) && n == bytes.size());
}
}  // namespace

bool spool_open(const char *file, std::vector<SpoolLine> *pending, size_t *skipped) {
    spool_close();
    pending->clear();
    *skipped = 0;
    HANDLE h = open_alone(file);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size = {};
    std::string bytes;
    if (!GetFileSizeEx(h, &size) || size.QuadPart > 256 * 1024 * 1024) {
        CloseHandle(h);
        return false;
    }
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD n = 0;
    if (!bytes.empty() && (!ReadFile(h, &bytes[0], static_cast<DWORD>(bytes.size()), &n, nullptr) || n != bytes.size())) {
        CloseHandle(h);
        return false;
    }
    *pending = spool_parse(bytes, skipped);
    if (!bytes.empty()) {
        // Only what still waits is kept: written beside, then put in place, so a cut keeps one whole copy.
        std::string keep;
        for (const SpoolLine &l : *pending) keep += spool_line_record(l);
        char temporary[kPathSize];
        bool moved = false;
        if (temporary_beside(file, temporary)) {
            HANDLE t = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (t != INVALID_HANDLE_VALUE) {
                bool ok = write_all(t, keep) && FlushFileBuffers(t);
                CloseHandle(t);
                if (ok) {
                    CloseHandle(h);
                    h = INVALID_HANDLE_VALUE;
                    moved = MoveFileExA(temporary, file, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
                    if (!moved) DeleteFileA(temporary);
                    h = open_alone(file);
                    if (h == INVALID_HANDLE_VALUE) return false;
                } else {
                    DeleteFileA(temporary);
                }
            }
        }
        (void)moved;  // left as it was, the file reads the same next time
    }
    LARGE_INTEGER zero = {};
    SetFilePointerEx(h, zero, nullptr, FILE_END);
    g_file = h;
    copy_cut(g_path, sizeof g_path, file);
    return true;
}

bool spool_ready() { return g_file != INVALID_HANDLE_VALUE; }

const char *spool_file() { return g_path; }

bool spool_write(const std::string &records, bool flush) {
    if (g_file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER zero = {}, end = {};
    if (!SetFilePointerEx(g_file, zero, &end, FILE_END)) return false;
    if (!write_all(g_file, records) || (flush && !FlushFileBuffers(g_file))) {
        // A cut record would only be skipped; taken back, the next one reads cleanly too.
        if (SetFilePointerEx(g_file, end, nullptr, FILE_BEGIN)) SetEndOfFile(g_file);
        return false;
    }
    return true;
}

void spool_clear(bool now) {
    if (g_file == INVALID_HANDLE_VALUE) return;
    // Cutting the file costs the next flush a journal commit: done at start and past a size, not
    // after every line (the delivered records say the same).
    LARGE_INTEGER zero = {}, size = {};
    if (!now && (!GetFileSizeEx(g_file, &size) || size.QuadPart < kClearAtBytes)) return;
    if (SetFilePointerEx(g_file, zero, nullptr, FILE_BEGIN)) SetEndOfFile(g_file);
}

void spool_close() {
    if (g_file != INVALID_HANDLE_VALUE) CloseHandle(g_file);
    g_file = INVALID_HANDLE_VALUE;
    g_path[0] = '\0';
}

namespace {
// "spool.dat" -> "spool<tail>.dat", beside it.
bool beside_with(const char *spool, const char *tail, char *out) {
    if (!spool[0]) return false;
    const char *dot = strrchr(spool, '.');
    const char *slash = strrchr(spool, '\\');
    const size_t stem = dot && (!slash || dot > slash) ? static_cast<size_t>(dot - spool) : strlen(spool);
    return snprintf(out, kPathSize, "%.*s%s%s", static_cast<int>(stem), spool, tail, spool + stem) < kPathSize;
}

bool held_file_of(const char *spool, char *out) { return beside_with(spool, "-held", out); }
bool held_file(char *out) { return held_file_of(g_path, out); }

bool read_whole(HANDLE h, std::string *bytes) {
    LARGE_INTEGER size = {};
    DWORD n = 0;
    bytes->clear();
    if (!GetFileSizeEx(h, &size) || size.QuadPart > 256 * 1024 * 1024) return false;
    bytes->resize(static_cast<size_t>(size.QuadPart));
    return bytes->empty() || (ReadFile(h, &(*bytes)[0], static_cast<DWORD>(bytes->size()), &n, nullptr) && n == bytes->size());
}

bool held_append(const std::string &record) {
    char file[kPathSize];
    if (g_file == INVALID_HANDLE_VALUE || !held_file(file)) return false;
    HANDLE h = CreateFileA(file, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = write_all(h, record) && FlushFileBuffers(h);
    CloseHandle(h);
    return ok;
}
}  // namespace

bool spool_held_add(const SpoolLine &line) { return held_append(spool_line_record(line)); }

bool spool_held_drop(uint64_t seq) { return held_append(spool_done_record(seq)); }

std::vector<SpoolLine> spool_held_lines(size_t *skipped) {
    *skipped = 0;
    char file[kPathSize];
    std::string bytes;
    if (g_file == INVALID_HANDLE_VALUE || !held_file(file)) return {};
    HANDLE h = CreateFileA(file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    LARGE_INTEGER size = {};
    DWORD n = 0;
    // A visit's answers: anything near this size is not ours.
    if (GetFileSizeEx(h, &size) && size.QuadPart > 0 && size.QuadPart <= 16 * 1024 * 1024) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        if (!ReadFile(h, &bytes[0], static_cast<DWORD>(bytes.size()), &n, nullptr) || n != bytes.size()) bytes.clear();
    }
    CloseHandle(h);
    return spool_parse(bytes, skipped);
}

void spool_held_clear() {
    char file[kPathSize];
    if (g_file != INVALID_HANDLE_VALUE && held_file(file)) DeleteFileA(file);
}

bool spool_slot_file(const char *file, int slot, char *out) {
    if (slot == 0) {
        copy_cut(out, kPathSize, file);
        return strlen(file) < kPathSize;
    }
    char tail[16];
    snprintf(tail, sizeof tail, "-%d", slot + 1);
    return beside_with(file, tail, out);
}

namespace {
HANDLE g_orphan = INVALID_HANDLE_VALUE;
char g_orphan_path[kPathSize];
}  // namespace

bool spool_take_orphan(const char *file, std::vector<SpoolLine> *pending, std::vector<SpoolLine> *held) {
    spool_drop_orphan(false);
    pending->clear();
    held->clear();
    // Kept from everyone while its lines move into this player's own spool.
    HANDLE h = CreateFileA(file, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    std::string bytes;
    size_t skipped = 0;
    if (!read_whole(h, &bytes)) {
        CloseHandle(h);
        return false;
    }
    *pending = spool_parse(bytes, &skipped);
    char held_path[kPathSize];
    if (held_file_of(file, held_path)) {
        HANDLE k = CreateFileA(held_path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (k != INVALID_HANDLE_VALUE) {
            if (read_whole(k, &bytes)) *held = spool_parse(bytes, &skipped);
            CloseHandle(k);
        }
    }
    g_orphan = h;
    copy_cut(g_orphan_path, sizeof g_orphan_path, file);
    return true;
}

void spool_drop_orphan(bool remove) {
    if (g_orphan == INVALID_HANDLE_VALUE) return;
    CloseHandle(g_orphan);
    g_orphan = INVALID_HANDLE_VALUE;
    char held_path[kPathSize];
    if (remove) {
        if (held_file_of(g_orphan_path, held_path)) DeleteFileA(held_path);
        DeleteFileA(g_orphan_path);
    }
}
