#include "toolkit/draw/ScalePixels.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "platform/PixelSize.h"
#include "platform/Resample.h"
#include "toolkit/draw/Geometry.h"

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
    if (PixelCount(w, h) == 0 || targetW <= 0 || targetH <= 0) return {};
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * h);
    Gdiplus::BitmapData data{};
    data.Width = static_cast<UINT>(w);
    data.Height = static_cast<UINT>(h);
    data.Stride = w * 4;
    data.PixelFormat = PixelFormat32bppPARGB;
    data.Scan0 = pixels.data();
    const Gdiplus::Rect all(0, 0, w, h);
    auto* bitmap = static_cast<GpBitmap*>(image);
    if (gp::GdipBitmapLockBits(bitmap, &all,
                               Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                               PixelFormat32bppPARGB, &data) != Gdiplus::Ok)
        return {};
    gp::GdipBitmapUnlockBits(bitmap, &data);
    std::vector<std::uint32_t> scaled = ScalePixels(pixels.data(), w, h, targetW, targetH);
    if (scaled.empty()) return {};
    UniqueGpBitmap result;
    gp::GdipCreateBitmapFromScan0(targetW, targetH, 0, PixelFormat32bppPARGB, nullptr,
                                  result.put());
    if (!result) return {};
    Gdiplus::BitmapData out{};
    out.Width = static_cast<UINT>(targetW);
    out.Height = static_cast<UINT>(targetH);
    out.Stride = targetW * 4;
    out.PixelFormat = PixelFormat32bppPARGB;
    out.Scan0 = scaled.data();
    const Gdiplus::Rect whole(0, 0, targetW, targetH);
    if (gp::GdipBitmapLockBits(result.get(), &whole,
                               Gdiplus::ImageLockModeWrite | Gdiplus::ImageLockModeUserInputBuf,
                               PixelFormat32bppPARGB, &out) != Gdiplus::Ok)
        return {};
    gp::GdipBitmapUnlockBits(result.get(), &out);
    return result;
}
