#include "toolkit/controls/Element.h"

#include <algorithm>
#include <cmath>

#include "toolkit/host/UIHost.h"

namespace {

constexpr float kSizeMargin = 1e-7f;

void ShiftDescendants(Element* first, float dx, float dy) {
    for (Element* e = first; e; e = e->nextSibling) {
        e->rect.X -= dx;
        e->rect.Y -= dy;
        ShiftDescendants(e->firstChild, dx, dy);
    }
}

UIHost* HostOfWindow(HWND window) {
    auto* host = reinterpret_cast<UIHost*>(GetPropA(window, kHostProperty));
    // Only a host that holds this very window counts.
    return host && host->hwnd == window ? host : nullptr;
}

}  // namespace

LRESULT DeliverToElement(Element* element, UINT msg, WPARAM wParam, LPARAM lParam) {
    return element ? element->Dispatch(msg, wParam, lParam) : 0;
}

Element::~Element() {
    if (!handle || !host) return;
    StopFadeTimer();
    host->ForgetElement(this);
    Unlink();
    // Children must not keep a parent that is gone: they move to the top level.
    while (firstChild) firstChild->SetParent(nullptr);
}

Element* Element::Create(HWND window, const RectF& newRect, int newKind, int newVisible,
                         std::optional<int> newFocusable, std::optional<int> newCursor,
                         int newFadeInterval) {
    if (handle) return handle;
    handle = this;
    hostWindow = window;
    rect = newRect;
    hint.clear();
    parent = nullptr;
    fadeAlpha = 255;
    opacity = 255;
    kind = newKind;
    visible = newVisible;
    focusable = newFocusable.value_or(1);
    cursor = newCursor.value_or(kArrowCursor);
    disabled = 0;
    reserved7 = 1;
    host = HostOfWindow(window);
    AppendTo(nullptr);
    MakeSurface(rect);
    fadeInterval = newFadeInterval;
    Send(WM_CREATE, reinterpret_cast<WPARAM>(surface.get()),
         reinterpret_cast<LPARAM>(surfaceGraphics.get()));
    if (visible) Repaint();
    return handle;
}

DeviceScale Element::Scale() const {
    return host ? host->scale : DeviceScale();
}

void Element::MakeSurface(const RectF& units) {
    surfaceGraphics.reset();
    surface.reset();
    const DeviceScale scale = Scale();
    int width = static_cast<int>(units.Width);
    int height = static_cast<int>(units.Height);
    if (!scale.IsOne()) {
        const RECT device = scale.Edges(units);
        width = device.right - device.left;
        height = device.bottom - device.top;
    }
    gp::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, surface.put());
    if (!surface) return;
    gp::GdipGetImageGraphicsContext(surface.get(), surfaceGraphics.put());
    if (!surfaceGraphics) return;
    scale.Apply(surfaceGraphics.get());
    gp::GdipSetSmoothingMode(surfaceGraphics.get(), Gdiplus::SmoothingModeAntiAlias);
    gp::GdipSetTextRenderingHint(surfaceGraphics.get(), Gdiplus::TextRenderingHintAntiAliasGridFit);
}

Element* Element::Handle(bool asIs) {
    return asIs ? this : handle;
}

HWND Element::HostWindow() {
    return hostWindow;
}

Element* Element::Parent() {
    return parent;
}

bool Element::IsAncestorOf(const Element* other) const {
    for (const Element* e = other; e; e = e->parent)
        if (e == this) return true;
    return false;
}

void Element::Unlink() {
    Element** first = parent ? &parent->firstChild : host ? &host->firstElement : nullptr;
    Element** last = parent ? &parent->lastChild : host ? &host->lastElement : nullptr;
    if (prevSibling)
        prevSibling->nextSibling = nextSibling;
    else if (first && *first == this)
        *first = nextSibling;
    if (nextSibling)
        nextSibling->prevSibling = prevSibling;
    else if (last && *last == this)
        *last = prevSibling;
    prevSibling = nextSibling = nullptr;
}

void Element::AppendTo(Element* newParent) {
    Element** first = newParent ? &newParent->firstChild : host ? &host->firstElement : nullptr;
    Element** last = newParent ? &newParent->lastChild : host ? &host->lastElement : nullptr;
    if (!first) return;  // no host: the element lives outside any tree
    prevSibling = *last;
    nextSibling = nullptr;
    if (!*first) *first = this;
    if (*last) (*last)->nextSibling = this;
    *last = this;
}

void Element::SetParent(Element* newParent) {
    if (newParent == parent || !handle) return;
    // A foreign parent would mix two trees; one inside our own subtree would
    // make a loop that every tree walk follows forever.
    if (newParent && (newParent->host != host || !newParent->handle || IsAncestorOf(newParent)))
        return;
    Unlink();
    parent = newParent;
    AppendTo(newParent);
    Invalidate();
}

void Element::StopFadeTimer() {
    if (hostWindow && handle) KillTimer(hostWindow, reinterpret_cast<UINT_PTR>(handle));
}

void Element::Destroy() {
    Send(WM_DESTROY, 0, 0);
    StopFadeTimer();
    if (host) host->ForgetElement(this);
    surfaceGraphics.reset();
    surface.reset();
    fadeSnapshot.reset();
    eventTable.clear();
    rect = RectF(0, 0, 0, 0);
    hint.clear();
    hint2.clear();
}

void Element::ResetFields() {
    hostWindow = nullptr;
    handle = nullptr;
    parent = nullptr;
    visible = disabled = focusable = reserved7 = cursor = 0;
    eventTable.clear();
    rect = RectF(0, 0, 0, 0);
    hint.clear();
    hint2.clear();
    kind = 0;
    firstChild = lastChild = prevSibling = nextSibling = nullptr;
    fadeAlpha = 0;
    surfaceGraphics.reset();
    surface.reset();
    host = nullptr;
    opacity = 0;
    fadeSnapshot.reset();
    fadeInterval = 0;
}

void Element::RemakeSurface() {
    if (!handle) return;
    StopFadeTimer();
    fadeSnapshot.reset();
    fadeAlpha = opacity;
    MakeSurface(rect);
    Send(kResized, static_cast<WPARAM>(rect.Width), static_cast<LPARAM>(rect.Height));
}

RectF Element::Rect(std::optional<RectF> newRect) {
    if (newRect) rect = *newRect;
    return rect;
}

int Element::Visible(std::optional<int> value) {
    if (value) visible = *value;
    return visible;
}

int Element::Disabled(std::optional<int> value) {
    if (value) disabled = *value;
    return disabled;
}

int Element::Focusable(std::optional<int> value) {
    if (value) focusable = *value;
    return focusable;
}

bool Element::HasFocus() {
    return host && handle && host->focused == handle;
}

void Element::Repaint() {
    Send(WM_PAINT, 0, 1);
}

void Element::Invalidate() {
    if (host && handle) host->RequestRedraw(rect, this);
}

void Element::Move(std::optional<int> x, std::optional<int> y, std::optional<int> width,
                   std::optional<int> height, std::optional<bool> redraw) {
    if (!handle) return;  // never created, or its host is gone
    const int nx = x.value_or(static_cast<int>(rect.X));
    const int ny = y.value_or(static_cast<int>(rect.Y));
    const int nw = width.value_or(static_cast<int>(rect.Width));
    const int nh = height.value_or(static_cast<int>(rect.Height));
    const bool redrawing = redraw.value_or(true);
    // A hidden element stays hidden: only a shown one is taken off and put back.
    const int wasVisible = visible;
    if (redrawing && wasVisible) {
        visible = 0;
        Invalidate();  // the old area without the element
    }
    ShiftDescendants(firstChild, rect.X - static_cast<float>(nx), rect.Y - static_cast<float>(ny));
    const bool resized = std::fabs(static_cast<float>(nw) - rect.Width) > kSizeMargin ||
                         std::fabs(static_cast<float>(nh) - rect.Height) > kSizeMargin;
    rect = RectF(static_cast<float>(nx), static_cast<float>(ny), static_cast<float>(nw),
                 static_cast<float>(nh));
    if (resized) MakeSurface(rect);
    Send(kResized, static_cast<WPARAM>(nw), static_cast<LPARAM>(nh));
    if (redrawing && wasVisible) {
        visible = wasVisible;
        Invalidate();
    }
}

std::string Element::Hint(std::optional<std::string> text, bool notify) {
    if (text) {
        hint = std::move(*text);
        if (notify) SetHostHint(hint);
    }
    return hint;
}

void Element::SetHostHint(const std::string& text) {
    if (host && handle) host->UpdateTooltip(this, text);
}

void Element::BindEvent(UINT code, EventHandler handler) {
    for (EventBinding& binding : eventTable) {
        if (binding.code == code) {
            binding.handler = std::move(handler);
            return;
        }
    }
    eventTable.push_back({code, std::move(handler)});
}

LPARAM Element::Self(LPARAM value) {
    return value;
}

int Element::Opacity(std::optional<int> alpha, bool invalidate) {
    if (alpha) {
        opacity = std::clamp(*alpha, 0, 255);
        // Without a crossfade the surface is drawn at the opacity; a running
        // one never goes beyond it.
        if (!fadeSnapshot)
            fadeAlpha = opacity;
        else
            FadeAlpha(fadeAlpha);
        if (invalidate) Invalidate();
    }
    return opacity;
}

int Element::FadeAlpha(std::optional<int> alpha) {
    if (alpha) {
        fadeAlpha = std::max(*alpha, 0);
        if (fadeAlpha >= opacity) {
            fadeAlpha = opacity;
            StopFadeTimer();
            fadeSnapshot.reset();
        }
    }
    return fadeAlpha;
}

int Element::FadeInterval(std::optional<int> milliseconds) {
    if (milliseconds) fadeInterval = *milliseconds;
    return fadeInterval;
}

LRESULT Element::Send(UINT code, WPARAM wParam, LPARAM lParam) {
    return Dispatch(code, wParam, lParam);
}

int Element::Cursor(std::optional<int> id) {
    if (id) cursor = *id;
    return cursor;
}

LRESULT Element::MessageProc(UINT, WPARAM, LPARAM) {
    return -1;
}

LRESULT Element::Dispatch(UINT code, WPARAM wParam, LPARAM lParam) {
    for (const EventBinding& binding : eventTable) {
        if (binding.code != code) continue;
        // A copy: the handler may rebind or destroy the element's table.
        EventHandler handler = binding.handler;
        const LRESULT result = handler ? handler(parent, this, code, wParam, lParam) : -1;
        if (result != -1) return result;
        break;
    }
    return MessageProc(code, wParam, lParam);
}

bool Element::BeginSurfacePaint(SurfacePaint& record, std::optional<RectF> area, bool crossfade) {
    if (!hostWindow || !host) return false;
    const int width = static_cast<int>(rect.Width);
    const int height = static_cast<int>(rect.Height);
    record = SurfacePaint{};
    record.hostWindow = hostWindow;
    record.graphics = surfaceGraphics.get();
    record.rect = area.value_or(RectF(0, 0, static_cast<float>(width), static_cast<float>(height)));
    record.crossfade = crossfade;
    record.host = host;
    record.windowDC = host->windowDC ? host->windowDC->get() : nullptr;
    record.backDC = host->backDC.get();
    record.backGraphics = host->backGraphics.get();
    record.surface = surface.get();
    if (!host->rendering && crossfade && fadeAlpha != opacity) {
        StopFadeTimer();
        fadeSnapshot.reset();
        if (surface) {
            if (surfaceGraphics) gp::GdipFlush(surfaceGraphics.get(), Gdiplus::FlushIntentionSync);
            // The whole surface, in its own (device) pixels.
            gp::GdipCloneBitmapAreaI(0, 0, static_cast<INT>(ImageWidth(surface.get())),
                                     static_cast<INT>(ImageHeight(surface.get())),
                                     PixelFormat32bppARGB, surface.get(), fadeSnapshot.put());
        }
    }
    if (crossfade && surfaceGraphics) gp::GdipGraphicsClear(surfaceGraphics.get(), 0x00FFFFFF);
    return true;
}

void Element::EndSurfacePaint(const SurfacePaint& record) {
    if (!host || host->rendering) return;
    if (surfaceGraphics) gp::GdipFlush(surfaceGraphics.get(), Gdiplus::FlushIntentionSync);
    if (fadeInterval != 0)
        SetTimer(hostWindow, reinterpret_cast<UINT_PTR>(handle), static_cast<UINT>(fadeInterval),
                 nullptr);
    else if (record.crossfade)
        fadeSnapshot.reset();
    host->RequestRedraw(rect, this);
}
