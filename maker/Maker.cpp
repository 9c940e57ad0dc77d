#include "maker/Maker.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <thread>
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

// One file the gift takes, read.
struct Job {
    std::size_t index = 0;  // in the folder's listing
    const Role* role = nullptr;
    int fireworks = 0;  // fireworks frame number, or 0
    bool ini = false;
    std::string bytes;
};

// What became of it.
struct Outcome {
    std::wstring resource;  // empty when nothing is taken under a role
    std::string bytes;
    std::wstring line;
    std::vector<Item> settings;  // gift.ini's
    std::vector<std::wstring> lines, errors;
};

Outcome Process(const Job& job, const std::wstring& name) {
    Outcome o;
    auto taken = [&](std::wstring resource, std::string bytes, std::wstring line, bool ok) {
        if (!ok) {
            o.errors.push_back(std::move(line));
            return;
        }
        o.resource = std::move(resource);
        o.bytes = std::move(bytes);
        o.line = std::move(line);
    };
    if (job.ini) {
        IniTaken settings = TakeIni(job.bytes, name);
        for (const IniSetting& s : settings.settings) o.settings.push_back({s.resource, s.gbk});
        o.lines = std::move(settings.lines);
        o.errors = std::move(settings.errors);
        return o;
    }
    if (job.fireworks) {
        Taken t =
            TakeExactPicture(job.bytes, ExactFormat::PngRgba, kFireworksWidth, kFireworksHeight, 1,
                             name, L"烟花第 " + std::to_wstring(job.fireworks) + L" 帧");
        const bool ok = !t.bytes.empty();
        taken(FireworksResource(job.fireworks), std::move(t.bytes), std::move(t.line), ok);
        return o;
    }
    const Role& role = *job.role;
    const std::wstring resource(role.resource);
    switch (role.kind) {
        case RoleKind::Photo:
        case RoleKind::Exact: {
            Taken t = role.kind == RoleKind::Photo
                          ? TakePhoto(job.bytes, role, name, role.stem == L"big_rose")
                          : TakeExactPicture(job.bytes, role.format, role.width, role.height,
                                             role.frames, name, std::wstring(role.what));
            const bool ok = !t.bytes.empty();
            taken(resource, std::move(t.bytes), std::move(t.line), ok);
            break;
        }
        case RoleKind::Letter:
        case RoleKind::Poem: {
            TextTaken t = role.kind == RoleKind::Letter
                              ? TakeLetter(job.bytes, name, std::wstring(role.what))
                              : TakePoem(job.bytes, name);
            taken(resource, std::move(t.bytes), std::move(t.line), t.ok);
            break;
        }
        case RoleKind::Song: {
            const SongCheck song = CheckSong(job.bytes);
            if (!song.ok) {
                taken(resource, {}, name + L"：" + song.problem, false);
                break;
            }
            const int seconds = static_cast<int>(song.seconds + 0.5);
            taken(resource, job.bytes,
                  L"歌曲 " + name + L"：" + std::to_wstring(seconds / 60) + L" 分 " +
                      std::to_wstring(seconds % 60) + L" 秒，" + std::to_wstring(song.rate) +
                      L" Hz，" + (song.channels == 1 ? L"单声道" : L"立体声") + L"，已采用",
                  true);
            break;
        }
    }
    return o;
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

    // Which files the gift takes, read in folder order.
    std::vector<Job> jobs;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const FolderFile& f = files[i];
        Job job;
        job.index = i;
        for (const Role& r : kRoles)
            if (r.stem == f.stem) job.role = &r;
        for (int n = 1; n <= kFireworksFrames && !job.role; ++n)
            if (f.stem == FireworksStem(n)) job.fireworks = n;
        job.ini = f.stem == L"gift" && f.extension == L".ini";
        if (!job.role && !job.fireworks && !job.ini) continue;
        // A role's file with the wrong kind of extension is listed as ignored.
        const RoleKind kind = job.role ? job.role->kind : RoleKind::Exact;
        if ((kind == RoleKind::Letter || kind == RoleKind::Poem) && f.extension != L".txt")
            continue;
        if (kind == RoleKind::Song && f.extension != L".mp3") continue;
        if (!job.ini && (kind == RoleKind::Photo || kind == RoleKind::Exact) &&
            !IsOneOf(f.extension, {L".jpg", L".jpeg", L".png", L".bmp", L".gif", L".ico"}))
            continue;
        used[i] = true;
        std::wstring readError;
        if (!ReadWholeFile(folder + L"\\" + f.name, job.bytes, readError)) {
            errors.push_back(f.name + L"：" + readError);
            continue;
        }
        jobs.push_back(std::move(job));
    }

    // Decoding photographs and the song is most of the work: two at a time.
    std::vector<Outcome> outcomes(jobs.size());
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t j; (j = next++) < jobs.size();) {
            outcomes[j] = Process(jobs[j], files[jobs[j].index].name);
            jobs[j].bytes = std::string();
        }
    };
    {
        std::thread helper(work);
        work();
        helper.join();
    }

    for (std::size_t j = 0; j < jobs.size(); ++j) {
        Outcome& o = outcomes[j];
        for (Item& item : o.settings) items.push_back(std::move(item));
        for (std::wstring& line : o.lines) report.lines.push_back(std::move(line));
        for (std::wstring& error : o.errors) errors.push_back(std::move(error));
        if (!o.resource.empty()) take(jobs[j].index, o.resource, o.bytes, o.line);
    }
    for (std::size_t i = 0; i < files.size(); ++i)
        if (!used[i])
            report.lines.push_back(L"已忽略 " + files[i].name + L"（不是礼物用的文件名）");

    if (!readable)
        errors.push_back(L"无法读取文件夹 " + folder);
    else if (items.empty() && errors.empty())
        errors.push_back(
            L"文件夹里没有可以放进礼物的文件（照片、信、诗、歌曲或 gift.ini），请参照使用说明命名");
    if (GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES)
        errors.push_back(L"找不到要复制的程序：" + program);
    else if (SameFile(output, program) || Lower(output) == Lower(FullPath(RunningProgram())))
        errors.push_back(L"不能覆盖正在运行的程序本身：" + output + L"，请换一个名字");
    else if (IsInside(output, folder))
        errors.push_back(L"礼物不能写进素材文件夹里面：" + output);
    else if (GetFileAttributesW(output.c_str()) != INVALID_FILE_ATTRIBUTES &&
             (GetFileAttributesW(output.c_str()) & FILE_ATTRIBUTE_DIRECTORY))
        errors.push_back(L"输出位置是一个文件夹：" + output);

    if (errors.empty()) {
        std::string icon;
        for (const Item& item : items)
            if (item.resource == ResourceFor(L"start_icon")) icon = item.bytes;
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
