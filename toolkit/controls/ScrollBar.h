#pragma once
// A thin scroll bar element: an arrow box at each end and a thumb between
// them on a rounded track. Holding an arrow steps the position on the
// element's crossfade timer; dragging the thumb follows the pointer. The
// owner (usually the edit box, as the bar's parent) hears of position
// changes through the scroll handler.
#include <windows.h>

#include <functional>
#include <optional>

#include "toolkit/controls/Element.h"

class ScrollBar : public Element {
public:
    static constexpr int kKind = 19;
    static constexpr int kHorizontal = 1;
    static constexpr int kVertical = 2;
    // Paint states.
    static constexpr int kNormal = 0;
    static constexpr int kHover = 1;
    static constexpr int kPressed = 2;
    // What a press took hold of.
    enum PressMode : int { kNothing = 0, kDecrement = 1, kIncrement = 2, kThumb = 3, kTrack = 4 };

    // Called with the bar's parent (null at top level) and the new position.
    using ScrollHandler = std::function<void(Element* parent, int position)>;

    ScrollBar() = default;

    LRESULT MessageProc(UINT code, WPARAM wParam, LPARAM lParam) override;

    // Slots 26 to 40, in table order.

    // Hit-tests a press (state kPressed), follows a thumb drag (state kHover)
    // and draws the bar. The mouse position is relative to the bar.
    virtual void Paint(int state, int fadeStart, int mouseX, int mouseY);
    virtual int PositionFromPoint(float coordinate);
    virtual float ThumbOffset();
    virtual void UpdateThumbLength();
    virtual void Notify();
    virtual void Layout(int width, int height);
    virtual Element* CreateScrollBar(HWND window, int x, int y, int width, int height,
                                     std::optional<int> position = std::nullopt, int minimum = 0,
                                     std::optional<int> maximum = std::nullopt,
                                     std::optional<int> step = std::nullopt,
                                     std::optional<int> repeatStep = std::nullopt,
                                     std::optional<int> flags = std::nullopt,
                                     std::optional<int> barType = std::nullopt,
                                     std::optional<int> option128 = std::nullopt,
                                     std::optional<int> visible = std::nullopt);
    virtual int Position(std::optional<int> value = std::nullopt);
    virtual int Minimum(std::optional<int> value = std::nullopt);
    virtual int Maximum(std::optional<int> value = std::nullopt);
    virtual int Step(std::optional<int> value = std::nullopt);
    virtual int RepeatStep(std::optional<int> value = std::nullopt);
    virtual int Flags(std::optional<int> value = std::nullopt);
    virtual int ShowFull(std::optional<int> value = std::nullopt);
    virtual void SetScrollHandler(ScrollHandler procedure);

    // The thumb's rectangle in bar coordinates.
    RectF ThumbRect();

    int minimum = 0;
    int maximum = 100;
    int step = 10;
    int repeatStep = 1;
    int flags = 1;  // bit 0: notify on every drag move, else once at the end
    int barType = kHorizontal;
    int pressMode = kNothing;
    int showFull = 1;
    int position = 0;
    int thumbLength = 0;
    RectF arrowBoxes[2];
    RectF track;
    ScrollHandler scrollHandler;
    int option128 = 0;     // accepted at creation; nothing reads it
    float dragOffset = 0;  // pointer minus thumb start when the thumb was pressed
    int mouseX = 0;        // last pointer position relative to the bar
    int mouseY = 0;

private:
    int Clamped(int value) const;
    float TrackStart() const;
    float TrackLength() const;
    int HitPart(int x, int y);
};
