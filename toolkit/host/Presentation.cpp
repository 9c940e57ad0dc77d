// The back buffer, the background cache and how the picture reaches the
// screen: UpdateLayeredWindow with per-pixel alpha for layered windows,
// BitBlt of the changed rectangle for ordinary ones.
#include <windows.h>

#include <cmath>
#include <cstddef>
#include <vector>

#include "platform/Dib.h"
#include "platform/LayeredPresent.h"
#include "toolkit/controls/Element.h"
#include "toolkit/host/UIHost.h"

namespace {

// A memory DC compatible with the window, holding a 32-bit bottom-up DIB
// section of the window's size.
void CreateBufferSet(HDC compatibleWith, HostSize size, UniqueMemoryDc& dc, UniqueBitmap& bitmap,
                     HBITMAP& previous) {
    dc.reset(CreateCompatibleDC(compatibleWith));
    if (!dc) return;
    BITMAPINFO info = Argb32Info(size.width, size.height, false);
    bitmap.reset(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, nullptr, nullptr, 0));
    if (bitmap) previous = static_cast<HBITMAP>(SelectObject(dc.get(), bitmap.get()));
}

// The bitmap must leave the DC before either can be deleted.
void ReleaseBufferSet(UniqueMemoryDc& dc, UniqueBitmap& bitmap, HBITMAP& previous) {
    if (dc && previous) SelectObject(dc.get(), previous);
    previous = nullptr;
    bitmap.reset();
    dc.reset();
}

}  // namespace

void UIHost::CreateBuffers() {
    ReleaseBuffers();
    CreateBufferSet(WindowDcHandle(), deviceSize, backDC, backBitmap, backPrevBitmap);
    buffersScale = scale;
    if (backDC) {
        gp::GdipCreateFromHDC(backDC.get(), backGraphics.put());
        if (backGraphics) {
            // Drawing code works in units; GDI+ rasterises at device pixels.
            scale.Apply(backGraphics.get());
            gp::GdipSetSmoothingMode(backGraphics.get(), Gdiplus::SmoothingModeAntiAlias);
            gp::GdipSetTextRenderingHint(backGraphics.get(),
                                         Gdiplus::TextRenderingHintAntiAliasGridFit);
        }
    }
    DIBSECTION dib{};
    if (backBitmap && GetObjectW(backBitmap.get(), sizeof(dib), &dib) == sizeof(dib) &&
        dib.dsBm.bmBits && dib.dsBm.bmHeight > 0) {
        // Bottom-up rows: the top row is the last in memory.
        const int stride = dib.dsBm.bmWidthBytes;
        backTarget = PixelTarget{static_cast<unsigned char*>(dib.dsBm.bmBits) +
                                     static_cast<std::ptrdiff_t>(dib.dsBm.bmHeight - 1) * stride,
                                 -stride, dib.dsBm.bmWidth, dib.dsBm.bmHeight};
    }
    CreateBufferSet(WindowDcHandle(), deviceSize, cacheDC, cacheBitmap, cachePrevBitmap);
}

void UIHost::ClearBack() {
    GpGraphics* g = backGraphics.get();
    if (!backTarget) {
        if (g) gp::GdipGraphicsClear(g, 0);
        return;
    }
    LandDrawing(g);
    FillPixels(backTarget, 0, {RECT{0, 0, backTarget.width, backTarget.height}});
}

void UIHost::DrawInEdgeBands(float depth, float side,
                             const std::function<void(GpGraphics*)>& draw) {
    if (!backTarget) {
        if (backGraphics) draw(backGraphics.get());
        return;
    }
    const int w = backTarget.width, h = backTarget.height;
    const int d = static_cast<int>(std::ceil(depth * scale.Factor())) + 1;
    const int x = static_cast<int>(std::ceil(side * scale.Factor())) + 1;
    std::vector<RECT> bands{{0, 0, w, h}};
    if (h > 2 * d && w > 2 * x)
        bands = {{0, 0, w, d}, {0, h - d, w, h}, {0, d, x, h - d}, {w - x, d, w, h - d}};
    LandDrawing(backGraphics.get());  // what was drawn so far comes first
    for (const RECT& band : bands) {
        UniqueGpBitmap pixels;
        gp::GdipCreateBitmapFromScan0(band.right - band.left, band.bottom - band.top,
                                      backTarget.stride, PixelFormat32bppPARGB,
                                      reinterpret_cast<BYTE*>(backTarget.Row(band.top) + band.left),
                                      pixels.put());
        UniqueGpGraphics graphics;  // declared second, so it goes before the bitmap
        if (pixels) gp::GdipGetImageGraphicsContext(pixels.get(), graphics.put());
        if (!graphics) continue;
        scale.Apply(graphics.get());
        gp::GdipTranslateWorldTransform(graphics.get(), static_cast<float>(-band.left),
                                        static_cast<float>(-band.top), Gdiplus::MatrixOrderAppend);
        gp::GdipSetSmoothingMode(graphics.get(), Gdiplus::SmoothingModeAntiAlias);
        draw(graphics.get());
    }
}

void UIHost::FillClipped(Gdiplus::ARGB argb) {
    GpGraphics* g = backGraphics.get();
    if (!g) return;
    const RECT all{0, 0, deviceSize.width, deviceSize.height};
    if (!FillThroughClip(g, backTarget, argb, all)) gp::GdipGraphicsClear(g, argb);
}

void UIHost::ReleaseBuffers() {
    backTarget = {};
    backGraphics.reset();  // the graphics draws into backDC: it goes first
    ReleaseBufferSet(backDC, backBitmap, backPrevBitmap);
    ReleaseBufferSet(cacheDC, cacheBitmap, cachePrevBitmap);
    frameCache.Clear();
}

void UIHost::ReleaseBackground() {
    bgImage.reset();  // the image reads its stream until it is disposed
    bgImageMemory.reset();
}

void UIHost::OnSize(HWND window, WPARAM wParam, LPARAM) {
    if (wParam == SIZE_MINIMIZED) return;  // a minimised window keeps its buffers
    RECT bounds{};
    GetWindowRect(window, &bounds);
    const HostSize now{bounds.right - bounds.left, bounds.bottom - bounds.top};
    if (now.width == deviceSize.width && now.height == deviceSize.height && buffersScale == scale)
        return;
    TakeWindowSize();
    CreateBuffers();
    if (sizeCallback) sizeCallback(window, size.width, size.height);
    RenderPass(std::nullopt, themeColor);
    BitBlt(WindowDcHandle(), 0, 0, deviceSize.width, deviceSize.height, backDC.get(), 0, 0,
           SRCCOPY);
    if (translucency != -1) Present();
}

namespace {

// Every surface again at the host's scale; the next render pass draws them.
void RemakeSurfaces(Element* first) {
    for (Element* e = first; e; e = e->nextSibling) {
        e->RemakeSurface();
        RemakeSurfaces(e->firstChild);
    }
}

}  // namespace

void UIHost::Rescale(UINT dpi, const RECT* suggested) {
    if (!hwnd || !dpi) return;
    const DeviceScale next = DeviceScale::ForDpi(dpi);
    const HostSize units = size;
    scale = next;
    RemakeSurfaces(firstElement);
    if (suggested) {
        SetWindowPos(hwnd, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        SetWindowPos(hwnd, nullptr, 0, 0, scale.Pixels(static_cast<float>(units.width)),
                     scale.Pixels(static_cast<float>(units.height)),
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    }
    // The size change has rebuilt and presented at the new scale already,
    // unless the window kept its size; then it happens here.
    if (!redrawQueue.IsIdle())
        PostMessageA(hwnd, WM_SIZE, SIZE_RESTORED, 0);
    else
        OnSize(hwnd, SIZE_RESTORED, 0);
}

void UIHost::NativeRepaint() {
    // Nothing is drawn here: the back buffer is always current.
    PAINTSTRUCT paint{};
    BeginPaint(hwnd, &paint);
    const RECT& r = paint.rcPaint;
    BitBlt(WindowDcHandle(), r.left, r.top, r.right - r.left, r.bottom - r.top, backDC.get(),
           r.left, r.top, SRCCOPY);
    EndPaint(hwnd, &paint);
}

void UIHost::Present(std::optional<RectF> rect) {
    if (!hwnd || !backDC) return;
    // A hidden window shows nothing: while it is being built (the start
    // window gets its frame, buttons, letter box and strip before it is
    // shown) every present would cost a trip to the display for nothing.
    // The whole picture goes out once, as the window is being shown.
    if (!IsWindowVisible(hwnd)) {
        presentPending = true;
        return;
    }
    PresentNow(rect);
}

void UIHost::PresentPendingPicture() {
    if (!presentPending || !hwnd || !backDC) return;
    presentPending = false;
    PresentNow(std::nullopt);
}

void UIHost::PresentNow(std::optional<RectF> rect) {
    if (backGraphics) gp::GdipFlush(backGraphics.get(), Gdiplus::FlushIntentionSync);
    // Whole device pixels covering the rectangle, inside the window.
    RECT dirty = rect ? scale.Covering(*rect) : RECT{0, 0, deviceSize.width, deviceSize.height};
    const RECT window{0, 0, deviceSize.width, deviceSize.height};
    if (!IntersectRect(&dirty, &dirty, &window)) return;
    if (translucency != -1) {
        // The buffer's pixels are premultiplied BGRA already. Naming the
        // changed rectangle lets the system copy only that part: a whole
        // 486 x 342 window costs far more than a button's crossfade step.
        PresentLayered(hwnd, backDC.get(), SIZE{deviceSize.width, deviceSize.height},
                       rect ? &dirty : nullptr);
        return;
    }
    BitBlt(WindowDcHandle(), dirty.left, dirty.top, dirty.right - dirty.left,
           dirty.bottom - dirty.top, backDC.get(), dirty.left, dirty.top, SRCCOPY);
}
