// The back buffer, the background cache and how the picture reaches the
// screen: UpdateLayeredWindow with per-pixel alpha for layered windows,
// BitBlt of the changed rectangle for ordinary ones.
#include <windows.h>

#include <cmath>

#include "platform/Dib.h"
#include "platform/LayeredPresent.h"
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
    CreateBufferSet(WindowDcHandle(), size, backDC, backBitmap, backPrevBitmap);
    if (backDC) {
        gp::GdipCreateFromHDC(backDC.get(), backGraphics.put());
        if (backGraphics) {
            gp::GdipSetSmoothingMode(backGraphics.get(), Gdiplus::SmoothingModeAntiAlias);
            gp::GdipSetTextRenderingHint(backGraphics.get(),
                                         Gdiplus::TextRenderingHintAntiAliasGridFit);
        }
    }
    CreateBufferSet(WindowDcHandle(), size, cacheDC, cacheBitmap, cachePrevBitmap);
}

void UIHost::ReleaseBuffers() {
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
    if (now.width == size.width && now.height == size.height) return;
    size = now;
    CreateBuffers();
    if (sizeCallback) sizeCallback(window, size.width, size.height);
    RenderPass(std::nullopt, themeColor);
    BitBlt(WindowDcHandle(), 0, 0, size.width, size.height, backDC.get(), 0, 0, SRCCOPY);
    if (translucency != -1) Present();
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
    const RectF r =
        rect.value_or(RectF(0, 0, static_cast<float>(size.width), static_cast<float>(size.height)));
    // Whole pixels covering the rectangle, inside the window.
    RECT dirty{static_cast<LONG>(std::floor(r.X)), static_cast<LONG>(std::floor(r.Y)),
               static_cast<LONG>(std::ceil(r.X + r.Width)),
               static_cast<LONG>(std::ceil(r.Y + r.Height))};
    const RECT window{0, 0, size.width, size.height};
    if (!IntersectRect(&dirty, &dirty, &window)) return;
    if (translucency != -1) {
        // The buffer's pixels are premultiplied BGRA already. Naming the
        // changed rectangle lets the system copy only that part: a whole
        // 486 x 342 window costs far more than a button's crossfade step.
        PresentLayered(hwnd, backDC.get(), SIZE{size.width, size.height}, rect ? &dirty : nullptr);
        return;
    }
    BitBlt(WindowDcHandle(), dirty.left, dirty.top, dirty.right - dirty.left,
           dirty.bottom - dirty.top, backDC.get(), dirty.left, dirty.top, SRCCOPY);
}
