// The rose page on real windows: the heart's outline, the show's pictures as
// the panel shows them at its pauses (under a clock that never waits), the
// flower rows, and every way of closing it at any point.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <set>
#include <vector>

#include "app/AppObjects.h"
#include "app/Content.h"
#include "app/Countdown.h"
#include "app/PageForms.h"
#include "app/RosePage.h"
#include "app/ShowLayout.h"
#include "app/StartForm.h"
#include "app/Startup.h"
#include "runtime/Clock.h"
#include "runtime/Program.h"
#include "runtime/Services.h"
#include "toolkit/core/Toolkit.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/Keyboard.h"

namespace {

using apptest::ChangedOutside;
using apptest::inPage;
using apptest::Match;
using apptest::RunInPage;
using runtime::Picture;
using runtime::UnitRef;

class RosePageTest : public apptest::ClockedFixture {
protected:
    // Opens the page in dialog mode; `afterShow` runs inside its loop once
    // the show is over. Returns when the page has closed.
    void OpenPage(std::function<void()> afterShow = {}) {
        inPage = std::move(afterShow);
        if (inPage) SetTimer(nullptr, 0, 1, RunInPage);
        runtime::LoadForm(gift::RosePageForm(), {}, true);
        inPage = nullptr;
    }

    static UnitRef Page() { return runtime::FindForm(gift::kRosePageId); }
    static UnitRef Unit(std::uint32_t id) { return runtime::FindUnit(Page(), id); }
    static HWND PageWindow() { return runtime::FormWindowHandle(Page()); }
};

// The flower F1..F22 that the content shows best at `at`.
int FlowerAt(const Picture& content, POINT at) {
    int best = 0;
    double bestMatch = 0.5;
    static std::vector<Picture> flowers;
    for (int n = static_cast<int>(flowers.size()) + 1; n <= content::kFlowerCount; ++n)
        flowers.push_back(runtime::LoadPicture(content::Flower(n)));
    for (int n = 1; n <= content::kFlowerCount; ++n) {
        const double m = Match(content, flowers[n - 1], at);
        if (m > bestMatch) {
            bestMatch = m;
            best = n;
        }
    }
    return best;
}

TEST_F(RosePageTest, ShowDrawsRoseHeartsAndFlowerRowsThenStaysOpenUntilEsc) {
    const int width = runtime::ScreenWidth();
    const int height = runtime::ScreenHeight();
    auto Spots = [&](int flower) {
        const Picture p = runtime::LoadPicture(content::Flower(flower));
        return gift::layout::HeartPositions(width, height, p.Width(), p.Height());
    };

    Picture roseMoment, background;
    std::vector<Picture> round2;  // the panel at the pause after each heart
    Picture round3First;
    // Big rose 5000, first heart 16 x 500 + 600, round one 22 x (16 x 100 + 250).
    constexpr std::uint64_t kRound2 = 5000 + 8600 + 22 * 1850;
    clock.beforeWait = [&](std::uint64_t waited) {
        const UnitRef panel = Unit(gift::rose::kPanel);
        if (waited == 0) {
            roseMoment = runtime::PanelContent(panel);
            background = runtime::FormPictureProperty(panel, runtime::kBackgroundPicture);
        } else if (waited >= kRound2 && waited < kRound2 + 22 * 250 &&
                   (waited - kRound2) % 250 == 0) {
            round2.push_back(runtime::PanelContent(panel));
        } else if (waited == kRound2 + 22 * 250) {
            round3First = runtime::PanelContent(panel);
        }
    };

    bool delayStarted = false, stillOpen = false;
    std::vector<bool> copiesVisible;
    Picture panelBackground;
    OpenPage([&] {
        stillOpen = runtime::IsAlive(Page()) && !runtime::IsClosing(Page());
        delayStarted = runtime::FormProperty(Unit(gift::rose::kDelayTimer),
                                             runtime::kCaptionOrInterval) == 1000;
        for (int j = 0; j < 3; ++j) {
            for (const gift::FlowerEntry& entry : gift::App().flowerLists[j]) {
                copiesVisible.push_back(IsWindowVisible(runtime::FormWindowHandle(entry.control)) !=
                                        FALSE);
            }
        }
        panelBackground =
            runtime::FormPictureProperty(Unit(gift::rose::kPanel), runtime::kBackgroundPicture);
        PostMessageW(PageWindow(), WM_KEYDOWN, VK_ESCAPE, 0);
    });

    // The page covered the screen and first looked like the desktop.
    ASSERT_FALSE(roseMoment.Empty());
    ASSERT_EQ(roseMoment.Width(), width);
    ASSERT_EQ(background.Width(), width);

    // Round two: F2..F22 then F19, each seen on top at the heart's last place.
    const int order[22] = {2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                           13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 19};
    ASSERT_EQ(round2.size(), 22u);
    for (int i = 0; i < 22; ++i) EXPECT_EQ(FlowerAt(round2[i], Spots(order[i])[30]), order[i]) << i;

    // Only the F4 heart and the round's last heart stay under the next one.
    auto Rects = [&](int flower) {
        const Picture p = runtime::LoadPicture(content::Flower(flower));
        std::vector<RECT> rects;
        for (POINT s : Spots(flower))
            rects.push_back({s.x, s.y, s.x + p.Width(), s.y + p.Height()});
        return rects;
    };
    for (int i = 1; i < 22; ++i) {
        const int left = ChangedOutside(round2[i], background, Rects(order[i]));
        if (i == 3) {
            EXPECT_GT(left, 0) << "the F4 heart stays";
        } else {
            EXPECT_EQ(left, 0) << "heart " << i - 1 << " was cleared";
        }
    }
    EXPECT_GT(ChangedOutside(round3First, background, Rects(2)), 0) << "the last heart stays";

    // Then the delay timer, the new background and the flower rows; the page
    // stayed open for them.
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(delayStarted);
    EXPECT_FALSE(gift::App().roseSnapshot.Empty());
    EXPECT_EQ(panelBackground.Width(), width);
    EXPECT_EQ(copiesVisible, std::vector<bool>(12, true));

    // Esc closed it; the copies went with it.
    EXPECT_FALSE(runtime::IsAlive(Page()));
    for (const auto& list : gift::App().flowerLists) EXPECT_TRUE(list.empty());
}

// Only its identifier matters: it stands for the start window behind the page.
const runtime::FormDescription kStandInStart{
    .id = gift::kStartFormId, .left = 50, .top = 50, .width = 486, .height = 342};

TEST_F(RosePageTest, EveryWayOutDuringTheShowEndsItAtOnce) {
    const HWND start = runtime::FormWindowHandle(runtime::LoadForm(kStandInStart));
    struct WayOut {
        const char* name;
        void (*ask)(HWND page, HWND panel);
    };
    const WayOut ways[] = {
        // Typed: the key reaches whichever window has the focus, as the user's does.
        {"Esc", [](HWND, HWND) { testkeys::TypeKeys({VK_ESCAPE}); }},
        {"right button",
         [](HWND, HWND panel) {
             PostMessageW(panel, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
         }},
        {"Alt+F4",
         [](HWND, HWND) {
             testkeys::TypeKeys({VK_MENU, VK_F4});
         }},
        {"taskbar close (posted)",
         [](HWND page, HWND) { PostMessageW(page, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"taskbar close (sent)",
         [](HWND page, HWND) { SendMessageW(page, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"WM_CLOSE", [](HWND page, HWND) { PostMessageW(page, WM_CLOSE, 0, 0); }},
    };
    for (const WayOut& way : ways) {
        SCOPED_TRACE(way.name);
        std::uint64_t askedAt = 0;
        clock.beforeWait = [&](std::uint64_t waited) {
            // During the first heart's slow steps.
            if (askedAt || waited < 7000) return;
            askedAt = waited;
            way.ask(PageWindow(), runtime::FormWindowHandle(Unit(gift::rose::kPanel)));
        };
        const std::uint64_t before = clock.Waited();
        OpenPage();  // returns only once the page has closed
        ASSERT_NE(askedAt, 0u);
        // The pause in progress ended with its current slice; nothing more ran.
        EXPECT_LE(clock.Waited(), askedAt + 50);
        EXPECT_GT(clock.Waited(), before);
        EXPECT_FALSE(runtime::IsAlive(Page()));
        EXPECT_TRUE(gift::App().roseSnapshot.Empty()) << "the show never reached its end";
        EXPECT_EQ(gift::ProgramCounters().delayTicks, 0);
        EXPECT_TRUE(IsWindowEnabled(start));
        clock.beforeWait = nullptr;
    }
}

// The page is modal from the start of its show, which runs inside its
// Created event: the start window is disabled throughout (no click or
// Alt+Tab raises it), and an Esc typed into its letter, had the focus got
// there, is not the page's Esc: the show runs on to its end.
TEST_F(RosePageTest, TheStartWindowIsDisabledThroughTheShowAndItsKeysAreNotThePages) {
    const HWND start = runtime::FormWindowHandle(runtime::LoadForm(kStandInStart));
    const HWND letter = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 10, 10, 200, 100,
                                        start, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(letter, nullptr);
    bool asked = false, enabledDuringShow = true, typed = false, openAfterShow = false;
    clock.beforeWait = [&](std::uint64_t waited) {
        if (asked || waited < 7000) return;
        asked = true;
        enabledDuringShow = IsWindowEnabled(start) != FALSE;
        // Where a click on the start window or Alt+Tab would put the focus,
        // if the system lets it get there.
        SetForegroundWindow(start);
        SetFocus(letter);
        typed = GetFocus() != letter || testkeys::TypeKeys({VK_ESCAPE});
    };
    OpenPage([&] {
        openAfterShow = runtime::IsAlive(Page());
        PostMessageW(PageWindow(), WM_CLOSE, 0, 0);
    });
    clock.beforeWait = nullptr;
    ASSERT_TRUE(asked);
    EXPECT_TRUE(typed);
    EXPECT_FALSE(enabledDuringShow);
    EXPECT_TRUE(openAfterShow) << "the Esc typed into the letter closed the page";
    EXPECT_FALSE(gift::App().roseSnapshot.Empty()) << "the show reached its end";
    EXPECT_TRUE(IsWindowEnabled(start));
}

}  // namespace
