// The self-drawn caption bar: caption buttons at the top right and the
// haloed window title.
#include <memory>
#include <string>

#include "toolkit/controls/CaptionButton.h"
#include "toolkit/core/Toolkit.h"
#include "toolkit/draw/GlowText.h"
#include "toolkit/host/UIHost.h"
#include "toolkit/text/TextFormat.h"

namespace {

// Button kinds in creation order: the first present one is the rightmost.
constexpr int kButtonKinds[] = {4, 8, 16, 32, 64, 128, 256};
constexpr int kCloseWidth = 39;
constexpr int kButtonWidth = 28;
constexpr int kButtonHeight = 19;
constexpr int kButtonTop = 6;
constexpr int kRightMargin = 8;
// The close button is 11 pixels wider than the others.
constexpr int kCloseExtra = kCloseWidth - kButtonWidth;

constexpr float kTitleTop = 13;
constexpr float kTitleHeight = 18;
constexpr float kTitleLeft = 10;
constexpr float kTitleLeftWithIcon = 30;
constexpr float kTitleGap = 2;  // between the title and the leftmost button

constexpr Gdiplus::ARGB kTitleColour = 0xE6000000;  // black, alpha 230
constexpr Gdiplus::ARGB kTitleHalo = 0xD2FFFFFF;    // white, alpha 210
constexpr int kNoWrap = 0x1000;                     // StringFormatFlagsNoWrap
constexpr int kTrimEllipsis = 3;                    // StringTrimmingEllipsisCharacter
constexpr int kTitleBytes = 256;

}  // namespace

void UIHost::CreateCaptionButtons() {
    captionButtons.clear();
    int x = size.width - kRightMargin;
    for (int kind : kButtonKinds) {
        if (!(captionFlags & kind)) continue;
        const int width = kind == kCaptionClose ? kCloseWidth : kButtonWidth;
        x -= width;
        auto button = std::make_unique<CaptionButton>();
        button->CreateCaptionButton(hwnd, x, kButtonTop, width, kButtonHeight, kind);
        captionButtons.push_back(std::move(button));
    }
}

void UIHost::DrawCaption() {
    if (captionFlags == 0) return;
    // The buttons follow the right edge; the title ends before the leftmost.
    int x = size.width - kRightMargin;
    if (captionFlags & kCaptionClose) x -= kCloseExtra;
    for (const auto& button : captionButtons) {
        x -= kButtonWidth;
        button->Move(x, kButtonTop, std::nullopt, std::nullopt, false);
    }

    if (!(captionFlags & kCaptionTitle) || !backGraphics || !hwnd) return;
    const float left = (captionFlags & kCaptionIcon) ? kTitleLeftWithIcon : kTitleLeft;
    const float width = static_cast<float>(x) - left - kTitleGap;
    if (width <= 0) return;  // no room left for the title
    // The stored UTF-16 title, right on any system code page: GetWindowTextW on
    // our ANSI subclass would come back through the system code page as "?".
    wchar_t title[kTitleBytes] = {};
    InternalGetWindowText(hwnd, title, kTitleBytes);
    if (!title[0]) return;
    TextFormat format;
    format.Create(kNoWrap, 0);
    format.Trimming(kTrimEllipsis);
    DrawGlowText(backGraphics.get(), RectF(left, kTitleTop, width, kTitleHeight), title,
                 DefaultFont, kTitleColour, format.Handle(), kGlowBlurred, kTitleHalo);
}
