#pragma once
// A caption that behaves like a hyperlink: underlined and recoloured while the
// mouse is over it, opened through the Windows shell when clicked, and shown in
// a visited colour from then on.
//
// The fields are public and keep their order after the Element fields.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "toolkit/controls/Element.h"
#include "toolkit/controls/GdipFontObject.h"
#include "toolkit/controls/GdipStringFormatObject.h"
#include "toolkit/core/Gdip.h"

// The optional arguments of LinkText::Create, in their order; omitted ones
// take the defaults the comments give.
struct LinkTextOptions {
    std::optional<Gdiplus::ARGB> textColour = std::nullopt;       // black at alpha 210
    std::optional<int> gradientMode = std::nullopt;               // 0; -1 draws no gradient
    std::optional<Gdiplus::ARGB> gradientColour1 = std::nullopt;  // 0 (transparent)
    std::optional<Gdiplus::ARGB> gradientColour2 = std::nullopt;  // 0 (transparent)
    std::optional<int> wrap = std::nullopt;                       // 0
    std::optional<std::string> fontName = std::nullopt;           // the default font's family
    std::optional<float> fontSize = std::nullopt;                 // 12 pixels
    std::optional<int> fontStyle = std::nullopt;                  // regular
    std::optional<int> alignment = std::nullopt;                  // Gdiplus::StringAlignmentNear
    std::optional<int> textEffect = std::nullopt;                 // 0: no halo
    std::optional<Gdiplus::ARGB> effectColour = std::nullopt;     // chosen from the text colour
    std::optional<Gdiplus::ARGB> backColour = std::nullopt;       // 0: no background shape
    std::optional<int> visible = std::nullopt;                    // 1
};

// How a click reaches the shell: returns what ShellExecute returned (> 32 on
// success). Replaceable so that nothing is started while testing.
using LinkOpener = std::function<INT_PTR(const std::wstring& target)>;

class LinkText : public Element {
public:
    LinkText() = default;
    ~LinkText() override = default;

    // Slot 25.
    LRESULT MessageProc(UINT code, WPARAM wParam, LPARAM lParam) override;

    // Slots 26 to 54, in table order.
    virtual void Measure();
    using Element::Create;
    // Creates the element (kind 3, 60 ms crossfade, focusable) in the host of
    // `hostWindow`. Does nothing when the element exists already.
    virtual Element* Create(HWND hostWindow, int x, int y, int width, int height,
                            const std::string& caption, const LinkTextOptions& options = {});
    // Setting re-measures and repaints.
    virtual std::string Caption(std::optional<std::string> text = std::nullopt);
    virtual Gdiplus::ARGB TextColour(std::optional<Gdiplus::ARGB> value = std::nullopt);
    virtual int GradientMode(std::optional<int> value = std::nullopt);
    virtual Gdiplus::ARGB GradientColour1(std::optional<Gdiplus::ARGB> value = std::nullopt);
    virtual Gdiplus::ARGB GradientColour2(std::optional<Gdiplus::ARGB> value = std::nullopt);
    virtual Gdiplus::ARGB EffectColour(std::optional<Gdiplus::ARGB> value = std::nullopt);
    // A font setter makes a new font from the current family, size and style
    // with the one part changed, re-measures and repaints.
    virtual std::string FontName(std::optional<std::string> name = std::nullopt);
    virtual int FontStyle(std::optional<int> style = std::nullopt);
    virtual float FontSize(std::optional<float> size = std::nullopt);
    // Setting adopts `font` (the default font is only referred to).
    virtual GpFont* Font(std::optional<GpFont*> font = std::nullopt);
    // Adopts `format` and deletes the old one.
    virtual void StringFormat(GpStringFormat* format);
    virtual int Alignment(std::optional<int> value = std::nullopt);
    virtual int Wrap(std::optional<int> value = std::nullopt);
    virtual int VerticalAlign(std::optional<int> value = std::nullopt);
    virtual int TextEffect(std::optional<int> value = std::nullopt);
    virtual Gdiplus::ARGB BackColour(std::optional<Gdiplus::ARGB> value = std::nullopt);
    // Kept for the caller; the control itself never reads it.
    virtual int UserValue(std::optional<int> value = std::nullopt);
    // Deletes the own font; the caption then uses the default font.
    virtual void DeleteFont();
    virtual void Paint();
    // The hyperlink behaviour; -1 for the messages it leaves alone.
    virtual LRESULT LinkMessage(UINT code, WPARAM wParam, LPARAM lParam);
    virtual void LinkInit();
    virtual std::string LinkTarget(std::optional<std::string> target = std::nullopt);
    // 1: the target is opened as it is; 0: as "mailto:" followed by it.
    virtual int WebMode(std::optional<int> value = std::nullopt);
    // Setting also sets the colour the caption is drawn with now.
    virtual Gdiplus::ARGB NormalColour(std::optional<Gdiplus::ARGB> value = std::nullopt);
    virtual Gdiplus::ARGB HoverColour(std::optional<Gdiplus::ARGB> value = std::nullopt);
    virtual Gdiplus::ARGB VisitedColour(std::optional<Gdiplus::ARGB> value = std::nullopt);

    // The font the caption is drawn with: the own one, else the default font.
    GpFont* CurrentFont() const;

    // Replaces the way every link opens its target; returns the previous one.
    // An empty opener restores the shell.
    static LinkOpener SetOpener(LinkOpener opener);

    // Fields, in order.
    GdipFontObject font;  // empty: the caption uses DefaultFont
    std::string caption;
    Gdiplus::ARGB textColour = 0;
    int gradientMode = 0;
    Gdiplus::ARGB gradientColour1 = 0;
    Gdiplus::ARGB gradientColour2 = 0;
    int wrap = 0;
    int verticalAlign = 0;  // 0 top, 1 centre, 2 bottom
    int textEffect = 0;
    Gdiplus::ARGB effectColour = 0;  // 0: a halo colour chosen from the text colour
    Gdiplus::ARGB backColour = 0;
    GdipStringFormatObject stringFormat;
    Gdiplus::SizeF measured;
    std::string linkTarget;
    Gdiplus::ARGB normalColour = 0;
    Gdiplus::ARGB hoverColour = 0;
    Gdiplus::ARGB visitedColour = 0;
    int visited = 0;
    int webMode = 0;
    int userValue = 0;

private:
    // The font for a changed family, size or style, keeping the other two.
    void ReplaceFont(const std::string& name, float size, int style);
    void OpenTarget();
};
