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

RowFitter::RowFitter(int sourceWidth, int sourceHeight, int width, int height)
    : sourceWidth_(sourceWidth), width_(width), height_(height) {
    if (sourceWidth <= 0 || sourceHeight <= 0 || width <= 0 || height <= 0) {
        width_ = height_ = 0;
        return;
    }
    const double scale = std::max(static_cast<double>(width) / sourceWidth,
                                  static_cast<double>(height) / sourceHeight);
    for (const Tap& t : AxisTaps(sourceWidth, (sourceWidth - width / scale) / 2, scale, width)) {
        columnFirst_.push_back(t.first);
        columnWeights_.push_back(t.weights);
    }
    for (const Tap& t :
         AxisTaps(sourceHeight, (sourceHeight - height / scale) / 2, scale, height)) {
        rowFirst_.push_back(t.first);
        rowWeights_.push_back(t.weights);
    }
    across_.resize(static_cast<std::size_t>(width) * 3);
    sums_.assign(static_cast<std::size_t>(width) * height * 3, 0.0f);
}

void RowFitter::AddRow(int y, const std::uint32_t* src) {
    // Result rows are in source order: skip those this row is past.
    while (nextTarget_ < rowFirst_.size() &&
           rowFirst_[nextTarget_] + static_cast<int>(rowWeights_[nextTarget_].size()) <= y)
        ++nextTarget_;
    bool across = false;
    for (std::size_t t = nextTarget_; t < rowFirst_.size() && rowFirst_[t] <= y; ++t) {
        const float weight = rowWeights_[t][static_cast<std::size_t>(y - rowFirst_[t])];
        if (!across) {
            for (int x = 0; x < width_; ++x) {
                const std::vector<float>& w = columnWeights_[static_cast<std::size_t>(x)];
                const int first = columnFirst_[static_cast<std::size_t>(x)];
                float r = 0, g = 0, b = 0;
                for (std::size_t k = 0; k < w.size(); ++k) {
                    float pr, pg, pb;
                    Channels(src[first + static_cast<int>(k)], pr, pg, pb);
                    r += pr * w[k];
                    g += pg * w[k];
                    b += pb * w[k];
                }
                across_[3 * static_cast<std::size_t>(x)] = r;
                across_[3 * static_cast<std::size_t>(x) + 1] = g;
                across_[3 * static_cast<std::size_t>(x) + 2] = b;
            }
            across = true;
        }
        float* sum = sums_.data() + t * static_cast<std::size_t>(width_) * 3;
        for (std::size_t i = 0; i < across_.size(); ++i) sum[i] += across_[i] * weight;
    }
}

Pixels RowFitter::Finish() {
    Pixels out;
    out.width = width_;
    out.height = height_;
    out.data.resize(static_cast<std::size_t>(width_) * height_);
    for (std::size_t i = 0; i < out.data.size(); ++i)
        out.data[i] = Pack(sums_[3 * i], sums_[3 * i + 1], sums_[3 * i + 2]);
    return out;
}

Pixels FitCover(const Pixels& source, int orientation, int width, int height) {
    // Cover and crop commute with turning, so the small result is fitted in
    // the stored orientation and turned afterwards.
    const bool transpose = orientation >= 5 && orientation <= 8;
    RowFitter fitter(source.width, source.height, transpose ? height : width,
                     transpose ? width : height);
    for (int y = 0; y < source.height; ++y)
        fitter.AddRow(y, source.data.data() + static_cast<std::size_t>(y) * source.width);
    return Orient(fitter.Finish(), orientation);
}

}  // namespace maker
