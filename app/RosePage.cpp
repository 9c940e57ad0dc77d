#include "app/RosePage.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "app/AppObjects.h"
#include "app/Content.h"
#include "app/PageForms.h"
#include "app/ShowLayout.h"
#include "app/Startup.h"
#include "platform/Dpi.h"
#include "runtime/PictureScale.h"
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

// The screen the page took when it opened, in device pixels, and its DPI.
struct Screen {
    int width = 0, height = 0;
    UINT dpi = dpi::kBase;
};

// The centre picture, then the pairs, with the step delay after each. Each
// flower at its own size x the scale.
bool DrawHeart(UnitRef panel, const Screen& screen, int flower, int delay) {
    const runtime::Picture picture =
        runtime::LoadPictureAtDpi(content::Flower(flower), screen.dpi, true);
    const std::vector<POINT> spots =
        layout::HeartPositions(screen.width, screen.height, picture.Width(), picture.Height());
    Draw(panel, picture, spots[0]);
    if (!RosePause(delay)) return false;
    for (size_t i = 1; i + 1 < spots.size(); i += 2) {
        Draw(panel, picture, spots[i]);
        Draw(panel, picture, spots[i + 1]);
        if (!RosePause(delay)) return false;
    }
    return true;
}

// The rose resampled to the rectangle that covers the screen, only the part
// that shows: enlarged smoothly rather than by repeating pixels.
bool ShowBigRose(UnitRef panel, const Screen& screen) {
    const runtime::Picture rose = runtime::LoadPicture(content::BigRose());
    const RECT place = layout::BigRose(screen.width, screen.height, rose.Width(), rose.Height());
    const RECT shows{-place.left, -place.top, screen.width - place.left, screen.height - place.top};
    const runtime::Picture fitted = runtime::ScalePicture(rose, place.right - place.left,
                                                          place.bottom - place.top, true, &shows);
    Draw(panel, fitted, {std::max(0L, place.left), std::max(0L, place.top)});
    if (!RosePause(5000)) return false;
    runtime::ClearPanel(panel);
    return true;
}

bool ShowHearts(UnitRef panel, const Screen& screen) {
    if (!DrawHeart(panel, screen, 1, 500) || !RosePause(600)) return false;
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
            if (!DrawHeart(panel, screen, RoundFlower(i), delay) || !RosePause(pause)) return false;
            if (!HeartStays(i)) runtime::ClearPanel(panel);
        }
    }
    return true;
}

void ShowFlowerRows(UnitRef page, UnitRef panel, const Screen& screen) {
    const std::uint32_t sources[3] = {rose::kFlower2, rose::kFlower3, rose::kFlower4};
    AppObjects& app = App();
    for (int n = 1; n <= 4; ++n) {
        UnitRef copies[3];
        for (int j = 0; j < 3; ++j) {
            const UnitRef source = runtime::FindUnit(page, sources[j]);
            copies[j] = runtime::CopyControl(source);
            app.flowerLists[j].push_back({page, copies[j]});
            const POINT place =
                layout::FlowerRowPlace(n, runtime::FormProperty(source, runtime::kWidth),
                                       runtime::FormProperty(source, runtime::kTop), screen.width,
                                       screen.height, screen.dpi);
            runtime::MoveControl(copies[j], place.x, place.y);
        }
        for (const UnitRef copy : copies) runtime::SetFormProperty(copy, runtime::kVisible, 1);
    }
    runtime::MoveControl(panel, 0, 0, screen.width, screen.height);
}

}  // namespace

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

    runtime::SeedRandom();
    // The start window's monitor as the page opened on it, kept for the whole
    // show: the start window may move, be minimised or close meanwhile.
    const RECT area = runtime::FormScreen(page);
    const Screen screen{area.right - area.left, area.bottom - area.top, runtime::FormDpi(page)};
    runtime::MoveControl(page, area.left, area.top, screen.width, screen.height);
    runtime::MoveControl(panel, 0, 0, screen.width, screen.height);
    // Taken before the page shows, so the page looks exactly like the desktop.
    runtime::SetFormProperty(panel, runtime::kBackgroundPicture, runtime::Snapshot(area));
    runtime::SetFormProperty(page, runtime::kVisible, 1);

    if (!ShowBigRose(panel, screen) || !ShowHearts(panel, screen)) return 0;

    runtime::SetFormProperty(runtime::FindUnit(page, rose::kDelayTimer),
                             runtime::kCaptionOrInterval, 1000);
    AppObjects& app = App();
    app.roseSnapshot = runtime::Snapshot(area);
    runtime::ClearPanel(panel);
    runtime::MoveControl(panel, 0, 0, screen.width, screen.height);
    runtime::SetFormProperty(panel, runtime::kBackgroundPicture, app.roseSnapshot);
    ShowFlowerRows(page, panel, screen);
    return 0;
}

int OnRoseKey(const runtime::Event& event) {
    // Esc once the show is over and the page's loop dispatches again.
    if (event.x != VK_ESCAPE) return -1;
    RequestClose(event.form);
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
