// The edit box's layout and painting: text areas, scroll bars, scrolling,
// caret placement, hit testing, the lines with their selection and the
// blinking caret.
#include <algorithm>
#include <cmath>

#include "toolkit/core/Text.h"
#include "toolkit/draw/Shapes.h"
#include "toolkit/host/UIHost.h"
#include "toolkit/text/EditBox.h"

namespace {

constexpr float kTolerance = 1e-7f;
constexpr Gdiplus::ARGB kHighlight = 0xFE3399FF;
constexpr Gdiplus::ARGB kSelectedText = 0xFEFFFFFF;
constexpr float kCornerSize = 4.0f;

int Trunc(float value) {
    return static_cast<int>(value);
}

// Copies `rows` rows of a 32-bit surface `width` pixels wide, from `top`, into
// `buffer` (or, with `write`, from it) through GDI+'s caller-buffer mode.
bool CopyRows(GpBitmap* surface, UINT width, int top, int rows, Gdiplus::ARGB* buffer, bool write) {
    Gdiplus::BitmapData data{};
    data.Width = width;
    data.Height = static_cast<UINT>(rows);
    data.Stride = static_cast<INT>(width * 4);
    data.PixelFormat = PixelFormat32bppARGB;
    data.Scan0 = buffer;
    const Gdiplus::Rect area(0, top, static_cast<INT>(width), rows);
    const UINT mode = (write ? Gdiplus::ImageLockModeWrite : Gdiplus::ImageLockModeRead) |
                      Gdiplus::ImageLockModeUserInputBuf;
    if (gp::GdipBitmapLockBits(surface, &area, mode, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
        return false;
    gp::GdipBitmapUnlockBits(surface, &data);
    return true;
}

}  // namespace

RectF EditBox::LayoutBox(const RectF& lineBox) const {
    // With the vertical bar alone the text wraps at the area's width.
    const RectF& base = scrollBars == kVerticalBar ? textArea : lineBox;
    const auto sx = static_cast<float>(scrollX);
    const auto sy = static_cast<float>(scrollY);
    return RectF(sx + lineBox.X, sy + lineBox.Y, base.Width - sx, base.Height - sy);
}

EditBox::RangeMeasure EditBox::MeasureRange(const std::wstring& text, int first, int length,
                                            const RectF& layout, bool keepRegion) {
    if (length < 0) {
        first += length;
        length = -length;
    }
    RangeMeasure result;
    // A range outside the text has nothing to measure: the position after
    // the last character fails, which callers rely on.
    if (first < 0 || first + length > static_cast<int>(text.size()) || !surfaceGraphics)
        return result;
    GpGraphics* graphics = surfaceGraphics.get();
    const Gdiplus::CharacterRange range(first, length);
    gp::GdipSetStringFormatMeasurableCharacterRanges(format.Handle(), 1, &range);
    gp::GdipCreateRegion(result.region.put());
    GpRegion* regions[1] = {result.region.get()};
    result.ok = gp::GdipMeasureCharacterRanges(graphics, text.c_str(), -1, font, layout,
                                               format.Handle(), 1, regions) == Gdiplus::Ok;
    if (result.ok) gp::GdipGetRegionBounds(result.region.get(), graphics, &result.bounds);
    if (!keepRegion) result.region.reset();
    return result;
}

std::vector<RectF> EditBox::RegionRects(GpRegion* region) {
    std::vector<RectF> rows;
    if (!region) return rows;
    Gdiplus::GpMatrix* identity = nullptr;
    gp::GdipCreateMatrix(&identity);
    UINT count = 0;
    if (gp::GdipGetRegionScansCount(region, &count, identity) == Gdiplus::Ok && count > 0) {
        rows.resize(count);
        INT got = static_cast<INT>(count);
        if (gp::GdipGetRegionScans(region, rows.data(), &got, identity) != Gdiplus::Ok) got = 0;
        rows.resize(static_cast<size_t>(std::max(got, 0)));
    }
    gp::GdipDeleteMatrix(identity);
    return rows;
}

void EditBox::RenderBox(bool relayout) {
    SurfacePaint record;
    if (!BeginSurfacePaint(record, std::nullopt, true)) return;
    surfaceCaret.shown = false;  // the surface starts afresh
    highlightShown = false;
    const RectF& r = record.rect;
    PaintBackground(record);
    KeepBackground();
    if (relayout) {
        frameArea = r;
        if (multiLine) {
            frameArea = RectF(r.X + 2, r.Y + 2, r.Width - 4, r.Height - 4);
        } else {
            // One line, centred vertically.
            float fontHeight = 0;
            gp::GdipGetFontHeight(font, surfaceGraphics.get(), &fontHeight);
            const int h = Trunc(fontHeight + 2);
            frameArea = RectF(r.X + 2, r.Y + static_cast<float>(Trunc((r.Height - h) / 2) + 1),
                              r.Width - 4, static_cast<float>(h));
        }
        textArea = frameArea;
    }
    if (LayoutHook(record, frameArea, 1) != 0) {
        textArea = frameArea;
        UpdateScrollBars(true, false);
    }
    if (relayout) {
        UpdateScrollBars(true, false);
        MeasureLines();
        UpdateScrollBars(false, true);
    }
    DrawLines(record);
    // A layered host presents the surface as it is: the caret goes with it,
    // shown after every repaint as after every edit.
    if (CaretOnSurface() && HasFocus()) ShowCaretOnSurface();
    EndSurfacePaint(record);
}

void EditBox::PaintBackground(const SurfacePaint& record) {
    GpGraphics* graphics = record.graphics;
    const RectF& r = record.rect;
    UniqueGpPath rounded;
    if (roundCorners) {
        rounded = RoundedPath(r, kCornerSize);
        ClipPath(graphics, rounded.get());
    }
    {
        UniqueGpBrush back = MakeSolidBrush(backColour);
        gp::GdipFillRectangle(graphics, back.get(), r.X, r.Y, r.Width - 1, r.Height - 1);
    }
    if (roundCorners) {
        rounded.reset();
        ResetClip(graphics);
        RoundedOutline(graphics, r, kCornerSize, frameStyle);
    } else {
        RectOutline(graphics, r, frameStyle);
    }
}

void EditBox::KeepBackground() {
    background.width = background.height = 0;
    if (!surface || !surfaceGraphics || roundCorners) return;
    UINT w = 0, h = 0;
    gp::GdipGetImageWidth(surface.get(), &w);
    gp::GdipGetImageHeight(surface.get(), &h);
    if (w == 0 || h == 0) return;
    gp::GdipFlush(surfaceGraphics.get(), Gdiplus::FlushIntentionSync);
    background.pixels.resize(static_cast<size_t>(w) * h);
    if (!CopyRows(surface.get(), w, 0, static_cast<int>(h), background.pixels.data(), false))
        return;
    background.width = static_cast<int>(w);
    background.height = static_cast<int>(h);
    background.fill = backColour;
    background.frame = frameStyle;
}

bool EditBox::RestoreBackground(int top, int bottom) {
    if (background.width == 0 || !surface || !surfaceGraphics || roundCorners ||
        background.fill != backColour || background.frame != frameStyle)
        return false;
    UINT w = 0, h = 0;
    gp::GdipGetImageWidth(surface.get(), &w);
    gp::GdipGetImageHeight(surface.get(), &h);
    if (static_cast<int>(w) != background.width || static_cast<int>(h) != background.height)
        return false;
    top = std::max(top, 0);
    bottom = std::min(bottom, background.height);
    if (bottom <= top) return true;
    gp::GdipFlush(surfaceGraphics.get(), Gdiplus::FlushIntentionSync);
    return CopyRows(surface.get(), w, top, bottom - top,
                    background.pixels.data() + static_cast<size_t>(top) * w, true);
}

EditBox::EditMark EditBox::MarkEdit() const {
    return EditMark{std::min(anchorLine, caretLine),
                    lines.LineCount(),
                    lines.ContentHeight(),
                    scrollX,
                    scrollY,
                    caretRect};
}

void EditBox::RepaintEdit(const EditMark& before) {
    // Clearing the surface and drawing every visible line costs a keystroke
    // several milliseconds; its line alone is a strip a row high.
    const bool whole = highlightShown || !SelectionEmpty() || scrollX != before.scrollX ||
                       scrollY != before.scrollY || roundCorners || fadeSnapshot ||
                       fadeAlpha != opacity || !host || host->rendering || !surfaceGraphics;
    if (whole) {
        RenderBox(false);
        return;
    }
    const bool linesMoved =
        lines.LineCount() != before.lineCount || lines.ContentHeight() != before.contentHeight;
    const RectF box = lines.LineBox(before.firstLine);
    const float lineTop = textArea.Y + static_cast<float>(scrollY) + box.Y;
    // A line's box is a reference row high, which holds its glyphs: the box
    // alone is the strip, and no neighbour needs drawing again.
    const int top = static_cast<int>(std::floor(lineTop));
    const int bottom =
        linesMoved ? Trunc(rect.Height) : static_cast<int>(std::ceil(lineTop + box.Height));
    // The old caret goes too where the window shows it outside the strip.
    RepaintBand(top, bottom, before.caretRect);
}

void EditBox::RepaintBand(int top, int bottom, const RectF& alsoChanged) {
    SurfacePaint record;
    if (!BeginSurfacePaint(record, std::nullopt, false)) return;
    GpGraphics* graphics = record.graphics;
    RectF band(0, static_cast<float>(top), record.rect.Width, static_cast<float>(bottom - top));
    RectF::Intersect(band, band, record.rect);
    // Whole surface pixels, once: the rows restored, the clip the lines are
    // drawn through and the part handed to the host are the same pixels, so
    // no partly covered row is drawn again without being restored first.
    const DeviceScale scale = Scale();
    band = scale.Outward(band);
    const RECT rows = scale.Covering(band);
    RectF changed = band;
    if (alsoChanged.Width > 0 && alsoChanged.Height > 0)
        RectF::Union(changed, changed, alsoChanged);
    if (const std::optional<RectF> old = HideCaretOnSurface()) RectF::Union(changed, changed, *old);
    if (band.Height > 0) {
        ClipRect(graphics, band);
        if (!RestoreBackground(rows.top, rows.bottom)) {
            gp::GdipGraphicsClear(graphics, 0x00FFFFFF);  // as the full repaint clears
            PaintBackground(record);
        }
        bandClip = band;
        DrawLines(record);
        bandClip.reset();
        ResetClip(graphics);
    }
    if (CaretOnSurface() && HasFocus()) {
        if (const std::optional<RectF> shown = ShowCaretOnSurface())
            RectF::Union(changed, changed, *shown);
    }
    RectF::Intersect(changed, changed, record.rect);
    RedrawSurfaceRect(scale.Outward(changed));
}

void EditBox::UpdateScrollBars(bool layout, bool ranges) {
    const int rx = Trunc(rect.X);
    const int ry = Trunc(rect.Y);
    if (layout) {
        if (scrollBars & kVerticalBar) {
            textArea.Width -= 10;
            const float height =
                (scrollBars & kHorizontalBar) ? textArea.Height - 10 : textArea.Height;
            if (vScrollBar.handle)
                vScrollBar.Move(rx + Trunc(textArea.X + textArea.Width), ry + Trunc(textArea.Y), 10,
                                Trunc(height), false);
        }
        if (scrollBars & kHorizontalBar) {
            textArea.Height -= 10;
            if (hScrollBar.handle)
                hScrollBar.Move(rx + Trunc(textArea.X), ry + Trunc(textArea.Y + textArea.Height),
                                Trunc(textArea.Width), 10, false);
        }
    }
    if (ranges) {
        // A bar repaints on every range change; typing rarely changes it.
        if ((scrollBars & kVerticalBar) && vScrollBar.handle) {
            const int maximum = lines.ContentHeight() - Trunc(textArea.Height);
            if (vScrollBar.Maximum() != maximum) vScrollBar.Maximum(maximum);
            vScrollBar.Step(Trunc(lines.LineHeight()));
            // A position set before the range grew was held inside the old one.
            vScrollBar.Position(-scrollY);
        }
        if ((scrollBars & kHorizontalBar) && hScrollBar.handle) {
            const int maximum = lines.ContentWidth() - Trunc(textArea.Width);
            if (hScrollBar.Maximum() != maximum) hScrollBar.Maximum(maximum);
            hScrollBar.Position(-scrollX);
        }
    }
}

void EditBox::OnVScroll(int position) {
    const int before = scrollY;
    scrollY = -position;
    caretRect.Y = caretRect.Y - static_cast<float>(before) - static_cast<float>(position);
    RenderBox(false);
}

void EditBox::OnHScroll(int position) {
    const int before = scrollX;
    scrollX = -position;
    caretRect.X = caretRect.X - static_cast<float>(before) - static_cast<float>(position);
    RenderBox(false);
}

void EditBox::DrawLines(SurfacePaint& record) {
    firstVisibleLine = LineAtY(static_cast<float>(-scrollY), firstVisibleLine);
    lastDrawnLine = firstVisibleLine;
    const float bottom = textArea.Height - static_cast<float>(scrollY);
    for (int line = firstVisibleLine; line <= lines.LineCount(); ++line) {
        const RectF box = lines.LineBox(line);
        // Repainting a band: only the lines that reach into it.
        const float lineTop = textArea.Y + static_cast<float>(scrollY) + box.Y;
        const bool reaches = !bandClip || (lineTop < bandClip->Y + bandClip->Height &&
                                           lineTop + box.Height > bandClip->Y);
        if (reaches) DrawLine(line, box, record);
        lastDrawnLine = line;
        if (box.Y + box.Height > bottom) break;
    }
}

int EditBox::LineAtY(float y, int) {
    const int count = lines.LineCount();
    for (int line = 1; line <= count; ++line) {
        const RectF box = lines.LineBox(line);
        if (box.Y - y <= kTolerance && y - (box.Y + box.Height) <= kTolerance) return line;
    }
    return y > 0 ? count : 1;
}

void EditBox::DrawLine(int line, const RectF& lineBox, SurfacePaint& record) {
    GpGraphics* graphics = record.graphics;
    RectF layout = LayoutBox(lineBox);
    layout.X += textArea.X;
    layout.Y += textArea.Y;
    // Wine's GDI+ keeps a device context for every string drawn into a box too
    // narrow for its first character (an empty line measures two pixels, a
    // control character four). Text that does not wrap is drawn in a box one
    // row height wider, which changes nothing when it starts at the left.
    RectF drawBox = layout;
    if (scrollBars != kVerticalBar && format.Align() == Gdiplus::StringAlignmentNear)
        drawBox.Width += lines.LineHeight();
    std::string text = lines.LineText(line);
    // An empty line is measured as one space, so a selection across it shows,
    // but nothing is drawn for it.
    const bool blank = text.empty();
    if (blank) text = " ";
    const std::wstring wide = LayoutText(text);
    ClipRect(graphics, textArea);
    if (bandClip) ClipRect(graphics, *bandClip, Gdiplus::CombineModeIntersect);
    if (!blank)
        gp::GdipDrawString(graphics, wide.c_str(), -1, font, &drawBox, format.Handle(),
                           textBrush.get());

    // The highlighted columns of this line, if it takes part in the selection.
    int first = 0;
    int length = 0;
    const int n = CharCount(text);
    if (!SelectionEmpty()) {
        const bool anchorEarlier = anchorLine < caretLine;
        if (anchorLine == line && caretLine == line) {
            first = caretColumn;
            length = anchorColumn - caretColumn;
        } else if (line == anchorLine) {
            if (anchorEarlier)
                first = anchorColumn, length = n - anchorColumn;
            else
                first = 0, length = anchorColumn;
        } else if (line == caretLine) {
            if (anchorEarlier)
                first = 0, length = caretColumn;
            else
                first = caretColumn, length = n - caretColumn;
        } else if (line > std::min(anchorLine, caretLine) &&
                   line < std::max(anchorLine, caretLine)) {
            first = 0, length = n;
        }
    }
    if (length != 0) {
        highlightShown = true;
        RangeMeasure measured = MeasureRange(wide, first, length, layout, true);
        if (measured.ok && measured.region) {
            const bool wraps = lineBox.Height > lines.LineHeight() + 2;
            for (RectF row : RegionRects(measured.region.get())) {
                row.Y -= 2;
                row.Height += wraps ? 3 : 4;
                UniqueGpBrush fill = MakeSolidBrush(kHighlight);
                gp::GdipFillRectangle(graphics, fill.get(), row.X, row.Y, row.Width - 1,
                                      row.Height - 1);
                RectOutline(graphics, row, kHighlight);
                gp::GdipCombineRegionRect(measured.region.get(), &row, Gdiplus::CombineModeUnion);
            }
            // The selected characters again, white, inside the highlight only.
            gp::GdipSetClipRegion(graphics, measured.region.get(), Gdiplus::CombineModeIntersect);
            UniqueGpBrush white = MakeSolidBrush(kSelectedText);
            if (!blank)
                gp::GdipDrawString(graphics, wide.c_str(), -1, font, &drawBox, format.Handle(),
                                   white.get());
        }
    }
    ResetClip(graphics);
}

RectF EditBox::PosFromsIndex(int line, int& index, bool adjustScroll, int extraHeight) {
    // Offsets are never positive (a short text asked to show its end, a wheel
    // turn at the top): measured with one, a line's layout box would be too
    // short to hold its own text.
    scrollX = std::min(scrollX, 0);
    scrollY = std::min(scrollY, 0);
    const RectF box = lines.LineBox(line);
    const RectF layout = LayoutBox(box);
    const std::string text = lines.LineText(line);
    const int n = CharCount(text);
    if (index >= n) index -= 1;
    const std::wstring wide = LayoutText(text);

    RectF bounds;
    bool measuredOk = false;
    if (index >= 0) {
        RangeMeasure measured = MeasureRange(wide, index, 1, layout, false);
        measuredOk = measured.ok;
        bounds = measured.bounds;
        // A character without extent (a control character): the caret goes
        // after the one before it instead.
        if (measuredOk && std::fabs(bounds.Width) < kTolerance &&
            std::fabs(bounds.Height) < kTolerance) {
            RangeMeasure before = MeasureRange(wide, index - 1, 1, layout, false);
            if (before.ok) bounds = before.bounds;
        }
    }
    if (index < 0 || !measuredOk) bounds = RectF(layout.X, layout.Y, 1.0f, lines.LineHeight() - 3);

    RectF caret(bounds.X + bounds.Width + textArea.X, bounds.Y + textArea.Y - 2, 1.0f,
                bounds.Height + 4);
    if (adjustScroll) {
        if (caret.Y < textArea.Y - 2) {
            scrollY = Trunc(static_cast<float>(scrollY) - caret.Y + caret.Height);
        } else if (caret.Y + caret.Height > textArea.Y + textArea.Height - 2) {
            scrollY =
                Trunc(static_cast<float>(scrollY) - caret.Height - static_cast<float>(extraHeight));
        }
        if (caret.X > textArea.X + textArea.Width) {
            scrollX = Trunc(static_cast<float>(scrollX) - (caret.X - textArea.Width));
        } else if (caret.X < textArea.X) {
            scrollX =
                Trunc(static_cast<float>(scrollX) + textArea.X - caret.X + textArea.Width / 5);
        }
    }
    // Never past the end of the content, never before its start.
    const int areaHeight = Trunc(textArea.Height);
    const int areaWidth = Trunc(textArea.Width);
    if (-scrollY > lines.ContentHeight() - areaHeight)
        scrollY = -lines.ContentHeight() + areaHeight;
    if (-scrollX > lines.ContentWidth() - areaWidth)
        scrollX = -lines.ContentWidth() + areaWidth + 1;
    scrollX = std::min(scrollX, 0);
    scrollY = std::min(scrollY, 0);
    if ((scrollBars & kHorizontalBar) && hScrollBar.handle) hScrollBar.Position(-scrollX);
    if ((scrollBars & kVerticalBar) && vScrollBar.handle) vScrollBar.Position(-scrollY);
    if (adjustScroll) return PosFromsIndex(line, index, false, 0);
    return caret;
}

int EditBox::HitTest(int x, int y, int& outLine) {
    int px = Trunc(static_cast<float>(x) - rect.X - textArea.X);
    int py = Trunc(static_cast<float>(y) - rect.Y - textArea.Y);
    outLine = LineAtY(static_cast<float>(py - scrollY), firstVisibleLine);
    px = std::max(px, 0);
    const RectF layout = LayoutBox(lines.LineBox(outLine));
    std::string text = lines.LineText(outLine);
    if (text.empty()) text = " ";
    RangeMeasure measured = MeasureRange(LayoutText(text), 0, CharCount(text), layout, true);
    const std::vector<RectF> rows = RegionRects(measured.region.get());
    measured.region.reset();
    // Above or below the line's rows (a point outside the text): its first or
    // last row, so the column follows x there too.
    if (!rows.empty()) {
        if (static_cast<float>(py) < rows.front().Y - 2)
            py = Trunc(rows.front().Y + rows.front().Height / 2);
        else if (static_cast<float>(py) > rows.back().Y + rows.back().Height + 2)
            py = Trunc(rows.back().Y + rows.back().Height / 2);
    }
    for (const RectF& row : rows) {
        const float top = row.Y - 2;
        const float bottom = row.Y + row.Height + 2;
        if (static_cast<float>(py) < top || static_cast<float>(py) > bottom) continue;
        // Left of the row: its first character; right of it: its end.
        if (static_cast<float>(px) < row.X) px = Trunc(row.X);
        if (static_cast<float>(px) > row.X + row.Width) px = Trunc(row.X + row.Width);
        break;
    }
    // An empty line is measured as one space, but has no column after it.
    return std::min(ColumnAtPoint(text, layout, px, py), LineChars(outLine));
}

int EditBox::ColumnAtPoint(const std::string& text, const RectF& layout, int px, int py) {
    const std::wstring wide = LayoutText(text);
    const auto x = static_cast<float>(px);
    const auto y = static_cast<float>(py);
    int lo = 0;
    int hi = CharCount(text);
    int mid = 0;
    while (lo <= hi) {
        mid = (lo + hi) / 2;
        RangeMeasure measured = MeasureRange(wide, mid, 1, layout, false);
        if (!measured.ok) return mid;  // after the last character
        RectF b = measured.bounds;
        b.Y -= 6;  // the hit box reaches 6 pixels above the character and 5 below
        b.Height += 11;
        if (x - b.X >= -kTolerance && y - b.Y >= -kTolerance && b.X + b.Width - x > kTolerance &&
            b.Y + b.Height - y > kTolerance)
            return x > b.X + b.Width / 2 ? mid + 1 : mid;
        if (b.Y > y || (b.Y + b.Height > y && b.X > x))
            hi = mid - 1;
        else
            lo = mid + 1;
    }
    return mid;
}

bool EditBox::CaretOnSurface() const {
    return hostWindow && (GetWindowLongA(hostWindow, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
}

std::optional<EditBox::CaretSpan> EditBox::CaretSpanNow() const {
    const float cx = caretRect.X;
    const float cy = caretRect.Y + 2;
    const bool inside = cx >= textArea.X && cy >= textArea.Y && cx < textArea.X + textArea.Width &&
                        cy < textArea.Y + textArea.Height;
    if (!inside || caretRect.Y + prevCaretRect.Height > textArea.Y + textArea.Height)
        return std::nullopt;
    const DeviceScale scale = Scale();
    if (!scale.IsOne()) {
        // In the surface's device pixels: the column holding the caret's x,
        // from its top row to just before its end.
        const float f = scale.Factor();
        const auto floorOf = [](float v) { return static_cast<int>(std::floor(v)); };
        UINT surfaceWidth = 0, surfaceHeight = 0;
        if (surface) {
            gp::GdipGetImageWidth(surface.get(), &surfaceWidth);
            gp::GdipGetImageHeight(surface.get(), &surfaceHeight);
        }
        CaretSpan span;
        span.x = floorOf(caretRect.X * f);
        span.top =
            std::max(floorOf((caretRect.Y < textArea.Y ? caretRect.Y + 2 : caretRect.Y) * f), 0);
        span.bottom = std::min(floorOf((caretRect.Y + caretRect.Height) * f),
                               static_cast<int>(surfaceHeight));
        if (span.x < 0 || span.x >= static_cast<int>(surfaceWidth) || span.bottom <= span.top)
            return std::nullopt;
        return span;
    }
    // The same pixels the window line covers: from its start to just before
    // its end, in host pixels, then moved into the surface.
    const int left = Trunc(rect.X);
    const int top = Trunc(rect.Y);
    const float y = rect.Y + caretRect.Y;
    CaretSpan span;
    span.x = Trunc(rect.X + caretRect.X) - left;
    span.top = std::max(Trunc(caretRect.Y < textArea.Y ? y + 2 : y) - top, 0);
    span.bottom = std::min(Trunc(y + caretRect.Height) - top, Trunc(rect.Height));
    if (span.x < 0 || span.x >= Trunc(rect.Width) || span.bottom <= span.top) return std::nullopt;
    return span;
}

bool EditBox::CaretPixels(const CaretSpan& span, std::vector<Gdiplus::ARGB>& pixels, bool write) {
    if (!surface) return false;
    UINT width = 0, height = 0;
    gp::GdipGetImageWidth(surface.get(), &width);
    gp::GdipGetImageHeight(surface.get(), &height);
    const int rows = span.bottom - span.top;
    if (span.x >= static_cast<int>(width) || span.bottom > static_cast<int>(height) || rows <= 0)
        return false;
    if (surfaceGraphics) gp::GdipFlush(surfaceGraphics.get(), Gdiplus::FlushIntentionSync);
    const Gdiplus::Rect area(span.x, span.top, 1, rows);
    Gdiplus::BitmapData data{};
    const UINT mode = Gdiplus::ImageLockModeRead | (write ? Gdiplus::ImageLockModeWrite : 0);
    if (gp::GdipBitmapLockBits(surface.get(), &area, mode, PixelFormat32bppARGB, &data) !=
        Gdiplus::Ok)
        return false;
    pixels.resize(static_cast<size_t>(rows));
    auto* row = static_cast<unsigned char*>(data.Scan0);
    for (int i = 0; i < rows; ++i, row += data.Stride) {
        auto* pixel = reinterpret_cast<Gdiplus::ARGB*>(row);
        if (write)
            *pixel = pixels[static_cast<size_t>(i)];
        else
            pixels[static_cast<size_t>(i)] = *pixel;
    }
    gp::GdipBitmapUnlockBits(surface.get(), &data);
    return true;
}

std::optional<RectF> EditBox::HideCaretOnSurface() {
    if (!surfaceCaret.shown) return std::nullopt;
    surfaceCaret.shown = false;
    const CaretSpan& span = surfaceCaret.span;
    CaretPixels(span, surfaceCaret.under, true);
    return SpanRect(span);
}

RectF EditBox::SpanRect(const CaretSpan& span) const {
    const DeviceScale scale = Scale();
    return RectF(scale.Units(static_cast<float>(span.x)), scale.Units(static_cast<float>(span.top)),
                 scale.Units(1.0f), scale.Units(static_cast<float>(span.bottom - span.top)));
}

std::optional<RectF> EditBox::ShowCaretOnSurface() {
    const std::optional<CaretSpan> span = CaretSpanNow();
    if (surfaceCaret.shown && span && *span == surfaceCaret.span) return std::nullopt;
    std::optional<RectF> changed = HideCaretOnSurface();
    if (!span || !CaretPixels(*span, surfaceCaret.under, false)) return changed;
    // The window's caret is a line in the default pen: black.
    std::vector<Gdiplus::ARGB> line(surfaceCaret.under.size(), 0xFF000000);
    if (!CaretPixels(*span, line, true)) return changed;
    surfaceCaret.shown = true;
    surfaceCaret.span = *span;
    const RectF drawn = SpanRect(*span);
    if (!changed) return drawn;
    RectF both;
    RectF::Union(both, *changed, drawn);
    return both;
}

void EditBox::RedrawSurfaceRect(const RectF& area) {
    if (!host || !handle || host->rendering) return;
    if (surfaceGraphics) gp::GdipFlush(surfaceGraphics.get(), Gdiplus::FlushIntentionSync);
    host->RequestRedraw(RectF(rect.X + area.X, rect.Y + area.Y, area.Width, area.Height), this);
}

void EditBox::DrawCaret(bool on) {
    if (CaretOnSurface()) {
        const std::optional<RectF> changed = on ? ShowCaretOnSurface() : HideCaretOnSurface();
        if (changed) RedrawSurfaceRect(*changed);
        return;
    }
    const std::optional<CaretSpan> span = CaretSpanNow();
    if (!span || !host || !hostWindow) return;
    HDC dc = host->windowDC ? host->windowDC->get() : nullptr;
    if (!dc) return;
    const DeviceScale scale = Scale();
    if (!scale.IsOne()) {
        // The window's device pixels: the surface's span where the surface lands.
        const RECT at = scale.Edges(rect);
        const int x = at.left + span->x;
        if (on) {
            MoveToEx(dc, x, at.top + span->top, nullptr);
            LineTo(dc, x, at.top + span->bottom);
        } else if (host->backDC) {
            BitBlt(dc, x, at.top + span->top, 1, span->bottom - span->top, host->backDC.get(), x,
                   at.top + span->top, SRCCOPY);
        }
        return;
    }
    const int x = Trunc(rect.X) + span->x;
    const int y = Trunc(rect.Y + caretRect.Y);
    if (on) {
        MoveToEx(dc, x, Trunc(rect.Y) + span->top, nullptr);
        LineTo(dc, x, Trunc(rect.Y) + span->bottom);
    } else if (host->backDC) {
        BitBlt(dc, x, y, 1, Trunc(caretRect.Height), host->backDC.get(), x, y, SRCCOPY);
    }
}
