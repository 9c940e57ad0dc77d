// The whole start-up and shutdown sequence in one process: the start window
// appears where the recipient expects it, and closing it ends the loop and
// releases the globals.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "app/AppObjects.h"
#include "app/Startup.h"
#include "runtime/Music.h"
#include "toolkit/core/Toolkit.h"

namespace {

RECT seenRect{};
bool seenVisible = false;
bool seenAttached = false;
bool seenIcon = false;

// The song goes nowhere: no sound device is needed.
class SilentOutput : public audio::AudioOutput {
public:
    bool Open(int, int) override { return true; }
    bool Write(const std::int16_t*, std::size_t) override { return true; }
    void Drain() override {}
    void Abort() override {}
    void Close() override {}
};
std::unique_ptr<audio::AudioOutput> MakeSilent() {
    return std::make_unique<SilentOutput>();
}

// Runs inside the start window's message loop: inspects the window, then
// closes it the way a user would.
void CALLBACK CloseStartWindow(HWND, UINT, UINT_PTR id, DWORD) {
    HWND start = FindWindowW(nullptr, ToWide("七夕快乐").c_str());
    if (!start) return;  // not shown yet: try on the next tick
    KillTimer(nullptr, id);
    GetWindowRect(start, &seenRect);
    seenVisible = IsWindowVisible(start) != FALSE;
    seenAttached = GlobalsAlive() && gift::App().startHost.hwnd == start;
    seenIcon = SendMessageW(start, WM_GETICON, ICON_BIG, 0) != 0;
    PostMessageW(start, WM_CLOSE, 0, 0);
}

// Logging off while a page runs: the page button pressed from inside the
// start window's loop, and the system's two messages sent to the page from
// another thread, as Windows sends them.
int pageButton = 0;
const char* const kPageTitles[3] = {"玫瑰盛宴", "爱的烟花", "想说的话"};

void LogOffOnceThePageShows(std::wstring title) {
    HWND page = nullptr;
    for (int i = 0; i < 200 && !(page && IsWindowVisible(page)); ++i) {
        ::Sleep(50);
        page = FindWindowW(nullptr, title.c_str());
    }
    ::Sleep(200);
    if (!SendMessageW(page, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF)) {
        std::fputs("the page refused the log-off\n", stderr);
        std::_Exit(4);
    }
    SendMessageW(page, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    // Only reached when the program did not end on the log-off.
    std::fputs("still running after the log-off\n", stderr);
    std::_Exit(5);
}

void CALLBACK OpenPageThenLogOff(HWND, UINT, UINT_PTR id, DWORD) {
    if (!FindWindowW(nullptr, ToWide("七夕快乐").c_str())) return;
    KillTimer(nullptr, id);
    std::thread(LogOffOnceThePageShows, ToWide(kPageTitles[pageButton])).detach();
    gift::App().pageButtons[pageButton].Send(kClick, 0, 0);  // the page's own loop
}

}  // namespace

TEST(StartupDeathTest, LoggingOffWhileAPageRunsEndsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (int button = 0; button < 3; ++button) {
        SCOPED_TRACE(kPageTitles[button]);
        EXPECT_EXIT(
            {
                runtime::SetAudioOutputFactory(MakeSilent);
                pageButton = button;
                SetTimer(nullptr, 0, 50, OpenPageThenLogOff);
                RunGift();
                std::exit(3);  // not reached
            },
            ::testing::ExitedWithCode(0), "");
    }
}

TEST(Startup, StartWindowOpensAndClosingItEndsTheProgram) {
    runtime::SetAudioOutputFactory(MakeSilent);
    SetTimer(nullptr, 0, 50, CloseStartWindow);
    EXPECT_EQ(RunGift(), 0);
    runtime::SetAudioOutputFactory(nullptr);

    EXPECT_TRUE(seenVisible);
    EXPECT_TRUE(seenAttached);  // the Created event put the host on the window
    EXPECT_TRUE(seenIcon);      // the gift's own icon, not the system's default
    EXPECT_EQ(seenRect.left, 50);
    EXPECT_EQ(seenRect.top, 50);
    EXPECT_EQ(seenRect.right - seenRect.left, 486);
    EXPECT_EQ(seenRect.bottom - seenRect.top, 342);

    // Both GDI+ sessions and the toolkit's globals came up before the window.
    EXPECT_NE(ApplicationGdiplusToken, 0u);
    EXPECT_NE(GdiplusToken, 0u);
    EXPECT_NE(DefaultFont, nullptr);
    EXPECT_NE(CaptionButtonsImage, nullptr);
    // The loop's return ran the teardown.
    EXPECT_FALSE(GlobalsAlive());
}
