#pragma once
// How the rose page ends the program: a delay of thirty ticks, the flower
// rain, then the countdown line and the end. Also the fireworks page's
// working-set trim.
#include <windows.h>

#include <string>

#include "runtime/Form.h"

namespace gift {

// Program-wide, 0 at start and never reset: a second opening of the rose page
// keeps counting.
struct Counters {
    int delayTicks = 0;  // ticks of the rose page's delay timer
    int countdown = 0;   // the number the countdown line shows
};
Counters& ProgramCounters();

// Rose page 时钟2, every second once the show has started it.
int OnDelayTick(const runtime::Event& event);
// Rose page 时钟1, every 100 ms once the rain is over.
int OnCountdownTick(const runtime::Event& event);
// Fireworks page 时钟36, every ten seconds.
int OnTrimTick(const runtime::Event& event);

// Where a rain picture falls: inside (0..width − 110, 0..height − 110), the
// margin in units at `dpi`, the screen and the answer in device pixels.
POINT RainSpot(int screenWidth, int screenHeight, UINT dpi = 96);

// The countdown line's text for `n` seconds (GBK).
std::string CountdownText(int n);

// What ends the program when the countdown runs out: runtime::EndProgram
// unless a test puts something else in its place (nullptr restores it).
using ProgramEnd = void (*)(int code);
void SetProgramEnd(ProgramEnd end);

}  // namespace gift
