// Pictures and drawing panels: decoding, drawing modes, clearing, labels.
#include <windows.h>
#include <gtest/gtest.h>

#include <vector>

#include "runtime/Form.h"
#include "runtime/Picture.h"
#include "runtime/Services.h"
#include "tests/runtime/RuntimeSupport.h"

using namespace runtime;

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFF, kRed = 0xFFFF0000, kGreen = 0xFF00FF00,
                        kBlue = 0xFF0000FF, kBlack = 0xFF000000;

// A 20 x 10 picture: a white left half and a red right half.
Picture HalfWhitePicture() {
    std::vector<Picture::Frame> frames(1);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) frames[0].pixels.push_back(x < 10 ? kWhite : kRed);
    return Picture(20, 10, std::move(frames));
}

std::uint32_t PixelAt(const Picture& p, int x, int y) {
    return p.FrameAt(0).pixels[static_cast<size_t>(y) * p.Width() + x];
}

TEST_F(PanelTest, WhiteTransparentDrawLeavesWhitePixelsAndCopiesTheRest) {
    Picture p = HalfWhitePicture();
    DrawPicture(panel, p, 5, 5, {}, {}, kWhiteTransparent);
    Picture content = PanelContent(panel);
    ASSERT_EQ(content.Width(), 64);
    EXPECT_EQ(PixelAt(content, 5, 5), kBlue) << "white is transparent";
    EXPECT_EQ(PixelAt(content, 14, 14), kBlue);
    EXPECT_EQ(PixelAt(content, 15, 5), kRed);
    EXPECT_EQ(PixelAt(content, 24, 14), kRed);
    EXPECT_EQ(PixelAt(content, 25, 5), kBlue) << "nothing beyond the picture's own size";

    // Stretched to 40 x 20: the halves scale with it.
    DrawPicture(panel, p, 0, 20, 40, 20, kWhiteTransparent);
    content = PanelContent(panel);
    EXPECT_EQ(PixelAt(content, 10, 30), kBlue);
    EXPECT_EQ(PixelAt(content, 30, 30), kRed);
    EXPECT_EQ(PixelAt(content, 39, 39), kRed);
    EXPECT_EQ(PixelAt(content, 41, 30), kBlue);

    // Another colour key: red is transparent, white is copied.
    DrawPicture(panel, p, 40, 0, {}, {}, static_cast<std::uint32_t>(-0x0000FF));
    content = PanelContent(panel);
    EXPECT_EQ(PixelAt(content, 45, 5), kWhite);
    EXPECT_EQ(PixelAt(content, 55, 5), kBlue);
}

TEST_F(PanelTest, CopyModesCombineWithThePanel) {
    Picture p = HalfWhitePicture();
    DrawPicture(panel, p, 0, 0);  // mode 1: plain copy
    Picture content = PanelContent(panel);
    EXPECT_EQ(PixelAt(content, 0, 0), kWhite);
    EXPECT_EQ(PixelAt(content, 19, 9), kRed);

    DrawPicture(panel, p, 0, 20, {}, {}, 2);   // AND with blue
    DrawPicture(panel, p, 30, 20, {}, {}, 3);  // OR with blue
    DrawPicture(panel, p, 30, 0, {}, {}, 4);   // XOR, twice restores
    DrawPicture(panel, p, 30, 0, {}, {}, 4);
    DrawPicture(panel, p, 0, 35, {}, {}, 5);  // inverted copy
    content = PanelContent(panel);
    EXPECT_EQ(PixelAt(content, 0, 20), kBlue);
    EXPECT_EQ(PixelAt(content, 15, 20), kBlack);
    EXPECT_EQ(PixelAt(content, 45, 20), 0xFFFF00FFu);
    EXPECT_EQ(PixelAt(content, 30, 0), kBlue);
    EXPECT_EQ(PixelAt(content, 0, 35), kBlack);
    EXPECT_EQ(PixelAt(content, 15, 35), 0xFF00FFFFu);
}

TEST_F(PanelTest, ClearRestoresTheBackgroundPictureAndEmptyPicturesDrawNothing) {
    std::vector<Picture::Frame> frames(1);
    frames[0].pixels.assign(8 * 8, kGreen);
    SetFormProperty(panel, kBackgroundPicture, Picture(8, 8, std::move(frames)));
    EXPECT_EQ(FormPictureProperty(panel, kBackgroundPicture).Width(), 8);
    DrawPicture(panel, HalfWhitePicture(), 0, 0);
    ClearPanel(panel);
    Picture content = PanelContent(panel);
    EXPECT_EQ(PixelAt(content, 3, 3), kGreen) << "background picture at its own size";
    EXPECT_EQ(PixelAt(content, 12, 3), kBlue) << "background colour beyond it";

    DrawPicture(panel, LoadPicture(ByteBlock()), 0, 0);
    const unsigned char garbage[] = {'G', 'I', 'F', '8', '9', 'a', 1, 2, 3};
    DrawPicture(panel, LoadPicture(garbage, sizeof garbage), 0, 0, 10, 10, kWhiteTransparent);
    EXPECT_EQ(PixelAt(PanelContent(panel), 3, 3), kGreen);
}

TEST_F(PanelTest, ResizingKeepsWhatWasDrawnAndShowsOnScreenAtOnce) {
    DrawPicture(panel, HalfWhitePicture(), 0, 0);
    MoveControl(panel, 0, 0, 90, 70);
    Picture content = PanelContent(panel);
    ASSERT_EQ(content.Width(), 90);
    EXPECT_EQ(PixelAt(content, 15, 5), kRed);
    EXPECT_EQ(PixelAt(content, 80, 60), kBlue);

    // No message is dispatched in between: the drawing is on the screen.
    HWND window = FormWindowHandle(form);
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    DrawPicture(panel, HalfWhitePicture(), 40, 40, {}, {}, kWhiteTransparent);
    Picture screen = Snapshot(FormWindowHandle(panel));
    ASSERT_EQ(screen.Width(), 90);
    EXPECT_EQ(PixelAt(screen, 55, 45), kRed);
    EXPECT_EQ(PixelAt(screen, 45, 45), kBlue);
}

TEST(PictureTest, DecodesEveryFormatAndRejectsBadBytes) {
    std::vector<std::uint32_t> pixels(6 * 4, kRed);
    pixels[0] = kBlue;
    pixels[23] = 0x80FFFFFF;  // half transparent white
    for (const char* format : {"png", "bmp", "jpeg"}) {
        auto bytes = EncodeWithGdiplus(6, 4, pixels, format);
        ASSERT_FALSE(bytes.empty()) << format;
        Picture p = LoadPicture(bytes.data(), bytes.size());
        ASSERT_FALSE(p.Empty()) << format;
        EXPECT_EQ(p.Width(), 6);
        EXPECT_EQ(p.Height(), 4);
        EXPECT_EQ(p.FrameCount(), 1u);
        if (std::string(format) == "png") {
            EXPECT_EQ(PixelAt(p, 0, 0), kBlue);
            EXPECT_EQ(PixelAt(p, 1, 0), kRed);
            EXPECT_EQ(PixelAt(p, 5, 3) >> 24, 0x80u);
            EXPECT_TRUE(p.HasAlpha());
        }
        // Cut short, the bytes give no picture.
        EXPECT_TRUE(LoadPicture(bytes.data(), bytes.size() / 3).Empty()) << format;
    }
    EXPECT_TRUE(LoadPicture(nullptr, 0).Empty());
    const unsigned char noise[] = "not a picture at all";
    EXPECT_TRUE(LoadPicture(noise, sizeof noise).Empty());
}

TEST(PictureTest, AnimatedGifKeepsEveryFrameWithItsDelay) {
    std::vector<std::uint32_t> palette = {0xFFFFFF, 0xFF0000, 0x00FF00};
    std::vector<GifFrame> frames(3);
    for (int f = 0; f < 3; ++f) {
        frames[f].indices.assign(9 * 7, 0);
        frames[f].indices[static_cast<size_t>(f)] = static_cast<std::uint8_t>(1 + f % 2);
        frames[f].delayCentiseconds = 5 + 5 * static_cast<unsigned>(f);
    }
    auto bytes = MakeGif(9, 7, palette, frames);
    Picture p = LoadPicture(bytes.data(), bytes.size());
    ASSERT_EQ(p.FrameCount(), 3u);
    EXPECT_EQ(p.Width(), 9);
    EXPECT_EQ(p.FrameAt(0).delayMs, 50u);
    EXPECT_EQ(p.FrameAt(2).delayMs, 150u);
    EXPECT_EQ(p.FrameAt(1).pixels[1], 0xFF00FF00u);
    EXPECT_EQ(p.FrameAt(2).pixels[2] & 0xFFFFFF, 0xFF0000u);
}

TEST(PictureTest, SnapshotCoversTheWholeScreen) {
    Picture screen = Snapshot();
    EXPECT_EQ(screen.Width(), ScreenWidth());
    EXPECT_EQ(screen.Height(), ScreenHeight());
    EXPECT_FALSE(screen.HasAlpha());
}

// A picture box plays its GIF: the frame shown changes with the delays.
TEST_F(RuntimeTest, PictureBoxAnimatesItsGifOverWhite) {
    std::vector<std::uint32_t> palette = {0x000000, 0xFF0000, 0x0000FF};
    std::vector<GifFrame> frames(2);
    frames[0].indices.assign(10 * 10, 1);
    frames[1].indices.assign(10 * 10, 2);
    frames[0].indices[0] = frames[1].indices[0] = 0;  // transparent corner
    frames[0].delayCentiseconds = frames[1].delayCentiseconds = 3;
    static std::vector<unsigned char> gif;
    gif = MakeGif(10, 10, palette, frames, 0);
    static const UnitDescription units[] = {
        {.kind = UnitKind::PictureBox,
         .id = 1,
         .left = 0,
         .top = 0,
         .width = 30,
         .height = 30,
         .picture = ByteBlock(gif.data(), static_cast<std::uint32_t>(gif.size()))}};
    static const FormDescription form{
        .id = 21, .width = 60, .height = 60, .topMost = true, .units = units};
    UnitRef f = LoadForm(form);
    HWND box = FormWindowHandle(FindUnit(f, 1));
    UpdateWindow(box);
    bool sawRed = false, sawBlue = false;
    PumpUntil([&] {
        Picture shot = Snapshot(box);
        if (shot.Empty()) return false;
        EXPECT_EQ(PixelAt(shot, 0, 0), kWhite);    // transparent over white
        EXPECT_EQ(PixelAt(shot, 20, 20), kWhite);  // beyond the picture
        sawRed = sawRed || PixelAt(shot, 5, 5) == kRed;
        sawBlue = sawBlue || PixelAt(shot, 5, 5) == kBlue;
        return sawRed && sawBlue;
    });
    EXPECT_TRUE(sawRed);
    EXPECT_TRUE(sawBlue);
}

// On a colour-keyed window a transparent label is drawn without anti-aliasing:
// every pixel is the key or the text colour, so no fringe of the key shows.
TEST_F(RuntimeTest, TransparentLabelOnColourKeyedWindowHasNoFringes) {
    static const FontDescription font{.face = "Tahoma", .height = -19, .weight = 700};
    static const UnitDescription units[] = {
        {.kind = UnitKind::DrawingPanel,
         .id = 1,
         .left = 0,
         .top = 0,
         .width = 200,
         .height = 60,
         .backColour = RGB(255, 0, 0)},
        {.kind = UnitKind::TransparentLabel,
         .id = 2,
         .left = 4,
         .top = 4,
         .width = 190,
         .height = 32,
         .parent = 1,
         .caption = "Qixi WMW",
         .textColour = RGB(255, 128, 128),
         .font = &font},
    };
    static const FormDescription form{.id = 22,
                                      .width = 200,
                                      .height = 60,
                                      .backColour = RGB(255, 0, 0),
                                      .topMost = true,
                                      .units = units};
    UnitRef f = LoadForm(form);
    HWND window = FormWindowHandle(f);
    HWND panel = FormWindowHandle(FindUnit(f, 1));
    // Counts text-coloured pixels and those neither text nor key.
    auto count = [panel](int& text, int& other) {
        HDC screen = GetDC(nullptr);
        HDC mem = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, 60);
        HGDIOBJ old = SelectObject(mem, bitmap);
        SendMessageW(panel, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(mem), PRF_CLIENT);
        text = other = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 200; ++x) {
                COLORREF c = GetPixel(mem, x, y);
                if (c == RGB(255, 128, 128))
                    ++text;
                else if (c != RGB(255, 0, 0))
                    ++other;
            }
        SelectObject(mem, old);
        DeleteObject(bitmap);
        DeleteDC(mem);
        ReleaseDC(nullptr, screen);
    };
    int text = 0, other = 0;
    count(text, other);
    EXPECT_GT(other, 0) << "an ordinary window gets smoothed text";
    SetWindowLongPtrW(window, GWL_EXSTYLE, WS_EX_LAYERED);
    SetLayeredWindowAttributes(window, RGB(255, 0, 0), 255, LWA_COLORKEY);
    count(text, other);
    EXPECT_GT(text, 50);
    EXPECT_EQ(other, 0);
}

}  // namespace
