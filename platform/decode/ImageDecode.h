#pragma once
// Decoding encoded pictures from memory into 32-bit pixels (0xAARRGGBB, that is
// B, G, R, A bytes in memory), rows top-down. PNG through libpng, JPEG through
// libjpeg-turbo, GIF (every frame, composed, with its delay) and BMP through
// the system's GDI+ decoder.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace decode {

struct Frame {
    std::vector<std::uint32_t> pixels;  // width * height
    unsigned delayMs = 0;               // GIF frame delay; 0 for still pictures
};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<Frame> frames;
    bool Empty() const { return frames.empty() || width <= 0 || height <= 0; }
};

enum class Format { Unknown, Png, Jpeg, Gif, Bmp };

// By signature.
Format DetectFormat(const void* data, std::size_t size);

// Each returns an empty image on any fault in the data.
Image DecodePng(const void* data, std::size_t size);
Image DecodeJpeg(const void* data, std::size_t size);
Image DecodeWithSystem(const void* data, std::size_t size);

// Picks the decoder by signature; an unknown signature gives an empty image.
Image DecodeImage(const void* data, std::size_t size);

}  // namespace decode
