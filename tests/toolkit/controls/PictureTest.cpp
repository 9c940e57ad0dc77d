// The picture control on a real host window: decoding, draw modes, fill and
// border, and GIF playback with the delays stored in the file.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/toolkit/host/HostTestSupport.h"
#include "toolkit/controls/Picture.h"
#include "toolkit/core/Toolkit.h"
#include "toolkit/host/UIHost.h"

namespace {

using hosttest::HostedWindow;
using hosttest::MakeGif;
using hosttest::Pump;

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

ByteBlock Bytes(const std::vector<unsigned char>& bytes) {
    return ByteBlock(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

// The colour (0x00RRGGBB) of a surface pixel, or -1 when it is not opaque.
std::int64_t Colour(Element& element, int x, int y) {
    Gdiplus::ARGB p = 0;
    gp::GdipBitmapGetPixel(element.surface.get(), x, y, &p);
    if ((p >> 24) < 250) return -1;
    return p & 0xFFFFFF;
}

// A pixel (0x00RRGGBB) of the host's back buffer, a 32-bit bottom-up DIB.
std::uint32_t BackPixel(UIHost& host, int x, int y) {
    if (host.backGraphics) gp::GdipFlush(host.backGraphics.get(), Gdiplus::FlushIntentionSync);
    DIBSECTION dib{};
    if (GetObjectA(host.backBitmap.get(), sizeof(dib), &dib) != sizeof(dib) || !dib.dsBm.bmBits)
        return 0xDEADBEEF;
    const auto* row = static_cast<const unsigned char*>(dib.dsBm.bmBits) +
                      static_cast<size_t>(dib.dsBm.bmHeight - 1 - y) * dib.dsBm.bmWidthBytes;
    std::uint32_t value;
    std::memcpy(&value, row + x * 4, 4);
    return value & 0xFFFFFF;
}

class PictureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!DefaultFont) StartToolkit();
    }
    void SetUp() override { ASSERT_TRUE(hosted.attached); }

    // Whether the element's frame timer was running; stops it.
    bool TimerWasRunning() {
        return KillTimer(hosted.window, reinterpret_cast<UINT_PTR>(&picture)) != 0;
    }
    void Tick() { picture.Send(WM_TIMER, reinterpret_cast<WPARAM>(&picture), 0); }

    HostedWindow hosted{200, 120};
    PictureControl picture;  // after the window: destroyed before it
};

TEST_F(PictureTest, GifPlaysItsFramesWithTheStoredDelaysAndWraps) {
    const auto gif = MakeGif(4, 4, {kRed, kGreen, kBlue}, {7, 13, 21});
    picture.CreatePicture(hosted.window, 10, 10, 40, 30, Bytes(gif), {.playing = 1});
    EXPECT_EQ(picture.kind, 4);
    ASSERT_EQ(picture.frameCount, 3);
    EXPECT_EQ(picture.frameDelays, (std::vector<std::uint32_t>{7, 13, 21}));

    // Frame 0 is up for 70 ms; every tick shows the next frame for its delay.
    EXPECT_EQ(Colour(picture, 20, 15), kRed);
    EXPECT_EQ(picture.currentDelay, 70);
    EXPECT_EQ(picture.frameIndex, 1);
    Tick();
    EXPECT_EQ(Colour(picture, 20, 15), kGreen);
    EXPECT_EQ(picture.currentDelay, 130);
    Pump();  // the host composes the new frame into its back buffer
    EXPECT_EQ(BackPixel(hosted.host, 30, 25), kGreen);
    Tick();
    EXPECT_EQ(Colour(picture, 20, 15), kBlue);
    EXPECT_EQ(picture.currentDelay, 210);
    EXPECT_EQ(picture.frameIndex, 3);
    Tick();  // past the last frame: back to the first
    EXPECT_EQ(Colour(picture, 20, 15), kRed);
    EXPECT_EQ(picture.frameIndex, 1);
    EXPECT_EQ(picture.currentDelay, 70);
    EXPECT_TRUE(TimerWasRunning());
}

TEST_F(PictureTest, RealTimerAdvancesFramesThroughTheHost) {
    const auto gif = MakeGif(4, 4, {kRed, kGreen, kBlue}, {2, 2, 2});
    picture.CreatePicture(hosted.window, 0, 0, 20, 20, Bytes(gif), {.playing = 1});
    std::vector<std::int64_t> seen{Colour(picture, 10, 10)};
    const DWORD start = GetTickCount();
    while (seen.size() < 4 && GetTickCount() - start < 5000) {
        Pump();
        if (Colour(picture, 10, 10) != seen.back()) seen.push_back(Colour(picture, 10, 10));
        Sleep(2);
    }
    EXPECT_EQ(seen, (std::vector<std::int64_t>{kRed, kGreen, kBlue, kRed}));
}

TEST_F(PictureTest, ZeroDelaysAreFixedToOneHundredMilliseconds) {
    const auto gif = MakeGif(4, 4, {kRed, kGreen}, {0, 0});
    picture.CreatePicture(hosted.window, 0, 0, 20, 20, Bytes(gif),
                          {.playing = 1, .fixZeroDelays = true});
    EXPECT_EQ(picture.frameDelays, (std::vector<std::uint32_t>{10, 10}));
    EXPECT_EQ(picture.currentDelay, 100);
    Tick();
    EXPECT_EQ(picture.currentDelay, 100);

    // Without the fix the zeros stay.
    PictureControl unfixed;
    unfixed.CreatePicture(hosted.window, 30, 0, 20, 20, Bytes(gif), {.playing = 1});
    EXPECT_EQ(unfixed.frameDelays, (std::vector<std::uint32_t>{0, 0}));
    EXPECT_EQ(unfixed.currentDelay, 0);
}

TEST_F(PictureTest, PlayingRestartsAtTheFirstFrameAndStops) {
    const auto gif = MakeGif(4, 4, {kRed, kGreen, kBlue}, {5, 5, 5});
    picture.CreatePicture(hosted.window, 0, 0, 20, 20, Bytes(gif));
    // Still: the first frame, no timer.
    EXPECT_EQ(Colour(picture, 5, 5), kRed);
    EXPECT_FALSE(TimerWasRunning());
    EXPECT_EQ(picture.Playing(1), 1);
    Tick();
    EXPECT_EQ(Colour(picture, 5, 5), kGreen);
    EXPECT_EQ(picture.Playing(1), 1);  // again from the start
    EXPECT_EQ(Colour(picture, 5, 5), kRed);
    EXPECT_EQ(picture.frameIndex, 1);
    EXPECT_EQ(picture.Playing(0), 0);
    EXPECT_EQ(picture.currentDelay, 0);
    EXPECT_FALSE(TimerWasRunning());
    // A stray tick while stopped changes nothing.
    Tick();
    EXPECT_EQ(Colour(picture, 5, 5), kRed);
}

TEST_F(PictureTest, UndecodableBytesDrawOnlyFillAndBorderAndStartNoTimer) {
    const std::string junk = "definitely not a picture";
    picture.CreatePicture(hosted.window, 0, 0, 30, 20,
                          ByteBlock(junk.data(), static_cast<std::uint32_t>(junk.size())),
                          {.playing = 1, .backColour = 0xFF00FF00u, .borderColour = 0xFF0000FFu});
    EXPECT_FALSE(picture.image);
    EXPECT_EQ(picture.frameCount, 0);
    EXPECT_FALSE(TimerWasRunning());
    EXPECT_EQ(Colour(picture, 15, 10), kGreen);
    EXPECT_EQ(Colour(picture, 0, 10), kBlue);
    EXPECT_EQ(Colour(picture, 29, 10), kBlue);  // the outline's right edge at w - 1
    Tick();
    EXPECT_FALSE(TimerWasRunning());
}

TEST_F(PictureTest, DrawModesPlaceThePicture) {
    const auto gif = MakeGif(4, 4, {kRed}, {0});
    const auto make = [&](PictureControl& control, int mode) {
        control.CreatePicture(hosted.window, 0, 0, 20, 20, Bytes(gif),
                              {.backColour = 0xFF0000FFu, .drawMode = mode});
    };
    make(picture, 1);  // stretched over all of it
    EXPECT_EQ(Colour(picture, 4, 4), kRed);
    EXPECT_EQ(Colour(picture, 15, 15), kRed);
    PictureControl centred, corner;
    make(centred, 2);  // own size in the middle: 8..11
    EXPECT_EQ(Colour(centred, 9, 9), kRed);
    EXPECT_EQ(Colour(centred, 1, 1), kBlue);
    EXPECT_EQ(Colour(centred, 18, 18), kBlue);
    make(corner, 0);  // own size at the top-left: 0..3
    EXPECT_EQ(Colour(corner, 1, 1), kRed);
    EXPECT_EQ(Colour(corner, 9, 9), kBlue);

    // A new fill shows at once, on the same frame.
    corner.BackColour(0xFF00FF00u);
    EXPECT_EQ(Colour(corner, 9, 9), kGreen);
    EXPECT_EQ(Colour(corner, 1, 1), kRed);
}

TEST_F(PictureTest, SetPictureReplacesThePicture) {
    const auto still = MakeGif(4, 4, {kRed}, {0});
    const auto animated = MakeGif(4, 4, {kGreen, kBlue}, {3, 4});
    picture.CreatePicture(hosted.window, 0, 0, 20, 20, Bytes(still), {.playing = 1});
    picture.SetPicture(Bytes(animated));
    EXPECT_EQ(picture.frameCount, 2);
    EXPECT_EQ(picture.frameDelays, (std::vector<std::uint32_t>{3, 4}));
    EXPECT_EQ(Colour(picture, 5, 5), kGreen);
    EXPECT_EQ(picture.currentDelay, 30);

    // The copy is the control's own: the caller's bytes may go.
    std::vector<unsigned char> transient = still;
    picture.SetPicture(Bytes(transient), false);
    transient.assign(transient.size(), 0);
    EXPECT_EQ(Colour(picture, 5, 5), kGreen);  // not repainted yet
    picture.BackColour(0);
    EXPECT_EQ(Colour(picture, 5, 5), kRed);
}

TEST_F(PictureTest, DestroyReleasesEverythingAndLeaksNoHandles) {
    const auto gif = MakeGif(4, 4, {kRed, kGreen}, {5, 5});
    picture.CreatePicture(hosted.window, 0, 0, 20, 20, Bytes(gif), {.playing = 1});
    picture.Destroy();
    EXPECT_FALSE(picture.image);
    EXPECT_TRUE(picture.data.empty());
    EXPECT_TRUE(picture.frameDelays.empty());
    EXPECT_EQ(picture.playing, 0);
    EXPECT_FALSE(TimerWasRunning());

    const auto [before, after] = hosttest::CountsAroundRounds(3, [&] {
        HostedWindow other;
        ASSERT_TRUE(other.attached);
        PictureControl playing;
        playing.CreatePicture(other.window, 0, 0, 20, 20, Bytes(gif), {.playing = 1});
        Pump();
        DestroyWindow(other.window);
        Pump();
    });
    EXPECT_EQ(after.gdi, before.gdi);
    EXPECT_EQ(after.user, before.user);
}

}  // namespace
