#include "maker/FileIdentity.h"

#include <windows.h>

#include "platform/Handle.h"

namespace maker {

namespace {

bool IsSlash(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// The path the file system resolved the handle to (junctions and subst
// followed); empty when the system cannot say.
std::wstring FinalPath(HANDLE file) {
    std::wstring path(1024, L'\0');
    DWORD n = GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()), 0);
    if (n >= path.size()) {
        path.resize(n + 1);
        n = GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()), 0);
    }
    if (n == 0 || n >= path.size()) return {};
    path.resize(n);
    return path;
}

UniqueFile OpenForIdentity(const std::wstring& path) {
    // Backup semantics opens folders too; no access is asked, so a file in use opens.
    return UniqueFile(CreateFileW(path.c_str(), 0,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

std::optional<FileIdentity> IdentityOfHandle(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber,
                        (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

// Whether `start` or any folder above it (by the path's text) is `target`.
bool ChainHolds(std::wstring start, const FileIdentity& target) {
    for (int depth = 0; !start.empty() && depth < 512; ++depth) {
        if (IdentityOf(start) == target) return true;
        start = ParentOf(start);
    }
    return false;
}

}  // namespace

std::wstring FullPath(const std::wstring& path) {
    const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring full(n, L'\0');
    const DWORD m = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
    full.resize(m);
    return full;
}

std::wstring ParentOf(const std::wstring& path) {
    std::wstring p = path;
    while (!p.empty() && IsSlash(p.back())) p.pop_back();
    // Nothing above "\\server\share".
    if (p.size() > 2 && IsSlash(p[0]) && IsSlash(p[1])) {
        const std::size_t server = p.find_first_of(L"\\/", 2);
        if (server == std::wstring::npos ||
            p.find_first_of(L"\\/", server + 1) == std::wstring::npos)
            return {};
    }
    const std::size_t slash = p.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return {};
    std::wstring parent = p.substr(0, slash);
    // "C:" alone means the current folder of drive C; its root is meant.
    if (parent.size() == 2 && parent[1] == L':') parent += L'\\';
    if (parent.empty() || parent == p) return {};
    return parent;
}

std::optional<FileIdentity> IdentityOf(const std::wstring& path) {
    UniqueFile file = OpenForIdentity(path);
    if (!file) return std::nullopt;
    return IdentityOfHandle(file.get());
}

bool SameFile(const std::wstring& a, const std::wstring& b) {
    const std::optional<FileIdentity> ia = IdentityOf(a), ib = IdentityOf(b);
    return ia && ib && *ia == *ib;
}

bool IsInsideFolder(const std::wstring& path, const std::wstring& folder) {
    const std::optional<FileIdentity> target = IdentityOf(folder);
    if (!target) return false;
    // The nearest folder above `path` that exists.
    std::wstring existing = ParentOf(FullPath(path));
    while (!existing.empty() && !IdentityOf(existing)) existing = ParentOf(existing);
    if (existing.empty()) return false;
    if (ChainHolds(existing, *target)) return true;
    UniqueFile opened = OpenForIdentity(existing);
    const std::wstring resolved = opened ? FinalPath(opened.get()) : std::wstring();
    return !resolved.empty() && ChainHolds(resolved, *target);
}

bool IsVolumeRoot(const std::wstring& folder) {
    // A root has no folder above it to write the gift beside (E:\, a subst
    // drive, \\server\share); a volume mounted in a folder has one.
    return ParentOf(FullPath(folder)).empty();
}

}  // namespace maker
