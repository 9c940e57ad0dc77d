#pragma once
// One clock for every animated picture of the user-interface thread. Each
// picture box used to run a window timer of its own, so fifteen boxes meant
// fifteen unrelated wake-ups, each painting one box and each followed by
// Wine's flush of the window's surface to the X server. Here one window timer
// is armed for the earliest frame that falls due; at each tick every client
// whose frame is due (or falls due within one timer tick) steps, so boxes
// that change together are painted in one round and flushed once.
//
// Frames follow a fixed grid: a client's next frame falls due its delay
// after the previous one was due, not after the tick that showed it, so
// clients that started together stay together. A client that fell more than
// a frame behind (the thread was blocked) starts a new grid from now.
// Times come from CurrentClock(), like every other time of the runtime.
#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace runtime::detail {

class FrameClock {
public:
    class Client {
    public:
        // Shows the next frame; returns how long it stays, in milliseconds.
        virtual unsigned Step() = 0;

    protected:
        ~Client() = default;
    };

    // Steps `client` `delayMs` from now, then at each frame's delay; a client
    // already running keeps its schedule.
    static void Start(Client& client, unsigned delayMs);
    // Takes `client` off the clock; the clock's window goes with the last one.
    static void Stop(Client& client);
    static bool Running(const Client& client);
    static std::size_t ClientCount();
    // The message-only window that carries the timer; null while nothing runs.
    static HWND Window();
    // Steps every client that is due now and arms the timer for the next.
    static void Tick();

    // A frame due within this many milliseconds steps with the current tick
    // (the timer could not wake for it any sooner).
    static constexpr std::uint32_t kSlackMs = USER_TIMER_MINIMUM;
};

}  // namespace runtime::detail
