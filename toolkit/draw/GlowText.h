#pragma once
// Text with an optional halo behind it, so that it stays readable on any
// background picture: the window title, button captions and link texts.
#include <windows.h>

#include <optional>
#include <string>

#include "toolkit/core/Gdip.h"
#include "toolkit/draw/Geometry.h"

// Text effects (the `style` of DrawGlowText).
enum GlowStyle : int {
    kGlowNone = 0,     // 1, 2 and every other value: no halo either
    kGlowBlurred = 3,  // a soft halo, blurred at one third resolution
    kGlowOutline = 4,  // a sharp halo one pixel around the glyphs
};

// The halo that suits a text colour when none is given: white at alpha 85
// behind dark text (brightness below 192), otherwise black at alpha 75.
Gdiplus::ARGB DefaultHaloColour(Gdiplus::ARGB textColour);

// Draws `text` into `rect` with `font` and `format` in `textColour` (ARGB);
// styles 3 and 4 first lay a halo of `haloColour` (DefaultHaloColour of the
// text colour when omitted) behind it.
void DrawGlowText(GpGraphics* graphics, const RectF& rect, const std::wstring& text, GpFont* font,
                  Gdiplus::ARGB textColour, GpStringFormat* format, int style,
                  std::optional<Gdiplus::ARGB> haloColour = std::nullopt);

// The halo alone: the text thickened by one pixel, shrunk by `scale` and
// stretched back over (rect.x - 4, rect.y - 4, rect.width + 7, rect.height + 7).
// Scale 1 keeps it sharp. Nothing is drawn for a rectangle that gives no
// pixels or an absurd number of them.
void DrawHalo(GpGraphics* graphics, const RectF& rect, const std::wstring& text, GpFont* font,
              GpStringFormat* format, Gdiplus::ARGB haloColour, int scale);
