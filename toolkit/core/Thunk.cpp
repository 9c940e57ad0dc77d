#include "toolkit/core/Thunk.h"

#include <cstdint>
#include <cstring>

void* AllocExecutable(std::size_t bytes) {
    // Written while read-write, then made read-execute by the thunk builder:
    // no page of the program is writable and executable at once.
    return VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

void FreeExecutable(void* address) {
    if (address) VirtualFree(address, 0, MEM_RELEASE);
}

WNDPROC MakeWndProcThunk(void* objectRef, ThunkTarget method) {
    const auto methodAddress = reinterpret_cast<std::uintptr_t>(method);
    const auto objectAddress = reinterpret_cast<std::uintptr_t>(objectRef);
#if defined(_M_IX86) || defined(__i386__)
    // call +4; dd method; pop ecx; mov dword [esp+4], objectRef; jmp dword [ecx]
    constexpr std::size_t kSize = 20;
    auto* block = static_cast<unsigned char*>(AllocExecutable(kSize));
    if (!block) return nullptr;
    const std::uint32_t skip = 4;
    block[0] = 0xE8;
    std::memcpy(block + 1, &skip, 4);
    std::memcpy(block + 5, &methodAddress, 4);
    block[9] = 0x59;
    const unsigned char store[4] = {0xC7, 0x44, 0x24, 0x04};
    std::memcpy(block + 10, store, 4);
    std::memcpy(block + 14, &objectAddress, 4);
    block[18] = 0xFF;
    block[19] = 0x21;
#else
    // The first argument travels in rcx: mov rcx, objectRef; mov rax, method; jmp rax
    constexpr std::size_t kSize = 22;
    auto* block = static_cast<unsigned char*>(AllocExecutable(kSize));
    if (!block) return nullptr;
    block[0] = 0x48;
    block[1] = 0xB9;
    std::memcpy(block + 2, &objectAddress, 8);
    block[10] = 0x48;
    block[11] = 0xB8;
    std::memcpy(block + 12, &methodAddress, 8);
    block[20] = 0xFF;
    block[21] = 0xE0;
#endif
    DWORD old = 0;
    VirtualProtect(block, kSize, PAGE_EXECUTE_READ, &old);
    FlushInstructionCache(GetCurrentProcess(), block, kSize);
    return reinterpret_cast<WNDPROC>(block);
}
