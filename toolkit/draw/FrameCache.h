#pragma once
// The window frame a render pass composes before any element (fill,
// background picture, border, icon, shadow), kept as the back buffer's own
// pixels so that the next pass with the same inputs copies it back instead of
// decoding, stretching and stroking it all again. The key names every input
// of the frame: a different picture, colour, translucency, size, style, icon
// or nine-grid never reuses it.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "platform/ByteBlock.h"
#include "toolkit/core/Gdip.h"
#include "toolkit/draw/PictureKey.h"

struct FrameKey {
    const unsigned char* sourceData = nullptr;
    PictureKey source;          // the bytes themselves: a block may be refilled in place
    GpImage* image = nullptr;   // a picture kept between passes; none when decoded per pass
    int width = 0, height = 0;  // device pixels
    float scale = 1.0f;         // units drawn at this many pixels each
    COLORREF themeColor = 0;
    int translucency = 0;
    int frameStyle = 0;
    int bgMode = 0;
    int blendFlag = 0;
    HICON icon = nullptr;  // the caption icon drawn, none without one
    int nineGrid[4] = {};  // left, top, right, bottom

    bool operator==(const FrameKey&) const = default;
};

class FrameCache {
public:
    // Copies the stored frame into `target` (a 32-bit DIB section of the
    // key's size) when it was stored under `key`; false otherwise.
    bool Restore(const FrameKey& key, HBITMAP target) const;
    // Keeps the pixels of `source` (a 32-bit DIB section) under `key`. GDI
    // and GDI+ drawing into it must be flushed first.
    void Store(const FrameKey& key, HBITMAP source);
    // Forgets the frame: the next pass draws it afresh.
    void Clear();

private:
    FrameKey key_;
    std::vector<std::uint32_t> pixels_;
};
