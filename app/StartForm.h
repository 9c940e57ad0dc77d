#pragma once
// The start form: the gift's main window and the invisible labels whose
// rectangles place the toolkit controls.
#include <cstdint>

#include "runtime/Form.h"

namespace gift {

inline constexpr std::uint32_t kStartFormId = 0x52010001;

// Placeholder identifiers 标签1..标签7.
inline constexpr std::uint32_t kPlaceholderIds[7] = {1, 2, 3, 4, 5, 6, 7};

const runtime::FormDescription& StartForm();

}  // namespace gift
