#pragma once
// The keyboard state and the clipboard as tests set them: modifier keys as
// GetKeyState sees them, keys typed as real input, and Unicode text on the
// clipboard.
#include <windows.h>

#include <cstring>
#include <initializer_list>
#include <iterator>
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

// Real input: each key of `keys` pressed in order, then released in reverse
// order (so {VK_MENU, VK_F4} is Alt+F4), through the system's input queue,
// reaching whichever window has the keyboard focus. True when all went in.
inline bool TypeKeys(std::initializer_list<WORD> keys) {
    INPUT inputs[16] = {};
    UINT n = 0;
    for (WORD key : keys) {
        inputs[n].type = INPUT_KEYBOARD;
        inputs[n++].ki.wVk = key;
    }
    for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) {
        inputs[n].type = INPUT_KEYBOARD;
        inputs[n].ki.wVk = *key;
        inputs[n++].ki.dwFlags = KEYEVENTF_KEYUP;
    }
    return SendInput(n, inputs, sizeof(INPUT)) == n;
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
