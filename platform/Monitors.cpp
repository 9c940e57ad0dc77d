#include "platform/Monitors.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "platform/Dpi.h"

namespace monitors {
namespace {

std::vector<Monitor> fedLayout;

BOOL CALLBACK Collect(HMONITOR handle, HDC, LPRECT, LPARAM param) {
    auto& found = *reinterpret_cast<std::vector<Monitor>*>(param);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(handle, &info))
        found.push_back(
            {info.rcMonitor, (info.dwFlags & MONITORINFOF_PRIMARY) != 0, dpi::ForMonitor(handle)});
    return TRUE;
}

std::int64_t Overlap(const RECT& a, const RECT& b) {
    const std::int64_t w = std::min(a.right, b.right) - std::max(a.left, b.left);
    const std::int64_t h = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return w > 0 && h > 0 ? w * h : 0;
}

// Squared distance between the rectangles' nearest points.
std::int64_t Distance(const RECT& a, const RECT& b) {
    const std::int64_t dx = std::max<std::int64_t>({0, b.left - a.right, a.left - b.right});
    const std::int64_t dy = std::max<std::int64_t>({0, b.top - a.bottom, a.top - b.bottom});
    return dx * dx + dy * dy;
}

}  // namespace

std::vector<Monitor> All() {
    if (!fedLayout.empty()) return fedLayout;
    std::vector<Monitor> found;
    EnumDisplayMonitors(nullptr, nullptr, Collect, reinterpret_cast<LPARAM>(&found));
    std::stable_partition(found.begin(), found.end(), [](const Monitor& m) { return m.primary; });
    if (found.empty() || !found.front().primary) {
        found.insert(
            found.begin(),
            Monitor{{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, true});
    }
    return found;
}

Monitor MonitorHolding(const RECT& area) {
    const std::vector<Monitor> all = All();
    const Monitor* best = &all.front();
    std::int64_t bestOverlap = 0;
    std::int64_t bestDistance = std::numeric_limits<std::int64_t>::max();
    for (const Monitor& m : all) {
        const std::int64_t overlap = Overlap(m.rect, area);
        const std::int64_t distance = Distance(m.rect, area);
        if (overlap > bestOverlap ||
            (bestOverlap == 0 && overlap == 0 && distance < bestDistance)) {
            best = &m;
            bestOverlap = overlap;
            bestDistance = distance;
        }
    }
    Monitor found = *best;
    if (!found.dpi) found.dpi = dpi::ForSystem();
    return found;
}

Monitor MonitorHolding(HWND window) {
    RECT area{};
    if (window && GetWindowRect(window, &area)) return MonitorHolding(area);
    Monitor primary = All().front();
    if (!primary.dpi) primary.dpi = dpi::ForSystem();
    return primary;
}

RECT Holding(const RECT& area) {
    return MonitorHolding(area).rect;
}

RECT Holding(HWND window) {
    return MonitorHolding(window).rect;
}

void SetLayout(std::vector<Monitor> layout) {
    fedLayout = std::move(layout);
}

}  // namespace monitors
