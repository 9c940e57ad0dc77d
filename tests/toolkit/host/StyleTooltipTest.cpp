// Native style bits, the sizing border and the tooltip of the host window.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "HostTestSupport.h"
#include "toolkit/host/Style.h"

using namespace hosttest;

namespace {

TEST(WindowStyle, ResizableSetsOnlyWhenGiven) {
    TestWindow window(100, 80);
    UIHost host;
    ASSERT_TRUE(host.Attach(window.get()));
    EXPECT_EQ(host.Resizable(std::nullopt), 0);
    EXPECT_FALSE(HasStyle(window.get(), WS_THICKFRAME, false));
    EXPECT_EQ(host.Resizable(1), 1);
    EXPECT_TRUE(HasStyle(window.get(), WS_THICKFRAME, false));
    const LONG once = GetWindowLongA(window.get(), GWL_STYLE);
    host.Resizable(1);  // the bit is already there: nothing changes
    EXPECT_EQ(GetWindowLongA(window.get(), GWL_STYLE), once);
    EXPECT_EQ(host.Resizable(0), 0);
    EXPECT_FALSE(HasStyle(window.get(), WS_THICKFRAME, false));
}

struct ToolState {
    int count;
    RECT rect;
    std::string text;
};

ToolState ReadTool(HWND tooltip) {
    ToolState state{};
    state.count = static_cast<int>(SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0));
    if (state.count == 0) return state;
    char text[256] = {};
    TTTOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.lpszText = text;
    SendMessageA(tooltip, TTM_ENUMTOOLSA, 0, reinterpret_cast<LPARAM>(&info));
    state.rect = info.rect;
    state.text = text;
    return state;
}

TEST(Tooltip, FollowsTheHintedElement) {
    TestWindow window(300, 200);
    UIHost host;
    ASSERT_TRUE(host.Attach(window.get()));
    ProbeElement a, b, plain;
    a.Create(window.get(), Rf(10.7f, 20, 50.6f, 30), 2);
    b.Create(window.get(), Rf(100, 40, 60, 20), 2);
    plain.Create(window.get(), Rf(200, 40, 60, 20), 2);
    a.Hint(std::string("第一个"));
    b.Hint(std::string("second"));
    const HWND tooltip = host.tooltipWnd.get();
    EXPECT_EQ(ReadTool(tooltip).count, 0);

    host.UpdateTooltip(&a, std::nullopt);
    ToolState state = ReadTool(tooltip);
    ASSERT_EQ(state.count, 1);
    EXPECT_EQ(state.text, "第一个");
    EXPECT_EQ(state.rect.left, 10);  // truncated
    EXPECT_EQ(state.rect.right, 61);
    EXPECT_EQ(state.rect.bottom, 50);

    host.UpdateTooltip(&b, std::nullopt);  // replaced, not added
    state = ReadTool(tooltip);
    ASSERT_EQ(state.count, 1);
    EXPECT_EQ(state.text, "second");
    EXPECT_EQ(state.rect.left, 100);
    EXPECT_EQ(state.rect.top, 40);

    host.UpdateTooltip(&plain, std::nullopt);  // no hint: no tool, no tooltip
    EXPECT_EQ(ReadTool(tooltip).count, 0);

    // An element publishing a new hint passes the text itself.
    plain.Hint(std::string("now with a hint"), true);
    state = ReadTool(tooltip);
    ASSERT_EQ(state.count, 1);
    EXPECT_EQ(state.text, "now with a hint");
}

}  // namespace

namespace {

WNDPROC CurrentProc(HWND hwnd) {
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
}

// The tool subclasses the host window on top of the host's own procedure; its
// removal must not bring the host's procedure back after the host has gone.
TEST(Tooltip, TeardownLeavesTheWindowItsOwnProcedure) {
    {
        TestWindow window(300, 200);
        UIHost host;
        ASSERT_TRUE(host.Attach(window.get()));
        ProbeElement a;
        a.Create(window.get(), Rf(10, 10, 50, 20), 2);
        a.Hint(std::string("tip"), true);
        host.OnDestroy(window.get());
        EXPECT_EQ(CurrentProc(window.get()), reinterpret_cast<WNDPROC>(RecordingProc));
        Seen().clear();
        SendMessageA(window.get(), WM_USER + 1, 0, 0);
        EXPECT_EQ(Seen().size(), 1u);
    }
    {
        UIHost host;
        ProbeElement a;
        TestWindow window(300, 200);
        ASSERT_TRUE(host.Attach(window.get()));
        a.Create(window.get(), Rf(10, 10, 50, 20), 2);
        a.Hint(std::string("tip"), true);
        Seen().clear();
        DestroyWindow(window.get());  // WM_DESTROY, then WM_NCDESTROY to the window's own procedure
        bool ncDestroy = false;
        for (const SeenMessage& m : Seen()) ncDestroy = ncDestroy || m.msg == WM_NCDESTROY;
        EXPECT_TRUE(ncDestroy);
    }
}

}  // namespace
