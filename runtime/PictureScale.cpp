#include "runtime/PictureScale.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <map>
#include <tuple>
#include <vector>

#include "platform/Dpi.h"

namespace runtime {
namespace {

// The source pixels one destination pixel draws on, with their weights
// (summing to 1). Taps past an edge are folded onto the edge pixel.
struct Taps {
    int first = 0;
    std::vector<float> weights;
};

std::vector<Taps> MakeTaps(int source, int target) {
    const double ratio = static_cast<double>(target) / source;
    const double radius = ratio < 1 ? 1 / ratio : 1.0;
    std::vector<Taps> all(static_cast<size_t>(target));
    for (int i = 0; i < target; ++i) {
        const double centre = (i + 0.5) / ratio - 0.5;
        int lo = static_cast<int>(std::floor(centre - radius)) + 1;
        int hi = static_cast<int>(std::ceil(centre + radius)) - 1;
        const int first = std::clamp(lo, 0, source - 1);
        const int last = std::clamp(hi, 0, source - 1);
        Taps& taps = all[static_cast<size_t>(i)];
        taps.first = first;
        taps.weights.assign(static_cast<size_t>(last - first + 1), 0.0f);
        double sum = 0;
        for (int j = lo; j <= hi; ++j) {
            const double w = std::max(0.0, 1 - std::abs(j - centre) / radius);
            taps.weights[static_cast<size_t>(std::clamp(j, 0, source - 1) - first)] +=
                static_cast<float>(w);
            sum += w;
        }
        if (sum <= 0) {  // a centre exactly between taps of weight 0 cannot happen; be safe
            taps.weights.assign(1, 1.0f);
            taps.first = std::clamp(static_cast<int>(std::lround(centre)), 0, source - 1);
            continue;
        }
        for (float& w : taps.weights) w = static_cast<float>(w / sum);
    }
    return all;
}

struct Premultiplied {
    float b, g, r, a;
};

Premultiplied Load(std::uint32_t p, bool whiteKeyed) {
    const float a = static_cast<float>(p >> 24) / 255.0f;
    if (a == 0 || (whiteKeyed && (p & 0xFFFFFF) == 0xFFFFFF)) return {0, 0, 0, 0};
    return {static_cast<float>(p & 0xFF) * a, static_cast<float>((p >> 8) & 0xFF) * a,
            static_cast<float>((p >> 16) & 0xFF) * a, whiteKeyed ? 1.0f : a};
}

std::uint32_t Store(const Premultiplied& c, bool whiteKeyed) {
    if (whiteKeyed && c.a < 0.5f) return 0xFFFFFFFFu;
    if (c.a <= 0) return 0;
    const float unmultiply = 1.0f / c.a;
    auto channel = [unmultiply](float v) {
        return static_cast<std::uint32_t>(std::clamp(v * unmultiply + 0.5f, 0.0f, 255.0f));
    };
    const std::uint32_t alpha =
        whiteKeyed ? 255u : static_cast<std::uint32_t>(std::clamp(c.a * 255 + 0.5f, 0.0f, 255.0f));
    return alpha << 24 | channel(c.r) << 16 | channel(c.g) << 8 | channel(c.b);
}

// Rows are resampled across first and kept while the rows below need them,
// so only a few source rows' worth of floats is held, not a whole picture.
// `across` and `down` hold the taps of the part's columns and rows only.
std::vector<std::uint32_t> ScaleFrame(const std::vector<std::uint32_t>& source, int sw,
                                      bool whiteKeyed, const std::vector<Taps>& across,
                                      const std::vector<Taps>& down) {
    const int dw = static_cast<int>(across.size()), dh = static_cast<int>(down.size());
    std::vector<std::uint32_t> out(static_cast<size_t>(dw) * static_cast<size_t>(dh));
    std::deque<std::vector<Premultiplied>> rows;
    std::vector<Premultiplied> loaded(static_cast<size_t>(sw));
    int rowsFirst = 0;
    auto resampleRow = [&](int y) {
        const std::uint32_t* line = source.data() + static_cast<size_t>(y) * sw;
        for (int x = 0; x < sw; ++x) loaded[static_cast<size_t>(x)] = Load(line[x], whiteKeyed);
        std::vector<Premultiplied> row(static_cast<size_t>(dw));
        for (int x = 0; x < dw; ++x) {
            const Taps& t = across[static_cast<size_t>(x)];
            const Premultiplied* from = loaded.data() + t.first;
            Premultiplied sum{0, 0, 0, 0};
            for (size_t k = 0; k < t.weights.size(); ++k) {
                const float w = t.weights[k];
                sum.b += from[k].b * w;
                sum.g += from[k].g * w;
                sum.r += from[k].r * w;
                sum.a += from[k].a * w;
            }
            row[static_cast<size_t>(x)] = sum;
        }
        return row;
    };
    std::vector<const Premultiplied*> taken;
    for (int y = 0; y < dh; ++y) {
        const Taps& t = down[static_cast<size_t>(y)];
        const int last = t.first + static_cast<int>(t.weights.size()) - 1;
        while (!rows.empty() && rowsFirst < t.first) {
            rows.pop_front();
            ++rowsFirst;
        }
        if (rows.empty()) rowsFirst = t.first;
        while (rowsFirst + static_cast<int>(rows.size()) <= last)
            rows.push_back(resampleRow(rowsFirst + static_cast<int>(rows.size())));
        taken.clear();
        for (size_t k = 0; k < t.weights.size(); ++k)
            taken.push_back(rows[static_cast<size_t>(t.first - rowsFirst) + k].data());
        std::uint32_t* line = out.data() + static_cast<size_t>(y) * dw;
        for (int x = 0; x < dw; ++x) {
            Premultiplied sum{0, 0, 0, 0};
            for (size_t k = 0; k < taken.size(); ++k) {
                const Premultiplied& p = taken[k][x];
                const float w = t.weights[k];
                sum.b += p.b * w;
                sum.g += p.g * w;
                sum.r += p.r * w;
                sum.a += p.a * w;
            }
            line[x] = Store(sum, whiteKeyed);
        }
    }
    return out;
}

}  // namespace

Picture ScalePicture(const Picture& picture, int width, int height, bool whiteKeyed,
                     const RECT* part) {
    if (picture.Empty() || width <= 0 || height <= 0) return {};
    RECT made{0, 0, width, height};
    if (part && !IntersectRect(&made, &made, part)) return {};
    const int sw = picture.Width(), sh = picture.Height();
    if (sw == width && sh == height && !part) return picture;
    const int mw = made.right - made.left, mh = made.bottom - made.top;
    // A picture past what the program ever shows is not scaled: drawn as nothing.
    if (static_cast<std::int64_t>(mw) * mh * static_cast<std::int64_t>(picture.FrameCount()) >
        (std::int64_t{1} << 27))
        return {};
    std::vector<Taps> across = MakeTaps(sw, width);
    std::vector<Taps> down = MakeTaps(sh, height);
    across.erase(across.begin() + made.right, across.end());
    across.erase(across.begin(), across.begin() + made.left);
    down.erase(down.begin() + made.bottom, down.end());
    down.erase(down.begin(), down.begin() + made.top);
    std::vector<Picture::Frame> frames;
    frames.reserve(picture.FrameCount());
    for (size_t i = 0; i < picture.FrameCount(); ++i) {
        const Picture::Frame& frame = picture.FrameAt(i);
        frames.push_back({ScaleFrame(frame.pixels, sw, whiteKeyed, across, down), frame.delayMs});
    }
    return Picture(mw, mh, std::move(frames));
}

Picture PictureAtDpi(const Picture& picture, UINT dpi, bool whiteKeyed) {
    if (picture.Empty() || dpi == 0 || dpi == dpi::kBase) return picture;
    return ScalePicture(picture, std::max(1, dpi::ToDevice(picture.Width(), dpi)),
                        std::max(1, dpi::ToDevice(picture.Height(), dpi)), whiteKeyed);
}

Picture LoadPictureAtDpi(ByteBlock bytes, UINT dpi, bool whiteKeyed) {
    using Key = std::tuple<const void*, std::uint32_t, UINT, bool>;
    static std::map<Key, Picture> kept;
    const Key key{bytes.data, bytes.size, dpi, whiteKeyed};
    if (const auto found = kept.find(key); found != kept.end()) return found->second;
    Picture picture = PictureAtDpi(LoadPicture(bytes), dpi, whiteKeyed);
    if (!picture.Empty()) kept.emplace(key, picture);
    return picture;
}

}  // namespace runtime
