// What the recipient hears: the player streams through the real waveOut path
// into Wine's ALSA driver, whose default device in this test's environment
// writes everything it is given to a WAV file over the null device (see
// tests/CMakeLists.txt). The null device never waits, so the sound arrives
// a few times faster than real time.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Handle.h"
#include "platform/audio/AudioOutput.h"
#include "platform/audio/Mp3Decoder.h"
#include "runtime/Music.h"
#include "runtime/Services.h"
#include "runtime/Text.h"
#include "tests/support/TestData.h"

using namespace runtime;

namespace {

// A Unix path from the environment, as Wine's Z: drive shows it.
std::wstring WinePathFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (!value || *value != '/') return {};
    std::wstring path = L"Z:";
    for (const char* p = value; *p; ++p) path += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
    return path;
}

std::vector<unsigned char> ReadBytes(const std::wstring& path) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::vector<unsigned char> bytes;
    if (!file) return bytes;
    LARGE_INTEGER size{};
    GetFileSizeEx(file.get(), &size);
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty())
        ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    return bytes;
}

long long FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

struct Sound {
    int rate = 0;
    int channels = 0;
    int bits = 0;
    std::vector<std::int16_t> samples;
    std::size_t Frames() const { return channels ? samples.size() / channels : 0; }
};

// The capture: a WAV file whose data chunk runs to the end of the file (its
// length field is only right once the device has been closed).
Sound ReadWav(const std::vector<unsigned char>& bytes) {
    Sound s;
    auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                          bytes[at + 3] << 24);
    };
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) ||
        std::memcmp(bytes.data() + 8, "WAVE", 4))
        return s;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        std::uint32_t size = u32(at + 4);
        if (!std::memcmp(bytes.data() + at, "fmt ", 4) && at + 24 <= bytes.size()) {
            s.channels = bytes[at + 10] | bytes[at + 11] << 8;
            s.rate = static_cast<int>(u32(at + 12));
            s.bits = bytes[at + 22] | bytes[at + 23] << 8;
        } else if (!std::memcmp(bytes.data() + at, "data", 4)) {
            std::size_t count = (bytes.size() - (at + 8)) / 2;
            s.samples.resize(count);
            std::memcpy(s.samples.data(), bytes.data() + at + 8, count * 2);
            break;
        }
        at += 8 + size + (size & 1);
    }
    return s;
}

Sound Decode(const ByteBlock& mp3) {
    Sound s;
    s.bits = 16;
    audio::DecodeMp3(mp3.data, mp3.size, s.samples, s.rate, s.channels);
    return s;
}

// Normalised correlation of `frames` frames of a from frame `atA` and b from
// frame `atB` (same channel count).
double Correlation(const Sound& a, std::size_t atA, const Sound& b, std::size_t atB,
                   std::size_t frames) {
    const std::size_t c = static_cast<std::size_t>(a.channels);
    frames = std::min(
        {frames, a.Frames() - std::min(atA, a.Frames()), b.Frames() - std::min(atB, b.Frames())});
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t i = 0; i < frames * c; ++i) {
        double x = a.samples[atA * c + i], y = b.samples[atB * c + i];
        ab += x * y;
        aa += x * x;
        bb += y * y;
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0.0;
}

// First frame at or after `from` in which some channel is clearly audible.
std::size_t Onset(const Sound& s, std::size_t from) {
    const std::size_t c = static_cast<std::size_t>(s.channels);
    for (std::size_t f = from; f < s.Frames(); ++f)
        for (std::size_t k = 0; k < c; ++k)
            if (std::abs(s.samples[f * c + k]) > 256) return f;
    return s.Frames();
}

// The frame of `heard` at which `song` starts, searched from `from`: the
// onsets lined up, then the best of a few frames either side.
std::size_t Align(const Sound& heard, const Sound& song, std::size_t from) {
    const std::size_t songOnset = Onset(song, 0);
    const std::size_t heardOnset = Onset(heard, from + songOnset);
    if (heardOnset < songOnset || heardOnset >= heard.Frames()) return heard.Frames();
    const std::size_t guess = heardOnset - songOnset;
    std::size_t best = guess;
    double bestCorrelation = -2;
    for (std::size_t lag = guess > 16 ? guess - 16 : 0; lag <= guess + 16; ++lag) {
        double r = Correlation(heard, lag + songOnset, song, songOnset,
                               static_cast<std::size_t>(song.rate));
        if (r > bestCorrelation) bestCorrelation = r, best = lag;
    }
    return best;
}

// Longest run of silent frames in [from, to).
std::size_t LongestSilence(const Sound& s, std::size_t from, std::size_t to) {
    const std::size_t c = static_cast<std::size_t>(s.channels);
    std::size_t longest = 0, run = 0;
    for (std::size_t f = from; f < std::min(to, s.Frames()); ++f) {
        bool silent = true;
        for (std::size_t k = 0; k < c && silent; ++k) silent = std::abs(s.samples[f * c + k]) <= 2;
        run = silent ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

bool Zero(const Sound& s, std::size_t frame) {
    for (int k = 0; k < s.channels; ++k)
        if (s.samples[frame * static_cast<std::size_t>(s.channels) + k] != 0) return false;
    return true;
}

struct Walk {
    double correlation = 0;
    std::size_t matched = 0;  // frames of the song met in what was heard
    std::size_t end = 0;      // the heard frame after the last one met
};

// Follows `frames` frames of the song from `atSong` through what was heard
// from `atHeard`, frame by frame, stepping over frames of exact silence in
// either. An underrun puts exact silence into the stream and shifts the rest;
// LongestSilence bounds those gaps, and this compares the sound around them.
Walk Follow(const Sound& heard, std::size_t atHeard, const Sound& song, std::size_t atSong,
            std::size_t frames) {
    const std::size_t c = static_cast<std::size_t>(song.channels);
    Walk w;
    w.end = atHeard;
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t j = atSong; j < std::min(atSong + frames, song.Frames()); ++j) {
        if (Zero(song, j)) continue;
        while (w.end < heard.Frames() && Zero(heard, w.end)) ++w.end;
        if (w.end >= heard.Frames()) break;
        for (std::size_t k = 0; k < c; ++k) {
            double x = heard.samples[w.end * c + k], y = song.samples[j * c + k];
            ab += x * y;
            aa += x * x;
            bb += y * y;
        }
        ++w.end;
        ++w.matched;
    }
    w.correlation = aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0.0;
    return w;
}

std::size_t SoundFrames(const Sound& s, std::size_t from, std::size_t to) {
    std::size_t n = 0;
    for (std::size_t f = from; f < std::min(to, s.Frames()); ++f) n += !Zero(s, f);
    return n;
}

class SoundHeardTest : public ::testing::Test {
protected:
    void SetUp() override {
        capture = WinePathFromEnvironment("GIFT_SOUND_CAPTURE");
        ASSERT_FALSE(capture.empty()) << "run through ctest: GIFT_SOUND_CAPTURE names the capture";
        ASSERT_TRUE(audio::CreateWaveOutput()->Open(44100, 2))
            << "no sound device: Wine's ALSA driver is off or ALSA is missing";
        DeleteFileW(capture.c_str());
        SetAudioOutputFactory(nullptr);
    }
    void TearDown() override { StopMusic(); }

    Sound Song() {
        const std::wstring path = WinePathFromEnvironment("GIFT_SONG");
        std::vector<unsigned char> bytes = ReadBytes(path);
        songPath = detail::NarrowPath(path);
        return Decode(ByteBlock(bytes.data(), static_cast<std::uint32_t>(bytes.size())));
    }
    // Waits until the capture holds `frames` frames; false after `timeoutMs`.
    bool WaitForCapture(std::size_t frames, int blockAlign, DWORD timeoutMs) {
        const DWORD start = GetTickCount();
        while (FileSize(capture) < static_cast<long long>(44 + frames * blockAlign)) {
            if (GetTickCount() - start > timeoutMs) return false;
            ::Sleep(20);
        }
        return true;
    }

    std::wstring capture;
    std::string songPath;
};

TEST_F(SoundHeardTest, TheSongArrivesAsDecodedWithoutGapsAndAStopEndsItWithinOneBuffer) {
    const Sound song = Song();
    ASSERT_GT(song.Frames(), 0u);
    const int blockAlign = song.channels * 2;
    // Ten seconds, or half of a shorter song: the stop comes mid-play.
    const std::size_t span = std::min(static_cast<std::size_t>(song.rate) * 10, song.Frames() / 2);

    PlayMusic(1, {songPath});
    ASSERT_TRUE(WaitForCapture(span + span / 5, blockAlign, 120000));
    const long long atStop = FileSize(capture);
    StopMusic();
    ::Sleep(500);
    // Counted as the null device took them, faster than a listener would
    // hear them: a bound on what a real device plays after the stop.
    const long long framesAfterStop = (FileSize(capture) - atStop) / blockAlign;
    EXPECT_LE(framesAfterStop, static_cast<long long>(audio::kWaveBufferFrames))
        << "frames that arrived after the stop";

    const Sound heard = ReadWav(ReadBytes(capture));
    EXPECT_EQ(heard.rate, song.rate);
    EXPECT_EQ(heard.bits, 16);
    ASSERT_EQ(heard.channels, song.channels);
    const std::size_t start = Align(heard, song, 0);
    const Walk w = Follow(heard, start, song, 0, span);
    EXPECT_EQ(w.matched, SoundFrames(song, 0, span)) << "the first seconds heard in full";
    EXPECT_GE(w.correlation, 0.99);
    // Everything heard has no silence the song does not have, beyond one buffer.
    const std::size_t heardFrames = heard.Frames() - std::min(start, heard.Frames());
    EXPECT_LE(LongestSilence(heard, start, heard.Frames()),
              LongestSilence(song, 0, heardFrames) + audio::kWaveBufferFrames);
    std::printf("heard %.2f s from frame %zu (correlation %.6f), then %lld frames after the stop\n",
                static_cast<double>(heardFrames) / song.rate, start, w.correlation,
                framesAfterStop);
}

TEST_F(SoundHeardTest, EveryRateAndChannelCountIsHeardAsItIsToTheEnd) {
    const struct {
        const char* name;
        ByteBlock bytes;
    } streams[] = {
        {"mono48.mp3", Tune48kMonoMp3()}, {"low22.mp3", Tune22kMp3()}, {"tone44.mp3", ToneMp3()}};
    const std::wstring folder = capture.substr(0, capture.rfind(L'\\') + 1);
    for (const auto& s : streams) {
        SCOPED_TRACE(s.name);
        const Sound song = Decode(s.bytes);
        const std::string path = detail::NarrowPath(folder) + s.name;
        ASSERT_EQ(WriteFile(path, s.bytes), 1);
        DeleteFileW(capture.c_str());
        PlayMusic(1, {path});
        ASSERT_TRUE(WaitForMusicEnd(30000));
        const Sound heard = ReadWav(ReadBytes(capture));
        EXPECT_EQ(heard.rate, song.rate);
        EXPECT_EQ(heard.channels, song.channels);
        if (heard.channels != song.channels) continue;
        const Walk w = Follow(heard, Align(heard, song, 0), song, 0, song.Frames());
        EXPECT_GE(w.correlation, 0.99);
        // Drained: the last buffer, only partly filled, is heard too.
        EXPECT_EQ(w.matched, SoundFrames(song, 0, song.Frames()));
        EXPECT_LE(LongestSilence(heard, 0, heard.Frames()),
                  LongestSilence(song, 0, song.Frames()) + audio::kWaveBufferFrames);
    }
}

TEST_F(SoundHeardTest, AStopThatArrivesWhileTheDeviceOpensIsKept) {
    // The player's stop aborts the output; the player thread may be on its
    // way into Open or inside it at that moment. The abort must outlast it.
    for (bool abortFirst : {true, false}) {
        SCOPED_TRACE(abortFirst ? "abort before the open" : "abort after the open");
        DeleteFileW(capture.c_str());
        auto output = audio::CreateWaveOutput();
        if (abortFirst) output->Abort();
        if (output->Open(44100, 2)) {
            output->Abort();
            std::vector<std::int16_t> samples(audio::kWaveBufferFrames * 2 * 3, 1000);
            EXPECT_FALSE(output->Write(samples.data(), samples.size()));
            const DWORD start = GetTickCount();
            output->Drain();
            EXPECT_LT(GetTickCount() - start, 100u);
            output->Close();
        }
        EXPECT_LE(FileSize(capture), 44) << "nothing was heard";
    }
}

// A long run (the whole song twice, a few minutes): the second play starts
// when the first ends.
TEST_F(SoundHeardTest, SecondPlayStartsWhenTheFirstEnds) {
    const Sound song = Song();
    const std::size_t tenSeconds = static_cast<std::size_t>(song.rate) * 10;
    PlayMusic(2, {songPath});
    ASSERT_TRUE(WaitForMusicEnd(15 * 60 * 1000));
    const Sound heard = ReadWav(ReadBytes(capture));
    ASSERT_EQ(heard.channels, song.channels);
    const std::size_t sound = SoundFrames(song, 0, song.Frames());
    const Walk first = Follow(heard, Align(heard, song, 0), song, 0, song.Frames());
    EXPECT_EQ(first.matched, sound) << "the first play heard to its end";
    EXPECT_GE(first.correlation, 0.99);
    // What follows is the song from its beginning, heard to its end.
    const Walk second = Follow(heard, first.end, song, 0, song.Frames());
    EXPECT_EQ(second.matched, sound) << "the second play heard to its end";
    EXPECT_GE(second.correlation, 0.99);
    EXPECT_GE(Follow(heard, first.end, song, 0, tenSeconds).correlation, 0.99);
    // Between them no more silence than the song's own end and beginning
    // hold, give or take one buffer.
    const std::size_t join = first.end;
    EXPECT_LE(LongestSilence(heard, join - std::min(join, tenSeconds), join + tenSeconds),
              LongestSilence(song, song.Frames() - tenSeconds, song.Frames()) +
                  LongestSilence(song, 0, tenSeconds) + audio::kWaveBufferFrames);
    std::printf("first play ends at frame %zu of %zu heard\n", join, heard.Frames());
}

}  // namespace
