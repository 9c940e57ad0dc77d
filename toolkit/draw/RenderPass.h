#pragma once
// The host window's full redraw (UIHost::Render and UIHost::RenderPass):
// frame, background picture, border, icon, shadow or window region, the
// application's paint callback, the background cache, the element clip, the
// caption and the element tree.
#include <windows.h>

#include "toolkit/core/Gdip.h"
#include "toolkit/draw/Geometry.h"

struct PixelTarget;

class Element;

// The visible body of a W x H host window; the 5-pixel margin outside it holds
// the shadow of translucent windows.
inline RectF FrameRectOf(int width, int height) {
    return RectF(5, 5, static_cast<float>(width - 10), static_cast<float>(height - 10));
}

// The area elements are clipped to.
inline RectF ElementAreaOf(int width, int height) {
    return RectF(6, 6, static_cast<float>(width - 11), static_cast<float>(height - 11));
}

// Paints one sibling list and its children in list order: each element with
// `visible` exactly 1 gets the paint message and is drawn at its opacity.
void DrawElementTree(GpGraphics* graphics, Element* first, const PixelTarget* direct = nullptr);
