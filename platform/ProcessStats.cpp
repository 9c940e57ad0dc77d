#include "platform/ProcessStats.h"

#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdint>

namespace procstats {
namespace {

bool UnderWine() {
    static const bool wine = [] {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
}

// Committed private pages of the whole address space.
std::size_t CommittedPrivateBytes() {
    std::size_t total = 0;
    MEMORY_BASIC_INFORMATION region;
    const char* at = nullptr;
    while (VirtualQuery(at, &region, sizeof region) == sizeof region) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= at) break;
        at = next;
    }
    return total;
}

// Wine's GDI handle table, as measured by creating and deleting objects: 0x10000
// entries of 24 bytes — the object's address (8), the owner (4, left 0 because
// the table belongs to this process alone), the handle's upper word (2), the
// type (1, 0 once deleted), flags (1), a user-side pointer (8). The fields are
// fixed-width, so 32-bit processes are assumed to use the same layout.
struct GdiEntry {
    std::uint64_t object;
    std::uint16_t ownerProcess;
    std::uint16_t ownerCount;
    std::uint16_t upper;
    std::uint8_t type;
    std::uint8_t flags;
    std::uint64_t userPointer;
};
static_assert(sizeof(GdiEntry) == 24);
constexpr std::size_t kGdiEntries = 0x10000;
constexpr std::uint16_t kStockBit = 0x80;  // handle bit 0x00800000

// The process environment block through ntdll: NtCurrentTeb trips GCC's
// array-bounds check when optimised.
const char* ProcessEnvironmentBlock() {
    using Query = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION info{};
    if (!query ||
        query(GetCurrentProcess(), ProcessBasicInformation, &info, sizeof info, nullptr) != 0)
        return nullptr;
    return reinterpret_cast<const char*>(info.PebBaseAddress);
}

const GdiEntry* GdiTable() {
#ifdef _WIN64
    constexpr std::size_t kTableField = 0xF8;
#else
    constexpr std::size_t kTableField = 0x94;
#endif
    const char* peb = ProcessEnvironmentBlock();
    return peb ? *reinterpret_cast<const GdiEntry* const*>(peb + kTableField) : nullptr;
}

int CountGdiTable() {
    const GdiEntry* table = GdiTable();
    if (!table) return 0;
    // Read only what is committed, should the table be shorter than expected.
    MEMORY_BASIC_INFORMATION region;
    if (VirtualQuery(table, &region, sizeof region) != sizeof region || region.State != MEM_COMMIT)
        return 0;
    const std::size_t readable =
        static_cast<std::size_t>(static_cast<const char*>(region.BaseAddress) + region.RegionSize -
                                 reinterpret_cast<const char*>(table));
    const std::size_t entries = std::min(kGdiEntries, readable / sizeof(GdiEntry));
    const std::uint16_t self = static_cast<std::uint16_t>(GetCurrentProcessId());
    int live = 0;
    for (std::size_t i = 0; i < entries; ++i) {
        const GdiEntry& entry = table[i];
        if (entry.type == 0 || (entry.upper & kStockBit)) continue;
        if (entry.ownerProcess != 0 && entry.ownerProcess != self) continue;
        ++live;
    }
    return live;
}

struct WindowCount {
    DWORD process = GetCurrentProcessId();
    int windows = 0;
};

BOOL CALLBACK CountChild(HWND, LPARAM param) {
    ++reinterpret_cast<WindowCount*>(param)->windows;
    return TRUE;
}

void CountTree(HWND window, WindowCount& count) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != count.process) return;
    ++count.windows;
    EnumChildWindows(window, CountChild, reinterpret_cast<LPARAM>(&count));  // all descendants
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM param) {
    CountTree(window, *reinterpret_cast<WindowCount*>(param));
    return TRUE;
}

int CountWindows() {
    WindowCount count;
    EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&count));
    for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window;
         window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr))
        CountTree(window, count);
    return count.windows;
}

}  // namespace

std::size_t PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(GetCurrentProcess(),
                             reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof counters) &&
        counters.PrivateUsage != 0)
        return counters.PrivateUsage;
    return CommittedPrivateBytes();
}

std::size_t PeakWorkingSet() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return counters.PeakWorkingSetSize;
}

bool CountedDirectly() {
    return UnderWine() && GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS) == 0;
}

int GdiObjects() {
    const DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (reported != 0 || !UnderWine()) return static_cast<int>(reported);
    return CountGdiTable();
}

int UserObjects() {
    const DWORD reported = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    if (reported != 0 || !UnderWine()) return static_cast<int>(reported);
    return CountWindows();
}

Snapshot Take() {
    Snapshot snapshot;
    snapshot.privateBytes = PrivateBytes();
    snapshot.peakWorkingSet = PeakWorkingSet();
    snapshot.gdiObjects = GdiObjects();
    snapshot.userObjects = UserObjects();
    return snapshot;
}

}  // namespace procstats
