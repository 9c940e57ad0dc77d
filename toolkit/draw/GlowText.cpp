#include "toolkit/draw/GlowText.h"

#include "toolkit/draw/DeviceScale.h"
#include "toolkit/draw/GdipOwners.h"

namespace {

// The halo bitmaps are (rect + 7) in each direction: the text sits at (4, 4)
// and its one-pixel-thickened copies reach from 3 to 5.
constexpr float kHaloMargin = 7.0f;
constexpr float kHaloOrigin = 4.0f;
// Larger halo bitmaps are refused: no caption needs them, and a rectangle
// from garbage would otherwise ask GDI+ for gigabytes.
constexpr float kMaxHaloSide = 16384.0f;

bool UsableSide(float side) {
    // Written so that NaN fails too.
    return side >= 1.0f && side <= kMaxHaloSide;
}

}  // namespace

Gdiplus::ARGB DefaultHaloColour(Gdiplus::ARGB textColour) {
    const double brightness = 0.299 * ((textColour >> 16) & 0xFF) +
                              0.587 * ((textColour >> 8) & 0xFF) + 0.114 * (textColour & 0xFF);
    return brightness < 192 ? 0x55FFFFFFu : 0x4B000000u;
}

void DrawHalo(GpGraphics* graphics, const RectF& rect, const std::wstring& text, GpFont* font,
              GpStringFormat* format, Gdiplus::ARGB haloColour, int scale) {
    if (!graphics || !font || scale < 1) return;
    const float sideA = rect.Width + kHaloMargin;
    const float sideB = rect.Height + kHaloMargin;
    // The halo is made at the device resolution `graphics` draws at, so it
    // is as fine at 200 % as at 100 %; its offsets stay in units.
    const DeviceScale device = DeviceScale::Of(graphics);
    const float pixelsA = sideA * device.Factor();
    const float pixelsB = sideB * device.Factor();
    if (!UsableSide(pixelsA) || !UsableSide(pixelsB)) return;
    const int widthA = static_cast<int>(pixelsA);
    const int heightA = static_cast<int>(pixelsB);
    const int widthB = static_cast<int>(pixelsA / static_cast<float>(scale));
    const int heightB = static_cast<int>(pixelsB / static_cast<float>(scale));
    if (widthB < 1 || heightB < 1) return;

    // A: the text drawn five times, one pixel apart, centred at (4, 4).
    ArgbCanvas a = ArgbCanvas::Create(widthA, heightA);
    if (!a.graphics) return;
    device.Apply(a.graphics.get());
    gp::GdipSetSmoothingMode(a.graphics.get(), Gdiplus::SmoothingModeAntiAlias);
    gp::GdipSetTextRenderingHint(a.graphics.get(), Gdiplus::TextRenderingHintAntiAliasGridFit);
    UniqueGpBrush brush = MakeSolidBrush(haloColour);
    static constexpr float kOffsets[5][2] = {{5, 4}, {3, 4}, {4, 3}, {4, 5}, {4, 4}};
    for (const auto& offset : kOffsets) {
        const RectF box(offset[0], offset[1], rect.Width, rect.Height);
        gp::GdipDrawString(a.graphics.get(), text.c_str(), -1, font, &box, format, brush.get());
    }

    // B: A shrunk by the scale; stretching it back blurs the thickened text.
    ArgbCanvas b = ArgbCanvas::Create(widthB, heightB);
    if (!b.graphics) return;
    gp::GdipSetSmoothingMode(b.graphics.get(), Gdiplus::SmoothingModeAntiAlias);
    gp::GdipSetCompositingQuality(b.graphics.get(), Gdiplus::CompositingQualityGammaCorrected);
    gp::GdipSetInterpolationMode(b.graphics.get(), Gdiplus::InterpolationModeHighQualityBilinear);
    gp::GdipDrawImageRectRect(b.graphics.get(), a.bitmap.get(), 0, 0, static_cast<float>(widthB),
                              static_cast<float>(heightB), 0, 0, static_cast<float>(widthA),
                              static_cast<float>(heightA), Gdiplus::UnitPixel, nullptr, nullptr,
                              nullptr);
    gp::GdipFlush(b.graphics.get(), Gdiplus::FlushIntentionSync);
    gp::GdipDrawImageRectRect(graphics, b.bitmap.get(), rect.X - kHaloOrigin, rect.Y - kHaloOrigin,
                              sideA, sideB, 0, 0, static_cast<float>(widthB),
                              static_cast<float>(heightB), Gdiplus::UnitPixel, nullptr, nullptr,
                              nullptr);
}

void DrawGlowText(GpGraphics* graphics, const RectF& rect, const std::wstring& text, GpFont* font,
                  Gdiplus::ARGB textColour, GpStringFormat* format, int style,
                  std::optional<Gdiplus::ARGB> haloColour) {
    if (!graphics || !font || text.empty()) return;
    const Gdiplus::ARGB halo = haloColour.value_or(DefaultHaloColour(textColour));
    if (style == kGlowBlurred)
        DrawHalo(graphics, rect, text, font, format, halo, 3);
    else if (style == kGlowOutline)
        DrawHalo(graphics, rect, text, font, format, halo, 1);
    UniqueGpBrush brush = MakeSolidBrush(textColour);
    gp::GdipDrawString(graphics, text.c_str(), -1, font, &rect, format, brush.get());
}
