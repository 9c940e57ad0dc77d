// The toolkit's process-wide utilities against the real system: GDI+ fonts,
// the embedded caption strip, code page 936 conversion and the thunk.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "toolkit/core/Thunk.h"
#include "toolkit/core/Toolkit.h"
#include "toolkit/draw/GdipOwners.h"

namespace {

class ToolkitGlobals : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static bool started = false;
        if (!started) StartToolkit();
        started = true;
    }
};

std::string FaceOf(GpFont* font) {
    return font ? FontFamilyName(font) : std::string();
}

// Sets the caption face for this session only (no ini update) and restores it.
class CaptionFace {
public:
    explicit CaptionFace(const char* face) {
        saved_.cbSize = sizeof(saved_);
        SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(saved_), &saved_, 0);
        NONCLIENTMETRICSA changed = saved_;
        std::strncpy(changed.lfCaptionFont.lfFaceName, face, LF_FACESIZE - 1);
        ok_ = SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof(changed), &changed, 0) != 0;
    }
    ~CaptionFace() { SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof(saved_), &saved_, 0); }
    bool ok() const { return ok_; }

private:
    NONCLIENTMETRICSA saved_{};
    bool ok_ = false;
};

}  // namespace

TEST_F(ToolkitGlobals, StartupLeavesAUsableDefaultFontStripAndClass) {
    ASSERT_NE(DefaultFont, nullptr);
    float size = 0;
    gp::GdipGetFontSize(DefaultFont, &size);
    EXPECT_FLOAT_EQ(size, 12.0f);
    EXPECT_FALSE(FaceOf(DefaultFont).empty());
    EXPECT_GE(OsMajorVersion, 5);

    ASSERT_NE(CaptionButtonsImage, nullptr);
    UINT w = 0, h = 0;
    gp::GdipGetImageWidth(CaptionButtonsImage, &w);
    gp::GdipGetImageHeight(CaptionButtonsImage, &h);
    EXPECT_EQ(w, 729u);
    EXPECT_EQ(h, 20u);

    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), "Yn_DirectUI", &wc));
    EXPECT_EQ(wc.style, static_cast<UINT>(CS_DBLCLKS));
    EXPECT_EQ(wc.hIcon, nullptr);  // resource 129 does not exist
}

TEST_F(ToolkitGlobals, CaptionStripNeedsItsSignatureRestored) {
    const ByteBlock strip = CaptionButtonsStripBytes();
    ASSERT_GT(strip.size, 8u);
    // Stored without the signature: it begins with the IHDR chunk.
    EXPECT_EQ(std::memcmp(strip.data + 4, "IHDR", 4), 0);

    HGLOBAL memory = nullptr;
    GpImage* image = LoadImageFromBytes(strip, &memory, false);
    EXPECT_EQ(image, nullptr);
    EXPECT_EQ(memory, nullptr);

    image = LoadImageFromBytes(strip, &memory, true);
    ASSERT_NE(image, nullptr);
    EXPECT_NE(memory, nullptr);
    Gdiplus::PixelFormat format = 0;
    gp::GdipGetImagePixelFormat(image, &format);
    EXPECT_TRUE(format & PixelFormatAlpha);
    ReleaseImage(image, memory);
    EXPECT_EQ(image, nullptr);
    EXPECT_EQ(memory, nullptr);

    EXPECT_EQ(LoadImageFromBytes(ByteBlock(), &memory, false), nullptr);
    EXPECT_EQ(memory, nullptr);
}

TEST_F(ToolkitGlobals, UnknownFaceFallsBackToTheDefaultFamily) {
    GpFont* font = CreateFontByName("No Such Face 4711", 14.0f, 1);
    ASSERT_NE(font, nullptr);
    float size = 0;
    INT style = 0;
    Gdiplus::Unit unit = Gdiplus::UnitWorld;
    gp::GdipGetFontSize(font, &size);
    gp::GdipGetFontStyle(font, &style);
    gp::GdipGetFontUnit(font, &unit);
    EXPECT_FLOAT_EQ(size, 14.0f);
    EXPECT_EQ(style, 1);
    EXPECT_EQ(unit, Gdiplus::UnitPixel);
    EXPECT_EQ(FaceOf(font), FaceOf(DefaultFont));
    gp::GdipDeleteFont(font);
}

// Whether GDI's font of that exact face holds a glyph for every character,
// read from the ranges the font reports.
bool FaceCovers(const std::string& face, const std::wstring& text) {
    LOGFONTW lf{};
    lf.lfHeight = -12;
    lf.lfCharSet = DEFAULT_CHARSET;
    const std::wstring wide = ToWide(face);
    wide.copy(lf.lfFaceName, LF_FACESIZE - 1);
    HFONT font = CreateFontIndirectW(&lf);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, font);
    wchar_t chosen[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, chosen);
    std::vector<unsigned char> buffer(GetFontUnicodeRanges(dc, nullptr));
    auto* set = reinterpret_cast<GLYPHSET*>(buffer.data());
    const bool read = !buffer.empty() && GetFontUnicodeRanges(dc, set) != 0;
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(font);
    if (!read || _wcsicmp(chosen, wide.c_str()) != 0) return false;
    for (wchar_t c : text) {
        bool found = false;
        for (DWORD i = 0; i < set->cRanges && !found; ++i)
            found = c >= set->ranges[i].wcLow && c < set->ranges[i].wcLow + set->ranges[i].cGlyphs;
        if (!found) return false;
    }
    return true;
}

TEST_F(ToolkitGlobals, DefaultFontEndsAtAFaceThatDrawsChinese) {
    // Named faces that do not exist or have no Chinese glyphs: the default
    // font is still one that draws the gift's text, found among the faces
    // really installed (no substitute names involved).
    const std::pair<const char*, const char*> candidates[] = {
        {"No Such Face 1", "No Such Face 2"},
        {"DejaVu Sans", "No Such Face 2"},
        {"No Such Face 1", "Tahoma"},
    };
    for (const auto& [primary, caption] : candidates) {
        GpFont* font = CreateDefaultFontFrom(primary, caption);
        ASSERT_NE(font, nullptr) << primary << " / " << caption;
        EXPECT_TRUE(FaceCovers(FaceOf(font), L"亲爱的你一是我国中文字"))
            << primary << " / " << caption << " gave " << FaceOf(font);
        float size = 0;
        gp::GdipGetFontSize(font, &size);
        EXPECT_FLOAT_EQ(size, 12.0f);
        gp::GdipDeleteFont(font);
    }
    EXPECT_FALSE(FaceCovers("DejaVu Sans", L"中")) << "the check tells faces apart";
}

TEST_F(ToolkitGlobals, TahomaCaptionFaceIsReplaced) {
    {
        CaptionFace tahoma("Tahoma");
        if (!tahoma.ok()) GTEST_SKIP() << "caption font cannot be changed here";
        EXPECT_EQ(SystemFontFace(2), "宋体");
    }
    {
        CaptionFace dejavu("DejaVu Sans");
        ASSERT_TRUE(dejavu.ok());
        EXPECT_EQ(SystemFontFace(2), "DejaVu Sans");
    }
    {
        // The probe font falls back to the default family, so even a face the
        // system lacks is reported as it is.
        CaptionFace missing("No Such Face 9");
        ASSERT_TRUE(missing.ok());
        EXPECT_EQ(SystemFontFace(2), "No Such Face 9");
    }
}

TEST(TextConversion, UsesCodePage936BothWays) {
    EXPECT_EQ(ToWide("").size(), 0u);  // a block of just the terminator: 2 bytes
    const std::string gbk = "亲爱的：abc";
    const std::wstring wide = ToWide(gbk);
    EXPECT_EQ(wide, L"亲爱的：abc");
    EXPECT_EQ(FromWide(wide.c_str()), gbk);
    // A second byte of 0x5C must not be taken for a backslash.
    const std::string slashSecondByte = "\xD5\x5C";
    EXPECT_EQ(ToWide(slashSecondByte).size(), 1u);
    EXPECT_EQ(FromWide(ToWide(slashSecondByte).c_str()), slashSecondByte);
    // Characters GBK cannot hold are replaced, the rest is kept.
    EXPECT_EQ(FromWide(L"a\U0001F600b").front(), 'a');
    EXPECT_EQ(FromWide(L"a\U0001F600b").back(), 'b');
}

namespace {

struct ThunkProbe {
    WNDPROC previous = nullptr;
    HWND hwnd = nullptr;
    UINT lastMessage = 0;
    WPARAM lastWParam = 0;
    int calls = 0;

    static LRESULT __stdcall Procedure(void* self, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* probe = static_cast<ThunkProbe*>(self);
        if (msg == WM_APP + 7) {
            ++probe->calls;
            probe->lastMessage = msg;
            probe->lastWParam = wParam;
            return 0x1234;
        }
        return CallWindowProcA(probe->previous, probe->hwnd, msg, wParam, lParam);
    }
};

// Pixels as the system's GDI+ codecs decode them, over black (premultiplied).
std::vector<std::uint32_t> PixelsOf(GpImage* image, UINT* width, UINT* height) {
    gp::GdipGetImageWidth(image, width);
    gp::GdipGetImageHeight(image, height);
    std::vector<std::uint32_t> pixels(static_cast<size_t>(*width) * *height);
    Gdiplus::BitmapData data{};
    data.Width = *width;
    data.Height = *height;
    data.Stride = static_cast<INT>(*width * 4);
    data.PixelFormat = PixelFormat32bppPARGB;
    data.Scan0 = pixels.data();
    const Gdiplus::Rect all(0, 0, static_cast<INT>(*width), static_cast<INT>(*height));
    auto* bitmap = static_cast<GpBitmap*>(image);
    if (gp::GdipBitmapLockBits(bitmap, &all,
                               Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                               PixelFormat32bppPARGB, &data) == Gdiplus::Ok)
        gp::GdipBitmapUnlockBits(bitmap, &data);
    return pixels;
}

// A 64 x 40 PNG written by libpng in one of its layouts: `colour` and
// `depth` as in IHDR, Adam7 when `interlaced`, a gAMA chunk when `gamma`.
// Samples vary across the picture; a palette has 256 entries, the lower
// half partly transparent.
std::string LibpngPng(int colour, int depth, bool interlaced, bool gamma) {
    constexpr int kW = 64, kH = 40;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::string out;
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t n) {
            static_cast<std::string*>(png_get_io_ptr(p))->append(reinterpret_cast<char*>(data), n);
        },
        nullptr);
    png_set_IHDR(png, info, kW, kH, depth, colour,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (colour == PNG_COLOR_TYPE_PALETTE) {
        png_color palette[256];
        png_byte alpha[128];
        for (int i = 0; i < 256; ++i)
            palette[i] = {static_cast<png_byte>(i), static_cast<png_byte>(255 - i),
                          static_cast<png_byte>(i * 3)};
        for (int i = 0; i < 128; ++i) alpha[i] = static_cast<png_byte>(i * 2);
        png_set_PLTE(png, info, palette, 256);
        png_set_tRNS(png, info, alpha, 128, nullptr);
    }
    if (gamma) png_set_gAMA(png, info, 1.0 / 1.8);
    png_write_info(png, info);
    if (depth == 16) png_set_swap(png);  // rows below are little-endian words
    const int channels = colour == PNG_COLOR_TYPE_RGB_ALPHA ? 4
                         : colour == PNG_COLOR_TYPE_RGB     ? 3
                                                            : 1;
    const int bytes = depth / 8;
    std::vector<png_byte> pixels(static_cast<size_t>(kW) * kH * channels * bytes);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            for (int c = 0; c < channels; ++c) {
                const unsigned v = static_cast<unsigned>(x * 1031 + y * 2053 + c * 40000) & 0xFFFF;
                png_byte* at = &pixels[((static_cast<size_t>(y) * kW + x) * channels + c) * bytes];
                if (depth == 16) {
                    at[0] = static_cast<png_byte>(v);
                    at[1] = static_cast<png_byte>(v >> 8);
                } else {
                    at[0] = static_cast<png_byte>(v >> 4);
                }
            }
    std::vector<png_bytep> rows(kH);
    for (int y = 0; y < kH; ++y)
        rows[static_cast<size_t>(y)] = &pixels[static_cast<size_t>(y) * kW * channels * bytes];
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// A 64 x 40 JPEG written by libjpeg: grey or colour, baseline or progressive.
std::string LibjpegJpeg(bool grey, bool progressive) {
    constexpr int kW = 64, kH = 40;
    jpeg_compress_struct jpeg{};
    jpeg_error_mgr err{};
    jpeg.err = jpeg_std_error(&err);
    jpeg_create_compress(&jpeg);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&jpeg, &buffer, &size);
    jpeg.image_width = kW;
    jpeg.image_height = kH;
    jpeg.input_components = grey ? 1 : 3;
    jpeg.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&jpeg);
    jpeg_set_quality(&jpeg, 95, TRUE);
    if (progressive) jpeg_simple_progression(&jpeg);
    jpeg_start_compress(&jpeg, TRUE);
    std::vector<unsigned char> row(static_cast<size_t>(kW) * jpeg.input_components);
    while (jpeg.next_scanline < kH) {
        const int y = static_cast<int>(jpeg.next_scanline);
        for (int x = 0; x < kW; ++x)
            for (int c = 0; c < jpeg.input_components; ++c)
                row[static_cast<size_t>(x) * jpeg.input_components + c] =
                    static_cast<unsigned char>(x * 4 + y * (2 + c) + c * 60);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&jpeg, rows, 1);
    }
    jpeg_finish_compress(&jpeg);
    std::string out(reinterpret_cast<char*>(buffer), size);
    jpeg_destroy_compress(&jpeg);
    free(buffer);
    return out;
}

// The toolkit's own decoding gives the pictures the system's codecs give:
// the same size, orientation, channel order and (premultiplied) alpha, for
// every PNG layout and JPEG kind; a PNG carrying colour chunks (gamma) is
// left to the system's decoder, as the skin layer leaves it.
TEST_F(ToolkitGlobals, OwnDecodingMatchesTheSystemCodecs) {
    const auto encode = [](const wchar_t* format, Gdiplus::PixelFormat pixelFormat,
                           Gdiplus::ARGB (*colour)(int, int)) {
        UniqueGpBitmap bitmap;
        gp::GdipCreateBitmapFromScan0(64, 40, 0, pixelFormat, nullptr, bitmap.put());
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 64; ++x) gp::GdipBitmapSetPixel(bitmap.get(), x, y, colour(x, y));
        CLSID encoder{};
        CLSIDFromString(format, &encoder);
        IStream* stream = nullptr;
        CreateStreamOnHGlobal(nullptr, TRUE, &stream);
        gp::GdipSaveImageToStream(bitmap.get(), stream, &encoder, nullptr);
        HGLOBAL memory = nullptr;
        GetHGlobalFromStream(stream, &memory);
        std::string bytes(static_cast<const char*>(GlobalLock(memory)), GlobalSize(memory));
        GlobalUnlock(memory);
        stream->Release();
        return bytes;
    };
    // Straight alpha varying across a colour gradient; an opaque gradient
    // changing in both directions, so the JPEG's colour upsampling shows.
    const std::string png =
        encode(L"{557CF406-1A04-11D3-9A73-0000F81EF32E}", PixelFormat32bppARGB, [](int x, int y) {
            return static_cast<Gdiplus::ARGB>((x * 3) << 24 | (y * 6) << 16 | (x * 4) << 8 | 200);
        });
    const std::string jpeg =
        encode(L"{557CF401-1A04-11D3-9A73-0000F81EF32E}", PixelFormat24bppRGB, [](int x, int y) {
            return static_cast<Gdiplus::ARGB>(0xFF000000u | (x * 4) << 16 | (y * 6) << 8 |
                                              (x + y) * 2);
        });
    const struct {
        const char* what;
        std::string bytes;
        bool lossless;
        bool own;  // decoded by the program's own decoders, not the system's
    } samples[] = {
        {"png rgba", png, true, true},
        {"png palette with transparency", LibpngPng(PNG_COLOR_TYPE_PALETTE, 8, false, false), true,
         true},
        {"png grey", LibpngPng(PNG_COLOR_TYPE_GRAY, 8, false, false), true, true},
        {"png 16-bit rgba", LibpngPng(PNG_COLOR_TYPE_RGB_ALPHA, 16, false, false), true, true},
        {"png interlaced rgb", LibpngPng(PNG_COLOR_TYPE_RGB, 8, true, false), true, true},
        {"png with gamma", LibpngPng(PNG_COLOR_TYPE_RGB, 8, false, true), true, false},
        {"jpeg", jpeg, false, true},
        {"jpeg progressive", LibjpegJpeg(false, true), false, true},
        {"jpeg grey", LibjpegJpeg(true, false), false, true},
    };
    for (const auto& sample : samples) {
        SCOPED_TRACE(sample.what);
        const std::string& bytes = sample.bytes;
        ASSERT_FALSE(bytes.empty());
        const ByteBlock block(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        HGLOBAL memory = nullptr;
        GpImage* own = LoadImageFromBytes(block, &memory, false);
        ASSERT_NE(own, nullptr);
        ASSERT_NE(memory, nullptr);  // the pixels the picture reads, or its bytes
        // The own decoders' memory holds the pixels, the system's the bytes.
        EXPECT_EQ(GlobalSize(memory) == 64u * 40u * 4u, sample.own);

        IStream* stream = nullptr;
        HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        std::memcpy(GlobalLock(copy), bytes.data(), bytes.size());
        GlobalUnlock(copy);
        CreateStreamOnHGlobal(copy, TRUE, &stream);
        GpImage* system = nullptr;
        gp::GdipLoadImageFromStream(stream, &system);
        ASSERT_NE(system, nullptr);

        UINT w1 = 0, h1 = 0, w2 = 0, h2 = 0;
        const std::vector<std::uint32_t> a = PixelsOf(own, &w1, &h1);
        const std::vector<std::uint32_t> b = PixelsOf(system, &w2, &h2);
        EXPECT_EQ(w1, w2);
        EXPECT_EQ(h1, h2);
        int worst = 0;
        double total = 0;
        for (size_t i = 0; i < a.size() && i < b.size(); ++i)
            for (int shift = 0; shift < 32; shift += 8) {
                const int d = std::abs(static_cast<int>((a[i] >> shift) & 255) -
                                       static_cast<int>((b[i] >> shift) & 255));
                worst = std::max(worst, d);
                total += d;
            }
        // PNG decoding is exact. JPEG decoders may differ in how they upsample
        // the colour (a handful of levels on average on this gradient); a
        // swapped channel, flipped rows or a wrong stride are far beyond that.
        if (sample.lossless) {
            EXPECT_EQ(worst, 0);
        } else {
            EXPECT_LE(total / (4.0 * a.size()), 8.0);
        }
        gp::GdipDisposeImage(system);
        stream->Release();
        ReleaseImage(own, memory);
    }
}

}  // namespace

TEST_F(ToolkitGlobals, ThunkDeliversRealMessagesToItsObject) {
    HWND hwnd = CreateWindowExA(0, "Yn_DirectUI", "thunk", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(hwnd, nullptr);
    ThunkProbe probe;
    probe.hwnd = hwnd;
    WNDPROC thunk = MakeWndProcThunk(&probe, &ThunkProbe::Procedure);
    ASSERT_NE(thunk, nullptr);

    const auto* bytes = reinterpret_cast<const unsigned char*>(thunk);
    void* target = nullptr;
#if defined(__i386__)
    EXPECT_EQ(bytes[0], 0xE8);
    EXPECT_EQ(bytes[9], 0x59);
    EXPECT_EQ(bytes[18], 0xFF);
    EXPECT_EQ(bytes[19], 0x21);
    std::memcpy(&target, bytes + 14, 4);
#else
    std::memcpy(&target, bytes + 2, 8);
#endif
    EXPECT_EQ(target, &probe);
    MEMORY_BASIC_INFORMATION info{};
    VirtualQuery(bytes, &info, sizeof(info));
    EXPECT_EQ(info.Protect, static_cast<DWORD>(PAGE_EXECUTE_READ));

    probe.previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(thunk)));
    EXPECT_EQ(SendMessageA(hwnd, WM_APP + 7, 42, 0), 0x1234);
    PostMessageA(hwnd, WM_APP + 7, 43, 0);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    EXPECT_EQ(probe.calls, 2);
    EXPECT_EQ(probe.lastWParam, 43u);
    // Messages the object does not handle still reach the window.
    EXPECT_TRUE(SetWindowTextA(hwnd, "renamed"));
    char title[16] = {};
    GetWindowTextA(hwnd, title, sizeof(title));
    EXPECT_STREQ(title, "renamed");

    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(probe.previous));
    DestroyWindow(hwnd);
}
