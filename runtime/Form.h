#pragma once
// Forms: constant descriptions that become native windows with units on them.
//
// A form description is a constant table written by the application; LoadForm
// turns it into a live top-level window whose units (labels, timers, picture
// boxes, drawing panels, transparent labels) are created from the unit table.
// Live forms and units are named by UnitRef, a serial number that resolves to
// nothing once its target is gone, so a stale reference is harmless.
#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/ByteBlock.h"

#undef LoadForm

namespace runtime {

enum class UnitKind : std::uint8_t {
    Window,  // the form's own top-level window
    Label,
    Timer,
    PictureBox,
    DrawingPanel,
    TransparentLabel,
};

enum class EventKind : std::uint8_t {
    Created,          // form: after its units exist, before it is shown
    Tick,             // timer: every interval while the interval is above 0
    RightButtonDown,  // window, label, picture box, panel: x, y (client), key state
    LeftButtonDown,   // likewise
    Destroyed,        // form: its window is being destroyed
    KeyDown,          // window: a key pressed while it has the focus; x = virtual-key code
    CloseAsked,       // form: asked to close (Alt+F4, the taskbar, WM_CLOSE), before it goes
};

// A live form (its window unit) or unit. The default value names nothing.
struct UnitRef {
    std::uint32_t serial = 0;
    explicit operator bool() const { return serial != 0; }
    bool operator==(const UnitRef&) const = default;
};

struct Event {
    EventKind kind;
    UnitRef form;  // the form's window unit
    UnitRef unit;  // the unit that raised the event (the window unit for form events)
    int x = 0;
    int y = 0;
    int keys = 0;  // MK_ flags
};

// A bound handler; −1 means "not handled".
using EventHandler = int (*)(const Event&);

struct EventBinding {
    EventKind kind;
    EventHandler handler;
};

// A font in LOGFONT terms: height −19 is a character height of 19 pixels.
struct FontDescription {
    const char* face = "";  // GBK
    int height = 0;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint8_t charset = DEFAULT_CHARSET;
};

// Marks a colour that is not given: the unit kind's default is used.
inline constexpr COLORREF kDefaultColour = 0xFFFFFFFFu;

enum class TextAlign : std::uint8_t { Left, Centre, Right };
enum class PictureFit : std::uint8_t { Natural, Centred, Stretched };
enum class FormBorder : std::uint8_t { None, Fixed, Sizable };

struct UnitDescription {
    UnitKind kind = UnitKind::Label;
    const char* name = "";                         // GBK, unique within the form
    std::uint32_t id = 0;                          // unique within the form, not 0
    int left = 0, top = 0, width = 0, height = 0;  // client pixels of the parent
    std::uint32_t parent = 0;  // id of the containing drawing panel; 0: the form's window
    bool visible = true;
    std::span<const EventBinding> events = {};

    // Kind-specific settings; a kind ignores those it has no use for.
    const char* caption = "";               // label, transparent label
    COLORREF textColour = 0;                // label, transparent label
    COLORREF backColour = kDefaultColour;   // label (system face), picture box (white),
                                            // drawing panel (white)
    const FontDescription* font = nullptr;  // label, transparent label (default GUI font)
    TextAlign align = TextAlign::Left;      // label, transparent label
    bool centreVertically = false;          // label, transparent label
    int interval = 0;                       // timer: milliseconds, 0 = stopped
    ByteBlock picture = {};                 // picture box; drawing panel background
    PictureFit fit = PictureFit::Natural;   // picture box
};

struct FormDescription {
    std::uint32_t id = 0;
    const char* name = "";                         // GBK
    const char* caption = "";                      // GBK window title
    int left = 0, top = 0, width = 0, height = 0;  // window rectangle, screen pixels
    bool visible = true;
    FormBorder border = FormBorder::None;
    ByteBlock icon = {};                   // .ico file bytes; the first image is used
    COLORREF backColour = kDefaultColour;  // the system face colour when not given
    bool topMost = false;
    std::span<const EventBinding> events = {};  // Created, RightButtonDown, ...
    std::span<const UnitDescription> units = {};
};

// A unit of `kind` at its place, every kind-specific setting at its default.
constexpr UnitDescription DescribeUnit(UnitKind kind, const char* name, std::uint32_t id,
                                       int left = 0, int top = 0, int width = 0, int height = 0,
                                       bool visible = true) {
    UnitDescription unit;
    unit.kind = kind;
    unit.name = name;
    unit.id = id;
    unit.left = left;
    unit.top = top;
    unit.width = width;
    unit.height = height;
    unit.visible = visible;
    return unit;
}

// A visible form without a border at its place; events and units are added.
constexpr FormDescription DescribeForm(std::uint32_t id, const char* name, const char* caption,
                                       int left, int top, int width, int height) {
    FormDescription form;
    form.id = id;
    form.name = name;
    form.caption = caption;
    form.left = left;
    form.top = top;
    form.width = width;
    form.height = height;
    form.visible = true;
    form.border = FormBorder::None;
    return form;
}

// Creates the form's window and units, raises Created, then shows the window
// when it is visible. With dialogMode the call returns only after the form has
// closed, running a nested message loop meanwhile with the program's other
// windows disabled. Returns the form (resolving to nothing once it has closed).
UnitRef LoadForm(const FormDescription& form, UnitRef parent = {}, bool dialogMode = false);

// Without `immediately` the form is marked closing and message 32869 is posted
// to its window; it closes when a message loop takes that message.
void DestroyForm(UnitRef form, bool immediately = false);

inline constexpr UINT kCloseFormMessage = 32869;  // 0x8065

// Lookups. FindForm gives the most recently loaded live form of that identifier.
UnitRef FindForm(std::uint32_t formId);
UnitRef FindUnit(UnitRef form, std::uint32_t unitId);
UnitRef FindUnit(UnitRef form, std::string_view name);
UnitRef FormOf(UnitRef unit);
bool IsAlive(UnitRef unit);
bool IsClosing(UnitRef form);
UnitKind KindOf(UnitRef unit);
std::uint32_t UnitId(UnitRef unit);

// The native window of a form (its window unit) or of a windowed unit; for a
// transparent label, its container's window. Null for a dead reference.
HWND FormWindowHandle(UnitRef unit);

}  // namespace runtime
