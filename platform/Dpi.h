#pragma once
// Display scale. Sizes and places the program describes are units, pixels at
// 96 DPI; a window's device pixels are units × its DPI / 96. The per-monitor
// functions appeared after Windows 7 and are looked up at run time: where
// they are missing, the system DPI (GetDeviceCaps) holds for every window.
#include <windows.h>

namespace dpi {

inline constexpr UINT kBase = 96;

// Asks for per-monitor awareness (v2, then v1, then system) for a process
// whose manifest did not already; harmless when it did.
void BecomeAware();

// The system DPI: GetDpiForSystem, else LOGPIXELSX of the screen.
UINT ForSystem();

// The DPI `window` is drawn at: GetDpiForWindow, else its monitor's, else
// the system's. A null or dead window answers the system DPI.
UINT ForWindow(HWND window);

// The effective DPI of `monitor` (shcore's GetDpiForMonitor), else the
// system's.
UINT ForMonitor(HMONITOR monitor);

// AdjustWindowRectExForDpi where it exists, else AdjustWindowRectEx (whose
// frame then follows the system DPI, as the system draws it).
BOOL AdjustWindowRect(RECT* rect, DWORD style, BOOL menu, DWORD exStyle, UINT dpi);

// Units to device pixels and back, rounded to the nearest pixel.
inline int ToDevice(int units, UINT dpi) {
    return MulDiv(units, static_cast<int>(dpi), kBase);
}
inline int ToUnits(int device, UINT dpi) {
    return dpi ? MulDiv(device, kBase, static_cast<int>(dpi)) : device;
}
inline double Scale(UINT dpi) {
    return dpi ? dpi / static_cast<double>(kBase) : 1.0;
}

}  // namespace dpi
