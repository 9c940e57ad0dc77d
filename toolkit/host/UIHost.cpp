#include "toolkit/host/UIHost.h"

#include <imm.h>
#include <windowsx.h>

#include <algorithm>
#include <bit>
#include <cmath>

#include "platform/Dpi.h"

#include "toolkit/controls/Element.h"
#include "toolkit/core/Thunk.h"
#include "toolkit/host/Style.h"

namespace {

// The thunk hands us the host in place of the window handle.
LRESULT __stdcall WindowProcEntry(void* host, UINT msg, WPARAM wParam, LPARAM lParam) {
    return static_cast<UIHost*>(host)->WindowProc(msg, wParam, lParam);
}

bool TabCandidate(const Element* e) {
    return e->visible != 0 && e->focusable != 0 && e->kind != 1 && e->disabled == 0;
}

Element* TopLevelAncestor(Element* e) {
    while (e && e->parent) e = e->parent;
    return e;
}

bool IsLiveIn(const Element* first, const Element* wanted) {
    for (const Element* e = first; e; e = e->nextSibling) {
        if (e == wanted) return e->handle != nullptr;
        if (e->firstChild && IsLiveIn(e->firstChild, wanted)) return true;
    }
    return false;
}

int FoldCase(int c) {
    return (c >= 'a' && c <= 'z') ? c - ('a' - 'A') : c;
}

// Caption-button kinds are the bits 4 to 256 of the caption flags.
int CaptionButtonCount(int flags) {
    return std::popcount(static_cast<unsigned>(flags & (4 | 8 | 16 | 32 | 64 | 128 | 256)));
}

}  // namespace

UIHost::UIHost() = default;

UIHost::~UIHost() {
    // No message may reach a released host: give the window its procedure back.
    if (prevWndProc) OnDestroy(hwnd);
    if (detachedWindow && IsWindow(detachedWindow) &&
        reinterpret_cast<WNDPROC>(GetWindowLongPtrA(detachedWindow, GWLP_WNDPROC)) == wndProcThunk)
        SetWindowLongPtrA(detachedWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(detachedProc));
    FreeExecutable(reinterpret_cast<void*>(wndProcThunk));
}

LRESULT UIHost::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!prevWndProc) {
        // Reached after the detach: our procedure was put back by a subclass
        // that left after us. Take it out again and pass the message on.
        if (!detachedProc) return 0;
        if (reinterpret_cast<WNDPROC>(GetWindowLongPtrA(detachedWindow, GWLP_WNDPROC)) ==
            wndProcThunk)
            SetWindowLongPtrA(detachedWindow, GWLP_WNDPROC,
                              reinterpret_cast<LONG_PTR>(detachedProc));
        return CallWindowProcA(detachedProc, detachedWindow, msg, wParam, lParam);
    }
    // OnDestroy clears both; default processing still needs them.
    const HWND window = hwnd;
    const WNDPROC previous = prevWndProc;
    if (messageHook) {
        const LRESULT result = messageHook(window, msg, wParam, lParam);
        if (result != -1) return result;
    }
    switch (msg) {
        case WM_DESTROY:
            OnDestroy(window);
            break;
        case WM_SIZE:
            // Re-creating the buffers under a running flush would pull its
            // graphics away; the size is applied once the flush is over.
            if (!redrawQueue.IsIdle())
                PostMessageA(window, WM_SIZE, wParam, lParam);
            else
                OnSize(window, wParam, lParam);
            break;
        case WM_PAINT:
            NativeRepaint();
            break;
        case WM_WINDOWPOSCHANGING:
            // Before the window appears, so its first sight is the picture.
            if (auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
                pos && (pos->flags & SWP_SHOWWINDOW))
                PresentPendingPicture();
            break;
        case WM_GETMINMAXINFO:
            FillMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
            return 0;
        case WM_NCCALCSIZE:
            // The whole window is client area.
            if (wParam == 1) return 1;
            break;
        case WM_NCACTIVATE:
            return 1;  // no native caption to draw
        case WM_KEYDOWN:
            OnKeyDown(msg, wParam, lParam);
            break;
        case WM_KEYUP:
        case WM_CHAR:
            DeliverToElement(focused, msg, wParam, lParam);
            break;
        case WM_MOUSEWHEEL:
            DeliverToElement(WheelTarget(lParam), msg, wParam, lParam);
            break;
        case WM_IME_COMPOSITION:
            DeliverToElement(focused, msg, wParam, lParam);
            // The focused element takes the result string itself; default
            // processing would also turn it into WM_CHAR and insert it twice.
            if (focused && (lParam & GCS_RESULTSTR)) return 0;
            break;
        case WM_SYSKEYDOWN:
            OnSysKeyDown(wParam, lParam);
            break;
        case WM_TIMER:
            // Element timers carry the element as their id. An id naming no
            // live element is never dereferenced; its timer is stopped.
            if (Element* target = FindTimerElement(wParam))
                DeliverToElement(target, msg, wParam, lParam);
            else
                KillTimer(window, wParam);
            break;
        case WM_MOUSEMOVE:
            if (!trackingLeave) {
                TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window, 0};
                trackingLeave = TrackMouseEvent(&track) ? 1 : 0;
            }
            OnMouse(msg, wParam, PositionToUnits(lParam));
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
            // Positions enter the host here and only here as device pixels.
            OnMouse(msg, wParam, PositionToUnits(lParam));
            break;
        case WM_LBUTTONDBLCLK:
            // Elements see a second press, marked, never a double click.
            SendMessageA(window, WM_LBUTTONDOWN, kDoubleClickMark, lParam);
            return 0;
        case WM_MOUSELEAVE:
            trackingLeave = 0;
            // A held press keeps the mouse when the pointer leaves: its
            // release, wherever it comes up, still reaches us and ends it.
            if (pressing) break;
            ReleaseCapture();
            if (hot) {
                DeliverToElement(hot, kMouseLeave, wParam, lParam);
                hot = nullptr;
            }
            break;
        case WM_CAPTURECHANGED:
            // Another window took the mouse (a dialog, a menu, a switch to
            // another program): the press cannot end here any more.
            if (pressing && reinterpret_cast<HWND>(lParam) != window) {
                POINT point{};
                GetCursorPos(&point);
                ScreenToClient(window, &point);
                AbandonPress(PositionToUnits(MAKELPARAM(point.x, point.y)));
            }
            break;
        case WM_DPICHANGED:
            Rescale(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
            return 0;
        case kRegisterMnemonic: {
            // wParam is trusted only when it names one of our elements: any
            // process can send this message.
            auto* element = reinterpret_cast<Element*>(wParam);
            if (!IsLiveElement(element)) return 0;
            return SetMnemonic(element, static_cast<int>(lParam));
        }
        default:
            break;
    }
    return DefaultProcessing(previous, window, msg, wParam, lParam);
}

LRESULT UIHost::DefaultProcessing(WNDPROC previous, HWND window, UINT msg, WPARAM wParam,
                                  LPARAM lParam) {
    // The redraw queue runs to completion on this thread, so a message that
    // finds it busy was sent from inside that flush (an element handler
    // talking to its window). Waiting for idle would never end; the message is
    // processed at once instead, and the outer message's own default
    // processing still follows its flush. The one message that would disturb
    // a running flush, WM_SIZE, is deferred in WindowProc.
    if (!previous) return DefWindowProcA(window, msg, wParam, lParam);
    return CallWindowProcA(previous, window, msg, wParam, lParam);
}

void UIHost::FillMinMaxInfo(MINMAXINFO* info) const {
    if (!info) return;
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    // A maximised window overhangs the work area by 7 units on every side,
    // so its shadow margin stays off-screen.
    const int overhang = scale.Pixels(7);
    info->ptMaxSize.x = (work.right - work.left) + 2 * overhang;
    info->ptMaxSize.y = (work.bottom - work.top) + 2 * overhang;
    info->ptMaxPosition.x = work.left - overhang;
    info->ptMaxPosition.y = work.top - overhang;
    if (captionFlags == 0) {
        info->ptMinTrackSize.x = scale.Pixels(21);
        info->ptMinTrackSize.y = scale.Pixels(20);
    } else {
        info->ptMinTrackSize.x =
            scale.Pixels(static_cast<float>(28 * CaptionButtonCount(captionFlags) +
                                            ((captionFlags & kCaptionClose) ? 11 : 0) + 41));
        info->ptMinTrackSize.y = scale.Pixels(40);
    }
}

LPARAM UIHost::PositionToUnits(LPARAM position) const {
    if (scale.IsOne()) return position;
    // Down to the unit that holds the pixel, so a pixel left of an element's
    // first one never reaches it.
    const auto convert = [this](int device) {
        return static_cast<int>(std::floor(scale.Units(static_cast<float>(device))));
    };
    return MAKELPARAM(convert(GET_X_LPARAM(position)), convert(GET_Y_LPARAM(position)));
}

void UIHost::TakeWindowSize() {
    RECT bounds{};
    GetWindowRect(hwnd, &bounds);
    deviceSize = {bounds.right - bounds.left, bounds.bottom - bounds.top};
    size = {static_cast<int>(std::lround(scale.Units(static_cast<float>(deviceSize.width)))),
            static_cast<int>(std::lround(scale.Units(static_cast<float>(deviceSize.height))))};
}

Element* UIHost::FindTimerElement(WPARAM id) const {
    auto* element = reinterpret_cast<Element*>(id);
    return IsLiveElement(element) ? element : nullptr;
}

bool UIHost::IsLiveElement(const Element* element) const {
    return element && IsLiveIn(firstElement, element);
}

void UIHost::ForgetElement(Element* element) {
    if (!element) return;
    if (focused == element) focused = nullptr;
    if (hot == element) hot = nullptr;
    if (keyboardFocus == element) keyboardFocus = nullptr;
    if (pressed == element) {
        pressed = nullptr;
        if (pressing) {
            pressing = 0;
            ReleaseCapture();
        }
    }
    std::erase_if(mnemonics, [element](const Mnemonic& m) { return m.element == element; });
}

void UIHost::RequestRedraw(const RectF& rect, Element* element) {
    redrawQueue.Push(rect, element);
}

int UIHost::OnSysKeyDown(WPARAM character, LPARAM) {
    const int key = FoldCase(static_cast<int>(character));
    for (const Mnemonic& pair : mnemonics) {
        if (FoldCase(pair.character) != key) continue;
        Element* element = pair.element;
        if (element->visible == 1 && element->disabled == 0)
            return static_cast<int>(DeliverToElement(element, kClick, 0, 0));
    }
    return static_cast<int>(mnemonics.size());
}

int UIHost::OnKeyDown(UINT msg, WPARAM key, LPARAM lParam) {
    const LRESULT result = DeliverToElement(focused, msg, key, lParam);
    if (focused && result != -1) return 0;  // the element consumed the key

    if (key == VK_TAB) {
        if (!firstElement) return 0;
        // Tab walks the top-level list only; a focused child starts the walk
        // at its top-level ancestor, so the walk always meets its start again.
        Element* anchor = TopLevelAncestor(focused);
        Element* start = anchor ? anchor : firstElement;
        auto next = [this](Element* e) { return e->nextSibling ? e->nextSibling : firstElement; };
        Element* candidate = next(start);
        for (;;) {
            if (TabCandidate(candidate)) {
                if (candidate != focused) SetFocusElement(candidate);
                break;
            }
            if (!anchor && candidate == firstElement) break;
            Element* following = next(candidate);
            if (anchor && following == anchor) break;
            candidate = following;
        }
    } else if (key == VK_RETURN || key == VK_SPACE) {
        if (focused && focused->visible == 1 && focused->disabled == 0)
            DeliverToElement(focused, kClick, 0, 0);
    }
    return 0;
}

int UIHost::SetMnemonic(Element* element, int character) {
    auto found = std::find_if(mnemonics.begin(), mnemonics.end(),
                              [element](const Mnemonic& m) { return m.element == element; });
    if (character != 0) {
        if (found != mnemonics.end())
            found->character = character;
        else
            mnemonics.push_back({element, character});
    } else if (found != mnemonics.end()) {
        mnemonics.erase(found);
    }
    return 1;
}

void UIHost::SetFocusElement(Element* element) {
    if (!element || element->host != this) return;
    if (element->disabled != 0 || element->visible != 1 || element->focusable != 1 ||
        element->kind == 1)
        return;
    Element* old = focused;
    focused = element;
    DeliverToElement(old, kFocusLost, 0, reinterpret_cast<LPARAM>(element));
    DeliverToElement(element, kFocusGained, 0, reinterpret_cast<LPARAM>(old));
    keyboardFocus = element;
}

bool UIHost::Attach(HWND window, const AttachOptions& options) {
    if (!window || !IsWindow(window) || window == hwnd || prevWndProc) return false;
    // A window of another process cannot be subclassed from here.
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != GetCurrentProcessId()) return false;
    if (!wndProcThunk) wndProcThunk = MakeWndProcThunk(this, &WindowProcEntry);
    if (!wndProcThunk) return false;

    translucency = options.translucency.value_or(-1);
    bgMode = options.bgMode.value_or(0);
    frameStyle = options.frameStyle.value_or(7);
    blendFlag = options.blendFlag.value_or(1);
    blurBehind = options.blurBehind ? 1 : 0;
    if (translucency != -1) keepBackground = 1;

    int flags = options.captionFlags.value_or(kCaptionFromStyle);
    if (flags != 0) AddStyle(window, WS_SYSMENU, false);
    if (flags & kCaptionFromStyle) {
        flags |= kCaptionIcon | kCaptionTitle | kCaptionClose;
        if (HasStyle(window, WS_MAXIMIZEBOX, false)) flags |= kCaptionMaximise;
        if (HasStyle(window, WS_MINIMIZEBOX, false)) flags |= kCaptionMinimise;
    }
    captionFlags = flags;
    AddStyle(window, WS_POPUP, false);

    selfRef = this;
    hwnd = window;
    SetPropA(window, kHostProperty, reinterpret_cast<HANDLE>(selfRef));

    Resizable(options.fixedSize.value_or(true) ? 0 : 1);
    draggable = options.noDrag ? 0 : 1;
    Draggable(draggable);

    scale = DeviceScale::ForDpi(dpi::ForWindow(window));
    TakeWindowSize();
    windowDC.emplace(window);
    CreateBuffers();
    if (translucency != -1) AddStyle(window, WS_EX_LAYERED, true);
    redrawQueue.Init(window, selfRef, backGraphics.get());

    const auto replaced = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(wndProcThunk)));
    // Our own thunk, put back late by a departing subclass, is no previous
    // procedure: calling it would loop.
    prevWndProc = replaced == wndProcThunk && window == detachedWindow ? detachedProc : replaced;
    detachedWindow = nullptr;
    detachedProc = nullptr;
    // Let the new styles and the whole-window client area take effect now,
    // not at the next size change. The size does not change, so OnSize
    // leaves the fresh buffers alone.
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    if (captionFlags != 0) CreateCaptionButtons();
    // Render presents too, so a layered window with a caption shows its
    // picture at once rather than at its first element redraw.
    Render(options.bgSource, options.color);
    CreateTooltip();
    return true;
}

int UIHost::Draggable(std::optional<int> value) {
    if (value) draggable = *value;
    return draggable;
}

int UIHost::FrameStyle(std::optional<int> value) {
    if (value) frameStyle = *value;
    return frameStyle;
}

int UIHost::Accept(int, int) {
    return 1;
}

void UIHost::SetBackgroundSourceKind(int kind) {
    bgSourceKind = kind;
}

void UIHost::SetKeepBackground(int keep) {
    keepBackground = keep;
}

void UIHost::SetUserValueA(int value) {
    userValueA = value;
}

void UIHost::Show(int show) {
    if (show && hwnd) ShowWindow(hwnd, SW_SHOWNORMAL);
}

void UIHost::InvalidateNative(std::optional<RECT> rect) {
    if (translucency != -1 || !hwnd) return;
    InvalidateRect(hwnd, rect ? &*rect : nullptr, TRUE);
}

void UIHost::SetUserValueB(int value) {
    userValueB = value;
}

void UIHost::SetPaintCallback(PaintCallback callback) {
    paintCallback = std::move(callback);
}

void UIHost::SetMessageHook(std::optional<MessageHook> hook) {
    messageHook = hook ? std::move(*hook) : MessageHook();
}

void UIHost::OnDestroy(HWND window) {
    if (!prevWndProc) return;
    if (!window) window = hwnd;
    // The tooltip's subclass sits on top of ours and, when its tool goes,
    // puts back the procedure it found: it must go before ours is restored.
    DestroyTooltip();
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(prevWndProc));
    detachedWindow = window;
    detachedProc = prevWndProc;
    // No element may find a host that is gone.
    RemovePropA(window, kHostProperty);

    clipPath.reset();
    ReleaseBackground();
    if (pressing || trackingLeave) {
        pressing = 0;
        trackingLeave = 0;
        ReleaseCapture();
    }
    pressed = focused = hot = keyboardFocus = nullptr;
    prevWndProc = nullptr;

    DestroyTree(firstElement);
    firstElement = lastElement = nullptr;

    // A flush that is still running (the window was destroyed from an
    // element handler) finds no graphics and stops.
    redrawQueue.pending.clear();
    redrawQueue.Init(nullptr, nullptr, nullptr);
    ReleaseBuffers();
    windowDC.reset();

    mnemonics.clear();
    captionButtons.clear();
    captionStrip.reset();
    hwnd = nullptr;
    size = {};
    deviceSize = {};
}

void UIHost::DestroyTree(Element* first) {
    Element* e = first;
    while (e) {
        e->Destroy();
        DestroyTree(e->firstChild);
        Element* following = e->nextSibling;
        e->ResetFields();
        e = following;
    }
}
