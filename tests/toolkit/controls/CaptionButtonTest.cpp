// The caption buttons on a real host window: the strip cell each kind and
// state shows (read back against the strip itself), the crossfade start
// alphas, and the window commands a click posts.
#include "toolkit/controls/CaptionButton.h"

#include <gtest/gtest.h>

#include <bit>
#include <vector>

#include "tests/toolkit/host/HostTestSupport.h"

namespace {

using hosttest::Pump;

Gdiplus::ARGB PixelOf(GpImage* image, int x, int y) {
    Gdiplus::ARGB p = 0;
    gp::GdipBitmapGetPixel(static_cast<GpBitmap*>(image), x, y, &p);
    return p;
}
bool Same(Gdiplus::ARGB a, Gdiplus::ARGB b) {
    return ((a >> 24) < 8 && (b >> 24) < 8) || hosttest::Near(a, b, 8);
}
// Share of the pixels of the strip cell at `cellX` (rows 2 to 19) that `image`
// (a surface, or the strip at `otherX`) shows.
double Match(GpImage* image, int imageX, int cellX, int width) {
    int same = 0;
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < width; ++x)
            same += Same(PixelOf(image, imageX + x, image == CaptionButtonsImage ? y + 2 : y),
                         PixelOf(CaptionButtonsImage, cellX + x, y + 2));
    return same / (18.0 * width);
}
double Shows(Element& button, int cellX) {
    return Match(button.surface.get(), 0, cellX, static_cast<int>(button.rect.Width));
}

class CaptionButtonTest : public ::testing::Test {
protected:
    CaptionButtonTest() {
        hosttest::EnsureToolkit();
        window = CreateWindowExA(0, "Yn_DirectUI", "caption", WS_POPUP, 30, 30, 300, 120, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        attached = host.Attach(window);
        // Window commands are recorded and swallowed: the window stays as it is.
        host.SetMessageHook([this](HWND, UINT msg, WPARAM wParam, LPARAM) -> LRESULT {
            if (msg != WM_CLOSE && msg != WM_SYSCOMMAND) return -1;
            posted.push_back(msg == WM_CLOSE ? 0 : wParam);
            return 0;
        });
    }
    ~CaptionButtonTest() override { DestroyWindow(window); }
    void SetUp() override { ASSERT_TRUE(attached && CaptionButtonsImage); }

    void Make(CaptionButton& b, int kind) {
        b.CreateCaptionButton(window, 200, 6, kind == kCaptionButtonClose ? 39 : 28, 19, kind);
    }
    int Ticks(CaptionButton& b) {
        int n = 0;
        for (; b.fadeAlpha < 255 && n < 20; ++n)
            SendMessageA(window, WM_TIMER, reinterpret_cast<WPARAM>(b.handle), 0);
        return n;
    }
    std::vector<WPARAM> Click(CaptionButton& b) {
        posted.clear();
        DeliverToElement(&b, kClick, 0, 0);
        Pump();
        return posted;
    }

    HWND window;
    UIHost host;
    bool attached;
    std::vector<WPARAM> posted;  // 0 for WM_CLOSE, else the command
};

TEST_F(CaptionButtonTest, EachStateShowsItsCellAfterItsFade) {
    ASSERT_LT(Match(CaptionButtonsImage, 40, 0, 39), 0.9);  // the cells tell apart
    ASSERT_LT(Match(CaptionButtonsImage, 80, 40, 39), 0.9);
    CaptionButton close;
    Make(close, kCaptionButtonClose);
    EXPECT_EQ(close.kind, 1);
    EXPECT_EQ(close.focusable, 0);
    EXPECT_EQ(close.Send(kPressQuery, 0, 0), 0);  // takes the press all the same
    EXPECT_EQ(Ticks(close), 5);                   // painted in from 0
    EXPECT_GT(Shows(close, 0), 0.95);
    struct Step {
        UINT code;
        int cellX, fadeStart, ticks;
    };
    for (const Step& s : {Step{kMouseEnter, 40, 102, 3}, Step{WM_LBUTTONDOWN, 80, 153, 2},
                          Step{WM_LBUTTONUP, 40, 153, 2}, Step{kMouseLeave, 0, 0, 5}}) {
        DeliverToElement(&close, s.code, 0, 0);
        EXPECT_EQ(close.fadeAlpha, s.fadeStart) << s.code;
        EXPECT_GT(Shows(close, s.cellX), 0.95) << s.code;
        EXPECT_EQ(Ticks(close), s.ticks) << s.code;
    }
    DeliverToElement(&close, kMouseLeave, 0, 0);  // already shown: not drawn again
    EXPECT_EQ(close.fadeAlpha, 255);

    // The 28-pixel kinds: 87 pixels apart, minimise first.
    for (int kind : {16, 32, 64, 128, 256}) {
        CaptionButton b;
        Make(b, kind);
        const int first = 294 + 87 * std::countr_zero(static_cast<unsigned>(kind >> 4));
        EXPECT_GT(Shows(b, first), 0.95) << kind;
        DeliverToElement(&b, WM_LBUTTONDOWN, 0, 0);
        EXPECT_GT(Shows(b, first + 58), 0.95) << kind;
    }
    CaptionButton odd;  // a kind outside the strip draws nothing
    Make(odd, 2);
    for (int y = 0; y < 19; ++y)
        for (int x = 0; x < 28; ++x) ASSERT_EQ(PixelOf(odd.surface.get(), x, y) >> 24, 0u);
}

TEST_F(CaptionButtonTest, MaximiseShowsAndPostsRestoreWhileZoomed) {
    ASSERT_LT(Match(CaptionButtonsImage, 207, 120, 28), 0.9);
    CaptionButton maximise;
    Make(maximise, kCaptionButtonMaximise);
    EXPECT_GT(Shows(maximise, 120), 0.95);
    EXPECT_EQ(Click(maximise), std::vector<WPARAM>{SC_MAXIMIZE});
    ShowWindow(window, SW_SHOWMAXIMIZED);
    Pump();
    ASSERT_TRUE(IsZoomed(window));
    DeliverToElement(&maximise, kMouseEnter, 0, 0);
    EXPECT_GT(Shows(maximise, 236), 0.95);  // restore, hovered
    EXPECT_EQ(Click(maximise), std::vector<WPARAM>{SC_RESTORE});
    ShowWindow(window, SW_RESTORE);
    Pump();
    maximise.Repaint();
    EXPECT_GT(Shows(maximise, 120), 0.95);
}

TEST_F(CaptionButtonTest, ClickPostsCloseAndMinimiseUnlessIconicDisabledOrGone) {
    CaptionButton close, minimise, further;
    Make(close, kCaptionButtonClose);
    Make(minimise, kCaptionButtonMinimise);
    Make(further, 64);
    EXPECT_EQ(Click(close), std::vector<WPARAM>{0});
    EXPECT_EQ(Click(minimise), std::vector<WPARAM>{SC_MINIMIZE});
    EXPECT_TRUE(Click(further).empty());
    ShowWindow(window, SW_SHOWMINIMIZED);
    Pump();
    ASSERT_TRUE(IsIconic(window));
    EXPECT_TRUE(Click(minimise).empty());
    ShowWindow(window, SW_RESTORE);
    close.Disabled(1);
    EXPECT_TRUE(Click(close).empty());
    minimise.Destroy();
    EXPECT_EQ(minimise.ButtonKind(), 0);
    EXPECT_TRUE(Click(minimise).empty());
}

}  // namespace
