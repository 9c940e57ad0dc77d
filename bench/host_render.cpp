// The start window's two ways of bringing its picture up to date, on the real
// start window (486 x 342, layered, the 1024 x 724 photograph stretched, four
// page buttons, the letter box, the contact link and the picture strip):
//
//   full     the render pass that has to draw (a new theme colour each time,
//            so the kept frame never stands in): frame, background, border,
//            shadow, cache copy, every element, then presentation of the
//            whole window
//   kept     the same pass with nothing changed: the kept frame is copied
//   partial  one page button: cache restore under it, its composition, and
//            presentation
//   change   a new background: decode, average colour, then the full pass
//
// Full passes and partial redraws are taken in turns, so both see the same
// machine; their ratio is given per tenth of the run. Goal: a partial redraw
// costs at most a tenth of a full pass. Each call's present is timed inside
// it (LayeredPresentTicks), so each frame's own work is its time less its
// own present.
//
//   bench_host_render [runs]   (default 40 full passes, five partials after each)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "app/AppObjects.h"
#include "app/Content.h"
#include "bench/BenchSupport.h"
#include "platform/Dpi.h"
#include "toolkit/core/Toolkit.h"
#include "toolkit/draw/DirectPixels.h"
#include "toolkit/draw/GdipOwners.h"
#include "toolkit/draw/ImageDraw.h"
#include "toolkit/draw/RenderPass.h"
#include "toolkit/draw/Shapes.h"

namespace {

void Print(const char* name, const bench::Series& s) {
    std::printf("  %-38s median %8.3f ms   min %8.3f   max %8.3f\n", name, s.Median(), s.Min(),
                s.Max());
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(10, std::atoi(argv[1])) : 40;
    UIHost& host = bench::OpenStartWindow();
    Element& button = gift::App().pageButtons[1];

    bench::Series full, kept, partial, fullOwn, partialOwn;
    for (int i = 0; i < 3; ++i) {  // warm caches and GDI+ state
        host.Render(std::nullopt, std::nullopt);
        button.Invalidate();
    }
    // The call's time, and the same less the present it made.
    auto timed = [](bench::Series& whole, bench::Series* own, auto&& call) {
        const double present = bench::PresentMs();
        const double start = bench::NowMs();
        call();
        const double took = bench::NowMs() - start;
        whole.Add(took);
        if (own) own->Add(took - (bench::PresentMs() - present));
    };
    for (int i = 0; i < runs; ++i) {
        const COLORREF colour = RGB(40 + i % 120, 80, 120 + i % 97);
        timed(full, &fullOwn, [&] { host.Render(std::nullopt, colour); });
        timed(kept, nullptr, [&] { host.Render(std::nullopt, std::nullopt); });
        for (int k = 0; k < 5; ++k) timed(partial, &partialOwn, [&] { button.Invalidate(); });
        bench::Pump();
    }
    const ByteBlock photograph = content::StartBackground();
    const bench::Series change =
        bench::Time(runs / 4, [&] { host.Render(photograph, std::nullopt); });

    std::printf(
        "host_render: the start window, 486 x 342 layered, %u-byte 1024 x 724 JPEG stretched\n",
        photograph.size);
    Print("full render pass that draws (+ present)", full);
    Print("  its own work (less its present)", fullOwn);
    Print("full render pass, kept frame (+ present)", kept);
    Print("partial redraw of one page button", partial);
    Print("  its own work (less its present)", partialOwn);
    Print("background change (decode + pass)", change);

    // Where a full pass goes: its biggest single steps, measured alone.
    HGLOBAL memory = nullptr;
    UniqueGpImage image(LoadImageFromBytes(photograph, &memory, false));
    UniqueGlobal imageMemory(memory);
    GpGraphics* g = host.backGraphics.get();
    const RectF body(6, 6, 476, 332);
    UniqueGpImageAttributes identity = AlphaAttributes(254);
    const int parts = std::max(5, runs / 4);
    Print("  stretched background",
          bench::Time(parts, [&] { DrawImageRect(g, image.get(), body); }));
    Print("  stretched through an alpha matrix", bench::Time(parts, [&] {
              DrawImageAttr(g, image.get(), body, std::nullopt, identity.get());
          }));
    // As the pass draws them: the picture and the surfaces blended straight
    // into the buffer's pixels, the rings drawn in bands along its edges.
    const PixelTarget direct = host.BackTarget();
    Print("  stretched, averaged down first (as the pass does)",
          bench::Time(parts, [&] { DrawImageStretched(g, image.get(), body, nullptr, &direct); }));
    Print("    of which averaging down",
          bench::Time(parts, [&] { Resampled(image.get(), 476, 332); }));
    Print("  shadow rings", bench::Time(parts, [&] {
              host.DrawInEdgeBands(24, 10, [](GpGraphics* rings) {
                  FrameShadow(rings, RectF(5, 5, 476, 332), true, 0);
              });
          }));
    const bench::Series average = bench::Time(parts, [&] { AverageColour(nullptr, image.get()); });
    Print("  the photograph's average colour", average);
    const bench::Series passOnly =
        bench::Time(parts, [&] { host.RenderPass(std::nullopt, std::nullopt); });
    Print("  render pass alone (no present)", passOnly);
    Print("  caption (title)", bench::Time(parts, [&] { host.DrawCaption(); }));
    // As inside a pass: the elements' own paints ask for no redraws.
    Print("  element tree", bench::Time(parts, [&] {
              host.rendering = 1;
              DrawElementTree(g, host.firstElement, &direct);
              host.rendering = 0;
          }));
    const bench::Series presentAll = bench::Time(parts, [&] { host.Present(); });
    const bench::Series presentButton = bench::Time(runs, [&] { host.Present(button.rect); });
    Print("  presentation of the whole window", presentAll);
    Print("  presentation of the button's rectangle", presentButton);
    const bench::Series ratio = bench::BatchRatios(partial, full, 10);
    std::printf("  partial / full = 1 / %.1f at the median (goal: at most 1 / 10)\n",
                1 / ratio.Median());

    // The 20 ms goal is for 96 DPI; at another scale the goal is the same
    // ratio to the present of the whole window as at 96 DPI.
    const bool base = dpi::ForSystem() == 96;
    bench::Figure("render_full", "Start window: full render pass that draws + present", full, "ms",
                  base ? "<= 20" : "");
    bench::Series fullRatio;
    fullRatio.Add(full.Median() / presentAll.Median());
    bench::Figure("render_full_ratio", "  the same / a whole-window present (medians)", fullRatio,
                  "x", "");
    bench::Figure("render_kept", "  the same pass with nothing changed (kept frame)", kept, "ms",
                  "");
    bench::Figure("render_partial", "Start window: partial redraw of one button + present", partial,
                  "ms", "");
    bench::Figure("render_ratio", "Start window: partial / full (per tenth of the run)", ratio,
                  "x full", "<= 0.1");
    // Both ways end in one present, whose fixed cost under Wine (the row
    // below) is most of a partial redraw; without it they compare as the work
    // each does, each frame less the present timed inside it.
    const bench::Series ownRatio = bench::BatchRatios(partialOwn, fullOwn, 10);
    bench::Figure("render_ratio_own", "  the same, each without its own present", ownRatio,
                  "x full", "<= 0.1");
    bench::Figure("render_present", "  of which presenting a button's rectangle", presentButton,
                  "ms", "");
    bench::Figure("render_average", "Start window: the 1024 x 724 photograph's average colour",
                  average, "ms", "");
    bench::CloseStartWindow();
    return 0;
}
