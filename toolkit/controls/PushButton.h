#pragma once
// The toolkit's text button: a translucent glass rectangle (square or rounded)
// with a centred caption, five visual states and a crossfade between them.
// A click reaches the application through the Click binding of Element.
//
// The fields are public and keep their order after the Element fields.
#include <windows.h>

#include <optional>
#include <string>

#include "toolkit/controls/Element.h"
#include "toolkit/controls/GdipFontObject.h"
#include "toolkit/controls/GdipStringFormatObject.h"
#include "toolkit/core/Gdip.h"

// Visual states (`state`).
enum ButtonState : int {
    kButtonDimmed = -1,
    kButtonNormal = 0,
    kButtonHot = 1,
    kButtonPressed = 2,
    kButtonFocused = 3,
};

// The optional arguments of CreateButton, in their order; omitted ones take
// the defaults the comments give.
struct PushButtonOptions {
    std::optional<Gdiplus::ARGB> textColour = std::nullopt;  // black at alpha 210
    // Family, size and style: when none is given the button uses DefaultFont;
    // otherwise the missing ones are DefaultFont's family, 12 pixels, regular.
    std::optional<std::string> fontFamily = std::nullopt;
    std::optional<float> fontSize = std::nullopt;
    std::optional<int> fontStyle = std::nullopt;
    int textEffect = 0;              // handed to DrawGlowText: 3 halo, 4 outline, else none
    Gdiplus::ARGB effectColour = 0;  // 0: the halo colour follows the text colour
    std::optional<int> corners = std::nullopt;  // the host's frameStyle; 0 means square
    std::optional<int> visible = std::nullopt;  // 1
};

class PushButton : public Element {
public:
    PushButton() = default;
    ~PushButton() override = default;

    // Slot 25.
    LRESULT MessageProc(UINT code, WPARAM wParam, LPARAM lParam) override;

    // Slots 26 to 42, in table order.

    // Measures the caption with the font and format on the surface graphics.
    virtual void Layout();
    using Element::Create;
    // Creates the button (kind 2, focusable, 60 ms crossfade) in the host of
    // `hostWindow`. Does nothing when the element exists already.
    virtual Element* CreateButton(HWND hostWindow, int x, int y, int width, int height,
                                  const std::string& caption,
                                  const PushButtonOptions& options = {});
    // Setting re-measures, updates the access key and repaints.
    virtual std::string Caption(std::optional<std::string> text = std::nullopt);
    virtual Gdiplus::ARGB TextColour(std::optional<Gdiplus::ARGB> colour = std::nullopt);
    virtual int TextEffect(std::optional<int> effect = std::nullopt);
    // The font setters make a new font with one part changed, the other two
    // kept, then re-measure and repaint.
    virtual std::string FontFamily(std::optional<std::string> name = std::nullopt);
    virtual int FontStyle(std::optional<int> style = std::nullopt);
    virtual float FontSize(std::optional<float> size = std::nullopt);
    // Setting adopts `font` (DefaultFont is only referred to, never adopted).
    virtual GpFont* Font(std::optional<GpFont*> newFont = std::nullopt);
    // Setting adopts `newFormat` and deletes the old one.
    virtual GpStringFormat* Format(std::optional<GpStringFormat*> newFormat = std::nullopt);
    virtual Gdiplus::ARGB EffectColour(std::optional<Gdiplus::ARGB> colour = std::nullopt);
    virtual int Corners(std::optional<int> value = std::nullopt);
    // Drops the button's own font; the caption then uses DefaultFont.
    virtual void ReleaseFont();
    // Stores the state and repaints the surface for it, crossfading from the
    // old picture at `startAlpha` (at or above the opacity: no crossfade).
    virtual void PaintState(int newState, int startAlpha);
    // Derived buttons may draw their own body (nonzero skips the glass) or
    // add to the caption; the button itself does neither.
    virtual int PaintBackgroundHook(SurfacePaint& record, int paintedState);
    virtual int PaintCaptionHook(SurfacePaint& record, int paintedState, const RectF& textRect);
    // A result other than -1 ends message processing with that result.
    virtual LRESULT PreMessageHook(Element* element, UINT code, WPARAM wParam, LPARAM lParam);

    // The font the caption is drawn with: the own one, else DefaultFont.
    GpFont* CurrentFont() const;
    // The access key of a caption: the character after its first "&" (a
    // double-byte character as lead << 8 | trail), 0 when there is none.
    static int MnemonicOf(const std::string& caption);

    // Fields, in order.
    int state = kButtonNormal;
    std::string caption;
    GdipFontObject font;  // empty: the caption uses DefaultFont
    int textEffect = 0;
    Gdiplus::ARGB textColour = 0;
    int corners = 0;
    GdipStringFormatObject format;
    float captionWidth = 0;
    float captionHeight = 0;
    Gdiplus::ARGB effectColour = 0;  // 0: the halo colour follows the text colour

private:
    void ReplaceFont(const std::string& family, float size, int style);
    void RegisterAccessKey();
    void RepaintCurrent(int startAlpha);
};
