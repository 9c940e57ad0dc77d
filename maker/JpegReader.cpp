// libjpeg reports faults by longjmp, so the function that sets the jump holds
// nothing with a destructor across it.
#include "maker/JpegReader.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

#include "maker/JpegError.h"

namespace maker {

namespace {

bool Decompress(jpeg_decompress_struct* jpeg, JpegErrorJump* err, const unsigned char* data,
                std::size_t size, int width, int height, Pixels* out) {
    if (setjmp(err->jump)) return false;
    jpeg_create_decompress(jpeg);
    jpeg_mem_src(jpeg, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(jpeg, TRUE) != JPEG_HEADER_OK) return false;
    jpeg->out_color_space = JCS_EXT_BGRA;
    jpeg->scale_num = 1;
    for (unsigned denom : {8u, 4u, 2u, 1u}) {
        jpeg->scale_denom = denom;
        jpeg_calc_output_dimensions(jpeg);
        if (static_cast<int>(jpeg->output_width) >= width &&
            static_cast<int>(jpeg->output_height) >= height)
            break;
    }
    jpeg_start_decompress(jpeg);
    out->width = static_cast<int>(jpeg->output_width);
    out->height = static_cast<int>(jpeg->output_height);
    out->data.resize(static_cast<std::size_t>(out->width) * out->height);
    while (jpeg->output_scanline < jpeg->output_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(
            out->data.data() + static_cast<std::size_t>(jpeg->output_scanline) * out->width);
        jpeg_read_scanlines(jpeg, &row, 1);
    }
    jpeg_finish_decompress(jpeg);
    return true;
}

}  // namespace

Pixels DecodeJpegCovering(const void* data, std::size_t size, int width, int height) {
    Pixels pixels;
    if (!data || size < 4) return pixels;
    jpeg_decompress_struct jpeg{};
    JpegErrorJump err{};
    jpeg.err = InstallJpegErrorJump(&err);
    const bool ok = Decompress(&jpeg, &err, static_cast<const unsigned char*>(data), size, width,
                               height, &pixels);
    jpeg_destroy_decompress(&jpeg);
    if (!ok) return Pixels{};
    return pixels;
}

}  // namespace maker
