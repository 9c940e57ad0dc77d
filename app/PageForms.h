#pragma once
// The form descriptions of the rose, fireworks and words pages, opened over
// the start window in dialog mode by the page buttons.
#include <cstdint>

#include "runtime/Form.h"

namespace gift {

inline constexpr std::uint32_t kRosePageId = 0x52010002;
inline constexpr std::uint32_t kFireworksPageId = 0x52010003;
inline constexpr std::uint32_t kWordsPageId = 0x52010004;

// Rose page units.
namespace rose {
inline constexpr std::uint32_t kCountdownLine = 1;   // 标签1
inline constexpr std::uint32_t kDelayTimer = 2;      // 时钟2
inline constexpr std::uint32_t kFlower4 = 3;         // 花4
inline constexpr std::uint32_t kFlower3 = 4;         // 花3
inline constexpr std::uint32_t kFlower2 = 5;         // 花2
inline constexpr std::uint32_t kCountdownTimer = 6;  // 时钟1
inline constexpr std::uint32_t kPanel = 7;           // 画板1
}  // namespace rose

// Fireworks page: timers 时钟1..时钟36 have the identifiers 1..36.
namespace fireworks {
inline constexpr int kFrameTimers = 35;
inline constexpr std::uint32_t kTrimTimer = 36;
}  // namespace fireworks

// Words page units.
namespace words {
inline constexpr std::uint32_t kScrollTimer = 1;  // 时钟1
inline constexpr std::uint32_t kPanel = 2;        // 画板1
// 透明标签n has the identifier kFirstLabel + n − 1.
inline constexpr std::uint32_t kFirstLabel = 11;
inline constexpr int kLabelCount = 20;
inline constexpr int kPanelTop = 744;
inline constexpr int kPanelHeight = 592;
}  // namespace words

const runtime::FormDescription& RosePageForm();
const runtime::FormDescription& FireworksPageForm();
const runtime::FormDescription& WordsPageForm();

}  // namespace gift
