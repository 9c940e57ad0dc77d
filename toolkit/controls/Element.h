#pragma once
// The base of every toolkit control: identity, geometry, the element tree,
// visibility and focus flags, bound events, opacity and the state crossfade.
// Each element owns a 32-bit ARGB surface of its own size in device pixels
// (its rectangle in units times the host's scale), whose graphics carries the
// scale, so the element draws in units; the host composes the surface into
// its back buffer pixel for pixel.
//
// The fields are public and keep their order: the host window's generic code
// (dispatch, focus walk, hit testing, partial redraw) reads and writes them.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/core/Gdip.h"
#include "toolkit/draw/DeviceScale.h"
#include "toolkit/draw/GdipOwners.h"
#include "toolkit/draw/Geometry.h"

class UIHost;
class Element;

// Messages of the toolkit's own, next to the Windows message numbers that the
// host forwards (1 create, 2 destroy, 15 paint, 275 timer, mouse and keys).
enum ToolkitMessage : UINT {
    kFocusGained = 10240,       // wParam key state, lParam previously focused element
    kFocusLost = 10241,         // wParam key state, lParam newly focused element
    kMouseEnter = 10242,        // wParam key state, lParam previous hot element
    kMouseLeave = 10243,        // wParam key state, lParam new hot element
    kClick = 10244,             // wParam pressed element (0 from the keyboard), lParam position
    kResized = 10245,           // wParam new width, lParam new height
    kCustomDraw = 10248,        // lParam CustomDrawRecord*; > 0 means "drew myself"
    kPressQuery = 10250,        // a result other than -1 takes the press
    kRegisterMnemonic = 10251,  // window message to the host: wParam element, lParam character
};

// wParam of the left-button-down that stands for a double click.
constexpr WPARAM kDoubleClickMark = 10086;

// The standard arrow: elements show no cursor of their own with it.
constexpr int kArrowCursor = 32512;

// A bound handler gets the element's parent (null at top level), the element
// and the message; -1 means "not handled, let the control process it too".
using EventHandler =
    std::function<LRESULT(Element* parent, Element* element, UINT code, WPARAM, LPARAM)>;

struct EventBinding {
    UINT code;
    EventHandler handler;
};

// What the partial redraw hands an element with kCustomDraw.
struct CustomDrawRecord {
    GpGraphics* graphics;  // the host's back-buffer graphics, clipped to the dirty area
    GpBitmap* surface;
    GpBitmap* fadeSnapshot;
    RectF rect;
};

// Filled by BeginSurfacePaint for a control that repaints its surface.
struct SurfacePaint {
    HWND hostWindow = nullptr;
    GpGraphics* graphics = nullptr;  // the element's surface graphics
    RectF rect;                      // drawing rectangle in surface coordinates
    bool crossfade = false;
    UIHost* host = nullptr;
    HDC windowDC = nullptr;
    HDC backDC = nullptr;
    GpGraphics* backGraphics = nullptr;
    GpBitmap* surface = nullptr;
};

class Element {
public:
    Element() = default;
    // Releases the surface and the bindings; an element still linked into a
    // live host leaves its tree first (its children move to the top level) and
    // leaves no host field pointing at it.
    virtual ~Element();
    // An element is linked into a window's tree and owns a surface: a copy
    // could only share both, so elements are not copied.
    Element(const Element&) = delete;
    Element& operator=(const Element&) = delete;

    // Slots 2 to 24, in table order.

    // Links the element into the host of `hostWindow` (found through its
    // "Yn_Wnd_Control" property), makes the surface, sends message 1 and
    // repaints when visible. Does nothing when the element exists already.
    virtual Element* Create(HWND hostWindow, const RectF& rect, int kind, int visible = 1,
                            std::optional<int> focusable = std::nullopt,
                            std::optional<int> cursor = std::nullopt, int fadeInterval = 0);
    virtual Element* Handle(bool asIs = false);
    virtual HWND HostWindow();
    virtual Element* Parent();
    // Moves the element to the end of `newParent`'s children (or of the
    // host's top-level list when null). A parent from another host, the
    // element itself or one of its descendants is refused.
    virtual void SetParent(Element* newParent);
    // Sends message 2, releases the surface, snapshot and bindings, zeroes
    // the rectangle and texts, stops the crossfade timer and clears every
    // host field and access key that names the element.
    virtual void Destroy();
    virtual RectF Rect(std::optional<RectF> newRect = std::nullopt);
    virtual int Visible(std::optional<int> value = std::nullopt);
    virtual int Disabled(std::optional<int> value = std::nullopt);
    virtual int Focusable(std::optional<int> value = std::nullopt);
    virtual bool HasFocus();
    virtual void Repaint();
    virtual void Invalidate();
    // Omitted coordinates keep their current (truncated) value. The surface
    // is re-created only when the size really changes.
    virtual void Move(std::optional<int> x = std::nullopt, std::optional<int> y = std::nullopt,
                      std::optional<int> width = std::nullopt,
                      std::optional<int> height = std::nullopt,
                      std::optional<bool> redraw = std::nullopt);
    virtual std::string Hint(std::optional<std::string> text = std::nullopt, bool notify = false);
    virtual void SetHostHint(const std::string& text);
    virtual void BindEvent(UINT code, EventHandler handler);
    virtual LPARAM Self(LPARAM value);
    virtual int Opacity(std::optional<int> alpha = std::nullopt, bool invalidate = false);
    virtual int FadeAlpha(std::optional<int> alpha = std::nullopt);
    virtual int FadeInterval(std::optional<int> milliseconds = std::nullopt);
    virtual LRESULT Send(UINT code, WPARAM wParam, LPARAM lParam);
    virtual int Cursor(std::optional<int> id = std::nullopt);

    // Slot 25: the class's message procedure. The base class handles nothing.
    virtual LRESULT MessageProc(UINT code, WPARAM wParam, LPARAM lParam);

    // The paint protocol of controls that crossfade between states: begin
    // (snapshot the old picture, clear the surface), draw on
    // record.graphics, end (start the fade timer, ask for a redraw).
    bool BeginSurfacePaint(SurfacePaint& record, std::optional<RectF> rect, bool crossfade);
    void EndSurfacePaint(const SurfacePaint& record);

    // Bound handler first, then the message procedure.
    LRESULT Dispatch(UINT code, WPARAM wParam, LPARAM lParam);

    // Fields 1 to 24.
    HWND hostWindow = nullptr;
    Element* handle = nullptr;
    Element* parent = nullptr;
    int visible = 0;
    int disabled = 0;
    int focusable = 0;
    int reserved7 = 0;  // set to 1 at creation; nothing reads it
    int cursor = 0;
    std::vector<EventBinding> eventTable;
    RectF rect;
    std::string hint;
    std::string hint2;
    int kind = 0;
    Element* firstChild = nullptr;
    Element* lastChild = nullptr;
    Element* prevSibling = nullptr;
    Element* nextSibling = nullptr;
    int fadeAlpha = 0;
    UniqueGpBitmap surface;
    UniqueGpGraphics surfaceGraphics;  // after `surface`, so it is deleted first
    UIHost* host = nullptr;
    int opacity = 0;
    UniqueGpBitmap fadeSnapshot;
    int fadeInterval = 0;

    // Used by the host when its window goes: fields 1 to 24 back to zero.
    void ResetFields();
    // Used by the host when its scale changes: the surface anew at the new
    // device size, the crossfade dropped; the next render pass draws it.
    void RemakeSurface();
    // The scale the surface is drawn at: its host's.
    DeviceScale Scale() const;

private:
    // The surface at the device size of `units` (width and height).
    void MakeSurface(const RectF& units);
    void Unlink();
    void AppendTo(Element* newParent);
    bool IsAncestorOf(const Element* other) const;
    void StopFadeTimer();
};

// The one way the host hands a message to an element; 0 for no element.
LRESULT DeliverToElement(Element* element, UINT msg, WPARAM wParam, LPARAM lParam);

// The window property through which elements find their host.
constexpr char kHostProperty[] = "Yn_Wnd_Control";
