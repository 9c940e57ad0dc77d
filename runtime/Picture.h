#pragma once
// A decoded picture: one or more frames of 32-bit BGRA pixels (top-down), with
// the frame delays of an animated GIF. Copies share the same immutable pixels;
// the GDI bitmaps made for drawing are created on first use and released with
// the last copy.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/ByteBlock.h"

namespace runtime {

class Picture {
public:
    struct Frame {
        std::vector<std::uint32_t> pixels;  // width * height, 0xAARRGGBB
        unsigned delayMs = 0;
    };

    Picture() = default;
    // Takes frames of width x height pixels; none or a zero size gives an empty picture.
    Picture(int width, int height, std::vector<Frame> frames);

    bool Empty() const { return data_ == nullptr; }
    explicit operator bool() const { return !Empty(); }
    int Width() const;
    int Height() const;
    std::size_t FrameCount() const;
    const Frame& FrameAt(std::size_t index) const;
    // True when some pixel of some frame is not fully opaque.
    bool HasAlpha() const;

    // A 32-bit top-down DIB section of frame `index`, alpha ignored; owned by the picture.
    HBITMAP Bitmap(std::size_t index = 0) const;
    // The same frame premultiplied, for AlphaBlend.
    HBITMAP PremultipliedBitmap(std::size_t index = 0) const;
    // The frame flattened onto `background` (alpha composited); owned by the
    // picture, so boxes showing copies of one picture share their frames.
    HBITMAP FlattenedBitmap(std::size_t index, COLORREF background) const;

    // The picture resampled to width x height (platform/Resample.h: averaged
    // where it shrinks, a cubic where it grows, alpha premultiplied), every
    // frame. With a `key` colour, a pixel is the key exactly where the nearest
    // source pixel is, and nowhere else, so a keyed picture keeps its shape
    // and gains no holes. The last size asked for is kept with the picture.
    Picture Resized(int width, int height, std::optional<COLORREF> key = std::nullopt) const;

private:
    HBITMAP MakeFlattened(std::size_t index, COLORREF background) const;

    struct Data;
    std::shared_ptr<Data> data_;
};

// Decodes GIF (every frame, with its delay), JPEG, PNG or BMP bytes. Empty or
// undecodable bytes give an empty picture.
Picture LoadPicture(ByteBlock bytes);
Picture LoadPicture(const void* bytes, std::size_t size);

// The screen (Services.h: the monitor holding the main form), or the
// window's rectangle on the screen when one is given; its real pixels.
Picture Snapshot(HWND window = nullptr);
// That area of the virtual screen (a page's kept monitor).
Picture Snapshot(const RECT& area);

}  // namespace runtime
