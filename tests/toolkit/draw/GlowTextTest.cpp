// The glow text on real GDI+ bitmaps: the halo's colour, how far each style
// reaches, and rectangles that must never reach GDI+ as halo bitmaps.
#include "toolkit/draw/GlowText.h"

#include <gtest/gtest.h>

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
    static void TearDownTestSuite() { gp::GdipDeleteFont(font); }

    static TestCanvas Draw(Gdiplus::ARGB colour, int style,
                           std::optional<Gdiplus::ARGB> halo = std::nullopt,
                           const RectF& box = kBox) {
        TestCanvas canvas(kW, kH);
        canvas.Clear(0);
        DrawGlowText(canvas.g(), box, L"HMH", font, colour, nullptr, style, halo);
        return canvas;
    }
    static std::vector<bool> Ink(const TestCanvas& canvas, int minAlpha) {
        std::vector<bool> mask(kW * kH);
        for (int i = 0; i < kW * kH; ++i) mask[i] = canvas.Alpha(i % kW, i / kW) > minAlpha;
        return mask;
    }

    static inline GpFont* font = nullptr;
};

// How far (largest of |dx|, |dy|) the ink of `drawn` reaches beyond `text`.
int Reach(const std::vector<bool>& text, const std::vector<bool>& drawn) {
    int reach = 0;
    for (int i = 0; i < kW * kH; ++i) {
        if (!drawn[i] || text[i]) continue;
        int nearest = 99;
        for (int j = 0; j < kW * kH; ++j)
            if (text[j])
                nearest = std::min(nearest,
                                   std::max(std::abs(j % kW - i % kW), std::abs(j / kW - i / kW)));
        reach = std::max(reach, nearest);
    }
    return reach;
}

TEST(GlowHalo, DefaultColourFollowsTheTextBrightness) {
    EXPECT_EQ(DefaultHaloColour(0xFF000000), 0x55FFFFFFu);  // black text: white at 85
    EXPECT_EQ(DefaultHaloColour(0xFFBFBFBF), 0x55FFFFFFu);  // brightness 191
    EXPECT_EQ(DefaultHaloColour(0xFFC0C0C0), 0x4B000000u);  // 192: black at 75
    EXPECT_EQ(DefaultHaloColour(0x00FFFFFF), 0x4B000000u);  // alpha plays no part
}

TEST_F(GlowTextTest, BlackTextGetsAWhiteHaloWhiteTextABlackOneAGivenColourWins) {
    const std::vector<bool> text = Ink(Draw(0xFF000000, 0), 0);
    struct Case {
        Gdiplus::ARGB text;
        std::optional<Gdiplus::ARGB> halo;
        int r, g, b;
    };
    for (const Case& c :
         {Case{0xFF000000, std::nullopt, 255, 255, 255}, Case{0xFFFFFFFF, std::nullopt, 0, 0, 0},
          Case{0xFF000000, 0xFFFF0000, 255, 0, 0}}) {
        const TestCanvas canvas = Draw(c.text, 4, c.halo);
        int halo = 0, wrong = 0;
        for (int i = 0; i < kW * kH; ++i) {
            const int x = i % kW, y = i / kW;
            if (text[i] || canvas.Alpha(x, y) < 12) continue;  // the text's own pixels
            ++halo;
            wrong += std::abs(canvas.Red(x, y) - c.r) > 50 ||
                     std::abs(canvas.Green(x, y) - c.g) > 50 ||
                     std::abs(canvas.Blue(x, y) - c.b) > 50;
        }
        EXPECT_GT(halo, 20) << std::hex << c.text;
        EXPECT_EQ(wrong, 0) << std::hex << c.text;
    }
}

TEST_F(GlowTextTest, OutlineIsSharpBlurSpreadsOtherStylesDrawNoHalo) {
    const TestCanvas bare = Draw(0xFF000000, 0);
    const std::vector<bool> text = Ink(bare, 0);
    for (int style : {1, 2, 5, -1})
        EXPECT_EQ(Ink(Draw(0xFF000000, style), 0), text) << "style " << style;
    const int outline = Reach(text, Ink(Draw(0xFF000000, 4), 8));
    EXPECT_GE(outline, 1);
    EXPECT_LE(outline, 2);  // one pixel, two with the anti-aliased rim
    const int glow = Reach(text, Ink(Draw(0xFF000000, 3), 0));
    EXPECT_GE(glow, 3);  // blurred at one third resolution
    EXPECT_LE(glow, 8);
}

TEST_F(GlowTextTest, RectanglesWithoutSensiblePixelsGetNoHalo) {
    auto redPixels = [](const RectF& box) {
        const TestCanvas canvas = Draw(0xFF000000, 3, 0xFFFF0000, box);
        int red = 0;
        for (int i = 0; i < kW * kH; ++i)
            red += canvas.Red(i % kW, i / kW) > 200 && canvas.Alpha(i % kW, i / kW) > 12;
        return red;
    };
    EXPECT_GT(redPixels(kBox), 20) << "a sensible box gets its red halo";
    // Just past the largest halo bitmap: GDI+ would still make this one, so
    // only the limit keeps it (and the gigabyte ones beyond) away.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const RectF& box :
         {RectF(12, 10, 16400, 26), RectF(12, 10, 110, 16400), RectF(12, 10, -9, -9),
          RectF(12, 10, nan, 26), RectF(12, 10, 1e30f, 26), RectF(12, 10, 110, 1e30f)})
        EXPECT_EQ(redPixels(box), 0) << box.Width << " x " << box.Height;
}

}  // namespace
