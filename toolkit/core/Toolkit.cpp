#include "toolkit/core/Toolkit.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

#include "platform/Handle.h"
#include "platform/PixelSize.h"
#include "platform/decode/ImageDecode.h"
#include "platform/decode/PngChunks.h"

ULONG_PTR GdiplusToken = 0;
int OsMajorVersion = 0;
GpFont* DefaultFont = nullptr;
GpImage* CaptionButtonsImage = nullptr;
HICON ClassIcon = nullptr;

extern "C" const unsigned char CaptionButtonsStrip[];

ByteBlock CaptionButtonsStripBytes() {
    return ByteBlock::FromDataPointer(CaptionButtonsStrip);
}

namespace {

const char kPrimaryFace[] = "宋体";

// GetVersionEx lies to programs without a compatibility manifest; the kernel's
// own record does not.
int ReadOsMajorVersion() {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    auto rtlGetVersion = ntdll ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(
                                     GetProcAddress(ntdll, "RtlGetVersion")))
                               : nullptr;
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (rtlGetVersion && rtlGetVersion(&info) == 0) return static_cast<int>(info.dwMajorVersion);
    return static_cast<int>(LOBYTE(LOWORD(GetVersion())));
}

GpFontFamily* FamilyFromName(const std::string& face) {
    GpFontFamily* family = nullptr;
    if (gp::GdipCreateFontFamilyFromName(ToWide(face).c_str(), nullptr, &family) != Gdiplus::Ok)
        return nullptr;
    return family;
}

// Common characters of GB2312 text: a face with a glyph for each draws the
// gift's letters, poem and buttons.
const wchar_t kChineseSample[] = L"的一是我你爱国中文字";

// Whether the family has glyphs for Chinese text. GDI+ under Wine (and on a
// Windows whose face has no fallback for them) draws an empty box for every
// character its face lacks. Asked of GDI's font of the same face.
bool DrawsChinese(GpFontFamily* family) {
    WCHAR name[LF_FACESIZE + 1] = {};
    if (gp::GdipGetFamilyName(family, name, 0) != Gdiplus::Ok || !name[0]) return false;
    LOGFONTW wanted{};
    wanted.lfHeight = -12;
    wanted.lfCharSet = DEFAULT_CHARSET;
    std::copy_n(name, LF_FACESIZE - 1, wanted.lfFaceName);
    UniqueFontHandle font(CreateFontIndirectW(&wanted));
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!font || !dc) return false;
    constexpr int kCount = static_cast<int>(std::size(kChineseSample)) - 1;
    WORD glyphs[kCount] = {};
    const HGDIOBJ previous = SelectObject(dc.get(), font.get());
    const DWORD mapped =
        GetGlyphIndicesW(dc.get(), kChineseSample, kCount, glyphs, GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(dc.get(), previous);
    return mapped == static_cast<DWORD>(kCount) &&
           std::none_of(std::begin(glyphs), std::end(glyphs), [](WORD g) { return g == 0xFFFF; });
}

// A copy of the first installed family that `accept` takes, or null.
template <typename Accept>
GpFontFamily* FirstInstalledFamily(Accept accept) {
    Gdiplus::GpFontCollection* installed = nullptr;
    if (gp::GdipNewInstalledFontCollection(&installed) != Gdiplus::Ok || !installed) return nullptr;
    INT count = 0;
    gp::GdipGetFontCollectionFamilyCount(installed, &count);
    if (count <= 0) return nullptr;
    std::vector<GpFontFamily*> families(static_cast<size_t>(count));
    INT found = 0;
    gp::GdipGetFontCollectionFamilyList(installed, count, families.data(), &found);
    for (INT i = 0; i < found; ++i) {
        if (!families[i] || !accept(families[i])) continue;
        GpFontFamily* clone = nullptr;
        if (gp::GdipCloneFontFamily(families[i], &clone) == Gdiplus::Ok) return clone;
    }
    return nullptr;
}

// The first installed family that draws Chinese text, or null.
GpFontFamily* InstalledChineseFamily() {
    return FirstInstalledFamily(DrawsChinese);
}

// The last resorts when no face draws Chinese and neither named face exists: GDI+'s generic
// sans-serif family, then whatever the system has installed first.
GpFontFamily* FallbackFamily() {
    GpFontFamily* generic = nullptr;
    if (gp::GdipGetGenericFontFamilySansSerif(&generic) == Gdiplus::Ok && generic) {
        GpFontFamily* clone = nullptr;
        if (gp::GdipCloneFontFamily(generic, &clone) == Gdiplus::Ok) return clone;
    }
    return FirstInstalledFamily([](GpFontFamily*) { return true; });
}

GpFont* FontOfFamily(GpFontFamily* family, float emSize, int style) {
    GpFont* font = nullptr;
    gp::GdipCreateFont(family, emSize, style, Gdiplus::UnitPixel, &font);
    gp::GdipDeleteFontFamily(family);
    return font;
}

}  // namespace

void StartToolkit() {
    Gdiplus::GdiplusStartupInput input;  // version 1, no callback, thread and codecs not suppressed
    Gdiplus::GdiplusStartup(&GdiplusToken, &input, nullptr);
    OsMajorVersion = ReadOsMajorVersion();
    DefaultFont = CreateDefaultFont();
    HGLOBAL stripMemory = nullptr;  // stays allocated for the life of the process
    CaptionButtonsImage = LoadImageFromBytes(CaptionButtonsStripBytes(), &stripMemory, true);
    RegisterHostClass("Yn_DirectUI", CS_DBLCLKS, nullptr, nullptr, DefaultWindowProc);
}

std::string SystemFontFace(int which) {
    static_assert(sizeof(NONCLIENTMETRICSA) >= 340);
    unsigned char buffer[sizeof(NONCLIENTMETRICSA)] = {};
    const UINT size = 340;  // without the padded border width of Vista and later
    std::memcpy(buffer, &size, sizeof(size));
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 0, buffer, 0)) return kPrimaryFace;
    // Face-name fields of the menu, caption and message LOGFONTA records.
    size_t offset = which == 1 ? 188 : which == 3 ? 308 : 52;
    char face[33] = {};
    std::memcpy(face, buffer + offset, 32);
    std::string name(face);
    if (name == "Tahoma") name = kPrimaryFace;
    if (GpFont* probe = CreateFontByName(name, 12.0f, 0)) {
        gp::GdipDeleteFont(probe);
        return name;
    }
    return kPrimaryFace;
}

GpFont* CreateDefaultFont() {
    return CreateDefaultFontFrom(kPrimaryFace, SystemFontFace(2));
}

GpFont* CreateDefaultFontFrom(const std::string& primaryFace, const std::string& captionFace) {
    // The first named face that draws Chinese; else the first installed face
    // that does; else the first named face at all, and the last resorts.
    GpFontFamily* chosen = nullptr;
    GpFontFamily* existing = nullptr;  // a named face without Chinese glyphs
    for (const std::string* face : {&primaryFace, &captionFace}) {
        GpFontFamily* family = FamilyFromName(*face);
        if (!family) continue;
        if (DrawsChinese(family)) {
            chosen = family;
            break;
        }
        if (!existing)
            existing = family;
        else
            gp::GdipDeleteFontFamily(family);
    }
    if (!chosen) chosen = InstalledChineseFamily();
    if (!chosen) chosen = std::exchange(existing, nullptr);
    if (existing) gp::GdipDeleteFontFamily(existing);
    if (!chosen) chosen = FallbackFamily();
    if (!chosen) return nullptr;
    return FontOfFamily(chosen, 12.0f, Gdiplus::FontStyleRegular);
}

GpFont* CreateFontByName(const std::string& faceName, float emSize, int style) {
    GpFontFamily* family = FamilyFromName(faceName);
    if (!family && DefaultFont) family = FamilyFromName(FontFamilyName(DefaultFont));
    if (!family) return nullptr;
    return FontOfFamily(family, emSize, style);
}

std::string FontFamilyName(GpFont* font) {
    if (!font) return {};
    GpFontFamily* family = nullptr;
    if (gp::GdipGetFamily(font, &family) != Gdiplus::Ok || !family) return {};
    WCHAR name[LF_FACESIZE + 1] = {};
    gp::GdipGetFamilyName(family, name, 0);
    gp::GdipDeleteFontFamily(family);
    return FromWide(name);
}

namespace {

// A PNG or JPEG through the program's own decoders (libpng, libjpeg-turbo):
// under Wine they are several times faster than the system's codecs, and the
// first picture does not pay for loading those codecs. The image reads its
// pixels from `*memoryHandle`, which it must not outlive. Null for any other
// format and for bytes these decoders refuse.
GpImage* DecodeOwn(const unsigned char* data, size_t size, HGLOBAL* memoryHandle) {
    const decode::Format format = decode::DetectFormat(data, size);
    if (format != decode::Format::Png && format != decode::Format::Jpeg) return nullptr;
    if (format == decode::Format::Png && decode::PngColoursNeedSystem(data, size)) return nullptr;
    // Decoded straight into the global memory the picture will read: fresh
    // memory costs as much as the decoding, so there is no second copy.
    struct Room {
        UniqueGlobal memory;
        int width = 0, height = 0;
    } room;
    const decode::PixelSink sink{
        [](void* context, int width, int height) -> std::uint32_t* {
            auto* r = static_cast<Room*>(context);
            const std::size_t bytes = PixelBytes(width, height);
            r->memory.reset(bytes ? GlobalAlloc(GMEM_FIXED, bytes) : nullptr);
            r->width = width;
            r->height = height;
            return static_cast<std::uint32_t*>(static_cast<void*>(r->memory.get()));
        },
        &room};
    const bool decoded = format == decode::Format::Png ? decode::DecodePngTo(data, size, sink)
                                                       : decode::DecodeJpegTo(data, size, sink);
    if (!decoded || !room.memory) return nullptr;
    const auto* pixels = static_cast<const std::uint32_t*>(static_cast<void*>(room.memory.get()));
    const size_t count = PixelCount(room.width, room.height);
    // An opaque picture is its own premultiplied form, the one GDI+ draws
    // from without converting; one with transparency stays straight alpha,
    // as the system's decoder gives it. A JPEG is always opaque.
    const bool opaque =
        format == decode::Format::Jpeg ||
        std::all_of(pixels, pixels + count, [](std::uint32_t p) { return (p >> 24) == 0xFF; });
    GpBitmap* bitmap = nullptr;
    gp::GdipCreateBitmapFromScan0(room.width, room.height, room.width * 4,
                                  opaque ? PixelFormat32bppPARGB : PixelFormat32bppARGB,
                                  static_cast<BYTE*>(static_cast<void*>(room.memory.get())),
                                  &bitmap);
    if (!bitmap) return nullptr;
    *memoryHandle = room.memory.release();
    return bitmap;
}

}  // namespace

GpImage* LoadImageFromBytes(ByteBlock bytes, HGLOBAL* memoryHandle, bool restoreSignature) {
    static const unsigned char kPngSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
    if (memoryHandle) *memoryHandle = nullptr;
    const size_t n = bytes.empty() ? 0 : bytes.size;
    const size_t total = n + (restoreSignature ? 8 : 0);
    std::vector<unsigned char> withSignature;
    const unsigned char* whole = bytes.data;
    if (restoreSignature) {
        withSignature.assign(kPngSignature, kPngSignature + 8);
        if (n) withSignature.insert(withSignature.end(), bytes.data, bytes.data + n);
        whole = withSignature.data();
    }
    // Without a handle to keep them in, the pixels would have no owner.
    if (memoryHandle)
        if (GpImage* image = DecodeOwn(whole, total, memoryHandle)) return image;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, total);
    if (!memory) return nullptr;
    if (auto* target = static_cast<unsigned char*>(GlobalLock(memory))) {
        if (total) std::memcpy(target, whole, total);
        GlobalUnlock(memory);
    }
    IStream* stream = nullptr;
    GpImage* image = nullptr;
    if (CreateStreamOnHGlobal(memory, FALSE, &stream) == S_OK) {
        gp::GdipLoadImageFromStream(stream, &image);
        // GDI+ keeps its own reference while the image lives; the memory is
        // ours and outlives both.
        stream->Release();
    }
    if (!image) {
        GlobalFree(memory);
        return nullptr;
    }
    if (memoryHandle) *memoryHandle = memory;
    return image;
}

void ReleaseImage(GpImage*& image, HGLOBAL& memory) {
    if (image) {
        gp::GdipDisposeImage(image);
        image = nullptr;
    }
    if (memory) {
        GlobalFree(memory);
        memory = nullptr;
    }
}

bool RegisterHostClass(const char* className, UINT style, HICON icon, HCURSOR cursor,
                       WNDPROC windowProc) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.style = style;
    wc.lpfnWndProc = windowProc ? windowProc : DefaultWindowProc;
    wc.hInstance = instance;
    // Resource 129 does not exist in this program, so by default the class has no icon.
    wc.hIcon = icon ? icon : LoadIconA(instance, MAKEINTRESOURCEA(129));
    ClassIcon = wc.hIcon;
    wc.hCursor = cursor ? cursor : LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = className ? className : "Yn_DirectUI";
    return RegisterClassExA(&wc) != 0;
}

LRESULT CALLBACK DefaultWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
