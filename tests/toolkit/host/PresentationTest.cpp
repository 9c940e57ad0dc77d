// Back buffer, background cache, size changes and the redraw queue, read back
// pixel by pixel.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "HostTestSupport.h"
#include "platform/Dib.h"

using namespace hosttest;

namespace {

constexpr COLORREF kBlueTheme = RGB(0, 0, 255);
constexpr Gdiplus::ARGB kRed = 0xFFFF0000;
constexpr Gdiplus::ARGB kGreen = 0xFF00FF00;

// dst blended with an opaque src at alpha a, channel by channel.
std::uint32_t Over(std::uint32_t dst, std::uint32_t src, int a) {
    std::uint32_t out = dst & 0xFF000000;
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = static_cast<int>((dst >> shift) & 0xFF);
        const int s = static_cast<int>((src >> shift) & 0xFF);
        out |= static_cast<std::uint32_t>((d * (255 - a) + s * a + 127) / 255) << shift;
    }
    return out;
}

class PresentationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(
            host.Attach(window.get(), {.color = kBlueTheme, .captionFlags = 0, .frameStyle = 0}));
        WatchedHost() = &host;
        background = BackPixel(host, 100, 100);
    }
    void TearDown() override { WatchedHost() = nullptr; }

    UIHost host;
    TestWindow window{300, 200};
    std::uint32_t background = 0;
};

TEST_F(PresentationTest, ARequestRestoresTheCacheUnderItAndPaintsOverlappingElements) {
    ProbeElement element(kRed);
    element.Create(window.get(), Rf(50, 50, 40, 30), 2);
    EXPECT_EQ(BackPixel(host, 60, 60) & 0xFFFFFF, 0xFF0000u);

    // Scribble over the back buffer: a request outside every element
    // restores the background there and nothing else.
    PatBlt(host.backDC.get(), 150, 100, 30, 30, BLACKNESS);
    PatBlt(host.backDC.get(), 50, 50, 10, 10, BLACKNESS);
    host.RequestRedraw(Rf(150, 100, 30, 30), nullptr);
    EXPECT_EQ(BackPixel(host, 160, 110), background);
    EXPECT_EQ(BackPixel(host, 55, 55) & 0xFFFFFF, 0u);  // outside the request

    element.Invalidate();
    EXPECT_EQ(BackPixel(host, 55, 55) & 0xFFFFFF, 0xFF0000u);
    // The cache never sees elements.
    EXPECT_EQ(CachePixel(host, 60, 60), background);

    // An element that draws itself is trusted and not drawn again.
    element.replies[kCustomDraw] = 1;
    element.Invalidate();
    EXPECT_EQ(BackPixel(host, 60, 60), background);

    // Children are drawn over their parent and clipped to it.
    ProbeElement parent(kRed), child(kGreen);
    parent.Create(window.get(), Rf(120, 20, 40, 40), 2);
    child.Create(window.get(), Rf(150, 50, 40, 40), 2);
    child.SetParent(&parent);
    host.RequestRedraw(Rf(110, 10, 100, 100), nullptr);
    EXPECT_EQ(BackPixel(host, 155, 55) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(BackPixel(host, 175, 75), background);
}

TEST_F(PresentationTest, OpacityAndCrossfadeAlphas) {
    ProbeElement element(kRed);
    element.Create(window.get(), Rf(50, 50, 40, 30), 2);
    element.Opacity(128, true);
    EXPECT_EQ(element.FadeAlpha(), 128);
    EXPECT_TRUE(Near(BackPixel(host, 60, 60), Over(background, kRed, 128)))
        << std::hex << BackPixel(host, 60, 60);

    // Crossfade from green to red: snapshot at 255 - 64, surface at 64.
    element.Opacity(255);
    element.Paint(kGreen);
    element.fadeInterval = 100000;  // the timer must not move the fade on
    element.crossfade = true;
    element.FadeAlpha(64);
    element.Paint(kRed);
    ASSERT_TRUE(element.fadeSnapshot);
    const std::uint32_t expected = Over(Over(background, kGreen, 191), kRed, 64);
    EXPECT_TRUE(Near(BackPixel(host, 60, 60), expected))
        << std::hex << BackPixel(host, 60, 60) << " vs " << expected;
    KillTimer(window.get(), reinterpret_cast<UINT_PTR>(&element));
}

TEST_F(PresentationTest, RequestsPushedDuringAPaintAreHandledInOrder) {
    ProbeElement x(kRed), y(kGreen), z(kRed);
    x.Create(window.get(), Rf(10, 10, 20, 20), 2);
    y.Create(window.get(), Rf(40, 10, 20, 20), 2);
    z.Create(window.get(), Rf(70, 10, 20, 20), 2);
    std::vector<Element*> order;
    auto record = [&order](Element*, Element* e, UINT, WPARAM, LPARAM) -> LRESULT {
        order.push_back(e);
        return -1;
    };
    y.BindEvent(kCustomDraw, record);
    z.BindEvent(kCustomDraw, record);
    x.BindEvent(kCustomDraw, [&](Element*, Element* e, UINT, WPARAM, LPARAM) -> LRESULT {
        order.push_back(e);
        if (order.size() == 1) {
            y.Invalidate();
            z.Invalidate();
            EXPECT_EQ(host.redrawQueue.pending.size(), 3u);  // appended, not run
        }
        return -1;
    });
    x.Invalidate();
    EXPECT_EQ(order, (std::vector<Element*>{&x, &y, &z}));
    EXPECT_TRUE(host.redrawQueue.IsIdle());
    EXPECT_TRUE(host.redrawQueue.pending.empty());
}

TEST_F(PresentationTest, AMessageSentFromInsideAFlushIsProcessedAtOnce) {
    ProbeElement x(kRed);
    x.Create(window.get(), Rf(10, 10, 20, 20), 2);
    bool returned = false;
    x.BindEvent(kCustomDraw, [&](Element*, Element*, UINT, WPARAM, LPARAM) -> LRESULT {
        SendMessageA(window.get(), WM_USER + 9, 1, 2);
        returned = true;
        return -1;
    });
    Seen().clear();
    x.Invalidate();
    EXPECT_TRUE(returned);
    ASSERT_EQ(Seen().size(), 1u);
    EXPECT_EQ(Seen()[0].msg, static_cast<UINT>(WM_USER + 9));
    EXPECT_TRUE(Seen()[0].queueBusy);  // default processing ran inside the flush
    EXPECT_TRUE(host.redrawQueue.IsIdle());
}

TEST_F(PresentationTest, ASizeChangeDuringAFlushWaitsForItsEnd) {
    ProbeElement x(kRed);
    x.Create(window.get(), Rf(10, 10, 20, 20), 2);
    const HBITMAP before = host.backBitmap.get();
    x.BindEvent(kCustomDraw, [&](Element*, Element*, UINT, WPARAM, LPARAM) -> LRESULT {
        SetWindowPos(window.get(), nullptr, 0, 0, 320, 210,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        EXPECT_EQ(host.backBitmap.get(), before);  // the flush keeps its buffers
        return -1;
    });
    x.Invalidate();
    EXPECT_EQ(host.size.width, 300);
    x.eventTable.clear();
    Pump();
    EXPECT_EQ(host.size.width, 320);
    EXPECT_EQ(host.size.height, 210);
    EXPECT_NE(BackPixel(host, 315, 100), 0xDEADBEEFu);
}

TEST_F(PresentationTest, DestroyingTheWindowFromAPaintHandlerEndsTheFlush) {
    ProbeElement x(kRed), y(kGreen);
    x.Create(window.get(), Rf(10, 10, 20, 20), 2);
    y.Create(window.get(), Rf(15, 15, 20, 20), 2);
    x.BindEvent(kCustomDraw, [&](Element*, Element*, UINT, WPARAM, LPARAM) -> LRESULT {
        DestroyWindow(window.get());
        return -1;
    });
    const int before = y.Count(kCustomDraw);
    x.Invalidate();
    host.RequestRedraw(Rf(0, 0, 50, 50), nullptr);  // no host buffers: dropped
    EXPECT_EQ(host.hwnd, nullptr);
    EXPECT_TRUE(host.redrawQueue.IsIdle());
    EXPECT_EQ(y.Count(kCustomDraw), before);  // drawing stopped with the buffers
}

TEST_F(PresentationTest, ResizingToTheSameSizeNeitherRecreatesNorRenders) {
    ProbeElement element(kRed);
    element.Create(window.get(), Rf(10, 10, 20, 20), 2);
    int renders = 0;
    host.SetPaintCallback([&renders](HWND, GpGraphics*, int, int) { ++renders; });
    const HBITMAP back = host.backBitmap.get();
    const HBITMAP cache = host.cacheBitmap.get();
    const int paints = element.paints;

    SetWindowPos(window.get(), nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
    SendMessageA(window.get(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200));
    EXPECT_EQ(host.backBitmap.get(), back);
    EXPECT_EQ(host.cacheBitmap.get(), cache);
    EXPECT_EQ(renders, 0);
    EXPECT_EQ(element.paints, paints);

    // A minimised window keeps its buffers whatever its rectangle says.
    host.size = {10, 10};
    SendMessageA(window.get(), WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_EQ(host.backBitmap.get(), back);
    host.size = {300, 200};

    int sizeCalls = 0;
    host.sizeCallback = [&sizeCalls](HWND, int w, int h) {
        EXPECT_EQ(w, 260);
        EXPECT_EQ(h, 150);
        ++sizeCalls;
    };
    SetWindowPos(window.get(), nullptr, 0, 0, 260, 150, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(renders, 1);
    EXPECT_EQ(sizeCalls, 1);
    EXPECT_EQ(element.paints, paints + 1);
    EXPECT_EQ(host.size.width, 260);
    DIBSECTION dib{};
    GetObjectA(host.backBitmap.get(), sizeof(dib), &dib);
    EXPECT_EQ(dib.dsBm.bmWidth, 260);
    EXPECT_EQ(dib.dsBm.bmHeight, 150);
    EXPECT_EQ(BackPixel(host, 15, 15) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(GetObjectType(back), 0u);  // the old buffers are gone
}

TEST_F(PresentationTest, PresentCopiesWholePixelsOfTheRectangleInsideTheWindow) {
    ShowWindow(window.get(), SW_SHOWNOACTIVATE);
    Pump();
    HDC screen = GetDC(window.get());
    // Mark the window and the back buffer apart, then present a fractional
    // rectangle and one reaching past the window's edge (the frame's last
    // few pixels lie outside the window's region, so look inside them).
    RECT all{0, 0, 300, 200};
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    FillRect(screen, &all, black);
    RECT mark{0, 0, 300, 200};
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    FillRect(host.backDC.get(), &mark, white);
    GdiFlush();
    host.Present(Rf(10.5f, 20.5f, 4.0f, 4.0f));
    host.Present(Rf(290.0f, 90.0f, 50.0f, 20.0f));
    host.Present(Rf(400.0f, 400.0f, 10.0f, 10.0f));  // wholly outside: nothing
    GdiFlush();
    EXPECT_EQ(GetPixel(screen, 10, 20) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(GetPixel(screen, 14, 24) & 0xFFFFFF, 0xFFFFFFu);  // partly covered pixel
    EXPECT_EQ(GetPixel(screen, 15, 25) & 0xFFFFFF, 0u);
    EXPECT_EQ(GetPixel(screen, 9, 20) & 0xFFFFFF, 0u);
    EXPECT_EQ(GetPixel(screen, 294, 100) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(GetPixel(screen, 289, 100) & 0xFFFFFF, 0u);
    ReleaseDC(window.get(), screen);
}

TEST_F(PresentationTest, AFractionalRequestRestoresEveryRowAndColumnItRepaints) {
    // A translucent element: a pixel drawn again without its background put
    // back first would turn redder with every request. Fractional rectangles
    // come from text metrics (a caret glyph-height + 4 high) on Windows.
    ProbeElement element(0x80FF0000);
    element.Create(window.get(), Rf(40, 30, 120, 60), 2);
    const std::uint32_t once = BackPixel(host, 100, 45);
    ASSERT_NE(once, background);
    for (int i = 0; i < 6; ++i) host.RequestRedraw(Rf(60.25f, 40.5f, 50.5f, 10.25f), &element);
    for (int y : {39, 40, 45, 50, 51})
        for (int x : {59, 60, 85, 110, 111})
            EXPECT_EQ(BackPixel(host, x, y), once) << x << "," << y;
}

TEST(LayeredPresentation, BufferPixelsArePremultiplied) {
    TestWindow window(200, 120);
    UIHost host;
    ASSERT_TRUE(host.Attach(
        window.get(),
        {.color = RGB(255, 255, 255), .captionFlags = 0, .translucency = 128, .frameStyle = 0}));
    const std::uint32_t p = BackPixel(host, 100, 60);
    EXPECT_NEAR(A(p), 128, 2);
    // UpdateLayeredWindow takes premultiplied colour: white at 128 is 128 grey.
    EXPECT_NEAR(R(p), 128, 2);
    EXPECT_NEAR(B(p), 128, 2);
    // Outside the frame the shadow margin is (nearly) transparent.
    EXPECT_LT(A(BackPixel(host, 1, 60)), 40);
}

// The colour (0xRRGGBB) the screen shows at (x, y).
std::uint32_t ScreenColour(int x, int y) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = Argb32Info(1, 1);
    void* bits = nullptr;
    UniqueBitmap pixel(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    HGDIOBJ previous = SelectObject(memory, pixel.get());
    BitBlt(memory, 0, 0, 1, 1, screen, x, y, SRCCOPY);
    GdiFlush();
    std::uint32_t value = 0;
    std::memcpy(&value, bits, 4);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return value & 0xFFFFFF;
}

// Whether the screen comes to show `colour` at (x, y) within two seconds:
// the display server maps and paints a window asynchronously.
bool ScreenShows(int x, int y, std::uint32_t colour) {
    for (int waited = 0; waited < 2000; waited += 10) {
        Pump();
        if (ScreenColour(x, y) == colour) return true;
        Sleep(10);
    }
    return ScreenColour(x, y) == colour;
}

// A layered window built while hidden shows its whole current picture from
// the moment it appears, however it is shown, and again after changes made
// while it was hidden once more.
TEST(LayeredPresentation, AWindowShownLaterShowsItsLatestPicture) {
    const std::pair<const char*, std::function<void(HWND)>> shows[] = {
        {"ShowWindow", [](HWND w) { ShowWindow(w, SW_SHOWNOACTIVATE); }},
        {"SetWindowPos",
         [](HWND w) {
             SetWindowPos(w, nullptr, 0, 0, 0, 0,
                          SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
         }},
    };
    for (const auto& [how, show] : shows) {
        SCOPED_TRACE(how);
        TestWindow window(200, 120, WS_POPUP, 60, 60);
        UIHost host;
        ASSERT_TRUE(host.Attach(
            window.get(),
            {.color = RGB(0, 0, 255), .captionFlags = 0, .translucency = 255, .frameStyle = 0}));
        ProbeElement element(kRed);
        element.Create(window.get(), Rf(20, 20, 40, 30), 2);  // drawn while hidden
        show(window.get());
        EXPECT_TRUE(ScreenShows(60 + 30, 60 + 30, 0xFF0000u));
        EXPECT_TRUE(ScreenShows(60 + 120, 60 + 60, 0x0000FEu));

        ShowWindow(window.get(), SW_HIDE);
        element.Visible(0);
        host.Render(std::nullopt, RGB(0, 255, 0));
        show(window.get());
        EXPECT_TRUE(ScreenShows(60 + 30, 60 + 30, 0x00FE00u));
        ShowWindow(window.get(), SW_HIDE);
    }
}

}  // namespace
