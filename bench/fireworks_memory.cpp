// Peak working set of the whole program while the fireworks page runs: the
// release gift.exe, copied into a folder of its own, is started as a real
// process; once its start window is on the screen, the fireworks page button
// is clicked with posted mouse messages at its centre, the page runs for a
// few seconds (its 35 frames go round every 1.75 s), and the process's
// PeakWorkingSetSize is read with GetProcessMemoryInfo. Then the page is
// closed with a right click and the program with WM_CLOSE. Several runs.
//
// Under Wine the working set is the resident memory of the whole Wine
// process, Wine's own libraries included, so it reads higher than the same
// program's would on Windows. Without a sound device (as here) the song's
// player stops at once and holds no buffers.
//
//   bench_fireworks_memory [runs] [seconds] [path to gift.exe]   (default 3 runs of 6 s)
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchSupport.h"
#include "platform/Dpi.h"

namespace {

// The page button "爱的烟花": the second of four, 82 x 24 at (141, 296) in
// units; the mouse gives device pixels at the system's scale.
constexpr int kButtonX = 141 + 41;
constexpr int kButtonY = 296 + 12;

int Device(int units) {
    return dpi::ToDevice(units, dpi::ForSystem());
}

double Megabytes(SIZE_T bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

bool Counters(HANDLE process, PROCESS_MEMORY_COUNTERS& counters) {
    counters = {};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(process, &counters, sizeof counters) != FALSE;
}

// Waits for the page to appear (or vanish) as a window of 640 x 480 units.
HWND WaitForPage(const bench::GiftProcess& process, bool shown, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    do {
        HWND page = process.FindWindowOfSize(Device(640), Device(480));
        if ((page != nullptr) == shown) return page ? page : HWND_MESSAGE;
        Sleep(10);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 6;
    const std::wstring copy = bench::PrepareGift(argc > 3 ? argv[3] : nullptr, L"memory-run");
    if (copy.empty()) {
        std::printf("fireworks_memory: no gift.exe to start (give its path)\n");
        return 1;
    }
    std::printf("fireworks_memory: %ls, %d runs of %d s on the fireworks page\n", copy.c_str(),
                runs, seconds);

    bench::Series startPeak, fireworksPeak, fireworksNow;
    for (int run = 1; run <= runs; ++run) {
        bench::GiftProcess process;
        HWND window = process.StartAndWait(copy);
        if (!window) return 1;
        bench::PumpFor(300);  // the first paints and the song file settle
        PROCESS_MEMORY_COUNTERS before, during;
        Counters(process.Handle(), before);

        bench::PostClick(window, Device(kButtonX), Device(kButtonY));
        HWND page = WaitForPage(process, true, 10000);
        if (!page) {
            std::printf("  run %d: the fireworks page did not open\n", run);
            process.Close(window);
            return 1;
        }
        Sleep(static_cast<DWORD>(seconds) * 1000);
        const bool running = WaitForSingleObject(process.Handle(), 0) == WAIT_TIMEOUT;
        if (!running || !Counters(process.Handle(), during)) {
            std::printf("  run %d: the program ended on the fireworks page\n", run);
            return 1;
        }
        startPeak.Add(Megabytes(before.PeakWorkingSetSize));
        fireworksPeak.Add(Megabytes(during.PeakWorkingSetSize));
        fireworksNow.Add(Megabytes(during.WorkingSetSize));
        std::printf(
            "  run %d: start window peak %.1f MB; fireworks page peak %.1f MB, now %.1f MB, "
            "committed %.1f MB\n",
            run, Megabytes(before.PeakWorkingSetSize), Megabytes(during.PeakWorkingSetSize),
            Megabytes(during.WorkingSetSize), Megabytes(during.PagefileUsage));

        bench::PostClick(page, Device(320), Device(240), true);  // a right click closes the page
        if (!WaitForPage(process, false, 5000)) std::printf("  run %d: the page stayed\n", run);
        if (!process.Close(window)) std::printf("  run %d: the program had to be ended\n", run);
    }
    bench::Figure("ws_fireworks", "Peak working set, whole program, fireworks page running",
                  fireworksPeak, "MB", "");
    bench::Figure("ws_start", "  for comparison: peak working set with the start window alone",
                  startPeak, "MB", "");
    bench::Series above;
    above.Add(fireworksPeak.Median() - startPeak.Median());
    bench::Figure("ws_above_start", "  the fireworks page above the start window (medians)", above,
                  "MB", "<= 40");
    return 0;
}
