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
    // Rounded out to whole device pixels once: the background restored, the
    // clip the elements are drawn through and the part presented are the
    // same pixels, so no partly covered row is drawn again over itself.
    const RectF r = host->scale.Outward(request.rect);
    const RECT device = host->scale.Covering(r);
    if (host->clipPath) ClipPath(graphics, host->clipPath.get(), Gdiplus::CombineModeReplace);
    ClipRect(graphics, r, Gdiplus::CombineModeIntersect);
    BitBlt(host->backDC.get(), device.left, device.top, device.right - device.left,
           device.bottom - device.top, host->cacheDC.get(), device.left, device.top, SRCCOPY);
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
            const DeviceScale scale = e->Scale();
            if (e->fadeSnapshot) {
                DrawSurface(graphics, e->fadeSnapshot.get(), e->rect, e->opacity - e->fadeAlpha,
                            scale);
                DrawSurface(graphics, e->surface.get(), e->rect, e->fadeAlpha, scale);
            } else {
                const PixelTarget direct =
                    graphics == host->backGraphics.get() ? host->BackTarget() : PixelTarget{};
                DrawSurface(graphics, e->surface.get(), e->rect, e->fadeAlpha, scale, &dirty,
                            &direct);
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
