#pragma once
// Resampling a picture to another size with a separable filter, for
// photographs drawn at any display scale. Along an axis that shrinks, every
// target pixel is the mean of the source area it covers (partly covered
// pixels weighted by their share): a true average, free of the aliasing of
// point or bilinear sampling. Along an axis that grows, the Catmull-Rom cubic
// interpolates: it passes through every source pixel, keeps edges sharp where
// a linear blend smears them, and overshoots a hard edge by at most 2/27
// (7 %) of its height. Both axes run in one pass over the source rows with a small
// ring of filtered rows, four channels at a time in floats.
#include <cstddef>
#include <vector>

namespace resample {

// How each target index of one axis reads the source: `width` weights per
// target index, applied to the source indices from first[i] on. Weights of a
// target index sum to 1; source indices past either end are folded onto the
// edge pixel, so first[i] + width never leaves the source.
struct AxisTaps {
    int width = 0;
    std::vector<int> first;
    std::vector<float> weights;  // width * target length
};

// Target index i covers the source interval [offset + i / scale,
// offset + (i + 1) / scale): scale is target pixels per source pixel, offset
// the source position of the target's left (top) edge, so a crop is an offset
// and a scale that does not equal targetLength / sourceLength.
AxisTaps Taps(int sourceLength, int targetLength, double offset, double scale);

// The taps of the whole source stretched onto the whole target.
AxisTaps Taps(int sourceLength, int targetLength);

// Pixels of four 8-bit channels, `stride` bytes from one row to the next.
struct ConstPixels {
    const unsigned char* data = nullptr;
    int width = 0, height = 0;
    std::ptrdiff_t stride = 0;
};
struct Pixels {
    unsigned char* data = nullptr;
    int width = 0, height = 0;
    std::ptrdiff_t stride = 0;
};

// Whether the fourth channel is an alpha the other three are premultiplied
// by: then no colour channel of the result exceeds its alpha, as a cubic's
// overshoot could otherwise make it.
enum class Alpha { Premultiplied, None };

// `from` through `columns` (to.width target columns) and `rows` (to.height
// target rows) into `to`. Nothing is written when the taps do not fit.
void Resample(const ConstPixels& from, const AxisTaps& columns, const AxisTaps& rows,
              const Pixels& to, Alpha alpha);

// The whole of `from` stretched onto the whole of `to`.
void Resample(const ConstPixels& from, const Pixels& to, Alpha alpha);

}  // namespace resample
