#pragma once
// Decodes a photograph's JPEG at the smallest of full, 1/2, 1/4 or 1/8 size
// that still covers the size it is going to be fitted to. libjpeg-turbo
// scales in the DCT domain while decoding, which is both a sound reduction
// (no aliasing) and four to sixty times less work than decoding every pixel
// of a 12-megapixel photo only to average most of them away.
#include <cstddef>

#include "maker/Resample.h"

namespace maker {

// `width` x `height` is the size needed, in the file's stored orientation.
// Empty pixels on any fault in the data.
Pixels DecodeJpegCovering(const void* data, std::size_t size, int width, int height);

}  // namespace maker
