// Pictures and drawing panels: decoding, drawing modes, clearing, labels.
#include <windows.h>
#include <gtest/gtest.h>

#include <vector>

#include "platform/ProcessStats.h"
#include "runtime/Form.h"
#include "runtime/FrameClock.h"
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
// Boxes on the thread's one frame clock, driven tick by tick (10 ms, a timer
// tick) on a manual clock: every frame stays for its own delay on a fixed grid
// (no drift), two boxes of one picture change at the same ticks, a picture
// changed at run time starts over at its first frame, and a box that is hidden
// or destroyed leaves the clock; its window and every bitmap go with the last.
TEST_F(RuntimeTest, PictureBoxesStepOnOneClockAtEachFramesDelay) {
    using detail::FrameClock;
    const std::vector<std::uint32_t> palette = {0xFF0000, 0x0000FF, 0x00FF00, 0x000000};
    auto gif = [&](const std::vector<std::pair<std::uint8_t, unsigned>>& frames) {
        std::vector<GifFrame> out;
        for (auto [colour, delay] : frames)
            out.push_back({std::vector<std::uint8_t>(64, colour), delay});
        return MakeGif(8, 8, palette, out);
    };
    static std::vector<unsigned char> two, three;
    two = gif({{0, 12}, {1, 12}});             // red, blue: 120 ms each
    three = gif({{2, 15}, {3, 15}, {1, 50}});  // green, black, blue: 150, 150, 500 ms
    auto box = [](std::uint32_t id, int left, const std::vector<unsigned char>& bytes,
                  bool visible) {
        UnitDescription d = DescribeUnit(UnitKind::PictureBox, "", id, left, 0, 10, 10, visible);
        d.picture = ByteBlock(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        return d;
    };
    static std::vector<UnitDescription> units;
    units = {box(1, 0, two, true), box(2, 20, two, true), box(3, 40, three, true),
             box(4, 60, two, false)};
    static const FormDescription form{
        .id = 22, .width = 80, .height = 20, .topMost = true, .units = units};
    auto objects = [] { return procstats::GdiObjects() + procstats::UserObjects(); };
    DestroyForm(LoadForm(form), true);  // warms Wine's DC cache and the classes
    RunMessageLoop();                   // releases the closed form's units
    ASSERT_EQ(FrameClock::ClientCount(), 0u);
    ASSERT_EQ(FrameClock::Window(), nullptr);
    const int before = objects();

    ManualClock clock(5000);
    SetClock(&clock);
    UnitRef f = LoadForm(form);
    EXPECT_EQ(FrameClock::ClientCount(), 3u) << "the hidden box is not on the clock";
    ASSERT_TRUE(IsWindow(FrameClock::Window()));
    auto colour = [&](std::uint32_t id) {
        HWND w = FormWindowHandle(FindUnit(f, id));
        UpdateWindow(w);
        HDC dc = GetDC(w);
        COLORREF c = GetPixel(dc, 4, 4);
        ReleaseDC(w, dc);
        return c;
    };
    // Ticks every 10 ms for `span` ms: when (ms from the first tick's start)
    // each box changed colour, and to what.
    struct Change {
        unsigned at;
        COLORREF to;
        bool operator==(const Change&) const = default;
    };
    auto run = [&](unsigned span) {
        std::vector<std::vector<Change>> changes(4);
        std::vector<COLORREF> last = {0, colour(1), colour(2), colour(3)};
        for (unsigned t = 10; t <= span; t += 10) {
            clock.Advance(10);
            FrameClock::Tick();
            for (std::uint32_t id = 1; id <= 3; ++id)
                if (COLORREF c = colour(id); c != last[id])
                    changes[id].push_back({t, last[id] = c});
        }
        return changes;
    };
    EXPECT_EQ(colour(1), RGB(255, 0, 0));
    EXPECT_EQ(colour(3), RGB(0, 255, 0));
    std::vector<std::vector<Change>> changes = run(1650);
    EXPECT_EQ(changes[1], changes[2]) << "two boxes of one picture step together";
    ASSERT_EQ(changes[1].size(), 13u);
    for (size_t k = 0; k < changes[1].size(); ++k) {
        EXPECT_NEAR(changes[1][k].at, 120.0 * (k + 1), 10) << "change " << k;
        EXPECT_EQ(changes[1][k].to, k % 2 ? RGB(255, 0, 0) : RGB(0, 0, 255)) << "change " << k;
    }
    const std::vector<Change> grid = {{150, RGB(0, 0, 0)},    {300, RGB(0, 0, 255)},
                                      {800, RGB(0, 255, 0)},  {950, RGB(0, 0, 0)},
                                      {1100, RGB(0, 0, 255)}, {1600, RGB(0, 255, 0)}};
    ASSERT_EQ(changes[3].size(), grid.size());
    for (size_t k = 0; k < grid.size(); ++k) {
        EXPECT_NEAR(changes[3][k].at, grid[k].at, 10) << "change " << k;
        EXPECT_EQ(changes[3][k].to, grid[k].to) << "change " << k;
    }

    // A new picture at run time: its first frame at once, its own delay after.
    SetFormProperty(FindUnit(f, 1), kBackgroundPicture, LoadPicture(three.data(), three.size()));
    EXPECT_EQ(colour(1), RGB(0, 255, 0));
    changes = run(200);
    ASSERT_EQ(changes[1].size(), 1u);
    EXPECT_NEAR(changes[1][0].at, 150, 10);
    EXPECT_EQ(changes[1][0].to, RGB(0, 0, 0));

    // Hidden, shown, destroyed: the clock follows.
    SetFormProperty(FindUnit(f, 3), kVisible, 0);
    EXPECT_EQ(FrameClock::ClientCount(), 2u);
    SetFormProperty(FindUnit(f, 4), kVisible, 1);
    EXPECT_EQ(FrameClock::ClientCount(), 3u);
    DestroyForm(f, true);
    EXPECT_EQ(FrameClock::ClientCount(), 0u);
    EXPECT_EQ(FrameClock::Window(), nullptr);
    Quit();
    EXPECT_LE(objects(), before);
}

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
