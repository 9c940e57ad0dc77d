#pragma once
// The toolkit's text box: single- or multi-line GBK text with an optional
// password mask, digit and number filters, a read-only mode, a selection, a
// blinking caret, input-method results, clipboard shortcuts and, in a
// multi-line box, two scroll bars.
//
// Positions: lines count from 1, columns count characters from the start of
// a line (0 before the first), text indices are 1-based byte positions into
// the whole text. The anchor is the end of the selection that stays, the
// caret the end that moves.
//
// The model (creation, text, indexing) lives in EditBox.cpp, layout and
// painting in EditBoxLayout.cpp, keyboard, mouse and input method in
// EditBoxInput.cpp.
#include <windows.h>
#include <imm.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/controls/Element.h"
#include "toolkit/controls/GdipFontObject.h"
#include "toolkit/controls/ScrollBar.h"
#include "toolkit/text/TextFormat.h"
#include "toolkit/text/TextLines.h"

// The optional arguments of CreateEditBox, in their order; omitted ones take
// the defaults the comments give.
struct EditBoxOptions {
    std::optional<std::string> text = std::nullopt;          // ""
    std::optional<Gdiplus::ARGB> textColour = std::nullopt;  // 0xE6000000
    std::optional<Gdiplus::ARGB> backColour = std::nullopt;  // 0xA0FFFFFF
    // Without any of the three the box shares the toolkit's default font.
    std::optional<std::string> fontName = std::nullopt;      // the default font's family
    std::optional<float> fontSize = std::nullopt;            // 12 pixels
    std::optional<int> fontStyle = std::nullopt;             // regular
    std::optional<int> option12 = std::nullopt;              // 0; kept, never read
    std::optional<int> multiLine = std::nullopt;             // 0
    std::optional<int> inputMode = std::nullopt;             // 0 (EditBox::InputMode)
    std::optional<std::string> passwordChar = std::nullopt;  // "*"
    std::optional<int> scrollBars = std::nullopt;            // 3 for a multi-line box, else 0
    std::optional<std::uint32_t> frameStyle = std::nullopt;  // 0x50000000
    std::optional<int> visible = std::nullopt;               // 1
};

class EditBox : public Element {
public:
    static constexpr int kKind = 9;
    enum InputMode : int { kEditable = 0, kReadOnly = 1, kPassword = 2, kDigits = 3, kNumber = 4 };
    enum ScrollBarBits : int { kHorizontalBar = 1, kVerticalBar = 2 };
    // The I-beam over the box.
    static constexpr int kIBeamCursor = 32513;

    // Called after the text changes, with the box's parent (null at top level).
    using ChangedHandler = std::function<void(Element* parent)>;

    EditBox() = default;
    ~EditBox() override;

    // Slot 25: keys, characters, input method, mouse, wheel, caret blink.
    LRESULT MessageProc(UINT code, WPARAM wParam, LPARAM lParam) override;

    // Slots 26 to 46, in table order.

    // The scroll bars moved: the text follows.
    virtual void OnVScroll(int position);
    virtual void OnHScroll(int position);
    // Repaints the surface; with `relayout` the text areas, the scroll bars
    // and every line's layout are computed again first.
    virtual void RenderBox(bool relayout);
    virtual void DrawLines(SurfacePaint& record);
    virtual void DrawLine(int line, const RectF& lineBox, SurfacePaint& record);
    // The line whose box holds y (text coordinates); line 1 above the text,
    // the last line below it.
    virtual int LineAtY(float y, int startLine);
    // The column under a point in host client pixels; its line in `outLine`.
    virtual int HitTest(int x, int y, int& outLine);
    // The caret rectangle after character `index` (0-based; -1 before the
    // first) of a line. With `adjustScroll` the text scrolls to show it.
    // The scroll offsets are clamped to the content either way and the
    // scroll bars follow them.
    virtual RectF PosFromsIndex(int line, int& index, bool adjustScroll, int extraHeight);
    virtual void UpdateScrollBars(bool layout, bool ranges);
    // 0 when the key was handled, -1 when not.
    virtual LRESULT KeyDown(WPARAM virtualKey);
    // Replaces the selection by `text`: typing, pasting, Enter and
    // input-method results all come here. Pasted and input-method text has
    // been cut before any line of it would pass 16 KB, and characters GBK has
    // no place for (and the euro sign) have become '?', one per character.
    virtual void InsertText(const std::string& text);
    // 1 when it handled the request (deleted, or refused in a read-only
    // box), 0 when the selection was empty.
    virtual int DeleteSelection(bool quiet);
    // Draws or erases the caret line: straight on the window, or, when the
    // host is layered (it shows only what it is given), into the surface.
    virtual void DrawCaret(bool on);
    virtual std::string SelectedText();
    virtual int TextIndex(int line, int column);
    virtual Element* CreateEditBox(HWND window, int x, int y, int width, int height,
                                   const EditBoxOptions& options = {});
    // With a text: replaces the whole text and resets caret, selection and
    // scrolling. Returns the real text, never masked.
    virtual std::string Text(std::optional<std::string> text = std::nullopt);
    virtual int LayoutHook(SurfacePaint& record, const RectF& area, int flag);
    virtual void SetChangedHandler(ChangedHandler handler);
    virtual void ReleaseFont();
    virtual void FireChanged();

    // The column of a point (text-area coordinates) inside one line's layout.
    int ColumnAtPoint(const std::string& text, const RectF& layout, int px, int py);
    // The layout box of a line: where its text is drawn and measured,
    // relative to the text area.
    RectF LayoutBox(const RectF& lineBox) const;
    bool SelectionEmpty() const;

    // Fields 25 to 57.
    TextLines lines;
    TextFormat format;
    RectF frameArea;
    RectF textArea;
    GpFont* font = nullptr;  // the default font (shared) or fontOwner's
    UniqueGpPen caretPen;
    UniqueGpBrush textBrush;
    Gdiplus::ARGB backColour = 0;
    std::uint32_t frameStyle = 0;
    std::uint32_t frameStyleCopy = 0;
    int inputMode = kEditable;
    std::string passwordChar;
    int multiLine = 0;
    int option12 = 0;
    int scrollBars = 0;
    int roundCorners = 0;
    int firstVisibleLine = 0;
    int lastDrawnLine = 0;
    int scrollY = 0;
    int scrollX = 0;
    int anchorLine = 0;
    int caretLine = 0;
    int anchorColumn = 0;
    int caretColumn = 0;
    ScrollBar hScrollBar;
    ScrollBar vScrollBar;
    RectF prevCaretRect;
    RectF caretRect;
    int blinkCount = 0;
    HIMC savedImeContext = nullptr;
    int doubleClickPending = 0;
    DWORD doubleClickTime = 0;
    ChangedHandler changedHandler;

    GdipFontObject fontOwner;  // the box's own font, when it has one

private:
    // Where the caret line goes, in surface pixels: column x, rows top to
    // bottom - 1.
    struct CaretSpan {
        int x = 0;
        int top = 0;
        int bottom = 0;
        bool operator==(const CaretSpan&) const = default;
    };
    // The caret drawn into the surface, with the pixels it covers.
    struct SurfaceCaret {
        bool shown = false;
        CaretSpan span;
        std::vector<Gdiplus::ARGB> under;
    };
    // What a repaint after an edit compares with: the view and lines before it.
    struct EditMark {
        int firstLine = 1;  // the first line the edit touches
        int lineCount = 1;
        int contentHeight = 0;
        int scrollX = 0;
        int scrollY = 0;
        RectF caretRect;
    };
    struct RangeMeasure {
        RectF bounds;
        UniqueGpRegion region;
        bool ok = false;
    };
    // One character range of a line measured in its layout box.
    RangeMeasure MeasureRange(const std::wstring& text, int first, int length, const RectF& layout,
                              bool keepRegion);
    // One rectangle per visual row of a measured range.
    std::vector<RectF> RegionRects(GpRegion* region);
    // `reuse`: only lines whose text changed since the last measuring (edits).
    void MeasureLines(bool reuse = false);
    int LineChars(int line) const;

    // The caret on a layered host.
    bool CaretOnSurface() const;
    // Where the caret is drawn now; none when it lies outside the text area.
    std::optional<CaretSpan> CaretSpanNow() const;
    // Each returns the surface rectangle it changed, if any.
    std::optional<RectF> ShowCaretOnSurface();
    std::optional<RectF> HideCaretOnSurface();
    bool CaretPixels(const CaretSpan& span, std::vector<Gdiplus::ARGB>& pixels, bool write);
    // A span's pixels as a surface rectangle in units.
    RectF SpanRect(const CaretSpan& span) const;
    // Hands a changed part of the surface (surface coordinates) to the host.
    void RedrawSurfaceRect(const RectF& area);

    // Partial repaint after an edit.
    EditMark MarkEdit() const;
    // Repaints what the edit changed: the strip of its line, or everything from
    // its line down when lines below it moved. The whole box when the view
    // scrolled, a highlight was shown, or the surface is fading or rounded.
    void RepaintEdit(const EditMark& before);
    // Repaints surface rows top to bottom - 1 exactly as the full repaint
    // would, and hands them (with `alsoChanged`) to the host.
    void RepaintBand(int top, int bottom, const RectF& alsoChanged);
    // Fill and frame of the box, under whatever clip is set.
    void PaintBackground(const SurfacePaint& record);
    // Keeps the surface as the full repaint has painted it so far: cleared,
    // filled and framed, no text.
    void KeepBackground();
    // Copies rows top to bottom - 1 of the kept background back into the
    // surface; false, changing nothing, when the background kept no longer
    // matches the box (its size, fill or frame changed since).
    bool RestoreBackground(int top, int bottom);

    // Model.
    void OnCreateMessage();
    void OnDestroyMessage();

    // Input.
    void CaretUpdate();
    void MoveTail(bool hadSelection, int oldScrollX, int oldScrollY);
    void CollapseSelection();
    void Backspace();
    void ArrowMove(WPARAM key);
    void SelectWord();
    void OnPress(WPARAM wParam, LPARAM lParam);
    void OnDrag(WPARAM wParam, LPARAM lParam);
    void OnWheel(WPARAM wParam);
    void OnImeComposition(LPARAM lParam);
    void PlaceImeWindow();
    void RestoreIme();
    int DeleteSelectionNow(bool quiet, bool finish);
    int InsertHeight(const std::string& text);

    // What KeepBackground kept, with the fill and frame it was painted with.
    // Under Wine, filling and framing a band of the box costs more than
    // drawing its text; copying the rows back costs next to nothing.
    struct Background {
        std::vector<Gdiplus::ARGB> pixels;
        int width = 0;
        int height = 0;
        Gdiplus::ARGB fill = 0;
        std::uint32_t frame = 0;
    };

    SurfaceCaret surfaceCaret;
    Background background;
    bool highlightShown = false;  // the last repaint drew a selection
    // Creation painted the surface: the repaint that follows a visible
    // element's creation at once has nothing to do.
    bool paintedAtCreate = false;
    std::optional<RectF> bandClip;  // set while RepaintBand draws the lines
};
