#include "app/Countdown.h"

#include <windows.h>

#include "app/Content.h"
#include "app/PageForms.h"
#include "app/RosePage.h"
#include "app/ShowLayout.h"
#include "platform/Dpi.h"
#include "runtime/PictureScale.h"
#include "runtime/Program.h"
#include "runtime/Services.h"

namespace gift {
namespace {

Counters counters;
ProgramEnd programEnd = nullptr;
// The message box of a countdown tick runs its own loop, in which the
// countdown timer keeps ticking: one box at a time.
bool boxOpen = false;

constexpr int kRainStart = 30;

void DrawAt(runtime::UnitRef panel, const runtime::Picture& picture, int x, int y) {
    runtime::DrawPicture(panel, picture, x, y, std::nullopt, std::nullopt,
                         runtime::kWhiteTransparent);
}

// Ten rounds of one picture each, 99 copies in bursts of nine half a second
// apart; then the countdown starts. Esc or the right button ends it early
// with the page.
void FlowerRain(runtime::UnitRef page) {
    const runtime::UnitRef panel = runtime::FindUnit(page, rose::kPanel);
    // The page's own screen, kept since it opened.
    const RECT screen = runtime::FormScreen(page);
    const UINT dpi = runtime::FormDpi(page);
    const int width = screen.right - screen.left;
    const int height = screen.bottom - screen.top;
    for (int round = 0; round < 10; ++round) {
        const runtime::Picture picture =
            runtime::LoadPictureAtDpi(content::RainPicture(runtime::Random(1, 8)), dpi, true);
        for (int burst = 0; burst < 11; ++burst) {
            for (int i = 0; i < 9; ++i) {
                const POINT at = RainSpot(width, height, dpi);
                DrawAt(panel, picture, at.x, at.y);
            }
            if (!RosePause(500)) return;
        }
    }
    runtime::ClearPanel(panel);
    runtime::SetFormProperty(runtime::FindUnit(page, rose::kCountdownTimer),
                             runtime::kCaptionOrInterval, 100);
}

}  // namespace

Counters& ProgramCounters() {
    return counters;
}

POINT RainSpot(int screenWidth, int screenHeight, UINT dpi) {
    const int margin = dpi::ToDevice(110, dpi);
    const int x = runtime::Random(0, screenWidth - margin);
    const int y = runtime::Random(0, screenHeight - margin);
    return {x, y};
}

std::string CountdownText(int n) {
    return "距离程序运行结束还有" + std::to_string(n) + "秒！";
}

void SetProgramEnd(ProgramEnd end) {
    programEnd = end;
}

int OnDelayTick(const runtime::Event& event) {
    // Only exactly the 30th tick: a later opening of the page never rains again.
    if (++counters.delayTicks == kRainStart) FlowerRain(event.form);
    return 0;
}

int OnCountdownTick(const runtime::Event& event) {
    if (boxOpen) return 0;
    const runtime::UnitRef page = event.form;
    const runtime::UnitRef panel = runtime::FindUnit(page, rose::kPanel);
    const RECT screen = runtime::FormScreen(page);
    const UINT dpi = runtime::FormDpi(page);
    const int width = screen.right - screen.left;
    const int height = screen.bottom - screen.top;

    const runtime::Picture row = runtime::LoadPictureAtDpi(content::BottomRowPicture(), dpi, true);
    for (int i = 1; i <= 10; ++i)
        DrawAt(panel, row, layout::BottomRowLeft(i, row.Width(), width),
               height - dpi::ToDevice(200, dpi));

    if (counters.countdown < 10) {
        const runtime::UnitRef line = runtime::FindUnit(page, rose::kCountdownLine);
        runtime::SetFormProperty(line, runtime::kCaptionOrInterval,
                                 CountdownText(counters.countdown));
        const int lineHeight = dpi::ToDevice(80, dpi);
        runtime::MoveControl(line, 0, height - lineHeight, width, lineHeight);
        runtime::SetFormProperty(line, runtime::kVisible, 1);
        runtime::SetFormProperty(line, runtime::kTextColour, 0x008080);
    }
    --counters.countdown;
    if (counters.countdown == -1) {
        if (programEnd) {
            programEnd(0);
        } else {
            runtime::EndProgram(0);
        }
        return 0;
    }
    boxOpen = true;
    runtime::MessageBox("我好爱你", "亲：");
    boxOpen = false;
    return 0;
}

int OnTrimTick(const runtime::Event&) {
    // Frames are decoded anew every 50 ms; give the pages back to Windows.
    SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
    return 0;
}

}  // namespace gift
