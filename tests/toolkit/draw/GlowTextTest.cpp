// The glow text on real GDI+ bitmaps: which halo colour, how far the halo
// reaches for each style, and rectangles that must not reach GDI+ at all.
#include "toolkit/draw/GlowText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "Canvas.h"
#include "toolkit/core/Toolkit.h"

namespace {

constexpr int kW = 140, kH = 44;
const RectF kBox(12, 10, 110, 26);

class GlowTextTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!DefaultFont) StartToolkit();
        font = CreateFontByName("Tahoma", 20.0f, 1);
    }
    static void TearDownTestSuite() {
        if (font) gp::GdipDeleteFont(font);
        font = nullptr;
    }

    // The canvas after drawing "HMH" with the given colour and style.
    static TestCanvas Draw(Gdiplus::ARGB colour, int style,
                           std::optional<Gdiplus::ARGB> halo = std::nullopt,
                           const RectF& box = kBox) {
        TestCanvas canvas(kW, kH);
        canvas.Clear(0);
        DrawGlowText(canvas.g(), box, L"HMH", font, colour, nullptr, style, halo);
        return canvas;
    }

    static GpFont* font;
};
GpFont* GlowTextTest::font = nullptr;

// Pixels with alpha above `minAlpha`, row by row.
std::vector<bool> Inked(const TestCanvas& canvas, int minAlpha) {
    std::vector<bool> mask(kW * kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) mask[y * kW + x] = canvas.Alpha(x, y) > minAlpha;
    return mask;
}

// How far (in pixels, largest of |dx| and |dy|) the ink of `drawn` reaches
// beyond the ink of the bare text.
int Reach(const std::vector<bool>& text, const std::vector<bool>& drawn) {
    int reach = 0;
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            if (!drawn[y * kW + x] || text[y * kW + x]) continue;
            int nearest = 99;
            for (int dy = -8; dy <= 8; ++dy)
                for (int dx = -8; dx <= 8; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= kW || ny >= kH || !text[ny * kW + nx]) continue;
                    nearest = std::min(nearest, std::max(std::abs(dx), std::abs(dy)));
                }
            reach = std::max(reach, nearest);
        }
    }
    return reach;
}

// Halo pixels: inked now, outside every pixel the bare text touches.
struct HaloColours {
    int count = 0, light = 0, dark = 0, red = 0;
};
HaloColours HaloOf(const TestCanvas& canvas, const std::vector<bool>& text) {
    HaloColours h;
    for (int y = 1; y < kH - 1; ++y)
        for (int x = 1; x < kW - 1; ++x) {
            if (canvas.Alpha(x, y) < 12) continue;
            if (text[y * kW + x]) continue;
            ++h.count;
            const int r = canvas.Red(x, y), g = canvas.Green(x, y), b = canvas.Blue(x, y);
            h.light += r > 200 && g > 200 && b > 200;
            h.dark += r < 60 && g < 60 && b < 60;
            h.red += r > 200 && g < 60 && b < 60;
        }
    return h;
}

TEST(GlowHalo, DefaultColourFollowsTheTextBrightness) {
    EXPECT_EQ(DefaultHaloColour(0xFF000000), 0x55FFFFFFu);  // black text: white at 85
    EXPECT_EQ(DefaultHaloColour(0xD2800000), 0x55FFFFFFu);  // dark red
    EXPECT_EQ(DefaultHaloColour(0xFFFFFFFF), 0x4B000000u);  // white text: black at 75
    EXPECT_EQ(DefaultHaloColour(0xFFBFBFBF), 0x55FFFFFFu);  // brightness 191
    EXPECT_EQ(DefaultHaloColour(0xFFC0C0C0), 0x4B000000u);  // brightness 192
    // Alpha plays no part.
    EXPECT_EQ(DefaultHaloColour(0x00FFFFFF), 0x4B000000u);
}

TEST_F(GlowTextTest, BlackTextGetsAWhiteHaloAndWhiteTextABlackOne) {
    ASSERT_NE(font, nullptr);
    const std::vector<bool> text = Inked(Draw(0xFF000000, 0), 0);
    const HaloColours aroundBlack = HaloOf(Draw(0xFF000000, 4), text);
    ASSERT_GT(aroundBlack.count, 20);
    EXPECT_EQ(aroundBlack.light, aroundBlack.count);
    EXPECT_EQ(aroundBlack.dark, 0);

    const HaloColours aroundWhite = HaloOf(Draw(0xFFFFFFFF, 4), text);
    ASSERT_GT(aroundWhite.count, 20);
    EXPECT_EQ(aroundWhite.dark, aroundWhite.count);
    EXPECT_EQ(aroundWhite.light, 0);

    // A given colour wins over the default.
    const HaloColours red = HaloOf(Draw(0xFF000000, 4, 0xFFFF0000), text);
    ASSERT_GT(red.count, 20);
    EXPECT_EQ(red.red, red.count);
}

TEST_F(GlowTextTest, OutlineIsSharpBlurSpreadsAndOtherStylesDrawNoHalo) {
    ASSERT_NE(font, nullptr);
    const TestCanvas bare = Draw(0xFF000000, 0);
    const std::vector<bool> text = Inked(bare, 0);
    int textPixels = 0;
    for (bool b : text) textPixels += b;
    ASSERT_GT(textPixels, 50);

    // Styles 1, 2 and unknown ones draw exactly the bare text.
    for (int style : {1, 2, 5, -1}) {
        const TestCanvas plain = Draw(0xFF000000, style);
        int differing = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) differing += plain.At(x, y) != bare.At(x, y);
        EXPECT_EQ(differing, 0) << "style " << style;
    }

    // Style 4 thickens by one pixel (two with anti-aliasing at the rim).
    const int outline = Reach(text, Inked(Draw(0xFF000000, 4), 8));
    EXPECT_GE(outline, 1);
    EXPECT_LE(outline, 2);
    // Style 3 blurs at one third resolution: it reaches clearly further.
    const int glow = Reach(text, Inked(Draw(0xFF000000, 3), 0));
    EXPECT_GE(glow, 3);
    EXPECT_LE(glow, 8);
}

TEST_F(GlowTextTest, RectanglesWithoutPixelsDrawNoHalo) {
    ASSERT_NE(font, nullptr);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const RectF& box : {RectF(12, 10, -9, -9), RectF(12, 10, nan, 26),
                             RectF(12, 10, 1e30f, 26), RectF(12, 10, 110, 1e30f)}) {
        const TestCanvas canvas = Draw(0xFF000000, 3, 0xFFFF0000, box);
        int red = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) red += canvas.Red(x, y) > 200 && canvas.Alpha(x, y) > 12;
        EXPECT_EQ(red, 0) << box.Width << " x " << box.Height;
    }
    // An empty text draws nothing at all.
    TestCanvas canvas(kW, kH);
    canvas.Clear(0);
    DrawGlowText(canvas.g(), kBox, L"", font, 0xFF000000, nullptr, 3);
    DrawGlowText(nullptr, kBox, L"HMH", font, 0xFF000000, nullptr, 3);
    DrawGlowText(canvas.g(), kBox, L"HMH", nullptr, 0xFF000000, nullptr, 3);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) ASSERT_EQ(canvas.Alpha(x, y), 0);
}

}  // namespace
