#pragma once
// The header of a 32-bit, uncompressed DIB: what every buffer, snapshot and
// pixel read-back of the program uses.
#include <windows.h>

#include "platform/PixelSize.h"

// Top-down rows (row 0 at the top, as GDI+ writes them) unless told otherwise.
inline BITMAPINFO Argb32Info(int width, int height, bool topDown = true) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = topDown ? -height : height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    // 0 (the system works it out) for a size past the pixel limit, never a
    // wrapped count.
    info.bmiHeader.biSizeImage = static_cast<DWORD>(PixelBytes(width, height));
    return info;
}
