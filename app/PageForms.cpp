#include "app/PageForms.h"

#include <array>

#include "app/Content.h"
#include "app/Countdown.h"
#include "app/FireworksPage.h"
#include "app/RosePage.h"
#include "app/WordsPage.h"

namespace gift {
namespace {

using runtime::DescribeUnit;
using runtime::EventBinding;
using runtime::EventKind;
using runtime::UnitDescription;
using runtime::UnitKind;

// ---- rose page --------------------------------------------------------------

// Every unit that covers part of the page answers the right button, so a
// click anywhere closes it; copies of the flower boxes inherit the binding.
constexpr EventBinding kRoseClickEvents[] = {{EventKind::RightButtonDown, OnRoseRightButton}};
constexpr EventBinding kRoseFormEvents[] = {
    {EventKind::Created, OnRoseCreated},
    {EventKind::KeyDown, OnRoseKey},
    {EventKind::RightButtonDown, OnRoseRightButton},
    {EventKind::Destroyed, OnRoseDestroyed},
};
constexpr EventBinding kDelayEvents[] = {{EventKind::Tick, OnDelayTick}};
constexpr EventBinding kCountdownEvents[] = {{EventKind::Tick, OnCountdownTick}};

UnitDescription FlowerBox(const char* name, std::uint32_t id, int left, int top, int width,
                          int height, int box) {
    UnitDescription unit =
        DescribeUnit(UnitKind::PictureBox, name, id, left, top, width, height, false);
    unit.picture = content::RoseBox(box);
    unit.events = kRoseClickEvents;
    return unit;
}

runtime::FormDescription MakeRoseForm() {
    static std::array<UnitDescription, 7> units = [] {
        UnitDescription line =
            DescribeUnit(UnitKind::Label, "标签1", rose::kCountdownLine, 280, 80, 80, 24, false);
        line.events = kRoseClickEvents;
        UnitDescription delay = DescribeUnit(UnitKind::Timer, "时钟2", rose::kDelayTimer);
        delay.events = kDelayEvents;
        UnitDescription countdown = DescribeUnit(UnitKind::Timer, "时钟1", rose::kCountdownTimer);
        countdown.events = kCountdownEvents;
        UnitDescription panel =
            DescribeUnit(UnitKind::DrawingPanel, "画板1", rose::kPanel, 32, 24, 88, 72, true);
        panel.events = kRoseClickEvents;
        return std::array<UnitDescription, 7>{
            line,
            delay,
            FlowerBox("花4", rose::kFlower4, 456, 248, 144, 128, 4),
            FlowerBox("花3", rose::kFlower3, 240, 200, 104, 96, 3),
            FlowerBox("花2", rose::kFlower2, 216, 312, 120, 112, 2),
            countdown,
            panel,
        };
    }();
    runtime::FormDescription form =
        runtime::DescribeForm(kRosePageId, "玫瑰盛宴", "玫瑰盛宴", 50, 50, 612, 469);
    form.events = kRoseFormEvents;
    form.units = units;
    return form;
}

// ---- fireworks page ---------------------------------------------------------

constexpr EventBinding kFireworksFormEvents[] = {
    {EventKind::Created, OnFireworksCreated},
    {EventKind::RightButtonDown, OnFireworksRightButton},
    {EventKind::KeyDown, OnFireworksKey},
    {EventKind::Destroyed, OnFireworksDestroyed},
};
constexpr EventBinding kFrameEvents[] = {{EventKind::Tick, OnFireworksFrame}};
constexpr EventBinding kTrimEvents[] = {{EventKind::Tick, OnTrimTick}};

// 时钟1..时钟36, kept alive with the form.
const char* const kTimerNames[36] = {
    "时钟1",  "时钟2",  "时钟3",  "时钟4",  "时钟5",  "时钟6",  "时钟7",  "时钟8",  "时钟9",
    "时钟10", "时钟11", "时钟12", "时钟13", "时钟14", "时钟15", "时钟16", "时钟17", "时钟18",
    "时钟19", "时钟20", "时钟21", "时钟22", "时钟23", "时钟24", "时钟25", "时钟26", "时钟27",
    "时钟28", "时钟29", "时钟30", "时钟31", "时钟32", "时钟33", "时钟34", "时钟35", "时钟36",
};

runtime::FormDescription MakeFireworksForm() {
    static std::array<UnitDescription, 36> units = [] {
        std::array<UnitDescription, 36> list;
        for (int k = 1; k <= 36; ++k) {
            UnitDescription timer =
                DescribeUnit(UnitKind::Timer, kTimerNames[k - 1], static_cast<std::uint32_t>(k));
            if (k == static_cast<int>(fireworks::kTrimTimer)) {
                timer.interval = 10000;
                timer.events = kTrimEvents;
            } else {
                timer.events = kFrameEvents;
            }
            list[k - 1] = timer;
        }
        return list;
    }();
    runtime::FormDescription form =
        runtime::DescribeForm(kFireworksPageId, "爱的烟花", "爱的烟花", 50, 50, 640, 480);
    form.events = kFireworksFormEvents;
    form.units = units;
    return form;
}

// ---- words page -------------------------------------------------------------

constexpr COLORREF kKeyRed = RGB(255, 0, 0);
constexpr EventBinding kWordsFormEvents[] = {
    {EventKind::Created, OnWordsCreated},
    {EventKind::CloseAsked, OnWordsCloseAsked},
    {EventKind::Destroyed, OnWordsDestroyed},
};
constexpr EventBinding kScrollEvents[] = {{EventKind::Tick, OnWordsTick}};

const runtime::FontDescription kPoemFont = {"微软雅黑", -19,   400,           false,
                                            false,      false, GB2312_CHARSET};

const char* const kLabelNames[words::kLabelCount] = {
    "透明标签1",  "透明标签2",  "透明标签3",  "透明标签4",  "透明标签5",
    "透明标签6",  "透明标签7",  "透明标签8",  "透明标签9",  "透明标签10",
    "透明标签11", "透明标签12", "透明标签13", "透明标签14", "透明标签15",
    "透明标签16", "透明标签17", "透明标签18", "透明标签19", "透明标签20",
};
// By label number; labels 6 to 9 stand in reverse order.
constexpr int kLabelTops[words::kLabelCount] = {16,  72,  96,  120, 144, 240, 216, 192, 168, 264,
                                                288, 312, 336, 408, 432, 456, 480, 504, 528, 552};

int LabelLeft(int n) {
    return (n <= 5 || (n >= 10 && n <= 13)) ? 113 : 112;
}

runtime::FormDescription MakeWordsForm() {
    static std::array<UnitDescription, 2 + words::kLabelCount> units = [] {
        std::array<UnitDescription, 2 + words::kLabelCount> list;
        UnitDescription timer = DescribeUnit(UnitKind::Timer, "时钟1", words::kScrollTimer);
        timer.interval = 100;
        timer.events = kScrollEvents;
        list[0] = timer;
        UnitDescription panel = DescribeUnit(UnitKind::DrawingPanel, "画板1", words::kPanel, 375,
                                             words::kPanelTop, 616, words::kPanelHeight);
        panel.backColour = kKeyRed;
        list[1] = panel;
        for (int n = 1; n <= words::kLabelCount; ++n) {
            UnitDescription label =
                DescribeUnit(UnitKind::TransparentLabel, kLabelNames[n - 1],
                             words::kFirstLabel + static_cast<std::uint32_t>(n) - 1, LabelLeft(n),
                             kLabelTops[n - 1], 416, 32);
            label.parent = words::kPanel;
            label.caption = content::PoemLabelText(n);
            label.textColour = RGB(255, 128, 128);
            label.font = &kPoemFont;
            list[1 + n] = label;
        }
        return list;
    }();
    runtime::FormDescription form =
        runtime::DescribeForm(kWordsPageId, "想说的话", "想说的话", 50, 50, 1366, 768);
    form.backColour = kKeyRed;
    form.events = kWordsFormEvents;
    form.units = units;
    return form;
}

}  // namespace

const runtime::FormDescription& RosePageForm() {
    static const runtime::FormDescription form = MakeRoseForm();
    return form;
}

const runtime::FormDescription& FireworksPageForm() {
    static const runtime::FormDescription form = MakeFireworksForm();
    return form;
}

const runtime::FormDescription& WordsPageForm() {
    static const runtime::FormDescription form = MakeWordsForm();
    return form;
}

}  // namespace gift
