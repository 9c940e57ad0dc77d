// libpng and libjpeg-turbo from memory. Both report faults by longjmp, so the
// functions that set the jump hold nothing with a destructor across it.
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <png.h>
#include <jpeglib.h>

#include "platform/PixelSize.h"
#include "platform/decode/ImageDecode.h"

namespace decode {

namespace {

constexpr unsigned kMaxSide = 32768;

// Whether a picture of this size may be decoded at all: the room for it is
// asked for in bytes that must not wrap.
bool Acceptable(unsigned width, unsigned height) {
    return width <= kMaxSide && height <= kMaxSide && PixelCount(width, height) != 0;
}

// Room in a one-frame Image.
std::uint32_t* ImageRoom(void* context, int width, int height) {
    auto* image = static_cast<Image*>(context);
    image->width = width;
    image->height = height;
    image->frames.resize(1);
    image->frames[0].pixels.resize(static_cast<std::size_t>(width) * height);
    return image->frames[0].pixels.data();
}

struct PngSource {
    const unsigned char* data;
    std::size_t size;
    std::size_t at;
};

void ReadPng(png_structp png, png_bytep out, png_size_t count) {
    auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
    if (count > src->size - src->at) png_error(png, "truncated");
    std::memcpy(out, src->data + src->at, count);
    src->at += count;
}

void PngError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void PngWarning(png_structp, png_const_charp) {}

// Decodes into the room `sink` gives, asked for before any jump can happen
// after it.
bool DecodePngInto(png_structp png, png_infop info, const PixelSink& sink,
                   std::vector<png_bytep>* rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    if (!Acceptable(w, h)) return false;
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    std::uint32_t* pixels = sink.allocate(sink.context, static_cast<int>(w), static_cast<int>(h));
    if (!pixels) return false;
    rows->resize(h);
    for (png_uint_32 y = 0; y < h; ++y)
        (*rows)[y] = reinterpret_cast<png_bytep>(pixels + static_cast<std::size_t>(y) * w);
    png_read_image(png, rows->data());
    png_read_end(png, nullptr);
    return true;
}

struct JpegError {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void JpegExit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}
void JpegMessage(j_common_ptr) {}

bool DecodeJpegInto(jpeg_decompress_struct* jpeg, JpegError* err, const unsigned char* data,
                    std::size_t size, const PixelSink& sink) {
    if (setjmp(err->jump)) return false;
    jpeg_create_decompress(jpeg);
    jpeg_mem_src(jpeg, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(jpeg, TRUE) != JPEG_HEADER_OK) return false;
    jpeg->out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(jpeg);
    JDIMENSION w = jpeg->output_width, h = jpeg->output_height;
    if (!Acceptable(w, h)) return false;
    std::uint32_t* pixels = sink.allocate(sink.context, static_cast<int>(w), static_cast<int>(h));
    if (!pixels) return false;
    while (jpeg->output_scanline < h) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(
            pixels + static_cast<std::size_t>(jpeg->output_scanline) * w);
        jpeg_read_scanlines(jpeg, &row, 1);
    }
    jpeg_finish_decompress(jpeg);
    return true;
}

}  // namespace

bool DecodePngTo(const void* data, std::size_t size, const PixelSink& sink) {
    if (!data || size < 8 || png_sig_cmp(static_cast<png_const_bytep>(data), 0, 8) != 0)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    PngSource source{static_cast<const unsigned char*>(data), size, 0};
    std::vector<png_bytep> rows;
    bool ok = false;
    if (info) {
        png_set_read_fn(png, &source, ReadPng);
        ok = DecodePngInto(png, info, sink, &rows);
    }
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    return ok;
}

bool DecodeJpegTo(const void* data, std::size_t size, const PixelSink& sink) {
    if (!data || size < 4) return false;
    jpeg_decompress_struct jpeg{};
    JpegError err{};
    jpeg.err = jpeg_std_error(&err.base);
    err.base.error_exit = JpegExit;
    err.base.output_message = JpegMessage;
    bool ok = DecodeJpegInto(&jpeg, &err, static_cast<const unsigned char*>(data), size, sink);
    jpeg_destroy_decompress(&jpeg);
    return ok;
}

Image DecodePng(const void* data, std::size_t size) {
    Image image;
    if (!DecodePngTo(data, size, {ImageRoom, &image})) return Image{};
    return image;
}

Image DecodeJpeg(const void* data, std::size_t size) {
    Image image;
    if (!DecodeJpegTo(data, size, {ImageRoom, &image})) return Image{};
    return image;
}

Format DetectFormat(const void* data, std::size_t size) {
    auto* p = static_cast<const unsigned char*>(data);
    if (!p || size < 4) return Format::Unknown;
    if (size >= 8 && std::memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0) return Format::Png;
    if (p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF) return Format::Jpeg;
    if (size >= 6 && (std::memcmp(p, "GIF87a", 6) == 0 || std::memcmp(p, "GIF89a", 6) == 0))
        return Format::Gif;
    if (p[0] == 'B' && p[1] == 'M') return Format::Bmp;
    return Format::Unknown;
}

Image DecodeImage(const void* data, std::size_t size) {
    switch (DetectFormat(data, size)) {
        case Format::Png:
            return DecodePng(data, size);
        case Format::Jpeg:
            return DecodeJpeg(data, size);
        case Format::Gif:
        case Format::Bmp:
            return DecodeWithSystem(data, size);
        case Format::Unknown:
            break;
    }
    return Image{};
}

}  // namespace decode
