#include "toolkit/text/TextLines.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "toolkit/core/Text.h"
#include "toolkit/draw/DeviceScale.h"

namespace {

// "泆": tall enough in every CJK face to serve as the height of one row.
const wchar_t kReferenceChar[] = L"\u6CC6";

// A measured height this close above whole units is those units.
constexpr float kRowSlack = 1e-3f;

bool IsLeadByte(char c) {
    return static_cast<unsigned char>(c) > 0x7F;
}

// Bytes of the character at byte i: two for a lead byte and for a CR LF pair.
size_t CharWidth(std::string_view text, size_t i) {
    if (IsLeadByte(text[i])) return 2;
    return text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n' ? 2 : 1;
}

bool MeasureBounds(GpGraphics* graphics, const wchar_t* text, GpFont* font, const RectF& layout,
                   GpStringFormat* format, RectF* bounds) {
    RectF measured;
    const bool ok = gp::GdipMeasureString(graphics, text, -1, font, &layout, format, &measured,
                                          nullptr, nullptr) == Gdiplus::Ok;
    if (ok) *bounds = measured;
    return ok;
}

}  // namespace

int CharCount(std::string_view text) {
    int count = 0;
    for (size_t i = 0; i < text.size(); ++count) {
        const size_t width = CharWidth(text, i);
        if (i + width > text.size()) break;  // a lead byte cut off from its trail
        i += width;
    }
    return count;
}

int BytesOfChars(std::string_view text, int n) {
    size_t covered = 0;
    for (int taken = 0; taken < n && covered < text.size(); ++taken)
        covered += CharWidth(text, covered);
    return static_cast<int>(std::min(covered, text.size()));
}

std::string WithLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += c;
        }
    }
    return out;
}

std::wstring LayoutText(std::string_view line) {
    auto shown = [](wchar_t c) { return c < 0x20 || c == 0x7F ? L' ' : c; };
    std::wstring wide = ToWide(std::string(line));
    const int columns = CharCount(line);
    if (static_cast<int>(wide.size()) != columns) {
        // A pair the code page does not map to one character (or a cut-off
        // lead byte) would shift the columns after it: one '?' per pair.
        wide.clear();
        wide.reserve(static_cast<size_t>(columns));
        for (size_t i = 0; static_cast<int>(wide.size()) < columns;) {
            const size_t width = CharWidth(line, i);
            const std::wstring one = ToWide(std::string(line.substr(i, width)));
            wide += width == 1 ? static_cast<wchar_t>(static_cast<unsigned char>(line[i]))
                               : (one.size() == 1 ? one[0] : L'?');
            i += width;
        }
    }
    for (wchar_t& c : wide) c = shown(c);
    return wide;
}

TextLines::TextLines() : lineTable(1) {}

void TextLines::SetText(const std::string& text, int flags, int newMode,
                        const std::string& newPasswordChar) {
    // Built aside first: the text may be this store's own bytes.
    std::string kept = text;
    if ((flags & 1) == 0) {
        const size_t end = kept.find("\r\n");
        if (end != std::string::npos) kept.resize(end);
    }
    bytes = std::move(kept);
    length = static_cast<int>(bytes.size());
    lineCount = 1;
    lineTable.assign(1, LineEntry{});
    if (flags != 0) {
        for (size_t i = 0; i + 1 < bytes.size(); ++i) {
            if (bytes[i] == '\r' && bytes[i + 1] == '\n') {
                ++lineCount;
                lineTable.push_back(LineEntry{static_cast<int>(i) + 3, RectF()});
                ++i;  // the LF cannot start another pair
            }
        }
    }
    mode = newMode;
    passwordChar = newPasswordChar;
}

bool TextLines::MeasureParams::operator==(const MeasureParams& other) const {
    return graphics == other.graphics && font == other.font && format == other.format &&
           layout.X == other.layout.X && layout.Y == other.layout.Y &&
           layout.Width == other.layout.Width && layout.Height == other.layout.Height &&
           scrollBars == other.scrollBars;
}

void TextLines::Measure(GpGraphics* graphics, const RectF& area, GpFont* font,
                        GpStringFormat* format, int scrollBars, bool reuse) {
    RectF layout = area;
    if (scrollBars & 1) {
        layout.Width = 0;  // no wrapping, no height limit
        layout.Height = 0;
    } else if (scrollBars == 2) {
        layout.Height = 0;  // wraps at the area width, grows downwards
    }
    contentWidth = 0;
    contentHeight = 0;
    const MeasureParams params{graphics, font, format, layout, scrollBars};
    // Old versions of edited lines pile up; past a bound they are dropped.
    const size_t bound = 2 * static_cast<size_t>(lineCount) + 64;
    if (!reuse || !(params == measuredWith) || measuredBoxes.size() > bound) {
        measuredBoxes.clear();
        measuredReference.reset();
    }
    measuredWith = params;

    // Measured once while the parameters stay: an edit measures its own line only.
    RectF reference;
    if (measuredReference)
        reference = *measuredReference;
    else if (MeasureBounds(graphics, kReferenceChar, font, layout, format, &reference))
        measuredReference = reference;
    // At 96 DPI a row is the reference height cut to whole units. At another
    // scale that height is the device glyph cell over the scale, a fraction of
    // a unit: cut, the row would be shorter than its glyphs, a repainted
    // strip would lose their last pixel row, and Wine's GDI+ would not lay
    // the line out in its own box at all. There it rounds up.
    lineHeight = DeviceScale::Of(graphics).IsOne()
                     ? static_cast<int>(reference.Height)
                     : static_cast<int>(std::ceil(reference.Height - kRowSlack));
    if (length <= 0) return;

    // Only the vertical bar alone lets a wrapped line take several rows.
    const bool oneRowEach = (scrollBars & 1) != 0 || scrollBars == 0;
    for (int line = 1; line <= lineCount; ++line) {
        RectF bounds;
        const std::string text = LineText(line);
        // An empty line has nothing to measure: it is one reference row,
        // narrow enough to show the caret, and costs no GDI+ call.
        const auto known = text.empty() ? measuredBoxes.end() : measuredBoxes.find(text);
        if (known != measuredBoxes.end()) {
            bounds = known->second;
        } else if (!text.empty() && MeasureBounds(graphics, LayoutText(text).c_str(), font, layout,
                                                  format, &bounds)) {
            measuredBoxes.emplace(text, bounds);
        } else {
            bounds = reference;
            bounds.Width = 2;
        }
        if (oneRowEach) bounds.Height = static_cast<float>(lineHeight);
        RectF& box = lineTable[static_cast<size_t>(line - 1)].box;
        box.Y = static_cast<float>(contentHeight);
        box.Width = bounds.Width;
        box.Height = bounds.Height;
        if (bounds.Width > static_cast<float>(contentWidth))
            contentWidth = static_cast<int>(bounds.Width);
        contentHeight = static_cast<int>(static_cast<float>(contentHeight) + bounds.Height);
    }
}

std::string TextLines::LineText(int line, std::optional<int> count) const {
    if (!IsValidLine(line)) return {};
    std::string_view text = LineBytes(line);
    // A count past the line's end would reach into its CR LF and the next line.
    if (count)
        text = text.substr(0, std::min(static_cast<size_t>(std::max(*count, 0)), text.size()));
    if (mode != kPasswordMode) return std::string(text);
    const int characters = CharCount(text);
    std::string masked;
    masked.reserve(passwordChar.size() * static_cast<size_t>(characters));
    for (int i = 0; i < characters; ++i) masked += passwordChar;
    return masked;
}

std::string TextLines::Range(int a, int b) const {
    const int first = ClampPosition(std::min(a, b));
    const int end = ClampPosition(std::max(a, b));
    return bytes.substr(static_cast<size_t>(first - 1), static_cast<size_t>(end - first));
}

void TextLines::DeleteRange(int a, int b, int flags) {
    const int first = ClampPosition(std::min(a, b));
    const int end = ClampPosition(std::max(a, b));
    std::string text = bytes;
    text.erase(static_cast<size_t>(first - 1), static_cast<size_t>(end - first));
    SetText(text, flags, mode, passwordChar);
}

void TextLines::InsertAt(int position, const std::string& text, int flags) {
    std::string joined = bytes;
    joined.insert(static_cast<size_t>(ClampPosition(position) - 1), text);
    SetText(joined, flags, mode, passwordChar);
}

RectF TextLines::LineBox(int line) const {
    if (!IsValidLine(line)) return RectF();
    return lineTable[static_cast<size_t>(line - 1)].box;
}

int TextLines::LineStart(int line) const {
    if (!IsValidLine(line)) return 0;
    return lineTable[static_cast<size_t>(line - 1)].start;
}

int TextLines::TextIndex(int line, int column) const {
    if (!IsValidLine(line)) return 0;
    int characters = column;
    if (mode == kPasswordMode) {
        // Columns count mask characters; each real character shows one mask.
        const int perMask = CharCount(passwordChar);
        characters = perMask > 0 ? column / perMask : 0;
    }
    return LineStart(line) + BytesOfChars(LineBytes(line), characters);
}

std::string_view TextLines::LineBytes(int line) const {
    const int start = LineStart(line);
    // The last line runs to the end; any other stops before its CR LF.
    const int end = line == lineCount ? length + 1 : LineStart(line + 1) - 2;
    return std::string_view(bytes).substr(static_cast<size_t>(start - 1),
                                          static_cast<size_t>(end - start));
}

int TextLines::ClampPosition(int position) const {
    return std::clamp(position, 1, length + 1);
}
