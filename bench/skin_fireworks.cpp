// One fireworks frame through the skin layer: LoadBackImage of a 640 x 480 RGBA
// PNG (decode, compose, present to the screen), beside the bare
// GdipLoadImageFromStream of the same bytes in the same run.
//
//   bench_skin_fireworks [frames]          timing (default 300 frames)
//   bench_skin_fireworks --soak [frames]   memory and GDI objects (default 10000)
// With GIFT_FIREWORKS_DIR set to a folder holding fireworks_01.png ... (the
// gift's content), those frames are used instead of generated ones.
#include <objidl.h>
#include <gdiplus.h>
#include <psapi.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/Handle.h"
#include "toolkit/controls/GlobalMemoryStream.h"
#include "toolkit/controls/PngControl.h"
#include "toolkit/core/Gdip.h"
#include "toolkit/draw/GdipOwners.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr size_t kTargetBytes = 276 * 1024;

struct Random {
    std::uint32_t state;
    std::uint32_t Next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }
};

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// A night sky with fireworks: a translucent dark gradient with grain, and bursts
// of glowing sparks with alpha. `grain` sets how photo-like (incompressible) it is.
std::vector<std::uint32_t> FireworksPixels(std::uint32_t seed, int grain) {
    Random random{seed};
    std::vector<std::uint32_t> pixels(kWidth * kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const int n = grain ? random.Below(grain) : 0;
            const int a = std::min(255, 150 + y / 8 + n);
            const int b = std::min(255, 30 + y / 6 + n);
            pixels[y * kWidth + x] =
                static_cast<std::uint32_t>(a) << 24 | static_cast<std::uint32_t>(n / 2) << 16 |
                static_cast<std::uint32_t>(n / 2 + 5) << 8 | static_cast<std::uint32_t>(b);
        }
    for (int burst = 0; burst < 9; ++burst) {
        const double cx = 60 + random.Below(kWidth - 120), cy = 50 + random.Below(kHeight / 2);
        const int r = 120 + random.Below(136), g = 60 + random.Below(196), b = random.Below(256);
        const double radius = 40 + random.Below(90);
        for (int spark = 0; spark < 90; ++spark) {
            const double angle = spark * 6.2831853 / 90 + random.Below(100) / 500.0;
            const double reach = radius * (0.6 + random.Below(40) / 100.0);
            // Gravity bends each trail down towards its end.
            for (int step = 0; step < 24; ++step) {
                const double t = step / 24.0;
                const int px = static_cast<int>(cx + std::cos(angle) * reach * t);
                const int py = static_cast<int>(cy + std::sin(angle) * reach * t + 18 * t * t);
                for (int dy = -2; dy <= 2; ++dy)
                    for (int dx = -2; dx <= 2; ++dx) {
                        const int x = px + dx, y = py + dy;
                        if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) continue;
                        const double glow = (1.0 - t * 0.7) / (1 + dx * dx + dy * dy);
                        std::uint32_t& p = pixels[y * kWidth + x];
                        auto mix = [glow](std::uint32_t old, int add) {
                            return static_cast<std::uint32_t>(
                                std::min(255.0, static_cast<double>(old) + add * glow));
                        };
                        p = mix(p >> 24, 255) << 24 | mix((p >> 16) & 0xFF, r) << 16 |
                            mix((p >> 8) & 0xFF, g) << 8 | mix(p & 0xFF, b);
                    }
            }
        }
    }
    return pixels;
}

std::vector<unsigned char> EncodePng(const std::vector<std::uint32_t>& pixels) {
    UniqueGpBitmap bitmap;
    gp::GdipCreateBitmapFromScan0(
        kWidth, kHeight, kWidth * 4, PixelFormat32bppARGB,
        reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(pixels.data())), bitmap.put());
    UINT count = 0, size = 0;
    gp::GdipGetImageEncodersSize(&count, &size);
    std::vector<unsigned char> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    gp::GdipGetImageEncoders(count, size, codecs);
    GlobalMemoryStream stream;
    for (UINT i = 0; i < count; ++i)
        if (wcscmp(codecs[i].MimeType, L"image/png") == 0)
            gp::GdipSaveImageToStream(bitmap.get(), stream.Open(), &codecs[i].Clsid, nullptr);
    return stream.Bytes();
}

// Frames of about the size of the gift's own: the grain is searched once.
std::vector<std::vector<unsigned char>> MakeFrames(int count) {
    int low = 0, high = 48;
    while (high - low > 1) {
        const int mid = (low + high) / 2;
        (EncodePng(FireworksPixels(1, mid)).size() < kTargetBytes ? low : high) = mid;
    }
    std::vector<std::vector<unsigned char>> frames;
    for (int i = 0; i < count; ++i)
        frames.push_back(EncodePng(FireworksPixels(static_cast<std::uint32_t>(i + 1), high)));
    return frames;
}

// The gift's own frames from `folder`, in order, as far as they exist.
std::vector<std::vector<unsigned char>> ReadFrames(const char* folder) {
    std::vector<std::vector<unsigned char>> frames;
    for (int k = 1; k <= 35; ++k) {
        char path[MAX_PATH];
        std::snprintf(path, sizeof(path), "%s/fireworks_%02d.png", folder, k);
        UniqueFile file(
            CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!file) break;
        std::vector<unsigned char> bytes(GetFileSize(file.get(), nullptr));
        DWORD read = 0;
        if (bytes.empty() ||
            !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
            read != bytes.size())
            break;
        frames.push_back(std::move(bytes));
    }
    return frames;
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

ByteBlock Block(const std::vector<unsigned char>& bytes) {
    return ByteBlock(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

double BareDecode(const std::vector<unsigned char>& bytes) {
    const double start = Now();
    GlobalMemoryStream stream;
    UniqueGpImage image;
    if (IStream* s = stream.Open(Block(bytes))) gp::GdipLoadImageFromStream(s, image.put());
    image.reset();
    return Now() - start;
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, static_cast<size_t>(p * values.size()));
    return values[index];
}

// Committed private memory, walked region by region: the counter the system
// reports (PrivateUsage) reads 0 under Wine.
SIZE_T PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof(counters));
    if (counters.PrivateUsage) return counters.PrivateUsage;
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (const char* address = nullptr;
         VirtualQuery(address, &region, sizeof(region)) == sizeof(region);
         address = static_cast<const char*>(region.BaseAddress) + region.RegionSize)
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    const bool soak = argc > 1 && std::strcmp(argv[1], "--soak") == 0;
    const char* countArg = soak ? (argc > 2 ? argv[2] : nullptr) : (argc > 1 ? argv[1] : nullptr);
    const int frames = countArg ? std::max(1, std::atoi(countArg)) : (soak ? 10000 : 300);
    {
        const char* folder = std::getenv("GIFT_FIREWORKS_DIR");
        std::vector<std::vector<unsigned char>> pngs;
        if (folder) pngs = ReadFrames(folder);
        const bool own = !pngs.empty();
        if (!own) pngs = MakeFrames(4);
        size_t total = 0;
        for (const auto& png : pngs) total += png.size();
        std::printf("%zu frames of 640 x 480 RGBA PNG (%s), %zu bytes on average\n", pngs.size(),
                    own ? "the gift's" : "generated", total / pngs.size());
        const size_t n = pngs.size();

        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "SkinFireworksBench";
        RegisterClassA(&wc);
        UniqueWindow window(CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 50, 50,
                                            kWidth, kHeight, nullptr, nullptr, wc.hInstance,
                                            nullptr));
        PngControl layer;
        layer.Attach(window.get());
        for (int i = 0; i < 20; ++i) {
            layer.LoadBackImage(Block(pngs[i % n]));
            BareDecode(pngs[i % n]);
            Pump();
        }

        if (!soak) {
            std::vector<double> bare, frame, compose, present;
            for (int i = 0; i < frames; ++i) {
                const auto& png = pngs[i % n];
                // Alternate the order so neither side always runs with warm caches.
                if (i % 2) bare.push_back(BareDecode(png));
                const double start = Now();
                layer.LoadBackImage(Block(png));
                frame.push_back(Now() - start);
                if (i % 2 == 0) bare.push_back(BareDecode(png));
                const double composeStart = Now();
                SkinCompose(window.get());
                compose.push_back(Now() - composeStart);
                const double presentStart = Now();
                SkinPresent(window.get(), false);
                present.push_back(Now() - presentStart);
                Pump();
            }
            const double bareMedian = Percentile(bare, 0.5), frameMedian = Percentile(frame, 0.5);
            std::printf("%d frames\n", frames);
            std::printf("bare GdipLoadImageFromStream   median %6.2f ms   p99 %6.2f ms\n",
                        bareMedian, Percentile(bare, 0.99));
            std::printf("LoadBackImage (decode+compose+present) median %6.2f ms   p99 %6.2f ms\n",
                        frameMedian, Percentile(frame, 0.99));
            std::printf("  of which compose+present     median %6.2f ms   p99 %6.2f ms\n",
                        Percentile(compose, 0.5), Percentile(compose, 0.99));
            std::printf("  of which present (UpdateLayeredWindow) median %6.2f ms   p99 %6.2f ms\n",
                        Percentile(present, 0.5), Percentile(present, 0.99));
            std::printf(
                "ratio at the median: %.2f x bare decode (goal <= 1.30), p99 %.2f ms (goal "
                "<= 40)\n",
                frameMedian / bareMedian, Percentile(frame, 0.99));
        } else {
            std::printf(
                "soak: %d frames (GDI objects read 0 where the system does not count "
                "them, as under Wine)\n",
                frames);
            SIZE_T baseline = 0;
            const int every = std::max(1, frames / 10);
            for (int i = 1; i <= frames; ++i) {
                layer.LoadBackImage(Block(pngs[i % n]));
                Pump();
                if (i == std::min(100, frames)) baseline = PrivateBytes();
                if (i % every == 0 || i == 100) {
                    const SIZE_T now = PrivateBytes();
                    std::printf(
                        "frame %6d  private %8.2f MB  (%+7.2f MB since frame 100)  GDI %lu  "
                        "USER %lu\n",
                        i, now / 1048576.0,
                        (static_cast<double>(now) - static_cast<double>(baseline)) / 1048576.0,
                        GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS),
                        GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
                    std::fflush(stdout);
                }
            }
        }
    }
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
