// Random numbers, files, pauses, message boxes.
#include <windows.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <set>
#include <thread>

#include "runtime/Clock.h"
#include "runtime/Services.h"
#include "tests/runtime/RuntimeSupport.h"

using namespace runtime;

namespace {

TEST(RandomTest, BoundsAreInclusiveSwappedAndNeverNegative) {
    SeedRandom(12345u);
    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) {
        int r = Random(1, 8);
        ASSERT_GE(r, 1);
        ASSERT_LE(r, 8);
        seen.insert(r);
    }
    EXPECT_EQ(seen.size(), 8u);
    for (int i = 0; i < 200; ++i) {
        int r = Random(8, 1);
        ASSERT_GE(r, 1);
        ASSERT_LE(r, 8);
        EXPECT_EQ(Random(-5, -1), 0);
        int n = Random(-3, 2);  // the negative bound counts as 0
        ASSERT_GE(n, 0);
        ASSERT_LE(n, 2);
        ASSERT_GE(Random(), 0);
    }
}

TEST(RandomTest, EqualBoundsConsumeNoNumber) {
    SeedRandom(99u);
    int first = std::rand();
    SeedRandom(99u);
    EXPECT_EQ(Random(5, 5), 5);
    EXPECT_EQ(std::rand(), first);
    // Otherwise one number is drawn: min + r mod span.
    SeedRandom(99u);
    EXPECT_EQ(Random(10, 19), 10 + first % 10);
}

TEST(RandomTest, SeedingFromTheClockUsesTheSaltSoOneTickGivesTwoSeeds) {
    ManualClock clock(5000);
    SetClock(&clock);
    // The salt is process-wide: read the seeds back through srand's output.
    auto seedOf = [](auto seed) {
        std::srand(seed);
        return std::rand();
    };
    SeedRandom();
    int a = std::rand();
    SeedRandom();
    int b = std::rand();
    SetClock(nullptr);
    EXPECT_NE(a, b);
    // The first seed is t + s, the second t + s', s' = s + ((t + s) & 0xFF) + 100.
    bool matched = false;
    for (std::uint32_t s = 0; s < 200000 && !matched; ++s) {
        if (seedOf(5000u + s) != a) continue;
        std::uint32_t next = s + ((5000u + s) & 0xFF) + 100;
        matched = seedOf(5000u + next) == b;
    }
    EXPECT_TRUE(matched);
}

class FileTest : public ::testing::Test {
protected:
    void SetUp() override { folder = MakeTempFolder(); }
    void TearDown() override { RemoveFolder(folder); }
    std::string Path(const std::wstring& name) {
        std::wstring wide = folder + L"\\" + name;
        int n = WideCharToMultiByte(936, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
        std::string out(static_cast<size_t>(n), '\0');
        WideCharToMultiByte(936, 0, wide.c_str(), -1, out.data(), n, nullptr, nullptr);
        out.resize(static_cast<size_t>(n - 1));
        return out;
    }
    std::string Read(const std::wstring& name) {
        HANDLE h = CreateFileW((folder + L"\\" + name).c_str(), GENERIC_READ, FILE_SHARE_READ,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return "<missing>";
        char buffer[256];
        DWORD read = 0;
        ::ReadFile(h, buffer, sizeof buffer, &read, nullptr);
        CloseHandle(h);
        return std::string(buffer, read);
    }
    std::wstring folder;
};

TEST_F(FileTest, WritesEveryNonEmptyBlockInOrderAndTruncates) {
    // A GBK path whose name is the song's: the file must carry the real name.
    std::string path = Path(L"\u97f3\u4e50.mp3");
    EXPECT_EQ(WriteFile(path, ByteBlock("abcdefgh", 8)), 1);
    EXPECT_EQ(Read(L"\u97f3\u4e50.mp3"), "abcdefgh");
    EXPECT_EQ(WriteFile(path, ByteBlock("xy", 2), ByteBlock(), ByteBlock("z", 1)), 1);
    EXPECT_EQ(Read(L"\u97f3\u4e50.mp3"), "xyz");
}

TEST_F(FileTest, FailuresReturnZeroAndLeaveFilesAlone) {
    EXPECT_EQ(WriteFile("", ByteBlock("a", 1)), 0);
    std::string path = Path(L"locked.bin");
    ASSERT_EQ(WriteFile(path, ByteBlock("keep", 4)), 1);
    SetFileAttributesW((folder + L"\\locked.bin").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(WriteFile(path, ByteBlock("overwrite", 9)), 0);
    EXPECT_EQ(Read(L"locked.bin"), "keep");
    EXPECT_EQ(WriteFile(Path(L"no such folder\\x.bin"), ByteBlock("a", 1)), 0);

    // Open elsewhere without sharing: no access.
    std::string busy = Path(L"busy.bin");
    HANDLE h = CreateFileW((folder + L"\\busy.bin").c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, 0, nullptr);
    EXPECT_EQ(WriteFile(busy, ByteBlock("a", 1)), 0);
    CloseHandle(h);
}

TEST(ProgramTest, DirectoryOfTheExecutableWithoutSeparator) {
    std::string dir = ProgramDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.back(), '\\');
    wchar_t module[MAX_PATH];
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring expected(module);
    expected.resize(expected.find_last_of(L'\\'));
    int n = MultiByteToWideChar(936, 0, dir.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(936, 0, dir.c_str(), -1, wide.data(), n);
    wide.resize(static_cast<size_t>(n - 1));
    EXPECT_EQ(wide, expected);
    EXPECT_EQ(BitOr(128, 2, 16, 4), 150);
}

LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_APP) ++*reinterpret_cast<int*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return DefWindowProcW(hwnd, msg, w, l);
}

TEST(SleepTest, PausesOnTheRuntimeClockInSlicesWithoutDispatching) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"SleepTestWindow";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowW(wc.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              wc.hInstance, nullptr);
    int delivered = 0;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&delivered));
    PostMessageW(hwnd, WM_APP, 0, 0);

    ManualClock clock;
    SetClock(&clock);
    DWORD start = GetTickCount();
    runtime::Sleep(5 * 60 * 1000);  // five minutes of pause
    DWORD real = GetTickCount() - start;
    runtime::Sleep(-20);
    SetClock(nullptr);
    EXPECT_EQ(clock.Waited(), 5u * 60 * 1000);
    EXPECT_LT(real, 5000u);
    EXPECT_EQ(delivered, 0) << "nothing is dispatched inside a pause";
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, hwnd, WM_APP, WM_APP, PM_REMOVE)) << "nor removed";
    DispatchMessageW(&msg);
    EXPECT_EQ(delivered, 1);

    // The real clock: about as long as asked.
    start = GetTickCount();
    runtime::Sleep(120);
    EXPECT_GE(GetTickCount() - start, 100u);
    DestroyWindow(hwnd);
}

// Presses `button` on the message box titled `caption` once it shows, and
// reports whether `other` was disabled meanwhile.
struct BoxPresser {
    BoxPresser(const wchar_t* caption, int button, HWND other) {
        thread = std::thread([=, this] {
            for (int i = 0; i < 400; ++i) {
                HWND box = FindWindowW(L"#32770", caption);
                if (box) {
                    otherDisabled = other && !IsWindowEnabled(other);
                    found = true;
                    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
                    return;
                }
                ::Sleep(10);
            }
        });
    }
    ~BoxPresser() { thread.join(); }
    std::thread thread;
    std::atomic<bool> found{false};
    std::atomic<bool> otherDisabled{false};
};

TEST(MessageBoxTest, ResultsMapToButtonCodesWithDefaultCaptionAndTaskModal) {
    HWND other = CreateWindowW(L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                               nullptr, nullptr, nullptr);
    struct Case {
        UINT type;
        int button;
        int expected;
    };
    const Case cases[] = {{MB_OK, IDOK, 0},
                          {MB_OKCANCEL, IDCANCEL, 1},
                          {MB_ABORTRETRYIGNORE, IDABORT, 2},
                          {MB_ABORTRETRYIGNORE, IDRETRY, 3},
                          {MB_ABORTRETRYIGNORE, IDIGNORE, 4},
                          {MB_YESNO, IDYES, 5},
                          {MB_YESNO, IDNO, 6}};
    for (const Case& c : cases) {
        BoxPresser presser(L"box", c.button, nullptr);
        EXPECT_EQ(runtime::MessageBox("text", "box", c.type), c.expected) << c.button;
    }
    {
        BoxPresser presser(L"\u4fe1\u606f\uff1a", IDOK, other);  // 信息：
        EXPECT_EQ(runtime::MessageBox("我好爱你"), 0);
        EXPECT_TRUE(presser.found) << "the default caption";
        EXPECT_TRUE(presser.otherDisabled) << "task-modal: the thread's windows are disabled";
    }
    EXPECT_TRUE(IsWindowEnabled(other));
    DestroyWindow(other);
}

}  // namespace
