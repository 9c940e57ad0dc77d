// DrawPicture with white transparent, as the countdown's bottom row does it:
// the 147 x 163 flower GIF onto a screen-sized drawing panel, including the
// panel's immediate repaint. Also the GIF's decoding, which the application
// repeats before every draw.
//
//   bench_runtime_draw [draws]   (default 2000)
// The picture is app/content/f11.gif when found above the executable, else a
// synthesized 147 x 163 GIF with a white background.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/Form.h"
#include "runtime/Program.h"
#include "runtime/Services.h"

namespace {

// CPU time of this thread: the machine may be shared, and wall time then
// counts other processes too.
double ThreadCpuMs() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    auto ms = [](FILETIME t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) /
               10000.0;
    };
    return ms(kernel) + ms(user);
}

double NowMs() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

std::vector<unsigned char> ReadAbove(const wchar_t* relative) {
    wchar_t module[MAX_PATH];
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring dir(module);
    for (int up = 0; up < 6 && dir.find_last_of(L'\\') != std::wstring::npos; ++up) {
        dir.resize(dir.find_last_of(L'\\'));
        HANDLE h = CreateFileW((dir + L"\\" + relative).c_str(), GENERIC_READ, FILE_SHARE_READ,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) continue;
        std::vector<unsigned char> bytes(GetFileSize(h, nullptr));
        DWORD read = 0;
        ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
        CloseHandle(h);
        bytes.resize(read);
        return bytes;
    }
    return {};
}

// A flower-like blot on white, as an uncompressed GIF (9-bit LZW codes with
// a clear code often enough that the width never grows).
std::vector<unsigned char> SynthesizeGif(int w, int h) {
    std::vector<unsigned char> out = {'G', 'I', 'F', '8', '9', 'a'};
    auto put16 = [&](int v) {
        out.push_back(static_cast<unsigned char>(v & 0xFF));
        out.push_back(static_cast<unsigned char>(v >> 8));
    };
    put16(w);
    put16(h);
    out.insert(out.end(), {0xF7, 0, 0});
    for (int i = 0; i < 256; ++i) {
        bool white = i == 0;
        out.push_back(white ? 255 : static_cast<unsigned char>(128 + i / 2));
        out.push_back(white ? 255 : static_cast<unsigned char>(i / 3));
        out.push_back(white ? 255 : static_cast<unsigned char>(64 + i / 4));
    }
    out.push_back(0x2C);
    put16(0);
    put16(0);
    put16(w);
    put16(h);
    out.push_back(0);
    out.push_back(8);
    std::vector<unsigned char> data;
    unsigned bits = 0;
    int count = 0, since = 0;
    auto emit = [&](unsigned code) {
        bits |= code << count;
        count += 9;
        while (count >= 8) {
            data.push_back(static_cast<unsigned char>(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    };
    emit(256);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (since++ == 250) {
                emit(256);
                since = 1;
            }
            int dx = x - w / 2, dy = y - h / 2;
            int r2 = dx * dx + dy * dy;
            emit(r2 < (w / 2) * (w / 2) * 3 / 4 && (dx * dy) % 7 != 0 ? 1 + (r2 % 255) : 0);
        }
    emit(257);
    if (count > 0) data.push_back(static_cast<unsigned char>(bits & 0xFF));
    for (size_t at = 0; at < data.size(); at += 255) {
        size_t n = std::min<size_t>(255, data.size() - at);
        out.push_back(static_cast<unsigned char>(n));
        out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                   data.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    out.push_back(0);
    out.push_back(0x3B);
    return out;
}

const runtime::UnitDescription kUnits[] = {{.kind = runtime::UnitKind::DrawingPanel,
                                            .name = "画板1",
                                            .id = 1,
                                            .left = 0,
                                            .top = 0,
                                            .width = 1366,
                                            .height = 768}};
const runtime::FormDescription kForm{.id = 1, .width = 1366, .height = 768, .units = kUnits};

}  // namespace

int main(int argc, char** argv) {
    int draws = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    std::vector<unsigned char> gif = ReadAbove(L"app\\content\\f11.gif");
    const char* source = "app/content/f11.gif";
    if (gif.empty()) {
        gif = SynthesizeGif(147, 163);
        source = "synthesized";
    }
    runtime::InitRuntime();
    runtime::UnitRef form = runtime::LoadForm(kForm);
    runtime::UnitRef panel = runtime::FindUnit(form, 1);

    std::vector<double> decode;
    runtime::Picture picture;
    for (int i = 0; i < 200; ++i) {
        double start = NowMs();
        picture = runtime::LoadPicture(gif.data(), gif.size());
        decode.push_back(NowMs() - start);
    }
    if (picture.Empty()) {
        std::printf("the GIF does not decode\n");
        return 1;
    }
    // Drawing on the visible panel, with its immediate repaint; then on a
    // hidden one, the surface alone.
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<double> times;
        double cpuStart = 0;
        for (int i = 0; i < draws + 20; ++i) {
            if (i == 20) cpuStart = ThreadCpuMs();
            int x = (i * 143) % (1366 - 147), y = (i * 37) % (768 - 163);
            double start = NowMs();
            runtime::DrawPicture(panel, picture, x, y, {}, {}, runtime::kWhiteTransparent);
            if (i >= 20) times.push_back(NowMs() - start);  // the first ones warm GDI
        }
        double cpu = (ThreadCpuMs() - cpuStart) / draws;
        std::sort(times.begin(), times.end());
        double sum = 0;
        for (double t : times) sum += t;
        std::printf(
            "DrawPicture white-transparent, %s: median %.3f ms, mean %.3f ms, p95 %.3f ms "
            "(wall); %.3f ms CPU per draw; %d draws\n",
            pass == 0 ? "shown panel" : "hidden panel", times[times.size() / 2],
            sum / static_cast<double>(times.size()), times[times.size() * 95 / 100], cpu, draws);
        runtime::SetFormProperty(form, runtime::kVisible, 0);
    }
    std::sort(decode.begin(), decode.end());
    std::printf("picture: %s, %d x %d, %zu bytes; LoadPicture median %.3f ms\n", source,
                picture.Width(), picture.Height(), gif.size(), decode[decode.size() / 2]);
    runtime::Quit();
    return 0;
}
