#pragma once
// Partial redraw: the host's first-in first-out list of (rectangle, element)
// requests. Each request restores the background under the rectangle from the
// cache, repaints the elements that overlap it and presents the result.
#include <windows.h>

#include <deque>

#include "toolkit/core/Gdip.h"
#include "toolkit/draw/Geometry.h"

class UIHost;
class Element;

struct RedrawRequest {
    RectF rect;
    Element* element;
};

class RedrawQueue {
public:
    virtual ~RedrawQueue() = default;

    // Slots 2 to 5.
    virtual void Init(HWND window, UIHost* host, GpGraphics* graphics);
    // Appends a copy; flushes at once unless a flush is already running, in
    // which case the running flush handles it in the same loop.
    virtual void Push(const RectF& rect, Element* element);
    virtual bool IsIdle() const;
    virtual void Flush();

    HWND window = nullptr;
    UIHost* host = nullptr;
    GpGraphics* graphics = nullptr;  // the host's back-buffer graphics at the last Init
    std::deque<RedrawRequest> pending;
    int busy = 0;
};

// One request: cache copy under the rectangle, elements, then (optionally)
// presentation.
void RedrawRect(HWND window, const RedrawRequest& request, UIHost* host, GpGraphics* graphics,
                bool present);

// Paints the visible elements of one sibling list (and their children) that
// overlap `dirty`, in list order. False when the host's buffers went away
// under it (an element handler destroyed or resized the window): the caller
// must stop drawing with `graphics`.
bool PaintElementsIn(UIHost* host, Element* first, const RectF& dirty, GpGraphics* graphics);

// Overlap with a margin: rectangles that only touch do not overlap.
bool RectsOverlap(const RectF& a, const RectF& b);
