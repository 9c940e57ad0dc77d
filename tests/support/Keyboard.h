#pragma once
// The keyboard state and the clipboard as tests set them: modifier keys as
// GetKeyState sees them, and Unicode text on the clipboard.
#include <windows.h>

#include <cstring>
#include <initializer_list>
#include <string>

namespace testkeys {

// Exactly these keys held (Ctrl and Shift, left or right); all others up.
inline void HoldKeys(std::initializer_list<int> keys) {
    BYTE state[256];
    GetKeyboardState(state);
    for (int key : {VK_CONTROL, VK_LCONTROL, VK_RCONTROL, VK_SHIFT, VK_LSHIFT, VK_RSHIFT})
        state[key] = 0;
    for (int key : keys) state[key] = 0x80;
    SetKeyboardState(state);
}

// False when the clipboard could not be opened or took nothing.
inline bool PutOnClipboard(const std::wstring& text) {
    if (!OpenClipboard(nullptr)) return false;
    EmptyClipboard();
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    bool placed = false;
    if (block) {
        std::memcpy(GlobalLock(block), text.c_str(), bytes);
        GlobalUnlock(block);
        placed = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
        if (!placed) GlobalFree(block);
    }
    CloseClipboard();
    return placed;
}

inline std::wstring ClipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

inline void EmptyTheClipboard() {
    if (!OpenClipboard(nullptr)) return;
    EmptyClipboard();
    CloseClipboard();
}

}  // namespace testkeys
