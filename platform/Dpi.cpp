#include "platform/Dpi.h"

namespace dpi {

namespace {

// Declared here: MinGW's headers may not have them, and Windows 7 lacks them.
using DpiAwarenessContext = HANDLE;
using SetContextFn = BOOL(WINAPI*)(DpiAwarenessContext);
using SetAwarenessFn = HRESULT(WINAPI*)(int);
using GetDpiForSystemFn = UINT(WINAPI*)();
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

const auto kPerMonitorV2 = reinterpret_cast<DpiAwarenessContext>(static_cast<INT_PTR>(-4));
const auto kPerMonitor = reinterpret_cast<DpiAwarenessContext>(static_cast<INT_PTR>(-3));
constexpr int kProcessPerMonitorAware = 2;
constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

template <typename Fn>
Fn Lookup(const wchar_t* module, const char* name) {
    HMODULE m = GetModuleHandleW(module);
    if (!m) m = LoadLibraryW(module);  // shcore: kept loaded for the process's life
    return m ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m, name))) : nullptr;
}

struct Functions {
    SetContextFn setContext = Lookup<SetContextFn>(L"user32.dll", "SetProcessDpiAwarenessContext");
    SetAwarenessFn setAwareness = Lookup<SetAwarenessFn>(L"shcore.dll", "SetProcessDpiAwareness");
    GetDpiForSystemFn forSystem = Lookup<GetDpiForSystemFn>(L"user32.dll", "GetDpiForSystem");
    GetDpiForWindowFn forWindow = Lookup<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
    GetDpiForMonitorFn forMonitor = Lookup<GetDpiForMonitorFn>(L"shcore.dll", "GetDpiForMonitor");
    AdjustForDpiFn adjust = Lookup<AdjustForDpiFn>(L"user32.dll", "AdjustWindowRectExForDpi");
};

const Functions& Fns() {
    static const Functions f;
    return f;
}

}  // namespace

void BecomeAware() {
    const Functions& f = Fns();
    if (f.setContext && (f.setContext(kPerMonitorV2) || f.setContext(kPerMonitor))) return;
    if (f.setAwareness && SUCCEEDED(f.setAwareness(kProcessPerMonitorAware))) return;
    SetProcessDPIAware();
}

UINT ForSystem() {
    if (const auto fn = Fns().forSystem) {
        if (const UINT d = fn()) return d;
    }
    HDC screen = GetDC(nullptr);
    const int d = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return d > 0 ? static_cast<UINT>(d) : kBase;
}

UINT ForWindow(HWND window) {
    if (!window || !IsWindow(window)) return ForSystem();
    if (const auto fn = Fns().forWindow) {
        if (const UINT d = fn(window)) return d;
    }
    return ForMonitor(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST));
}

UINT ForMonitor(HMONITOR monitor) {
    UINT x = 0, y = 0;
    if (const auto fn = Fns().forMonitor; fn && monitor) {
        if (SUCCEEDED(fn(monitor, kEffectiveDpi, &x, &y)) && x) return x;
    }
    return ForSystem();
}

BOOL AdjustWindowRect(RECT* rect, DWORD style, BOOL menu, DWORD exStyle, UINT dpi) {
    if (const auto fn = Fns().adjust) return fn(rect, style, menu, exStyle, dpi);
    return AdjustWindowRectEx(rect, style, menu, exStyle);
}

}  // namespace dpi
