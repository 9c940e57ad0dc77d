// One crossfade tick of a hovered push button on the start window's set-up:
// a 486 x 342 layered host with four 81 x 24 page buttons. A tick is what the
// button's 60 ms timer does: raise the fade alpha, redraw the button's
// rectangle (cache restore, old and new picture blended) and present. The
// tick is also split into drawing and presentation, and timed once more on an
// opaque host, which presents only the changed rectangle.
//
//   bench_button_crossfade [ticks]   (default 400)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "toolkit/controls/PushButton.h"
#include "toolkit/core/Toolkit.h"
#include "toolkit/host/RedrawQueue.h"
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

// Times `ticks` crossfade ticks on a new host window with the given
// translucency (-1: opaque, presenting only the changed rectangle).
void Run(int ticks, int translucency, const char* title) {
    HWND window = CreateWindowExA(0, "Yn_DirectUI", "bench", WS_POPUP, 50, 50, 486, 342, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    UIHost host;
    if (!host.Attach(window, {.color = RGB(180, 90, 120),
                              .captionFlags = 150,
                              .translucency = translucency,
                              .bgMode = 1,
                              .fixedSize = true})) {
        std::printf("attach failed\n");
        DestroyWindow(window);
        return;
    }
    ShowWindow(window, SW_SHOWNOACTIVATE);

    const char* captions[] = {"玫瑰盛宴", "爱的烟花", "想说的话", "给你的信"};
    std::vector<PushButton> buttons(4);
    for (int i = 0; i < 4; ++i) {
        PushButtonOptions options;
        options.textColour = 0xFE800000;
        options.textEffect = 3;
        options.effectColour = 0x64FFFF00;
        options.corners = 7;
        buttons[i].CreateButton(window, 30 + i * 110, 290, 81, 24, captions[i], options);
    }
    PushButton& hovered = buttons[1];
    auto tick = [&] {
        DeliverToElement(&hovered, WM_TIMER, reinterpret_cast<WPARAM>(hovered.handle), 0);
    };

    std::vector<double> times;
    for (int i = 0; i < ticks + 8; ++i) {
        // A finished fade starts again (not timed): leave, then hover anew.
        if (hovered.fadeAlpha >= hovered.opacity) {
            DeliverToElement(&hovered, kMouseLeave, 0, 0);
            DeliverToElement(&hovered, kMouseEnter, 0, 0);
        }
        const double start = Now();
        tick();
        if (i >= 8) times.push_back(Now() - start);  // the first ones warm GDI+
    }
    // The same ticks without presentation, and presentation alone, to tell
    // the button's and the host's share apart.
    std::vector<double> drawOnly;
    for (int i = 0; i < ticks; ++i) {
        if (hovered.fadeAlpha >= hovered.opacity) {
            DeliverToElement(&hovered, kMouseLeave, 0, 0);
            DeliverToElement(&hovered, kMouseEnter, 0, 0);
        }
        const double start = Now();
        hovered.FadeAlpha(hovered.fadeAlpha + 51);
        RedrawRect(window, {hovered.rect, &hovered}, &host, host.backGraphics.get(), false);
        gp::GdipFlush(host.backGraphics.get(), Gdiplus::FlushIntentionSync);
        drawOnly.push_back(Now() - start);
    }
    std::vector<double> present;
    for (int i = 0; i < ticks; ++i) {
        const double start = Now();
        host.Present(hovered.rect);
        present.push_back(Now() - start);
    }

    std::printf("button_crossfade: 486 x 342 %s host, hovered 81 x 24 button, %zu ticks\n", title,
                times.size());
    auto print = [](const char* name, std::vector<double>& t) {
        std::sort(t.begin(), t.end());
        std::printf("  %-38s median %7.3f ms   min %7.3f   max %7.3f\n", name, t[t.size() / 2],
                    t.front(), t.back());
    };
    print("tick: fade step + redraw + present", times);
    print("  of which fade step + redraw", drawOnly);
    print("  of which present", present);
    DestroyWindow(window);
}

}  // namespace

int main(int argc, char** argv) {
    const int ticks = argc > 1 ? std::max(20, std::atoi(argv[1])) : 400;
    StartToolkit();
    Run(ticks, 255, "layered (the start window)");
    Run(ticks, -1, "opaque");
    std::printf("goal: a tick on the start window in at most 2 ms\n");
    return 0;
}
