#pragma once
// Handing a layered window its picture: what the start window's host and the
// skin layer both do at the end of every frame.
#include <windows.h>

#include <atomic>

// The handing-over itself; PresentLayered below times it.
inline bool PresentLayeredNow(HWND window, HDC source, SIZE size, const RECT* dirty) {
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

// Performance-counter ticks spent in PresentLayered, summed over the process:
// a benchmark reads it before and after a frame to take the frame's own work
// apart from its present, in the same frame.
inline std::atomic<long long>& LayeredPresentTicks() {
    static std::atomic<long long> ticks{0};
    return ticks;
}

// `source` holds premultiplied 32-bit pixels of the window's whole `size`.
// With `dirty`, only that rectangle changed, so the system need copy just that
// part; some systems refuse a dirty rectangle, and the whole window is then
// presented instead. Whether the window took the picture.
inline bool PresentLayered(HWND window, HDC source, SIZE size, const RECT* dirty) {
    LARGE_INTEGER start{}, end{};
    QueryPerformanceCounter(&start);
    const bool taken = PresentLayeredNow(window, source, size, dirty);
    QueryPerformanceCounter(&end);
    LayeredPresentTicks() += end.QuadPart - start.QuadPart;
    return taken;
}
