// The picture decoders and the MP3 decoder of the platform layer.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

#include "platform/PixelSize.h"
#include "platform/audio/Mp3Decoder.h"
#include "platform/decode/ImageDecode.h"
#include "tests/support/TestData.h"

namespace {

std::vector<unsigned char> WritePng(int w, int h, png_uint_32 format, const void* pixels) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(w);
    image.height = static_cast<png_uint_32>(h);
    image.format = format;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, pixels, 0, nullptr);
    std::vector<unsigned char> bytes(size);
    png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels, 0, nullptr);
    bytes.resize(size);
    return bytes;
}

TEST(ImageDecodeTest, PngOfEveryLayoutBecomesBgra) {
    // Grey with alpha, 8 bits: expanded to three equal channels.
    const unsigned char ga[] = {0x10, 0xFF, 0x80, 0x40, 0xF0, 0x00, 0x00, 0xFF};
    auto bytes = WritePng(2, 2, PNG_FORMAT_GA, ga);
    decode::Image img = decode::DecodePng(bytes.data(), bytes.size());
    ASSERT_EQ(img.width, 2);
    ASSERT_EQ(img.frames.size(), 1u);
    EXPECT_EQ(img.frames[0].pixels[0], 0xFF101010u);
    EXPECT_EQ(img.frames[0].pixels[1], 0x40808080u);
    EXPECT_EQ(img.frames[0].pixels[2], 0x00F0F0F0u);

    // 16-bit linear RGB: stripped to 8 bits.
    const png_uint_16 rgb16[] = {65535, 0, 0, 0, 65535, 0};
    bytes = WritePng(2, 1, PNG_FORMAT_RGB | PNG_FORMAT_FLAG_LINEAR, rgb16);
    img = decode::DecodePng(bytes.data(), bytes.size());
    ASSERT_EQ(img.width, 2);
    EXPECT_EQ(img.frames[0].pixels[0], 0xFFFF0000u);
    EXPECT_EQ(img.frames[0].pixels[1], 0xFF00FF00u);

    // RGBA in memory order.
    const unsigned char rgba[] = {1, 2, 3, 4};
    bytes = WritePng(1, 1, PNG_FORMAT_RGBA, rgba);
    EXPECT_EQ(decode::DecodeImage(bytes.data(), bytes.size()).frames[0].pixels[0], 0x04010203u);

    // Damaged data: nothing, never a partial picture.
    bytes[bytes.size() / 2] ^= 0xFF;
    bytes.resize(bytes.size() - 10);
    EXPECT_TRUE(decode::DecodePng(bytes.data(), bytes.size()).Empty());
}

std::vector<unsigned char> WriteJpeg(int w, int h) {
    jpeg_compress_struct jpeg{};
    jpeg_error_mgr err{};
    jpeg.err = jpeg_std_error(&err);
    jpeg_create_compress(&jpeg);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&jpeg, &out, &size);
    jpeg.image_width = static_cast<JDIMENSION>(w);
    jpeg.image_height = static_cast<JDIMENSION>(h);
    jpeg.input_components = 3;
    jpeg.in_color_space = JCS_RGB;
    jpeg_set_defaults(&jpeg);
    jpeg_start_compress(&jpeg, TRUE);
    std::vector<unsigned char> row(static_cast<size_t>(w) * 3, 0x80);
    while (jpeg.next_scanline < jpeg.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&jpeg, rows, 1);
    }
    jpeg_finish_compress(&jpeg);
    std::vector<unsigned char> bytes(out, out + size);
    jpeg_destroy_compress(&jpeg);
    free(out);
    return bytes;
}

void PutBigEndian(unsigned char* at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * (bytes - 1 - i)));
}

// A header claiming `w` x `h`: the PNG's IHDR (with its checksum made good)
// or the JPEG's frame header.
std::vector<unsigned char> ClaimSize(std::vector<unsigned char> bytes, std::uint32_t w,
                                     std::uint32_t h) {
    if (bytes[0] == 0x89) {
        PutBigEndian(&bytes[16], w, 4);
        PutBigEndian(&bytes[20], h, 4);
        PutBigEndian(&bytes[29], static_cast<std::uint32_t>(crc32(0, &bytes[12], 17)), 4);
        return bytes;
    }
    for (size_t i = 2; i + 9 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            PutBigEndian(&bytes[i + 5], h, 2);
            PutBigEndian(&bytes[i + 7], w, 2);
            break;
        }
    return bytes;
}

// A picture whose byte count would wrap a 32-bit size (32768 x 32768 x 4 is
// 2^32) is refused before the decoder asks for room; up to the limit the room
// is asked for at the size the header claims.
TEST(ImageDecodeTest, PicturesPastTheSizeLimitAreRefusedBeforeRoomIsAsked) {
    struct Asked {
        int calls = 0;
        long long width = 0, height = 0;
    };
    const decode::PixelSink refuse{[](void* context, int width, int height) -> std::uint32_t* {
                                       auto* asked = static_cast<Asked*>(context);
                                       ++asked->calls;
                                       asked->width = width;
                                       asked->height = height;
                                       return nullptr;
                                   },
                                   nullptr};
    const unsigned char rgba[4 * 4 * 4] = {};
    const struct {
        const char* name;
        std::vector<unsigned char> bytes;
        bool (*decode)(const void*, std::size_t, const decode::PixelSink&);
    } formats[] = {{"png", WritePng(4, 4, PNG_FORMAT_RGBA, rgba), decode::DecodePngTo},
                   {"jpeg", WriteJpeg(16, 16), decode::DecodeJpegTo}};
    const struct {
        std::uint32_t w, h;
        bool asked;
    } sizes[] = {{32768, 32768, false},
                 {32768, 8193, false},
                 {16385, 16384, false},
                 {16384, 16384, true},
                 {32768, 8192, true}};
    for (const auto& format : formats) {
        for (const auto& size : sizes) {
            SCOPED_TRACE(testing::Message() << format.name << " " << size.w << " x " << size.h);
            const std::vector<unsigned char> bytes = ClaimSize(format.bytes, size.w, size.h);
            Asked asked;
            decode::PixelSink sink = refuse;
            sink.context = &asked;
            EXPECT_FALSE(format.decode(bytes.data(), bytes.size(), sink));
            EXPECT_EQ(asked.calls, size.asked ? 1 : 0);
            if (size.asked) {
                EXPECT_EQ(asked.width, size.w);
                EXPECT_EQ(asked.height, size.h);
                EXPECT_EQ(static_cast<std::uint64_t>(PixelBytes(size.w, size.h)),
                          std::uint64_t{size.w} * size.h * 4);
            } else {
                EXPECT_EQ(PixelBytes(size.w, size.h), 0u);
            }
        }
    }
}

TEST(ImageDecodeTest, FormatsAreToldBySignature) {
    using decode::Format;
    EXPECT_EQ(decode::DetectFormat("\x89PNG\r\n\x1a\n....", 12), Format::Png);
    EXPECT_EQ(decode::DetectFormat("\xFF\xD8\xFF\xE0", 4), Format::Jpeg);
    EXPECT_EQ(decode::DetectFormat("GIF89a..", 8), Format::Gif);
    EXPECT_EQ(decode::DetectFormat("BM......", 8), Format::Bmp);
    EXPECT_EQ(decode::DetectFormat("RIFF....", 8), Format::Unknown);
    EXPECT_EQ(decode::DetectFormat(nullptr, 0), Format::Unknown);
    EXPECT_TRUE(decode::DecodeImage("RIFF....", 8).Empty());
    EXPECT_TRUE(decode::DecodeJpeg("\xFF\xD8\xFF\xE0garbage", 11).Empty());
    EXPECT_TRUE(decode::DecodeWithSystem("GIF89a", 6).Empty());
}

TEST(Mp3DecoderTest, DecodesTheSameWhetherFedWholeOrInPieces) {
    // Each stream at its own rate and channel count, its length give or take
    // the encoder's padding frames.
    const struct {
        ByteBlock bytes;
        int rate, channels;
        double seconds;
    } streams[] = {{ToneMp3(), 44100, 2, 1.0},
                   {Tune48kMonoMp3(), 48000, 1, 1.2},
                   {Tune22kMp3(), 22050, 2, 1.2}};
    std::vector<std::int16_t> whole;
    int rate = 0, channels = 0;
    for (const auto& s : streams) {
        ASSERT_TRUE(audio::DecodeMp3(s.bytes.data, s.bytes.size, whole, rate, channels));
        EXPECT_EQ(rate, s.rate);
        EXPECT_EQ(channels, s.channels);
        EXPECT_NEAR(static_cast<double>(whole.size()) / channels, s.rate * s.seconds, 3000.0);
    }

    ByteBlock tone = ToneMp3();
    ASSERT_TRUE(audio::DecodeMp3(tone.data, tone.size, whole, rate, channels));

    audio::Mp3Decoder decoder;
    std::vector<std::int16_t> pieces, buffer(1000);
    for (std::uint32_t at = 0; at < tone.size; at += 333) {
        decoder.Feed(tone.data + at, std::min<std::uint32_t>(333, tone.size - at));
        size_t count = 0;
        while (decoder.Decode(buffer.data(), buffer.size(), count) ==
               audio::Mp3Decoder::Status::Output)
            pieces.insert(pieces.end(), buffer.begin(),
                          buffer.begin() + static_cast<std::ptrdiff_t>(count));
    }
    EXPECT_EQ(pieces, whole);

    // Nothing decodable: no samples and no format.
    std::vector<std::int16_t> none;
    EXPECT_FALSE(audio::DecodeMp3("just some text here", 19, none, rate, channels));
    EXPECT_TRUE(none.empty());
}

}  // namespace
