#include "toolkit/draw/Shapes.h"

#include <gtest/gtest.h>

#include "Canvas.h"

namespace {

const Gdiplus::ARGB kRed = 0xFFFF0000;
const COLORREF kRedColour = RGB(255, 0, 0);

TEST(Colour, ToArgbNeverGivesFullAlpha) {
    EXPECT_EQ(ToArgb(RGB(0x11, 0x22, 0x33)), 0xFE112233u);
    EXPECT_EQ(ToArgb(RGB(0x11, 0x22, 0x33), 255), 0xFE112233u);
    EXPECT_EQ(ToArgb(0x000080, 210), 0xD2800000u);
    EXPECT_EQ(ToArgb(0xFFFFFF, 0), 0x00FFFFFFu);
    EXPECT_EQ(ToArgb(0, 300), 0xFE000000u);  // clamped, then stored as 254
    EXPECT_EQ(ArgbToColour(0xD2800000u), static_cast<COLORREF>(0x000080));
}

TEST(Colour, AlphaMatrixScalesOnlyAlpha) {
    TestCanvas canvas(4, 4);
    UniqueGpBitmap picture = MakePicture(4, 4, [](int, int) { return 0xFF20A040; });
    UniqueGpImageAttributes attributes = AlphaAttributes(51);
    gp::GdipDrawImageRectRect(canvas.g(), picture.get(), 0, 0, 4, 4, 0, 0, 4, 4, Gdiplus::UnitPixel,
                              attributes.get(), nullptr, nullptr);
    EXPECT_NEAR(canvas.Alpha(2, 2), 51, 1);
    EXPECT_NEAR(canvas.Green(2, 2), 0xA0, 2);
    Gdiplus::ColorMatrix m = AlphaMatrix(51);
    EXPECT_FLOAT_EQ(m.m[3][3], 0.2f);
    EXPECT_FLOAT_EQ(m.m[4][4], 1.0f);
    EXPECT_FLOAT_EQ(m.m[3][0], 0.0f);
}

// A band of `fade` pixels at the right: untouched before it, rising to the
// colour across it.
void ExpectRightBand(int width, int fade) {
    TestCanvas canvas(width + 10, 20);
    EdgeFade(canvas.g(), RectF(0, 0, static_cast<float>(width), 20), kRedColour, std::nullopt,
             false, false, false, true);
    const int start = width - fade;
    EXPECT_EQ(canvas.Alpha(start - 3, 10), 0) << "width " << width;
    EXPECT_NEAR(canvas.Alpha(start + fade / 2, 10), 127, 20) << "width " << width;
    EXPECT_GT(canvas.Alpha(width - 1, 10), 230) << "width " << width;
    EXPECT_EQ(canvas.Red(width - 1, 10), 255);
    EXPECT_EQ(canvas.Alpha(width + 3, 10), 0) << "nothing past the rectangle";
}

TEST(EdgeFade, BandIsFadeSizeOrHalfTheRectangle) {
    ExpectRightBand(150, 100);
    ExpectRightBand(60, 30);
}

TEST(EdgeFade, BandsRunFromTheEdgeInwards) {
    TestCanvas canvas(120, 120);
    EdgeFade(canvas.g(), RectF(0, 0, 120, 120), kRedColour, 20.0f, true, true, false, false);
    EXPECT_GT(canvas.Alpha(60, 0), 230) << "top edge is solid";
    EXPECT_GT(canvas.Alpha(0, 60), 230) << "left edge is solid";
    EXPECT_EQ(canvas.Alpha(60, 60), 0) << "the middle stays clear";
    EXPECT_EQ(canvas.Alpha(60, 110), 0) << "bottom not asked for";

    TestCanvas bottom(40, 120);
    EdgeFade(bottom.g(), RectF(0, 0, 40, 120), kRedColour, 20.0f, false, false, true, false);
    EXPECT_GE(bottom.Alpha(20, 119), 220);
    EXPECT_EQ(bottom.Alpha(20, 95), 0);
}

TEST(RoundedPath, CornerSizeOneIsARectangleOnePixelSmaller) {
    TestCanvas rounded(12, 12), plain(12, 12);
    FillRoundedPath(rounded.g(), RectF(0, 0, 10, 10), 1, kRed);
    gp::GdipFillRectangle(plain.g(), MakeSolidBrush(kRed).get(), 0, 0, 9, 9);
    EXPECT_EQ(plain.At(8, 8), kRed);
    EXPECT_EQ(plain.Alpha(9, 8), 0);
    // Pixel for pixel the 9 x 9 rectangle; a one-pixel arc may nick its corner.
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            if (x + y > 0) {
                ASSERT_EQ(rounded.At(x, y), plain.At(x, y)) << x << "," << y;
            }
        }
}

TEST(RoundedPath, ClipKeepsTheCornersClear) {
    TestCanvas canvas(40, 40);
    UniqueGpPath path = RoundedPath(RectF(0, 0, 40, 40), 16);
    ClipPath(canvas.g(), path.get());
    canvas.Clear(kRed);
    EXPECT_EQ(canvas.Alpha(0, 0), 0);
    EXPECT_EQ(canvas.Alpha(38, 38), 0);
    EXPECT_EQ(canvas.At(20, 20), kRed);
    EXPECT_EQ(canvas.At(20, 0), kRed);

    ResetClip(canvas.g());
    canvas.Clear(0xFF00FF00);
    EXPECT_EQ(canvas.At(0, 0), 0xFF00FF00u) << "the clip is gone";
    canvas.Clear(0);
    ClipRect(canvas.g(), RectF(0, 0, 5, 5));
    ClipRect(canvas.g(), RectF(2, 2, 10, 10), Gdiplus::CombineModeIntersect);
    canvas.Clear(0xFF0000FF);
    EXPECT_EQ(canvas.At(3, 3), 0xFF0000FFu);
    EXPECT_EQ(canvas.At(1, 1), 0u) << "outside the intersection";
    EXPECT_EQ(canvas.At(6, 6), 0u) << "outside the intersection";
}

TEST(GradientFill, RunsTopToBottomAndLeavesTheLastColumn) {
    TestCanvas canvas(12, 100);
    GradientFill(canvas.g(), RectF(0, 0, 10, 100), 0xFFFF0000, 0xFF0000FF);
    EXPECT_GT(canvas.Red(5, 1), 240);
    EXPECT_GT(canvas.Blue(5, 97), 240);
    EXPECT_NEAR(canvas.Red(5, 50), 127, 20);
    EXPECT_EQ(canvas.Alpha(9, 50), 0) << "filled (x, y, w - 1, h - 1)";
}

TEST(RectOutline, StylesAndColours) {
    const RectF box(2, 2, 10, 10);  // outline rectangle (2, 2)-(11, 11)
    {
        TestCanvas canvas(16, 16);
        RectOutline(canvas.g(), box, kOutlineNone);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) ASSERT_EQ(canvas.At(x, y), 0u);
    }
    {
        TestCanvas canvas(16, 16);
        RectOutline(canvas.g(), box, kOutlineGrey);
        EXPECT_EQ(canvas.At(2, 6), 0xFE646464u);
        EXPECT_EQ(canvas.At(11, 6), 0xFE646464u);
        EXPECT_EQ(canvas.At(6, 11), 0xFE646464u);
        EXPECT_EQ(canvas.At(12, 6), 0u);
        EXPECT_EQ(canvas.At(6, 6), 0u);
    }
    {
        TestCanvas canvas(16, 16);  // a value outside 0..4 is the colour itself
        RectOutline(canvas.g(), box, 0xFF00FF00u);
        EXPECT_EQ(canvas.At(2, 2), 0xFF00FF00u);
        EXPECT_EQ(canvas.At(11, 11), 0xFF00FF00u);
    }
    {
        TestCanvas canvas(16, 16);
        RectOutline(canvas.g(), box, kOutlineGrey, 0xFF0000FFu);
        EXPECT_EQ(canvas.At(2, 6), 0xFF0000FFu);
    }
    {
        TestCanvas canvas(16, 16);  // sunken: dark top and left, light bottom and right
        RectOutline(canvas.g(), box, kOutlineSunken);
        EXPECT_EQ(canvas.At(6, 2), 0xA0000000u);
        EXPECT_EQ(canvas.At(2, 6), 0xA0000000u);
        EXPECT_EQ(canvas.Red(6, 11), 255);
        EXPECT_EQ(canvas.Red(11, 6), 255);
    }
    {
        TestCanvas canvas(16, 16);  // raised: the other way round
        RectOutline(canvas.g(), box, kOutlineRaised);
        EXPECT_EQ(canvas.Red(6, 2), 255);
        EXPECT_EQ(canvas.At(6, 11), 0xA8000000u);
        EXPECT_EQ(canvas.At(11, 6), 0xA8000000u);
    }
    {
        TestCanvas canvas(40, 8);  // dashed: gaps along the edge
        RectOutline(canvas.g(), RectF(0, 0, 40, 8), kOutlineDashed);
        int set = 0;
        for (int x = 0; x < 39; ++x) set += canvas.Alpha(x, 0) != 0;
        EXPECT_GT(set, 10);
        EXPECT_LT(set, 39);
        EXPECT_EQ(canvas.At(1, 0), 0x78000000u);
    }
}

TEST(FrameShadow, StaysOutsideTheFrameAndFadesOutwards) {
    for (bool rounded : {false, true}) {
        SCOPED_TRACE(rounded ? "rounded" : "square");
        TestCanvas canvas(100, 100);
        const RectF frame(5, 5, 90, 90);  // the window's body: pixels 5..94
        FrameShadow(canvas.g(), frame, rounded, 0);
        // Away from the corners, where the rings bend inwards, nothing lands in F.
        for (int y = 5; y < 95; ++y)
            for (int x = 5; x < 95; ++x) {
                const bool corner = (x < 15 || x > 84) && (y < 15 || y > 84);
                if (!corner) {
                    ASSERT_EQ(canvas.Alpha(x, y), 0) << x << "," << y;
                }
            }
        EXPECT_EQ(canvas.At(4, 50), 0x37000000u);  // rings at alpha 55, 25, 10
        EXPECT_EQ(canvas.At(3, 50), 0x19000000u);
        EXPECT_EQ(canvas.At(2, 50), 0x0A000000u);
        EXPECT_EQ(canvas.At(1, 50), 0u);
        EXPECT_EQ(canvas.At(50, 95), 0x4B000000u);  // the line under the frame, alpha 75
    }
}

LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND MakePopup(int w, int h) {
    static const bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = PlainProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "ShapesTestWindow";
        return RegisterClassA(&wc) != 0;
    }();
    (void)registered;
    return CreateWindowExA(0, "ShapesTestWindow", "", WS_POPUP, 0, 0, w, h, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

TEST(SetRoundRegion, ShapesTheWindowInsideItsMargin) {
    UniqueWindow window(MakePopup(100, 80));
    ASSERT_TRUE(window);
    ASSERT_TRUE(SetRoundRegion(window.get(), 100, 80, 5, 0));
    UniqueRegion copy(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(window.get(), copy.get()), ERROR);
    EXPECT_TRUE(PtInRegion(copy.get(), 5, 5));
    EXPECT_TRUE(PtInRegion(copy.get(), 94, 74));
    EXPECT_FALSE(PtInRegion(copy.get(), 4, 40));
    EXPECT_FALSE(PtInRegion(copy.get(), 50, 4));

    // Rounded corners cut the corner pixel; replacing the region is safe.
    ASSERT_TRUE(SetRoundRegion(window.get(), 100, 80, 5, 5));
    ASSERT_NE(GetWindowRgn(window.get(), copy.get()), ERROR);
    EXPECT_FALSE(PtInRegion(copy.get(), 5, 5));
    EXPECT_TRUE(PtInRegion(copy.get(), 50, 5));
}

}  // namespace
