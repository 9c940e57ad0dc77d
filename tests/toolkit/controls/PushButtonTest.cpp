// The push button on a real host window: access keys, the state machine and
// its crossfades, the glass body and the caption placement read back from
// the button's surface, and the setters.
#include "toolkit/controls/PushButton.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "toolkit/core/Toolkit.h"
#include "toolkit/draw/Colour.h"
#include "toolkit/host/UIHost.h"

namespace {

// A host attached to a real pop-up window of the toolkit's class, recording
// the access keys its controls register.
class HostedWindow {
public:
    explicit HostedWindow(COLORREF theme = 0xFFFFFF) {
        window = CreateWindowExA(0, "Yn_DirectUI", "button test", WS_POPUP, 30, 30, 240, 90,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        AttachOptions options;
        options.color = theme;
        attached = host.Attach(window, options);
        host.SetMessageHook([this](HWND, UINT msg, WPARAM, LPARAM lParam) -> LRESULT {
            if (msg == kRegisterMnemonic) registered.push_back(static_cast<int>(lParam));
            return -1;
        });
    }
    ~HostedWindow() {
        if (window && IsWindow(window)) DestroyWindow(window);
    }
    HostedWindow(const HostedWindow&) = delete;
    HostedWindow& operator=(const HostedWindow&) = delete;

    int MnemonicOf(Element* element) const {
        for (const Mnemonic& m : host.mnemonics)
            if (m.element == element) return m.character;
        return 0;
    }

    HWND window = nullptr;
    UIHost host;
    bool attached = false;
    std::vector<int> registered;
};

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

Gdiplus::ARGB SurfacePixel(Element& element, int x, int y) {
    Gdiplus::ARGB p = 0;
    gp::GdipBitmapGetPixel(element.surface.get(), x, y, &p);
    return p;
}
int Alpha(Gdiplus::ARGB p) {
    return static_cast<int>(p >> 24);
}
int Red(Gdiplus::ARGB p) {
    return static_cast<int>((p >> 16) & 0xFF);
}
int Blue(Gdiplus::ARGB p) {
    return static_cast<int>(p & 0xFF);
}

struct Box {
    int minX = 1 << 20, minY = 1 << 20, maxX = -1, maxY = -1;
    bool Empty() const { return maxX < 0; }
};

// Dark, nearly opaque pixels of the caption area: the black caption's ink.
Box CaptionInk(Element& element) {
    Box box;
    const int w = static_cast<int>(element.rect.Width), h = static_cast<int>(element.rect.Height);
    for (int y = 3; y < h - 3; ++y)
        for (int x = 3; x < w - 3; ++x) {
            const Gdiplus::ARGB p = SurfacePixel(element, x, y);
            if (Alpha(p) < 150 || Red(p) > 90) continue;
            box.minX = std::min(box.minX, x);
            box.maxX = std::max(box.maxX, x);
            box.minY = std::min(box.minY, y);
            box.maxY = std::max(box.maxY, y);
        }
    return box;
}

class PushButtonTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!DefaultFont) StartToolkit();
    }
    void SetUp() override { ASSERT_TRUE(hosted.attached); }

    PushButton& Make(const std::string& caption = "&Open", PushButtonOptions options = {}) {
        button.CreateButton(hosted.window, 20, 20, 81, 24, caption, options);
        return button;
    }
    // Runs the crossfade to its end with the timer messages the host delivers.
    int Ticks(PushButton& b) {
        int ticks = 0;
        while (b.fadeAlpha < b.opacity && ticks < 20) {
            SendMessageA(hosted.window, WM_TIMER, reinterpret_cast<WPARAM>(b.handle), 0);
            ++ticks;
        }
        return ticks;
    }

    HostedWindow hosted;
    PushButton button;  // after the window: destroyed before it
};

TEST_F(PushButtonTest, CreationTakesTheDefaultsAndRegistersTheAccessKey) {
    Make();
    EXPECT_EQ(button.kind, 2);
    EXPECT_EQ(button.focusable, 1);
    EXPECT_EQ(button.fadeInterval, 60);
    EXPECT_EQ(button.textColour, 0xD2000000u);
    EXPECT_EQ(button.corners, hosted.host.frameStyle);
    EXPECT_EQ(button.Font(), DefaultFont);
    EXPECT_EQ(button.state, kButtonNormal);
    EXPECT_GT(button.captionWidth, 10.0f);
    EXPECT_GT(button.captionHeight, 5.0f);
    ASSERT_TRUE(button.format);
    INT flags = 0, prefix = 0;
    gp::GdipGetStringFormatFlags(button.format.Handle(), &flags);
    gp::GdipGetStringFormatHotkeyPrefix(button.format.Handle(), &prefix);
    EXPECT_EQ(flags, Gdiplus::StringFormatFlagsNoWrap);
    EXPECT_EQ(prefix, Gdiplus::HotkeyPrefixShow);

    EXPECT_EQ(hosted.registered, std::vector<int>{'O'});
    EXPECT_EQ(hosted.MnemonicOf(&button), 'O');
    // Alt+O clicks it.
    int clicks = 0;
    button.BindEvent(kClick, [&](Element*, Element*, UINT, WPARAM, LPARAM) -> LRESULT {
        ++clicks;
        return 0;
    });
    SendMessageA(hosted.window, WM_SYSKEYDOWN, 'O', 0);
    EXPECT_EQ(clicks, 1);

    // A new caption brings its own key; one without "&" registers 0 and
    // leaves none behind.
    button.Caption("&Save");
    EXPECT_EQ(hosted.MnemonicOf(&button), 'S');
    button.Caption("Save");
    EXPECT_EQ(hosted.registered.back(), 0);
    EXPECT_EQ(hosted.MnemonicOf(&button), 0);
}

TEST_F(PushButtonTest, CaptionWithoutAmpersandRegistersZero) {
    Make("Open");
    EXPECT_EQ(hosted.registered, std::vector<int>{0});
    EXPECT_TRUE(hosted.host.mnemonics.empty());
    EXPECT_EQ(PushButton::MnemonicOf("a&"), 0);
    EXPECT_EQ(PushButton::MnemonicOf("x&y&z"), 'y');
    EXPECT_EQ(PushButton::MnemonicOf("&\xC4\xE3"), 0xC4E3);  // a double-byte character
}

TEST_F(PushButtonTest, EveryTransitionCrossfadesFromItsStartAlpha) {
    Make();
    Ticks(button);
    struct Step {
        UINT code;
        int state;
        int startAlpha;
        int ticks;
    };
    const Step steps[] = {
        {kMouseEnter, kButtonHot, 51, 4},    {WM_LBUTTONDOWN, kButtonPressed, 153, 2},
        {WM_LBUTTONUP, kButtonHot, 153, 2},  {kFocusGained, kButtonFocused, 204, 1},
        {kFocusLost, kButtonNormal, 102, 3}, {kMouseLeave, kButtonNormal, 51, 4},
    };
    for (const Step& step : steps) {
        DeliverToElement(&button, step.code, 0, 0);
        EXPECT_EQ(button.state, step.state) << step.code;
        EXPECT_EQ(button.fadeAlpha, step.startAlpha) << step.code;
        EXPECT_TRUE(button.fadeSnapshot) << step.code;
        EXPECT_EQ(Ticks(button), step.ticks) << step.code;
        EXPECT_EQ(button.fadeAlpha, 255);
        EXPECT_FALSE(button.fadeSnapshot) << step.code;
    }
    // Leaving a focused button keeps it focused.
    hosted.host.focused = &button;
    DeliverToElement(&button, kMouseEnter, 0, 0);
    DeliverToElement(&button, kMouseLeave, 0, 0);
    EXPECT_EQ(button.state, kButtonFocused);
}

TEST_F(PushButtonTest, TheWindowTimerRunsTheCrossfadeToTheEnd) {
    Make();
    DeliverToElement(&button, kMouseEnter, 0, 0);
    ASSERT_EQ(button.fadeAlpha, 51);
    const DWORD start = GetTickCount();
    while (button.fadeAlpha < 255 && GetTickCount() - start < 5000) {
        Pump();
        Sleep(5);
    }
    EXPECT_EQ(button.fadeAlpha, 255);
    EXPECT_FALSE(button.fadeSnapshot);
    // The finished fade stopped its timer: no more ticks arrive.
    int lateTicks = 0;
    button.BindEvent(WM_TIMER, [&](Element*, Element*, UINT, WPARAM, LPARAM) -> LRESULT {
        ++lateTicks;
        return -1;
    });
    Sleep(150);
    Pump();
    EXPECT_EQ(lateTicks, 0);
}

TEST_F(PushButtonTest, PressedCaptionMovesOnePixelRightAndDown) {
    PushButtonOptions options;
    options.textColour = 0xFF000000;
    options.fontSize = 16.0f;
    Make("HOH", options);
    DeliverToElement(&button, kMouseEnter, 0, 0);
    const Box hot = CaptionInk(button);
    ASSERT_FALSE(hot.Empty());
    DeliverToElement(&button, WM_LBUTTONDOWN, 0, 0);
    const Box pressed = CaptionInk(button);
    EXPECT_EQ(pressed.minX, hot.minX + 1);
    EXPECT_EQ(pressed.maxX, hot.maxX + 1);
    EXPECT_EQ(pressed.minY, hot.minY + 1);
    EXPECT_EQ(pressed.maxY, hot.maxY + 1);
    // Inside the caption box: centred in (3, 3, w - 6, h - 6), one pixel right.
    const float boxX = 3 + (75 - button.captionWidth) / 2 + 1;
    const float boxY = 3 + (18 - button.captionHeight) / 2;
    EXPECT_GE(hot.minX, static_cast<int>(boxX));
    EXPECT_LE(hot.maxX, static_cast<int>(boxX + button.captionWidth));
    EXPECT_GE(hot.minY, static_cast<int>(boxY));
    EXPECT_LE(hot.maxY, static_cast<int>(boxY + button.captionHeight));
}

TEST_F(PushButtonTest, CornersChooseSquareOrRoundedOutlines) {
    PushButtonOptions square;
    square.corners = 0;
    Make("Open", square);
    EXPECT_GE(Alpha(SurfacePixel(button, 0, 0)), 70);    // outline (black, 80) reaches the corner
    EXPECT_GE(Alpha(SurfacePixel(button, 80, 23)), 70);  // and the far one
    button.Corners(7);
    EXPECT_LT(Alpha(SurfacePixel(button, 0, 0)), 40);  // cut off by the rounded body
    EXPECT_LT(Alpha(SurfacePixel(button, 80, 23)), 40);
    EXPECT_GT(Alpha(SurfacePixel(button, 40, 0)), 150);  // the edge itself is there
}

TEST(PushButtonLook, ThemeGradientRisesFromTheBottomAndFromTheTopWhenPressed) {
    if (!DefaultFont) StartToolkit();
    HostedWindow hosted(0xFF0000);  // a blue theme colour
    ASSERT_TRUE(hosted.attached);
    PushButton button;
    button.CreateButton(hosted.window, 10, 10, 81, 24, "");
    auto blueness = [&](int y) {
        const Gdiplus::ARGB p = SurfacePixel(button, 40, y);
        return Blue(p) - Red(p);
    };
    EXPECT_GT(blueness(20), blueness(3) + 30);  // normal: alphas 0 at the top, 102 at the bottom
    DeliverToElement(&button, WM_LBUTTONDOWN, 0, 0);
    EXPECT_GT(blueness(3), blueness(20) + 30);  // pressed: 153 at the top, 21 at the bottom
    // Unknown states draw no body at all.
    button.PaintState(7, 255);
    EXPECT_EQ(Alpha(SurfacePixel(button, 40, 12)), 0);
}

TEST_F(PushButtonTest, SettersRemeasureOnlyWhatChangesTheCaption) {
    Make("A");
    const float oneLetter = button.captionWidth;
    button.captionWidth = 999;
    button.TextColour(0xFFFF0000);
    button.EffectColour(0x64FFFF00);
    button.TextEffect(3);
    EXPECT_EQ(button.captionWidth, 999);  // colours and effects keep the measure
    EXPECT_EQ(button.fadeAlpha, 204);     // ... and repaint with a short fade
    button.Caption("AAAA");
    EXPECT_GT(button.captionWidth, oneLetter * 2);
    EXPECT_EQ(button.fadeAlpha, 102);

    const float height12 = button.captionHeight;
    const std::string family = button.FontFamily();
    EXPECT_FLOAT_EQ(button.FontSize(24.0f), 24.0f);
    EXPECT_NE(button.Font(), DefaultFont);
    EXPECT_GT(button.captionHeight, height12 + 5);
    EXPECT_EQ(button.FontStyle(1), 1);
    EXPECT_FLOAT_EQ(button.FontSize(), 24.0f);
    EXPECT_EQ(button.FontFamily(), family);
    button.ReleaseFont();
    EXPECT_EQ(button.Font(), DefaultFont);
    // Handing DefaultFont back never makes the button its owner.
    button.Font(DefaultFont);
    EXPECT_FALSE(button.font);

    // A new format is adopted and re-measures.
    GpStringFormat* wrapping = nullptr;
    gp::GdipCreateStringFormat(0, 0, &wrapping);
    button.captionWidth = 999;
    EXPECT_EQ(button.Format(wrapping), wrapping);
    EXPECT_NE(button.captionWidth, 999);
    EXPECT_EQ(button.Format(wrapping), wrapping);  // the same one again is kept, not freed
}

TEST_F(PushButtonTest, DestroyReleasesTheFontFormatAndAccessKey) {
    PushButtonOptions options;
    options.fontSize = 20.0f;
    Make("&Go", options);
    ASSERT_TRUE(button.font);
    ASSERT_EQ(hosted.MnemonicOf(&button), 'G');
    button.Destroy();
    EXPECT_FALSE(button.font);
    EXPECT_FALSE(button.format);
    EXPECT_EQ(button.caption, "");
    EXPECT_EQ(hosted.MnemonicOf(&button), 0);
    SendMessageA(hosted.window, WM_SYSKEYDOWN, 'G', 0);  // reaches nothing
}

TEST(PushButtonWindow, AWindowOfButtonsLeavesNoGdiOrUserObjectsBehind) {
    if (!DefaultFont) StartToolkit();
    const HANDLE self = GetCurrentProcess();
    if (GetGuiResources(self, GR_GDIOBJECTS) == 0)
        GTEST_SKIP() << "no GDI object counts on this system (Wine)";
    auto round = [] {
        HostedWindow hosted;
        std::vector<PushButton> buttons(4);
        for (int i = 0; i < 4; ++i) {
            buttons[i].CreateButton(hosted.window, 10 + i * 50, 10, 45, 24, "&Go");
            DeliverToElement(&buttons[i], kMouseEnter, 0, 0);
            DeliverToElement(&buttons[i], WM_LBUTTONDOWN, 0, 0);
        }
        DestroyWindow(hosted.window);
    };
    round();  // first use loads what stays loaded
    const DWORD gdi = GetGuiResources(self, GR_GDIOBJECTS);
    const DWORD user = GetGuiResources(self, GR_USEROBJECTS);
    for (int i = 0; i < 3; ++i) round();
    EXPECT_EQ(GetGuiResources(self, GR_GDIOBJECTS), gdi);
    EXPECT_EQ(GetGuiResources(self, GR_USEROBJECTS), user);
}

TEST(PushButtonAlone, WithoutAHostItStoresTheStateAndDrawsNothing) {
    PushButton button;
    button.PaintState(kButtonPressed, 153);
    EXPECT_EQ(button.state, kButtonPressed);
    EXPECT_FALSE(button.surface);
    EXPECT_EQ(button.Caption("x"), "x");
}

}  // namespace
