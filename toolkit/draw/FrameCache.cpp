#include "toolkit/draw/FrameCache.h"

#include <cstdlib>
#include <cstring>

namespace {

// The bits of a 32-bit DIB section of the given size; null for anything else.
std::uint32_t* DibBits(HBITMAP bitmap, int width, int height) {
    DIBSECTION section{};
    if (!bitmap || GetObjectA(bitmap, sizeof(section), &section) != sizeof(section)) return nullptr;
    const BITMAP& b = section.dsBm;
    if (b.bmBitsPixel != 32 || b.bmWidth != width || std::abs(b.bmHeight) != height) return nullptr;
    return static_cast<std::uint32_t*>(b.bmBits);
}

}  // namespace

std::uint64_t HashBytes(ByteBlock bytes) {
    if (bytes.empty()) return 0;
    const auto* p = bytes.data;
    std::size_t n = bytes.size;
    std::uint64_t h = 0xCBF29CE484222325ull ^ n;
    for (; n >= 8; n -= 8, p += 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        h = (h ^ word) * 0x100000001B3ull;
        h ^= h >> 29;
    }
    for (; n > 0; --n, ++p) h = (h ^ *p) * 0x100000001B3ull;
    return h;
}

bool FrameCache::Restore(const FrameKey& key, HBITMAP target) const {
    if (pixels_.empty() || !(key == key_)) return false;
    std::uint32_t* bits = DibBits(target, key.width, key.height);
    if (!bits) return false;
    GdiFlush();  // nothing GDI still owes the buffer may land on the copied frame
    std::memcpy(bits, pixels_.data(), pixels_.size() * sizeof(std::uint32_t));
    return true;
}

void FrameCache::Store(const FrameKey& key, HBITMAP source) {
    Clear();
    const std::uint32_t* bits = DibBits(source, key.width, key.height);
    if (!bits) return;
    GdiFlush();
    pixels_.assign(bits, bits + static_cast<std::size_t>(key.width) * key.height);
    key_ = key;
}

void FrameCache::Clear() {
    pixels_.clear();
    pixels_.shrink_to_fit();
    key_ = FrameKey{};
}
