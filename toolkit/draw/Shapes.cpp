#include "toolkit/draw/Shapes.h"

#include <dwmapi.h>

#include "platform/Handle.h"
#include "toolkit/core/Toolkit.h"

namespace {

const Gdiplus::ARGB kBlack160 = 0xA0000000;  // ToArgb(black, 160)
const Gdiplus::ARGB kBlack168 = 0xA8000000;
const Gdiplus::ARGB kWhite245 = 0xF5FFFFFF;
const Gdiplus::ARGB kGrey = 0xFE646464;       // ToArgb(0x646464, 255)
const Gdiplus::ARGB kDashBlack = 0x78000000;  // black at alpha 120

void Line(GpGraphics* graphics, GpPen* pen, float x1, float y1, float x2, float y2) {
    if (pen) gp::GdipDrawLine(graphics, pen, x1, y1, x2, y2);
}

void Rectangle(GpGraphics* graphics, GpPen* pen, const RectF& r) {
    if (pen) gp::GdipDrawRectangle(graphics, pen, r.X, r.Y, r.Width - 1, r.Height - 1);
}

}  // namespace

void ClipRect(GpGraphics* graphics, const RectF& rect, Gdiplus::CombineMode mode) {
    gp::GdipSetClipRect(graphics, rect.X, rect.Y, rect.Width, rect.Height, mode);
}

void ClipPath(GpGraphics* graphics, GpPath* path, Gdiplus::CombineMode mode) {
    if (path) gp::GdipSetClipPath(graphics, path, mode);
}

void ResetClip(GpGraphics* graphics) {
    gp::GdipResetClip(graphics);
}

UniqueGpPath RoundedPath(const RectF& rect, float cornerSize, Gdiplus::FillMode fillMode) {
    UniqueGpPath path;
    gp::GdipCreatePath(fillMode, path.put());
    if (!path) return path;
    const float d = cornerSize;
    const float right = rect.X + rect.Width - d - 1;
    const float bottom = rect.Y + rect.Height - d - 1;
    gp::GdipAddPathArc(path.get(), rect.X, rect.Y, d, d, 180, 90);
    gp::GdipAddPathArc(path.get(), right, rect.Y, d, d, 270, 90);
    gp::GdipAddPathArc(path.get(), right, bottom, d, d, 0, 90);
    gp::GdipAddPathArc(path.get(), rect.X, bottom, d, d, 90, 90);
    gp::GdipClosePathFigure(path.get());
    return path;
}

void FillRoundedPath(GpGraphics* graphics, const RectF& rect, float cornerSize,
                     Gdiplus::ARGB argb) {
    UniqueGpBrush brush = MakeSolidBrush(argb);
    UniqueGpPath path = RoundedPath(rect, cornerSize);
    if (brush && path) gp::GdipFillPath(graphics, brush.get(), path.get());
}

void GradientFill(GpGraphics* graphics, const RectF& rect, Gdiplus::ARGB argb1, Gdiplus::ARGB argb2,
                  Gdiplus::LinearGradientMode mode) {
    Gdiplus::GpLineGradient* gradient = nullptr;
    gp::GdipCreateLineBrushFromRect(&rect, argb1, argb2, mode, Gdiplus::WrapModeTileFlipXY,
                                    &gradient);
    UniqueGpBrush brush(gradient);
    if (brush)
        gp::GdipFillRectangle(graphics, brush.get(), rect.X, rect.Y, rect.Width - 1,
                              rect.Height - 1);
}

void EdgeFade(GpGraphics* graphics, const RectF& rect, COLORREF colour,
              std::optional<float> fadeSize, bool top, bool left, bool bottom, bool right) {
    const float s = fadeSize.value_or(100.0f);
    // A band never covers more than half of a rectangle that is not wider than it.
    const float fw =
        static_cast<float>(static_cast<int>(rect.Width - s > 1e-7f ? s : rect.Width / 2));
    const float fh =
        static_cast<float>(static_cast<int>(rect.Height - s > 1e-7f ? s : rect.Height / 2));
    const Gdiplus::ARGB solid = ToArgb(colour, 255);
    const Gdiplus::ARGB clear = ToArgb(colour, 0);
    const float x = rect.X, y = rect.Y, w = rect.Width, h = rect.Height;
    if (top) GradientFill(graphics, RectF(x, y, w, fh), solid, clear);
    if (left)
        GradientFill(graphics, RectF(x, y, fw, h), solid, clear,
                     Gdiplus::LinearGradientModeHorizontal);
    if (bottom) GradientFill(graphics, RectF(x, y + h - fh, w, fh + 1), clear, solid);
    if (right)
        GradientFill(graphics, RectF(x + w - fw, y, fw + 1, h), clear, solid,
                     Gdiplus::LinearGradientModeHorizontal);
}

UniqueGpPen MakePen(Gdiplus::ARGB argb, float width) {
    UniqueGpPen pen;
    gp::GdipCreatePen1(argb, width, Gdiplus::UnitWorld, pen.put());
    return pen;
}

void StrokeLine(GpGraphics* graphics, Gdiplus::ARGB argb, float x1, float y1, float x2, float y2,
                float width) {
    Line(graphics, MakePen(argb, width).get(), x1, y1, x2, y2);
}

void DrawPathOutline(GpGraphics* graphics, GpPath* path, Gdiplus::ARGB argb, float width) {
    UniqueGpPen pen = MakePen(argb, width);
    if (pen && path) gp::GdipDrawPath(graphics, pen.get(), path);
}

void RoundedOutline(GpGraphics* graphics, const RectF& rect, float cornerSize, Gdiplus::ARGB argb,
                    float width) {
    UniqueGpPath path = RoundedPath(rect, cornerSize);
    DrawPathOutline(graphics, path.get(), argb, width);
}

void RectOutline(GpGraphics* graphics, const RectF& rect, std::uint32_t style,
                 std::optional<Gdiplus::ARGB> argb, std::optional<float> width) {
    const float b = width.value_or(1.0f);
    const float e = b / 2;
    const float x = rect.X, y = rect.Y, w = rect.Width, h = rect.Height;
    switch (style) {
        case kOutlineNone:
            return;
        case kOutlineSunken: {
            UniqueGpPen shade = MakePen(kBlack160, b);
            Line(graphics, shade.get(), x, y, x + w - 1, y);
            Line(graphics, shade.get(), x, y, x, y + h - 1);
            UniqueGpPen light = MakePen(kWhite245, e);
            Line(graphics, light.get(), x, y + h - 1, x + w - 1, y + h - 1);
            Line(graphics, light.get(), x + w - 1, y, x + w - 1, y + h - 1);
            return;
        }
        case kOutlineRaised: {
            UniqueGpPen light = MakePen(kWhite245, e);
            Line(graphics, light.get(), x, y, x + w - 2, y);
            Line(graphics, light.get(), x, y, x, y + h - 2);
            UniqueGpPen shade = MakePen(kBlack168, b);
            Line(graphics, shade.get(), x, y + h - 1, x + w - 1, y + h - 1);
            Line(graphics, shade.get(), x + w - 1, y, x + w - 1, y + h - 2);
            return;
        }
        case kOutlineGrey:
            Rectangle(graphics, MakePen(argb.value_or(kGrey), b).get(), rect);
            return;
        case kOutlineDashed: {
            UniqueGpPen pen = MakePen(argb.value_or(kDashBlack), b);
            if (pen) gp::GdipSetPenDashStyle(pen.get(), Gdiplus::DashStyleDash);
            Rectangle(graphics, pen.get(), rect);
            return;
        }
        default:
            Rectangle(graphics, MakePen(style, b).get(), rect);
            return;
    }
}

void FrameShadow(GpGraphics* graphics, const RectF& frame, bool rounded, COLORREF colour) {
    static const float kRoundCorners[3] = {11, 14, 17};
    static const float kSquareCorners[3] = {4, 7, 11};
    static const int kRingAlpha[3] = {55, 25, 10};
    RectF r = OffsetRectF(frame, 0, 0, 0, 1);
    // The line under the frame takes the width and height as its end
    // coordinates: the frame sits 5 pixels in from the window's corner.
    const float lineY = r.Height + 4;
    if (rounded)
        StrokeLine(graphics, ToArgb(colour, 75), r.X + 2, lineY, r.Width + 2, lineY);
    else
        StrokeLine(graphics, ToArgb(colour, 75), r.X, lineY, r.Width + 4, lineY);
    for (int k = 0; k < 3; ++k) {
        r = OffsetRectF(r, -1, -1, 2, 2);
        RoundedOutline(graphics, r, rounded ? kRoundCorners[k] : kSquareCorners[k],
                       ToArgb(colour, kRingAlpha[k]));
    }
}

bool SetRoundRegion(HWND window, int width, int height, int inset, int corner) {
    UniqueRegion region(
        CreateRoundRectRgn(inset, inset, width - inset + 1, height - inset + 1, corner, corner));
    if (!region) return false;
    // On success the region belongs to the window; otherwise it is still ours.
    if (SetWindowRgn(window, region.get(), TRUE)) region.release();
    return true;
}

bool EnableBlurBehind(HWND window, int width, int height) {
    if (OsMajorVersion <= 5) return false;
    BOOL composition = FALSE;
    if (FAILED(DwmIsCompositionEnabled(&composition)) || !composition) return false;
    UniqueRegion region(CreateRoundRectRgn(6, 6, width - 5, height - 5, 6, 6));
    DWM_BLURBEHIND blur{};
    blur.dwFlags = DWM_BB_ENABLE | DWM_BB_BLURREGION;
    blur.fEnable = TRUE;
    blur.hRgnBlur = region.get();
    blur.fTransitionOnMaximized = FALSE;
    DwmEnableBlurBehindWindow(window, &blur);
    return true;
}
