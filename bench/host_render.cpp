// The host window's two ways of bringing the picture up to date, on the start
// window's set-up: a 486 x 342 layered host with a 1024 x 724 JPEG background
// stretched over it and ten 80 x 24 elements.
//
//   full     the render pass: frame, background, border, shadow, cache copy,
//            every element, then presentation
//   partial  one element: cache restore under it, its composition, presentation
//   change   a new background: decode, average colour, then the full pass
//
//   bench_host_render [runs]   (default 40 runs of each)
#include <windows.h>
#include <objidl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "toolkit/controls/Element.h"
#include "toolkit/core/Toolkit.h"
#include "toolkit/draw/GdipOwners.h"
#include "toolkit/draw/ImageDraw.h"
#include "toolkit/draw/Shapes.h"
#include "toolkit/host/UIHost.h"

namespace {

double Now() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

struct Figures {
    double median, min, max;
};

template <typename Fn>
Figures Measure(int runs, Fn fn) {
    for (int i = 0; i < 3; ++i) fn();  // warm caches and GDI+ state
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = Now();
        fn();
        times.push_back(Now() - start);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front(), times.back()};
}

// A warm photographic stand-in: smooth light with fine grain, so the JPEG
// has the size and decoding cost of a real photograph.
std::string MakeJpeg(int width, int height) {
    UniqueGpBitmap bitmap;
    gp::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, bitmap.put());
    Gdiplus::Rect all(0, 0, width, height);
    Gdiplus::BitmapData data{};
    gp::GdipBitmapLockBits(bitmap.get(), &all, Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB,
                           &data);
    std::uint32_t seed = 12345;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<unsigned char*>(data.Scan0) +
                                                     y * data.Stride);
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = static_cast<int>((seed >> 24) % 24) - 12;
            const double u = static_cast<double>(x) / width, v = static_cast<double>(y) / height;
            const double glow = std::exp(-((u - 0.6) * (u - 0.6) + (v - 0.4) * (v - 0.4)) * 6);
            auto channel = [grain](double value) {
                return static_cast<std::uint32_t>(
                    std::clamp(static_cast<int>(value) + grain, 0, 255));
            };
            row[x] = 0xFF000000u | channel(120 + 130 * glow) << 16 | channel(60 + 110 * glow) << 8 |
                     channel(70 + 60 * glow * (1 - v));
        }
    }
    gp::GdipBitmapUnlockBits(bitmap.get(), &data);

    UINT count = 0, bytes = 0;
    gp::GdipGetImageEncodersSize(&count, &bytes);
    std::vector<unsigned char> buffer(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    gp::GdipGetImageEncoders(count, bytes, codecs);
    std::string jpeg;
    for (UINT i = 0; i < count; ++i) {
        if (wcscmp(codecs[i].MimeType, L"image/jpeg") != 0) continue;
        IStream* stream = nullptr;
        if (CreateStreamOnHGlobal(nullptr, TRUE, &stream) != S_OK) break;
        if (gp::GdipSaveImageToStream(bitmap.get(), stream, &codecs[i].Clsid, nullptr) ==
            Gdiplus::Ok) {
            HGLOBAL memory = nullptr;
            GetHGlobalFromStream(stream, &memory);
            STATSTG stat{};
            stream->Stat(&stat, STATFLAG_NONAME);
            jpeg.assign(static_cast<const char*>(GlobalLock(memory)),
                        static_cast<size_t>(stat.cbSize.QuadPart));
            GlobalUnlock(memory);
        }
        stream->Release();
    }
    return jpeg;
}

// A glass-like button face, redrawn on every paint message.
class BenchElement : public Element {
public:
    LRESULT MessageProc(UINT code, WPARAM, LPARAM) override {
        if (code != WM_PAINT) return -1;
        SurfacePaint record;
        if (!BeginSurfacePaint(record, std::nullopt, false)) return -1;
        gp::GdipGraphicsClear(record.graphics, 0);
        const RectF r(0, 0, record.rect.Width - 1, record.rect.Height - 1);
        FillRoundedPath(record.graphics, r, 3, ToArgb(0xECECEC, 204));
        GradientFill(record.graphics, r, ToArgb(0x3050A0, 0), ToArgb(0x3050A0, 102));
        RoundedOutline(record.graphics, r, 3, ToArgb(0, 80));
        EndSurfacePaint(record);
        return -1;
    }
};

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 40;
    StartToolkit();

    const std::string jpeg = MakeJpeg(1024, 724);
    const ByteBlock background(jpeg.data(), static_cast<std::uint32_t>(jpeg.size()));
    HWND window = CreateWindowExA(0, "Yn_DirectUI", "bench", WS_POPUP, 50, 50, 486, 342, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    UIHost host;
    host.SetBackgroundSourceKind(1);
    if (!host.Attach(window, {.bgSource = background,
                              .captionFlags = 150,
                              .translucency = 255,
                              .bgMode = 1,
                              .fixedSize = true})) {
        std::printf("attach failed\n");
        return 1;
    }
    ShowWindow(window, SW_SHOWNOACTIVATE);
    std::vector<BenchElement> elements(10);
    for (int i = 0; i < 10; ++i)
        elements[i].Create(window,
                           RectF(static_cast<float>(20 + (i % 5) * 90),
                                 static_cast<float>(220 + (i / 5) * 40), 80, 24),
                           2);

    const Figures full = Measure(runs, [&] { host.Render(std::nullopt, std::nullopt); });
    const Figures partial = Measure(runs * 5, [&] { elements[3].Invalidate(); });
    const Figures change = Measure(runs / 2, [&] { host.Render(background, std::nullopt); });

    std::printf(
        "host_render: 486 x 342 layered host, %zu-byte 1024 x 724 JPEG stretched, "
        "10 elements of 80 x 24\n",
        jpeg.size());
    auto print = [](const char* name, const Figures& f) {
        std::printf("  %-34s median %7.3f ms   min %7.3f   max %7.3f\n", name, f.median, f.min,
                    f.max);
    };
    print("full render pass (+ present)", full);
    print("partial redraw of one element", partial);
    print("background change (decode + pass)", change);

    // Where a full pass goes: its biggest single steps, measured alone.
    HGLOBAL memory = nullptr;
    UniqueGpImage image(LoadImageFromBytes(background, &memory, false));
    UniqueGlobal imageMemory(memory);
    GpGraphics* g = host.backGraphics.get();
    const RectF body(6, 6, 476, 332);
    UniqueGpImageAttributes identity = AlphaAttributes(254);
    print("  stretched background", Measure(runs, [&] { DrawImageRect(g, image.get(), body); }));
    print("  stretched through an alpha matrix", Measure(runs, [&] {
              DrawImageAttr(g, image.get(), body, std::nullopt, identity.get());
          }));
    print("  shadow rings", Measure(runs, [&] { FrameShadow(g, RectF(5, 5, 476, 332), true, 0); }));
    print("  presentation", Measure(runs, [&] { host.Present(); }));
    std::printf("  partial / full = 1 / %.1f  (goal: at least 1 / 10)\n",
                full.median / partial.median);
    DestroyWindow(window);
    return 0;
}
