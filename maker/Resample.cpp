#include "maker/Resample.h"

#include <algorithm>
#include <cmath>

#include "platform/Resample.h"

namespace maker {

namespace {

struct Tap {
    int first = 0;               // first source index
    std::vector<float> weights;  // one per source index from `first`, summing to 1
};

// The taps of every target index along one axis: target i covers source
// [offset + i / scale, offset + (i + 1) / scale), averaged when shrinking and
// interpolated by the Catmull-Rom cubic when enlarging, as the program draws.
std::vector<Tap> AxisTaps(int sourceLength, double offset, double scale, int targetLength) {
    const resample::AxisTaps axis = resample::Taps(sourceLength, targetLength, offset, scale);
    std::vector<Tap> taps(static_cast<std::size_t>(targetLength));
    for (std::size_t i = 0; i < taps.size() && i < axis.first.size(); ++i) {
        taps[i].first = axis.first[i];
        const float* w = axis.weights.data() + i * static_cast<std::size_t>(axis.width);
        taps[i].weights.assign(w, w + axis.width);
    }
    return taps;
}

// Laid over white, as three channels.
inline void Channels(std::uint32_t p, float& r, float& g, float& b) {
    const float a = static_cast<float>(p >> 24) / 255.0f;
    const float white = 255.0f * (1 - a);
    r = static_cast<float>((p >> 16) & 0xFF) * a + white;
    g = static_cast<float>((p >> 8) & 0xFF) * a + white;
    b = static_cast<float>(p & 0xFF) * a + white;
}

inline std::uint32_t Pack(float r, float g, float b) {
    auto c = [](float v) {
        return static_cast<std::uint32_t>(std::clamp(std::lround(v), 0L, 255L));
    };
    return 0xFF000000u | (c(r) << 16) | (c(g) << 8) | c(b);
}

}  // namespace

Pixels Orient(const Pixels& s, int orientation) {
    if (orientation < 2 || orientation > 8) return s;
    const bool transpose = orientation >= 5;
    Pixels out;
    out.width = transpose ? s.height : s.width;
    out.height = transpose ? s.width : s.height;
    out.data.resize(s.data.size());
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            // Where upright (x, y) is stored.
            int sx = 0, sy = 0;
            switch (orientation) {
                case 2:
                    sx = s.width - 1 - x;
                    sy = y;
                    break;
                case 3:
                    sx = s.width - 1 - x;
                    sy = s.height - 1 - y;
                    break;
                case 4:
                    sx = x;
                    sy = s.height - 1 - y;
                    break;
                case 5:
                    sx = y;
                    sy = x;
                    break;
                case 6:
                    sx = y;
                    sy = s.height - 1 - x;
                    break;
                case 7:
                    sx = s.width - 1 - y;
                    sy = s.height - 1 - x;
                    break;
                case 8:
                    sx = s.width - 1 - y;
                    sy = x;
                    break;
            }
            out.data[static_cast<std::size_t>(y) * out.width + x] =
                s.data[static_cast<std::size_t>(sy) * s.width + sx];
        }
    }
    return out;
}

Pixels FitCover(const Pixels& source, int orientation, int width, int height) {
    // Cover and crop commute with turning, so the small result is fitted in
    // the stored orientation and turned afterwards.
    const bool transpose = orientation >= 5 && orientation <= 8;
    const int tw = transpose ? height : width, th = transpose ? width : height;
    Pixels out;
    if (source.width <= 0 || source.height <= 0 || tw <= 0 || th <= 0) return out;
    const double scale =
        std::max(static_cast<double>(tw) / source.width, static_cast<double>(th) / source.height);
    const double offsetX = (source.width - tw / scale) / 2;
    const double offsetY = (source.height - th / scale) / 2;
    const std::vector<Tap> columns = AxisTaps(source.width, offsetX, scale, tw);
    const std::vector<Tap> rows = AxisTaps(source.height, offsetY, scale, th);

    // Horizontal pass over the rows the vertical pass will read, then vertical.
    const int firstRow = rows.front().first;
    const int lastRow = rows.back().first + static_cast<int>(rows.back().weights.size()) - 1;
    const std::size_t stride = static_cast<std::size_t>(tw) * 3;
    std::vector<float> across(static_cast<std::size_t>(lastRow - firstRow + 1) * stride);
    for (int y = firstRow; y <= lastRow; ++y) {
        const std::uint32_t* src = source.data.data() + static_cast<std::size_t>(y) * source.width;
        float* dst = across.data() + static_cast<std::size_t>(y - firstRow) * stride;
        for (int x = 0; x < tw; ++x) {
            const Tap& tap = columns[static_cast<std::size_t>(x)];
            float r = 0, g = 0, b = 0;
            for (std::size_t k = 0; k < tap.weights.size(); ++k) {
                float pr, pg, pb;
                Channels(src[tap.first + static_cast<int>(k)], pr, pg, pb);
                r += pr * tap.weights[k];
                g += pg * tap.weights[k];
                b += pb * tap.weights[k];
            }
            dst[3 * x] = r;
            dst[3 * x + 1] = g;
            dst[3 * x + 2] = b;
        }
    }
    out.width = tw;
    out.height = th;
    out.data.resize(static_cast<std::size_t>(tw) * th);
    for (int y = 0; y < th; ++y) {
        const Tap& tap = rows[static_cast<std::size_t>(y)];
        for (int x = 0; x < tw; ++x) {
            float r = 0, g = 0, b = 0;
            for (std::size_t k = 0; k < tap.weights.size(); ++k) {
                const float* p =
                    across.data() +
                    static_cast<std::size_t>(tap.first - firstRow + static_cast<int>(k)) * stride +
                    3 * static_cast<std::size_t>(x);
                r += p[0] * tap.weights[k];
                g += p[1] * tap.weights[k];
                b += p[2] * tap.weights[k];
            }
            out.data[static_cast<std::size_t>(y) * tw + x] = Pack(r, g, b);
        }
    }
    return Orient(out, orientation);
}

}  // namespace maker
