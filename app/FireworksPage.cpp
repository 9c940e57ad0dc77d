#include "app/FireworksPage.h"

#include "app/AppObjects.h"
#include "app/Content.h"
#include "app/FormScale.h"
#include "app/PageForms.h"
#include "app/Startup.h"
#include "runtime/Services.h"

namespace gift {

int OnFireworksCreated(const runtime::Event& event) {
    const HWND window = runtime::FormWindowHandle(event.form);
    // 640 x 480 units: 960 x 720 pixels at 150 %, the frames scaled to match.
    PlaceAtScale(window, FireworksPageForm());
    App().skinLayer.Attach(window);
    // Most of a frame is fully transparent, and Windows passes clicks there
    // to whatever lies beneath; the right button must close the page
    // anywhere in its rectangle.
    App().skinLayer.TakeClicksEverywhere(true);
    runtime::SetFormProperty(runtime::FindUnit(event.form, 1u), runtime::kCaptionOrInterval, 10);
    return 0;
}

int OnFireworksFrame(const runtime::Event& event) {
    const int k = static_cast<int>(runtime::UnitId(event.unit));
    if (k < 1 || k > fireworks::kFrameTimers) return -1;
    App().skinLayer.LoadBackImage(content::FireworksFrame(k));
    // Each timer fires once and hands over to the next: a chain, not a shared
    // clock, so a slow frame delays the rest instead of piling up ticks.
    const int next = k % fireworks::kFrameTimers + 1;
    runtime::SetFormProperty(runtime::FindUnit(event.form, static_cast<std::uint32_t>(next)),
                             runtime::kCaptionOrInterval, 50);
    runtime::SetFormProperty(event.unit, runtime::kCaptionOrInterval, 0);
    return 0;
}

int OnFireworksRightButton(const runtime::Event& event) {
    runtime::DestroyForm(event.form);
    return 0;
}

int OnFireworksKey(const runtime::Event& event) {
    if (event.x != VK_ESCAPE) return -1;
    runtime::DestroyForm(event.form);
    return 0;
}

int OnFireworksDestroyed(const runtime::Event&) {
    // While the window still exists: the layer gives back what it put on it
    // and releases the last frame now rather than at the next opening.
    if (GlobalsAlive()) App().skinLayer = PngControl();
    return 0;
}

}  // namespace gift
