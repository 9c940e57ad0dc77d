#pragma once
// Application colours are Windows COLORREFs (0x00BBGGRR); GDI+ wants ARGB.
#include <windows.h>

#include <optional>

#include "toolkit/core/Gdip.h"
#include "toolkit/draw/GdipOwners.h"

// (alpha << 24) | RR << 16 | GG << 8 | BB. Without an alpha the colour is 254
// opaque, and 255 is stored as 254 too: the toolkit never sees alpha 255 from
// this conversion. Alphas outside 0..255 are clamped.
Gdiplus::ARGB ToArgb(COLORREF colour, std::optional<int> alpha = std::nullopt);

// The 0x00BBGGRR colour of an ARGB value (alpha dropped).
COLORREF ArgbToColour(Gdiplus::ARGB argb);

// The 5 x 5 identity with entry (3, 3) = alpha / 255: scales a picture's alpha.
Gdiplus::ColorMatrix AlphaMatrix(int alpha);

// Fresh image attributes carrying AlphaMatrix(alpha) for bitmaps.
UniqueGpImageAttributes AlphaAttributes(int alpha);
