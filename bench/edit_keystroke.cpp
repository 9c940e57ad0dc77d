// One keystroke in the letter box: a multi-line 416 x 184 edit box holding a
// letter of about 900 characters in 44 lines. Times typing one character
// (the window message through InsertText, the repaint and the presentation)
// and one caret move. Goal: at most 5 ms each.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "toolkit/core/Toolkit.h"
#include "toolkit/host/UIHost.h"
#include "toolkit/text/EditBox.h"

namespace {

constexpr int kRounds = 200;

// 44 lines of about 20 characters: 900 characters, as the letters are.
std::string Letter() {
    const char* const phrases[] = {
        "七夕的夜晚，星河璀璨，", "想起我们一起走过的路，", "每一步都有你的笑容，",
        "风吹过桥头的灯笼，",     "我把心事写进这封信，",   "愿你读到时嘴角上扬，",
        "一年又一年，我们相守，", "Dear, my star, 晚安。",  "银河再远也隔不断思念，",
        "今夜月色真美，晚安。",   "花开的时候你就来了，",
    };
    std::string text;
    for (int i = 0; i < 44; ++i) {
        if (i) text += "\r\n";
        text += phrases[i % 11];
        text += phrases[(i + 3) % 11];
    }
    return text;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

void Report(const char* what, std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    std::printf("%-28s median %.3f ms  min %.3f ms  max %.3f ms  (%zu rounds)\n", what,
                samples[samples.size() / 2], samples.front(), samples.back(), samples.size());
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

}  // namespace

int main() {
    StartToolkit();
    HWND window = CreateWindowExA(0, "Yn_DirectUI", "edit keystroke", WS_POPUP, 100, 100, 486, 260,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    UIHost host;
    host.Attach(window, {.captionFlags = 0});
    ShowWindow(window, SW_SHOWNORMAL);
    Pump();

    EditBox box;
    const std::string letter = Letter();
    box.CreateEditBox(window, 35, 40, 416, 184, {.text = letter, .multiLine = 1});
    host.SetFocusElement(&box);
    std::printf("letter: %d characters in %d lines\n", CharCount(letter), box.lines.LineCount());

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> typing, moving;
    for (int round = 0; round < kRounds; ++round) {
        box.caretLine = box.anchorLine = 20;
        box.caretColumn = box.anchorColumn = 10;
        QueryPerformanceCounter(&start);
        SendMessageA(window, WM_CHAR, 'a', 0);
        QueryPerformanceCounter(&end);
        typing.push_back(Milliseconds(start, end, frequency));
        SendMessageA(window, WM_KEYDOWN, VK_BACK, 0);  // back to the same letter

        QueryPerformanceCounter(&start);
        SendMessageA(window, WM_KEYDOWN, (round & 1) ? VK_LEFT : VK_RIGHT, 0);
        QueryPerformanceCounter(&end);
        moving.push_back(Milliseconds(start, end, frequency));
        Pump();
    }
    Report("type one character", typing);
    Report("move the caret", moving);
    if (box.Text() != letter) std::printf("warning: the letter changed\n");

    DestroyWindow(window);
    return 0;
}
