// The full redraw of a host window, read back from its back buffer, its
// cache and its window region.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/toolkit/host/HostTestSupport.h"
#include "toolkit/draw/RenderPass.h"

using namespace hosttest;

namespace {

constexpr Gdiplus::ARGB kRed = 0xFFFF0000;
constexpr Gdiplus::ARGB kGreen = 0xFF00FF00;
constexpr COLORREF kTheme = RGB(40, 80, 120);

std::string Uniform(int w, int h, Gdiplus::ARGB colour) {
    return PngOf(w, h, [colour](int, int) { return colour; });
}

// A 16 x 16 icon of one opaque colour with a real alpha channel.
HICON SolidIcon(std::uint32_t argb) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 16;
    info.bmiHeader.biHeight = 16;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    UniqueBitmap colour(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    auto* pixels = static_cast<std::uint32_t*>(bits);
    for (int i = 0; i < 256; ++i) pixels[i] = argb;
    UniqueBitmap mask(CreateBitmap(16, 16, 1, 1, nullptr));
    ICONINFO icon{TRUE, 0, 0, mask.get(), colour.get()};
    return CreateIconIndirect(&icon);
}

TEST(RenderPass, SkinStyleShowsThePictureOverTransparency) {
    TestWindow window(200, 120);
    UIHost host;
    std::string picture = Uniform(50, 40, kRed);
    ASSERT_TRUE(host.Attach(
        window.get(),
        {.bgSource = BlockOf(picture), .captionFlags = 0, .translucency = 255, .frameStyle = 1}));
    // A text source is copied in.
    EXPECT_NE(host.bgSource.data, reinterpret_cast<const unsigned char*>(picture.data()));
    EXPECT_EQ(host.bgSource.size, picture.size());
    EXPECT_EQ(BackPixel(host, 49, 39), 0xFFFF0000u);
    EXPECT_EQ(BackPixel(host, 50, 10), 0u);
    EXPECT_EQ(BackPixel(host, 150, 100), 0u);

    // With a nine-grid centre the picture covers the whole window.
    host.nineGridRect = {10, 10, 40, 30};
    host.Render(std::nullopt, std::nullopt);
    EXPECT_EQ(BackPixel(host, 199, 119), 0xFFFF0000u);
}

TEST(RenderPass, OpaqueWindowsGetARegionTranslucentOnesAShadow) {
    TestWindow opaqueWindow(200, 120);
    UIHost opaque;
    ASSERT_TRUE(opaque.Attach(opaqueWindow.get(), {.color = kTheme, .captionFlags = 0}));
    UniqueRegion region(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(opaqueWindow.get(), region.get()), ERROR);
    EXPECT_FALSE(PtInRegion(region.get(), 4, 60));
    EXPECT_TRUE(PtInRegion(region.get(), 5, 60));
    EXPECT_FALSE(PtInRegion(region.get(), 196, 60));
    EXPECT_FALSE(PtInRegion(region.get(), 5, 5));  // a rounded corner
    EXPECT_TRUE(PtInRegion(region.get(), 8, 8));
    EXPECT_LT(A(BackPixel(opaque, 3, 60)), 10);  // no shadow

    TestWindow layeredWindow(200, 120);
    UIHost translucent;
    ASSERT_TRUE(translucent.Attach(layeredWindow.get(),
                                   {.color = kTheme, .captionFlags = 0, .translucency = 255}));
    UniqueRegion none(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(GetWindowRgn(layeredWindow.get(), none.get()), ERROR);
    // Three fading rings outside the frame.
    const int ring1 = A(BackPixel(translucent, 4, 60));
    const int ring2 = A(BackPixel(translucent, 3, 60));
    const int ring3 = A(BackPixel(translucent, 2, 60));
    EXPECT_GT(ring1, ring2);
    EXPECT_GT(ring2, ring3);
    EXPECT_GT(ring3, 0);
    EXPECT_EQ(A(BackPixel(translucent, 0, 60)), 0);
    EXPECT_EQ(A(BackPixel(translucent, 100, 60)), 254);  // body: stored as 254
}

TEST(RenderPass, SquareFrameFillsAndOutlinesTheBody) {
    TestWindow window(200, 120);
    UIHost host;
    ASSERT_TRUE(host.Attach(window.get(),
                            {.color = RGB(200, 200, 200), .captionFlags = 0, .frameStyle = 0}));
    const std::uint32_t body = BackPixel(host, 100, 60);
    EXPECT_EQ(A(body), 254);
    EXPECT_NEAR(R(body), 199, 1);
    EXPECT_LT(R(BackPixel(host, 5, 60)), R(body) - 40);  // black border at alpha 81
    EXPECT_GT(R(BackPixel(host, 6, 60)), R(body) + 5);   // white inner line at alpha 70
    EXPECT_EQ(BackPixel(host, 2, 60), 0u);               // outside the body nothing is drawn
    UniqueRegion region(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(window.get(), region.get()), ERROR);
    EXPECT_TRUE(PtInRegion(region.get(), 5, 5));  // square corners
}

TEST(RenderPass, ThemeColourFollowsTheNewPictureUnlessAColourIsGiven) {
    TestWindow window(200, 120);
    UIHost host;
    ASSERT_TRUE(host.Attach(window.get(), {.color = kTheme, .captionFlags = 0}));
    EXPECT_EQ(host.themeColor, kTheme);
    const std::string picture = Uniform(30, 20, 0xFFC86432);  // RGB(200, 100, 50)
    host.Render(BlockOf(picture), static_cast<COLORREF>(-1));
    EXPECT_EQ(host.themeColor, RGB(200, 100, 50));
    host.Render(BlockOf(picture), RGB(1, 2, 3));
    EXPECT_EQ(host.themeColor, RGB(1, 2, 3));

    // Bytes that do not decode: no picture, the colour stays, the pass goes on.
    const std::string garbage = "this is not a picture";
    ProbeElement element(kGreen);
    element.Create(window.get(), Rf(50, 50, 20, 20), 2);
    host.Render(BlockOf(garbage), std::nullopt);
    EXPECT_FALSE(host.bgImage);
    EXPECT_EQ(host.themeColor, RGB(1, 2, 3));
    EXPECT_EQ(host.rendering, 0);
    EXPECT_EQ(BackPixel(host, 60, 60) & 0xFFFFFF, 0x00FF00u);
    const std::uint32_t fill = BackPixel(host, 120, 60);
    EXPECT_EQ(R(fill), 1);
    EXPECT_EQ(B(fill), 3);
}

TEST(RenderPass, BackgroundPlacementModes) {
    const std::string green = Uniform(20, 10, kGreen);
    {
        TestWindow window(200, 120);
        UIHost host;
        ASSERT_TRUE(host.Attach(window.get(), {.bgSource = BlockOf(green),
                                               .color = kTheme,
                                               .captionFlags = 0,
                                               .bgMode = 1,
                                               .frameStyle = 0}));
        EXPECT_EQ(BackPixel(host, 10, 10) & 0xFFFFFF, 0x00FF00u);  // stretched over the body
        EXPECT_EQ(BackPixel(host, 180, 100) & 0xFFFFFF, 0x00FF00u);
    }
    {
        // Own size at the top left, its right and bottom edges faded into the theme.
        const std::string wide = Uniform(150, 60, kGreen);
        TestWindow window(300, 200);
        UIHost host;
        ASSERT_TRUE(host.Attach(window.get(), {.bgSource = BlockOf(wide),
                                               .color = RGB(0, 0, 255),
                                               .captionFlags = 0,
                                               .bgMode = 0,
                                               .frameStyle = 0}));
        EXPECT_EQ(BackPixel(host, 10, 10) & 0xFFFFFF, 0x00FF00u);
        const std::uint32_t faded = BackPixel(host, 150, 10);  // deep in the right band
        EXPECT_GT(B(faded), G(faded));
        EXPECT_EQ(BackPixel(host, 200, 100) & 0xFFFFFF, 0x0000FEu);  // beyond: theme fill
    }
    {
        // Translucent body at 128: picture and fill both carry the translucency.
        TestWindow window(200, 120);
        UIHost host;
        ASSERT_TRUE(host.Attach(window.get(), {.bgSource = BlockOf(green),
                                               .color = kTheme,
                                               .captionFlags = 0,
                                               .translucency = 128,
                                               .bgMode = 1,
                                               .frameStyle = 0}));
        const std::uint32_t p = BackPixel(host, 100, 60);
        EXPECT_NEAR(A(p), 192, 4);  // 128 over 128
        EXPECT_GT(G(p), R(p) + 60);
        EXPECT_LE(G(p), A(p));  // premultiplied
    }
}

TEST(RenderPass, KeepBackgroundZeroDecodesEveryPass) {
    const std::string green = Uniform(20, 10, kGreen);
    TestWindow window(200, 120);
    UIHost host;
    host.SetBackgroundSourceKind(1);  // the caller's block: referenced, not copied
    ASSERT_TRUE(host.Attach(window.get(), {.bgSource = BlockOf(green),
                                           .color = kTheme,
                                           .captionFlags = 0,
                                           .bgMode = 1,
                                           .frameStyle = 0}));
    EXPECT_EQ(host.bgSource.data, reinterpret_cast<const unsigned char*>(green.data()));
    EXPECT_FALSE(host.bgImage);  // released at the end of the pass
    EXPECT_FALSE(host.bgImageMemory);
    host.Render(std::nullopt, RGB(255, 0, 0));
    EXPECT_EQ(BackPixel(host, 100, 60) & 0xFFFFFF, 0x00FF00u);  // decoded again
    EXPECT_FALSE(host.bgImage);
}

TEST(RenderPass, CacheHoldsTheFrameAndThePaintCallbackDrawsOnIt) {
    TestWindow window(200, 120);
    UIHost host;
    ASSERT_TRUE(host.Attach(window.get(), {.color = kTheme, .captionFlags = 0, .frameStyle = 0}));
    ProbeElement element(kRed);
    element.Create(window.get(), Rf(20, 20, 30, 30), 2);
    int renderingDuringPaint = -1;
    element.BindEvent(WM_PAINT, [&](Element*, Element*, UINT, WPARAM, LPARAM) -> LRESULT {
        renderingDuringPaint = host.rendering;
        return -1;
    });
    int calls = 0;
    host.SetPaintCallback([&](HWND hwnd, GpGraphics* graphics, int w, int h) {
        ++calls;
        EXPECT_EQ(hwnd, window.get());
        EXPECT_EQ(graphics, host.backGraphics.get());
        EXPECT_EQ(w, 200);
        EXPECT_EQ(h, 120);
        EXPECT_EQ(host.rendering, 1);
        gp::GdipGraphicsClear(graphics, 0xFF00FF00);
    });
    host.Render(std::nullopt, std::nullopt);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(renderingDuringPaint, 1);
    EXPECT_EQ(host.rendering, 0);
    EXPECT_EQ(CachePixel(host, 30, 30), 0xFF00FF00u);  // the cache has no elements
    EXPECT_EQ(BackPixel(host, 30, 30), 0xFFFF0000u);
}

TEST(RenderPass, ElementTreeVisibilityOpacityAndClip) {
    TestWindow window(200, 120);
    UIHost host;
    ASSERT_TRUE(host.Attach(window.get(), {.color = kTheme, .captionFlags = 0, .frameStyle = 0}));
    ProbeElement parent(kRed), child(kGreen), faint(kRed), edge(kRed);
    parent.Create(window.get(), Rf(20, 20, 40, 40), 2);
    child.Create(window.get(), Rf(30, 30, 10, 10), 2);
    child.SetParent(&parent);
    faint.Create(window.get(), Rf(100, 20, 30, 30), 2);
    faint.Opacity(128);
    edge.Create(window.get(), Rf(0, 80, 30, 20), 2);
    const std::uint32_t fill = CachePixel(host, 150, 60);

    parent.Visible(0);
    const int childPaints = child.paints;
    host.Render(std::nullopt, std::nullopt);
    EXPECT_EQ(child.paints, childPaints);  // an invisible parent hides its descendants
    EXPECT_EQ(BackPixel(host, 35, 35), CachePixel(host, 35, 35));

    parent.Visible(1);
    host.Render(std::nullopt, std::nullopt);
    EXPECT_EQ(BackPixel(host, 35, 35) & 0xFFFFFF, 0x00FF00u);  // children over their parent
    EXPECT_EQ(BackPixel(host, 25, 25) & 0xFFFFFF, 0xFF0000u);
    const std::uint32_t half = BackPixel(host, 110, 30);
    EXPECT_NEAR(R(half), (255 * 128 + R(fill) * 127) / 255, 3);
    // Elements are clipped to the area inside the border.
    EXPECT_EQ(BackPixel(host, 10, 90) & 0xFFFFFF, 0xFF0000u);
    EXPECT_NE(BackPixel(host, 3, 90) & 0xFFFFFF, 0xFF0000u);
}

TEST(RenderPass, CaptionIconIsDrawnAtElevenEleven) {
    TestWindow window(200, 120);
    UniqueIcon icon(SolidIcon(0xFF0000FF));
    SendMessageA(window.get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon.get()));
    UIHost host;
    ASSERT_TRUE(
        host.Attach(window.get(), {.color = RGB(255, 255, 255), .captionFlags = kCaptionIcon}));
    EXPECT_EQ(BackPixel(host, 15, 15) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(BackPixel(host, 26, 26) & 0xFFFFFF, 0x0000FFu);
    EXPECT_NE(BackPixel(host, 28, 15) & 0xFFFFFF, 0x0000FFu);
}

// Every pixel of the back buffer after a full redraw.
std::vector<std::uint32_t> Picture(UIHost& host) {
    if (host.backGraphics) gp::GdipFlush(host.backGraphics.get(), Gdiplus::FlushIntentionSync);
    GdiFlush();
    DIBSECTION dib{};
    GetObjectA(host.backBitmap.get(), sizeof(dib), &dib);
    const auto* bits = static_cast<const std::uint32_t*>(dib.dsBm.bmBits);
    return std::vector<std::uint32_t>(bits, bits + dib.dsBm.bmWidth * dib.dsBm.bmHeight);
}

// Passes that reuse the stored frame show exactly what a pass drawing it
// afresh shows, and every input of the frame that changes shows at once.
TEST(RenderPass, StoredFrameMatchesAFreshOneAndFollowsEveryChange) {
    TestWindow window(220, 140);
    UniqueIcon blue(SolidIcon(0xFF0000FF)), red(SolidIcon(0xFFFF0000));
    SendMessageA(window.get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(blue.get()));
    const auto gradient = [](int shift) {
        return PngOf(64, 48, [shift](int x, int y) {
            return 0xFF000000u | ((x * 4 + shift) & 255) << 16 | (y * 5) << 8 | shift;
        });
    };
    // The caller's block, refilled in place later: room for either picture
    // (the decoders stop at the picture's end).
    const std::string first = gradient(0), second = gradient(120);
    std::string block(std::max(first.size(), second.size()), '\0');
    block.replace(0, first.size(), first);
    UIHost host;
    host.SetBackgroundSourceKind(1);
    ASSERT_TRUE(host.Attach(window.get(), {.bgSource = BlockOf(block),
                                           .captionFlags = kCaptionIcon | kCaptionTitle,
                                           .translucency = 255,
                                           .bgMode = 1}));
    ProbeElement element(kGreen);
    element.Create(window.get(), Rf(60, 40, 30, 20), 2);
    const std::string other = gradient(200);

    const std::pair<const char*, std::function<void()>> changes[] = {
        {"nothing", [] {}},
        {"translucency", [&] { host.translucency = 128; }},
        {"new picture", [&] { host.Render(BlockOf(other), std::nullopt); }},
        {"theme colour", [&] { host.Render(std::nullopt, RGB(10, 200, 30)); }},
        {"icon",
         [&] {
             SendMessageA(window.get(), WM_SETICON, ICON_SMALL,
                          reinterpret_cast<LPARAM>(red.get()));
         }},
        {"frame style", [&] { host.frameStyle = 0; }},
        {"picture mode", [&] { host.bgMode = 2; }},
        {"back to the block",
         [&] {
             host.Render(BlockOf(block), std::nullopt);
             host.SetKeepBackground(0);  // decoded from the block at every pass
         }},
        {"block refilled in place", [&] { block.replace(0, second.size(), second); }},
        {"size",
         [&] { SetWindowPos(window.get(), nullptr, 0, 0, 240, 150, SWP_NOMOVE | SWP_NOZORDER); }},
    };
    std::vector<std::uint32_t> before = Picture(host);
    for (const auto& [what, change] : changes) {
        SCOPED_TRACE(what);
        change();
        host.Render(std::nullopt, std::nullopt);
        const std::vector<std::uint32_t> reused = Picture(host);
        host.frameCache.Clear();
        host.Render(std::nullopt, std::nullopt);
        EXPECT_TRUE(reused == Picture(host));
        if (std::string_view(what) != "nothing") {
            EXPECT_FALSE(reused == before);
        }
        before = reused;
    }
}

}  // namespace
