#include "toolkit/draw/ImageDraw.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/Dib.h"
#include "platform/Handle.h"
#include "platform/Resample.h"
#include "toolkit/draw/Shapes.h"

namespace {

void DrawPiece(GpGraphics* graphics, GpImage* image, const RectF& destination, const RectF& source,
               GpImageAttributes* attributes) {
    // Empty pieces (a margin of 0) have nothing to draw.
    if (destination.Width <= 0 || destination.Height <= 0 || source.Width <= 0 ||
        source.Height <= 0)
        return;
    gp::GdipDrawImageRectRect(graphics, image, destination.X, destination.Y, destination.Width,
                              destination.Height, source.X, source.Y, source.Width, source.Height,
                              Gdiplus::UnitPixel, attributes, nullptr, nullptr);
}

// Where `destination` (in world units) lands in device pixels, when the
// graphics' world transform only scales (by a positive factor) and moves:
// each edge rounded to the nearest pixel, so a picture drawn there is sharp.
std::optional<RECT> DevicePixels(GpGraphics* graphics, const RectF& destination) {
    UniqueGpMatrix matrix;
    gp::GdipCreateMatrix(matrix.put());
    if (!matrix || gp::GdipGetWorldTransform(graphics, matrix.get()) != Gdiplus::Ok) return {};
    float m[6] = {};
    if (gp::GdipGetMatrixElements(matrix.get(), m) != Gdiplus::Ok) return {};
    if (m[1] != 0 || m[2] != 0 || m[0] <= 0 || m[3] <= 0) return {};
    const RECT device{std::lround(destination.X * m[0] + m[4]),
                      std::lround(destination.Y * m[3] + m[5]),
                      std::lround((destination.X + destination.Width) * m[0] + m[4]),
                      std::lround((destination.Y + destination.Height) * m[3] + m[5])};
    if (device.right <= device.left || device.bottom <= device.top) return {};
    return device;
}

// A picture drawn pixel for pixel at `device`, past the world transform.
void DrawAtDevicePixels(GpGraphics* graphics, GpImage* image, const RECT& device,
                        GpImageAttributes* attributes) {
    UniqueGpMatrix world;
    gp::GdipCreateMatrix(world.put());
    if (!world || gp::GdipGetWorldTransform(graphics, world.get()) != Gdiplus::Ok) return;
    gp::GdipResetWorldTransform(graphics);
    const auto width = static_cast<float>(device.right - device.left);
    const auto height = static_cast<float>(device.bottom - device.top);
    DrawImageAttr(
        graphics, image,
        RectF(static_cast<float>(device.left), static_cast<float>(device.top), width, height),
        RectF(0, 0, width, height), attributes);
    gp::GdipSetWorldTransform(graphics, world.get());
}

}  // namespace

UniqueGpBitmap Resampled(GpImage* image, int width, int height) {
    UniqueGpBitmap result;
    if (!image || width <= 0 || height <= 0) return result;
    const LockedPixels in(static_cast<GpBitmap*>(image), PixelFormat32bppPARGB);
    if (!in) return result;
    gp::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppPARGB, nullptr, result.put());
    if (!result) return result;
    {
        const LockedPixels out(result.get(), PixelFormat32bppPARGB, Gdiplus::ImageLockModeWrite);
        if (out) {
            const Gdiplus::BitmapData& from = in.Data();
            const Gdiplus::BitmapData& to = out.Data();
            resample::Resample(
                {static_cast<const unsigned char*>(from.Scan0), static_cast<int>(from.Width),
                 static_cast<int>(from.Height), from.Stride},
                {static_cast<unsigned char*>(to.Scan0), width, height, to.Stride},
                resample::Alpha::Premultiplied);
            return result;
        }
    }
    result.reset();
    return result;
}

void DrawImageStretched(GpGraphics* graphics, GpImage* image, const RectF& destination,
                        GpImageAttributes* attributes, const PixelTarget* direct) {
    if (!image) return;
    if (const std::optional<RECT> device = DevicePixels(graphics, destination)) {
        const int width = device->right - device->left;
        const int height = device->bottom - device->top;
        const auto draw = [&](GpImage* fitting) {
            if (direct && !attributes &&
                BlendThroughClip(graphics, *direct, static_cast<GpBitmap*>(fitting),
                                 PixelFormat32bppPARGB, device->left, device->top, *device))
                return;
            DrawAtDevicePixels(graphics, fitting, *device, attributes);
        };
        if (ImageWidth(image) == static_cast<UINT>(width) &&
            ImageHeight(image) == static_cast<UINT>(height)) {
            draw(image);
            return;
        }
        if (UniqueGpBitmap scaled = Resampled(image, width, height)) {
            draw(scaled.get());
            return;
        }
    }
    DrawImageAttr(graphics, image, destination, std::nullopt, attributes);
}

void DrawImageRect(GpGraphics* graphics, GpImage* image, const RectF& rect) {
    if (!image) return;
    gp::GdipDrawImageRect(graphics, image, rect.X, rect.Y, rect.Width, rect.Height);
}

void DrawImageNatural(GpGraphics* graphics, GpImage* image, const RectF& rect, bool centre) {
    if (!image) return;
    const float width = static_cast<float>(ImageWidth(image));
    const float height = static_cast<float>(ImageHeight(image));
    float x = rect.X, y = rect.Y;
    if (centre) {
        // Whole pixels keep the picture sharp; halves round to even, as the FPU does.
        x = std::nearbyint(rect.X - (width - rect.Width) / 2);
        y = std::nearbyint(rect.Y - (height - rect.Height) / 2);
    }
    gp::GdipDrawImageRect(graphics, image, x, y, width, height);
}

void DrawImageAttr(GpGraphics* graphics, GpImage* image, const RectF& destination,
                   std::optional<RectF> source, GpImageAttributes* attributes) {
    if (!image) return;
    const RectF from = source.value_or(
        RectF(0, 0, static_cast<float>(ImageWidth(image)), static_cast<float>(ImageHeight(image))));
    gp::GdipDrawImageRectRect(graphics, image, destination.X, destination.Y, destination.Width,
                              destination.Height, from.X, from.Y, from.Width, from.Height,
                              Gdiplus::UnitPixel, attributes, nullptr, nullptr);
}

void DrawImageAlpha(GpGraphics* graphics, GpImage* image, const RectF& rect, int alpha) {
    if (!image || alpha <= 0) return;  // fully transparent: nothing would show
    if (alpha >= 255) {
        DrawImageRect(graphics, image, rect);
        return;
    }
    UniqueGpImageAttributes attributes = AlphaAttributes(alpha);
    DrawImageAttr(graphics, image, rect, RectF(0, 0, rect.Width, rect.Height), attributes.get());
}

void DrawNineGrid(GpGraphics* graphics, GpImage* image, const RectF& destination,
                  const RectF& centre, std::optional<int> alpha) {
    if (!image) return;
    const float iw = static_cast<float>(ImageWidth(image));
    const float ih = static_cast<float>(ImageHeight(image));
    const float left = centre.X, top = centre.Y;
    const float right = iw - centre.X - centre.Width;
    const float bottom = ih - centre.Y - centre.Height;
    const float cw = centre.Width, ch = centre.Height;
    const float dx = destination.X, dy = destination.Y;
    const float dw = destination.Width, dh = destination.Height;
    const float midW = dw - left - right, midH = dh - top - bottom;

    UniqueGpImageAttributes attributes;
    if (alpha && *alpha != 255) attributes = AlphaAttributes(*alpha);
    GpImageAttributes* a = attributes.get();

    DrawPiece(graphics, image, RectF(dx, dy, left, top), RectF(0, 0, left, top), a);
    DrawPiece(graphics, image, RectF(dx + dw - right, dy, right, top),
              RectF(iw - right, 0, right, top), a);
    DrawPiece(graphics, image, RectF(dx + left, dy, midW, top), RectF(left, 0, cw, top), a);
    DrawPiece(graphics, image, RectF(dx, dy + dh - bottom, left, bottom),
              RectF(0, ih - bottom, left, bottom), a);
    DrawPiece(graphics, image, RectF(dx + dw - right, dy + dh - bottom, right, bottom),
              RectF(iw - right, ih - bottom, right, bottom), a);
    DrawPiece(graphics, image, RectF(dx + left, dy + dh - bottom, midW, bottom),
              RectF(left, ih - bottom, cw, bottom), a);
    DrawPiece(graphics, image, RectF(dx, dy + top, left, midH), RectF(0, top, left, ch), a);
    DrawPiece(graphics, image, RectF(dx + dw - right, dy + top, right, midH),
              RectF(iw - right, top, right, ch), a);
    DrawPiece(graphics, image, RectF(dx + left, dy + top, midW, midH),
              RectF(centre.X, centre.Y, cw, ch), a);
}

void DrawImageInFrame(GpGraphics* graphics, GpImage* image, const RectF& frame, bool blend,
                      int mode, GpImageAttributes* attributes, COLORREF colour,
                      const PixelTarget* direct) {
    if (!image) return;
    if (mode == kFrameStretch) {
        DrawImageStretched(graphics, image, frame, attributes, direct);
        return;
    }
    if (mode != kFrameTopLeft && mode != kFrameCentre) return;
    const float iw = static_cast<float>(ImageWidth(image));
    const float ih = static_cast<float>(ImageHeight(image));
    if (!blend) {
        DrawImageAttr(graphics, image, RectF(frame.X, frame.Y, iw, ih), std::nullopt, attributes);
        return;
    }
    // Compose picture and fill colour first, so the faded edges melt into the
    // fill before the window's translucency applies to both at once.
    ArgbCanvas canvas =
        ArgbCanvas::Create(static_cast<int>(frame.Width), static_cast<int>(frame.Height));
    if (!canvas.graphics) return;
    gp::GdipGraphicsClear(canvas.graphics.get(), ToArgb(colour, 255));
    if (mode == kFrameTopLeft) {
        const RectF placed(0, 0, iw, ih);
        DrawImageRect(canvas.graphics.get(), image, placed);
        EdgeFade(canvas.graphics.get(), placed, colour, std::nullopt, false, false, true, true);
    } else {
        const RectF placed(-(iw - frame.Width) / 2, -(ih - frame.Height) / 2, iw, ih);
        DrawImageRect(canvas.graphics.get(), image, placed);
        EdgeFade(canvas.graphics.get(), placed, colour, std::nullopt, true, true, true, true);
    }
    canvas.graphics.reset();
    DrawImageAttr(graphics, canvas.bitmap.get(),
                  RectF(frame.X + 1, frame.Y + 1, frame.Width - 1, frame.Height - 1),
                  RectF(0, 0, frame.Width, frame.Height), attributes);
}

COLORREF AverageColour(HDC, GpImage* image) {
    if (!image) return 0;
    const UINT width = ImageWidth(image);
    const UINT height = ImageHeight(image);
    if (width == 0 || height == 0) return 0;
    // Read straight from GDI+, without a GDI bitmap and a second copy of every
    // pixel. A picture stored opaque (24-bit as the system decodes JPEGs,
    // 32-bit premultiplied or without alpha as the toolkit's own decoders
    // give them) is read as it is stored, in place; anything else
    // premultiplied, that is over black, as a GDI bitmap made from it shows it.
    Gdiplus::PixelFormat stored = 0;
    gp::GdipGetImagePixelFormat(image, &stored);
    const bool plain = stored == PixelFormat24bppRGB || stored == PixelFormat32bppPARGB ||
                       stored == PixelFormat32bppRGB;
    const Gdiplus::PixelFormat format = plain ? stored : PixelFormat32bppPARGB;
    const UINT bytesPerPixel = stored == PixelFormat24bppRGB ? 3 : 4;
    Gdiplus::BitmapData data{};
    const Gdiplus::Rect rect(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    auto* bitmap = static_cast<GpBitmap*>(image);
    if (gp::GdipBitmapLockBits(bitmap, &rect, Gdiplus::ImageLockModeRead, format, &data) !=
        Gdiplus::Ok)
        return 0;
    std::uint64_t blue = 0, green = 0, red = 0;
    for (UINT y = 0; y < height; ++y) {
        const unsigned char* p = static_cast<const unsigned char*>(data.Scan0) +
                                 static_cast<std::ptrdiff_t>(y) * data.Stride;
        for (UINT x = 0; x < width; ++x, p += bytesPerPixel) {
            blue += p[0];
            green += p[1];
            red += p[2];
        }
    }
    gp::GdipBitmapUnlockBits(bitmap, &data);
    const std::uint64_t count = static_cast<std::uint64_t>(width) * height;
    return RGB(static_cast<BYTE>(red / count), static_cast<BYTE>(green / count),
               static_cast<BYTE>(blue / count));
}

HICON WindowIcon(HWND window, bool big) {
    HICON icon =
        reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, big ? ICON_BIG : ICON_SMALL, 0));
    if (!icon)
        icon = reinterpret_cast<HICON>(GetClassLongPtrA(window, big ? GCLP_HICON : GCLP_HICONSM));
    return icon;
}

UniqueGpBitmap IconToBitmap(HICON icon, bool keepAlpha) {
    UniqueGpBitmap result;
    if (!icon) return result;
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return result;
    // GetIconInfo hands us copies of both bitmaps.
    UniqueBitmap mask(info.hbmMask);
    UniqueBitmap colour(info.hbmColor);
    BITMAP bits{};
    const bool hasColour = colour && GetObjectA(colour.get(), sizeof(bits), &bits) != 0;
    const int width = bits.bmWidth, height = bits.bmHeight;
    if (keepAlpha && hasColour && bits.bmBitsPixel >= 32 && width > 0 && height > 0) {
        // Read the colour bitmap top-down as 32-bit pixels: its fourth byte is the
        // icon's alpha. The result gets pixels of its own, so it depends on no
        // other bitmap staying alive.
        BITMAPINFO header = Argb32Info(width, height);
        std::vector<std::uint32_t> pixels(static_cast<size_t>(width) * height);
        UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
        bool anyAlpha = false;
        if (dc && GetDIBits(dc.get(), colour.get(), 0, height, pixels.data(), &header,
                            DIB_RGB_COLORS) == height) {
            for (std::uint32_t p : pixels) anyAlpha = anyAlpha || (p >> 24) != 0;
        }
        // A 32-bit icon with an empty alpha channel is shaped by its mask instead.
        if (anyAlpha) {
            gp::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr,
                                          result.put());
            Gdiplus::Rect all(0, 0, width, height);
            Gdiplus::BitmapData data{};
            if (result && gp::GdipBitmapLockBits(result.get(), &all, Gdiplus::ImageLockModeWrite,
                                                 PixelFormat32bppARGB, &data) == Gdiplus::Ok) {
                for (int row = 0; row < height; ++row)
                    std::memcpy(static_cast<unsigned char*>(data.Scan0) + row * data.Stride,
                                pixels.data() + static_cast<size_t>(row) * width,
                                static_cast<size_t>(width) * 4);
                gp::GdipBitmapUnlockBits(result.get(), &data);
                return result;
            }
            result.reset();
        }
    }
    gp::GdipCreateBitmapFromHICON(icon, result.put());
    return result;
}
