// Image store: loading by extension, the JPEG-to-DIB layout, bad JPEGs, and which image is shown.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "image_store.h"
#include "jpeg_encoder.h"
#include "png_encoder.h"
#include "message_box_recorder.h"

namespace {

struct Rgb {
    unsigned char r, g, b;
};

// Encodes a picture at full quality without chroma subsampling, so flat colours come back nearly exact.
std::string encode_jpeg(int w, int h, J_COLOR_SPACE space, int components, const std::vector<Rgb> &rows) {
    JpegOptions o;
    o.space = space;
    o.components = components;
    o.quality = 100;
    o.full_chroma = true;
    return encode_jpeg_rows(w, h, o, [&](int y, unsigned char *line) {
        // One colour per row, with a little noise per pixel when asked (rows.empty()) to make long data.
        for (int x = 0; x < w * components; ++x)
            line[x] = rows.empty() ? static_cast<unsigned char>((x * 7 + y * 13) ^ (x * y))
                                   : (&rows[y].r)[components == 1 ? 0 : x % 3];
    });
}

std::string noisy_jpeg(int w, int h) { return encode_jpeg(w, h, JCS_RGB, 3, {}); }

// A w x h PNG, RGBA when alpha: left half opaque red, right half fully transparent green.
std::string half_clear_png(int w, int h, bool alpha) {
    const int channels = alpha ? 4 : 3;
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * channels);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            unsigned char *p = &pixels[(static_cast<size_t>(y) * w + x) * channels];
            bool left = x < w / 2;
            p[0] = left ? 255 : 0;
            p[1] = left ? 0 : 255;
            p[2] = 0;
            if (alpha) p[3] = left ? 255 : 0;
        }
    return encode_png(w, h, alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB, pixels);
}

std::string bmp_bytes(int w, int h) {
    const int stride = (w * 3 + 3) / 4 * 4;
    BITMAPFILEHEADER f = {};
    BITMAPINFOHEADER i = {};
    f.bfType = 0x4D42;
    f.bfOffBits = sizeof f + sizeof i;
    f.bfSize = f.bfOffBits + stride * h;
    i.biSize = sizeof i;
    i.biWidth = w;
    i.biHeight = h;
    i.biPlanes = 1;
    i.biBitCount = 24;
    std::string s(reinterpret_cast<char *>(&f), sizeof f);
    s.append(reinterpret_cast<char *>(&i), sizeof i);
    s.append(stride * h, '\x40');
    return s;
}

// The JPEG's frame header with other dimensions, for sizes no encoder would make here.
std::string with_size(std::string jpeg, int w, int h) {
    size_t sof = jpeg.find("\xFF\xC0");
    if (sof == std::string::npos) return jpeg;
    jpeg[sof + 5] = static_cast<char>(h >> 8);
    jpeg[sof + 6] = static_cast<char>(h);
    jpeg[sof + 7] = static_cast<char>(w >> 8);
    jpeg[sof + 8] = static_cast<char>(w);
    return jpeg;
}

class ImageStore : public ::testing::Test {
protected:
    std::string dir_;
    std::vector<std::string> files_, dirs_;

    void SetUp() override {
        char base[MAX_PATH];
        GetTempPathA(sizeof base, base);
        dir_ = std::string(base) + "zelimg" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(dir_.c_str(), nullptr);
        HWND none = nullptr;
        image_store(kImgWindow, 0, &none);
        set_image_cache_cap(0);  // nothing kept past its use, unless a test asks for it
    }
    void TearDown() override {
        for (int op : {kImgClearRunPicture, kImgClearRunWall}) image_store(op, 0, nullptr);
        image_store(kImgLoadSetPicture, 0, const_cast<char *>(""));
        image_store(kImgLoadSetWall, 0, const_cast<char *>(""));
        for (auto &f : files_) DeleteFileA(f.c_str());
        for (auto d = dirs_.rbegin(); d != dirs_.rend(); ++d) RemoveDirectoryA(d->c_str());
        RemoveDirectoryA(dir_.c_str());
        set_image_cache_cap(256ull * 1024 * 1024);
    }
    std::string write(const std::string &name, const std::string &bytes) {
        std::string p = dir_ + name;
        FILE *f = fopen(p.c_str(), "wb");
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
        files_.push_back(p);
        return p;
    }
    std::string folder(const std::string &name) {
        std::string p = dir_ + name;
        CreateDirectoryA(p.c_str(), nullptr);
        dirs_.push_back(p);
        return p + "\\";
    }
    static HBITMAP shown(int op) {
        HBITMAP b = nullptr;
        image_store(op, 0, &b);
        return b;
    }
    static HBITMAP shown_picture() { return shown(kImgPicture); }
    static HBITMAP shown_wallpaper() { return shown(kImgWallpaper); }
    static void load(int op, const std::string &path) { image_store(op, 0, const_cast<char *>(path.c_str())); }
};

// A failed load must have closed the file again: an open stream would keep it from being deleted.
void expect_no_image_and_closed(const std::string &path) {
    int w = -1, h = -1;
    EXPECT_EQ(load_jpeg_dib(nullptr, path.c_str(), &w, &h), nullptr) << path;
    EXPECT_TRUE(DeleteFileA(path.c_str())) << path;
}

DIBSECTION dib_of(HBITMAP b) {
    DIBSECTION d = {};
    EXPECT_EQ(GetObjectA(b, sizeof d, &d), static_cast<int>(sizeof d));
    return d;
}

void expect_near_bgr(const unsigned char *p, Rgb c) {
    EXPECT_NEAR(p[0], c.b, 6);
    EXPECT_NEAR(p[1], c.g, 6);
    EXPECT_NEAR(p[2], c.r, 6);
}

SIZE_T private_bytes() {
    PROCESS_MEMORY_COUNTERS m = {};
    m.cb = sizeof m;
    GetProcessMemoryInfo(GetCurrentProcess(), &m, sizeof m);
    return m.PagefileUsage;
}

}  // namespace

TEST_F(ImageStore, LoadsByExtensionWhateverTheCase) {
    std::string jpeg = noisy_jpeg(7, 5);
    for (const char *name : {"a.JPG", "b.jpeg", "c.Bmp"}) {
        std::string p = write(name, name[0] == 'c' ? bmp_bytes(7, 5) : jpeg);
        load(kImgLoadRunPicture, p);
        EXPECT_NE(shown_picture(), nullptr) << name;
        EXPECT_EQ(image_store(kImgPictureWidth, 0, nullptr), 7) << name;
        EXPECT_EQ(image_store(kImgPictureHeight, 0, nullptr), 5) << name;
    }
    folder("pics.jpg");
    for (const std::string &p : {write("d.png", jpeg), write("e.gif", jpeg), write("noext", jpeg), write("pics.jpg\\inner", jpeg)}) {
        load(kImgLoadRunPicture, p);
        EXPECT_EQ(shown_picture(), nullptr) << p;
        EXPECT_EQ(image_store(kImgPictureWidth, 0, nullptr), 0) << p;
    }
}

TEST_F(ImageStore, JpegBecomesBottomUpBgrDibWithPaddedRows) {
    const Rgb top = {200, 40, 40}, bottom = {40, 60, 200};
    std::string p = write("rows.jpg", encode_jpeg(3, 2, JCS_RGB, 3, {top, bottom}));
    int w = 0, h = 0;
    HBITMAP b = load_jpeg_dib(nullptr, p.c_str(), &w, &h);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    DIBSECTION d = dib_of(b);
    EXPECT_EQ(d.dsBm.bmWidthBytes, 12);
    EXPECT_EQ(d.dsBmih.biHeight, 2);
    EXPECT_EQ(d.dsBmih.biBitCount, 24);
    const unsigned char *bits = static_cast<unsigned char *>(d.dsBm.bmBits);
    for (int x = 0; x < 3; ++x) {
        expect_near_bgr(bits + x * 3, bottom);
        expect_near_bgr(bits + 12 + x * 3, top);
    }
    DeleteObject(b);
}

TEST_F(ImageStore, GreyscaleComesOutAsRgbInsideItsRows) {
    // Width 5: 15 bytes of pixels in a 16-byte row, so one padding byte per row must stay untouched.
    std::string p = write("grey.jpg", encode_jpeg(5, 3, JCS_GRAYSCALE, 1, {{90, 0, 0}, {90, 0, 0}, {90, 0, 0}}));
    int w = 0, h = 0;
    HBITMAP b = load_jpeg_dib(nullptr, p.c_str(), &w, &h);
    ASSERT_NE(b, nullptr);
    DIBSECTION d = dib_of(b);
    ASSERT_EQ(d.dsBm.bmWidthBytes, 16);
    const unsigned char *bits = static_cast<unsigned char *>(d.dsBm.bmBits);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) expect_near_bgr(bits + y * 16 + x * 3, {90, 90, 90});
        EXPECT_EQ(bits[y * 16 + 15], 0) << "row " << y;
    }
    DeleteObject(b);
}

TEST_F(ImageStore, BadJpegsGiveNothingSilentlyAndCloseTheFile) {
    MessageBoxRecorder boxes;
    std::string whole = noisy_jpeg(64, 64);
    expect_no_image_and_closed(write("cut.jpg", whole.substr(0, whole.size() / 2)));
    expect_no_image_and_closed(write("noend.jpg", whole.substr(0, whole.size() - 2)));
    expect_no_image_and_closed(write("cmyk.jpg", encode_jpeg(4, 4, JCS_CMYK, 4, {})));
    expect_no_image_and_closed(write("empty.jpg", ""));
    expect_no_image_and_closed(write("zero.jpg", with_size(whole, 0, 0)));
    expect_no_image_and_closed(write("huge.jpg", with_size(whole, 65500, 65500)));
    EXPECT_EQ(load_jpeg_dib(nullptr, (dir_ + "missing.jpg").c_str(), nullptr, nullptr), nullptr);

    load(kImgLoadRunPicture, write("cut2.jpg", whole.substr(0, whole.size() / 2)));
    EXPECT_EQ(shown_picture(), nullptr);
    EXPECT_EQ(image_store(kImgPictureWidth, 0, nullptr), 0);
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(ImageStore, RunImagesWinOverSetImagesAndGiveTheirOwnPlace) {
    load(kImgLoadSetPicture, write("set.bmp", bmp_bytes(4, 3)));
    image_store(kImgSetPictureX, 10, nullptr);
    image_store(kImgSetPictureY, -20, nullptr);
    HBITMAP set = shown_picture();
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(image_store(kImgPictureX, 0, nullptr), 10);
    EXPECT_EQ(image_store(kImgPictureY, 0, nullptr), -20);

    load(kImgLoadRunPicture, write("run.jpg", noisy_jpeg(3, 2)));
    image_store(kImgRunPictureX, 5, nullptr);
    HBITMAP run = shown_picture();
    EXPECT_NE(run, set);
    EXPECT_EQ(image_store(kImgPictureX, 0, nullptr), 5);
    EXPECT_EQ(image_store(kImgPictureY, 0, nullptr), 0);
    EXPECT_EQ(image_store(kImgPictureWidth, 0, nullptr), 3);
    EXPECT_EQ(image_store(kImgPictureHeight, 0, nullptr), 2);

    // Reloading replaces the old bitmap and forgets its place.
    load(kImgLoadRunPicture, dir_ + "run.jpg");
    EXPECT_EQ(GetObjectType(run), 0u);
    EXPECT_EQ(image_store(kImgPictureX, 0, nullptr), 0);
    run = shown_picture();

    image_store(kImgClearRunPicture, 0, nullptr);
    EXPECT_EQ(GetObjectType(run), 0u);
    EXPECT_EQ(shown_picture(), set);
    EXPECT_EQ(image_store(kImgPictureX, 0, nullptr), 10);
    EXPECT_EQ(image_store(kImgPictureWidth, 0, nullptr), 4);

    load(kImgLoadSetPicture, dir_ + "set.bmp");
    EXPECT_EQ(GetObjectType(set), 0u);
    EXPECT_EQ(image_store(kImgPictureX, 0, nullptr), 0);
    EXPECT_EQ(image_store(kImgPictureY, 0, nullptr), 0);

    load(kImgLoadSetPicture, "");
    EXPECT_EQ(image_store(kImgPicture, 0, nullptr), 0);
    EXPECT_EQ(image_store(kImgPictureWidth, 0, nullptr), 0);
}

TEST_F(ImageStore, WallpaperFromTheRunElseTheSet) {
    EXPECT_EQ(image_store(kImgWallpaper, 0, nullptr), 0);
    load(kImgLoadSetWall, write("setwall.bmp", bmp_bytes(8, 8)));
    HBITMAP set = shown_wallpaper();
    ASSERT_NE(set, nullptr);
    load(kImgLoadRunWall, write("runwall.jpg", noisy_jpeg(8, 8)));
    HBITMAP run = shown_wallpaper();
    EXPECT_NE(run, set);
    EXPECT_EQ(image_store(kImgWallpaper, 0, nullptr), 1);
    image_store(kImgClearRunWall, 0, nullptr);
    EXPECT_EQ(GetObjectType(run), 0u);
    EXPECT_EQ(shown_wallpaper(), set);
    load(kImgLoadSetWall, dir_ + "runwall.gif");
    EXPECT_EQ(GetObjectType(set), 0u);
    EXPECT_EQ(shown_wallpaper(), nullptr);
    EXPECT_EQ(image_store(99, 0, nullptr), 0);
}

// Decoded pictures wait for the next visitor: the same file is not decoded again, a changed file
// is, the least recently used go first once the cap needs the room, and a failed decode is not kept.
TEST_F(ImageStore, DecodedPicturesAreKeptUntilTheirFileChangesOrTheCapNeedsTheRoom) {
    const uint64_t one = 400ull * 3 * 300;  // a 400 x 300 picture's DIB
    set_image_cache_cap(2 * one);
    std::string a = write("a.jpg", noisy_jpeg(400, 300)), b = write("b.bmp", bmp_bytes(400, 300));
    load(kImgLoadRunPicture, a);
    HBITMAP first = shown_picture();
    load(kImgLoadRunPicture, b);
    HBITMAP picture_b = shown_picture();
    load(kImgLoadRunPicture, a);
    EXPECT_EQ(shown_picture(), first);  // the next visitor's picture, from the cache
    EXPECT_EQ(image_cache_bytes(), 2 * one);

    write("a.jpg", noisy_jpeg(200, 100));  // the operator replaced the picture
    image_store(kImgClearRunPicture, 0, nullptr);
    load(kImgLoadRunPicture, a);
    EXPECT_EQ(image_store(kImgPictureWidth, 0, nullptr), 200);
    EXPECT_EQ(GetObjectType(first), 0u);  // the old decode is gone

    HBITMAP second = shown_picture();
    image_store(kImgClearRunPicture, 0, nullptr);
    load(kImgLoadSetPicture, write("c.jpg", noisy_jpeg(400, 300)));  // past the cap: b goes, used longest ago
    EXPECT_EQ(GetObjectType(picture_b), 0u);
    EXPECT_NE(GetObjectType(second), 0u);
    EXPECT_LE(image_cache_bytes(), 2 * one);

    uint64_t before = image_cache_bytes();
    std::string bad = write("bad.jpg", noisy_jpeg(300, 200).substr(0, 400));
    load(kImgLoadRunPicture, bad);
    EXPECT_EQ(image_store(kImgPictureWidth, 0, nullptr), 400);  // the set's picture: nothing for the failure
    EXPECT_EQ(image_cache_bytes(), before);
    write("bad.jpg", noisy_jpeg(300, 200));
    load(kImgLoadRunPicture, bad);
    EXPECT_EQ(image_store(kImgPictureWidth, 0, nullptr), 300);

    // Tiny pictures hold GDI objects all the same: each counts as kMinEntryBytes.
    load(kImgLoadSetPicture, "");
    set_image_cache_cap(4 * kMinEntryBytes);
    for (int i = 0; i < 8; ++i) load(kImgLoadRunPicture, write("t" + std::to_string(i) + ".bmp", bmp_bytes(1, 1)));
    EXPECT_EQ(image_cache_bytes(), 4 * kMinEntryBytes);
}

// PNG: with transparency a premultiplied 32-bit DIB, without it the 24-bit DIB of a JPEG; cut or
// corrupt data gives nothing, as with JPEG.
TEST_F(ImageStore, PngWithAndWithoutTransparencyAndBrokenOnesRefused) {
    int w = 0, h = 0;
    bool alpha = false;
    std::string clear = write("clear.png", half_clear_png(8, 4, true));
    HBITMAP dib = load_png_dib(nullptr, clear.c_str(), &w, &h, &alpha);
    ASSERT_NE(dib, nullptr);
    EXPECT_TRUE(alpha);
    DIBSECTION d = dib_of(dib);
    EXPECT_EQ(d.dsBm.bmBitsPixel, 32);
    const unsigned char *px = static_cast<const unsigned char *>(d.dsBm.bmBits);
    EXPECT_EQ((std::vector<int>{px[0], px[1], px[2], px[3]}), (std::vector<int>{0, 0, 255, 255}));  // opaque red, BGRA
    EXPECT_EQ((std::vector<int>{px[16], px[17], px[18], px[19]}), (std::vector<int>{0, 0, 0, 0}));  // clear: all 0
    DeleteObject(dib);

    std::string plain = write("plain.PNG", half_clear_png(8, 4, false));
    load(kImgLoadRunPicture, plain);
    EXPECT_EQ(image_store(kImgPictureWidth, 0, nullptr), 8);
    EXPECT_EQ(image_store(kImgPictureAlpha, 0, nullptr), 0);
    EXPECT_EQ(dib_of(shown_picture()).dsBm.bmBitsPixel, 24);
    load(kImgLoadRunPicture, clear);
    EXPECT_EQ(image_store(kImgPictureAlpha, 0, nullptr), 1);

    std::string good = half_clear_png(64, 64, true);
    std::string crc = good;
    crc[crc.find("IDAT") + 6] ^= 0x55;  // the image data no longer matches its checksum
    for (const std::string &bad : {good.substr(0, good.size() / 2), crc, std::string("\x89PNG\r\n\x1a\n")}) {
        std::string p = write("bad.png", bad);
        EXPECT_EQ(load_png_dib(nullptr, p.c_str(), &w, &h, &alpha), nullptr);
        EXPECT_TRUE(DeleteFileA(p.c_str()));  // closed again
    }
}

TEST_F(ImageStore, ManyLoadsAndFailuresLeakNothing) {
    // Big enough that a forgotten DIB (4 MB) or decoder shows in the process's memory.
    std::string big = noisy_jpeg(1200, 1200);
    std::string good = write("big.jpg", big), cut = write("bigcut.jpg", big.substr(0, big.size() - 100));
    std::string bmp = write("big.bmp", bmp_bytes(1000, 1000));
    load(kImgLoadRunPicture, good);
    image_store(kImgClearRunPicture, 0, nullptr);
    const SIZE_T before = private_bytes();
    const DWORD gdi_before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int i = 0; i < 12; ++i) {
        load(kImgLoadRunPicture, good);
        load(kImgLoadRunPicture, cut);
        load(kImgLoadSetWall, bmp);
        load(kImgLoadRunWall, good);
        image_store(kImgClearRunWall, 0, nullptr);
    }
    image_store(kImgClearRunPicture, 0, nullptr);
    load(kImgLoadSetWall, "");
    EXPECT_LT(private_bytes(), before + 16 * 1024 * 1024);
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdi_before);
}
