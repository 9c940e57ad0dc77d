// The element base class inside a real host window: creation, the tree,
// events, geometry, opacity and the crossfade.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "tests/toolkit/host/HostTestSupport.h"

using namespace hosttest;

namespace {

constexpr Gdiplus::ARGB kRed = 0xFFFF0000;
constexpr Gdiplus::ARGB kGreen = 0xFF00FF00;

class ElementTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.Attach(window.get(),
                                {.color = RGB(0, 0, 255), .captionFlags = 0, .frameStyle = 0}));
    }
    std::vector<Element*> TopLevel() const {
        std::vector<Element*> list;
        for (Element* e = host.firstElement; e; e = e->nextSibling) list.push_back(e);
        return list;
    }

    UIHost host;
    TestWindow window{300, 200};
};

TEST_F(ElementTest, CreateLinksSetsDefaultsAndAnnouncesItself) {
    ProbeElement a, b;
    EXPECT_EQ(
        a.Create(window.get(), Rf(10, 20, 30.9f, 15.5f), 9, 1, std::nullopt, std::nullopt, 40), &a);
    EXPECT_EQ(a.host, &host);
    EXPECT_EQ(ImageWidth(a.surface.get()), 30u);  // truncated
    EXPECT_EQ(ImageHeight(a.surface.get()), 15u);
    // Message 1 carries the surface and its graphics; a visible element paints.
    ASSERT_GE(a.log.size(), 2u);
    EXPECT_EQ(a.log[0].msg, static_cast<UINT>(WM_CREATE));
    EXPECT_EQ(a.log[0].wParam, reinterpret_cast<WPARAM>(a.surface.get()));
    EXPECT_EQ(a.log[0].lParam, reinterpret_cast<LPARAM>(a.surfaceGraphics.get()));
    EXPECT_EQ(a.log[1].msg, static_cast<UINT>(WM_PAINT));
    EXPECT_EQ(a.log[1].lParam, 1);

    b.Create(window.get(), Rf(50, 20, 30, 15), 2, 0);
    EXPECT_EQ(b.paints, 0);  // hidden: no paint
    EXPECT_EQ(TopLevel(), (std::vector<Element*>{&a, &b}));

    // A second Create changes nothing.
    const size_t logged = a.log.size();
    EXPECT_EQ(a.Create(window.get(), Rf(0, 0, 5, 5), 3), &a);
    EXPECT_EQ(a.kind, 9);
    EXPECT_EQ(a.log.size(), logged);
    EXPECT_EQ(TopLevel().size(), 2u);
}

TEST_F(ElementTest, AnElementOfAWindowWithoutHostLivesOutsideAnyTree) {
    TestWindow bare(100, 100);
    ProbeElement lone;
    EXPECT_EQ(lone.Create(bare.get(), Rf(0, 0, 10, 10), 2), &lone);
    EXPECT_EQ(lone.host, nullptr);
    EXPECT_TRUE(lone.surface);
    SurfacePaint record;
    EXPECT_FALSE(lone.BeginSurfacePaint(record, std::nullopt, true));
    lone.Invalidate();  // nothing to ask
}

TEST_F(ElementTest, BindingsComeFirstAndSeeTheirParent) {
    ProbeElement parent, child;
    parent.Create(window.get(), Rf(10, 10, 100, 100), 2);
    child.Create(window.get(), Rf(20, 20, 20, 20), 2);
    std::vector<std::pair<Element*, Element*>> calls;
    auto first = [&calls](Element* p, Element* e, UINT, WPARAM, LPARAM) -> LRESULT {
        calls.push_back({p, e});
        return 5;
    };
    child.BindEvent(kClick, first);
    EXPECT_EQ(child.Send(kClick, 0, 0), 5);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].first, nullptr);  // top level: no parent
    EXPECT_EQ(calls[0].second, &child);
    EXPECT_EQ(child.Count(kClick), 0);  // handled: the control never saw it

    child.SetParent(&parent);
    EXPECT_EQ(DeliverToElement(&child, kClick, 0, 0), 5);
    EXPECT_EQ(calls[1].first, &parent);
    EXPECT_EQ(calls[1].second, &child);

    // Rebinding replaces in place; -1 lets the control process the message.
    child.BindEvent(kClick, [&calls](Element* p, Element* e, UINT, WPARAM, LPARAM) -> LRESULT {
        calls.push_back({e, p});
        return -1;
    });
    EXPECT_EQ(child.eventTable.size(), 1u);
    child.replies[kClick] = 9;
    EXPECT_EQ(child.Send(kClick, 1, 2), 9);
    EXPECT_EQ(calls.size(), 3u);
    EXPECT_EQ(child.Count(kClick), 1);
    // A handler returning 0 suppresses the control's processing.
    child.BindEvent(kClick, [](Element*, Element*, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    EXPECT_EQ(child.Send(kClick, 0, 0), 0);
    EXPECT_EQ(child.Count(kClick), 1);
    EXPECT_EQ(DeliverToElement(nullptr, kClick, 0, 0), 0);  // no element: 0
}

TEST_F(ElementTest, MoveKeepsTheSurfaceUnlessTheSizeChanges) {
    ProbeElement parent(kRed), child(kGreen);
    parent.Create(window.get(), Rf(10, 10, 60, 40), 2);
    child.Create(window.get(), Rf(20, 25, 10, 10), 2);
    child.SetParent(&parent);
    auto surfaceColour = [&parent] {
        Gdiplus::ARGB argb = 0;
        gp::GdipBitmapGetPixel(parent.surface.get(), 5, 5, &argb);
        return argb;
    };

    parent.Move(100, 50);
    EXPECT_EQ(surfaceColour(), kRed);  // the same surface: nothing repainted it
    EXPECT_EQ(parent.rect.X, 100);
    EXPECT_EQ(parent.rect.Width, 60);
    EXPECT_EQ(child.rect.X, 110);  // children keep their place in the parent
    EXPECT_EQ(child.rect.Y, 65);
    ASSERT_EQ(parent.Count(kResized), 1);
    for (const SeenMessage& m : parent.log) {
        if (m.msg != kResized) continue;
        EXPECT_EQ(m.wParam, 60u);
        EXPECT_EQ(m.lParam, 40);
    }
    // The old place shows the background again, the new one the element.
    EXPECT_EQ(BackPixel(host, 20, 20), CachePixel(host, 20, 20));
    EXPECT_EQ(BackPixel(host, 105, 55) & 0xFFFFFF, 0xFF0000u);

    parent.Move(std::nullopt, std::nullopt, 80, std::nullopt, false);
    EXPECT_EQ(ImageWidth(parent.surface.get()), 80u);
    EXPECT_EQ(surfaceColour(), 0u);  // a fresh surface for the new size

    // A hidden element stays hidden when moved.
    child.Visible(0);
    child.Move(5, 5);
    EXPECT_EQ(child.visible, 0);
}

TEST_F(ElementTest, SetParentNoneAppendsToTheTopLevelAndDrawsLast) {
    ProbeElement a(kRed), b(kGreen), c(0xFF0000FF);
    a.Create(window.get(), Rf(10, 10, 60, 60), 2);
    b.Create(window.get(), Rf(40, 40, 60, 60), 2);
    c.Create(window.get(), Rf(20, 20, 30, 30), 2);
    c.SetParent(&a);
    EXPECT_EQ(TopLevel(), (std::vector<Element*>{&a, &b}));

    c.Move(45, 45);  // under b while it is a's child
    host.Render(std::nullopt, std::nullopt);
    EXPECT_EQ(BackPixel(host, 50, 50) & 0xFFFFFF, 0x00FF00u);

    c.SetParent(nullptr);
    EXPECT_EQ(TopLevel(), (std::vector<Element*>{&a, &b, &c}));
    EXPECT_EQ(a.firstChild, nullptr);
    EXPECT_EQ(BackPixel(host, 50, 50) & 0xFFFFFF, 0x0000FFu);  // now drawn over b

    // Loops are refused: every tree walk would follow them forever.
    c.SetParent(&a);
    a.SetParent(&c);
    a.SetParent(&a);
    EXPECT_EQ(a.parent, nullptr);
    EXPECT_EQ(c.parent, &a);
    EXPECT_EQ(TopLevel(), (std::vector<Element*>{&a, &b}));
}

TEST_F(ElementTest, FadeAlphaClampsAndStopsTheCrossfade) {
    ProbeElement element(kRed);
    element.Create(window.get(), Rf(10, 10, 20, 20), 2, 1, std::nullopt, std::nullopt, 100000);
    element.crossfade = true;
    element.FadeAlpha(51);
    element.Paint(kGreen);  // snapshot taken, fade timer started
    ASSERT_TRUE(element.fadeSnapshot);
    const auto id = reinterpret_cast<UINT_PTR>(&element);
    EXPECT_EQ(element.FadeAlpha(300), 255);
    EXPECT_FALSE(element.fadeSnapshot);
    EXPECT_FALSE(KillTimer(window.get(), id));  // already stopped

    // Opacity bounds the fade; without a crossfade the fade follows it.
    element.Opacity(100);
    EXPECT_EQ(element.FadeAlpha(), 100);
    EXPECT_EQ(element.FadeAlpha(180), 100);
    EXPECT_EQ(element.Opacity(400), 255);
}

TEST_F(ElementTest, SurfacePaintDuringTheRenderPassNeitherFadesNorRedraws) {
    ProbeElement element(kRed);
    element.Create(window.get(), Rf(10, 10, 20, 20), 2, 1, std::nullopt, std::nullopt, 60);
    const auto id = reinterpret_cast<UINT_PTR>(&element);
    EXPECT_TRUE(KillTimer(window.get(), id));  // its first paint asked for a fade
    element.crossfade = true;
    element.FadeAlpha(51);
    const int paints = element.paints;
    const int redraws = element.Count(kCustomDraw);
    host.Render(std::nullopt, std::nullopt);  // the pass repaints it
    EXPECT_EQ(element.paints, paints + 1);
    EXPECT_EQ(element.Count(kCustomDraw), redraws);
    EXPECT_FALSE(element.fadeSnapshot);
    EXPECT_FALSE(KillTimer(window.get(), id));
}

TEST_F(ElementTest, DestroyLeavesNoHostReferenceBehind) {
    ProbeElement a, b;
    a.Create(window.get(), Rf(10, 10, 20, 20), 2);
    b.Create(window.get(), Rf(40, 10, 20, 20), 2);
    host.SetFocusElement(&a);
    host.hot = &a;
    host.pressed = &a;
    host.SetMnemonic(&a, 'q');
    a.Hint(std::string("x"));
    a.BindEvent(kClick, [](Element*, Element*, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });

    a.Destroy();
    EXPECT_EQ(a.Count(WM_DESTROY), 1);
    EXPECT_EQ(host.focused, nullptr);
    EXPECT_EQ(host.keyboardFocus, nullptr);
    EXPECT_EQ(host.hot, nullptr);
    EXPECT_EQ(host.pressed, nullptr);
    EXPECT_TRUE(host.mnemonics.empty());
    EXPECT_EQ(a.Send(kClick, 0, 0), -1);  // its bindings are gone
}

TEST_F(ElementTest, ReleasingAParentMovesItsChildrenToTheTopLevel) {
    ProbeElement a, child;
    {
        ProbeElement parent;
        a.Create(window.get(), Rf(10, 10, 20, 20), 2);
        parent.Create(window.get(), Rf(40, 10, 50, 50), 2);
        child.Create(window.get(), Rf(45, 15, 10, 10), 2);
        child.SetParent(&parent);
        host.SetFocusElement(&parent);
    }
    EXPECT_EQ(host.focused, nullptr);
    EXPECT_EQ(child.parent, nullptr);
    EXPECT_EQ(TopLevel(), (std::vector<Element*>{&a, &child}));
    host.Render(std::nullopt, std::nullopt);  // no dangling link is followed
}

}  // namespace
