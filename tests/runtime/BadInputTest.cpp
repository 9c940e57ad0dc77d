// Bad input for the runtime: pictures from cut-short bytes, the real sound
// output with no device behind it, and folders whose names hold Chinese and
// other characters GBK may not spell.
#include <windows.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio/AudioOutput.h"
#include "platform/audio/Mp3Decoder.h"
#include "runtime/Form.h"
#include "runtime/Music.h"
#include "runtime/Picture.h"
#include "runtime/Services.h"
#include "runtime/Text.h"
#include "tests/runtime/RuntimeSupport.h"
#include "tests/support/TestData.h"
#include "tests/support/CutPoints.h"

using namespace runtime;

namespace {

constexpr std::uint32_t kBlue = 0xFF0000FF;

class BadPictureTest : public PanelTest {};

TEST_F(BadPictureTest, CutBytesGiveNoPictureOrAWholeOneAndDrawingNothingChangesNothing) {
    std::vector<std::uint32_t> pixels(12 * 8);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = 0xFF000000u | (i * 2654435761u >> 8);
    std::vector<GifFrame> frames(3);
    for (int f = 0; f < 3; ++f) frames[static_cast<size_t>(f)].indices.assign(12 * 8, f + 1);
    const std::vector<std::pair<const char*, std::vector<unsigned char>>> samples = {
        {"png", EncodeWithGdiplus(12, 8, pixels, "png")},
        {"jpeg", EncodeWithGdiplus(12, 8, pixels, "jpeg")},
        {"gif", MakeGif(12, 8, {0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF}, frames)},
    };
    for (const auto& [format, bytes] : samples) {
        ASSERT_GT(bytes.size(), 40u) << format;
        for (size_t cut : CutPoints(bytes.size())) {
            const Picture picture = LoadPicture(bytes.data(), cut);
            if (!picture.Empty()) {
                // Decoded after all: then it is the whole picture.
                EXPECT_EQ(picture.Width(), 12) << format << " cut at " << cut;
                EXPECT_EQ(picture.Height(), 8) << format << " cut at " << cut;
                for (size_t f = 0; f < picture.FrameCount(); ++f)
                    EXPECT_EQ(picture.FrameAt(f).pixels.size(), 96u) << format << " cut at " << cut;
            }
            DrawPicture(panel, picture, 30, 20);
            DrawPicture(panel, picture, -5, -5, 200, 200, kWhiteTransparent);
            if (picture.Empty()) {
                const Picture content = PanelContent(panel);
                ASSERT_EQ(content.Width(), 64);
                EXPECT_EQ(content.FrameAt(0).pixels[0], kBlue)
                    << format << " cut at " << cut << ": nothing drew something";
            }
            ClearPanel(panel);
        }
    }
}

std::atomic<long long> samplesPlayed{0};

class Counting : public audio::AudioOutput {
public:
    bool Open(int rate, int channels) override { return rate > 0 && channels > 0; }
    bool Write(const std::int16_t*, std::size_t count) override {
        samplesPlayed += static_cast<long long>(count);
        return true;
    }
    void Drain() override {}
    void Abort() override {}
    void Close() override {}
};
std::unique_ptr<audio::AudioOutput> MakeCounting() {
    return std::make_unique<Counting>();
}

long long ToneSamples() {
    const ByteBlock tone = ToneMp3();
    std::vector<std::int16_t> pcm;
    int rate = 0, channels = 0;
    audio::DecodeMp3(tone.data, tone.size, pcm, rate, channels);
    return static_cast<long long>(pcm.size());
}

class FolderTest : public RuntimeTest {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        folder = MakeTempFolder();
    }
    void TearDown() override {
        StopMusic();
        SetAudioOutputFactory(nullptr);
        for (auto it = made.rbegin(); it != made.rend(); ++it) RemoveFolder(*it);
        RemoveFolder(folder);
        RuntimeTest::TearDown();
    }
    std::wstring Made(const std::wstring& name) {
        made.push_back(folder + L"\\" + name);
        CreateDirectoryW(made.back().c_str(), nullptr);
        return made.back();
    }
    std::wstring folder;
    std::vector<std::wstring> made;
};

TEST_F(FolderTest, NoSoundDeviceEndsTheSongSilentlyAndNothingHangs) {
    if (audio::CreateWaveOutput()->Open(44100, 2)) GTEST_SKIP() << "this system has a sound device";
    const std::string path = detail::NarrowPath(folder) + "\\音乐.mp3";
    ASSERT_EQ(WriteFile(path, ToneMp3()), 1);
    SetAudioOutputFactory(nullptr);  // the real waveOut
    const DWORD start = GetTickCount();
    PlayMusic(2, {path});
    EXPECT_TRUE(WaitForMusicEnd(3000)) << "the player gives up on its own";
    PlayMusic(-1, {path});
    EXPECT_TRUE(WaitForMusicEnd(3000)) << "even an endless list ends without a device";
    EXPECT_LT(GetTickCount() - start, 3000u);
    // The program goes on: a later start with an output plays the song.
    SetAudioOutputFactory(MakeCounting);
    samplesPlayed = 0;
    PlayMusic(1, {path});
    ASSERT_TRUE(WaitForMusicEnd(10000));
    EXPECT_EQ(samplesPlayed.load(), ToneSamples());
}

TEST_F(FolderTest, ChineseAndOtherFolderNamesReachTheFileSystemIntact) {
    std::printf("ANSI code page %u, OEM code page %u\n", GetACP(), GetOEMCP());
    SetAudioOutputFactory(MakeCounting);
    const long long tone = ToneSamples();
    // Chinese GBK spells; Korean and a CJK Extension B character it does
    // not, whatever the system's own code page.
    for (const std::wstring& name :
         {std::wstring(L"七夕礼物"), std::wstring(L"\uC120\uBB3C \u4E03\u5915"),
          std::wstring(L"\U00020000\u82B1")}) {
        const std::wstring wide = Made(name);
        ASSERT_NE(GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES);
        const std::string narrow = detail::NarrowPath(wide);
        ASSERT_FALSE(narrow.empty()) << "no GBK spelling for folder " << detail::Narrow(name);
        EXPECT_EQ(narrow.find('?'), std::string::npos);

        const std::string song = narrow + "\\音乐.mp3";
        ASSERT_EQ(WriteFile(song, ToneMp3()), 1) << song;
        WIN32_FILE_ATTRIBUTE_DATA data{};
        ASSERT_TRUE(
            GetFileAttributesExW((wide + L"\\音乐.mp3").c_str(), GetFileExInfoStandard, &data))
            << "written under the folder's real name";
        EXPECT_EQ(data.nFileSizeLow, ToneMp3().size);

        samplesPlayed = 0;
        PlayMusic(1, {song});
        ASSERT_TRUE(WaitForMusicEnd(10000));
        EXPECT_EQ(samplesPlayed.load(), tone) << song;
    }
    // A GBK name keeps its plain spelling.
    EXPECT_EQ(detail::NarrowPath(made[0]), detail::Narrow(made[0]));
}

}  // namespace
