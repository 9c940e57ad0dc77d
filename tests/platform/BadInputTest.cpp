// The picture decoders given empty and cut-short bytes: an empty image or the
// whole picture, never a partial size, never a crash.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/decode/ImageDecode.h"
#include "tests/toolkit/host/HostTestSupport.h"
#include "tests/support/CutPoints.h"

namespace {

constexpr int kW = 20, kH = 14;

Gdiplus::ARGB Pattern(int x, int y) {
    return 0xFF000000u | (static_cast<Gdiplus::ARGB>(x * 12) << 16) |
           (static_cast<Gdiplus::ARGB>(y * 17) << 8) | 0x80;
}

std::string Encoded(const wchar_t* mime) {
    UniqueGpBitmap bitmap;
    gp::GdipCreateBitmapFromScan0(kW, kH, 0, PixelFormat32bppARGB, nullptr, bitmap.put());
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) gp::GdipBitmapSetPixel(bitmap.get(), x, y, Pattern(x, y));
    return hosttest::Encode(bitmap.get(), mime);
}

std::string Gif() {
    const std::vector<unsigned char> gif =
        hosttest::MakeGif(kW, kH, {0xFF0000, 0x00FF00, 0x0000FF}, {5, 5, 5});
    return std::string(gif.begin(), gif.end());
}

TEST(BadPictureData, EveryDecoderGivesNothingOrTheWholePictureForCutBytes) {
    const struct {
        const char* name;
        std::string bytes;
        decode::Image (*decoder)(const void*, std::size_t);
    } samples[] = {
        {"png", Encoded(L"image/png"), decode::DecodePng},
        {"jpeg", Encoded(L"image/jpeg"), decode::DecodeJpeg},
        {"gif", Gif(), decode::DecodeWithSystem},
        {"bmp", Encoded(L"image/bmp"), decode::DecodeWithSystem},
    };
    for (const auto& sample : samples) {
        ASSERT_GT(sample.bytes.size(), 40u) << sample.name;
        const decode::Image whole = decode::DecodeImage(sample.bytes.data(), sample.bytes.size());
        ASSERT_FALSE(whole.Empty()) << sample.name;
        const size_t n = sample.bytes.size();
        for (size_t cut : CutPoints(n)) {
            for (auto decoder : {sample.decoder, decode::DecodeImage}) {
                const decode::Image image = decoder(sample.bytes.data(), cut);
                if (image.Empty()) continue;
                EXPECT_EQ(image.width, kW) << sample.name << " cut at " << cut;
                EXPECT_EQ(image.height, kH) << sample.name << " cut at " << cut;
                for (const decode::Frame& frame : image.frames)
                    EXPECT_EQ(frame.pixels.size(), static_cast<size_t>(kW * kH))
                        << sample.name << " cut at " << cut;
            }
        }
    }
    // No bytes at all, through every door.
    for (auto decoder :
         {decode::DecodePng, decode::DecodeJpeg, decode::DecodeWithSystem, decode::DecodeImage}) {
        EXPECT_TRUE(decoder(nullptr, 0).Empty());
        EXPECT_TRUE(decoder("", 0).Empty());
    }
}

}  // namespace
