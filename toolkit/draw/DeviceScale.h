#pragma once
// The one conversion between units and a host's device pixels. Every size and
// place the toolkit is given (element rectangles, fonts, borders, rings, the
// caption bar) is in units, pixels at 96 DPI; a host draws at its window's
// DPI / 96. Drawing code stays in units: the host's and each surface's GDI+
// graphics carry the scale as their world transform, so glyphs, lines and
// rings are rasterised at device resolution. What writes pixels or calls GDI
// directly converts through this type, never through a raw DPI.
#include <windows.h>

#include "toolkit/core/Gdip.h"
#include "toolkit/draw/DirectPixels.h"
#include "toolkit/draw/Geometry.h"

class DeviceScale {
public:
    DeviceScale() = default;
    explicit DeviceScale(float factor) : factor_(factor > 0 ? factor : 1.0f) {}
    static DeviceScale ForDpi(UINT dpi);
    // The scale `graphics` draws at: its world transform's horizontal factor.
    static DeviceScale Of(GpGraphics* graphics);

    float Factor() const { return factor_; }
    bool IsOne() const { return factor_ == 1.0f; }
    bool operator==(const DeviceScale&) const = default;

    // Units to the nearest device pixel, and back.
    int Pixels(float units) const;
    float Units(float device) const { return device / factor_; }
    // The origin and the size each to their nearest device pixels: where an
    // element's surface (of that size, drawn at this scale) lands pixel for
    // pixel.
    RECT Edges(const RectF& units) const;
    // Every device pixel the rectangle touches (floor and ceiling): what a
    // partial redraw restores, clips to and presents.
    RECT Covering(const RectF& units) const;
    // Covering, back in units: a band in whole device pixels.
    RectF Outward(const RectF& units) const;
    // Gives `graphics` this scale as its world transform.
    void Apply(GpGraphics* graphics) const;

private:
    float factor_ = 1.0f;
};

// Draws an element surface (device pixels, made at `scale.Edges(rect)`'s
// size) onto `rect` pixel for pixel, at `alpha`. `graphics` carries the
// scale; the surface goes on in device space, so it never lands between
// pixels and is never resampled. With `dirty` (units) only the part of the
// surface under it is drawn. With `direct` (the pixels `graphics` draws
// into), an opaque surface is blended in place through the clip.
void DrawSurface(GpGraphics* graphics, GpImage* surface, const RectF& rect, int alpha,
                 const DeviceScale& scale, const RectF* dirty = nullptr,
                 const PixelTarget* direct = nullptr);
