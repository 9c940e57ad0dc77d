// The caption buttons on a real host window: the strip cell each kind and
// state shows (read back from the surface against the strip itself), the
// crossfade start alphas, and the window commands a click posts.
#include "toolkit/controls/CaptionButton.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "toolkit/core/Toolkit.h"
#include "toolkit/host/UIHost.h"

namespace {

struct Posted {
    UINT msg;
    WPARAM wParam;
};

// A host on a real pop-up window; the window commands the buttons post are
// recorded and swallowed, so the window stays as it is.
class HostedWindow {
public:
    HostedWindow() {
        window = CreateWindowExA(0, "Yn_DirectUI", "caption test", WS_POPUP, 30, 30, 300, 120,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        attached = host.Attach(window);
        host.SetMessageHook([this](HWND, UINT msg, WPARAM wParam, LPARAM) -> LRESULT {
            if (msg != WM_CLOSE && msg != WM_SYSCOMMAND) return -1;
            posted.push_back({msg, wParam});
            return 0;
        });
    }
    ~HostedWindow() {
        if (window && IsWindow(window)) DestroyWindow(window);
    }
    HostedWindow(const HostedWindow&) = delete;
    HostedWindow& operator=(const HostedWindow&) = delete;

    HWND window = nullptr;
    UIHost host;
    bool attached = false;
    std::vector<Posted> posted;
};

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

Gdiplus::ARGB PixelOf(GpImage* image, int x, int y) {
    Gdiplus::ARGB p = 0;
    gp::GdipBitmapGetPixel(static_cast<GpBitmap*>(image), x, y, &p);
    return p;
}

bool Same(Gdiplus::ARGB a, Gdiplus::ARGB b) {
    if ((a >> 24) < 8 && (b >> 24) < 8) return true;  // both transparent
    for (int shift = 0; shift < 32; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (std::abs(d) > 8) return false;
    }
    return true;
}

// Share of the cell's pixels (rows 2 to 19 of the strip) that the surface shows.
double ShowsCell(Element& button, int cellX, int width) {
    int same = 0, all = 0;
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < width; ++x, ++all)
            same += Same(PixelOf(button.surface.get(), x, y),
                         PixelOf(CaptionButtonsImage, cellX + x, 2 + y));
    return static_cast<double>(same) / all;
}

// Whether two cells of the strip differ enough to tell them apart.
bool CellsDiffer(int x1, int x2, int width) {
    int differing = 0;
    for (int y = 2; y < 20; ++y)
        for (int x = 0; x < width; ++x)
            differing += !Same(PixelOf(CaptionButtonsImage, x1 + x, y),
                               PixelOf(CaptionButtonsImage, x2 + x, y));
    return differing > width;
}

class CaptionButtonTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!DefaultFont) StartToolkit();
    }
    void SetUp() override {
        ASSERT_TRUE(hosted.attached);
        ASSERT_NE(CaptionButtonsImage, nullptr);
    }
    CaptionButton& Make(int kind) {
        const int width = kind == kCaptionButtonClose ? 39 : 28;
        button.CreateCaptionButton(hosted.window, 200, 6, width, 19, kind);
        return button;
    }
    int Ticks() {
        int ticks = 0;
        while (button.fadeAlpha < button.opacity && ticks < 20) {
            SendMessageA(hosted.window, WM_TIMER, reinterpret_cast<WPARAM>(button.handle), 0);
            ++ticks;
        }
        return ticks;
    }

    HostedWindow hosted;
    CaptionButton button;  // after the window: destroyed before it
};

TEST_F(CaptionButtonTest, CreationMakesAnUnfocusableButtonThatTakesPresses) {
    Make(kCaptionButtonClose);
    EXPECT_EQ(button.kind, 1);
    EXPECT_EQ(button.focusable, 0);
    EXPECT_EQ(button.visible, 1);
    EXPECT_EQ(button.fadeInterval, 60);
    EXPECT_EQ(button.ButtonKind(), kCaptionButtonClose);
    EXPECT_EQ(button.Send(kPressQuery, 0, 0), 0);
    EXPECT_EQ(button.Send(WM_KEYDOWN, VK_SPACE, 0), -1);
    // It fades in from nothing when first painted.
    EXPECT_EQ(button.fadeAlpha, 0);
    EXPECT_EQ(Ticks(), 5);

    CaptionButton hidden;
    hidden.CreateCaptionButton(hosted.window, 10, 6, 28, 19, kCaptionButtonMinimise, 0);
    EXPECT_EQ(hidden.visible, 0);
}

TEST_F(CaptionButtonTest, CloseShowsItsCellForEachStateWithItsFade) {
    ASSERT_TRUE(CellsDiffer(0, 40, 39) && CellsDiffer(40, 80, 39));
    Make(kCaptionButtonClose);
    Ticks();
    EXPECT_GT(ShowsCell(button, 0, 39), 0.95);

    struct Step {
        UINT code;
        int shown;
        int cellX;
        int fadeStart;
        int ticks;
    };
    const Step steps[] = {
        {kMouseEnter, kCaptionHover, 40, 102, 3},
        {WM_LBUTTONDOWN, kCaptionPressed, 80, 153, 2},
        {WM_LBUTTONUP, kCaptionHover, 40, 153, 2},
        {kMouseLeave, kCaptionNormal, 0, 0, 5},
    };
    for (const Step& step : steps) {
        DeliverToElement(&button, step.code, 0, 0);
        EXPECT_EQ(button.shownState, step.shown) << step.code;
        EXPECT_EQ(button.fadeAlpha, step.fadeStart) << step.code;
        EXPECT_GT(ShowsCell(button, step.cellX, 39), 0.95) << step.code;
        EXPECT_EQ(Ticks(), step.ticks) << step.code;
        EXPECT_FALSE(button.fadeSnapshot);
    }
    // The state already shown is not drawn again; a paint always is.
    DeliverToElement(&button, kMouseLeave, 0, 0);
    EXPECT_EQ(button.fadeAlpha, 255);
    button.Repaint();
    EXPECT_EQ(button.fadeAlpha, 0);
}

TEST_F(CaptionButtonTest, EveryKindShowsItsOwnCells) {
    struct Cells {
        int kind, normalX;
    };
    for (const Cells& c : {Cells{kCaptionButtonMinimise, 294}, Cells{32, 381}, Cells{64, 468},
                           Cells{128, 555}, Cells{256, 642}}) {
        CaptionButton b;
        b.CreateCaptionButton(hosted.window, 100, 6, 28, 19, c.kind);
        EXPECT_GT(ShowsCell(b, c.normalX, 28), 0.95) << c.kind;
        DeliverToElement(&b, kMouseEnter, 0, 0);
        EXPECT_GT(ShowsCell(b, c.normalX + 29, 28), 0.95) << c.kind;
        DeliverToElement(&b, WM_LBUTTONDOWN, 0, 0);
        EXPECT_GT(ShowsCell(b, c.normalX + 58, 28), 0.95) << c.kind;
    }
    // A kind outside the strip draws nothing.
    CaptionButton odd;
    odd.CreateCaptionButton(hosted.window, 100, 6, 28, 19, 2);
    DeliverToElement(&odd, kMouseEnter, 0, 0);
    for (int y = 0; y < 19; ++y)
        for (int x = 0; x < 28; ++x) ASSERT_EQ(PixelOf(odd.surface.get(), x, y) >> 24, 0u);
}

TEST_F(CaptionButtonTest, MaximiseShowsRestoreWhileZoomedAndPostsTheMatchingCommand) {
    ASSERT_TRUE(CellsDiffer(120, 207, 28));
    Make(kCaptionButtonMaximise);
    EXPECT_GT(ShowsCell(button, 120, 28), 0.95);
    DeliverToElement(&button, kClick, 0, 0);
    Pump();
    ASSERT_EQ(hosted.posted.size(), 1u);
    EXPECT_EQ(hosted.posted[0].msg, static_cast<UINT>(WM_SYSCOMMAND));
    EXPECT_EQ(hosted.posted[0].wParam, static_cast<WPARAM>(SC_MAXIMIZE));

    ShowWindow(hosted.window, SW_SHOWMAXIMIZED);
    Pump();
    ASSERT_TRUE(IsZoomed(hosted.window));
    DeliverToElement(&button, kMouseEnter, 0, 0);
    EXPECT_GT(ShowsCell(button, 236, 28), 0.95);  // restore, hovered
    button.Repaint();
    EXPECT_GT(ShowsCell(button, 207, 28), 0.95);
    DeliverToElement(&button, kClick, 0, 0);
    Pump();
    ASSERT_EQ(hosted.posted.size(), 2u);
    EXPECT_EQ(hosted.posted[1].wParam, static_cast<WPARAM>(SC_RESTORE));

    ShowWindow(hosted.window, SW_RESTORE);
    Pump();
    button.Repaint();
    EXPECT_GT(ShowsCell(button, 120, 28), 0.95);
}

TEST_F(CaptionButtonTest, ClicksPostCloseAndMinimiseUnlessIconicOrDisabled) {
    Make(kCaptionButtonClose);
    DeliverToElement(&button, kClick, 0, 0);
    Pump();
    ASSERT_EQ(hosted.posted.size(), 1u);
    EXPECT_EQ(hosted.posted[0].msg, static_cast<UINT>(WM_CLOSE));
    button.Disabled(1);
    DeliverToElement(&button, kClick, 0, 0);
    Pump();
    EXPECT_EQ(hosted.posted.size(), 1u);

    CaptionButton minimise;
    minimise.CreateCaptionButton(hosted.window, 150, 6, 28, 19, kCaptionButtonMinimise);
    DeliverToElement(&minimise, kClick, 0, 0);
    Pump();
    ASSERT_EQ(hosted.posted.size(), 2u);
    EXPECT_EQ(hosted.posted[1].wParam, static_cast<WPARAM>(SC_MINIMIZE));
    ShowWindow(hosted.window, SW_SHOWMINIMIZED);
    Pump();
    ASSERT_TRUE(IsIconic(hosted.window));
    DeliverToElement(&minimise, kClick, 0, 0);
    Pump();
    EXPECT_EQ(hosted.posted.size(), 2u);  // already iconic: nothing
    ShowWindow(hosted.window, SW_RESTORE);

    CaptionButton further;
    further.CreateCaptionButton(hosted.window, 120, 6, 28, 19, 64);
    DeliverToElement(&further, kClick, 0, 0);
    Pump();
    EXPECT_EQ(hosted.posted.size(), 2u);
}

TEST_F(CaptionButtonTest, DestroyForgetsTheKind) {
    Make(kCaptionButtonMinimise);
    DeliverToElement(&button, kMouseEnter, 0, 0);
    button.Destroy();
    EXPECT_EQ(button.ButtonKind(), 0);
    EXPECT_EQ(button.shownState, kCaptionNormal);
    DeliverToElement(&button, kClick, 0, 0);  // a destroyed button posts nothing
    Pump();
    EXPECT_TRUE(hosted.posted.empty());
}

}  // namespace
