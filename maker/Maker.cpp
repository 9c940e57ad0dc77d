#include "maker/Maker.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

#include "maker/GiftIni.h"
#include "maker/GiftText.h"
#include "maker/GiftWriter.h"
#include "maker/Photo.h"
#include "maker/Roles.h"
#include "maker/SongCheck.h"
#include "platform/Handle.h"

namespace maker {

namespace {

constexpr std::size_t kMaxInputBytes = 64u * 1024 * 1024;

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

std::wstring FullPath(const std::wstring& path) {
    const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring full(n, L'\0');
    const DWORD m = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
    full.resize(m);
    return full;
}

std::wstring WithoutTrailingSlash(std::wstring path) {
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    return path;
}

std::wstring RunningProgram() {
    std::wstring path(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n);
    return path;
}

// Whether two paths name the same existing file (hard links and other
// spellings included).
bool SameFile(const std::wstring& a, const std::wstring& b) {
    if (Lower(FullPath(a)) == Lower(FullPath(b))) return true;
    auto open = [](const std::wstring& p) {
        return UniqueFile(CreateFileW(p.c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    };
    UniqueFile fa = open(a), fb = open(b);
    BY_HANDLE_FILE_INFORMATION ia{}, ib{};
    if (!fa || !fb || !GetFileInformationByHandle(fa.get(), &ia) ||
        !GetFileInformationByHandle(fb.get(), &ib))
        return false;
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
           ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

bool IsInside(const std::wstring& path, const std::wstring& folder) {
    const std::wstring p = Lower(FullPath(path)), f = Lower(WithoutTrailingSlash(FullPath(folder)));
    return p.size() > f.size() && p.compare(0, f.size(), f) == 0 &&
           (p[f.size()] == L'\\' || p[f.size()] == L'/');
}

// The whole file, or false with `error` set.
bool ReadWholeFile(const std::wstring& path, std::string& bytes, std::wstring& error) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size)) {
        error = L"无法读取";
        return false;
    }
    if (size.QuadPart > static_cast<LONGLONG>(kMaxInputBytes)) {
        error = L"文件太大（" + std::to_wstring(size.QuadPart / (1024 * 1024)) + L" MB）";
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
        if (!ReadFile(file.get(), bytes.data() + done, want, &got, nullptr) || got == 0) {
            error = L"无法读取";
            return false;
        }
        done += got;
    }
    return true;
}

struct FolderFile {
    std::wstring name;       // as it is in the folder
    std::wstring stem;       // lower case, without extension
    std::wstring extension;  // lower case, with the dot
};

std::vector<FolderFile> ListFolder(const std::wstring& folder, bool& readable) {
    std::vector<FolderFile> files;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((WithoutTrailingSlash(folder) + L"\\*").c_str(), &found);
    readable = search != INVALID_HANDLE_VALUE;
    if (!readable) return files;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        FolderFile f;
        f.name = found.cFileName;
        const std::wstring lower = Lower(f.name);
        const std::size_t dot = lower.find_last_of(L'.');
        f.stem = dot == std::wstring::npos ? lower : lower.substr(0, dot);
        f.extension = dot == std::wstring::npos ? std::wstring() : lower.substr(dot);
        files.push_back(std::move(f));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(files.begin(), files.end(),
              [](const FolderFile& a, const FolderFile& b) { return a.name < b.name; });
    return files;
}

bool IsOneOf(const std::wstring& extension, std::initializer_list<const wchar_t*> list) {
    for (const wchar_t* e : list)
        if (extension == e) return true;
    return false;
}

std::wstring Megabytes(unsigned long long bytes) {
    const unsigned long long tenths = (bytes * 10 + 512 * 1024) / (1024 * 1024);
    return std::to_wstring(tenths / 10) + L"." + std::to_wstring(tenths % 10) + L" MB";
}

}  // namespace

Report MakeGift(const MakeRequest& request) {
    Report report;
    std::vector<std::wstring> errors;
    std::vector<Item> items;

    const std::wstring folder = WithoutTrailingSlash(FullPath(request.folder));
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        report.lines.push_back(L"错误：找不到文件夹 " + folder);
        report.lines.push_back(L"没有写出礼物。");
        return report;
    }
    const std::wstring output =
        FullPath(request.output.empty() ? folder + L".exe" : request.output);
    const std::wstring program = request.program.empty() ? RunningProgram() : request.program;

    bool readable = false;
    const std::vector<FolderFile> files = ListFolder(folder, readable);
    std::vector<bool> used(files.size(), false);
    auto take = [&](std::size_t index, const std::wstring& resource, const std::string& bytes,
                    const std::wstring& line) {
        used[index] = true;
        for (const Item& item : items)
            if (item.resource == resource) {
                errors.push_back(files[index].name + L"：同一个用途已经有别的文件了，请只留一个");
                return;
            }
        items.push_back({resource, bytes});
        report.lines.push_back(line);
    };

    for (std::size_t i = 0; i < files.size(); ++i) {
        const FolderFile& f = files[i];
        const Role* role = nullptr;
        for (const Role& r : kRoles)
            if (r.stem == f.stem) role = &r;
        int fireworks = 0;
        for (int n = 1; n <= kFireworksFrames && !role; ++n)
            if (f.stem == FireworksStem(n)) fireworks = n;
        const bool ini = f.stem == L"gift" && f.extension == L".ini";
        if (!role && !fireworks && !ini) continue;
        // A role's file with the wrong kind of extension is listed as ignored.
        if (role && (role->kind == RoleKind::Letter || role->kind == RoleKind::Poem) &&
            f.extension != L".txt")
            continue;
        if (role && role->kind == RoleKind::Song && f.extension != L".mp3") continue;
        if ((role && (role->kind == RoleKind::Photo || role->kind == RoleKind::Exact)) ||
            fireworks) {
            if (!IsOneOf(f.extension, {L".jpg", L".jpeg", L".png", L".bmp", L".gif", L".ico"}))
                continue;
        }
        used[i] = true;
        std::string bytes;
        std::wstring readError;
        if (!ReadWholeFile(folder + L"\\" + f.name, bytes, readError)) {
            errors.push_back(f.name + L"：" + readError);
            continue;
        }
        if (ini) {
            IniTaken settings = TakeIni(bytes, f.name);
            for (const IniSetting& s : settings.settings) items.push_back({s.resource, s.gbk});
            for (std::wstring& line : settings.lines) report.lines.push_back(std::move(line));
            for (std::wstring& error : settings.errors) errors.push_back(std::move(error));
            continue;
        }
        if (fireworks) {
            Taken t =
                TakeExactPicture(bytes, ExactFormat::PngRgba, kFireworksWidth, kFireworksHeight, 1,
                                 f.name, L"烟花第 " + std::to_wstring(fireworks) + L" 帧");
            if (t.bytes.empty())
                errors.push_back(t.line);
            else
                take(i, FireworksResource(fireworks), t.bytes, t.line);
            continue;
        }
        switch (role->kind) {
            case RoleKind::Photo: {
                Taken t = TakePhoto(bytes, *role, f.name, role->stem == L"big_rose");
                if (t.bytes.empty())
                    errors.push_back(t.line);
                else
                    take(i, std::wstring(role->resource), t.bytes, t.line);
                break;
            }
            case RoleKind::Exact: {
                Taken t = TakeExactPicture(bytes, role->format, role->width, role->height,
                                           role->frames, f.name, std::wstring(role->what));
                if (t.bytes.empty())
                    errors.push_back(t.line);
                else
                    take(i, std::wstring(role->resource), t.bytes, t.line);
                break;
            }
            case RoleKind::Letter:
            case RoleKind::Poem: {
                TextTaken t = role->kind == RoleKind::Letter
                                  ? TakeLetter(bytes, f.name, std::wstring(role->what))
                                  : TakePoem(bytes, f.name);
                if (!t.ok)
                    errors.push_back(t.line);
                else
                    take(i, std::wstring(role->resource), t.bytes, t.line);
                break;
            }
            case RoleKind::Song: {
                const SongCheck song = CheckSong(bytes);
                if (!song.ok) {
                    errors.push_back(f.name + L"：" + song.problem);
                    break;
                }
                const int seconds = static_cast<int>(song.seconds + 0.5);
                take(i, std::wstring(role->resource), bytes,
                     L"歌曲 " + f.name + L"：" + std::to_wstring(seconds / 60) + L" 分 " +
                         std::to_wstring(seconds % 60) + L" 秒，" + std::to_wstring(song.rate) +
                         L" Hz，" + (song.channels == 1 ? L"单声道" : L"立体声") + L"，已采用");
                break;
            }
        }
    }
    for (std::size_t i = 0; i < files.size(); ++i)
        if (!used[i])
            report.lines.push_back(L"已忽略 " + files[i].name + L"（不是礼物用的文件名）");

    if (!readable)
        errors.push_back(L"无法读取文件夹 " + folder);
    else if (items.empty() && errors.empty())
        errors.push_back(
            L"文件夹里没有可以放进礼物的文件（照片、信、诗、歌曲或 gift.ini），请参照使用说明命名");
    if (SameFile(output, program) || Lower(output) == Lower(FullPath(RunningProgram())))
        errors.push_back(L"不能覆盖正在运行的程序本身：" + output + L"，请换一个名字");
    else if (IsInside(output, folder))
        errors.push_back(L"礼物不能写进素材文件夹里面：" + output);
    else if (GetFileAttributesW(output.c_str()) != INVALID_FILE_ATTRIBUTES &&
             (GetFileAttributesW(output.c_str()) & FILE_ATTRIBUTE_DIRECTORY))
        errors.push_back(L"输出位置是一个文件夹：" + output);

    if (errors.empty()) {
        std::string icon;
        for (const Item& item : items)
            if (item.resource == L"GIFT_START_ICON") icon = item.bytes;
        const std::wstring failure = WriteGift(program, output, items, icon);
        if (!failure.empty()) errors.push_back(failure + L"：" + output);
    }
    for (const std::wstring& e : errors) report.lines.push_back(L"错误：" + e);
    if (errors.empty()) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        GetFileAttributesExW(output.c_str(), GetFileExInfoStandard, &data);
        const unsigned long long size =
            (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        report.lines.push_back(L"礼物已写好：" + output + L"（" + Megabytes(size) +
                               L"），其余内容保留原样");
        report.written = true;
    } else {
        report.lines.push_back(L"没有写出礼物（有 " + std::to_wstring(errors.size()) +
                               L" 个问题，请改正后再试）。");
    }
    return report;
}

}  // namespace maker
