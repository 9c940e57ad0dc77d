#pragma once
// GBK <-> UTF-16 at the runtime's boundary with the system: always code page
// 936, never the system code page.
#include <string>
#include <string_view>

namespace runtime::detail {

std::wstring Widen(std::string_view gbk);
std::string Narrow(std::wstring_view wide);

// A path as a GBK text that still names the same file: the plain conversion
// when every character survives it, else the file system's short form of the
// path (plain ASCII) when it has one. Empty when neither names it.
std::string NarrowPath(const std::wstring& path);

}  // namespace runtime::detail
