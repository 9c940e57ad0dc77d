// The fireworks page on a real layered window: the chain of frame timers as
// the message queue delivers their ticks, the frame the window then shows,
// and which mouse button closes it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "app/AppObjects.h"
#include "app/Content.h"
#include "app/PageForms.h"
#include "app/StartForm.h"
#include "app/StartWindow.h"
#include "app/Startup.h"
#include "runtime/Program.h"
#include "runtime/Services.h"
#include "toolkit/controls/PngControl.h"
#include "toolkit/controls/Element.h"
#include "toolkit/controls/PushButton.h"
#include "toolkit/core/Text.h"
#include "toolkit/core/Toolkit.h"
#include "platform/ProcessStats.h"

namespace {

using runtime::UnitRef;

UnitRef Page() {
    return runtime::FindForm(gift::kFireworksPageId);
}

// Timer ticks of the page in the order the loop takes them.
struct TickLog {
    std::vector<int> timers;  // 1..36
    int wrongIntervals = 0;   // ticks while another frame timer also ran, or at another pace
};
TickLog ticks;

int TimerOf(HWND window) {
    for (std::uint32_t k = 1; k <= 36; ++k)
        if (runtime::FormWindowHandle(runtime::FindUnit(Page(), k)) == window)
            return static_cast<int>(k);
    return 0;
}

LRESULT CALLBACK WatchTicks(int code, WPARAM removal, LPARAM lParam) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && removal == PM_REMOVE && msg->message == WM_TIMER) {
        if (const int k = TimerOf(msg->hwnd); k >= 1 && k <= 35) {
            // Only the ticking frame timer runs, at 50 ms (the first at 10 ms).
            for (std::uint32_t j = 1; j <= 35; ++j) {
                const int interval = runtime::FormProperty(runtime::FindUnit(Page(), j),
                                                           runtime::kCaptionOrInterval);
                const int wanted = static_cast<int>(j) != k ? 0 : ticks.timers.empty() ? 10 : 50;
                ticks.wrongIntervals += interval != wanted;
            }
            ticks.timers.push_back(k);
        }
    }
    return CallNextHookEx(nullptr, code, removal, lParam);
}

struct HookOwner {
    HHOOK hook;
    ~HookOwner() {
        if (hook) UnhookWindowsHookEx(hook);
    }
};

// What the page showed and did, seen from inside its loop.
struct Seen {
    std::size_t framesWanted = 0;
    bool leftClicked = false;
    bool openAfterLeftClick = false;
    int lastFrame = 0;
    int alphaMismatches = -1;
    DWORD started = 0;
    bool startEnabled = true;  // the start window while the page runs
    const unsigned char* startBackground = nullptr;
};
Seen seen;

// Alpha survives premultiplication unchanged: the window's composite must
// carry the frame's alpha pixel for pixel.
int AlphaMismatches(HWND window, int frame) {
    const SkinComposite composite = SkinCompositeOf(window);
    const runtime::Picture picture = runtime::LoadPicture(content::FireworksFrame(frame));
    if (!composite || composite.width != picture.Width() || composite.height != picture.Height())
        return -1;
    int mismatches = 0;
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            mismatches +=
                std::abs(static_cast<int>(composite.At(x, y) >> 24) -
                         static_cast<int>(picture.FrameAt(0).pixels[y * 640 + x] >> 24)) > 1;
    return mismatches;
}

void CALLBACK Drive(HWND, UINT, UINT_PTR id, DWORD) {
    const HWND window = runtime::FormWindowHandle(Page());
    if (!window) return;
    if (!seen.leftClicked && ticks.timers.size() >= 3) {
        PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(320, 240));
        PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(320, 240));
        seen.leftClicked = true;
        return;
    }
    const bool enough = seen.leftClicked && ticks.timers.size() >= seen.framesWanted;
    if (!enough && GetTickCount() - seen.started < 30000) return;
    KillTimer(nullptr, id);
    if (const HWND start = runtime::FormWindowHandle(runtime::FindForm(gift::kStartFormId))) {
        seen.startEnabled = IsWindowEnabled(start) != FALSE;
        seen.startBackground = gift::App().startHost.bgSource.data;
    }
    seen.openAfterLeftClick = !runtime::IsClosing(Page());
    seen.lastFrame = ticks.timers.empty() ? 0 : ticks.timers.back();
    if (seen.lastFrame) seen.alphaMismatches = AlphaMismatches(window, seen.lastFrame);
    PostMessageW(window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(320, 240));
}

class FireworksPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        runtime::InitRuntime();
        CreateGlobals();
        if (!DefaultFont) StartToolkit();
    }
    void TearDown() override {
        runtime::Quit();
        TeardownGlobals();
        DeleteFileW(ToWide(gift::MusicPath()).c_str());  // written by the start window
    }

    // Opens the page (by default straight from its form) and right-clicks it
    // once `frames` frames have shown.
    void Play(
        std::size_t frames,
        void (*open)() = [] { runtime::LoadForm(gift::FireworksPageForm(), {}, true); }) {
        ticks = {};
        seen = {};
        seen.framesWanted = frames;
        seen.started = GetTickCount();
        HookOwner hook{SetWindowsHookExW(WH_GETMESSAGE, WatchTicks, nullptr, GetCurrentThreadId())};
        SetTimer(nullptr, 0, 20, Drive);
        open();
    }
};

TEST_F(FireworksPageTest, FramesFollowInAnEndlessChainUntilTheRightButton) {
    Play(37);

    // 1..35, then 1 and 2 again: each timer hands over to the next.
    ASSERT_GE(ticks.timers.size(), 37u);
    for (std::size_t i = 0; i < ticks.timers.size(); ++i)
        EXPECT_EQ(ticks.timers[i], static_cast<int>(i % 35) + 1) << "tick " << i;
    EXPECT_EQ(ticks.wrongIntervals, 0);
    // The window showed the frame of the last tick.
    EXPECT_EQ(seen.alphaMismatches, 0) << "frame " << seen.lastFrame;
    // The left button changed nothing; the right one closed the page.
    EXPECT_TRUE(seen.openAfterLeftClick);
    EXPECT_FALSE(runtime::IsAlive(Page()));
    EXPECT_EQ(gift::App().skinLayer.Window(), nullptr) << "the layer let go of the window";
}

TEST_F(FireworksPageTest, ReopeningLeavesNothingBehind) {
    Play(3);
    const DWORD gdi = static_cast<DWORD>(procstats::GdiObjects());
    const DWORD user = static_cast<DWORD>(procstats::UserObjects());
    Play(3);
    ASSERT_GE(ticks.timers.size(), 3u);
    EXPECT_FALSE(runtime::IsAlive(Page()));
    EXPECT_EQ(gift::App().skinLayer.Window(), nullptr);
    // Where the system counts them (Wine may report 0).
    EXPECT_EQ(static_cast<DWORD>(procstats::GdiObjects()), gdi);
    EXPECT_EQ(static_cast<DWORD>(procstats::UserObjects()), user);
}

TEST_F(FireworksPageTest, ButtonShowsThePagePhotographThenRunsThePageOverADisabledStartWindow) {
    runtime::LoadForm(gift::StartForm());
    const HWND start = runtime::FormWindowHandle(runtime::FindForm(gift::kStartFormId));
    ASSERT_NE(start, nullptr);
    // Returns only when the page has closed.
    Play(3, [] { gift::App().pageButtons[1].Send(kClick, 0, 0); });

    EXPECT_GE(ticks.timers.size(), 3u);
    EXPECT_EQ(seen.startBackground, content::FireworksBackground().data);
    EXPECT_FALSE(seen.startEnabled) << "the page is modal";
    EXPECT_TRUE(IsWindowEnabled(start));
    EXPECT_FALSE(runtime::IsAlive(Page()));
}

// ---- every way out ------------------------------------------------------------

enum class Way { RightButtonOnTransparent, Escape, AltF4, TaskbarClose, Close };

struct WayOut {
    Way way = Way::Close;
    DWORD started = 0;
    bool acted = false;
    bool fallback = false;  // the way did not close the page; WM_CLOSE did
    int frame = 0;
    POINT point{-1, -1};  // fully transparent in the frame shown
    int presentedAlpha = -1;
    int visibleChanges = -1;
};
WayOut out;

// Premultiplied, as the window's pixels are.
std::uint32_t Premultiplied(std::uint32_t argb) {
    const std::uint32_t a = argb >> 24;
    auto channel = [a](std::uint32_t c) { return (c * a + 127) / 255; };
    return a << 24 | channel(argb >> 16 & 0xFF) << 16 | channel(argb >> 8 & 0xFF) << 8 |
           channel(argb & 0xFF);
}

// Looks at what the window presents against the frame, then leaves by `out.way`.
void Act(HWND window) {
    // The frame stays while the test looks at it.
    for (std::uint32_t k = 1; k <= 35; ++k)
        runtime::SetFormProperty(runtime::FindUnit(Page(), k), runtime::kCaptionOrInterval, 0);
    out.frame = ticks.timers.back();
    const runtime::Picture picture = runtime::LoadPicture(content::FireworksFrame(out.frame));
    const SkinComposite composite = SkinCompositeOf(window);
    if (composite && composite.width == 640 && composite.height == 480) {
        out.visibleChanges = 0;
        for (int y = 0; y < 480; ++y) {
            for (int x = 0; x < 640; ++x) {
                const std::uint32_t want = Premultiplied(picture.FrameAt(0).pixels[y * 640 + x]);
                const std::uint32_t got = composite.At(x, y);
                for (int shift = 0; shift < 32; shift += 8)
                    if (std::abs(static_cast<int>(want >> shift & 0xFF) -
                                 static_cast<int>(got >> shift & 0xFF)) > 1) {
                        ++out.visibleChanges;
                        break;
                    }
                if (out.point.x < 0 && y >= 240 && x >= 320 && (want >> 24) == 0)
                    out.point = {x, y};
            }
        }
        if (out.point.x >= 0)
            out.presentedAlpha = static_cast<int>(composite.At(out.point.x, out.point.y) >> 24);
    }
    switch (out.way) {
        case Way::RightButtonOnTransparent: {
            // Real input at that point of the screen.
            RECT r{};
            GetWindowRect(window, &r);
            SetCursorPos(r.left + out.point.x, r.top + out.point.y);
            INPUT input[2] = {};
            input[0].type = input[1].type = INPUT_MOUSE;
            input[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
            input[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
            SendInput(2, input, sizeof(INPUT));
            break;
        }
        case Way::Escape:
            PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 1);
            break;
        case Way::AltF4:
            PostMessageW(window, WM_SYSKEYDOWN, VK_F4, 0x20000001);
            break;
        case Way::TaskbarClose:
            SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case Way::Close:
            PostMessageW(window, WM_CLOSE, 0, 0);
            break;
    }
}

void CALLBACK DriveOut(HWND, UINT, UINT_PTR id, DWORD) {
    const HWND window = runtime::FormWindowHandle(Page());
    if (!window) {
        KillTimer(nullptr, id);
        return;
    }
    if (!out.acted) {
        if (ticks.timers.size() < 3) return;
        out.acted = true;
        out.started = GetTickCount();
        Act(window);
    } else if (GetTickCount() - out.started > 5000 && !out.fallback) {
        out.fallback = true;
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
}

TEST_F(FireworksPageTest, EveryWayOutLeavesTheStartWindowUsable) {
    runtime::LoadForm(gift::StartForm());
    const HWND start = runtime::FormWindowHandle(runtime::FindForm(gift::kStartFormId));
    ASSERT_NE(start, nullptr);
    const std::pair<Way, const char*> ways[] = {
        {Way::RightButtonOnTransparent, "right button on a transparent pixel"},
        {Way::Escape, "Esc"},
        {Way::AltF4, "Alt+F4"},
        {Way::TaskbarClose, "taskbar close"},
        {Way::Close, "WM_CLOSE"},
    };
    for (const auto& [way, name] : ways) {
        SCOPED_TRACE(name);
        ticks = {};
        out = {};
        out.way = way;
        HookOwner hook{SetWindowsHookExW(WH_GETMESSAGE, WatchTicks, nullptr, GetCurrentThreadId())};
        SetTimer(nullptr, 0, 20, DriveOut);
        gift::App().pageButtons[1].Send(kClick, 0, 0);  // returns once the page has closed

        EXPECT_FALSE(out.fallback) << "the page stayed open";
        EXPECT_FALSE(runtime::IsAlive(Page()));
        EXPECT_EQ(gift::App().skinLayer.Window(), nullptr);
        EXPECT_TRUE(IsWindowVisible(start));
        EXPECT_TRUE(IsWindowEnabled(start));
        if (way == Way::RightButtonOnTransparent) {
            // The window takes the click there, and looks exactly like the frame.
            ASSERT_GE(out.point.x, 0) << "frame " << out.frame;
            EXPECT_GE(out.presentedAlpha, 1) << "at " << out.point.x << "," << out.point.y;
            EXPECT_EQ(out.visibleChanges, 0) << "frame " << out.frame;
        }
    }
}

}  // namespace
