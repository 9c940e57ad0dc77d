#pragma once
// Conversion between our GBK texts and the UTF-16 strings of the system and
// GDI+. Always code page 936 unless told otherwise: the system code page would
// garble every text on a Windows that is not Chinese.
#include <windows.h>

#include <string>

constexpr UINT kGbkCodePage = 936;

// The terminated UTF-16 form of `text` (up to its first NUL). The byte size of
// the block it stands for is (size() + 1) * 2.
std::wstring ToWide(const char* text, UINT codePage = kGbkCodePage);
inline std::wstring ToWide(const std::string& text, UINT codePage = kGbkCodePage) {
    return ToWide(text.c_str(), codePage);
}

// The text of a terminated UTF-16 string; characters the code page cannot hold
// become the code page's default character.
std::string FromWide(const wchar_t* source, UINT codePage = kGbkCodePage);
