// Line reader shared by the question-file and set-file readers.
#include "RowOfFile.h"
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

// The file is read in chunks and each chunk walked in 64-byte pieces: lines, results, the
// capacity asked for and file positions are those of 64-byte reads, at a fraction of the calls.
namespace {
class Pieces {
public:
    explicit Pieces(HANDLE file) : file_(file) {}
    // The next piece as one ReadFile of kPiece bytes would give it; false on a read error.
    bool next(char *piece, DWORD *got) {
        if (at_ == len_ && full_) {
            if (!ReadFile(file_, chunk_, sizeof chunk_, &len_, nullptr)) return false;
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
    HANDLE file_;
    char chunk_[kChunk];
    DWORD len_ = 0, at_ = 0;
    bool full_ = true;  // the last chunk filled up: the file may go on
};
}  // namespace

int read_line(HANDLE file, char *buffer, size_t *capacity) {
    memset(buffer, 0, *capacity);
    LONGLONG start = tell(file);
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
    seek(file, start);
    return result;
}

int next_line(HANDLE file) {
    LONGLONG at = tell(file);
    for (;;) {
        char chunk[kChunk];
        DWORD got = 0;
        if (!ReadFile(file, chunk, sizeof chunk, &got, nullptr)) {
            i_show_last_error(kReadCaption);
            return kNextReadError;
        }
        if (got == 0) return kNextNoMore;
        const char *lf = static_cast<const char *>(memchr(chunk, '\n', got));
        if (lf) {
            seek(file, at + (lf - chunk) + 1);
            return kNextDone;
        }
        if (got < sizeof chunk) return kNextNoMore;
        at += got;
    }
}
