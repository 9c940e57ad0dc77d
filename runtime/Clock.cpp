#include "runtime/Clock.h"

#include <windows.h>

namespace runtime {

namespace {

class SystemClock : public Clock {
public:
    std::uint32_t Ticks() override { return GetTickCount(); }
    void Wait(std::uint32_t ms) override { ::Sleep(ms); }
};

SystemClock systemClock;
Clock* current = &systemClock;

}  // namespace

Clock& CurrentClock() {
    return *current;
}

void SetClock(Clock* clock) {
    current = clock ? clock : &systemClock;
}

}  // namespace runtime
