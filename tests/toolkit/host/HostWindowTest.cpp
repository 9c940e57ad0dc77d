// Attaching, message dispatch, size limits and teardown of the host window.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "HostTestSupport.h"
#include "toolkit/host/Style.h"

using namespace hosttest;

namespace {

WNDPROC CurrentProc(HWND hwnd) {
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
}

TEST(HostAttach, RefusesBadWindowsAndChangesNothing) {
    TestWindow window(200, 120);
    TestWindow other(200, 120);
    UIHost host;
    EXPECT_FALSE(host.Attach(nullptr));
    EXPECT_FALSE(host.Attach(reinterpret_cast<HWND>(0x7FFF1234)));
    EXPECT_EQ(host.hwnd, nullptr);

    ASSERT_TRUE(host.Attach(window.get()));
    const HBITMAP back = host.backBitmap.get();
    EXPECT_FALSE(host.Attach(window.get()));  // the window it holds
    EXPECT_FALSE(host.Attach(other.get()));   // one window at a time
    EXPECT_EQ(host.hwnd, window.get());
    EXPECT_EQ(CurrentProc(window.get()), host.wndProcThunk);
    EXPECT_EQ(CurrentProc(other.get()), reinterpret_cast<WNDPROC>(RecordingProc));
    EXPECT_EQ(host.backBitmap.get(), back);
    EXPECT_EQ(GetPropA(other.get(), kHostProperty), nullptr);
}

TEST(HostAttach, SubclassesPublishesAndSetsStyles) {
    TestWindow window(300, 200, WS_POPUP | WS_MINIMIZEBOX);
    UIHost host;
    ASSERT_TRUE(host.Attach(window.get(), {.fixedSize = false}));
    EXPECT_EQ(host.prevWndProc, reinterpret_cast<WNDPROC>(RecordingProc));
    EXPECT_EQ(GetPropA(window.get(), kHostProperty), &host);
    // Caption features taken from the style: icon, title, close, minimise.
    EXPECT_EQ(host.captionFlags, kCaptionFromStyle | 1 | 2 | 4 | 16);
    EXPECT_TRUE(HasStyle(window.get(), WS_SYSMENU, false));
    EXPECT_TRUE(HasStyle(window.get(), WS_THICKFRAME, false));
    EXPECT_FALSE(HasStyle(window.get(), WS_EX_LAYERED, true));
    EXPECT_EQ(SendMessageA(host.tooltipWnd.get(), TTM_GETMAXTIPWIDTH, 0, 0), 1024);

    TestWindow layered(300, 200);
    UIHost translucent;
    ASSERT_TRUE(translucent.Attach(layered.get(),
                                   {.captionFlags = 0, .translucency = 255, .noDrag = true}));
    EXPECT_TRUE(HasStyle(layered.get(), WS_EX_LAYERED, true));
    EXPECT_FALSE(HasStyle(layered.get(), WS_SYSMENU, false));
    EXPECT_EQ(translucent.keepBackground, 1);
}

TEST(HostDestroy, SecondCallReleasesNothingTwiceAndTheHostCanReattach) {
    TestWindow window(200, 120);
    UIHost host;
    ASSERT_TRUE(host.Attach(window.get()));
    ProbeElement element;
    element.Create(window.get(), Rf(20, 20, 40, 20), 2);
    host.SetFocusElement(&element);
    const HWND tooltip = host.tooltipWnd.get();
    const HBITMAP back = host.backBitmap.get();
    const HBITMAP cache = host.cacheBitmap.get();
    const HDC backDc = host.backDC.get();

    host.OnDestroy(window.get());
    EXPECT_EQ(CurrentProc(window.get()), reinterpret_cast<WNDPROC>(RecordingProc));
    EXPECT_EQ(GetPropA(window.get(), kHostProperty), nullptr);
    EXPECT_FALSE(IsWindow(tooltip));
    EXPECT_EQ(GetObjectType(back), 0u);
    EXPECT_EQ(GetObjectType(cache), 0u);
    EXPECT_EQ(GetObjectType(backDc), 0u);
    EXPECT_EQ(host.focused, nullptr);
    EXPECT_EQ(host.firstElement, nullptr);
    EXPECT_EQ(element.handle, nullptr);
    EXPECT_EQ(element.host, nullptr);
    EXPECT_EQ(element.Count(WM_DESTROY), 1);

    host.OnDestroy(window.get());  // nothing left to release
    EXPECT_EQ(element.Count(WM_DESTROY), 1);
    EXPECT_EQ(CurrentProc(window.get()), reinterpret_cast<WNDPROC>(RecordingProc));

    // The element belongs to the application: it can live on in a new attach.
    ASSERT_TRUE(host.Attach(window.get()));
    EXPECT_EQ(CurrentProc(window.get()), host.wndProcThunk);
    EXPECT_EQ(element.Create(window.get(), Rf(20, 20, 40, 20), 2), &element);
    EXPECT_EQ(host.lastElement, &element);  // after the caption buttons
}

TEST(HostDestroy, AttachDestroyCyclesLeakNoHandles) {
    // Every GDI and USER handle a cycle made, to check each is gone
    // afterwards as well as the process's counts.
    std::vector<HGDIOBJ> gdi;
    std::vector<HWND> user;
    auto cycle = [&](bool layered) {
        UIHost host;
        ProbeElement a, b;
        TestWindow window(240, 160);  // destroyed first: WM_DESTROY reaches the host
        host.Attach(window.get(), {.translucency = layered ? 200 : -1});
        a.Create(window.get(), Rf(10, 10, 50, 20), 2);
        b.Create(window.get(), Rf(30, 30, 50, 20), 2);
        b.SetParent(&a);
        b.Hint(std::string("hint"), true);
        a.Invalidate();
        host.Render(std::nullopt, RGB(10, 20, 30));
        Pump();
        gdi.insert(gdi.end(), {host.backDC.get(), host.backBitmap.get(), host.cacheDC.get(),
                               host.cacheBitmap.get()});
        user.push_back(host.tooltipWnd.get());
    };
    cycle(false);  // warm-up: first use of classes, fonts and the tooltip
    cycle(true);
    Pump();
    const DWORD gdiBefore = GdiObjects();
    const DWORD userBefore = UserObjects();
    for (int i = 0; i < 6; ++i) {
        cycle(i % 2 == 0);
        Pump();
    }
    EXPECT_EQ(GdiObjects(), gdiBefore);
    EXPECT_EQ(UserObjects(), userBefore);
    ASSERT_EQ(gdi.size(), 32u);
    for (HGDIOBJ h : gdi) {
        EXPECT_NE(h, nullptr);
        EXPECT_EQ(GetObjectType(h), 0u);
    }
    for (HWND h : user) {
        EXPECT_NE(h, nullptr);
        EXPECT_FALSE(IsWindow(h));
    }
}

TEST(HostDestroy, ReleasingAnAttachedHostGivesTheWindowItsProcedureBack) {
    TestWindow window(200, 120);
    ProbeElement element;
    {
        UIHost host;
        ASSERT_TRUE(host.Attach(window.get()));
        element.Create(window.get(), Rf(20, 20, 40, 20), 2);
    }
    EXPECT_EQ(CurrentProc(window.get()), reinterpret_cast<WNDPROC>(RecordingProc));
    EXPECT_EQ(element.host, nullptr);
    // Messages now reach the window's own procedure only.
    Seen().clear();
    SendMessageA(window.get(), WM_USER + 3, 0, 0);
    ASSERT_EQ(Seen().size(), 1u);
    element.Invalidate();  // does nothing: the host is gone
}

TEST(HostMessages, MinMaxInfoFollowsTheCaptionButtons) {
    TestWindow window(300, 200);
    UIHost host;
    ASSERT_TRUE(host.Attach(window.get(), {.captionFlags = kCaptionClose | kCaptionMinimise}));
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    MINMAXINFO info{};
    EXPECT_EQ(SendMessageA(window.get(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info)), 0);
    EXPECT_EQ(info.ptMinTrackSize.x, 108);
    EXPECT_EQ(info.ptMinTrackSize.y, 40);
    EXPECT_EQ(info.ptMaxSize.x, work.right - work.left + 14);
    EXPECT_EQ(info.ptMaxSize.y, work.bottom - work.top + 14);
    EXPECT_EQ(info.ptMaxPosition.x, work.left - 7);
    EXPECT_EQ(info.ptMaxPosition.y, work.top - 7);

    host.captionFlags = 0;
    SendMessageA(window.get(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 21);
    EXPECT_EQ(info.ptMinTrackSize.y, 20);
}

TEST(HostMessages, NonClientAreaAndDoubleClicks) {
    TestWindow window(300, 200);
    UIHost host;
    ASSERT_TRUE(host.Attach(window.get()));
    NCCALCSIZE_PARAMS params{};
    params.rgrc[0] = {40, 40, 340, 240};  // stays: the whole window is client area
    EXPECT_EQ(SendMessageA(window.get(), WM_NCCALCSIZE, 1, reinterpret_cast<LPARAM>(&params)), 1);
    EXPECT_EQ(params.rgrc[0].bottom, 240);

    // Elements never see a double click: a second, marked press arrives.
    Seen().clear();
    EXPECT_EQ(SendMessageA(window.get(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(7, 9)), 0);
    ASSERT_EQ(Seen().size(), 1u);
    EXPECT_EQ(Seen()[0].msg, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_EQ(Seen()[0].wParam, kDoubleClickMark);
    EXPECT_EQ(Seen()[0].lParam, MAKELPARAM(7, 9));
}

TEST(HostMessages, MessageHookSeesEverythingFirst) {
    TestWindow window(300, 200);
    UIHost host;
    ASSERT_TRUE(host.Attach(window.get(), {.captionFlags = 4 | 16}));
    int calls = 0;
    host.SetMessageHook([&calls](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
        ++calls;
        return -1;
    });
    MINMAXINFO info{};
    SendMessageA(window.get(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 108);  // -1: processing goes on unchanged
    EXPECT_GE(calls, 1);

    host.SetMessageHook([](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
        return msg == WM_GETMINMAXINFO ? 77 : -1;
    });
    info = {};
    EXPECT_EQ(SendMessageA(window.get(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info)), 77);
    EXPECT_EQ(info.ptMinTrackSize.x, 0);
}

TEST(HostMessages, TimerAndMnemonicIdsAreTrustedOnlyForLiveElements) {
    TestWindow window(300, 200);
    UIHost host;
    ASSERT_TRUE(host.Attach(window.get()));
    ProbeElement element;
    element.Create(window.get(), Rf(10, 10, 30, 30), 2);
    const auto liveId = reinterpret_cast<WPARAM>(&element);
    SendMessageA(window.get(), WM_TIMER, liveId, 0);
    EXPECT_EQ(element.Count(WM_TIMER), 1);

    // A timer whose id names no element of this host: never dereferenced,
    // and stopped.
    const UINT_PTR strayId = 0x5A5A0;
    ASSERT_NE(SetTimer(window.get(), strayId, 100000, nullptr), 0u);
    SendMessageA(window.get(), WM_TIMER, strayId, 0);
    EXPECT_FALSE(KillTimer(window.get(), strayId));

    // A destroyed element is no longer a timer target.
    element.Destroy();
    element.ResetFields();
    SendMessageA(window.get(), WM_TIMER, liveId, 0);
    EXPECT_EQ(element.Count(WM_TIMER), 1);

    // Any process can send RegisterMnemonic: a stranger's element is refused.
    EXPECT_EQ(SendMessageA(window.get(), kRegisterMnemonic, 0x12345678, 'q'), 0);
    EXPECT_EQ(SendMessageA(window.get(), kRegisterMnemonic, liveId, 'q'), 0);
    EXPECT_TRUE(host.mnemonics.empty());
}

}  // namespace
