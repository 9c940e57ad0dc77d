#pragma once
// What a PNG's chunks say before its image data, read without decoding it.
#include <cstddef>
#include <initializer_list>

namespace decode {

// Whether the chunks before the image data can be read and none of them is
// one of `types` (four-letter names such as "tRNS").
bool PngLacksChunks(const void* data, std::size_t size, std::initializer_list<const char*> types);

// The one rule for which decoder reads a PNG that is shown through GDI+: the
// system's decoder applies gamma, chromaticities, the sRGB intent and colour
// profiles, which libpng as the program uses it ignores, so a PNG carrying
// any of those is left to the system (the same colours whichever path shows
// it); the rest may be decoded by the program's own decoder.
bool PngColoursNeedSystem(const void* data, std::size_t size);

}  // namespace decode
