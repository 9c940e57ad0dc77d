// Mouse interaction: the element under the pointer, presses and clicks,
// window drag and the resizing edge bands. WindowProc calls OnMouse for
// WM_MOUSEMOVE, WM_LBUTTONDOWN/UP and WM_RBUTTONDOWN/UP and handles
// WM_LBUTTONDBLCLK and WM_MOUSELEAVE itself.
#include "toolkit/host/UIHost.h"

// Not built yet: the pointer reaches no element, nothing is pressed or dragged.
void UIHost::OnMouse(UINT, WPARAM, LPARAM) {}

// Not built yet: the window has no edge bands.
int UIHost::ResizeHitTest(UINT, LPARAM) {
    return 0;
}
