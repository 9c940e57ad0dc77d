// Keyboard focus: the Tab walk, Enter and Space, access keys.
#include <windows.h>
#include <imm.h>

#include <gtest/gtest.h>

#include <array>

#include "HostTestSupport.h"

using namespace hosttest;

namespace {

class KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.Attach(window.get(), {.captionFlags = 0}));
        for (int i = 0; i < 5; ++i) e[i].Create(window.get(), Rf(10.0f + 40 * i, 10, 30, 20), 2);
    }
    LRESULT Key(WPARAM key) { return SendMessageA(window.get(), WM_KEYDOWN, key, 0); }
    LRESULT AltKey(WPARAM key) { return SendMessageA(window.get(), WM_SYSKEYDOWN, key, 1 << 29); }

    UIHost host;
    std::array<ProbeElement, 5> e;
    TestWindow window{300, 100};
};

TEST_F(KeyboardTest, TabSkipsKindOneHiddenAndDisabledAndWraps) {
    e[1].kind = 1;
    e[2].visible = 0;
    e[3].disabled = 1;
    // Nothing focused: the walk starts after the first element.
    Key(VK_TAB);
    EXPECT_EQ(host.focused, &e[4]);
    EXPECT_EQ(host.keyboardFocus, &e[4]);
    ASSERT_EQ(e[4].Count(kFocusGained), 1);
    EXPECT_EQ(e[4].log.back().lParam, 0);  // nothing was focused before

    Key(VK_TAB);  // wraps to the first
    EXPECT_EQ(host.focused, &e[0]);
    EXPECT_EQ(e[4].Count(kFocusLost), 1);
    EXPECT_EQ(e[4].log.back().lParam, reinterpret_cast<LPARAM>(&e[0]));
    EXPECT_EQ(e[0].log.back().msg, static_cast<UINT>(kFocusGained));
    EXPECT_EQ(e[0].log.back().lParam, reinterpret_cast<LPARAM>(&e[4]));

    Key(VK_TAB);
    EXPECT_EQ(host.focused, &e[4]);
    for (int i : {1, 2, 3}) EXPECT_EQ(e[i].Count(kFocusGained), 0) << i;
}

TEST_F(KeyboardTest, TabWithOneCandidateOrNoneChangesNothing) {
    for (int i : {1, 2, 3, 4}) e[i].focusable = 0;
    host.SetFocusElement(&e[0]);
    const size_t logged = e[0].log.size();
    Key(VK_TAB);
    EXPECT_EQ(host.focused, &e[0]);
    // Only the key itself reached the element: no focus messages.
    EXPECT_EQ(e[0].log.size(), logged + 1);

    e[0].focusable = 0;
    host.focused = nullptr;
    Key(VK_TAB);  // every element examined once, none taken
    EXPECT_EQ(host.focused, nullptr);
    for (auto& element : e) EXPECT_EQ(element.Count(kFocusLost), 0);
}

TEST_F(KeyboardTest, TabFromAFocusedChildStaysOnTheTopLevel) {
    ProbeElement child;
    child.Create(window.get(), Rf(12, 12, 10, 10), 2);
    child.SetParent(&e[0]);
    host.focused = &child;  // the mouse may focus a child
    for (int i : {1, 2, 3, 4}) e[i].focusable = 0;
    e[0].focusable = 0;
    Key(VK_TAB);  // no candidate at all: the walk must still end
    EXPECT_EQ(host.focused, &child);
    e[2].focusable = 1;
    Key(VK_TAB);
    EXPECT_EQ(host.focused, &e[2]);
}

TEST_F(KeyboardTest, EnterAndSpaceClickTheFocusedElement) {
    host.SetFocusElement(&e[1]);
    Key(VK_RETURN);
    Key(VK_SPACE);
    EXPECT_EQ(e[1].Count(kClick), 2);
    EXPECT_EQ(e[1].log.back().wParam, 0u);

    e[1].disabled = 1;
    Key(VK_RETURN);
    EXPECT_EQ(e[1].Count(kClick), 2);

    // An element that consumes its keys keeps Tab for itself.
    e[1].disabled = 0;
    e[1].replies[WM_KEYDOWN] = 0;
    Key(VK_TAB);
    EXPECT_EQ(host.focused, &e[1]);
    Key(VK_RETURN);
    EXPECT_EQ(e[1].Count(kClick), 2);
}

TEST_F(KeyboardTest, AltWithEitherCaseClicksTheSameElement) {
    host.SetMnemonic(&e[0], 'a');
    host.SetMnemonic(&e[2], 'B');
    AltKey('A');  // the key code of both a and A
    AltKey('a');
    EXPECT_EQ(e[0].Count(kClick), 2);
    AltKey('b');
    EXPECT_EQ(e[2].Count(kClick), 1);
    // Without a match the result is the number of pairs.
    EXPECT_EQ(host.OnSysKeyDown('Z', 0), 2);

    // A hidden or disabled match is skipped and the search goes on.
    host.SetMnemonic(&e[1], 'A');
    e[0].visible = 0;
    AltKey('A');
    EXPECT_EQ(e[0].Count(kClick), 2);
    EXPECT_EQ(e[1].Count(kClick), 1);
    e[1].disabled = 1;
    AltKey('A');
    EXPECT_EQ(e[1].Count(kClick), 1);
}

TEST_F(KeyboardTest, MnemonicTableReplacesRemovesAndKeepsOrder) {
    host.SetMnemonic(&e[0], 'a');
    host.SetMnemonic(&e[1], 'b');
    host.SetMnemonic(&e[2], 'c');
    EXPECT_EQ(host.SetMnemonic(&e[1], 'x'), 1);
    EXPECT_EQ(host.mnemonics[1].character, 'x');
    host.SetMnemonic(&e[0], 0);
    ASSERT_EQ(host.mnemonics.size(), 2u);
    EXPECT_EQ(host.mnemonics[0].element, &e[1]);
    EXPECT_EQ(host.mnemonics[1].element, &e[2]);
    // A destroyed element leaves no access key behind.
    e[2].Destroy();
    ASSERT_EQ(host.mnemonics.size(), 1u);
    EXPECT_EQ(host.mnemonics[0].element, &e[1]);
}

}  // namespace

TEST_F(KeyboardTest, InputMethodResultsReachTheFocusedElementOnlyOnce) {
    auto defaultSaw = [] {
        int n = 0;
        for (const SeenMessage& m : Seen()) n += m.msg == WM_IME_COMPOSITION ? 1 : 0;
        return n;
    };
    Seen().clear();
    // Nobody focused: the system's own processing gets the result.
    SendMessageA(window.get(), WM_IME_COMPOSITION, 0, GCS_RESULTSTR);
    EXPECT_EQ(defaultSaw(), 1);

    host.SetFocusElement(&e[2]);
    Seen().clear();
    // A result goes to the element and not on to default processing, which
    // would turn it into WM_CHAR and insert it a second time.
    EXPECT_EQ(SendMessageA(window.get(), WM_IME_COMPOSITION, 0, GCS_RESULTSTR), 0);
    EXPECT_EQ(e[2].Count(WM_IME_COMPOSITION), 1);
    EXPECT_EQ(defaultSaw(), 0);
    // A composition still in progress is shown by the system as before.
    SendMessageA(window.get(), WM_IME_COMPOSITION, 0, GCS_COMPSTR);
    EXPECT_EQ(e[2].Count(WM_IME_COMPOSITION), 2);
    EXPECT_EQ(defaultSaw(), 1);
}

TEST_F(KeyboardTest, TheWheelTurnsTheFocusedElementElseTheOneUnderTheMouse) {
    ShowWindow(window.get(), SW_SHOWNOACTIVATE);
    auto wheelAt = [&](int x, int y) {
        POINT p{x, y};
        ClientToScreen(window.get(), &p);
        SendMessageA(window.get(), WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(p.x, p.y));
    };
    wheelAt(75, 20);   // over e[1], nothing focused
    wheelAt(290, 90);  // over no element
    EXPECT_EQ(e[1].Count(WM_MOUSEWHEEL), 1);

    host.SetFocusElement(&e[3]);
    wheelAt(75, 20);
    EXPECT_EQ(e[1].Count(WM_MOUSEWHEEL), 1);
    EXPECT_EQ(e[3].Count(WM_MOUSEWHEEL), 1);
}
