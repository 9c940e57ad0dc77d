#include "toolkit/host/Style.h"

namespace {

int StyleIndex(bool extended) {
    return extended ? GWL_EXSTYLE : GWL_STYLE;
}

}  // namespace

void AddStyle(HWND window, DWORD bits, bool extended) {
    const LONG value = GetWindowLongA(window, StyleIndex(extended));
    if ((static_cast<DWORD>(value) & bits) == 0)
        SetWindowLongA(window, StyleIndex(extended), static_cast<LONG>(value | bits));
}

void RemoveStyle(HWND window, DWORD bits, bool extended) {
    const LONG value = GetWindowLongA(window, StyleIndex(extended));
    if ((static_cast<DWORD>(value) & bits) != 0)
        SetWindowLongA(window, StyleIndex(extended), static_cast<LONG>(value & ~bits));
}

bool HasStyle(HWND window, DWORD bits, bool extended) {
    return (static_cast<DWORD>(GetWindowLongA(window, StyleIndex(extended))) & bits) != 0;
}
