// The push button on a real host window: access keys, the state machine and
// its crossfades, the body and caption read back from the surface, setters.
#include "toolkit/controls/PushButton.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/toolkit/host/HostTestSupport.h"
#include "toolkit/draw/Colour.h"

namespace {

using hosttest::A;
using hosttest::Pump;
using hosttest::R;

// A host on a real window of the toolkit's class that records the access
// keys its controls register.
struct Hosted {
    explicit Hosted(COLORREF theme = 0xFFFFFF) {
        hosttest::EnsureToolkit();
        window = CreateWindowExA(0, "Yn_DirectUI", "button", WS_POPUP, 30, 30, 240, 90, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        attached = host.Attach(window, {.color = theme});
        host.SetMessageHook([this](HWND, UINT msg, WPARAM, LPARAM lParam) -> LRESULT {
            if (msg == kRegisterMnemonic) registered.push_back(static_cast<int>(lParam));
            return -1;
        });
    }
    ~Hosted() { DestroyWindow(window); }
    int KeyOf(Element* e) const {
        for (const Mnemonic& m : host.mnemonics)
            if (m.element == e) return m.character;
        return 0;
    }
    HWND window;
    UIHost host;
    bool attached;
    std::vector<int> registered;
};

Gdiplus::ARGB Pixel(Element& e, int x, int y) {
    Gdiplus::ARGB p = 0;
    gp::GdipBitmapGetPixel(e.surface.get(), x, y, &p);
    return p;
}

class PushButtonTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(hosted.attached); }
    void Make(const std::string& caption, PushButtonOptions options = {}) {
        button.CreateButton(hosted.window, 20, 20, 81, 24, caption, options);
    }
    // Ends the crossfade with the timer messages the host delivers.
    int Ticks() {
        int n = 0;
        for (; button.fadeAlpha < 255 && n < 20; ++n)
            SendMessageA(hosted.window, WM_TIMER, reinterpret_cast<WPARAM>(button.handle), 0);
        return n;
    }
    // The box of the black caption's dark, opaque pixels.
    RECT Ink() {
        RECT box{1000, 1000, -1, -1};
        for (int y = 3; y < 21; ++y)
            for (int x = 3; x < 78; ++x)
                if (A(Pixel(button, x, y)) > 150 && R(Pixel(button, x, y)) < 90)
                    box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                           std::max<LONG>(box.right, x), std::max<LONG>(box.bottom, y)};
        return box;
    }

    Hosted hosted;
    PushButton button;  // after the window: destroyed before it
};

TEST_F(PushButtonTest, CreationDefaultsAndTheAccessKey) {
    Make("&Open");
    EXPECT_EQ(button.kind, 2);
    EXPECT_EQ(button.fadeInterval, 60);
    EXPECT_EQ(button.textColour, 0xD2000000u);
    EXPECT_EQ(button.corners, hosted.host.frameStyle);
    EXPECT_EQ(button.Font(), DefaultFont);
    INT prefix = 0;
    gp::GdipGetStringFormatHotkeyPrefix(button.format.Handle(), &prefix);
    EXPECT_EQ(prefix, Gdiplus::HotkeyPrefixShow);
    EXPECT_EQ(hosted.KeyOf(&button), 'O');
    int clicks = 0;
    button.BindEvent(kClick, [&](Element*, Element*, UINT, WPARAM, LPARAM) -> LRESULT {
        ++clicks;
        return 0;
    });
    SendMessageA(hosted.window, WM_SYSKEYDOWN, 'O', 0);  // Alt+O
    EXPECT_EQ(clicks, 1);
    // A caption without "&" registers 0, which leaves no key behind.
    button.Caption("Save");
    EXPECT_EQ(hosted.registered, (std::vector<int>{'O', 0}));
    EXPECT_EQ(hosted.KeyOf(&button), 0);
    EXPECT_EQ(PushButton::MnemonicOf("&\xC4\xE3"), 0xC4E3);  // a double-byte character
    EXPECT_EQ(PushButton::MnemonicOf("a&"), 0);
    // Destroying releases the font, format, caption and key.
    button.FontSize(20.0f);
    button.Caption("&Go");
    button.Destroy();
    EXPECT_FALSE(button.font || button.format);
    EXPECT_EQ(button.caption, "");
    EXPECT_EQ(hosted.KeyOf(&button), 0);
}

TEST_F(PushButtonTest, EveryTransitionCrossfadesFromItsStartAlpha) {
    Make("Open");
    Ticks();
    struct Step {
        UINT code;
        int state, startAlpha, ticks;
    };
    for (const Step& s : {Step{kMouseEnter, kButtonHot, 51, 4}, Step{WM_LBUTTONDOWN, 2, 153, 2},
                          Step{WM_LBUTTONUP, 1, 153, 2}, Step{kFocusGained, 3, 204, 1},
                          Step{kFocusLost, 0, 102, 3}, Step{kMouseLeave, 0, 51, 4}}) {
        DeliverToElement(&button, s.code, 0, 0);
        EXPECT_EQ(button.state, s.state) << s.code;
        EXPECT_EQ(button.fadeAlpha, s.startAlpha) << s.code;
        EXPECT_TRUE(button.fadeSnapshot);
        EXPECT_EQ(Ticks(), s.ticks) << s.code;
        EXPECT_FALSE(button.fadeSnapshot);
    }
    hosted.host.focused = &button;  // leaving a focused button keeps it focused
    DeliverToElement(&button, kMouseLeave, 0, 0);
    EXPECT_EQ(button.state, kButtonFocused);
    // The real window timer finishes a fade too.
    DeliverToElement(&button, kMouseEnter, 0, 0);
    for (DWORD start = GetTickCount(); button.fadeAlpha < 255 && GetTickCount() - start < 5000;)
        Pump(), Sleep(5);
    EXPECT_EQ(button.fadeAlpha, 255);
}

TEST_F(PushButtonTest, PressedCaptionMovesOnePixelRightAndDown) {
    Make("HOH", {.textColour = 0xFF000000, .fontSize = 16.0f});
    DeliverToElement(&button, kMouseEnter, 0, 0);
    const RECT hot = Ink();
    DeliverToElement(&button, WM_LBUTTONDOWN, 0, 0);
    const RECT pressed = Ink();
    ASSERT_GE(hot.right, 0);
    EXPECT_EQ(pressed.left, hot.left + 1);
    EXPECT_EQ(pressed.right, hot.right + 1);
    EXPECT_EQ(pressed.top, hot.top + 1);
    EXPECT_EQ(pressed.bottom, hot.bottom + 1);
    // Hot: inside the box centred in (3, 3, 75, 18), one pixel right.
    const float left = 3 + (75 - button.captionWidth) / 2 + 1;
    EXPECT_GE(hot.left, static_cast<int>(left));
    EXPECT_LE(hot.right, static_cast<int>(left + button.captionWidth));
}

TEST_F(PushButtonTest, SquareOrRoundedCornersAndTheStateGradient) {
    Make("", {.corners = 0});
    EXPECT_GE(A(Pixel(button, 0, 0)), 70);  // the outline (black, 80) reaches both corners
    EXPECT_GE(A(Pixel(button, 80, 23)), 70);
    button.Corners(7);
    EXPECT_LT(A(Pixel(button, 0, 0)), 40);  // cut off
    EXPECT_LT(A(Pixel(button, 80, 23)), 40);
    EXPECT_GE(A(Pixel(button, 40, 0)), 150);

    Hosted blue(0xFF0000);
    PushButton b;
    b.CreateButton(blue.window, 10, 10, 81, 24, "");
    auto blueness = [&](int y) { return hosttest::B(Pixel(b, 40, y)) - R(Pixel(b, 40, y)); };
    EXPECT_GT(blueness(20), blueness(3) + 30);  // normal: theme alpha 0 at the top, 102 below
    DeliverToElement(&b, WM_LBUTTONDOWN, 0, 0);
    EXPECT_GT(blueness(3), blueness(20) + 30);  // pressed: 153 at the top, 21 below
}

TEST_F(PushButtonTest, SettersRemeasureOnlyWhatChangesTheCaption) {
    Make("A");
    const float one = button.captionWidth, height12 = button.captionHeight;
    button.captionWidth = 999;
    button.TextColour(0xFFFF0000);
    button.TextEffect(3);
    EXPECT_EQ(button.captionWidth, 999);
    EXPECT_EQ(button.fadeAlpha, 204);
    button.Caption("AAAA");
    EXPECT_GT(button.captionWidth, one * 2);
    EXPECT_EQ(button.fadeAlpha, 102);
    const std::string family = button.FontFamily();
    EXPECT_FLOAT_EQ(button.FontSize(24.0f), 24.0f);
    EXPECT_GT(button.captionHeight, height12 + 5);
    EXPECT_EQ(button.FontStyle(1), 1);
    EXPECT_EQ(button.FontFamily(), family);
    button.Font(DefaultFont);  // handing DefaultFont back never makes it ours
    EXPECT_FALSE(button.font);
    GpStringFormat* format = nullptr;
    gp::GdipCreateStringFormat(0, 0, &format);
    EXPECT_EQ(button.Format(format), format);
    EXPECT_EQ(button.Format(format), format);  // the same one again is kept, not freed
}

TEST(PushButtonWindow, LeavesNoGdiOrUserObjectsBehind) {
    auto round = [] {
        Hosted hosted;
        std::vector<PushButton> buttons(4);
        for (int i = 0; i < 4; ++i) {
            buttons[i].CreateButton(hosted.window, 10 + i * 50, 10, 45, 24, "&Go");
            DeliverToElement(&buttons[i], WM_LBUTTONDOWN, 0, 0);
        }
    };
    const auto [before, after] = hosttest::CountsAroundRounds(3, round);
    EXPECT_EQ(after.gdi, before.gdi);
    EXPECT_EQ(after.user, before.user);
}

}  // namespace
