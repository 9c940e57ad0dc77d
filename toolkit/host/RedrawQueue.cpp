#include "toolkit/host/RedrawQueue.h"

#include <algorithm>
#include <cmath>

#include "toolkit/controls/Element.h"
#include "toolkit/draw/ImageDraw.h"
#include "toolkit/draw/Shapes.h"
#include "toolkit/host/UIHost.h"

namespace {

constexpr float kMargin = 1e-7f;

bool Below(float a, float b) {
    return b - a > kMargin;
}

bool WholePixels(const RectF& r) {
    return r.X == std::floor(r.X) && r.Y == std::floor(r.Y) && r.Width == std::floor(r.Width) &&
           r.Height == std::floor(r.Height);
}

// An opaque-drawn surface, only where it meets the dirty rectangle. Wine's
// GDI+ works through every source pixel of a drawn image before it clips, so
// a one-line strip of a large surface would cost as much as all of it. At one
// pixel per pixel the part gives the same pixels as the whole.
void DrawSurfacePart(GpGraphics* graphics, GpImage* surface, const RectF& rect,
                     const RectF& dirty) {
    if (!WholePixels(rect)) {
        DrawImageAlpha(graphics, surface, rect, 255);
        return;
    }
    const float left = std::max(rect.X, std::floor(dirty.X));
    const float top = std::max(rect.Y, std::floor(dirty.Y));
    const float right = std::min(rect.X + rect.Width, std::ceil(dirty.X + dirty.Width));
    const float bottom = std::min(rect.Y + rect.Height, std::ceil(dirty.Y + dirty.Height));
    if (right <= left || bottom <= top) return;
    const RectF part(left, top, right - left, bottom - top);
    DrawImageAttr(graphics, surface, part,
                  RectF(left - rect.X, top - rect.Y, part.Width, part.Height), nullptr);
}

}  // namespace

void RedrawQueue::Init(HWND newWindow, UIHost* newHost, GpGraphics* newGraphics) {
    window = newWindow;
    host = newHost;
    graphics = newGraphics;
}

void RedrawQueue::Push(const RectF& rect, Element* element) {
    pending.push_back({rect, element});
    if (!busy) Flush();
}

bool RedrawQueue::IsIdle() const {
    return busy == 0;
}

void RedrawQueue::Flush() {
    busy = 1;
    while (!pending.empty()) {
        // A copy: painting may push more requests behind this one.
        const RedrawRequest request = pending.front();
        // Init reads the host's graphics afresh after every render pass, and
        // a host that went away leaves none: its requests are dropped.
        if (host && graphics) RedrawRect(window, request, host, graphics, true);
        if (!pending.empty()) pending.pop_front();
    }
    busy = 0;
}

bool RectsOverlap(const RectF& a, const RectF& b) {
    return Below(a.X, b.X + b.Width) && Below(b.X, a.X + a.Width) && Below(a.Y, b.Y + b.Height) &&
           Below(b.Y, a.Y + a.Height);
}

void RedrawRect(HWND, const RedrawRequest& request, UIHost* host, GpGraphics* graphics,
                bool present) {
    const RectF& r = request.rect;
    if (host->clipPath) ClipPath(graphics, host->clipPath.get(), Gdiplus::CombineModeReplace);
    ClipRect(graphics, r, Gdiplus::CombineModeIntersect);
    BitBlt(host->backDC.get(), static_cast<int>(r.X), static_cast<int>(r.Y),
           static_cast<int>(r.Width), static_cast<int>(r.Height), host->cacheDC.get(),
           static_cast<int>(r.X), static_cast<int>(r.Y), SRCCOPY);
    if (!PaintElementsIn(host, host->firstElement, r, graphics)) return;
    ResetClip(graphics);
    if (present) host->Present(r);
}

bool PaintElementsIn(UIHost* host, Element* first, const RectF& dirty, GpGraphics* graphics) {
    for (Element* e = first; e; e = e->nextSibling) {
        if (e->visible != 1 || !RectsOverlap(e->rect, dirty)) continue;
        CustomDrawRecord record{graphics, e->surface.get(), e->fadeSnapshot.get(), e->rect};
        const LRESULT drawn =
            DeliverToElement(e, kCustomDraw, 0, reinterpret_cast<LPARAM>(&record));
        if (host->backGraphics.get() != graphics) return false;
        if (drawn <= 0) {
            // Crossfade: the old picture fades out while the new one fades in.
            if (e->fadeSnapshot) {
                DrawImageAlpha(graphics, e->fadeSnapshot.get(), e->rect, e->opacity - e->fadeAlpha);
                DrawImageAlpha(graphics, e->surface.get(), e->rect, e->fadeAlpha);
            } else if (e->fadeAlpha >= 255 && e->surface) {
                DrawSurfacePart(graphics, e->surface.get(), e->rect, dirty);
            } else {
                DrawImageAlpha(graphics, e->surface.get(), e->rect, e->fadeAlpha);
            }
        }
        if (e->firstChild) {
            ClipRect(graphics, e->rect, Gdiplus::CombineModeIntersect);
            if (!PaintElementsIn(host, e->firstChild, dirty, graphics)) return false;
            ClipRect(graphics, dirty, Gdiplus::CombineModeReplace);
        }
    }
    return true;
}
