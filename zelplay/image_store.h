// The player's four images (set and run picture, set and run wallpaper), JPEG and PNG decoding.
#pragma once
#include <windows.h>
#include <stdint.h>

// number: the value for the setters; arg: a path for the loads, the address of a window
// handle for kImgWindow, the address of an HBITMAP for kImgPicture and kImgWallpaper.
enum ImageOp {
    kImgWindow = 0,          // remember the window (reference DC for JPEG bitmaps)
    kImgPicture = 2,         // picture to show -> *arg; 1, or 0 when none
    kImgPictureX = 3,        // x of the picture to show
    kImgPictureY = 4,        // y
    kImgPictureWidth = 5,    // width
    kImgPictureHeight = 6,   // height
    kImgLoadSetPicture = 10, // path
    kImgSetPictureX = 12,    // number
    kImgSetPictureY = 13,    // number
    kImgSetPictureZoom = 14, // number: magnification
    kImgLoadSetWall = 15,    // path
    kImgLoadRunPicture = 40, // path
    kImgRunPictureX = 42,    // number
    kImgRunPictureY = 43,    // number
    kImgLoadRunWall = 45,    // path
    kImgClearRunPicture = 60,
    kImgClearRunWall = 61,
    kImgWallpaper = 100,     // wallpaper to show -> *arg; 1, or 0 when none
    kImgPictureAlpha = 101,  // 1 when the picture to show has transparency (32-bit, premultiplied)
    kImgWallpaperAlpha = 102,
    kImgPictureAtDpi = 103,  // as kImgPicture, scaled for the DPI in number (96: the picture itself)
    kImgWallpaperAtDpi = 104,
};

int image_store(int op, int number, void *arg);

// Decoded pictures are kept by path, file size and last write time, least recently used dropped
// first once their bytes pass the cap (256 MB unless set) or they are more than
// kImageCacheEntries; each counts as at least kMinEntryBytes. Pictures on the screen always stay.
const size_t kImageCacheEntries = 1000;
const uint64_t kMinEntryBytes = 64 * 1024;
void set_image_cache_cap(uint64_t bytes);
uint64_t image_cache_bytes();

// A 24-bit bottom-up DIB section, or null; width and height receive the image size.
HBITMAP load_jpeg_dib(HWND window, const char *path, int *width, int *height);
// A PNG: with transparency a 32-bit bottom-up DIB with premultiplied alpha (*alpha true), else as
// load_jpeg_dib. Null for a file that is cut, corrupt or too large for a DIB.
HBITMAP load_png_dib(HWND window, const char *path, int *width, int *height, bool *alpha);
