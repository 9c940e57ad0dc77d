#pragma once
// Which file or folder a path names, decided by the file system rather than
// by the path's text: two spellings (8.3 names, a junction, a subst drive, a
// drive root written with or without its slash) of one thing have one
// identity.
#include <cstdint>
#include <optional>
#include <string>

namespace maker {

struct FileIdentity {
    std::uint32_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of an existing file or folder; none when it cannot be opened.
std::optional<FileIdentity> IdentityOf(const std::wstring& path);

// Whether `a` and `b` are the same existing file or folder.
bool SameFile(const std::wstring& a, const std::wstring& b);

// Whether `path` (existing or not) would lie inside `folder`, at any depth:
// its nearest existing ancestor or any folder above that is `folder`, both as
// spelled and as the file system resolves it.
bool IsInsideFolder(const std::wstring& path, const std::wstring& folder);

// Whether `folder` is the root of a drive (E:\, a subst drive, a share).
bool IsVolumeRoot(const std::wstring& folder);

// The absolute form of `path`.
std::wstring FullPath(const std::wstring& path);

// `path` without the last component ("" when there is none above it).
std::wstring ParentOf(const std::wstring& path);

}  // namespace maker
