#pragma once
// GBK <-> UTF-16 at the runtime's boundary with the system: always code page
// 936, never the system code page.
#include <string>
#include <string_view>

namespace runtime::detail {

std::wstring Widen(std::string_view gbk);
std::string Narrow(std::wstring_view wide);

}  // namespace runtime::detail
