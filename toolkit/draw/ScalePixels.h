#pragma once
// Fixed-format pictures (animation frames, caption buttons) at a display's
// scale: made once per scale and kept, so nothing is resampled per frame.
#include <cstdint>
#include <vector>

// `source` (w x h premultiplied ARGB, rows w apart) resampled to
// targetW x targetH by the photographs' filter (platform/Resample.h):
// averaged down, Catmull-Rom up, premultiplied so transparent edges keep
// their colour. Empty when a size is not positive or past the pixel limit.
std::vector<std::uint32_t> ScalePixels(const std::uint32_t* source, int w, int h, int targetW,
                                       int targetH);

#include "toolkit/core/Gdip.h"
#include "toolkit/draw/GdipOwners.h"

// `image` resampled by `factor` (Resampled, with its sizes rounded)
// into a bitmap of its own; empty when its pixels cannot be read.
UniqueGpBitmap ScaledBitmap(GpImage* image, float factor);
