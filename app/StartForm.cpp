#include "app/StartForm.h"

#include <array>

#include "app/Content.h"
#include "app/StartWindow.h"

namespace gift {
namespace {

using runtime::UnitDescription;
using runtime::UnitKind;

int OnStartFormCreated(const runtime::Event& event) {
    SetUpStartWindow(event.form);
    return 0;
}

constexpr runtime::EventBinding kStartEvents[] = {
    {runtime::EventKind::Created, OnStartFormCreated},
};

constexpr UnitDescription Placeholder(const char* name, std::uint32_t id, int left, int top,
                                      int width, int height) {
    return runtime::DescribeUnit(UnitKind::Label, name, id, left, top, width, height, false);
}

// Only the rectangles matter: the controls are placed where these labels lie.
constexpr std::array<UnitDescription, 7> kStartUnits = {
    Placeholder("标签1", 1, 24, 296, 81, 24),   // page button 0
    Placeholder("标签2", 2, 141, 296, 82, 24),  // page button 1
    Placeholder("标签3", 3, 262, 296, 80, 24),  // page button 2
    Placeholder("标签4", 4, 379, 296, 80, 24),  // page button 3
    Placeholder("标签5", 5, 35, 58, 416, 184),  // letter box
    Placeholder("标签6", 6, 384, 248, 75, 40),  // contact link
    Placeholder("标签7", 7, 35, 248, 328, 40),  // picture strip
};

runtime::FormDescription MakeStartForm() {
    runtime::FormDescription form =
        runtime::DescribeForm(kStartFormId, "启动窗口", content::Title(), 50, 50, 486, 342);
    form.icon = content::StartIcon();
    form.events = kStartEvents;
    form.units = kStartUnits;
    return form;
}

}  // namespace

const runtime::FormDescription& StartForm() {
    static const runtime::FormDescription form = MakeStartForm();
    return form;
}

}  // namespace gift
