#pragma once
// Real windows, real messages and real pixels for the host, element and
// render-pass tests.
#include <windows.h>
#include <objidl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "toolkit/controls/Element.h"
#include "toolkit/core/Toolkit.h"
#include "toolkit/draw/GdipOwners.h"
#include "toolkit/host/UIHost.h"

namespace hosttest {

inline void EnsureToolkit() {
    static const bool started = [] {
        StartToolkit();
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
    return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
}
inline DWORD UserObjects() {
    return GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
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
