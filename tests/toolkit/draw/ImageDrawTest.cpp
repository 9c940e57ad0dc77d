#include "toolkit/draw/ImageDraw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "Canvas.h"
#include "platform/Handle.h"
#include "toolkit/draw/Shapes.h"
#include "platform/ProcessStats.h"

namespace {

const Gdiplus::ARGB kRed = 0xFFFF0000;
const Gdiplus::ARGB kGreen = 0xFF00FF00;
const Gdiplus::ARGB kBlue = 0xFF0000FF;
const Gdiplus::ARGB kWhite = 0xFFFFFFFF;

GpImage* Img(const UniqueGpBitmap& bitmap) {
    return bitmap.get();
}

TEST(DrawImageNatural, OwnSizeAndCentredPlacement) {
    // Column 0 red, the rest blue: shows where the picture's left edge lands.
    UniqueGpBitmap picture = MakePicture(101, 10, [](int x, int) { return x == 0 ? kRed : kBlue; });
    {
        TestCanvas canvas(120, 20);
        DrawImageNatural(canvas.g(), Img(picture), RectF(0, 0, 100, 10), true);
        // -0.5 rounds to even: the picture starts at 0, not at -1.
        EXPECT_EQ(canvas.At(0, 5), kRed);
        EXPECT_EQ(canvas.At(100, 5), kBlue);
        EXPECT_EQ(canvas.Alpha(101, 5), 0);
    }
    {
        TestCanvas canvas(140, 20);
        DrawImageNatural(canvas.g(), Img(picture), RectF(5, 2, 3, 3));  // never stretched
        EXPECT_EQ(canvas.At(5, 6), kRed);
        EXPECT_EQ(canvas.At(105, 11), kBlue);
        EXPECT_EQ(canvas.Alpha(4, 6), 0);
    }
    {
        TestCanvas canvas(40, 40);  // a small picture centred in a large box
        UniqueGpBitmap small = MakePicture(10, 10, [](int, int) { return kGreen; });
        DrawImageNatural(canvas.g(), Img(small), RectF(0, 0, 40, 40), true);
        EXPECT_EQ(canvas.At(15, 15), kGreen);
        EXPECT_EQ(canvas.At(24, 24), kGreen);
        EXPECT_EQ(canvas.Alpha(14, 20), 0);
        EXPECT_EQ(canvas.Alpha(25, 20), 0);
    }
}

TEST(DrawImageAlpha, OpacityScalesTheSurface) {
    UniqueGpBitmap surface = MakePicture(20, 10, [](int, int) { return kRed; });
    const RectF rect(5, 5, 20, 10);
    TestCanvas plain(30, 20), half(30, 20), none(30, 20), almost(30, 20);
    DrawImageAlpha(plain.g(), Img(surface), rect, 255);
    DrawImageAlpha(half.g(), Img(surface), rect, 128);
    DrawImageAlpha(almost.g(), Img(surface), rect, 254);
    DrawImageAlpha(none.g(), Img(surface), rect, 0);
    EXPECT_EQ(plain.At(10, 10), kRed);
    EXPECT_EQ(plain.At(24, 14), kRed);
    EXPECT_EQ(plain.Alpha(25, 10), 0);
    EXPECT_NEAR(half.Alpha(10, 10), 128, 1);
    EXPECT_EQ(half.Red(10, 10), 255);
    EXPECT_EQ(half.Alpha(25, 10), 0) << "a 1:1 copy, no stretching";
    EXPECT_NEAR(almost.Alpha(10, 10), 254, 1);
    EXPECT_EQ(none.At(10, 10), 0u);
}

// A 30 x 30 picture: red corners, green edges, blue centre, each 10 pixels.
UniqueGpBitmap NineGridPicture() {
    return MakePicture(30, 30, [](int x, int y) {
        const bool midX = x >= 10 && x < 20, midY = y >= 10 && y < 20;
        if (midX && midY) return kBlue;
        if (midX || midY) return kGreen;
        return kRed;
    });
}

TEST(DrawNineGrid, CornersKeepTheirSizeEdgesAndCentreStretch) {
    UniqueGpBitmap picture = NineGridPicture();
    TestCanvas canvas(100, 70);
    DrawNineGrid(canvas.g(), Img(picture), RectF(0, 0, 90, 60), RectF(10, 10, 10, 10));
    for (auto [x, y] : std::vector<std::pair<int, int>>{{2, 2}, {87, 2}, {2, 57}, {87, 57}})
        EXPECT_EQ(canvas.At(x, y), kRed) << x << "," << y;
    EXPECT_EQ(canvas.At(45, 4), kGreen);   // top edge stretched across
    EXPECT_EQ(canvas.At(45, 55), kGreen);  // bottom edge
    EXPECT_EQ(canvas.At(4, 30), kGreen);   // left edge stretched down
    EXPECT_EQ(canvas.At(85, 30), kGreen);  // right edge
    EXPECT_EQ(canvas.At(45, 30), kBlue);   // centre both ways
    EXPECT_EQ(canvas.At(15, 15), kBlue);
    EXPECT_EQ(canvas.Alpha(95, 30), 0);
}

TEST(DrawNineGrid, WholeImageCentreIsAPlainStretch) {
    UniqueGpBitmap picture = NineGridPicture();
    TestCanvas canvas(60, 60);
    DrawNineGrid(canvas.g(), Img(picture), RectF(0, 0, 60, 60), RectF(0, 0, 30, 30));
    // Zero margins: only the centre piece, i.e. the whole picture doubled.
    EXPECT_EQ(canvas.At(5, 5), kRed);
    EXPECT_EQ(canvas.At(30, 5), kGreen);
    EXPECT_EQ(canvas.At(30, 30), kBlue);
    EXPECT_EQ(canvas.At(55, 55), kRed);
}

TEST(DrawNineGrid, AlphaAppliesToEveryPiece) {
    UniqueGpBitmap picture = NineGridPicture();
    TestCanvas canvas(90, 60);
    DrawNineGrid(canvas.g(), Img(picture), RectF(0, 0, 90, 60), RectF(10, 10, 10, 10), 100);
    EXPECT_NEAR(canvas.Alpha(2, 2), 100, 1);
    EXPECT_NEAR(canvas.Alpha(45, 4), 100, 1);
    EXPECT_NEAR(canvas.Alpha(45, 30), 100, 1);
}

TEST(DrawImageAttr, SourceRectangleAndAttributes) {
    UniqueGpBitmap picture = NineGridPicture();
    TestCanvas canvas(40, 40);
    // Only the blue centre, stretched to 20 x 20.
    DrawImageAttr(canvas.g(), Img(picture), RectF(0, 0, 20, 20), RectF(10, 10, 10, 10), nullptr);
    EXPECT_EQ(canvas.At(10, 10), kBlue);
    EXPECT_EQ(canvas.At(1, 1), kBlue);
    UniqueGpImageAttributes half = AlphaAttributes(128);
    DrawImageAttr(canvas.g(), Img(picture), RectF(20, 20, 15, 15), std::nullopt, half.get());
    EXPECT_NEAR(canvas.Alpha(21, 21), 128, 1);
    EXPECT_EQ(canvas.Red(21, 21), 255);
}

TEST(DrawImageInFrame, BlendComposesOverTheFillBeforeTheTranslucency) {
    UniqueGpBitmap picture = MakePicture(50, 50, [](int, int) { return kWhite; });
    UniqueGpImageAttributes half = AlphaAttributes(128);
    const COLORREF fill = RGB(255, 0, 0);
    const RectF frame(0, 0, 200, 100);
    {
        TestCanvas canvas(210, 110);
        DrawImageInFrame(canvas.g(), Img(picture), frame, true, kFrameTopLeft, half.get(), fill);
        // The off-screen picture lands one pixel in.
        EXPECT_EQ(canvas.Alpha(0, 50), 0);
        EXPECT_NEAR(canvas.Alpha(150, 50), 128, 2);
        EXPECT_EQ(canvas.Red(150, 50), 255);
        EXPECT_LT(canvas.Green(150, 50), 5) << "the fill colour";
        EXPECT_GT(canvas.Green(6, 6), 250) << "the picture, before its faded edges";
        EXPECT_NEAR(canvas.Alpha(6, 6), 128, 2);
        EXPECT_LT(canvas.Green(50, 6), 40) << "the right edge fades into the fill";
    }
    {
        TestCanvas canvas(210, 110);
        DrawImageInFrame(canvas.g(), Img(picture), frame, true, kFrameCentre, half.get(), fill);
        EXPECT_GT(canvas.Green(101, 51), 200) << "centred, faded towards all edges";
        EXPECT_LT(canvas.Green(80, 51), 60);
        EXPECT_LT(canvas.Green(20, 20), 5);
    }
    {
        TestCanvas canvas(210, 110);  // without blending: the bare picture, no fill
        DrawImageInFrame(canvas.g(), Img(picture), frame, false, kFrameTopLeft, half.get(), fill);
        EXPECT_NEAR(canvas.Alpha(0, 0), 128, 2);
        EXPECT_EQ(canvas.Alpha(150, 50), 0);
    }
    {
        TestCanvas canvas(210, 110);
        DrawImageInFrame(canvas.g(), Img(picture), frame, true, kFrameStretch, half.get(), fill);
        EXPECT_NEAR(canvas.Alpha(195, 95), 128, 2) << "stretched over the whole frame";
        EXPECT_GT(canvas.Green(150, 50), 250);
        TestCanvas other(10, 10);
        DrawImageInFrame(other.g(), Img(picture), RectF(0, 0, 10, 10), true, 3, half.get(), fill);
        EXPECT_EQ(other.At(5, 5), 0u) << "unknown modes draw nothing";
    }
}

TEST(AverageColour, UniformAndMixedPictures) {
    UniqueGpBitmap uniform = MakePicture(16, 16, [](int, int) { return 0xFF336699; });
    EXPECT_EQ(AverageColour(nullptr, Img(uniform)), RGB(0x33, 0x66, 0x99));
    UniqueGpBitmap halves = MakePicture(10, 4, [](int x, int) { return x < 5 ? kRed : kBlue; });
    EXPECT_EQ(AverageColour(nullptr, Img(halves)), RGB(127, 0, 127)) << "truncated, not rounded";
    EXPECT_EQ(AverageColour(nullptr, nullptr), 0u);
    // A 24-bit picture (as photographs decode) whose rows are padded: 7 pixels
    // of 3 bytes in rows of 24. Red rises along x, blue down y, green is 9.
    UniqueGpBitmap photo;
    gp::GdipCreateBitmapFromScan0(7, 3, 0, PixelFormat24bppRGB, nullptr, photo.put());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x)
            gp::GdipBitmapSetPixel(photo.get(), x, y, 0xFF000900u | (x * 30u) << 16 | y * 100u);
    EXPECT_EQ(AverageColour(nullptr, Img(photo)), RGB(90, 9, 100));
}

// Averaging a picture down: every target pixel is the mean of the area it
// covers, so a uniform picture stays exactly uniform, a sharp edge keeps its
// pure sides and its mean, and rows and columns keep their places.
TEST(Resampled, AveragesTheAreaEachPixelCoversWhenShrinking) {
    struct Case {
        const char* what;
        int w, h, tw, th;
        Gdiplus::ARGB (*colour)(int, int);
    };
    const Case cases[] = {
        {"uniform", 97, 61, 40, 25, [](int, int) -> Gdiplus::ARGB { return 0xFF336699; }},
        {"halves", 100, 10, 30, 5,
         [](int x, int) -> Gdiplus::ARGB { return x < 45 ? kRed : kBlue; }},
        {"top row", 60, 60, 20, 20,
         [](int, int y) -> Gdiplus::ARGB { return y < 3 ? kWhite : 0xFF000000; }},
        {"half transparent", 40, 40, 20, 20, [](int, int) -> Gdiplus::ARGB { return 0x80FF0000; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UniqueGpBitmap picture = MakePicture(c.w, c.h, c.colour);
        UniqueGpBitmap scaled = Resampled(Img(picture), c.tw, c.th);
        ASSERT_TRUE(scaled);
        EXPECT_EQ(ImageWidth(scaled.get()), static_cast<UINT>(c.tw));
        EXPECT_EQ(ImageHeight(scaled.get()), static_cast<UINT>(c.th));
        const auto at = [&](int x, int y) {
            Gdiplus::ARGB p = 0;
            gp::GdipBitmapGetPixel(scaled.get(), x, y, &p);
            return p;
        };
        const std::string what = c.what;
        if (what == "uniform") {
            for (int y = 0; y < c.th; ++y)
                for (int x = 0; x < c.tw; ++x) ASSERT_EQ(at(x, y), 0xFF336699u);
        } else if (what == "halves") {
            EXPECT_EQ(at(0, 2), kRed);
            EXPECT_EQ(at(c.tw - 1, 2), kBlue);
            // Target pixel 13 covers source 43.3 to 46.7: half red, half blue.
            EXPECT_NEAR(static_cast<int>((at(13, 2) >> 16) & 0xFF), 128, 1);
            EXPECT_NEAR(static_cast<int>(at(13, 2) & 0xFF), 128, 1);
            int red = 0;
            for (int x = 0; x < c.tw; ++x) red += static_cast<int>((at(x, 2) >> 16) & 0xFF);
            EXPECT_NEAR(red, 255 * 45 * c.tw / 100, c.tw);  // the mean is kept
        } else if (what == "top row") {
            EXPECT_EQ(at(10, 0), kWhite);  // the white rows stay on top
            EXPECT_EQ(at(10, 1), 0xFF000000u);
            EXPECT_EQ(at(10, c.th - 1), 0xFF000000u);
        } else {
            EXPECT_NEAR(static_cast<int>(at(5, 5) >> 24), 0x80, 1);  // alpha kept, not darkened
            EXPECT_NEAR(static_cast<int>((at(5, 5) >> 16) & 0xFF), 0xFF, 2);
        }
    }
}

// The strength of the wave of `period` pixels along a row of values: the
// amplitude of that frequency's Fourier component.
double WaveAmplitude(const std::vector<double>& row, double period) {
    double mean = 0;
    for (double v : row) mean += v;
    mean /= static_cast<double>(row.size());
    double re = 0, im = 0;
    for (std::size_t x = 0; x < row.size(); ++x) {
        const double phase = 2 * 3.14159265358979 * (static_cast<double>(x) + 0.5) / period;
        re += (row[x] - mean) * std::cos(phase);
        im += (row[x] - mean) * std::sin(phase);
    }
    return 2 * std::hypot(re, im) / static_cast<double>(row.size());
}

// The green channel of row `y` of a canvas.
std::vector<double> GreenRow(const TestCanvas& canvas, int y) {
    std::vector<double> row;
    for (int x = 0; x < canvas.width; ++x) row.push_back(canvas.Green(x, y));
    return row;
}

// A photograph embedded at twice its size, drawn into a rectangle of units on
// a surface of device pixels (the world transform carries the display scale).
// Detail finer than the 96 DPI picture can hold (a wave of 3.6 photo pixels,
// 1.8 at 96 DPI) keeps most of its strength at 120, 144 and 192 DPI, where a
// bilinear stretch of the 96 DPI picture (what Windows does to a program that
// is not DPI aware) has lost it to aliasing.
TEST(DrawImageStretched, FineDetailOfATwiceSizePhotoSurvivesAtEveryScale) {
    const int units = 60;
    const double period = 3.6;  // photo pixels
    UniqueGpBitmap photo = MakePicture(2 * units, 2 * units, [&](int x, int) -> Gdiplus::ARGB {
        const int g = static_cast<int>(
            std::lround(128 + 100 * std::sin(2 * 3.14159265358979 * (x + 0.5) / period)));
        return 0xFF000000u | (static_cast<Gdiplus::ARGB>(g) << 8);
    });
    UniqueGpBitmap at96 = Resampled(Img(photo), units, units);
    ASSERT_TRUE(at96);
    for (const float scale : {1.25f, 1.5f, 2.0f}) {
        SCOPED_TRACE(scale);
        const int device = static_cast<int>(units * scale);
        const double devicePeriod = period / 2 * scale;
        TestCanvas ours(device, device), stretched(device, device);
        for (TestCanvas* c : {&ours, &stretched}) {
            c->Clear(0xFF000000);
            gp::GdipScaleWorldTransform(c->g(), scale, scale, Gdiplus::MatrixOrderPrepend);
        }
        DrawImageStretched(ours.g(), Img(photo), RectF(0, 0, units, units), nullptr);
        gp::GdipSetInterpolationMode(stretched.g(), Gdiplus::InterpolationModeBilinear);
        DrawImageRect(stretched.g(), Img(at96), RectF(0, 0, units, units));

        const double kept = WaveAmplitude(GreenRow(ours, device / 2), devicePeriod) / 100;
        const double smeared = WaveAmplitude(GreenRow(stretched, device / 2), devicePeriod) / 100;
        // A box average of one device pixel keeps sinc(1 / period) of the
        // wave (0.70 at 120 DPI, 0.79 at 144, all of it at 192); the 96 DPI
        // picture has folded it onto another frequency.
        EXPECT_GT(kept, 0.55);
        EXPECT_GT(kept, 2.5 * smeared);
        EXPECT_LT(smeared, 0.3);
        // The photograph lands exactly on the rectangle: every pixel covered.
        for (int y : {0, device - 1})
            for (int x : {0, device - 1}) EXPECT_EQ(ours.Red(x, y), 0);
        EXPECT_EQ(ours.Alpha(device - 1, device - 1), 255);
    }
}

// Enlarged, a small photograph is smooth and true: a hard edge becomes a
// short ramp without blocks, overshooting it by no more than the cubic's
// 2/27; a gradient stays monotonic; and a translucent edge, filtered
// premultiplied, keeps its colour instead of darkening towards the
// transparent pixels' black.
TEST(DrawImageStretched, EnlargesSmoothlyWithoutRingingOrDarkFringes) {
    const int w = 24, h = 12;
    UniqueGpBitmap photo = MakePicture(w, h, [&](int x, int y) -> Gdiplus::ARGB {
        if (y < 4) return x < w / 2 ? 0xFF282828u : 0xFFDCDCDCu;  // edge from 40 to 220
        if (y < 8) return 0xFF000000u | static_cast<Gdiplus::ARGB>(x * 10) << 8;  // ramp
        return x < w / 2 ? kRed : 0x00000000u;  // opaque red beside transparency
    });
    struct Case {
        float scale;           // world transform
        float unitsW, unitsH;  // rectangle in units
    } cases[] = {{1.5f, w, h}, {2.0f, w, h}, {1.0f, 79, 37}, {1.25f, 2.5f * w, 3 * h}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.scale << " " << c.unitsW << "x" << c.unitsH);
        const int dw = static_cast<int>(std::lround(c.unitsW * c.scale));
        const int dh = static_cast<int>(std::lround(c.unitsH * c.scale));
        TestCanvas canvas(dw, dh);
        canvas.Clear(0);
        gp::GdipScaleWorldTransform(canvas.g(), c.scale, c.scale, Gdiplus::MatrixOrderPrepend);
        DrawImageStretched(canvas.g(), Img(photo), RectF(0, 0, c.unitsW, c.unitsH), nullptr);
        const double up = static_cast<double>(dw) / w;

        const int edgeRow = dh / 6;  // inside source rows 0..3
        int biggestStep = 0, lowest = 255, highest = 0;
        for (int x = 0; x < dw; ++x) {
            const int v = canvas.Green(x, edgeRow);
            lowest = std::min(lowest, v);
            highest = std::max(highest, v);
            if (x > 0)
                biggestStep = std::max(biggestStep, std::abs(v - canvas.Green(x - 1, edgeRow)));
        }
        EXPECT_GE(lowest, 40 - 14);
        EXPECT_LE(highest, 220 + 14);
        EXPECT_LT(biggestStep, up >= 1.9 ? 180 * 0.65 : 180 * 0.8);  // a ramp, not a block edge

        const int rampRow = dh / 2;
        for (int x = 1; x < dw; ++x)
            ASSERT_GE(canvas.Green(x, rampRow) + 1, canvas.Green(x - 1, rampRow)) << x;

        const int fringeRow = dh * 5 / 6;
        for (int x = 0; x < dw; ++x) {
            const Gdiplus::ARGB p = canvas.At(x, fringeRow);
            const int a = static_cast<int>(p >> 24), r = static_cast<int>((p >> 16) & 0xFF);
            if (a < 32) continue;    // too faint to carry a colour exactly
            EXPECT_GE(r, 235) << x;  // straight red stays red
            EXPECT_LE(static_cast<int>((p >> 8) & 0xFF), 8) << x;
        }
    }
}

// A 16 x 16 icon from 32-bit colour pixels and an all-opaque mask.
UniqueIcon MakeIcon(int bitsPerPixel, std::uint32_t pixel) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 16;
    info.bmiHeader.biHeight = 16;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bitsPerPixel);
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap colour(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!colour) return {};
    if (bitsPerPixel == 32) {
        auto* p = static_cast<std::uint32_t*>(bits);
        for (int i = 0; i < 256; ++i) p[i] = pixel;
    } else {
        auto* p = static_cast<unsigned char*>(bits);  // 24-bit rows of 48 bytes
        for (int i = 0; i < 256; ++i) {
            p[i * 3] = pixel & 0xFF;
            p[i * 3 + 1] = (pixel >> 8) & 0xFF;
            p[i * 3 + 2] = (pixel >> 16) & 0xFF;
        }
    }
    const std::vector<BYTE> maskBits(16 * 2, 0);  // 0 = opaque
    UniqueBitmap mask(CreateBitmap(16, 16, 1, 1, maskBits.data()));
    ICONINFO iconInfo{};
    iconInfo.fIcon = TRUE;
    iconInfo.hbmMask = mask.get();
    iconInfo.hbmColor = colour.get();
    return UniqueIcon(CreateIconIndirect(&iconInfo));
}

TEST(IconToBitmap, KeepsAnIconsOwnAlpha) {
    UniqueIcon icon = MakeIcon(32, 0x8000FF00);  // green at alpha 128
    ASSERT_TRUE(icon);
    UniqueGpBitmap bitmap = IconToBitmap(icon.get(), true);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(ImageWidth(bitmap.get()), 16u);
    Gdiplus::ARGB pixel = 0;
    gp::GdipBitmapGetPixel(bitmap.get(), 8, 8, &pixel);
    EXPECT_EQ(pixel, 0x8000FF00u);
    // The bitmap owns its pixels: it outlives the icon.
    icon.reset();
    gp::GdipBitmapGetPixel(bitmap.get(), 3, 3, &pixel);
    EXPECT_EQ(pixel, 0x8000FF00u);
}

TEST(IconToBitmap, IconsWithoutAlphaComeOutOpaque) {
    for (int bpp : {24, 32}) {
        SCOPED_TRACE(bpp);
        // A 24-bit icon, or a 32-bit one whose alpha bytes are all 0, is shaped
        // by its mask: read "as ARGB" it would vanish.
        UniqueIcon icon = MakeIcon(bpp, 0x0000FF00);
        ASSERT_TRUE(icon);
        UniqueGpBitmap bitmap = IconToBitmap(icon.get(), true);
        ASSERT_TRUE(bitmap);
        Gdiplus::ARGB pixel = 0;
        gp::GdipBitmapGetPixel(bitmap.get(), 8, 8, &pixel);
        EXPECT_EQ(pixel >> 24, 0xFFu);
        EXPECT_EQ((pixel >> 8) & 0xFF, 0xFFu);
    }
    EXPECT_FALSE(IconToBitmap(nullptr, true));
}

TEST(WindowIcon, WindowIconBeforeClassIcon) {
    UniqueIcon classIcon = MakeIcon(32, 0xFF0000FF);
    UniqueIcon ownIcon = MakeIcon(32, 0xFFFF0000);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIcon = classIcon.get();
    wc.hIconSm = classIcon.get();
    wc.lpszClassName = "WindowIconTest";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    UniqueWindow window(CreateWindowExA(0, "WindowIconTest", "", WS_POPUP, 0, 0, 50, 50, nullptr,
                                        nullptr, GetModuleHandleA(nullptr), nullptr));
    ASSERT_TRUE(window);
    EXPECT_EQ(WindowIcon(window.get()), classIcon.get());
    EXPECT_EQ(WindowIcon(window.get(), true), classIcon.get());
    SendMessageA(window.get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(ownIcon.get()));
    EXPECT_EQ(WindowIcon(window.get()), ownIcon.get());
    window.reset();
    UnregisterClassA("WindowIconTest", GetModuleHandleA(nullptr));
}

}  // namespace

namespace {

TEST(GdiObjects, RoutinesReleaseWhatTheyMake) {
    UniqueIcon icon = MakeIcon(32, 0x8000FF00);
    UniqueIcon opaque = MakeIcon(24, 0x0000FF00);
    UniqueGpBitmap picture = MakePicture(32, 32, [](int, int) { return 0xFF336699; });
    UniqueWindow window(CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 60, 40, nullptr, nullptr,
                                        nullptr, nullptr));
    auto round = [&] {
        AverageColour(nullptr, Img(picture));
        IconToBitmap(icon.get(), true);
        IconToBitmap(opaque.get(), true);
        SetRoundRegion(window.get(), 60, 40, 5, 5);  // each region replaces the last
    };
    round();  // first-use allocations of the system are not ours
    const DWORD before = static_cast<DWORD>(procstats::GdiObjects());
    for (int i = 0; i < 50; ++i) round();
    EXPECT_EQ(static_cast<DWORD>(procstats::GdiObjects()), before);
}

}  // namespace
