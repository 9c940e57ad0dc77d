#include "maker/GiftText.h"

#include <windows.h>

#include <cstdio>

#include "toolkit/core/Text.h"

namespace maker {

namespace {

std::wstring FromCodePage(const char* data, int size, UINT codePage, bool& ok) {
    ok = true;
    if (size == 0) return {};
    const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, data, size, nullptr, 0);
    if (n <= 0) {
        ok = false;
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, data, size, wide.data(), n);
    return wide;
}

std::wstring FromUtf16(const std::string& bytes, std::size_t from, bool bigEndian) {
    std::wstring wide;
    wide.reserve((bytes.size() - from) / 2);
    for (std::size_t i = from; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]),
                   b = static_cast<unsigned char>(bytes[i + 1]);
        wide.push_back(static_cast<wchar_t>(bigEndian ? (a << 8) | b : a | (b << 8)));
    }
    return wide;
}

std::wstring Hex(unsigned value) {
    wchar_t text[16];
    std::swprintf(text, 16, L"U+%04X", value);
    return text;
}

// The line of the first bad byte when `bytes` is plainly UTF-8 with a few
// damaged bytes (far more valid multi-byte sequences than broken ones); 0
// when it reads as another encoding. GBK text forms a valid sequence only by
// chance, and breaks one on nearly every character.
int DamagedUtf8Line(const std::string& bytes) {
    int valid = 0, broken = 0, line = 1, firstBadLine = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            if (c == '\n') ++line;
            ++i;
            continue;
        }
        const std::size_t length = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
        bool ok = length > 0 && i + length <= bytes.size();
        for (std::size_t k = 1; ok && k < length; ++k)
            ok = (static_cast<unsigned char>(bytes[i + k]) & 0xC0) == 0x80;
        if (ok) {
            ++valid;
            i += length;
        } else {
            if (!firstBadLine) firstBadLine = line;
            ++broken;
            ++i;
        }
    }
    return broken > 0 && valid >= 4 && broken * 4 <= valid ? firstBadLine : 0;
}

// Characters as people count them: a surrogate pair is one.
int CountChars(const std::wstring& s) {
    int n = 0;
    for (std::size_t i = 0; i < s.size(); ++i, ++n)
        if (IS_HIGH_SURROGATE(s[i]) && i + 1 < s.size() && IS_LOW_SURROGATE(s[i + 1])) ++i;
    return n;
}

}  // namespace

DecodedText DecodeTextFile(const std::string& bytes) {
    DecodedText out;
    // Letters written in a word processor and saved in its own format.
    constexpr wchar_t kSaveAsText[] =
        L"，请在 Word 或 WPS 里用“另存为 → 纯文本 (*.txt)”保存后再放进来";
    if (bytes.starts_with("PK\x03\x04") || bytes.starts_with("\xD0\xCF\x11\xE0")) {
        out.error = std::wstring(L"这是 Word 或 WPS 文档，不是纯文本") + kSaveAsText;
        return out;
    }
    if (bytes.starts_with("{\\rtf") || bytes.starts_with("%PDF")) {
        out.error = std::wstring(bytes[0] == '%' ? L"这是 PDF 文件" : L"这是 RTF 文档") +
                    L"，不是纯文本" + kSaveAsText;
        return out;
    }
    auto u = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    bool ok = true;
    if (bytes.size() >= 3 && u(0) == 0xEF && u(1) == 0xBB && u(2) == 0xBF) {
        out.encoding = L"UTF-8";
        out.text = FromCodePage(bytes.data() + 3, static_cast<int>(bytes.size() - 3), CP_UTF8, ok);
    } else if (bytes.size() >= 2 && u(0) == 0xFF && u(1) == 0xFE) {
        out.encoding = L"UTF-16";
        out.text = FromUtf16(bytes, 2, false);
    } else if (bytes.size() >= 2 && u(0) == 0xFE && u(1) == 0xFF) {
        out.encoding = L"UTF-16";
        out.text = FromUtf16(bytes, 2, true);
    } else {
        out.encoding = L"UTF-8";
        out.text = FromCodePage(bytes.data(), static_cast<int>(bytes.size()), CP_UTF8, ok);
        if (!ok) {
            const int badLine = DamagedUtf8Line(bytes);
            if (badLine > 0) {
                out.text.clear();
                out.error =
                    L"是 UTF-8 编码，但第 " + std::to_wstring(badLine) +
                    L" 行有损坏的字节（可能复制时出了错），请在记事本里改好这一行后另存为 UTF-8";
                return out;
            }
            out.encoding = L"GBK";
            out.text = FromCodePage(bytes.data(), static_cast<int>(bytes.size()), kGbkCodePage, ok);
        }
    }
    if (!ok) out.error = L"不是 UTF-8、UTF-16 或 GBK 编码的文本";
    return out;
}

std::vector<std::wstring> SplitLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    std::wstring current;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r' || c == L'\n') {
            if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
            lines.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    if (!current.empty() || lines.empty()) lines.push_back(std::move(current));
    return lines;
}

GbkResult LineToGbk(const std::wstring& line, const std::wstring& fileName, int lineNumber) {
    GbkResult result;
    int column = 0;
    for (std::size_t i = 0; i < line.size();) {
        ++column;
        std::size_t width = 1;
        if (IS_HIGH_SURROGATE(line[i]) && i + 1 < line.size() && IS_LOW_SURROGATE(line[i + 1]))
            width = 2;
        const std::wstring ch = line.substr(i, width);
        const unsigned code = width == 2
                                  ? 0x10000u + ((line[i] - 0xD800u) << 10) + (line[i + 1] - 0xDC00u)
                                  : static_cast<unsigned>(line[i]);
        char gbk[8];
        BOOL usedDefault = FALSE;
        const int n = code == 0 ? 0
                                : WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, ch.data(),
                                                      static_cast<int>(width), gbk, sizeof gbk,
                                                      nullptr, &usedDefault);
        if (n <= 0 || usedDefault) {
            result.bytes.clear();
            result.error = fileName + L" 第 " + std::to_wstring(lineNumber) + L" 行第 " +
                           std::to_wstring(column) + L" 个字：" + Hex(code) +
                           (code >= 0x20 ? L"“" + ch + L"”" : std::wstring()) +
                           L" 无法用 GBK 表示，礼物里显示不了，请换掉它";
            return result;
        }
        result.bytes.append(gbk, static_cast<std::size_t>(n));
        i += width;
    }
    return result;
}

TextTaken TakeLetter(const std::string& file, const std::wstring& fileName,
                     const std::wstring& what) {
    TextTaken taken;
    const DecodedText decoded = DecodeTextFile(file);
    if (!decoded.error.empty()) {
        taken.line = fileName + L"：" + decoded.error;
        return taken;
    }
    const std::vector<std::wstring> lines = SplitLines(decoded.text);
    static const std::wstring kMarker = L"[LF]";
    int characters = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::wstring line = lines[i];
        const bool bare = line.size() >= kMarker.size() &&
                          line.compare(line.size() - kMarker.size(), kMarker.size(), kMarker) == 0;
        if (bare) line.resize(line.size() - kMarker.size());
        const GbkResult gbk = LineToGbk(line, fileName, static_cast<int>(i + 1));
        if (!gbk.error.empty()) {
            taken.line = gbk.error;
            return taken;
        }
        taken.bytes += gbk.bytes;
        characters += CountChars(line);
        if (i + 1 < lines.size()) {
            taken.bytes += bare ? "\n" : "\r\n";
            ++characters;  // a line break, CR LF or not
        }
    }
    if (taken.bytes.empty()) {
        taken.line = fileName + L"：信是空的";
        return taken;
    }
    if (taken.bytes.size() > kMaxLetterBytes) {
        taken.line = fileName + L"：信太长（" + std::to_wstring(taken.bytes.size() / 1024) +
                     L" KB），最多 64 KB";
        taken.bytes.clear();
        return taken;
    }
    taken.ok = true;
    if (decoded.text.find(kExampleMark) != std::wstring::npos)
        taken.warning = fileName + L" 还是示例信（含“" + kExampleMark +
                        L"”），收到礼物的人会看到它；请换成你自己写的信";
    taken.line = what + L" " + fileName + L"：" + decoded.encoding + L"，" +
                 std::to_wstring(lines.size()) + L" 行，" + std::to_wstring(characters) +
                 L" 个字，已采用";
    return taken;
}

TextTaken TakePoem(const std::string& file, const std::wstring& fileName) {
    TextTaken taken;
    const DecodedText decoded = DecodeTextFile(file);
    if (!decoded.error.empty()) {
        taken.line = fileName + L"：" + decoded.error;
        return taken;
    }
    std::vector<std::wstring> lines = SplitLines(decoded.text);
    while (lines.size() > 1 && lines.back().find_first_not_of(L" \t\u3000") == std::wstring::npos)
        lines.pop_back();
    if (lines.size() > static_cast<std::size_t>(kMaxPoemLines)) {
        taken.line = fileName + L"：诗有 " + std::to_wstring(lines.size()) + L" 行，最多 20 行";
        return taken;
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int chars = CountChars(lines[i]);
        if (chars > kMaxPoemLineChars) {
            taken.line = fileName + L" 第 " + std::to_wstring(i + 1) + L" 行有 " +
                         std::to_wstring(chars) + L" 个字，每行最多 21 个字";
            taken.bytes.clear();
            return taken;
        }
        const GbkResult gbk = LineToGbk(lines[i], fileName, static_cast<int>(i + 1));
        if (!gbk.error.empty()) {
            taken.line = gbk.error;
            taken.bytes.clear();
            return taken;
        }
        taken.bytes += gbk.bytes;
        taken.bytes += '\0';
    }
    if (decoded.text.find_first_not_of(L" \t\r\n\u3000") == std::wstring::npos) {
        taken.line = fileName + L"：诗是空的";
        taken.bytes.clear();
        return taken;
    }
    taken.ok = true;
    if (decoded.text.find(kExampleMark) != std::wstring::npos)
        taken.warning = fileName + L" 还是示例诗（含“" + kExampleMark + L"”），请换成你自己的";
    taken.line = L"诗 " + fileName + L"：" + decoded.encoding + L"，" +
                 std::to_wstring(lines.size()) + L" 行，已采用";
    return taken;
}

}  // namespace maker
