// The cross-built decoders are linked and work: a broken dependency fails here,
// not in the gift. Inputs are encoded by GDI+ or embedded real files.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>
#include <mpg123.h>
#include <png.h>

#include "tests/support/TestData.h"

namespace {

namespace gp = Gdiplus::DllExports;

// Encodes a small gradient through GDI+ with the codec of the given MIME type.
std::vector<unsigned char> EncodeWithGdiplus(const wchar_t* mime, int w, int h) {
    Gdiplus::GpBitmap* bitmap = nullptr;
    gp::GdipCreateBitmapFromScan0(w, h, 0, PixelFormat32bppARGB, nullptr, &bitmap);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            gp::GdipBitmapSetPixel(bitmap, x, y, 0xFF000000u | (x * 8) << 16 | (y * 8) << 8);
    UINT count = 0, size = 0;
    gp::GdipGetImageEncodersSize(&count, &size);
    std::vector<unsigned char> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    gp::GdipGetImageEncoders(count, size, codecs);
    CLSID clsid{};
    for (UINT i = 0; i < count; ++i)
        if (wcscmp(codecs[i].MimeType, mime) == 0) clsid = codecs[i].Clsid;
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    gp::GdipSaveImageToStream(bitmap, stream, &clsid, nullptr);
    gp::GdipDisposeImage(bitmap);
    HGLOBAL memory = nullptr;
    GetHGlobalFromStream(stream, &memory);
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    std::vector<unsigned char> bytes(static_cast<size_t>(stat.cbSize.QuadPart));
    auto* data = static_cast<unsigned char*>(GlobalLock(memory));
    std::copy(data, data + bytes.size(), bytes.begin());
    GlobalUnlock(memory);
    stream->Release();
    return bytes;
}

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

}  // namespace

TEST(Dependencies, LibpngDecodesFromMemory) {
    const auto bytes = EncodeWithGdiplus(L"image/png", 24, 16);
    ASSERT_GT(bytes.size(), 8u);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()));
    EXPECT_EQ(image.width, 24u);
    EXPECT_EQ(image.height, 16u);
    image.format = PNG_FORMAT_BGRA;
    std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
    const unsigned char* p = &pixels[(5 * 24 + 3) * 4];  // x 3, y 5
    EXPECT_EQ(p[2], 24);                                 // red = x * 8
    EXPECT_EQ(p[1], 40);                                 // green = y * 8
    EXPECT_EQ(p[3], 255);
}

TEST(Dependencies, LibjpegDecodesFromMemory) {
    const auto bytes = EncodeWithGdiplus(L"image/jpeg", 32, 16);
    ASSERT_GT(bytes.size(), 100u);
    jpeg_decompress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = [](j_common_ptr c) {
        std::longjmp(reinterpret_cast<JpegError*>(c->err)->jump, 1);
    };
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        FAIL() << "libjpeg failed";
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    ASSERT_EQ(jpeg_read_header(&info, TRUE), JPEG_HEADER_OK);
    info.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&info);
    EXPECT_EQ(info.output_width, 32u);
    EXPECT_EQ(info.output_height, 16u);
    std::vector<unsigned char> row(info.output_width * 4);
    int rows = 0;
    while (info.output_scanline < info.output_height) {
        JSAMPROW line = row.data();
        jpeg_read_scanlines(&info, &line, 1);
        ++rows;
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    EXPECT_EQ(rows, 16);
}

TEST(Dependencies, Libmpg123DecodesFromMemory) {
    const ByteBlock mp3 = ToneMp3();
    ASSERT_FALSE(mp3.empty());
    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(mpg123_open_feed(handle), MPG123_OK);
    ASSERT_EQ(mpg123_feed(handle, mp3.data, mp3.size), MPG123_OK);
    std::vector<unsigned char> pcm(16384);
    size_t total = 0, done = 0;
    long rate = 0;
    int channels = 0, encoding = 0;
    for (;;) {
        int status = mpg123_read(handle, pcm.data(), pcm.size(), &done);
        total += done;
        if (status == MPG123_NEW_FORMAT)
            mpg123_getformat(handle, &rate, &channels, &encoding);
        else if (status != MPG123_OK)
            break;
    }
    mpg123_delete(handle);
    EXPECT_EQ(rate, 44100);
    EXPECT_EQ(channels, 2);
    // About one second of 16-bit stereo, give or take the encoder's padding.
    EXPECT_GT(total, 44100u * 4 * 9 / 10);
    EXPECT_LT(total, 44100u * 4 * 12 / 10);
}
