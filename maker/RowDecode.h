#pragma once
// PNG and BMP photographs decoded one row at a time, top-down, into a
// receiver (the RowFitter), so that a huge picture never exists whole in
// memory. Interlaced PNGs and compressed or unusual BMPs need the whole
// picture; for them the caller decodes it whole.
#include <cstddef>
#include <cstdint>
#include <string>

namespace maker {

enum class RowResult { Done, Damaged, NeedsWhole };

struct RowReceiver {
    void (*row)(void* context, int y, const std::uint32_t* pixels);  // 0xAARRGGBB
    void* context;
};

// `width` x `height` is what the header said (already checked for size).
RowResult DecodePngRows(const std::string& file, int width, int height, RowReceiver receiver);
RowResult DecodeBmpRows(const std::string& file, int width, int height, RowReceiver receiver);

}  // namespace maker
