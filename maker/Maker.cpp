#include "maker/Maker.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cwctype>
#include <map>
#include <mutex>
#include <new>
#include <thread>

#include "maker/FileIdentity.h"
#include "maker/FileNames.h"
#include "maker/GiftIni.h"
#include "maker/GiftText.h"
#include "maker/GiftWriter.h"
#include "maker/Photo.h"
#include "maker/PictureHeader.h"
#include "maker/Roles.h"
#include "maker/Song.h"
#include "platform/Handle.h"

namespace maker {

namespace {

constexpr std::size_t kMaxInputBytes = 64u * 1024 * 1024;
// Photos above this many pixels are decoded one at a time, so two jobs never
// hold two full-size decodes at once.
constexpr long long kBigPhotoPixels = 16'000'000;

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
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

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
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

// The folder's files by name; `hidden` those Explorer does not show
// (Thumbs.db, desktop.ini), which the report does not list as ignored.
std::vector<std::wstring> ListFolder(const std::wstring& folder, bool& readable,
                                     std::vector<std::wstring>& hidden) {
    std::vector<std::wstring> files;
    WIN32_FIND_DATAW found{};
    const std::wstring pattern =
        folder + (folder.back() == L'\\' || folder.back() == L'/' ? L"*" : L"\\*");
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    readable = search != INVALID_HANDLE_VALUE;
    if (!readable) return files;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        files.push_back(found.cFileName);
        if (found.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
            hidden.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(files.begin(), files.end());
    return files;
}

std::wstring Megabytes(unsigned long long bytes) {
    const unsigned long long tenths = (bytes * 10 + 512 * 1024) / (1024 * 1024);
    return std::to_wstring(tenths / 10) + L"." + std::to_wstring(tenths % 10) + L" MB";
}

std::wstring Joined(const std::vector<std::wstring>& names, const wchar_t* separator) {
    std::wstring all;
    for (const std::wstring& n : names) all += (all.empty() ? L"" : separator) + n;
    return all;
}

// One file the gift takes, read.
struct Job {
    std::wstring name;
    NamedFile named;
    std::string bytes;
    bool big = false;  // a photo decoded one at a time
};

// What became of it.
struct Outcome {
    std::wstring resource;  // empty when nothing is taken under a role
    std::string bytes;
    std::vector<Item> settings;  // gift.ini's
    std::vector<std::wstring> used, warnings, errors;
};

Outcome Process(const Job& job) {
    Outcome o;
    const std::wstring& name = job.name;
    auto taken = [&](std::wstring resource, std::string bytes, std::wstring line, bool ok) {
        if (!ok) {
            o.errors.push_back(std::move(line));
            return;
        }
        o.resource = std::move(resource);
        o.bytes = std::move(bytes);
        o.used.push_back(std::move(line));
    };
    if (job.named.ini) {
        IniTaken settings = TakeIni(job.bytes, name);
        for (const IniSetting& s : settings.settings) o.settings.push_back({s.resource, s.gbk});
        o.used = std::move(settings.lines);
        o.warnings = std::move(settings.warnings);
        o.errors = std::move(settings.errors);
        return o;
    }
    if (job.named.fireworks) {
        const int n = job.named.fireworks;
        Taken t =
            TakeExactPicture(job.bytes, ExactFormat::PngRgba, kFireworksWidth, kFireworksHeight, 1,
                             name, L"烟花第 " + std::to_wstring(n) + L" 帧");
        const bool ok = !t.bytes.empty();
        taken(FireworksResource(n), std::move(t.bytes), std::move(t.line), ok);
        return o;
    }
    const Role& role = *job.named.role;
    const std::wstring resource(role.resource);
    switch (role.kind) {
        case RoleKind::Photo:
        case RoleKind::Exact: {
            Taken t = role.kind == RoleKind::Photo
                          ? TakePhoto(job.bytes, role, name, role.stem == L"big_rose")
                          : TakeExactPicture(job.bytes, role.format, role.width, role.height,
                                             role.frames, name, std::wstring(role.what));
            const bool ok = !t.bytes.empty();
            if (ok && !t.warning.empty()) o.warnings.push_back(t.warning);
            taken(resource, std::move(t.bytes), std::move(t.line), ok);
            break;
        }
        case RoleKind::Letter:
        case RoleKind::Poem: {
            TextTaken t = role.kind == RoleKind::Letter
                              ? TakeLetter(job.bytes, name, std::wstring(role.what))
                              : TakePoem(job.bytes, name);
            if (t.ok && !t.warning.empty()) o.warnings.push_back(t.warning);
            taken(resource, std::move(t.bytes), std::move(t.line), t.ok);
            break;
        }
        case RoleKind::Song: {
            SongTaken song = TakeSong(job.bytes, name);
            if (song.ok && !song.warning.empty()) o.warnings.push_back(song.warning);
            taken(resource, std::move(song.bytes), std::move(song.line), song.ok);
            break;
        }
    }
    return o;
}

// The key under which a named file is taken: two files with one key are a conflict.
std::wstring KeyOf(const NamedFile& named) {
    if (named.ini) return L"gift.ini";
    if (named.fireworks) return FireworksResource(named.fireworks);
    return std::wstring(named.role->resource);
}

std::wstring WhatOf(const NamedFile& named) {
    if (named.ini) return L"礼物的设置";
    if (named.fireworks) return L"烟花第 " + std::to_wstring(named.fireworks) + L" 帧";
    return std::wstring(named.role->what);
}

std::wstring DesktopFolder() {
    wchar_t path[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, path) !=
        S_OK)
        return {};
    return path;
}

// `folder\stem.exe`, or with " (2)", " (3)" … the first name nothing has.
std::wstring FreeName(const std::wstring& folder, const std::wstring& stem) {
    std::wstring candidate = folder + L"\\" + stem + L".exe";
    for (int n = 2; Exists(candidate) && n < 1000; ++n)
        candidate = folder + L"\\" + stem + L" (" + std::to_wstring(n) + L").exe";
    return candidate;
}

// Whether the file starts like a Windows program (MZ, then a PE header).
bool IsProgram(const std::wstring& path) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    unsigned char head[1024] = {};
    DWORD got = 0;
    if (!ReadFile(file.get(), head, sizeof head, &got, nullptr) || got < 0x40) return false;
    if (head[0] != 'M' || head[1] != 'Z') return false;
    const std::uint32_t pe = head[0x3C] | (head[0x3D] << 8) | (head[0x3E] << 16) |
                             (static_cast<std::uint32_t>(head[0x3F]) << 24);
    return pe + 4 <= got && head[pe] == 'P' && head[pe + 1] == 'E' && head[pe + 2] == 0 &&
           head[pe + 3] == 0;
}

// The outcome of making, as the report's ordered lines.
struct Findings {
    std::vector<std::wstring> errors, warnings, used, ignored;
    std::wstring outcome;

    std::vector<std::wstring> Lines() const {
        std::vector<std::wstring> lines;
        for (const std::wstring& e : errors) lines.push_back(L"错误：" + e);
        for (const std::wstring& w : warnings) lines.push_back(L"注意：" + w);
        lines.insert(lines.end(), used.begin(), used.end());
        if (!ignored.empty()) {
            std::vector<std::wstring> shown(
                ignored.begin(), ignored.begin() + std::min<std::size_t>(5, ignored.size()));
            lines.push_back(L"已忽略 " + std::to_wstring(ignored.size()) +
                            L" 个不是礼物用的文件名的文件：" + Joined(shown, L"、") +
                            (ignored.size() > shown.size() ? L" 等" : L""));
        }
        lines.push_back(outcome);
        return lines;
    }
};

Report Make(const MakeRequest& request) {
    Report report;
    Findings found;
    std::vector<Item> items;

    const std::wstring folder = WithoutTrailingSlash(FullPath(request.folder));
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        found.errors.push_back(L"找不到文件夹 " + folder);
        found.outcome = L"没有写出礼物。";
        report.lines = found.Lines();
        return report;
    }
    const std::wstring program = request.program.empty() ? RunningProgram() : request.program;

    // Where the gift goes: beside the folder, or for a drive root (nothing
    // beside it) on the desktop under a name nothing there has.
    std::wstring output;
    if (!request.output.empty()) {
        output = FullPath(request.output);
    } else if (request.folderIsDriveRoot || IsVolumeRoot(folder)) {
        std::wstring beside =
            request.rootOutputFolder.empty() ? DesktopFolder() : request.rootOutputFolder;
        if (beside.empty()) beside = ParentOf(program);
        const std::wstring stem = folder.size() >= 2 && folder[1] == L':'
                                      ? std::wstring(L"我的礼物（") + folder[0] + L" 盘）"
                                      : std::wstring(L"我的礼物");
        output = FreeName(WithoutTrailingSlash(beside), stem);
    } else {
        output = folder + L".exe";
    }

    bool readable = false;
    std::vector<std::wstring> hidden;
    const std::vector<std::wstring> files = ListFolder(folder, readable, hidden);

    // Which files the gift takes; two for one purpose are both refused.
    std::map<std::wstring, std::vector<std::size_t>> byKey;
    std::vector<NamedFile> names(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        names[i] = NameOf(files[i]);
        if (names[i].Named())
            byKey[KeyOf(names[i])].push_back(i);
        else if (std::find(hidden.begin(), hidden.end(), files[i]) == hidden.end())
            found.ignored.push_back(files[i]);
    }
    std::vector<Job> jobs;
    for (const auto& [key, indices] : byKey) {
        if (indices.size() > 1) {
            std::vector<std::wstring> both;
            for (std::size_t i : indices) both.push_back(files[i]);
            found.errors.push_back(Joined(both, L" 和 ") + L" 都是" + WhatOf(names[indices[0]]) +
                                   L"，请只留一个");
            continue;
        }
        const std::size_t i = indices[0];
        Job job;
        job.name = files[i];
        job.named = names[i];
        if (!names[i].meant.empty())
            found.warnings.push_back(files[i] +
                                     L" 的名字多了一个扩展名（Windows 隐藏了它），已当作 " +
                                     names[i].meant + L" 使用");
        std::wstring readError;
        const bool rooted = folder.back() == L'\\' || folder.back() == L'/';  // E:\ keeps its slash
        if (!ReadWholeFile(folder + (rooted ? L"" : L"\\") + files[i], job.bytes, readError)) {
            found.errors.push_back(files[i] + L"：" + readError);
            continue;
        }
        if (job.named.role && job.named.role->kind == RoleKind::Photo) {
            const PictureHeader h = ReadPictureHeader(
                reinterpret_cast<const unsigned char*>(job.bytes.data()), job.bytes.size());
            job.big = static_cast<long long>(h.width) * h.height > kBigPhotoPixels ||
                      h.format == PictureFormat::Unknown;
        }
        jobs.push_back(std::move(job));
    }

    // Decoding photographs and the song is most of the work: two at a time,
    // but never two big photographs.
    std::vector<Outcome> outcomes(jobs.size());
    std::atomic<std::size_t> next{0};
    std::mutex bigPhoto;
    auto work = [&] {
        for (std::size_t j; (j = next++) < jobs.size();) {
            try {
                std::unique_lock<std::mutex> lock(bigPhoto, std::defer_lock);
                if (jobs[j].big) lock.lock();
                outcomes[j] = Process(jobs[j]);
            } catch (const std::bad_alloc&) {
                outcomes[j] = Outcome{};
                outcomes[j].errors.push_back(jobs[j].name + L"：内存不够，处理不了这个文件");
            }
            jobs[j].bytes = std::string();
        }
    };
    {
        std::thread helper(work);
        work();
        helper.join();
    }

    for (Outcome& o : outcomes) {
        for (Item& item : o.settings) items.push_back(std::move(item));
        for (std::wstring& line : o.used) found.used.push_back(std::move(line));
        for (std::wstring& w : o.warnings) found.warnings.push_back(std::move(w));
        for (std::wstring& e : o.errors) found.errors.push_back(std::move(e));
        if (!o.resource.empty()) items.push_back({o.resource, std::move(o.bytes)});
    }

    if (!readable)
        found.errors.push_back(L"无法读取文件夹 " + folder);
    else if (items.empty() && found.errors.empty())
        found.errors.push_back(
            L"文件夹里没有可以放进礼物的文件（照片、信、诗、歌曲或 gift.ini），请参照使用说明命名");

    // Where the gift may go, decided by which files the paths are, not by their text.
    const bool ontoRunning = SameFile(output, RunningProgram());
    if (!Exists(program))
        found.errors.push_back(L"找不到要复制的程序：" + program);
    else if (Lower(output.substr(output.size() >= 4 ? output.size() - 4 : 0)) != L".exe")
        found.errors.push_back(L"礼物的文件名必须以 .exe 结尾：" + output);
    else if (IsInsideFolder(output, folder))
        found.errors.push_back(L"礼物不能写进素材文件夹里面：" + output);
    else if (Exists(output) && (GetFileAttributesW(output.c_str()) & FILE_ATTRIBUTE_DIRECTORY))
        found.errors.push_back(L"输出位置是一个文件夹：" + output);
    else if (Exists(output) && !IsProgram(output))
        found.errors.push_back(L"不会覆盖不是程序的文件：" + output + L"，请换一个名字");

    if (found.errors.empty()) {
        std::string icon;
        for (const Item& item : items)
            if (item.resource == ResourceFor(L"start_icon")) icon = item.bytes;
        const Written written = WriteGift(program, output, items, icon, ontoRunning);
        if (!written.error.empty()) {
            found.errors.push_back(written.error + L"：" + output);
        } else {
            output = written.path;
            if (!written.note.empty()) found.warnings.push_back(written.note);
        }
    }
    if (found.errors.empty()) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        GetFileAttributesExW(output.c_str(), GetFileExInfoStandard, &data);
        const unsigned long long size =
            (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        found.outcome =
            L"礼物已写好：" + output + L"（" + Megabytes(size) + L"），其余内容保留原样";
        report.written = true;
        report.output = output;
    } else {
        found.outcome = L"没有写出礼物（有 " + std::to_wstring(found.errors.size()) +
                        L" 个问题，请改正后再试）。";
    }
    report.lines = found.Lines();
    return report;
}

}  // namespace

Report MakeGift(const MakeRequest& request) {
    // Out of memory anywhere (a huge picture in a 32-bit process): a line of
    // the report, and the temporary copy is gone with the unwinding.
    try {
        return Make(request);
    } catch (const std::bad_alloc&) {
        Report report;
        report.lines = {L"错误：内存不够，礼物没有做成。请关掉别的程序，或换小一些的照片后再试",
                        L"没有写出礼物。"};
        return report;
    }
}

}  // namespace maker
