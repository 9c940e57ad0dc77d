#include "platform/Resample.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace resample {

namespace {

// Four channels in one vector register where the target has one (SSE); the
// compiler splits it into scalars where it has none.
typedef float V4 __attribute__((vector_size(16)));
typedef std::int32_t I4 __attribute__((vector_size(16)));
typedef unsigned char U4 __attribute__((vector_size(4)));

// The Catmull-Rom cubic (Keys, a = -1/2).
double CatmullRom(double x) {
    x = std::fabs(x);
    if (x < 1) return (1.5 * x - 2.5) * x * x + 1;
    if (x < 2) return ((-0.5 * x + 2.5) * x - 4) * x + 2;
    return 0;
}

struct Tap {
    int index;
    double weight;
};

// Folds out-of-range indices onto the edges and stores the taps of target
// index `i` in a window of taps.width source indices.
void Store(AxisTaps& taps, int i, int sourceLength, std::vector<Tap>& raw) {
    double total = 0;
    int lowest = sourceLength, highest = -1;
    for (Tap& t : raw) {
        t.index = std::clamp(t.index, 0, sourceLength - 1);
        lowest = std::min(lowest, t.index);
        highest = std::max(highest, t.index);
        total += t.weight;
    }
    const int first = std::clamp(lowest, 0, sourceLength - taps.width);
    taps.first[static_cast<std::size_t>(i)] = first;
    float* w = taps.weights.data() + static_cast<std::size_t>(i) * taps.width;
    if (total == 0 || highest < 0) {
        w[std::clamp(lowest, first, first + taps.width - 1) - first] = 1;
        return;
    }
    for (const Tap& t : raw) w[t.index - first] += static_cast<float>(t.weight / total);
}

// Each channel rounded into 0..255, colours held at or below alpha.
inline void Pack(const V4& sum, unsigned char* out, bool premultiplied) {
    V4 v = sum + 0.5f;
    v = v < 0.0f ? V4{0, 0, 0, 0} : v;
    v = v > 255.0f ? V4{255, 255, 255, 255} : v;
    if (premultiplied) {
        const V4 alpha{v[3], v[3], v[3], 255};
        v = v > alpha ? alpha : v;
    }
    const U4 bytes = __builtin_convertvector(__builtin_convertvector(v, I4), U4);
    std::memcpy(out, &bytes, 4);
}

}  // namespace

AxisTaps Taps(int sourceLength, int targetLength, double offset, double scale) {
    AxisTaps taps;
    if (sourceLength <= 0 || targetLength <= 0 || !(scale > 0)) return taps;
    const bool shrinking = scale < 1;
    // A box of 1 / scale source pixels touches at most ceil(1 / scale) + 1 of
    // them; the cubic always four.
    taps.width = shrinking ? static_cast<int>(std::ceil(1 / scale)) + 1 : 4;
    taps.width = std::min(taps.width, sourceLength);
    taps.first.assign(static_cast<std::size_t>(targetLength), 0);
    taps.weights.assign(static_cast<std::size_t>(targetLength) * taps.width, 0.0f);
    std::vector<Tap> raw;
    for (int i = 0; i < targetLength; ++i) {
        raw.clear();
        if (shrinking) {
            const double from = offset + i / scale, to = offset + (i + 1) / scale;
            const int last = static_cast<int>(std::ceil(to)) - 1;
            for (int s = static_cast<int>(std::floor(from)); s <= last; ++s) {
                const double covered = std::min<double>(to, s + 1) - std::max<double>(from, s);
                if (covered > 0) raw.push_back({s, covered});
            }
        } else {
            const double centre = offset + (i + 0.5) / scale - 0.5;
            const int base = static_cast<int>(std::floor(centre));
            for (int s = base - 1; s <= base + 2; ++s) raw.push_back({s, CatmullRom(centre - s)});
        }
        Store(taps, i, sourceLength, raw);
    }
    return taps;
}

AxisTaps Taps(int sourceLength, int targetLength) {
    return Taps(sourceLength, targetLength, 0,
                static_cast<double>(targetLength) / std::max(sourceLength, 1));
}

void Resample(const ConstPixels& from, const AxisTaps& columns, const AxisTaps& rows,
              const Pixels& to, Alpha alpha) {
    if (!from.data || !to.data || from.width <= 0 || from.height <= 0 || to.width <= 0 ||
        to.height <= 0 || columns.first.size() != static_cast<std::size_t>(to.width) ||
        rows.first.size() != static_cast<std::size_t>(to.height) ||
        columns.first.back() + columns.width > from.width ||
        rows.first.back() + rows.width > from.height)
        return;
    const bool premultiplied = alpha == Alpha::Premultiplied;
    const std::size_t width = static_cast<std::size_t>(to.width);
    // Source rows are filtered across once each, into a ring as deep as the
    // vertical taps are wide: the rows a target row reads are consecutive, so
    // each has a slot of its own (row % depth).
    const int depth = rows.width;
    std::vector<V4> ring(width * static_cast<std::size_t>(depth));
    std::vector<int> held(static_cast<std::size_t>(depth), -1);
    std::vector<V4> source(static_cast<std::size_t>(from.width));
    std::vector<V4> sum(width);

    auto across = [&](int y) {
        V4* slot = ring.data() + width * static_cast<std::size_t>(y % depth);
        held[static_cast<std::size_t>(y % depth)] = y;
        const unsigned char* line = from.data + static_cast<std::ptrdiff_t>(y) * from.stride;
        for (std::size_t x = 0; x < source.size(); ++x, line += 4) {
            U4 bytes;
            std::memcpy(&bytes, line, 4);
            source[x] = __builtin_convertvector(__builtin_convertvector(bytes, I4), V4);
        }
        const float* w = columns.weights.data();
        for (std::size_t x = 0; x < width; ++x, w += columns.width) {
            const V4* p = source.data() + columns.first[x];
            V4 v = p[0] * w[0];
            for (int k = 1; k < columns.width; ++k) v += p[k] * w[k];
            slot[x] = v;
        }
    };

    for (int y = 0; y < to.height; ++y) {
        const int first = rows.first[static_cast<std::size_t>(y)];
        const float* w = rows.weights.data() + static_cast<std::size_t>(y) * depth;
        std::fill(sum.begin(), sum.end(), V4{0, 0, 0, 0});
        for (int k = 0; k < depth; ++k) {
            const int row = first + k;
            if (w[k] == 0) continue;
            if (held[static_cast<std::size_t>(row % depth)] != row) across(row);
            const V4* slot = ring.data() + width * static_cast<std::size_t>(row % depth);
            const float weight = w[k];
            for (std::size_t x = 0; x < width; ++x) sum[x] += slot[x] * weight;
        }
        unsigned char* out = to.data + static_cast<std::ptrdiff_t>(y) * to.stride;
        for (std::size_t x = 0; x < width; ++x, out += 4) Pack(sum[x], out, premultiplied);
    }
}

void Resample(const ConstPixels& from, const Pixels& to, Alpha alpha) {
    Resample(from, Taps(from.width, to.width), Taps(from.height, to.height), to, alpha);
}

}  // namespace resample
