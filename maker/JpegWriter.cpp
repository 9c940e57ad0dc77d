// libjpeg reports faults by longjmp, so the function that sets the jump holds
// nothing with a destructor across it.
#include "maker/JpegWriter.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "maker/JpegError.h"

namespace maker {

namespace {

bool Compress(jpeg_compress_struct* jpeg, JpegErrorJump* err, const Pixels* pixels, int quality,
              unsigned char** out, unsigned long* outSize) {
    if (setjmp(err->jump)) return false;
    jpeg_create_compress(jpeg);
    jpeg_mem_dest(jpeg, out, outSize);
    jpeg->image_width = static_cast<JDIMENSION>(pixels->width);
    jpeg->image_height = static_cast<JDIMENSION>(pixels->height);
    jpeg->input_components = 4;
    jpeg->in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(jpeg);
    jpeg_set_quality(jpeg, quality, TRUE);
    jpeg->optimize_coding = TRUE;
    for (int c = 0; c < jpeg->num_components; ++c) {
        jpeg->comp_info[c].h_samp_factor = 1;
        jpeg->comp_info[c].v_samp_factor = 1;
    }
    jpeg_start_compress(jpeg, TRUE);
    while (jpeg->next_scanline < jpeg->image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(reinterpret_cast<const unsigned char*>(
            pixels->data.data() + static_cast<std::size_t>(jpeg->next_scanline) * pixels->width));
        jpeg_write_scanlines(jpeg, &row, 1);
    }
    jpeg_finish_compress(jpeg);
    return true;
}

}  // namespace

std::string EncodeJpeg(const Pixels& pixels, int quality) {
    if (pixels.width <= 0 || pixels.height <= 0 ||
        pixels.data.size() != static_cast<std::size_t>(pixels.width) * pixels.height)
        return {};
    jpeg_compress_struct jpeg{};
    JpegErrorJump err{};
    jpeg.err = InstallJpegErrorJump(&err);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    const bool ok = Compress(&jpeg, &err, &pixels, quality, &out, &outSize);
    jpeg_destroy_compress(&jpeg);
    std::string bytes;
    if (ok && out) bytes.assign(reinterpret_cast<const char*>(out), outSize);
    std::free(out);
    return bytes;
}

}  // namespace maker
