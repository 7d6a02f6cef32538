// The player's picture and wallpaper store: BMP and JPEG loading and the choice of what to show.
#include "image_store.h"

#include <setjmp.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <new>

#include <jpeglib.h>
#include <jerror.h>
#include <png.h>

#include "BrixLib.h"
#include "dpi.h"
#include "draw.h"

namespace {

// One decoded file, kept while it is shown and afterwards for as long as the cache has room:
// the same picture comes back for every visitor, and decoding it again took longer than a frame.
struct Entry {
    char path[kPathSize];  // as resolved
    uint64_t file_size;
    FILETIME written;
    HBITMAP bitmap;
    int width, height;
    bool alpha;      // a 32-bit DIB with premultiplied alpha (a PNG that has transparency)
    uint64_t bytes;  // with the scaled copy; never below kMinEntryBytes
    HBITMAP scaled;  // the bitmap at scaled_dpi, made when a scaled screen first shows it
    int scaled_dpi;
    uint64_t scaled_bytes;
    int failed_dpi[4];  // DPIs whose copy could not be made: not tried again on every paint
    int failed_next;
    int users;       // images showing it
    uint64_t used;   // when it was last handed out, for least-recently-used eviction
    Entry *next;
};

struct Image {
    HBITMAP bitmap;
    int width, height, x, y;
    bool alpha;
    Entry *entry;
};

Image g_set_picture, g_run_picture, g_set_wall, g_run_wall;

// Sized for a 32-bit process: the decoded pictures of a day's sets, far from the address space.
uint64_t g_cache_cap = 256ull * 1024 * 1024;
uint64_t g_cache_bytes = 0;
size_t g_cache_entries = 0;
uint64_t g_clock = 0;
Entry *g_entries = nullptr;

void drop_entry(Entry **link) {
    Entry *e = *link;
    *link = e->next;
    g_cache_bytes -= e->bytes;
    --g_cache_entries;
    DeleteObject(e->bitmap);
    if (e->scaled) DeleteObject(e->scaled);
    delete e;
}

// Drops unused entries, least recently used first, until the cache fits its cap; with stale set,
// only the entries whose file has changed since (stale points at the path that was read afresh).
void trim(const char *stale) {
    if (stale) {
        for (Entry **link = &g_entries; *link;) {
            if (!(*link)->users && lstrcmpiA((*link)->path, stale) == 0) drop_entry(link);
            else link = &(*link)->next;
        }
    }
    while (g_cache_bytes > g_cache_cap || g_cache_entries > kImageCacheEntries) {
        Entry **oldest = nullptr;
        for (Entry **link = &g_entries; *link; link = &(*link)->next)
            if (!(*link)->users && (!oldest || (*link)->used < (*oldest)->used)) oldest = link;
        if (!oldest) break;  // everything left is on the screen
        drop_entry(oldest);
    }
}
int g_set_zoom;
HWND g_window;

// Anything bigger cannot be a DIB the kiosk could show, and would overflow a 32-bit size.
const uint64_t kMaxDibBytes = 0x7FFFFFFF;
// The decoder's own working memory; only multi-scan (progressive) files need much of it.
const long kMaxDecoderMemory = 256L * 1024 * 1024;

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
    void (*library_emit)(j_common_ptr, int);
};

void jpeg_error_exit(j_common_ptr cinfo) {
    JpegError *err = reinterpret_cast<JpegError *>(cinfo->err);
    (*cinfo->err->output_message)(cinfo);
    longjmp(err->jump, 1);
}

// The library only warns when the file ends early or its data is cut short or corrupt, and fills
// the rest of the picture with grey; a half picture is worse than none, so the load fails. This
// also stops a small file claiming a huge size at once instead of after gigabytes of grey rows.
void jpeg_emit_message(j_common_ptr cinfo, int level) {
    JpegError *err = reinterpret_cast<JpegError *>(cinfo->err);
    int code = cinfo->err->msg_code;
    if (level < 0 &&
        (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE || code == JWRN_ARITH_BAD_CODE))
        longjmp(err->jump, 1);
    err->library_emit(cinfo, level);
}

uint32_t le(const unsigned char *p, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

// Walks RLE8 or RLE4 rows: every run must stay within the picture and the data must end with its
// end-of-bitmap code before the file ends.
bool rle_stays_inside(const unsigned char *p, uint64_t n, uint64_t width, uint64_t height, bool four) {
    uint64_t i = 0, x = 0, y = 0;
    while (i + 2 <= n) {
        const unsigned count = p[i], code = p[i + 1];
        i += 2;
        if (count || code >= 3) {  // a run of one value, or code pixels given one by one
            const uint64_t pixels = count ? count : code;
            if (!count) {
                const uint64_t bytes = ((four ? (code + 1) / 2 : code) + 1) & ~1ull;  // padded to a word
                if (i + bytes > n) return false;
                i += bytes;
            }
            x += pixels;
            if (x > width || y >= height) return false;
        } else if (code == 0) {  // end of line
            x = 0;
            if (++y > height) return false;
        } else if (code == 1) {  // end of bitmap
            return true;
        } else {  // move right and down
            if (i + 2 > n) return false;
            x += p[i];
            y += p[i + 1];
            i += 2;
            if (x > width || y > height) return false;
        }
    }
    return false;
}

struct MappedFile {
    HANDLE file = INVALID_HANDLE_VALUE, mapping = nullptr;
    const unsigned char *bytes = nullptr;
    uint64_t size = 0;
    explicit MappedFile(const char *path) {
        file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        LARGE_INTEGER n = {};
        if (file == INVALID_HANDLE_VALUE || !GetFileSizeEx(file, &n) || n.QuadPart == 0) return;
        mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
        if (mapping) bytes = static_cast<const unsigned char *>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
        if (bytes) size = static_cast<uint64_t>(n.QuadPart);
    }
    ~MappedFile() {
        if (bytes) UnmapViewOfFile(bytes);
        if (mapping) CloseHandle(mapping);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
    MappedFile(const MappedFile &) = delete;
    MappedFile &operator=(const MappedFile &) = delete;
};

// LoadImage trusts a BMP's sizes and offsets (Wine's reads past the file on a lying colour count or
// cut RLE rows), so only a file whose header, colour table and rows lie within it, in a form a DIB
// can take, goes there.
bool bmp_fits_its_file(const char *path) {
    MappedFile f(path);
    const unsigned char *h = f.bytes;
    if (f.size < 14 + 12 || h[0] != 'B' || h[1] != 'M') return false;
    const uint32_t offset = le(h + 10, 4), header = le(h + 14, 4);
    int64_t width, height;
    uint32_t planes, bpp, compression = BI_RGB, colours = 0, entry = 4, masks = 0;
    if (header == 12) {
        width = le(h + 18, 2);
        height = le(h + 20, 2);
        planes = le(h + 22, 2);
        bpp = le(h + 24, 2);
        entry = 3;
    } else if (header >= 40 && header <= 124 && f.size >= 14ull + header) {
        width = static_cast<int32_t>(le(h + 18, 4));
        height = static_cast<int32_t>(le(h + 22, 4));
        planes = le(h + 26, 2);
        bpp = le(h + 28, 2);
        compression = le(h + 30, 4);
        colours = le(h + 46, 4);
        if (compression == BI_BITFIELDS && header == 40) masks = 12;
    } else {
        return false;
    }
    const bool rle = compression == BI_RLE8 || compression == BI_RLE4;
    if (height < 0 && rle) return false;  // compressed rows are bottom-up only
    if (height < 0) height = -height;
    if (planes != 1 || width <= 0 || height <= 0) return false;
    switch (compression) {
        case BI_RGB: if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false; break;
        case BI_RLE8: if (bpp != 8) return false; break;
        case BI_RLE4: if (bpp != 4) return false; break;
        case BI_BITFIELDS: if (bpp != 16 && bpp != 32) return false; break;
        default: return false;
    }
    if (bpp <= 8) {
        if (colours > (1u << bpp)) return false;
        if (colours == 0) colours = 1u << bpp;
    } else if (colours > 256) {
        return false;
    }
    const uint64_t table_end = 14ull + header + masks + static_cast<uint64_t>(colours) * entry;
    const uint64_t stride = (static_cast<uint64_t>(width) * bpp + 31) / 32 * 4;
    const uint64_t rows = static_cast<uint64_t>(height);
    if (table_end > offset || offset >= f.size || stride * rows > kMaxDibBytes) return false;
    if (rle) return rle_stays_inside(h + offset, f.size - offset, static_cast<uint64_t>(width), rows, compression == BI_RLE4);
    return stride * rows <= f.size - offset;
}

void release(Image &image) {
    if (image.entry) {
        --image.entry->users;
        image = Image();
        trim(nullptr);
    }
    image = Image();
}

// Decodes a file; null when it is not a picture the player shows.
HBITMAP decode(const char *path, int *width, int *height, bool *alpha) {
    *alpha = false;
    const char *ext = path_extension(path);
    if (!ext) return nullptr;
    if (_stricmp(ext, "png") == 0) return load_png_dib(g_window, path, width, height, alpha);
    if (_stricmp(ext, "bmp") == 0) {
        if (!bmp_fits_its_file(path)) return nullptr;
        HBITMAP bitmap = static_cast<HBITMAP>(
            LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        BITMAP bm;
        if (bitmap && GetObjectA(bitmap, sizeof bm, &bm)) {
            *width = bm.bmWidth;
            *height = bm.bmHeight;
        }
        return bitmap;
    }
    if (_stricmp(ext, "jpg") == 0 || _stricmp(ext, "jpeg") == 0) return load_jpeg_dib(g_window, path, width, height);
    return nullptr;
}

// The cached picture of the file as it is now (its size and last write time), decoded when new
// or changed; null when it cannot be read. A failed decode is not kept.
Entry *find_or_decode(const char *path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (strlen(path) >= kPathSize || !GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return nullptr;
    uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    for (Entry *e = g_entries; e; e = e->next) {
        if (lstrcmpiA(e->path, path) == 0 && e->file_size == size && CompareFileTime(&e->written, &data.ftLastWriteTime) == 0)
            return e;
    }
    int width = 0, height = 0;
    bool alpha = false;
    HBITMAP bitmap = decode(path, &width, &height, &alpha);
    if (!bitmap) return nullptr;
    Entry *e = new (std::nothrow) Entry();
    if (!e) {
        DeleteObject(bitmap);
        return nullptr;
    }
    strcpy(e->path, path);
    e->file_size = size;
    e->written = data.ftLastWriteTime;
    e->bitmap = bitmap;
    e->width = width;
    e->height = height;
    e->alpha = alpha;
    BITMAP bm;
    e->bytes = GetObjectA(bitmap, sizeof bm, &bm) ? static_cast<uint64_t>(bm.bmWidthBytes) * bm.bmHeight : 0;
    // Each entry holds GDI objects, of which a process gets 10,000: tiny pictures count for more.
    if (e->bytes < kMinEntryBytes) e->bytes = kMinEntryBytes;
    trim(path);  // an earlier decode of this path is of a file that has changed since
    e->next = g_entries;
    g_entries = e;
    g_cache_bytes += e->bytes;
    ++g_cache_entries;
    return e;
}

void load_into(Image &image, const char *stored) {
    release(image);
    char resolved[kPathSize];
    const char *path = resolve_stored_path(stored, resolved);
    if (!path || !path[0]) return;
    Entry *e = find_or_decode(path);
    if (!e) return;
    ++e->users;
    e->used = ++g_clock;
    image.entry = e;
    image.bitmap = e->bitmap;
    image.width = e->width;
    image.height = e->height;
    image.alpha = e->alpha;
    trim(nullptr);
}

const Image &picture_shown() { return g_run_picture.bitmap ? g_run_picture : g_set_picture; }
const Image &wallpaper_shown() { return g_run_wall.bitmap ? g_run_wall : g_set_wall; }

int hand_out(HBITMAP bitmap, void *arg) {
    if (arg) *static_cast<HBITMAP *>(arg) = bitmap;
    return bitmap ? 1 : 0;
}

// A picture that is not shown has no position or size for the painter.
int shown_field(int Image::*field) {
    const Image &p = picture_shown();
    return p.bitmap ? p.*field : 0;
}

// The shown image at the screen's DPI: the decoded bitmap itself at 96 DPI, else a copy scaled
// once and kept with the decoded one.
int hand_out_at_dpi(const Image &image, int dpi, void *arg) {
    Entry *e = image.entry;
    if (!image.bitmap || !e || dpi == kBaseDpi || dpi <= 0) return hand_out(image.bitmap, arg);
    bool failed = false;
    for (int d : e->failed_dpi) failed = failed || d == dpi;
    if (e->scaled_dpi != dpi && !failed) {
        if (e->scaled) DeleteObject(e->scaled);
        e->bytes -= e->scaled_bytes;
        g_cache_bytes -= e->scaled_bytes;
        e->scaled_bytes = 0;
        e->scaled = scale_bitmap(e->bitmap, to_dpi(e->width, dpi), to_dpi(e->height, dpi));
        e->scaled_dpi = e->scaled ? dpi : 0;
        if (!e->scaled) {
            // A copy too big for memory now stays so: trying it again on every paint only stalls.
            const int kept = static_cast<int>(sizeof e->failed_dpi / sizeof e->failed_dpi[0]);
            e->failed_dpi[e->failed_next] = dpi;
            e->failed_next = (e->failed_next + 1) % kept;
        }
        BITMAP bm;
        if (e->scaled && GetObjectA(e->scaled, sizeof bm, &bm))
            e->scaled_bytes = static_cast<uint64_t>(bm.bmWidthBytes) * bm.bmHeight;
        e->bytes += e->scaled_bytes;
        g_cache_bytes += e->scaled_bytes;
    }
    // Without memory for the copy the picture still shows, unscaled.
    return hand_out(e->scaled ? e->scaled : image.bitmap, arg);
}

// A bottom-up DIB section of w x h at bpp bits per pixel, rows padded to four bytes.
HBITMAP bottom_up_dib(HWND window, uint64_t w, uint64_t h, int bpp, void **bits) {
    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(w);
    info.bmiHeader.biHeight = static_cast<LONG>(h);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bpp);
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = static_cast<DWORD>((w * bpp + 31) / 32 * 4 * h);
    HDC dc = GetDC(window);
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0);
    ReleaseDC(window, dc);
    return dib;
}

}  // namespace

// Only plain data lives between setjmp and the jumps: nothing here needs a destructor.
HBITMAP load_jpeg_dib(HWND window, const char *path, int *width, int *height) {
    if (width) *width = 0;
    if (height) *height = 0;
    FILE *file = fopen(path, "rb");
    if (!file) return nullptr;

    jpeg_decompress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpeg_error_exit;
    err.library_emit = err.mgr.emit_message;
    err.mgr.emit_message = jpeg_emit_message;
    // Written after setjmp and read after a jump, so it must not sit in a register.
    HBITMAP volatile dib = nullptr;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        fclose(file);
        if (dib) DeleteObject(dib);
        return nullptr;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    // Arithmetic-coded files are refused, as libjpeg 6b and Windows' own decoders do: cut short,
    // their decoder fills the rest with grey without a warning, so a small file claiming a huge
    // size would take seconds of grey rows.
    if (cinfo.arith_code) ERREXIT(&cinfo, JERR_ARITH_NOTIMPL);
    // Greyscale pictures come out in colour too; CMYK cannot and stops with an error. The
    // decoder writes the DIB's own byte order where it can, which spares a pass over every pixel.
#ifdef JCS_EXTENSIONS
    cinfo.out_color_space = JCS_EXT_BGR;
#else
    cinfo.out_color_space = JCS_RGB;
#endif
    // A progressive file is decoded whole inside jpeg_start_decompress: a size no DIB can take is
    // refused before it, and the working memory bounded, or a small file claiming 46340 x 46340
    // pixels costs gigabytes and seconds. A limit set through JPEGMEM stays.
    jpeg_calc_output_dimensions(&cinfo);
    const uint64_t w = cinfo.output_width, h = cinfo.output_height;
    const uint64_t stride = (w * 24 + 31) / 32 * 4;
    if (w == 0 || h == 0 || stride * h > kMaxDibBytes) ERREXIT(&cinfo, JERR_CONVERSION_NOTIMPL);
    if (!cinfo.mem->max_memory_to_use) cinfo.mem->max_memory_to_use = kMaxDecoderMemory;
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != 3 || cinfo.output_width != w || cinfo.output_height != h)
        ERREXIT(&cinfo, JERR_CONVERSION_NOTIMPL);

    void *bits = nullptr;
    dib = bottom_up_dib(window, w, h, 24, &bits);
    if (!dib || !bits) ERREXIT(&cinfo, JERR_OUT_OF_MEMORY);

    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = static_cast<JSAMPROW>(bits) + (h - 1 - cinfo.output_scanline) * stride;
        jpeg_read_scanlines(&cinfo, &row, 1);
#ifndef JCS_EXTENSIONS
        for (uint64_t i = 0; i < w; ++i) {
            JSAMPLE red = row[i * 3];
            row[i * 3] = row[i * 3 + 2];
            row[i * 3 + 2] = red;
        }
#endif
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    fclose(file);
    if (width) *width = static_cast<int>(w);
    if (height) *height = static_cast<int>(h);
    return dib;
}

void set_image_cache_cap(uint64_t bytes) {
    g_cache_cap = bytes;
    trim(nullptr);
}

uint64_t image_cache_bytes() { return g_cache_bytes; }

HBITMAP load_png_dib(HWND window, const char *path, int *width, int *height, bool *alpha) {
    *width = *height = 0;
    *alpha = false;
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    FILE *file = fopen(path, "rb");
    if (!file) return nullptr;
    HBITMAP dib = nullptr;
    if (png_image_begin_read_from_stdio(&image, file)) {
        // Transparency (an alpha channel or a transparent colour) gives a 32-bit DIB for AlphaBlend;
        // anything else the same 24-bit DIB as a JPEG.
        const bool with_alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
        const uint64_t w = image.width, h = image.height, bpp = with_alpha ? 32 : 24;
        const uint64_t stride = (w * bpp + 31) / 32 * 4;
        void *bits = nullptr;
        if (w && h && stride * h <= kMaxDibBytes) {
            image.format = with_alpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
            dib = bottom_up_dib(window, w, h, static_cast<int>(bpp), &bits);
        }
        // A negative stride puts the bottom row first, as the DIB holds them. Corrupt or cut data
        // fails the read, as with JPEG: half a picture is worse than none.
        if (!dib || !bits || !png_image_finish_read(&image, nullptr, bits, -static_cast<png_int_32>(stride), nullptr)) {
            if (dib) DeleteObject(dib);
            dib = nullptr;
        } else {
            if (with_alpha) {
                // AlphaBlend takes the colours multiplied by their alpha.
                for (uint64_t i = 0; i < w * h; ++i) {
                    unsigned char *p = static_cast<unsigned char *>(bits) + i * 4;
                    for (int c = 0; c < 3; ++c) p[c] = static_cast<unsigned char>((p[c] * p[3] + 127) / 255);
                }
            }
            *width = static_cast<int>(w);
            *height = static_cast<int>(h);
            *alpha = with_alpha;
        }
    }
    png_image_free(&image);
    fclose(file);
    return dib;
}

int image_store(int op, int number, void *arg) {
    const char *path = static_cast<const char *>(arg);
    switch (op) {
    case kImgWindow: g_window = arg ? *static_cast<HWND *>(arg) : nullptr; break;
    case kImgPicture: return hand_out(picture_shown().bitmap, arg);
    case kImgPictureX: return shown_field(&Image::x);
    case kImgPictureY: return shown_field(&Image::y);
    case kImgPictureWidth: return shown_field(&Image::width);
    case kImgPictureHeight: return shown_field(&Image::height);
    case kImgLoadSetPicture:
        g_set_zoom = 0;
        load_into(g_set_picture, path);
        break;
    case kImgSetPictureX: g_set_picture.x = number; break;
    case kImgSetPictureY: g_set_picture.y = number; break;
    case kImgSetPictureZoom: g_set_zoom = number; break;
    case kImgLoadSetWall: load_into(g_set_wall, path); break;
    case kImgLoadRunPicture: load_into(g_run_picture, path); break;
    case kImgRunPictureX: g_run_picture.x = number; break;
    case kImgRunPictureY: g_run_picture.y = number; break;
    case kImgLoadRunWall: load_into(g_run_wall, path); break;
    case kImgClearRunPicture: release(g_run_picture); break;
    case kImgClearRunWall: release(g_run_wall); break;
    case kImgWallpaper: return hand_out(wallpaper_shown().bitmap, arg);
    case kImgPictureAlpha: return picture_shown().bitmap && picture_shown().alpha ? 1 : 0;
    case kImgWallpaperAlpha: return wallpaper_shown().bitmap && wallpaper_shown().alpha ? 1 : 0;
    case kImgPictureAtDpi: return hand_out_at_dpi(picture_shown(), number, arg);
    case kImgWallpaperAtDpi: return hand_out_at_dpi(wallpaper_shown(), number, arg);
    default: break;
    }
    return 0;
}
