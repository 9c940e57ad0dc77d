// What the whole program costs while it mostly waits: the release gift.exe,
// copied into a folder of its own, is started as a real process and driven
// through one run with posted mouse messages. The process's CPU time (user
// plus kernel, GetProcessTimes) is read over 20 s windows, as a percentage of
// one core:
//
//   start     the start window after start-up, the song playing when there is
//             a sound device (without one the player gives up at once)
//   fireworks the fireworks page from its opening click (its first round of
//             35 decodes included)
//   delay     the rose page's 30-second delay after its show: from when the
//             flower rows appear, second 1 to 21
//   rain      the flower rain that comes before the countdown (the countdown
//             itself is one tick that ends the program): seconds 33 to 53
//
// Each window is also given as four 5 s slices (min and max in the table).
// The rose page's show runs at its real pace first (about two minutes), so
// one run takes about four minutes. Wine's own server and the X server work
// for the program in processes of their own: not counted here.
//
//   bench_idle_cpu [seconds per window] [path to gift.exe]   (default 20)
//   bench_idle_cpu --start-only [seconds] [path]   the start window alone
//   bench_idle_cpu --fireworks-only [seconds] [path]   the fireworks page alone
//   bench_idle_cpu --sound-floor [seconds]   no gift: this process plays silence
//             at the song's format through the player's own output, the
//             figure per second of sound being what the system's sound path
//             costs without any decoding
//
// With GIFT_SONG_CAPTURE naming the (Linux) file into which the sound device
// writes what it plays, 44.1 kHz 16-bit stereo, the start window's figure is
// also given per second of song played: tools/bench.sh runs idle_song so,
// with ALSA's null device, which takes the sound faster than real time.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cctype>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchSupport.h"
#include "platform/audio/AudioOutput.h"

namespace {

// Page buttons on the start window: 玫瑰盛宴 81 x 24 at (24, 296), 爱的烟花
// 82 x 24 at (141, 296).
constexpr POINT kRoseButton{24 + 40, 296 + 12};
constexpr POINT kFireworksButton{141 + 41, 296 + 12};

// Under Wine, GetProcessTimes of another process does not count its threads'
// time, so the figures come from the Linux side: /proc/<pid>/stat of the Wine
// process that runs the program (found by the copy's whole path in its command
// line: other worktrees may run a copy of their own in a folder of the same
// name at the same time), user plus system
// time in clock ticks of 10 ms. On Windows, where there is no /proc, from
// GetProcessTimes.
std::string ReadWhole(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    CloseHandle(file);
    return text;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The /proc entry of the Linux process whose command line names `program`
// (compared without case and without its drive), or empty.
std::string FindLinuxProcess(const std::wstring& program) {
    std::string path;
    for (wchar_t c : program.substr(program.find(L':') + 1))
        path += static_cast<char>(std::tolower(c < 128 ? static_cast<int>(c) : '?'));
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE) return {};
    std::string result;
    do {
        const std::string name = found.cFileName;
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string entry = "Z:\\proc\\" + name;
        std::string line = Lower(ReadWhole(entry + "\\cmdline"));
        std::replace(line.begin(), line.end(), '/', '\\');
        if (line.find(path) != std::string::npos) {
            result = entry;
            break;
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return result;
}

double CpuMs(HANDLE process, const std::string& linuxEntry) {
    if (!linuxEntry.empty()) {
        const std::string stat = ReadWhole(linuxEntry + "\\stat");
        // Fields after the command's closing parenthesis: state is field 3,
        // utime field 14 and stime field 15.
        const std::size_t close = stat.rfind(')');
        if (close != std::string::npos) {
            std::size_t at = close + 2;
            unsigned long long ticks = 0;
            for (int field = 3; field <= 15 && at < stat.size(); ++field) {
                const std::size_t end = stat.find(' ', at);
                if (field >= 14) ticks += std::strtoull(stat.c_str() + at, nullptr, 10);
                at = end == std::string::npos ? stat.size() : end + 1;
            }
            return static_cast<double>(ticks) * 10.0;
        }
    }
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    auto ms = [](FILETIME t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) /
               10000.0;
    };
    return ms(kernel) + ms(user);
}

// The process's CPU over `seconds`, as per cent of one core: the whole window
// first, then its slices of 5 s.
bench::Series Measure(HANDLE process, const std::string& entry, int seconds, double* whole) {
    bench::Series slices;
    const double start = bench::NowMs(), cpuStart = CpuMs(process, entry);
    double sliceStart = start, sliceCpu = cpuStart;
    for (int s = 5; s <= seconds; s += 5) {
        Sleep(static_cast<DWORD>(std::max(0.0, start + s * 1000.0 - bench::NowMs())));
        const double now = bench::NowMs(), cpu = CpuMs(process, entry);
        slices.Add(100.0 * (cpu - sliceCpu) / (now - sliceStart));
        sliceStart = now;
        sliceCpu = cpu;
    }
    *whole = 100.0 * (sliceCpu - cpuStart) / (sliceStart - start);
    return slices;
}

void Report(const char* key, const char* what, const char* goal, double whole,
            const bench::Series& slices) {
    std::printf("  %-44s %6.2f %% of a core (5 s slices %.2f .. %.2f)\n", what, whole, slices.Min(),
                slices.Max());
    // The table's median column holds the whole window's figure; min and max
    // are its slices'.
    std::printf("FIGURE\t%s\t%s\t%.3g\t%.3g\t%.3g\t\t%% of a core\t%s\n", key, what, whole,
                slices.Min(), slices.Max(), goal);
}

int VisibleChildren(HWND window) {
    int count = 0;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM counter) {
            if (IsWindowVisible(child)) ++*reinterpret_cast<int*>(counter);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

// The size of a Linux file seen through Wine's drive Z:, or -1.
long long LinuxFileBytes(const char* path) {
    std::string windows = std::string("Z:") + path;
    std::replace(windows.begin(), windows.end(), '/', '\\');
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(windows.c_str(), GetFileExInfoStandard, &data)) return -1;
    return static_cast<long long>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

template <typename Fn>
bool WaitUntil(DWORD timeoutMs, Fn done) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(50);
    }
    return true;
}

// Silence written through the player's output as fast as the device takes it,
// measured like the gift: the system's own cost of playing sound.
int SoundFloor(int seconds) {
    std::unique_ptr<audio::AudioOutput> output = audio::CreateWaveOutput();
    if (!output->Open(44100, 2)) {
        std::printf("sound floor: no sound device\n");
        return 1;
    }
    std::atomic<bool> stop{false};
    std::atomic<long long> frames{0};
    std::thread writer([&] {
        const std::vector<std::int16_t> silence(audio::kWaveBufferFrames * 2, 0);
        while (!stop && output->Write(silence.data(), silence.size()))
            frames += static_cast<long long>(audio::kWaveBufferFrames);
    });
    Sleep(1000);
    const long long before = frames;
    const double start = bench::NowMs();
    double whole = 0;
    const bench::Series slices = Measure(GetCurrentProcess(), "Z:\\proc\\self", seconds, &whole);
    const double pace =
        static_cast<double>(frames - before) / 44100.0 / ((bench::NowMs() - start) / 1000.0);
    stop = true;
    output->Abort();
    writer.join();
    output->Close();
    std::printf("sound floor: silence at 44.1 kHz stereo, played at %.2f x real time\n", pace);
    if (pace <= 0) return 1;
    bench::Series perSecond;
    for (double v : slices.Values()) perSecond.Add(v / pace);
    Report("song_floor", "  for comparison: silence through the same output (Wine's floor)", "",
           whole / pace, perSecond);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--sound-floor")
        return SoundFloor(argc > 2 ? std::max(5, std::atoi(argv[2]) / 5 * 5) : 20);
    const bool startOnly = argc > 1 && std::string(argv[1]) == "--start-only";
    const bool fireworksOnly = argc > 1 && std::string(argv[1]) == "--fireworks-only";
    if (startOnly || fireworksOnly) {
        --argc;
        ++argv;
    }
    const int seconds = argc > 1 ? std::max(5, std::atoi(argv[1]) / 5 * 5) : 20;
    const std::wstring copy = bench::PrepareGift(argc > 2 ? argv[2] : nullptr, L"idle-run");
    if (copy.empty()) {
        std::printf("idle_cpu: no gift.exe to start (give its path)\n");
        return 1;
    }
    std::printf("idle_cpu: %ls, windows of %d s\n", copy.c_str(), seconds);
    bench::GiftProcess process;
    HWND window = process.StartAndWait(copy);
    if (!window) return 1;
    const HANDLE handle = process.Handle();
    const std::string entry = FindLinuxProcess(copy);
    std::printf("  CPU time from %s\n",
                entry.empty() ? "GetProcessTimes" : (entry + "\\stat").c_str());
    Sleep(1000);
    const char* capture = std::getenv("GIFT_SONG_CAPTURE");
    const long long playedBefore = capture ? LinuxFileBytes(capture) : -1;
    const double measureStart = bench::NowMs();
    double whole = 0;
    bench::Series slices = Measure(handle, entry, fireworksOnly ? 5 : seconds, &whole);
    const long long playedAfter = capture ? LinuxFileBytes(capture) : -1;
    // Into a device faster than real time the raw figure has no goal: the
    // figure per second of song below carries it.
    if (startOnly)
        Report("idle_song", "Whole program, start window, song playing", "", whole, slices);
    else if (!fireworksOnly)
        Report("idle_start", "Whole program, start window at rest", "<= 2", whole, slices);
    if (startOnly) {
        if (playedBefore >= 0 && playedAfter > playedBefore) {
            // 44.1 kHz, 16-bit stereo: 176,400 bytes a second of song.
            const double pace = static_cast<double>(playedAfter - playedBefore) / 176400.0 /
                                ((bench::NowMs() - measureStart) / 1000.0);
            std::printf("  the song played at %.2f x real time\n", pace);
            bench::Series perSong;
            for (double v : slices.Values()) perSong.Add(v / pace);
            Report("idle_song_real", "  the same per second of song (at real time)", "<= 2",
                   whole / pace, perSong);
        } else {
            std::printf("  no sound was captured (no device: the player gave up)\n");
        }
        process.Close(window);
        return 0;
    }
    bench::PostClick(window, kFireworksButton.x, kFireworksButton.y);
    slices = Measure(handle, entry, seconds, &whole);
    HWND page = process.FindWindowOfSize(640, 480);
    if (!page) {
        std::printf("  the fireworks page did not open\n");
        process.Close(window);
        return 1;
    }
    Report("cpu_fireworks", "Whole program, fireworks page running", "<= 10", whole, slices);
    bench::PostClick(page, 320, 240, true);
    if (!WaitUntil(5000, [&] { return !process.FindWindowOfSize(640, 480); }))
        std::printf("  the fireworks page stayed open\n");
    Sleep(1000);
    if (fireworksOnly) {
        process.Close(window);
        return 0;
    }

    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    bench::PostClick(window, kRoseButton.x, kRoseButton.y);
    HWND rose = nullptr;
    if (!WaitUntil(10000, [&] { return (rose = process.FindWindowOfSize(screenW, screenH)); })) {
        std::printf("  the rose page did not open\n");
        process.Close(window);
        return 1;
    }
    const int before = VisibleChildren(rose);
    const double showStart = bench::NowMs();
    // The flower rows (12 copies of the three flower boxes) appear just after
    // the delay timer starts.
    if (!WaitUntil(600000, [&] { return VisibleChildren(rose) >= before + 12; })) {
        std::printf("  the rose page's show did not end within 10 minutes\n");
        process.Close(window);
        return 1;
    }
    const double rows = bench::NowMs();
    std::printf("  the rose page's show took %.1f s\n", (rows - showStart) / 1000.0);
    Sleep(1000);
    slices = Measure(handle, entry, seconds, &whole);
    Report("idle_delay", "Whole program, rose page's 30-second delay", "<= 2", whole, slices);
    Sleep(static_cast<DWORD>(std::max(0.0, rows + 33000.0 - bench::NowMs())));
    slices = Measure(handle, entry, seconds, &whole);
    Report("idle_rain", "Whole program, flower rain before the countdown", "<= 2", whole, slices);
    const bool ended = WaitForSingleObject(handle, 120000) == WAIT_OBJECT_0;
    std::printf("  the countdown %s the program\n", ended ? "ended" : "did not end");
    if (!ended) process.Close(window);
    return 0;
}
