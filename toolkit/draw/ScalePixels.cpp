#include "toolkit/draw/ScalePixels.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

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
