// Text, path and file operations shared by the player and the editor.
#include "BrixLib.h"
#include "imemory.h"
#include <shlwapi.h>
#include <limits.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

bool is_sjis_lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

static bool is_sjis_trail(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// Byte length of the character at p. A lead byte without a second byte that can follow it (the
// terminator, a comma, a line break) stands alone: a damaged text never swallows a delimiter.
static size_t char_len(const char *p) {
    return (is_sjis_lead(static_cast<unsigned char>(p[0])) && is_sjis_trail(static_cast<unsigned char>(p[1]))) ? 2 : 1;
}

static void copy_bounded(char *dest, size_t dest_size, const char *src, size_t n) {
    if (dest_size == 0) return;
    if (n < dest_size && src[n] == '\0') {
        // The whole text fits: the walk below would stop at n itself.
        memcpy(dest, src, n + 1);
        return;
    }
    if (n >= dest_size) n = dest_size - 1;
    // Do not leave half of a double-byte character at the end.
    size_t whole = 0;
    while (whole < n) {
        size_t step = char_len(src + whole);
        if (whole + step > n) break;
        whole += step;
    }
    memcpy(dest, src, whole);
    dest[whole] = '\0';
}

int split_at_delimiter(const char *text, const char *delims, char *token, size_t token_size, const char **rest) {
    if (!text || !*text || !delims || !*delims) return 0;
    for (const char *p = text; *p; p += char_len(p)) {
        if (char_len(p) == 1 && strchr(delims, *p)) {
            copy_bounded(token, token_size, text, static_cast<size_t>(p - text));
            if (rest) *rest = p + 1;
            return 1;
        }
    }
    copy_bounded(token, token_size, text, strlen(text));
    if (rest) *rest = nullptr;
    return 0;
}

static unsigned char fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

// Case-insensitive match of pattern at p; both walked character by character.
static bool matches_at(const char *p, const char *pattern) {
    while (*pattern) {
        size_t lp = char_len(pattern), lt = char_len(p);
        if (lp != lt) return false;
        if (lp == 1) {
            if (fold(static_cast<unsigned char>(*p)) != fold(static_cast<unsigned char>(*pattern))) return false;
        } else if (p[0] != pattern[0] || p[1] != pattern[1]) {
            return false;
        }
        p += lp;
        pattern += lp;
    }
    return true;
}

const char *find_text_nocase(const char *text, const char *pattern) {
    if (!text || !*text || !pattern) return nullptr;
    if (!*pattern) return text;
    for (const char *p = text; *p; p += char_len(p))
        if (matches_at(p, pattern)) return p;
    return nullptr;
}

char *replace_all_nocase(char *out, size_t out_size, const char *text, const char *pattern, const char *replacement) {
    if (!out || out_size == 0) return out;
    out[0] = '\0';
    if (!text) return out;
    size_t used = 0, plen = pattern ? strlen(pattern) : 0, rlen = replacement ? strlen(replacement) : 0;
    unsigned char first = plen ? static_cast<unsigned char>(pattern[0]) : 0;
    if (plen && fold(first) == first && (first < 'a' || first > 'z') && !strchr(text, first)) {
        // Most texts hold no escape at all: a pattern whose first byte has no other case cannot
        // match where that byte never occurs.
        copy_bounded(out, out_size, text, strlen(text));
        return out;
    }
    const char *p = text;
    while (*p && used < out_size - 1) {
        const char *hit = plen ? find_text_nocase(p, pattern) : nullptr;
        const char *stop = hit ? hit : p + strlen(p);
        copy_bounded(out + used, out_size - used, p, static_cast<size_t>(stop - p));
        used += strlen(out + used);
        if (!hit) break;
        copy_bounded(out + used, out_size - used, replacement ? replacement : "", rlen);
        used += strlen(out + used);
        p = hit + plen;
    }
    return out;
}

static int compare_n(const char *a, const char *b, size_t n, bool nocase) {
    size_t i = 0;
    while (i < n) {
        unsigned char ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
        bool lead = is_sjis_lead(ca) && a[i + 1] && i + 1 < n;
        if (!lead && nocase) {
            ca = fold(ca);
            cb = fold(cb);
        }
        if (ca != cb) return ca < cb ? -1 : 1;
        if (!ca) return 0;
        if (lead) {
            ++i;
            if (a[i] != b[i]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]) ? -1 : 1;
        }
        ++i;
    }
    return 0;
}

int compare_prefix_nocase(const char *a, const char *b, size_t n) { return compare_n(a, b, n, true); }
int compare_prefix(const char *a, const char *b, size_t n) { return compare_n(a, b, n, false); }

char *append_prefix(char *dest, size_t dest_size, const char *source, size_t n) {
    size_t used = strlen(dest);
    if (used >= dest_size) return dest;
    size_t slen = strlen(source);
    copy_bounded(dest + used, dest_size - used, source, n < slen ? n : slen);
    return dest;
}

// A decimal number held within [low, high] instead of wrapping around.
static long long clamped_number(const char *field, long long low, long long high) {
    long long v = strtoll(field, nullptr, 10);
    return v < low ? low : v > high ? high : v;
}

int scan_fields(const char *text, const char *delims, const char *conversions, ...) {
    va_list ap;
    va_start(ap, conversions);
    int result = 1;
    char *field = static_cast<char *>(I_CALLOC(kLineSize, 1));
    if (!field) {
        va_end(ap);
        return 0;
    }
    const char *next = text;
    const char *conv = strchr(conversions, '%');
    while (next && *next && conv) {
        ++conv;
        size_t width = 0;
        while (*conv >= '0' && *conv <= '9') width = width * 10 + static_cast<size_t>(*conv++ - '0');
        const char *rest = nullptr;
        field[0] = '\0';
        split_at_delimiter(next, delims, field, kLineSize, &rest);
        next = rest;
        switch (*conv) {
            case 's': {
                char *out = va_arg(ap, char *);
                copy_bounded(out, width ? width : static_cast<size_t>(kLineSize), field, strlen(field));
                break;
            }
            case 'u':
            case 'l':
                *va_arg(ap, int32_t *) = static_cast<int32_t>(clamped_number(field, INT32_MIN, INT32_MAX));
                break;
            case 'd':
                *va_arg(ap, int *) = static_cast<int>(clamped_number(field, INT32_MIN, INT32_MAX));
                break;
            case 'x':
                *va_arg(ap, int32_t *) = static_cast<int32_t>(strtoul(field, nullptr, 16));
                break;
            case 'f':
                *va_arg(ap, double *) = atof(field);
                break;
            case 'b':
                *va_arg(ap, unsigned char *) = static_cast<unsigned char>(clamped_number(field, 0, 255));
                break;
            case 'r':
                *va_arg(ap, short *) = static_cast<short>(clamped_number(field, SHRT_MIN, SHRT_MAX));
                break;
            default:
                result = 0;
                break;
        }
        if (!result) break;
        conv = strchr(conv, '%');
    }
    // A field left over with no conversion for it.
    if (result && next && *next && !conv) result = 0;
    I_FREE(field);
    va_end(ap);
    return result;
}

bool is_nt_platform() {
    OSVERSIONINFOA info;
    memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&info)) return false;
#pragma GCC diagnostic pop
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// Last backslash or dot outside double-byte characters, or null.
static const char *last_char(const char *s, char c) {
    const char *found = nullptr;
    for (const char *p = s; *p; p += char_len(p))
        if (*p == c && char_len(p) == 1) found = p;
    return found;
}

char *path_last_part(char *path, bool drop) {
    size_t len = strlen(path);
    const char *last = last_char(path, '\\');
    if (!last) return path;
    if (last[1]) return const_cast<char *>(last + 1);
    // Ends with a backslash: the component before it.
    char saved = path[len - 1];
    path[len - 1] = '\0';
    const char *prev = last_char(path, '\\');
    if (!drop) path[len - 1] = saved;
    return prev ? const_cast<char *>(prev + 1) : path;
}

char *path_file_name(char *path) { return path_last_part(path, true); }

int path_folder_part(const char *path, char *out, bool keep) {
    out[0] = '\0';
    const char *last = last_char(path, '\\');
    if (!last) return 0;
    if (!last[1]) {  // trailing backslash: the component before it is the last one
        char tmp[kPathSize];
        copy_bounded(tmp, sizeof tmp, path, static_cast<size_t>(last - path));
        const char *prev = last_char(tmp, '\\');
        if (!prev) return 0;
        copy_bounded(out, kPathSize, path, static_cast<size_t>(prev - tmp) + (keep ? 1 : 0));
        return 1;
    }
    copy_bounded(out, kPathSize, path, static_cast<size_t>(last - path) + (keep ? 1 : 0));
    return 1;
}

char *path_folder(const char *path, char *out) {
    out[0] = '\0';
    if (!path || !*path) return out;
    const char *last = last_char(path, '\\');
    if (last) {
        copy_bounded(out, kPathSize, path, static_cast<size_t>(last - path) + 1);
    } else if (path[0] && path[1] == ':') {
        copy_bounded(out, kPathSize, path, 2);
    }
    if (!out[0] || !PathIsDirectoryA(out)) out[0] = '\0';
    return out;
}

void path_strip_last(const char *path, char *out) {
    const char *last = last_char(path, '\\');
    copy_bounded(out, kPathSize, path, last ? static_cast<size_t>(last - path) : strlen(path));
}

const char *path_extension(const char *path) {
    const char *dot = last_char(path, '.');
    return dot ? dot + 1 : nullptr;
}

int module_folder(char *out) {
    char file[kPathSize];
    out[0] = '\0';
    DWORD n = GetModuleFileNameA(nullptr, file, sizeof file);
    if (n == 0 || n >= sizeof file) return 0;
    path_folder(file, out);
    return 1;
}

namespace {

bool file_is_there(const char *path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// folder + path into out, made whole (".." steps taken); false when it does not fit.
bool join_whole(const char *folder, const char *path, char *out) {
    char joined[kPathSize];
    size_t a = strlen(folder), b = strlen(path);
    if (!a || a + b >= sizeof joined) return false;
    memcpy(joined, folder, a);
    memcpy(joined + a, path, b + 1);
    DWORD n = GetFullPathNameA(joined, kPathSize, out, nullptr);
    return n && n < kPathSize;
}

}  // namespace

const char *resolve_named_path(const char *path, const char *naming_file, char *out, FileProbe exists) {
    if (!exists) exists = file_is_there;
    if (!path || !path[0] || !PathIsRelativeA(path)) return path;
    char folder[kPathSize], full[kPathSize];
    if (naming_file && naming_file[0]) {
        DWORD n = GetFullPathNameA(naming_file, sizeof full, full, nullptr);
        if (n && n < sizeof full && path_folder_part(full, folder, true) && join_whole(folder, path, out) && exists(out))
            return out;
    }
    if (exists(path)) return path;
    if (module_folder(folder) && join_whole(folder, path, out) && exists(out)) return out;
    return path;
}

const char *resolve_stored_path(const char *path, char *out) { return resolve_named_path(path, nullptr, out); }

bool path_in_folder(const char *folder, const char *file, const char **below) {
    size_t n = strlen(folder);
    if (!n || folder[n - 1] != '\\' || strlen(file) <= n || compare_prefix_nocase(file, folder, n) != 0) return false;
    if (below) *below = file + n;
    return true;
}

// Length of the root: "C:\", "\\server\share\", or "\\.\device\".
static size_t root_length(const char *p) {
    if (p[0] && p[1] == ':') return p[2] == '\\' ? 3 : 2;
    if (p[0] == '\\' && p[1] == '\\') {
        const char *q = p + 2;
        for (int parts = 0; parts < 2 && *q; ++parts) {
            const char *bs = strchr(q, '\\');
            if (!bs) return strlen(p);
            q = bs + 1;
        }
        return static_cast<size_t>(q - p);
    }
    return 0;
}

int path_relation(const char *a, const char *b) {
    size_t la = strlen(a), lb = strlen(b);
    if (la == lb && compare_prefix_nocase(a, b, la) == 0) return kRelSame;
    if (lb > la && compare_prefix_nocase(b, a, la) == 0 && b[la] == '\\') return kRelBelow;
    if (lb < la && compare_prefix_nocase(a, b, lb) == 0) {
        // Equal to a without its last component?
        char up[kPathSize];
        copy_bounded(up, sizeof up, a, la);
        if (la && up[la - 1] == '\\') up[la - 1] = '\0';
        const char *last = last_char(up, '\\');
        if (last) {
            size_t keep = static_cast<size_t>(last - up) + 1;
            if (keep == lb || keep - 1 == lb) return kRelParent;
        }
        return kRelAncestor;
    }
    size_t ra = root_length(a), rb = root_length(b);
    if (!PathIsSameRootA(a, b) || ra != rb || compare_prefix_nocase(a, b, ra) != 0) return kRelOtherRoot;
    const char *shorter = la < lb ? a : b, *longer = la < lb ? b : a;
    const char *end = strchr(shorter + ra, '\\');
    size_t first = end ? static_cast<size_t>(end - shorter) + 1 : strlen(shorter);
    if (first > ra && compare_prefix_nocase(longer, shorter, first) == 0) return kRelSameFirstFolder;
    return kRelSameRoot;
}

// Folder of p: p itself when it is an existing folder, else its path_folder.
static void folder_of(const char *p, char *out) {
    if (PathIsDirectoryA(p)) {
        copy_bounded(out, kPathSize, p, strlen(p));
        size_t n = strlen(out);
        if (n && out[n - 1] != '\\' && n + 1 < kPathSize) strcat(out, "\\");
    } else {
        path_folder(p, out);
        if (!out[0]) {  // a folder that does not exist: take the text up to the last backslash
            const char *last = last_char(p, '\\');
            if (last) copy_bounded(out, kPathSize, p, static_cast<size_t>(last - p) + 1);
        }
    }
}

static int count_levels(const char *s) {
    int n = 0;
    for (const char *p = s; *p; p += char_len(p))
        if (*p == '\\') ++n;
    return n;
}

static void add_ups(char *out, int levels) {
    for (int i = 0; i < levels; ++i) append_prefix(out, kPathSize, "..\\", 3);
}

int make_relative_path(const char *base, const char *target, char *out) {
    if (!base || !*base || !target || !*target) return 0;
    char bf[kPathSize], tf[kPathSize], name[kPathSize];
    folder_of(base, bf);
    folder_of(target, tf);
    const char *last = last_char(target, '\\');
    copy_bounded(name, sizeof name, last ? last + 1 : target, strlen(last ? last + 1 : target));
    char result[kPathSize] = "";
    switch (path_relation(bf, tf)) {
        case kRelSame:
            append_prefix(result, sizeof result, name, strlen(name));
            break;
        case kRelParent:
            snprintf(result, sizeof result, "..\\%s", name);
            break;
        case kRelBelow: {
            size_t lb = strlen(bf);
            const char *below = target + lb + (target[lb] == '\\' ? 1 : 0);
            append_prefix(result, sizeof result, below, strlen(below));
            break;
        }
        case kRelAncestor:
            add_ups(result, count_levels(bf + strlen(tf)));
            append_prefix(result, sizeof result, name, strlen(name));
            break;
        case kRelSameRoot:
        case kRelSameFirstFolder: {
            // Deepest common folder, whole names compared without case.
            size_t common = 0, i = 0;
            while (bf[i] && tf[i]) {
                size_t step = char_len(bf + i);
                if (compare_prefix_nocase(bf + i, tf + i, step) != 0) break;
                i += step;
                if (bf[i - 1] == '\\' && step == 1) common = i;
            }
            add_ups(result, count_levels(bf + common));
            const char *below = target + common;
            append_prefix(result, sizeof result, below, strlen(below));
            break;
        }
        default:
            append_prefix(result, sizeof result, target, strlen(target));
            break;
    }
    copy_bounded(out, kPathSize, result, strlen(result));
    return 1;
}

namespace {
// Fault hook for tests: the call numbers (1-based, counted from the last set_file_fault) to fail.
int g_fail_append_at, g_fail_replace_at, g_append_calls, g_replace_calls;
}

void set_file_fault(int append_call, int replace_call) {
    g_fail_append_at = append_call;
    g_fail_replace_at = replace_call;
    g_append_calls = g_replace_calls = 0;
}

bool append_fault_due() { return g_fail_append_at && ++g_append_calls == g_fail_append_at; }

// A write that fails part way, as on a full disk: half the text lands, then the error.
static BOOL write_text(HANDLE h, const char *text, DWORD len) {
    DWORD written = 0;
    if (append_fault_due()) {
        WriteFile(h, text, len / 2, &written, nullptr);
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    return WriteFile(h, text, len, &written, nullptr) && written == len;
}

// The append itself; on failure *step names the step that failed and GetLastError says why.
static int append_step(const char *path, const char *text, DWORD disposition, const char **step,
                       AppendAtEnd at_end = nullptr, void *context = nullptr) {
    // Written synchronously so that a success means the text is in the file; readers may share it.
    HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        *step = "追記ファイルのオープン";
        return 0;
    }
    LARGE_INTEGER zero = {}, end = {};
    BOOL ok = SetFilePointerEx(h, zero, &end, FILE_END);
    if (ok && at_end && !(text = at_end(context, static_cast<uint64_t>(end.QuadPart)))) {
        CloseHandle(h);
        *step = "追記ファイルの書き込み";
        return 0;
    }
    DWORD len = static_cast<DWORD>(strlen(text));
    if (ok) ok = write_text(h, text, len);
    if (!ok) {
        // A half line would spoil the file and a later retry would repeat its start: cut it off again.
        DWORD error = GetLastError();
        if (SetFilePointerEx(h, end, nullptr, FILE_BEGIN)) SetEndOfFile(h);
        CloseHandle(h);
        SetLastError(error);
        *step = "追記ファイルの書き込み";
        return 0;
    }
    CloseHandle(h);
    return 1;
}

int append_to_file(const char *path, const char *text, DWORD disposition) {
    const char *step = nullptr;
    if (append_step(path, text, disposition, &step)) return 1;
    i_show_last_error(step);
    return 0;
}

int append_to_file_quietly(const char *path, const char *text, DWORD disposition) {
    const char *step = nullptr;
    return append_step(path, text, disposition, &step);
}

int append_at_end_quietly(const char *path, DWORD disposition, AppendAtEnd at_end, void *context) {
    const char *step = nullptr;
    return append_step(path, "", disposition, &step, at_end, context);
}

bool temporary_beside(const char *target, char *out) {
    char name[kPathSize] = {0};
    append_prefix(name, sizeof name, target, strlen(target));
    const char *file = path_file_name(name);
    char folder[kPathSize] = {0};
    path_folder(target, folder);
    if (strlen(folder) + 1 + strlen(file) >= kPathSize) return false;
    snprintf(out, kPathSize, "%s~%s", folder, file);
    return true;
}

int replace_file(const char *temporary, const char *target) {
    if (g_fail_replace_at && ++g_replace_calls == g_fail_replace_at) {
        SetLastError(ERROR_ACCESS_DENIED);
        i_show_last_error("既存ファイルの置換え（移動）に失敗しました");
        return 0;
    }
    DWORD attrs = GetFileAttributesA(target);
    bool had_target = attrs != INVALID_FILE_ATTRIBUTES;
    if (had_target) {
        // The old target must stay until the new one takes its place; refuse early if it cannot go.
        HANDLE t = INVALID_HANDLE_VALUE;
        if (attrs & FILE_ATTRIBUTE_READONLY)
            SetLastError(ERROR_ACCESS_DENIED);
        else
            t = CreateFileA(target, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (t == INVALID_HANDLE_VALUE) {
            i_show_last_error("既存ファイルの削除に失敗しました");
            return 0;
        }
        CloseHandle(t);
    }
    HANDLE tmp = CreateFileA(temporary, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (tmp != INVALID_HANDLE_VALUE) {
        FlushFileBuffers(tmp);
        CloseHandle(tmp);
    }
    if (!MoveFileExA(temporary, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        i_show_last_error(had_target ? "既存ファイルの置換え（移動）に失敗しました" : "ファイルの置換え（移動）に失敗しました");
        return 0;
    }
    return 1;
}

int file_exists(const char *name) {
    if (!name || !*name) return 0;
    char folder[kPathSize], found[kPathSize + 1];
    const char *last = last_char(name, '\\');
    const char *component = last ? last + 1 : name;
    if (last) copy_bounded(folder, sizeof folder, name, static_cast<size_t>(last - name));
    if (last && folder[0] && folder[1] == ':' && !folder[2]) strcat(folder, "\\");
    char *file_part = nullptr;
    DWORD n = SearchPathA(last ? folder : nullptr, component, nullptr, sizeof found, found, &file_part);
    return n > 0 && n < sizeof found;
}

bool equals_nocase(const char *a, const char *b) {
    size_t n = strlen(b);
    return strlen(a) == n && compare_prefix_nocase(a, b, n) == 0;
}

void copy_cut(char *field, size_t size, const char *value) {
    if (!size) return;
    field[0] = '\0';
    if (value) append_prefix(field, size, value, strlen(value));
}
