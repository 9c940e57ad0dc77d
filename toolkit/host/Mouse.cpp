// Mouse interaction: the element under the pointer, presses and clicks,
// window drag and the resizing edge bands. WindowProc calls OnMouse for
// WM_MOUSEMOVE, WM_LBUTTONDOWN/UP and WM_RBUTTONDOWN/UP and handles
// WM_LBUTTONDBLCLK and WM_MOUSELEAVE itself.
#include <windowsx.h>

#include "toolkit/controls/Element.h"
#include "toolkit/host/UIHost.h"

namespace {

constexpr int kCaptionStripHeight = 30;  // a double click above it toggles maximise
constexpr double kTolerance = 1e-7;

// Edge bands: the top and left ones are 8 pixels deep, the bottom and right
// ones 10; the corner squares reach 10 pixels along the top and bottom edges.
constexpr int kNearBand = 8;
constexpr int kFarBand = 10;

bool Contains(const RectF& r, int x, int y) {
    const double px = x;
    const double py = y;
    return px - r.X > -kTolerance && py - r.Y > -kTolerance &&
           (static_cast<double>(r.X) + r.Width) - px > kTolerance &&
           (static_cast<double>(r.Y) + r.Height) - py > kTolerance;
}

// The topmost visible element under the point, searching children first;
// `first` is the last (topmost) element of a sibling list.
Element* HitTest(Element* first, int x, int y) {
    for (Element* e = first; e; e = e->prevSibling) {
        if (e->visible != 1 || !Contains(e->rect, x, y)) continue;
        Element* child = HitTest(e->lastChild, x, y);
        return child ? child : e;
    }
    return nullptr;
}

// Makes the host window the native focus window, so keys reach it.
void TakeFocus(HWND window) {
    HWND current = GetFocus();
    if (current == window) return;
    if (current) SendMessageA(current, WM_KILLFOCUS, 0, 0);
    SetFocus(window);
}

void UseCursor(int id) {
    SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(id)));
}

// Hands the window to the system's move loop, as if its caption had been
// pressed; returns when the button is released.
void StartMove(HWND window) {
    SendMessageA(window, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

// Beyond the far band: W - x - 10 < 0, with the tolerance.
bool Beyond(int position, int extent) {
    return static_cast<double>(extent) - position - kFarBand < -kTolerance;
}

}  // namespace

// The focused element turns with the wheel. With nothing focused, the element
// under the mouse does, as a reader of the letter expects before any click;
// the wheel's point is on the screen.
Element* UIHost::WheelTarget(LPARAM lParam) const {
    if (focused || !hwnd) return focused;
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ScreenToClient(hwnd, &point);
    const LPARAM units = PositionToUnits(MAKELPARAM(point.x, point.y));
    return HitTest(lastElement, GET_X_LPARAM(units), GET_Y_LPARAM(units));
}

void UIHost::OnMouse(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (rendering == 1) return;
    if (ResizeHitTest(msg, lParam)) return;
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);

    // A second press while one is held: the first one's release came up
    // where we never saw it. That press ends here; this one is a new press.
    if (pressing && msg == WM_LBUTTONDOWN) AbandonPress(lParam);
    if (pressing) {
        // The press owns the mouse until release: hot does not change.
        Element* target = pressed;
        DeliverToElement(target, msg, reinterpret_cast<WPARAM>(target), lParam);
        if (msg == WM_LBUTTONUP) {
            // The press ends before the click is delivered: a click handler
            // may run a modal loop, and mouse messages reaching us from it
            // must not go to an element that is no longer held down.
            Element* under = HitTest(lastElement, x, y);
            const bool clicked = pressing && pressed == target && under == target;
            pressing = 0;
            pressed = nullptr;
            ReleaseCapture();  // the capture change that follows finds no press
            // Released away from the element it began on (perhaps outside
            // the window, where no move will follow): the hover ends.
            if (hot && under != hot) {
                Element* old = hot;
                hot = nullptr;
                if (IsLiveElement(old) && old->visible == 1)
                    DeliverToElement(old, kMouseLeave, wParam, reinterpret_cast<LPARAM>(under));
            }
            if (clicked && IsLiveElement(target))
                DeliverToElement(target, kClick, reinterpret_cast<WPARAM>(target), lParam);
        }
        return;
    }

    Element* h = HitTest(lastElement, x, y);
    if (h != hot && hot && hot->visible == 1)
        DeliverToElement(hot, kMouseLeave, wParam, reinterpret_cast<LPARAM>(h));
    // Every handler below may destroy elements or the window itself; an
    // element that left the tree is never touched or remembered again.
    auto alive = [this](Element* e) { return e && IsLiveElement(e); };

    if (msg == WM_LBUTTONDOWN) {
        TakeFocus(hwnd);
        if (alive(h)) {
            if (h->disabled == 0) {
                const LRESULT answer = DeliverToElement(h, kPressQuery, wParam, lParam);
                if (alive(h) && (answer != -1 || h->focusable == 1)) {
                    pressing = 1;
                    pressed = h;
                    if (h->focusable == 1 && h != focused) {
                        Element* old = focused;
                        focused = h;
                        keyboardFocus = nullptr;
                        DeliverToElement(old, kFocusLost, wParam, reinterpret_cast<LPARAM>(h));
                        if (alive(h))
                            DeliverToElement(h, kFocusGained, wParam,
                                             reinterpret_cast<LPARAM>(old));
                    }
                    if (hwnd) SetCapture(hwnd);
                }
            }
            if (!pressing && draggable && hwnd) StartMove(hwnd);
        } else if (!h && wParam == kDoubleClickMark) {
            if (y < kCaptionStripHeight && (captionFlags & kCaptionMaximise) && hwnd) {
                PostMessageA(hwnd, WM_SYSCOMMAND, IsZoomed(hwnd) ? SC_RESTORE : SC_MAXIMIZE, 0);
                StartMove(hwnd);
            }
        } else if (!h && draggable && hwnd) {
            StartMove(hwnd);
        }
    }

    if (msg == WM_MOUSEMOVE && h != hot) {
        Element* previous = alive(hot) ? hot : nullptr;
        if (alive(h)) {
            DeliverToElement(h, kMouseEnter, wParam, reinterpret_cast<LPARAM>(previous));
            if (alive(h)) UpdateTooltip(h, std::nullopt);
        }
    }

    if (alive(h)) {
        DeliverToElement(h, msg, wParam, lParam);
        if (alive(h) && h->cursor != 0 && h->cursor != kArrowCursor) UseCursor(h->cursor);
    }
    hot = alive(h) ? h : nullptr;
}

void UIHost::AbandonPress(LPARAM position) {
    if (!pressing) return;
    Element* target = pressed;
    pressing = 0;
    pressed = nullptr;
    if (hwnd && GetCapture() == hwnd) ReleaseCapture();
    // The held element hears a release, so it drops its pressed look or stops
    // repeating; no click. The pointer may be anywhere now: the hover starts
    // again with its next move.
    if (IsLiveElement(target))
        DeliverToElement(target, WM_LBUTTONUP, reinterpret_cast<WPARAM>(target), position);
    Element* old = hot;
    hot = nullptr;
    if (IsLiveElement(old) && old->visible == 1) DeliverToElement(old, kMouseLeave, 0, 0);
}

int UIHost::ResizeHitTest(UINT msg, LPARAM lParam) {
    if (!resizable || pressing || (msg != WM_MOUSEMOVE && msg != WM_LBUTTONDOWN)) return 0;
    if (!hwnd || IsZoomed(hwnd)) return 0;
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    const int W = size.width;
    const int H = size.height;

    int code = 0;
    int cursor = 0;
    if (y < kNearBand) {
        if (x < kFarBand) {
            code = WMSZ_TOPLEFT;
            cursor = 32642;  // IDC_SIZENWSE
        } else if (Beyond(x, W)) {
            code = WMSZ_TOPRIGHT;
            cursor = 32643;  // IDC_SIZENESW
        } else {
            code = WMSZ_TOP;
            cursor = 32645;  // IDC_SIZENS
        }
    } else if (Beyond(y, H)) {
        if (x < kFarBand) {
            code = WMSZ_BOTTOMLEFT;
            cursor = 32643;
        } else if (Beyond(x, W)) {
            code = WMSZ_BOTTOMRIGHT;
            cursor = 32642;
        } else {
            code = WMSZ_BOTTOM;
            cursor = 32645;
        }
    } else if (x < kNearBand) {
        code = WMSZ_LEFT;
        cursor = 32644;  // IDC_SIZEWE
    } else if (Beyond(x, W)) {
        code = WMSZ_RIGHT;
        cursor = 32644;
    }
    if (code == 0) return 0;
    UseCursor(cursor);
    // The system runs its sizing loop; the resulting WM_SIZE re-creates
    // the buffers.
    if (msg == WM_LBUTTONDOWN) SendMessageA(hwnd, WM_SYSCOMMAND, SC_SIZE | code, 0);
    return 1;
}
