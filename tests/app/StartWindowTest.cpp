// The start window as the start form's Created event builds it: the photograph
// in the back buffer, the controls at the form's placeholders, the song beside
// the program, the page buttons' bindings and the letter button.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "app/AppObjects.h"
#include "app/Content.h"
#include "app/Pages.h"
#include "app/StartForm.h"
#include "app/StartWindow.h"
#include "app/Startup.h"
#include "platform/audio/Mp3Decoder.h"
#include "runtime/Form.h"
#include "runtime/Music.h"
#include "runtime/Program.h"
#include "runtime/Services.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/TestData.h"
#include "tests/toolkit/host/HostTestSupport.h"
#include "toolkit/core/Text.h"

using hosttest::A;
using hosttest::BackPixel;
using namespace apptest;

namespace {

void Pump(DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        hosttest::Pump();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

RectF RectOf(const runtime::UnitDescription& unit) {
    return RectF(static_cast<float>(unit.left), static_cast<float>(unit.top),
                 static_cast<float>(unit.width), static_cast<float>(unit.height));
}

bool SameRect(const RectF& a, const RectF& b) {
    return a.X == b.X && a.Y == b.Y && a.Width == b.Width && a.Height == b.Height;
}

class StartWindowTest : public apptest::GiftFixture {
protected:
    runtime::UnitRef OpenStartForm(const runtime::FormDescription& form = gift::StartForm()) {
        runtime::UnitRef opened = runtime::LoadForm(form);
        Pump(100);  // let the controls' first paints reach the back buffer
        return opened;
    }
};

TEST_F(StartWindowTest, PhotographFillsTheWindowBehindTheControls) {
    const runtime::UnitRef form = OpenStartForm();
    UIHost& host = gift::App().startHost;
    ASSERT_EQ(host.hwnd, runtime::FormWindowHandle(form));
    EXPECT_TRUE(IsWindowVisible(host.hwnd));
    EXPECT_TRUE(GetWindowLongW(host.hwnd, GWL_EXSTYLE) & WS_EX_LAYERED);
    EXPECT_EQ(host.captionFlags, 150);

    // The margins left and right of the letter box show nothing but the
    // photograph: opaque pixels that vary like a picture, not one flat fill.
    std::set<std::uint32_t> colours;
    int samples = 0, opaque = 0;
    int darkest = 255 * 3, brightest = 0;
    for (int y = 60; y < 240; y += 6) {
        for (int x : {12, 20, 28, 458, 466, 474}) {
            const std::uint32_t pixel = BackPixel(host, x, y);
            ++samples;
            opaque += A(pixel) >= 250 ? 1 : 0;
            colours.insert(pixel & 0xFFFFFF);
            const int sum = hosttest::R(pixel) + hosttest::G(pixel) + hosttest::B(pixel);
            darkest = std::min(darkest, sum);
            brightest = std::max(brightest, sum);
        }
    }
    EXPECT_EQ(opaque, samples);
    EXPECT_GT(colours.size(), 60u);
    EXPECT_GT(brightest - darkest, 60);
}

TEST_F(StartWindowTest, ControlsTakeTheirLookAndPlaceFromTheForm) {
    // Every placeholder moved and resized: the controls follow the form.
    const runtime::FormDescription& start = gift::StartForm();
    std::vector<runtime::UnitDescription> units(start.units.begin(), start.units.end());
    ASSERT_EQ(units.size(), 7u);
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i].left += 3 + static_cast<int>(i);
        units[i].top -= 9;
        units[i].width -= 2 * static_cast<int>(i);
        units[i].height += 4;
    }
    runtime::FormDescription moved = start;
    moved.units = units;
    OpenStartForm(moved);

    gift::AppObjects& app = gift::App();
    const Gdiplus::ARGB textColours[4] = {0xFE800000, 0xFEFF00FF, 0xFE800080, 0xFEFFA8FF};
    for (int i = 0; i < 4; ++i) {
        PushButton& button = app.pageButtons[i];
        ASSERT_NE(button.handle, nullptr) << i;
        EXPECT_TRUE(SameRect(button.rect, RectOf(units[i]))) << i;
        EXPECT_EQ(button.textColour, textColours[i]) << i;  // alpha 254, red and blue swapped
    }
    ASSERT_NE(app.letterBox.handle, nullptr);
    EXPECT_TRUE(SameRect(app.letterBox.rect, RectOf(units[4])));
    EXPECT_EQ(app.letterBox.Text(), content::FirstLetter());
    EXPECT_EQ(app.letterBox.scrollBars, 3);  // the letter scrolls both ways

    ASSERT_NE(app.contactLink.handle, nullptr);
    EXPECT_TRUE(SameRect(app.contactLink.rect, RectOf(units[5])));
    EXPECT_EQ(app.contactLink.LinkTarget(), gift::kContactAddress);
    EXPECT_EQ(app.contactLink.WebMode(), 1);  // opened as it is, not as mail

    ASSERT_NE(app.pictureStrip.handle, nullptr);
    EXPECT_TRUE(SameRect(app.pictureStrip.rect, RectOf(units[6])));
}

TEST_F(StartWindowTest, SongIsWrittenBesideTheProgramAndPlayedTwice) {
    DeleteFileW(songPath.c_str());
    OpenStartForm();
    const ByteBlock song = content::Song();
    const std::string written = ReadAll(songPath);
    ASSERT_EQ(written.size(), song.size);
    EXPECT_TRUE(written == song.view());

    ASSERT_TRUE(runtime::WaitForMusicEnd(120000));
    EXPECT_EQ(samplesPlayed.load(), 2 * SamplesIn(song));
}

TEST_F(StartWindowTest, ASongFromAnEarlierStartIsPlayedAsItIsEvenWhenHeldOpen) {
    // The song from an earlier start, held open without write sharing (as a
    // read-only folder would refuse writing): found to be the song, played.
    const ByteBlock song = content::Song();
    {
        std::ofstream earlier(songPath.c_str(), std::ios::binary);
        earlier.write(reinterpret_cast<const char*>(song.data), song.size);
    }
    HANDLE held = CreateFileW(songPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    OpenStartForm();
    gift::AppObjects& app = gift::App();
    EXPECT_TRUE(IsWindowVisible(app.startHost.hwnd));
    for (PushButton& button : app.pageButtons) EXPECT_NE(button.handle, nullptr);
    EXPECT_NE(app.letterBox.handle, nullptr);
    EXPECT_NE(app.contactLink.handle, nullptr);
    EXPECT_NE(app.pictureStrip.handle, nullptr);

    // The player was given that path and found the earlier file there.
    ASSERT_TRUE(runtime::WaitForMusicEnd(120000));
    EXPECT_EQ(samplesPlayed.load(), 2 * SamplesIn(song));
    CloseHandle(held);
    EXPECT_EQ(ReadAll(songPath).size(), song.size);
}

TEST_F(StartWindowTest, PageButtonsReachTheirHandlers) {
    OpenStartForm();
    gift::AppObjects& app = gift::App();
    using Handler = LRESULT (*)(Element*, Element*, UINT, WPARAM, LPARAM);
    const Handler expected[4] = {gift::OnRosePage, gift::OnFireworksPage, gift::OnWordsPage,
                                 gift::OnLetterPage};
    for (int i = 0; i < 4; ++i) {
        int bound = 0;
        for (const EventBinding& binding : app.pageButtons[i].eventTable) {
            if (binding.code != kClick) continue;
            const Handler* target = binding.handler.target<Handler>();
            ASSERT_NE(target, nullptr) << i;
            EXPECT_EQ(*target, expected[i]) << i;
            ++bound;
        }
        EXPECT_EQ(bound, 1) << i;
    }

    // The letter opens no page: a click changes the photograph and the letter.
    UIHost& host = app.startHost;
    const std::uint32_t before = BackPixel(host, 20, 150);
    const std::uint32_t beforeRight = BackPixel(host, 466, 100);
    // A press and release in the middle of the button, as the mouse gives them.
    const RectF& r = app.pageButtons[3].rect;
    const LPARAM centre =
        MAKELPARAM(static_cast<int>(r.X + r.Width / 2), static_cast<int>(r.Y + r.Height / 2));
    SendMessageW(host.hwnd, WM_MOUSEMOVE, 0, centre);
    SendMessageW(host.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, centre);
    SendMessageW(host.hwnd, WM_LBUTTONUP, 0, centre);
    Pump(100);
    EXPECT_EQ(host.bgSource.data, content::LetterBackground().data);
    EXPECT_EQ(app.letterBox.Text(), content::SecondLetter());
    EXPECT_GE(A(BackPixel(host, 20, 150)), 250);
    EXPECT_TRUE(BackPixel(host, 20, 150) != before || BackPixel(host, 466, 100) != beforeRight);
}

TEST_F(StartWindowTest, ReleasingTheGlobalsGivesTheWindowItsProcedureBack) {
    const runtime::UnitRef form = OpenStartForm();
    const HWND window = runtime::FormWindowHandle(form);
    const auto thunk = reinterpret_cast<LONG_PTR>(gift::App().startHost.wndProcThunk);
    ASSERT_EQ(GetWindowLongPtrA(window, GWLP_WNDPROC), thunk);

    TeardownGlobals();  // while the window still lives
    EXPECT_NE(GetWindowLongPtrA(window, GWLP_WNDPROC), thunk);
    // Messages still arriving reach no released object.
    SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(60, 300));
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    Pump(50);
    EXPECT_TRUE(IsWindow(window));
}

}  // namespace
