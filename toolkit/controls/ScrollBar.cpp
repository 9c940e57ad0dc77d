#include "toolkit/controls/ScrollBar.h"

#include <algorithm>
#include <cmath>

#include "toolkit/draw/GdipOwners.h"
#include "toolkit/draw/Shapes.h"

namespace {

constexpr float kTolerance = 1e-7f;
constexpr int kMinThumb = 30;
constexpr int kFadeInterval = 60;
constexpr int kFadeStep = 51;

// Black at the given alpha.
constexpr Gdiplus::ARGB Black(int alpha) {
    return static_cast<Gdiplus::ARGB>(alpha) << 24;
}

bool Inside(const RectF& r, float x, float y) {
    return x >= r.X && y >= r.Y && x < r.X + r.Width && y < r.Y + r.Height;
}

// An arrow inside its box: 1 to 8 pixels across, 2 to 6 along, pointing
// towards the end of the bar it stands for.
void FillArrow(GpGraphics* graphics, const RectF& box, bool vertical, bool decrement,
               Gdiplus::ARGB argb) {
    const float tipAlong = decrement ? 2.0f : 6.0f;
    const float baseAlong = decrement ? 6.0f : 2.0f;
    auto point = [&](float along, float across) {
        return vertical ? Gdiplus::PointF(box.X + across, box.Y + along)
                        : Gdiplus::PointF(box.X + along, box.Y + across);
    };
    const Gdiplus::PointF points[3] = {point(tipAlong, 4.5f), point(baseAlong, 1.0f),
                                       point(baseAlong, 8.0f)};
    UniqueGpBrush brush = MakeSolidBrush(argb);
    gp::GdipFillPolygon(graphics, brush.get(), points, 3, Gdiplus::FillModeAlternate);
}

void FillAndOutline(GpGraphics* graphics, const RectF& r, Gdiplus::ARGB fill,
                    Gdiplus::ARGB outline) {
    FillRoundedPath(graphics, r, 6.0f, fill);
    RoundedOutline(graphics, r, 6.0f, outline);
}

}  // namespace

Element* ScrollBar::CreateScrollBar(HWND window, int x, int y, int width, int height,
                                    std::optional<int> startPosition, int newMinimum,
                                    std::optional<int> newMaximum, std::optional<int> newStep,
                                    std::optional<int> newRepeatStep, std::optional<int> newFlags,
                                    std::optional<int> newBarType, std::optional<int> newOption128,
                                    std::optional<int> newVisible) {
    if (handle) return handle;
    minimum = newMinimum;
    maximum = newMaximum.value_or(100);
    step = newStep.value_or(10);
    repeatStep = newRepeatStep.value_or(1);
    flags = newFlags.value_or(1);
    barType = newBarType.value_or(kHorizontal);
    option128 = newOption128.value_or(0);
    showFull = 1;
    pressMode = kNothing;
    position = Clamped(startPosition.value_or(minimum));
    Layout(width, height);
    return Create(window,
                  RectF(static_cast<float>(x), static_cast<float>(y), static_cast<float>(width),
                        static_cast<float>(height)),
                  kKind, newVisible.value_or(1), 0, std::nullopt, kFadeInterval);
}

int ScrollBar::Clamped(int value) const {
    // An empty range (maximum below minimum) leaves only the minimum.
    return std::max(std::min(value, maximum), minimum);
}

float ScrollBar::TrackStart() const {
    return barType == kVertical ? track.Y : track.X;
}

float ScrollBar::TrackLength() const {
    return barType == kVertical ? track.Height : track.Width;
}

void ScrollBar::Layout(int width, int height) {
    const auto w = static_cast<float>(width);
    const auto h = static_cast<float>(height);
    if (barType == kVertical) {
        arrowBoxes[0] = RectF(0, 0, 10, 9);
        arrowBoxes[1] = RectF(0, h - 9, 10, 9);
        track = RectF(1, 10, 8, h - 20);
    } else {
        arrowBoxes[0] = RectF(0, 0, 9, 10);
        arrowBoxes[1] = RectF(w - 9, 0, 9, 10);
        track = RectF(10, 1, w - 20, 8);
    }
    const float length = TrackLength();
    if (maximum <= 0) {
        thumbLength = 0;  // nothing to scroll: no thumb, as UpdateThumbLength decides
    } else if (length - static_cast<float>(maximum) > kTolerance) {
        thumbLength = kMinThumb;
    } else {
        thumbLength =
            std::max(static_cast<int>(length * length / static_cast<float>(maximum)), kMinThumb);
    }
}

void ScrollBar::UpdateThumbLength() {
    if (maximum <= 0) {
        thumbLength = 0;
        return;
    }
    const float length = std::max(TrackLength(), 0.0f);
    thumbLength = std::max(
        static_cast<int>(length * length / (length + static_cast<float>(maximum))), kMinThumb);
}

int ScrollBar::PositionFromPoint(float c) {
    const float start = TrackStart();
    const float span = TrackLength() - static_cast<float>(thumbLength);
    if (c - (start + span) >= -kTolerance) return maximum;
    if (c < start) return minimum;
    // A thumb that fills the track or an empty range leave nothing to choose.
    if (span <= 0 || maximum <= minimum) return minimum;
    return minimum + static_cast<int>((c - start) / (span / static_cast<float>(maximum - minimum)));
}

float ScrollBar::ThumbOffset() {
    const float start = TrackStart();
    const float span = std::max(TrackLength() - static_cast<float>(thumbLength), 0.0f);
    if (maximum <= minimum) return start;
    return start + static_cast<float>(Clamped(position) - minimum) * span /
                       static_cast<float>(maximum - minimum);
}

RectF ScrollBar::ThumbRect() {
    const float offset = ThumbOffset();
    const auto length = static_cast<float>(thumbLength);
    return barType == kVertical ? RectF(track.X, offset, track.Width, length)
                                : RectF(offset, track.Y, length, track.Height);
}

void ScrollBar::Notify() {
    if (thumbLength == 0 || !scrollHandler) return;
    // A copy: the handler may replace the bar's handler.
    ScrollHandler handler = scrollHandler;
    handler(parent, position);
}

int ScrollBar::HitPart(int x, int y) {
    const auto fx = static_cast<float>(x);
    const auto fy = static_cast<float>(y);
    if (Inside(arrowBoxes[0], fx, fy)) return kDecrement;
    if (Inside(arrowBoxes[1], fx, fy)) return kIncrement;
    if (thumbLength > 0 && Inside(ThumbRect(), fx, fy)) return kThumb;
    if (Inside(track, fx, fy)) return kTrack;
    return kNothing;
}

void ScrollBar::Paint(int state, int fadeStart, int x, int y) {
    mouseX = x;
    mouseY = y;
    const float along = static_cast<float>(barType == kVertical ? y : x);
    if (pressMode == kThumb && state == kHover) {
        const int moved = PositionFromPoint(along - dragOffset);
        if (moved != position) {
            position = moved;
            if (flags & 1) Notify();
            fadeStart = 255;
        }
    }
    FadeAlpha(fadeStart);
    SurfacePaint record;
    if (!BeginSurfacePaint(record, std::nullopt, true)) return;
    GpGraphics* graphics = record.graphics;
    const bool vertical = barType == kVertical;
    if (state == kHover || state == kPressed || showFull) {
        if (pressMode == kNothing) {
            const int part = HitPart(x, y);
            if (state == kPressed) {
                pressMode = part;
                if (part == kThumb) dragOffset = along - ThumbOffset();
            }
        }
        FillAndOutline(graphics, track, Black(40), Black(30));
        if (thumbLength > 0) FillAndOutline(graphics, ThumbRect(), Black(110), Black(80));
        for (int i = 0; i < 2; ++i) {
            const bool held = pressMode == (i == 0 ? kDecrement : kIncrement);
            FillArrow(graphics, arrowBoxes[i], vertical, i == 0, Black(held ? 160 : 100));
            if (held) RoundedOutline(graphics, arrowBoxes[i], 4.0f, Black(160));
        }
    } else if (thumbLength > 0) {
        FillAndOutline(graphics, ThumbRect(), Black(40), Black(30));
    }
    EndSurfacePaint(record);
}

int ScrollBar::Position(std::optional<int> value) {
    if (value) {
        position = Clamped(position);
        const int wanted = Clamped(*value);
        if (wanted != position) {
            position = wanted;
            Paint(kNormal, 255, mouseX, mouseY);
        }
    }
    return position;
}

int ScrollBar::Minimum(std::optional<int> value) {
    if (value) {
        minimum = *value;
        position = std::max(position, minimum);
        Paint(kNormal, 255, mouseX, mouseY);
    }
    return minimum;
}

int ScrollBar::Maximum(std::optional<int> value) {
    if (value) {
        maximum = *value;
        position = Clamped(position);
        UpdateThumbLength();
        Paint(kNormal, 255, mouseX, mouseY);
    }
    return maximum;
}

int ScrollBar::Step(std::optional<int> value) {
    if (value) step = *value;
    return step;
}

int ScrollBar::RepeatStep(std::optional<int> value) {
    if (value) repeatStep = *value;
    return repeatStep;
}

int ScrollBar::Flags(std::optional<int> value) {
    if (value) flags = *value;
    return flags;
}

int ScrollBar::ShowFull(std::optional<int> value) {
    if (value) showFull = *value;
    return showFull;
}

void ScrollBar::SetScrollHandler(ScrollHandler procedure) {
    scrollHandler = std::move(procedure);
}

LRESULT ScrollBar::MessageProc(UINT code, WPARAM wParam, LPARAM lParam) {
    // Mouse positions arrive in host client pixels, as signed 16-bit values.
    const int x = static_cast<short>(LOWORD(lParam)) - static_cast<int>(rect.X);
    const int y = static_cast<short>(HIWORD(lParam)) - static_cast<int>(rect.Y);
    switch (code) {
        case WM_CREATE:
            Paint(kNormal, kFadeStep, mouseX, mouseY);
            break;
        case WM_PAINT:  // Repaint
            Paint(kNormal, 255, mouseX, mouseY);
            break;
        case WM_DESTROY:
            thumbLength = position = minimum = maximum = 0;
            dragOffset = 0;
            pressMode = kNothing;
            break;
        case WM_MOUSEMOVE: {
            const bool over = x >= 0 && y >= 0 && x < static_cast<int>(rect.Width) &&
                              y < static_cast<int>(rect.Height);
            // A held arrow keeps stepping on the timer; redrawing would only
            // restart its crossfade.
            if ((pressMode == kDecrement || pressMode == kIncrement) && over) break;
            Paint(kHover, kFadeStep, x, y);
            break;
        }
        case kMouseLeave:
            Paint(kNormal, kFadeStep, mouseX, mouseY);
            break;
        case WM_LBUTTONDOWN:
            Paint(kPressed, kFadeStep, x, y);
            break;
        case WM_LBUTTONUP: {
            const bool wasHeld = pressMode != kNothing;
            if (pressMode == kThumb && !(flags & 1)) Notify();
            pressMode = kNothing;
            // The held arrow's highlight goes with the press.
            if (wasHeld && handle) Paint(kHover, 255, x, y);
            break;
        }
        case WM_TIMER: {
            const int before = position;
            switch (pressMode) {
                case kNothing:
                    FadeAlpha(fadeAlpha + kFadeStep);
                    Invalidate();
                    return -1;
                case kDecrement:
                    position -= repeatStep;
                    if (position <= minimum) {
                        KillTimer(hostWindow, reinterpret_cast<UINT_PTR>(handle));
                        position = minimum;
                    }
                    break;
                case kIncrement:
                    position += repeatStep;
                    if (position >= maximum) {
                        KillTimer(hostWindow, reinterpret_cast<UINT_PTR>(handle));
                        position = maximum;
                    }
                    break;
                default:
                    KillTimer(hostWindow, reinterpret_cast<UINT_PTR>(handle));
                    return -1;
            }
            // At the end of the range the tick changes nothing and the
            // timer stays stopped.
            if (position != before) {
                Paint(kHover, 255, mouseX, mouseY);
                Notify();
            }
            break;
        }
        case kResized:
            Layout(static_cast<int>(wParam), static_cast<int>(lParam));
            Paint(kNormal, 255, mouseX, mouseY);
            break;
        case kPressQuery:
            return 0;  // takes presses though it is not focusable
        default:
            break;
    }
    return -1;
}
