#pragma once
// The image routines of the drawing engine: pictures at their own size,
// stretched, through image attributes, with an alpha, as a nine-grid or
// composed with a fill colour; the average colour of a picture; window icons
// as ARGB bitmaps. Stateless functions over a GDI+ graphics object.
#include <windows.h>

#include <optional>

#include "toolkit/core/Gdip.h"
#include "toolkit/draw/Colour.h"
#include "toolkit/draw/DirectPixels.h"
#include "toolkit/draw/GdipOwners.h"
#include "toolkit/draw/Geometry.h"

// The whole image stretched into `rect`.
void DrawImageRect(GpGraphics* graphics, GpImage* image, const RectF& rect);

// The image at its own size at (x, y); with `centre`, centred on `rect`
// (position rounded to the nearest pixel), possibly overflowing it.
void DrawImageNatural(GpGraphics* graphics, GpImage* image, const RectF& rect, bool centre = false);

// `source` (the whole image when omitted, in pixels) into `destination`
// through `attributes` (may be null).
void DrawImageAttr(GpGraphics* graphics, GpImage* image, const RectF& destination,
                   std::optional<RectF> source, GpImageAttributes* attributes);

// The whole image stretched into `destination` through `attributes` (may be
// null). Where the graphics' world transform only scales and moves, the
// picture is resampled by Resampled to the device pixels the rectangle
// covers (its edges rounded to whole pixels) and drawn pixel for pixel, so a
// photograph is as sharp at 150 % or 200 % as at 100 %: averaged down when it
// is larger, enlarged by a cubic when it is smaller. GDI+'s own stretch would
// sample it bilinearly (Wine has no better mode), and under Wine it is several
// times slower. With any other transform GDI+ stretches it. With `direct`
// (the pixels `graphics` draws into) and no attributes, the resampled picture
// is blended in place through the clip.
void DrawImageStretched(GpGraphics* graphics, GpImage* image, const RectF& destination,
                        GpImageAttributes* attributes, const PixelTarget* direct = nullptr);

// The image resampled to width x height as a 32-bit premultiplied bitmap (see
// platform/Resample.h): along an axis that shrinks every target pixel is the
// mean of the source area it covers, partly covered source pixels weighted by
// their share; along an axis that grows a Catmull-Rom cubic interpolates.
// Empty when the pixels cannot be read.
UniqueGpBitmap Resampled(GpImage* image, int width, int height);

// An element surface into its rectangle: plainly at alpha 255, otherwise
// through an alpha matrix (a 1:1 copy of the rectangle's size from (0, 0)).
void DrawImageAlpha(GpGraphics* graphics, GpImage* image, const RectF& rect, int alpha);

// The image as a nine-grid: `centre` (in image pixels) stretches both ways,
// the edges one way, the corners keep their size. With an alpha other than
// 255 every piece goes through an alpha matrix.
void DrawNineGrid(GpGraphics* graphics, GpImage* image, const RectF& destination,
                  const RectF& centre, std::optional<int> alpha = std::nullopt);

// How DrawImageInFrame places the background of a translucent window.
enum FrameImageMode {
    kFrameTopLeft = 0,  // own size at the top-left, right and bottom edges faded
    kFrameStretch = 1,  // stretched into the frame
    kFrameCentre = 2,   // own size centred, all edges faded
};

// The background picture of a translucent window, through `attributes` (which
// carry the window's translucency). With `blend` in modes 0 and 2 the picture
// is first composed over `colour` (0x00BBGGRR) in an off-screen bitmap so its
// faded edges melt into the fill; without it the picture is drawn directly.
void DrawImageInFrame(GpGraphics* graphics, GpImage* image, const RectF& frame, bool blend,
                      int mode, GpImageAttributes* attributes, COLORREF colour,
                      const PixelTarget* direct = nullptr);

// The mean colour (0x00BBGGRR) of the picture's pixels over black, each
// channel truncated; 0 when the pixels cannot be read. The DC is not needed
// (the pixels are read from GDI+ directly); kept for the callers' sake.
COLORREF AverageColour(HDC dc, GpImage* image);

// The window's small (or big) icon: WM_GETICON, then the class icon.
HICON WindowIcon(HWND window, bool big = false);

// The icon as a 32-bit ARGB bitmap owning its pixels. With `keepAlpha` a
// 32-bit icon keeps its own alpha channel; other icons (and 32-bit icons whose
// alpha channel is empty) go through GDI+'s icon conversion.
UniqueGpBitmap IconToBitmap(HICON icon, bool keepAlpha);
