#pragma once
// The host window: takes over an ordinary top-level window, keeps a tree of
// elements, composes everything into a 32-bit back buffer and presents it
// per-pixel translucent (UpdateLayeredWindow) or by copying rectangles.
//
// The fields are public and keep their order: elements and the drawing code
// read them (rendering, focused, windowDC, backDC, backGraphics, ...).
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ByteBlock.h"
#include "platform/Handle.h"
#include "toolkit/core/Gdip.h"
#include "toolkit/draw/DeviceScale.h"
#include "toolkit/draw/FrameCache.h"
#include "toolkit/draw/GdipOwners.h"
#include "toolkit/draw/Geometry.h"
#include "toolkit/host/RedrawQueue.h"

class Element;

// Application callbacks.
using PaintCallback = std::function<void(HWND, GpGraphics*, int width, int height)>;
using SizeCallback = std::function<void(HWND, int width, int height)>;
// A result other than -1 is returned to the system at once.
using MessageHook = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

// Caption features (captionFlags).
enum CaptionFlag : int {
    kCaptionIcon = 1,          // window icon at the left; the title starts at x = 30
    kCaptionTitle = 2,         // window title drawn in the caption
    kCaptionClose = 4,         // close button, 39 pixels wide
    kCaptionMaximise = 8,      // maximise button and double-click maximise
    kCaptionMinimise = 16,     // minimise button
    kCaptionFromStyle = 1024,  // take bits 1..16 from the native window style
};

struct HostSize {
    int width = 0;
    int height = 0;
};

struct Mnemonic {
    Element* element;
    int character;
};

// The optional arguments of Attach, in their order; omitted ones take the
// defaults the comments give.
struct AttachOptions {
    std::optional<ByteBlock> bgSource = std::nullopt;  // background picture; none
    std::optional<COLORREF> color = std::nullopt;      // theme colour; the picture's average colour
    std::optional<int> captionFlags = std::nullopt;    // behaves as kCaptionFromStyle
    std::optional<int> translucency = std::nullopt;    // -1: opaque window; otherwise layered
    std::optional<int> bgMode = std::nullopt;          // 0
    std::optional<int> frameStyle = std::nullopt;      // 7
    std::optional<int> ignored = std::nullopt;         // accepted and unused
    std::optional<bool> fixedSize = std::nullopt;      // true: no sizing border
    bool noDrag = false;
    std::optional<int> blendFlag = std::nullopt;  // 1
    bool blurBehind = false;
};

class UIHost {
public:
    UIHost();
    // Detaches from a window it still holds, then frees its thunk.
    virtual ~UIHost();
    // A host subclasses one window and owns its buffers: it is not copied.
    UIHost(const UIHost&) = delete;
    UIHost& operator=(const UIHost&) = delete;

    // Slots 2 to 27, in table order.
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void RequestRedraw(const RectF& rect, Element* element);
    // `text` omitted: the element's own hint.
    virtual void UpdateTooltip(Element* element, std::optional<std::string> text);
    virtual int OnSysKeyDown(WPARAM character, LPARAM lParam);
    virtual int OnKeyDown(UINT msg, WPARAM key, LPARAM lParam);
    // Restores the window procedure and releases everything; the second call
    // does nothing. The host can then attach again.
    virtual void OnDestroy(HWND window);
    virtual void OnSize(HWND window, WPARAM wParam, LPARAM lParam);
    virtual int SetMnemonic(Element* element, int character);
    // Mouse interaction: hot and pressed elements, clicks, window drag.
    virtual void OnMouse(UINT msg, WPARAM wParam, LPARAM lParam);
    // Resizing from the edge bands; nonzero when the edge took the message.
    virtual int ResizeHitTest(UINT msg, LPARAM lParam);
    // Ends a held press without a click: its release was not seen here or
    // the capture went to another window. `position` is the pointer's.
    void AbandonPress(LPARAM position);
    // False, changing nothing, for a null handle, a non-window, a window of
    // another process, the window it holds, or while it holds another one.
    virtual bool Attach(HWND window, const AttachOptions& options = {});
    virtual int Resizable(std::optional<int> value);
    virtual int Draggable(std::optional<int> value);
    virtual int FrameStyle(std::optional<int> value);
    // The full redraw: frame, background, cache, elements; then the picture
    // is presented. A source is decoded as the new background (its average
    // colour becomes the theme colour unless a colour other than -1 is given).
    virtual int Render(std::optional<ByteBlock> source, std::optional<COLORREF> colour);
    virtual void DrawCaption();
    virtual int Accept(int a, int b);
    virtual void SetBackgroundSourceKind(int kind);
    virtual void SetKeepBackground(int keep);
    virtual void SetUserValueA(int value);
    virtual void SetFocusElement(Element* element);
    virtual void Show(int show);
    virtual void InvalidateNative(std::optional<RECT> rect);
    virtual void SetUserValueB(int value);
    virtual void SetPaintCallback(PaintCallback callback);
    virtual void SetMessageHook(std::optional<MessageHook> hook);

    // Hands the back buffer to the screen: the whole window when layered,
    // otherwise the rectangle (whole window when omitted). While the window
    // is hidden nothing goes out; the whole picture does as it is shown.
    void Present(std::optional<RectF> rect = std::nullopt);
    // The render pass without presentation (OnSize presents on its own).
    int RenderPass(std::optional<ByteBlock> source, std::optional<COLORREF> colour);
    // True when `element` is linked into this host's tree.
    bool IsLiveElement(const Element* element) const;
    // Drops every host field and access key that names `element`.
    void ForgetElement(Element* element);
    // The window moved to a display of another DPI (WM_DPICHANGED): takes the
    // system's `suggested` window rectangle (device pixels; none keeps the
    // place and scales the size), re-makes every surface and the buffers at
    // the new scale, renders and presents again.
    void Rescale(UINT dpi, const RECT* suggested);

    // Fields 1 to 48.
    HWND hwnd = nullptr;
    UIHost* selfRef = nullptr;
    WNDPROC prevWndProc = nullptr;
    WNDPROC wndProcThunk = nullptr;  // made once per host, reused by every Attach
    Element* focused = nullptr;
    Element* hot = nullptr;
    Element* pressed = nullptr;
    int pressing = 0;
    int rendering = 0;
    std::optional<WindowDc> windowDC;
    UniqueMemoryDc backDC;
    UniqueBitmap backBitmap;
    HBITMAP backPrevBitmap = nullptr;  // the DC's own stock bitmap, selected back on release
    UniqueGpGraphics backGraphics;
    // backBitmap's pixels, written directly where Wine's GDI+ would blend a
    // shape's whole bounding box through the DC (toolkit/draw/DirectPixels.h).
    PixelTarget backTarget;
    UniqueMemoryDc cacheDC;
    UniqueGpImage bgImage;
    UniqueGlobal bgImageMemory;  // the stream memory behind bgImage; outlives it
    int bgSourceKind = 0;        // 0: bgSource is copied in; 1: the caller's constant block
    ByteBlock bgSource;
    int keepBackground = 0;
    COLORREF themeColor = 0;
    Element* firstElement = nullptr;
    Element* lastElement = nullptr;
    int captionFlags = 0;
    UniqueWindow tooltipWnd;
    int frameStyle = 0;
    int translucency = 0;
    int bgMode = 0;
    int userValueA = 0;
    int resizable = 0;
    int draggable = 0;
    int blendFlag = 0;
    int userValueB = 0;
    HostSize size;
    UniqueGpPath clipPath;
    UniqueBitmap cacheBitmap;
    HBITMAP cachePrevBitmap = nullptr;
    Element* keyboardFocus = nullptr;
    int blurBehind = 0;
    PaintCallback paintCallback;
    SizeCallback sizeCallback;
    MessageHook messageHook;
    int trackingLeave = 0;
    std::vector<Mnemonic> mnemonics;
    RECT nineGridRect{};
    std::vector<std::unique_ptr<Element>> captionButtons;
    // The caption buttons' picture strip at this host's scale, made once for
    // all of them.
    UniqueGpBitmap captionStrip;
    DeviceScale captionStripScale;
    RedrawQueue redrawQueue;
    TTTOOLINFOA toolInfo{};
    // The frame of the last render pass (everything under the elements),
    // reused while its inputs stay the same.
    FrameCache frameCache;
    // The window's DPI / 96. `size`, element rectangles and the mouse
    // positions elements see are units; the buffers are `deviceSize`.
    DeviceScale scale;
    HostSize deviceSize;

    // The back buffer's pixels, top row first; empty without a buffer.
    PixelTarget BackTarget() const { return backTarget; }
    // `draw` once on each of four graphics over the back buffer's pixels that
    // together cover a band along the window's edges (`depth` units deep at
    // the top and bottom, `side` at the left and right, in whole device
    // pixels): a ring drawn there costs its band, not the window, as it would
    // through the DC. Once over the whole buffer where the window is too
    // small for bands.
    void DrawInEdgeBands(float depth, float side, const std::function<void(GpGraphics*)>& draw);

private:
    HDC WindowDcHandle() const { return windowDC ? windowDC->get() : nullptr; }
    LRESULT DefaultProcessing(WNDPROC previous, HWND window, UINT msg, WPARAM wParam,
                              LPARAM lParam);
    void FillMinMaxInfo(MINMAXINFO* info) const;
    Element* FindTimerElement(WPARAM id) const;
    Element* WheelTarget(LPARAM lParam) const;
    void NativeRepaint();
    void CreateBuffers();
    // Every back-buffer pixel transparent black, whatever the clip.
    void ClearBack();
    // `argb` written over every back-buffer pixel the clip lets through, as
    // GdipGraphicsClear does.
    void FillClipped(Gdiplus::ARGB argb);
    // The window's rectangle becomes `deviceSize`, and `size` in units.
    void TakeWindowSize();
    // A mouse message's client position, device pixels to units.
    LPARAM PositionToUnits(LPARAM position) const;
    void ReleaseBuffers();
    void ReleaseBackground();
    // Present without looking at the window's visibility.
    void PresentNow(std::optional<RectF> rect);
    // The picture that Present kept back while the window was hidden.
    void PresentPendingPicture();
    // Fill, background picture, border, `icon` and shadow of a render pass,
    // drawn into the back buffer over transparency.
    void DrawFrame(HICON icon);
    void CreateCaptionButtons();
    void CreateTooltip();
    void DestroyTooltip();
    void DestroyTree(Element* first);

    std::string bgSourceCopy;     // the bytes behind bgSource when bgSourceKind is 0
    std::string tooltipText;      // the text toolInfo points at
    bool presentPending = false;  // a present was skipped while the window was hidden
    DeviceScale buffersScale;     // the scale the buffers were made at
    // The window and procedure of the last detach: a subclass that sat on top
    // of ours may put our thunk back after we left (the tooltip's does when its
    // tool goes while a message is being handled); late messages are passed on.
    HWND detachedWindow = nullptr;
    WNDPROC detachedProc = nullptr;
};
