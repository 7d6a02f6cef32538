// One PNG encoder for the tests and the benchmark: the caller's pixels, in a simplified-API format.
#pragma once
#include <string>
#include <vector>
#include <png.h>

// "" when the library refuses (pixels must hold PNG_IMAGE_SIZE bytes for w, h and format).
inline std::string encode_png(int w, int h, png_uint_32 format, const std::vector<unsigned char> &pixels) {
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(w);
    image.height = static_cast<png_uint_32>(h);
    image.format = format;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr)) return "";
    std::string bytes(size, '\0');
    png_image_write_to_memory(&image, &bytes[0], &size, 0, pixels.data(), 0, nullptr);
    bytes.resize(size);
    return bytes;
}
