#pragma once
// A real 32-bit ARGB GDI+ bitmap to draw into and read pixels back from.
#include <cstdint>

#include "toolkit/draw/GdipOwners.h"

struct TestCanvas {
    ArgbCanvas canvas;
    int width, height;

    TestCanvas(int w, int h) : canvas(ArgbCanvas::Create(w, h)), width(w), height(h) {}
    GpGraphics* g() const { return canvas.graphics.get(); }
    GpBitmap* bitmap() const { return canvas.bitmap.get(); }

    void Clear(Gdiplus::ARGB argb) { gp::GdipGraphicsClear(g(), argb); }
    Gdiplus::ARGB At(int x, int y) const {
        gp::GdipFlush(g(), Gdiplus::FlushIntentionSync);
        Gdiplus::ARGB argb = 0;
        gp::GdipBitmapGetPixel(bitmap(), x, y, &argb);
        return argb;
    }
    int Alpha(int x, int y) const { return static_cast<int>(At(x, y) >> 24); }
    int Red(int x, int y) const { return static_cast<int>((At(x, y) >> 16) & 0xFF); }
    int Green(int x, int y) const { return static_cast<int>((At(x, y) >> 8) & 0xFF); }
    int Blue(int x, int y) const { return static_cast<int>(At(x, y) & 0xFF); }
};

// A picture whose pixels are set one by one: `colour(x, y)` gives each ARGB.
template <typename Fn>
UniqueGpBitmap MakePicture(int w, int h, Fn colour) {
    UniqueGpBitmap bitmap;
    gp::GdipCreateBitmapFromScan0(w, h, 0, PixelFormat32bppARGB, nullptr, bitmap.put());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) gp::GdipBitmapSetPixel(bitmap.get(), x, y, colour(x, y));
    return bitmap;
}
