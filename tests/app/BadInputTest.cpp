// Bad input for the gift itself: a song's name taken by another file, no
// sound device, a megabyte pasted into the letter and clipboard text GBK has
// no place for. The start window keeps working and nothing is lost.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/AppObjects.h"
#include "app/Content.h"
#include "app/StartForm.h"
#include "app/StartWindow.h"
#include "app/Startup.h"
#include "platform/audio/Mp3Decoder.h"
#include "runtime/Form.h"
#include "runtime/Music.h"
#include "runtime/Program.h"
#include "runtime/Services.h"
#include "runtime/Text.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/Gbk.h"
#include "tests/toolkit/host/HostTestSupport.h"
#include "toolkit/core/Text.h"
#include "tests/support/Keyboard.h"

namespace {

using namespace testkeys;
using namespace apptest;

class BadInputTest : public apptest::GiftFixture {
protected:
    void SetUp() override {
        GiftFixture::SetUp();
        tempSongPath = ToWide(gift::FallbackMusicPath());
    }
    void TearDown() override {
        HoldKeys({});
        GiftFixture::TearDown();
        RemoveDirectoryW(songPath.c_str());
        DeleteFileW(tempSongPath.c_str());
    }

    void Open() {
        runtime::LoadForm(gift::StartForm());
        hosttest::Pump();
    }
    // Ctrl+V as the keyboard gives it to the start window.
    void Paste() {
        HoldKeys({VK_CONTROL});
        SendMessageW(gift::App().startHost.hwnd, WM_KEYDOWN, 'V', 1);
        HoldKeys({});
    }
    EditBox& FocusedLetter() {
        gift::AppObjects& app = gift::App();
        app.startHost.SetFocusElement(&app.letterBox);
        return app.letterBox;
    }

    std::wstring tempSongPath;
};

TEST_F(BadInputTest, ASongNameTakenBesideTheProgramLeavesItAloneAndPlaysTheNextName) {
    // Something in the song's place that is not the song (here a folder).
    DeleteFileW(songPath.c_str());
    ASSERT_TRUE(CreateDirectoryW(songPath.c_str(), nullptr));
    const std::wstring next = ToWide(runtime::ProgramDirectory()) + L"\\音乐 (2).mp3";
    DeleteFileW(next.c_str());

    Open();
    gift::AppObjects& app = gift::App();
    EXPECT_TRUE(IsWindowVisible(app.startHost.hwnd));
    EXPECT_NE(app.letterBox.handle, nullptr);

    const ByteBlock song = content::Song();
    const std::string written = ReadAll(next);
    ASSERT_EQ(written.size(), song.size) << "the whole song under the next name";
    EXPECT_TRUE(written == song.view());
    EXPECT_EQ(GetFileAttributesW(songPath.c_str()) & FILE_ATTRIBUTE_DIRECTORY,
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    ASSERT_TRUE(runtime::WaitForMusicEnd(120000));
    EXPECT_EQ(samplesPlayed.load(), 2 * SamplesIn(song)) << "and played from there, twice";
    DeleteFileW(next.c_str());
}

// The recipient's files are never overwritten: with real files in two
// folders, the song is used where it already is, written under the first
// free name, or taken to the next folder when a folder does not take it.
TEST(SongFile, TheSongTakesAFreeNameOrTheNextFolderAndNeverOverwritesAFile) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring root = std::wstring(temp) + L"歌 放置";
    const std::wstring a = root + L"\\甲", b = root + L"\\乙";
    auto name = [](int n) {
        return n == 1 ? std::wstring(L"音乐.mp3") : L"音乐 (" + std::to_wstring(n) + L").mp3";
    };
    // 200 KB, so the comparison reads more than one piece; the other file
    // differs only in its last byte.
    std::string song(200 * 1024, '\0');
    for (size_t i = 0; i < song.size(); ++i) song[i] = static_cast<char>(i * 7 + i / 251);
    std::string other = song;
    other.back() ^= 1;
    const ByteBlock block(reinterpret_cast<const unsigned char*>(song.data()),
                          static_cast<std::uint32_t>(song.size()));
    // What stands in folder 甲 beforehand: per name 1..9, nothing, the song,
    // another file or a folder; or 甲 itself is a file.
    enum Thing { kNone, kSong, kOther, kFolder };
    const struct {
        const char* what;
        std::vector<Thing> names;
        bool folderIsAFile;
        std::wstring expected;  // relative to the scratch root
    } cases[] = {
        {"empty folder", {}, false, L"甲\\音乐.mp3"},
        {"the song already there", {kSong}, false, L"甲\\音乐.mp3"},
        {"another file of its name", {kOther}, false, L"甲\\音乐 (2).mp3"},
        {"the song under the next name", {kOther, kSong}, false, L"甲\\音乐 (2).mp3"},
        {"a folder of its name, another file of the next",
         {kFolder, kOther},
         false,
         L"甲\\音乐 (3).mp3"},
        {"every name taken", std::vector<Thing>(9, kOther), false, L"乙\\音乐.mp3"},
        {"a folder that takes nothing", {}, true, L"乙\\音乐.mp3"},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.what);
        CreateDirectoryW(root.c_str(), nullptr);
        CreateDirectoryW(b.c_str(), nullptr);
        if (each.folderIsAFile)
            std::ofstream(a.c_str(), std::ios::binary) << "not a folder";
        else
            CreateDirectoryW(a.c_str(), nullptr);
        for (size_t n = 0; n < each.names.size(); ++n) {
            const std::wstring path = a + L"\\" + name(static_cast<int>(n) + 1);
            if (each.names[n] == kFolder) CreateDirectoryW(path.c_str(), nullptr);
            if (each.names[n] == kSong || each.names[n] == kOther)
                std::ofstream(path.c_str(), std::ios::binary)
                    << (each.names[n] == kSong ? song : other);
        }
        const std::string placed =
            gift::PlaceSong({runtime::detail::Narrow(a), runtime::detail::Narrow(b)}, block);
        EXPECT_EQ(ToWide(placed), root + L"\\" + each.expected);
        EXPECT_TRUE(ReadAll(ToWide(placed)) == song) << "where it plays from";
        for (size_t n = 0; n < each.names.size(); ++n) {
            if (each.names[n] != kOther) continue;
            EXPECT_TRUE(ReadAll(a + L"\\" + name(static_cast<int>(n) + 1)) == other)
                << "left alone: " << n + 1;
        }
        for (const std::wstring& folder : {a, b}) {
            for (int n = 1; n <= 9; ++n) {
                const std::wstring path = folder + L"\\" + name(n);
                if (!DeleteFileW(path.c_str())) RemoveDirectoryW(path.c_str());
            }
            if (!RemoveDirectoryW(folder.c_str())) DeleteFileW(folder.c_str());
        }
        RemoveDirectoryW(root.c_str());
    }
    EXPECT_TRUE(gift::PlaceSong({runtime::detail::Narrow(root + L"\\无\\此")}, block).empty());
}

TEST_F(BadInputTest, NoSoundDeviceLeavesTheStartWindowWorkingAndSilent) {
    if (audio::CreateWaveOutput()->Open(44100, 2)) GTEST_SKIP() << "this system has a sound device";
    runtime::SetAudioOutputFactory(nullptr);  // the real waveOut
    Open();
    EXPECT_TRUE(runtime::WaitForMusicEnd(5000)) << "the player gives up at once";
    EditBox& letter = FocusedLetter();
    SendMessageW(gift::App().startHost.hwnd, WM_CHAR, 'k', 1);
    EXPECT_NE(letter.Text().find('k'), std::string::npos) << "the window still takes input";
}

TEST_F(BadInputTest, AMegabyteLinePastedIntoTheLetterIsCutAtTheLineLimit) {
    Open();
    EditBox& letter = FocusedLetter();
    letter.Text("亲爱的：\r\n");
    letter.anchorLine = letter.caretLine = 2;
    letter.anchorColumn = letter.caretColumn = 0;
    // A megabyte with no line break: every key would measure and draw all
    // of it, so a paste keeps only the first 16 KB of a line.
    std::wstring huge;
    const std::wstring piece = L"A long line with no break at all, 七夕的信不换行。";
    while (huge.size() * 2 < (1u << 20)) huge += piece + L"\n";
    huge.erase(std::remove(huge.begin(), huge.end(), L'\n'), huge.end());
    ASSERT_TRUE(PutOnClipboard(huge + L"\r\nnext line"));
    std::string kept = FromWide(huge.c_str());
    size_t cut = 0;
    while (cut < kept.size()) {
        const size_t width = static_cast<unsigned char>(kept[cut]) > 0x7F ? 2 : 1;
        if (cut + width > 16 * 1024) break;
        cut += width;
    }
    kept.resize(cut);

    const ULONGLONG start = GetTickCount64();
    Paste();
    std::printf("pasting a 1 MB line: %.2f s\n",
                static_cast<double>(GetTickCount64() - start) / 1000.0);
    EXPECT_EQ(letter.Text(), "亲爱的：\r\n" + kept)
        << "cut before the 16 KB limit, nothing after it";
    EXPECT_TRUE(gbk::WellFormed(letter.Text()));

    const ULONGLONG typed = GetTickCount64();
    SendMessageW(gift::App().startHost.hwnd, WM_CHAR, '!', 1);
    SendMessageW(gift::App().startHost.hwnd, WM_KEYDOWN, VK_BACK, 1);
    SendMessageW(gift::App().startHost.hwnd, WM_KEYDOWN, VK_BACK, 1);
    std::printf("three keys on that line: %.2f s\n",
                static_cast<double>(GetTickCount64() - typed) / 1000.0);
    const std::string now = letter.Text();
    EXPECT_TRUE(gbk::WellFormed(now));
    EXPECT_EQ(now.size(),
              std::string("亲爱的：\r\n").size() + kept.size() - (kept.back() & 0x80 ? 2 : 1));
}

TEST_F(BadInputTest, ClipboardTextGbkCannotHoldArrivesAsOneMarkPerCharacter) {
    Open();
    EditBox& letter = FocusedLetter();
    letter.Text("");
    // Emoji and a CJK Extension B character (surrogate pairs), Hangul, a
    // lone surrogate, and the euro sign, which code page 936 holds only as a
    // lone byte 0x80 that the box would take for half a character.
    const std::wstring loneSurrogate(1, static_cast<wchar_t>(0xD800));
    ASSERT_TRUE(
        PutOnClipboard(L"爱a\U0001F339b\uD55C\uAE00c\U00020000d" + loneSurrogate + L"e\u20AC"));
    Paste();
    EXPECT_EQ(letter.Text(), "爱a?b??c?d?e?");
    EXPECT_TRUE(gbk::WellFormed(letter.Text()));

    // Copied back out, the marks stay marks and the rest is intact.
    HoldKeys({VK_CONTROL});
    SendMessageW(gift::App().startHost.hwnd, WM_KEYDOWN, 'A', 1);
    SendMessageW(gift::App().startHost.hwnd, WM_KEYDOWN, 'C', 1);
    HoldKeys({});
    EXPECT_EQ(ClipboardText(), L"爱a?b??c?d?e?");
}

}  // namespace
