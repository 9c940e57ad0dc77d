// The embedded content decodes through the paths the program uses, at the
// sizes and frame counts the pages rely on, and the texts arrive as GBK.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/Content.h"
#include "platform/audio/Mp3Decoder.h"
#include "runtime/Form.h"
#include "runtime/Picture.h"
#include "runtime/Program.h"
#include "runtime/Services.h"
#include "toolkit/core/Toolkit.h"

namespace {

struct Size {
    UINT width;
    UINT height;
};

// Decodes like the toolkit does (global memory, stream, GDI+).
Size ToolkitSize(ByteBlock block, bool* hasAlpha = nullptr) {
    HGLOBAL memory = nullptr;
    GpImage* image = LoadImageFromBytes(block, &memory, false);
    Size size{0, 0};
    if (image) {
        gp::GdipGetImageWidth(image, &size.width);
        gp::GdipGetImageHeight(image, &size.height);
        if (hasAlpha) {
            Gdiplus::PixelFormat format = 0;
            gp::GdipGetImagePixelFormat(image, &format);
            *hasAlpha = (format & PixelFormatAlpha) != 0;
        }
    }
    ReleaseImage(image, memory);
    return size;
}

// Wide characters of a GBK text; -1 when it is not valid GBK.
int GbkLength(const std::string& text) {
    if (text.empty()) return 0;
    const int wide = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, text.data(),
                                         static_cast<int>(text.size()), nullptr, 0);
    return wide > 0 ? wide : -1;
}

int CountLines(const std::string& text) {
    int lines = 1;
    for (char c : text) lines += c == '\n';
    return lines;
}

int BareLineFeeds(const std::string& text) {
    int bare = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        bare += text[i] == '\n' && (i == 0 || text[i - 1] != '\r');
    return bare;
}

TEST(Content, PhotographsDecodeInTheToolkitAtTheirSizes) {
    struct Case {
        const char* name;
        ByteBlock block;
        UINT width, height;
    } cases[] = {
        {"start background", content::StartBackground(), 1024, 724},
        {"fireworks background", content::FireworksBackground(), 1024, 768},
        {"words background", content::WordsBackground(), 1000, 750},
        {"letter background", content::LetterBackground(), 1026, 684},
        {"picture strip", content::PictureStrip(), 1024, 317},
        {"big rose", content::BigRose(), 2560, 1998},
    };
    for (const auto& c : cases) {
        const Size size = ToolkitSize(c.block);
        EXPECT_EQ(size.width, c.width) << c.name;
        EXPECT_EQ(size.height, c.height) << c.name;
    }
}

TEST(Content, FireworksFramesAre640x480WithAlpha) {
    for (int n = 1; n <= content::kFireworksFrameCount; ++n) {
        bool alpha = false;
        const Size size = ToolkitSize(content::FireworksFrame(n), &alpha);
        EXPECT_EQ(size.width, 640u) << "frame " << n;
        EXPECT_EQ(size.height, 480u) << "frame " << n;
        EXPECT_TRUE(alpha) << "frame " << n;
    }
    // the burst grows to frame 23 and fades afterwards
    EXPECT_LT(content::FireworksFrame(1).size, content::FireworksFrame(23).size);
    EXPECT_GT(content::FireworksFrame(23).size, content::FireworksFrame(35).size);
}

TEST(Content, RosePagePicturesDecodeInTheRuntimeOnWhite) {
    struct Case {
        const char* name;
        ByteBlock block;
        int width, height;
        std::size_t frames;
    } cases[] = {
        {"F1", content::Flower(1), 93, 93, 6},     {"F2", content::Flower(2), 93, 93, 6},
        {"F3", content::Flower(3), 93, 93, 6},     {"F4", content::Flower(4), 93, 93, 6},
        {"F5", content::Flower(5), 100, 77, 1},    {"F6", content::Flower(6), 106, 107, 1},
        {"F7", content::Flower(7), 135, 136, 1},   {"F8", content::Flower(8), 115, 115, 1},
        {"F9", content::Flower(9), 125, 135, 1},   {"F10", content::Flower(10), 130, 129, 1},
        {"F11", content::Flower(11), 147, 163, 1}, {"F12", content::Flower(12), 147, 110, 1},
        {"F13", content::Flower(13), 147, 125, 1}, {"F14", content::Flower(14), 147, 139, 1},
        {"F15", content::Flower(15), 147, 102, 1}, {"F16", content::Flower(16), 150, 150, 1},
        {"F17", content::Flower(17), 147, 98, 1},  {"F18", content::Flower(18), 147, 142, 1},
        {"F19", content::Flower(19), 147, 134, 1}, {"F20", content::Flower(20), 147, 124, 1},
        {"F21", content::Flower(21), 147, 90, 1},  {"F22", content::Flower(22), 147, 131, 1},
        {"花4", content::RoseBox(4), 93, 93, 6},   {"花3", content::RoseBox(3), 93, 93, 6},
        {"花2", content::RoseBox(2), 93, 94, 2},   {"big rose", content::BigRose(), 2560, 1998, 1},
    };
    for (const auto& c : cases) {
        const runtime::Picture picture = runtime::LoadPicture(c.block);
        ASSERT_FALSE(picture.Empty()) << c.name;
        EXPECT_EQ(picture.Width(), c.width) << c.name;
        EXPECT_EQ(picture.Height(), c.height) << c.name;
        EXPECT_EQ(picture.FrameCount(), c.frames) << c.name;
    }
    // The pages draw flowers with white as the transparent colour: every
    // frame of a flower picture stands on pure white.
    for (int n = 1; n <= content::kFlowerCount; ++n) {
        const runtime::Picture picture = runtime::LoadPicture(content::Flower(n));
        for (std::size_t f = 0; f < picture.FrameCount(); ++f)
            EXPECT_EQ(picture.FrameAt(f).pixels.front() & 0xFFFFFFu, 0xFFFFFFu)
                << "F" << n << " frame " << f;
    }
    // an animated flower really changes between frames
    const runtime::Picture heart = runtime::LoadPicture(content::Flower(1));
    EXPECT_NE(heart.FrameAt(0).pixels, heart.FrameAt(3).pixels);
}

// The JPEG flowers drawn as the rose page draws them (white transparent)
// over a dark desktop: no light fringe or speck around the flower. A pixel
// counts when it is light enough to read as white (every channel at least
// 224; no flower has such a colour of its own) and lies at most two pixels
// from where the desktop shows through.
TEST(Content, JpegFlowersShowNoWhiteFringeOverADarkDesktop) {
    constexpr COLORREF kDesktop = RGB(16, 24, 40);
    static const runtime::UnitDescription units[] = {
        {.kind = runtime::UnitKind::DrawingPanel,
         .name = "画板1",
         .id = 1,
         .width = 160,
         .height = 160,
         .backColour = kDesktop},
    };
    static const runtime::FormDescription form{
        .id = 30, .width = 200, .height = 200, .units = units};
    runtime::InitRuntime();
    const runtime::UnitRef panel = runtime::FindUnit(runtime::LoadForm(form), 1);
    for (const int n : {6, 7}) {
        SCOPED_TRACE(n);
        runtime::ClearPanel(panel);
        const runtime::Picture flower = runtime::LoadPicture(content::Flower(n));
        runtime::DrawPicture(panel, flower, 0, 0, std::nullopt, std::nullopt,
                             runtime::kWhiteTransparent);
        const runtime::Picture shown = runtime::PanelContent(panel);
        ASSERT_EQ(shown.Width(), 160);
        const auto& px = shown.FrameAt(0).pixels;
        auto desktop = [&](int x, int y) {
            return x < 0 || y < 0 || x >= 160 || y >= 160 ||
                   (px[y * 160 + x] & 0xFFFFFF) ==
                       (GetBValue(kDesktop) | GetGValue(kDesktop) << 8 | GetRValue(kDesktop) << 16);
        };
        int fringe = 0, drawn = 0;
        for (int y = 0; y < flower.Height(); ++y) {
            for (int x = 0; x < flower.Width(); ++x) {
                if (desktop(x, y)) continue;
                ++drawn;
                const std::uint32_t p = px[y * 160 + x];
                if ((p & 0xFF) < 224 || (p >> 8 & 0xFF) < 224 || (p >> 16 & 0xFF) < 224) continue;
                bool nearDesktop = false;
                for (int dy = -2; dy <= 2; ++dy)
                    for (int dx = -2; dx <= 2; ++dx) nearDesktop |= desktop(x + dx, y + dy);
                fringe += nearDesktop;
            }
        }
        EXPECT_EQ(fringe, 0);
        // The flower itself is still there: about half the picture.
        EXPECT_GT(drawn, flower.Width() * flower.Height() * 2 / 5);
    }
    runtime::Quit();
}

TEST(Content, IndicesOutOfRangeAndEmptyBlocksGiveNoPicture) {
    EXPECT_TRUE(content::Flower(0).empty());
    EXPECT_TRUE(content::Flower(23).empty());
    EXPECT_TRUE(content::RainPicture(9).empty());
    EXPECT_TRUE(content::FireworksFrame(36).empty());
    EXPECT_TRUE(content::RoseBox(1).empty());
    EXPECT_STREQ(content::PoemLine(21), "");

    // A block whose count is 0 decodes to nothing on either path.
    static const unsigned char zeroBlock[] = {1, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xD8};
    const ByteBlock empty = ByteBlock::FromDataPointer(zeroBlock + 8);
    ASSERT_EQ(empty.size, 0u);
    HGLOBAL memory = nullptr;
    GpImage* image = LoadImageFromBytes(empty, &memory, false);
    EXPECT_EQ(image, nullptr);
    ReleaseImage(image, memory);
    EXPECT_TRUE(runtime::LoadPicture(empty).Empty());
}

TEST(Content, LettersAreGbkWithTheirLengthsAndLineBreaks) {
    const std::string first = content::FirstLetter();
    EXPECT_EQ(GbkLength(first), 499);
    EXPECT_EQ(CountLines(first), 25);
    EXPECT_EQ(BareLineFeeds(first), 0);
    EXPECT_EQ(first.rfind("亲爱的：", 0), 0u);

    const std::string second = content::SecondLetter();
    EXPECT_EQ(GbkLength(second), 885);
    EXPECT_EQ(CountLines(second), 44);
    EXPECT_EQ(BareLineFeeds(second), 1);
    EXPECT_EQ(second.rfind(std::string(12, ' '), 0), 0u);
    EXPECT_NE(second[12], ' ');
}

TEST(Content, PoemHasTwentyLinesForTheLabels) {
    for (int n = 1; n <= content::kPoemLineCount; ++n) {
        const std::string line = content::PoemLine(n);
        const int length = GbkLength(line);
        EXPECT_GE(length, 6) << "line " << n;
        EXPECT_LE(length, 19) << "line " << n;
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "line " << n;
    }
    // labels 6..9 stand bottom-up on the page, so label 9 shows line 6
    EXPECT_STREQ(content::PoemLabelText(9), content::PoemLine(6));
    EXPECT_STREQ(content::PoemLabelText(6), content::PoemLine(9));
    EXPECT_STREQ(content::PoemLabelText(10), content::PoemLine(10));
}

TEST(Content, SongIsAboutFourAndAHalfMinutesOfStereoMusic) {
    const ByteBlock song = content::Song();
    std::vector<std::int16_t> pcm;
    int rate = 0, channels = 0;
    ASSERT_TRUE(audio::DecodeMp3(song.data, song.size, pcm, rate, channels));
    EXPECT_EQ(rate, 44100);
    EXPECT_EQ(channels, 2);
    const double seconds = static_cast<double>(pcm.size()) / channels / rate;
    EXPECT_NEAR(seconds, 267.0, 3.0);
    // not silence: a minute in, the arrangement is playing
    double sum = 0;
    const std::size_t from = static_cast<std::size_t>(60 * rate * channels);
    const std::size_t count = static_cast<std::size_t>(10 * rate * channels);
    for (std::size_t i = from; i < from + count && i < pcm.size(); ++i)
        sum += static_cast<double>(pcm[i]) * pcm[i];
    EXPECT_GT(std::sqrt(sum / count), 1000.0);
}

TEST(Content, StartIconIsOne32x32Image) {
    const ByteBlock ico = content::StartIcon();
    ASSERT_GE(ico.size, 22u);
    std::uint16_t count = 0;
    std::uint32_t bytes = 0, offset = 0;
    std::memcpy(&count, ico.data + 4, 2);
    std::memcpy(&bytes, ico.data + 14, 4);
    std::memcpy(&offset, ico.data + 18, 4);
    ASSERT_EQ(count, 1);
    ASSERT_LE(offset + bytes, ico.size);
    HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(ico.data + offset), bytes, TRUE,
                                          0x00030000, 32, 32, LR_DEFAULTCOLOR);
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bitmap{};
    GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, 32);
    EXPECT_EQ(bitmap.bmHeight, 32);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
}

}  // namespace
