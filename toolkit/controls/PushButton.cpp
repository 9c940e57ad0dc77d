#include "toolkit/controls/PushButton.h"

#include "toolkit/core/Text.h"
#include "toolkit/core/Toolkit.h"
#include "toolkit/draw/Colour.h"
#include "toolkit/draw/GdipOwners.h"
#include "toolkit/draw/GlowText.h"
#include "toolkit/draw/Shapes.h"
#include "toolkit/host/UIHost.h"

namespace {

constexpr int kButtonKind = 2;
constexpr int kCrossfadeInterval = 60;  // ms per crossfade step
constexpr int kCrossfadeStep = 51;
constexpr float kDefaultFontSize = 12.0f;
constexpr float kBodyCorner = 3.0f;
constexpr float kClipCorner = 4.0f;
constexpr float kCaptionInset = 3.0f;

// Start alphas of the crossfades: the lower, the longer the fade.
constexpr int kFadeEnterLeave = 51;
constexpr int kFadeCaption = 102;
constexpr int kFadePress = 153;
constexpr int kFadeSetting = 204;

// One state's look; entry k of both rows goes together: 0 body fill, 1 and 2
// the alphas of the top and bottom of the theme-colour gradient, 3 outer
// outline, 4 inner outline, 5 bottom line.
struct Appearance {
    COLORREF colour[6];
    int alpha[6];
};

constexpr Appearance kNormalLook{{0xECECEC, 0, 0, 0, 0xFFFFFF, 0}, {204, 0, 102, 80, 51, 25}};
constexpr Appearance kHotLook{{0xECECEC, 0, 0, 0, 0xFFFFFF, 0}, {204, 21, 153, 70, 51, 30}};
constexpr Appearance kPressedLook{{0xECECEC, 0, 0xECECEC, 0, 0xFFFFFF, 0},
                                  {204, 153, 21, 70, 51, 10}};
constexpr Appearance kFocusedLook{{0xECECEC, 0, 0, 0, 0xFFFFFF, 0}, {204, 51, 153, 80, 61, 25}};
constexpr Appearance kDimmedLook{{0xFFFFFF, 0, 0, 0, 0xFFFFFF, 0}, {51, 51, 51, 35, 30, 0}};

const Appearance* AppearanceOf(int state) {
    switch (state) {
        case kButtonNormal:
            return &kNormalLook;
        case kButtonHot:
            return &kHotLook;
        case kButtonPressed:
            return &kPressedLook;
        case kButtonFocused:
            return &kFocusedLook;
        case kButtonDimmed:
            return &kDimmedLook;
        default:
            return nullptr;
    }
}

UIHost* HostOf(HWND window) {
    auto* host = reinterpret_cast<UIHost*>(GetPropA(window, kHostProperty));
    return host && host->hwnd == window ? host : nullptr;
}

void OutlineRect(GpGraphics* graphics, const RectF& rect, Gdiplus::ARGB argb) {
    UniqueGpPen pen = MakePen(argb);
    if (pen) gp::GdipDrawRectangle(graphics, pen.get(), rect.X, rect.Y, rect.Width, rect.Height);
}

}  // namespace

int PushButton::MnemonicOf(const std::string& text) {
    const size_t amp = text.find('&');
    if (amp == std::string::npos || amp + 1 >= text.size()) return 0;
    const auto lead = static_cast<unsigned char>(text[amp + 1]);
    if (lead > 0x7F && amp + 2 < text.size())
        return (lead << 8) | static_cast<unsigned char>(text[amp + 2]);
    return lead;
}

GpFont* PushButton::CurrentFont() const {
    return font ? font.Handle() : DefaultFont;
}

LRESULT PushButton::MessageProc(UINT code, WPARAM wParam, LPARAM lParam) {
    const LRESULT hooked = PreMessageHook(this, code, wParam, lParam);
    if (hooked != -1) return hooked;
    switch (code) {
        case WM_CREATE:
            RegisterAccessKey();
            Layout();
            PaintState(state, kFadeCaption);
            break;
        case WM_DESTROY:
            ReleaseFont();
            format.Release();
            caption.clear();
            break;
        case WM_TIMER:
            FadeAlpha(fadeAlpha + kCrossfadeStep);
            Invalidate();
            break;
        case WM_LBUTTONDOWN:
            PaintState(kButtonPressed, kFadePress);
            break;
        case WM_LBUTTONUP:
            PaintState(kButtonHot, kFadePress);
            break;
        case kFocusGained:
            PaintState(kButtonFocused, kFadeSetting);
            break;
        case kFocusLost:
            PaintState(kButtonNormal, kFadeCaption);
            break;
        case kMouseEnter:
            PaintState(kButtonHot, kFadeEnterLeave);
            break;
        case kMouseLeave:
            PaintState(HasFocus() ? kButtonFocused : kButtonNormal, kFadeEnterLeave);
            break;
        default:
            break;
    }
    return -1;
}

void PushButton::Layout() {
    GpGraphics* graphics = surfaceGraphics.get();
    GpFont* current = CurrentFont();
    if (!graphics || !current) return;
    float fontHeight = 0;
    gp::GdipGetFontHeight(current, graphics, &fontHeight);
    const RectF layout(rect.X, rect.Y, rect.Width, fontHeight);
    const std::wstring text = ToWide(caption);
    RectF bounds(0, 0, 0, 0);
    gp::GdipMeasureString(graphics, text.c_str(), -1, current, &layout, format.Handle(), &bounds,
                          nullptr, nullptr);
    captionWidth = static_cast<float>(static_cast<int>(bounds.Width + 0.5f));
    captionHeight = static_cast<float>(static_cast<int>(bounds.Height + 0.5f));
}

Element* PushButton::CreateButton(HWND window, int x, int y, int width, int height,
                                  const std::string& text, const PushButtonOptions& options) {
    if (handle) return handle;
    textColour = options.textColour.value_or(ToArgb(0x000000, 210));
    if (options.fontFamily || options.fontSize || options.fontStyle) {
        const std::string family = options.fontFamily.value_or(FontFamilyName(DefaultFont));
        font.SetHandle(CreateFontByName(family, options.fontSize.value_or(kDefaultFontSize),
                                        options.fontStyle.value_or(0)));
    } else {
        font.Release();
    }
    format.Create(Gdiplus::StringFormatFlagsNoWrap);
    if (format) {
        gp::GdipSetStringFormatAlign(format.Handle(), Gdiplus::StringAlignmentNear);
        gp::GdipSetStringFormatTrimming(format.Handle(), Gdiplus::StringTrimmingNone);
        gp::GdipSetStringFormatHotkeyPrefix(format.Handle(), Gdiplus::HotkeyPrefixShow);
    }
    effectColour = options.effectColour;
    textEffect = options.textEffect;
    caption = text;
    if (options.corners) {
        corners = *options.corners;
    } else {
        UIHost* owner = HostOf(window);
        corners = owner ? owner->frameStyle : 0;
    }
    return Create(window,
                  RectF(static_cast<float>(x), static_cast<float>(y), static_cast<float>(width),
                        static_cast<float>(height)),
                  kButtonKind, options.visible.value_or(1), 1, kArrowCursor, kCrossfadeInterval);
}

void PushButton::RegisterAccessKey() {
    if (!hostWindow || !handle) return;
    SendMessageA(hostWindow, kRegisterMnemonic, reinterpret_cast<WPARAM>(handle),
                 static_cast<LPARAM>(MnemonicOf(caption)));
}

void PushButton::RepaintCurrent(int startAlpha) {
    PaintState(state, startAlpha);
}

std::string PushButton::Caption(std::optional<std::string> text) {
    if (text) {
        caption = std::move(*text);
        // The underlined character changes with the caption, so does the key.
        RegisterAccessKey();
        Layout();
        RepaintCurrent(kFadeCaption);
    }
    return caption;
}

Gdiplus::ARGB PushButton::TextColour(std::optional<Gdiplus::ARGB> colour) {
    if (colour) {
        textColour = *colour;
        RepaintCurrent(kFadeSetting);
    }
    return textColour;
}

int PushButton::TextEffect(std::optional<int> effect) {
    if (effect) {
        textEffect = *effect;
        RepaintCurrent(kFadeSetting);
    }
    return textEffect;
}

void PushButton::ReplaceFont(const std::string& family, float size, int style) {
    GpFont* made = CreateFontByName(family, size, style);
    if (!made) return;  // keep drawing with the font we have
    font.SetHandle(made);
    Layout();
    RepaintCurrent(kFadeSetting);
}

std::string PushButton::FontFamily(std::optional<std::string> name) {
    if (name) ReplaceFont(*name, FontSize(), FontStyle());
    return FontFamilyName(CurrentFont());
}

int PushButton::FontStyle(std::optional<int> style) {
    if (style) ReplaceFont(FontFamily(), FontSize(), *style);
    INT current = 0;
    if (GpFont* f = CurrentFont()) gp::GdipGetFontStyle(f, &current);
    return current;
}

float PushButton::FontSize(std::optional<float> size) {
    if (size) ReplaceFont(FontFamily(), *size, FontStyle());
    Gdiplus::REAL current = 0;
    if (GpFont* f = CurrentFont()) gp::GdipGetFontSize(f, &current);
    return current;
}

GpFont* PushButton::Font(std::optional<GpFont*> newFont) {
    if (newFont && *newFont != CurrentFont()) {
        // DefaultFont belongs to the toolkit: referring to it is dropping ours.
        if (!*newFont || *newFont == DefaultFont)
            font.Release();
        else
            font.SetHandle(*newFont);
        Layout();
        RepaintCurrent(kFadeSetting);
    }
    return CurrentFont();
}

GpStringFormat* PushButton::Format(std::optional<GpStringFormat*> newFormat) {
    if (newFormat && *newFormat != format.Handle()) {
        if (*newFormat)
            format.SetHandle(*newFormat);
        else
            format.Release();
        Layout();
        RepaintCurrent(kFadeSetting);
    }
    return format.Handle();
}

Gdiplus::ARGB PushButton::EffectColour(std::optional<Gdiplus::ARGB> colour) {
    if (colour) {
        effectColour = *colour;
        RepaintCurrent(kFadeSetting);
    }
    return effectColour;
}

int PushButton::Corners(std::optional<int> value) {
    if (value) {
        corners = *value;
        RepaintCurrent(kFadeSetting);
    }
    return corners;
}

void PushButton::ReleaseFont() {
    font.Release();
}

int PushButton::PaintBackgroundHook(SurfacePaint&, int) {
    return 0;
}

int PushButton::PaintCaptionHook(SurfacePaint&, int, const RectF&) {
    return 0;
}

LRESULT PushButton::PreMessageHook(Element*, UINT, WPARAM, LPARAM) {
    return -1;
}

void PushButton::PaintState(int newState, int startAlpha) {
    state = newState;
    FadeAlpha(startAlpha);
    const float width = static_cast<float>(static_cast<int>(rect.Width));
    const float height = static_cast<float>(static_cast<int>(rect.Height));
    SurfacePaint record;
    if (!BeginSurfacePaint(record, RectF(0, 0, width, height), true)) return;
    GpGraphics* g = record.graphics;
    if (!g) {
        EndSurfacePaint(record);
        return;
    }

    RectF r(0, 0, width - 1, height - 1);
    if (PaintBackgroundHook(record, state) == 0) {
        const Appearance* look = AppearanceOf(state);
        const bool rounded = corners != 0;
        UniqueGpPath clip;
        if (rounded) {
            clip = RoundedPath(RectF(0, 0, width, height), kClipCorner);
            if (clip) ClipPath(g, clip.get());
        }
        if (look) {
            auto entry = [look](int k) { return ToArgb(look->colour[k], look->alpha[k]); };
            const COLORREF theme = record.host->themeColor;
            FillRoundedPath(g, r, kBodyCorner, entry(0));
            GradientFill(g, r, ToArgb(theme, look->alpha[1]), ToArgb(theme, look->alpha[2]));
            if (rounded) {
                clip.reset();
                ResetClip(g);
                RoundedOutline(g, r, kBodyCorner, entry(3));
                r = OffsetRectF(r, 1, 1, -2, -2);
                RoundedOutline(g, r, kBodyCorner, entry(4));
            } else {
                OutlineRect(g, r, entry(3));
                r = OffsetRectF(r, 1, 1, -2, -2);
                OutlineRect(g, r, entry(4));
            }
            StrokeLine(g, entry(5), r.X, r.Height + 2, r.Width, r.Height + 2);
        }
        if (clip) ResetClip(g);
    }

    const float shift = state == kButtonPressed ? 1.0f : 0.0f;
    const RectF inner(kCaptionInset, kCaptionInset, width - 2 * kCaptionInset,
                      height - 2 * kCaptionInset);
    ClipRect(g, inner);
    const RectF box(inner.X + (inner.Width - captionWidth) / 2 + shift + 1,
                    inner.Y + (inner.Height - captionHeight) / 2 + shift, captionWidth,
                    captionHeight);
    PaintCaptionHook(record, state, box);
    DrawGlowText(g, box, ToWide(caption), CurrentFont(), textColour, format.Handle(), textEffect,
                 effectColour ? std::optional<Gdiplus::ARGB>(effectColour) : std::nullopt);
    ResetClip(g);
    EndSurfacePaint(record);
}
