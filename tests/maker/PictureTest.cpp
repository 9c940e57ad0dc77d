// Photographs fitted by the maker, checked on the decoded result: upright for
// every EXIF orientation in both byte orders, averaged rather than aliased
// when shrunk, never pure white for the big rose, and refused from the header
// when absurdly large.
#include <gtest/gtest.h>

#include <algorithm>

#include "maker/Photo.h"
#include "maker/Resample.h"
#include "platform/decode/ImageDecode.h"
#include "tests/maker/MakerTestSupport.h"

using namespace makertest;

namespace {

constexpr std::uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF,
                        kBlack = 0xFF000000;

// The upright picture: red, green / blue, black quadrants.
std::uint32_t Quadrant(bool right, bool bottom) {
    return bottom ? (right ? kBlack : kBlue) : (right ? kGreen : kRed);
}

// The stored form of an upright w x h picture under EXIF orientation o, from
// the tag's definition: where the stored first row and first column lie.
Pixels Stored(int w, int h, int o) {
    const bool swap = o >= 5;
    const int sw = swap ? h : w, sh = swap ? w : h;
    return Paint(sw, sh, [&](int sx, int sy) {
        // Position along the stored row / column as a fraction of the upright picture.
        const bool rowFromEnd =
            o == 3 || o == 4 || o == 7 || o == 8;  // first row at bottom / right
        const bool colFromEnd =
            o == 2 || o == 3 || o == 6 || o == 7;  // first column at right / bottom
        int ux, uy;
        if (!swap) {
            ux = colFromEnd ? sw - 1 - sx : sx;
            uy = rowFromEnd ? sh - 1 - sy : sy;
        } else {
            // Stored rows run down the upright columns.
            ux = (o == 6 || o == 7) ? w - 1 - sy : sy;
            uy = (o == 7 || o == 8) ? h - 1 - sx : sx;
        }
        return Quadrant(ux >= w / 2, uy >= h / 2);
    });
}

int Distance(std::uint32_t a, std::uint32_t b) {
    int d = 0;
    for (int shift : {0, 8, 16})
        d = std::max(d, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
    return d;
}

}  // namespace

TEST(Photo, EveryExifOrientationInBothByteOrdersComesOutUpright) {
    const maker::Role& role = maker::kRoles[0];  // start background, 1024 x 724
    for (int o = 1; o <= 8; ++o) {
        for (bool bigEndian : {false, true}) {
            // Twice the size for one case: the decoder then halves it while decoding.
            const int scale = o == 6 && bigEndian ? 2 : 1;
            SCOPED_TRACE(testing::Message() << "orientation " << o << (bigEndian ? " MM" : " II"));
            const std::string file =
                JpegWithOrientation(Stored(1024 * scale, 724 * scale, o), o, bigEndian);
            const maker::Taken taken = maker::TakePhoto(file, role, L"p.jpg", false);
            ASSERT_FALSE(taken.bytes.empty());
            const decode::Image out = decode::DecodeJpeg(taken.bytes.data(), taken.bytes.size());
            ASSERT_EQ(out.width, 1024);
            ASSERT_EQ(out.height, 724);
            const auto& px = out.frames[0].pixels;
            for (bool right : {false, true})
                for (bool bottom : {false, true}) {
                    const int x = right ? 768 : 256, y = bottom ? 543 : 181;
                    EXPECT_LE(Distance(px[static_cast<std::size_t>(y) * 1024 + x],
                                       Quadrant(right, bottom)),
                              8)
                        << "at " << x << "," << y;
                }
        }
    }
}

TEST(Photo, ShrinkingAveragesFinePatternsInsteadOfAliasing) {
    // One-pixel checks and three-pixel stripes on a 12-megapixel picture. A
    // sampling filter gives black, white or bands of either; averaging gives
    // the pattern's mean everywhere, within the beat of a 3.94-pixel box
    // against a 3-pixel period for the stripes.
    struct Pattern {
        std::function<std::uint32_t(int, int)> colour;
        double mean;
        int spread;
    };
    const Pattern patterns[] = {
        {[](int x, int y) { return ((x + y) & 1) ? 0xFFFFFFFFu : kBlack; }, 127.5, 3},
        {[](int x, int) { return x % 3 == 0 ? 0xFFFFFFFFu : kBlack; }, 85, 45},
    };
    for (const Pattern& p : patterns) {
        const Pixels fitted = maker::FitCover(Paint(4032, 3024, p.colour), 1, 1024, 724);
        ASSERT_EQ(fitted.data.size(), 1024u * 724u);
        double sum = 0;
        int lowest = 255, highest = 0;
        for (std::uint32_t c : fitted.data) {
            sum += c & 0xFF;
            lowest = std::min(lowest, int(c & 0xFF));
            highest = std::max(highest, int(c & 0xFF));
        }
        EXPECT_NEAR(sum / static_cast<double>(fitted.data.size()), p.mean, 1.5);
        EXPECT_GE(lowest, p.mean - p.spread);
        EXPECT_LE(highest, p.mean + p.spread);
    }
}

TEST(Photo, TheBigRoseKeepsNoPureWhiteAndAbsurdHeadersAreRefusedUnread) {
    const maker::Role* rose = nullptr;
    for (const maker::Role& r : maker::kRoles)
        if (r.stem == L"big_rose") rose = &r;
    ASSERT_NE(rose, nullptr);
    // Mostly pure white with a red rose in the middle.
    const std::string photo = Png(
        Paint(900, 700,
              [](int x, int y) {
                  return (x - 450) * (x - 450) + (y - 350) * (y - 350) < 200 * 200 ? kRed
                                                                                   : 0xFFFFFFFFu;
              }),
        false);
    const maker::Taken taken = maker::TakePhoto(photo, *rose, L"big_rose.png", true);
    const decode::Image out = decode::DecodeJpeg(taken.bytes.data(), taken.bytes.size());
    ASSERT_FALSE(out.Empty());
    const auto white = std::count_if(out.frames[0].pixels.begin(), out.frames[0].pixels.end(),
                                     [](std::uint32_t p) { return (p & 0xFFFFFF) == 0xFFFFFF; });
    EXPECT_EQ(white, 0);
    EXPECT_GE(out.frames[0].pixels[10] & 0xFF, 240u);  // still white to the eye

    // Headers claiming more than 20000 a side or 100 megapixels, with no pixel
    // data behind them: refused by size, not by a failed decode.
    std::string bmp(54, '\0');
    bmp[0] = 'B', bmp[1] = 'M', bmp[14] = 40;
    const std::uint32_t side = 30000;
    std::memcpy(&bmp[18], &side, 4);
    std::memcpy(&bmp[22], &side, 4);
    std::string jpeg = maker::EncodeJpeg(Paint(8, 8, [](int, int) { return kBlack; }));
    const std::size_t sof = jpeg.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    jpeg[sof + 5] = char(30000 >> 8), jpeg[sof + 6] = char(30000 & 0xFF);
    jpeg[sof + 7] = char(30000 >> 8), jpeg[sof + 8] = char(30000 & 0xFF);
    for (const std::string& file :
         {PngHeaderOnly(30000, 30000), PngHeaderOnly(12000, 9000), bmp, jpeg}) {
        const maker::Taken refused = maker::TakePhoto(file, maker::kRoles[0], L"x", false);
        EXPECT_TRUE(refused.bytes.empty());
        EXPECT_NE(refused.line.find(L"太大"), std::wstring::npos) << refused.line;
    }
}
