#pragma once
// The vector side of the drawing engine: rounded paths, clipping, fills, the
// edge fade, pens and outlines, the window shadow and the two window-shape
// services (rounded region for opaque windows, blur-behind for translucent ones).
//
// Colours named `argb` are GDI+ ARGB values (see ToArgb); colours named
// `colour` are 0x00BBGGRR values that the routine gives its own alphas.
#include <windows.h>

#include <cstdint>
#include <optional>

#include "toolkit/core/Gdip.h"
#include "toolkit/draw/Colour.h"
#include "toolkit/draw/GdipOwners.h"
#include "toolkit/draw/Geometry.h"

// --- clipping -------------------------------------------------------------
void ClipRect(GpGraphics* graphics, const RectF& rect,
              Gdiplus::CombineMode mode = Gdiplus::CombineModeReplace);
void ClipPath(GpGraphics* graphics, GpPath* path,
              Gdiplus::CombineMode mode = Gdiplus::CombineModeReplace);
void ResetClip(GpGraphics* graphics);

// --- paths and fills ------------------------------------------------------
// A closed figure of four d x d corner arcs over `rect`; d is the corner's
// diameter, not its radius. The right and bottom arcs end one pixel inside
// the rectangle, so corner size 1 gives a rectangle one pixel smaller there.
UniqueGpPath RoundedPath(const RectF& rect, float cornerSize,
                         Gdiplus::FillMode fillMode = Gdiplus::FillModeAlternate);
void FillRoundedPath(GpGraphics* graphics, const RectF& rect, float cornerSize, Gdiplus::ARGB argb);
// A linear gradient over `rect` (tiled flip-XY), filling (x, y, w - 1, h - 1).
void GradientFill(GpGraphics* graphics, const RectF& rect, Gdiplus::ARGB argb1, Gdiplus::ARGB argb2,
                  Gdiplus::LinearGradientMode mode = Gdiplus::LinearGradientModeVertical);

// Blends the chosen edges of what is drawn inside `rect` into `colour` with
// gradient bands `fadeSize` (100 when omitted) wide, or half the rectangle
// when it is not wider than that.
void EdgeFade(GpGraphics* graphics, const RectF& rect, COLORREF colour,
              std::optional<float> fadeSize, bool top, bool left, bool bottom, bool right);

// --- pens and outlines ----------------------------------------------------
UniqueGpPen MakePen(Gdiplus::ARGB argb, float width = 1.0f);
void StrokeLine(GpGraphics* graphics, Gdiplus::ARGB argb, float x1, float y1, float x2, float y2,
                float width = 1.0f);
void DrawPathOutline(GpGraphics* graphics, GpPath* path, Gdiplus::ARGB argb, float width = 1.0f);
void RoundedOutline(GpGraphics* graphics, const RectF& rect, float cornerSize, Gdiplus::ARGB argb,
                    float width = 1.0f);

// Rectangle outline styles of frames and boxes.
enum RectOutlineStyle : std::uint32_t {
    kOutlineNone = 0,
    kOutlineSunken = 1,
    kOutlineRaised = 2,
    kOutlineGrey = 3,    // plain rectangle, grey 0x646464 unless a colour is given
    kOutlineDashed = 4,  // dashed rectangle, black at alpha 120 unless a colour is given
};
// `style` 0..4 selects a style above; any other value is itself the ARGB
// colour of a plain one-pixel rectangle (x, y, w - 1, h - 1).
void RectOutline(GpGraphics* graphics, const RectF& rect, std::uint32_t style,
                 std::optional<Gdiplus::ARGB> argb = std::nullopt,
                 std::optional<float> width = std::nullopt);

// The soft shadow of translucent windows: a line under the frame and three
// fading rings outside `frame`, in `colour` (usually black).
void FrameShadow(GpGraphics* graphics, const RectF& frame, bool rounded, COLORREF colour);

// --- window shape ---------------------------------------------------------
// Gives the window the round-rectangle region (inset, inset)-(W - inset + 1,
// H - inset + 1) with corner ellipse `corner` x `corner`; the window then owns
// the region. False when the region cannot be made.
bool SetRoundRegion(HWND window, int width, int height, int inset, int corner);

// Asks the desktop compositor to blur what lies behind the window's body.
// Returns whether composition is on (always false before Windows Vista).
bool EnableBlurBehind(HWND window, int width, int height);
