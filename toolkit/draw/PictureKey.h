#pragma once
// What identifies an encoded picture by its content: its length and a 128-bit
// digest of its bytes. The caches of decoded pictures and composed frames key
// on it, so a block refilled in place or a different picture is never served.
#include <cstdint>

#include "platform/ByteBlock.h"

struct PictureKey {
    std::uint32_t size = 0;
    std::uint64_t digest[2] = {0, 0};
    static PictureKey Of(ByteBlock bytes);
    bool operator==(const PictureKey& other) const {
        return size == other.size && digest[0] == other.digest[0] && digest[1] == other.digest[1];
    }
};
