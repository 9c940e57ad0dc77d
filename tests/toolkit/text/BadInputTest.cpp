// Input the edit box meets in the wild, found by the monkey test: a letter
// with empty lines and a line of one control character, selected and redrawn
// again and again, must not cost a GDI object per redraw.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/ProcessStats.h"
#include "tests/toolkit/host/HostTestSupport.h"
#include "toolkit/text/EditBox.h"

using namespace hosttest;

namespace {

TEST(EditBoxObjects, RedrawingEmptyLinesAndSelectionsAcrossThemCostsNothing) {
    HostedWindow hosted(480, 320, {.captionFlags = 0, .translucency = 255});
    ASSERT_TRUE(hosted.attached);
    EditBox box;
    box.CreateEditBox(
        hosted.window, 20, 30, 416, 184,
        {.text = "亲爱的：\r\n\r\n\x1C\r\n第二段\r\n\r\n", .multiLine = 1, .frameStyle = 4});
    hosted.host.SetFocusElement(&box);
    box.RenderBox(false);
    Pump();
    const int before = procstats::GdiObjects();
    for (int i = 0; i < 40; ++i) {
        // Alternately nothing selected and a selection over the empty lines.
        box.anchorLine = 1;
        box.anchorColumn = i % 2 == 0 ? 0 : 2;
        box.caretLine = 5;
        box.caretColumn = 0;
        box.RenderBox(false);
        box.anchorLine = box.caretLine;
        box.anchorColumn = box.caretColumn;
        SendMessageA(hosted.window, WM_KEYDOWN, VK_RETURN, 0);
        if (i % 8 == 0) Pump();
    }
    Pump();
    EXPECT_LE(procstats::GdiObjects(), before + 2) << "a device context per empty line drawn";
    EXPECT_EQ(box.lines.LineCount(), 6 + 40) << "every Enter made a line";
}

}  // namespace
