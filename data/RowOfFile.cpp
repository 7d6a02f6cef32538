// Line reader shared by the question-file and set-file readers.
#include "RowOfFile.h"
#include "imemory.h"
#include <string.h>

enum { kPiece = 64 };

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

int read_line(HANDLE file, char *buffer, size_t *capacity) {
    memset(buffer, 0, *capacity);
    LONGLONG start = tell(file);
    size_t gathered = 0;
    bool pending_cr = false;  // a CR that ended the previous piece: kept only if no LF follows
    int result = kLineDone;
    for (;;) {
        char piece[kPiece + 1] = {0};
        DWORD got = 0;
        if (!ReadFile(file, piece, kPiece, &got, nullptr)) {
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
    for (;;) {
        char piece[kPiece];
        DWORD got = 0;
        LONGLONG at = tell(file);
        if (!ReadFile(file, piece, kPiece, &got, nullptr)) {
            i_show_last_error(kReadCaption);
            return kNextReadError;
        }
        if (got == 0) return kNextNoMore;
        const char *lf = static_cast<const char *>(memchr(piece, '\n', got));
        if (lf) {
            seek(file, at + (lf - piece) + 1);
            return kNextDone;
        }
        if (got < kPiece) return kNextNoMore;
    }
}
