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

// FitCover for a picture that arrives one stored row at a time, top-down, in
// its stored orientation (turned afterwards with Orient): each row is
// resampled across as it comes and added into the rows of the result it
// covers, so nothing of the source is kept beyond the row being added. A
// 100-megapixel PNG costs its row and the result, not 400 MB.
class RowFitter {
public:
    // The result is `width` x `height` in the stored orientation.
    RowFitter(int sourceWidth, int sourceHeight, int width, int height);
    // Row `y` of the source, `sourceWidth` pixels; rows come in order.
    void AddRow(int y, const std::uint32_t* row);
    Pixels Finish();

private:
    int sourceWidth_, width_, height_;
    std::vector<int> columnFirst_, rowFirst_;
    std::vector<std::vector<float>> columnWeights_, rowWeights_;
    std::vector<float> across_, sums_;  // one resampled row; the result's r, g, b sums
    std::size_t nextTarget_ = 0;        // the first result row a later source row can reach
};

// Turns a picture stored with EXIF orientation `orientation` upright.
Pixels Orient(const Pixels& source, int orientation);

}  // namespace maker
