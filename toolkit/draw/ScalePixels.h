#pragma once
// Fixed-format pictures (animation frames, caption buttons) at a display's
// scale: made once per scale and kept, so nothing is resampled per frame.
#include <cstdint>
#include <vector>

// `source` (w x h premultiplied ARGB, rows w apart) resampled to
// targetW x targetH by bilinear interpolation between pixel centres, edges
// clamped: smooth for the 1.25x to 2x a display scale asks for. Premultiplied
// pixels interpolate without dark fringes at transparent edges. Empty when a
// size is not positive.
std::vector<std::uint32_t> ScalePixels(const std::uint32_t* source, int w, int h, int targetW,
                                       int targetH);

#include "toolkit/core/Gdip.h"
#include "toolkit/draw/GdipOwners.h"

// `image` resampled by `factor` (ScalePixels over its premultiplied pixels)
// into a bitmap of its own; empty when its pixels cannot be read.
UniqueGpBitmap ScaledBitmap(GpImage* image, float factor);
