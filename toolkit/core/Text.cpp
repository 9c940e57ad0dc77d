#include "toolkit/core/Text.h"

#include <vector>

std::wstring ToWide(const char* text, UINT codePage) {
    if (!text) text = "";
    int units = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    if (units <= 0) return {};
    std::vector<wchar_t> block(static_cast<size_t>(units));
    MultiByteToWideChar(codePage, 0, text, -1, block.data(), units);
    return std::wstring(block.data());
}

std::string FromWide(const wchar_t* source, UINT codePage) {
    if (!source) return {};
    int bytes = WideCharToMultiByte(codePage, 0, source, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::vector<char> text(static_cast<size_t>(bytes));
    WideCharToMultiByte(codePage, 0, source, -1, text.data(), bytes, nullptr, nullptr);
    return std::string(text.data());
}
