#pragma once
// A byte block is constant binary data laid out as a 32-bit 1, a 32-bit byte
// count, then the bytes. Its data pointer names the first byte, so the count is
// the word just in front of it. A missing block has a null data pointer.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

struct ByteBlock {
    const unsigned char* data = nullptr;
    std::uint32_t size = 0;

    ByteBlock() = default;
    ByteBlock(const void* bytes, std::uint32_t count)
        : data(static_cast<const unsigned char*>(bytes)), size(count) {}

    // Reads the count from the word in front of an embedded block's data.
    static ByteBlock FromDataPointer(const void* dataPointer) {
        if (!dataPointer) return {};
        // Through an integer: the count lies before the symbol the compiler knows.
        const auto header = reinterpret_cast<std::uintptr_t>(dataPointer) - 4;
        std::uint32_t count;
        std::memcpy(&count, reinterpret_cast<const void*>(header), 4);
        return ByteBlock(dataPointer, count);
    }

    bool empty() const { return size == 0 || data == nullptr; }
    const unsigned char* begin() const { return data; }
    const unsigned char* end() const { return data + size; }
    std::string_view view() const {
        return {reinterpret_cast<const char*>(data), empty() ? 0u : size};
    }
};
