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

// Where a still picture's pixels go: `allocate` is asked once, when the size
// is known, for room for width * height pixels; null gives up. The room
// stays the caller's, whatever the outcome.
struct PixelSink {
    std::uint32_t* (*allocate)(void* context, int width, int height);
    void* context;
};

// A PNG or JPEG decoded straight into the sink's room (so a caller that keeps
// the pixels in memory of its own needs no second copy); false on any fault.
bool DecodePngTo(const void* data, std::size_t size, const PixelSink& sink);
bool DecodeJpegTo(const void* data, std::size_t size, const PixelSink& sink);

// Each returns an empty image on any fault in the data.
Image DecodePng(const void* data, std::size_t size);
Image DecodeJpeg(const void* data, std::size_t size);
Image DecodeWithSystem(const void* data, std::size_t size);

// Picks the decoder by signature; an unknown signature gives an empty image.
Image DecodeImage(const void* data, std::size_t size);

}  // namespace decode
