// The caption bar on a real host: the buttons' places for the flags and the
// width, the haloed title cut before the buttons, and the buttons' commands
// reached through real mouse messages.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "HostTestSupport.h"
#include "toolkit/controls/CaptionButton.h"

using namespace hosttest;

namespace {

struct Placed {
    int kind;
    RectF rect;
};

std::vector<Placed> Buttons(const UIHost& host) {
    std::vector<Placed> out;
    for (const auto& button : host.captionButtons)
        out.push_back({static_cast<CaptionButton*>(button.get())->ButtonKind(), button->rect});
    return out;
}

void ExpectButton(const Placed& button, int kind, float x, float width) {
    EXPECT_EQ(button.kind, kind);
    EXPECT_EQ(button.rect.X, x) << "kind " << kind;
    EXPECT_EQ(button.rect.Y, 6.0f);
    EXPECT_EQ(button.rect.Width, width);
    EXPECT_EQ(button.rect.Height, 19.0f);
}

// Columns in [7, right) of the title rows (left of 7 lies the frame) where the back buffer holds a
// pixel that passes `test`: first and last, or -1 when there is none.
struct Span {
    int first = -1;
    int last = -1;
};
template <typename Test>
Span TitleColumns(UIHost& host, int right, Test test) {
    Span span;
    for (int x = 7; x < right; ++x)
        for (int y = 9; y < 35; ++y)
            if (test(BackPixel(host, x, y))) {
                if (span.first < 0) span.first = x;
                span.last = x;
                break;
            }
    return span;
}
bool Dark(std::uint32_t p) {
    return R(p) < 128 && G(p) < 128 && B(p) < 128;
}

constexpr char kLongTitle[] =
    "A long window title that can never fit between the left edge and the buttons, "
    "WWWW WWWW WWWW WWWW WWWW";

TEST(CaptionBar, ButtonsAreLaidOutFromTheRightEdgeAndFollowIt) {
    TestWindow window(500, 200);
    UIHost host;
    ASSERT_TRUE(host.Attach(window.get(),
                            {.color = RGB(255, 255, 255), .captionFlags = 150, .frameStyle = 0}));
    std::vector<Placed> buttons = Buttons(host);
    ASSERT_EQ(buttons.size(), 3u);
    ExpectButton(buttons[0], 4, 453, 39);
    ExpectButton(buttons[1], 16, 425, 28);
    ExpectButton(buttons[2], 128, 397, 28);
    // They are elements of the host: the pointer finds them.
    SendMessageA(window.get(), WM_MOUSEMOVE, 0, MAKELPARAM(460, 10));
    EXPECT_EQ(host.hot, host.captionButtons[0].get());

    // A wider window: the full redraw moves them along.
    SetWindowPos(window.get(), nullptr, 0, 0, 600, 200, SWP_NOMOVE | SWP_NOZORDER);
    buttons = Buttons(host);
    ExpectButton(buttons[0], 4, 553, 39);
    ExpectButton(buttons[1], 16, 525, 28);
    ExpectButton(buttons[2], 128, 497, 28);
}

TEST(CaptionBar, ButtonsComeFromTheWindowStyleOrNotAtAll) {
    TestWindow window(300, 200, WS_POPUP | WS_MAXIMIZEBOX | WS_MINIMIZEBOX);
    UIHost host;
    ASSERT_TRUE(host.Attach(window.get()));
    std::vector<Placed> buttons = Buttons(host);
    ASSERT_EQ(buttons.size(), 3u);
    ExpectButton(buttons[0], 4, 253, 39);
    ExpectButton(buttons[1], 8, 225, 28);
    ExpectButton(buttons[2], 16, 197, 28);

    // Attached again without flags: the old buttons are gone, none are made.
    host.OnDestroy(window.get());
    EXPECT_TRUE(host.captionButtons.empty());
    ASSERT_TRUE(host.Attach(window.get(), {.captionFlags = 0}));
    EXPECT_TRUE(host.captionButtons.empty());
    EXPECT_EQ(host.firstElement, nullptr);
}

TEST(CaptionBar, TitleIsCutWithAnEllipsisBeforeTheLeftmostButton) {
    TestWindow window(500, 200);
    SetWindowTextA(window.get(), kLongTitle);
    UIHost host;
    ASSERT_TRUE(host.Attach(window.get(),
                            {.color = RGB(255, 255, 255), .captionFlags = 150, .frameStyle = 0}));
    const Span text = TitleColumns(host, 397, Dark);
    ASSERT_GE(text.first, 0) << "no title drawn";
    EXPECT_GE(text.first, 10);
    EXPECT_LT(text.first, 16);
    EXPECT_LT(text.last, 395);  // the box ends at 10 + 385
    EXPECT_GT(text.last, 360);  // and the text fills it up to the ellipsis

    // With the icon bit the box starts at 30.
    host.captionFlags = 150 | kCaptionIcon;
    host.Render(std::nullopt, std::nullopt);
    const Span shifted = TitleColumns(host, 397, Dark);
    EXPECT_GE(shifted.first, 30);
    EXPECT_LT(shifted.first, 36);
    EXPECT_LT(shifted.last, 395);

    // Without the title bit no text is drawn.
    host.captionFlags = 150 & ~kCaptionTitle;
    host.Render(std::nullopt, std::nullopt);
    EXPECT_EQ(TitleColumns(host, 397, Dark).first, -1);
}

TEST(CaptionBar, TitleCarriesAWhiteHalo) {
    // On black the black text vanishes and only its halo shows.
    TestWindow window(500, 200);
    SetWindowTextA(window.get(), "WWWW");
    UIHost host;
    ASSERT_TRUE(
        host.Attach(window.get(), {.color = RGB(0, 0, 0), .captionFlags = 150, .frameStyle = 0}));
    auto light = [](std::uint32_t p) { return R(p) > 60 && G(p) > 60 && B(p) > 60; };
    const Span halo = TitleColumns(host, 397, light);
    ASSERT_GE(halo.first, 0) << "no halo drawn";
    EXPECT_LT(halo.first, 12);  // the halo reaches beyond the box
    EXPECT_LT(halo.last, 120);
}

TEST(CaptionBar, ButtonsActOnAClickOnly) {
    TestWindow window(500, 200);
    UIHost host;
    ASSERT_TRUE(host.Attach(window.get(), {.captionFlags = 4 | 8 | 16}));
    std::vector<UINT> sent;
    host.SetMessageHook([&sent](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_NCLBUTTONDOWN) sent.push_back(msg);  // a window move
        return -1;
    });
    auto click = [&](int x, int y, int releaseX) {
        SendMessageA(window.get(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageA(window.get(), WM_LBUTTONUP, 0, MAKELPARAM(releaseX, y));
    };
    auto posted = [&](UINT msg) {
        std::vector<WPARAM> out;
        MSG m;
        while (PeekMessageA(&m, window.get(), msg, msg, PM_REMOVE)) out.push_back(m.wParam);
        return out;
    };
    click(470, 10, 470);  // close at 453
    EXPECT_EQ(posted(WM_CLOSE).size(), 1u);
    click(440, 10, 440);  // maximise at 425
    EXPECT_EQ(posted(WM_SYSCOMMAND), std::vector<WPARAM>{SC_MAXIMIZE});
    click(410, 10, 410);  // minimise at 397
    EXPECT_EQ(posted(WM_SYSCOMMAND), std::vector<WPARAM>{SC_MINIMIZE});
    click(470, 10, 200);  // released away from the button
    EXPECT_TRUE(posted(WM_CLOSE).empty());
    EXPECT_TRUE(sent.empty());  // the buttons take the press: the window stays put
}

}  // namespace
