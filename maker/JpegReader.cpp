// libjpeg reports faults by longjmp, so the function that sets the jump holds
// nothing with a destructor across it.
#include "maker/JpegReader.h"

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "maker/JpegError.h"

namespace maker {

namespace {

// Warnings that mean the picture is not what the camera took. Extra bytes
// before the end marker (some cameras write them) change no pixel.
void CountWarning(j_common_ptr info, int level) {
    if (level >= 0) return;  // trace messages
    const bool harmless =
        info->err->msg_code == JWRN_EXTRANEOUS_DATA && info->err->msg_parm.i[1] == 0xD9;
    if (!harmless) ++info->err->num_warnings;
}

struct Target {
    Pixels* out;
    std::vector<unsigned char>* cmykRow;
};

// Adobe's programs store CMYK inverted (0 is full ink) and say so with their
// APP14 marker; without it 255 is full ink.
void CmykToBgra(const unsigned char* cmyk, std::uint32_t* out, int width, bool inverted) {
    for (int x = 0; x < width; ++x, cmyk += 4) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        const unsigned r = c * k / 255, g = m * k / 255, b = y * k / 255;
        out[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
    }
}

bool Decompress(jpeg_decompress_struct* jpeg, JpegErrorJump* err, const unsigned char* data,
                std::size_t size, int width, int height, Target target) {
    if (setjmp(err->jump)) return false;
    jpeg_create_decompress(jpeg);
    jpeg_mem_src(jpeg, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(jpeg, TRUE) != JPEG_HEADER_OK) return false;
    const bool cmyk = jpeg->jpeg_color_space == JCS_CMYK || jpeg->jpeg_color_space == JCS_YCCK;
    jpeg->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    jpeg->scale_num = 1;
    for (unsigned denom : {8u, 4u, 2u, 1u}) {
        jpeg->scale_denom = denom;
        jpeg_calc_output_dimensions(jpeg);
        if (static_cast<int>(jpeg->output_width) >= width &&
            static_cast<int>(jpeg->output_height) >= height)
            break;
    }
    jpeg_start_decompress(jpeg);
    Pixels* out = target.out;
    out->width = static_cast<int>(jpeg->output_width);
    out->height = static_cast<int>(jpeg->output_height);
    out->data.resize(static_cast<std::size_t>(out->width) * out->height);
    if (cmyk) target.cmykRow->resize(static_cast<std::size_t>(out->width) * 4);
    while (jpeg->output_scanline < jpeg->output_height) {
        std::uint32_t* row =
            out->data.data() + static_cast<std::size_t>(jpeg->output_scanline) * out->width;
        JSAMPROW into = cmyk ? target.cmykRow->data() : reinterpret_cast<JSAMPROW>(row);
        jpeg_read_scanlines(jpeg, &into, 1);
        if (cmyk) CmykToBgra(target.cmykRow->data(), row, out->width, jpeg->saw_Adobe_marker);
    }
    jpeg_finish_decompress(jpeg);
    return true;
}

}  // namespace

Pixels DecodeJpegCovering(const void* data, std::size_t size, int width, int height,
                          JpegResult* result) {
    Pixels pixels;
    std::vector<unsigned char> cmykRow;
    if (result) *result = JpegResult::Damaged;
    if (!data || size < 4) return pixels;
    jpeg_decompress_struct jpeg{};
    JpegErrorJump err{};
    jpeg.err = InstallJpegErrorJump(&err);
    err.base.emit_message = CountWarning;
    const bool ok = Decompress(&jpeg, &err, static_cast<const unsigned char*>(data), size, width,
                               height, Target{&pixels, &cmykRow});
    const int code = err.base.msg_code;
    const bool warned = err.base.num_warnings > 0;
    jpeg_destroy_decompress(&jpeg);
    if (!ok || warned) {
        // What this build of libjpeg does not read is not damage: the system may read it.
        if (result && !ok && (code == JERR_BAD_PRECISION || code == JERR_NOT_COMPILED))
            *result = JpegResult::Unsupported;
        return Pixels{};
    }
    if (result) *result = JpegResult::Ok;
    return pixels;
}

}  // namespace maker
