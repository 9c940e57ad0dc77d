#include "toolkit/controls/PngControl.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Dib.h"
#include "platform/Dpi.h"
#include "platform/Handle.h"
#include "platform/LayeredPresent.h"
#include "platform/PixelSize.h"
#include "toolkit/controls/GdipFontObject.h"
#include "toolkit/controls/GdipStringFormatObject.h"
#include "toolkit/controls/GlobalMemoryStream.h"
#include "toolkit/controls/SkinFrameCache.h"
#include "toolkit/core/Toolkit.h"
#include "toolkit/draw/Colour.h"
#include "toolkit/draw/DeviceScale.h"
#include "toolkit/draw/GdipOwners.h"
#include "toolkit/draw/Geometry.h"
#include "toolkit/draw/ScalePixels.h"

namespace {

constexpr char kTimeProp[] = "PngControl_Time";
constexpr char kBackImageProp[] = "PngControl_BackImage";
constexpr char kTypeProp[] = "PngControl_Type";
constexpr char kBackTypeProp[] = "PngControl_BackType";
constexpr char kBackColorProp[] = "PngControl_BackColor";
constexpr char kBackAlphaProp[] = "PngControl_BackAlpha";
constexpr char kOrderColorProp[] = "PngControl_OrderColor";
constexpr char kOrderAlphaProp[] = "PngControl_OrderAlpha";
constexpr char kTextColorProp[] = "PngControl_TextColor";
constexpr char kNormalImageProp[] = "PngControl_NormalImage";
constexpr char kOverImageProp[] = "PngControl_OverlImage";
constexpr char kDownImageProp[] = "PngControl_DownImage";
constexpr char kDisableImageProp[] = "PngControl_DisableImage";
constexpr char kDrawStateProp[] = "Orbit_DrawState";
constexpr char kWndProcProp[] = "PngControl_WndProc";
constexpr char kChildWndProcProp[] = "PngControl_ChildWndProc";
// The skinned window's composite and the layer's own picture (a Surface*).
constexpr char kSurfaceProp[] = "PngControl_Surface";

constexpr UINT_PTR kSubclassId = 0x506E67;
constexpr int kCaretHeight = 12;

// Module-wide: the focused text field, the skinned window that owns it, and the
// caret-blink phase.
HWND focusedField = nullptr;
HWND focusOwner = nullptr;
int blinkPhase = 0;

GpImage* ImageProp(HWND window, const char* name) {
    return static_cast<GpImage*>(GetPropA(window, name));
}

// Numbers are stored in handle-sized properties; only the low 32 bits count, so
// a COLORREF of -1 reads as -1 however the caller widened it.
int IntProp(HWND window, const char* name) {
    const auto value = reinterpret_cast<std::uintptr_t>(GetPropA(window, name));
    return static_cast<int>(static_cast<std::uint32_t>(value));
}

void SetIntProp(HWND window, const char* name, int value) {
    SetPropA(window, name, reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(value)));
}

// One skinned window's composite: a premultiplied top-down 32-bit DIB section
// selected into a memory DC, and a GDI+ bitmap and graphics over the same pixels,
// kept while the window's size stays. Also holds the picture the layer decoded
// for this window: either as GDI+ decoded it, with the memory it was read from,
// or, for pictures it can pack, the window's store of packed pictures and one
// bitmap over a buffer into which the current one is unpacked.
class Surface {
public:
    Surface() = default;
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;
    ~Surface() {
        ReleasePicture();
        FreeBuffers();
    }

    // Ready for a composite of w x h; false when it cannot be made.
    bool Fit(int w, int h) {
        if (bits && w == width && h == height) return true;
        FreeBuffers();
        if (PixelCount(w, h) == 0) return false;
        BITMAPINFO info = Argb32Info(w, h);
        void* pixels = nullptr;
        dc.reset(CreateCompatibleDC(nullptr));
        dib.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
        if (!dc || !dib || !pixels) {
            FreeBuffers();
            return false;
        }
        previous = SelectObject(dc.get(), dib.get());
        gp::GdipCreateBitmapFromScan0(w, h, w * 4, PixelFormat32bppPARGB,
                                      static_cast<BYTE*>(pixels), bitmap.put());
        if (bitmap) gp::GdipGetImageGraphicsContext(bitmap.get(), graphics.put());
        if (!graphics) {
            FreeBuffers();
            return false;
        }
        bits = static_cast<std::uint32_t*>(pixels);
        width = w;
        height = h;
        return true;
    }

    void FreeBuffers() {
        graphics.reset();
        bitmap.reset();
        if (dc && previous) SelectObject(dc.get(), previous);
        previous = nullptr;
        dib.reset();
        dc.reset();
        bits = nullptr;
        width = height = 0;
        composed = false;
        onScreen = false;
    }

    // The picture goes before the memory it may still read.
    void ReleasePicture() {
        picture.image.reset();
        picture.stream.Release();
        frame.reset();
        frameBits.reset();
        frameWidth = frameHeight = 0;
    }

    // Unpacks `packed` into the frame bitmap, made anew only when the size
    // changes. False, with nothing released, when it cannot be made (memory
    // short: the picture is then drawn as nothing, never a crash). On
    // success an earlier frame bitmap may be gone: the caller points the
    // background at `frame` at once.
    bool ShowFrame(const PackedPicture& packed) {
        const int w = packed.Width(), h = packed.Height();
        if (!frame || w != frameWidth || h != frameHeight) {
            std::unique_ptr<std::uint32_t[]> bits = AllocatePixels(w, h);
            if (!bits) return false;
            UniqueGpBitmap made;
            gp::GdipCreateBitmapFromScan0(w, h, w * 4, PixelFormat32bppPARGB,
                                          reinterpret_cast<BYTE*>(bits.get()), made.put());
            if (!made) return false;
            frame = std::move(made);
            frameBits = std::move(bits);
            frameWidth = w;
            frameHeight = h;
        }
        picture.image.reset();
        picture.stream.Release();
        packed.Expand(frameBits.get(), static_cast<std::size_t>(w), w, h);
        return true;
    }

    // Whether `image` is a picture the layer made.
    bool Owns(GpImage* image) const {
        return image && (image == picture.get() || image == frame.get());
    }

    int width = 0;
    int height = 0;
    std::uint32_t* bits = nullptr;
    bool composed = false;
    bool clicksEverywhere = false;  // no pixel left at alpha 0
    UniqueMemoryDc dc;
    UniqueBitmap dib;
    HGDIOBJ previous = nullptr;
    UniqueGpBitmap bitmap;
    UniqueGpGraphics graphics;  // declared after the bitmap it draws into
    StreamImage picture;
    SkinFrameCache frames;
    DeviceScale framesScale;  // the scale the stored pictures were made at
    std::unique_ptr<std::uint32_t[]> frameBits;
    UniqueGpBitmap frame;  // over frameBits
    // Whether the window shows the composite as it is, but for the caret
    // column in `caretShown` (empty when no caret is shown).
    bool onScreen = false;
    RECT caretShown{};
    int frameWidth = 0;
    int frameHeight = 0;
};

Surface* SurfaceOf(HWND window) {
    return static_cast<Surface*>(GetPropA(window, kSurfaceProp));
}

void DropSurface(HWND window);

// Watches the skinned window so its composite and picture go with it.
LRESULT CALLBACK SkinnedWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                   DWORD_PTR) {
    if (msg == WM_NCDESTROY) {
        if (window == focusOwner) focusOwner = focusedField = nullptr;
        RemovePropA(window, kTimeProp);
        DropSurface(window);
    }
    return DefSubclassProc(window, msg, wParam, lParam);
}

Surface* EnsureSurface(HWND window) {
    if (Surface* surface = SurfaceOf(window)) return surface;
    if (!IsWindow(window)) return nullptr;
    auto* surface = new Surface;
    SetPropA(window, kSurfaceProp, surface);
    SetWindowSubclass(window, SkinnedWindowProc, kSubclassId, 0);
    return surface;
}

// A picture at the window's scale: made once as it enters the store, so an
// animation's frames are resampled once per scale, never per frame. Empty
// when it cannot be made (the picture is then shown at its own size).
PackedPicture AtScale(const PackedPicture& picture, const DeviceScale& scale) {
    const int w = picture.Width(), h = picture.Height();
    const int targetW = scale.Pixels(static_cast<float>(w));
    const int targetH = scale.Pixels(static_cast<float>(h));
    if (targetW <= 0 || targetH <= 0 || targetW > 65535 || PixelCount(targetW, targetH) == 0)
        return {};
    const std::unique_ptr<std::uint32_t[]> pixels = AllocatePixels(w, h);
    if (!pixels) return {};
    picture.Expand(pixels.get(), static_cast<std::size_t>(w), w, h);
    const std::vector<std::uint32_t> scaled = ScalePixels(pixels.get(), w, h, targetW, targetH);
    if (scaled.empty()) return {};
    return PackedPicture::Pack(scaled.data(), targetW, targetH);
}

void DropSurface(HWND window) {
    Surface* surface = SurfaceOf(window);
    if (!surface) return;
    RemoveWindowSubclass(window, SkinnedWindowProc, kSubclassId);
    RemovePropA(window, kSurfaceProp);
    // The background property must not outlive the picture it names.
    if (surface->Owns(ImageProp(window, kBackImageProp))) RemovePropA(window, kBackImageProp);
    delete surface;
}

// Where `child` lies in the composite of `window` (whose top-left is the
// composite's origin).
RectF ChildRect(HWND window, HWND child) {
    RECT outer{}, inner{};
    GetWindowRect(window, &outer);
    GetWindowRect(child, &inner);
    OffsetRect(&inner, -outer.left, -outer.top);
    return RectToRectF(inner);
}

// The picture in `rect`: 1 stretched, 2 fitted keeping its aspect ratio and
// centred, otherwise at its own size from the top-left, cropped to the rect.
void PlacePicture(GpGraphics* graphics, GpImage* picture, const RectF& rect, int backType) {
    const float w = static_cast<float>(ImageWidth(picture));
    const float h = static_cast<float>(ImageHeight(picture));
    if (w <= 0 || h <= 0) return;
    if (backType == 1) {
        gp::GdipDrawImageRect(graphics, picture, rect.X, rect.Y, rect.Width, rect.Height);
    } else if (backType == 2) {
        const float scale = std::min(rect.Width / w, rect.Height / h);
        const float dw = w * scale, dh = h * scale;
        gp::GdipDrawImageRect(graphics, picture, rect.X + (rect.Width - dw) / 2,
                              rect.Y + (rect.Height - dh) / 2, dw, dh);
    } else if (w - rect.Width > 1e-7f || h - rect.Height > 1e-7f) {
        // Only the part that exists in the picture: a picture wider but shorter
        // than the child must not be smeared downwards.
        const float sw = std::min(w, rect.Width), sh = std::min(h, rect.Height);
        gp::GdipDrawImageRectRect(graphics, picture, rect.X, rect.Y, sw, sh, 0, 0, sw, sh,
                                  Gdiplus::UnitPixel, nullptr, nullptr, nullptr);
    } else {
        gp::GdipDrawImageRect(graphics, picture, rect.X, rect.Y, w, h);
    }
}

GpImage* StateButtonPicture(HWND child) {
    const char* name = nullptr;
    switch (IntProp(child, kDrawStateProp)) {
        case 1:
            name = kOverImageProp;
            break;
        case 2:
            name = kDownImageProp;
            break;
        case 3:
            name = kDisableImageProp;
            break;
        default:
            break;
    }
    GpImage* picture = name ? ImageProp(child, name) : nullptr;
    return picture ? picture : ImageProp(child, kNormalImageProp);
}

void DrawFieldText(GpGraphics* graphics, HWND child, const RectF& rect) {
    const int length = GetWindowTextLengthW(child);
    if (length <= 0) return;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(child, text.data(), length + 1)));
    if (text.empty()) return;
    GdipFontObject font;
    font.CreateFromWindow(child);
    // A child left with the system font still shows its text, in the toolkit's.
    GpFont* face = font ? font.Handle() : DefaultFont;
    if (!face) return;
    GdipStringFormatObject format;
    format.Create(Gdiplus::StringFormatFlagsNoWrap | Gdiplus::StringFormatFlagsNoFitBlackBox);
    format.SetAligns(Gdiplus::StringAlignmentNear, Gdiplus::StringAlignmentCenter);
    UniqueGpBrush brush = MakeSolidBrush(ToArgb(IntProp(child, kTextColorProp), 255));
    // Grey-scale anti-aliasing: ClearType fringes are wrong over transparent pixels.
    gp::GdipSetTextRenderingHint(graphics, Gdiplus::TextRenderingHintAntiAliasGridFit);
    const RectF layout(rect.X + 2, rect.Y + 2, rect.Width - 4, rect.Height - 4);
    gp::GdipDrawString(graphics, text.c_str(), static_cast<INT>(text.size()), face, &layout,
                       format.Handle(), brush.get());
}

void DrawChild(HWND window, HWND child, GpGraphics* graphics) {
    const int type = IntProp(child, kTypeProp);
    if (type != 2 && type != 3 && type != 4) return;
    const RectF rect = ChildRect(window, child);
    GpImage* picture = nullptr;
    if (type == 2) {
        picture = ImageProp(child, kBackImageProp);
    } else if (type == 3) {
        picture = StateButtonPicture(child);
    } else {
        picture = ImageProp(child, kBackImageProp);
        const int fill = IntProp(child, kBackColorProp);
        if (fill != -1) {
            UniqueGpBrush brush = MakeSolidBrush(ToArgb(fill, IntProp(child, kBackAlphaProp)));
            gp::GdipFillRectangle(graphics, brush.get(), rect.X, rect.Y, rect.Width, rect.Height);
        }
    }
    if (picture) PlacePicture(graphics, picture, rect, IntProp(child, kBackTypeProp));
    if (type != 4) return;
    const int border = IntProp(child, kOrderColorProp);
    if (border != -1) {
        GpPen* pen = nullptr;
        gp::GdipCreatePen1(ToArgb(border, IntProp(child, kOrderAlphaProp)), 1, Gdiplus::UnitPixel,
                           &pen);
        UniqueGpPen owner(pen);
        // On the child's own edge pixels, not one past its right and bottom.
        gp::GdipDrawRectangle(graphics, pen, rect.X, rect.Y, rect.Width - 1, rect.Height - 1);
    }
    DrawFieldText(graphics, child, rect);
}

// Clears the composite right of and below its top-left w x h pixels.
void ClearOutside(Surface& surface, int w, int h) {
    const size_t stride = static_cast<size_t>(surface.width);
    if (w < surface.width)
        for (int y = 0; y < h; ++y) std::memset(surface.bits + y * stride + w, 0, (stride - w) * 4);
    if (h < surface.height)
        std::memset(surface.bits + h * stride, 0, (surface.height - h) * stride * 4);
}

// The background picture decoded straight into the composite's pixels, converted
// to premultiplied ARGB on the way, cut to the composite; the rest of the
// composite is cleared. False when the picture is not a bitmap GDI+ can lock.
bool CopyBackground(Surface& surface, GpImage* back) {
    const size_t stride = static_cast<size_t>(surface.width);
    if (back == surface.frame.get()) {
        // The layer's own unpacked frame: already premultiplied, copied row by row.
        const int w = std::min(surface.frameWidth, surface.width);
        const int h = std::min(surface.frameHeight, surface.height);
        for (int y = 0; y < h; ++y)
            std::memcpy(surface.bits + y * stride,
                        surface.frameBits.get() + static_cast<size_t>(y) * surface.frameWidth,
                        static_cast<size_t>(w) * 4);
        ClearOutside(surface, w, h);
        return true;
    }
    Gdiplus::ImageType type = Gdiplus::ImageTypeUnknown;
    if (gp::GdipGetImageType(back, &type) != Gdiplus::Ok || type != Gdiplus::ImageTypeBitmap)
        return false;
    const int w = std::min(static_cast<int>(ImageWidth(back)), surface.width);
    const int h = std::min(static_cast<int>(ImageHeight(back)), surface.height);
    if (w <= 0 || h <= 0) return false;
    Gdiplus::BitmapData data{};
    data.Width = static_cast<UINT>(w);
    data.Height = static_cast<UINT>(h);
    data.Stride = surface.width * 4;
    data.PixelFormat = PixelFormat32bppPARGB;
    data.Scan0 = surface.bits;
    const Gdiplus::Rect rect(0, 0, w, h);
    auto* bitmap = static_cast<GpBitmap*>(back);
    if (gp::GdipBitmapLockBits(bitmap, &rect,
                               Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                               PixelFormat32bppPARGB, &data) != Gdiplus::Ok)
        return false;
    gp::GdipBitmapUnlockBits(bitmap, &data);
    ClearOutside(surface, w, h);
    return true;
}

// The same through GDI+ drawing, for pictures that cannot be locked (metafiles).
void DrawBackground(GpGraphics* graphics, GpImage* back) {
    // The background lands on empty pixels 1:1, so a plain copy is exact.
    gp::GdipSetCompositingMode(graphics, Gdiplus::CompositingModeSourceCopy);
    gp::GdipSetInterpolationMode(graphics, Gdiplus::InterpolationModeNearestNeighbor);
    gp::GdipSetPixelOffsetMode(graphics, Gdiplus::PixelOffsetModeHalf);
    gp::GdipDrawImageRectI(graphics, back, 0, 0, static_cast<INT>(ImageWidth(back)),
                           static_cast<INT>(ImageHeight(back)));
    gp::GdipSetCompositingMode(graphics, Gdiplus::CompositingModeSourceOver);
    gp::GdipSetInterpolationMode(graphics, Gdiplus::InterpolationModeDefault);
    gp::GdipSetPixelOffsetMode(graphics, Gdiplus::PixelOffsetModeDefault);
}

// Hands the composite to the window manager; with `caret`, the focused field's
// caret is put into the pixels for this presentation only. When only the caret
// changed since the last presentation (its blink), just its column is named,
// so the system copies and blends those pixels rather than the whole window.
void PresentSurface(HWND window, Surface& surface, bool caret) {
    std::uint32_t saved[kCaretHeight];
    int caretX = -1, caretTop = 0, caretRows = 0;
    if (caret && window == focusOwner && IsWindow(focusedField)) {
        const RectF field = ChildRect(window, focusedField);
        POINT position{};
        GetCaretPos(&position);
        caretX = static_cast<int>(field.X) + position.x + 5;
        caretTop = static_cast<int>(field.Y + (field.Height - kCaretHeight) / 2);
        if (caretX >= 0 && caretX < surface.width) {
            for (int i = 0; i < kCaretHeight; ++i) {
                const int y = caretTop + i;
                if (y < 0 || y >= surface.height) continue;
                std::uint32_t& pixel = surface.bits[y * surface.width + caretX];
                saved[caretRows++] = pixel;
                pixel = 0xFF000000;
            }
        }
    }
    RECT caretRect{};
    if (caretRows > 0)
        caretRect = {caretX, std::max(caretTop, 0), caretX + 1,
                     std::min(caretTop + kCaretHeight, surface.height)};
    const bool whole = !surface.onScreen;
    RECT dirty{0, 0, surface.width, surface.height};
    if (!whole) UnionRect(&dirty, &surface.caretShown, &caretRect);
    if (!IsRectEmpty(&dirty)) {
        surface.onScreen =
            PresentLayered(window, surface.dc.get(), SIZE{surface.width, surface.height},
                           whole ? nullptr : &dirty);
        surface.caretShown = caretRect;
    }
    // Put back exactly the pixels the caret covered, in the order they were taken.
    for (int i = 0, k = 0; k < caretRows; ++i) {
        const int y = caretTop + i;
        if (y < 0 || y >= surface.height) continue;
        surface.bits[y * surface.width + caretX] = saved[k++];
    }
}

void CALLBACK BlinkProc(HWND window, UINT, UINT_PTR, DWORD) {
    if (window != focusOwner || !focusedField) return;
    Surface* surface = SurfaceOf(window);
    if (!surface || !surface->composed) return;
    blinkPhase = !blinkPhase;
    SkinPresent(window, blinkPhase != 0);
}

LRESULT CALLBACK StateButtonProc(HWND child, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK TextFieldProc(HWND child, UINT msg, WPARAM wParam, LPARAM lParam);

bool IsLayerProc(LONG_PTR proc) {
    return proc == reinterpret_cast<LONG_PTR>(StateButtonProc) ||
           proc == reinterpret_cast<LONG_PTR>(TextFieldProc);
}

// Puts the child's own procedure back when the layer's is still in place.
void UnhookChild(HWND child) {
    HANDLE saved = GetPropA(child, kChildWndProcProp);
    if (!saved) return;
    if (IsLayerProc(GetWindowLongPtrW(child, GWLP_WNDPROC)))
        SetWindowLongPtrW(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(saved));
    RemovePropA(child, kChildWndProcProp);
    if (child == focusedField) focusedField = focusOwner = nullptr;
}

// The child's own procedure; W, so texts reach it as UTF-16 unchanged.
LRESULT Forward(HWND child, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto saved = reinterpret_cast<WNDPROC>(GetPropA(child, kChildWndProcProp));
    return saved ? CallWindowProcW(saved, child, msg, wParam, lParam)
                 : DefWindowProcW(child, msg, wParam, lParam);
}

LRESULT LastMessage(HWND child, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto saved = reinterpret_cast<WNDPROC>(GetPropA(child, kChildWndProcProp));
    UnhookChild(child);
    return saved ? CallWindowProcW(saved, child, msg, wParam, lParam)
                 : DefWindowProcW(child, msg, wParam, lParam);
}

void SetState(HWND child, int state) {
    SetIntProp(child, kDrawStateProp, state);
    SkinCompose(GetParent(child));
}

LRESULT CALLBACK StateButtonProc(HWND child, UINT msg, WPARAM wParam, LPARAM lParam) {
    const int state = IntProp(child, kDrawStateProp);
    switch (msg) {
        case WM_MOUSEMOVE:
            if (state != 1 && state != 2) {
                TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, child, 0};
                TrackMouseEvent(&track);
                SetState(child, 1);
            }
            break;
        case WM_MOUSELEAVE:
            SetState(child, 0);
            break;
        case WM_LBUTTONDOWN:
            SetState(child, 2);
            break;
        case WM_LBUTTONUP:
            SetState(child, state == 2 ? 1 : 0);
            break;
        case WM_ENABLE:
            SetState(child, wParam ? 0 : 3);
            break;
        case WM_NCDESTROY:
            return LastMessage(child, msg, wParam, lParam);
        default:
            break;
    }
    return Forward(child, msg, wParam, lParam);
}

LRESULT CALLBACK TextFieldProc(HWND child, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_SETFOCUS:
            focusedField = child;
            focusOwner = GetParent(child);
            blinkPhase = 0;
            break;
        case WM_KILLFOCUS:
            if (focusedField == child) focusedField = focusOwner = nullptr;
            break;
        case WM_SETTEXT:
        case WM_KEYDOWN:
        case WM_CHAR:
        case WM_IME_CHAR:
        case WM_LBUTTONUP:
        case WM_CUT:
        case WM_PASTE:
            break;
        case WM_NCDESTROY:
            return LastMessage(child, msg, wParam, lParam);
        default:
            return Forward(child, msg, wParam, lParam);
    }
    const LRESULT result = Forward(child, msg, wParam, lParam);
    SkinCompose(GetParent(child));
    return result;
}

// Everything the layer put on `window` and its children comes off again.
void Teardown(HWND window) {
    if (!window || !IsWindow(window)) return;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        UnhookChild(child);
    if (window == focusOwner) focusOwner = focusedField = nullptr;
    if (GetPropA(window, kTimeProp)) {
        KillTimer(window, kSkinBlinkTimer);
        RemovePropA(window, kTimeProp);
    }
    DropSurface(window);
}

// Makes `image` the window's background and composes. The layer's own
// picture is released once the property no longer names it.
void SetBackground(HWND window, GpImage* image, StreamImage* decoded) {
    Surface* surface = EnsureSurface(window);
    if (!surface) return;
    SetPropA(window, kBackImageProp, image);
    if (decoded) {
        surface->ReleasePicture();
        surface->picture = std::move(*decoded);
    } else if (!surface->Owns(image)) {
        surface->ReleasePicture();
    }
    SkinCompose(window);
}

}  // namespace

PngControl::~PngControl() {
    Teardown(window);
}

PngControl::PngControl(PngControl&& other) noexcept
    : window(std::exchange(other.window, nullptr)) {}

PngControl& PngControl::operator=(PngControl&& other) noexcept {
    if (this != &other) {
        if (window != other.window) Teardown(window);
        window = std::exchange(other.window, nullptr);
    }
    return *this;
}

bool PngControl::Attach(HWND target) {
    if (!target || !IsWindow(target)) return false;
    window = target;
    SetWindowLongPtrA(window, GWL_EXSTYLE, WS_EX_LAYERED);
    CreateCaret(window, nullptr, 1, kCaretHeight);
    if (!GetPropA(window, kTimeProp)) {
        SetTimer(window, kSkinBlinkTimer, 500, BlinkProc);
        SetIntProp(window, kTimeProp, static_cast<int>(kSkinBlinkTimer));
    }
    EnsureSurface(window);
    return true;
}

bool PngControl::TakeClicksEverywhere(bool on) {
    Surface* surface = IsAttached() ? SurfaceOf(window) : nullptr;
    if (!surface) return false;
    surface->clicksEverywhere = on;
    return true;
}

bool PngControl::SetBackImage(GpImage* image) {
    if (!IsAttached() || !image) return false;
    SetBackground(window, image, nullptr);
    return true;
}

bool PngControl::LoadBackImage(ByteBlock bytes) {
    if (!IsAttached() || bytes.empty()) return false;
    Surface* surface = EnsureSurface(window);
    if (!surface) return false;
    // Pictures are stored at the window's scale; a window moved to a display
    // of another scale starts a store for it, its budget grown with the
    // pictures' area so a whole animation still fits.
    const DeviceScale scale = DeviceScale::ForDpi(dpi::ForWindow(window));
    if (!(scale == surface->framesScale)) {
        const float area = scale.Factor() * scale.Factor();
        surface->frames =
            SkinFrameCache(static_cast<std::size_t>(SkinFrameCache::kDefaultBudget * area));
        surface->framesScale = scale;
    }
    // Each picture is decoded once while the window lives; the same bytes again
    // (the next round of an animation) are unpacked from the window's store.
    const PictureKey key = PictureKey::Of(bytes);
    const PackedPicture* packed = surface->frames.Find(key);
    PackedPicture picture;  // shown from here when the store is full
    if (!packed) {
        // A plain PNG (every fireworks frame) goes through libpng, which gives
        // the same pixels as GDI+ in half the time; the rest through GDI+.
        picture = PackedPicture::FromPlainPng(bytes);
        if (picture.Empty()) {
            StreamImage decoded = DecodeImage(bytes);
            if (!decoded) return false;
            picture = PackedPicture::FromImage(decoded.get());
            // What cannot be packed (a metafile) is drawn by GDI+ as it is.
            if (picture.Empty()) {
                SetBackground(window, decoded.get(), &decoded);
                return true;
            }
        }
        if (!scale.IsOne()) {
            PackedPicture scaled = AtScale(picture, scale);
            if (!scaled.Empty()) picture = std::move(scaled);
        }
        packed = surface->frames.Insert(key, std::move(picture));
        if (!packed) packed = &picture;
    }
    if (!surface->ShowFrame(*packed)) return false;
    SetBackground(window, surface->frame.get(), nullptr);
    return true;
}

void PngControl::HookChildren() {
    if (!IsAttached()) return;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const int type = IntProp(child, kTypeProp);
        if (type == 0) continue;
        if (HANDLE earlier = GetPropA(child, kWndProcProp)) {
            SetWindowLongPtrA(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(earlier));
            RemovePropA(child, kWndProcProp);
        }
        if (GetPropA(child, kChildWndProcProp)) continue;
        WNDPROC proc = type == 3 ? StateButtonProc : type == 4 ? TextFieldProc : nullptr;
        if (!proc) continue;
        const LONG_PTR previous =
            SetWindowLongPtrW(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
        SetPropA(child, kChildWndProcProp, reinterpret_cast<HANDLE>(previous));
    }
    SkinCompose(window);
}

void PngControl::Move(std::optional<int> x, std::optional<int> y, std::optional<int> width,
                      std::optional<int> height, std::optional<bool> noRedraw) {
    RECT current{};
    GetWindowRect(window, &current);
    UINT flags = SWP_NOZORDER;
    if (noRedraw.value_or(false)) flags |= SWP_NOREDRAW;
    if (!x && !y) flags |= SWP_NOMOVE;
    if (!width && !height) flags |= SWP_NOSIZE;
    SetWindowPos(window, nullptr, x.value_or(current.left), y.value_or(current.top),
                 width.value_or(current.right - current.left),
                 height.value_or(current.bottom - current.top), flags);
}

bool PngControl::IsAttached() const {
    return window && IsWindow(window);
}

LRESULT PngControl::Send(UINT msg, WPARAM wParam, LPARAM lParam) const {
    return SendMessageA(window, msg, wParam, lParam);
}

void SkinCompose(HWND window) {
    if (!window || !IsWindow(window)) return;
    RECT rect{};
    GetWindowRect(window, &rect);
    Surface* surface = EnsureSurface(window);
    if (!surface || !surface->Fit(rect.right - rect.left, rect.bottom - rect.top)) return;
    GpImage* back = ImageProp(window, kBackImageProp);
    if (!back || !CopyBackground(*surface, back)) {
        // Start fully transparent: whatever no picture covers stays see-through.
        std::memset(surface->bits, 0, static_cast<size_t>(surface->width) * surface->height * 4);
        if (back) DrawBackground(surface->graphics.get(), back);
    }
    GpGraphics* graphics = surface->graphics.get();
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IntProp(child, kTypeProp) != 0) DrawChild(window, child, graphics);
    gp::GdipFlush(graphics, Gdiplus::FlushIntentionSync);
    if (surface->clicksEverywhere) {
        // Premultiplied: an alpha-0 pixel is below 0x01000000 whatever its
        // colour, and 0x01000000 is alpha 1 over black.
        std::uint32_t* const end =
            surface->bits + static_cast<size_t>(surface->width) * surface->height;
        for (std::uint32_t* p = surface->bits; p != end; ++p) *p = std::max(*p, 0x01000000u);
    }
    surface->composed = true;
    surface->onScreen = false;
    PresentSurface(window, *surface, false);
}

void SkinPresent(HWND window, bool caret) {
    Surface* surface = window ? SurfaceOf(window) : nullptr;
    if (!surface || !surface->composed) return;
    RECT rect{};
    GetWindowRect(window, &rect);
    // A composite of another size would resize the window back: compose anew.
    if (rect.right - rect.left != surface->width || rect.bottom - rect.top != surface->height) {
        SkinCompose(window);
        return;
    }
    PresentSurface(window, *surface, caret);
}

SkinComposite SkinCompositeOf(HWND window) {
    Surface* surface = window ? SurfaceOf(window) : nullptr;
    if (!surface || !surface->composed) return {};
    return {surface->bits, surface->width, surface->height};
}

std::size_t SkinCachedBytes(HWND window) {
    const Surface* surface = window ? SurfaceOf(window) : nullptr;
    return surface ? surface->frames.Bytes() : 0;
}
