// DrawPicture with white transparent, as the countdown's bottom row does it:
// the gift's 147 x 163 flower GIF (F11) onto a screen-sized drawing panel,
// including the panel's immediate repaint; then on a hidden panel, the
// surface alone. Also the GIF's decoding, which the application repeats
// before every draw. Goal: a draw in at most 1 ms.
//
//   bench_runtime_draw [draws]   (default 2000)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/Content.h"
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

}  // namespace

int main(int argc, char** argv) {
    const int draws = argc > 1 ? std::max(20, std::atoi(argv[1])) : 2000;
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
    runtime::Quit();
    return 0;
}
