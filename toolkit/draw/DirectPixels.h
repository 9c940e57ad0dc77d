#pragma once
// Pixels written straight into a host's back buffer instead of through
// GDI+. Wine's GDI+ draws every picture and fill through a DC by copying its
// whole bounding box into a fresh bitmap and blending that back, so filling
// or copying a window-sized area costs several times the copy itself. These
// do the same work in place: SrcOver as GDI's AlphaBlend computes it (Wine's
// rounding), through the clip of the graphics the caller would have drawn
// with, in whole device pixels.
#include <windows.h>

#include <cstddef>
#include <optional>
#include <vector>

#include "toolkit/core/Gdip.h"

// 32-bit premultiplied BGRA memory: `top` is the first row, `stride` the step
// to the next (negative for a bottom-up DIB).
struct PixelTarget {
    unsigned char* top = nullptr;
    int stride = 0;
    int width = 0;
    int height = 0;

    explicit operator bool() const { return top != nullptr && width > 0 && height > 0; }
    Gdiplus::ARGB* Row(int y) const {
        return reinterpret_cast<Gdiplus::ARGB*>(top + static_cast<std::ptrdiff_t>(y) * stride);
    }
};

// A GDI+ bitmap's pixels, locked for reading in `format` while alive.
class LockedPixels {
public:
    LockedPixels(GpBitmap* bitmap, Gdiplus::PixelFormat format,
                 UINT mode = Gdiplus::ImageLockModeRead);
    ~LockedPixels();
    LockedPixels(const LockedPixels&) = delete;
    LockedPixels& operator=(const LockedPixels&) = delete;

    explicit operator bool() const { return locked_; }
    const Gdiplus::BitmapData& Data() const { return data_; }
    const Gdiplus::ARGB* Row(int y) const {
        return reinterpret_cast<const Gdiplus::ARGB*>(
            static_cast<const unsigned char*>(data_.Scan0) +
            static_cast<std::ptrdiff_t>(y) * data_.Stride);
    }

private:
    GpBitmap* bitmap_;
    Gdiplus::BitmapData data_{};
    bool locked_ = false;
};

// The device pixels inside `bounds` that `graphics`'s clip lets through, as
// rectangles; nothing when the clip cannot be read (the caller then draws
// through GDI+ as before).
std::optional<std::vector<RECT>> ClipRects(GpGraphics* graphics, const RECT& bounds);

// Every pixel of `through` set to `argb` (straight alpha), premultiplied.
void FillPixels(const PixelTarget& target, Gdiplus::ARGB argb, const std::vector<RECT>& through);

// `source` (its rows, `premultiplied` or straight alpha) with its top-left
// corner at `x`, `y`, blended over the target through `through`.
void BlendPixels(const PixelTarget& target, const LockedPixels& source, bool premultiplied, int x,
                 int y, const std::vector<RECT>& through);

// What `graphics` and GDI have drawn so far, landed in memory: due before
// pixels are written there directly.
void LandDrawing(GpGraphics* graphics);

// FillPixels and BlendPixels through `graphics`'s clip inside `bounds`, the
// drawing before them landed; false, with nothing written, where the clip or
// the source cannot be read (the caller then draws through GDI+). A source
// read as PixelFormat32bppPARGB is premultiplied, as PixelFormat32bppARGB not.
bool FillThroughClip(GpGraphics* graphics, const PixelTarget& target, Gdiplus::ARGB argb,
                     const RECT& bounds);
bool BlendThroughClip(GpGraphics* graphics, const PixelTarget& target, GpBitmap* source,
                      Gdiplus::PixelFormat format, int x, int y, const RECT& bounds);
