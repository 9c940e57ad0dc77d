// Photographs resampled to the device pixels they cover (platform/Resample.h),
// at the sizes the gift meets: the big rose decoded (2560 x 1998) and brought
// to a 2560 x 1440 or 1920 x 1080 monitor (the rose page covers the screen in
// the picture's aspect, so 1920 x 1080 takes 1920 x 1499 of it), a
// 2560 x 1440 picture to 1920 x 1080, and the start photograph (1024 x 724)
// to the start window at 144 DPI (729 x 513 units' worth of device pixels),
// enlarged to 1458 x 1026, and through the toolkit's GDI+ path at 144 DPI.
// No goal of its own: the rose page resamples once when it opens, the start
// window once per scale (the render pass keeps its frame).
//
//   bench_resample [runs]   (default 10)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <string>
#include <vector>

#include "app/Content.h"
#include "bench/BenchSupport.h"
#include "platform/Resample.h"
#include "platform/decode/ImageDecode.h"
#include "toolkit/core/Toolkit.h"
#include "toolkit/draw/GdipOwners.h"
#include "toolkit/draw/ImageDraw.h"

namespace {

struct Buffer {
    int width, height;
    std::vector<std::uint32_t> pixels;
    Buffer(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h) {}
    resample::ConstPixels In() const {
        return {reinterpret_cast<const unsigned char*>(pixels.data()), width, height,
                static_cast<std::ptrdiff_t>(width) * 4};
    }
    resample::Pixels Out() {
        return {reinterpret_cast<unsigned char*>(pixels.data()), width, height,
                static_cast<std::ptrdiff_t>(width) * 4};
    }
};

// The top-left `w` x `h` of the rose, or the rose repeated where it is smaller.
Buffer Crop(const decode::Image& image, int w, int h) {
    Buffer out(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            out.pixels[static_cast<std::size_t>(y) * w + x] =
                image.frames[0].pixels[static_cast<std::size_t>(y % image.height) * image.width +
                                       x % image.width];
    return out;
}

// Wall-clock times of `runs` calls, and the thread's CPU time per call over
// all of them (fairer on a loaded machine; the CPU clock ticks too coarsely
// to time one call).
template <typename Fn>
void Measure(const char* key, const char* what, int runs, Fn fn) {
    const double cpuStart = bench::ThreadCpuMs();
    const bench::Series wall = bench::Time(runs, fn, 1);
    bench::Series cpu;
    cpu.Add((bench::ThreadCpuMs() - cpuStart) / (runs + 1));
    bench::Figure(key, what, wall, "ms", "");
    const std::string cpuKey = std::string(key) + "_cpu";
    bench::Figure(cpuKey.c_str(), "  CPU time per call", cpu, "ms", "");
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 10;
    const ByteBlock roseBytes = content::BigRose();
    decode::Image rose;
    Measure("resample_rose_decode", "Big rose: decoding its 2560 x 1998 JPEG", runs,
            [&] { rose = decode::DecodeJpeg(roseBytes.data, roseBytes.size); });
    if (rose.Empty()) return 1;

    struct Case {
        const char* key;
        const char* what;
        int sw, sh, tw, th;
    } cases[] = {
        {"resample_rose_1080", "Big rose resampled to cover 1920 x 1080 (1920 x 1499)", 2560, 1998,
         1920, 1499},
        {"resample_1440_1080", "2560 x 1440 resampled to 1920 x 1080", 2560, 1440, 1920, 1080},
        {"resample_start_144", "1024 x 724 resampled to 729 x 513 (start window, 144 DPI)", 1024,
         724, 729, 513},
        {"resample_start_up", "1024 x 724 enlarged to 1458 x 1026", 1024, 724, 1458, 1026},
    };
    for (const Case& c : cases) {
        const Buffer source = Crop(rose, c.sw, c.sh);
        Buffer target(c.tw, c.th);
        Measure(c.key, c.what, runs, [&] {
            resample::Resample(source.In(), target.Out(), resample::Alpha::Premultiplied);
        });
    }

    // The toolkit's own path: GDI+ bitmap locked, resampled, a new bitmap.
    StartToolkit();
    HGLOBAL memory = nullptr;
    UniqueGpImage start(LoadImageFromBytes(content::StartBackground(), &memory, false));
    UniqueGlobal startMemory(memory);
    if (start) {
        Measure("resample_start_gdip", "1024 x 724 to 729 x 513 through the toolkit (GDI+)", runs,
                [&] { Resampled(start.get(), 729, 513); });
    }
    return 0;
}
