#pragma once
// The program's globals, runtime and toolkit as start-up leaves them, with the
// music going to a counter instead of a sound device, for tests of the gift.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/Countdown.h"
#include "app/PageForms.h"
#include "app/StartWindow.h"
#include "app/Startup.h"
#include "platform/audio/Mp3Decoder.h"
#include "runtime/Clock.h"
#include "runtime/Music.h"
#include "runtime/Picture.h"
#include "runtime/Program.h"
#include "tests/toolkit/host/HostTestSupport.h"
#include "toolkit/core/Text.h"

namespace apptest {

// Just the units the countdown tick uses, so the end can be reached without
// the show (a page of the test's own size holds them).
inline constexpr runtime::EventBinding kCountdownTickBinding[] = {
    {runtime::EventKind::Tick, gift::OnCountdownTick}};
inline const runtime::UnitDescription kCountdownUnits[] = {
    {.kind = runtime::UnitKind::Label, .name = "标签1", .id = gift::rose::kCountdownLine},
    {.kind = runtime::UnitKind::Timer,
     .name = "时钟1",
     .id = gift::rose::kCountdownTimer,
     .events = kCountdownTickBinding},
    {.kind = runtime::UnitKind::DrawingPanel, .name = "画板1", .id = gift::rose::kPanel},
};

// Samples the program has "played" since the fixture's set-up.
inline std::atomic<long long> samplesPlayed{0};

// Counts the samples instead of playing them: no sound device needed.
class CountingOutput : public audio::AudioOutput {
public:
    bool Open(int rate, int channels) override { return rate > 0 && channels > 0; }
    bool Write(const std::int16_t*, std::size_t count) override {
        samplesPlayed += static_cast<long long>(count);
        return !aborted_;
    }
    void Drain() override {}
    void Abort() override { aborted_ = true; }
    void Close() override {}

private:
    std::atomic<bool> aborted_{false};
};

inline std::unique_ptr<audio::AudioOutput> MakeCounting() {
    return std::make_unique<CountingOutput>();
}

// The samples one play of an MP3 gives.
inline long long SamplesIn(ByteBlock mp3) {
    audio::Mp3Decoder decoder;
    decoder.Feed(mp3.data, mp3.size);
    std::vector<std::int16_t> pcm(1 << 16);
    long long total = 0;
    for (;;) {
        std::size_t count = 0;
        if (decoder.Decode(pcm.data(), pcm.size(), count) != audio::Mp3Decoder::Status::Output)
            break;
        total += static_cast<long long>(count);
    }
    return total;
}

inline std::string ReadAll(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// RGB of a 0xAARRGGBB pixel.
inline std::uint32_t Rgb(std::uint32_t pixel) {
    return pixel & 0xFFFFFF;
}

// The share of the picture's opaque non-white pixels that `content` shows
// unchanged with the picture's top-left at `at` (white is drawn transparent).
inline double Match(const runtime::Picture& content, const runtime::Picture& picture, POINT at) {
    const auto& pixels = picture.FrameAt(0).pixels;
    const auto& shown = content.FrameAt(0).pixels;
    int counted = 0, same = 0;
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            const int cx = at.x + x, cy = at.y + y;
            if (cx < 0 || cy < 0 || cx >= content.Width() || cy >= content.Height()) continue;
            const std::uint32_t p = pixels[y * picture.Width() + x];
            if ((p >> 24) != 0xFF || Rgb(p) == 0xFFFFFF) continue;
            ++counted;
            same += Rgb(shown[cy * content.Width() + cx]) == Rgb(p);
        }
    }
    return counted ? static_cast<double>(same) / counted : 0.0;
}

// Pixels that differ from the background outside the given rectangles.
inline int ChangedOutside(const runtime::Picture& content, const runtime::Picture& background,
                          const std::vector<RECT>& covered) {
    const int w = content.Width(), h = content.Height();
    std::vector<bool> inside(static_cast<std::size_t>(w) * h, false);
    for (const RECT& r : covered)
        for (int y = std::max(0, int(r.top)); y < std::min(h, int(r.bottom)); ++y)
            for (int x = std::max(0, int(r.left)); x < std::min(w, int(r.right)); ++x)
                inside[static_cast<std::size_t>(y) * w + x] = true;
    const auto& shown = content.FrameAt(0).pixels;
    const auto& back = background.FrameAt(0).pixels;
    int changed = 0;
    for (std::size_t i = 0; i < inside.size(); ++i)
        changed += !inside[i] && Rgb(shown[i]) != Rgb(back[i]);
    return changed;
}

// A clock that never waits and lets a test look at a page at chosen moments.
class WatchedClock : public runtime::ManualClock {
public:
    // Called before each wait with the time waited so far.
    std::function<void(std::uint64_t)> beforeWait;
    void Wait(std::uint32_t ms) override {
        if (beforeWait) beforeWait(Waited());
        ManualClock::Wait(ms);
    }
};

// The runtime and the globals up under a clock that never waits: where the
// tests of a page's show start.
class ClockedFixture : public ::testing::Test {
protected:
    void SetUp() override {
        runtime::InitRuntime();
        CreateGlobals();
        if (!DefaultFont) StartToolkit();
        runtime::SetClock(&clock);
        gift::ProgramCounters() = {};
    }
    void TearDown() override {
        runtime::Quit();
        TeardownGlobals();
        runtime::SetClock(nullptr);
    }

    WatchedClock clock;
};

// Run once from inside a page's own message loop by a thread timer set with
// RunInPage as its procedure.
inline std::function<void()> inPage;
inline void CALLBACK RunInPage(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (inPage) std::exchange(inPage, nullptr)();
}

class GiftFixture : public ::testing::Test {
protected:
    void SetUp() override {
        hosttest::EnsureToolkit();
        runtime::InitRuntime();
        CreateGlobals();
        runtime::SetExitRoutine(TeardownGlobals);
        samplesPlayed = 0;
        runtime::SetAudioOutputFactory(MakeCounting);
        songPath = ToWide(gift::MusicPath());
    }
    void TearDown() override {
        runtime::Quit();  // destroys the forms, then releases the globals
        runtime::SetAudioOutputFactory(nullptr);
        DeleteFileW(songPath.c_str());
    }

    std::wstring songPath;  // beside the program
};

}  // namespace apptest
