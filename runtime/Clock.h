#pragma once
// The one clock of the runtime: every pause and every reading of the tick
// count goes through it, so tests can replace it and run minutes of pauses in
// milliseconds.
#include <cstdint>

namespace runtime {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds, like GetTickCount.
    virtual std::uint32_t Ticks() = 0;
    // Blocks the calling thread for about `ms` milliseconds (a short slice).
    virtual void Wait(std::uint32_t ms) = 0;
};

// The system clock unless a test has installed another.
Clock& CurrentClock();

// Installs `clock` (not owned); nullptr restores the system clock.
void SetClock(Clock* clock);

// A clock that never waits: Wait advances its own time. For tests.
class ManualClock : public Clock {
public:
    explicit ManualClock(std::uint32_t start = 1000) : now_(start) {}
    std::uint32_t Ticks() override { return now_; }
    void Wait(std::uint32_t ms) override {
        now_ += ms;
        waited_ += ms;
    }
    void Advance(std::uint32_t ms) { now_ += ms; }
    std::uint64_t Waited() const { return waited_; }

private:
    std::uint32_t now_;
    std::uint64_t waited_ = 0;
};

}  // namespace runtime
