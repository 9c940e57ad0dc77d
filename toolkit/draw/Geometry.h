#pragma once
// The small rectangle helpers every drawing routine uses. A RectF is GDI+'s
// (X, Y, Width, Height) in host-window client pixels.
#include <windows.h>

#include "toolkit/core/Gdip.h"

using Gdiplus::RectF;

inline RectF MakeRectF(float x, float y, float width, float height) {
    return RectF(x, y, width, height);
}

// The rectangle moved by (dx, dy) and grown by (dw, dh); omitted values are 0.
inline RectF OffsetRectF(const RectF& r, float dx = 0, float dy = 0, float dw = 0, float dh = 0) {
    return RectF(r.X + dx, r.Y + dy, r.Width + dw, r.Height + dh);
}

inline RectF RectToRectF(const RECT& r) {
    return RectF(static_cast<float>(r.left), static_cast<float>(r.top),
                 static_cast<float>(r.right - r.left), static_cast<float>(r.bottom - r.top));
}

// Pixel size of an image; 0 for a missing image or on failure.
inline UINT ImageWidth(GpImage* image) {
    UINT width = 0;
    if (image && gp::GdipGetImageWidth(image, &width) != Gdiplus::Ok) width = 0;
    return width;
}
inline UINT ImageHeight(GpImage* image) {
    UINT height = 0;
    if (image && gp::GdipGetImageHeight(image, &height) != Gdiplus::Ok) height = 0;
    return height;
}
