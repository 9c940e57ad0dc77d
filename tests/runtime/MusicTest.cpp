// The music player, with an output that counts samples instead of playing.
#include <windows.h>
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <vector>

#include "platform/audio/Mp3Decoder.h"
#include "runtime/Music.h"
#include "runtime/Services.h"
#include "tests/runtime/RuntimeSupport.h"
#include "tests/support/TestData.h"

using namespace runtime;

namespace {

std::atomic<long long> samplesPlayed{0};
std::atomic<int> outputsOpened{0};
std::atomic<int> outputsAborted{0};
std::atomic<bool> deviceMissing{false};
std::atomic<bool> slowOutput{false};
std::atomic<int> openedRate{0};
std::atomic<int> openedChannels{0};

class CountingOutput : public audio::AudioOutput {
public:
    bool Open(int rate, int channels) override {
        if (deviceMissing) return false;
        ++outputsOpened;
        openedRate = rate;
        openedChannels = channels;
        return rate > 0 && channels > 0;
    }
    bool Write(const std::int16_t*, std::size_t count) override {
        if (aborted_) return false;
        samplesPlayed += static_cast<long long>(count);
        // Real time would be count / channels / rate seconds; a fraction keeps
        // an endless player busy without slowing the test.
        if (slowOutput) ::Sleep(2);
        return !aborted_;
    }
    void Drain() override {}
    void Abort() override {
        aborted_ = true;
        ++outputsAborted;
    }
    void Close() override {}

private:
    std::atomic<bool> aborted_{false};
};

std::unique_ptr<audio::AudioOutput> MakeCounting() {
    return std::make_unique<CountingOutput>();
}

class MusicTest : public RuntimeTest {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        samplesPlayed = 0;
        outputsOpened = 0;
        outputsAborted = 0;
        deviceMissing = false;
        slowOutput = false;
        SetAudioOutputFactory(MakeCounting);
        folder = MakeTempFolder();
        tone = Path("tone.mp3");
        ByteBlock bytes = ToneMp3();
        WriteFile(tone, bytes);
        int rate = 0, channels = 0;
        std::vector<std::int16_t> pcm;
        ASSERT_TRUE(audio::DecodeMp3(bytes.data, bytes.size, pcm, rate, channels));
        toneSamples = static_cast<long long>(pcm.size());
    }
    void TearDown() override {
        StopMusic();
        SetAudioOutputFactory(nullptr);
        RemoveFolder(folder);
        RuntimeTest::TearDown();
    }
    std::string Path(const char* name) {
        int n = WideCharToMultiByte(936, 0, folder.c_str(), -1, nullptr, 0, nullptr, nullptr);
        std::string out(static_cast<size_t>(n - 1), '\0');
        WideCharToMultiByte(936, 0, folder.c_str(), -1, out.data(), n, nullptr, nullptr);
        return out + "\\" + name;
    }
    std::wstring folder;
    std::string tone;
    long long toneSamples = 0;
};

TEST_F(MusicTest, PlayCountIsHonoured) {
    PlayMusic(2, {tone});
    ASSERT_TRUE(WaitForMusicEnd(10000));
    EXPECT_EQ(samplesPlayed, 2 * toneSamples) << "the file twice, then stop";

    samplesPlayed = 0;
    PlayMusic(std::nullopt, {tone});
    ASSERT_TRUE(WaitForMusicEnd(10000));
    EXPECT_EQ(samplesPlayed, toneSamples) << "count not given: once";

    samplesPlayed = 0;
    PlayMusic(0, {tone});
    EXPECT_FALSE(MusicPlaying());
    ::Sleep(50);
    EXPECT_EQ(samplesPlayed, 0);
    EXPECT_EQ(outputsOpened, 2);

    // Every non-empty name in order, the whole list per pass.
    samplesPlayed = 0;
    PlayMusic(1, {tone, "", tone});
    ASSERT_TRUE(WaitForMusicEnd(10000));
    EXPECT_EQ(samplesPlayed, 2 * toneSamples);
}

TEST_F(MusicTest, EachStreamPlaysAtItsOwnRateAndChannelCount) {
    const struct {
        const char* name;
        ByteBlock bytes;
        int rate, channels;
    } streams[] = {{"mono48.mp3", Tune48kMonoMp3(), 48000, 1},
                   {"low22.mp3", Tune22kMp3(), 22050, 2},
                   {"tone44.mp3", ToneMp3(), 44100, 2}};
    std::vector<std::string> paths;
    long long total = 0;
    for (const auto& s : streams) {
        paths.push_back(Path(s.name));
        WriteFile(paths.back(), s.bytes);
        std::vector<std::int16_t> pcm;
        int rate = 0, channels = 0;
        ASSERT_TRUE(audio::DecodeMp3(s.bytes.data, s.bytes.size, pcm, rate, channels));
        samplesPlayed = 0;
        outputsOpened = 0;
        PlayMusic(1, {paths.back()});
        ASSERT_TRUE(WaitForMusicEnd(10000));
        EXPECT_EQ(openedRate, s.rate) << s.name;
        EXPECT_EQ(openedChannels, s.channels) << s.name;
        EXPECT_EQ(samplesPlayed, static_cast<long long>(pcm.size())) << s.name;
        total += static_cast<long long>(pcm.size());
    }
    // One list of all three: the output is opened afresh at each change of format.
    samplesPlayed = 0;
    outputsOpened = 0;
    PlayMusic(1, paths);
    ASSERT_TRUE(WaitForMusicEnd(10000));
    EXPECT_EQ(outputsOpened, 3);
    EXPECT_EQ(samplesPlayed, total);
}

TEST_F(MusicTest, EndlessPlaysUntilReplacedAndANewCallStopsTheOld) {
    slowOutput = true;
    PlayMusic(-1, {tone});
    ASSERT_TRUE(PumpUntil([&] { return samplesPlayed > 3 * toneSamples; }, 20000));
    EXPECT_TRUE(MusicPlaying());
    PlayMusic(-7, {tone});  // below −1 is endless too; the first player stops
    EXPECT_EQ(outputsAborted, 1);
    EXPECT_TRUE(MusicPlaying());
    StopMusic();
    EXPECT_FALSE(MusicPlaying());
}

TEST_F(MusicTest, MissingFilesAndMissingDevicesEndAtOnce) {
    PlayMusic(-1, {Path("missing.mp3")});
    EXPECT_TRUE(WaitForMusicEnd(2000)) << "an endless list of nothing does not spin";
    EXPECT_EQ(samplesPlayed, 0);

    deviceMissing = true;
    PlayMusic(-1, {tone});
    EXPECT_TRUE(WaitForMusicEnd(2000));
    EXPECT_EQ(samplesPlayed, 0);

    // The real output: no sound device here, or one; either way nothing hangs.
    SetAudioOutputFactory(nullptr);
    PlayMusic(1, {tone});
    StopMusic();
    EXPECT_FALSE(MusicPlaying());
}

TEST_F(MusicTest, GarbageInTheMiddlePlaysWhatDecodes) {
    ByteBlock bytes = ToneMp3();
    std::vector<unsigned char> damaged(bytes.begin(), bytes.end());
    std::vector<unsigned char> garbage(3000);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<unsigned char>(i * 7919);
    damaged.insert(damaged.begin() + static_cast<std::ptrdiff_t>(damaged.size() / 2),
                   garbage.begin(), garbage.end());
    std::string path = Path("damaged.mp3");
    WriteFile(path, ByteBlock(damaged.data(), static_cast<std::uint32_t>(damaged.size())));
    PlayMusic(1, {path});
    ASSERT_TRUE(WaitForMusicEnd(10000));
    EXPECT_GT(samplesPlayed, toneSamples * 3 / 4) << "decoding goes on after the garbage";
    EXPECT_LE(samplesPlayed, toneSamples + 4608);

    // Text that is no MP3 plays nothing.
    std::string text = Path("text.mp3");
    WriteFile(text, ByteBlock("not music at all", 16));
    samplesPlayed = 0;
    PlayMusic(1, {text});
    ASSERT_TRUE(WaitForMusicEnd(5000));
    EXPECT_EQ(samplesPlayed, 0);
}

TEST_F(MusicTest, QuitStopsThePlayer) {
    slowOutput = true;
    PlayMusic(-1, {tone});
    ASSERT_TRUE(PumpUntil([&] { return samplesPlayed > 0; }, 5000));
    Quit();
    EXPECT_FALSE(MusicPlaying());
}

}  // namespace
