// The font, font-family, string-format and memory-stream owners.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/Handle.h"
#include "toolkit/controls/GdipFontFamilyObject.h"
#include "toolkit/controls/GdipFontObject.h"
#include "toolkit/controls/GdipStringFormatObject.h"
#include "toolkit/controls/GlobalMemoryStream.h"
#include "toolkit/core/Toolkit.h"

namespace {

// An installed face whose regular font reads as regular. (Some faces, such
// as a Medium-weight CJK face, read as bold at every weight under Wine.)
const std::string& KnownFace() {
    static const std::string face = [] {
        if (!DefaultFont) StartToolkit();
        for (const std::string& candidate :
             {std::string("Tahoma"), std::string("DejaVu Sans"), FontFamilyName(DefaultFont)}) {
            GdipFontObject probe;
            if (probe.CreateFromName(candidate, 12, 0) == Gdiplus::Ok && probe.Style() == 0)
                return candidate;
        }
        return std::string();
    }();
    return face;
}

UniqueFontHandle MakeGdiFont(int height, int weight, bool italic = false, bool underline = false,
                             bool strikeOut = false) {
    LOGFONTW logFont{};
    logFont.lfHeight = height;
    logFont.lfWeight = weight;
    logFont.lfItalic = italic;
    logFont.lfUnderline = underline;
    logFont.lfStrikeOut = strikeOut;
    logFont.lfCharSet = DEFAULT_CHARSET;
    const std::wstring face = ToWide(KnownFace());
    wcsncpy(logFont.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    return UniqueFontHandle(CreateFontIndirectW(&logFont));
}

TEST(GdipFontObject, OnlyWeights600And700AreBold) {
    ASSERT_FALSE(KnownFace().empty()) << "no installed face reads as regular";
    for (auto [weight, bold] : std::vector<std::pair<int, bool>>{
             {400, false}, {600, true}, {700, true}, {800, false}, {900, false}}) {
        UniqueFontHandle gdiFont = MakeGdiFont(-14, weight);
        GdipFontObject font;
        EXPECT_EQ(font.CreateFromHFont(gdiFont.get()), Gdiplus::Ok) << weight;
        ASSERT_TRUE(font) << weight;
        EXPECT_EQ((font.Style() & Gdiplus::FontStyleBold) != 0, bold) << weight;
        EXPECT_FLOAT_EQ(font.Size(), 14.0f);
        EXPECT_EQ(font.Unit(), Gdiplus::UnitPixel);
    }
}

TEST(GdipFontObject, StyleBitsAndHeights) {
    UniqueFontHandle decorated = MakeGdiFont(-12, 400, true, true, true);
    GdipFontObject font;
    ASSERT_EQ(font.CreateFromHFont(decorated.get()), Gdiplus::Ok);
    EXPECT_EQ(font.Style(),
              Gdiplus::FontStyleItalic | Gdiplus::FontStyleUnderline | Gdiplus::FontStyleStrikeout);
    // A positive height (the cell height) becomes the pixel size unchanged.
    UniqueFontHandle cell = MakeGdiFont(20, 700);
    ASSERT_EQ(font.CreateFromHFont(cell.get()), Gdiplus::Ok);
    EXPECT_FLOAT_EQ(font.Size(), 20.0f);
    EXPECT_EQ(font.Style(), Gdiplus::FontStyleBold);
    // The face survives the trip through the GDI font.
    EXPECT_EQ(FontFamilyName(font.Handle()), KnownFace());
}

TEST(GdipFontObject, FromWindowFont) {
    // A plain window has no font: nothing is created, what was held stays.
    UniqueWindow plain(CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                       nullptr, nullptr));
    ASSERT_TRUE(plain);
    GdipFontObject font;
    EXPECT_EQ(font.CreateFromWindow(plain.get()), Gdiplus::Ok);
    EXPECT_FALSE(font);
    ASSERT_EQ(font.CreateFromName(KnownFace(), 9, 0), Gdiplus::Ok);
    GpFont* held = font.Handle();
    font.CreateFromWindow(plain.get());
    EXPECT_EQ(font.Handle(), held);

    UniqueFontHandle gdiFont = MakeGdiFont(-17, 700, true);
    SendMessageA(plain.get(), WM_SETFONT, reinterpret_cast<WPARAM>(gdiFont.get()), FALSE);
    EXPECT_EQ(font.CreateFromWindow(plain.get()), Gdiplus::Ok);
    EXPECT_FLOAT_EQ(font.Size(), 17.0f);
    EXPECT_EQ(font.Style(), Gdiplus::FontStyleBold | Gdiplus::FontStyleItalic);
    plain.reset();  // before the GDI font it refers to
}

TEST(GdipFontObject, CreateFromNameAndDC) {
    GdipFontObject font;
    ASSERT_EQ(font.CreateFromName(KnownFace(), 16, Gdiplus::FontStyleBold), Gdiplus::Ok);
    EXPECT_FLOAT_EQ(font.Size(), 16.0f);
    EXPECT_EQ(font.Style(), Gdiplus::FontStyleBold);
    // An unknown family fails, and the object no longer holds the old font.
    EXPECT_NE(font.CreateFromName("No Such Face 12345", 16, 0), Gdiplus::Ok);
    EXPECT_FALSE(font);
    EXPECT_FLOAT_EQ(font.Size(), 0.0f);

    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    UniqueFontHandle gdiFont = MakeGdiFont(-15, 400);
    HGDIOBJ old = SelectObject(dc.get(), gdiFont.get());
    EXPECT_EQ(font.CreateFromDC(dc.get()), Gdiplus::Ok);
    EXPECT_TRUE(font);
    SelectObject(dc.get(), old);
}

TEST(GdipFontObject, OwnershipMovesAndClonesAreIndependent) {
    GdipFontObject font;
    ASSERT_EQ(font.CreateFromName(KnownFace(), 13, 0), Gdiplus::Ok);
    // Handing back the font it already holds must not delete it.
    font.SetHandle(font.Handle());
    EXPECT_FLOAT_EQ(font.Size(), 13.0f);

    GdipFontObject clone = font.Clone();
    ASSERT_TRUE(clone);
    EXPECT_NE(clone.Handle(), font.Handle());
    GdipFontObject moved = std::move(font);
    EXPECT_FALSE(font);  // NOLINT(bugprone-use-after-move)
    moved.Release();
    EXPECT_FALSE(moved);
    EXPECT_FLOAT_EQ(clone.Size(), 13.0f);

    GpFont* raw = clone.Detach();
    EXPECT_FALSE(clone);
    GdipFontObject adopted(raw);
    EXPECT_FLOAT_EQ(adopted.Size(), 13.0f);
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    GpGraphics* graphics = nullptr;
    gp::GdipCreateFromHDC(dc.get(), &graphics);
    EXPECT_GT(adopted.Height(graphics), 13.0f);
    gp::GdipDeleteGraphics(graphics);
}

TEST(GdipFontFamilyObject, CreateCloneAndFailure) {
    GdipFontFamilyObject family;
    ASSERT_EQ(family.CreateFromName(KnownFace()), Gdiplus::Ok);
    GdipFontFamilyObject clone = family.Clone();
    ASSERT_TRUE(clone);
    family.Release();
    EXPECT_FALSE(family);
    WCHAR name[LF_FACESIZE] = {};
    EXPECT_EQ(gp::GdipGetFamilyName(clone.Handle(), name, 0), Gdiplus::Ok);
    EXPECT_EQ(FromWide(name), KnownFace());

    EXPECT_EQ(clone.CreateFromName("No Such Face 12345"), Gdiplus::FontFamilyNotFound);
    EXPECT_FALSE(clone);
}

TEST(GdipStringFormatObject, SkinLayerSettings) {
    GdipStringFormatObject format;
    ASSERT_EQ(format.Create(0x1004), Gdiplus::Ok);
    format.SetAligns(Gdiplus::StringAlignmentNear, Gdiplus::StringAlignmentCenter);
    INT flags = 0;
    Gdiplus::StringAlignment align{}, lineAlign{};
    LANGID language = 1;
    Gdiplus::StringDigitSubstitute substitute{};
    gp::GdipGetStringFormatFlags(format.Handle(), &flags);
    gp::GdipGetStringFormatAlign(format.Handle(), &align);
    gp::GdipGetStringFormatLineAlign(format.Handle(), &lineAlign);
    gp::GdipGetStringFormatDigitSubstitution(format.Handle(), &language, &substitute);
    EXPECT_EQ(flags, 0x1004);
    EXPECT_EQ(align, Gdiplus::StringAlignmentNear);
    EXPECT_EQ(lineAlign, Gdiplus::StringAlignmentCenter);

    GdipStringFormatObject clone = format.Clone();
    ASSERT_TRUE(clone);
    EXPECT_NE(clone.Handle(), format.Handle());
    ASSERT_EQ(format.Create(0), Gdiplus::Ok);  // replaces the first format
    gp::GdipGetStringFormatFlags(clone.Handle(), &flags);
    EXPECT_EQ(flags, 0x1004);
    clone.SetHandle(clone.Handle());
    gp::GdipGetStringFormatLineAlign(clone.Handle(), &lineAlign);
    EXPECT_EQ(lineAlign, Gdiplus::StringAlignmentCenter);
    GdipStringFormatObject empty;
    empty.SetAligns(Gdiplus::StringAlignmentFar, Gdiplus::StringAlignmentFar);  // no handle: no-op
    EXPECT_FALSE(empty);
}

std::vector<unsigned char> ReadAll(IStream* stream) {
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    std::vector<unsigned char> bytes;
    unsigned char buffer[256];
    ULONG read = 0;
    while (stream->Read(buffer, sizeof(buffer), &read) == S_OK && read > 0)
        bytes.insert(bytes.end(), buffer, buffer + read);
    return bytes;
}

std::vector<unsigned char> CaptionStripPng() {
    static const unsigned char kSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<unsigned char> png(kSignature, kSignature + 8);
    const ByteBlock strip = CaptionButtonsStripBytes();
    png.insert(png.end(), strip.begin(), strip.end());
    return png;
}

TEST(GlobalMemoryStream, EmptyBytesGiveAnEmptyStreamThatDecodesNothing) {
    GlobalMemoryStream memory;
    const unsigned char nothing[1] = {};
    IStream* stream = memory.Open(ByteBlock(nothing, 0));
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(memory.Size(), 0u);
    EXPECT_TRUE(memory.Bytes().empty());
    EXPECT_TRUE(ReadAll(stream).empty());
    GpImage* image = nullptr;
    EXPECT_NE(gp::GdipLoadImageFromStream(stream, &image), Gdiplus::Ok);
    EXPECT_EQ(image, nullptr);
    EXPECT_FALSE(DecodeImage(ByteBlock(nothing, 0)));
}

TEST(GlobalMemoryStream, BytesComeBackExactly) {
    static const char kRaw[] = "七夕\0快乐 bytes";  // an inner NUL is just another byte
    const std::string text(kRaw, sizeof(kRaw) - 1);
    GlobalMemoryStream memory;
    IStream* stream = memory.Open(ByteBlock(text.data(), static_cast<std::uint32_t>(text.size())));
    ASSERT_NE(stream, nullptr);
    const std::vector<unsigned char> expected(text.begin(), text.end());
    EXPECT_EQ(memory.Size(), text.size());
    EXPECT_EQ(memory.Bytes(), expected);
    EXPECT_EQ(ReadAll(stream), expected);

    // Opening again replaces both memory and stream.
    const unsigned char other[3] = {1, 2, 3};
    ASSERT_NE(memory.Open(ByteBlock(other, 3)), nullptr);
    EXPECT_EQ(memory.Bytes(), (std::vector<unsigned char>{1, 2, 3}));

    GlobalMemoryStream moved = std::move(memory);
    EXPECT_EQ(memory.Stream(), nullptr);  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(memory.Size(), 0u);
    EXPECT_EQ(ReadAll(moved.Stream()), (std::vector<unsigned char>{1, 2, 3}));
}

TEST(GlobalMemoryStream, WithoutBytesAGrowableStreamForWriting) {
    GlobalMemoryStream memory;
    IStream* stream = memory.Open();
    ASSERT_NE(stream, nullptr);
    const unsigned char data[5] = {9, 8, 7, 6, 5};
    ULONG written = 0;
    ASSERT_EQ(stream->Write(data, 5, &written), S_OK);
    EXPECT_EQ(written, 5u);
    ASSERT_GE(memory.Size(), 5u);
    const std::vector<unsigned char> bytes = memory.Bytes();
    ASSERT_GE(bytes.size(), 5u);
    EXPECT_EQ(std::memcmp(bytes.data(), data, 5), 0);
    memory.Release();
    EXPECT_EQ(memory.Stream(), nullptr);
    memory.Release();
}

TEST(GlobalMemoryStream, DecodedPictureKeepsItsStream) {
    const std::vector<unsigned char> png = CaptionStripPng();
    StreamImage picture =
        DecodeImage(ByteBlock(png.data(), static_cast<std::uint32_t>(png.size())));
    ASSERT_TRUE(picture);
    UINT width = 0, height = 0;
    gp::GdipGetImageWidth(picture.get(), &width);
    gp::GdipGetImageHeight(picture.get(), &height);
    EXPECT_EQ(width, 729u);
    EXPECT_EQ(height, 20u);
    EXPECT_NE(picture.stream.Stream(), nullptr);
    // The picture still reads its pixels after being moved elsewhere.
    StreamImage kept = std::move(picture);
    Gdiplus::ARGB pixel = 0;
    EXPECT_EQ(gp::GdipBitmapGetPixel(static_cast<GpBitmap*>(kept.get()), 5, 5, &pixel),
              Gdiplus::Ok);

    const unsigned char garbage[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    StreamImage none = DecodeImage(ByteBlock(garbage, sizeof(garbage)));
    EXPECT_FALSE(none);
    EXPECT_EQ(none.stream.Stream(), nullptr);
}

}  // namespace
