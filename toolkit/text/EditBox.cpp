// The edit box's model: creation, the text property, indexing, the changed
// handler and the creation and destroy messages.
#include <algorithm>

#include "toolkit/core/Toolkit.h"
#include "toolkit/text/EditBox.h"

namespace {

constexpr Gdiplus::ARGB kDefaultTextColour = 0xE6000000;
constexpr Gdiplus::ARGB kDefaultBackColour = 0xA0FFFFFF;
constexpr std::uint32_t kDefaultFrameStyle = 0x50000000;
constexpr Gdiplus::ARGB kCaretPenColour = 0xFE000000;

constexpr int kMeasureTrailingSpaces = 0x800;
constexpr int kLineLimit = 0x2000;
constexpr int kNoClip = 0x4000;

}  // namespace

EditBox::~EditBox() {
    RestoreIme();
}

Element* EditBox::CreateEditBox(HWND window, int x, int y, int width, int height,
                                const EditBoxOptions& options) {
    if (handle) return handle;
    font = DefaultFont;
    if (options.fontName || options.fontSize || options.fontStyle) {
        const std::string name = options.fontName.value_or(FontFamilyName(DefaultFont));
        fontOwner.SetHandle(CreateFontByName(name, options.fontSize.value_or(12.0f),
                                             options.fontStyle.value_or(0)));
        // No such face and no default family either: the box still shows text.
        if (fontOwner) font = fontOwner.Handle();
    }
    GpPen* pen = nullptr;
    gp::GdipCreatePen1(kCaretPenColour, 1.0f, Gdiplus::UnitWorld, &pen);
    caretPen.reset(pen);
    textBrush = MakeSolidBrush(options.textColour.value_or(kDefaultTextColour));
    passwordChar = options.passwordChar.value_or("*");
    inputMode = options.inputMode.value_or(kEditable);
    multiLine = options.multiLine.value_or(0) != 0 ? 1 : 0;
    lines.SetText(options.text.value_or(""), multiLine, inputMode, passwordChar);
    backColour = options.backColour.value_or(kDefaultBackColour);
    frameStyle = options.frameStyle.value_or(kDefaultFrameStyle);
    frameStyleCopy = frameStyle;
    option12 = options.option12.value_or(0);
    scrollBars = options.scrollBars.value_or(multiLine ? kHorizontalBar | kVerticalBar : 0);
    format.Create(kMeasureTrailingSpaces | kNoClip | (scrollBars == kVerticalBar ? kLineLimit : 0),
                  0);
    format.Trimming(Gdiplus::StringTrimmingNone);
    return Create(window,
                  RectF(static_cast<float>(x), static_cast<float>(y), static_cast<float>(width),
                        static_cast<float>(height)),
                  kKind, options.visible.value_or(1), 1, kIBeamCursor, 0);
}

void EditBox::OnCreateMessage() {
    lastDrawnLine = 1;
    firstVisibleLine = 1;
    anchorLine = caretLine = 1;
    if (multiLine) {
        // No place yet: UpdateScrollBars puts them along the text area.
        vScrollBar.CreateScrollBar(hostWindow, 0, 0, 0, 0, std::nullopt, 0, std::nullopt,
                                   std::nullopt, std::nullopt, std::nullopt, ScrollBar::kVertical,
                                   std::nullopt, (scrollBars & kVerticalBar) ? 1 : 0);
        vScrollBar.SetScrollHandler([this](Element*, int position) { OnVScroll(position); });
        vScrollBar.SetParent(this);
        hScrollBar.CreateScrollBar(hostWindow, 0, 0, 0, 0, std::nullopt, 0, std::nullopt,
                                   std::nullopt, std::nullopt, std::nullopt, ScrollBar::kHorizontal,
                                   std::nullopt, (scrollBars & kHorizontalBar) ? 1 : 0);
        hScrollBar.SetScrollHandler([this](Element*, int position) { OnHScroll(position); });
        hScrollBar.SetParent(this);
    }
    RenderBox(true);
    int index = caretColumn - 1;
    caretRect = PosFromsIndex(caretLine, index, false, 0);
    prevCaretRect = caretRect;
    paintedAtCreate = visible != 0;  // a visible element is repainted next
}

void EditBox::OnDestroyMessage() {
    RestoreIme();
    lines.SetText("", multiLine, inputMode, passwordChar);
    format.Delete();
    ReleaseFont();
    scrollY = scrollX = 0;
    anchorLine = caretLine = anchorColumn = caretColumn = 0;
}

std::string EditBox::Text(std::optional<std::string> text) {
    if (text) {
        lines.SetText(*text, multiLine, inputMode, passwordChar);
        scrollY = scrollX = 0;
        anchorColumn = caretColumn = 0;
        anchorLine = caretLine = 1;
        MeasureLines();
        UpdateScrollBars(false, true);
        // The caret and the scroll bars go back to the start with the text.
        int index = -1;
        caretRect = PosFromsIndex(1, index, false, 0);
        prevCaretRect = caretRect;
        RenderBox(false);
        FireChanged();
    }
    return lines.Text();
}

std::string EditBox::SelectedText() {
    return lines.Range(TextIndex(anchorLine, anchorColumn), TextIndex(caretLine, caretColumn));
}

int EditBox::TextIndex(int line, int column) {
    // The store counts masked columns in real characters, so an index never
    // falls inside a two-byte character.
    return lines.TextIndex(line, column);
}

int EditBox::LayoutHook(SurfacePaint&, const RectF&, int) {
    return 0;
}

void EditBox::SetChangedHandler(ChangedHandler handler) {
    changedHandler = std::move(handler);
}

void EditBox::ReleaseFont() {
    if (fontOwner && font == fontOwner.Handle()) font = DefaultFont;
    fontOwner.Release();
}

void EditBox::FireChanged() {
    if (!changedHandler) return;
    ChangedHandler handler = changedHandler;  // it may replace itself
    handler(parent);
}

bool EditBox::SelectionEmpty() const {
    return anchorLine == caretLine && anchorColumn == caretColumn;
}

int EditBox::LineChars(int line) const {
    return CharCount(lines.LineText(line));
}

void EditBox::MeasureLines(bool reuse) {
    // A single line never wraps: laid out at the area's width, text past the
    // right edge would drop to a hidden second row, out of the caret's reach.
    // Measured unwrapped it scrolls sideways instead.
    const int measuring = multiLine ? scrollBars : scrollBars | kHorizontalBar;
    lines.Measure(surfaceGraphics.get(), textArea, font, format.Handle(), measuring, reuse);
}
