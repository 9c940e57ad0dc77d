#pragma once
// Photographs in formats beyond JPEG, PNG and BMP: WebP through libwebp, and
// whatever the system's Windows Imaging Component reads (TIFF, HEIC where the
// HEIF extension is installed, 12-bit JPEG …). Under Wine, WIC reads what
// Wine's own codecs read, which excludes HEIC.
#include <string>

#include "maker/Resample.h"

namespace maker {

bool IsWebp(const std::string& file);

// The size a WebP says it has; false when its header is unreadable.
bool WebpSize(const std::string& file, int& width, int& height);

// Both decoders scale while decoding to the smallest size that still covers
// `coverWidth` x `coverHeight`, so a huge picture never exists whole.

// Empty on any fault.
Pixels DecodeWebp(const std::string& file, int coverWidth, int coverHeight);

// The first frame through WIC, refused unread beyond `maxSide` or
// `maxPixels`; `width` x `height` is its size before scaling. Empty when the
// system cannot read the file.
Pixels DecodeWithWic(const std::string& file, int maxSide, long long maxPixels, int coverWidth,
                     int coverHeight, int& width, int& height);

// What a picture file the maker cannot read is, and how to make a JPEG of
// it; names the format when its first bytes tell it.
std::wstring WhyUnreadable(const std::string& file);

}  // namespace maker
