#include "app/Startup.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cfloat>

#include "toolkit/core/Toolkit.h"

unsigned long ApplicationGdiplusToken = 0;

namespace {

bool globalsAlive = false;

void CreateGlobals() {
    globalsAlive = true;
}

void FirstApplicationModule() {}

void SecondApplicationModule() {
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    ApplicationGdiplusToken = static_cast<unsigned long>(token);
}

void ToolkitHook() {}
void EmptyModule() {}
void LastApplicationModule() {}

LRESULT CALLBACK StartWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND OpenStartWindow() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = StartWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = L"GiftStartWindow";
    RegisterClassExW(&wc);
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, ToWide("七夕").c_str(), WS_OVERLAPPEDWINDOW,
                                50, 50, 486, 342, nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    return hwnd;
}

}  // namespace

void TeardownGlobals() {
    if (!globalsAlive) return;
    globalsAlive = false;
}

int RunGift() {
    _fpreset();
    _controlfp(_CW_DEFAULT, 0xFFFFF);
    CreateGlobals();
    FirstApplicationModule();
    SecondApplicationModule();
    StartToolkit();
    ToolkitHook();
    EmptyModule();
    EmptyModule();
    LastApplicationModule();
    OpenStartWindow();
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    TeardownGlobals();
    return 0;
}
