// The scroll bar in a real host window: layout and thumb length, the
// position arithmetic, presses and drags delivered as real messages, the
// arrow auto-repeat on the element timer, and its pixels.
#include "toolkit/controls/ScrollBar.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "tests/toolkit/host/HostTestSupport.h"

using namespace hosttest;

namespace {

LPARAM At(int x, int y) {
    return MAKELPARAM(x, y);
}

// Lets the host window's timers run for a while.
void PumpFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        Pump();
        Sleep(5);
    }
    Pump();
}

class ScrollBarTest : public ::testing::Test {
protected:
    ScrollBarTest() : window(400, 300) { host.Attach(window.get(), {.captionFlags = 0}); }
    ~ScrollBarTest() override { DestroyWindow(window.get()); }

    // A bar at (20, 40) reporting every notification.
    ScrollBar& Make(int width, int height, int barType, std::optional<int> maximum = std::nullopt,
                    std::optional<int> position = std::nullopt) {
        bar.CreateScrollBar(window.get(), 20, 40, width, height, position, 0, maximum, std::nullopt,
                            std::nullopt, std::nullopt, barType);
        bar.SetScrollHandler([this](Element* parent, int value) {
            EXPECT_EQ(parent, nullptr);
            notified.push_back(value);
        });
        return bar;
    }

    TestWindow window;
    UIHost host;
    ScrollBar bar;
    std::vector<int> notified;
};

TEST_F(ScrollBarTest, LayoutAndThumbLengthNeverBelowThirty) {
    Make(200, 10, ScrollBar::kHorizontal);
    EXPECT_EQ(bar.kind, ScrollBar::kKind);
    EXPECT_EQ(bar.focusable, 0);
    EXPECT_EQ(bar.fadeInterval, 60);
    EXPECT_EQ(bar.position, 0);
    EXPECT_EQ(bar.arrowBoxes[1].X, 191.0f);
    EXPECT_EQ(bar.track.X, 10.0f);
    EXPECT_EQ(bar.track.Width, 180.0f);
    EXPECT_EQ(bar.thumbLength, 30) << "a track longer than the range";

    bar.Maximum(50);  // 180 * 180 / 230
    EXPECT_EQ(bar.thumbLength, 140);
    bar.Maximum(5000);
    EXPECT_EQ(bar.thumbLength, 30);
    bar.Maximum(0);
    EXPECT_EQ(bar.thumbLength, 0) << "nothing to scroll, no thumb";
    bar.Notify();
    EXPECT_TRUE(notified.empty()) << "a bar without a thumb notifies nobody";

    ScrollBar shortBar;
    shortBar.CreateScrollBar(window.get(), 0, 0, 10, 40, std::nullopt, 0, 100, std::nullopt,
                             std::nullopt, std::nullopt, ScrollBar::kVertical);
    EXPECT_EQ(shortBar.track.Height, 20.0f);
    EXPECT_EQ(shortBar.arrowBoxes[1].Y, 31.0f);
    EXPECT_EQ(shortBar.thumbLength, 30) << "a 20-pixel track still gets a 30-pixel thumb";
    shortBar.Maximum(1000);
    EXPECT_EQ(shortBar.thumbLength, 30);
    // The thumb cannot move: every point gives an end of the range, never a wild value.
    EXPECT_EQ(shortBar.PositionFromPoint(15), 1000);
    EXPECT_EQ(shortBar.ThumbOffset(), 10.0f);
}

TEST_F(ScrollBarTest, PositionsAndPointsAgree) {
    Make(200, 10, ScrollBar::kHorizontal, 400);
    EXPECT_EQ(bar.thumbLength, 81) << "laid out: 180 * 180 / 400";
    bar.Maximum(400);
    ASSERT_EQ(bar.thumbLength, 55) << "ranged: 180 * 180 / 580";
    const float span = 180.0f - 55.0f;
    EXPECT_EQ(bar.PositionFromPoint(5), 0) << "before the track";
    EXPECT_EQ(bar.PositionFromPoint(10 + span), 400) << "the thumb at the end of the track";
    EXPECT_EQ(bar.PositionFromPoint(10 + span / 2), 200);
    for (int position : {0, 100, 399, 400}) {
        bar.Position(position);
        EXPECT_EQ(bar.PositionFromPoint(bar.ThumbOffset() + 0.01f), position) << position;
    }
    EXPECT_EQ(bar.Position(-5), 0) << "positions stay inside the range";
    EXPECT_EQ(bar.Position(900), 400);
    bar.Maximum(300);
    EXPECT_EQ(bar.position, 300) << "a smaller range takes the position with it";

    // A range that does not start at 0 is followed too.
    bar.Minimum(100);
    bar.Position(200);
    EXPECT_EQ(bar.PositionFromPoint(bar.ThumbOffset() + 0.01f), 200);
    EXPECT_EQ(bar.PositionFromPoint(0), 100);
}

TEST_F(ScrollBarTest, HoldingTheDecrementingArrowStopsExactlyAtTheMinimum) {
    Make(10, 200, ScrollBar::kVertical, 100, 4);
    ASSERT_EQ(bar.position, 4);
    EXPECT_EQ(bar.Send(kPressQuery, 0, At(25, 45)), 0) << "takes presses though not focusable";
    bar.Send(WM_LBUTTONDOWN, MK_LBUTTON, At(25, 45));  // inside the upper arrow box
    EXPECT_EQ(bar.pressMode, ScrollBar::kDecrement);
    PumpFor(600);  // about ten ticks of 60 ms
    EXPECT_EQ(bar.position, 0);
    EXPECT_EQ(notified, (std::vector<int>{3, 2, 1, 0})) << "once more with the minimum, then quiet";
    EXPECT_FALSE(KillTimer(window.get(), reinterpret_cast<UINT_PTR>(&bar)))
        << "the repeat timer has stopped";
    bar.Send(WM_LBUTTONUP, MK_LBUTTON, At(25, 45));
    EXPECT_EQ(bar.pressMode, ScrollBar::kNothing);

    // The incrementing arrow stops at the maximum in steps of repeatStep.
    notified.clear();
    bar.RepeatStep(40);
    bar.Send(WM_LBUTTONDOWN, MK_LBUTTON, At(25, 235));
    EXPECT_EQ(bar.pressMode, ScrollBar::kIncrement);
    PumpFor(400);
    bar.Send(WM_LBUTTONUP, MK_LBUTTON, At(25, 235));
    EXPECT_EQ(notified, (std::vector<int>{40, 80, 100}));
}

TEST_F(ScrollBarTest, APressOnTheTrackDoesNotMove) {
    Make(10, 200, ScrollBar::kVertical, 100, 50);
    const RectF thumb = bar.ThumbRect();
    const int belowThumb = 40 + static_cast<int>(thumb.Y + thumb.Height) + 5;
    bar.Send(WM_LBUTTONDOWN, MK_LBUTTON, At(25, belowThumb));
    EXPECT_EQ(bar.pressMode, ScrollBar::kTrack);
    PumpFor(200);
    EXPECT_EQ(bar.position, 50);
    EXPECT_TRUE(notified.empty());
    EXPECT_FALSE(KillTimer(window.get(), reinterpret_cast<UINT_PTR>(&bar)));
    bar.Send(WM_LBUTTONUP, MK_LBUTTON, At(25, belowThumb));
}

TEST_F(ScrollBarTest, DraggingTheThumbFollowsThePointer) {
    Make(200, 10, ScrollBar::kHorizontal, 400);
    bar.Maximum(400);  // thumb 55, span 125
    const WPARAM pressed = reinterpret_cast<WPARAM>(&bar);
    const int grab = 20 + 10 + 5;  // five pixels into the thumb at position 0
    bar.Send(WM_LBUTTONDOWN, MK_LBUTTON, At(grab, 45));
    ASSERT_EQ(bar.pressMode, ScrollBar::kThumb);
    bar.Send(WM_MOUSEMOVE, pressed, At(grab + 62, 45));  // half of the 125-pixel span
    EXPECT_NEAR(bar.position, 198, 2);
    bar.Send(WM_MOUSEMOVE, pressed, At(grab + 500, 80));  // far outside the bar
    EXPECT_EQ(bar.position, 400);
    bar.Send(WM_MOUSEMOVE, pressed, At(0, 45));
    EXPECT_EQ(bar.position, 0);
    bar.Send(WM_LBUTTONUP, MK_LBUTTON, At(0, 45));
    ASSERT_EQ(notified.size(), 3u) << "every move notifies";
    EXPECT_EQ(notified.back(), 0);

    // With bit 0 of the flags clear only the release notifies.
    notified.clear();
    bar.Flags(0);
    bar.Send(WM_LBUTTONDOWN, MK_LBUTTON, At(grab, 45));
    bar.Send(WM_MOUSEMOVE, pressed, At(grab + 30, 45));
    bar.Send(WM_MOUSEMOVE, pressed, At(grab + 60, 45));
    EXPECT_TRUE(notified.empty());
    bar.Send(WM_LBUTTONUP, MK_LBUTTON, At(grab + 60, 45));
    ASSERT_EQ(notified.size(), 1u);
    EXPECT_EQ(notified[0], bar.position);
    EXPECT_GT(bar.position, 150);
}

TEST_F(ScrollBarTest, DrawsTrackThumbAndArrowsOnItsSurface) {
    Make(200, 10, ScrollBar::kHorizontal, 400);
    bar.Position(0);
    bar.Send(WM_PAINT, 0, 1);
    auto alpha = [&](int x, int y) {
        gp::GdipFlush(bar.surfaceGraphics.get(), Gdiplus::FlushIntentionSync);
        Gdiplus::ARGB pixel = 0;
        gp::GdipBitmapGetPixel(bar.surface.get(), x, y, &pixel);
        return static_cast<int>(pixel >> 24);
    };
    const int thumb = alpha(30, 5);
    const int track = alpha(150, 5);
    EXPECT_GT(thumb, track) << "the thumb is darker than the bare track";
    EXPECT_GT(track, 20);
    EXPECT_GT(alpha(4, 5), 50) << "the left arrow";
    EXPECT_EQ(alpha(9, 0), 0) << "the gap between arrow box and track";

    bar.ShowFull(0);
    bar.Send(kMouseLeave, 0, 0);
    bar.FadeAlpha(255);
    EXPECT_EQ(alpha(150, 5), 0) << "only the thumb until the bar is hovered";
    EXPECT_GT(alpha(30, 5), 0);
}

TEST_F(ScrollBarTest, DestroyForgetsTheRangeAndWindowsLeaveNoObjects) {
    Make(200, 10, ScrollBar::kHorizontal, 400, 20);
    bar.Destroy();
    EXPECT_EQ(bar.position, 0);
    EXPECT_EQ(bar.maximum, 0);
    EXPECT_EQ(bar.thumbLength, 0);

    const auto [before, after] = hosttest::CountsAroundRounds(3, [&] {
        TestWindow other(300, 200);
        UIHost otherHost;
        otherHost.Attach(other.get(), {.captionFlags = 0});
        ScrollBar a;
        a.CreateScrollBar(other.get(), 0, 0, 10, 150, 3, 0, 10, std::nullopt, std::nullopt,
                          std::nullopt, ScrollBar::kVertical);
        a.Send(WM_LBUTTONDOWN, MK_LBUTTON, At(5, 4));
        PumpFor(100);
        a.Send(WM_LBUTTONUP, MK_LBUTTON, At(5, 4));
        DestroyWindow(other.get());
    });
    EXPECT_EQ(after.gdi, before.gdi);
    EXPECT_EQ(after.user, before.user);
}

}  // namespace
