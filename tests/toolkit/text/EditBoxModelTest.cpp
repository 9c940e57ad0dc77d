// Creation, the text property, indexing, layout, scrolling, hit testing and
// painting of the edit box, in a real host window with real GDI+ measuring
// and real pixels.
#include "toolkit/text/EditBox.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/toolkit/host/HostTestSupport.h"

using namespace hosttest;

namespace {

const std::string kHello = "hello\r\nworld";

class EditBoxModel : public ::testing::Test {
protected:
    EditBoxModel() : window(480, 320) { host.Attach(window.get(), {.captionFlags = 0}); }
    ~EditBoxModel() override { DestroyWindow(window.get()); }

    EditBox& Make(const EditBoxOptions& options, int width = 416, int height = 184) {
        box.CreateEditBox(window.get(), 20, 30, width, height, options);
        return box;
    }
    // The caret's x (element coordinates) after `column` characters of a line.
    float ColumnX(int line, int column) {
        int index = column - 1;
        return box.PosFromsIndex(line, index, false, 0).X;
    }

    TestWindow window;
    UIHost host;
    EditBox box;
};

std::string ManyLines(int count, const std::string& line) {
    std::string text;
    for (int i = 0; i < count; ++i) text += (i ? "\r\n" : "") + line + std::to_string(i);
    return text;
}

TEST_F(EditBoxModel, CreationDefaultsAndFormatFlags) {
    Make({.text = kHello, .multiLine = 1});
    EXPECT_EQ(box.kind, 9);
    EXPECT_EQ(box.cursor, 32513);
    EXPECT_EQ(box.focusable, 1);
    EXPECT_EQ(box.scrollBars, 3);
    EXPECT_EQ(box.format.Flags(), 0x4800);
    EXPECT_EQ(box.format.Trimming(), 0);
    EXPECT_EQ(box.backColour, 0xA0FFFFFFu);
    EXPECT_EQ(box.frameStyle, 0x50000000u);
    EXPECT_EQ(box.passwordChar, "*");
    EXPECT_EQ(box.font, DefaultFont);
    EXPECT_EQ(box.caretLine, 1);
    EXPECT_EQ(box.caretColumn, 0);
    EXPECT_EQ(box.firstVisibleLine, 1);
    // Both bars live as the box's children, so they move and draw with it.
    EXPECT_EQ(box.vScrollBar.parent, &box);
    EXPECT_EQ(box.hScrollBar.parent, &box);
    EXPECT_EQ(box.vScrollBar.barType, ScrollBar::kVertical);
    EXPECT_EQ(box.vScrollBar.visible, 1);

    EditBox wrapping;
    wrapping.CreateEditBox(window.get(), 0, 0, 200, 100, {.multiLine = 1, .scrollBars = 2});
    EXPECT_EQ(wrapping.format.Flags(), 0x6800) << "the vertical bar alone limits lines";
    EXPECT_EQ(wrapping.hScrollBar.visible, 0);

    EditBox single;
    single.CreateEditBox(window.get(), 0, 200, 200, 30, {.text = kHello});
    EXPECT_EQ(single.scrollBars, 0);
    EXPECT_EQ(single.hScrollBar.handle, nullptr) << "a single-line box has no bars";
    EXPECT_EQ(single.Text(), "hello") << "only the part before the first CR LF";
}

TEST_F(EditBoxModel, OnlyItsOwnFontIsReleased) {
    ASSERT_NE(DefaultFont, nullptr);
    {
        EditBox shared;
        shared.CreateEditBox(window.get(), 0, 0, 100, 30, {});
        EXPECT_EQ(shared.font, DefaultFont);
        shared.Destroy();
    }
    float size = 0;
    EXPECT_EQ(gp::GdipGetFontSize(DefaultFont, &size), Gdiplus::Ok) << "the default font lives on";

    Make({.fontSize = 20.0f});
    ASSERT_NE(box.font, DefaultFont);
    gp::GdipGetFontSize(box.font, &size);
    EXPECT_EQ(size, 20.0f);
    box.Destroy();
    EXPECT_FALSE(box.fontOwner) << "its own font went with the destroy message";
    EXPECT_EQ(box.Text(), "");
}

TEST_F(EditBoxModel, SettingTheTextResetsCaretAndScrollingAndNotifies) {
    ProbeElement parent;
    parent.Create(window.get(), Rf(0, 0, 470, 300), 1, 0);
    Make({.text = ManyLines(40, "line "), .multiLine = 1});
    box.SetParent(&parent);
    std::vector<Element*> calls;
    box.SetChangedHandler([&](Element* p) { calls.push_back(p); });
    box.caretLine = 30;
    box.caretColumn = 3;
    box.anchorLine = 2;
    box.scrollY = -200;
    box.scrollX = -5;

    EXPECT_EQ(box.Text("中文\r\nab"), "中文\r\nab");
    EXPECT_EQ(box.caretLine, 1);
    EXPECT_EQ(box.anchorLine, 1);
    EXPECT_EQ(box.caretColumn, 0);
    EXPECT_EQ(box.anchorColumn, 0);
    EXPECT_EQ(box.scrollY, 0);
    EXPECT_EQ(box.scrollX, 0);
    EXPECT_EQ(box.vScrollBar.position, 0) << "the bar follows the reset";
    EXPECT_EQ(calls, (std::vector<Element*>{&parent}));
}

TEST_F(EditBoxModel, PasswordBoxesShowTheMaskAndKeepTheRealText) {
    Make({.text = "中文a", .inputMode = EditBox::kPassword});
    EXPECT_EQ(box.lines.LineText(1), "***");
    EXPECT_EQ(box.Text(), "中文a");
    box.anchorColumn = 0;
    box.caretColumn = 2;
    EXPECT_EQ(box.SelectedText(), "中文") << "columns count masks, the text stays whole";
}

TEST_F(EditBoxModel, TextIndicesAcrossLines) {
    Make({.text = "中a文\r\nxy", .multiLine = 1});
    EXPECT_EQ(box.TextIndex(1, 2), 4);
    EXPECT_EQ(box.TextIndex(2, 0), 8) << "just after the first CR LF";
    EXPECT_EQ(box.TextIndex(7, 0), 0) << "no such line";
    box.anchorLine = 1;
    box.anchorColumn = 2;
    box.caretLine = 2;
    box.caretColumn = 1;
    EXPECT_EQ(box.SelectedText(), "文\r\nx");
    std::swap(box.anchorLine, box.caretLine);
    std::swap(box.anchorColumn, box.caretColumn);
    EXPECT_EQ(box.SelectedText(), "文\r\nx") << "either end may come first";
}

TEST_F(EditBoxModel, ScrollBarsTakeTheirRoomAlongTheTextArea) {
    Make({.text = kHello, .multiLine = 1});
    EXPECT_EQ(box.frameArea.X, 2.0f);
    EXPECT_EQ(box.frameArea.Width, 412.0f);
    EXPECT_EQ(box.textArea.Width, box.frameArea.Width - 10);
    EXPECT_EQ(box.textArea.Height, box.frameArea.Height - 10);
    const RectF v = box.vScrollBar.rect;
    const RectF h = box.hScrollBar.rect;
    EXPECT_EQ(v.X, 20 + box.textArea.X + box.textArea.Width);
    EXPECT_EQ(v.Y, 30 + box.textArea.Y);
    EXPECT_EQ(v.Width, 10.0f);
    EXPECT_EQ(v.Y + v.Height, h.Y) << "the vertical bar stops where the horizontal one runs";
    EXPECT_EQ(h.X, 20 + box.textArea.X);
    EXPECT_EQ(h.Width, box.textArea.Width);
    EXPECT_EQ(h.Height, 10.0f);

    EditBox single;
    single.CreateEditBox(window.get(), 20, 250, 200, 30, {.text = "abc"});
    const RectF area = single.textArea;
    EXPECT_GE(area.Height, single.lines.LineHeight());
    const float above = area.Y;
    const float below = 30 - (area.Y + area.Height);
    EXPECT_LE(std::abs(above - below), 2.0f) << "one line, centred";
}

TEST_F(EditBoxModel, WrappingOnlyWithTheVerticalBarAlone) {
    const std::string longLine(120, 'w');
    EditBox wrapped;
    wrapped.CreateEditBox(window.get(), 0, 0, 200, 150,
                          {.text = longLine, .multiLine = 1, .scrollBars = 2});
    const int row = static_cast<int>(wrapped.lines.LineHeight());
    EXPECT_GE(wrapped.lines.ContentHeight(), 2 * row);
    EXPECT_LE(wrapped.lines.ContentWidth(), static_cast<int>(wrapped.textArea.Width));

    Make({.text = longLine, .multiLine = 1, .scrollBars = 3}, 200, 150);
    EXPECT_EQ(box.lines.ContentHeight(), row);
    EXPECT_GT(box.lines.ContentWidth(), static_cast<int>(box.textArea.Width));
    EXPECT_EQ(box.hScrollBar.maximum,
              box.lines.ContentWidth() - static_cast<int>(box.textArea.Width));
}

TEST_F(EditBoxModel, TheCaretScrollsIntoViewAndTheOffsetsStayInRange) {
    Make({.text = std::string(150, 'm') + "\r\nshort", .multiLine = 1}, 200, 100);
    const float start = ColumnX(1, 100);  // far right of the area when unscrolled
    ASSERT_GT(start, box.textArea.X + box.textArea.Width);
    int index = 99;
    RectF caret = box.PosFromsIndex(1, index, true, 0);
    EXPECT_LT(box.scrollX, 0);
    EXPECT_LE(caret.X, box.textArea.X + box.textArea.Width);
    EXPECT_EQ(box.hScrollBar.position, -box.scrollX);

    // Left of the view: the text scrolls a fifth of the area further than needed.
    box.scrollX = -static_cast<int>(start);
    index = 20;
    caret = box.PosFromsIndex(1, index, true, 0);
    EXPECT_NEAR(caret.X, box.textArea.X + box.textArea.Width / 5, 1.5f);

    // Offsets beyond the content snap back; a positive one becomes 0.
    box.scrollX = -100000;
    box.scrollY = 50;
    index = -1;
    box.PosFromsIndex(2, index, false, 0);
    EXPECT_EQ(box.scrollX, -box.lines.ContentWidth() + static_cast<int>(box.textArea.Width) + 1);
    EXPECT_EQ(box.scrollY, 0);
}

TEST_F(EditBoxModel, HitTestingFindsTheNearestCharacterBoundary) {
    Make({.text = "WWWW\r\nab", .multiLine = 1});
    const float x1 = ColumnX(1, 1);
    const float x2 = ColumnX(1, 2);
    ASSERT_GT(x2 - x1, 4.0f);
    const int y = static_cast<int>(30 + box.textArea.Y + box.lines.LineHeight() / 2);
    int line = 0;
    EXPECT_EQ(box.HitTest(static_cast<int>(20 + x1 + (x2 - x1) * 0.75f), y, line), 2)
        << "the right half of a character puts the caret after it";
    EXPECT_EQ(line, 1);
    EXPECT_EQ(box.HitTest(static_cast<int>(20 + x1 + (x2 - x1) * 0.25f), y, line), 1);
    EXPECT_EQ(box.HitTest(20 + 300, y, line), 4) << "right of the end: the end of that line";
    const int y2 = y + static_cast<int>(box.lines.LineHeight());
    EXPECT_EQ(box.HitTest(20 + 300, y2, line), 2);
    EXPECT_EQ(line, 2);
    EXPECT_EQ(box.HitTest(20 + 5, y + 150, line), 0) << "below the text: the last line";
    EXPECT_EQ(line, 2);
    EXPECT_EQ(box.HitTest(0, 0, line), 0) << "above and left: line 1, column 0";
    EXPECT_EQ(line, 1);
}

TEST_F(EditBoxModel, PaintsFrameTextAndAThreeLineSelection) {
    Make({.text = "aaaaaaaa\r\nbbbbbbbb\r\ncccccccc", .multiLine = 1});
    const int row = static_cast<int>(box.lines.LineHeight());
    // Near the top of a row: inside the highlight, above the small letters.
    auto pixel = [&](float x, int line) {
        return BackPixel(host, static_cast<int>(20 + x),
                         static_cast<int>(30 + box.textArea.Y + row * (line - 1) + 2));
    };
    auto blue = [](std::uint32_t p) { return B(p) > 200 && R(p) < 120; };
    const float c2 = ColumnX(1, 2) + 0.5f * (ColumnX(1, 3) - ColumnX(1, 2));  // inside char 3
    const float c6 = ColumnX(1, 6) + 0.5f * (ColumnX(1, 7) - ColumnX(1, 6));  // inside char 7
    EXPECT_FALSE(blue(pixel(c2, 1)));

    box.anchorLine = 1;
    box.anchorColumn = 4;
    box.caretLine = 3;
    box.caretColumn = 4;
    box.RenderBox(false);
    EXPECT_FALSE(blue(pixel(c2, 1))) << "the head of the first line stays";
    EXPECT_TRUE(blue(pixel(c6, 1))) << "its tail is highlighted";
    EXPECT_TRUE(blue(pixel(c2, 2)));
    EXPECT_TRUE(blue(pixel(c6, 2))) << "the whole middle line";
    EXPECT_TRUE(blue(pixel(c2, 3))) << "the head of the last line";
    EXPECT_FALSE(blue(pixel(c6, 3)));

    // The default frame: a plain one-pixel line, black at alpha 80 over the window.
    const std::uint32_t edge = BackPixel(host, 20, 100);
    const std::uint32_t inside = BackPixel(host, 24, 100);
    EXPECT_LT(R(edge), R(inside));
    box.frameStyle = 0;
    box.RenderBox(false);
    EXPECT_TRUE(Near(BackPixel(host, 20, 100), BackPixel(host, 24, 100), 8)) << "no frame";
}

TEST_F(EditBoxModel, TheCaretIsDrawnOnOpaqueAndLayeredWindows) {
    ShowWindow(window.get(), SW_SHOWNOACTIVATE);
    Make({.text = "caret", .multiLine = 1});
    box.caretColumn = box.anchorColumn = 2;
    int index = 1;
    box.caretRect = box.prevCaretRect = box.PosFromsIndex(1, index, false, 0);
    HDC dc = host.windowDC->get();
    const int x = static_cast<int>(20 + box.caretRect.X);
    const int y = static_cast<int>(30 + box.caretRect.Y + box.caretRect.Height / 2);
    box.DrawCaret(false);
    const COLORREF before = GetPixel(dc, x, y);
    if (before == CLR_INVALID) GTEST_SKIP() << "the window's pixels cannot be read here";
    box.DrawCaret(true);
    EXPECT_EQ(GetPixel(dc, x, y), RGB(0, 0, 0)) << "a black line on the window";
    box.DrawCaret(false);
    EXPECT_EQ(GetPixel(dc, x, y), before) << "erased from the back buffer";
}

// A layered window shows only the picture it is handed: the caret goes into
// the box's surface and from there into the presented back buffer, at the
// place and with the blink of the caret of an opaque window.
TEST_F(EditBoxModel, ALayeredWindowShowsTheCaretThroughTheSurface) {
    TestWindow layeredWindow(300, 200);
    UIHost layered;
    ASSERT_TRUE(layered.Attach(layeredWindow.get(), {.captionFlags = 0, .translucency = 255}));
    EditBox inLayered;
    inLayered.CreateEditBox(layeredWindow.get(), 10, 10, 200, 100, {.text = "xy", .multiLine = 1});
    layered.SetFocusElement(&inLayered);
    SendMessageA(layeredWindow.get(), WM_CHAR, 'z', 0);  // the caret after the z
    const int sx = static_cast<int>(inLayered.caretRect.X);
    const int sy = static_cast<int>(inLayered.caretRect.Y + inLayered.caretRect.Height / 2);
    auto surfacePixel = [&] {
        Gdiplus::ARGB argb = 0;
        EXPECT_EQ(gp::GdipBitmapGetPixel(inLayered.surface.get(), sx, sy, &argb), Gdiplus::Ok);
        return argb;
    };
    auto isCaret = [](std::uint32_t p) { return p == 0xFF000000u; };
    EXPECT_TRUE(isCaret(surfacePixel())) << "shown after typing";
    EXPECT_TRUE(isCaret(BackPixel(layered, 10 + sx, 10 + sy)));
    inLayered.DrawCaret(false);
    const std::uint32_t under = BackPixel(layered, 10 + sx, 10 + sy);
    EXPECT_EQ(A(under), 255);
    EXPECT_FALSE(isCaret(under));
    EXPECT_FALSE(isCaret(surfacePixel()));

    // The blink: each tick of the box's timer turns it on or off.
    const UINT_PTR id = reinterpret_cast<UINT_PTR>(&inLayered);
    for (int tick = 0; tick < 4; ++tick) {
        SendMessageA(layeredWindow.get(), WM_TIMER, id, 0);
        const bool on = (inLayered.blinkCount & 1) != 0;
        EXPECT_EQ(isCaret(BackPixel(layered, 10 + sx, 10 + sy)), on) << tick;
        if (!on) {
            EXPECT_EQ(BackPixel(layered, 10 + sx, 10 + sy), under) << "put back exactly";
        }
    }
    // Moved by a key, it leaves nothing behind.
    inLayered.DrawCaret(true);
    SendMessageA(layeredWindow.get(), WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(BackPixel(layered, 10 + sx, 10 + sy), under);
    EXPECT_FALSE(isCaret(surfacePixel()));
}

// A host that notes every rectangle it is asked to redraw.
class RecordingHost : public UIHost {
public:
    void RequestRedraw(const RectF& rect, Element* element) override {
        if (element == watched) asked.push_back(rect);
        UIHost::RequestRedraw(rect, element);
    }
    Element* watched = nullptr;
    std::vector<RectF> asked;
};

// An edit repaints only its line's strip (down to the bottom when lines move),
// and leaves the surface and the window exactly as a full repaint would.
TEST_F(EditBoxModel, AnEditRepaintsItsStripWithTheFullRepaintsPixels) {
    for (int translucency : {255, -1}) {
        SCOPED_TRACE(translucency);
        TestWindow other(460, 240);
        RecordingHost recording;
        ASSERT_TRUE(
            recording.Attach(other.get(), {.captionFlags = 0, .translucency = translucency}));
        EditBox edited;
        edited.CreateEditBox(other.get(), 20, 30, 416, 184,
                             {.text = ManyLines(30, "亲爱的 gjpqy|_ "), .multiLine = 1});
        recording.SetFocusElement(&edited);
        recording.watched = &edited;  // its scroll bars redraw on their own
        auto pixels = [&] {
            std::vector<std::uint32_t> out;
            for (int y = 30; y < 30 + 184; ++y)
                for (int x = 20; x < 20 + 416; ++x) out.push_back(BackPixel(recording, x, y));
            for (int y = 0; y < 184; ++y)
                for (int x = 0; x < 416; ++x) {
                    Gdiplus::ARGB argb = 0xDEADBEEF;
                    gp::GdipBitmapGetPixel(edited.surface.get(), x, y, &argb);
                    out.push_back(argb);
                }
            return out;
        };
        const float row = edited.lines.LineHeight();
        struct Edit {
            int line, column;
            UINT msg;
            WPARAM key;
            int firstLine;  // the first line the edit changes
            bool linesMove;
            Gdiplus::ARGB newFill = 0;  // a fill the box takes before the edit
        };
        for (const Edit& e :
             {Edit{3, 5, WM_CHAR, 'x', 3, false}, Edit{3, 2, WM_KEYDOWN, VK_BACK, 3, false},
              Edit{4, 7, WM_KEYDOWN, VK_RETURN, 4, true}, Edit{5, 0, WM_KEYDOWN, VK_BACK, 4, true},
              Edit{6, 3, WM_CHAR, 'y', 6, false, 0xC0E0F0FF}}) {
            SCOPED_TRACE(testing::Message() << e.line << ":" << e.column << " " << e.key);
            edited.caretLine = edited.anchorLine = e.line;
            edited.caretColumn = edited.anchorColumn = e.column;
            int index = e.column - 1;
            edited.caretRect = edited.prevCaretRect = edited.PosFromsIndex(e.line, index, false, 0);
            edited.DrawCaret(true);
            if (e.newFill) {  // repainted in full with it: the strip must follow
                edited.backColour = e.newFill;
                edited.RenderBox(false);
            }
            recording.asked.clear();
            SendMessageA(other.get(), e.msg, e.key, 0);
            ASSERT_FALSE(recording.asked.empty());
            RectF strip = recording.asked.front();
            for (const RectF& asked : recording.asked) RectF::Union(strip, strip, asked);
            const float lineTop =
                30 + edited.textArea.Y + row * static_cast<float>(e.firstLine - 1);
            EXPECT_GE(strip.Y, lineTop - 4) << "nothing above the edited line";
            EXPECT_LE(strip.Y + strip.Height, e.linesMove ? 30 + 184 : lineTop + row + 4);
            const std::vector<std::uint32_t> partial = pixels();
            edited.RenderBox(false);
            const std::vector<std::uint32_t> full = pixels();
            EXPECT_TRUE(partial == full) << "pixels differ from a full repaint";
        }
    }
}

TEST_F(EditBoxModel, WindowsWithBoxesLeaveNoObjectsBehind) {
    const auto [before, after] = hosttest::CountsAroundRounds(3, [&] {
        TestWindow other(300, 200);
        UIHost otherHost;
        otherHost.Attach(other.get(), {.captionFlags = 0});
        EditBox multi;
        multi.CreateEditBox(other.get(), 10, 10, 200, 120,
                            {.text = ManyLines(30, "x"), .fontSize = 14.0f, .multiLine = 1});
        EditBox single;
        single.CreateEditBox(other.get(), 10, 150, 200, 30,
                             {.text = "secret", .inputMode = EditBox::kPassword});
        otherHost.SetFocusElement(&single);
        otherHost.SetFocusElement(&multi);
        DestroyWindow(other.get());
    });
    EXPECT_EQ(after.gdi, before.gdi);
    EXPECT_EQ(after.user, before.user);
}

}  // namespace
