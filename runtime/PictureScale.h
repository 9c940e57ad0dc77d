#pragma once
// Pictures of a fixed pixel size (flower GIFs, rose boxes, rain pictures)
// shown on a display of another scale: every frame resampled smoothly once to
// its size x the scale, never stretched per draw.
#include <windows.h>

#include "platform/ByteBlock.h"
#include "runtime/Picture.h"

namespace runtime {

// Every frame resampled to width x height (a tent filter, widened when
// reducing, in premultiplied alpha so transparent pixels lend no colour).
// A white-keyed picture, one drawn with white as its transparent colour, is
// resampled with white as transparency and its edges made hard again: a pixel
// at least half covered takes the flower's colour, the rest stays white, so no
// pale fringe shows where the key no longer matches exactly.
// With `part`, only that part of the width x height result is made (a
// picture that covers a screen and is cut at its edges).
Picture ScalePicture(const Picture& picture, int width, int height, bool whiteKeyed = false,
                     const RECT* part = nullptr);

// The picture at its own size x dpi / 96 (itself at 96 DPI).
Picture PictureAtDpi(const Picture& picture, UINT dpi, bool whiteKeyed = false);

// Decoded from `bytes` and brought to `dpi` once per bytes, DPI and key, then
// kept for the life of the program: the shows draw the same few pictures
// hundreds of times.
Picture LoadPictureAtDpi(ByteBlock bytes, UINT dpi, bool whiteKeyed = false);

}  // namespace runtime
