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
// screen read-back, polled about every millisecond. Timed alongside, the
// same way, for comparison: an empty program's start and end, and Wine's
// floor for a program like this one, this benchmark started again to show a
// layered window of the start window's size and place, GDI+ started, one frame
// filled through GDI+ and presented (and once more after decoding the start
// photograph through the system's GDI+ codecs, what the first picture costs
// a program that leaves decoding to the system).
//
//   bench_startup [runs] [path to gift.exe]   (default 7 runs; gift.exe beside
//                                              this program or one folder up)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <objidl.h>
#include <gdiplus.h>

#include "app/Content.h"
#include "bench/BenchSupport.h"
#include "platform/Dpi.h"
#include "toolkit/controls/GlobalMemoryStream.h"
#include "toolkit/draw/GdipOwners.h"

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

LRESULT CALLBACK FloorWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, msg, wParam, lParam);
}

// The floor program: a layered window of the start window's size and place
// (486 x 342 at (50, 50) in units, in device pixels at the system's scale),
// one opaque frame filled through GDI+ and presented, shown; it runs until
// closed.
int ShowFloorWindow(bool decodePhotograph) {
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    StreamImage photograph;
    if (decodePhotograph) photograph = DecodeImage(content::StartBackground());

    WNDCLASSW wc{};
    wc.lpfnWndProc = FloorWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"GiftStartupFloor";
    RegisterClassW(&wc);
    const UINT dpiNow = dpi::ForSystem();
    const int width = dpi::ToDevice(486, dpiNow), height = dpi::ToDevice(342, dpiNow);
    const int place = dpi::ToDevice(50, dpiNow);
    HWND window = CreateWindowExW(WS_EX_LAYERED, wc.lpszClassName, L"floor", WS_POPUP, place, place,
                                  width, height, nullptr, nullptr, wc.hInstance, nullptr);
    if (!window) return 1;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    {
        UniqueGpGraphics graphics;
        gp::GdipCreateFromHDC(memory, graphics.put());
        gp::GdipGraphicsClear(graphics.get(), 0xFFC08090);
    }
    SIZE extent{width, height};
    POINT origin{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UpdateLayeredWindow(window, screen, nullptr, &extent, memory, &origin, 0, &blend, ULW_ALPHA);
    ShowWindow(window, SW_SHOWNORMAL);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return 0;
}

// The floor program started `runs` times (after one warm-up run), each timed
// until its window is on the screen, then closed.
bench::Series FloorRuns(int runs, const wchar_t* argument) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    bench::Series times;
    for (int run = 0; run <= runs; ++run) {
        bench::GiftProcess process;
        const double start = bench::NowMs();
        if (!process.Start(self, argument)) break;
        HWND window = process.WaitForStartWindow(20000);
        const double shown = bench::NowMs() - start;
        if (!window) break;
        if (run > 0) times.Add(shown);
        process.Close(window);
    }
    return times;
}

bench::Series Difference(const bench::Series& a, const bench::Series& b) {
    bench::Series d;
    if (!a.Empty() && !b.Empty()) d.Add(a.Median() - b.Median());
    return d;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--exit") return 0;
    if (argc > 1 && std::string(argv[1]) == "--window") return ShowFloorWindow(false);
    if (argc > 1 && std::string(argv[1]) == "--decode") return ShowFloorWindow(true);
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
        HWND window = process.StartAndWait(copy);
        const double shown = bench::NowMs() - start;
        if (!window) return 1;
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
    const bench::Series empty = EmptyProcessRuns(runs);
    bench::Figure("startup_empty", "  for comparison: an empty program's start to its end", empty,
                  "ms", "");
    // Wine's floor for showing such a window at all, taken after the gift's
    // runs so all three see the same machine.
    const bench::Series floor = FloorRuns(runs, L"--window");
    bench::Figure("startup_floor",
                  "  for comparison: a program showing one layered window of the same size, one "
                  "frame through GDI+",
                  floor, "ms", "");
    bench::Figure("startup_floor_decode",
                  "  for comparison: the same after one GDI+ decode of the photograph",
                  FloorRuns(runs, L"--decode"), "ms", "");
    bench::Figure("startup_above_empty", "Start-up above an empty program (medians)",
                  Difference(toFrame, empty), "ms", "<= 100");
    bench::Figure("startup_above_floor", "Start-up above the layered-window floor (medians)",
                  Difference(toFrame, floor), "ms", "");
    return 0;
}
