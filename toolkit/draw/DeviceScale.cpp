#include "toolkit/draw/DeviceScale.h"

#include <algorithm>
#include <cmath>

#include "toolkit/draw/ImageDraw.h"

namespace {

constexpr float kBaseDpi = 96.0f;

LONG Nearest(float value) {
    return static_cast<LONG>(std::lround(value));
}

// Resets `graphics` to device space while alive, then puts its transform back.
class DeviceSpace {
public:
    explicit DeviceSpace(GpGraphics* graphics) : graphics_(graphics) {
        gp::GdipCreateMatrix(&saved_);
        if (saved_) gp::GdipGetWorldTransform(graphics_, saved_);
        gp::GdipResetWorldTransform(graphics_);
    }
    ~DeviceSpace() {
        if (saved_) {
            gp::GdipSetWorldTransform(graphics_, saved_);
            gp::GdipDeleteMatrix(saved_);
        }
    }
    DeviceSpace(const DeviceSpace&) = delete;
    DeviceSpace& operator=(const DeviceSpace&) = delete;

private:
    GpGraphics* graphics_;
    Gdiplus::GpMatrix* saved_ = nullptr;
};

bool WholePixels(const RectF& r) {
    return r.X == std::floor(r.X) && r.Y == std::floor(r.Y) && r.Width == std::floor(r.Width) &&
           r.Height == std::floor(r.Height);
}

}  // namespace

DeviceScale DeviceScale::ForDpi(UINT dpi) {
    return DeviceScale(dpi ? static_cast<float>(dpi) / kBaseDpi : 1.0f);
}

DeviceScale DeviceScale::Of(GpGraphics* graphics) {
    if (!graphics) return {};
    Gdiplus::GpMatrix* matrix = nullptr;
    if (gp::GdipCreateMatrix(&matrix) != Gdiplus::Ok) return {};
    float m[6] = {1, 0, 0, 1, 0, 0};
    if (gp::GdipGetWorldTransform(graphics, matrix) == Gdiplus::Ok)
        gp::GdipGetMatrixElements(matrix, m);
    gp::GdipDeleteMatrix(matrix);
    return DeviceScale(std::fabs(m[0]));
}

int DeviceScale::Pixels(float units) const {
    return static_cast<int>(Nearest(units * factor_));
}

RECT DeviceScale::Edges(const RectF& r) const {
    const LONG left = Nearest(r.X * factor_);
    const LONG top = Nearest(r.Y * factor_);
    return {left, top, left + Nearest(r.Width * factor_), top + Nearest(r.Height * factor_)};
}

RECT DeviceScale::Covering(const RectF& r) const {
    // A hair of tolerance: 13 units at 1.5 is 19.5 exactly, not 19.5000001.
    constexpr float kSlack = 1e-4f;
    return {static_cast<LONG>(std::floor(r.X * factor_ + kSlack)),
            static_cast<LONG>(std::floor(r.Y * factor_ + kSlack)),
            static_cast<LONG>(std::ceil((r.X + r.Width) * factor_ - kSlack)),
            static_cast<LONG>(std::ceil((r.Y + r.Height) * factor_ - kSlack))};
}

RectF DeviceScale::Outward(const RectF& r) const {
    const RECT d = Covering(r);
    return RectF(Units(static_cast<float>(d.left)), Units(static_cast<float>(d.top)),
                 Units(static_cast<float>(d.right - d.left)),
                 Units(static_cast<float>(d.bottom - d.top)));
}

void DeviceScale::Apply(GpGraphics* graphics) const {
    if (!graphics) return;
    gp::GdipResetWorldTransform(graphics);
    if (!IsOne())
        gp::GdipScaleWorldTransform(graphics, factor_, factor_, Gdiplus::MatrixOrderPrepend);
}

void DrawSurface(GpGraphics* graphics, GpImage* surface, const RectF& rect, int alpha,
                 const DeviceScale& scale, const RectF* dirty, const PixelTarget* direct) {
    if (!graphics || !surface || alpha <= 0) return;
    if (direct && *direct && alpha >= 255 && (!scale.IsOne() || WholePixels(rect))) {
        const RECT at = scale.Edges(rect);
        RECT part = at;
        const RECT wanted = dirty ? scale.Covering(*dirty) : at;
        if (!IntersectRect(&part, &at, &wanted)) return;
        // Reading the clip back costs about as much as GDI+ spends on a strip
        // of text or a caret: only larger areas are worth it.
        constexpr LONG kDirectArea = 128 * 128;
        if ((part.right - part.left) * (part.bottom - part.top) >= kDirectArea &&
            BlendThroughClip(graphics, *direct, static_cast<GpBitmap*>(surface),
                             PixelFormat32bppARGB, at.left, at.top, part))
            return;
    }
    if (scale.IsOne() && (alpha < 255 || !dirty || !WholePixels(rect))) {
        // At 96 DPI units are device pixels: the surface goes on as it is.
        DrawImageAlpha(graphics, surface, rect, alpha);
        return;
    }
    const RECT at = scale.Edges(rect);
    RECT part = at;
    if (dirty && alpha >= 255) {
        // Wine's GDI+ works through every source pixel of a drawn image before
        // it clips, so a one-line strip of a large surface would cost as much
        // as all of it: only the part under the dirty rectangle is drawn.
        const RECT wanted = scale.Covering(*dirty);
        if (!IntersectRect(&part, &at, &wanted)) return;
    }
    const auto f = [](LONG v) { return static_cast<float>(v); };
    DeviceSpace device(graphics);
    const RectF target(f(part.left), f(part.top), f(part.right - part.left),
                       f(part.bottom - part.top));
    if (alpha >= 255)
        DrawImageAttr(
            graphics, surface, target,
            RectF(f(part.left - at.left), f(part.top - at.top), target.Width, target.Height),
            nullptr);
    else
        DrawImageAlpha(graphics, surface, target, alpha);
}
