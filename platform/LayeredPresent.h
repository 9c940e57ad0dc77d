#pragma once
// Handing a layered window its picture: what the start window's host and the
// skin layer both do at the end of every frame.
#include <windows.h>

// `source` holds premultiplied 32-bit pixels of the window's whole `size`.
// With `dirty`, only that rectangle changed, so the system need copy just that
// part; some systems refuse a dirty rectangle, and the whole window is then
// presented instead. Whether the window took the picture.
inline bool PresentLayered(HWND window, HDC source, SIZE size, const RECT* dirty) {
    POINT origin{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UPDATELAYEREDWINDOWINFO info{};
    info.cbSize = sizeof(info);
    info.psize = &size;
    info.hdcSrc = source;
    info.pptSrc = &origin;
    info.pblend = &blend;
    info.dwFlags = ULW_ALPHA;
    info.prcDirty = dirty;
    if (UpdateLayeredWindowIndirect(window, &info)) return true;
    if (!dirty) return false;
    info.prcDirty = nullptr;
    return UpdateLayeredWindowIndirect(window, &info) != FALSE;
}
