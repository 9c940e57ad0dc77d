#include "maker/GiftIni.h"

#include <cwctype>
#include <vector>

#include "maker/GiftText.h"
#include "maker/Roles.h"

namespace maker {

namespace {

std::wstring Trim(const std::wstring& s) {
    const std::size_t first = s.find_first_not_of(L" \t\u3000");
    if (first == std::wstring::npos) return {};
    const std::size_t last = s.find_last_not_of(L" \t\u3000");
    return s.substr(first, last - first + 1);
}

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

struct Key {
    const wchar_t* name;
    const wchar_t* resource;
    const wchar_t* what;
    std::size_t maxChars;
};

const Key kKeys[] = {
    {L"title", kTitleResource, L"窗口标题", 40},
    {L"contact", kContactResource, L"联系链接的文字", 20},
    {L"link", kLinkResource, L"联系链接打开的地址", 1000},
};

}  // namespace

IniTaken TakeIni(const std::string& file, const std::wstring& fileName) {
    IniTaken taken;
    const DecodedText decoded = DecodeTextFile(file);
    if (!decoded.error.empty()) {
        taken.errors.push_back(fileName + L"：" + decoded.error);
        return taken;
    }
    const std::vector<std::wstring> lines = SplitLines(decoded.text);
    bool inGift = false, sawGift = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::wstring line = Trim(lines[i]);
        const int number = static_cast<int>(i + 1);
        if (line.empty() || line[0] == L';' || line[0] == L'#') continue;
        if (line.front() == L'[' || line.front() == L'\u3010') {  // [ or 【
            const std::size_t close = line.find_first_of(L"]\u3011", 1);
            const std::wstring section = close == std::wstring::npos
                                             ? std::wstring()
                                             : Lower(Trim(line.substr(1, close - 1)));
            inGift = section == L"gift";
            sawGift = sawGift || inGift;
            continue;
        }
        if (!inGift) continue;
        const std::size_t eq = line.find(L'=');
        if (eq == std::wstring::npos) {
            taken.errors.push_back(fileName + L" 第 " + std::to_wstring(number) +
                                   L" 行：应写成 名字=值");
            continue;
        }
        const std::wstring name = Lower(Trim(line.substr(0, eq)));
        std::wstring value = Trim(line.substr(eq + 1));
        if (value.size() >= 2 && value.front() == L'"' && value.back() == L'"')
            value = value.substr(1, value.size() - 2);
        const Key* key = nullptr;
        for (const Key& k : kKeys)
            if (name == k.name) key = &k;
        if (!key) {
            taken.lines.push_back(fileName + L" 第 " + std::to_wstring(number) +
                                  L" 行：不认识的设置 “" + name + L"”，已忽略");
            continue;
        }
        if (value.empty()) {
            taken.lines.push_back(fileName + L"：" + key->what + L"是空的，保留原来的");
            continue;
        }
        if (value.size() > key->maxChars) {
            taken.errors.push_back(fileName + L" 第 " + std::to_wstring(number) + L" 行：" +
                                   key->what + L"太长，最多 " + std::to_wstring(key->maxChars) +
                                   L" 个字");
            continue;
        }
        const GbkResult gbk = LineToGbk(value, fileName, number);
        if (!gbk.error.empty()) {
            taken.errors.push_back(gbk.error);
            continue;
        }
        // A later line of the same name wins.
        std::erase_if(taken.settings,
                      [&](const IniSetting& s) { return s.resource == key->resource; });
        taken.settings.push_back({key->resource, gbk.bytes});
        taken.lines.push_back(std::wstring(key->what) + L"：" + value);
        if (key->resource == kLinkResource &&
            (Lower(value).find(L"example.com") != std::wstring::npos ||
             Lower(value).find(L"example.org") != std::wstring::npos))
            taken.warnings.push_back(fileName + L"：联系链接还是示例的地址 " + value +
                                     L"，请改成你自己的，或删掉这一行");
    }
    if (!sawGift) taken.lines.push_back(fileName + L"：没有 [gift] 一节，已忽略");
    return taken;
}

}  // namespace maker
