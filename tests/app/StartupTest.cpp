// The whole start-up and shutdown sequence in one process: the start window
// appears where the recipient expects it, and closing it ends the loop and
// releases the globals.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/Startup.h"
#include "toolkit/core/Toolkit.h"

namespace {

RECT seenRect{};
bool seenVisible = false;

// Runs inside the start window's message loop: inspects the window, then
// closes it the way a user would.
void CALLBACK CloseStartWindow(HWND, UINT, UINT_PTR id, DWORD) {
    HWND start = FindWindowW(nullptr, ToWide("七夕快乐").c_str());
    if (!start) return;  // not shown yet: try on the next tick
    KillTimer(nullptr, id);
    GetWindowRect(start, &seenRect);
    seenVisible = IsWindowVisible(start) != FALSE;
    PostMessageW(start, WM_CLOSE, 0, 0);
}

}  // namespace

TEST(Startup, StartWindowOpensAndClosingItEndsTheProgram) {
    SetTimer(nullptr, 0, 50, CloseStartWindow);
    EXPECT_EQ(RunGift(), 0);

    EXPECT_TRUE(seenVisible);
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
