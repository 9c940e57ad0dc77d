// Decoding speed of the music player's decoder, as a multiple of real time:
// seconds of audio decoded per second of work, by the wall clock and by the
// decoding thread's CPU time (fairer on a machine shared with other work).
// Each run decodes the whole song. Goal: at least 500 x real time.
//
//   bench_runtime_music [runs] [file.mp3]   (default 5 runs of the gift's song)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/Content.h"
#include "bench/BenchSupport.h"
#include "platform/audio/Mp3Decoder.h"

namespace {

std::vector<unsigned char> ReadAll(const char* path) {
    std::vector<unsigned char> bytes;
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    LARGE_INTEGER size;
    GetFileSizeEx(h, &size);
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    CloseHandle(h);
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::vector<unsigned char> bytes;
    if (argc > 2) {
        bytes = ReadAll(argv[2]);
    } else {
        const ByteBlock song = content::Song();
        bytes.assign(song.data, song.data + song.size);
    }
    if (bytes.empty()) {
        std::printf("no MP3 to decode\n");
        return 1;
    }
    bench::Series wall, cpu;
    std::vector<std::int16_t> pcm;
    double audioSeconds = 0;
    for (int run = 0; run <= runs; ++run) {
        int rate = 0, channels = 0;
        const double start = bench::NowMs(), cpuStart = bench::ThreadCpuMs();
        if (!audio::DecodeMp3(bytes.data(), bytes.size(), pcm, rate, channels)) {
            std::printf("the file does not decode\n");
            return 1;
        }
        const double wallMs = bench::NowMs() - start, cpuMs = bench::ThreadCpuMs() - cpuStart;
        audioSeconds = static_cast<double>(pcm.size()) / channels / rate;
        if (run == 0) continue;  // warm-up
        wall.Add(audioSeconds * 1000.0 / wallMs);
        // The CPU clock ticks in steps of several milliseconds.
        if (cpuMs > 0) cpu.Add(audioSeconds * 1000.0 / cpuMs);
    }
    std::printf(
        "runtime_music: %zu bytes, %.1f s of audio, %d runs: median %.0f x real time by the "
        "wall clock (min %.0f, max %.0f), %.0f x by CPU time\n",
        bytes.size(), audioSeconds, runs, wall.Median(), wall.Min(), wall.Max(), cpu.Median());
    bench::Figure("music_wall", "Song decoding speed (wall clock)", wall, "x real time", ">= 500");
    bench::Figure("music_cpu", "Song decoding speed (CPU time of the decoding thread)", cpu,
                  "x real time", ">= 500");
    return 0;
}
