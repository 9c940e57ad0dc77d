#include "runtime/Text.h"

#include <windows.h>

namespace runtime::detail {

namespace {
constexpr UINT kGbk = 936;
}

std::wstring Widen(std::string_view gbk) {
    if (gbk.empty()) return {};
    int n = MultiByteToWideChar(kGbk, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(kGbk, 0, gbk.data(), static_cast<int>(gbk.size()), out.data(), n);
    return out;
}

std::string Narrow(std::wstring_view wide) {
    if (wide.empty()) return {};
    int n = WideCharToMultiByte(kGbk, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(kGbk, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                            nullptr, nullptr);
    return out;
}

std::string NarrowPath(const std::wstring& path) {
    std::string narrow = Narrow(path);
    if (Widen(narrow) == path) return narrow;
    // A name GBK cannot spell (Korean, rare CJK, emoji) would come back with
    // question marks and name nothing.
    const DWORD needed = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (needed == 0) return {};
    std::wstring shortPath(needed, L'\0');
    const DWORD got = GetShortPathNameW(path.c_str(), shortPath.data(), needed);
    if (got == 0 || got >= needed) return {};
    shortPath.resize(got);
    narrow = Narrow(shortPath);
    return Widen(narrow) == shortPath ? narrow : std::string();
}

}  // namespace runtime::detail
