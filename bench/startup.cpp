// Start-up of the whole program to its first presented frame: the release
// gift.exe, copied into a folder of its own (it writes its song beside
// itself), is started as a real process several times. Each run is timed
// from CreateProcess until its start window (486 x 342, layered) is visible
// and its picture is on the screen: most of a handful of points inside the
// window (the photograph's margins and the caption) read back from the
// screen differ from what the screen showed there before. Then the window is
// closed with WM_CLOSE and the process's end awaited.
//
// The time includes what the system does to start any process (under Wine
// that is a new Wine process attaching to the running wine server) and the
// screen read-back, polled about every millisecond; an empty program's start
// and end is timed alongside for comparison.
//
//   bench_startup [runs] [path to gift.exe]   (default 7 runs; gift.exe beside
//                                              this program or one folder up)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchSupport.h"

namespace {

// An empty program's start and end under the same system: this benchmark
// started again with --exit.
bench::Series EmptyProcessRuns(int runs) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --exit";
    bench::Series times;
    for (int run = 0; run <= runs; ++run) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        const double start = bench::NowMs();
        if (!CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &info))
            break;
        WaitForSingleObject(info.hProcess, 20000);
        if (run > 0) times.Add(bench::NowMs() - start);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    return times;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--exit") return 0;
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const std::wstring copy = bench::PrepareGift(argc > 2 ? argv[2] : nullptr, L"startup-run");
    if (copy.empty()) {
        std::printf("startup: no gift.exe to start (give its path)\n");
        return 1;
    }
    std::printf("startup: %ls, %d runs\n", copy.c_str(), runs);

    bench::Series toFrame;
    int closedByItself = 0;
    for (int run = 0; run <= runs; ++run) {
        bench::GiftProcess process;
        const double start = bench::NowMs();
        if (!process.Start(copy)) {
            std::printf("  CreateProcess failed: %lu\n", GetLastError());
            return 1;
        }
        HWND window = process.WaitForStartWindow(20000);
        const double shown = bench::NowMs() - start;
        if (!window) {
            std::printf("  run %d: no start window within 20 s\n", run);
            process.Close(nullptr, 0);
            return 1;
        }
        // The first run fills the system's file cache: not counted.
        if (run > 0) toFrame.Add(shown);
        std::printf("  run %d: first frame after %.1f ms%s\n", run, shown,
                    run == 0 ? " (warm-up, not counted)" : "");
        if (process.Close(window)) ++closedByItself;
    }
    std::printf("  %d of %d runs ended by themselves after WM_CLOSE\n", closedByItself, runs + 1);
    bench::Figure("startup", "Start-up to the start window's first presented frame", toFrame, "ms",
                  "");
    // What any program pays here before its first instruction, for comparison.
    bench::Figure("startup_empty", "  for comparison: an empty program's start to its end",
                  EmptyProcessRuns(runs), "ms", "");
    return 0;
}
