// Soak: the gift's real start window in this process, then the fireworks page
// for many frames and every other page opened and closed many times, checking
// that private memory, GDI objects and USER objects stay flat.
//
//   bench_soak [fireworks frames, default 10000] [openings per page, default 50]
//   (the fireworks page is opened once for all its frames, then as often as
//   the other pages)
//
// Every page is opened by clicking its button on the start window, so each
// runs its own modal loop; a thread timer drives it from inside that loop:
// - fireworks: every tick sends the running frame timer its WM_TIMER, so the
//   page shows its next frame (decode, compose, present) through its own
//   handler without waiting 50 ms per frame; then a right click closes it.
//   Then it is opened and closed again as often as the other pages, showing
//   a few frames each time;
// - rose: its show runs under a clock that never waits (the runtime's clock
//   seam); every other opening is closed with a right click somewhere in the
//   show, the rest after it. The program-wide delay count is
//   reset before each opening, so the openings never reach the flower rain
//   and the countdown that end the program;
// - words: after a few ticks of scrolling the poem is moved to its last
//   step, so the page's own tick shows the start window again and closes it;
// - letter: the button shows the second letter; the first is put back after
//   each click so every click replaces the text.
// The music goes to a counter instead of a sound device.
//
// Figures are sampled every 500 frames and after each opening. After a
// warm-up each series must stay within 2 MB of private memory and 5 GDI and
// 5 USER objects; otherwise the exit code is 1.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bench/BenchSupport.h"
#include "app/AppObjects.h"
#include "app/Content.h"
#include "app/Countdown.h"
#include "app/PageForms.h"
#include "app/StartForm.h"
#include "app/Startup.h"
#include "platform/ProcessStats.h"
#include "platform/audio/AudioOutput.h"
#include "runtime/Clock.h"
#include "runtime/Form.h"
#include "runtime/Music.h"
#include "runtime/Program.h"
#include "runtime/Services.h"
#include "toolkit/core/Toolkit.h"

namespace {

using runtime::UnitRef;

constexpr double kMegabyte = 1024.0 * 1024.0;
constexpr double kMemoryLimit = 2.0 * kMegabyte;
constexpr int kObjectLimit = 5;
constexpr int kFramesPerSample = 500;
constexpr int kFramesPerOpening = 5;

class CountingOutput : public audio::AudioOutput {
public:
    bool Open(int rate, int channels) override { return rate > 0 && channels > 0; }
    bool Write(const std::int16_t*, std::size_t) override { return !aborted_; }
    void Drain() override {}
    void Abort() override { aborted_ = true; }
    void Close() override {}

private:
    std::atomic<bool> aborted_{false};
};

std::unique_ptr<audio::AudioOutput> MakeCounting() {
    return std::make_unique<CountingOutput>();
}

// ---- series -------------------------------------------------------------------

struct Sample {
    int step;  // frames shown or openings done
    procstats::Snapshot figures;
};

struct Series {
    const char* name;
    const char* stepName;
    int warmUp;  // samples left out of the check
    std::vector<Sample> samples;
    bool flat = true;
};

void Record(Series& series, int step) {
    const Sample sample{step, procstats::Take()};
    series.samples.push_back(sample);
    std::printf("  %-9s %6d  private %8.2f MB  GDI %5d  USER %4d\n", series.stepName, step,
                sample.figures.privateBytes / kMegabyte, sample.figures.gdiObjects,
                sample.figures.userObjects);
    std::fflush(stdout);
}

// The spread of the samples after the warm-up.
void Judge(Series& series) {
    if (series.samples.size() <= static_cast<std::size_t>(series.warmUp)) return;
    double lowMemory = 1e18, highMemory = 0;
    int lowGdi = 1 << 30, highGdi = 0, lowUser = 1 << 30, highUser = 0;
    for (std::size_t i = series.warmUp; i < series.samples.size(); ++i) {
        const procstats::Snapshot& f = series.samples[i].figures;
        lowMemory = std::min(lowMemory, static_cast<double>(f.privateBytes));
        highMemory = std::max(highMemory, static_cast<double>(f.privateBytes));
        lowGdi = std::min(lowGdi, f.gdiObjects);
        highGdi = std::max(highGdi, f.gdiObjects);
        lowUser = std::min(lowUser, f.userObjects);
        highUser = std::max(highUser, f.userObjects);
    }
    series.flat = highMemory - lowMemory <= kMemoryLimit && highGdi - lowGdi <= kObjectLimit &&
                  highUser - lowUser <= kObjectLimit;
    const procstats::Snapshot& first = series.samples[series.warmUp].figures;
    const procstats::Snapshot& last = series.samples.back().figures;
    std::printf(
        "%-18s after %d warm-up samples: private %.2f -> %.2f MB (spread %.2f MB), "
        "GDI %d -> %d (spread %d), USER %d -> %d (spread %d): %s\n",
        series.name, series.warmUp, first.privateBytes / kMegabyte, last.privateBytes / kMegabyte,
        (highMemory - lowMemory) / kMegabyte, first.gdiObjects, last.gdiObjects, highGdi - lowGdi,
        first.userObjects, last.userObjects, highUser - lowUser, series.flat ? "flat" : "NOT FLAT");
}

// ---- driving a page from inside its loop --------------------------------------

// Called on every tick of a thread timer while the page's loop runs; returns
// false when it has nothing more to do.
std::function<bool()> driver;
DWORD driverStarted = 0;
DWORD driverTimeLimit = 0;  // ms; a page still open then is taken as hung

void CALLBACK DriverTick(HWND, UINT, UINT_PTR id, DWORD) {
    if (GetTickCount() - driverStarted > driverTimeLimit) {
        std::printf("soak: a page did not close within %lu s\n", driverTimeLimit / 1000);
        std::fflush(stdout);
        ExitProcess(2);
    }
    if (!driver || !driver()) {
        KillTimer(nullptr, id);
        driver = nullptr;
    }
}

// Clicks a page button with the mouse messages the host handles; a page
// button's handler returns when its page has closed.
void Click(PushButton& button) {
    const HWND window = gift::App().startHost.hwnd;
    const RectF& r = button.rect;
    const LPARAM centre =
        MAKELPARAM(static_cast<int>(r.X + r.Width / 2), static_cast<int>(r.Y + r.Height / 2));
    SendMessageW(window, WM_MOUSEMOVE, 0, centre);
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, centre);
    SendMessageW(window, WM_LBUTTONUP, 0, centre);
}

void OpenPage(int button, std::function<bool()> drive, DWORD timeLimit = 60000) {
    driver = std::move(drive);
    driverStarted = GetTickCount();
    driverTimeLimit = timeLimit;
    SetTimer(nullptr, 0, USER_TIMER_MINIMUM, DriverTick);
    Click(gift::App().pageButtons[button]);
    driver = nullptr;    // a page closed in its show leaves its driver unused
    bench::PumpFor(30);  // what the closing left queued
}

void RightClick(UnitRef page) {
    const HWND window = runtime::FormWindowHandle(page);
    PostMessageW(window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(100, 100));
    PostMessageW(window, WM_RBUTTONUP, 0, MAKELPARAM(100, 100));
}

// ---- the pages ----------------------------------------------------------------

// The soak as steps, one per turn of the program's own message loop: a closed
// page's form is released by the next turn of that loop, so figures are taken
// in the step after an opening, as the program would hold them.
std::vector<std::function<void()>> steps;
std::size_t nextStep = 0;
UINT_PTR stepTimer = 0;

void CALLBACK StepTick(HWND, UINT, UINT_PTR, DWORD) {
    // Not again while a step runs a page's loop.
    KillTimer(nullptr, stepTimer);
    if (nextStep == steps.size()) {
        runtime::DestroyForm(runtime::FindForm(gift::kStartFormId));
        return;
    }
    steps[nextStep++]();
    stepTimer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, StepTick);
}

struct FrameTimes {
    std::vector<double> ms;
};

void OpenFireworks(Series& series, int frames, FrameTimes& times) {
    int shown = 0;
    OpenPage(
        1,
        [&series, &times, &shown, frames] {
            const UnitRef page = runtime::FindForm(gift::kFireworksPageId);
            if (!page || runtime::IsClosing(page)) return true;
            if (shown >= frames) {
                RightClick(page);
                return false;
            }
            for (std::uint32_t k = 1; k <= gift::fireworks::kFrameTimers; ++k) {
                const UnitRef timer = runtime::FindUnit(page, k);
                if (runtime::FormProperty(timer, runtime::kCaptionOrInterval) <= 0) continue;
                const double start = bench::NowMs();
                SendMessageW(runtime::FormWindowHandle(timer), WM_TIMER, 1000, 0);
                times.ms.push_back(bench::NowMs() - start);
                if (++shown % kFramesPerSample == 0) Record(series, shown);
                break;
            }
            return true;
        },
        60000 + static_cast<DWORD>(frames) * 1000);
}

// A clock that never waits and, when asked, right-clicks the rose page once
// the show has waited that long: the user closing it in the middle.
class RoseClock : public runtime::ManualClock {
public:
    explicit RoseClock(std::uint64_t closeAfter) : closeAfter_(closeAfter) {}
    void Wait(std::uint32_t ms) override {
        ManualClock::Wait(ms);
        if (Waited() < closeAfter_) return;
        closeAfter_ = UINT64_MAX;
        if (const UnitRef page = runtime::FindForm(gift::kRosePageId)) RightClick(page);
    }

private:
    std::uint64_t closeAfter_;
};

// Odd openings run the whole show and close with the flower rows up; even
// ones are closed at a different moment of the show each time.
void OpenRose(int n) {
    gift::ProgramCounters() = {};
    RoseClock clock(n % 2 ? UINT64_MAX : 500 + (static_cast<std::uint64_t>(n) * 2711) % 60000);
    runtime::SetClock(&clock);
    OpenPage(0, [] {
        const UnitRef page = runtime::FindForm(gift::kRosePageId);
        if (page && !runtime::IsClosing(page)) RightClick(page);
        return false;
    });
    runtime::SetClock(nullptr);
}

void OpenWords() {
    OpenPage(2, [] {
        const UnitRef page = runtime::FindForm(gift::kWordsPageId);
        if (!page || runtime::IsClosing(page)) return true;
        const UnitRef panel = runtime::FindUnit(page, gift::words::kPanel);
        if (runtime::FormProperty(panel, runtime::kTop) > runtime::ScreenHeight() - 15)
            return true;  // let it scroll a few steps first
        runtime::MoveControl(panel, std::nullopt, 5 - gift::words::kPanelHeight);
        return false;
    });
}

void ShowSecondLetter() {
    gift::AppObjects& app = gift::App();
    Click(app.pageButtons[3]);
    bench::PumpFor(30);
    app.letterBox.Text(std::string(content::FirstLetter()));
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(p * values.size()))];
}

int Argument(int argc, char** argv, int index, int fallback) {
    if (argc <= index) return fallback;
    const int value = std::atoi(argv[index]);
    return value > 0 ? value : fallback;
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = Argument(argc, argv, 1, 10000);
    const int openings = Argument(argc, argv, 2, 50);
    const double started = bench::NowMs();

    // The program's own start-up; the soak runs from its message loop.
    runtime::InitRuntime();
    CreateGlobals();
    runtime::SetExitRoutine(TeardownGlobals);
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    ApplicationGdiplusToken = token;
    StartToolkit();
    runtime::SetAudioOutputFactory(MakeCounting);
    if (!runtime::LoadForm(gift::StartForm()) || !gift::App().startHost.hwnd) {
        std::printf("soak: the start window did not open\n");
        return 2;
    }

    Series fireworks{"fireworks", "frame", 2, {}};
    Series reopened{"fireworks reopened", "opening", 5, {}};
    Series rose{"rose", "opening", 5, {}};
    Series words{"words", "opening", 5, {}};
    Series letter{"letter", "opening", 5, {}};
    FrameTimes times;
    procstats::Snapshot atStart;
    double phaseStart = 0;
    std::vector<std::pair<const char*, double>> durations;
    auto phase = [&](const char* name, const char* heading, int count) {
        steps.push_back([&durations, &phaseStart, name, heading, count] {
            if (!durations.empty()) durations.back().second = bench::NowMs() - phaseStart;
            durations.push_back({name, 0});
            phaseStart = bench::NowMs();
            if (heading) std::printf(heading, count);
            std::fflush(stdout);
        });
    };

    steps.push_back([] { bench::PumpFor(300); });
    steps.push_back([&atStart] {
        runtime::WaitForMusicEnd(60000);  // the song is decoded as fast as it goes
        atStart = procstats::Take();
        std::printf("start window open: private %.2f MB, GDI %d, USER %d%s\n",
                    atStart.privateBytes / kMegabyte, atStart.gdiObjects, atStart.userObjects,
                    procstats::CountedDirectly() ? " (objects counted directly under Wine)" : "");
    });
    phase("fireworks", "fireworks page, %d frames\n", frames);
    steps.push_back([&] { OpenFireworks(fireworks, frames, times); });
    steps.push_back([] {
        const procstats::Snapshot closed = procstats::Take();
        std::printf("fireworks page closed: private %.2f MB, GDI %d, USER %d\n",
                    closed.privateBytes / kMegabyte, closed.gdiObjects, closed.userObjects);
    });
    phase("reopened", "fireworks page, %d openings of a few frames\n", openings);
    for (int n = 1; n <= openings; ++n) {
        steps.push_back([&] { OpenFireworks(fireworks, kFramesPerOpening, times); });
        steps.push_back([&reopened, n] { Record(reopened, n); });
    }
    phase("rose", "rose page, %d openings\n", openings);
    for (int n = 1; n <= openings; ++n) {
        steps.push_back([n] { OpenRose(n); });
        steps.push_back([&rose, n] { Record(rose, n); });
    }
    phase("words", "words page, %d openings\n", openings);
    for (int n = 1; n <= openings; ++n) {
        steps.push_back(OpenWords);
        steps.push_back([&words, n] { Record(words, n); });
    }
    phase("letter", "second letter, %d times\n", openings);
    for (int n = 1; n <= openings; ++n) {
        steps.push_back(ShowSecondLetter);
        steps.push_back([&letter, n] { Record(letter, n); });
    }
    phase("end", nullptr, 0);
    procstats::Snapshot atEnd;
    steps.push_back([&atEnd] { atEnd = procstats::Take(); });

    stepTimer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, StepTick);
    runtime::RunMessageLoop();
    if (nextStep != steps.size()) {
        std::printf("soak: the start window closed before the soak ended\n");
        return 2;
    }

    std::printf("\n");
    bool flat = true;
    for (Series* series : {&fireworks, &reopened, &rose, &words, &letter}) {
        Judge(*series);
        flat = flat && series->flat;
    }
    std::printf(
        "fireworks frame through the page's handler: median %.2f ms, 99th percentile %.2f ms "
        "(%zu frames)\n",
        Percentile(times.ms, 0.5), Percentile(times.ms, 0.99), times.ms.size());
    std::printf("time per part:");
    for (std::size_t i = 0; i + 1 < durations.size(); ++i)
        std::printf(" %s %.1f s", durations[i].first, durations[i].second / 1000.0);
    std::printf("\n");
    std::printf(
        "whole run: private %.2f -> %.2f MB, GDI %d -> %d, USER %d -> %d, peak working set "
        "%.1f MB, %.1f s\n",
        atStart.privateBytes / kMegabyte, atEnd.privateBytes / kMegabyte, atStart.gdiObjects,
        atEnd.gdiObjects, atStart.userObjects, atEnd.userObjects, atEnd.peakWorkingSet / kMegabyte,
        (bench::NowMs() - started) / 1000.0);
    std::printf("%s\n", flat ? "soak: flat" : "soak: NOT FLAT");
    std::fflush(stdout);

    runtime::Quit();
    runtime::SetAudioOutputFactory(nullptr);
    return flat ? 0 : 1;
}
