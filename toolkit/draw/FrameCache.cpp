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
