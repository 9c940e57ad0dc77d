// DrawPicture with white transparent, as the countdown's bottom row does it:
// the gift's 147 x 163 flower GIF (F11) onto a screen-sized drawing panel,
// including the panel's immediate repaint; then on a hidden panel, the
// surface alone. Also the GIF's decoding, which the application repeats
// before every draw. Goal: a draw in at most 1 ms.
//
// Then the rose page's flower rows alone: a screen-sized form over a panel
// holding a picture of the screen, with five boxes of each of the three
// flower GIFs (frames of 500, 120 and 150 ms) at the rows' places, the
// message loop left to run; the process's CPU time over that while (the
// whole program's idle_cpu figure in the rose page's delay, without the rest
// of the program and in seconds instead of minutes).
//
//   bench_runtime_draw [draws] [seconds of flower rows]   (default 2000, 10)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/Content.h"
#include "app/ShowLayout.h"
#include "bench/BenchSupport.h"
#include "runtime/Form.h"
#include "runtime/Program.h"
#include "runtime/Services.h"

namespace {

const runtime::UnitDescription kUnits[] = {{.kind = runtime::UnitKind::DrawingPanel,
                                            .name = "画板1",
                                            .id = 1,
                                            .left = 0,
                                            .top = 0,
                                            .width = 1366,
                                            .height = 768}};
const runtime::FormDescription kForm{.id = 1, .width = 1366, .height = 768, .units = kUnits};

// `draws` draws at spread positions after 20 untimed ones (they warm GDI):
// the wall-clock series, and the thread's CPU time per draw for each tenth
// of the draws (the CPU clock ticks too coarsely to time single draws).
bench::Series Draws(runtime::UnitRef panel, const runtime::Picture& picture, int draws,
                    bench::Series& cpuPerDraw) {
    bench::Series times;
    const int batch = std::max(1, draws / 10);
    double cpuStart = 0;
    for (int i = 0; i < draws + 20; ++i) {
        if (i >= 20 && (i - 20) % batch == 0) {
            const double now = bench::ThreadCpuMs();
            if (i > 20) cpuPerDraw.Add((now - cpuStart) / batch);
            cpuStart = now;
        }
        const int x = (i * 143) % (1366 - 147), y = (i * 37) % (768 - 163);
        const double start = bench::NowMs();
        runtime::DrawPicture(panel, picture, x, y, {}, {}, runtime::kWhiteTransparent);
        if (i >= 20) times.Add(bench::NowMs() - start);
    }
    return times;
}

// CPU milliseconds of this whole process, every thread counted: under Wine
// from the Linux side (/proc/self/stat of the process that runs this one, in
// ticks of 10 ms), elsewhere GetProcessTimes.
double ProcessCpuMs() {
    HANDLE file = CreateFileA("Z:\\proc\\self\\stat", GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        char text[1024] = {};
        DWORD got = 0;
        ReadFile(file, text, sizeof text - 1, &got, nullptr);
        CloseHandle(file);
        // utime and stime are fields 14 and 15, counted after the command's ')'.
        if (const char* at = std::strrchr(text, ')')) {
            unsigned long long ticks = 0;
            for (int field = 2; field <= 15 && at; ++field) {
                at = std::strchr(at + 1, ' ');
                if (at && field >= 13) ticks += std::strtoull(at + 1, nullptr, 10);
            }
            return static_cast<double>(ticks) * 10.0;
        }
    }
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    auto ms = [](FILETIME t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) /
               10000.0;
    };
    return ms(kernel) + ms(user);
}

// Runs the message loop as the program does (GetMessage) for `ms`.
void RunLoopFor(DWORD ms) {
    const UINT_PTR deadline = SetTimer(nullptr, 0, ms, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr && msg.wParam == deadline) break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    KillTimer(nullptr, deadline);
}

// The flower rows for `seconds`: the process's CPU per 5 s slice, in per cent
// of one core.
bench::Series FlowerRows(int seconds) {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    // The page's three source boxes: left, top, width, height and picture.
    struct Source {
        int left, top, width, height, box;
    };
    static constexpr Source kSources[] = {
        {456, 248, 144, 128, 4}, {240, 200, 104, 96, 3}, {216, 312, 120, 112, 2}};
    static std::vector<runtime::UnitDescription> units;
    units.clear();
    std::uint32_t id = 1;
    for (const Source& s : kSources) {
        for (int n = 0; n <= 4; ++n) {
            const POINT at = n == 0
                                 ? POINT{s.left, s.top}
                                 : gift::layout::FlowerRowPlace(n, s.width, s.top, width, height);
            runtime::UnitDescription box = runtime::DescribeUnit(
                runtime::UnitKind::PictureBox, "", id++, at.x, at.y, s.width, s.height, true);
            box.picture = content::RoseBox(s.box);
            units.push_back(box);
        }
    }
    runtime::UnitDescription panel =
        runtime::DescribeUnit(runtime::UnitKind::DrawingPanel, "", id, 0, 0, width, height, true);
    units.push_back(panel);
    static runtime::FormDescription form;
    form = runtime::DescribeForm(2, "", "", 0, 0, width, height);
    form.units = units;
    const runtime::Picture screen = runtime::Snapshot();
    runtime::UnitRef page = runtime::LoadForm(form);
    runtime::SetFormProperty(runtime::FindUnit(page, id), runtime::kBackgroundPicture, screen);
    RunLoopFor(1000);  // first paints
    bench::Series slices;
    for (int s = 0; s < seconds; s += 5) {
        const double start = bench::NowMs(), cpu = ProcessCpuMs();
        RunLoopFor(5000);
        slices.Add(100.0 * (ProcessCpuMs() - cpu) / (bench::NowMs() - start));
    }
    runtime::DestroyForm(page, true);
    return slices;
}

}  // namespace

int main(int argc, char** argv) {
    const int draws = argc > 1 ? std::max(20, std::atoi(argv[1])) : 2000;
    const int rowSeconds = argc > 2 ? std::max(5, std::atoi(argv[2])) : 10;
    const ByteBlock gif = content::BottomRowPicture();
    runtime::InitRuntime();
    runtime::UnitRef form = runtime::LoadForm(kForm);
    runtime::UnitRef panel = runtime::FindUnit(form, 1);

    runtime::Picture picture;
    const bench::Series decode =
        bench::Time(200, [&] { picture = runtime::LoadPicture(gif.data, gif.size); });
    if (picture.Empty()) {
        std::printf("the GIF does not decode\n");
        return 1;
    }
    bench::Series shownCpu, hiddenCpu;
    const bench::Series shown = Draws(panel, picture, draws, shownCpu);
    runtime::SetFormProperty(form, runtime::kVisible, 0);
    const bench::Series hidden = Draws(panel, picture, draws, hiddenCpu);

    std::printf("runtime_draw: F11, %d x %d, %u bytes; LoadPicture median %.3f ms\n",
                picture.Width(), picture.Height(), gif.size, decode.Median());
    std::printf("  shown panel:  median %.3f ms, p99 %.3f ms (wall); %.3f ms CPU per draw\n",
                shown.Median(), shown.Percentile(0.99), shownCpu.Median());
    std::printf("  hidden panel: median %.3f ms, p99 %.3f ms (wall); %.3f ms CPU per draw\n",
                hidden.Median(), hidden.Percentile(0.99), hiddenCpu.Median());
    bench::Figure("draw_picture", "DrawPicture 147 x 163 GIF, white transparent, with repaint",
                  shown, "ms", "<= 1");
    bench::Figure("draw_picture_cpu", "DrawPicture, CPU time per draw (per tenth of the run)",
                  shownCpu, "ms", "<= 1");
    bench::Figure("draw_hidden", "  for comparison: on a hidden panel (no repaint)", hidden, "ms",
                  "");

    runtime::DestroyForm(form, true);
    const bench::Series rows = FlowerRows(rowSeconds);
    std::printf("  flower rows: %.2f %% of a core over %d s (5 s slices %.2f .. %.2f)\n",
                rows.Median(), rowSeconds, rows.Min(), rows.Max());
    bench::Figure("flower_rows_cpu",
                  "The rose page's 15 flower boxes alone, process CPU (5 s slices)", rows,
                  "% of a core", "");
    runtime::Quit();
    return 0;
}
