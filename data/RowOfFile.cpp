// Line reader shared by the question-file and set-file readers.
#include "RowOfFile.h"
#include "BrixLib.h"
#include "imemory.h"
#include "message_box.h"
#include <stdio.h>
#include <string.h>

// kPiece: the piece the line logic works in; kChunk: what one read fetches.
enum { kPiece = 64, kChunk = 1024 };

static const char kReadCaption[] = "ファイルの読み込み";

bool looks_like_utf8(const unsigned char *b, size_t n) {
    if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) return true;
    bool multi = false;
    for (size_t i = 0; i < n;) {
        unsigned char c = b[i];
        size_t extra;
        // The second byte's range leaves out overlong forms, surrogates and what lies past U+10FFFF.
        unsigned char low = 0x80, high = 0xBF;
        if (c < 0x80) extra = 0;
        else if (c >= 0xC2 && c <= 0xDF) extra = 1;
        else if ((c & 0xF0) == 0xE0) extra = 2, low = c == 0xE0 ? 0xA0 : 0x80, high = c == 0xED ? 0x9F : 0xBF;
        else if (c >= 0xF0 && c <= 0xF4) extra = 3, low = c == 0xF0 ? 0x90 : 0x80, high = c == 0xF4 ? 0x8F : 0xBF;
        else return false;
        if (extra > n - i - 1) return false;
        if (extra && (b[i + 1] < low || b[i + 1] > high)) return false;
        for (size_t k = 1; k <= extra; ++k)
            if ((b[i + k] & 0xC0) != 0x80) return false;
        if (extra) multi = true;
        i += extra + 1;
    }
    return multi;
}

static void note_loss(Utf8Losses *lost, uint32_t code) {
    if (!lost) return;
    if (lost->count < sizeof lost->first / sizeof lost->first[0]) lost->first[lost->count] = code;
    ++lost->count;
}

char *shift_jis_from_utf8(const unsigned char *bytes, size_t n, size_t *size, Utf8Losses *lost) {
    *size = 0;
    if (lost) *lost = Utf8Losses();
    if (n >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) bytes += 3, n -= 3;
    if (n > 0x3FFFFFFF) return nullptr;
    int wide_n = n ? MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char *>(bytes), static_cast<int>(n), nullptr, 0) : 0;
    wchar_t *wide = static_cast<wchar_t *>(I_HEAP_CALLOC(static_cast<size_t>(wide_n) + 1, sizeof(wchar_t)));
    // Whether each 16-bit character has a Shift-JIS form: 0 not asked yet, 1 yes, 2 no.
    unsigned char *known = static_cast<unsigned char *>(I_HEAP_CALLOC(0x10000, 1));
    char *sjis = nullptr;
    int sjis_n = 0;
    if (wide && known) {
        MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char *>(bytes), static_cast<int>(n), wide, wide_n);
        // A character beyond the 16-bit range is one character: one "?", not one per half.
        int kept = 0;
        for (int i = 0; i < wide_n; ++i) {
            const wchar_t w = wide[i];
            bool pair = w >= 0xD800 && w <= 0xDBFF && i + 1 < wide_n && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF;
            if (pair) {
                note_loss(lost, 0x10000 + ((static_cast<uint32_t>(w) - 0xD800) << 10) + (wide[i + 1] - 0xDC00));
                wide[kept++] = L'?';
                ++i;
                continue;
            }
            if (!known[w]) {
                char out[4];
                BOOL used = FALSE;
                WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, &w, 1, out, sizeof out, "?", &used);
                known[w] = used ? 2 : 1;
            }
            if (known[w] == 2) note_loss(lost, w);
            wide[kept++] = w;
        }
        wide_n = kept;
        sjis_n = wide_n ? WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, wide_n, nullptr, 0, "?", nullptr) : 0;
        sjis = static_cast<char *>(I_HEAP_CALLOC(static_cast<size_t>(sjis_n) + 1, 1));
        if (sjis && sjis_n) WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, wide_n, sjis, sjis_n, "?", nullptr);
    }
    I_HEAP_FREE(known);
    I_HEAP_FREE(wide);
    if (sjis) *size = static_cast<size_t>(sjis_n);
    return sjis;
}

void utf8_loss_notice(const char *path, const Utf8Losses &lost, char *text, size_t size, bool saved) {
    if (!size) return;
    char codes[64] = "";
    const size_t most = kLossesShown, shown = lost.count < most ? lost.count : most;
    for (size_t i = 0; i < shown; ++i) {
        char one[16];
        wsprintfA(one, i ? " U+%04X" : "U+%04X", static_cast<unsigned>(lost.first[i]));
        lstrcatA(codes, one);
    }
    if (lost.count > shown) lstrcatA(codes, " ...");
    char name[kPathSize], body[256];
    lstrcpynA(name, path, sizeof name);
    if (lost.count)
        wsprintfA(body, "Shift-JIS にない %u 文字を「?」に置き換えて読みました（%s）。", static_cast<unsigned>(lost.count), codes);
    else
        lstrcpyA(body, "どの文字も Shift-JIS で表せます。");
    snprintf(text, size, "%s\r\nこのファイルは UTF-8 で書かれています。%s\r\n%s", path_file_name(name),
             saved ? "保存するときは Shift-JIS で保存します。" : "", body);
    text[size - 1] = '\0';
}

void utf8_original_opened(Utf8Original *o, const char *path, int utf8, const Utf8Losses &lost) {
    o->path[0] = '\0';
    o->lost = utf8 ? lost.count : 0;
    if (utf8) lstrcpynA(o->path, path, sizeof o->path);
}

bool utf8_original_may_replace(const Utf8Original *o, HWND owner, const char *target, const char *caption) {
    if (!o->path[0] || lstrcmpiA(o->path, target) != 0) return true;
    char name[kPathSize], text[512];
    lstrcpynA(name, target, sizeof name);
    char lost[96] = "";
    if (o->lost) wsprintfA(lost, "\r\nShift-JIS にない %u 文字は「?」のままになります。", static_cast<unsigned>(o->lost));
    snprintf(text, sizeof text,
             "%s\r\nこのファイルは UTF-8 で書かれています。Shift-JIS で上書きしますか？%s\r\n"
             "元のファイルを残すときは「いいえ」を選び、別の名前で保存してください。",
             path_file_name(name), lost);
    return show_message_box(owner, text, caption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void utf8_original_saved(Utf8Original *o, const char *target) {
    if (o->path[0] && lstrcmpiA(o->path, target) == 0) o->path[0] = '\0';
}

// The whole file converted to Shift-JIS in a temporary file that goes when it is closed.
// INVALID_HANDLE_VALUE with the reason as the last error when it cannot be made.
static HANDLE shift_jis_copy(const unsigned char *bytes, size_t n, Utf8Losses *lost) {
    HANDLE out = INVALID_HANDLE_VALUE;
    size_t sjis_n = 0;
    char *sjis = shift_jis_from_utf8(bytes, n, &sjis_n, lost);
    char folder[kPathSize], name[kPathSize];
    DWORD error = sjis ? 0 : ERROR_NOT_ENOUGH_MEMORY;
    if (sjis && GetTempPathA(sizeof folder, folder) && GetTempFileNameA(folder, "zel", 0, name)) {
        out = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        DWORD written = 0;
        if (out != INVALID_HANDLE_VALUE &&
            (!WriteFile(out, sjis, static_cast<DWORD>(sjis_n), &written, nullptr) || written != static_cast<DWORD>(sjis_n))) {
            error = GetLastError();
            CloseHandle(out);
            out = INVALID_HANDLE_VALUE;
        }
        if (out != INVALID_HANDLE_VALUE) SetFilePointer(out, 0, nullptr, FILE_BEGIN);
        else if (!error) error = GetLastError();
        if (out == INVALID_HANDLE_VALUE) DeleteFileA(name);
    } else if (!error) {
        error = GetLastError();
    }
    I_HEAP_FREE(sjis);
    if (out == INVALID_HANDLE_VALUE) SetLastError(error ? error : ERROR_CANNOT_MAKE);
    return out;
}

HANDLE open_line_file(const char *path, int *utf8, Utf8Losses *lost) {
    if (utf8) *utf8 = 0;
    if (lost) *lost = Utf8Losses();
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return file;
    LARGE_INTEGER size = {};
    // Files past 64 MB are no question or set file anyone typed: read as they are.
    if (!GetFileSizeEx(file, &size) || size.QuadPart == 0 || size.QuadPart > 64 * 1024 * 1024) return file;
    size_t n = static_cast<size_t>(size.QuadPart);
    unsigned char *bytes = static_cast<unsigned char *>(I_HEAP_CALLOC(n, 1));
    DWORD got = 0;
    if (!bytes || !ReadFile(file, bytes, static_cast<DWORD>(n), &got, nullptr) || got != n || !looks_like_utf8(bytes, n)) {
        I_HEAP_FREE(bytes);
        SetFilePointer(file, 0, nullptr, FILE_BEGIN);
        return file;
    }
    HANDLE copy = shift_jis_copy(bytes, n, lost);
    I_HEAP_FREE(bytes);
    if (copy == INVALID_HANDLE_VALUE) {
        // Read as Shift-JIS, the text would be garbled and a save would keep it so: refuse instead.
        DWORD error = GetLastError();
        CloseHandle(file);
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    CloseHandle(file);
    if (utf8) *utf8 = 1;
    return copy;
}

int check_not_empty(HANDLE file) {
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    if (low == 0 && high == 0) return kFileEmpty;
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    return 0;
}

static LONGLONG tell(HANDLE file) {
    LARGE_INTEGER zero, pos;
    zero.QuadPart = 0;
    SetFilePointerEx(file, zero, &pos, FILE_CURRENT);
    return pos.QuadPart;
}

static void seek(HANDLE file, LONGLONG where) {
    LARGE_INTEGER pos;
    pos.QuadPart = where;
    SetFilePointerEx(file, pos, nullptr, FILE_BEGIN);
}

namespace {
// Where the line logic reads from. Direct: the handle itself. Windowed: the reads and seeks are
// served from a copy of up to kWindow bytes of the file, so walking a whole file costs one read
// per window instead of six calls per line; the bytes, results and positions are the handle's,
// and the handle is left at the position reached.
class Source {
public:
    enum { kWindow = 64 * 1024 };
    Source(HANDLE file, bool windowed) : file_(file) {
        if (windowed) window_ = static_cast<char *>(I_HEAP_CALLOC(kWindow, 1));
        if (window_) pos_ = ::tell(file);
    }
    ~Source() {
        if (!window_) return;
        ::seek(file_, pos_);
        I_HEAP_FREE(window_);
    }
    Source(const Source &) = delete;
    Source &operator=(const Source &) = delete;

    LONGLONG tell() const { return window_ ? pos_ : ::tell(file_); }
    void seek(LONGLONG where) {
        if (window_) pos_ = where;
        else ::seek(file_, where);
    }
    // As ReadFile of size bytes at the current position.
    bool read(char *dest, DWORD size, DWORD *got) {
        if (!window_) return ReadFile(file_, dest, size, got, nullptr) != 0;
        LONGLONG have = pos_ >= base_ && pos_ <= base_ + len_ ? base_ + len_ - pos_ : -1;
        if (have < 0 || (have < size && !at_end_)) {
            ::seek(file_, pos_);
            DWORD n = 0;
            if (!ReadFile(file_, window_, kWindow, &n, nullptr)) {
                // Read on directly from here, so a failing read is reported where it happens.
                I_HEAP_FREE(window_);
                window_ = nullptr;
                ::seek(file_, pos_);
                return ReadFile(file_, dest, size, got, nullptr) != 0;
            }
            base_ = pos_;
            len_ = n;
            at_end_ = n < static_cast<DWORD>(kWindow);
            have = n;
        }
        DWORD n = have < size ? static_cast<DWORD>(have) : size;
        memcpy(dest, window_ + (pos_ - base_), n);
        pos_ += n;
        *got = n;
        return true;
    }

private:
    HANDLE file_;
    char *window_ = nullptr;
    LONGLONG pos_ = 0, base_ = 0, len_ = 0;
    bool at_end_ = false;  // the window holds the file's end
};

// The file is read in chunks and each chunk walked in 64-byte pieces: lines, results, the
// capacity asked for and file positions are those of 64-byte reads, at a fraction of the calls.
class Pieces {
public:
    explicit Pieces(Source &source) : source_(source) {}
    // The next piece as one ReadFile of kPiece bytes would give it; false on a read error.
    bool next(char *piece, DWORD *got) {
        if (at_ == len_ && full_) {
            if (!source_.read(chunk_, sizeof chunk_, &len_)) return false;
            at_ = 0;
            full_ = len_ == sizeof chunk_;
        }
        DWORD n = len_ - at_ < static_cast<DWORD>(kPiece) ? len_ - at_ : static_cast<DWORD>(kPiece);
        memcpy(piece, chunk_ + at_, n);
        at_ += n;
        *got = n;
        return true;
    }

private:
    Source &source_;
    char chunk_[kChunk];
    DWORD len_ = 0, at_ = 0;
    bool full_ = true;  // the last chunk filled up: the file may go on
};
}  // namespace

static int read_line_from(Source &file, char *buffer, size_t *capacity) {
    memset(buffer, 0, *capacity);
    LONGLONG start = file.tell();
    size_t gathered = 0;
    bool pending_cr = false;  // a CR that ended the previous piece: kept only if no LF follows
    int result = kLineDone;
    Pieces pieces(file);
    for (;;) {
        char piece[kPiece + 1] = {0};
        DWORD got = 0;
        if (!pieces.next(piece, &got)) {
            i_show_last_error(kReadCaption);
            result = kLineReadError;
            break;
        }
        char *lf = static_cast<char *>(memchr(piece, '\n', got));
        size_t part = lf ? static_cast<size_t>(lf - piece) : got;
        if (lf && part > 0 && piece[part - 1] == '\r') --part;
        if (pending_cr && lf && lf == piece) pending_cr = false;  // CR LF split across two pieces
        bool hold_cr = !lf && got == kPiece && piece[got - 1] == '\r';
        if (hold_cr) --part;
        size_t add = part + (pending_cr ? 1 : 0);
        if (gathered + add + 1 > *capacity) {
            *capacity = gathered + add + (hold_cr ? 1 : 0);
            result = kLineTooLong;
            break;
        }
        if (pending_cr) buffer[gathered++] = '\r';
        memcpy(buffer + gathered, piece, part);
        gathered += part;
        pending_cr = hold_cr;
        if (lf || got < kPiece) break;
    }
    file.seek(start);
    return result;
}

static int next_line_from(Source &file) {
    LONGLONG at = file.tell();
    for (;;) {
        char chunk[kChunk];
        DWORD got = 0;
        if (!file.read(chunk, sizeof chunk, &got)) {
            i_show_last_error(kReadCaption);
            return kNextReadError;
        }
        if (got == 0) return kNextNoMore;
        const char *lf = static_cast<const char *>(memchr(chunk, '\n', got));
        if (lf) {
            file.seek(at + (lf - chunk) + 1);
            return kNextDone;
        }
        if (got < sizeof chunk) return kNextNoMore;
        at += got;
    }
}

int read_line(HANDLE file, char *buffer, size_t *capacity) {
    Source source(file, false);
    return read_line_from(source, buffer, capacity);
}

int next_line(HANDLE file) {
    Source source(file, false);
    return next_line_from(source);
}

void for_each_line(HANDLE file, char *buffer, size_t size, LineFn line, void *context) {
    Source source(file, true);
    for (;;) {
        size_t capacity = size;
        if (read_line_from(source, buffer, &capacity) != kLineDone) return;
        if (buffer[0] && !line(buffer, context)) return;
        memset(buffer, 0, size);
        if (next_line_from(source) != kNextDone) return;
    }
}

static bool key_matches(const char *line, size_t len, const char *key, size_t key_len) {
    if (len < key_len || compare_prefix_nocase(line, key, key_len) != 0) return false;
    return len == key_len || line[key_len] == ',' || line[key_len] == '\r';
}

size_t count_key_lines(HANDLE file, const char *key, size_t size) {
    size_t key_len = strlen(key), count = 0;
    char *block = static_cast<char *>(I_HEAP_CALLOC(Source::kWindow, 1));
    if (!block || key_len == 0 || size <= key_len) {
        I_HEAP_FREE(block);
        return 0;
    }
    LONGLONG start = tell(file);
    // The line's first bytes, kept across block ends; len counts the whole line.
    char *head = static_cast<char *>(I_HEAP_CALLOC(key_len + 1, 1));
    size_t len = 0;
    bool long_line = false;
    for (;;) {
        DWORD got = 0;
        if (!head || !ReadFile(file, block, Source::kWindow, &got, nullptr) || got == 0) break;
        for (DWORD i = 0; i < got && !long_line;) {
            const char *lf = static_cast<const char *>(memchr(block + i, '\n', got - i));
            size_t part = lf ? static_cast<size_t>(lf - (block + i)) : got - i;
            if (len <= key_len) memcpy(head + len, block + i, part < key_len + 1 - len ? part : key_len + 1 - len);
            len += part;
            if (len >= size) long_line = true;
            if (!lf) break;
            if (key_matches(head, len, key, key_len)) ++count;
            memset(head, 0, key_len + 1);
            len = 0;
            i += static_cast<DWORD>(part) + 1;
        }
        if (long_line || got < static_cast<DWORD>(Source::kWindow)) break;
    }
    if (!long_line && head && key_matches(head, len, key, key_len)) ++count;  // a last line without LF
    seek(file, start);
    I_HEAP_FREE(head);
    I_HEAP_FREE(block);
    return count;
}
