// Decoding speed of the music player's decoder, as a multiple of real time:
// seconds of audio decoded per second of work.
//
//   bench_runtime_music [file.mp3]
// Without a file it decodes the gift's song (app/content/song.mp3, found above
// the executable), else the test tone (tests/data/tone_1s.mp3), over and over:
// at least a minute of audio in all.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/audio/Mp3Decoder.h"

namespace {

double ThreadCpuMs() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    auto ms = [](FILETIME t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) /
               10000.0;
    };
    return ms(kernel) + ms(user);
}

double NowMs() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

std::vector<unsigned char> ReadAll(const std::wstring& path) {
    std::vector<unsigned char> bytes;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
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

// A file of the source tree, looked for in the folders above the executable.
std::wstring FindAbove(const wchar_t* relative) {
    wchar_t module[MAX_PATH];
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring dir(module);
    for (int up = 0; up < 6 && dir.find_last_of(L'\\') != std::wstring::npos; ++up) {
        dir.resize(dir.find_last_of(L'\\'));
        std::wstring candidate = dir + L"\\" + relative;
        if (GetFileAttributesW(candidate.c_str()) != INVALID_FILE_ATTRIBUTES) return candidate;
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    std::wstring path;
    if (argc > 1) {
        path.resize(MAX_PATH);
        path.resize(static_cast<size_t>(
            MultiByteToWideChar(CP_ACP, 0, argv[1], -1, path.data(), MAX_PATH) - 1));
    } else {
        path = FindAbove(L"app\\content\\song.mp3");
        if (path.empty()) path = FindAbove(L"tests\\data\\tone_1s.mp3");
    }
    std::printf("input: %ls\n", path.c_str());
    std::vector<unsigned char> bytes = ReadAll(path);
    if (bytes.empty()) {
        std::printf("no MP3 to decode (give a path)\n");
        return 1;
    }
    double audioSeconds = 0, workMs = 0, cpuStart = ThreadCpuMs();
    int runs = 0;
    std::vector<std::int16_t> pcm;
    while (audioSeconds < 60.0 || runs < 3) {
        int rate = 0, channels = 0;
        double start = NowMs();
        if (!audio::DecodeMp3(bytes.data(), bytes.size(), pcm, rate, channels)) {
            std::printf("the file does not decode\n");
            return 1;
        }
        workMs += NowMs() - start;
        audioSeconds += static_cast<double>(pcm.size()) / channels / rate;
        ++runs;
    }
    double cpuMs = ThreadCpuMs() - cpuStart;
    std::printf(
        "mp3 decode: %.1f s of audio in %.1f ms wall (%.1f ms CPU) over %d runs: "
        "%.0f x real time by wall clock, %.0f x by CPU time\n",
        audioSeconds, workMs, cpuMs, runs, audioSeconds * 1000.0 / workMs,
        audioSeconds * 1000.0 / cpuMs);
    return 0;
}
