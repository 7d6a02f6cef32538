// The player's picture and wallpaper store: BMP and JPEG loading and the choice of what to show.
#include "image_store.h"

#include <setjmp.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <jpeglib.h>
#include <jerror.h>

#include "BrixLib.h"

namespace {

struct Image {
    HBITMAP bitmap;
    int width, height, x, y;
};

Image g_set_picture, g_run_picture, g_set_wall, g_run_wall;
int g_set_zoom;
HWND g_window;

// Anything bigger cannot be a DIB the kiosk could show, and would overflow a 32-bit size.
const uint64_t kMaxDibBytes = 0x7FFFFFFF;

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

// The library only warns when the file ends early and pads the rest of the picture with grey;
// a half picture is worse than none, so the load fails.
void jpeg_emit_message(j_common_ptr cinfo, int level) {
    JpegError *err = reinterpret_cast<JpegError *>(cinfo->err);
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) longjmp(err->jump, 1);
    err->library_emit(cinfo, level);
}

void release(Image &image) {
    if (image.bitmap) DeleteObject(image.bitmap);
    image = Image();
}

void load_into(Image &image, const char *stored) {
    release(image);
    char resolved[kPathSize];
    const char *path = resolve_stored_path(stored, resolved);
    const char *ext = path ? path_extension(path) : nullptr;
    if (!ext) return;
    if (_stricmp(ext, "bmp") == 0) {
        image.bitmap = static_cast<HBITMAP>(
            LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        BITMAP bm;
        if (image.bitmap && GetObjectA(image.bitmap, sizeof bm, &bm)) {
            image.width = bm.bmWidth;
            image.height = bm.bmHeight;
        }
    } else if (_stricmp(ext, "jpg") == 0 || _stricmp(ext, "jpeg") == 0) {
        image.bitmap = load_jpeg_dib(g_window, path, &image.width, &image.height);
    }
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
    // Greyscale pictures come out as RGB too; CMYK cannot and stops with an error.
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);

    const uint64_t w = cinfo.output_width, h = cinfo.output_height;
    const uint64_t stride = (w * 24 + 31) / 32 * 4;
    if (cinfo.output_components != 3 || w == 0 || h == 0 || stride * h > kMaxDibBytes)
        ERREXIT(&cinfo, JERR_CONVERSION_NOTIMPL);

    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(w);
    info.bmiHeader.biHeight = static_cast<LONG>(h);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = static_cast<DWORD>(stride * h);
    void *bits = nullptr;
    HDC dc = GetDC(window);
    dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(window, dc);
    if (!dib || !bits) ERREXIT(&cinfo, JERR_OUT_OF_MEMORY);

    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = static_cast<JSAMPROW>(bits) + (h - 1 - cinfo.output_scanline) * stride;
        jpeg_read_scanlines(&cinfo, &row, 1);
        for (uint64_t i = 0; i < w; ++i) {
            JSAMPLE red = row[i * 3];
            row[i * 3] = row[i * 3 + 2];
            row[i * 3 + 2] = red;
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    fclose(file);
    if (width) *width = static_cast<int>(w);
    if (height) *height = static_cast<int>(h);
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
    default: break;
    }
    return 0;
}
