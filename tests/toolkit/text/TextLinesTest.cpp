#include "toolkit/text/TextLines.h"

#include <gtest/gtest.h>

#include <string>

#include "toolkit/core/Toolkit.h"
#include "toolkit/draw/GdipOwners.h"
#include "toolkit/text/TextFormat.h"

namespace {

const int kMulti = 1;
const int kSingle = 0;
const std::string kChinese = "中文";  // two characters, four GBK bytes

TextLines Store(const std::string& text, int flags = kMulti, int mode = 0,
                const std::string& mask = "*") {
    TextLines lines;
    lines.SetText(text, flags, mode, mask);
    return lines;
}

TEST(TextLinesCounting, CharCountInEditBoxUnits) {
    EXPECT_EQ(CharCount("ab"), 2);
    EXPECT_EQ(CharCount(kChinese), 2);
    EXPECT_EQ(CharCount("a\tb"), 2) << "a control character is half a character";
    EXPECT_EQ(CharCount("\r\n"), 1);
    EXPECT_EQ(CharCount(std::string("a") + kChinese.substr(0, 1)), 1) << "a cut-off lead byte";
    EXPECT_EQ(CharCount(""), 0);
}

TEST(TextLinesCounting, BytesOfCharsWalksWholeCharacters) {
    const std::string mixed = "中a文";
    EXPECT_EQ(BytesOfChars(mixed, 2), 3);
    EXPECT_EQ(BytesOfChars(mixed, 3), 5);
    EXPECT_EQ(BytesOfChars(mixed, 0), 0);
    EXPECT_EQ(BytesOfChars(mixed, -1), 0);
    EXPECT_EQ(BytesOfChars(mixed, 9), 5) << "never beyond the text";
    EXPECT_EQ(BytesOfChars(mixed.substr(0, 3) + "中", 3), 5);
    EXPECT_EQ(BytesOfChars(std::string("a") + kChinese.substr(0, 1), 2), 2);
}

TEST(TextLinesSplitting, EmptyLinesBetweenAndAfterPairs) {
    TextLines lines = Store("a\r\n\r\nb");
    ASSERT_EQ(lines.LineCount(), 3);
    EXPECT_EQ(lines.LineStart(1), 1);
    EXPECT_EQ(lines.LineStart(2), 4);
    EXPECT_EQ(lines.LineStart(3), 6);
    EXPECT_EQ(lines.LineText(1), "a");
    EXPECT_EQ(lines.LineText(2), "");
    EXPECT_EQ(lines.LineText(3), "b");
    EXPECT_EQ(lines.Length(), 6);

    lines = Store("ab\r\n");
    ASSERT_EQ(lines.LineCount(), 2);
    EXPECT_EQ(lines.LineStart(2), lines.Length() + 1);
    EXPECT_EQ(lines.LineText(2), "");
    EXPECT_EQ(lines.LineText(1), "ab");

    lines = Store("");
    EXPECT_EQ(lines.LineCount(), 1);
    EXPECT_EQ(lines.LineStart(1), 1);
    EXPECT_EQ(lines.LineText(1), "");
}

TEST(TextLinesSplitting, OnlyCrLfPairsEndLines) {
    EXPECT_EQ(Store("a\rb\nc\n\rd").LineCount(), 1);
    EXPECT_EQ(Store("a\rb\nc\n\rd").LineText(1), "a\rb\nc\n\rd");
    TextLines lines = Store("\r\r\n\n");
    ASSERT_EQ(lines.LineCount(), 2);
    EXPECT_EQ(lines.LineText(1), "\r");
    EXPECT_EQ(lines.LineText(2), "\n");
}

TEST(TextLinesSplitting, SingleLineKeepsTheFirstPiece) {
    TextLines lines = Store("one\r\ntwo\r\nthree", kSingle);
    EXPECT_EQ(lines.Text(), "one");
    EXPECT_EQ(lines.LineCount(), 1);
    EXPECT_EQ(Store("\r\nx", kSingle).Text(), "");
    // An edit through a single-line store drops what follows a pasted pair.
    lines.InsertAt(4, " more\r\nlost", kSingle);
    EXPECT_EQ(lines.Text(), "one more");
}

TEST(TextLinesQueries, InvalidLinesGiveEmptyResults) {
    TextLines lines = Store("ab\r\ncd");
    for (int line : {0, -1, 3, 1000}) {
        EXPECT_FALSE(lines.IsValidLine(line)) << line;
        EXPECT_EQ(lines.LineText(line), "") << line;
        EXPECT_EQ(lines.LineText(line, 1), "") << line;
        EXPECT_EQ(lines.LineStart(line), 0) << line;
        RectF box = lines.LineBox(line);
        EXPECT_EQ(box.Width + box.Height + box.X + box.Y, 0.0f) << line;
        EXPECT_EQ(lines.TextIndex(line, 1), 0) << line;
    }
}

TEST(TextLinesQueries, CountedLineTextStaysInsideTheLine) {
    TextLines lines = Store("abc\r\ndef");
    EXPECT_EQ(lines.LineText(1, 2), "ab");
    EXPECT_EQ(lines.LineText(1, 0), "");
    EXPECT_EQ(lines.LineText(1, -3), "");
    EXPECT_EQ(lines.LineText(1, 10), "abc") << "the CR LF and the next line are not part of it";
    EXPECT_EQ(lines.LineText(2, 10), "def");
}

TEST(TextLinesQueries, TextIndexAcrossCrLf) {
    TextLines lines = Store("中a\r\n文b");
    EXPECT_EQ(lines.TextIndex(1, 0), 1);
    EXPECT_EQ(lines.TextIndex(1, 1), 3);
    EXPECT_EQ(lines.TextIndex(1, 2), 4);
    EXPECT_EQ(lines.TextIndex(2, 0), 6) << "just after the first CR LF";
    EXPECT_EQ(lines.TextIndex(2, 1), 8);
    EXPECT_EQ(lines.TextIndex(2, 5), 9) << "a column past the end stays in the line";
}

TEST(TextLinesPassword, LinesAreMaskedTextAndRangeAreNot) {
    const std::string real = kChinese + "a\r\nxy";
    TextLines lines = Store(real, kMulti, TextLines::kPasswordMode);
    EXPECT_EQ(lines.LineText(1), "***");
    EXPECT_EQ(lines.LineText(2), "**");
    EXPECT_EQ(lines.LineText(1, 2), "*") << "a count of real bytes, then masked";
    EXPECT_EQ(lines.Text(), real);
    EXPECT_EQ(lines.Range(1, 6), kChinese + "a");

    // Each mask stands for one real character, so an index never splits one.
    EXPECT_EQ(lines.TextIndex(1, 1), 3);
    EXPECT_EQ(lines.TextIndex(1, 3), 6);
    lines.DeleteRange(lines.TextIndex(1, 1), lines.TextIndex(1, 2), kMulti);
    EXPECT_EQ(lines.Text(), "中a\r\nxy");

    TextLines wide = Store(kChinese, kMulti, TextLines::kPasswordMode, "●");
    EXPECT_EQ(wide.LineText(1), "●●");
    EXPECT_EQ(wide.TextIndex(1, 1), 3);
    EXPECT_EQ(Store("ab", kMulti, TextLines::kPasswordMode, "").LineText(1), "");
}

TEST(TextLinesEditing, RangesTakeEitherOrder) {
    TextLines lines = Store("abcdef");
    EXPECT_EQ(lines.Range(2, 4), "bc");
    EXPECT_EQ(lines.Range(4, 2), "bc");
    EXPECT_EQ(lines.Range(3, 3), "");
    EXPECT_EQ(lines.Range(-5, 3), "ab") << "clamped to the text";
    EXPECT_EQ(lines.Range(5, 100), "ef");

    TextLines forward = Store("abcdef");
    TextLines backward = Store("abcdef");
    forward.DeleteRange(1, 3, kMulti);
    backward.DeleteRange(3, 1, kMulti);
    EXPECT_EQ(forward.Text(), "cdef");
    EXPECT_EQ(backward.Text(), "cdef");

    lines.DeleteRange(0, 100, kMulti);
    EXPECT_EQ(lines.Text(), "");
    EXPECT_EQ(lines.LineCount(), 1);
}

TEST(TextLinesEditing, InsertAndDeleteRebuildTheLines) {
    TextLines lines = Store("ab");
    lines.InsertAt(1, "<", kMulti);
    lines.InsertAt(lines.Length() + 1, ">", kMulti);
    lines.InsertAt(-4, "[", kMulti);
    lines.InsertAt(99, "]", kMulti);
    EXPECT_EQ(lines.Text(), "[<ab>]");

    lines.InsertAt(4, "\r\n", kMulti);
    ASSERT_EQ(lines.LineCount(), 2);
    EXPECT_EQ(lines.LineText(1), "[<a");
    EXPECT_EQ(lines.LineText(2), "b>]");
    EXPECT_EQ(lines.LineStart(2), 6);

    // Removing the pair joins the lines again (Backspace at column 0).
    lines.DeleteRange(lines.TextIndex(1, 3), lines.TextIndex(2, 0), kMulti);
    EXPECT_EQ(lines.LineCount(), 1);
    EXPECT_EQ(lines.Text(), "[<ab>]");

    // The password mask survives edits.
    TextLines secret = Store("ab", kMulti, TextLines::kPasswordMode, "#");
    secret.InsertAt(2, "c", kMulti);
    EXPECT_EQ(secret.LineText(1), "###");
}

TEST(TextLinesEditing, CopiesAreIndependent) {
    TextLines original = Store("one\r\ntwo");
    TextLines copy = original;
    copy.InsertAt(1, "x\r\n", kMulti);
    EXPECT_EQ(original.Text(), "one\r\ntwo");
    EXPECT_EQ(original.LineCount(), 2);
    EXPECT_EQ(copy.LineCount(), 3);
}

// Real GDI+ measuring on a bitmap, as the edit box does on its surface.
class TextLinesMeasure : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static bool started = false;
        if (!started) StartToolkit();
        started = true;
    }
    void SetUp() override {
        ASSERT_NE(DefaultFont, nullptr);
        ASSERT_NE(canvas.graphics.get(), nullptr);
        ASSERT_TRUE(format.Create(0x800 | 0x4000, 0));
        format.Trimming(0);
        ASSERT_TRUE(wrapping.Create(0x800 | 0x4000 | 0x2000, 0));
        wrapping.Trimming(0);
    }
    void Measure(TextLines& lines, int scrollBars, float width = 120, float height = 60) {
        lines.Measure(canvas.graphics.get(), RectF(2, 2, width, height), DefaultFont,
                      scrollBars == 2 ? wrapping.Handle() : format.Handle(), scrollBars);
    }

    ArgbCanvas canvas = ArgbCanvas::Create(200, 200);
    TextFormat format, wrapping;
};

TEST_F(TextLinesMeasure, BoxesStackOneRowEach) {
    TextLines lines = Store("short\r\n\r\na much longer line of text");
    Measure(lines, 3);
    const int row = static_cast<int>(lines.LineHeight());
    ASSERT_GT(row, 4);
    float y = 0;
    for (int line = 1; line <= 3; ++line) {
        RectF box = lines.LineBox(line);
        EXPECT_EQ(box.X, 0.0f) << line;
        EXPECT_EQ(box.Y, y) << line;
        EXPECT_EQ(box.Height, static_cast<float>(row)) << line;
        y += box.Height;
    }
    EXPECT_EQ(lines.LineBox(2).Width, 2.0f) << "an empty line is a narrow reference row";
    EXPECT_GT(lines.LineBox(3).Width, lines.LineBox(1).Width);
    EXPECT_EQ(lines.ContentWidth(), static_cast<int>(lines.LineBox(3).Width));
    EXPECT_EQ(lines.ContentHeight(), 3 * row);

    // scrollBars 0 (single-line box) is one row per line as well.
    TextLines single = Store("abc", kSingle);
    Measure(single, 0);
    EXPECT_EQ(single.LineBox(1).Height, static_cast<float>(row));
    EXPECT_EQ(single.ContentHeight(), row);
}

TEST_F(TextLinesMeasure, WrappingOnlyWithTheVerticalBarAlone) {
    const std::string longLine = "the quick brown fox jumps over the lazy dog again and again";
    TextLines wrapped = Store(longLine + "\r\nend");
    TextLines unwrapped = Store(longLine + "\r\nend");
    Measure(wrapped, 2);
    Measure(unwrapped, 3);
    const float row = wrapped.LineHeight();
    ASSERT_EQ(row, unwrapped.LineHeight());

    EXPECT_GT(wrapped.LineBox(1).Height, 1.5f * row) << "several rows";
    EXPECT_LE(wrapped.LineBox(1).Width, 120.0f);
    EXPECT_EQ(wrapped.LineBox(2).Y,
              static_cast<float>(static_cast<int>(wrapped.LineBox(1).Height)));
    EXPECT_GT(wrapped.ContentHeight(), 2 * static_cast<int>(row));

    EXPECT_EQ(unwrapped.LineBox(1).Height, row);
    EXPECT_GT(unwrapped.LineBox(1).Width, 120.0f) << "the full text on one row";
    EXPECT_EQ(unwrapped.ContentHeight(), 2 * static_cast<int>(row));
    EXPECT_GT(unwrapped.ContentWidth(), 120);
}

TEST_F(TextLinesMeasure, EmptyTextAndEditsClearTheBoxes) {
    TextLines lines = Store("");
    Measure(lines, 3);
    EXPECT_GT(lines.LineHeight(), 4.0f) << "the reference row is measured anyway";
    EXPECT_EQ(lines.ContentHeight(), 0);
    EXPECT_EQ(lines.ContentWidth(), 0);
    EXPECT_EQ(lines.LineBox(1).Height, 0.0f);

    lines.InsertAt(1, "ab\r\ncd", kMulti);
    Measure(lines, 3);
    EXPECT_GT(lines.LineBox(2).Width, 2.0f);
    lines.DeleteRange(1, 3, kMulti);
    EXPECT_EQ(lines.LineBox(1).Height, 0.0f) << "boxes wait for the next measuring";
}

TEST_F(TextLinesMeasure, FailedMeasuringFallsBackToNarrowRows) {
    // No graphics and no font: GDI+ refuses every measurement.
    TextLines lines = Store("ab\r\ncd");
    lines.Measure(nullptr, RectF(0, 0, 100, 50), nullptr, format.Handle(), 3);
    EXPECT_EQ(lines.LineHeight(), 0.0f);
    EXPECT_EQ(lines.LineBox(2).Width, 2.0f);
    EXPECT_EQ(lines.LineBox(2).Height, 0.0f);
    EXPECT_EQ(lines.ContentWidth(), 2);
    EXPECT_EQ(lines.ContentHeight(), 0);
}

TEST_F(TextLinesMeasure, PasswordLinesMeasureAsTheirMask) {
    TextLines masked = Store("中文a\r\nb", kMulti, TextLines::kPasswordMode);
    TextLines plain = Store("***\r\n*");
    Measure(masked, 3);
    Measure(plain, 3);
    for (int line = 1; line <= 2; ++line) {
        EXPECT_EQ(masked.LineBox(line).Width, plain.LineBox(line).Width) << line;
        EXPECT_EQ(masked.LineBox(line).Y, plain.LineBox(line).Y) << line;
    }
    EXPECT_EQ(masked.ContentWidth(), plain.ContentWidth());
}

}  // namespace
