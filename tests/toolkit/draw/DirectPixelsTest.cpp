// Drawing in place must give what GDI+ gives through a DC: the same pixels,
// the same clip, the same blend, at a fractional scale on a bottom-up buffer
// like a host's back buffer.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <vector>

#include "platform/Dib.h"
#include "tests/toolkit/draw/Canvas.h"
#include "toolkit/draw/DeviceScale.h"
#include "toolkit/draw/DirectPixels.h"
#include "toolkit/draw/ImageDraw.h"
#include "toolkit/draw/Shapes.h"

namespace {

// A bottom-up 32-bit DIB in a memory DC with a GDI+ graphics on it at `scale`,
// a rounded clip and a translucent fill already there.
struct BackBuffer {
    static constexpr int kWidth = 150, kHeight = 110;
    HDC dc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    UniqueGpGraphics graphics;

    explicit BackBuffer(const DeviceScale& scale) {
        BITMAPINFO info = Argb32Info(kWidth, kHeight, false);
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        previous = SelectObject(dc, bitmap);
        auto* p = static_cast<std::uint32_t*>(bits);
        for (int i = 0; i < kWidth * kHeight; ++i) p[i] = (i % 7) ? 0x80402010u : 0xFF336699u;
        gp::GdipCreateFromHDC(dc, graphics.put());
        scale.Apply(graphics.get());
        UniqueGpPath clip = RoundedPath(RectF(7, 5, 80, 60), 12);
        ClipPath(graphics.get(), clip.get());
    }
    ~BackBuffer() {
        graphics.reset();
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    PixelTarget Target() const {
        auto* base = static_cast<unsigned char*>(bits);
        return {base + (kHeight - 1) * kWidth * 4, -kWidth * 4, kWidth, kHeight};
    }
    std::uint32_t At(int i) const {
        GdiFlush();
        return static_cast<const std::uint32_t*>(bits)[i];
    }
};

int LargestChannelDifference(const BackBuffer& a, const BackBuffer& b) {
    int largest = 0;
    for (int i = 0; i < BackBuffer::kWidth * BackBuffer::kHeight; ++i)
        for (int shift = 0; shift < 32; shift += 8)
            largest = std::max(largest, std::abs(static_cast<int>((a.At(i) >> shift) & 0xFF) -
                                                 static_cast<int>((b.At(i) >> shift) & 0xFF)));
    return largest;
}

// `draw` once through GDI+ and once in place, into two equal buffers.
int Compare(const std::function<void(GpGraphics*, const PixelTarget*)>& draw) {
    const DeviceScale scale(1.5f);
    BackBuffer viaGdiplus(scale), inPlace(scale);
    draw(viaGdiplus.graphics.get(), nullptr);
    gp::GdipFlush(viaGdiplus.graphics.get(), Gdiplus::FlushIntentionSync);
    const PixelTarget target = inPlace.Target();
    draw(inPlace.graphics.get(), &target);
    return LargestChannelDifference(viaGdiplus, inPlace);
}

}  // namespace

TEST(DirectPixels, SurfacesAndPicturesInPlaceMatchGdiplusThroughTheClip) {
    const DeviceScale scale(1.5f);
    {
        // The rounded clip is read as rows of spans, in device pixels.
        BackBuffer buffer(scale);
        const std::optional<std::vector<RECT>> spans =
            ClipRects(buffer.graphics.get(), RECT{0, 0, BackBuffer::kWidth, BackBuffer::kHeight});
        ASSERT_TRUE(spans);
        ASSERT_GT(spans->size(), 4u);
        RECT bounds{};
        for (const RECT& r : *spans) UnionRect(&bounds, &bounds, &r);
        // 7 to 87 units: 10.5 to 130.5 pixels, edges rounded as the region does.
        EXPECT_NEAR(bounds.left, 10.5, 1);
        EXPECT_NEAR(bounds.right, 130.5, 2);
    }
    // A surface with opaque, translucent and empty pixels, at its device size.
    const RectF place(4, 3, 60, 40);
    const RECT device = scale.Edges(place);
    UniqueGpBitmap surface =
        MakePicture(device.right - device.left, device.bottom - device.top, [](int x, int y) {
            if ((x + y) % 5 == 0) return Gdiplus::ARGB{0};
            return static_cast<Gdiplus::ARGB>(((x * 37 + y * 11) % 256) << 24 |
                                              (x * 9 % 256) << 16 | (y * 5 % 256) << 8 | 0x40);
        });
    EXPECT_LE(Compare([&](GpGraphics* g, const PixelTarget* direct) {
                  DrawSurface(g, surface.get(), place, 255, scale, nullptr, direct);
              }),
              1);
    // Only the dirty part, as a partial redraw draws it.
    const RectF dirty(30, 20, 13, 9);
    EXPECT_LE(Compare([&](GpGraphics* g, const PixelTarget* direct) {
                  DrawSurface(g, surface.get(), place, 255, scale, &dirty, direct);
              }),
              1);
    // An opaque photograph resampled to the device pixels of its rectangle.
    UniqueGpBitmap photo = MakePicture(97, 71, [](int x, int y) {
        return static_cast<Gdiplus::ARGB>(0xFF000000u | (x * 2) << 16 | (y * 3) << 8 | (x ^ y));
    });
    EXPECT_LE(Compare([&](GpGraphics* g, const PixelTarget* direct) {
                  DrawImageStretched(g, photo.get(), RectF(2, 1, 90, 70), nullptr, direct);
              }),
              1);
}
