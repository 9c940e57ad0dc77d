#pragma once
// A button of the host window's self-drawn caption bar: close,
// maximise/restore, minimise and four further kinds. It draws one cell of the
// caption-button strip for its kind and state, crossfades between states and
// posts the matching window command when clicked.
//
// The fields are public and keep their order after the Element fields.
#include <windows.h>

#include <optional>

#include "toolkit/controls/Element.h"

// Button kinds: single bits, as in the host's caption flags.
enum CaptionButtonKind : int {
    kCaptionButtonClose = 4,
    kCaptionButtonMaximise = 8,  // shows restore while the window is zoomed
    kCaptionButtonMinimise = 16,
};

// Shown states.
enum CaptionButtonState : int {
    kCaptionNormal = 0,
    kCaptionHover = 1,
    kCaptionPressed = 2,
};

class CaptionButton : public Element {
public:
    CaptionButton() = default;
    ~CaptionButton() override = default;

    // Slot 25.
    LRESULT MessageProc(UINT code, WPARAM wParam, LPARAM lParam) override;

    // Slots 26 to 28.

    // Draws the strip cell of `state` (other than 1 and 2 draw as 0) when it
    // is not the one shown, or always with `force`, crossfading from the old
    // picture at `fadeStart`. `paintTarget` is the paint message's lParam;
    // the button always paints its own surface.
    virtual void DrawState(LPARAM paintTarget, int newState, bool force, int fadeStart);
    // Creates the button (kind 1, not focusable, 60 ms crossfade) in the host
    // of `hostWindow`. Does nothing when the element exists already.
    virtual Element* CreateCaptionButton(HWND hostWindow, int x, int y, int width, int height,
                                         int kind, std::optional<int> visible = std::nullopt);
    virtual int ButtonKind();

    // The strip cell (x, y, width, height) for a kind and state, for the
    // window zoomed or not; false for a kind outside the strip.
    static bool SpriteCell(int kind, int shown, bool zoomed, RectF& cell);

    // Fields, in order.
    int buttonKind = 0;
    int shownState = kCaptionNormal;

private:
    // The strip at the host's scale, resampled once per scale and kept.
    GpImage* Strip(float& factor);
    UniqueGpBitmap scaledStrip;
    DeviceScale stripScale;
};
