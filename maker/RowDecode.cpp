// libpng reports faults by longjmp, so the function that sets the jump holds
// nothing with a destructor across it.
#include "maker/RowDecode.h"

#include <png.h>

#include <cstring>
#include <vector>

namespace maker {

namespace {

struct PngSource {
    const std::string* file;
    std::size_t at;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (count > source->file->size() - source->at) png_error(png, "cut short");
    std::memcpy(out, source->file->data() + source->at, count);
    source->at += count;
}

void Quiet(png_structp, png_const_charp) {}

void Fail(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

RowResult ReadRows(png_structp png, png_infop info, PngSource* source, int width, int height,
                   std::uint32_t* row, RowReceiver receiver) {
    if (setjmp(png_jmpbuf(png))) return RowResult::Damaged;
    png_set_read_fn(png, source, ReadFromMemory);
    png_read_info(png, info);
    if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE) return RowResult::NeedsWhole;
    if (static_cast<int>(png_get_image_width(png, info)) != width ||
        static_cast<int>(png_get_image_height(png, info)) != height)
        return RowResult::Damaged;
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    for (int y = 0; y < height; ++y) {
        png_read_row(png, reinterpret_cast<png_bytep>(row), nullptr);
        receiver.row(receiver.context, y, row);
    }
    png_read_end(png, nullptr);
    return RowResult::Done;
}

std::uint32_t Le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
}
unsigned Le16(const unsigned char* p) {
    return p[0] | (p[1] << 8);
}

}  // namespace

RowResult DecodePngRows(const std::string& file, int width, int height, RowReceiver receiver) {
    std::vector<std::uint32_t> row(static_cast<std::size_t>(width));
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Quiet);
    if (!png) return RowResult::Damaged;
    png_infop info = png_create_info_struct(png);
    PngSource source{&file, 0};
    const RowResult result = info
                                 ? ReadRows(png, info, &source, width, height, row.data(), receiver)
                                 : RowResult::Damaged;
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    return result;
}

RowResult DecodeBmpRows(const std::string& file, int width, int height, RowReceiver receiver) {
    const auto* b = reinterpret_cast<const unsigned char*>(file.data());
    if (file.size() < 54 || Le32(b + 14) < 40) return RowResult::NeedsWhole;
    const std::uint32_t offset = Le32(b + 10), headerSize = Le32(b + 14);
    const bool topDown = static_cast<std::int32_t>(Le32(b + 22)) < 0;
    const unsigned bits = Le16(b + 28);
    const std::uint32_t compression = Le32(b + 30), colours = Le32(b + 46);
    // BI_RGB at 8, 24 or 32 bits, or 32-bit BI_BITFIELDS with the usual masks.
    const bool usualMasks = compression == 3 && bits == 32 && file.size() >= 14 + 40 + 12 &&
                            Le32(b + 54) == 0x00FF0000u && Le32(b + 58) == 0x0000FF00u &&
                            Le32(b + 62) == 0x000000FFu;
    if (!((compression == 0 && (bits == 8 || bits == 24 || bits == 32)) || usualMasks))
        return RowResult::NeedsWhole;
    const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    if (offset > file.size() || stride * height > file.size() - offset) return RowResult::Damaged;
    const std::size_t palette = 14 + headerSize;
    const std::size_t paletteCount = colours ? colours : 256;
    if (bits == 8 && palette + paletteCount * 4 > file.size()) return RowResult::Damaged;
    std::vector<std::uint32_t> row(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        const unsigned char* s =
            b + offset + stride * static_cast<std::size_t>(topDown ? y : height - 1 - y);
        for (int x = 0; x < width; ++x) {
            std::uint32_t p;
            if (bits == 8) {
                const std::size_t index = s[x] < paletteCount ? s[x] : 0;
                p = Le32(b + palette + index * 4) & 0xFFFFFF;
            } else {
                const unsigned char* q = s + static_cast<std::size_t>(x) * (bits / 8);
                p = q[0] | (q[1] << 8) | (q[2] << 16);
            }
            // The fourth byte of a 32-bit BI_RGB pixel is unused: opaque.
            row[static_cast<std::size_t>(x)] = 0xFF000000u | p;
        }
        receiver.row(receiver.context, y, row.data());
    }
    return RowResult::Done;
}

}  // namespace maker
