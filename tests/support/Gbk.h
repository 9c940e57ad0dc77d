#pragma once
// Whether a text is well-formed GBK as the toolkit holds it: single bytes
// below 0x80, pairs of a lead byte 0x81..0xFE and a trail byte 0x40..0xFE
// other than 0x7F. No NUL inside, no half character at the end; 0x80 (code
// page 936's lone euro byte) is no character here, since the toolkit takes
// every byte above 0x7F for the first half of a pair.
#include <cstddef>
#include <string_view>

namespace gbk {

// The offset of the first byte that breaks the rules; npos when none does.
inline std::size_t FirstMalformed(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == 0 || c == 0x80 || c == 0xFF) return i;
        if (c < 0x80) continue;
        if (i + 1 >= text.size()) return i;
        const auto trail = static_cast<unsigned char>(text[i + 1]);
        if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return i;
        ++i;
    }
    return std::string_view::npos;
}

inline bool WellFormed(std::string_view text) {
    return FirstMalformed(text) == std::string_view::npos;
}

}  // namespace gbk
