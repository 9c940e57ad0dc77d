// The shows on screens of the sizes recipients have, and on the monitor that
// holds the start window. A size is given to the program as a one-monitor
// layout: the pages' windows and panels take that size and their pixels are
// read back from the panels, whatever the size of the test's own display. Two
// monitors are a layout that splits the real screen into halves, so a
// snapshot of the wrong half would show.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "app/AppObjects.h"
#include "app/Content.h"
#include "app/Countdown.h"
#include "app/PageForms.h"
#include "app/ShowLayout.h"
#include "app/StartForm.h"
#include "app/Startup.h"
#include "platform/Dib.h"
#include "platform/Dpi.h"
#include "platform/Monitors.h"
#include "runtime/Clock.h"
#include "runtime/PictureScale.h"
#include "runtime/Program.h"
#include "runtime/Services.h"
#include "toolkit/core/Toolkit.h"
#include "tests/app/AppTestSupport.h"

namespace {

using apptest::ChangedOutside;
using apptest::inPage;
using apptest::Match;
using apptest::Rgb;
using apptest::RunInPage;
using runtime::Picture;
using runtime::UnitRef;

constexpr SIZE kScreens[] = {{1024, 768}, {1366, 768}, {1920, 1080}, {2560, 1440},
                             {768, 1366}, {800, 600},  {5120, 1440}};

// The monitors the pages are shown on: every size at 96 DPI as the only
// monitor, a 1920 x 1080 one at 144 DPI (150 %), and a second monitor left
// of and above the primary. The start window stands on it.
struct ScreenCase {
    RECT rect;
    UINT dpi;
};
std::vector<ScreenCase> PageScreens() {
    std::vector<ScreenCase> cases;
    for (const SIZE s : kScreens) cases.push_back({{0, 0, s.cx, s.cy}, 96});
    cases.push_back({{0, 0, 1920, 1080}, 144});
    cases.push_back({{-1280, -200, 0, 824}, 120});
    return cases;
}
void UseScreen(const ScreenCase& c) {
    if (c.rect.left == 0 && c.rect.top == 0) {
        monitors::SetLayout({{c.rect, true, c.dpi}});
    } else {
        monitors::SetLayout({{{0, 0, 1366, 768}, true, 96}, {c.rect, false, c.dpi}});
    }
}

// The heart's outline relative to its centre picture, as composed: up and
// out, level, down and out, back across the centre line.
constexpr POINT kOutline[31] = {
    {0, 0},      {-55, -65},   {55, -65},   {-110, -130}, {110, -130}, {-165, -195},
    {165, -195}, {-220, -260}, {220, -260}, {-313, -260}, {313, -260}, {-406, -260},
    {406, -260}, {-461, -195}, {461, -195}, {-516, -130}, {516, -130}, {-571, -65},
    {571, -65},  {-313, 0},    {313, 0},    {-220, 65},   {220, 65},   {-127, 130},
    {127, 130},  {-34, 195},   {34, 195},   {59, 260},    {-59, 260},  {152, 325},
    {-152, 325}};

RECT WindowRect(UnitRef unit) {
    RECT r{};
    GetWindowRect(runtime::FormWindowHandle(unit), &r);
    return r;
}

bool SameRect(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != FALSE;
}

// The largest share of any one row or column of `content` that still shows
// `background`: a band the picture leaves uncovered shows as 1.
double MostUncoveredLine(const Picture& content, const Picture& background) {
    const int w = content.Width(), h = content.Height();
    std::vector<int> columns(w, 0), rows(h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (Rgb(content.FrameAt(0).pixels[y * w + x]) ==
                Rgb(background.FrameAt(0).pixels[y * w + x])) {
                ++columns[x];
                ++rows[y];
            }
    const int column = *std::max_element(columns.begin(), columns.end());
    const int row = *std::max_element(rows.begin(), rows.end());
    return std::max(static_cast<double>(column) / h, static_cast<double>(row) / w);
}

TEST(ShowLayout, HeartRowsAndPoemFitEveryScreenInTheirComposedShape) {
    std::vector<SIZE> flowers;
    for (int n = 1; n <= content::kFlowerCount; ++n) {
        const Picture p = runtime::LoadPicture(content::Flower(n));
        flowers.push_back({p.Width(), p.Height()});
    }
    for (const SIZE screen : kScreens) {
        const int w = screen.cx, h = screen.cy;
        SCOPED_TRACE(testing::Message() << w << " x " << h);

        // Hearts: whole, unclamped, centred, the composed outline scaled to
        // fill the screen's height (or its width on narrow screens).
        for (const SIZE f : flowers) {
            const std::vector<POINT> spots = gift::layout::HeartPositions(w, h, f.cx, f.cy);
            ASSERT_EQ(spots.size(), 31u);
            const double scale = (spots[18].x - spots[17].x) / 1142.0;
            RECT box{w, h, 0, 0};
            for (int i = 0; i < 31; ++i) {
                EXPECT_NEAR(spots[i].x - spots[0].x, scale * kOutline[i].x, 2.0) << i;
                EXPECT_NEAR(spots[i].y - spots[0].y, scale * kOutline[i].y, 2.0) << i;
                box = {std::min(box.left, spots[i].x), std::min(box.top, spots[i].y),
                       std::max(box.right, spots[i].x + f.cx),
                       std::max(box.bottom, spots[i].y + f.cy)};
            }
            EXPECT_GE(box.top, h / 40);
            EXPECT_LE(box.bottom, h - h / 40);
            EXPECT_GE(box.left, 0);
            EXPECT_LE(box.right, w);
            EXPECT_NEAR(box.left + box.right, w, 2);
            EXPECT_NEAR(box.top + box.bottom, h, 2);
            EXPECT_TRUE(box.bottom - box.top > 0.85 * h || box.right - box.left > 0.85 * w);
        }

        // Flower rows: four copies of each box in order, inside the screen,
        // spread from its left quarter to its right quarter.
        const int widths[3] = {120, 104, 144}, heights[3] = {112, 96, 128};
        const int tops[3] = {312, 200, 248};
        int leftmost = w, rightmost = 0;
        for (int j = 0; j < 3; ++j) {
            int previous = -1;
            for (int n = 1; n <= 4; ++n) {
                const POINT at = gift::layout::FlowerRowPlace(n, widths[j], tops[j], w, h);
                EXPECT_GT(at.x, previous);
                EXPECT_GE(at.y, 0);
                EXPECT_LE(at.x + widths[j], w);
                EXPECT_LE(at.y + heights[j], h);
                previous = at.x;
                leftmost = std::min<int>(leftmost, at.x);
                rightmost = std::max<int>(rightmost, at.x + widths[j]);
                if (w == 1366 && h == 768) {  // the composed places themselves
                    EXPECT_EQ(at.x, n * (widths[j] + n + 130));
                    EXPECT_EQ(at.y, tops[j]);
                }
            }
        }
        EXPECT_LT(leftmost, w / 4);
        EXPECT_GT(rightmost, w * 3 / 4);

        // The countdown's bottom row: edge to edge, evenly.
        EXPECT_EQ(gift::layout::BottomRowLeft(1, 147, w), 0);
        EXPECT_EQ(gift::layout::BottomRowLeft(10, 147, w) + 147, w);
        for (int i = 2; i <= 10; ++i)
            EXPECT_NEAR(
                gift::layout::BottomRowLeft(i, 147, w) - gift::layout::BottomRowLeft(i - 1, 147, w),
                (w - 147) / 9.0, 1.0);

        // The poem: centred across the screen, starting just below it.
        for (const int panelWidth : {616, 924}) {
            const POINT poem = gift::layout::PoemPanelStart(panelWidth, w, h);
            EXPECT_NEAR(poem.x, w - (poem.x + panelWidth), 1);
            EXPECT_EQ(poem.y, h);
        }

        // The big rose covers the screen in its own aspect.
        const RECT rose = gift::layout::BigRose(w, h, 2560, 1998);
        EXPECT_LE(rose.left, 0);
        EXPECT_LE(rose.top, 0);
        EXPECT_GE(rose.right, w);
        EXPECT_GE(rose.bottom, h);
        EXPECT_NEAR(static_cast<double>(rose.right - rose.left) / (rose.bottom - rose.top),
                    2560.0 / 1998.0, 0.005);
    }
}

const runtime::FormDescription kCountdownPage{.id = gift::kRosePageId,
                                              .units = apptest::kCountdownUnits};

int endCalls = 0;
void RecordEnd(int) {
    ++endCalls;
}

class ScreensTest : public apptest::ClockedFixture {
protected:
    void SetUp() override {
        ClockedFixture::SetUp();
        gift::SetProgramEnd(RecordEnd);
    }
    void TearDown() override {
        ClockedFixture::TearDown();
        gift::SetProgramEnd(nullptr);
        monitors::SetLayout({});
    }

    static UnitRef Page(std::uint32_t id) { return runtime::FindForm(id); }
    static UnitRef RoseUnit(std::uint32_t id) {
        return runtime::FindUnit(Page(gift::kRosePageId), id);
    }

    // Opens the rose page and records it as the big rose shows (the first
    // pause) and once the first heart is whole; then closes it with Esc.
    struct RoseSeen {
        RECT window{};
        Picture background, rose, heart;
    };
    RoseSeen OpenRosePage() {
        RoseSeen seen;
        constexpr std::uint64_t kFirstHeartWhole = 5000 + 16 * 500;
        const std::uint64_t opened = clock.Waited();
        clock.beforeWait = [&](std::uint64_t total) {
            const UnitRef panel = RoseUnit(gift::rose::kPanel);
            const std::uint64_t waited = total - opened;
            if (waited == 0) {
                seen.window = WindowRect(Page(gift::kRosePageId));
                seen.background = runtime::FormPictureProperty(panel, runtime::kBackgroundPicture);
                seen.rose = runtime::PanelContent(panel);
            } else if (waited == kFirstHeartWhole) {
                seen.heart = runtime::PanelContent(panel);
                PostMessageW(runtime::FormWindowHandle(Page(gift::kRosePageId)), WM_KEYDOWN,
                             VK_ESCAPE, 0);
            }
        };
        runtime::LoadForm(gift::RosePageForm(), {}, true);
        clock.beforeWait = nullptr;
        return seen;
    }

    // Opens the words page over the start window; records where it stands,
    // then lets the poem run out from just above the top and records the end.
    struct WordsSeen {
        RECT window{}, panel{};
        int firstTop = 0;
        int inkHeight = 0;            // of the first line
        bool onlyKeyAndText = false;  // no pixel blends the text into the key
        bool startHiddenUntilGone = true;
        int lastLineBottomAtClose = 0;
        bool startShownAtClose = false;
    };
    // The poem panel as it paints itself: every pixel the key red or the
    // text's colour, and the first line's ink height.
    static void PrintPoem(UnitRef page, UnitRef panel) {
        WordsSeen& seen = Seen();
        const int w = runtime::FormProperty(panel, runtime::kWidth);
        const int h = runtime::FormProperty(panel, runtime::kHeight);
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        ReleaseDC(nullptr, screen);
        BITMAPINFO info = Argb32Info(w, h);
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(dc, bitmap);
        SendMessageW(runtime::FormWindowHandle(panel), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc),
                     PRF_CLIENT);
        GdiFlush();
        const auto* pixels = static_cast<const std::uint32_t*>(bits);
        seen.onlyKeyAndText = true;
        for (int i = 0; i < w * h; ++i) {
            const std::uint32_t p = pixels[i] & 0xFFFFFF;
            seen.onlyKeyAndText = seen.onlyKeyAndText && (p == 0xFF0000 || p == 0xFF8080);
        }
        const UnitRef first = runtime::FindUnit(page, gift::words::kFirstLabel);
        const int top = runtime::FormProperty(first, runtime::kTop);
        const int bottom = top + runtime::FormProperty(first, runtime::kHeight);
        int inkTop = bottom, inkBottom = top;
        for (int y = top; y < std::min(bottom, h); ++y)
            for (int x = 0; x < w; ++x)
                if ((pixels[y * w + x] & 0xFFFFFF) == 0xFF8080) {
                    inkTop = std::min(inkTop, y);
                    inkBottom = std::max(inkBottom, y + 1);
                }
        seen.inkHeight = std::max(0, inkBottom - inkTop);
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    static WordsSeen& Seen() {
        static WordsSeen seen;
        return seen;
    }
    WordsSeen OpenWordsPage() {
        WordsSeen& seen = Seen();
        seen = {};
        inPage = [&seen] {
            const UnitRef page = Page(gift::kWordsPageId);
            const UnitRef panel = runtime::FindUnit(page, gift::words::kPanel);
            const UnitRef timer = runtime::FindUnit(page, gift::words::kScrollTimer);
            runtime::SetFormProperty(timer, runtime::kCaptionOrInterval, 0);
            seen.window = WindowRect(page);
            seen.panel = WindowRect(panel);
            seen.firstTop = runtime::FormProperty(panel, runtime::kTop);
            PrintPoem(page, panel);
            const HWND start = runtime::FormWindowHandle(runtime::FindForm(gift::kStartFormId));
            const UnitRef lastLine =
                runtime::FindUnit(page, gift::words::kFirstLabel + gift::words::kLabelCount - 1);
            // Ten ticks before the panel is gone.
            runtime::MoveControl(panel, std::nullopt,
                                 45 - runtime::FormProperty(panel, runtime::kHeight));
            while (!runtime::IsClosing(page)) {
                seen.startHiddenUntilGone = seen.startHiddenUntilGone && !IsWindowVisible(start);
                SendMessageW(runtime::FormWindowHandle(timer), WM_TIMER, 1000, 0);
            }
            seen.lastLineBottomAtClose = runtime::FormProperty(panel, runtime::kTop) +
                                         runtime::FormProperty(lastLine, runtime::kTop) +
                                         runtime::FormProperty(lastLine, runtime::kHeight);
            seen.startShownAtClose = IsWindowVisible(start) != FALSE;
        };
        SetTimer(nullptr, 0, 1, RunInPage);
        runtime::LoadForm(gift::WordsPageForm(), {}, true);
        inPage = nullptr;
        return seen;
    }
};

// Only its identifier matters to the pages: they find the start window by it.
runtime::FormDescription StartStandIn(int left, int top) {
    return {.id = gift::kStartFormId,
            .left = left,
            .top = top,
            .width = 200,
            .height = 150,
            .backColour = RGB(0, 200, 90)};
}

TEST_F(ScreensTest, RosePageCoversEveryScreenSizeWithTheRoseTheHeartAndTheBottomRow) {
    for (const ScreenCase& c : PageScreens()) {
        const RECT area = c.rect;
        const int w = area.right - area.left, h = area.bottom - area.top;
        SCOPED_TRACE(testing::Message() << w << " x " << h << " at " << area.left << ", "
                                        << area.top << ", " << c.dpi << " DPI");
        UseScreen(c);
        const auto device = [&c](int units) { return dpi::ToDevice(units, c.dpi); };
        const UnitRef start = runtime::LoadForm(StartStandIn(area.left + 50, area.top + 50));
        // The flowers at their own size x the scale.
        const Picture f1 = runtime::LoadPictureAtDpi(content::Flower(1), c.dpi, true);
        const Picture row = runtime::LoadPictureAtDpi(content::BottomRowPicture(), c.dpi, true);
        EXPECT_EQ(f1.Width(), device(runtime::LoadPicture(content::Flower(1)).Width()));

        const RoseSeen seen = OpenRosePage();
        EXPECT_TRUE(SameRect(seen.window, area));
        ASSERT_EQ(seen.rose.Width(), w);
        ASSERT_EQ(seen.rose.Height(), h);
        ASSERT_EQ(seen.background.Width(), w);
        // No band of the desktop is left uncovered by the rose.
        EXPECT_LT(MostUncoveredLine(seen.rose, seen.background), 0.2);

        // The first heart: F1 at its 31 places and nowhere else; the last
        // pair lies on top.
        const std::vector<POINT> spots =
            gift::layout::HeartPositions(w, h, f1.Width(), f1.Height());
        std::vector<RECT> rects;
        for (const POINT s : spots)
            rects.push_back({s.x, s.y, s.x + f1.Width(), s.y + f1.Height()});
        ASSERT_FALSE(seen.heart.Empty());
        EXPECT_EQ(ChangedOutside(seen.heart, seen.background, rects), 0);
        EXPECT_GT(Match(seen.heart, f1, spots[29]), 0.9);
        EXPECT_GT(Match(seen.heart, f1, spots[30]), 0.9);

        // The countdown's bottom row and line on a page of this screen: from
        // the left edge to the right one, the last picture on top.
        runtime::FormDescription form = kCountdownPage;
        form.left = area.left;
        form.top = area.top;
        form.width = dpi::ToUnits(w, c.dpi);
        form.height = dpi::ToUnits(h, c.dpi);
        const UnitRef page = runtime::LoadForm(form);
        const UnitRef panel = runtime::FindUnit(page, gift::rose::kPanel);
        runtime::MoveControl(panel, 0, 0, w, h);
        const Picture blank = runtime::PanelContent(panel);
        gift::ProgramCounters().countdown = 0;
        SendMessageW(
            runtime::FormWindowHandle(runtime::FindUnit(page, gift::rose::kCountdownTimer)),
            WM_TIMER, 1000, 0);
        const Picture shown = runtime::PanelContent(panel);
        ASSERT_EQ(shown.Width(), w);
        const int rowTop = h - device(200);
        EXPECT_GT(Match(shown, row, {w - row.Width(), rowTop}), 0.9);
        int left = w, right = -1;
        for (int y = rowTop; y < rowTop + row.Height(); ++y)
            for (int x = 0; x < w; ++x)
                if (Rgb(shown.FrameAt(0).pixels[y * w + x]) !=
                    Rgb(blank.FrameAt(0).pixels[y * w + x])) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        EXPECT_LE(left, device(25)) << "the picture's white edge is transparent";
        EXPECT_GE(right, w - device(25));
        const UnitRef line = runtime::FindUnit(page, gift::rose::kCountdownLine);
        EXPECT_EQ(runtime::FormProperty(line, runtime::kTop), h - device(80));
        EXPECT_EQ(runtime::FormProperty(line, runtime::kWidth), w);
        runtime::DestroyForm(page, true);
        runtime::DestroyForm(start, true);
    }
}

TEST_F(ScreensTest, WordsPageCoversEveryScreenSizeWithThePoemCentredUntilItHasLeftTheTop) {
    int ink96 = 0;
    for (const ScreenCase& c : PageScreens()) {
        const RECT area = c.rect;
        const int w = area.right - area.left, h = area.bottom - area.top;
        SCOPED_TRACE(testing::Message() << w << " x " << h << " at " << area.left << ", "
                                        << area.top << ", " << c.dpi << " DPI");
        UseScreen(c);
        const UnitRef start = runtime::LoadForm(StartStandIn(area.left + 50, area.top + 50));

        const WordsSeen seen = OpenWordsPage();
        EXPECT_TRUE(SameRect(seen.window, area));
        EXPECT_EQ(seen.panel.right - seen.panel.left, dpi::ToDevice(616, c.dpi));
        EXPECT_NEAR(seen.panel.left - area.left, area.right - seen.panel.right, 1)
            << "centred across the screen";
        EXPECT_EQ(seen.panel.top, area.bottom) << "just below the bottom edge";
        EXPECT_EQ(seen.firstTop, h);
        // The poem in a font scaled by the scale, the colour key exact.
        if (ink96 == 0) ink96 = seen.inkHeight;
        EXPECT_GT(seen.inkHeight, 10);
        EXPECT_NEAR(seen.inkHeight, ink96 * dpi::Scale(c.dpi), 2.0);
        EXPECT_TRUE(seen.onlyKeyAndText);
        EXPECT_TRUE(seen.startHiddenUntilGone);
        EXPECT_LE(seen.lastLineBottomAtClose, 0) << "the last line has left the top";
        EXPECT_TRUE(seen.startShownAtClose);
        runtime::DestroyForm(start, true);
    }
}

// The start window's monitor, at its own scale, as the page opened on it: the
// start window leaves for the other monitor and is minimised during the show,
// and the hearts, the second snapshot, the rows, the rain and the countdown
// still play where the page opened.
TEST_F(ScreensTest, ShowsPlayOnTheMonitorThatHoldsTheStartWindowWhenItOpened) {
    // The real screen as two monitors side by side, the left one primary,
    // the right one at 144 DPI.
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    const RECT left{0, 0, w / 2, h}, right{w / 2, 0, w, h};
    const int rw = w - w / 2;
    monitors::SetLayout({{left, true, 96}, {right, false, 144}});

    // Where a window counts: most of its area, else the nearest monitor.
    EXPECT_TRUE(SameRect(monitors::Holding(RECT{w / 2 - 60, 10, w / 2 + 40, 50}), left));
    EXPECT_TRUE(SameRect(monitors::Holding(RECT{w / 2 - 40, 10, w / 2 + 60, 50}), right));
    EXPECT_TRUE(SameRect(monitors::Holding(RECT{w + 300, h + 10, w + 400, h + 50}), right));
    EXPECT_TRUE(SameRect(monitors::Holding(RECT{-400, 10, -300, 50}), left));
    EXPECT_TRUE(SameRect(runtime::Screen(), left)) << "no start window yet: the primary";

    // 200 x 150 units at 144 DPI: 300 x 225 from (60, 60) of the right monitor.
    const UnitRef start = runtime::LoadForm(StartStandIn(w / 2 + 40, 40));
    const HWND startWindow = runtime::FormWindowHandle(start);
    UpdateWindow(startWindow);
    EXPECT_TRUE(SameRect(runtime::Screen(), right));
    EXPECT_TRUE(SameRect(WindowRect(start), {w / 2 + 60, 60, w / 2 + 360, 285}));

    const Picture f1 = runtime::LoadPictureAtDpi(content::Flower(1), 144, true);
    constexpr std::uint64_t kFirstHeartWhole = 5000 + 16 * 500;
    RoseSeen seen;
    const std::uint64_t opened = clock.Waited();
    clock.beforeWait = [&](std::uint64_t total) {
        const UnitRef panel = RoseUnit(gift::rose::kPanel);
        const std::uint64_t waited = total - opened;
        if (waited == 0) {
            seen.window = WindowRect(Page(gift::kRosePageId));
            seen.background = runtime::FormPictureProperty(panel, runtime::kBackgroundPicture);
            seen.rose = runtime::PanelContent(panel);
            SetWindowPos(startWindow, nullptr, 20, 20, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        } else if (waited == kFirstHeartWhole) {
            seen.heart = runtime::PanelContent(panel);
            ShowWindow(startWindow, SW_MINIMIZE);
        }
    };
    struct AfterShow {
        Picture snapshot;
        std::vector<RECT> copies;
        RECT line{};
        int ends = 0;
    } after;
    inPage = [&] {
        clock.beforeWait = nullptr;
        const UnitRef page = Page(gift::kRosePageId);
        after.snapshot = gift::App().roseSnapshot;
        for (const auto& list : gift::App().flowerLists)
            for (const gift::FlowerEntry& entry : list)
                after.copies.push_back(WindowRect(entry.control));
        // The rain at the thirtieth tick, then the countdown's last tick.
        gift::ProgramCounters().delayTicks = 29;
        SendMessageW(runtime::FormWindowHandle(RoseUnit(gift::rose::kDelayTimer)), WM_TIMER, 1000,
                     0);
        gift::ProgramCounters().countdown = 0;
        endCalls = 0;
        SendMessageW(runtime::FormWindowHandle(RoseUnit(gift::rose::kCountdownTimer)), WM_TIMER,
                     1000, 0);
        after.ends = endCalls;
        after.line = WindowRect(RoseUnit(gift::rose::kCountdownLine));
        PostMessageW(runtime::FormWindowHandle(page), WM_KEYDOWN, VK_ESCAPE, 0);
    };
    SetTimer(nullptr, 0, 1, RunInPage);
    runtime::LoadForm(gift::RosePageForm(), {}, true);
    inPage = nullptr;
    clock.beforeWait = nullptr;

    // The page covered that monitor and froze its picture: the start window
    // shows in the snapshot at its place there.
    EXPECT_TRUE(SameRect(seen.window, right));
    ASSERT_EQ(seen.background.Width(), rw);
    EXPECT_EQ(Rgb(seen.background.FrameAt(0).pixels[(60 + 100) * rw + 200]), 0x00C85Au)
        << "the start window's colour (0, 200, 90)";
    EXPECT_LT(MostUncoveredLine(seen.rose, seen.background), 0.2);
    // The first heart, drawn after the start window left, in the page's layout
    // with the flowers at 144 DPI.
    const std::vector<POINT> spots = gift::layout::HeartPositions(rw, h, f1.Width(), f1.Height());
    std::vector<RECT> rects;
    for (const POINT s : spots) rects.push_back({s.x, s.y, s.x + f1.Width(), s.y + f1.Height()});
    ASSERT_FALSE(seen.heart.Empty());
    EXPECT_EQ(ChangedOutside(seen.heart, seen.background, rects), 0);
    EXPECT_GT(Match(seen.heart, f1, spots[30]), 0.9);
    // The second snapshot is of the page's monitor, showing the show's last
    // heart (F19, which stays), not of the monitor the start window went to.
    ASSERT_EQ(after.snapshot.Width(), rw);
    const Picture f19 = runtime::LoadPictureAtDpi(content::Flower(19), 144, true);
    const std::vector<POINT> last = gift::layout::HeartPositions(rw, h, f19.Width(), f19.Height());
    EXPECT_GT(Match(after.snapshot, f19, last[30]), 0.9);
    ASSERT_EQ(after.copies.size(), 12u);
    for (const RECT& r : after.copies) {
        EXPECT_GE(r.left, right.left);
        EXPECT_LE(r.right, right.right);
        EXPECT_LE(r.bottom, h);
    }
    EXPECT_EQ(after.ends, 1);
    EXPECT_TRUE(SameRect(after.line, {right.left, h - 120, right.right, h}));

    // The words page opens where the start window is now, once it is back on
    // the right monitor, and covers it with the poem centred on it.
    ShowWindow(startWindow, SW_RESTORE);
    SetWindowPos(startWindow, nullptr, w / 2 + 60, 60, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const WordsSeen words = OpenWordsPage();
    EXPECT_TRUE(SameRect(words.window, right));
    EXPECT_NEAR(words.panel.left - right.left, right.right - words.panel.right, 1);
    EXPECT_EQ(words.panel.top, h);
}

}  // namespace
