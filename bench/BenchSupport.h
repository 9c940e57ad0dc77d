#pragma once
// What every benchmark shares: the clock, a series of samples with its
// median, extremes and 99th percentile, and the one machine-readable line per
// figure that tools/bench.sh gathers into its table:
//
//   FIGURE <TAB> key <TAB> what <TAB> median <TAB> min <TAB> max <TAB> p99 <TAB> unit <TAB> goal
//
// A goal is "<= N", ">= N" or "p99 <= N" (which statistic it judges), or empty
// when no goal was set. Also the helpers of the benchmarks that run the whole
// program as a process of its own.
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "toolkit/host/UIHost.h"

namespace bench {

// Wall-clock milliseconds (QueryPerformanceCounter).
double NowMs();
// Milliseconds spent in PresentLayered so far (read around a frame to take
// its present apart from its own work).
double PresentMs();
// CPU milliseconds of the calling thread: fairer than wall time on a machine
// shared with other work.
double ThreadCpuMs();

// Samples in the order they were taken.
class Series {
public:
    void Add(double value) { values_.push_back(value); }
    std::size_t Count() const { return values_.size(); }
    bool Empty() const { return values_.empty(); }
    const std::vector<double>& Values() const { return values_; }

    double Median() const { return Percentile(0.5); }
    double Min() const;
    double Max() const;
    // The value below which a fraction p of the samples lie (nearest rank).
    double Percentile(double p) const;

private:
    std::vector<double> values_;
};

// Times `runs` calls of fn after `warmUp` untimed ones (caches, GDI+ state).
template <typename Fn>
Series Time(int runs, Fn fn, int warmUp = 3) {
    for (int i = 0; i < warmUp; ++i) fn();
    Series series;
    for (int i = 0; i < runs; ++i) {
        const double start = NowMs();
        fn();
        series.Add(NowMs() - start);
    }
    return series;
}

// The ratio of two series taken side by side, as `batches` ratios of the
// median of each consecutive slice of `numerator` to the median of the same
// slice of `denominator`: a ratio with a spread, not one number.
Series BatchRatios(const Series& numerator, const Series& denominator, int batches);

// Prints the machine-readable line of one figure. p99 only when `withP99`.
void Figure(const char* key, const char* what, const Series& series, const char* unit,
            const char* goal, bool withP99 = false);

// Dispatches whatever is queued for this thread.
void Pump();
// Pumps messages for `ms` milliseconds.
void PumpFor(DWORD ms);

// The start window in this process ------------------------------------------

// The program's globals, runtime, toolkit and start window as start-up leaves
// them, the letter box, buttons and picture strip painted. The song is written
// but not played: nothing else runs while the figures are taken. Returns the
// start window's host.
UIHost& OpenStartWindow();
// Destroys the start window, releases the globals and deletes the song file.
void CloseStartWindow();

// The whole program as a child process ------------------------------------

// The gift's executable — `givenPath` (ANSI) when not null, else gift.exe
// beside this benchmark or in the folder above it — copied into `folder`
// (created) below this benchmark's folder, as the gift writes its song beside
// itself. Returns the copy's path, or empty when there is none to copy.
std::wstring PrepareGift(const char* givenPath, const wchar_t* folder);

// One run of the gift as a process of its own.
class GiftProcess {
public:
    GiftProcess() = default;
    ~GiftProcess();
    GiftProcess(const GiftProcess&) = delete;
    GiftProcess& operator=(const GiftProcess&) = delete;

    // Starts it (with `arguments` after its path); false when CreateProcess fails.
    bool Start(const std::wstring& path, const std::wstring& arguments = L"");
    HANDLE Handle() const { return process_; }
    DWORD Id() const { return id_; }
    // A visible top-level window of the process whose size is width x height,
    // or nullptr.
    HWND FindWindowOfSize(int width, int height) const;
    // Waits until the start window (486 x 342, layered) is visible and its
    // picture is on the screen. The start window, or nullptr after timeoutMs.
    HWND WaitForStartWindow(DWORD timeoutMs);
    // Start then WaitForStartWindow(20 s): the start window, or nullptr after
    // saying in the output what failed (a process left running is ended).
    HWND StartAndWait(const std::wstring& path);
    // Asks the start window to close and waits for the process to end; kills
    // it if it does not. True when it ended by itself.
    bool Close(HWND startWindow, DWORD timeoutMs = 10000);

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// A click as the mouse gives it: move, press, release at client (x, y).
void PostClick(HWND window, int x, int y, bool right = false);

}  // namespace bench
