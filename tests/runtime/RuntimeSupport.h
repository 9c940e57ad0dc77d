#pragma once
// Helpers for the runtime's tests: a fixture that starts and ends the runtime,
// a message pump with a deadline, and encoders for test pictures.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/Clock.h"
#include "runtime/Form.h"
#include "runtime/Program.h"

class RuntimeTest : public ::testing::Test {
protected:
    void SetUp() override { runtime::InitRuntime(); }
    void TearDown() override {
        runtime::Quit();
        runtime::SetClock(nullptr);
    }
};

// A 100 x 80 form holding one 64 x 48 blue drawing panel (id 1) at its origin.
class PanelTest : public RuntimeTest {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        static const runtime::UnitDescription units[] = {
            {.kind = runtime::UnitKind::DrawingPanel,
             .name = "画板1",
             .id = 1,
             .left = 0,
             .top = 0,
             .width = 64,
             .height = 48,
             .backColour = RGB(0, 0, 255)},
        };
        static const runtime::FormDescription panelForm{
            .id = 20, .width = 100, .height = 80, .units = units};
        form = runtime::LoadForm(panelForm);
        panel = runtime::FindUnit(form, 1);
    }
    runtime::UnitRef form, panel;
};

// Dispatches messages until `done` holds or `timeoutMs` has passed.
template <typename Predicate>
bool PumpUntil(Predicate done, DWORD timeoutMs = 3000) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return true;
}

inline void PumpFor(DWORD ms) {
    DWORD start = GetTickCount();
    PumpUntil([&] { return GetTickCount() - start >= ms; }, ms + 1000);
}

struct GifFrame {
    std::vector<std::uint8_t> indices;  // width * height palette indices
    unsigned delayCentiseconds = 10;
};

// An animated GIF with a 256-entry global palette (0x00RRGGBB entries) and an
// optional transparent index.
std::vector<unsigned char> MakeGif(int width, int height, const std::vector<std::uint32_t>& palette,
                                   const std::vector<GifFrame>& frames, int transparentIndex = -1);

// Encodes 0xAARRGGBB pixels through GDI+: "png", "jpeg", "bmp" or "gif".
std::vector<unsigned char> EncodeWithGdiplus(int width, int height,
                                             const std::vector<std::uint32_t>& pixels,
                                             const char* format);

// A fresh empty folder under the temporary directory, removed by the caller.
std::wstring MakeTempFolder();
void RemoveFolder(const std::wstring& folder);
