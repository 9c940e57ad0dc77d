#include "toolkit/draw/ScalePixels.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "toolkit/draw/Geometry.h"

namespace {

// Past this many pixels a picture is refused: its byte count would not fit a
// 32-bit size, and no fixed-format picture comes near it.
constexpr long long kMaxPixels = 1LL << 26;

// Where each target column (or row) samples: the two source indices and the
// weight of the second, in 1/256.
struct Tap {
    int first;
    int second;
    std::uint32_t weight;
};

std::vector<Tap> Taps(int sourceSize, int targetSize) {
    std::vector<Tap> taps(static_cast<std::size_t>(targetSize));
    const double ratio = static_cast<double>(sourceSize) / targetSize;
    for (int i = 0; i < targetSize; ++i) {
        const double at = std::clamp((i + 0.5) * ratio - 0.5, 0.0, sourceSize - 1.0);
        const int first = static_cast<int>(at);
        const int second = std::min(first + 1, sourceSize - 1);
        taps[static_cast<std::size_t>(i)] = {
            first, second, static_cast<std::uint32_t>(std::lround((at - first) * 256))};
    }
    return taps;
}

// a + (b - a) * weight / 256 for each of the four 8-bit channels.
std::uint32_t Mix(std::uint32_t a, std::uint32_t b, std::uint32_t weight) {
    if (weight == 0 || a == b) return a;
    const std::uint32_t keep = 256 - weight;
    const std::uint32_t rb = (((a & 0x00FF00FFu) * keep + (b & 0x00FF00FFu) * weight) >> 8);
    const std::uint32_t ag = (((a >> 8) & 0x00FF00FFu) * keep + ((b >> 8) & 0x00FF00FFu) * weight);
    return (rb & 0x00FF00FFu) | (ag & 0xFF00FF00u);
}

}  // namespace

std::vector<std::uint32_t> ScalePixels(const std::uint32_t* source, int w, int h, int targetW,
                                       int targetH) {
    if (!source || w <= 0 || h <= 0 || targetW <= 0 || targetH <= 0) return {};
    if (static_cast<long long>(w) * h > kMaxPixels ||
        static_cast<long long>(targetW) * targetH > kMaxPixels)
        return {};
    const std::vector<Tap> columns = Taps(w, targetW);
    const std::vector<Tap> rows = Taps(h, targetH);
    std::vector<std::uint32_t> target(static_cast<std::size_t>(targetW) * targetH);
    std::vector<std::uint32_t> upper(static_cast<std::size_t>(targetW));
    std::vector<std::uint32_t> lower(static_cast<std::size_t>(targetW));
    const auto widen = [&](int row, std::vector<std::uint32_t>& out) {
        const std::uint32_t* line = source + static_cast<std::size_t>(row) * w;
        for (int x = 0; x < targetW; ++x) {
            const Tap& t = columns[static_cast<std::size_t>(x)];
            out[static_cast<std::size_t>(x)] = Mix(line[t.first], line[t.second], t.weight);
        }
    };
    int upperRow = -1, lowerRow = -1;
    for (int y = 0; y < targetH; ++y) {
        const Tap& t = rows[static_cast<std::size_t>(y)];
        if (t.first != upperRow) {
            if (t.first == lowerRow) {
                upper.swap(lower);
                std::swap(upperRow, lowerRow);
            } else {
                widen(t.first, upper);
                upperRow = t.first;
            }
        }
        if (t.second != lowerRow) {
            widen(t.second, lower);
            lowerRow = t.second;
        }
        std::uint32_t* out = target.data() + static_cast<std::size_t>(y) * targetW;
        for (int x = 0; x < targetW; ++x)
            out[x] = Mix(upper[static_cast<std::size_t>(x)], lower[static_cast<std::size_t>(x)],
                         t.weight);
    }
    return target;
}

UniqueGpBitmap ScaledBitmap(GpImage* image, float factor) {
    const int w = static_cast<int>(ImageWidth(image));
    const int h = static_cast<int>(ImageHeight(image));
    const int targetW = static_cast<int>(std::lround(w * factor));
    const int targetH = static_cast<int>(std::lround(h * factor));
    if (w <= 0 || h <= 0 || targetW <= 0 || targetH <= 0 ||
        static_cast<long long>(w) * h > kMaxPixels)
        return {};
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
