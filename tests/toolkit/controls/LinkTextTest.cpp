// The link text control on a real host window: hover and visited colours, the
// crossfade, the target handed to the shell, caption placement and drawing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/toolkit/host/HostTestSupport.h"
#include "toolkit/controls/LinkText.h"
#include "toolkit/core/Toolkit.h"
#include "toolkit/draw/Colour.h"
#include "toolkit/host/UIHost.h"

namespace {

using hosttest::Pump;

// Link tests use a 240 x 80 window unless they say otherwise.
struct HostedWindow : hosttest::HostedWindow {
    HostedWindow() : hosttest::HostedWindow(240, 80) {}
};

struct Ink {
    int count = 0;
    int minX = 1 << 20, minY = 1 << 20, maxX = -1, maxY = -1;
    int bluish = 0;  // inked pixels clearly more blue than red
    int light = 0;   // inked pixels close to white
};

// Every pixel of the element's surface with some alpha.
Ink ReadInk(Element& element, int minAlpha = 40) {
    Ink ink;
    GpBitmap* surface = element.surface.get();
    UINT width = 0, height = 0;
    gp::GdipGetImageWidth(surface, &width);
    gp::GdipGetImageHeight(surface, &height);
    for (int y = 0; y < static_cast<int>(height); ++y) {
        for (int x = 0; x < static_cast<int>(width); ++x) {
            Gdiplus::ARGB p = 0;
            gp::GdipBitmapGetPixel(surface, x, y, &p);
            if (static_cast<int>(p >> 24) < minAlpha) continue;
            const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            ++ink.count;
            ink.minX = std::min(ink.minX, x);
            ink.maxX = std::max(ink.maxX, x);
            ink.minY = std::min(ink.minY, y);
            ink.maxY = std::max(ink.maxY, y);
            if (b > r + 60) ++ink.bluish;
            if (r > 200 && g > 200 && b > 200) ++ink.light;
        }
    }
    return ink;
}

Gdiplus::ARGB SurfacePixel(Element& element, int x, int y) {
    Gdiplus::ARGB p = 0;
    gp::GdipBitmapGetPixel(element.surface.get(), x, y, &p);
    return p;
}

// Records what a click would open instead of starting it.
class LinkTextTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!DefaultFont) StartToolkit();
    }
    void SetUp() override {
        ASSERT_TRUE(hosted.attached);
        previous = LinkText::SetOpener([this](const std::wstring& target) -> INT_PTR {
            opened.push_back(target);
            return openResult;
        });
    }
    void TearDown() override { LinkText::SetOpener(previous); }

    // A plain black caption, no halo, no gradient fill.
    LinkText& MakeLink(const std::string& caption = "Contact the author",
                       LinkTextOptions options = {}) {
        if (!options.gradientMode) options.gradientMode = -1;
        link.Create(hosted.window, 10, 10, 200, 40, caption, options);
        return link;
    }

    HostedWindow hosted;
    LinkText link;  // after the window: destroyed before it
    LinkOpener previous;
    std::vector<std::wstring> opened;
    INT_PTR openResult = 42;
};

TEST_F(LinkTextTest, CreationSetsTheLinkDefaults) {
    MakeLink();
    EXPECT_EQ(link.kind, 3);
    EXPECT_EQ(link.focusable, 1);
    EXPECT_EQ(link.fadeInterval, 60);
    EXPECT_EQ(link.textColour, 0xD2000000u);
    EXPECT_EQ(link.normalColour, 0xD2000000u);
    EXPECT_EQ(link.hoverColour, 0xD20060C0u);
    EXPECT_EQ(link.visitedColour, 0xD2800000u);
    EXPECT_EQ(link.webMode, 1);
    EXPECT_EQ(link.visited, 0);
    EXPECT_EQ(link.verticalAlign, 1);
    EXPECT_EQ(link.CurrentFont(), DefaultFont);
    EXPECT_GT(link.measured.Width, 20.0f);
    EXPECT_GT(link.measured.Height, 5.0f);
    EXPECT_EQ(link.WebMode(5), 0);  // anything but 1 means mail
    EXPECT_EQ(link.WebMode(1), 1);
}

TEST_F(LinkTextTest, HoverUnderlinesAndRecoloursLeaveRestoresOrShowsVisited) {
    MakeLink();
    const Ink normal = ReadInk(link);
    ASSERT_GT(normal.count, 20);
    EXPECT_EQ(normal.bluish, 0);

    EXPECT_EQ(link.Send(kMouseEnter, 0, 0), 0);
    EXPECT_EQ(link.textColour, link.hoverColour);
    EXPECT_NE(link.FontStyle() & Gdiplus::FontStyleUnderline, 0);
    const Ink hover = ReadInk(link);
    EXPECT_GT(hover.bluish, hover.count / 2);
    EXPECT_GT(hover.count, normal.count);  // the underline
    EXPECT_GT(hover.maxY, normal.maxY - 1);

    // Leaving before any click: the normal look again.
    EXPECT_EQ(link.Send(kMouseLeave, 0, 0), 0);
    EXPECT_EQ(link.textColour, link.normalColour);
    EXPECT_EQ(link.FontStyle() & Gdiplus::FontStyleUnderline, 0);
    const Ink left = ReadInk(link);
    EXPECT_EQ(left.bluish, 0);
    EXPECT_EQ(left.count, normal.count);

    // Hover, click, leave: the visited colour stays.
    link.LinkTarget("tencent://message/?uin=10001");
    link.Send(kMouseEnter, 0, 0);
    EXPECT_EQ(link.Send(kClick, 0, 0), 0);
    EXPECT_EQ(link.visited, 1);
    EXPECT_EQ(link.textColour, link.visitedColour);
    link.Send(kMouseLeave, 0, 0);
    EXPECT_EQ(link.textColour, link.visitedColour);
    const Ink visited = ReadInk(link);
    EXPECT_EQ(visited.bluish, 0);  // dark red, not the hover blue
    EXPECT_GT(visited.count, 20);

    // A new visited colour shows at once on a visited link.
    link.VisitedColour(0xFF0000FFu);
    EXPECT_EQ(link.textColour, 0xFF0000FFu);
    EXPECT_GT(ReadInk(link).bluish, visited.count / 2);
}

TEST_F(LinkTextTest, EachHoverRestartsTheCrossfadeAt153) {
    MakeLink();
    link.Send(kMouseEnter, 0, 0);
    EXPECT_EQ(link.fadeAlpha, 153);
    EXPECT_TRUE(link.fadeSnapshot);  // the old picture to fade from
    link.Send(WM_TIMER, reinterpret_cast<WPARAM>(&link), 0);
    EXPECT_EQ(link.fadeAlpha, 204);
    link.Send(kMouseLeave, 0, 0);
    EXPECT_EQ(link.fadeAlpha, 51);
    link.Send(kMouseEnter, 0, 0);
    EXPECT_EQ(link.fadeAlpha, 153);

    // The host's timer carries the fade to the end and then stops.
    const DWORD start = GetTickCount();
    while (link.fadeAlpha < 255 && GetTickCount() - start < 5000) {
        Pump();
        Sleep(5);
    }
    EXPECT_EQ(link.fadeAlpha, 255);
    EXPECT_FALSE(link.fadeSnapshot);
    EXPECT_FALSE(KillTimer(hosted.window, reinterpret_cast<UINT_PTR>(&link)));
}

TEST_F(LinkTextTest, ClickOpensTheExactTarget) {
    MakeLink();
    link.LinkTarget("tencent://message/?uin=10001");
    link.Send(kClick, 0, 0);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], L"tencent://message/?uin=10001");

    // Mail mode puts "mailto:" in front; GBK text reaches the shell as UTF-16.
    link.WebMode(0);
    link.LinkTarget("七夕@example.com");
    link.Send(kClick, 0, 0);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1], L"mailto:\u4e03\u5915@example.com");

    // A refusing shell still leaves the link visited.
    openResult = 2;
    link.Send(kMouseEnter, 0, 0);
    link.Send(kClick, 0, 0);
    EXPECT_EQ(opened.size(), 3u);
    EXPECT_EQ(link.textColour, link.visitedColour);

    // A bound handler that takes the click keeps the shell out of it.
    link.BindEvent(kClick, [](Element*, Element*, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    link.Send(kClick, 0, 0);
    EXPECT_EQ(opened.size(), 3u);
}

TEST_F(LinkTextTest, ClickWithoutTargetOpensNothingAndShowsVisitedOnLeave) {
    MakeLink();
    link.Send(kMouseEnter, 0, 0);
    EXPECT_EQ(link.Send(kClick, 0, 0), 0);
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(link.visited, 1);
    EXPECT_EQ(link.textColour, link.hoverColour);
    link.Send(kMouseLeave, 0, 0);
    EXPECT_EQ(link.textColour, link.visitedColour);
}

TEST_F(LinkTextTest, CaptionIsPlacedByAlignmentAndVerticalAlignment) {
    // The element is 200 x 40; the inner rectangle is (2, 2, 196, 36).
    MakeLink("Hello");
    const float w = link.measured.Width, h = link.measured.Height;
    ASSERT_GT(w, 10.0f);
    struct Case {
        int alignment, vertical;
        float boxX, boxY;
    };
    const std::vector<Case> cases = {
        {Gdiplus::StringAlignmentNear, 0, 2, 4},
        {Gdiplus::StringAlignmentCenter, 1, 2 + (196 - w) / 2, 2 + (36 - h) / 2},
        {Gdiplus::StringAlignmentFar, 2, 198 - w, 38 - h - 2},
    };
    for (const Case& c : cases) {
        link.Alignment(c.alignment);
        link.VerticalAlign(c.vertical);
        EXPECT_EQ(link.Alignment(), c.alignment);
        const Ink ink = ReadInk(link);
        ASSERT_GT(ink.count, 10);
        // The glyphs lie inside the caption's box.
        EXPECT_GE(ink.minX, static_cast<int>(c.boxX) - 1) << c.alignment;
        EXPECT_LE(ink.maxX, static_cast<int>(c.boxX + w) + 1) << c.alignment;
        EXPECT_GE(ink.minY, static_cast<int>(c.boxY) - 1) << c.vertical;
        EXPECT_LE(ink.maxY, static_cast<int>(c.boxY + h) + 1) << c.vertical;
    }
    // With wrap the whole inner rectangle is the box: near and top start at
    // its corner, whatever the vertical alignment says.
    link.Alignment(Gdiplus::StringAlignmentNear);
    link.Wrap(1);
    const Ink wrapped = ReadInk(link);
    EXPECT_LE(wrapped.minY, static_cast<int>(2 + h / 2));
}

TEST_F(LinkTextTest, BackgroundGradientAndHalo) {
    LinkTextOptions options;
    options.gradientMode = Gdiplus::LinearGradientModeVertical;
    options.gradientColour1 = 0xFFFFFFFFu;
    options.gradientColour2 = 0xFF000000u;
    MakeLink("", options);
    const Gdiplus::ARGB top = SurfacePixel(link, 100, 1);
    const Gdiplus::ARGB bottom = SurfacePixel(link, 100, 37);
    EXPECT_GT(top & 0xFF, 200u);
    EXPECT_LT(bottom & 0xFF, 60u);

    link.GradientMode(-1);
    link.BackColour(0xFFFF0000u);
    EXPECT_EQ(SurfacePixel(link, 100, 20), 0xFFFF0000u);
    link.BackColour(0);
    EXPECT_EQ(SurfacePixel(link, 100, 20) >> 24, 0u);

    // Black text gets a light halo; without an effect there is none.
    link.Caption("Glow");
    const Ink plain = ReadInk(link, 10);
    EXPECT_EQ(plain.light, 0);
    link.TextEffect(3);
    const Ink glowing = ReadInk(link, 10);
    EXPECT_GT(glowing.count, plain.count);
    EXPECT_GT(glowing.light, 0);
}

TEST_F(LinkTextTest, FontChangesRemeasure) {
    MakeLink("Size");
    const float small = link.measured.Width;
    EXPECT_FLOAT_EQ(link.FontSize(), 12.0f);
    link.FontSize(24.0f);
    EXPECT_FLOAT_EQ(link.FontSize(), 24.0f);
    EXPECT_GT(link.measured.Width, small * 1.5f);
    link.FontStyle(Gdiplus::FontStyleBold);
    EXPECT_EQ(link.FontStyle(), Gdiplus::FontStyleBold);
    EXPECT_FLOAT_EQ(link.FontSize(), 24.0f);
    // Back to the shared default font, which the link never deletes.
    link.Font(DefaultFont);
    EXPECT_EQ(link.CurrentFont(), DefaultFont);
    link.DeleteFont();
    EXPECT_EQ(link.CurrentFont(), DefaultFont);
    EXPECT_FLOAT_EQ(link.measured.Width, small);
}

TEST_F(LinkTextTest, DestroyClearsTheLinkAndLeaksNoHandles) {
    MakeLink();
    link.LinkTarget("x");
    link.Send(kClick, 0, 0);
    link.Destroy();
    EXPECT_TRUE(link.caption.empty());
    EXPECT_TRUE(link.linkTarget.empty());
    EXPECT_EQ(link.visited, 0);
    EXPECT_FALSE(link.font);
    EXPECT_FALSE(link.stringFormat);

    const auto [before, after] = hosttest::CountsAroundRounds(3, [&] {
        HostedWindow other;
        ASSERT_TRUE(other.attached);
        LinkText second;
        LinkTextOptions options;
        options.fontSize = 16.0f;
        options.textEffect = 3;
        second.Create(other.window, 0, 0, 120, 30, "Bye", options);
        second.Send(kMouseEnter, 0, 0);
        second.Send(kMouseLeave, 0, 0);
        DestroyWindow(other.window);
        Pump();
    });
    EXPECT_EQ(after.gdi, before.gdi);
    EXPECT_EQ(after.user, before.user);
}

}  // namespace
