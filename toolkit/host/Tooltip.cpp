// The native side of the host window: the sizing border and the one tooltip
// that shows the hint of the element under the mouse.
#include <windows.h>
#include <commctrl.h>

#include "toolkit/controls/Element.h"
#include "toolkit/host/Style.h"
#include "toolkit/host/UIHost.h"

namespace {

// The tool record as the tooltip messages take it: the 44-byte TOOLINFOA
// without the reserved pointer of later versions.
LRESULT SendTool(HWND tooltip, UINT message, TTTOOLINFOA& info) {
    if (!tooltip) return 0;
    return SendMessageA(tooltip, message, 0, reinterpret_cast<LPARAM>(&info));
}

}  // namespace

int UIHost::Resizable(std::optional<int> value) {
    if (value) {
        // The border bit only lets the system size the window; the edges the
        // user drags are the host's own bands.
        if (*value)
            AddStyle(hwnd, WS_THICKFRAME, false);
        else
            RemoveStyle(hwnd, WS_THICKFRAME, false);
        resizable = *value;
    }
    return resizable;
}

void UIHost::CreateTooltip() {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX init{sizeof(init), ICC_WIN95_CLASSES};
        return InitCommonControlsEx(&init) != FALSE;
    }();
    (void)registered;
    int creationValue = 0;
    tooltipWnd.reset(CreateWindowExA(0, TOOLTIPS_CLASSA, "",
                                     WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0, 0, 0, nullptr,
                                     nullptr, nullptr, &creationValue));
    if (tooltipWnd)
        SetWindowPos(tooltipWnd.get(), HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    toolInfo = {};
    toolInfo.cbSize = TTTOOLINFOA_V2_SIZE;
    toolInfo.uFlags = TTF_SUBCLASS;
    toolInfo.hwnd = hwnd;
    tooltipText.clear();
    if (tooltipWnd) SendMessageA(tooltipWnd.get(), TTM_SETMAXTIPWIDTH, 0, 1024);
}

void UIHost::DestroyTooltip() {
    SendTool(tooltipWnd.get(), TTM_DELTOOLA, toolInfo);
    tooltipWnd.reset();
    toolInfo = {};
    tooltipText.clear();
}

void UIHost::UpdateTooltip(Element* element, std::optional<std::string> text) {
    if (!element || !tooltipWnd) return;
    SendTool(tooltipWnd.get(), TTM_DELTOOLA, toolInfo);
    const std::string& shown = text ? *text : element->hint;
    // Without a text the window keeps no tool, so no tooltip shows.
    if (shown.empty()) return;
    SendTool(tooltipWnd.get(), TTM_ADDTOOLA, toolInfo);
    // The tool's area is the element's, in the window's device pixels.
    const RectF& r = element->rect;
    if (scale.IsOne()) {
        toolInfo.rect.left = static_cast<LONG>(r.X);
        toolInfo.rect.top = static_cast<LONG>(r.Y);
        toolInfo.rect.right = static_cast<LONG>(r.X + r.Width);
        toolInfo.rect.bottom = static_cast<LONG>(r.Y + r.Height);
    } else {
        toolInfo.rect = scale.Edges(r);
    }
    tooltipText = shown;
    toolInfo.lpszText = tooltipText.data();
    SendTool(tooltipWnd.get(), TTM_NEWTOOLRECTA, toolInfo);
    SendTool(tooltipWnd.get(), TTM_UPDATETIPTEXTA, toolInfo);
}
