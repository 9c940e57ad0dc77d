#include "app/WordsPage.h"

#include <windows.h>

#include "app/PageForms.h"
#include "app/ShowLayout.h"
#include "app/StartForm.h"
#include "platform/Dpi.h"
#include "runtime/Program.h"
#include "runtime/Services.h"

namespace gift {

int OnWordsCreated(const runtime::Event& event) {
    const HWND window = runtime::FormWindowHandle(event.form);
    // The page covers the start window's screen (as it opened); the poem
    // rises from just below its bottom edge, centred across it.
    const RECT screen = runtime::FormScreen(event.form);
    const int width = screen.right - screen.left;
    const int height = screen.bottom - screen.top;
    runtime::MoveControl(event.form, screen.left, screen.top, width, height);
    const runtime::UnitRef panel = runtime::FindUnit(event.form, words::kPanel);
    const POINT start =
        layout::PoemPanelStart(runtime::FormProperty(panel, runtime::kWidth), width, height);
    runtime::MoveControl(panel, start.x, start.y);
    // Pure red becomes see-through: the red window and panel vanish and only
    // the poem lines stand over the desktop.
    SetWindowLongPtrW(window, GWL_EXSTYLE, WS_EX_LAYERED);
    SetLayeredWindowAttributes(window, RGB(255, 0, 0), 255, LWA_COLORKEY);
    runtime::SetFormProperty(runtime::FindForm(kStartFormId), runtime::kVisible, 0);
    return 0;
}

int OnWordsTick(const runtime::Event& event) {
    // A tick that arrives before the queued closing is taken changes nothing.
    if (runtime::IsClosing(event.form)) return 0;
    const runtime::UnitRef panel = runtime::FindUnit(event.form, words::kPanel);
    // Five units a tick, the same speed at every scale.
    const int top = runtime::FormProperty(panel, runtime::kTop) -
                    dpi::ToDevice(5, runtime::FormDpi(event.form));
    runtime::MoveControl(panel, std::nullopt, top);
    if (top + runtime::FormProperty(panel, runtime::kHeight) <= 0) {  // it has left the window
        runtime::SetFormProperty(runtime::FindForm(kStartFormId), runtime::kVisible, 1);
        runtime::DestroyForm(event.form);
    }
    return 0;
}

// Alt+F4, the taskbar's close or WM_CLOSE: the start window is shown while
// the page still holds activation, so the page hands it back on closing (by
// the time the page is destroyed, Windows has given it to another program).
int OnWordsCloseAsked(const runtime::Event&) {
    const runtime::UnitRef start = runtime::FindForm(kStartFormId);
    if (!runtime::FormProperty(start, runtime::kVisible))
        runtime::SetFormProperty(start, runtime::kVisible, 1);
    return 0;
}

int OnWordsDestroyed(const runtime::Event&) {
    // Not while the program ends: its windows are all going.
    if (runtime::Ending()) return 0;
    const runtime::UnitRef start = runtime::FindForm(kStartFormId);
    if (!runtime::FormProperty(start, runtime::kVisible))
        runtime::SetFormProperty(start, runtime::kVisible, 1);
    return 0;
}

}  // namespace gift
