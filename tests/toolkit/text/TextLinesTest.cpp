#include "toolkit/text/TextLines.h"

#include <gtest/gtest.h>

#include <string>

#include "toolkit/core/Toolkit.h"
#include "toolkit/draw/GdipOwners.h"
#include "toolkit/text/TextFormat.h"

namespace {

const int kMulti = 1;
const int kPassword = TextLines::kPasswordMode;

TextLines Store(const std::string& text, int flags = kMulti, int mode = 0,
                const std::string& mask = "*") {
    TextLines lines;
    lines.SetText(text, flags, mode, mask);
    return lines;
}

TEST(TextLinesCounting, CharCountAndBytesOfChars) {
    EXPECT_EQ(CharCount("ab"), 2);
    EXPECT_EQ(CharCount("中文"), 2);
    EXPECT_EQ(CharCount("a\tb\x1f"), 4) << "a control character is a character";
    EXPECT_EQ(BytesOfChars("a\tb\x1f", 3), 3);
    EXPECT_EQ(CharCount("\r\n"), 1);
    EXPECT_EQ(CharCount(std::string("a") + "中"[0]), 1) << "a cut-off lead byte";
    EXPECT_EQ(BytesOfChars("中a文", 2), 3);
    EXPECT_EQ(BytesOfChars("中a文", 9), 5) << "never beyond the text";
}

TEST(TextLinesSplitting, OnlyCrLfPairsEndLines) {
    TextLines lines = Store("a\r\n\r\nb");
    ASSERT_EQ(lines.LineCount(), 3);
    EXPECT_EQ(lines.LineStart(2), 4);
    EXPECT_EQ(lines.LineStart(3), 6);
    EXPECT_EQ(lines.LineText(2), "");
    EXPECT_EQ(lines.LineText(3), "b");

    lines = Store("ab\r\n");
    ASSERT_EQ(lines.LineCount(), 2);
    EXPECT_EQ(lines.LineStart(2), lines.Length() + 1);
    EXPECT_EQ(lines.LineText(1), "ab");

    lines = Store("\r\r\n\n");  // the lone CR and LF stay inside their lines
    ASSERT_EQ(lines.LineCount(), 2);
    EXPECT_EQ(lines.LineText(1), "\r");
    EXPECT_EQ(lines.LineText(2), "\n");

    lines = Store("one\r\ntwo", 0);
    EXPECT_EQ(lines.Text(), "one") << "a single-line store keeps the first piece";
    lines.InsertAt(4, "!\r\nlost", 0);
    EXPECT_EQ(lines.Text(), "one!");
}

TEST(TextLinesQueries, InvalidLinesAndCountsStayInsideTheText) {
    TextLines lines = Store("abc\r\ndef");
    for (int line : {0, 3}) {
        EXPECT_EQ(lines.LineText(line), "") << line;
        EXPECT_EQ(lines.LineStart(line), 0) << line;
        EXPECT_EQ(lines.LineBox(line).Width, 0.0f) << line;
        EXPECT_EQ(lines.TextIndex(line, 1), 0) << line;
    }
    EXPECT_EQ(lines.LineText(1, 10), "abc") << "not the CR LF and the next line";
    EXPECT_EQ(lines.TextIndex(2, 0), 6) << "just after the CR LF";
    EXPECT_EQ(lines.TextIndex(1, 9), 4) << "a column past the end stays in the line";
    EXPECT_EQ(lines.Range(-5, 3), "ab");
}

TEST(TextLinesPassword, LinesAreMaskedTextAndRangeAreNot) {
    TextLines lines = Store("中文a\r\nxy", kMulti, kPassword);
    EXPECT_EQ(lines.LineText(1), "***");
    EXPECT_EQ(lines.Text(), "中文a\r\nxy");
    EXPECT_EQ(lines.Range(1, 6), "中文a");
    // Each mask stands for one real character, so an index never splits one.
    lines.DeleteRange(lines.TextIndex(1, 1), lines.TextIndex(1, 2), kMulti);
    EXPECT_EQ(lines.Text(), "中a\r\nxy");
    EXPECT_EQ(lines.LineText(1), "**") << "the mask survives edits";
}

TEST(TextLinesEditing, EditsClampAndRebuildTheLines) {
    TextLines forward = Store("abcdef"), backward = Store("abcdef");
    forward.DeleteRange(1, 3, kMulti);
    backward.DeleteRange(3, 1, kMulti);
    EXPECT_EQ(forward.Text(), "cdef");
    EXPECT_EQ(backward.Text(), "cdef");

    TextLines lines = Store("ab");
    lines.InsertAt(-4, "[", kMulti);
    lines.InsertAt(99, "]", kMulti);
    lines.InsertAt(3, "\r\n", kMulti);
    EXPECT_EQ(lines.Text(), "[a\r\nb]");
    ASSERT_EQ(lines.LineCount(), 2);
    EXPECT_EQ(lines.LineStart(2), 5);
    lines.DeleteRange(lines.TextIndex(1, 2), lines.TextIndex(2, 0), kMulti);  // joins them
    EXPECT_EQ(lines.LineCount(), 1);
    EXPECT_EQ(lines.Text(), "[ab]");
}

// Real GDI+ measuring on a bitmap, as the edit box does on its surface.
class TextLinesMeasure : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!DefaultFont) StartToolkit();
    }
    void SetUp() override {
        ASSERT_NE(DefaultFont, nullptr);
        ASSERT_TRUE(format.Create(0x4800, 0));
        ASSERT_TRUE(wrapping.Create(0x6800, 0));
    }
    void Measure(TextLines& lines, int scrollBars) {
        lines.Measure(canvas.graphics.get(), RectF(2, 2, 120, 60), DefaultFont,
                      scrollBars == 2 ? wrapping.Handle() : format.Handle(), scrollBars);
    }
    ArgbCanvas canvas = ArgbCanvas::Create(200, 200);
    TextFormat format, wrapping;
};

TEST_F(TextLinesMeasure, WrappingOnlyWithTheVerticalBarAlone) {
    const std::string text = "the quick brown fox jumps over the lazy dog again\r\n\r\nend";
    TextLines wrapped = Store(text), unwrapped = Store(text);
    Measure(wrapped, 2);
    Measure(unwrapped, 3);
    const float row = unwrapped.LineHeight();
    ASSERT_GT(row, 4.0f);

    EXPECT_GT(wrapped.LineBox(1).Height, 1.5f * row) << "several rows";
    EXPECT_EQ(wrapped.LineBox(2).Y,
              static_cast<float>(static_cast<int>(wrapped.LineBox(1).Height)));
    EXPECT_EQ(unwrapped.LineBox(1).Height, row);
    EXPECT_GT(unwrapped.LineBox(1).Width, 120.0f) << "the full text on one row";
    EXPECT_EQ(unwrapped.ContentWidth(), static_cast<int>(unwrapped.LineBox(1).Width));
    EXPECT_EQ(unwrapped.LineBox(3).Y, 2 * row);
    EXPECT_EQ(unwrapped.ContentHeight(), 3 * static_cast<int>(row));
    EXPECT_EQ(unwrapped.LineBox(2).Width, 2.0f) << "an empty line is a narrow reference row";
    EXPECT_EQ(wrapped.LineBox(2).Height, row);
}

TEST_F(TextLinesMeasure, EmptyTextMasksAndFailures) {
    TextLines empty = Store("");
    Measure(empty, 3);
    EXPECT_GT(empty.LineHeight(), 4.0f) << "the reference row is measured anyway";
    EXPECT_EQ(empty.ContentHeight(), 0);

    TextLines masked = Store("中文a", kMulti, kPassword), plain = Store("***");
    Measure(masked, 3);
    Measure(plain, 3);
    EXPECT_EQ(masked.ContentWidth(), plain.ContentWidth());

    plain.Measure(nullptr, RectF(0, 0, 100, 50), nullptr, format.Handle(), 3);  // GDI+ refuses
    EXPECT_EQ(plain.LineBox(1).Width, 2.0f);
    EXPECT_EQ(plain.LineHeight(), 0.0f);
}

TEST_F(TextLinesMeasure, AnEditMeasuredAgainGivesTheBoxesOfAFullMeasure) {
    const RectF area(2, 2, 120, 60);
    TextLines edited = Store("first line\r\nsecond\r\nthird one");
    edited.Measure(canvas.graphics.get(), area, DefaultFont, format.Handle(), 3);
    edited.InsertAt(edited.LineStart(2), "a much longer ", kMulti);
    edited.Measure(canvas.graphics.get(), area, DefaultFont, format.Handle(), 3, true);
    TextLines fresh = Store(edited.Text());
    fresh.Measure(canvas.graphics.get(), area, DefaultFont, format.Handle(), 3);
    for (int line = 1; line <= 3; ++line) {
        EXPECT_EQ(edited.LineBox(line).Width, fresh.LineBox(line).Width) << line;
        EXPECT_EQ(edited.LineBox(line).Y, fresh.LineBox(line).Y) << line;
    }
    EXPECT_EQ(edited.ContentWidth(), fresh.ContentWidth());

    // Other measuring terms are not served from the old boxes: a wrapping
    // layout of the same text gives the wrapped heights.
    edited.Measure(canvas.graphics.get(), RectF(2, 2, 40, 60), DefaultFont, wrapping.Handle(), 2,
                   true);
    EXPECT_GT(edited.LineBox(2).Height, 1.5f * edited.LineHeight());
}

}  // namespace
