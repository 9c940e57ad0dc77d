#include "maker/FileNames.h"

#include <cwctype>
#include <iterator>

namespace maker {

namespace {

struct Alias {
    std::wstring_view chinese, english;
};

constexpr Alias kAliases[] = {
    {L"开场照片", L"start_background"},
    {L"烟花照片", L"fireworks_background"},
    {L"想说的话照片", L"words_background"},
    {L"信的照片", L"letter_background"},
    {L"图片条", L"picture_strip"},
    {L"大玫瑰", L"big_rose"},
    {L"图标", L"start_icon"},
    {L"第一封信", L"letter1"},
    {L"第二封信", L"letter2"},
    {L"诗", L"poem"},
    {L"歌", L"song"},
    {L"歌曲", L"song"},
    {L"设置", L"gift"},
};

// Extensions a gift file or a file meant as one may have: pictures, songs in
// any format a giver may hold, texts and the documents letters get written in.
constexpr std::wstring_view kExtensions[] = {
    L".jpg",  L".jpeg",    L".jpe",    L".jfif",  L".png",  L".bmp", L".gif",  L".ico",  L".webp",
    L".heic", L".heif",    L".avif",   L".tif",   L".tiff", L".dng", L".mp3",  L".flac", L".wav",
    L".m4a",  L".aac",     L".mp4",    L".ogg",   L".opus", L".wma", L".ape",  L".ncm",  L".qmc0",
    L".qmc3", L".qmcflac", L".qmcogg", L".mflac", L".mgg",  L".kgm", L".kgma", L".vpr",  L".kwm",
    L".xm",   L".txt",     L".ini",    L".doc",   L".docx", L".wps", L".rtf",  L".pdf",  L".odt",
};

bool Known(std::wstring_view extension) {
    for (std::wstring_view e : kExtensions)
        if (e == extension) return true;
    return false;
}

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

// Splits "name.ext" into "name" and ".ext" (empty when there is none).
std::wstring CutExtension(std::wstring& stem) {
    const std::size_t dot = stem.find_last_of(L'.');
    if (dot == std::wstring::npos || dot == 0) return {};
    std::wstring extension = stem.substr(dot);
    stem.resize(dot);
    return extension;
}

void NameByStem(const std::wstring& stem, NamedFile& named) {
    std::wstring_view english = stem;
    for (const Alias& a : kAliases)
        if (a.chinese == stem) english = a.english;
    for (const Role& r : kRoles)
        if (r.stem == english) named.role = &r;
    for (int n = 1; n <= kFireworksFrames && !named.role; ++n)
        if (english == FireworksStem(n)) named.fireworks = n;
    named.ini = english == L"gift" && named.extension == L".ini";
}

}  // namespace

std::wstring_view ChineseStem(std::wstring_view englishStem) {
    for (const Alias& a : kAliases)
        if (a.english == englishStem) return a.chinese;
    return {};
}

NamedFile NameOf(const std::wstring& fileName) {
    NamedFile named;
    std::wstring stem = Lower(fileName);
    named.extension = CutExtension(stem);
    if (!Known(named.extension)) return {};
    NameByStem(stem, named);
    if (named.Named()) return named;
    // "letter1.txt.txt", "start_background.jpg.jpeg": the inner extension is
    // what the giver typed, the outer one what the file is.
    std::wstring inner = stem;
    const std::wstring innerExtension = CutExtension(inner);
    if (!Known(innerExtension)) return {};
    NamedFile doubled;
    doubled.extension = named.extension;
    NameByStem(inner, doubled);
    // gift.ini.txt is still gift.ini.
    if (!doubled.Named() && inner == L"gift" && innerExtension == L".ini") doubled.ini = true;
    if (!doubled.Named()) return {};
    doubled.meant = fileName.substr(0, stem.size());
    return doubled;
}

}  // namespace maker
