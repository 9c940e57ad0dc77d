#pragma once
// A giver's text file made into the GBK the gift shows. The encoding is
// detected without asking: UTF-8 with or without its byte-order mark,
// UTF-16 LE or BE with its mark, otherwise GBK. A file that is UTF-8 but for
// a damaged byte or two is an error naming the line, not a GBK reading. Line breaks may be CR LF,
// LF or CR; the program's own are CR LF.
#include <string>
#include <vector>

namespace maker {

inline constexpr std::size_t kMaxLetterBytes = 64 * 1024;
inline constexpr int kMaxPoemLines = 20;
inline constexpr int kMaxPoemLineChars = 21;

struct DecodedText {
    std::wstring text;      // UTF-16, as read
    std::wstring encoding;  // "UTF-8", "GBK", ...
    std::wstring error;     // why it could not be read
};

DecodedText DecodeTextFile(const std::string& bytes);

// The lines of `text`; a final line break ends the last line rather than
// starting an empty one.
std::vector<std::wstring> SplitLines(const std::wstring& text);

struct GbkResult {
    std::string bytes;
    std::wstring error;  // names the line, the column and the character
};

// One line in GBK (code page 936); a character GBK cannot hold is an error
// naming `fileName`, line `lineNumber`, its column and the character.
GbkResult LineToGbk(const std::wstring& line, const std::wstring& fileName, int lineNumber);

struct TextTaken {
    std::string bytes;     // without the terminating NUL
    std::wstring line;     // report line or error
    std::wstring warning;  // still the example's text
    bool ok = false;
};

// What the example folder's texts carry so that the maker can tell a giver
// who has not replaced them yet.
inline constexpr wchar_t kExampleMark[] = L"【示例】";

// A letter: GBK with CR LF breaks; a line ending in [LF] is joined to the next
// by a bare LF (the marker is dropped). At most 64 KB.
TextTaken TakeLetter(const std::string& file, const std::wstring& fileName,
                     const std::wstring& what);

// The poem: at most 20 lines of at most 21 characters, each NUL-terminated;
// empty lines at its end do not count.
TextTaken TakePoem(const std::string& file, const std::wstring& fileName);

}  // namespace maker
