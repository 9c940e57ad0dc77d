#pragma once
// gift.ini: the [gift] section's title, contact and link, in any encoding a
// text file may have (see GiftText.h). "[ gift ]", a comment after the
// section's name and comment lines (; or #) are understood.
#include <string>
#include <vector>

namespace maker {

struct IniSetting {
    const wchar_t* resource;  // where the made gift carries it
    std::string gbk;          // the value in GBK
};

struct IniTaken {
    std::vector<IniSetting> settings;
    std::vector<std::wstring> lines;     // what was taken or ignored
    std::vector<std::wstring> warnings;  // settings still the example's
    std::vector<std::wstring> errors;
};

IniTaken TakeIni(const std::string& file, const std::wstring& fileName);

}  // namespace maker
