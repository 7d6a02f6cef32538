// Line reader shared by the question-file and set-file readers.
#include "RowOfFile.h"
#include "BrixLib.h"
#include "imemory.h"
#include <string.h>

// kPiece: the piece the line logic works in; kChunk: what one read fetches.
enum { kPiece = 64, kChunk = 1024 };

static const char kReadCaption[] = "ファイルの読み込み";

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
