#pragma once
// The size of a picture of 32-bit pixels, computed in 64 bits and checked
// against one limit. In a 32-bit process width * height * 4 wraps in SIZE_T
// (32768 x 32768 gives 0), and a buffer allocated from a wrapped count is then
// overrun row by row: every place that sizes pixels asks here first.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

// 256 million pixels: its byte count (1 GiB) fits a 32-bit SIZE_T and an
// INT, so strides and sizes derived from an accepted picture cannot wrap. A
// 32-bit process rarely finds that much in one piece anyway; a picture
// within the limit can still fail to allocate, and is then drawn as nothing.
inline constexpr std::uint64_t kMaxPicturePixels = std::uint64_t{1} << 28;

// width * height, or 0 when a side is not positive or the picture is past
// the limit.
inline std::size_t PixelCount(long long width, long long height) {
    if (width <= 0 || height <= 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) return 0;
    const std::uint64_t count =
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    if (count > kMaxPicturePixels) return 0;
    return static_cast<std::size_t>(count);
}

// The same in bytes of 4-byte pixels (0 when refused).
inline std::size_t PixelBytes(long long width, long long height) {
    return PixelCount(width, height) * 4;
}

// Room for a picture's pixels that reports failure rather than throwing:
// null when the size is refused or memory is short.
inline std::unique_ptr<std::uint32_t[]> AllocatePixels(long long width, long long height) {
    const std::size_t count = PixelCount(width, height);
    if (count == 0) return nullptr;
    return std::unique_ptr<std::uint32_t[]>(new (std::nothrow) std::uint32_t[count]);
}
