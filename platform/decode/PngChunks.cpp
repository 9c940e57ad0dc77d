#include "platform/decode/PngChunks.h"

#include <cstdint>
#include <cstring>

namespace decode {

namespace {

std::uint32_t BigEndian32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

}  // namespace

bool PngLacksChunks(const void* data, std::size_t size, std::initializer_list<const char*> types) {
    static constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (!bytes || size < 8 || std::memcmp(bytes, kSignature, 8) != 0) return false;
    for (std::size_t at = 8; size - at >= 12;) {
        const std::uint32_t length = BigEndian32(bytes + at);
        const unsigned char* type = bytes + at + 4;
        if (std::memcmp(type, "IDAT", 4) == 0) return true;
        for (const char* other : types)
            if (std::memcmp(type, other, 4) == 0) return false;
        if (length > size - at - 12) return false;
        at += 12 + static_cast<std::size_t>(length);
    }
    return false;
}

bool PngColoursNeedSystem(const void* data, std::size_t size) {
    return !PngLacksChunks(data, size, {"gAMA", "cHRM", "sRGB", "iCCP"});
}

}  // namespace decode
