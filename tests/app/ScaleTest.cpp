// The start window and the fireworks page at the display scales recipients
// have: 100 %, 125 %, 150 % and 200 %. Each scale runs in a process of its own,
// started while the prefix's LogPixels holds that DPI (read at process start;
// every process then gets it, aware or not, and nothing is stretched).
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/AppObjects.h"
#include "app/Content.h"
#include "app/PageForms.h"
#include "app/Pages.h"
#include "app/StartForm.h"
#include "platform/Dpi.h"
#include "runtime/Form.h"
#include "tests/app/AppTestSupport.h"
#include "toolkit/controls/PngControl.h"

using namespace apptest;

namespace {

constexpr wchar_t kDpiVariable[] = L"GIFT_SCALE_DPI";
constexpr wchar_t kReportVariable[] = L"GIFT_SCALE_REPORT";

std::wstring Variable(const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH);
    return n && n < MAX_PATH ? std::wstring(value, n) : std::wstring();
}

// The DPI setting in both places Wine reads it; the old values come back when
// this goes, whatever the test did in between.
class LogPixels {
public:
    explicit LogPixels(DWORD dpi) {
        for (Place& place : places_) {
            HKEY key = nullptr;
            if (RegCreateKeyExW(place.root, place.path, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                                nullptr, &key, nullptr) != ERROR_SUCCESS)
                continue;
            DWORD size = sizeof(place.old);
            place.had =
                RegQueryValueExW(key, L"LogPixels", nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(&place.old), &size) == ERROR_SUCCESS;
            place.set =
                RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                               sizeof(dpi)) == ERROR_SUCCESS;
            RegCloseKey(key);
        }
    }
    ~LogPixels() {
        for (Place& place : places_) {
            HKEY key = nullptr;
            if (!place.set ||
                RegOpenKeyExW(place.root, place.path, 0, KEY_WRITE, &key) != ERROR_SUCCESS)
                continue;
            if (place.had)
                RegSetValueExW(key, L"LogPixels", 0, REG_DWORD,
                               reinterpret_cast<const BYTE*>(&place.old), sizeof(place.old));
            else
                RegDeleteValueW(key, L"LogPixels");
            RegCloseKey(key);
        }
    }
    LogPixels(const LogPixels&) = delete;
    LogPixels& operator=(const LogPixels&) = delete;
    bool Set() const { return places_[0].set && places_[1].set; }

private:
    struct Place {
        HKEY root;
        const wchar_t* path;
        DWORD old = 0;
        bool had = false;
        bool set = false;
    };
    Place places_[2] = {
        {HKEY_CURRENT_USER, L"Control Panel\\Desktop"},
        {HKEY_LOCAL_MACHINE,
         L"System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts"},
    };
};

// This test program again, running only the child test, with `dpi` and the
// report file in its environment. Its exit code.
DWORD RunChild(DWORD dpi, const std::wstring& report) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=DisplayScaleChild.*";
    SetEnvironmentVariableW(kDpiVariable, std::to_wstring(dpi).c_str());
    SetEnvironmentVariableW(kReportVariable, report.c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(self, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                        nullptr, &startup, &process);
    SetEnvironmentVariableW(kDpiVariable, nullptr);
    SetEnvironmentVariableW(kReportVariable, nullptr);
    if (!started) return 0xDEAD;
    DWORD code = 0xDEAD;
    if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, 0xDEAD);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        hosttest::Pump();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

// The rows of ink a line of capitals leaves in the letter box, in device
// pixels: the box's back-buffer pixels with the text, against the same box
// empty.
int GlyphHeight(UIHost& host, EditBox& letter) {
    const RECT box = host.scale.Edges(letter.rect);
    const auto snapshot = [&] {
        std::vector<std::uint32_t> pixels;
        for (int y = box.top; y < box.bottom; ++y)
            for (int x = box.left; x < box.right; ++x)
                pixels.push_back(hosttest::BackPixel(host, x, y));
        return pixels;
    };
    // Each text change crossfades: its last step is awaited.
    letter.Text(std::string());
    PumpFor(400);
    const std::vector<std::uint32_t> empty = snapshot();
    letter.Text(std::string("HHHHHHHH"));
    PumpFor(400);
    const std::vector<std::uint32_t> written = snapshot();
    const int width = box.right - box.left;
    int first = -1, last = -1;
    for (std::size_t i = 0; i < written.size(); ++i) {
        const std::uint32_t a = written[i], b = empty[i];
        const int change = std::abs(hosttest::R(a) - hosttest::R(b)) +
                           std::abs(hosttest::G(a) - hosttest::G(b)) +
                           std::abs(hosttest::B(a) - hosttest::B(b));
        if (change < 120) continue;  // antialiased fringes of the strokes do not count
        const int row = static_cast<int>(i) / width;
        if (first < 0) first = row;
        last = row;
    }
    return first < 0 ? 0 : last - first + 1;
}

// Where the caret stands (units) at the end of a letter's second line, moved
// there by the keys: measured through the box's own text layout.
RectF CaretAtSecondLineEnd(UIHost& host, EditBox& letter) {
    letter.Text(std::string("HHHH\r\nHHHHHHHH"));
    host.SetFocusElement(&letter);
    for (WPARAM key : {VK_HOME, VK_DOWN, VK_END}) SendMessageW(host.hwnd, WM_KEYDOWN, key, 0);
    PumpFor(400);
    return letter.caretRect;
}

// The centre of `rect` (units) as the mouse gives it at `scale`.
LPARAM DeviceCentre(const RectF& rect, const DeviceScale& scale) {
    const RECT device = scale.Edges(rect);
    return MAKELPARAM((device.left + device.right) / 2, (device.top + device.bottom) / 2);
}

// A press and release where the mouse gives them; which page buttons heard a
// click (each bound to count instead of opening its page).
std::vector<int> ClickEachButton(UIHost& host) {
    static std::vector<int> clicks;
    clicks.assign(4, 0);
    gift::AppObjects& app = gift::App();
    for (int i = 0; i < 4; ++i)
        app.pageButtons[i].BindEvent(kClick, [i](Element*, Element*, UINT, WPARAM, LPARAM) {
            ++clicks[static_cast<std::size_t>(i)];
            return LRESULT{0};
        });
    for (int i = 0; i < 4; ++i) {
        const LPARAM at = DeviceCentre(app.pageButtons[i].rect, host.scale);
        SendMessageW(host.hwnd, WM_MOUSEMOVE, 0, at);
        SendMessageW(host.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(host.hwnd, WM_LBUTTONUP, 0, at);
    }
    return clicks;
}

// What the fireworks page showed, looked at from inside its loop.
struct FireworksSeen {
    SIZE window{};
    SIZE composite{};
    double alphaDifference = -1;     // mean, over 8 x 8 unit blocks, against the frame
    double unscaledDifference = -1;  // the same against the frame at its own size
    std::size_t storedOnce = 0;
    std::size_t storedTwice = 0;
};
FireworksSeen fireworksSeen;

// Mean alpha of each 8 x 8 block of the frame against the same place of the
// composite, there (8 x scale) pixels square.
double AlphaDifference(const SkinComposite& composite, int frame, double scale) {
    const runtime::Picture picture = runtime::LoadPicture(content::FireworksFrame(frame));
    const auto& pixels = picture.FrameAt(0).pixels;
    double total = 0;
    int blocks = 0;
    for (int by = 0; by + 8 <= picture.Height(); by += 8) {
        for (int bx = 0; bx + 8 <= picture.Width(); bx += 8) {
            double a = 0, b = 0;
            for (int y = by; y < by + 8; ++y)
                for (int x = bx; x < bx + 8; ++x) a += pixels[y * picture.Width() + x] >> 24;
            const int x0 = static_cast<int>(std::lround(bx * scale));
            const int y0 = static_cast<int>(std::lround(by * scale));
            const int x1 =
                std::min(composite.width, static_cast<int>(std::lround((bx + 8) * scale)));
            const int y1 =
                std::min(composite.height, static_cast<int>(std::lround((by + 8) * scale)));
            if (x1 <= x0 || y1 <= y0) return -1;
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x) b += composite.At(x, y) >> 24;
            total += std::fabs(a / 64 - b / ((x1 - x0) * (y1 - y0)));
            ++blocks;
        }
    }
    return blocks ? total / blocks : -1;
}

void CALLBACK LookAtFireworks(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    const HWND window = runtime::FormWindowHandle(runtime::FindForm(gift::kFireworksPageId));
    if (!window) return;
    RECT r{};
    GetWindowRect(window, &r);
    fireworksSeen.window = {r.right - r.left, r.bottom - r.top};
    PngControl& layer = gift::App().skinLayer;
    layer.LoadBackImage(content::FireworksFrame(7));
    const SkinComposite composite = SkinCompositeOf(window);
    fireworksSeen.composite = {composite.width, composite.height};
    fireworksSeen.alphaDifference =
        AlphaDifference(composite, 7, dpi::Scale(dpi::ForWindow(window)));
    fireworksSeen.unscaledDifference = AlphaDifference(composite, 7, 1.0);
    fireworksSeen.storedOnce = SkinCachedBytes(window);
    layer.LoadBackImage(content::FireworksFrame(7));
    fireworksSeen.storedTwice = SkinCachedBytes(window);
    PostMessageW(window, WM_CLOSE, 0, 0);
}

class DisplayScaleChild : public GiftFixture {};
class DisplayScale : public GiftFixture {};

}  // namespace

// Runs only as the child of DisplayScale.StartWindowAndFireworksAtEveryScale.
TEST_F(DisplayScaleChild, StartWindowAndFireworksAtThisScale) {
    const std::wstring wanted = Variable(kDpiVariable);
    if (wanted.empty())
        GTEST_SKIP() << "started by DisplayScale.StartWindowAndFireworksAtEveryScale";
    const UINT dpi = static_cast<UINT>(std::wcstoul(wanted.c_str(), nullptr, 10));
    ASSERT_EQ(dpi::ForSystem(), dpi) << "the prefix's LogPixels did not reach this process";

    runtime::LoadForm(gift::StartForm());
    PumpFor(100);
    gift::AppObjects& app = gift::App();
    UIHost& host = app.startHost;
    ASSERT_NE(host.hwnd, nullptr);
    RECT r{};
    GetWindowRect(host.hwnd, &r);
    EXPECT_EQ(r.left, dpi::ToDevice(50, dpi));
    EXPECT_EQ(r.top, dpi::ToDevice(50, dpi));
    EXPECT_EQ(r.right - r.left, dpi::ToDevice(486, dpi));
    EXPECT_EQ(r.bottom - r.top, dpi::ToDevice(342, dpi));
    EXPECT_EQ(host.size.width, 486);
    EXPECT_EQ(host.size.height, 342);
    // The photograph reaches the right margin of the device-size buffer.
    EXPECT_GE(
        hosttest::A(hosttest::BackPixel(host, dpi::ToDevice(474, dpi), dpi::ToDevice(171, dpi))),
        250);

    const std::vector<int> clicks = ClickEachButton(host);
    const int glyph = GlyphHeight(host, app.letterBox);
    const RectF caret = CaretAtSecondLineEnd(host, app.letterBox);

    // The fireworks page, through its button's own handler.
    fireworksSeen = {};
    SetTimer(nullptr, 0, 300, LookAtFireworks);
    gift::OnFireworksPage(nullptr, nullptr, kClick, 0, 0);
    EXPECT_EQ(fireworksSeen.window.cx, dpi::ToDevice(640, dpi));
    EXPECT_EQ(fireworksSeen.window.cy, dpi::ToDevice(480, dpi));
    EXPECT_EQ(fireworksSeen.composite.cx, fireworksSeen.window.cx);
    EXPECT_EQ(fireworksSeen.composite.cy, fireworksSeen.window.cy);
    // The frame fills the window, scaled: not cropped, not at its own size.
    EXPECT_GE(fireworksSeen.alphaDifference, 0.0);
    EXPECT_LT(fireworksSeen.alphaDifference, 4.0);
    if (dpi != 96) {
        EXPECT_LT(fireworksSeen.alphaDifference, fireworksSeen.unscaledDifference / 2);
    }
    // Stored once at this scale: showing it again adds nothing.
    EXPECT_GT(fireworksSeen.storedOnce, 0u);
    EXPECT_EQ(fireworksSeen.storedTwice, fireworksSeen.storedOnce);

    std::ofstream report(Variable(kReportVariable).c_str(), std::ios::app);
    report << dpi << ' ' << glyph << ' ' << caret.X << ' ' << caret.Y;
    for (int c : clicks) report << ' ' << c;
    report << '\n';
}

TEST_F(DisplayScale, StartWindowAndFireworksAtEveryScale) {
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring report = std::wstring(folder) + L"gift_scale_report.txt";
    DeleteFileW(report.c_str());
    for (DWORD dpi : {96u, 120u, 144u, 192u}) {
        LogPixels setting(dpi);
        ASSERT_TRUE(setting.Set());
        EXPECT_EQ(RunChild(dpi, report), 0u) << dpi << " DPI";
    }

    std::map<int, int> glyph;
    std::map<int, std::pair<float, float>> caret;
    std::ifstream in(report.c_str());
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        int dpi = 0, height = 0;
        float x = -1, y = -1;
        fields >> dpi >> height >> x >> y;
        glyph[dpi] = height;
        caret[dpi] = {x, y};
        for (int i = 0; i < 4; ++i) {
            int clicks = -1;
            fields >> clicks;
            EXPECT_EQ(clicks, 1) << "button " << i << " at " << dpi << " DPI";
        }
    }
    in.close();
    DeleteFileW(report.c_str());
    ASSERT_EQ(glyph.size(), 4u);
    ASSERT_GT(glyph[96], 5);
    // Real glyphs at the scaled size: the height follows the DPI within a pixel.
    for (int dpi : {120, 144, 192})
        EXPECT_NEAR(glyph[dpi], glyph[96] * dpi / 96.0, 1.0) << dpi << " DPI";
    // The caret stands after the eighth letter of the second row, in units,
    // wherever hinting puts a glyph's edge at each scale.
    ASSERT_GT(caret[96].first, 30.0f);
    ASSERT_GT(caret[96].second, 5.0f);
    for (int dpi : {120, 144, 192}) {
        EXPECT_NEAR(caret[dpi].first, caret[96].first, 6.0f) << dpi << " DPI";
        EXPECT_NEAR(caret[dpi].second, caret[96].second, 2.0f) << dpi << " DPI";
    }
}

TEST_F(DisplayScale, MovedToADisplayOfAnotherScaleTheStartWindowRedrawsAtIt) {
    runtime::LoadForm(gift::StartForm());
    PumpFor(100);
    gift::AppObjects& app = gift::App();
    UIHost& host = app.startHost;
    ASSERT_NE(host.hwnd, nullptr);
    const UINT before = dpi::ForWindow(host.hwnd);
    const int glyphBefore = GlyphHeight(host, app.letterBox);
    RECT r{};
    GetWindowRect(host.hwnd, &r);

    // Dragged onto a display at twice the scale: the system suggests the
    // rectangle, the window takes it and draws everything at the new scale.
    const UINT after = before * 2;
    RECT suggested{r.left + 30, r.top + 20, r.left + 30 + dpi::ToDevice(486, after),
                   r.top + 20 + dpi::ToDevice(342, after)};
    SendMessageW(host.hwnd, WM_DPICHANGED, MAKEWPARAM(after, after),
                 reinterpret_cast<LPARAM>(&suggested));
    hosttest::Pump();
    GetWindowRect(host.hwnd, &r);
    EXPECT_TRUE(EqualRect(&r, &suggested));
    EXPECT_EQ(host.size.width, 486);
    EXPECT_EQ(host.size.height, 342);
    BITMAP back{};
    GetObjectW(host.backBitmap.get(), sizeof(back), &back);
    EXPECT_EQ(back.bmWidth, suggested.right - suggested.left);
    EXPECT_EQ(std::abs(back.bmHeight), suggested.bottom - suggested.top);
    // Surfaces were made anew at the new size: the photograph and the
    // controls reach the new right margin, text is twice as tall, and a click on
    // the buttons' new centres reaches them.
    EXPECT_GE(
        hosttest::A(hosttest::BackPixel(host, host.scale.Pixels(474), host.scale.Pixels(171))),
        250);
    EXPECT_NEAR(GlyphHeight(host, app.letterBox), glyphBefore * 2, 1);
    for (int clicks : ClickEachButton(host)) EXPECT_EQ(clicks, 1);
}
