#include "app/SongFile.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "app/Content.h"
#include "platform/Handle.h"
#include "runtime/Services.h"
#include "runtime/Text.h"

namespace gift {
namespace {

// 音乐.mp3, then 音乐 (2).mp3 up to this number; a folder holding that many
// other files of these names is passed over.
constexpr int kLastNumber = 9;

std::string SongName(int number) {
    return number == 1 ? std::string("音乐.mp3") : "音乐 (" + std::to_string(number) + ").mp3";
}

std::string InFolder(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "\\" + name;
}

enum class Found { Nothing, Same, Other };

// What the file at `path` holds, compared with `song`. Anything that cannot
// be read as a file (a folder, a file in use) counts as other bytes.
Found Compare(const std::wstring& path, ByteBlock song) {
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES &&
        GetLastError() == ERROR_FILE_NOT_FOUND)
        return Found::Nothing;
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart != song.size)
        return Found::Other;
    std::vector<unsigned char> held(64 * 1024);
    for (std::uint32_t at = 0; at < song.size;) {
        DWORD read = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(held.size(), song.size - at));
        if (!ReadFile(file.get(), held.data(), want, &read, nullptr) || read != want ||
            std::memcmp(held.data(), song.data + at, read) != 0)
            return Found::Other;
        at += read;
    }
    return Found::Same;
}

// Writes `song` to a file that did not exist; false, with nothing left
// behind, when the folder does not take it.
bool WriteNew(const std::wstring& path, ByteBlock song) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    bool whole = true;
    for (std::uint32_t at = 0; whole && at < song.size;) {
        DWORD written = 0;
        whole = ::WriteFile(file.get(), song.data + at, song.size - at, &written, nullptr) &&
                written > 0;
        at += written;
    }
    whole = CloseHandle(file.release()) && whole;
    if (!whole) DeleteFileW(path.c_str());
    return whole;
}

// The temporary folder without its last backslash; empty when unknown.
std::string TemporaryFolder() {
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathW(MAX_PATH + 1, folder);
    if (n == 0 || n > MAX_PATH) return {};
    std::wstring directory(folder, n);
    while (!directory.empty() && (directory.back() == L'\\' || directory.back() == L'/'))
        directory.pop_back();
    return runtime::detail::NarrowPath(directory);
}

}  // namespace

std::string MusicPath() {
    // Without a folder the bare name, in the current folder; "\音乐.mp3" alone
    // would name the root of the drive.
    return InFolder(runtime::ProgramDirectory(), SongName(1));
}

std::string FallbackMusicPath() {
    const std::string folder = TemporaryFolder();
    return folder.empty() ? std::string() : InFolder(folder, SongName(1));
}

std::string PlaceSong(std::initializer_list<std::string> folders, ByteBlock song) {
    for (const std::string& folder : folders) {
        for (int number = 1; number <= kLastNumber; ++number) {
            const std::string path = InFolder(folder, SongName(number));
            const std::wstring wide = runtime::detail::Widen(path);
            const Found found = Compare(wide, song);
            if (found == Found::Same) return path;
            if (found == Found::Other) continue;
            if (WriteNew(wide, song)) return path;
            break;  // a free name the folder does not take: read-only, full, gone
        }
    }
    return {};
}

std::string WriteSong() {
    const std::string temporary = TemporaryFolder();
    const std::string place =
        temporary.empty() ? PlaceSong({runtime::ProgramDirectory()}, content::Song())
                          : PlaceSong({runtime::ProgramDirectory(), temporary}, content::Song());
    return place.empty() ? MusicPath() : place;
}

}  // namespace gift
