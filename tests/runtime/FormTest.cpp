// Forms: loading, Created, properties, closing, dialog mode, timers, events.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/Monitors.h"
#include "runtime/Form.h"
#include "runtime/Program.h"
#include "runtime/Services.h"
#include "tests/runtime/RuntimeSupport.h"
#include "platform/ProcessStats.h"

using namespace runtime;

namespace {

// What the handlers saw; reset by each test.
struct Record {
    int created = 0;
    bool visibleInCreated = true;
    bool unitsInCreated = false;
    bool aliveAfterQueuedDestroy = false;
    int ticksA = 0;
    int ticksB = 0;
    std::vector<Event> mouse;
    bool startEnabledInDialog = true;
    int exitCalls = 0;
} rec;

constexpr std::uint32_t kLabel = 1, kTimerA = 2, kTimerB = 3, kPanel = 4, kInner = 5;

const FontDescription kFont{.face = "Tahoma", .height = -13};

int OnCreated(const Event& e) {
    ++rec.created;
    rec.visibleInCreated = IsWindowVisible(FormWindowHandle(e.form)) != 0;
    rec.unitsInCreated = IsAlive(FindUnit(e.form, kLabel)) && IsAlive(FindUnit(e.form, "标签1"));
    return 0;
}

int OnMouse(const Event& e) {
    rec.mouse.push_back(e);
    return 0;
}

// Stops itself on its first tick.
int TickStopsSelf(const Event& e) {
    ++rec.ticksA;
    SetFormProperty(e.unit, kCaptionOrInterval, 0);
    return 0;
}

// Starts timer B afresh and stops itself: one link of a chain.
int TickStartsOther(const Event& e) {
    ++rec.ticksA;
    SetFormProperty(FindUnit(e.form, kTimerB), kCaptionOrInterval, 10);
    SetFormProperty(e.unit, kCaptionOrInterval, 0);
    return 0;
}

int TickB(const Event& e) {
    ++rec.ticksB;
    SetFormProperty(e.unit, kCaptionOrInterval, 0);
    return 0;
}

constexpr EventBinding kFormEvents[] = {{EventKind::Created, OnCreated},
                                        {EventKind::RightButtonDown, OnMouse}};

const UnitDescription kUnits[] = {
    {.kind = UnitKind::Label,
     .name = "标签1",
     .id = kLabel,
     .left = 10,
     .top = 20,
     .width = 80,
     .height = 24,
     .visible = false,
     .caption = "hello",
     .textColour = RGB(1, 2, 3),
     .font = &kFont},
    {.kind = UnitKind::Timer, .name = "时钟1", .id = kTimerA, .interval = 0},
    {.kind = UnitKind::Timer, .name = "时钟2", .id = kTimerB, .interval = 0},
    {.kind = UnitKind::DrawingPanel,
     .name = "画板1",
     .id = kPanel,
     .left = 5,
     .top = 5,
     .width = 100,
     .height = 60,
     .backColour = RGB(0, 0, 255)},
    {.kind = UnitKind::Label,
     .name = "标签2",
     .id = kInner,
     .left = 3,
     .top = 4,
     .width = 30,
     .height = 10,
     .parent = kPanel},
};

FormDescription TestForm(std::uint32_t id = 0x52010001, bool visible = true) {
    return FormDescription{.id = id,
                           .name = "窗口1",
                           .caption = "测试",
                           .left = 50,
                           .top = 50,
                           .width = 300,
                           .height = 200,
                           .visible = visible,
                           .events = kFormEvents,
                           .units = kUnits};
}

class FormTest : public RuntimeTest {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        rec = Record{};
    }
};

TEST_F(FormTest, LoadCreatesWindowAndUnitsThenRaisesCreatedBeforeShowing) {
    static const FormDescription form = TestForm();
    UnitRef f = LoadForm(form);
    ASSERT_TRUE(IsAlive(f));
    HWND hwnd = FormWindowHandle(f);
    ASSERT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(rec.created, 1);
    EXPECT_TRUE(rec.unitsInCreated);
    EXPECT_FALSE(rec.visibleInCreated);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    RECT r;
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r.left, 50);
    EXPECT_EQ(r.top, 50);
    EXPECT_EQ(r.right - r.left, 300);
    EXPECT_EQ(r.bottom - r.top, 200);
    EXPECT_EQ(FindForm(0x52010001), f);
    EXPECT_EQ(KindOf(FindUnit(f, "画板1")), UnitKind::DrawingPanel);

    // A unit inside a panel is a child of the panel's window.
    HWND inner = FormWindowHandle(FindUnit(f, kInner));
    EXPECT_EQ(GetParent(inner), FormWindowHandle(FindUnit(f, kPanel)));
}

TEST_F(FormTest, PropertiesReadAndWriteAtOnce) {
    static const FormDescription form = TestForm();
    UnitRef f = LoadForm(form);
    UnitRef label = FindUnit(f, kLabel);
    EXPECT_EQ(FormProperty(label, kLeft), 10);
    EXPECT_EQ(FormProperty(label, kTop), 20);
    EXPECT_EQ(FormProperty(label, kWidth), 80);
    EXPECT_EQ(FormProperty(label, kHeight), 24);
    EXPECT_EQ(FormProperty(label, kVisible), 0);
    EXPECT_EQ(FormTextProperty(label, kCaptionOrInterval), "hello");
    EXPECT_EQ(FormProperty(label, kTextColour), static_cast<int>(RGB(1, 2, 3)));

    HWND labelWindow = FormWindowHandle(label);
    EXPECT_FALSE(IsWindowVisible(labelWindow));
    SetFormProperty(label, kVisible, 1);
    EXPECT_TRUE(IsWindowVisible(labelWindow));
    SetFormProperty(label, kCaptionOrInterval, "距离程序运行结束还有0秒！");
    EXPECT_EQ(FormTextProperty(label, kCaptionOrInterval), "距离程序运行结束还有0秒！");

    MoveControl(label, {}, 40, 200);  // left and height kept
    RECT r;
    GetWindowRect(labelWindow, &r);
    MapWindowPoints(nullptr, FormWindowHandle(f), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 40);
    EXPECT_EQ(r.right - r.left, 200);
    EXPECT_EQ(r.bottom - r.top, 24);

    // The form's own window: screen pixels, and visibility at once.
    MoveControl(f, 0, 0, 640, 480);
    EXPECT_EQ(FormProperty(f, kLeft), 0);
    EXPECT_EQ(FormProperty(f, kWidth), 640);
    SetFormProperty(f, kVisible, 0);
    EXPECT_FALSE(IsWindowVisible(FormWindowHandle(f)));
    SetFormProperty(f, kVisible, 1);
    EXPECT_TRUE(IsWindowVisible(FormWindowHandle(f)));

    // Stale references do nothing and read as nothing.
    DestroyForm(f, true);
    EXPECT_FALSE(IsAlive(label));
    EXPECT_EQ(FormProperty(label, kWidth), 0);
    SetFormProperty(label, kVisible, 1);
    MoveControl(label, 1, 1, 1, 1);
    EXPECT_EQ(FormWindowHandle(label), nullptr);
}

int DestroyQueuedInCreated(const Event& e) {
    DestroyForm(e.form);
    rec.aliveAfterQueuedDestroy = IsAlive(e.form) && IsWindow(FormWindowHandle(e.form));
    ++rec.created;
    return 0;
}
constexpr EventBinding kQueuedEvents[] = {{EventKind::Created, DestroyQueuedInCreated}};

TEST_F(FormTest, QueuedDestroyInsideCreatedClosesOnlyWhenTheLoopTakesIt) {
    static const FormDescription form{
        .id = 7, .width = 100, .height = 100, .events = kQueuedEvents};
    UnitRef f = LoadForm(form);
    EXPECT_TRUE(rec.aliveAfterQueuedDestroy);
    ASSERT_TRUE(IsAlive(f)) << "closed before the handler returned";
    EXPECT_TRUE(IsClosing(f));
    EXPECT_TRUE(PumpUntil([&] { return !IsAlive(f); }));

    // In dialog mode the nested loop takes the request and LoadForm returns.
    rec.created = 0;
    UnitRef d = LoadForm(form, {}, true);
    EXPECT_EQ(rec.created, 1);
    EXPECT_FALSE(IsAlive(d));
}

// Like the words page: the start window is hidden while the page runs and
// comes back before the page closes; it stays disabled all the same.
int HideStart(const Event&) {
    SetFormProperty(FindForm(0x52010001), kVisible, 0);
    return 0;
}

int CheckStartDisabledThenClose(const Event& e) {
    UnitRef start = FindForm(0x52010001);
    SetFormProperty(start, kVisible, 1);
    rec.startEnabledInDialog = IsWindowEnabled(FormWindowHandle(start)) != 0;
    DestroyForm(e.form);
    SetFormProperty(e.unit, kCaptionOrInterval, 0);
    return 0;
}
constexpr EventBinding kDialogTick[] = {{EventKind::Tick, CheckStartDisabledThenClose}};
const UnitDescription kDialogUnits[] = {
    {.kind = UnitKind::Timer, .id = 1, .events = kDialogTick, .interval = 20}};

TEST_F(FormTest, DialogModeDisablesOtherWindowsUntilItCloses) {
    static const FormDescription start = TestForm();
    static constexpr EventBinding pageEvents[] = {{EventKind::Created, HideStart}};
    static const FormDescription page{
        .id = 9, .width = 100, .height = 100, .events = pageEvents, .units = kDialogUnits};
    UnitRef s = LoadForm(start);
    UnitRef p = LoadForm(page, {}, true);  // returns after the page has closed itself
    EXPECT_FALSE(rec.startEnabledInDialog);
    EXPECT_FALSE(IsAlive(p));
    EXPECT_TRUE(IsWindowEnabled(FormWindowHandle(s)));
    EXPECT_TRUE(IsWindowVisible(FormWindowHandle(s)));
}

TEST_F(FormTest, TimerIntervalRules) {
    static constexpr EventBinding stopsSelf[] = {{EventKind::Tick, TickStopsSelf}};
    static const UnitDescription units[] = {
        {.kind = UnitKind::Timer, .id = kTimerA, .events = stopsSelf, .interval = 10}};
    static const FormDescription form{.id = 3, .width = 50, .height = 50, .units = units};
    UnitRef f = LoadForm(form);
    UnitRef timer = FindUnit(f, kTimerA);
    EXPECT_EQ(FormProperty(timer, kCaptionOrInterval), 10);
    ASSERT_TRUE(PumpUntil([] { return rec.ticksA > 0; }));
    PumpFor(100);
    EXPECT_EQ(rec.ticksA, 1) << "a timer that sets its own interval to 0 stops";
    EXPECT_EQ(FormProperty(timer, kCaptionOrInterval), 0);

    // Negative counts as 0; a running timer restarts on a changed interval.
    SetFormProperty(timer, kCaptionOrInterval, -5);
    EXPECT_EQ(FormProperty(timer, kCaptionOrInterval), 0);
    SetFormProperty(timer, kCaptionOrInterval, 10);
    ASSERT_TRUE(PumpUntil([] { return rec.ticksA == 2; }));
}

TEST_F(FormTest, TimerThatStartsAnotherMakesAChain) {
    static constexpr EventBinding a[] = {{EventKind::Tick, TickStartsOther}};
    static constexpr EventBinding b[] = {{EventKind::Tick, TickB}};
    static const UnitDescription units[] = {
        {.kind = UnitKind::Timer, .id = kTimerA, .events = a, .interval = 10},
        {.kind = UnitKind::Timer, .id = kTimerB, .events = b, .interval = 0},
    };
    static const FormDescription form{.id = 4, .width = 50, .height = 50, .units = units};
    LoadForm(form);
    ASSERT_TRUE(PumpUntil([] { return rec.ticksB > 0; }));
    PumpFor(80);
    EXPECT_EQ(rec.ticksA, 1);
    EXPECT_EQ(rec.ticksB, 1);
}

TEST_F(FormTest, RightButtonDownReachesTheHandlerWithPointAndKeys) {
    static const FormDescription form = TestForm();
    UnitRef f = LoadForm(form);
    HWND hwnd = FormWindowHandle(f);
    SendMessageW(hwnd, WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT, MAKELPARAM(12, 34));
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));  // not bound
    ASSERT_EQ(rec.mouse.size(), 1u);
    EXPECT_EQ(rec.mouse[0].kind, EventKind::RightButtonDown);
    EXPECT_EQ(rec.mouse[0].x, 12);
    EXPECT_EQ(rec.mouse[0].y, 34);
    EXPECT_EQ(rec.mouse[0].keys, MK_RBUTTON | MK_SHIFT);
    EXPECT_EQ(rec.mouse[0].form, f);
}

TEST_F(FormTest, CopyControlMakesAnIndependentUnitAboveItsSiblings) {
    static const FormDescription form = TestForm();
    UnitRef f = LoadForm(form);
    UnitRef label = FindUnit(f, kLabel);
    UnitRef copy = CopyControl(label);
    ASSERT_TRUE(IsAlive(copy));
    EXPECT_NE(UnitId(copy), UnitId(label));
    EXPECT_EQ(KindOf(copy), UnitKind::Label);
    EXPECT_EQ(FormTextProperty(copy, kCaptionOrInterval), "hello");
    EXPECT_EQ(FormProperty(copy, kWidth), 80);
    SetFormProperty(copy, kLeft, 150);
    EXPECT_EQ(FormProperty(label, kLeft), 10);
    EXPECT_EQ(GetWindow(FormWindowHandle(f), GW_CHILD), FormWindowHandle(copy));
    EXPECT_FALSE(IsAlive(CopyControl(f))) << "a form's window is not copied";
}

void CountExit() {
    ++rec.exitCalls;
}

TEST_F(FormTest, MessageLoopEndsWhenTheMainFormClosesAndQuitRunsTheExitRoutineOnce) {
    static const FormDescription form = TestForm();
    SetExitRoutine(CountExit);
    UnitRef f = LoadForm(form);
    PostMessageW(FormWindowHandle(f), WM_CLOSE, 0, 0);
    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_FALSE(IsAlive(f));
    Quit();
    Quit();
    EXPECT_EQ(rec.exitCalls, 1);
}

TEST_F(FormTest, LoadingAndClosingFormsLeaksNoObjects) {
    static const FormDescription form = TestForm();
    auto count = [] {
        return static_cast<DWORD>(procstats::GdiObjects()) +
               static_cast<DWORD>(procstats::UserObjects());
    };
    // Warm up the classes and stock objects first.
    DestroyForm(LoadForm(form), true);
    RunMessageLoop();
    DWORD before = count();
    for (int i = 0; i < 5; ++i) {
        UnitRef f = LoadForm(form);
        CopyControl(FindUnit(f, kPanel));
        DestroyForm(f, true);
    }
    Quit();
    EXPECT_LE(count(), before);
}

}  // namespace

namespace {

// A 16 x 16 32-bit icon file, as the start form carries one.
std::vector<unsigned char> MakeIcon() {
    std::vector<unsigned char> ico = {0, 0, 1, 0, 1, 0};
    const std::uint32_t imageSize = 40 + 16 * 16 * 4 + 16 * 4;
    auto put32 = [](std::vector<unsigned char>& v, std::uint32_t x) {
        for (int i = 0; i < 4; ++i) v.push_back(static_cast<unsigned char>(x >> (8 * i)));
    };
    ico.insert(ico.end(), {16, 16, 0, 0, 1, 0, 32, 0});
    put32(ico, imageSize);
    put32(ico, 22);
    put32(ico, 40);
    put32(ico, 16);
    put32(ico, 32);  // colour and mask heights together
    ico.insert(ico.end(), {1, 0, 32, 0});
    for (int i = 0; i < 6; ++i) put32(ico, 0);
    for (int i = 0; i < 16 * 16; ++i) put32(ico, 0xFFC03060);
    ico.insert(ico.end(), 16 * 4, 0);
    return ico;
}

TEST_F(FormTest, FormIconComesFromItsBytes) {
    static const std::vector<unsigned char> icon = MakeIcon();
    static const FormDescription form{
        .id = 30,
        .width = 60,
        .height = 60,
        .icon = ByteBlock(icon.data(), static_cast<std::uint32_t>(icon.size()))};
    UnitRef f = LoadForm(form);
    EXPECT_NE(SendMessageW(FormWindowHandle(f), WM_GETICON, ICON_BIG, 0), 0);
    static const std::vector<unsigned char> broken(icon.begin(), icon.begin() + 30);
    static const FormDescription bad{
        .id = 31,
        .width = 60,
        .height = 60,
        .icon = ByteBlock(broken.data(), static_cast<std::uint32_t>(broken.size()))};
    UnitRef b = LoadForm(bad);
    EXPECT_TRUE(IsAlive(b));
    EXPECT_EQ(SendMessageW(FormWindowHandle(b), WM_GETICON, ICON_BIG, 0), 0);
}

// ---- display scale ---------------------------------------------------------

constexpr std::uint32_t kScaledLabel = 1, kScaledBox = 2;
const FontDescription kBigFont{.face = "Tahoma", .height = -40};

// The ink of `picture` in `colour` (RGB): its bounding box.
RECT InkOf(const Picture& picture, std::uint32_t colour) {
    RECT box{picture.Width(), picture.Height(), 0, 0};
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            if ((picture.FrameAt(0).pixels[y * picture.Width() + x] & 0xFFFFFF) == colour)
                box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                       std::max<LONG>(box.right, x + 1), std::max<LONG>(box.bottom, y + 1)};
    return box;
}

RECT WindowRectOf(UnitRef unit) {
    RECT r{};
    GetWindowRect(FormWindowHandle(unit), &r);
    return r;
}

struct PageSeen {
    RECT window{}, screen{};
    UINT dpi = 0;
    RECT screenAfterMainMoved{};
} pageSeen;

int OnScaledPageCreated(const Event& e) {
    pageSeen.window = WindowRectOf(e.form);
    pageSeen.screen = FormScreen(e.form);
    pageSeen.dpi = FormDpi(e.form);
    // The main form leaves for the other monitor: the page keeps its own.
    const HWND main = FindWindowW(nullptr, L"主窗口");
    SetWindowPos(main, nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    pageSeen.screenAfterMainMoved = FormScreen(e.form);
    DestroyForm(e.form);
    return 0;
}

// Forms and units are described in units and laid out at the DPI of the
// monitor they open on (a page: the main form's, kept while it is open):
// places and sizes, text at the scaled size, pictures scaled once. The
// monitors come through the seam, so every scale runs in one process.
TEST_F(FormTest, FormsAreLaidOutInDevicePixelsAtTheirMonitorsScale) {
    struct LayoutReset {
        ~LayoutReset() { monitors::SetLayout({}); }
    } reset;
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    // A solid red 8 x 6 picture: scaled, it stays a solid block of its new size.
    std::vector<std::uint32_t> palette(256, 0xFFFFFF);
    palette[0] = 0xFF0000;
    static const std::vector<unsigned char> gif =
        MakeGif(8, 6, palette, {GifFrame{std::vector<std::uint8_t>(48, 0)}});
    static const UnitDescription units[] = {
        {.kind = UnitKind::Label,
         .name = "标签1",
         .id = kScaledLabel,
         .left = 10,
         .top = 20,
         .width = 120,
         .height = 60,
         .caption = "H",
         .textColour = RGB(0, 0, 0),
         .backColour = RGB(255, 255, 255),
         .font = &kBigFont},
        {.kind = UnitKind::PictureBox,
         .name = "图片框1",
         .id = kScaledBox,
         .left = 150,
         .top = 20,
         .width = 40,
         .height = 30,
         .picture = ByteBlock(gif.data(), static_cast<std::uint32_t>(gif.size()))},
    };
    static const FormDescription form{.id = 40,
                                      .caption = "主窗口",
                                      .left = 20,
                                      .top = 30,
                                      .width = 300,
                                      .height = 200,
                                      .units = units};

    int ink96 = 0;
    for (const UINT dpi : {96u, 120u, 144u, 192u}) {
        SCOPED_TRACE(testing::Message() << dpi << " DPI");
        monitors::SetLayout({{{0, 0, sw, sh}, true, dpi}});
        const auto device = [dpi](int units) { return MulDiv(units, static_cast<int>(dpi), 96); };
        const UnitRef f = LoadForm(form);
        EXPECT_EQ(FormDpi(f), dpi);
        const RECT window = WindowRectOf(f);
        EXPECT_EQ(window.left, device(20));
        EXPECT_EQ(window.top, device(30));
        EXPECT_EQ(window.right - window.left, device(300));
        EXPECT_EQ(window.bottom - window.top, device(200));
        const UnitRef label = FindUnit(f, kScaledLabel), box = FindUnit(f, kScaledBox);
        EXPECT_EQ(FormProperty(label, kLeft), device(10));
        EXPECT_EQ(FormProperty(label, kWidth), device(120));
        EXPECT_EQ(FormProperty(box, kTop), device(20));
        EXPECT_EQ(FormProperty(box, kHeight), device(30));
        PumpFor(50);

        // The glyph is drawn at the scaled size, not the 96 DPI one.
        const RECT glyph = InkOf(Snapshot(FormWindowHandle(label)), 0x000000);
        ASSERT_GT(glyph.bottom, glyph.top);
        if (dpi == 96) ink96 = glyph.bottom - glyph.top;
        EXPECT_NEAR(glyph.bottom - glyph.top, ink96 * dpi / 96.0, 1.5);
        // The picture at its size x the scale, still one solid block.
        const RECT red = InkOf(Snapshot(FormWindowHandle(box)), 0xFF0000);
        EXPECT_EQ(red.right - red.left, device(8));
        EXPECT_EQ(red.bottom - red.top, device(6));
        DestroyForm(f, true);
    }

    // Two monitors: the main form on the right one at 144 DPI; a page opens
    // there at that scale, 640 x 480 units as 960 x 720, and keeps that
    // monitor when the main form moves away.
    const RECT left{0, 0, sw / 2, sh}, right{sw / 2, 0, sw, sh};
    monitors::SetLayout({{left, true, 96}, {right, false, 144}});
    FormDescription onRight = form;
    onRight.left = sw / 2 + 20;
    const UnitRef main = LoadForm(onRight);
    EXPECT_EQ(FormDpi(main), 144u);
    EXPECT_EQ(WindowRectOf(main).left, sw / 2 + 30);
    static constexpr EventBinding pageEvents[] = {{EventKind::Created, OnScaledPageCreated}};
    static const FormDescription page{
        .id = 41, .left = 50, .top = 50, .width = 640, .height = 480, .events = pageEvents};
    pageSeen = {};
    LoadForm(page, {}, true);
    EXPECT_EQ(pageSeen.dpi, 144u);
    const RECT pageWindow{sw / 2 + 75, 75, sw / 2 + 75 + 960, 75 + 720};
    EXPECT_TRUE(EqualRect(&pageSeen.window, &pageWindow));
    EXPECT_TRUE(EqualRect(&pageSeen.screen, &right));
    EXPECT_TRUE(EqualRect(&pageSeen.screenAfterMainMoved, &right));

    // Dragged onto a 192 DPI monitor: the window takes the rectangle Windows
    // suggests and the units follow the new scale.
    RECT suggested{100, 80, 100 + 600, 80 + 400};
    SendMessageW(FormWindowHandle(main), WM_DPICHANGED, MAKEWPARAM(192, 192),
                 reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(FormDpi(main), 192u);
    const RECT moved = WindowRectOf(main);
    EXPECT_TRUE(EqualRect(&moved, &suggested));
    EXPECT_EQ(FormProperty(FindUnit(main, kScaledLabel), kLeft), 20);
    EXPECT_EQ(FormProperty(FindUnit(main, kScaledBox), kWidth), 80);
}

void AnnounceExit() {
    std::fprintf(stderr, "exit routine ran\n");
    std::fflush(stderr);
}

int EndFromNestedLoop(const Event&) {
    EndProgram(3);
}
constexpr EventBinding kEndTick[] = {{EventKind::Tick, EndFromNestedLoop}};
const UnitDescription kEndUnits[] = {
    {.kind = UnitKind::Timer, .id = 1, .events = kEndTick, .interval = 10}};

void RunPageThatEndsTheProgram() {
    static const FormDescription start = TestForm();
    static const FormDescription page{.id = 32, .width = 60, .height = 60, .units = kEndUnits};
    InitRuntime();
    SetExitRoutine(AnnounceExit);
    LoadForm(start);
    LoadForm(page, {}, true);
    std::exit(9);  // not reached
}

// EndProgram from a timer inside a dialog form's nested loop: the exit routine
// runs and the process ends with the code, while the start form is still open.
TEST(EndProgramDeathTest, RunsTheExitRoutineAndEndsFromANestedLoop) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(RunPageThatEndsTheProgram(), ::testing::ExitedWithCode(3), "exit routine ran");
}

}  // namespace
