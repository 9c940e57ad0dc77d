#pragma once
// Real windows, real messages and real pixels for the host, element and
// render-pass tests.
#include <windows.h>
#include <objidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/controls/Element.h"
#include "toolkit/core/Toolkit.h"
#include "toolkit/draw/GdipOwners.h"
#include "toolkit/host/UIHost.h"
#include "platform/ProcessStats.h"

namespace hosttest {

inline void EnsureToolkit() {
    static const bool started = [] {
        if (!DefaultFont) StartToolkit();  // a suite may have started it itself
        return true;
    }();
    (void)started;
}

// Messages that reached the window's own procedure (the host's default
// processing), with whether the host's redraw queue was busy at that moment.
struct SeenMessage {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    bool queueBusy;
};
inline std::vector<SeenMessage>& Seen() {
    static std::vector<SeenMessage> seen;
    return seen;
}
inline UIHost*& WatchedHost() {
    static UIHost* host = nullptr;
    return host;
}

inline LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg >= WM_USER || msg == WM_LBUTTONDOWN || msg == WM_TIMER || msg == WM_KEYDOWN ||
        msg == WM_NCDESTROY || msg == WM_IME_COMPOSITION) {
        UIHost* host = WatchedHost();
        Seen().push_back({msg, wParam, lParam, host && !host->redrawQueue.IsIdle()});
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

inline const char* TestClass() {
    static const char* name = [] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof(wc);
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = RecordingProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
        wc.lpszClassName = "GiftHostTestWindow";
        RegisterClassExA(&wc);
        return "GiftHostTestWindow";
    }();
    return name;
}

// A top-level pop-up window of the test class, destroyed with the object.
class TestWindow {
public:
    TestWindow(int width, int height, DWORD style = WS_POPUP, int x = 40, int y = 40) {
        EnsureToolkit();
        hwnd_ = CreateWindowExA(0, TestClass(), "gift test", style, x, y, width, height, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~TestWindow() {
        if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    HWND get() const { return hwnd_; }

private:
    HWND hwnd_ = nullptr;
};

// A host attached to a real pop-up window of the toolkit's own class.
class HostedWindow {
public:
    explicit HostedWindow(int width = 240, int height = 80, const AttachOptions& options = {},
                          const char* title = "gift test") {
        EnsureToolkit();
        window = CreateWindowExA(0, "Yn_DirectUI", title, WS_POPUP, 30, 30, width, height, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        attached = host.Attach(window, options);
    }
    ~HostedWindow() {
        if (window && IsWindow(window)) DestroyWindow(window);
    }
    HostedWindow(const HostedWindow&) = delete;
    HostedWindow& operator=(const HostedWindow&) = delete;

    HWND window = nullptr;
    UIHost host;
    bool attached = false;
};

inline void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// One pixel (0xAARRGGBB) of a 32-bit bottom-up DIB section.
inline std::uint32_t DibPixel(HBITMAP bitmap, int x, int y) {
    DIBSECTION dib{};
    if (GetObjectA(bitmap, sizeof(dib), &dib) != sizeof(dib) || !dib.dsBm.bmBits) return 0xDEADBEEF;
    const int height = dib.dsBm.bmHeight;
    const auto* row = static_cast<const unsigned char*>(dib.dsBm.bmBits) +
                      static_cast<size_t>(height - 1 - y) * dib.dsBm.bmWidthBytes;
    std::uint32_t value;
    std::memcpy(&value, row + x * 4, 4);
    return value;
}
inline std::uint32_t BackPixel(UIHost& host, int x, int y) {
    if (host.backGraphics) gp::GdipFlush(host.backGraphics.get(), Gdiplus::FlushIntentionSync);
    return DibPixel(host.backBitmap.get(), x, y);
}
inline std::uint32_t CachePixel(UIHost& host, int x, int y) {
    return DibPixel(host.cacheBitmap.get(), x, y);
}
inline int A(std::uint32_t p) {
    return static_cast<int>(p >> 24);
}
inline int R(std::uint32_t p) {
    return static_cast<int>((p >> 16) & 0xFF);
}
inline int G(std::uint32_t p) {
    return static_cast<int>((p >> 8) & 0xFF);
}
inline int B(std::uint32_t p) {
    return static_cast<int>(p & 0xFF);
}

inline DWORD GdiObjects() {
    return static_cast<DWORD>(procstats::GdiObjects());
}
inline DWORD UserObjects() {
    return static_cast<DWORD>(procstats::UserObjects());
}

// GDI and USER objects of the process before and after `rounds` runs of
// `round`, counted after one more run first: that one grows the system's
// window and DC caches, once.
struct ObjectCounts {
    DWORD gdi = 0, user = 0;
};
template <typename Round>
std::pair<ObjectCounts, ObjectCounts> CountsAroundRounds(int rounds, Round round) {
    round();
    const ObjectCounts before{GdiObjects(), UserObjects()};
    for (int i = 0; i < rounds; ++i) round();
    return {before, ObjectCounts{GdiObjects(), UserObjects()}};
}

// An encoded picture made with GDI+ ("image/png" or "image/jpeg").
inline std::string Encode(GpImage* image, const wchar_t* mimeType) {
    UINT count = 0, bytes = 0;
    gp::GdipGetImageEncodersSize(&count, &bytes);
    std::vector<unsigned char> buffer(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    gp::GdipGetImageEncoders(count, bytes, codecs);
    const CLSID* clsid = nullptr;
    for (UINT i = 0; i < count; ++i)
        if (wcscmp(codecs[i].MimeType, mimeType) == 0) clsid = &codecs[i].Clsid;
    std::string out;
    if (!clsid) return out;
    IStream* stream = nullptr;
    if (CreateStreamOnHGlobal(nullptr, TRUE, &stream) != S_OK) return out;
    if (gp::GdipSaveImageToStream(image, stream, clsid, nullptr) == Gdiplus::Ok) {
        HGLOBAL memory = nullptr;
        GetHGlobalFromStream(stream, &memory);
        STATSTG stat{};
        stream->Stat(&stat, STATFLAG_NONAME);
        const auto* data = static_cast<const char*>(GlobalLock(memory));
        out.assign(data, static_cast<size_t>(stat.cbSize.QuadPart));
        GlobalUnlock(memory);
    }
    stream->Release();
    return out;
}

// A w x h picture, every pixel `colour(x, y)` (ARGB), encoded as PNG.
inline std::string PngOf(int w, int h, const std::function<Gdiplus::ARGB(int, int)>& colour) {
    UniqueGpBitmap bitmap;
    gp::GdipCreateBitmapFromScan0(w, h, 0, PixelFormat32bppARGB, nullptr, bitmap.put());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) gp::GdipBitmapSetPixel(bitmap.get(), x, y, colour(x, y));
    return Encode(bitmap.get(), L"image/png");
}

inline ByteBlock BlockOf(const std::string& bytes) {
    return ByteBlock(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

// A GIF of solid frames, one colour each (0x00RRGGBB), with the given delays
// in hundredths of a second. Every pixel is written as a literal LZW code and
// the table is cleared every two codes, so the codes stay three bits wide.
inline std::vector<unsigned char> MakeGif(int width, int height,
                                          const std::vector<std::uint32_t>& colours,
                                          const std::vector<int>& delays) {
    std::vector<unsigned char> out;
    const auto byte = [&](int b) { out.push_back(static_cast<unsigned char>(b)); };
    const auto word = [&](int w) {
        byte(w & 0xFF);
        byte((w >> 8) & 0xFF);
    };
    for (char c : std::string("GIF89a")) byte(c);
    word(width);
    word(height);
    byte(0x91);  // global colour table of 4 entries
    byte(0);
    byte(0);
    for (int i = 0; i < 4; ++i) {
        const std::uint32_t c = i < static_cast<int>(colours.size()) ? colours[i] : 0;
        byte((c >> 16) & 0xFF);
        byte((c >> 8) & 0xFF);
        byte(c & 0xFF);
    }
    if (colours.size() > 1) {  // loop forever
        byte(0x21);
        byte(0xFF);
        byte(11);
        for (char c : std::string("NETSCAPE2.0")) byte(c);
        byte(3);
        byte(1);
        word(0);
        byte(0);
    }
    for (size_t frame = 0; frame < colours.size(); ++frame) {
        byte(0x21);  // graphic control: delay
        byte(0xF9);
        byte(4);
        byte(0);
        word(delays[frame]);
        byte(0);
        byte(0);
        byte(0x2C);  // image descriptor
        word(0);
        word(0);
        word(width);
        word(height);
        byte(0);
        byte(2);  // minimum code size: clear 4, end 5
        std::vector<unsigned char> packed;
        std::uint32_t bits = 0;
        int count = 0;
        const auto code = [&](int c) {
            bits |= static_cast<std::uint32_t>(c) << count;
            count += 3;
            while (count >= 8) {
                packed.push_back(static_cast<unsigned char>(bits & 0xFF));
                bits >>= 8;
                count -= 8;
            }
        };
        for (int p = 0; p < width * height; ++p) {
            if (p % 2 == 0) code(4);
            code(static_cast<int>(frame));
        }
        code(5);
        if (count > 0) packed.push_back(static_cast<unsigned char>(bits & 0xFF));
        for (size_t at = 0; at < packed.size(); at += 255) {
            const size_t n = std::min<size_t>(255, packed.size() - at);
            byte(static_cast<int>(n));
            out.insert(out.end(), packed.begin() + static_cast<long>(at),
                       packed.begin() + static_cast<long>(at + n));
        }
        byte(0);
    }
    byte(0x3B);
    return out;
}

// An element that fills its surface with one colour when asked to paint and
// records every message it receives.
class ProbeElement : public Element {
public:
    explicit ProbeElement(Gdiplus::ARGB fill = 0xFFFF0000) : colour(fill) {}

    LRESULT MessageProc(UINT code, WPARAM wParam, LPARAM lParam) override {
        log.push_back({code, wParam, lParam, false});
        if (code == WM_PAINT) {
            ++paints;
            SurfacePaint record;
            if (BeginSurfacePaint(record, std::nullopt, crossfade)) {
                gp::GdipGraphicsClear(record.graphics, colour);
                EndSurfacePaint(record);
            }
        }
        auto reply = replies.find(code);
        return reply != replies.end() ? reply->second : -1;
    }

    int Count(UINT code) const {
        int n = 0;
        for (const SeenMessage& m : log) n += m.msg == code ? 1 : 0;
        return n;
    }
    void Paint(Gdiplus::ARGB fill) {
        colour = fill;
        Repaint();
    }

    Gdiplus::ARGB colour;
    bool crossfade = false;
    int paints = 0;
    std::vector<SeenMessage> log;
    std::map<UINT, LRESULT> replies;  // fixed results for chosen messages
};

inline RectF Rf(float x, float y, float w, float h) {
    return RectF(x, y, w, h);
}

// Pixels of an element's surface for which `counts` (given the ARGB) holds.
template <typename Predicate>
int SurfacePixels(Element& element, Predicate counts) {
    GpBitmap* surface = element.surface.get();
    if (!surface) return 0;
    UINT width = 0, height = 0;
    gp::GdipGetImageWidth(surface, &width);
    gp::GdipGetImageHeight(surface, &height);
    int count = 0;
    for (UINT y = 0; y < height; ++y) {
        for (UINT x = 0; x < width; ++x) {
            Gdiplus::ARGB p = 0;
            gp::GdipBitmapGetPixel(surface, static_cast<INT>(x), static_cast<INT>(y), &p);
            count += counts(static_cast<std::uint32_t>(p)) ? 1 : 0;
        }
    }
    return count;
}

// Pixels of an element's surface with at least `minAlpha`: what it drew.
inline int SurfaceInk(Element& element, int minAlpha = 40) {
    return SurfacePixels(
        element, [minAlpha](std::uint32_t p) { return static_cast<int>(p >> 24) >= minAlpha; });
}

// |a - b| within tolerance, channel by channel.
inline bool Near(std::uint32_t a, std::uint32_t b, int tolerance = 3) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int ca = static_cast<int>((a >> shift) & 0xFF);
        const int cb = static_cast<int>((b >> shift) & 0xFF);
        if (ca - cb > tolerance || cb - ca > tolerance) return false;
    }
    return true;
}

}  // namespace hosttest
