// Line reader, field escaping and the result-row parser.
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>
#include "BrixLib.h"
#include "Other.h"
#include "RowOfFile.h"
#include "imemory.h"
#include "message_box_recorder.h"
#include "scratch_folder.h"

// Walks a file as every reader does; returns the lines handed over.
static std::vector<std::string> walk(const std::string &bytes) {
    const char *path = "walk_test.txt";
    HANDLE w = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n = 0;
    WriteFile(w, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    CloseHandle(w);
    std::vector<std::string> lines;
    HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (check_not_empty(f) == 0) {
        char buf[kLineSize];
        for (;;) {
            size_t cap = sizeof buf;
            if (read_line(f, buf, &cap) != kLineDone) break;
            lines.push_back(buf);
            if (next_line(f) != kNextDone) break;
        }
    }
    CloseHandle(f);
    DeleteFileA(path);
    return lines;
}

using Lines = std::vector<std::string>;

TEST(LineReader, LineBoundaries) {
    EXPECT_EQ(walk(""), Lines{});
    EXPECT_EQ(walk("\r\n"), (Lines{"", ""}));
    EXPECT_EQ(walk("T,題\r\nQ,a"), (Lines{"T,題", "Q,a"}));
    EXPECT_EQ(walk("a\rb\nc"), (Lines{"a\rb", "c"}));  // a lone CR stays, a lone LF ends the line
    // CR as the 64th byte of a piece, LF the first of the next.
    std::string first(63, 'x');
    EXPECT_EQ(walk(first + "\r\nnext"), (Lines{first, "next"}));
    EXPECT_EQ(walk(first + "\rnext"), (Lines{first + "\rnext"}));
    // Texts whose second bytes are backslashes or capitals pass through unchanged.
    EXPECT_EQ(walk("ソ表能十予\r\nアイウ\r\n"), (Lines{"ソ表能十予", "アイウ", ""}));
}

TEST(LineReader, LongLines) {
    std::string fits(2047, 'a'), too_long(2048, 'b');
    EXPECT_EQ(walk(fits + "\r\nz"), (Lines{fits, "z"}));
    EXPECT_EQ(walk("x\r\n" + too_long + "\r\nz"), Lines{"x"});

    // The capacity reports the length gathered with the piece that did not fit.
    const char *path = "long_test.txt";
    HANDLE w = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n = 0;
    WriteFile(w, too_long.data(), 100, &n, nullptr);
    CloseHandle(w);
    HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    char buf[80];
    size_t cap = sizeof buf;
    EXPECT_EQ(read_line(f, buf, &cap), kLineTooLong);
    EXPECT_EQ(cap, 100u);
    EXPECT_EQ(SetFilePointer(f, 0, nullptr, FILE_CURRENT), 0u);  // position left where it was
    EXPECT_EQ(next_line(f), kNextNoMore);
    CloseHandle(f);
    DeleteFileA(path);
}

struct Collected {
    std::vector<std::string> lines;
    size_t stop_after;  // lines taken before the walk is stopped
};

static bool collect(const char *line, void *context) {
    Collected *c = static_cast<Collected *>(context);
    c->lines.push_back(line);
    return c->lines.size() < c->stop_after;
}

// Files of up to a few hundred KB, so lines cross the reader's 64 KB window: the windowed walk
// hands over the lines the call-by-call loop reads (empty ones skipped), ends at the same line
// and leaves the handle where that loop leaves it, also when stopped early.
TEST(LineReader, WindowedWalkGivesTheLinesAndEndPositionOfTheCallLoop) {
    unsigned seed = 777;
    auto rnd = [&](unsigned n) { return (seed = seed * 1103515245u + 12345u, (seed >> 16) % n); };
    const char *path = "window_test.txt";
    const int kLengths[] = {0, 1, 63, 64, 65, 1023, 1024, 1025, 2046, 2047};
    int past_window = 0;
    for (int file_no = 0; file_no < 24; ++file_no) {
        std::string bytes;
        size_t target = 1000 + 1000 * static_cast<size_t>(rnd(300));
        while (bytes.size() < target) {
            int len = rnd(8) ? static_cast<int>(rnd(200)) : kLengths[rnd(sizeof kLengths / sizeof kLengths[0])];
            if (rnd(20000) == 0) len = 2048 + static_cast<int>(rnd(2000));  // ends the walk
            for (int i = 0; i < len; ++i) bytes += rnd(40) == 0 ? '\r' : static_cast<char>('a' + rnd(26));
            bytes += rnd(4) ? "\r\n" : "\n";
        }
        if (rnd(2)) bytes.resize(bytes.size() - 1);
        HANDLE w = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD n = 0;
        WriteFile(w, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
        CloseHandle(w);

        Collected got = {{}, rnd(3) ? static_cast<size_t>(-1) : 1 + rnd(3000)};
        std::vector<std::string> want;
        HANDLE a = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        HANDLE b = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        std::vector<char> buf(kLineSize);
        for (;;) {
            size_t cap = kLineSize;
            if (read_line(a, buf.data(), &cap) != kLineDone) break;
            if (buf[0]) want.push_back(buf.data());
            if (want.size() == got.stop_after) break;
            if (next_line(a) != kNextDone) break;
        }
        for_each_line(b, buf.data(), kLineSize, collect, &got);
        ASSERT_EQ(want, got.lines) << "file " << file_no;
        DWORD end = SetFilePointer(a, 0, nullptr, FILE_CURRENT);
        EXPECT_EQ(end, SetFilePointer(b, 0, nullptr, FILE_CURRENT));
        if (end > 2 * 64 * 1024) ++past_window;
        CloseHandle(a);
        CloseHandle(b);
    }
    DeleteFileA(path);
    EXPECT_GT(past_window, 4);
}

// Counts a file's lines by key from a position; the position stays where it was.
static size_t count_in(const std::string &bytes, const char *key, DWORD from = 0) {
    const char *path = "count_test.txt";
    HANDLE w = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n = 0;
    WriteFile(w, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    CloseHandle(w);
    HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFilePointer(f, static_cast<LONG>(from), nullptr, FILE_BEGIN);
    size_t count = count_key_lines(f, key, kLineSize);
    EXPECT_EQ(SetFilePointer(f, 0, nullptr, FILE_CURRENT), from);
    CloseHandle(f);
    DeleteFileA(path);
    return count;
}

TEST(LineReader, KeyLinesCountedAsTheWalkWouldMeetThem) {
    EXPECT_EQ(count_in("", "Q"), 0u);
    EXPECT_EQ(count_in("Q", "Q"), 1u);  // a last line without LF
    EXPECT_EQ(count_in("T,x\r\nQ,a\r\nq,b\nQ\r\nQ\nQuesWall,w\r\nQQ,1\r\n,Q\r\nQ,c", "Q"), 5u);
    EXPECT_EQ(count_in("Q,a\r\nQ,b\r\n", "Q", 5), 1u);
    EXPECT_EQ(count_in("A,1\r\nQuesWall,w\nquesWALL\r\n", "QuesWall"), 2u);
    // Lines across the 64 KB blocks, and a walk that would stop at a line too long.
    std::string big;
    for (int i = 0; i < 8000; ++i) big += (i % 7 ? "Q,question text number " : "A,answer ") + std::to_string(i) + "\r\n";
    size_t want = 8000 - (8000 + 6) / 7;
    ASSERT_GT(big.size(), 2u * 64 * 1024);
    EXPECT_EQ(count_in(big, "Q"), want);
    EXPECT_EQ(count_in(big + std::string(kLineSize, 'Q') + "\r\nQ,after\r\n", "Q"), want);
}

// Which bytes are UTF-8, what they read as in Shift-JIS, and the characters that became "?".
TEST(Utf8, DecodedOnlyWhenWellFormedAndEveryLostCharacterCounted) {
    const struct {
        const char *bytes;
        bool utf8;
        const char *sjis;
        std::vector<uint32_t> lost;
        size_t count;
    } cases[] = {
        {"abc", false, "", {}, 0},                                   // nothing multi-byte: taken as it is
        {"\xEF\xBB\xBF" "abc", true, "abc", {}, 0},                    // a mark alone says UTF-8
        {"?\xE6\x9C\x9D", true, "?朝", {}, 0},                         // a "?" of the text is no loss
        {"caf\xC3\xA9 \xE2\x99\xA5", true, "caf? ?", {0xE9, 0x2665}, 2},
        {"\xF0\x9F\x98\x80!", true, "?!", {0x1F600}, 1},                // one "?" for a pair of halves
        {"\xC3\xA9\xC3\xA8\xC3\xAA\xC3\xAB\xC3\xA0\xE6\x9C\x9D", true, "?????朝", {0xE9, 0xE8, 0xEA, 0xEB}, 5},
        {"\xC0\xAF\xE6\x9C\x9D", false, "", {}, 0},                    // overlong, two bytes
        {"\xE0\x80\xAF\xE6\x9C\x9D", false, "", {}, 0},               // overlong, three bytes
        {"\xF0\x80\x80\xAF\xE6\x9C\x9D", false, "", {}, 0},           // overlong, four bytes
        {"\xED\xA0\x80\xED\xB0\x80", false, "", {}, 0},               // a pair of halves written out
        {"\xF4\x90\x80\x80", false, "", {}, 0},                       // past U+10FFFF
        {"\xE6\x9C", false, "", {}, 0},                                 // cut short
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.bytes);
        const unsigned char *b = reinterpret_cast<const unsigned char *>(c.bytes);
        const size_t n = strlen(c.bytes);
        ASSERT_EQ(c.utf8, looks_like_utf8(b, n));
        if (!c.utf8) continue;
        size_t size = 0;
        Utf8Losses lost;
        char *sjis = shift_jis_from_utf8(b, n, &size, &lost);
        ASSERT_NE(nullptr, sjis);
        EXPECT_EQ(std::string(c.sjis), std::string(sjis, size));
        EXPECT_EQ(c.count, lost.count);
        EXPECT_EQ(c.lost, std::vector<uint32_t>(lost.first, lost.first + std::min<size_t>(lost.count, kLossesShown)));
        I_HEAP_FREE(sjis);
    }
    // Without a place for the Shift-JIS copy a UTF-8 file is refused with the reason, not read garbled.
    ScratchFolder dir;
    std::string file = dir.write("u.qst", "N,\xE6\x9C\x9D\r\n");
    char saved[2][MAX_PATH];
    const char *names[] = {"TMP", "TEMP"};
    for (int i = 0; i < 2; ++i) {
        GetEnvironmentVariableA(names[i], saved[i], MAX_PATH);
        SetEnvironmentVariableA(names[i], (dir.path() + "missing\\").c_str());
    }
    SetLastError(0);
    HANDLE h = open_line_file(file.c_str(), nullptr);
    const DWORD error = GetLastError();
    for (int i = 0; i < 2; ++i) SetEnvironmentVariableA(names[i], saved[i]);
    EXPECT_EQ(INVALID_HANDLE_VALUE, h);
    EXPECT_NE(0u, error);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

TEST(Escaping, FullAndCommaKinds) {
    char out[256], back[256];
    const char *text = "一行目, です\r\n二行目";
    escape_field(out, sizeof out, text, kEscapeFull);
    EXPECT_STREQ(out, "一行目~_#% です~_#$二行目");
    unescape_field(back, sizeof back, out, kEscapeFull);
    EXPECT_STREQ(back, text);
    escape_field(out, sizeof out, "はい,いいえ\r\n", kEscapeComma);
    EXPECT_STREQ(out, "はい~_#%いいえ\r\n");
    unescape_field(back, sizeof back, "a~_#%b~_#$c", kEscapeComma);
    EXPECT_STREQ(back, "a,b~_#$c");
    // A bounded output never overflows.
    char small[6];
    escape_field(small, sizeof small, ",,,,", kEscapeFull);
    EXPECT_LT(strlen(small), sizeof small);
}

TEST(ResultRow, FieldsTakenOrLeft) {
    char title[kTitleSize] = "old", comment[kCommentSize] = "old", pic[kPathSize] = "old";
    int32_t x = 1, y = 2;
    EXPECT_EQ(parse_result_line("タイプA,,pic\\a.bmp,10,20", title, comment, pic, &x, &y), 1);
    EXPECT_STREQ(title, "タイプA");
    EXPECT_STREQ(comment, "old");  // an empty field leaves the output alone
    EXPECT_STREQ(pic, "pic\\a.bmp");
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 20);

    strcpy(pic, "keep");
    x = 7;
    parse_result_line("題~_#%名,説明~_#$二行", title, comment, pic, &x, &y);
    EXPECT_STREQ(title, "題,名");
    EXPECT_STREQ(comment, "説明\r\n二行");
    EXPECT_STREQ(pic, "keep");
    EXPECT_EQ(x, 7);

    parse_result_line("t,c,,-5,9", title, comment, pic, &x, &y);
    EXPECT_STREQ(pic, "keep");
    EXPECT_EQ(x, 7);

    std::string long_title(128, 'T');
    strcpy(title, "prev");
    parse_result_line((long_title + ",c2,p.jpg,-3,,extra").c_str(), title, comment, pic, &x, &y);
    EXPECT_STREQ(title, "prev");  // 128 bytes is too long
    EXPECT_STREQ(comment, "c2");
    EXPECT_STREQ(pic, "p.jpg");
    EXPECT_EQ(x, -3);
    EXPECT_EQ(y, 20);  // an empty fifth field keeps the earlier value
}

// The reader as it was when every ReadFile fetched one 64-byte piece: what the chunked reader
// must match call for call.
namespace piecewise {
LONGLONG tell(HANDLE f) {
    LARGE_INTEGER zero{}, pos;
    SetFilePointerEx(f, zero, &pos, FILE_CURRENT);
    return pos.QuadPart;
}
void seek(HANDLE f, LONGLONG where) {
    LARGE_INTEGER pos;
    pos.QuadPart = where;
    SetFilePointerEx(f, pos, nullptr, FILE_BEGIN);
}
int read_line(HANDLE file, char *buffer, size_t *capacity) {
    memset(buffer, 0, *capacity);
    LONGLONG start = tell(file);
    size_t gathered = 0;
    bool pending_cr = false;
    int result = kLineDone;
    for (;;) {
        char piece[65] = {0};
        DWORD got = 0;
        if (!ReadFile(file, piece, 64, &got, nullptr)) {
            result = kLineReadError;
            break;
        }
        char *lf = static_cast<char *>(memchr(piece, '\n', got));
        size_t part = lf ? static_cast<size_t>(lf - piece) : got;
        if (lf && part > 0 && piece[part - 1] == '\r') --part;
        if (pending_cr && lf && lf == piece) pending_cr = false;
        bool hold_cr = !lf && got == 64 && piece[got - 1] == '\r';
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
        if (lf || got < 64) break;
    }
    seek(file, start);
    return result;
}
int next_line(HANDLE file) {
    for (;;) {
        char piece[64];
        DWORD got = 0;
        LONGLONG at = tell(file);
        if (!ReadFile(file, piece, 64, &got, nullptr)) return kNextReadError;
        if (got == 0) return kNextNoMore;
        const char *lf = static_cast<const char *>(memchr(piece, '\n', got));
        if (lf) {
            seek(file, at + (lf - piece) + 1);
            return kNextDone;
        }
        if (got < 64) return kNextNoMore;
    }
}
}  // namespace piecewise

// Random files built to hit the piece and chunk seams: lines of lengths around multiples of 64
// and of 1024, CR LF split over a seam, lone CRs, empty lines, an unended last line, lines longer
// than the buffer. Every call gives the same result, text, capacity and file position as the
// 64-byte reader.
TEST(LineReader, ChunkedReadsGiveTheLinesResultsAndPositionsOfPieceReads) {
    unsigned seed = 12345;
    auto rnd = [&](unsigned n) { return (seed = seed * 1103515245u + 12345u, (seed >> 16) % n); };
    const char *path = "pieces_test.txt";
    const int kLengths[] = {0, 1, 62, 63, 64, 65, 127, 128, 129, 1022, 1023, 1024, 1025, 2046, 2047, 2048, 3000};
    int compared = 0;
    for (int file_no = 0; file_no < 60; ++file_no) {
        std::string bytes;
        int lines = 1 + static_cast<int>(rnd(40));
        for (int l = 0; l < lines; ++l) {
            int len = kLengths[rnd(sizeof kLengths / sizeof kLengths[0])] + static_cast<int>(rnd(3)) - 1;
            for (int i = 0; i < len; ++i) bytes += rnd(30) == 0 ? '\r' : static_cast<char>('a' + rnd(26));
            if (l + 1 < lines || rnd(2)) bytes += rnd(4) ? "\r\n" : "\n";
        }
        HANDLE w = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD n = 0;
        WriteFile(w, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
        CloseHandle(w);
        HANDLE a = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        HANDLE b = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_EQ(check_not_empty(a), check_not_empty(b));
        std::vector<char> ba(kLineSize + 2, 'x'), bb(kLineSize + 2, 'y');
        for (int step = 0; step < 200; ++step) {
            // Small capacities too: the size asked for after a too-long line must agree.
            size_t cap = rnd(3) ? static_cast<size_t>(kLineSize) : 16 + rnd(200);
            size_t ca = cap, cb = cap;
            int ra = read_line(a, ba.data(), &ca), rb = piecewise::read_line(b, bb.data(), &cb);
            ASSERT_EQ(rb, ra) << "file " << file_no << " step " << step;
            ASSERT_EQ(cb, ca);
            ASSERT_EQ(0, memcmp(ba.data(), bb.data(), cap));
            ASSERT_EQ(piecewise::tell(b), piecewise::tell(a));
            int na = next_line(a), nb = piecewise::next_line(b);
            ASSERT_EQ(nb, na);
            ASSERT_EQ(piecewise::tell(b), piecewise::tell(a));
            ++compared;
            if (na != kNextDone) break;
        }
        CloseHandle(a);
        CloseHandle(b);
    }
    DeleteFileA(path);
    EXPECT_GT(compared, 600);
}
