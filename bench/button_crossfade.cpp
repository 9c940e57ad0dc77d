// One crossfade tick of a hovered page button on the real start window
// (486 x 342, layered). A tick is what the button's 60 ms timer does: raise
// the fade alpha, redraw the button's rectangle (cache restore, old and new
// picture blended) and present. The tick is also split into drawing and
// presentation. Goal: a tick in at most 2 ms.
//
//   bench_button_crossfade [ticks]   (default 400)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/AppObjects.h"
#include "bench/BenchSupport.h"
#include "toolkit/host/RedrawQueue.h"

namespace {

void Print(const char* name, const bench::Series& s) {
    std::printf("  %-38s median %7.3f ms   min %7.3f   max %7.3f\n", name, s.Median(), s.Min(),
                s.Max());
}

// A finished fade starts again: leave, then hover anew (not timed).
void Rehover(PushButton& button) {
    if (button.fadeAlpha < button.opacity) return;
    DeliverToElement(&button, kMouseLeave, 0, 0);
    DeliverToElement(&button, kMouseEnter, 0, 0);
}

}  // namespace

int main(int argc, char** argv) {
    const int ticks = argc > 1 ? std::max(20, std::atoi(argv[1])) : 400;
    UIHost& host = bench::OpenStartWindow();
    PushButton& hovered = gift::App().pageButtons[1];

    bench::Series tick;
    for (int i = 0; i < ticks + 8; ++i) {
        Rehover(hovered);
        const double start = bench::NowMs();
        DeliverToElement(&hovered, WM_TIMER, reinterpret_cast<WPARAM>(hovered.handle), 0);
        if (i >= 8) tick.Add(bench::NowMs() - start);  // the first ones warm GDI+
    }
    // The same ticks without presentation, and presentation alone, to tell
    // the button's and the system's share apart.
    bench::Series draw;
    for (int i = 0; i < ticks; ++i) {
        Rehover(hovered);
        const double start = bench::NowMs();
        hovered.FadeAlpha(hovered.fadeAlpha + 51);
        RedrawRect(host.hwnd, {hovered.rect, &hovered}, &host, host.backGraphics.get(), false);
        gp::GdipFlush(host.backGraphics.get(), Gdiplus::FlushIntentionSync);
        draw.Add(bench::NowMs() - start);
    }
    const bench::Series present = bench::Time(ticks, [&] { host.Present(hovered.rect); });
    // What any presentation of this layered window costs, however little
    // changed: one pixel.
    const bench::Series presentPixel =
        bench::Time(ticks, [&] { host.Present(RectF(100, 100, 1, 1)); });

    std::printf("button_crossfade: the start window, hovered 82 x 24 page button, %zu ticks\n",
                tick.Count());
    Print("tick: fade step + redraw + present", tick);
    Print("  of which fade step + redraw", draw);
    Print("  of which present", present);
    Print("presenting one pixel of the window", presentPixel);
    bench::Figure("crossfade_tick", "Button crossfade tick on the start window", tick, "ms",
                  "<= 2");
    bench::Figure("crossfade_draw", "  of which fade step + redraw", draw, "ms", "");
    bench::Figure("crossfade_present", "  of which presenting the button's rectangle", present,
                  "ms", "");
    bench::Figure("present_pixel", "  for comparison: presenting one pixel of the start window",
                  presentPixel, "ms", "");
    bench::CloseStartWindow();
    return 0;
}
