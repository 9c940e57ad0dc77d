// Bad input for the toolkit's picture paths and fonts: empty and truncated
// PNG, JPEG and GIF bytes at many cut points give either nothing or a whole
// picture, never a crash, a partial size or a control that stops working;
// a face the system lacks still draws its text.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/Handle.h"
#include "tests/toolkit/host/HostTestSupport.h"
#include "toolkit/controls/CaptionButton.h"
#include "toolkit/controls/LinkText.h"
#include "toolkit/controls/Picture.h"
#include "toolkit/controls/PngControl.h"
#include "toolkit/text/EditBox.h"
#include "tests/support/CutPoints.h"

using namespace hosttest;

namespace {

constexpr int kW = 24, kH = 16;

Gdiplus::ARGB Pattern(int x, int y) {
    return 0xFF000000u | (static_cast<Gdiplus::ARGB>(x * 10) << 16) |
           (static_cast<Gdiplus::ARGB>(y * 15) << 8) | 0x40;
}

struct Sample {
    const char* format;
    std::string bytes;
};

// A picture as PNG and JPEG (encoded by GDI+) and a three-frame GIF.
const std::vector<Sample>& Samples() {
    static const std::vector<Sample> samples = [] {
        EnsureToolkit();
        std::vector<Sample> out;
        out.push_back({"png", PngOf(kW, kH, Pattern)});
        UniqueGpBitmap bitmap;
        gp::GdipCreateBitmapFromScan0(kW, kH, 0, PixelFormat32bppARGB, nullptr, bitmap.put());
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) gp::GdipBitmapSetPixel(bitmap.get(), x, y, Pattern(x, y));
        out.push_back({"jpeg", Encode(bitmap.get(), L"image/jpeg")});
        const std::vector<unsigned char> gif =
            MakeGif(kW, kH, {0xFF0000, 0x00FF00, 0x0000FF}, {5, 5, 5});
        out.push_back({"gif", std::string(gif.begin(), gif.end())});
        return out;
    }();
    return samples;
}

ByteBlock Cut(const Sample& sample, size_t length) {
    return ByteBlock(sample.bytes.data(), static_cast<std::uint32_t>(length));
}

UINT ImageWidth(GpImage* image) {
    UINT w = 0;
    gp::GdipGetImageWidth(image, &w);
    return w;
}

class BadPictureBytes : public ::testing::Test {
protected:
    void SetUp() override {
        for (const Sample& sample : Samples())
            ASSERT_GT(sample.bytes.size(), 40u) << sample.format << " did not encode";
    }
};

TEST_F(BadPictureBytes, LoadingGivesNothingOrTheWholePictureAndKeepsNoMemoryForNothing) {
    UniqueGpBitmap target;
    gp::GdipCreateBitmapFromScan0(kW, kH, 0, PixelFormat32bppARGB, nullptr, target.put());
    UniqueGpGraphics graphics;
    gp::GdipGetImageGraphicsContext(target.get(), graphics.put());
    for (const Sample& sample : Samples()) {
        for (size_t cut : CutPoints(sample.bytes.size())) {
            HGLOBAL memory = reinterpret_cast<HGLOBAL>(1);
            GpImage* image = LoadImageFromBytes(Cut(sample, cut), &memory, false);
            if (!image) {
                EXPECT_EQ(memory, nullptr) << sample.format << " cut at " << cut;
                continue;
            }
            EXPECT_EQ(ImageWidth(image), static_cast<UINT>(kW))
                << sample.format << " cut at " << cut;
            // GDI+ may decode lazily: drawing is where missing data shows.
            gp::GdipDrawImageRectI(graphics.get(), image, 0, 0, kW, kH);
            ReleaseImage(image, memory);
            EXPECT_EQ(memory, nullptr);
        }
    }
    // A PNG stored without its signature, cut as well.
    const std::string& png = Samples()[0].bytes;
    for (size_t cut : CutPoints(png.size() - 8)) {
        HGLOBAL memory = nullptr;
        GpImage* image = LoadImageFromBytes(
            ByteBlock(png.data() + 8, static_cast<std::uint32_t>(cut)), &memory, true);
        if (image) gp::GdipDrawImageRectI(graphics.get(), image, 0, 0, kW, kH);
        ReleaseImage(image, memory);
    }
}

TEST_F(BadPictureBytes, PictureControlShowsNothingAndRecoversWithGoodBytes) {
    HostedWindow hosted(200, 100);
    ASSERT_TRUE(hosted.attached);
    for (const Sample& sample : Samples()) {
        for (size_t cut : CutPoints(sample.bytes.size())) {
            PictureControl picture;
            ASSERT_NE(picture.CreatePicture(hosted.window, 10, 10, 60, 40, Cut(sample, cut),
                                            {.playing = 1}),
                      nullptr);
            if (!picture.image) {
                EXPECT_EQ(SurfaceInk(picture), 0) << sample.format << " cut at " << cut;
            }
            picture.Playing(1);
            Pump();
            // Bad bytes replacing good ones, then good ones again.
            picture.SetPicture(BlockOf(sample.bytes));
            picture.SetPicture(Cut(sample, cut));
            picture.SetPicture(BlockOf(sample.bytes));
            EXPECT_GT(SurfaceInk(picture), 60 * 40 / 2) << sample.format << " cut at " << cut;
        }
    }
}

TEST_F(BadPictureBytes, SkinLayerKeepsItsPictureWhenNewBytesDoNotDecode) {
    static const bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "BadInputSkinWindow";
        return RegisterClassA(&wc) != 0;
    }();
    ASSERT_TRUE(registered);
    UniqueWindow window(CreateWindowExA(0, "BadInputSkinWindow", "", WS_POPUP, 40, 40, kW, kH,
                                        nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
    PngControl layer;
    ASSERT_TRUE(layer.Attach(window.get()));
    EXPECT_FALSE(layer.LoadBackImage(ByteBlock()));
    for (const Sample& sample : Samples()) {
        ASSERT_TRUE(layer.LoadBackImage(BlockOf(sample.bytes))) << sample.format;
        const SkinComposite good = SkinCompositeOf(window.get());
        ASSERT_TRUE(good);
        const std::vector<std::uint32_t> shown(good.pixels, good.pixels + good.width * good.height);
        for (size_t cut : CutPoints(sample.bytes.size())) {
            if (layer.LoadBackImage(Cut(sample, cut))) continue;  // decoded after all
            const SkinComposite now = SkinCompositeOf(window.get());
            ASSERT_TRUE(now);
            EXPECT_TRUE(std::equal(shown.begin(), shown.end(), now.pixels))
                << sample.format << " cut at " << cut << ": the window changed";
        }
    }
}

TEST_F(BadPictureBytes, HostBackgroundThatDoesNotDecodeLeavesTheWindowDrawable) {
    const std::string& png = Samples()[0].bytes;
    // Attached with a background that is only a signature and a few bytes.
    HostedWindow hosted(
        120, 80, {.bgSource = ByteBlock(png.data(), 20), .captionFlags = 0, .translucency = 255});
    ASSERT_TRUE(hosted.attached);
    for (const Sample& sample : Samples())
        for (size_t cut : CutPoints(sample.bytes.size())) hosted.host.Render(Cut(sample, cut), {});
    hosted.host.Render(ByteBlock(), {});
    Pump();
    ASSERT_TRUE(hosted.host.backBitmap);
    // Good bytes afterwards are shown as usual.
    const std::string blue = PngOf(120, 80, [](int, int) { return 0xFF0000FFu; });
    hosted.host.Render(BlockOf(blue), {});
    const std::uint32_t pixel = BackPixel(hosted.host, 60, 40);
    EXPECT_GT(B(pixel), 200);
    EXPECT_LT(R(pixel), 40);
}

TEST_F(BadPictureBytes, CaptionButtonsWithoutTheirStripStillWork) {
    // As when the caption strip does not decode.
    GpImage* const strip = CaptionButtonsImage;
    CaptionButtonsImage = nullptr;
    {
        HostedWindow hosted(200, 60, {.captionFlags = kCaptionClose | kCaptionMinimise});
        ASSERT_TRUE(hosted.attached);
        std::vector<UINT> requests;
        hosted.host.SetMessageHook([&requests](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
            if (msg != WM_SYSCOMMAND && msg != WM_CLOSE) return -1;
            requests.push_back(msg);
            return 0;
        });
        hosted.host.Render(std::nullopt, {});
        ASSERT_EQ(hosted.host.captionButtons.size(), 2u);
        for (const auto& button : hosted.host.captionButtons) {
            const RectF& r = button->rect;
            const LPARAM centre = MAKELPARAM(static_cast<int>(r.X + r.Width / 2),
                                             static_cast<int>(r.Y + r.Height / 2));
            SendMessageA(hosted.window, WM_MOUSEMOVE, 0, centre);
            SendMessageA(hosted.window, WM_LBUTTONDOWN, MK_LBUTTON, centre);
            SendMessageA(hosted.window, WM_LBUTTONUP, 0, centre);
            Pump();
            SendMessageA(hosted.window, WM_MOUSEMOVE, 0, MAKELPARAM(5, 50));
        }
        Pump();
        EXPECT_EQ(requests.size(), 2u) << "both buttons still act when clicked";
    }
    CaptionButtonsImage = strip;
}

// Dark pixels of an element's surface: its text, not its light background.
int DarkInk(Element& element) {
    return SurfacePixels(element,
                         [](std::uint32_t p) { return A(p) > 100 && R(p) + G(p) + B(p) < 300; });
}

TEST(MissingFont, AFaceTheSystemLacksStillDrawsChineseText) {
    HostedWindow hosted(300, 120);
    ASSERT_TRUE(hosted.attached);
    EditBox box;
    box.CreateEditBox(hosted.window, 10, 10, 200, 40,
                      {.text = "七夕快乐 love", .fontName = "No Such CJK Face 4711"});
    ASSERT_NE(box.font, nullptr);
    EXPECT_EQ(FontFamilyName(box.font), FontFamilyName(DefaultFont)) << "the default family";
    box.Text("七夕快乐 love");
    const int withFallback = DarkInk(box);

    // Neither the Chinese face nor the caption face: the last-resort family
    // becomes the default font, and text is drawn with it all the same.
    GpFont* const original = DefaultFont;
    GpFont* lastResort = CreateDefaultFontFrom("No Such Face 1", "No Such Face 2");
    ASSERT_NE(lastResort, nullptr);
    DefaultFont = lastResort;
    {
        LinkText link;
        link.Create(hosted.window, 10, 60, 200, 40, "<< 联系作者");
        EXPECT_GT(SurfaceInk(link), 20) << FontFamilyName(lastResort);
        EditBox plain;
        plain.CreateEditBox(hosted.window, 10, 60, 200, 40, {.text = "七夕快乐"});
        EXPECT_EQ(plain.font, lastResort);
    }
    DefaultFont = original;
    gp::GdipDeleteFont(lastResort);
    // The box's own surface also holds its frame; the text adds to it.
    box.Text("");
    EXPECT_GT(withFallback, DarkInk(box) + 40);
}

}  // namespace
