#include "runtime/FrameClock.h"

#include <algorithm>
#include <vector>

#include "runtime/Clock.h"

namespace runtime::detail {

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr const wchar_t* kClassName = L"Runtime_FrameClock";

struct Entry {
    FrameClock::Client* client;
    std::uint32_t due;
};

// The clock's state; one user-interface thread uses it.
struct State {
    std::vector<Entry> entries;
    HWND window = nullptr;
    bool running = false;        // the window timer is set
    UINT period = 0;             // its interval
    std::uint32_t armedFor = 0;  // the due time it was last armed for
};
State state;

// True when `a` is not later than `b` (tick counts wrap).
bool NotLater(std::uint32_t a, std::uint32_t b) {
    return static_cast<std::int32_t>(a - b) <= 0;
}

LRESULT CALLBACK ClockWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TIMER && wParam == kTimerId) {
        FrameClock::Tick();
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND MakeWindow() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (!GetClassInfoExW(instance, kClassName, &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = ClockWindowProc;
        wc.hInstance = instance;
        wc.lpszClassName = kClassName;
        RegisterClassExW(&wc);
    }
    return CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                           nullptr);
}

// Arms the timer for the earliest due frame, or lets the window go when no
// client is left. `fired`: the timer has just fired, so a running timer
// fires again one period from now.
void Rearm(bool fired) {
    if (state.entries.empty()) {
        if (state.window) DestroyWindow(state.window);  // its timer goes with it
        state.window = nullptr;
        state.running = false;
        return;
    }
    std::uint32_t earliest = state.entries.front().due;
    for (const Entry& e : state.entries)
        if (NotLater(e.due, earliest)) earliest = e.due;
    if (!fired && state.running && state.armedFor == earliest) return;
    if (!state.window) state.window = MakeWindow();
    if (!state.window) return;
    const std::uint32_t now = CurrentClock().Ticks();
    const UINT wait =
        std::max<UINT>(NotLater(earliest, now) ? 0 : earliest - now, USER_TIMER_MINIMUM);
    state.armedFor = earliest;
    // Just fired with the wanted period, the timer needs no new SetTimer (a
    // server round trip under Wine).
    if (fired && state.running && state.period == wait) return;
    SetTimer(state.window, kTimerId, wait, nullptr);
    state.running = true;
    state.period = wait;
}

Entry* Find(const FrameClock::Client& client) {
    for (Entry& e : state.entries)
        if (e.client == &client) return &e;
    return nullptr;
}

}  // namespace

void FrameClock::Start(Client& client, unsigned delayMs) {
    if (Find(client)) return;
    state.entries.push_back({&client, CurrentClock().Ticks() + delayMs});
    Rearm(false);
}

void FrameClock::Stop(Client& client) {
    auto it = std::find_if(state.entries.begin(), state.entries.end(),
                           [&](const Entry& e) { return e.client == &client; });
    if (it == state.entries.end()) return;
    state.entries.erase(it);
    Rearm(false);
}

bool FrameClock::Running(const Client& client) {
    return Find(client) != nullptr;
}

std::size_t FrameClock::ClientCount() {
    return state.entries.size();
}

HWND FrameClock::Window() {
    return state.window;
}

void FrameClock::Tick() {
    const std::uint32_t now = CurrentClock().Ticks();
    std::vector<Client*> due;
    for (const Entry& e : state.entries)
        if (NotLater(e.due, now + kSlackMs)) due.push_back(e.client);
    for (Client* client : due) {
        // A step may not take another client off, but stay safe if one does.
        Entry* e = Find(*client);
        if (!e) continue;
        const unsigned delay = client->Step();
        e = Find(*client);
        if (!e) continue;
        e->due += delay;
        if (NotLater(e->due, now)) e->due = now + delay;
    }
    Rearm(true);
}

}  // namespace runtime::detail
