// The native units: label, timer, picture box, drawing panel, transparent label.
#include <windows.h>

#include <algorithm>

#include "platform/Dib.h"
#include "runtime/FrameClock.h"
#include "runtime/Internal.h"
#include "runtime/PictureScale.h"
#include "runtime/Text.h"

namespace runtime::detail {

namespace {

constexpr UINT_PTR kTimerId = 1000;  // the one window timer of a timer unit

COLORREF Or(COLORREF colour, COLORREF fallback) {
    return colour == kDefaultColour ? fallback : colour;
}

void FillSolid(HDC dc, const RECT& r, COLORREF colour) {
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

struct TextStyle {
    std::string caption;
    COLORREF colour = 0;
    FontDescription font{};
    bool hasFont = false;
    TextAlign align = TextAlign::Left;
    bool centreVertically = false;

    void From(const UnitDescription& d) {
        caption = d.caption ? d.caption : "";
        colour = d.textColour;
        hasFont = d.font != nullptr;
        if (d.font) font = *d.font;
        align = d.align;
        centreVertically = d.centreVertically;
    }
    void To(UnitDescription& d) const {
        d.caption = caption.c_str();
        d.textColour = colour;
        d.font = hasFont ? &font : nullptr;
        d.align = align;
        d.centreVertically = centreVertically;
    }
};

// The default GUI font at another scale: its face at 8 points.
HFONT GuiFontAt(UINT dpi) {
    LOGFONTW lf{};
    if (!GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf)) return nullptr;
    lf.lfHeight = -MulDiv(8, static_cast<int>(dpi), 72);
    lf.lfWidth = 0;
    return CreateFontIndirectW(&lf);
}

// Draws the caption without a background, in a font cached for the wanted
// anti-aliasing (none on a colour-keyed window: fringes would show the key)
// and the form's scale: the description's height, or the GUI font's, in units.
class TextPainter {
public:
    void Paint(HDC dc, const RECT& r, const TextStyle& style, bool noAntialias, UINT dpi) {
        const bool ownFont = style.hasFont || dpi != dpi::kBase;
        if (ownFont && (!font_ || noAntialias != noAntialias_ || dpi != dpi_)) {
            font_.reset(style.hasFont ? CreateFontFrom(&style.font, noAntialias, dpi)
                                      : GuiFontAt(dpi));
            noAntialias_ = noAntialias;
            dpi_ = dpi;
        }
        HGDIOBJ font = font_ ? static_cast<HGDIOBJ>(font_.get()) : GetStockObject(DEFAULT_GUI_FONT);
        HGDIOBJ old = SelectObject(dc, font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, style.colour);
        UINT flags = DT_NOPREFIX;
        flags |= style.align == TextAlign::Centre  ? DT_CENTER
                 : style.align == TextAlign::Right ? DT_RIGHT
                                                   : DT_LEFT;
        flags |= style.centreVertically ? (DT_SINGLELINE | DT_VCENTER) : DT_WORDBREAK;
        std::wstring text = Widen(style.caption);
        RECT box = r;
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, flags);
        SelectObject(dc, old);
    }
    void Reset() { font_.reset(); }

private:
    UniqueFontHandle font_;
    bool noAntialias_ = false;
    UINT dpi_ = dpi::kBase;
};

// ---- label ----------------------------------------------------------------

class Label : public Unit {
public:
    Label(Form* f, const UnitDescription& d) : Unit(f, UnitKind::Label, d) {
        style_.From(d);
        backColour_ = d.backColour;
    }
    void Create(HWND parent) override { CreateChildWindow(kLabelClass, parent); }
    int GetInt(int index) const override {
        if (index == 17) return static_cast<int>(style_.colour);
        return Unit::GetInt(index);
    }
    void SetInt(int index, int value) override {
        if (index != 17) return Unit::SetInt(index, value);
        style_.colour = static_cast<COLORREF>(value);
        Changed();
    }
    std::string GetText(int index) const override { return index == 8 ? style_.caption : ""; }
    void SetText(int index, std::string_view text) override {
        if (index != 8) return;
        style_.caption = text;
        Changed();
    }
    std::unique_ptr<Unit> Copy(std::uint32_t newId) const override {
        UnitDescription d = Snapshot();
        d.id = newId;
        style_.To(d);
        d.backColour = backColour_;
        return std::make_unique<Label>(form, d);
    }
    LRESULT OnMessage(UINT msg, WPARAM, LPARAM) override {
        if (msg == WM_ERASEBKGND) return 1;
        if (msg != WM_PAINT) return kNotHandled;
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT r;
        GetClientRect(hwnd, &r);
        FillSolid(dc, r, Or(backColour_, GetSysColor(COLOR_BTNFACE)));
        painter_.Paint(dc, r, style_, form->ColourKeyed(), form->dpi);
        EndPaint(hwnd, &ps);
        return 0;
    }

private:
    void Changed() {
        if (!hwnd) return;
        InvalidateRect(hwnd, nullptr, FALSE);
        Refresh(hwnd);
    }
    TextStyle style_;
    COLORREF backColour_;
    TextPainter painter_;
};

// ---- transparent label ----------------------------------------------------

class TransparentLabel : public Unit {
public:
    TransparentLabel(Form* f, const UnitDescription& d) : Unit(f, UnitKind::TransparentLabel, d) {
        style_.From(d);
    }
    void Create(HWND) override { Invalidate(); }
    void PaintWindowless(HDC dc, bool colourKeyed) override {
        RECT r{left, top, left + width, top + height};
        painter_.Paint(dc, r, style_, colourKeyed, form->dpi);
    }
    int GetInt(int index) const override {
        if (index == 17) return static_cast<int>(style_.colour);
        return Unit::GetInt(index);
    }
    void SetInt(int index, int value) override {
        switch (index) {
            case 5:
                visible = value != 0;
                break;
            case 17:
                style_.colour = static_cast<COLORREF>(value);
                break;
            default:
                return Unit::SetInt(index, value);
        }
        Invalidate();
        Refresh(ContainerWindow());
    }
    std::string GetText(int index) const override { return index == 8 ? style_.caption : ""; }
    void SetText(int index, std::string_view text) override {
        if (index != 8) return;
        style_.caption = text;
        Invalidate();
        Refresh(ContainerWindow());
    }
    void Move(std::optional<int> l, std::optional<int> t, std::optional<int> w,
              std::optional<int> h) override {
        Invalidate();
        Unit::Move(l, t, w, h);
        Invalidate();
        Refresh(ContainerWindow());
    }
    std::unique_ptr<Unit> Copy(std::uint32_t newId) const override {
        UnitDescription d = Snapshot();
        d.id = newId;
        style_.To(d);
        return std::make_unique<TransparentLabel>(form, d);
    }

private:
    void Invalidate() {
        HWND holder = ContainerWindow();
        RECT r{left, top, left + width, top + height};
        if (holder) InvalidateRect(holder, &r, TRUE);
    }
    TextStyle style_;
    TextPainter painter_;
};

// ---- timer ----------------------------------------------------------------

class Timer : public Unit {
public:
    Timer(Form* f, const UnitDescription& d)
        : Unit(f, UnitKind::Timer, d), interval_(std::max(0, d.interval)) {}
    void Create(HWND) override {
        CreateWindowExW(0, kTimerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                        GetModuleHandleW(nullptr), static_cast<Unit*>(this));
        if (hwnd && interval_ > 0) SetTimer(hwnd, kTimerId, static_cast<UINT>(interval_), nullptr);
    }
    void Destroy() override {
        if (!hwnd) return;
        KillTimer(hwnd, kTimerId);
        DestroyWindow(hwnd);
        hwnd = nullptr;
    }
    int GetInt(int index) const override {
        if (index == 8) return interval_;
        return Unit::GetInt(index);
    }
    void SetInt(int index, int value) override {
        if (index == 5) {
            visible = value != 0;
            return;
        }
        if (index != 8) return Unit::SetInt(index, value);
        if (value < 0) value = 0;
        if (value == interval_) return;
        interval_ = value;
        if (!hwnd) return;
        KillTimer(hwnd, kTimerId);
        if (interval_ > 0) SetTimer(hwnd, kTimerId, static_cast<UINT>(interval_), nullptr);
    }
    void Move(std::optional<int> l, std::optional<int> t, std::optional<int> w,
              std::optional<int> h) override {
        left = l.value_or(left);
        top = t.value_or(top);
        width = w.value_or(width);
        height = h.value_or(height);
    }
    std::unique_ptr<Unit> Copy(std::uint32_t newId) const override {
        UnitDescription d = Snapshot();
        d.id = newId;
        d.interval = interval_;
        return std::make_unique<Timer>(form, d);
    }
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM) override {
        if (msg != WM_TIMER || wParam != kTimerId) return kNotHandled;
        Raise(EventKind::Tick);
        return 0;
    }

private:
    int interval_;
};

// ---- picture box ----------------------------------------------------------

// Shows its picture over its background colour; an animated GIF steps on the
// thread's frame clock while the box is visible.
class PictureBox : public Unit, private FrameClock::Client {
public:
    PictureBox(Form* f, const UnitDescription& d, Picture picture, Picture shown = {},
               UINT shownDpi = 0)
        : Unit(f, UnitKind::PictureBox, d),
          picture_(std::move(picture)),
          source_(d.picture),
          shown_(std::move(shown)),
          shownDpi_(shownDpi),
          backColour_(d.backColour),
          fit_(d.fit) {}
    ~PictureBox() override { FrameClock::Stop(*this); }
    void Create(HWND parent) override {
        CreateChildWindow(kPictureBoxClass, parent);
        Prepare();
    }
    void SetInt(int index, int value) override {
        Unit::SetInt(index, value);
        if (index == 5) Animate();
    }
    Picture GetPicture(int index) const override { return index == 10 ? picture_ : Picture(); }
    void SetPicture(int index, const Picture& picture) override {
        if (index != 10) return;
        picture_ = picture;
        source_ = {};
        shownDpi_ = 0;
        Prepare();
        if (hwnd) {
            InvalidateRect(hwnd, nullptr, FALSE);
            Refresh(hwnd);
        }
    }
    std::unique_ptr<Unit> Copy(std::uint32_t newId) const override {
        UnitDescription d = Snapshot();
        d.id = newId;
        d.backColour = backColour_;
        d.fit = fit_;
        d.picture = source_;
        return std::make_unique<PictureBox>(form, d, picture_, shown_, shownDpi_);
    }
    void Rescale(UINT from, UINT to) override {
        Unit::Rescale(from, to);
        Prepare();
        if (hwnd) InvalidateRect(hwnd, nullptr, FALSE);
    }
    LRESULT OnMessage(UINT msg, WPARAM, LPARAM) override {
        switch (msg) {
            case WM_ERASEBKGND:
                return 1;
            case WM_PAINT: {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(hwnd, &ps);
                Paint(dc);
                EndPaint(hwnd, &ps);
                return 0;
            }
            case WM_DESTROY:
                FrameClock::Stop(*this);
                return kNotHandled;
            default:
                return kNotHandled;
        }
    }

private:
    void Prepare() {
        FrameClock::Stop(*this);
        frame_ = 0;
        // The picture at the form's scale, made once per scale: embedded
        // bytes through the program-wide store, so copies and later openings
        // share it.
        if (shownDpi_ != form->dpi || shown_.FrameCount() != picture_.FrameCount()) {
            shown_ = form->dpi == dpi::kBase ? picture_
                     : source_.empty()       ? PictureAtDpi(picture_, form->dpi)
                                             : LoadPictureAtDpi(source_, form->dpi);
            shownDpi_ = form->dpi;
        }
        Animate();
    }
    unsigned Delay() const {
        unsigned delay = picture_.FrameAt(frame_).delayMs;
        return delay < 20 ? 100 : delay;  // as browsers do for GIFs without a usable delay
    }
    // The clock runs the box only while there is something to animate.
    void Animate() {
        if (hwnd && visible && picture_.FrameCount() >= 2)
            FrameClock::Start(*this, Delay());
        else
            FrameClock::Stop(*this);
    }
    // The new frame is drawn at once through the box's own DC (CS_OWNDC),
    // clipped to what of the box shows, as a WM_PAINT would draw it, but
    // without the update region's round: under Wine BeginPaint and EndPaint,
    // and a cached DC's visible region, are server round trips that cost
    // several times the drawing. A pending update region still brings its
    // WM_PAINT, which draws the same frame.
    unsigned Step() override {
        frame_ = (frame_ + 1) % picture_.FrameCount();
        if (HDC dc = hwnd ? GetDC(hwnd) : nullptr) {
            Paint(dc);
            ReleaseDC(hwnd, dc);
        }
        return Delay();
    }
    // The frame, then the background around it: no pixel is drawn twice, so
    // nothing flickers when the frame is drawn outside WM_PAINT. The own DC
    // keeps its clip region, so it is cleared again.
    void Paint(HDC dc) {
        RECT r;
        GetClientRect(hwnd, &r);
        // The memory DC is kept: under Wine a new DC realises its default
        // font, which costs more than the copy.
        if (!frameDc_) frameDc_.reset(CreateCompatibleDC(dc));
        // Stretched boxes are drawn from the picture itself, the others at
        // its size for the form's scale.
        const Picture& drawnPicture = fit_ == PictureFit::Stretched ? picture_ : shown_;
        const HBITMAP frame =
            drawnPicture.FlattenedBitmap(frame_, Or(backColour_, RGB(255, 255, 255)));
        if (frame && frameDc_) {
            HDC mem = frameDc_.get();
            HGDIOBJ old = SelectObject(mem, frame);
            int pw = drawnPicture.Width(), ph = drawnPicture.Height();
            RECT drawn = r;
            if (fit_ == PictureFit::Stretched) {
                SetStretchBltMode(dc, HALFTONE);
                StretchBlt(dc, 0, 0, r.right, r.bottom, mem, 0, 0, pw, ph, SRCCOPY);
            } else {
                int x = fit_ == PictureFit::Centred ? (r.right - pw) / 2 : 0;
                int y = fit_ == PictureFit::Centred ? (r.bottom - ph) / 2 : 0;
                BitBlt(dc, x, y, pw, ph, mem, 0, 0, SRCCOPY);
                drawn = RECT{x, y, x + pw, y + ph};
            }
            SelectObject(mem, old);
            ExcludeClipRect(dc, drawn.left, drawn.top, drawn.right, drawn.bottom);
        }
        FillSolid(dc, r, Or(backColour_, RGB(255, 255, 255)));
        SelectClipRgn(dc, nullptr);
    }

    Picture picture_;
    ByteBlock source_;  // the embedded bytes it was decoded from, if any
    Picture shown_;
    UINT shownDpi_ = 0;
    COLORREF backColour_;
    PictureFit fit_;
    UniqueMemoryDc frameDc_;  // no frame stays selected into it between paints
    size_t frame_ = 0;
};

// ---- drawing panel ----------------------------------------------------------

// A panel keeps everything drawn on it in a surface of its own size, so it
// repaints without asking anybody and drawings show at once.
class DrawingPanel : public Unit {
public:
    DrawingPanel(Form* f, const UnitDescription& d, Picture background)
        : Unit(f, UnitKind::DrawingPanel, d),
          backColour_(d.backColour),
          background_(std::move(background)) {}
    ~DrawingPanel() override { ReleaseSurface(); }

    void Create(HWND parent) override {
        CreateChildWindow(kPanelClass, parent, WS_CLIPCHILDREN);
        Resize(true);
    }
    void Move(std::optional<int> l, std::optional<int> t, std::optional<int> w,
              std::optional<int> h) override {
        left = l.value_or(left);
        top = t.value_or(top);
        width = std::max(0, w.value_or(width));
        height = std::max(0, h.value_or(height));
        Resize(false);
        if (hwnd) {
            MoveWindow(hwnd, left, top, width, height, TRUE);
            Refresh(ContainerWindow());
        }
    }
    Picture GetPicture(int index) const override { return index == 10 ? background_ : Picture(); }
    void SetPicture(int index, const Picture& picture) override {
        if (index != 10) return;
        background_ = picture;
        Clear();
    }
    std::unique_ptr<Unit> Copy(std::uint32_t newId) const override {
        UnitDescription d = Snapshot();
        d.id = newId;
        d.backColour = backColour_;
        return std::make_unique<DrawingPanel>(form, d, background_);
    }
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM) override {
        switch (msg) {
            case WM_ERASEBKGND:
                return 1;
            case WM_PAINT: {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(hwnd, &ps);
                PaintTo(dc, ps.rcPaint);
                EndPaint(hwnd, &ps);
                return 0;
            }
            case WM_PRINTCLIENT: {
                RECT r{0, 0, width, height};
                PaintTo(reinterpret_cast<HDC>(wParam), r);
                return 0;
            }
            default:
                return kNotHandled;
        }
    }

    void Clear() {
        if (!dc_) return;
        PaintBackground(dc_.get(), 0, 0, surfaceWidth_, surfaceHeight_);
        Show(nullptr);
    }

    void Draw(const Picture& given, int x, int y, std::optional<int> w, std::optional<int> h,
              std::uint32_t modeWord) {
        if (given.Empty() || !dc_) return;
        int dw = w.value_or(given.Width()), dh = h.value_or(given.Height());
        if (dw <= 0 || dh <= 0) return;
        auto mode = static_cast<std::int32_t>(modeWord);
        const COLORREF key = static_cast<COLORREF>(-static_cast<std::int64_t>(mode)) & 0x00FFFFFF;
        // At another size the picture is resampled to it (kept with the
        // picture for the next draw) and drawn pixel for pixel: sharp, where
        // a stretch would drop or repeat pixels. Raster operations stretch.
        const bool copies = mode <= 1 || mode > 5;
        const Picture& picture =
            copies ? given.Resized(dw, dh, mode < 0 ? std::optional<COLORREF>(key) : std::nullopt)
                   : given;
        if (picture.Empty()) return;
        const int pw = picture.Width(), ph = picture.Height();
        HDC surface = dc_.get();
        HDC src = CreateCompatibleDC(surface);
        SetStretchBltMode(surface, COLORONCOLOR);
        if (mode < 0) {
            DrawMasked(surface, src, picture, x, y, dw, dh, key);
        } else if ((mode == 1 || mode == 0 || mode > 5) && picture.HasAlpha()) {
            HGDIOBJ old = SelectObject(src, picture.PremultipliedBitmap(0));
            BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            AlphaBlend(surface, x, y, dw, dh, src, 0, 0, pw, ph, blend);
            SelectObject(src, old);
        } else {
            static constexpr DWORD kRops[] = {SRCCOPY,  SRCCOPY,   SRCAND,
                                              SRCPAINT, SRCINVERT, NOTSRCCOPY};
            DWORD rop = mode >= 1 && mode <= 5 ? kRops[mode] : SRCCOPY;
            HGDIOBJ old = SelectObject(src, picture.Bitmap(0));
            StretchBlt(surface, x, y, dw, dh, src, 0, 0, pw, ph, rop);
            SelectObject(src, old);
        }
        DeleteDC(src);
        RECT changed{x, y, x + dw, y + dh};
        Show(&changed);
    }

    Picture Content() const {
        if (!surface_ || !bits_) return {};
        std::vector<Picture::Frame> frames(1);
        frames[0].pixels.resize(static_cast<size_t>(surfaceWidth_) * surfaceHeight_);
        GdiFlush();
        const auto* bits = static_cast<const std::uint32_t*>(bits_);
        std::copy(bits, bits + frames[0].pixels.size(), frames[0].pixels.begin());
        for (auto& p : frames[0].pixels) p |= 0xFF000000u;
        return Picture(surfaceWidth_, surfaceHeight_, std::move(frames));
    }

private:
    void PaintTo(HDC dc, const RECT& r) {
        if (dc_)
            BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, dc_.get(), r.left, r.top,
                   SRCCOPY);
        PaintWindowlessUnits(*form, this, dc);
    }

    // Picture pixels of `key` (and fully transparent ones) leave the surface
    // unchanged: a monochrome mask marks them, then the picture is combined
    // with the surface through it (x ^ s, & mask, ^ s).
    void DrawMasked(HDC surface, HDC src, const Picture& picture, int x, int y, int dw, int dh,
                    COLORREF key) {
        int pw = picture.Width(), ph = picture.Height();
        const auto& pixels = picture.FrameAt(0).pixels;
        std::uint32_t keyArgb = (GetRValue(key) << 16) | (GetGValue(key) << 8) | GetBValue(key);
        size_t stride = ((static_cast<size_t>(pw) + 15) / 16) * 2;  // WORD-aligned rows
        std::vector<unsigned char> bits(stride * static_cast<size_t>(ph), 0);
        for (int row = 0; row < ph; ++row) {
            const std::uint32_t* line = pixels.data() + static_cast<size_t>(row) * pw;
            unsigned char* out = bits.data() + static_cast<size_t>(row) * stride;
            for (int col = 0; col < pw; ++col) {
                std::uint32_t p = line[col];
                if ((p & 0x00FFFFFF) == keyArgb || (p >> 24) == 0)
                    out[col >> 3] |= static_cast<unsigned char>(0x80 >> (col & 7));
            }
        }
        UniqueBitmap mask(CreateBitmap(pw, ph, 1, 1, bits.data()));
        HDC maskDc = CreateCompatibleDC(surface);
        HGDIOBJ oldMask = SelectObject(maskDc, mask.get());
        HGDIOBJ old = SelectObject(src, picture.Bitmap(0));
        COLORREF oldBk = SetBkColor(surface, RGB(255, 255, 255));
        COLORREF oldText = SetTextColor(surface, RGB(0, 0, 0));
        StretchBlt(surface, x, y, dw, dh, src, 0, 0, pw, ph, SRCINVERT);
        StretchBlt(surface, x, y, dw, dh, maskDc, 0, 0, pw, ph, SRCAND);
        StretchBlt(surface, x, y, dw, dh, src, 0, 0, pw, ph, SRCINVERT);
        SetBkColor(surface, oldBk);
        SetTextColor(surface, oldText);
        SelectObject(src, old);
        SelectObject(maskDc, oldMask);
        DeleteDC(maskDc);
    }

    void PaintBackground(HDC dc, int x, int y, int w, int h) {
        RECT r{x, y, x + w, y + h};
        FillSolid(dc, r, Or(backColour_, RGB(255, 255, 255)));
        if (background_.Empty()) return;
        HDC src = CreateCompatibleDC(dc);
        int pw = background_.Width(), ph = background_.Height();
        if (background_.HasAlpha()) {
            HGDIOBJ old = SelectObject(src, background_.PremultipliedBitmap(0));
            BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            AlphaBlend(dc, 0, 0, pw, ph, src, 0, 0, pw, ph, blend);
            SelectObject(src, old);
        } else {
            HGDIOBJ old = SelectObject(src, background_.Bitmap(0));
            BitBlt(dc, 0, 0, pw, ph, src, 0, 0, SRCCOPY);
            SelectObject(src, old);
        }
        DeleteDC(src);
    }

    // A surface of the panel's size; what was drawn is kept where it fits.
    void Resize(bool fresh) {
        int w = std::max(1, width), h = std::max(1, height);
        if (dc_ && !fresh && w == surfaceWidth_ && h == surfaceHeight_) return;
        HDC screen = GetDC(nullptr);
        UniqueMemoryDc dc(CreateCompatibleDC(screen));
        ReleaseDC(nullptr, screen);
        BITMAPINFO info = Argb32Info(w, h);
        void* bits = nullptr;
        UniqueBitmap bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!dc || !bitmap) return;
        HGDIOBJ old = SelectObject(dc.get(), bitmap.get());
        PaintBackground(dc.get(), 0, 0, w, h);
        if (dc_ && !fresh)
            BitBlt(dc.get(), 0, 0, std::min(w, surfaceWidth_), std::min(h, surfaceHeight_),
                   dc_.get(), 0, 0, SRCCOPY);
        ReleaseSurface();
        dc_ = std::move(dc);
        surface_ = std::move(bitmap);
        bits_ = bits;
        oldBitmap_ = old;
        surfaceWidth_ = w;
        surfaceHeight_ = h;
    }

    void ReleaseSurface() {
        if (dc_ && oldBitmap_) SelectObject(dc_.get(), oldBitmap_);
        oldBitmap_ = nullptr;
        surface_.reset();
        bits_ = nullptr;
        dc_.reset();
    }

    void Show(const RECT* changed) {
        if (!hwnd) return;
        InvalidateRect(hwnd, changed, FALSE);
        Refresh(hwnd);
    }

    COLORREF backColour_;
    Picture background_;
    UniqueMemoryDc dc_;
    UniqueBitmap surface_;
    void* bits_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    int surfaceWidth_ = 0;
    int surfaceHeight_ = 0;
};

LRESULT CALLBACK UnitWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* unit = static_cast<Unit*>(cs->lpCreateParams);
        SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(unit));
        unit->hwnd = hwnd;
    }
    Unit* unit = UnitFromWindow(hwnd);
    if (!unit) return DefWindowProcW(hwnd, msg, wParam, lParam);
    switch (msg) {
        case WM_RBUTTONDOWN:
        case WM_LBUTTONDOWN: {
            int r = unit->Raise(
                msg == WM_RBUTTONDOWN ? EventKind::RightButtonDown : EventKind::LeftButtonDown,
                static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)),
                static_cast<int>(wParam));
            if (r != -1) return 0;
            break;
        }
        case WM_NCDESTROY:
            unit->hwnd = nullptr;
            SetWindowLongPtrW(hwnd, 0, 0);
            return DefWindowProcW(hwnd, msg, wParam, lParam);
        default: {
            LRESULT r = unit->OnMessage(msg, wParam, lParam);
            if (r != Unit::kNotHandled) return r;
            break;
        }
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

HFONT CreateFontFrom(const FontDescription* font, bool noAntialias, UINT dpi) {
    if (!font) return nullptr;
    LOGFONTW lf{};
    lf.lfHeight = dpi::ToDevice(font->height, dpi);
    lf.lfWeight = font->weight;
    lf.lfItalic = font->italic;
    lf.lfUnderline = font->underline;
    lf.lfStrikeOut = font->strikeOut;
    lf.lfCharSet = font->charset;
    lf.lfQuality = noAntialias ? NONANTIALIASED_QUALITY : ANTIALIASED_QUALITY;
    std::wstring face = Widen(font->face ? font->face : "");
    wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    return CreateFontIndirectW(&lf);
}

std::unique_ptr<Unit> MakeUnit(Form* form, const UnitDescription& d) {
    switch (d.kind) {
        case UnitKind::Label:
            return std::make_unique<Label>(form, d);
        case UnitKind::TransparentLabel:
            return std::make_unique<TransparentLabel>(form, d);
        case UnitKind::Timer:
            return std::make_unique<Timer>(form, d);
        case UnitKind::PictureBox:
            return std::make_unique<PictureBox>(form, d, LoadPicture(d.picture));
        case UnitKind::DrawingPanel:
            return std::make_unique<DrawingPanel>(form, d, LoadPicture(d.picture));
        case UnitKind::Window:
            break;
    }
    return nullptr;
}

void RegisterUnitClasses(HINSTANCE instance) {
    for (const wchar_t* name : {kLabelClass, kTimerClass, kPictureBoxClass, kPanelClass}) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = UnitWindowProc;
        wc.cbWndExtra = sizeof(void*);
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
        wc.lpszClassName = name;
        // A picture box draws its frames outside WM_PAINT, through a DC of its own.
        if (name == kPictureBoxClass) wc.style = CS_OWNDC;
        RegisterClassExW(&wc);
    }
}

void PanelDraw(Unit* panel, const Picture& picture, int x, int y, std::optional<int> width,
               std::optional<int> height, std::uint32_t mode) {
    if (panel && panel->kind == UnitKind::DrawingPanel)
        static_cast<DrawingPanel*>(panel)->Draw(picture, x, y, width, height, mode);
}

Picture PanelContent(Unit* panel) {
    if (!panel || panel->kind != UnitKind::DrawingPanel) return {};
    return static_cast<DrawingPanel*>(panel)->Content();
}

void PanelClear(Unit* panel) {
    if (panel && panel->kind == UnitKind::DrawingPanel) static_cast<DrawingPanel*>(panel)->Clear();
}

}  // namespace runtime::detail
