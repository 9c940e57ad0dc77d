// The picture decoders and the MP3 decoder of the platform layer.
#include <windows.h>
#include <gtest/gtest.h>

#include <vector>

#include <png.h>

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
