// Pictures whose headers lie: BMPs whose colour table, rows or offset do not fit the file are not
// loaded, and JPEGs claiming sizes no DIB can take are refused at once, not after gigabytes.
#include <gtest/gtest.h>
#include <windows.h>
#include <stdint.h>
#include <stdlib.h>
#include <string>

#include <jpeglib.h>
#include "jpeg_encoder.h"

#include "image_store.h"
#include "scratch_folder.h"

namespace {

void put32(std::string &s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
}
void put16(std::string &s, size_t at, uint32_t v) {
    s[at] = static_cast<char>(v);
    s[at + 1] = static_cast<char>(v >> 8);
}

// A w x h BMP of the given depth with a full colour table for 8 bits and less.
std::string bmp(int w, int h, int bpp) {
    const uint32_t colours = bpp <= 8 ? 1u << bpp : 0;
    const uint32_t stride = (static_cast<uint32_t>(w) * bpp + 31) / 32 * 4;
    const uint32_t offset = 54 + colours * 4;
    std::string s(offset + stride * h, '\x11');
    memset(&s[0], 0, 54);
    s[0] = 'B';
    s[1] = 'M';
    put32(s, 2, static_cast<uint32_t>(s.size()));
    put32(s, 10, offset);
    put32(s, 14, 40);
    put32(s, 18, static_cast<uint32_t>(w));
    put32(s, 22, static_cast<uint32_t>(h));
    put16(s, 26, 1);
    put16(s, 28, static_cast<uint32_t>(bpp));
    return s;
}

enum Coding { kProgressive, kBaseline, kArithmetic };

std::string encoded_jpeg(int w, int h, Coding coding) {
    JpegOptions o;
    o.progressive = coding == kProgressive;
    o.arithmetic = coding == kArithmetic;
    return encode_jpeg_rows(w, h, o, [&](int, unsigned char *line) { memset(line, 0x40, static_cast<size_t>(w) * 3); });
}

// The same file with other dimensions in its frame header.
std::string claiming(std::string jpeg, unsigned w, unsigned h) {
    for (size_t i = 0; i + 9 < jpeg.size(); ++i) {
        unsigned char m = static_cast<unsigned char>(jpeg[i + 1]);
        if (static_cast<unsigned char>(jpeg[i]) == 0xFF && (m == 0xC0 || m == 0xC2 || m == 0xC9)) {
            jpeg[i + 5] = static_cast<char>(h >> 8);
            jpeg[i + 6] = static_cast<char>(h);
            jpeg[i + 7] = static_cast<char>(w >> 8);
            jpeg[i + 8] = static_cast<char>(w);
            break;
        }
    }
    return jpeg;
}

// An 8-bit RLE picture of width 4 and height 2 from the given compressed rows.
std::string rle8(const std::string &rows) {
    std::string s = bmp(4, 2, 8);
    s.resize(54 + 256 * 4);
    put32(s, 30, BI_RLE8);
    put32(s, 34, static_cast<uint32_t>(rows.size()));
    s += rows;
    put32(s, 2, static_cast<uint32_t>(s.size()));
    return s;
}

class PictureLimits : public ::testing::Test {
protected:
    ScratchFolder dir;
    void TearDown() override { image_store(kImgClearRunPicture, 0, nullptr); }
    // Width of the run picture the file gives, 0 for none.
    int load_bmp(const std::string &bytes) {
        std::string path = dir.write("p.bmp", bytes);
        image_store(kImgLoadRunPicture, 0, &path[0]);
        return image_store(kImgPictureWidth, 0, nullptr);
    }
    // Width x height of the JPEG the bytes give, "none" when refused; *ms receives the time taken.
    std::string load_jpeg(const std::string &bytes, DWORD *ms = nullptr) {
        std::string path = dir.write("p.jpg", bytes);
        int w = 0, h = 0;
        DWORD start = GetTickCount();
        HBITMAP dib = load_jpeg_dib(nullptr, path.c_str(), &w, &h);
        if (ms) *ms = GetTickCount() - start;
        if (!dib) return "none";
        DeleteObject(dib);
        return std::to_string(w) + "x" + std::to_string(h);
    }
};

}  // namespace

TEST_F(PictureLimits, BmpWhoseHeaderLiesLoadsNothing) {
    EXPECT_EQ(load_bmp(bmp(6, 3, 24)), 6);
    EXPECT_EQ(load_bmp(bmp(5, 4, 8)), 5);
    std::string top_down = bmp(7, 2, 4);
    put32(top_down, 22, static_cast<uint32_t>(-2));
    EXPECT_EQ(load_bmp(top_down), 7);

    struct Lie {
        const char *what;
        size_t at;
        uint32_t value;
        int bytes;
    };
    const Lie lies[] = {
        {"more colours than the depth has", 46, 300, 4},
        {"rows starting past the end", 10, 0x7FFFFFFF, 4},
        {"rows starting inside the header", 10, 20, 4},
        {"zero width", 18, 0, 4},
        {"height 2^31", 22, 0x80000000u, 4},
        {"width 2^31 - 1", 18, 0x7FFFFFFF, 4},
        {"no planes", 26, 0, 2},
        {"depth 7", 28, 7, 2},
        {"unknown compression", 30, 9, 4},
        {"header size 1000", 14, 1000, 4},
    };
    for (const Lie &l : lies) {
        std::string b = bmp(6, 3, 8);
        if (l.bytes == 4) put32(b, l.at, l.value);
        else put16(b, l.at, l.value);
        EXPECT_EQ(load_bmp(b), 0) << l.what;
    }
    // A 24-bit file claiming a colour table that would run into its rows: Wine's LoadImage read
    // past the file on this one.
    std::string colours = bmp(6, 3, 24);
    put32(colours, 46, 102);
    EXPECT_EQ(load_bmp(colours), 0);
    std::string cut = bmp(6, 3, 24);
    cut.resize(cut.size() - 1);  // the last row short by a byte
    EXPECT_EQ(load_bmp(cut), 0);
    EXPECT_EQ(load_bmp("BM"), 0);
}

TEST_F(PictureLimits, RleRowsMustEndInsideTheFileAndThePicture) {
    const std::string eol("\0\0", 2), end("\0\1", 2);
    const std::string run("\4\7", 2);                       // four pixels of colour 7
    const std::string given = std::string("\0\3\1\2\3\0", 6);  // three pixels one by one, padded
    EXPECT_EQ(load_bmp(rle8(run + eol + given + std::string("\1\5", 2) + eol + end)), 4);
    EXPECT_EQ(load_bmp(rle8(run + eol + run)), 0);                     // cut before its end: Wine read on
    EXPECT_EQ(load_bmp(rle8(run + eol + given.substr(0, 4))), 0);      // cut inside pixels given one by one
    EXPECT_EQ(load_bmp(rle8(std::string("\5\7", 2) + eol + end)), 0);  // a run wider than the picture
    EXPECT_EQ(load_bmp(rle8(run + eol + run + eol + run + eol + end)), 0);  // a third row of two
    EXPECT_EQ(load_bmp(rle8(std::string("\0\2\x09\0", 4) + end)), 0);   // moved past the right edge
}

TEST_F(PictureLimits, JpegClaimingAHugeSizeIsRefusedAtOnce) {
    const std::string small = encoded_jpeg(32, 16, kProgressive);
    EXPECT_EQ(load_jpeg(small), "32x16");
    // 46340 x 46340 needs a 6 GB DIB, and the progressive decoder as much again for itself; the
    // last is within the DIB limit but needs more working memory than the decoder is allowed.
    const unsigned sizes[][2] = {{46340, 46340}, {65535, 65535}, {65535, 40000}, {30000, 20000}};
    for (const auto &s : sizes) {
        DWORD ms = 0;
        EXPECT_EQ(load_jpeg(claiming(small, s[0], s[1]), &ms), "none") << s[0] << " x " << s[1];
        EXPECT_LT(ms, 1000u) << s[0] << " x " << s[1];
    }
}

// Sequential data runs out at the end marker long before the claimed rows: the decoder would fill
// gigabytes of rows with grey.
TEST_F(PictureLimits, JpegWhoseDataEndsBeforeItsRowsIsRefusedAtOnce) {
    const std::string small = encoded_jpeg(32, 16, kBaseline);
    EXPECT_EQ(load_jpeg(small), "32x16");
    EXPECT_EQ(load_jpeg(claiming(small, 32, 64)), "none");
    // Arithmetic coding gives no warning when cut short: such files are not taken at all.
    const std::string arithmetic = encoded_jpeg(32, 16, kArithmetic);
    EXPECT_EQ(load_jpeg(arithmetic), "none");
    for (const std::string &bytes : {small, arithmetic}) {
        DWORD ms = 0;
        EXPECT_EQ(load_jpeg(claiming(bytes, 30000, 22529), &ms), "none");
        EXPECT_LT(ms, 1000u);
    }
}
