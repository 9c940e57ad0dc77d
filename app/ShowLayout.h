#pragma once
// Where the rose page's pictures, its rows and the words page's poem stand on
// a screen of a given size (device pixels of a page that covers the screen;
// pictures at their size for its scale).
// The pages were composed for 1366 × 768; on other sizes the big rose covers
// the screen, the heart is scaled to fit it and the rows are spread across it.
#include <windows.h>

#include <vector>

namespace gift::layout {

// The rectangle the big rose is drawn into: the picture's own aspect, just
// large enough to cover the screen; its left edge as far left of the screen
// as -0.142 × width where the picture is wide enough, else flush; cut evenly
// at the top and bottom. An empty picture gets the screen itself.
RECT BigRose(int screenWidth, int screenHeight, int pictureWidth, int pictureHeight);

// The 31 places (top-left corners) of a heart's pictures in drawing order:
// the centre, then pairs (left, right) up and out, level, down, and back
// across the centre line. The outline is scaled to fit the screen with a
// margin (in height, and in width on narrow screens) and centred with a
// picture of the given size at each place.
std::vector<POINT> HeartPositions(int screenWidth, int screenHeight, int pictureWidth,
                                  int pictureHeight);

// Copy `n` (1..4) of a flower box whose source is `sourceWidth` wide and
// `sourceTop` down: the 1366 × 768 place n × (width + n + 130) in units,
// stretched to the screen in both directions, and kept on it. Everything in
// device pixels of a page at `dpi`.
POINT FlowerRowPlace(int n, int sourceWidth, int sourceTop, int screenWidth, int screenHeight,
                     UINT dpi = 96);

// Left edge of picture `i` (1..10) of the countdown's bottom row: the first
// at the left edge, the last at the right, the others evenly between.
int BottomRowLeft(int i, int pictureWidth, int screenWidth);

// The words page's poem panel: centred across the screen, starting just below it.
POINT PoemPanelStart(int panelWidth, int screenWidth, int screenHeight);

}  // namespace gift::layout
