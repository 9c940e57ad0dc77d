// The process figures move with what the process really creates and frees, on
// Windows and under Wine, where they are counted directly.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/Handle.h"
#include "platform/ProcessStats.h"

namespace {

TEST(ProcessStats, GdiCountFollowsBitmapsBrushesAndDcs) {
    const WindowDc screen(nullptr);
    const int before = procstats::GdiObjects();
    std::vector<UniqueBitmap> bitmaps;
    std::vector<UniqueBrush> brushes;
    std::vector<UniqueMemoryDc> dcs;
    for (int i = 0; i < 60; ++i) bitmaps.emplace_back(CreateCompatibleBitmap(screen.get(), 8, 8));
    for (int i = 0; i < 30; ++i) brushes.emplace_back(CreateSolidBrush(RGB(i, 0, 0)));
    for (int i = 0; i < 10; ++i) dcs.emplace_back(CreateCompatibleDC(nullptr));
    // Stock objects belong to no one.
    for (int i = WHITE_BRUSH; i <= BLACK_BRUSH; ++i) GetStockObject(i);
    EXPECT_EQ(procstats::GdiObjects() - before, 100);

    bitmaps.erase(bitmaps.begin(), bitmaps.begin() + 40);
    EXPECT_EQ(procstats::GdiObjects() - before, 60);
    bitmaps.clear();
    brushes.clear();
    dcs.clear();
    EXPECT_EQ(procstats::GdiObjects(), before);
}

LRESULT CALLBACK PlainProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, msg, wParam, lParam);
}

HWND MakeWindow(HWND parent, DWORD style) {
    return CreateWindowExW(0, L"ProcessStatsTest", L"", style, 0, 0, 50, 50, parent, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

TEST(ProcessStats, UserCountFollowsWindowsChildrenAndMessageOnlyWindows) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ProcessStatsTest";
    RegisterClassW(&wc);
    // The first shown window of a thread brings helper windows along (Wine's
    // input-method and drag-and-drop windows); they stay while it stays.
    const UniqueWindow first(MakeWindow(nullptr, WS_POPUP | WS_VISIBLE));

    const int before = procstats::UserObjects();
    std::vector<UniqueWindow> windows;
    for (int i = 0; i < 5; ++i) {
        windows.emplace_back(MakeWindow(nullptr, WS_POPUP | (i % 2 ? WS_VISIBLE : 0)));
        HWND child = MakeWindow(windows.back().get(), WS_CHILD);
        MakeWindow(child, WS_CHILD);  // a grandchild
    }
    windows.emplace_back(MakeWindow(HWND_MESSAGE, 0));
    MakeWindow(windows.back().get(), WS_CHILD);
    for (const UniqueWindow& window : windows) ASSERT_TRUE(window);
    EXPECT_EQ(procstats::UserObjects() - before, 5 * 3 + 2);

    windows.clear();  // children go with their parents
    EXPECT_EQ(procstats::UserObjects(), before);
    UnregisterClassW(L"ProcessStatsTest", GetModuleHandleW(nullptr));
}

TEST(ProcessStats, PrivateMemoryAndPeakWorkingSetFollowALargeAllocation) {
    constexpr std::size_t kSize = 64u << 20;
    const std::size_t before = procstats::PrivateBytes();
    {
        auto block = std::make_unique<char[]>(kSize);
        for (std::size_t i = 0; i < kSize; i += 4096) block[i] = 1;  // touch every page
        const procstats::Snapshot during = procstats::Take();
        EXPECT_GE(during.privateBytes, before + kSize);
        EXPECT_LT(during.privateBytes, before + kSize + (8u << 20));
        EXPECT_GE(during.peakWorkingSet, kSize);
    }
    // Given back: nothing of it stays committed.
    EXPECT_LT(procstats::PrivateBytes(), before + (4u << 20));
}

}  // namespace
