// Valid question files, set files, BMPs and JPEGs, and the mutations the fuzz driver applies.
#include "fuzz_inputs.h"

#include <ctype.h>
#include <setjmp.h>
#include <stdlib.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <jpeglib.h>
#include <png.h>
#include "../png_encoder.h"
#include <zlib.h>

Rng input_rng(uint64_t seed, const char *loader, uint64_t index) {
    uint64_t h = 1469598103934665603ull;  // FNV-1a of the loader's name keeps loaders apart
    for (const char *p = loader; *p; ++p) h = (h ^ static_cast<unsigned char>(*p)) * 1099511628211ull;
    Rng mix(seed ^ h);
    mix.state ^= index * 0xD1B54A32D192ED03ull;
    mix.next();
    return mix;
}

// ---------------------------------------------------------------- text files

namespace {

const char kFont[] = "-20,0,0,0,400,0,0,0,128,0,0,0,0,ＭＳ ゴシック";

std::vector<std::string> split_lines(const std::string &s) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at <= s.size()) {
        size_t lf = s.find('\n', at);
        if (lf == std::string::npos) {
            lines.push_back(s.substr(at));
            break;
        }
        lines.push_back(s.substr(at, lf + 1 - at));  // each line keeps its own ending
        at = lf + 1;
    }
    return lines;
}

std::string join(const std::vector<std::string> &lines) {
    std::string s;
    for (const std::string &l : lines) s += l;
    return s;
}

// Where a line's text ends (before CR LF or LF).
size_t body_end(const std::string &line) {
    size_t n = line.size();
    if (n && line[n - 1] == '\n') --n;
    if (n && line[n - 1] == '\r') --n;
    return n;
}

// Offsets where fields of a line start (after each comma) and the line's text end.
std::vector<size_t> field_starts(const std::string &line) {
    std::vector<size_t> starts = {0};
    size_t end = body_end(line);
    for (size_t i = 0; i < end; ++i)
        if (line[i] == ',') starts.push_back(i + 1);
    return starts;
}

// Filler of n bytes: single-byte, double-byte (its last byte may be a lone lead byte) or escapes.
std::string filler(Rng &rng, size_t n) {
    std::string f;
    f.reserve(n);
    switch (rng.below(4)) {
        case 0: f.assign(n, static_cast<char>('a' + rng.below(26))); break;
        case 1:
            while (f.size() + 2 <= n) f += "\x82\xA0";  // あ
            if (f.size() < n) f += '\x81';
            break;
        case 2:
            while (f.size() + 4 <= n) f += rng.chance(50) ? "~_#$" : "~_#%";
            while (f.size() < n) f += 'x';
            break;
        default:
            while (f.size() < n) f += static_cast<char>(0x20 + rng.below(0x5F));
            break;
    }
    return f;
}

const char *const kQuestionKeys[] = {"Q", "S", "N", "H", "F", "U", "R", "J", "A", "L", "O", "SndSt", "SndMx",
                                     "SndMd", "SndMn", "SndEd", "SndBk", "QuesWall", "RoundUp", "q", "roundup", "X"};
const char *const kSetKeys[] = {"T", "B", "Q", "A", "G", "SAVEROFF", "1", "3", "6", "5", "7", "8", "9", "0",
                                "SetWall", "SndSt", "SndBk", "OFFTIMER", "t", "setwall", "2", "4", "offtimer"};
const char *const kNumbers[] = {"0", "-0", "1", "-1", "+5", " 12", "2147483647", "2147483648", "-2147483648",
                                "-2147483649", "4294967295", "4294967296", "99999999999999999999", "-99999999999999999999",
                                "0x10", "1e9", "  -", "+", "--5", "12abc", "\x82\x4F"};
const char *const kTokens[] = {",", ",,", "\r", "\n", "\r\n", "", "\x81", "\xFC", "\x9F",
                               "\xE0", "~_#$", "~_#%", "~", "~_", "~_#", "~_#$~_#%", "\x82\xA0", "\\", "\"", " "};

std::string token(Rng &rng) {
    size_t i = rng.below(sizeof kTokens / sizeof kTokens[0]);
    if (i == 5) return std::string(1, '\0');  // the NUL token cannot travel as a C string
    return kTokens[i];
}

std::string random_line(Rng &rng, bool set_file) {
    std::string key = set_file ? rng.pick(kSetKeys) : rng.pick(kQuestionKeys);
    std::string line = key;
    int fields = static_cast<int>(rng.below(17));
    for (int f = 0; f < fields; ++f) {
        line += ',';
        switch (rng.below(4)) {
            case 0: line += rng.pick(kNumbers); break;
            case 1: line += filler(rng, rng.below(300)); break;
            case 2: line += token(rng); break;
            default: line += (key == "J" || key == "1" || key == "3") ? kFont : "text"; break;
        }
    }
    return line + (rng.chance(90) ? "\r\n" : "\n");
}

void mutate_once(Rng &rng, std::string &s, const std::vector<std::string> &others, bool set_file) {
    std::vector<std::string> lines = split_lines(s);
    size_t li = rng.below(static_cast<uint32_t>(lines.size()));
    std::string &line = lines[li];
    std::vector<size_t> starts = field_starts(line);
    size_t field_at = starts[rng.below(static_cast<uint32_t>(starts.size()))];
    size_t field_end = line.find(',', field_at);
    if (field_end == std::string::npos || field_end > body_end(line)) field_end = body_end(line);
    auto pos = [&] { return s.empty() ? 0 : rng.below(static_cast<uint32_t>(s.size() + 1)); };

    switch (rng.below(17)) {
        case 0:  // a byte changed
            if (!s.empty()) {
                size_t p = rng.below(static_cast<uint32_t>(s.size()));
                s[p] = rng.chance(50) ? static_cast<char>(s[p] ^ (1 << rng.below(8))) : static_cast<char>(rng.below(256));
            }
            return;
        case 1: s.insert(pos(), token(rng)); return;
        case 2: {  // a range deleted
            size_t p = pos(), n = 1 + rng.below(rng.chance(80) ? 8 : 400);
            if (p < s.size()) s.erase(p, n);
            return;
        }
        case 3: {  // an over-long line
            static const size_t kLengths[] = {2045, 2046, 2047, 2048, 2049, 4095, 4096, 100000};
            size_t total = rng.chance(80) ? rng.pick(kLengths) : 1 + rng.below(3000);
            std::string key = set_file ? rng.pick(kSetKeys) : rng.pick(kQuestionKeys);
            std::string l = key + "," + filler(rng, total > key.size() + 1 ? total - key.size() - 1 : 0);
            l.resize(total);
            lines.insert(lines.begin() + static_cast<long>(li), l + (rng.chance(80) ? "\r\n" : ""));
            break;
        }
        case 4: {  // an over-long or boundary-length field
            static const size_t kLengths[] = {0,   1,   31,  32,  33,  126, 127, 128, 129, 254, 255, 256,
                                              257, 258, 259, 260, 261, 510, 511, 512, 513, 1000, 2040};
            line.replace(field_at, field_end - field_at, filler(rng, rng.pick(kLengths)));
            break;
        }
        case 5: {  // a comma missing or doubled
            if (starts.size() > 1) {
                size_t c = starts[1 + rng.below(static_cast<uint32_t>(starts.size() - 1))] - 1;
                if (rng.chance(50)) line.erase(c, 1);
                else line.insert(c, ",");
            } else {
                line.insert(body_end(line), ",");
            }
            break;
        }
        case 6: {  // line ends: lone CR, lone LF, doubled CR, CR at a 64-byte piece boundary
            size_t e = body_end(line);
            static const char *const kEnds[] = {"\r", "\n", "\r\r\n", "\n\r", "", "\r\n\r\n"};
            if (rng.chance(25) && s.size() > 64) {
                size_t p = 63 + 64 * rng.below(static_cast<uint32_t>(s.size() / 64));
                if (p < s.size()) s.insert(p, "\r");
                return;
            }
            line.replace(e, line.size() - e, rng.pick(kEnds));
            break;
        }
        case 7: line.insert(field_at + rng.below(static_cast<uint32_t>(field_end - field_at + 1)), 1, '\0'); break;
        case 8: {  // a lead byte alone at the end of a field or of the file
            static const char kLeads[] = {'\x81', '\x9F', '\xE0', '\xFC'};
            if (rng.chance(30)) {
                s += rng.pick(kLeads);
                return;
            }
            line.insert(field_end, 1, rng.pick(kLeads));
            break;
        }
        case 9: {  // an escape cut in half at the end of a field, a line or the file
            static const char *const kHalves[] = {"~", "~_", "~_#", "~_#~_#$", "~_#$~", "~_#%~_"};
            const char *h = rng.pick(kHalves);
            if (rng.chance(30)) {
                s += h;
                return;
            }
            line.insert(rng.chance(50) ? field_end : body_end(line), h);
            break;
        }
        case 10: line.replace(field_at, field_end - field_at, rng.pick(kNumbers)); break;
        case 11: {  // a line repeated: more than five Q lines in a set, many questions in a file
            int times = 1 + static_cast<int>(rng.below(rng.chance(20) ? 200 : 12));
            std::string copy = (set_file && rng.chance(50)) ? std::string("Q,extra.qst\r\n") : line;
            if (copy.empty() || copy.back() != '\n') copy += "\r\n";
            for (int t = 0; t < times; ++t) lines.insert(lines.begin() + static_cast<long>(li), copy);
            break;
        }
        case 12: {  // the key replaced, maybe in other letter case
            size_t comma = line.find(',');
            size_t key_end = comma == std::string::npos ? body_end(line) : comma;
            std::string key = set_file ? rng.pick(kSetKeys) : rng.pick(kQuestionKeys);
            if (rng.chance(30))
                for (char &c : key) c = static_cast<char>(rng.chance(50) ? tolower(c) : toupper(c));
            line.replace(0, key_end, key);
            break;
        }
        case 13:  // lines of another valid file
            if (!others.empty()) {
                std::vector<std::string> o = split_lines(others[rng.below(static_cast<uint32_t>(others.size()))]);
                size_t from = rng.below(static_cast<uint32_t>(o.size()));
                size_t n = 1 + rng.below(6);
                for (size_t k = 0; k < n && from + k < o.size(); ++k)
                    lines.insert(lines.begin() + static_cast<long>(li), o[from + k]);
            }
            break;
        case 14:  // two lines swapped
            std::swap(line, lines[rng.below(static_cast<uint32_t>(lines.size()))]);
            break;
        case 15: lines.insert(lines.begin() + static_cast<long>(li), random_line(rng, set_file)); break;
        default:  // cut short
            s.resize(pos());
            return;
    }
    s = join(lines);
}

}  // namespace

std::string mutate_text(Rng &rng, const std::string &base, const std::vector<std::string> &others, bool set_file) {
    std::string s = base;
    if (rng.chance(3)) {  // now and then a file made only of loose lines
        s.clear();
        int n = 1 + static_cast<int>(rng.below(30));
        for (int i = 0; i < n; ++i) s += random_line(rng, set_file);
    }
    int n = 1 + static_cast<int>(rng.below(4));
    for (int i = 0; i < n; ++i) mutate_once(rng, s, others, set_file);
    return s;
}

std::vector<std::string> question_seeds() {
    std::string fonts;
    for (const char *k : {"J", "A", "L", "O"}) fonts += std::string(k) + "," + kFont + "\r\n";
    std::string many = "N,二十問\r\n";
    for (int i = 0; i < 20; ++i)
        many += "Q,問" + std::to_string(i) + ",はい," + std::to_string(i - 10) + ",いいえ,-" + std::to_string(i) +
                ",,0,,0,,0\r\n";
    for (int i = 0; i < 8; ++i) many += "S,結果" + std::to_string(i) + ",説明~_#$二行目\r\n";
    return {
        "N,タイトル\r\n"
        "Q,朝~_#$型~_#%夜型,はい~_#%たぶん,5,いいえ,-3,,0,,0,,0,q.jpg,1,2,3\r\n"
        "Q,二問目,一,1,二,2,三,3,四,4,五,5\r\n"
        "H,ヘッダ\r\nF,フッタ,続き\r\n"
        "U,最高~_#%,二~_#$行,top.bmp,4,5\r\n"
        "S,結果一,c1\r\nS,絵だけ,,pic.bmp,7,8\r\nS,題だけ\r\n"
        "R,最低\r\n" +
            fonts +
            "SndSt,s0.wav\r\nSndMx,s1.wav\r\nSndMd,s2.wav\r\nSndMn,s3.wav\r\nSndEd,s4.wav\r\nSndBk,s5.wav\r\n"
            "QuesWall,wall.jpg\r\nRoundUp,\r\n",
        "Q,ただ一つ,a,1\r\nS,r\r\n",
        many,
        "n,lower\nq,q1,a,-2147483648,b,2147483647\nroundup\nu,top,,p.bmp,-5,-6\n",
    };
}

std::vector<std::string> set_seeds() {
    std::string full = "T,パーティー, コンマ入り\r\nB,music.mid\r\n";
    for (int i = 0; i < 5; ++i) full += "Q,q" + std::to_string(i) + ".qst\r\n";
    full += "A\r\nG\r\nSAVEROFF\r\n1," + std::string(kFont) + "\r\n3," + kFont +
            "\r\n6,16777215\r\n5,40960\r\n7,pic.jpg\r\n8,10\r\n9,-20\r\n0,3\r\nSetWall,wall.bmp\r\n"
            "SndSt,a.wav\r\nSndMx,b.wav\r\nSndMd,c.wav\r\nSndMn,d.wav\r\nSndEd,e.wav\r\nSndBk,f.wav\r\nOFFTIMER,5\r\n";
    return {full, "Q,only.qst\r\n", "t,lower\nsetwall,w.jpg\noffTimer,2147483647\n1,1,2,3\n"};
}

// ---------------------------------------------------------------- BMP

namespace {

void put16(std::string &s, size_t at, uint32_t v) {
    s[at] = static_cast<char>(v);
    s[at + 1] = static_cast<char>(v >> 8);
}
void put32(std::string &s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
}

// Pixel index or grey level of (x, y), just something with edges in it.
unsigned pixel(int x, int y) { return static_cast<unsigned>(x * 37 + y * 91 + (x ^ y) * 13); }

// RLE rows: runs of at most 255 pixels, an end of line after each row, an end of bitmap.
std::string rle_bits(int w, int h, bool four) {
    std::string b;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w;) {
            int n = w - x < 255 ? w - x : 255;
            unsigned v = pixel(x, y) & (four ? 0x0F : 0xFF);
            b += static_cast<char>(n);
            b += static_cast<char>(four ? (v | (v << 4)) : v);
            x += n;
        }
        b += std::string("\0\0", 2);
    }
    return b + std::string("\0\1", 2);
}

enum { kCoreHeader = 12, kInfoHeader = 40, kV4Header = 108, kV5Header = 124 };

std::string make_bmp(int w, int h, int bpp, bool top_down, uint32_t compression, int header) {
    const int colours = bpp <= 8 ? 1 << bpp : 0;
    const int entry = header == kCoreHeader ? 3 : 4;
    const int masks = (compression == BI_BITFIELDS && header == kInfoHeader) ? 12 : 0;
    std::string bits;
    if (compression == BI_RLE8 || compression == BI_RLE4) {
        bits = rle_bits(w, h, compression == BI_RLE4);
    } else {
        const int stride = ((w * bpp + 31) / 32) * 4;
        bits.assign(static_cast<size_t>(stride) * h, '\0');
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                unsigned v = pixel(x, y);
                size_t row = static_cast<size_t>(y) * stride;
                switch (bpp) {
                    case 1: if (v & 1) bits[row + x / 8] |= static_cast<char>(0x80 >> (x % 8)); break;
                    case 4: bits[row + x / 2] |= static_cast<char>((v & 0xF) << (x % 2 ? 0 : 4)); break;
                    case 8: bits[row + x] = static_cast<char>(v); break;
                    case 16: put16(bits, row + x * 2, v & 0xFFFF); break;
                    case 24: for (int c = 0; c < 3; ++c) bits[row + x * 3 + c] = static_cast<char>(v >> c); break;
                    default: put32(bits, row + x * 4, v); break;
                }
            }
    }
    const uint32_t offset = 14 + header + masks + colours * entry;
    std::string s(offset, '\0');
    s[0] = 'B';
    s[1] = 'M';
    put32(s, 2, static_cast<uint32_t>(offset + bits.size()));
    put32(s, 10, offset);
    put32(s, 14, static_cast<uint32_t>(header));
    if (header == kCoreHeader) {
        put16(s, 18, static_cast<uint32_t>(w));
        put16(s, 20, static_cast<uint32_t>(h));
        put16(s, 22, 1);
        put16(s, 24, static_cast<uint32_t>(bpp));
    } else {
        put32(s, 18, static_cast<uint32_t>(w));
        put32(s, 22, static_cast<uint32_t>(top_down ? -h : h));
        put16(s, 26, 1);
        put16(s, 28, static_cast<uint32_t>(bpp));
        put32(s, 30, compression);
        put32(s, 34, static_cast<uint32_t>(bits.size()));
        put32(s, 46, static_cast<uint32_t>(colours));
        if (compression == BI_BITFIELDS) {
            const size_t m = 54;  // the masks follow the first 40 bytes of every header that has them
            put32(s, m, 0xF800);
            put32(s, m + 4, 0x07E0);
            put32(s, m + 8, 0x001F);
        }
    }
    for (int c = 0; c < colours; ++c) {
        size_t at = 14 + header + masks + static_cast<size_t>(c) * entry;
        s[at] = static_cast<char>(c * 17);
        s[at + 1] = static_cast<char>(c * 5);
        s[at + 2] = static_cast<char>(255 - c);
    }
    return s + bits;
}

}  // namespace

std::vector<std::string> bmp_seeds() {
    return {
        make_bmp(3, 2, 24, false, BI_RGB, kInfoHeader),  make_bmp(17, 9, 24, true, BI_RGB, kInfoHeader),
        make_bmp(13, 7, 1, false, BI_RGB, kInfoHeader),  make_bmp(9, 5, 4, false, BI_RGB, kInfoHeader),
        make_bmp(11, 6, 8, false, BI_RGB, kInfoHeader),  make_bmp(7, 4, 16, false, BI_BITFIELDS, kInfoHeader),
        make_bmp(5, 5, 32, false, BI_RGB, kInfoHeader),  make_bmp(20, 6, 8, false, BI_RLE8, kInfoHeader),
        make_bmp(21, 5, 4, false, BI_RLE4, kInfoHeader), make_bmp(6, 3, 8, false, BI_RGB, kCoreHeader),
        make_bmp(6, 3, 24, false, BI_RGB, kV4Header),    make_bmp(6, 3, 32, true, BI_RGB, kV5Header),
    };
}

namespace {

const uint32_t kInteresting32[] = {0, 1, 2, 3, 0x7F, 0x80, 0xFF, 0x100, 0xFFFF, 0x10000, 0x7FFFFFFF, 0x80000000u,
                                   0x80000001u, 0xFFFFFFFFu, 0xFFFFFFFEu, 40, 12, 54, 1000, 30000, 46341, 65535};

void flip_bytes(Rng &rng, std::string &s) {
    int n = 1 + static_cast<int>(rng.below(8));
    for (int i = 0; i < n && !s.empty(); ++i) s[rng.below(static_cast<uint32_t>(s.size()))] = static_cast<char>(rng.below(256));
}

void generic_binary(Rng &rng, std::string &s) {
    switch (rng.below(4)) {
        case 0: flip_bytes(rng, s); break;
        case 1: s.resize(rng.below(static_cast<uint32_t>(s.size() + 1))); break;  // truncated scanlines, headers
        case 2: {
            size_t p = rng.below(static_cast<uint32_t>(s.size() + 1));
            std::string junk(1 + rng.below(64), '\0');
            for (char &c : junk) c = static_cast<char>(rng.below(256));
            s.insert(p, junk);
            break;
        }
        default: {
            size_t p = rng.below(static_cast<uint32_t>(s.size() + 1));
            if (p < s.size()) s.erase(p, 1 + rng.below(64));
            break;
        }
    }
}

}  // namespace

std::string mutate_bmp(Rng &rng, const std::string &base) {
    std::string s = base;
    int n = 1 + static_cast<int>(rng.below(4));
    for (int i = 0; i < n; ++i) {
        if (s.size() < 54 || rng.chance(30)) {
            generic_binary(rng, s);
            continue;
        }
        // A header field with a lying value: sizes, offsets, dimensions, depth, compression, colours.
        static const size_t kFields32[] = {2, 10, 14, 18, 22, 30, 34, 38, 42, 46, 50};
        static const size_t kFields16[] = {26, 28};
        uint32_t v = rng.chance(80) ? rng.pick(kInteresting32) : static_cast<uint32_t>(rng.next());
        if (rng.chance(20)) {
            static const uint32_t kDepths[] = {0, 1, 2, 4, 8, 15, 16, 24, 32, 48, 64, 0xFFFF};
            put16(s, rng.pick(kFields16), rng.chance(70) ? rng.pick(kDepths) : v);
        } else {
            size_t f = rng.pick(kFields32);
            if (f == 10 && rng.chance(50)) v = static_cast<uint32_t>(s.size()) + rng.below(3) - 1u;  // bits at the end
            if (f == 22 && rng.chance(30)) v = static_cast<uint32_t>(-static_cast<int32_t>(rng.below(100000)));
            put32(s, f, v);
        }
    }
    return s;
}

// ---------------------------------------------------------------- JPEG

namespace {

struct EncodeError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};
void encode_error_exit(j_common_ptr cinfo) { longjmp(reinterpret_cast<EncodeError *>(cinfo->err)->jump, 1); }
void encode_quiet(j_common_ptr, int) {}

struct JpegKind {
    int w, h;
    J_COLOR_SPACE in;       // what the rows hold
    J_COLOR_SPACE stored;   // what the file stores
    bool progressive;
    bool arithmetic;
    int restart_rows;
    bool full_chroma;       // 4:4:4 instead of 4:2:0
    int quality;
};

// Encodes a picture of the given kind with the library's own encoder; empty when it refuses.
std::string encode(const JpegKind &k) {
    jpeg_compress_struct cinfo;
    EncodeError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = encode_error_exit;
    err.mgr.emit_message = encode_quiet;
    unsigned char *volatile out = nullptr;  // the library's buffer, freed after a jump
    unsigned long out_size = 0;
    const int comps = k.in == JCS_GRAYSCALE ? 1 : (k.in == JCS_CMYK ? 4 : 3);
    std::vector<JSAMPLE> row(static_cast<size_t>(k.w) * comps);
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        free(out);
        return std::string();
    }
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    jpeg_mem_dest(&cinfo, &buffer, &out_size);
    cinfo.image_width = static_cast<JDIMENSION>(k.w);
    cinfo.image_height = static_cast<JDIMENSION>(k.h);
    cinfo.input_components = comps;
    cinfo.in_color_space = k.in;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, k.stored);
    jpeg_set_quality(&cinfo, k.quality, TRUE);
    if (k.full_chroma) cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 1;
    if (k.progressive) jpeg_simple_progression(&cinfo);
    cinfo.arith_code = k.arithmetic ? TRUE : FALSE;
    cinfo.restart_in_rows = k.restart_rows;
    jpeg_start_compress(&cinfo, TRUE);
    out = buffer;
    for (int y = 0; y < k.h; ++y) {
        for (int x = 0; x < k.w; ++x)
            for (int c = 0; c < comps; ++c)
                row[static_cast<size_t>(x) * comps + c] = static_cast<JSAMPLE>(pixel(x + c * 7, y) >> c);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::string s(reinterpret_cast<char *>(buffer), out_size);
    jpeg_destroy_compress(&cinfo);
    free(buffer);
    return s;
}

// Offset of the first marker FF code, or npos.
size_t find_marker(const std::string &s, unsigned char code) {
    for (size_t i = 0; i + 1 < s.size(); ++i)
        if (static_cast<unsigned char>(s[i]) == 0xFF && static_cast<unsigned char>(s[i + 1]) == code) return i;
    return std::string::npos;
}

// The start-of-frame marker (any of C0..CF but C4, C8, CC).
size_t find_sof(const std::string &s) {
    for (size_t i = 2; i + 9 < s.size(); ++i) {
        unsigned char a = static_cast<unsigned char>(s[i]), b = static_cast<unsigned char>(s[i + 1]);
        if (a == 0xFF && b >= 0xC0 && b <= 0xCF && b != 0xC4 && b != 0xC8 && b != 0xCC) return i;
    }
    return std::string::npos;
}

void put_be16(std::string &s, size_t at, unsigned v) {
    s[at] = static_cast<char>(v >> 8);
    s[at + 1] = static_cast<char>(v);
}

// A valid file whose frame header claims a precision of 12 (or 16) bits: beyond an 8-bit decoder.
std::string with_precision(std::string s, int bits) {
    size_t sof = find_sof(s);
    if (sof != std::string::npos) {
        s[sof + 1] = static_cast<char>(0xC1);  // extended sequential, where 12 bits are allowed
        s[sof + 4] = static_cast<char>(bits);
    }
    return s;
}

}  // namespace

std::vector<std::string> jpeg_seeds() {
    const JpegKind kinds[] = {
        {3, 2, JCS_RGB, JCS_YCbCr, false, false, 0, false, 90},
        {17, 9, JCS_RGB, JCS_YCbCr, false, false, 0, true, 75},
        {1, 1, JCS_RGB, JCS_YCbCr, false, false, 0, false, 50},
        {33, 20, JCS_RGB, JCS_YCbCr, true, false, 0, false, 80},    // progressive
        {24, 16, JCS_GRAYSCALE, JCS_GRAYSCALE, false, false, 0, false, 85},
        {16, 8, JCS_CMYK, JCS_CMYK, false, false, 0, false, 85},    // CMYK: beyond this loader
        {16, 8, JCS_CMYK, JCS_YCCK, false, false, 0, false, 85},
        {20, 10, JCS_RGB, JCS_RGB, false, false, 0, true, 85},      // RGB stored without colour transform
        {40, 24, JCS_RGB, JCS_YCbCr, false, false, 1, false, 60},   // restart markers
        {19, 11, JCS_RGB, JCS_YCbCr, false, true, 0, false, 70},    // arithmetic coding
        {21, 13, JCS_GRAYSCALE, JCS_GRAYSCALE, true, false, 0, false, 70},
    };
    std::vector<std::string> seeds;
    for (const JpegKind &k : kinds) {
        std::string s = encode(k);
        if (!s.empty()) seeds.push_back(s);
    }
    seeds.push_back(with_precision(seeds[1], 12));
    seeds.push_back(with_precision(seeds[0], 16));
    std::string lossless = seeds[0];
    size_t sof = find_sof(lossless);
    if (sof != std::string::npos) lossless[sof + 1] = static_cast<char>(0xC3);
    seeds.push_back(lossless);
    return seeds;
}

std::string mutate_jpeg(Rng &rng, const std::string &base) {
    std::string s = base;
    int n = 1 + static_cast<int>(rng.below(3));
    for (int i = 0; i < n; ++i) {
        size_t sof = find_sof(s);
        switch (rng.below(8)) {
            case 0:
            case 1: generic_binary(rng, s); break;
            case 2:  // frame size: 0, huge, or just off
                if (sof != std::string::npos && sof + 9 <= s.size()) {
                    static const unsigned kSizes[] = {0, 1, 2, 7, 8, 9, 16, 255, 256, 4096, 30000, 46340, 65535};
                    put_be16(s, sof + 5 + 2 * rng.below(2), rng.pick(kSizes));
                }
                break;
            case 3:  // precision, component count, sampling factors, table numbers
                if (sof != std::string::npos && sof + 12 <= s.size()) {
                    static const size_t kAt[] = {4, 9, 11, 12};
                    static const unsigned char kValues[] = {0, 1, 2, 3, 4, 5, 8, 12, 16, 0x11, 0x22, 0x44, 0x41, 0xFF};
                    s[sof + rng.pick(kAt)] = static_cast<char>(rng.pick(kValues));
                }
                break;
            case 4:  // another frame type
                if (sof != std::string::npos) s[sof + 1] = static_cast<char>(0xC0 + rng.below(16));
                break;
            case 5: {  // a segment length that lies
                static const unsigned char kCodes[] = {0xDB, 0xC4, 0xDA, 0xE0, 0xDD, 0xEE, 0xCC};
                size_t m = find_marker(s, rng.pick(kCodes));
                static const unsigned kLengths[] = {0, 1, 2, 3, 0xFFFF, 0x8000};
                if (m != std::string::npos && m + 4 <= s.size()) put_be16(s, m + 2, rng.pick(kLengths));
                break;
            }
            case 6: {  // the entropy data cut, or a marker dropped into it
                size_t sos = find_marker(s, 0xDA);
                if (sos == std::string::npos || sos + 4 >= s.size()) break;
                size_t p = sos + 4 + rng.below(static_cast<uint32_t>(s.size() - sos - 4));
                if (rng.chance(50)) s.resize(p);
                else s.insert(p, std::string("\xFF") + static_cast<char>(rng.pick(kInteresting32) & 0xFF));
                break;
            }
            default: {  // the end marker removed, or a second image glued on
                size_t eoi = find_marker(s, 0xD9);
                if (rng.chance(50) && eoi != std::string::npos) s.erase(eoi);
                else s += base;
                break;
            }
        }
    }
    return s;
}

// ---- PNG ----

namespace {

std::string seeded_png(int w, int h, png_uint_32 format, int seed) {
    std::vector<unsigned char> pixels(static_cast<size_t>(PNG_IMAGE_PIXEL_SIZE(format)) * w * h);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(pixel(static_cast<int>(i), seed));
    return encode_png(w, h, format, pixels);
}

uint32_t be32(const std::string &s, size_t at) {
    return (static_cast<uint32_t>(static_cast<unsigned char>(s[at])) << 24) |
           (static_cast<uint32_t>(static_cast<unsigned char>(s[at + 1])) << 16) |
           (static_cast<uint32_t>(static_cast<unsigned char>(s[at + 2])) << 8) | static_cast<unsigned char>(s[at + 3]);
}

void put_be32(std::string &s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (24 - 8 * i));
}

// Every chunk's checksum made right again, so that a mutation reaches past the checksum test.
void fix_crcs(std::string &s) {
    for (size_t at = 8; at + 12 <= s.size();) {
        uint32_t length = be32(s, at);
        if (length > s.size() - at - 12) break;
        uLong crc = crc32(0, reinterpret_cast<const Bytef *>(s.data() + at + 4), static_cast<uInt>(length + 4));
        put_be32(s, at + 8 + length, static_cast<uint32_t>(crc));
        at += 12 + length;
    }
}

}  // namespace

std::vector<std::string> png_seeds() {
    const png_uint_32 formats[] = {PNG_FORMAT_RGB, PNG_FORMAT_RGBA, PNG_FORMAT_GRAY, PNG_FORMAT_GA, PNG_FORMAT_LINEAR_RGB_ALPHA};
    const int sizes[][2] = {{3, 2}, {17, 9}, {1, 1}, {33, 20}, {24, 16}};
    std::vector<std::string> seeds;
    for (int i = 0; i < 5; ++i) {
        std::string s = seeded_png(sizes[i][0], sizes[i][1], formats[i], i);
        if (!s.empty()) seeds.push_back(s);
    }
    return seeds;
}

std::string mutate_png(Rng &rng, const std::string &base) {
    std::string s = base;
    int n = 1 + static_cast<int>(rng.below(3));
    for (int i = 0; i < n; ++i) {
        switch (rng.below(6)) {
            case 0:
            case 1: generic_binary(rng, s); break;
            case 2:  // IHDR width or height: 0, huge, or just off
                if (s.size() >= 24) {
                    static const uint32_t kSizes[] = {0, 1, 2, 7, 16, 255, 4096, 30000, 46341, 65535, 0x7FFFFFFF, 0xFFFFFFFF};
                    put_be32(s, 16 + 4 * rng.below(2), rng.pick(kSizes));
                }
                break;
            case 3:  // bit depth, colour type, compression, filter, interlace
                if (s.size() >= 29) {
                    static const unsigned char kValues[] = {0, 1, 2, 3, 4, 6, 8, 16, 255};
                    s[24 + rng.below(5)] = static_cast<char>(rng.pick(kValues));
                }
                break;
            case 4: {  // a chunk length that lies
                size_t idat = s.find("IDAT");
                static const uint32_t kLengths[] = {0, 1, 0x7FFFFFFF, 0xFFFFFFFF, 0x10000};
                if (idat != std::string::npos && idat >= 4) put_be32(s, idat - 4, rng.pick(kLengths));
                break;
            }
            default:  // the data cut
                if (s.size() > 8) s.resize(8 + rng.below(static_cast<uint32_t>(s.size() - 8)));
                break;
        }
    }
    if (rng.chance(60)) fix_crcs(s);
    return s;
}
