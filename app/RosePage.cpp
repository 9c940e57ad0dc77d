#include "app/RosePage.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "app/AppObjects.h"
#include "app/Content.h"
#include "app/PageForms.h"
#include "app/Startup.h"
#include "runtime/Services.h"

namespace gift {
namespace {

using runtime::UnitRef;

// The rose page now open, and whether the user has asked it to close.
struct Show {
    UnitRef page;
    bool closeRequested = false;
};
Show show;

void RequestClose(UnitRef page) {
    if (page == show.page) {
        if (show.closeRequested) return;
        show.closeRequested = true;
    }
    runtime::DestroyForm(page);
}

// While a pause blocks the thread nothing is dispatched, so the user's Esc or
// right button is looked for in the queue. The page covers the screen and is
// modal, so any such input of this thread is meant for it. So are Alt+F4 and
// a close request (the taskbar's close, WM_CLOSE) sent to the page's window;
// sent rather than posted, they reach the page's procedure during the peek.
bool CloseAskedInQueue(HWND page) {
    MSG msg;
    bool asked = false;
    while (PeekMessageW(&msg, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE | PM_NOYIELD))
        if (msg.wParam == VK_ESCAPE) asked = true;
    while (PeekMessageW(&msg, nullptr, WM_RBUTTONDOWN, WM_RBUTTONDOWN, PM_REMOVE | PM_NOYIELD))
        asked = true;
    while (PeekMessageW(&msg, nullptr, WM_SYSKEYDOWN, WM_SYSKEYDOWN, PM_REMOVE | PM_NOYIELD))
        if (msg.wParam == VK_F4 && (HIWORD(msg.lParam) & KF_ALTDOWN)) asked = true;
    if (!page) return asked;
    while (PeekMessageW(&msg, page, WM_CLOSE, WM_CLOSE, PM_REMOVE | PM_NOYIELD)) asked = true;
    while (PeekMessageW(&msg, page, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE | PM_NOYIELD))
        if ((msg.wParam & 0xFFF0) == SC_CLOSE) asked = true;
    return asked;
}

// Esc once the show is over and the page's loop dispatches again.
LRESULT CALLBACK EscapeWatch(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                             DWORD_PTR) {
    if (msg == WM_KEYDOWN && wParam == VK_ESCAPE) {
        if (show.page && runtime::FormWindowHandle(show.page) == window) RequestClose(show.page);
        return 0;
    }
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(window, EscapeWatch, id);
    return DefSubclassProc(window, msg, wParam, lParam);
}

// One round of hearts: the flower pictures in drawing order, and whether the
// heart drawn with the picture at `index` stays under the next one.
constexpr int kRoundLength = 22;

int RoundFlower(int index) {
    // F2..F22 in turn, then F19 once more to end the round.
    return index == kRoundLength - 1 ? 19 : index + 2;
}

bool HeartStays(int index) {
    return index == 2 || index == kRoundLength - 1;
}

void Draw(UnitRef panel, const runtime::Picture& picture, POINT at) {
    runtime::DrawPicture(panel, picture, at.x, at.y, std::nullopt, std::nullopt,
                         runtime::kWhiteTransparent);
}

// The centre picture, then the pairs, with the step delay after each.
bool DrawHeart(UnitRef panel, int flower, int delay) {
    const runtime::Picture picture = runtime::LoadPicture(content::Flower(flower));
    const std::vector<POINT> spots =
        HeartPositions(runtime::ScreenWidth(), runtime::ScreenHeight());
    Draw(panel, picture, spots[0]);
    if (!RosePause(delay)) return false;
    for (size_t i = 1; i + 1 < spots.size(); i += 2) {
        Draw(panel, picture, spots[i]);
        Draw(panel, picture, spots[i + 1]);
        if (!RosePause(delay)) return false;
    }
    return true;
}

bool ShowBigRose(UnitRef panel, int width, int height) {
    // Wider than most screens and starting left of the edge: the rose fills it.
    const int x = static_cast<int>(width / 10.0 * -1.42);
    const int y = static_cast<int>(height / 99.0);
    runtime::DrawPicture(panel, runtime::LoadPicture(content::BigRose()), x, y, 1200, 800,
                         runtime::kWhiteTransparent);
    if (!RosePause(5000)) return false;
    runtime::ClearPanel(panel);
    return true;
}

bool ShowHearts(UnitRef panel) {
    if (!DrawHeart(panel, 1, 500) || !RosePause(600)) return false;
    int delay = 0;
    int pause = 0;
    for (int round = 1; round <= 5; ++round) {
        // Each round faster than the one before.
        if (round == 1) {
            delay = 100;
            pause = 250;
        } else if (round == 2) {
            delay = 0;
        } else if (round == 4) {
            delay = 0;
            pause = 0;
        }
        for (int i = 0; i < kRoundLength; ++i) {
            if (!DrawHeart(panel, RoundFlower(i), delay) || !RosePause(pause)) return false;
            if (!HeartStays(i)) runtime::ClearPanel(panel);
        }
    }
    return true;
}

void ShowFlowerRows(UnitRef page, UnitRef panel, int width, int height) {
    const std::uint32_t sources[3] = {rose::kFlower2, rose::kFlower3, rose::kFlower4};
    AppObjects& app = App();
    for (int n = 1; n <= 4; ++n) {
        UnitRef copies[3];
        for (int j = 0; j < 3; ++j) {
            const UnitRef source = runtime::FindUnit(page, sources[j]);
            copies[j] = runtime::CopyControl(source);
            app.flowerLists[j].push_back({page, copies[j]});
            const int sourceWidth = runtime::FormProperty(source, runtime::kWidth);
            runtime::SetFormProperty(copies[j], runtime::kLeft, n * (sourceWidth + n + 130));
        }
        for (const UnitRef copy : copies) runtime::SetFormProperty(copy, runtime::kVisible, 1);
    }
    runtime::MoveControl(panel, 0, 0, width, height);
}

}  // namespace

std::vector<POINT> HeartPositions(int screenWidth, int screenHeight) {
    std::vector<POINT> spots;
    spots.reserve(31);
    const int x0 = static_cast<int>(screenWidth / 2.0 - 73.5);
    const int y0 = static_cast<int>(screenHeight / 3.0);
    int left = x0;
    int right = x0;
    int base = y0;
    spots.push_back({x0, y0});
    auto pair = [&spots](int l, int r, int y) {
        spots.push_back({l, y});
        spots.push_back({r, y});
    };
    // Up and out from the centre; the top is kept on the screen.
    int y = base;
    for (int s = 1; s <= 4; ++s) {
        y = std::max(0, base - 65 * s);
        pair(left - 55 * s, right + 55 * s, y);
    }
    left -= 55 * 4;
    right += 55 * 4;
    base = y;
    // Level.
    for (int s = 1; s <= 2; ++s) pair(left - 93 * s, right + 93 * s, base);
    left -= 93 * 2;
    right += 93 * 2;
    // Down and still out.
    for (int s = 1; s <= 3; ++s) {
        y = base + 65 * s;
        pair(left - 55 * s, right + 55 * s, y);
    }
    // Back across towards and past the centre line.
    for (int s = 1; s <= 6; ++s) pair(left + 93 * s, right - 93 * s, y + 65 * s);
    return spots;
}

bool RosePause(int ms) {
    constexpr int kSlice = 50;
    if (!show.page) return false;
    int left = std::max(ms, 0);
    for (;;) {
        if (CloseAskedInQueue(runtime::FormWindowHandle(show.page))) RequestClose(show.page);
        if (show.closeRequested || !runtime::IsAlive(show.page)) return false;
        if (left == 0) return true;
        const int slice = std::min(left, kSlice);
        runtime::Sleep(slice);
        left -= slice;
    }
}

int OnRoseCreated(const runtime::Event& event) {
    const UnitRef page = event.form;
    const UnitRef panel = runtime::FindUnit(page, rose::kPanel);
    show = Show{page};
    SetWindowSubclass(runtime::FormWindowHandle(page), EscapeWatch, 1, 0);

    runtime::SeedRandom();
    const int width = runtime::ScreenWidth();
    const int height = runtime::ScreenHeight();
    runtime::MoveControl(page, 0, 0, width, height);
    runtime::MoveControl(panel, 0, 0, width, height);
    // Taken before the page shows, so the page looks exactly like the desktop.
    runtime::SetFormProperty(panel, runtime::kBackgroundPicture, runtime::Snapshot());
    runtime::SetFormProperty(page, runtime::kVisible, 1);

    if (!ShowBigRose(panel, width, height) || !ShowHearts(panel)) return 0;

    runtime::SetFormProperty(runtime::FindUnit(page, rose::kDelayTimer),
                             runtime::kCaptionOrInterval, 1000);
    AppObjects& app = App();
    app.roseSnapshot = runtime::Snapshot();
    runtime::ClearPanel(panel);
    runtime::MoveControl(panel, 0, 0, width, height);
    runtime::SetFormProperty(panel, runtime::kBackgroundPicture, app.roseSnapshot);
    ShowFlowerRows(page, panel, width, height);
    return 0;
}

int OnRoseRightButton(const runtime::Event& event) {
    RequestClose(event.form);
    return 0;
}

int OnRoseDestroyed(const runtime::Event& event) {
    if (show.page == event.form) show = Show{};
    // The copies go with the page.
    if (GlobalsAlive())
        for (auto& list : App().flowerLists) list.clear();
    return 0;
}

}  // namespace gift
