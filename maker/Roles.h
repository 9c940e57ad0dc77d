#pragma once
// What a gift folder may hold: each role's file stem, how its file is taken,
// and the name of the RCDATA resource that carries it inside a made gift.
// The program's content accessors look these resources up by the same names,
// so this table is the one place both sides agree on.
#include <string>
#include <string_view>

namespace maker {

enum class RoleKind {
    Photo,   // any JPEG, PNG or BMP, fitted to width x height and stored as JPEG
    Exact,   // accepted only in the exact format, size and frame count given
    Letter,  // text, GBK with CR LF breaks, NUL-terminated
    Poem,    // text, one NUL-terminated GBK string per line
    Song,    // MP3, checked by decoding it to the end
};

enum class ExactFormat { None, Jpeg, Gif, PngRgba, Icon };

struct Role {
    std::wstring_view stem;      // file name without extension, lower case
    std::wstring_view resource;  // RCDATA resource name in a made gift
    RoleKind kind;
    ExactFormat format;
    int width, height, frames;
    std::wstring_view what;  // how the report names it
};

inline constexpr Role kRoles[] = {
    {L"start_background", L"GIFT_START_BACKGROUND", RoleKind::Photo, ExactFormat::None, 1024, 724,
     1, L"启动窗口的照片"},
    {L"fireworks_background", L"GIFT_FIREWORKS_BACKGROUND", RoleKind::Photo, ExactFormat::None,
     1024, 768, 1, L"“爱的烟花”的照片"},
    {L"words_background", L"GIFT_WORDS_BACKGROUND", RoleKind::Photo, ExactFormat::None, 1000, 750,
     1, L"“想说的话”的照片"},
    {L"letter_background", L"GIFT_LETTER_BACKGROUND", RoleKind::Photo, ExactFormat::None, 1026, 684,
     1, L"“给你的信”的照片"},
    {L"picture_strip", L"GIFT_PICTURE_STRIP", RoleKind::Photo, ExactFormat::None, 1024, 317, 1,
     L"信下面的图片条"},
    {L"big_rose", L"GIFT_BIG_ROSE", RoleKind::Photo, ExactFormat::None, 2560, 1998, 1, L"大玫瑰"},
    {L"f01", L"GIFT_F01", RoleKind::Exact, ExactFormat::Gif, 93, 93, 6, L"花朵 F1"},
    {L"f02", L"GIFT_F02", RoleKind::Exact, ExactFormat::Gif, 93, 93, 6, L"花朵 F2"},
    {L"f03", L"GIFT_F03", RoleKind::Exact, ExactFormat::Gif, 93, 93, 6, L"花朵 F3"},
    {L"f04", L"GIFT_F04", RoleKind::Exact, ExactFormat::Gif, 93, 93, 6, L"花朵 F4"},
    {L"f05", L"GIFT_F05", RoleKind::Exact, ExactFormat::Gif, 100, 77, 1, L"花朵 F5"},
    {L"f06", L"GIFT_F06", RoleKind::Exact, ExactFormat::Jpeg, 106, 107, 1, L"花朵 F6"},
    {L"f07", L"GIFT_F07", RoleKind::Exact, ExactFormat::Jpeg, 135, 136, 1, L"花朵 F7"},
    {L"f08", L"GIFT_F08", RoleKind::Exact, ExactFormat::Gif, 115, 115, 1, L"花朵 F8"},
    {L"f09", L"GIFT_F09", RoleKind::Exact, ExactFormat::Gif, 125, 135, 1, L"花朵 F9"},
    {L"f10", L"GIFT_F10", RoleKind::Exact, ExactFormat::Gif, 130, 129, 1, L"花朵 F10"},
    {L"f11", L"GIFT_F11", RoleKind::Exact, ExactFormat::Gif, 147, 163, 1, L"花朵 F11"},
    {L"f12", L"GIFT_F12", RoleKind::Exact, ExactFormat::Gif, 147, 110, 1, L"花朵 F12"},
    {L"f13", L"GIFT_F13", RoleKind::Exact, ExactFormat::Gif, 147, 125, 1, L"花朵 F13"},
    {L"f14", L"GIFT_F14", RoleKind::Exact, ExactFormat::Gif, 147, 139, 1, L"花朵 F14"},
    {L"f15", L"GIFT_F15", RoleKind::Exact, ExactFormat::Gif, 147, 102, 1, L"花朵 F15"},
    {L"f16", L"GIFT_F16", RoleKind::Exact, ExactFormat::Gif, 150, 150, 1, L"花朵 F16"},
    {L"f17", L"GIFT_F17", RoleKind::Exact, ExactFormat::Gif, 147, 98, 1, L"花朵 F17"},
    {L"f18", L"GIFT_F18", RoleKind::Exact, ExactFormat::Gif, 147, 142, 1, L"花朵 F18"},
    {L"f19", L"GIFT_F19", RoleKind::Exact, ExactFormat::Gif, 147, 134, 1, L"花朵 F19"},
    {L"f20", L"GIFT_F20", RoleKind::Exact, ExactFormat::Gif, 147, 124, 1, L"花朵 F20"},
    {L"f21", L"GIFT_F21", RoleKind::Exact, ExactFormat::Gif, 147, 90, 1, L"花朵 F21"},
    {L"f22", L"GIFT_F22", RoleKind::Exact, ExactFormat::Gif, 147, 131, 1, L"花朵 F22"},
    {L"rose_box_2", L"GIFT_ROSE_BOX_2", RoleKind::Exact, ExactFormat::Gif, 93, 94, 2, L"花框 2"},
    {L"rose_box_3", L"GIFT_ROSE_BOX_3", RoleKind::Exact, ExactFormat::Gif, 93, 93, 6, L"花框 3"},
    {L"rose_box_4", L"GIFT_ROSE_BOX_4", RoleKind::Exact, ExactFormat::Gif, 93, 93, 6, L"花框 4"},
    {L"start_icon", L"GIFT_START_ICON", RoleKind::Exact, ExactFormat::Icon, 32, 32, 1, L"窗口图标"},
    {L"letter1", L"GIFT_LETTER1", RoleKind::Letter, ExactFormat::None, 0, 0, 0, L"第一封信"},
    {L"letter2", L"GIFT_LETTER2", RoleKind::Letter, ExactFormat::None, 0, 0, 0, L"第二封信"},
    {L"poem", L"GIFT_POEM", RoleKind::Poem, ExactFormat::None, 0, 0, 0, L"诗"},
    {L"song", L"GIFT_SONG", RoleKind::Song, ExactFormat::None, 0, 0, 0, L"歌曲"},
};

// Fireworks frames fireworks_01 .. fireworks_35: PNG RGBA 640 x 480. Their
// resources are GIFT_FIREWORKS_01 .. GIFT_FIREWORKS_35.
inline constexpr int kFireworksFrames = 35;
inline constexpr int kFireworksWidth = 640;
inline constexpr int kFireworksHeight = 480;
inline std::wstring FireworksStem(int n) {
    return L"fireworks_" + std::to_wstring(n / 10) + std::to_wstring(n % 10);
}
inline std::wstring FireworksResource(int n) {
    return L"GIFT_FIREWORKS_" + std::to_wstring(n / 10) + std::to_wstring(n % 10);
}

void NoRoleOfThatName();  // never defined: ResourceFor of an unknown stem does not compile

// The resource name of the role whose file stem is `stem`, checked while compiling.
consteval const wchar_t* ResourceFor(std::wstring_view stem) {
    for (const Role& role : kRoles)
        if (role.stem == stem) return role.resource.data();
    NoRoleOfThatName();
    return nullptr;
}

// The resource name of flower picture Fn, n = 1..22.
inline const wchar_t* FlowerResource(int n) {
    const std::wstring stem = L"f" + std::to_wstring(n / 10) + std::to_wstring(n % 10);
    for (const Role& role : kRoles)
        if (role.stem == stem) return role.resource.data();
    return L"";
}

// The role whose resource is `resource`; null when there is none.
inline const Role* RoleByResource(std::wstring_view resource) {
    for (const Role& role : kRoles)
        if (role.resource == resource) return &role;
    return nullptr;
}

// The settings of gift.ini, each a NUL-terminated GBK text.
inline constexpr wchar_t kTitleResource[] = L"GIFT_TITLE";
inline constexpr wchar_t kContactResource[] = L"GIFT_CONTACT";
inline constexpr wchar_t kLinkResource[] = L"GIFT_LINK";

}  // namespace maker
