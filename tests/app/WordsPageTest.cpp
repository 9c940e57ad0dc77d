// The words page over a stand-in start window: the colour key, the start
// window stepping aside, and the scroll's end, with the page's timer ticks
// delivered one by one.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/Content.h"
#include "app/PageForms.h"
#include "app/StartForm.h"
#include "runtime/Program.h"
#include "runtime/Services.h"
#include "tests/support/Keyboard.h"

namespace {

using runtime::UnitRef;

// Only its identifier matters: the page finds the start window by it.
const runtime::FormDescription kStandIn{
    .id = gift::kStartFormId, .left = 50, .top = 50, .width = 486, .height = 342};

struct Seen {
    COLORREF key = 0;
    DWORD flags = 0;
    bool startHiddenWhileScrolling = false;
    int firstTop = 0;
    int ticksToClose = 0;
    int topBeforeLastTick = 0;
    bool closedAtOnce = false;
    bool startShownAtClose = false;
};
Seen seen;

UnitRef Page() {
    return runtime::FindForm(gift::kWordsPageId);
}

void CALLBACK Drive(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    const UnitRef page = Page();
    const HWND window = runtime::FormWindowHandle(page);
    BYTE alpha = 0;
    GetLayeredWindowAttributes(window, &seen.key, &alpha, &seen.flags);
    const HWND start = runtime::FormWindowHandle(runtime::FindForm(gift::kStartFormId));

    // The page's own timer stands still; each tick is delivered as the
    // runtime delivers it, so the count is exact.
    const UnitRef timer = runtime::FindUnit(page, gift::words::kScrollTimer);
    const UnitRef panel = runtime::FindUnit(page, gift::words::kPanel);
    runtime::SetFormProperty(timer, runtime::kCaptionOrInterval, 0);
    const HWND timerWindow = runtime::FormWindowHandle(timer);
    seen.startHiddenWhileScrolling = !IsWindowVisible(start);
    seen.firstTop = runtime::FormProperty(panel, runtime::kTop);
    while (!runtime::IsClosing(page) && seen.ticksToClose < 1000) {
        seen.startHiddenWhileScrolling = seen.startHiddenWhileScrolling && !IsWindowVisible(start);
        seen.topBeforeLastTick = runtime::FormProperty(panel, runtime::kTop);
        SendMessageW(timerWindow, WM_TIMER, 1000, 0);
        ++seen.ticksToClose;
    }
    seen.startShownAtClose = IsWindowVisible(start) != FALSE;
    // A tick still in the queue after the closing request moves nothing.
    SendMessageW(timerWindow, WM_TIMER, 1000, 0);
    seen.closedAtOnce = runtime::FormProperty(panel, runtime::kTop) == seen.topBeforeLastTick - 5;
}

TEST(WordsPage, ScrollsTheRedPageAwayAndBringsTheStartWindowBack) {
    runtime::InitRuntime();
    const UnitRef start = runtime::LoadForm(kStandIn);
    ASSERT_TRUE(IsWindowVisible(runtime::FormWindowHandle(start)));
    seen = {};
    SetTimer(nullptr, 0, 1, Drive);
    runtime::LoadForm(gift::WordsPageForm(), {}, true);

    // Pure red is the colour key: the window and panel vanish.
    EXPECT_EQ(seen.key, RGB(255, 0, 0));
    EXPECT_EQ(seen.flags & LWA_COLORKEY, static_cast<DWORD>(LWA_COLORKEY));
    EXPECT_TRUE(seen.startHiddenWhileScrolling);
    // From just below the screen, 5 pixels a tick, until the first top at or
    // above -592.
    EXPECT_EQ(seen.firstTop, runtime::ScreenHeight());
    EXPECT_EQ(seen.ticksToClose, (seen.firstTop + gift::words::kPanelHeight + 4) / 5);
    EXPECT_GT(seen.topBeforeLastTick, -gift::words::kPanelHeight);
    EXPECT_LE(seen.topBeforeLastTick - 5, -gift::words::kPanelHeight);
    EXPECT_TRUE(seen.closedAtOnce);
    EXPECT_TRUE(seen.startShownAtClose);
    EXPECT_FALSE(runtime::IsAlive(Page()));
    EXPECT_TRUE(IsWindowVisible(runtime::FormWindowHandle(start)));
    EXPECT_EQ(GetForegroundWindow(), runtime::FormWindowHandle(start)) << "back in front";
    runtime::Quit();
}

struct WayOut {
    const char* name;
    void (*close)(HWND page);
};
const WayOut* way = nullptr;
bool hiddenBeforeClose = false;

// Partway through the scroll: notes whether the start window is hidden, then
// closes the page the way under test.
// Times the other program's window was activated.
std::atomic<int> otherActivated{0};

void CALLBACK CloseMidScroll(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    otherActivated = 0;
    hiddenBeforeClose =
        !IsWindowVisible(runtime::FormWindowHandle(runtime::FindForm(gift::kStartFormId)));
    way->close(runtime::FormWindowHandle(Page()));
}

LRESULT CALLBACK OtherProgramProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE) ++otherActivated;
    return DefWindowProcW(window, msg, wParam, lParam);
}

// A window of another thread, standing for another program's window: what
// Windows activates when the active page goes and nothing of its own is shown.
class OtherProgram {
public:
    OtherProgram() {
        thread_ = std::thread([this] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = OtherProgramProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"GiftTestOtherProgram";
            RegisterClassW(&wc);
            window_ = CreateWindowExW(0, wc.lpszClassName, L"another program", WS_OVERLAPPEDWINDOW,
                                      600, 80, 300, 200, nullptr, nullptr, wc.hInstance, nullptr);
            ShowWindow(window_, SW_SHOWNOACTIVATE);
            threadId_ = GetCurrentThreadId();
            ready_ = true;
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
            DestroyWindow(window_);
        });
        while (!ready_) Sleep(1);
    }
    ~OtherProgram() {
        PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }

private:
    std::thread thread_;
    std::atomic<bool> ready_{false};
    HWND window_ = nullptr;
    DWORD threadId_ = 0;
};

TEST(WordsPage, ClosingItEarlyAnyWayBringsTheStartWindowBack) {
    const OtherProgram other;
    const WayOut ways[] = {
        // Typed, to whichever window has the focus, as the user's keys are.
        {"Alt+F4",
         [](HWND) {
             testkeys::TypeKeys({VK_MENU, VK_F4});
         }},
        {"taskbar close", [](HWND page) { SendMessageW(page, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"WM_CLOSE", [](HWND page) { PostMessageW(page, WM_CLOSE, 0, 0); }},
    };
    for (const WayOut& each : ways) {
        SCOPED_TRACE(each.name);
        runtime::InitRuntime();
        const HWND start = runtime::FormWindowHandle(runtime::LoadForm(kStandIn));
        way = &each;
        hiddenBeforeClose = false;
        SetTimer(nullptr, 0, 300, CloseMidScroll);
        runtime::LoadForm(gift::WordsPageForm(), {}, true);  // returns once the page is gone

        EXPECT_TRUE(hiddenBeforeClose);
        EXPECT_FALSE(runtime::IsAlive(Page()));
        EXPECT_TRUE(IsWindowVisible(start));
        EXPECT_TRUE(IsWindowEnabled(start));
        // In front, not behind whatever else is open (here another thread's
        // window, which Windows would activate as the page goes).
        EXPECT_EQ(GetForegroundWindow(), start);
        Sleep(100);  // the other thread takes any activation it was sent
        EXPECT_EQ(otherActivated.load(), 0) << "activation passed through another program";
        runtime::Quit();
    }
}

std::vector<std::pair<int, std::string>> linesByTop;

TEST(WordsPage, LabelsReadTopToBottomAsThePoem) {
    runtime::InitRuntime();
    linesByTop.clear();
    SetTimer(nullptr, 0, 1, [](HWND, UINT, UINT_PTR id, DWORD) CALLBACK {
        KillTimer(nullptr, id);
        for (int n = 1; n <= gift::words::kLabelCount; ++n) {
            const UnitRef label = runtime::FindUnit(Page(), gift::words::kFirstLabel + n - 1);
            linesByTop.emplace_back(runtime::FormProperty(label, runtime::kTop),
                                    runtime::FormTextProperty(label, runtime::kCaptionOrInterval));
        }
        runtime::DestroyForm(Page());
    });
    runtime::LoadForm(gift::WordsPageForm(), {}, true);

    ASSERT_EQ(linesByTop.size(), 20u);
    std::sort(linesByTop.begin(), linesByTop.end());
    for (int n = 1; n <= 20; ++n) EXPECT_EQ(linesByTop[n - 1].second, content::PoemLine(n)) << n;
    runtime::Quit();
}

}  // namespace
