#pragma once
// The skin layer: turns a native top-level window into a per-pixel-translucent
// window whose whole look is one composed picture (a background picture plus
// pictures, fills, borders and texts of marked child windows), handed to the
// window manager with UpdateLayeredWindow. Children stay native windows and
// keep receiving input; the layer re-composes after anything that changes them.
//
// What to draw lives in window properties of the windows involved:
//   "PngControl_Time"        skinned window: 64 once the caret-blink timer runs
//   "PngControl_BackImage"   skinned window, child of type 2 or 4: GpImage*
//   "PngControl_Type"        child: 0 not drawn, 2 picture, 3 state button, 4 text field
//   "PngControl_BackType"    child: 1 stretch, 2 fit and centre, other natural size cropped
//   "PngControl_BackColor", "PngControl_BackAlpha"    type 4 fill (COLORREF, -1 none)
//   "PngControl_OrderColor", "PngControl_OrderAlpha"  type 4 1-pixel border (-1 none)
//   "PngControl_TextColor"   type 4 text colour
//   "PngControl_NormalImage", "PngControl_OverlImage", "PngControl_DownImage",
//   "PngControl_DisableImage"  type 3 pictures for states 0..3
//   "Orbit_DrawState"        type 3 current state 0..3
//   "PngControl_WndProc"     child: an earlier procedure put back when re-hooking
//   "PngControl_ChildWndProc" child: its own procedure, saved when hooked
// Pictures put into properties by callers stay theirs. A picture the layer
// decodes itself (LoadBackImage) belongs to the layer, together with the memory
// it was read from, and is released as soon as it is replaced or the window goes.
//
// Each skinned window keeps one premultiplied 32-bit DIB section (its composite)
// for as long as its size stays: frames are composed straight into its pixels
// and no GDI object is made per frame. LoadBackImage decodes each distinct
// picture once per window: the pixels are kept packed (SkinFrameCache) until
// the window goes or the layer is torn down, so an animation that loops over
// its frames costs a copy per frame, not a decode.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/ByteBlock.h"
#include "toolkit/core/Gdip.h"

class PngControl final {
public:
    PngControl() = default;
    // Restores the procedures the layer put on its window and that window's
    // children, and releases the layer's composite and picture: no message
    // reaches layer code through a window it no longer looks after.
    ~PngControl();
    PngControl(PngControl&& other) noexcept;
    PngControl& operator=(PngControl&& other) noexcept;
    // A copy would tear the window down under the original when destroyed.
    PngControl(const PngControl&) = delete;
    PngControl& operator=(const PngControl&) = delete;

    // Makes `window` layered and starts its caret-blink timer (once per window).
    // False, changing nothing, when it is not a window.
    bool Attach(HWND window);
    // The caller's picture becomes the background (the caller keeps owning it)
    // and the window is re-composed. False before Attach or without a picture.
    bool SetBackImage(GpImage* image);
    // Decodes PNG, JPEG, GIF or BMP bytes and makes the result the background,
    // owned by the layer. False, leaving the window as it was, when the bytes do
    // not decode or nothing is attached.
    bool LoadBackImage(ByteBlock bytes);
    // With `on`, every pixel of the window takes the mouse: fully transparent
    // pixels are presented at alpha 1 instead of 0 (Windows passes clicks
    // through alpha-0 pixels of a layered window). Over any background that
    // changes a pixel by at most one level, which no eye can tell. False
    // before Attach.
    bool TakeClicksEverywhere(bool on);
    // Gives state-button (type 3) and text-field (type 4) children the layer's
    // procedures, then re-composes.
    void HookChildren();
    // SetWindowPos; a missing coordinate or size keeps the current one.
    void Move(std::optional<int> x = std::nullopt, std::optional<int> y = std::nullopt,
              std::optional<int> width = std::nullopt, std::optional<int> height = std::nullopt,
              std::optional<bool> noRedraw = std::nullopt);
    HWND Window() const { return window; }
    bool IsAttached() const;
    LRESULT Send(UINT msg, WPARAM wParam, LPARAM lParam) const;

private:
    HWND window = nullptr;
};

// The timer id of the caret blink on a skinned window.
constexpr UINT_PTR kSkinBlinkTimer = 64;

// Composes `window` (its background picture and marked children) into its
// composite and presents it with the caret off. Works on any top-level window.
void SkinCompose(HWND window);

// Puts the window's current composite on screen; with `caret`, the focused text
// field's caret is drawn over it for this presentation only.
void SkinPresent(HWND window, bool caret);

// Read-only view of a skinned window's composite: premultiplied ARGB pixels,
// top row first, `width` pixels a row. Empty before the first composition.
struct SkinComposite {
    const std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    explicit operator bool() const { return pixels != nullptr; }
    std::uint32_t At(int x, int y) const { return pixels[y * width + x]; }
};
SkinComposite SkinCompositeOf(HWND window);

// The bytes the window's store of decoded pictures holds (0 when it has none).
std::size_t SkinCachedBytes(HWND window);
