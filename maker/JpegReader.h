#pragma once
// Decodes a photograph's JPEG at the smallest of full, 1/2, 1/4 or 1/8 size
// that still covers the size it is going to be fitted to. libjpeg-turbo
// scales in the DCT domain while decoding, which is both a sound reduction
// (no aliasing) and four to sixty times less work than decoding every pixel
// of a 12-megapixel photo only to average most of them away. CMYK and YCCK
// JPEGs (print work) are converted to RGB, Adobe's inverted form included.
#include <cstddef>

#include "maker/Resample.h"

namespace maker {

enum class JpegResult {
    Ok,
    Damaged,      // libjpeg warned: a cut or damaged file decodes with grey rows
    Unsupported,  // a JPEG this build cannot decode (12-bit, arithmetic coding …)
};

// `width` x `height` is the size needed, in the file's stored orientation
// (0 x 0: full size). Empty pixels unless Ok.
Pixels DecodeJpegCovering(const void* data, std::size_t size, int width, int height,
                          JpegResult* result = nullptr);

}  // namespace maker
