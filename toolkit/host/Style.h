#pragma once
// Style bits of a native window. Changes are made only when the bits differ,
// so repeated calls change nothing.
#include <windows.h>

// `extended` picks GWL_EXSTYLE instead of GWL_STYLE.
void AddStyle(HWND window, DWORD bits, bool extended);
void RemoveStyle(HWND window, DWORD bits, bool extended);
bool HasStyle(HWND window, DWORD bits, bool extended);
