// Keys, characters, the real clipboard, mouse presses and drags, the wheel,
// the caret blink and the input method of the edit box. Keys and characters
// travel as window messages through the host to the focused box.
#include <windows.h>
#include <imm.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "tests/toolkit/host/HostTestSupport.h"
#include "toolkit/core/Text.h"
#include "toolkit/text/EditBox.h"
#include "tests/support/Keyboard.h"

using namespace hosttest;
using namespace testkeys;

namespace {

class EditBoxInput : public ::testing::Test {
protected:
    EditBoxInput() : window(480, 320) { host.Attach(window.get(), {.captionFlags = 0}); }
    ~EditBoxInput() override {
        HoldKeys({});
        DestroyWindow(window.get());
    }

    EditBox& Make(const EditBoxOptions& options, int width = 416, int height = 184) {
        box.CreateEditBox(window.get(), 20, 30, width, height, options);
        host.SetFocusElement(&box);
        return box;
    }
    LRESULT Key(WPARAM key, std::initializer_list<int> held = {}) {
        HoldKeys(held);
        const LRESULT result = box.KeyDown(key);
        HoldKeys({});
        return result;
    }
    // A key through the window: the host hands it to the focused box.
    void Press(WPARAM key) { SendMessageA(window.get(), WM_KEYDOWN, key, 0); }
    void Type(const std::string& text) {
        for (char c : text) SendMessageA(window.get(), WM_CHAR, static_cast<unsigned char>(c), 0);
    }
    // A press at (x, y) of the box's text area, in host client pixels.
    LPARAM At(float x, float y) {
        return MAKELPARAM(static_cast<int>(20 + box.textArea.X + x),
                          static_cast<int>(30 + box.textArea.Y + y));
    }
    LPARAM AtColumn(int line, float column) {
        int index = static_cast<int>(column) - 1;
        const float left = box.PosFromsIndex(line, index, false, 0).X;
        index = static_cast<int>(column);
        const float right = box.PosFromsIndex(line, index, false, 0).X;
        const float x = left + (right - left) * (column - static_cast<int>(column));
        const float row = box.lines.LineHeight();
        return MAKELPARAM(static_cast<int>(20 + x),
                          static_cast<int>(30 + box.textArea.Y + row * (line - 0.5f)));
    }
    void Caret(int line, int column) {
        box.caretLine = box.anchorLine = line;
        box.caretColumn = box.anchorColumn = column;
    }

    TestWindow window;
    UIHost host;
    EditBox box;
};

std::string ManyLines(int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += (i ? "\r\n" : "") + std::string("line ") + std::to_string(i);
    return text;
}

TEST_F(EditBoxInput, SelectAllThenTypingReplacesEverything) {
    Make({.text = "first\r\nsecond\r\nthird", .multiLine = 1});
    int changes = 0;
    box.SetChangedHandler([&](Element*) { ++changes; });
    EXPECT_EQ(Key('A', {VK_CONTROL}), 0);
    EXPECT_EQ(box.SelectedText(), "first\r\nsecond\r\nthird");
    EXPECT_EQ(box.caretLine, 3);
    EXPECT_EQ(box.caretColumn, 5);
    Type("x");
    EXPECT_EQ(box.Text(), "x");
    EXPECT_EQ(box.caretLine, 1);
    EXPECT_EQ(box.caretColumn, 1);
    EXPECT_GT(box.caretRect.X, box.textArea.X + 3) << "the caret stands after the x";
    EXPECT_EQ(changes, 1) << "one change for the replacement, none for the quiet deletion";
    EXPECT_EQ(Key('Q', {VK_CONTROL}), -1) << "other shortcuts are not taken";
}

TEST_F(EditBoxInput, EnterSplitsOnlyMultiLineBoxes) {
    Make({.text = "abcd", .multiLine = 1});
    Caret(1, 2);
    Press(VK_RETURN);
    EXPECT_EQ(box.Text(), "ab\r\ncd");
    EXPECT_EQ(box.caretLine, 2);
    EXPECT_EQ(box.caretColumn, 0);

    EditBox single;
    single.CreateEditBox(window.get(), 20, 250, 200, 30, {.text = "abcd"});
    host.SetFocusElement(&single);
    EXPECT_EQ(single.KeyDown(VK_RETURN), 0);
    Type("\r");
    EXPECT_EQ(single.Text(), "abcd");
}

TEST_F(EditBoxInput, BackspaceJoinsLinesAndStopsAtTheStart) {
    Make({.text = "one\r\ntwo\r\nthree", .multiLine = 1});
    Caret(3, 0);
    Press(VK_BACK);
    EXPECT_EQ(box.Text(), "one\r\ntwothree");
    EXPECT_EQ(box.caretLine, 2);
    EXPECT_EQ(box.caretColumn, 3) << "where the CR LF was";
    Press(VK_BACK);
    EXPECT_EQ(box.Text(), "one\r\ntwthree");
    Caret(1, 0);
    Press(VK_BACK);
    EXPECT_EQ(box.Text(), "one\r\ntwthree") << "nothing before line 1, column 0";
    Caret(1, 3);
    box.anchorColumn = 1;
    Press(VK_DELETE);
    EXPECT_EQ(box.Text(), "o\r\ntwthree") << "Delete removes the selection";
    Press(VK_DELETE);
    EXPECT_EQ(box.Text(), "o\r\ntwthree") << "and nothing without one";
}

TEST_F(EditBoxInput, ASingleLineScrollsSidewaysToFollowTheCaret) {
    Make({}, 120, 30);
    const std::string text = "a single line much longer than its box";
    Type(text);
    EXPECT_EQ(box.Text(), text);
    EXPECT_EQ(box.caretColumn, static_cast<int>(text.size()));
    EXPECT_LT(box.scrollX, 0);
    EXPECT_LE(box.caretRect.X, box.textArea.X + box.textArea.Width);
    EXPECT_GE(box.caretRect.X, box.textArea.X);
    EXPECT_EQ(box.lines.ContentHeight(), static_cast<int>(box.lines.LineHeight()))
        << "one row, not wrapped";
    Press(VK_HOME);
    EXPECT_EQ(box.scrollX, 0);
}

TEST_F(EditBoxInput, CharacterFilters) {
    Make({.inputMode = EditBox::kDigits});
    Type("a1.b2\t\x7F");
    EXPECT_EQ(box.Text(), "12");

    EditBox number;
    number.CreateEditBox(window.get(), 20, 250, 200, 30, {.inputMode = EditBox::kNumber});
    host.SetFocusElement(&number);
    Type("3.1.4x");
    EXPECT_EQ(number.Text(), "3.1.4") << "'.' is taken, repeatedly";

    EditBox readOnly;
    readOnly.CreateEditBox(window.get(), 240, 250, 200, 30,
                           {.text = "fixed", .inputMode = EditBox::kReadOnly});
    host.SetFocusElement(&readOnly);
    Type("zz");
    readOnly.caretColumn = 5;
    readOnly.KeyDown(VK_BACK);
    EXPECT_EQ(readOnly.Text(), "fixed");
    readOnly.anchorColumn = 0;
    HoldKeys({VK_CONTROL});
    EXPECT_EQ(readOnly.KeyDown('X'), -1) << "cut is refused";
    EXPECT_EQ(readOnly.KeyDown('C'), 0) << "copy is allowed";
    HoldKeys({});
    EXPECT_EQ(ClipboardText(), L"fixed");
    EXPECT_EQ(readOnly.Text(), "fixed");
}

TEST_F(EditBoxInput, ArrowsStopAtTheEndsAndShiftExtends) {
    Make({.text = "ab\r\n中文x", .multiLine = 1});
    Caret(1, 0);
    Press(VK_LEFT);
    Press(VK_UP);
    EXPECT_EQ(box.caretLine, 1);
    EXPECT_EQ(box.caretColumn, 0);
    Press(VK_END);
    Press(VK_RIGHT);
    EXPECT_EQ(box.caretLine, 2) << "past the end of a line: the next one";
    EXPECT_EQ(box.caretColumn, 0);
    Press(VK_END);
    Press(VK_RIGHT);
    Press(VK_DOWN);
    EXPECT_EQ(box.caretLine, 2);
    EXPECT_EQ(box.caretColumn, 3) << "the end of the last line stays";
    Press(VK_UP);
    EXPECT_EQ(box.caretColumn, 2) << "limited to the shorter line";
    Key(VK_DOWN, {VK_SHIFT});
    Key(VK_LEFT, {VK_SHIFT});
    EXPECT_EQ(box.SelectedText(), "\r\n中");
    Press(VK_HOME);
    EXPECT_TRUE(box.SelectedText().empty());

    EditBox password;
    password.CreateEditBox(window.get(), 20, 250, 200, 30,
                           {.text = "secret", .inputMode = EditBox::kPassword});
    host.SetFocusElement(&password);
    HoldKeys({VK_SHIFT});
    password.KeyDown(VK_END);
    HoldKeys({});
    EXPECT_TRUE(password.SelectedText().empty()) << "no selection by Shift in a password box";
}

TEST_F(EditBoxInput, CollapsingTheSelectionWithAnArrowRepaintsIt) {
    Make({.text = "wwwwwwww", .multiLine = 1});
    Caret(1, 0);
    const LPARAM where = AtColumn(1, 1.5f);
    const int x = static_cast<short>(LOWORD(where));
    const int y = static_cast<int>(30 + box.textArea.Y + 2);
    auto blue = [&] {
        const std::uint32_t p = BackPixel(host, x, y);
        return B(p) > 200 && R(p) < 120;
    };
    Key(VK_RIGHT, {VK_SHIFT});
    Key(VK_RIGHT, {VK_SHIFT});
    EXPECT_TRUE(blue());
    Press(VK_RIGHT);
    EXPECT_FALSE(blue()) << "the highlight goes with the selection";
    Press(VK_LEFT);
    EXPECT_EQ(box.caretColumn, 2);
    EXPECT_TRUE(box.SelectedText().empty());
}

TEST_F(EditBoxInput, DoubleAndTripleClicks) {
    Make({.text = "say Hello2u now\r\n中文字符", .multiLine = 1});
    box.Send(WM_LBUTTONDOWN, MK_LBUTTON, AtColumn(1, 6.7f));
    EXPECT_EQ(box.caretColumn, 7);
    box.Send(WM_LBUTTONDOWN, kDoubleClickMark, AtColumn(1, 6.7f));
    EXPECT_EQ(box.SelectedText(), "Hello2u") << "letters and digits, not the spaces";
    box.Send(WM_LBUTTONDOWN, MK_LBUTTON, AtColumn(1, 6.7f));
    EXPECT_EQ(box.SelectedText(), "say Hello2u now") << "a third press within 500 ms";
    box.Send(WM_LBUTTONDOWN, MK_LBUTTON, AtColumn(1, 1.2f));
    EXPECT_TRUE(box.SelectedText().empty()) << "the fourth press is a plain click";

    box.Send(WM_LBUTTONDOWN, MK_LBUTTON, AtColumn(2, 1.2f));
    box.Send(WM_LBUTTONDOWN, kDoubleClickMark, AtColumn(2, 1.2f));
    EXPECT_EQ(box.SelectedText(), "文") << "Chinese text: the one character after the caret";
    box.doubleClickTime -= 600;
    box.Send(WM_LBUTTONDOWN, MK_LBUTTON, AtColumn(2, 1.2f));
    EXPECT_TRUE(box.SelectedText().empty()) << "too late for a triple click";
}

TEST_F(EditBoxInput, DraggingSelectsAndPasswordBoxesRefuseIt) {
    Make({.text = "drag over this", .multiLine = 1});
    const WPARAM pressed = reinterpret_cast<WPARAM>(&box);
    box.Send(WM_LBUTTONDOWN, MK_LBUTTON, AtColumn(1, 5.2f));
    box.Send(WM_MOUSEMOVE, pressed, AtColumn(1, 9.2f));
    EXPECT_EQ(box.SelectedText(), "over");
    box.Send(WM_MOUSEMOVE, MK_LBUTTON, AtColumn(1, 14.0f));
    EXPECT_EQ(box.SelectedText(), "over") << "moves without our press change nothing";

    box.Text("hidden");
    box.inputMode = EditBox::kPassword;
    box.Send(WM_LBUTTONDOWN, MK_LBUTTON, AtColumn(1, 1.2f));
    box.Send(WM_MOUSEMOVE, pressed, AtColumn(1, 4.2f));
    EXPECT_TRUE(box.SelectedText().empty());
}

TEST_F(EditBoxInput, PasteCopyAndCutThroughTheRealClipboard) {
    Make({.text = "ab", .multiLine = 1});
    Caret(1, 1);
    ASSERT_TRUE(PutOnClipboard(L"x\r\ny\r\n中z"));
    EXPECT_EQ(Key('V', {VK_CONTROL}), 0);
    EXPECT_EQ(box.Text(), "ax\r\ny\r\n中zb");
    EXPECT_EQ(box.caretLine, 3) << "two lines down";
    EXPECT_EQ(box.caretColumn, 2) << "after the last pasted character";

    // Characters GBK cannot hold arrive replaced; nothing else is lost.
    Caret(1, 0);
    ASSERT_TRUE(PutOnClipboard(L"\u0E01\u4E2Dq"));
    Key('V', {VK_CONTROL});
    EXPECT_EQ(box.lines.LineText(1), "?中qax");

    EmptyTheClipboard();
    const std::string before = box.Text();
    Key('V', {VK_CONTROL});
    EXPECT_EQ(box.Text(), before) << "an empty clipboard pastes nothing";

    box.anchorColumn = 0;
    box.caretColumn = 3;
    Key('C', {VK_CONTROL});
    EXPECT_EQ(ClipboardText(), L"?\u4E2Dq");
    Key('X', {VK_CONTROL});
    EXPECT_EQ(box.lines.LineText(1), "ax");
    EXPECT_EQ(ClipboardText(), L"?\u4E2Dq");
}

// Every character a box takes from typing or pasting is one column, its own
// bytes and its own place on the line; a lone CR or LF from outside is a line
// break, which a single-line box cuts the pasted text at, never its own.
TEST_F(EditBoxInput, ControlCharactersAndBreaksKeepColumnsBytesAndDrawingTogether) {
    struct Case {
        int multiLine;
        const wchar_t* pasted;
        std::string text;  // after pasting at column 5 of "hello world"
        int line, column;  // the caret after it
    };
    const Case cases[] = {
        {0, L"X\r\nY", "helloX world", 1, 6},
        {0, L"X\nY", "helloX world", 1, 6},
        {0, L"a\tb", "helloa\tb world", 1, 8},
        {1, L"a\tb", "helloa\tb world", 1, 8},
        {1, L"x\ry\nz", "hellox\r\ny\r\nz world", 3, 1},
        {1, L"\x1c\x1f\t", "hello\x1c\x1f\t world", 1, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.multiLine << " " << FromWide(c.pasted));
        EditBox pasted;
        pasted.CreateEditBox(window.get(), 20, 30, 416, c.multiLine ? 184 : 30,
                             {.text = "hello world", .multiLine = c.multiLine});
        host.SetFocusElement(&pasted);
        pasted.caretColumn = pasted.anchorColumn = 5;
        ASSERT_TRUE(PutOnClipboard(c.pasted));
        HoldKeys({VK_CONTROL});
        pasted.KeyDown('V');
        HoldKeys({});
        EXPECT_EQ(pasted.Text(), c.text);
        EXPECT_EQ(pasted.caretLine, c.line);
        EXPECT_EQ(pasted.caretColumn, c.column) << "the caret after the last pasted character";
        const std::string line = pasted.lines.LineText(pasted.caretLine);
        pasted.KeyDown(VK_END);
        EXPECT_EQ(pasted.caretColumn, static_cast<int>(line.size())) << "one column a byte";
        EXPECT_EQ(pasted.TextIndex(pasted.caretLine, pasted.caretColumn),
                  pasted.lines.LineStart(pasted.caretLine) + static_cast<int>(line.size()));
        // Drawn as measured: every column stands right of the one before it.
        float previous = -1;
        for (int column = 0; column <= pasted.caretColumn; ++column) {
            int index = column - 1;
            const float x = pasted.PosFromsIndex(pasted.caretLine, index, false, 0).X;
            EXPECT_GT(x, previous) << "column " << column;
            previous = x;
        }
        // Typed control characters are characters too, and Backspace takes one
        // byte of them at a time.
        const std::string before = pasted.Text();
        Type("\x1d\x1e");
        EXPECT_EQ(pasted.caretColumn, static_cast<int>(line.size()) + 2);
        pasted.KeyDown(VK_BACK);
        pasted.KeyDown(VK_BACK);
        EXPECT_EQ(pasted.Text(), before);
    }
}

TEST_F(EditBoxInput, AClickOnAnEmptyLineIsColumnZeroAndBackspaceJoinsIt) {
    Make({.text = "first\r\n\r\nthird", .multiLine = 1});
    int changes = 0;
    box.SetChangedHandler([&](Element*) { ++changes; });
    for (float x : {1.0f, 30.0f, 300.0f}) {
        box.Send(WM_LBUTTONDOWN, MK_LBUTTON, At(x, box.lines.LineHeight() * 1.5f));
        EXPECT_EQ(box.caretLine, 2) << x;
        EXPECT_EQ(box.caretColumn, 0) << x;
    }
    Press(VK_BACK);
    EXPECT_EQ(box.Text(), "first\r\nthird");
    EXPECT_EQ(box.caretLine, 1);
    EXPECT_EQ(box.caretColumn, 5);
    EXPECT_EQ(changes, 1);
    Caret(1, 0);
    Press(VK_BACK);
    EXPECT_EQ(changes, 1) << "nothing deleted, no change reported";
}

TEST_F(EditBoxInput, PasswordBoxesRefuseShortcutsAndSwitchTheInputMethodOff) {
    HIMC original = ImmGetContext(window.get());
    if (original) ImmReleaseContext(window.get(), original);
    ASSERT_TRUE(PutOnClipboard(L"pasted"));
    Make({.text = "secret", .inputMode = EditBox::kPassword});
    box.anchorColumn = 0;
    box.caretColumn = 6;
    for (WPARAM key : {'C', 'V', 'X', 'A'}) EXPECT_EQ(Key(key, {VK_CONTROL}), 0);
    EXPECT_EQ(box.Text(), "secret");
    EXPECT_EQ(ClipboardText(), L"pasted");

    if (!original) GTEST_SKIP() << "this system gives the window no input context";
    HIMC during = ImmGetContext(window.get());
    EXPECT_EQ(during, nullptr) << "no input method while the password box has the focus";
    if (during) ImmReleaseContext(window.get(), during);
    EditBox other;
    other.CreateEditBox(window.get(), 20, 250, 200, 30, {});
    host.SetFocusElement(&other);
    HIMC after = ImmGetContext(window.get());
    EXPECT_EQ(after, original) << "given back when the focus leaves";
    if (after) ImmReleaseContext(window.get(), after);
}

TEST_F(EditBoxInput, InputMethodResultsWithoutAContextDoNothing) {
    Make({.text = "ab", .multiLine = 1});
    HIMC context = ImmAssociateContext(window.get(), nullptr);
    SendMessageA(window.get(), WM_IME_COMPOSITION, 0, GCS_RESULTSTR);
    EXPECT_EQ(box.Text(), "ab");
    ImmAssociateContext(window.get(), context);
    // A context with no result string inserts nothing either.
    SendMessageA(window.get(), WM_IME_COMPOSITION, 0, GCS_RESULTSTR);
    EXPECT_EQ(box.Text(), "ab");
}

TEST_F(EditBoxInput, TheWheelScrollsThreeLinesAndStopsAtTheEnds) {
    Make({.text = ManyLines(44), .multiLine = 1});
    const int step = static_cast<int>(3 * box.lines.LineHeight());
    const int last = box.lines.ContentHeight() - static_cast<int>(box.textArea.Height);
    ASSERT_GT(last, step);
    SendMessageA(window.get(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
    EXPECT_EQ(box.scrollY, -step);
    EXPECT_EQ(box.vScrollBar.position, step);
    for (int i = 0; i < 40; ++i)
        SendMessageA(window.get(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
    EXPECT_EQ(box.scrollY, -last) << "the last line stays at the bottom";
    EXPECT_GT(box.firstVisibleLine, 20);
    SendMessageA(window.get(), WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    EXPECT_EQ(box.scrollY, -last + step);

    // The scroll bar moves the text as well.
    box.vScrollBar.position = 0;
    box.vScrollBar.Notify();
    EXPECT_EQ(box.scrollY, 0);

    box.Text("short");
    SendMessageA(window.get(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
    EXPECT_EQ(box.scrollY, 0) << "a text shorter than the area never scrolls";
}

TEST_F(EditBoxInput, TheCaretBlinksWhileFocusedAndEnabled) {
    Make({.text = "blink", .multiLine = 1});
    const UINT_PTR id = reinterpret_cast<UINT_PTR>(&box);
    const int before = box.blinkCount;
    SendMessageA(window.get(), WM_TIMER, id, 0);
    SendMessageA(window.get(), WM_TIMER, id, 0);
    EXPECT_EQ(box.blinkCount, before + 2);
    box.Disabled(1);
    SendMessageA(window.get(), WM_TIMER, id, 0);
    EXPECT_EQ(box.blinkCount, before + 2);
    EXPECT_FALSE(KillTimer(window.get(), id)) << "a disabled box stops blinking";
    box.Disabled(0);

    host.SetFocusElement(&box);
    box.anchorColumn = 0;
    box.caretColumn = 3;
    EditBox other;
    other.CreateEditBox(window.get(), 20, 250, 200, 30, {});
    host.SetFocusElement(&other);
    EXPECT_TRUE(box.SelectedText().empty()) << "losing the focus collapses the selection";
    EXPECT_EQ(box.caretColumn, 3);
    EXPECT_FALSE(KillTimer(window.get(), id));
}

TEST_F(EditBoxInput, AHugePasteCompletesAndLeavesTheBoxUsable) {
    Make({.multiLine = 1});
    std::wstring huge;
    const std::wstring line = L"A long pasted letter line with some words in it, 中文也有。\r\n";
    while (huge.size() * 2 < (1u << 20)) huge += line;
    ASSERT_TRUE(PutOnClipboard(huge));
    Key('V', {VK_CONTROL});
    const std::string expected = FromWide(huge.c_str());
    ASSERT_EQ(box.Text().size(), expected.size());
    EXPECT_EQ(box.caretLine, box.lines.LineCount());
    EXPECT_EQ(box.vScrollBar.position, -box.scrollY) << "the bar shows the end too";
    EXPECT_LT(box.scrollY, 0);
    Type("!");
    EXPECT_EQ(box.Text(), expected + "!");
    Press(VK_BACK);
    EXPECT_EQ(box.Text(), expected);
}

}  // namespace
