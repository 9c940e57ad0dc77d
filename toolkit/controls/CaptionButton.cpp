#include "toolkit/controls/CaptionButton.h"

#include "toolkit/core/Toolkit.h"
#include "toolkit/draw/ImageDraw.h"
#include "toolkit/draw/ScalePixels.h"
#include "toolkit/host/UIHost.h"

namespace {

constexpr int kCaptionButtonElementKind = 1;  // skipped by Tab focus traversal
constexpr int kCrossfadeInterval = 60;        // ms per crossfade step
constexpr int kCrossfadeStep = 51;

constexpr int kFadeHover = 102;
constexpr int kFadePress = 153;
constexpr int kFadeLeave = 0;

constexpr float kCellTop = 2;
constexpr float kCellHeight = 19;
constexpr float kCloseWidth = 39;
constexpr float kCloseSpacing = 40;
constexpr float kCellWidth = 28;
constexpr float kCellSpacing = 29;
// The first normal cell of each 28-pixel kind; restore sits right after maximise.
constexpr float kMaximiseX = 120;
constexpr float kRestoreX = 207;
constexpr float kMinimiseX = 294;
constexpr float kKind32X = 381;
constexpr float kKind64X = 468;
constexpr float kKind128X = 555;
constexpr float kKind256X = 642;

}  // namespace

bool CaptionButton::SpriteCell(int kind, int shown, bool zoomed, RectF& cell) {
    const int column = (shown == kCaptionHover || shown == kCaptionPressed) ? shown : 0;
    if (kind == kCaptionButtonClose) {
        cell =
            RectF(kCloseSpacing * static_cast<float>(column), kCellTop, kCloseWidth, kCellHeight);
        return true;
    }
    float first = 0;
    switch (kind) {
        case kCaptionButtonMaximise:
            first = zoomed ? kRestoreX : kMaximiseX;
            break;
        case kCaptionButtonMinimise:
            first = kMinimiseX;
            break;
        case 32:
            first = kKind32X;
            break;
        case 64:
            first = kKind64X;
            break;
        case 128:
            first = kKind128X;
            break;
        case 256:
            first = kKind256X;
            break;
        default:
            return false;
    }
    cell =
        RectF(first + kCellSpacing * static_cast<float>(column), kCellTop, kCellWidth, kCellHeight);
    return true;
}

GpImage* CaptionButton::Strip(float& factor) {
    const DeviceScale scale = Scale();
    factor = 1.0f;
    if (scale.IsOne() || !CaptionButtonsImage) return CaptionButtonsImage;
    // Shared by the host's buttons: each would otherwise resample the whole strip.
    UniqueGpBitmap& strip = host ? host->captionStrip : scaledStrip;
    DeviceScale& stripAt = host ? host->captionStripScale : stripScale;
    if (!strip || !(stripAt == scale)) {
        strip = ScaledBitmap(CaptionButtonsImage, scale.Factor());
        stripAt = scale;
    }
    if (!strip) return CaptionButtonsImage;
    // The strip's own ratio: its sizes were rounded to whole pixels.
    factor = static_cast<float>(ImageWidth(strip.get())) /
             static_cast<float>(ImageWidth(CaptionButtonsImage));
    return strip.get();
}

void CaptionButton::DrawState(LPARAM, int newState, bool force, int fadeStart) {
    if (newState == shownState && !force) return;
    FadeAlpha(fadeStart);
    SurfacePaint record;
    if (BeginSurfacePaint(record, std::nullopt, true)) {
        RectF cell;
        // Maximise or restore is decided here, at every draw.
        const bool zoomed = hostWindow && IsZoomed(hostWindow);
        float factor = 1.0f;
        GpImage* strip = Strip(factor);
        if (record.graphics && strip && SpriteCell(buttonKind, newState, zoomed, cell))
            DrawImageAttr(
                record.graphics, strip, record.rect,
                RectF(cell.X * factor, cell.Y * factor, cell.Width * factor, cell.Height * factor),
                nullptr);
        EndSurfacePaint(record);
    }
    shownState = newState;
}

Element* CaptionButton::CreateCaptionButton(HWND window, int x, int y, int width, int height,
                                            int kind, std::optional<int> newVisible) {
    if (handle) return handle;
    buttonKind = kind;
    return Create(window,
                  RectF(static_cast<float>(x), static_cast<float>(y), static_cast<float>(width),
                        static_cast<float>(height)),
                  kCaptionButtonElementKind, newVisible.value_or(1), 0, kArrowCursor,
                  kCrossfadeInterval);
}

int CaptionButton::ButtonKind() {
    return buttonKind;
}

LRESULT CaptionButton::MessageProc(UINT code, WPARAM, LPARAM lParam) {
    switch (code) {
        case WM_DESTROY:
            buttonKind = 0;
            shownState = kCaptionNormal;
            break;
        case WM_PAINT:
            DrawState(lParam, kCaptionNormal, true, kFadeLeave);
            break;
        case kMouseEnter:
            DrawState(0, kCaptionHover, false, kFadeHover);
            break;
        case WM_LBUTTONDOWN:
            DrawState(0, kCaptionPressed, false, kFadePress);
            break;
        case WM_LBUTTONUP:
            DrawState(0, kCaptionHover, false, kFadePress);
            break;
        case kMouseLeave:
            DrawState(0, kCaptionNormal, false, kFadeLeave);
            break;
        case WM_TIMER:
            FadeAlpha(fadeAlpha + kCrossfadeStep);
            Invalidate();
            break;
        case kClick:
            if (disabled || !hostWindow) break;
            // Posted, not sent: the click returns before the window changes.
            if (buttonKind == kCaptionButtonClose) {
                PostMessageA(hostWindow, WM_CLOSE, 0, 0);
            } else if (buttonKind == kCaptionButtonMaximise) {
                PostMessageA(hostWindow, WM_SYSCOMMAND,
                             IsZoomed(hostWindow) ? SC_RESTORE : SC_MAXIMIZE, 0);
            } else if (buttonKind == kCaptionButtonMinimise) {
                if (!IsIconic(hostWindow)) PostMessageA(hostWindow, WM_SYSCOMMAND, SC_MINIMIZE, 0);
            }
            break;
        case kPressQuery:
            return 0;  // takes the press although it is not focusable
        default:
            break;
    }
    return -1;
}
