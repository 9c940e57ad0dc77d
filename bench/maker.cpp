// Making a gift from a full folder: six 12-megapixel photographs (4032 x 3024
// phone JPEGs of about 6 MB, one stored sideways with EXIF orientation 6),
// both letters, the poem and a 10 MB song. The release gift.exe is run as the
// maker in a process of its own, as a giver runs it; its wall time and peak
// working set (a high-water mark, read every 100 ms while it runs and once
// more at its end) are the figures. Several runs.
//
//   bench_maker [runs] [path to gift.exe]   (default 3 runs)
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/Content.h"
#include "bench/BenchSupport.h"
#include "maker/JpegWriter.h"
#include "maker/Resample.h"

namespace {

void Write(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Something with a photograph's detail: smooth light, edges and grain.
std::string PhoneJpeg(int seed, bool sideways) {
    maker::Pixels p;
    p.width = 4032;
    p.height = 3024;
    p.data.resize(static_cast<std::size_t>(p.width) * p.height);
    unsigned noise = 12345u + static_cast<unsigned>(seed);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            noise = noise * 1103515245u + 12345u;
            const int grain = static_cast<int>((noise >> 16) & 31) - 16;
            const int r =
                std::clamp(x * 255 / p.width + grain + ((x / 97 + y / 89 + seed) % 2) * 40, 0, 255);
            const int g = std::clamp(y * 255 / p.height + grain, 0, 255);
            const int b = std::clamp(128 + grain * 2 + ((x * y / 4000) % 64), 0, 255);
            p.data[static_cast<std::size_t>(y) * p.width + x] =
                0xFF000000u | (r << 16) | (g << 8) | b;
        }
    std::string jpeg = maker::EncodeJpeg(p, 90);
    if (sideways) {
        // An EXIF block with orientation 6, as a phone held upright writes it.
        static const char exif[] =
            "\xFF\xE1\x00\x22"
            "Exif\0\0"
            "II*\0\x08\0\0\0"
            "\x01\0"
            "\x12\x01\x03\0\x01\0\0\0\x06\0\0\0"
            "\0\0\0\0";
        jpeg.insert(2, std::string(exif, sizeof exif - 1));
    }
    return jpeg;
}

std::string Repeat(const std::string& unit, std::size_t total) {
    std::string out;
    while (out.size() + unit.size() <= total) out += unit;
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::wstring gift = bench::PrepareGift(argc > 2 ? argv[2] : nullptr, L"maker-run");
    if (gift.empty()) {
        std::printf("maker: no gift.exe to start (give its path)\n");
        return 1;
    }
    const std::wstring dir = gift.substr(0, gift.find_last_of(L'\\'));
    const std::wstring folder = dir + L"\\我的礼物";
    CreateDirectoryW(folder.c_str(), nullptr);
    const wchar_t* photos[] = {L"start_background.jpg", L"fireworks_background.jpg",
                               L"words_background.jpg", L"letter_background.jpg",
                               L"picture_strip.jpg",    L"big_rose.jpg"};
    for (int i = 0; i < 6; ++i) Write(folder + L"\\" + photos[i], PhoneJpeg(i, i == 0));
    const std::string line = "七夕快乐，我想和你一起看每一年的星星。\r\n";
    Write(folder + L"\\letter1.txt", Repeat(line, 2000));
    Write(folder + L"\\letter2.txt", Repeat(line, 8000));
    Write(folder + L"\\poem.txt", Repeat("月光照在你的窗前\r\n", 20 * 18));
    // A 10 MB song: the frames of the gift's own song (128 kbit/s, 44.1 kHz),
    // without its tags, over and over.
    const ByteBlock own = content::Song();
    std::string frames(reinterpret_cast<const char*>(own.data), own.size);
    const auto* b = reinterpret_cast<const unsigned char*>(frames.data());
    const std::size_t tag = frames.compare(0, 3, "ID3") == 0
                                ? 10 + ((b[6] << 21) | (b[7] << 14) | (b[8] << 7) | b[9])
                                : 0;
    frames = frames.substr(
        tag, frames.size() - tag - (frames.compare(frames.size() - 128, 3, "TAG") == 0 ? 128 : 0));
    std::string song;
    for (std::size_t at = 0; song.size() < (10u << 20);) {
        const auto* h = reinterpret_cast<const unsigned char*>(frames.data()) + at;
        const std::size_t length = 144 * 128000 / 44100 + ((h[2] >> 1) & 1);
        song.append(frames, at, length);
        at += length;
        if (at + 4 > frames.size()) at = 0;
    }
    Write(folder + L"\\song.mp3", song);
    const std::wstring output = dir + L"\\我的礼物.exe";
    bench::Series seconds, peak;
    for (int run = 0; run < runs; ++run) {
        DeleteFileW(output.c_str());
        std::wstring command =
            L"\"" + gift + L"\" --no-window \"" + folder + L"\" \"" + output + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        const double start = bench::NowMs();
        if (!CreateProcessW(gift.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            dir.c_str(), &si, &pi)) {
            std::printf("maker: cannot start %ls\n", gift.c_str());
            return 1;
        }
        SIZE_T highest = 0;
        while (WaitForSingleObject(pi.hProcess, 100) == WAIT_TIMEOUT) {
            PROCESS_MEMORY_COUNTERS c{};
            c.cb = sizeof c;
            if (GetProcessMemoryInfo(pi.hProcess, &c, sizeof c))
                highest = std::max(highest, c.PeakWorkingSetSize);
        }
        const double elapsed = bench::NowMs() - start;
        PROCESS_MEMORY_COUNTERS c{};
        c.cb = sizeof c;
        if (GetProcessMemoryInfo(pi.hProcess, &c, sizeof c))
            highest = std::max(highest, c.PeakWorkingSetSize);
        DWORD code = 1;
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        if (code != 0) {
            std::printf("maker: the maker failed (exit %lu)\n", code);
            return 1;
        }
        seconds.Add(elapsed / 1000.0);
        peak.Add(static_cast<double>(highest) / (1024.0 * 1024.0));
        std::printf("run %d: %.2f s, peak working set %.1f MB\n", run + 1, elapsed / 1000.0,
                    static_cast<double>(highest) / (1024.0 * 1024.0));
    }
    bench::Figure("maker_time", "Making a gift: six 12 MP photos, letters, poem, 10 MB song",
                  seconds, "s", "<= 5");
    bench::Figure("maker_memory", "  peak working set of the maker while it makes that gift", peak,
                  "MB", "<= 300");
    DeleteFileW(output.c_str());
    return 0;
}
