#include "bench/BenchSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/AppObjects.h"
#include "app/StartForm.h"
#include "app/StartWindow.h"
#include "app/Startup.h"
#include "platform/Dpi.h"
#include "platform/LayeredPresent.h"
#include "runtime/Form.h"
#include "runtime/Music.h"
#include "runtime/Program.h"
#include "toolkit/core/Text.h"
#include "toolkit/core/Toolkit.h"

namespace bench {

double NowMs() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double PresentMs() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(LayeredPresentTicks().load()) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

double ThreadCpuMs() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    auto ms = [](FILETIME t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) /
               10000.0;
    };
    return ms(kernel) + ms(user);
}

double Series::Min() const {
    return values_.empty() ? NAN : *std::min_element(values_.begin(), values_.end());
}

double Series::Max() const {
    return values_.empty() ? NAN : *std::max_element(values_.begin(), values_.end());
}

double Series::Percentile(double p) const {
    if (values_.empty()) return NAN;
    std::vector<double> sorted(values_);
    std::sort(sorted.begin(), sorted.end());
    const double rank = std::ceil(p * static_cast<double>(sorted.size()));
    const std::size_t index = rank < 1 ? 0 : static_cast<std::size_t>(rank) - 1;
    return sorted[std::min(index, sorted.size() - 1)];
}

Series BatchRatios(const Series& numerator, const Series& denominator, int batches) {
    Series ratios;
    auto slice = [batches](const Series& s, int b) {
        Series part;
        const std::size_t from = s.Count() * static_cast<std::size_t>(b) / batches;
        const std::size_t to = s.Count() * static_cast<std::size_t>(b + 1) / batches;
        for (std::size_t i = from; i < to; ++i) part.Add(s.Values()[i]);
        return part;
    };
    for (int b = 0; b < batches; ++b) {
        const Series n = slice(numerator, b), d = slice(denominator, b);
        if (!n.Empty() && !d.Empty() && d.Median() > 0) ratios.Add(n.Median() / d.Median());
    }
    return ratios;
}

namespace {

// Three significant figures or so, no exponent: the table is read by people.
std::string Number(double value) {
    if (std::isnan(value)) return "";
    const double magnitude = std::fabs(value);
    const int decimals = magnitude >= 100 ? 0 : magnitude >= 10 ? 1 : magnitude >= 1 ? 2 : 3;
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

}  // namespace

void Figure(const char* key, const char* what, const Series& series, const char* unit,
            const char* goal, bool withP99) {
    std::printf("FIGURE\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", key, what,
                Number(series.Median()).c_str(), Number(series.Min()).c_str(),
                Number(series.Max()).c_str(),
                withP99 ? Number(series.Percentile(0.99)).c_str() : "", unit, goal ? goal : "");
    std::fflush(stdout);
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        Pump();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

namespace {

std::unique_ptr<audio::AudioOutput> NoOutput() {
    return nullptr;
}

}  // namespace

UIHost& OpenStartWindow() {
    runtime::InitRuntime();
    CreateGlobals();
    runtime::SetExitRoutine(TeardownGlobals);
    StartToolkit();
    runtime::SetAudioOutputFactory(NoOutput);
    runtime::LoadForm(gift::StartForm());
    PumpFor(200);  // the controls' first paints
    return gift::App().startHost;
}

void CloseStartWindow() {
    const std::wstring song = ToWide(gift::MusicPath());
    runtime::Quit();
    runtime::SetAudioOutputFactory(nullptr);
    DeleteFileW(song.c_str());
}

namespace {

std::wstring ModuleFolder() {
    wchar_t module[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring path(module, length);
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

bool FileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A row of the start window across the photograph's margins and the letter
// box, never through a transparent corner.
constexpr int kProbeRow = 150;

// One row of screen pixels, read back in one go (each read is a round trip to
// the display server).
class ScreenRow {
public:
    bool Read(int x, int y, int width) {
        pixels_.assign(static_cast<std::size_t>(width), 0);
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = 1;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        bool read = false;
        if (bitmap) {
            HGDIOBJ previous = SelectObject(memory, bitmap);
            read = BitBlt(memory, 0, 0, width, 1, screen, x, y, SRCCOPY) != FALSE;
            GdiFlush();
            if (read) std::memcpy(pixels_.data(), bits, pixels_.size() * sizeof(std::uint32_t));
            SelectObject(memory, previous);
            DeleteObject(bitmap);
        }
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
        return read;
    }
    int Differences(const ScreenRow& other) const {
        int count = 0;
        for (std::size_t i = 0; i < pixels_.size() && i < other.pixels_.size(); ++i)
            count += (pixels_[i] & 0xFFFFFF) != (other.pixels_[i] & 0xFFFFFF) ? 1 : 0;
        return count;
    }

private:
    std::vector<std::uint32_t> pixels_;
};

}  // namespace

std::wstring PrepareGift(const char* givenPath, const wchar_t* folder) {
    std::wstring gift;
    if (givenPath) {
        wchar_t path[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, givenPath, -1, path, MAX_PATH);
        if (FileExists(path)) gift = path;
    } else {
        const std::wstring here = ModuleFolder();
        for (const std::wstring& candidate : {here + L"\\gift.exe", here + L"\\..\\gift.exe"})
            if (gift.empty() && FileExists(candidate)) gift = candidate;
    }
    if (gift.empty()) return {};
    const std::wstring directory = ModuleFolder() + L"\\" + folder;
    CreateDirectoryW(directory.c_str(), nullptr);
    const std::wstring copy = directory + L"\\gift.exe";
    return CopyFileW(gift.c_str(), copy.c_str(), FALSE) ? copy : std::wstring();
}

GiftProcess::~GiftProcess() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

bool GiftProcess::Start(const std::wstring& path, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + path + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    const std::wstring folder = path.substr(0, path.find_last_of(L"\\/"));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &info))
        return false;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
    return true;
}

namespace {
struct WindowSearch {
    DWORD id;
    int width, height;
    HWND found;
};

// A named CALLBACK, since a lambda has the wrong calling convention for i686.
BOOL CALLBACK MatchWindowOfSize(HWND window, LPARAM data) {
    auto* s = reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != s->id || !IsWindowVisible(window)) return TRUE;
    RECT r;
    GetWindowRect(window, &r);
    if (r.right - r.left != s->width || r.bottom - r.top != s->height) return TRUE;
    s->found = window;
    return FALSE;
}
}  // namespace

HWND GiftProcess::FindWindowOfSize(int width, int height) const {
    WindowSearch search{id_, width, height, nullptr};
    EnumWindows(MatchWindowOfSize, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND GiftProcess::WaitForStartWindow(DWORD timeoutMs) {
    // What the screen shows along the probe row before the window: the window
    // counts as presented once most of that row shows something else.
    // The window's 486 x 342 units at (50, 50) are device pixels at the
    // display's scale (every process of a Wine prefix gets its DPI).
    const UINT dpiNow = dpi::ForSystem();
    const int left = dpi::ToDevice(50, dpiNow), width = dpi::ToDevice(486, dpiNow);
    const int row = dpi::ToDevice(kProbeRow, dpiNow);
    ScreenRow before, now;
    before.Read(left, left + row, width);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        if (WaitForSingleObject(process_, 1) != WAIT_TIMEOUT) break;  // it ended
        HWND window = FindWindowOfSize(width, dpi::ToDevice(342, dpiNow));
        if (!window || !(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_LAYERED)) continue;
        RECT r;
        GetWindowRect(window, &r);
        if (!now.Read(r.left, r.top + row, width)) continue;
        if (now.Differences(before) * 4 > width * 3) return window;
    }
    return nullptr;
}

HWND GiftProcess::StartAndWait(const std::wstring& path) {
    if (!Start(path)) {
        std::printf("  CreateProcess failed: %lu\n", GetLastError());
        return nullptr;
    }
    HWND window = WaitForStartWindow(20000);
    if (!window) {
        std::printf("  no start window within 20 s\n");
        Close(nullptr, 0);
    }
    return window;
}

bool GiftProcess::Close(HWND startWindow, DWORD timeoutMs) {
    if (!process_) return false;
    if (startWindow) PostMessageW(startWindow, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0) return true;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
    return false;
}

void PostClick(HWND window, int x, int y, bool right) {
    const LPARAM at = MAKELPARAM(x, y);
    PostMessageW(window, WM_MOUSEMOVE, 0, at);
    PostMessageW(window, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, right ? MK_RBUTTON : MK_LBUTTON,
                 at);
    PostMessageW(window, right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, at);
}

}  // namespace bench
