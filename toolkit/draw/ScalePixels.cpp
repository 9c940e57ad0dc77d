#include "toolkit/draw/ScalePixels.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "platform/PixelSize.h"
#include "platform/Resample.h"
#include "toolkit/draw/Geometry.h"
#include "toolkit/draw/ImageDraw.h"

std::vector<std::uint32_t> ScalePixels(const std::uint32_t* source, int w, int h, int targetW,
                                       int targetH) {
    if (!source || PixelCount(w, h) == 0 || PixelCount(targetW, targetH) == 0) return {};
    std::vector<std::uint32_t> target(PixelCount(targetW, targetH));
    // The photographs' filter: averaged down, Catmull-Rom up, premultiplied.
    resample::Resample(
        {reinterpret_cast<const unsigned char*>(source), w, h, w * 4},
        {reinterpret_cast<unsigned char*>(target.data()), targetW, targetH, targetW * 4},
        resample::Alpha::Premultiplied);
    return target;
}

UniqueGpBitmap ScaledBitmap(GpImage* image, float factor) {
    const int w = static_cast<int>(ImageWidth(image));
    const int h = static_cast<int>(ImageHeight(image));
    const int targetW = static_cast<int>(std::lround(w * factor));
    const int targetH = static_cast<int>(std::lround(h * factor));
    if (PixelCount(w, h) == 0 || PixelCount(targetW, targetH) == 0) return {};
    return Resampled(image, targetW, targetH);
}
