#include "app/ShowLayout.h"

#include <algorithm>
#include <cmath>

#include "platform/Dpi.h"

namespace gift::layout {
namespace {

// The width and height the rows and the rose page were composed for.
constexpr double kComposedWidth = 1366.0;
constexpr double kComposedHeight = 768.0;

struct Offset {
    double x, y;
};

// The heart's outline in its own units, relative to the centre picture: it
// climbs 4 steps of (55, 65) up and out, runs 2 steps of 93 level, turns 3
// steps of (55, 65) down and out, then sweeps 6 steps of (93, 65) back across
// the centre line.
std::vector<Offset> HeartOutline() {
    std::vector<Offset> spots;
    spots.reserve(31);
    spots.push_back({0, 0});
    auto pair = [&spots](double l, double r, double y) {
        spots.push_back({l, y});
        spots.push_back({r, y});
    };
    double left = 0, right = 0, y = 0;
    for (int s = 1; s <= 4; ++s) pair(-55.0 * s, 55.0 * s, -65.0 * s);
    left -= 220;
    right += 220;
    y = -260;
    for (int s = 1; s <= 2; ++s) pair(left - 93.0 * s, right + 93.0 * s, y);
    left -= 186;
    right += 186;
    for (int s = 1; s <= 3; ++s) pair(left - 55.0 * s, right + 55.0 * s, y + 65.0 * s);
    y += 195;
    for (int s = 1; s <= 6; ++s) pair(left + 93.0 * s, right - 93.0 * s, y + 65.0 * s);
    return spots;
}

}  // namespace

RECT BigRose(int screenWidth, int screenHeight, int pictureWidth, int pictureHeight) {
    if (pictureWidth <= 0 || pictureHeight <= 0) return {0, 0, screenWidth, screenHeight};
    const double scale = std::max(static_cast<double>(screenWidth) / pictureWidth,
                                  static_cast<double>(screenHeight) / pictureHeight);
    // Never a pixel short of the screen through rounding.
    const int width = std::max(screenWidth, static_cast<int>(std::lround(pictureWidth * scale)));
    const int height = std::max(screenHeight, static_cast<int>(std::lround(pictureHeight * scale)));
    const int composedLeft = static_cast<int>(screenWidth / 10.0 * -1.42);
    const int left = std::clamp(composedLeft, screenWidth - width, 0);
    const int top = (screenHeight - height) / 2;
    return {left, top, left + width, top + height};
}

std::vector<POINT> HeartPositions(int screenWidth, int screenHeight, int pictureWidth,
                                  int pictureHeight) {
    const std::vector<Offset> outline = HeartOutline();
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (const Offset& o : outline) {
        minX = std::min(minX, o.x);
        maxX = std::max(maxX, o.x);
        minY = std::min(minY, o.y);
        maxY = std::max(maxY, o.y);
    }
    // A margin of the shorter side: a portrait screen's width needs it as much.
    const double margin = std::min(screenWidth, screenHeight) / 20.0;
    const double fitHeight = (screenHeight - 2 * margin - pictureHeight) / (maxY - minY);
    const double fitWidth = (screenWidth - 2 * margin - pictureWidth) / (maxX - minX);
    const double scale = std::max(0.0, std::min(fitHeight, fitWidth));
    // The outline with a picture at each place, centred on the screen.
    const double originX = (screenWidth - pictureWidth - scale * (minX + maxX)) / 2;
    const double originY = (screenHeight - pictureHeight - scale * (minY + maxY)) / 2;
    std::vector<POINT> spots;
    spots.reserve(outline.size());
    for (const Offset& o : outline)
        spots.push_back({static_cast<LONG>(std::lround(originX + scale * o.x)),
                         static_cast<LONG>(std::lround(originY + scale * o.y))});
    return spots;
}

POINT FlowerRowPlace(int n, int sourceWidth, int sourceTop, int screenWidth, int screenHeight,
                     UINT dpi) {
    // Composed in units; the units' screen is the device screen / scale, so
    // the scale cancels out of the stretch.
    const int composedLeft = n * (dpi::ToUnits(sourceWidth, dpi) + n + 130);
    const int left = static_cast<int>(composedLeft * screenWidth / kComposedWidth);
    // A narrow screen squeezes the places closer than the boxes are wide.
    return {static_cast<LONG>(std::clamp(left, 0, std::max(0, screenWidth - sourceWidth))),
            static_cast<LONG>(dpi::ToUnits(sourceTop, dpi) * screenHeight / kComposedHeight)};
}

int BottomRowLeft(int i, int pictureWidth, int screenWidth) {
    const int span = std::max(0, screenWidth - pictureWidth);
    return (i - 1) * span / 9;
}

POINT PoemPanelStart(int panelWidth, int screenWidth, int screenHeight) {
    return {(screenWidth - panelWidth) / 2, screenHeight};
}

}  // namespace gift::layout
