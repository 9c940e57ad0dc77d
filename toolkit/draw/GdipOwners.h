#pragma once
// Move-only owners for the short-lived GDI+ objects of the drawing routines:
// each one deletes its object exactly once, whichever way the scope is left.
#include "platform/Handle.h"
#include "toolkit/core/Gdip.h"

inline void DeleteGpPath(GpPath* path) {
    gp::GdipDeletePath(path);
}
inline void DeleteGpPen(GpPen* pen) {
    gp::GdipDeletePen(pen);
}
inline void DeleteGpBrush(GpBrush* brush) {
    gp::GdipDeleteBrush(brush);
}
inline void DeleteGpGraphics(GpGraphics* graphics) {
    gp::GdipDeleteGraphics(graphics);
}
inline void DisposeGpImage(GpImage* image) {
    gp::GdipDisposeImage(image);
}
inline void DisposeGpBitmap(GpBitmap* bitmap) {
    gp::GdipDisposeImage(bitmap);
}
inline void DisposeGpImageAttributes(GpImageAttributes* attributes) {
    gp::GdipDisposeImageAttributes(attributes);
}
inline void DeleteGpRegion(GpRegion* region) {
    gp::GdipDeleteRegion(region);
}
inline void DeleteGpMatrix(Gdiplus::GpMatrix* matrix) {
    gp::GdipDeleteMatrix(matrix);
}

using UniqueGpPath = UniqueHandle<GpPath*, NullHandleTraits<GpPath*, DeleteGpPath>>;
using UniqueGpPen = UniqueHandle<GpPen*, NullHandleTraits<GpPen*, DeleteGpPen>>;
using UniqueGpBrush = UniqueHandle<GpBrush*, NullHandleTraits<GpBrush*, DeleteGpBrush>>;
using UniqueGpGraphics = UniqueHandle<GpGraphics*, NullHandleTraits<GpGraphics*, DeleteGpGraphics>>;
using UniqueGpImage = UniqueHandle<GpImage*, NullHandleTraits<GpImage*, DisposeGpImage>>;
using UniqueGpBitmap = UniqueHandle<GpBitmap*, NullHandleTraits<GpBitmap*, DisposeGpBitmap>>;
using UniqueGpImageAttributes =
    UniqueHandle<GpImageAttributes*,
                 NullHandleTraits<GpImageAttributes*, DisposeGpImageAttributes>>;
using UniqueGpRegion = UniqueHandle<GpRegion*, NullHandleTraits<GpRegion*, DeleteGpRegion>>;
using UniqueGpMatrix =
    UniqueHandle<Gdiplus::GpMatrix*, NullHandleTraits<Gdiplus::GpMatrix*, DeleteGpMatrix>>;

// A solid brush of an ARGB colour; empty when GDI+ refuses.
inline UniqueGpBrush MakeSolidBrush(Gdiplus::ARGB colour) {
    GpSolidFill* brush = nullptr;
    gp::GdipCreateSolidFill(colour, &brush);
    return UniqueGpBrush(brush);
}

// A 32-bit ARGB bitmap of its own (zero-filled) pixels and a graphics object on it.
struct ArgbCanvas {
    UniqueGpBitmap bitmap;
    UniqueGpGraphics graphics;  // declared second, so it goes before the bitmap

    static ArgbCanvas Create(int width, int height) {
        ArgbCanvas canvas;
        gp::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr,
                                      canvas.bitmap.put());
        if (canvas.bitmap)
            gp::GdipGetImageGraphicsContext(canvas.bitmap.get(), canvas.graphics.put());
        return canvas;
    }
};
