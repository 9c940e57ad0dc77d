// Bad input for the gift itself: a program folder that takes no song, no
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

TEST_F(BadInputTest, AProgramFolderThatTakesNoSongPlaysItFromTheTemporaryFolder) {
    // Something in the song's place that is neither writable nor a song, as
    // in a read-only folder with no song from an earlier start.
    DeleteFileW(songPath.c_str());
    ASSERT_TRUE(CreateDirectoryW(songPath.c_str(), nullptr));
    ASSERT_FALSE(tempSongPath.empty());
    DeleteFileW(tempSongPath.c_str());

    Open();
    gift::AppObjects& app = gift::App();
    EXPECT_TRUE(IsWindowVisible(app.startHost.hwnd));
    EXPECT_NE(app.letterBox.handle, nullptr);

    const ByteBlock song = content::Song();
    const std::string written = ReadAll(tempSongPath);
    ASSERT_EQ(written.size(), song.size) << "the whole song in the temporary folder";
    EXPECT_TRUE(written == song.view());
    ASSERT_TRUE(runtime::WaitForMusicEnd(120000));
    EXPECT_EQ(samplesPlayed.load(), 2 * SamplesIn(song)) << "and played from there, twice";
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
