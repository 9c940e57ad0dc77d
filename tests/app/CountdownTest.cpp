// The end of the program as the rose page runs it: the program-wide delay
// count, the flower rain at exactly the thirtieth tick, the countdown line,
// the message-box outcome and the end itself (through the process-end seam),
// with every tick delivered the way the runtime delivers it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/AppObjects.h"
#include "app/Content.h"
#include "app/Countdown.h"
#include "app/PageForms.h"
#include "app/Startup.h"
#include "runtime/Clock.h"
#include "runtime/Program.h"
#include "runtime/Services.h"
#include "toolkit/core/Toolkit.h"
#include "tests/app/AppTestSupport.h"

namespace {

using apptest::inPage;
using apptest::Match;
using apptest::RunInPage;
using runtime::Picture;
using runtime::UnitRef;

int endCalls = 0;
int endCode = -1;
void RecordEnd(int code) {
    ++endCalls;
    endCode = code;
}

UnitRef Page() {
    return runtime::FindForm(gift::kRosePageId);
}
UnitRef Unit(std::uint32_t id) {
    return runtime::FindUnit(Page(), id);
}
void Tick(std::uint32_t timer) {
    SendMessageW(runtime::FormWindowHandle(Unit(timer)), WM_TIMER, 1000, 0);
}
void Stop(std::uint32_t timer) {
    runtime::SetFormProperty(Unit(timer), runtime::kCaptionOrInterval, 0);
}
int Interval(std::uint32_t timer) {
    return runtime::FormProperty(Unit(timer), runtime::kCaptionOrInterval);
}

bool SameRgb(const Picture& a, const Picture& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.Empty()) return false;
    const auto& pa = a.FrameAt(0).pixels;
    const auto& pb = b.FrameAt(0).pixels;
    for (std::size_t i = 0; i < pa.size(); ++i)
        if ((pa[i] & 0xFFFFFF) != (pb[i] & 0xFFFFFF)) return false;
    return true;
}

void PressOk(HWND box) {
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}
// How the test closes the box: its OK button unless a test says otherwise.
void (*closeBox)(HWND box) = PressOk;

// The message box of a countdown tick, as the user sees it.
struct Box {
    std::wstring caption;
    bool hasText = false;
    int countdownWhileOpen = 0;
    bool found = false;
};
Box box;

BOOL CALLBACK FindText(HWND child, LPARAM) {
    wchar_t text[64] = {};
    GetWindowTextW(child, text, 64);
    if (std::wstring(text) == L"我好爱你") box.hasText = true;
    return TRUE;
}

BOOL CALLBACK FindBox(HWND window, LPARAM) {
    wchar_t cls[16] = {};
    GetClassNameW(window, cls, 16);
    if (std::wstring(cls) != L"#32770" || !IsWindowVisible(window)) return TRUE;
    box.found = true;
    wchar_t caption[32] = {};
    GetWindowTextW(window, caption, 32);
    box.caption = caption;
    EnumChildWindows(window, FindText, 0);
    // Ticks keep coming while the box is open; they must not stack boxes.
    Tick(gift::rose::kCountdownTimer);
    box.countdownWhileOpen = gift::ProgramCounters().countdown;
    closeBox(window);
    return FALSE;
}

// Clears *gone while a message box of this thread is still shown.
BOOL CALLBACK ClearIfBoxShown(HWND window, LPARAM gone) {
    wchar_t cls[16] = {};
    GetClassNameW(window, cls, 16);
    if (std::wstring(cls) == L"#32770" && IsWindowVisible(window))
        *reinterpret_cast<bool*>(gone) = false;
    return TRUE;
}

void CALLBACK AnswerBox(HWND, UINT, UINT_PTR id, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), FindBox, 0);
    if (box.found) KillTimer(nullptr, id);
}

class CountdownTest : public apptest::ClockedFixture {
protected:
    void SetUp() override {
        ClockedFixture::SetUp();
        gift::SetProgramEnd(RecordEnd);
        closeBox = PressOk;
        endCalls = 0;
        endCode = -1;
    }
    void TearDown() override {
        ClockedFixture::TearDown();
        gift::SetProgramEnd(nullptr);
    }

    // Opens the rose page; `afterShow` runs inside its loop once the show is
    // over, with the page's own timers stopped so only the test's ticks count.
    // Esc then closes the page, or the right button on one of the flower
    // copies, which answer it like the rest of the page.
    void OpenPage(std::function<void()> afterShow, bool escape = true) {
        inPage = [afterShow, escape] {
            Stop(gift::rose::kDelayTimer);
            afterShow();
            if (escape) {
                PostMessageW(runtime::FormWindowHandle(Page()), WM_KEYDOWN, VK_ESCAPE, 0);
            } else {
                const HWND copy =
                    runtime::FormWindowHandle(gift::App().flowerLists[1].back().control);
                PostMessageW(copy, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
            }
        };
        SetTimer(nullptr, 0, 1, RunInPage);
        runtime::LoadForm(gift::RosePageForm(), {}, true);
        inPage = nullptr;
    }
};

TEST(RainSpot, StaysWithinTheScreenLessTheMargin) {
    runtime::SeedRandom(7);
    int maxX = 0, maxY = 0, minX = 1000, minY = 1000;
    for (int i = 0; i < 3000; ++i) {
        const POINT p = gift::RainSpot(200, 150);
        minX = std::min<int>(minX, p.x);
        minY = std::min<int>(minY, p.y);
        maxX = std::max<int>(maxX, p.x);
        maxY = std::max<int>(maxY, p.y);
    }
    EXPECT_EQ(minX, 0);
    EXPECT_EQ(minY, 0);
    EXPECT_EQ(maxX, 90) << "200 - 110, inclusive";
    EXPECT_EQ(maxY, 40) << "150 - 110, inclusive";
    // A screen smaller than the margin puts every picture at the corner.
    const POINT corner = gift::RainSpot(100, 60);
    EXPECT_EQ(corner.x, 0);
    EXPECT_EQ(corner.y, 0);
}

TEST_F(CountdownTest, DelayCountsAcrossOpeningsAndRainsOnceThenTheCountdownEndsTheProgram) {
    const int width = runtime::ScreenWidth();
    const int height = runtime::ScreenHeight();
    gift::Counters& counters = gift::ProgramCounters();

    std::uint64_t waitedBeforeRain = 0, rainLength = 0, waitedAfter31 = 0;
    int rainCountdownInterval = 0;
    bool rainDrew = false, clearedAfterRain = false;
    std::string boxLine, endLine;
    int endAt = 0;
    RECT lineRect{};
    bool lineVisible = false;
    int lineColour = 0;
    double bottomRow = 0;
    OpenPage([&] {
        // Up to the 29th tick nothing happens.
        while (counters.delayTicks < 29) Tick(gift::rose::kDelayTimer);
        waitedBeforeRain = clock.Waited();
        const Picture snapshot = gift::App().roseSnapshot;
        clock.beforeWait = [&](std::uint64_t waited) {
            if (waited == waitedBeforeRain)
                rainDrew = !SameRgb(runtime::PanelContent(Unit(gift::rose::kPanel)), snapshot);
        };
        Tick(gift::rose::kDelayTimer);  // the 30th
        clock.beforeWait = nullptr;
        rainLength = clock.Waited() - waitedBeforeRain;
        rainCountdownInterval = Interval(gift::rose::kCountdownTimer);
        Stop(gift::rose::kCountdownTimer);
        clearedAfterRain = SameRgb(runtime::PanelContent(Unit(gift::rose::kPanel)), snapshot);
        Tick(gift::rose::kDelayTimer);  // the 31st: nothing
        waitedAfter31 = clock.Waited();

        // A countdown that does not reach -1 shows the box instead.
        counters.countdown = 3;
        box = {};
        SetTimer(nullptr, 0, 20, AnswerBox);
        Tick(gift::rose::kCountdownTimer);
        const UnitRef line = Unit(gift::rose::kCountdownLine);
        boxLine = runtime::FormTextProperty(line, runtime::kCaptionOrInterval);

        // From 0 the first tick shows 0 and ends the program.
        counters.countdown = 0;
        Tick(gift::rose::kCountdownTimer);
        endAt = counters.countdown;
        endLine = runtime::FormTextProperty(line, runtime::kCaptionOrInterval);
        lineRect = {runtime::FormProperty(line, runtime::kLeft),
                    runtime::FormProperty(line, runtime::kTop),
                    runtime::FormProperty(line, runtime::kWidth),
                    runtime::FormProperty(line, runtime::kHeight)};
        lineVisible = IsWindowVisible(runtime::FormWindowHandle(line)) != FALSE;
        lineColour = runtime::FormProperty(line, runtime::kTextColour);
        // The bottom row's last picture lies on top of the others, at the right edge.
        const Picture rowPicture = runtime::LoadPicture(content::BottomRowPicture());
        bottomRow = Match(runtime::PanelContent(Unit(gift::rose::kPanel)), rowPicture,
                          {width - rowPicture.Width(), height - 200});
    });

    // The rain: ten rounds of eleven half-second bursts, then the countdown.
    EXPECT_TRUE(rainDrew);
    EXPECT_EQ(rainLength, 10u * 11u * 500u);
    EXPECT_TRUE(clearedAfterRain) << "the panel shows the rose snapshot again";
    EXPECT_EQ(rainCountdownInterval, 100);
    EXPECT_EQ(waitedAfter31, waitedBeforeRain + rainLength) << "no second rain";

    // The box outcome: one box, the countdown held while it was open.
    EXPECT_TRUE(box.found);
    EXPECT_EQ(box.caption, L"亲：");
    EXPECT_TRUE(box.hasText);
    EXPECT_EQ(box.countdownWhileOpen, 2);
    EXPECT_EQ(boxLine, "距离程序运行结束还有3秒！");

    // The end: the line across the bottom of the screen, then the program ends.
    EXPECT_EQ(endCalls, 1);
    EXPECT_EQ(endCode, 0);
    EXPECT_EQ(endAt, -1);
    EXPECT_EQ(endLine, gift::CountdownText(0));
    EXPECT_EQ(endLine, "距离程序运行结束还有0秒！");
    EXPECT_EQ(lineRect.left, 0);
    EXPECT_EQ(lineRect.top, height - 80);
    EXPECT_EQ(lineRect.right, width);
    EXPECT_EQ(lineRect.bottom, 80);
    EXPECT_TRUE(lineVisible);
    EXPECT_EQ(lineColour, 0x008080);
    EXPECT_GT(bottomRow, 0.9);

    // A second opening keeps counting where the first stopped, and never
    // rains again.
    int ticksAtSecondOpening = 0;
    std::uint64_t waitedBeforeTick = 0, waitedAfterTick = 0;
    OpenPage(
        [&] {
            ticksAtSecondOpening = counters.delayTicks;
            waitedBeforeTick = clock.Waited();
            Tick(gift::rose::kDelayTimer);
            waitedAfterTick = clock.Waited();
        },
        false);
    EXPECT_FALSE(runtime::IsAlive(Page()));
    EXPECT_GE(ticksAtSecondOpening, 31);
    EXPECT_EQ(counters.delayTicks, ticksAtSecondOpening + 1);
    EXPECT_EQ(waitedAfterTick, waitedBeforeTick);
}

const runtime::FormDescription kCountdownPage{
    .id = gift::kRosePageId, .width = 300, .height = 200, .units = apptest::kCountdownUnits};

TEST_F(CountdownTest, EveryWayOfClosingTheBoxLeavesThePageCountingDown) {
    struct WayOut {
        const char* name;
        void (*close)(HWND box);
    };
    const WayOut ways[] = {
        {"OK", PressOk},
        {"Esc", [](HWND window) { PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 1); }},
        {"Alt+F4", [](HWND window) { PostMessageW(window, WM_SYSKEYDOWN, VK_F4, 0x20000001); }},
        {"taskbar close", [](HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"WM_CLOSE", [](HWND window) { PostMessageW(window, WM_CLOSE, 0, 0); }},
    };
    struct Seen {
        bool found = false;
        int countdownAfter = 0;
        bool boxGone = false;
        bool pageEnabled = false;
    };
    std::vector<Seen> seenByWay;
    gift::Counters& counters = gift::ProgramCounters();
    const HWND page = runtime::FormWindowHandle(runtime::LoadForm(kCountdownPage));
    for (const WayOut& way : ways) {
        counters.countdown = 5;
        box = {};
        closeBox = way.close;
        SetTimer(nullptr, 0, 20, AnswerBox);
        Tick(gift::rose::kCountdownTimer);  // returns once the box has closed
        Seen seen{box.found, counters.countdown};
        seen.boxGone = true;
        EnumThreadWindows(GetCurrentThreadId(), ClearIfBoxShown,
                          reinterpret_cast<LPARAM>(&seen.boxGone));
        seen.pageEnabled = IsWindowEnabled(page) != FALSE;
        seenByWay.push_back(seen);
    }
    // And the countdown still ends the program.
    counters.countdown = 0;
    Tick(gift::rose::kCountdownTimer);
    ASSERT_EQ(seenByWay.size(), std::size(ways));
    for (std::size_t i = 0; i < seenByWay.size(); ++i) {
        SCOPED_TRACE(ways[i].name);
        EXPECT_TRUE(seenByWay[i].found);
        EXPECT_TRUE(seenByWay[i].boxGone);
        EXPECT_EQ(seenByWay[i].countdownAfter, 4);
        EXPECT_TRUE(seenByWay[i].pageEnabled) << "the box gave the page back";
    }
    EXPECT_EQ(endCalls, 1);
}

TEST(CountdownDeathTest, RunningOutEndsTheProcessWithCodeZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            runtime::InitRuntime();
            runtime::LoadForm(kCountdownPage);
            Tick(gift::rose::kCountdownTimer);
            std::exit(3);  // not reached
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
