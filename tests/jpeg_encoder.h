// One JPEG encoder for the tests and the benchmark: the pixels come row by row from the caller.
#pragma once
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>
#include <jpeglib.h>

struct JpegOptions {
    J_COLOR_SPACE space = JCS_RGB;
    int components = 3;
    int quality = -1;           // -1: the library's default
    bool full_chroma = false;   // no chroma subsampling: flat colours come back nearly exact
    bool progressive = false;
    bool arithmetic = false;
};

// fill(y, row) writes the w * components bytes of row y.
template <typename Fill> std::string encode_jpeg_rows(int w, int h, const JpegOptions &o, Fill fill) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char *out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = w;
    c.image_height = h;
    c.input_components = o.components;
    c.in_color_space = o.space;
    jpeg_set_defaults(&c);
    if (o.quality >= 0) jpeg_set_quality(&c, o.quality, TRUE);
    if (o.full_chroma)
        for (int i = 0; i < c.num_components; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    if (o.progressive) jpeg_simple_progression(&c);
    c.arith_code = o.arithmetic;
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> line(static_cast<size_t>(w) * o.components);
    for (int y = 0; y < h; ++y) {
        fill(y, line.data());
        JSAMPROW row = line.data();
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    std::string bytes(reinterpret_cast<char *>(out), size);
    jpeg_destroy_compress(&c);
    free(out);
    return bytes;
}
