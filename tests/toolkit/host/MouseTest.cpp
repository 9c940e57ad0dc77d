// Mouse interaction on a real host: hot and pressed elements, clicks, focus on
// press, cursors, window drag, double-click maximise and the edge bands.
// The system move and size loops are never entered: the message hook catches
// the requests that would start them.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <memory>
#include <vector>

#include "HostTestSupport.h"

using namespace hosttest;

namespace {

struct Entry {
    Element* element;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

// A probe that also writes every message into a journal shared by several
// elements, so the order across elements can be checked.
class Tracked : public ProbeElement {
public:
    explicit Tracked(std::vector<Entry>& journal) : journal_(journal) {}
    LRESULT MessageProc(UINT code, WPARAM wParam, LPARAM lParam) override {
        journal_.push_back({this, code, wParam, lParam});
        return ProbeElement::MessageProc(code, wParam, lParam);
    }

private:
    std::vector<Entry>& journal_;
};

bool Interesting(UINT msg) {
    switch (msg) {
        case kPressQuery:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case kClick:
        case kMouseEnter:
        case kMouseLeave:
        case kFocusGained:
        case kFocusLost:
            return true;
        default:
            return false;
    }
}

LPARAM Ref(Element* e) {
    return reinterpret_cast<LPARAM>(e);
}

HCURSOR Cursor(int id) {
    return LoadCursorA(nullptr, MAKEINTRESOURCEA(id));
}

class MouseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.Attach(window.get(), {.captionFlags = 0}));
        // Moving and sizing would enter the system loops: record them instead.
        host.SetMessageHook([this](HWND, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (msg != WM_NCLBUTTONDOWN && msg != WM_SYSCOMMAND) return -1;
            system.push_back({nullptr, msg, wParam, lParam});
            return 0;
        });
        a.Create(window.get(), Rf(50, 50, 100, 40), 2, 1, 0);
        b.Create(window.get(), Rf(200, 50, 100, 40), 2, 1, 0);
        a.replies[kPressQuery] = 0;
        b.replies[kPressQuery] = 0;
        journal.clear();
    }

    void Mouse(UINT msg, int x, int y, WPARAM keys = 0) {
        SendMessageA(window.get(), msg, keys, MAKELPARAM(x, y));
    }
    // The journal's button, enter, leave, focus and click messages.
    std::vector<Entry> Events() const {
        std::vector<Entry> out;
        for (const Entry& e : journal)
            if (Interesting(e.msg)) out.push_back(e);
        return out;
    }
    bool MoveStarted() const {
        for (const Entry& e : system)
            if (e.msg == WM_NCLBUTTONDOWN && e.wParam == HTCAPTION) return true;
        return false;
    }
    // Window commands posted to the window, taken off the queue.
    std::vector<WPARAM> PostedCommands() {
        std::vector<WPARAM> out;
        MSG m;
        while (PeekMessageA(&m, window.get(), WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE))
            out.push_back(m.wParam);
        return out;
    }

    UIHost host;
    std::vector<Entry> journal;
    std::vector<Entry> system;
    Tracked a{journal};
    Tracked b{journal};
    TestWindow window{400, 300};
};

TEST_F(MouseTest, PressAndReleaseOnOneElementClicks) {
    Mouse(WM_LBUTTONDOWN, 60, 60, MK_LBUTTON);
    EXPECT_EQ(host.pressed, &a);
    EXPECT_EQ(host.pressing, 1);
    EXPECT_EQ(GetCapture(), window.get());
    Mouse(WM_LBUTTONUP, 70, 65);
    const std::vector<Entry> events = Events();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].msg, static_cast<UINT>(kPressQuery));
    EXPECT_EQ(events[1].msg, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_EQ(events[2].msg, static_cast<UINT>(WM_LBUTTONUP));
    EXPECT_EQ(events[2].wParam, static_cast<WPARAM>(Ref(&a)));  // the held element
    EXPECT_EQ(events[3].msg, static_cast<UINT>(kClick));
    EXPECT_EQ(events[3].wParam, static_cast<WPARAM>(Ref(&a)));
    EXPECT_EQ(events[3].lParam, MAKELPARAM(70, 65));
    for (const Entry& e : events) EXPECT_EQ(e.element, &a);
    EXPECT_EQ(host.pressing, 0);
    EXPECT_EQ(host.pressed, nullptr);
    EXPECT_NE(GetCapture(), window.get());
    EXPECT_FALSE(MoveStarted());  // a captured press never moves the window

    // Over b while a is held: everything goes to a, hot stays a; released
    // over b or over empty space, nothing is clicked.
    Mouse(WM_LBUTTONDOWN, 60, 60, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, 210, 60, MK_LBUTTON);
    EXPECT_EQ(host.hot, &a);
    EXPECT_EQ(b.Count(kMouseEnter), 0);
    EXPECT_EQ(journal.back().element, &a);
    Mouse(WM_LBUTTONUP, 210, 60);
    Mouse(WM_LBUTTONDOWN, 60, 60, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 10, 250);
    EXPECT_EQ(a.Count(kClick) + b.Count(kClick), 1);
    EXPECT_EQ(host.pressing, 0);
}

// However a press ends away from the window (the pointer leaves and the
// button comes up outside, another window takes the capture, the release is
// never seen), the held element is let go without a click, and the next click
// and hover go where the pointer is.
TEST_F(MouseTest, APressThatEndsOutsideLetsGo) {
    TestWindow other(50, 50, WS_POPUP, 600, 400);
    const std::function<void()> endings[] = {
        [&] {
            // The system posts the leave; the release arrives only where the
            // capture is.
            SendMessageA(window.get(), WM_MOUSELEAVE, 0, 0);
            EXPECT_EQ(GetCapture(), window.get()) << "the leave keeps the press's capture";
            if (GetCapture() == window.get()) Mouse(WM_LBUTTONUP, -40, 500);
        },
        [&] { SetCapture(other.get()); },
        [&] {},  // its release went astray: the next press finds it still held
    };
    for (size_t way = 0; way < std::size(endings); ++way) {
        SCOPED_TRACE(way);
        a.log.clear();
        b.log.clear();
        Mouse(WM_MOUSEMOVE, 60, 60);
        Mouse(WM_LBUTTONDOWN, 60, 60, MK_LBUTTON);
        ASSERT_EQ(host.pressed, &a);
        endings[way]();
        if (way != 2) {
            EXPECT_EQ(host.pressing, 0);
            EXPECT_EQ(host.pressed, nullptr);
            EXPECT_EQ(a.Count(WM_LBUTTONUP), 1) << "the held element hears the press end";
            EXPECT_EQ(host.hot, nullptr);
            EXPECT_EQ(a.Count(kMouseLeave), 1);
        }
        Mouse(WM_MOUSEMOVE, 210, 60);
        if (way != 2) {
            EXPECT_EQ(b.Count(kMouseEnter), 1) << "hover follows the pointer again";
        }
        Mouse(WM_LBUTTONDOWN, 210, 60, MK_LBUTTON);
        Mouse(WM_LBUTTONUP, 210, 60);
        EXPECT_EQ(b.Count(kPressQuery), 1);
        EXPECT_EQ(b.Count(kClick), 1) << "the next click is not eaten";
        EXPECT_EQ(a.Count(kClick), 0);
        Mouse(WM_MOUSEMOVE, 212, 60);
        EXPECT_EQ(host.hot, &b);
        EXPECT_EQ(host.pressing, 0);
        EXPECT_NE(GetCapture(), window.get());
        ReleaseCapture();
    }
}

TEST_F(MouseTest, MovingBetweenElementsLeavesBeforeEntering) {
    a.Hint("a hint");
    Mouse(WM_MOUSEMOVE, 60, 60);
    // Entering shows the element's hint over its rectangle.
    EXPECT_STREQ(host.toolInfo.lpszText, "a hint");
    EXPECT_EQ(host.toolInfo.rect.left, 50);
    EXPECT_EQ(host.toolInfo.rect.bottom, 90);
    Mouse(WM_MOUSEMOVE, 210, 60);
    std::vector<Entry> events = Events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].element, &a);
    EXPECT_EQ(events[0].msg, static_cast<UINT>(kMouseEnter));
    EXPECT_EQ(events[0].lParam, 0);
    EXPECT_EQ(events[1].element, &a);
    EXPECT_EQ(events[1].msg, static_cast<UINT>(kMouseLeave));
    EXPECT_EQ(events[1].lParam, Ref(&b));
    EXPECT_EQ(events[2].element, &b);
    EXPECT_EQ(events[2].msg, static_cast<UINT>(kMouseEnter));
    EXPECT_EQ(events[2].lParam, Ref(&a));
    EXPECT_EQ(host.hot, &b);
    EXPECT_EQ(b.Count(WM_MOUSEMOVE), 1);

    journal.clear();
    Mouse(WM_MOUSEMOVE, 10, 250);
    events = Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].msg, static_cast<UINT>(kMouseLeave));
    EXPECT_EQ(events[0].lParam, 0);
    EXPECT_EQ(host.hot, nullptr);

    // A hot element that was hidden meanwhile hears no leave.
    Mouse(WM_MOUSEMOVE, 60, 60);
    a.visible = 0;
    journal.clear();
    Mouse(WM_MOUSEMOVE, 62, 60);
    EXPECT_TRUE(Events().empty());
    EXPECT_EQ(host.hot, nullptr);
}

TEST_F(MouseTest, HitTestingPrefersChildrenAndTheTopmostVisibleElement) {
    Tracked child{journal};
    child.Create(window.get(), Rf(60, 55, 20, 20), 2, 1, 0);
    child.SetParent(&a);
    Tracked over{journal};  // created last: on top of a
    over.Create(window.get(), Rf(120, 50, 50, 40), 2, 1, 0);

    Mouse(WM_MOUSEMOVE, 65, 60);
    EXPECT_EQ(host.hot, &child);
    Mouse(WM_MOUSEMOVE, 130, 60);
    EXPECT_EQ(host.hot, &over);
    over.visible = 0;
    Mouse(WM_MOUSEMOVE, 131, 60);
    EXPECT_EQ(host.hot, &a);
    // The right and bottom edges are outside.
    Mouse(WM_MOUSEMOVE, 150, 60);
    EXPECT_EQ(host.hot, nullptr);
    Mouse(WM_MOUSEMOVE, 100, 90);
    EXPECT_EQ(host.hot, nullptr);
    Mouse(WM_MOUSEMOVE, 50, 50);
    EXPECT_EQ(host.hot, &a);

    // A disabled element is still hit, but a press on it is not taken.
    a.disabled = 1;
    journal.clear();
    Mouse(WM_LBUTTONDOWN, 100, 80, MK_LBUTTON);
    EXPECT_EQ(host.hot, &a);
    EXPECT_EQ(a.Count(kPressQuery), 0);
    EXPECT_EQ(host.pressing, 0);
    EXPECT_TRUE(MoveStarted());
}

TEST_F(MouseTest, UncapturedPressesMoveADraggableWindow) {
    Mouse(WM_LBUTTONDOWN, 10, 250, MK_LBUTTON);  // empty space
    EXPECT_TRUE(MoveStarted());

    // Neither focusable nor answering the press query: not captured.
    system.clear();
    a.replies.erase(kPressQuery);
    Mouse(WM_LBUTTONDOWN, 60, 60, MK_LBUTTON);
    EXPECT_EQ(a.Count(kPressQuery), 1);
    EXPECT_EQ(a.Count(WM_LBUTTONDOWN), 1);
    EXPECT_EQ(host.pressing, 0);
    EXPECT_TRUE(MoveStarted());

    system.clear();
    host.draggable = 0;
    Mouse(WM_LBUTTONDOWN, 10, 250, MK_LBUTTON);
    Mouse(WM_LBUTTONDOWN, 60, 60, MK_LBUTTON);
    EXPECT_TRUE(system.empty());
}

TEST_F(MouseTest, APressMovesTheFocusAndTakesTheNativeFocus) {
    a.focusable = 1;
    b.focusable = 1;
    a.replies.erase(kPressQuery);  // focusable alone takes the press
    Mouse(WM_LBUTTONDOWN, 60, 60, MK_LBUTTON);
    EXPECT_EQ(host.focused, &a);
    EXPECT_EQ(host.pressed, &a);
    EXPECT_EQ(GetFocus(), window.get());
    Mouse(WM_LBUTTONUP, 60, 60);
    EXPECT_EQ(a.Count(kClick), 1);

    host.SetFocusElement(&a);
    EXPECT_EQ(host.keyboardFocus, &a);
    journal.clear();
    Mouse(WM_LBUTTONDOWN, 210, 60, MK_LBUTTON);
    const std::vector<Entry> events = Events();
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[0].element, &a);  // a was hot
    EXPECT_EQ(events[0].msg, static_cast<UINT>(kMouseLeave));
    EXPECT_EQ(events[1].msg, static_cast<UINT>(kPressQuery));
    EXPECT_EQ(events[2].element, &a);
    EXPECT_EQ(events[2].msg, static_cast<UINT>(kFocusLost));
    EXPECT_EQ(events[2].lParam, Ref(&b));
    EXPECT_EQ(events[3].element, &b);
    EXPECT_EQ(events[3].msg, static_cast<UINT>(kFocusGained));
    EXPECT_EQ(events[3].lParam, Ref(&a));
    EXPECT_EQ(events[4].msg, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_EQ(host.focused, &b);
    EXPECT_EQ(host.keyboardFocus, nullptr);  // the mouse moved the focus
}

TEST_F(MouseTest, ElementsShowTheirOwnCursor) {
    a.cursor = 32649;              // IDC_HAND
    SetCursor(Cursor(32515));      // IDC_CROSS
    Mouse(WM_MOUSEMOVE, 210, 60);  // b keeps the arrow: the cursor is left alone
    EXPECT_EQ(GetCursor(), Cursor(32515));
    Mouse(WM_MOUSEMOVE, 60, 60);
    EXPECT_EQ(GetCursor(), Cursor(32649));
}

TEST_F(MouseTest, DoubleClickInTheCaptionStripTogglesMaximise) {
    host.captionFlags = kCaptionMaximise;
    SendMessageA(window.get(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 29));
    EXPECT_EQ(PostedCommands(), std::vector<WPARAM>{SC_MAXIMIZE});
    EXPECT_TRUE(MoveStarted());

    system.clear();
    SendMessageA(window.get(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 30));
    EXPECT_TRUE(PostedCommands().empty());
    EXPECT_TRUE(system.empty());  // below the strip a double click does nothing at all

    // On an element a double click is a second press.
    SendMessageA(window.get(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(60, 60));
    EXPECT_EQ(a.Count(WM_LBUTTONDOWN), 1);
    EXPECT_EQ(a.log.back().wParam, kDoubleClickMark);
    Mouse(WM_LBUTTONUP, 60, 60);
    EXPECT_TRUE(PostedCommands().empty());

    host.captionFlags = 0;  // without the maximise bit
    SendMessageA(window.get(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 5));
    EXPECT_TRUE(PostedCommands().empty());

    host.captionFlags = kCaptionMaximise;
    ShowWindow(window.get(), SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(window.get()));
    SendMessageA(window.get(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 5));
    EXPECT_EQ(PostedCommands(), std::vector<WPARAM>{SC_RESTORE});
}

TEST_F(MouseTest, EdgeBandsSetTheSizingCursorAndStartSizing) {
    Tracked under{journal};  // the bands win over an element below them
    under.Create(window.get(), Rf(0, 0, 400, 300), 2, 1, 0);
    host.Resizable(1);
    struct Band {
        int x, y, code, cursor;
    };
    const Band bands[] = {
        {3, 100, WMSZ_LEFT, 32644},     {395, 295, WMSZ_BOTTOMRIGHT, 32642},
        {5, 3, WMSZ_TOPLEFT, 32642},    {395, 3, WMSZ_TOPRIGHT, 32643},
        {200, 7, WMSZ_TOP, 32645},      {3, 295, WMSZ_BOTTOMLEFT, 32643},
        {200, 291, WMSZ_BOTTOM, 32645}, {391, 100, WMSZ_RIGHT, 32644},
        {7, 100, WMSZ_LEFT, 32644},     {9, 4, WMSZ_TOPLEFT, 32642},
        {10, 4, WMSZ_TOP, 32645},       {390, 296, WMSZ_BOTTOM, 32645},
    };
    for (const Band& band : bands) {
        SetCursor(Cursor(32512));
        journal.clear();
        system.clear();
        Mouse(WM_MOUSEMOVE, band.x, band.y);
        EXPECT_EQ(GetCursor(), Cursor(band.cursor)) << band.x << "," << band.y;
        EXPECT_TRUE(journal.empty()) << band.x << "," << band.y;
        Mouse(WM_LBUTTONDOWN, band.x, band.y, MK_LBUTTON);
        ASSERT_EQ(system.size(), 1u) << band.x << "," << band.y;
        EXPECT_EQ(system[0].msg, static_cast<UINT>(WM_SYSCOMMAND));
        EXPECT_EQ(system[0].wParam, static_cast<WPARAM>(SC_SIZE | band.code));
        EXPECT_TRUE(journal.empty());
    }

    // Just inside every band: the element gets the pointer.
    for (const POINT p : {POINT{8, 100}, POINT{390, 100}, POINT{200, 8}, POINT{200, 290}}) {
        journal.clear();
        Mouse(WM_MOUSEMOVE, p.x, p.y);
        EXPECT_EQ(under.Count(WM_MOUSEMOVE), 1) << p.x << "," << p.y;
        under.log.clear();
    }

    // No bands while a press is held, when fixed in size or when maximised.
    under.replies[kPressQuery] = 0;
    Mouse(WM_LBUTTONDOWN, 200, 100, MK_LBUTTON);
    system.clear();
    Mouse(WM_MOUSEMOVE, 3, 100, MK_LBUTTON);
    EXPECT_EQ(under.log.back().msg, static_cast<UINT>(WM_MOUSEMOVE));
    Mouse(WM_LBUTTONUP, 3, 100);
    EXPECT_TRUE(system.empty());

    host.Resizable(0);
    Mouse(WM_LBUTTONDOWN, 3, 100, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 3, 100);
    EXPECT_TRUE(system.empty());

    host.Resizable(1);
    ShowWindow(window.get(), SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(window.get()));
    Mouse(WM_LBUTTONDOWN, 3, 100, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 3, 100);
    EXPECT_TRUE(system.empty());
}

TEST_F(MouseTest, HandlersThatDestroyElementsLeaveNoDanglingState) {
    // Freed inside its own press: neither hot, pressed nor focused may keep it.
    auto doomed = std::make_unique<ProbeElement>();
    doomed->Create(window.get(), Rf(50, 150, 60, 40), 2);  // focusable
    doomed->BindEvent(WM_LBUTTONDOWN, [&doomed](Element*, Element*, UINT, WPARAM, LPARAM) {
        doomed.reset();
        return LRESULT{0};
    });
    Mouse(WM_MOUSEMOVE, 60, 160);
    Mouse(WM_LBUTTONDOWN, 60, 160, MK_LBUTTON);
    EXPECT_FALSE(doomed);
    EXPECT_EQ(host.hot, nullptr);
    EXPECT_EQ(host.pressed, nullptr);
    EXPECT_EQ(host.focused, nullptr);
    EXPECT_EQ(host.pressing, 0);
    Mouse(WM_MOUSEMOVE, 60, 60);  // the next message finds a clean host
    EXPECT_EQ(host.hot, &a);

    // Destroyed by its own release: no click reaches it.
    b.BindEvent(WM_LBUTTONUP, [](Element*, Element* self, UINT, WPARAM, LPARAM) {
        self->Destroy();
        return LRESULT{-1};
    });
    Mouse(WM_LBUTTONDOWN, 210, 60, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 210, 60);
    EXPECT_EQ(b.Count(kClick), 0);
    EXPECT_EQ(host.pressing, 0);

    // A click that closes the window: the host lets go of everything.
    a.BindEvent(kClick, [this](Element*, Element*, UINT, WPARAM, LPARAM) {
        DestroyWindow(window.get());
        return LRESULT{0};
    });
    Mouse(WM_LBUTTONDOWN, 60, 60, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 60, 60);
    EXPECT_FALSE(IsWindow(window.get()));
    EXPECT_EQ(host.hwnd, nullptr);
    EXPECT_EQ(host.hot, nullptr);
    EXPECT_EQ(host.pressed, nullptr);
}

}  // namespace
