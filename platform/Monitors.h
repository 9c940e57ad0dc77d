#pragma once
// The monitors of the desktop, and which one holds a window. Every "screen"
// the program draws on is one monitor's full rectangle (not its work area), in
// virtual-screen coordinates: the primary monitor starts at (0, 0), others may
// lie left of or above it.
#include <windows.h>

#include <vector>

namespace monitors {

struct Monitor {
    RECT rect{};
    bool primary = false;
    UINT dpi = 0;  // its effective DPI; 0 in a fed layout: the system's
};

// The system's monitors, the primary first. Never empty: without an answer
// from the system the primary screen's metrics stand in.
std::vector<Monitor> All();

// The monitor that holds most of `window` (by area of overlap); for a window
// on none of them, the nearest; the primary for a null or dead window.
RECT Holding(HWND window);

// The monitor holding most of `area`, nearest when it overlaps none.
RECT Holding(const RECT& area);

// The same monitors with their DPI (never 0).
Monitor MonitorHolding(HWND window);
Monitor MonitorHolding(const RECT& area);

// Test seam: All() answers `layout` instead of asking the system (the first
// entry is the primary; a DPI of 0 stands for the system's). An empty layout
// asks the system again.
void SetLayout(std::vector<Monitor> layout);

}  // namespace monitors
