#include "toolkit/draw/DirectPixels.h"

#include <algorithm>

#include "toolkit/draw/GdipOwners.h"

namespace {

// GDI's AlphaBlend with per-pixel alpha: `src` premultiplied over `dst`.
Gdiplus::ARGB Over(Gdiplus::ARGB dst, Gdiplus::ARGB src) {
    const unsigned alpha = src >> 24;
    if (alpha == 255) return src;
    if (alpha == 0 && (src & 0xFFFFFF) == 0) return dst;
    const unsigned keep = 255 - alpha;
    const auto channel = [&](int shift) {
        const unsigned s = (src >> shift) & 0xFF;
        const unsigned d = (dst >> shift) & 0xFF;
        return ((s + (d * keep + 127) / 255) & 0xFF) << shift;
    };
    return channel(0) | channel(8) | channel(16) | channel(24);
}

// Straight alpha to premultiplied, rounded as GDI+ converts.
Gdiplus::ARGB Premultiplied(Gdiplus::ARGB argb) {
    const unsigned alpha = argb >> 24;
    if (alpha == 255) return argb;
    const auto channel = [&](int shift) {
        return ((((argb >> shift) & 0xFF) * alpha + 127) / 255) << shift;
    };
    return channel(0) | channel(8) | channel(16) | (alpha << 24);
}

}  // namespace

LockedPixels::LockedPixels(GpBitmap* bitmap, Gdiplus::PixelFormat format, UINT mode)
    : bitmap_(bitmap) {
    UINT width = 0, height = 0;
    if (!bitmap_ || gp::GdipGetImageWidth(bitmap_, &width) != Gdiplus::Ok ||
        gp::GdipGetImageHeight(bitmap_, &height) != Gdiplus::Ok || width == 0 || height == 0)
        return;
    const Gdiplus::Rect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    locked_ = gp::GdipBitmapLockBits(bitmap_, &all, mode, format, &data_) == Gdiplus::Ok;
}

LockedPixels::~LockedPixels() {
    if (locked_) gp::GdipBitmapUnlockBits(bitmap_, &data_);
}

std::optional<std::vector<RECT>> ClipRects(GpGraphics* graphics, const RECT& bounds) {
    std::vector<RECT> rects;
    if (IsRectEmpty(&bounds)) return rects;
    UniqueGpRegion clip;
    gp::GdipCreateRegion(clip.put());
    if (!clip || gp::GdipGetClip(graphics, clip.get()) != Gdiplus::Ok) return std::nullopt;
    BOOL infinite = FALSE;
    if (gp::GdipIsInfiniteRegion(clip.get(), graphics, &infinite) != Gdiplus::Ok)
        return std::nullopt;
    if (infinite) {
        rects.push_back(bounds);
        return rects;
    }
    // The clip comes back in world units; its scans, in device pixels.
    UniqueGpMatrix world;
    gp::GdipCreateMatrix(world.put());
    if (!world || gp::GdipGetWorldTransform(graphics, world.get()) != Gdiplus::Ok)
        return std::nullopt;
    UINT count = 0;
    if (gp::GdipGetRegionScansCount(clip.get(), &count, world.get()) != Gdiplus::Ok)
        return std::nullopt;
    std::vector<Gdiplus::Rect> scans(count);
    INT got = static_cast<INT>(count);
    if (count > 0 &&
        gp::GdipGetRegionScansI(clip.get(), scans.data(), &got, world.get()) != Gdiplus::Ok)
        return std::nullopt;
    scans.resize(static_cast<size_t>(std::max(got, 0)));
    for (const Gdiplus::Rect& scan : scans) {
        const RECT r{scan.X, scan.Y, scan.X + scan.Width, scan.Y + scan.Height};
        RECT inside{};
        if (IntersectRect(&inside, &r, &bounds)) rects.push_back(inside);
    }
    return rects;
}

void FillPixels(const PixelTarget& target, Gdiplus::ARGB argb, const std::vector<RECT>& through) {
    if (!target) return;
    const Gdiplus::ARGB value = Premultiplied(argb);
    const RECT all{0, 0, target.width, target.height};
    for (const RECT& r : through) {
        RECT part{};
        if (!IntersectRect(&part, &r, &all)) continue;
        for (int y = part.top; y < part.bottom; ++y)
            std::fill(target.Row(y) + part.left, target.Row(y) + part.right, value);
    }
}

void BlendPixels(const PixelTarget& target, const LockedPixels& source, bool premultiplied, int x,
                 int y, const std::vector<RECT>& through) {
    if (!target || !source) return;
    const Gdiplus::BitmapData& data = source.Data();
    const RECT placed{x, y, x + static_cast<LONG>(data.Width), y + static_cast<LONG>(data.Height)};
    const RECT all{0, 0, target.width, target.height};
    for (const RECT& r : through) {
        RECT part{};
        if (!IntersectRect(&part, &r, &placed) || !IntersectRect(&part, &part, &all)) continue;
        for (int row = part.top; row < part.bottom; ++row) {
            const Gdiplus::ARGB* from = source.Row(row - y) + (part.left - x);
            Gdiplus::ARGB* to = target.Row(row) + part.left;
            for (LONG n = part.right - part.left; n > 0; --n, ++from, ++to)
                *to = Over(*to, premultiplied ? *from : Premultiplied(*from));
        }
    }
}

void LandDrawing(GpGraphics* graphics) {
    if (graphics) gp::GdipFlush(graphics, Gdiplus::FlushIntentionSync);
    GdiFlush();
}

bool FillThroughClip(GpGraphics* graphics, const PixelTarget& target, Gdiplus::ARGB argb,
                     const RECT& bounds) {
    if (!target) return false;
    const std::optional<std::vector<RECT>> through = ClipRects(graphics, bounds);
    if (!through) return false;
    LandDrawing(graphics);
    FillPixels(target, argb, *through);
    return true;
}

bool BlendThroughClip(GpGraphics* graphics, const PixelTarget& target, GpBitmap* source,
                      Gdiplus::PixelFormat format, int x, int y, const RECT& bounds) {
    if (!target) return false;
    const std::optional<std::vector<RECT>> through = ClipRects(graphics, bounds);
    if (!through) return false;
    const LockedPixels pixels(source, format);
    if (!pixels) return false;
    LandDrawing(graphics);
    BlendPixels(target, pixels, format == PixelFormat32bppPARGB, x, y, *through);
    return true;
}
