#pragma once
// The text of one edit box: a single GBK byte string, split into lines at
// CR LF, with the layout box of every line as GDI+ last measured it.
//
// Positions are 1-based byte positions into the whole text; lines count from
// 1. Every edit rebuilds the line table from the new text, and the box then
// measures it again: the store is made for letters, not documents. Measuring
// costs one GdipMeasureString per non-empty line whose text was not measured
// last time (plus one for the reference character); nothing else measures.
//
// Out-of-range lines give empty text, a zero box and start 0; out-of-range
// byte positions are clamped to the text, so no operation reads or writes
// outside it.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "toolkit/core/Gdip.h"
#include "toolkit/draw/Geometry.h"

// Character count of a GBK text, in the edit box's columns: every character
// the box holds is one column, whether printable ASCII, a two-byte character
// or a control character such as TAB (a CR LF pair, which only ever stands
// between lines, is one too); a lead byte at the very end does not count.
int CharCount(std::string_view text);

// Byte length of the first n characters of a GBK text, walking two bytes for a
// byte above 0x7F (and for a CR LF pair) and one otherwise; 0 for n <= 0,
// never beyond the text.
int BytesOfChars(std::string_view text, int n);

// Text from outside (clipboard, input method) with every lone CR or LF made a
// CR LF: a line break, as GDI+ would draw it, never a character.
std::string WithLineBreaks(std::string_view text);

// The UTF-16 text GDI+ lays out, measures and draws for one line: exactly one
// unit per column, so character ranges index columns. Control characters are
// shown as spaces: GDI+ breaks rows at CR and LF, and Wine's leaves TAB and
// other control characters out of the layout, shifting every range after them.
std::wstring LayoutText(std::string_view line);

class TextLines final {
public:
    // Input mode whose lines are shown masked.
    static constexpr int kPasswordMode = 2;

    struct LineEntry {
        int start = 1;  // 1-based byte position of the line's first byte
        RectF box;      // relative to the text origin; zeros until measured
    };

    TextLines();
    ~TextLines() = default;
    TextLines(const TextLines&) = default;  // deep: the store owns everything it holds
    TextLines& operator=(const TextLines&) = default;
    TextLines(TextLines&&) noexcept = default;
    TextLines& operator=(TextLines&&) noexcept = default;

    // Replaces the text and rebuilds the line table; boxes become zeros.
    // Bit 0 of `flags` clear (single-line): only the part before the first
    // CR LF is kept. `flags` 0: the text is one line whatever it holds.
    void SetText(const std::string& text, int flags, int mode, const std::string& passwordChar);
    // Lays every line out in `area` and fills the boxes, the content size and
    // the reference line height. `scrollBars` bit 0 (horizontal bar): no
    // wrapping; exactly 2 (vertical bar alone): wrapping at the area width,
    // each line as high as its rows; otherwise every line one row high.
    // With `reuse`, a line whose text the previous call measured with the same
    // graphics, font, format, area and bars keeps that box, so an edit
    // measures only the lines it changed; without it every line is measured.
    void Measure(GpGraphics* graphics, const RectF& area, GpFont* font, GpStringFormat* format,
                 int scrollBars, bool reuse = false);
    // The line without its CR LF, or its first `count` bytes (never more than
    // the line holds). In password mode the mask, once per character.
    std::string LineText(int line, std::optional<int> count = std::nullopt) const;
    // Bytes min(a, b) .. max(a, b) - 1, unmasked.
    std::string Range(int a, int b) const;
    // Removes bytes min(a, b) .. max(a, b) - 1 and rebuilds the lines.
    void DeleteRange(int a, int b, int flags);
    // Inserts before byte `position` (1 prepends, Length() + 1 appends) and
    // rebuilds the lines.
    void InsertAt(int position, const std::string& text, int flags);
    // The real text, never masked.
    const std::string& Text() const { return bytes; }
    int LineCount() const { return lineCount; }
    float LineHeight() const { return static_cast<float>(lineHeight); }
    RectF LineBox(int line) const;
    int LineStart(int line) const;
    int ContentHeight() const { return contentHeight; }
    int ContentWidth() const { return contentWidth; }
    int Length() const { return length; }
    bool IsValidLine(int line) const { return line >= 1 && line <= lineCount; }

    // Byte position of (line, column), the edit box's text index; 0 for an
    // invalid line. Columns count characters of LineText; in password mode
    // they count mask copies, each standing for one real character, so the
    // index falls between real characters and an edit never splits a
    // two-byte character.
    int TextIndex(int line, int column) const;

private:
    // The real bytes of a valid line, without its CR LF.
    std::string_view LineBytes(int line) const;
    // Byte positions clamped to the text: 1 .. length + 1.
    int ClampPosition(int position) const;

    // What the measured boxes below were measured with.
    struct MeasureParams {
        GpGraphics* graphics = nullptr;
        GpFont* font = nullptr;
        GpStringFormat* format = nullptr;
        RectF layout;
        int scrollBars = 0;
        bool operator==(const MeasureParams& other) const;
    };

    std::string bytes;
    int length = 0;
    int lineCount = 1;
    std::vector<LineEntry> lineTable;
    int contentWidth = 0;
    int contentHeight = 0;
    int lineHeight = 0;
    int mode = 0;
    std::string passwordChar;
    MeasureParams measuredWith;
    std::unordered_map<std::string, RectF> measuredBoxes;  // GDI+'s bounds by line text
    std::optional<RectF> measuredReference;                // the reference character's, alike
};
