#pragma once
// A giver's photograph made into one of the gift's JPEG pictures, and the
// pictures the gift takes only in their exact format.
#include <string>

#include "maker/Roles.h"

namespace maker {

// Pictures beyond these are refused from their header, before any pixel
// memory is taken for them.
inline constexpr int kMaxSide = 20000;
inline constexpr long long kMaxPixels = 100'000'000;
// Formats decoded whole (interlaced PNG, GIF, compressed BMP) at most this
// big: 160 MB of pixels.
inline constexpr long long kMaxWholePixels = 40'000'000;

struct Taken {
    std::string bytes;     // what the gift will carry; empty on error
    std::wstring line;     // the report line: what was done, or the error
    std::wstring warning;  // for a photo so small that the gift will show it blurred
};

// Decodes (JPEG, PNG, BMP, GIF, WebP, and through the system whatever it
// reads), turns upright, covers and crops to the role's size and encodes.
// With `noPureWhite` no pixel of the stored picture decodes to pure white
// (the big rose is drawn with pure white as its transparent colour).
Taken TakePhoto(const std::string& file, const Role& role, const std::wstring& fileName,
                bool noPureWhite);

// Accepts the file unchanged when it has the role's exact format, pixel size
// and frame count and decodes whole; otherwise the error says what is needed.
Taken TakeExactPicture(const std::string& file, ExactFormat format, int width, int height,
                       int frames, const std::wstring& fileName, const std::wstring& what);

}  // namespace maker
