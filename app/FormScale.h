#pragma once
// A form's place and size are units (pixels at 96 DPI); its window has them
// in device pixels at its display's scale. Where the window is so already,
// nothing changes.
#include <windows.h>

#include "platform/Dpi.h"
#include "runtime/Form.h"

namespace gift {

inline void PlaceAtScale(HWND window, const runtime::FormDescription& form) {
    const UINT dpi = dpi::ForWindow(window);
    SetWindowPos(window, nullptr, dpi::ToDevice(form.left, dpi), dpi::ToDevice(form.top, dpi),
                 dpi::ToDevice(form.width, dpi), dpi::ToDevice(form.height, dpi),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace gift
