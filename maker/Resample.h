#pragma once
// Fitting a photograph to the size the gift shows it at: turned upright by its
// EXIF orientation, scaled to cover the target and centre-cropped. Shrinking
// averages every source pixel by how much of it a target pixel covers (a box
// filter over exact coverage), so a 12-megapixel photo does not alias;
// enlarging interpolates with the Catmull-Rom cubic (platform/Resample.h).
#include <cstdint>
#include <vector>

namespace maker {

// Pixels 0xAARRGGBB, rows top-down. The result is opaque: translucent source
// pixels are laid over white.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> data;
};

// `orientation` is the EXIF value 1..8 of `source`.
Pixels FitCover(const Pixels& source, int orientation, int width, int height);

// Turns a picture stored with EXIF orientation `orientation` upright.
Pixels Orient(const Pixels& source, int orientation);

}  // namespace maker
