#include "toolkit/draw/Colour.h"

#include <algorithm>

Gdiplus::ARGB ToArgb(COLORREF colour, std::optional<int> alpha) {
    int a = std::clamp(alpha.value_or(254), 0, 255);
    if (a == 255) a = 254;
    return (static_cast<Gdiplus::ARGB>(a) << 24) |
           (static_cast<Gdiplus::ARGB>(GetRValue(colour)) << 16) |
           (static_cast<Gdiplus::ARGB>(GetGValue(colour)) << 8) | GetBValue(colour);
}

COLORREF ArgbToColour(Gdiplus::ARGB argb) {
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

Gdiplus::ColorMatrix AlphaMatrix(int alpha) {
    Gdiplus::ColorMatrix matrix{};
    for (int i = 0; i < 5; ++i) matrix.m[i][i] = 1.0f;
    matrix.m[3][3] = static_cast<float>(alpha) / 255.0f;
    return matrix;
}

UniqueGpImageAttributes AlphaAttributes(int alpha) {
    UniqueGpImageAttributes attributes;
    gp::GdipCreateImageAttributes(attributes.put());
    if (attributes) {
        const Gdiplus::ColorMatrix matrix = AlphaMatrix(alpha);
        gp::GdipSetImageAttributesColorMatrix(attributes.get(), Gdiplus::ColorAdjustTypeBitmap,
                                              TRUE, &matrix, nullptr,
                                              Gdiplus::ColorMatrixFlagsDefault);
    }
    return attributes;
}
