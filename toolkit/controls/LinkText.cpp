#include "toolkit/controls/LinkText.h"

#include <shellapi.h>

#include <utility>

#include "toolkit/core/Text.h"
#include "toolkit/core/Toolkit.h"
#include "toolkit/draw/Colour.h"
#include "toolkit/draw/GdipOwners.h"
#include "toolkit/draw/GlowText.h"
#include "toolkit/draw/Shapes.h"

namespace {

constexpr int kLinkKind = 3;
constexpr int kCrossfadeInterval = 60;  // ms per crossfade step
constexpr int kCrossfadeStep = 51;
constexpr int kHoverStartAlpha = 153;
constexpr int kLeaveStartAlpha = 51;
constexpr float kDefaultFontSize = 12.0f;
constexpr float kInset = 2.0f;             // caption margin inside the element
constexpr float kBackgroundCorner = 3.0f;  // corner size of the background shape
constexpr char kMailPrefix[] = "mailto:";

INT_PTR OpenWithShell(const std::wstring& target) {
    const HINSTANCE result =
        ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, L"", SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result);
}

LinkOpener& Opener() {
    static LinkOpener opener = OpenWithShell;
    return opener;
}

}  // namespace

LinkOpener LinkText::SetOpener(LinkOpener opener) {
    LinkOpener previous = std::exchange(Opener(), opener ? std::move(opener) : OpenWithShell);
    return previous;
}

LRESULT LinkText::MessageProc(UINT code, WPARAM wParam, LPARAM lParam) {
    const LRESULT linkResult = LinkMessage(code, wParam, lParam);
    if (linkResult != -1) return linkResult;
    switch (code) {
        case WM_CREATE:
            Measure();
            LinkInit();
            Paint();
            break;
        case WM_TIMER:
            FadeAlpha(fadeAlpha + kCrossfadeStep);
            Invalidate();
            break;
        case WM_DESTROY:
            DeleteFont();
            stringFormat.Release();
            caption.clear();
            break;
        case kFocusGained:
            Paint();
            break;
        default:
            break;
    }
    return -1;
}

void LinkText::Measure() {
    measured = Gdiplus::SizeF(0, 0);
    if (caption.empty()) return;
    // Before creation there is no surface to measure on; any graphics will do.
    ArgbCanvas scratch;
    GpGraphics* graphics = surfaceGraphics.get();
    if (!graphics) {
        scratch = ArgbCanvas::Create(1, 1);
        graphics = scratch.graphics.get();
    }
    if (!graphics) return;
    const std::wstring text = ToWide(caption);
    const RectF layout(0, 0, 0, 0);  // no limit
    RectF box;
    if (gp::GdipMeasureString(graphics, text.c_str(), -1, CurrentFont(), &layout,
                              stringFormat.Handle(), &box, nullptr, nullptr) == Gdiplus::Ok)
        measured = Gdiplus::SizeF(box.Width, box.Height);
}

Element* LinkText::Create(HWND window, int x, int y, int width, int height, const std::string& text,
                          const LinkTextOptions& options) {
    if (handle) return handle;
    textColour = options.textColour.value_or(ToArgb(0, 210));
    gradientMode = options.gradientMode.value_or(0);
    gradientColour1 = options.gradientColour1.value_or(0);
    gradientColour2 = options.gradientColour2.value_or(0);
    wrap = options.wrap.value_or(0);
    textEffect = options.textEffect.value_or(0);
    effectColour = options.effectColour.value_or(0);
    backColour = options.backColour.value_or(0);
    caption = text;
    font.Release();
    if (options.fontName || options.fontSize || options.fontStyle) {
        ReplaceFont(options.fontName.value_or(FontFamilyName(DefaultFont)),
                    options.fontSize.value_or(kDefaultFontSize), options.fontStyle.value_or(0));
    }
    stringFormat.Create(Gdiplus::StringFormatFlagsNoWrap, 0);
    stringFormat.SetAligns(static_cast<Gdiplus::StringAlignment>(
                               options.alignment.value_or(Gdiplus::StringAlignmentNear)),
                           Gdiplus::StringAlignmentNear);
    if (stringFormat)
        gp::GdipSetStringFormatTrimming(stringFormat.Handle(), Gdiplus::StringTrimmingNone);
    Element::Create(window,
                    RectF(static_cast<float>(x), static_cast<float>(y), static_cast<float>(width),
                          static_cast<float>(height)),
                    kLinkKind, options.visible.value_or(1), 1, std::nullopt, kCrossfadeInterval);
    // Setting up the link resets the layout to a measured box; a layout the
    // caller asked for wins.
    if (options.wrap && *options.wrap != wrap) Wrap(*options.wrap);
    return handle;
}

std::string LinkText::Caption(std::optional<std::string> text) {
    if (text) {
        caption = std::move(*text);
        Measure();
        Paint();
    }
    return caption;
}

Gdiplus::ARGB LinkText::TextColour(std::optional<Gdiplus::ARGB> value) {
    if (value) {
        textColour = *value;
        Paint();
    }
    return textColour;
}

int LinkText::GradientMode(std::optional<int> value) {
    if (value) {
        gradientMode = *value;
        Paint();
    }
    return gradientMode;
}

Gdiplus::ARGB LinkText::GradientColour1(std::optional<Gdiplus::ARGB> value) {
    if (value) {
        gradientColour1 = *value;
        Paint();
    }
    return gradientColour1;
}

Gdiplus::ARGB LinkText::GradientColour2(std::optional<Gdiplus::ARGB> value) {
    if (value) {
        gradientColour2 = *value;
        Paint();
    }
    return gradientColour2;
}

Gdiplus::ARGB LinkText::EffectColour(std::optional<Gdiplus::ARGB> value) {
    if (value) {
        effectColour = *value;
        Paint();
    }
    return effectColour;
}

GpFont* LinkText::CurrentFont() const {
    return font ? font.Handle() : DefaultFont;
}

void LinkText::ReplaceFont(const std::string& name, float size, int style) {
    // Back at the default font's family, size and style the shared font itself
    // is used again, so a hover leaves the caption exactly as it was.
    if (DefaultFont) {
        Gdiplus::REAL defaultSize = 0;
        INT defaultStyle = 0;
        gp::GdipGetFontSize(DefaultFont, &defaultSize);
        gp::GdipGetFontStyle(DefaultFont, &defaultStyle);
        if (size == defaultSize && style == defaultStyle && name == FontFamilyName(DefaultFont)) {
            font.Release();
            return;
        }
    }
    // The old font goes only once the new one exists: the caption always has one.
    if (GpFont* made = CreateFontByName(name, size, style)) font.SetHandle(made);
}

std::string LinkText::FontName(std::optional<std::string> name) {
    if (name) {
        ReplaceFont(*name, FontSize(), FontStyle());
        Measure();
        Paint();
    }
    return FontFamilyName(CurrentFont());
}

int LinkText::FontStyle(std::optional<int> style) {
    if (style) {
        ReplaceFont(FontName(), FontSize(), *style);
        Measure();
        Paint();
    }
    INT current = 0;
    if (GpFont* f = CurrentFont()) gp::GdipGetFontStyle(f, &current);
    return current;
}

float LinkText::FontSize(std::optional<float> size) {
    if (size) {
        ReplaceFont(FontName(), *size, FontStyle());
        Measure();
        Paint();
    }
    Gdiplus::REAL current = 0;
    if (GpFont* f = CurrentFont()) gp::GdipGetFontSize(f, &current);
    return current;
}

GpFont* LinkText::Font(std::optional<GpFont*> value) {
    if (value) {
        if (*value == DefaultFont || !*value)
            font.Release();
        else if (*value != font.Handle())
            font.SetHandle(*value);
        Measure();
        Paint();
    }
    return CurrentFont();
}

void LinkText::StringFormat(GpStringFormat* format) {
    if (format == stringFormat.Handle()) return;
    stringFormat.SetHandle(format);
    Measure();
    Paint();
}

int LinkText::Alignment(std::optional<int> value) {
    if (value && stringFormat) {
        gp::GdipSetStringFormatAlign(stringFormat.Handle(),
                                     static_cast<Gdiplus::StringAlignment>(*value));
        Paint();
    }
    Gdiplus::StringAlignment current = Gdiplus::StringAlignmentNear;
    if (stringFormat) gp::GdipGetStringFormatAlign(stringFormat.Handle(), &current);
    return static_cast<int>(current);
}

int LinkText::Wrap(std::optional<int> value) {
    if (value) {
        wrap = *value;
        Paint();
    }
    return wrap;
}

int LinkText::VerticalAlign(std::optional<int> value) {
    if (value) {
        verticalAlign = *value;
        Paint();
    }
    return verticalAlign;
}

int LinkText::TextEffect(std::optional<int> value) {
    if (value) {
        textEffect = *value;
        Paint();
    }
    return textEffect;
}

Gdiplus::ARGB LinkText::BackColour(std::optional<Gdiplus::ARGB> value) {
    if (value) {
        backColour = *value;
        Paint();
    }
    return backColour;
}

int LinkText::UserValue(std::optional<int> value) {
    if (value) {
        userValue = *value;
        Paint();
    }
    return userValue;
}

void LinkText::DeleteFont() {
    font.Release();
}

void LinkText::Paint() {
    SurfacePaint record;
    if (!BeginSurfacePaint(record, std::nullopt, true)) return;
    GpGraphics* graphics = record.graphics;
    if (graphics) {
        const RectF& whole = record.rect;
        if (backColour != 0) FillRoundedPath(graphics, whole, kBackgroundCorner, backColour);
        if (gradientMode != -1)
            GradientFill(graphics, whole, gradientColour1, gradientColour2,
                         static_cast<Gdiplus::LinearGradientMode>(gradientMode));
        if (!caption.empty()) {
            const RectF inner(whole.X + kInset, whole.Y + kInset, whole.Width - 2 * kInset,
                              whole.Height - 2 * kInset);
            RectF box = inner;
            if (wrap == 0) {
                const int alignment = Alignment();
                box.X = alignment == Gdiplus::StringAlignmentCenter
                            ? inner.X + (inner.Width - measured.Width) / 2
                        : alignment == Gdiplus::StringAlignmentFar
                            ? inner.X + inner.Width - measured.Width
                            : inner.X;
                box.Y = verticalAlign == 0   ? inner.Y + 2
                        : verticalAlign == 2 ? inner.Y + inner.Height - measured.Height - 2
                                             : inner.Y + (inner.Height - measured.Height) / 2;
                box.Width = measured.Width;
                box.Height = measured.Height;
            }
            DrawGlowText(graphics, box, ToWide(caption), CurrentFont(), textColour,
                         stringFormat.Handle(), textEffect,
                         effectColour ? std::optional<Gdiplus::ARGB>(effectColour) : std::nullopt);
        }
    }
    EndSurfacePaint(record);
}

LRESULT LinkText::LinkMessage(UINT code, WPARAM, LPARAM) {
    switch (code) {
        case WM_DESTROY:
            visited = 0;
            linkTarget.clear();
            return -1;
        case kMouseEnter:
            // The old picture fades into the hovered one from alpha 153.
            FadeAlpha(kHoverStartAlpha);
            ReplaceFont(FontName(), FontSize(), FontStyle() | Gdiplus::FontStyleUnderline);
            textColour = hoverColour;
            Paint();
            return 0;
        case kMouseLeave:
            FadeAlpha(kLeaveStartAlpha);
            ReplaceFont(FontName(), FontSize(), FontStyle() & ~Gdiplus::FontStyleUnderline);
            textColour = visited ? visitedColour : normalColour;
            Paint();
            return 0;
        case kClick:
            visited = 1;
            // Without a target there is nothing to open; the visited colour
            // shows from the next mouse-leave on.
            if (linkTarget.empty()) return 0;
            OpenTarget();
            textColour = visitedColour;
            Paint();
            return 0;
        default:
            return -1;
    }
}

void LinkText::OpenTarget() {
    const std::string target = webMode == 1 ? linkTarget : kMailPrefix + linkTarget;
    // A refusal of the shell changes nothing: the link still counts as visited.
    (void)Opener()(ToWide(target));
}

void LinkText::LinkInit() {
    linkTarget.clear();
    normalColour = textColour;
    hoverColour = ToArgb(0xC06000, 210);
    visitedColour = ToArgb(0x000080, 210);
    visited = 0;
    webMode = 1;
    wrap = 0;
    verticalAlign = 1;
}

std::string LinkText::LinkTarget(std::optional<std::string> target) {
    if (target) linkTarget = std::move(*target);
    return linkTarget;
}

int LinkText::WebMode(std::optional<int> value) {
    if (value) webMode = *value == 1 ? 1 : 0;
    return webMode;
}

Gdiplus::ARGB LinkText::NormalColour(std::optional<Gdiplus::ARGB> value) {
    if (value) {
        normalColour = *value;
        TextColour(*value);
    }
    return normalColour;
}

Gdiplus::ARGB LinkText::HoverColour(std::optional<Gdiplus::ARGB> value) {
    if (value) hoverColour = *value;
    return hoverColour;
}

Gdiplus::ARGB LinkText::VisitedColour(std::optional<Gdiplus::ARGB> value) {
    if (value) {
        // A caption already showing the visited colour takes the new one.
        if (visited && textColour == visitedColour) textColour = *value;
        visitedColour = *value;
        if (visited) Paint();
    }
    return visitedColour;
}
