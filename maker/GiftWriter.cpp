#include "maker/GiftWriter.h"

#include <windows.h>
#include <imagehlp.h>

#include <cstdint>
#include <cstring>
#include <utility>

#include "platform/Handle.h"

namespace maker {

namespace {

// The temporary copy: removed when it is dropped before being renamed.
class TemporaryFile {
public:
    explicit TemporaryFile(std::wstring path) : path_(std::move(path)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (!path_.empty()) DeleteFileW(path_.c_str());
    }
    const std::wstring& path() const { return path_; }
    void Keep() { path_.clear(); }

private:
    std::wstring path_;
};

// A module loaded as data only (either architecture), freed once.
class DataModule {
public:
    explicit DataModule(const std::wstring& path)
        : module_(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    DataModule(const DataModule&) = delete;
    DataModule& operator=(const DataModule&) = delete;
    ~DataModule() {
        if (module_) FreeLibrary(module_);
    }
    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};

// An update handle: discarded unless committed.
class ResourceUpdate {
public:
    explicit ResourceUpdate(const std::wstring& path)
        : handle_(BeginUpdateResourceW(path.c_str(), FALSE)) {}
    ResourceUpdate(const ResourceUpdate&) = delete;
    ResourceUpdate& operator=(const ResourceUpdate&) = delete;
    ~ResourceUpdate() {
        if (handle_) EndUpdateResourceW(handle_, TRUE);
    }
    HANDLE get() const { return handle_; }
    bool Commit() { return EndUpdateResourceW(std::exchange(handle_, nullptr), FALSE) != FALSE; }

private:
    HANDLE handle_;
};

std::wstring SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = text ? text : L"";
    if (text) LocalFree(text);
    while (!message.empty() &&
           (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
        message.pop_back();
    return L"（错误 " + std::to_wstring(code) + (message.empty() ? L"" : L"：" + message) + L"）";
}

constexpr WORD kNeutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);

bool ReadsBack(const std::wstring& path, const std::vector<Item>& items) {
    DataModule copy(path);
    if (!copy.get()) return false;
    for (const Item& item : items) {
        const std::string block = BlockOf(item.bytes);
        HRSRC found = FindResourceW(copy.get(), item.resource.c_str(), MAKEINTRESOURCEW(10));
        if (!found || SizeofResource(copy.get(), found) != block.size()) return false;
        HGLOBAL loaded = LoadResource(copy.get(), found);
        const void* data = loaded ? LockResource(loaded) : nullptr;
        if (!data || std::memcmp(data, block.data(), block.size()) != 0) return false;
    }
    return true;
}

UniqueFile OpenFile(const std::wstring& path, DWORD access) {
    return UniqueFile(CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool ReadAt(HANDLE file, std::uint64_t offset, void* out, std::size_t count) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    DWORD got = 0;
    return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
           ReadFile(file, out, static_cast<DWORD>(count), &got, nullptr) && got == count;
}

std::uint64_t SizeOf(HANDLE file) {
    LARGE_INTEGER size{};
    return GetFileSizeEx(file, &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
}

// MinGW programs carry a COFF symbol table after their last section. When
// the resources grow, EndUpdateResource moves the sections behind them (and
// the table with them) but, under Wine, leaves the header's pointer to the
// table where it was. The loader never reads it, but tools that list the
// sections do; point it at the table's new place. Nothing happens when the
// table is where the pointer says or cannot be found.
void FollowSymbolTable(const std::wstring& program, const std::wstring& copy) {
    UniqueFile original = OpenFile(program, GENERIC_READ);
    UniqueFile updated = OpenFile(copy, GENERIC_READ | GENERIC_WRITE);
    if (!original || !updated) return;
    std::uint32_t header = 0, pointer = 0;
    if (!ReadAt(original.get(), 0x3C, &header, 4) ||
        !ReadAt(original.get(), header + 12u, &pointer, 4))
        return;
    const std::uint64_t originalSize = SizeOf(original.get()), updatedSize = SizeOf(updated.get());
    if (pointer == 0 || pointer >= originalSize || originalSize - pointer > (64u << 20)) return;
    const std::size_t tail = static_cast<std::size_t>(originalSize - pointer);
    if (updatedSize < tail || updatedSize - tail == pointer || updatedSize - tail > 0xFFFFFFFFu)
        return;
    std::string before(tail, '\0'), after(tail, '\0');
    if (!ReadAt(original.get(), pointer, before.data(), tail) ||
        !ReadAt(updated.get(), updatedSize - tail, after.data(), tail) || before != after)
        return;
    std::uint32_t updatedHeader = 0;
    if (!ReadAt(updated.get(), 0x3C, &updatedHeader, 4)) return;
    const std::uint32_t moved = static_cast<std::uint32_t>(updatedSize - tail);
    LARGE_INTEGER at;
    at.QuadPart = updatedHeader + 12;
    DWORD written = 0;
    if (SetFilePointerEx(updated.get(), at, nullptr, FILE_BEGIN))
        WriteFile(updated.get(), &moved, 4, &written, nullptr);
}

// The program's icon group "GIFT": its language and the id of its first image.
struct IconGroup {
    WORD language = 0;
    WORD firstImage = 0;
    bool found = false;
};

BOOL CALLBACK FirstLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR out) {
    *reinterpret_cast<WORD*>(out) = language;
    return FALSE;
}

IconGroup FindIconGroup(const std::wstring& program) {
    IconGroup group;
    DataModule module(program);
    if (!module.get()) return group;
    HRSRC found = FindResourceW(module.get(), L"GIFT", MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    HGLOBAL loaded = found ? LoadResource(module.get(), found) : nullptr;
    const auto* dir = static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr);
    if (!dir || SizeofResource(module.get(), found) < 6 + 14) return group;
    EnumResourceLanguagesW(module.get(), MAKEINTRESOURCEW(14), L"GIFT", FirstLanguage,
                           reinterpret_cast<LONG_PTR>(&group.language));
    std::memcpy(&group.firstImage, dir + 6 + 12, 2);
    group.found = group.firstImage != 0;
    return group;
}

// The group directory for an .ico file's single image stored as `id`.
std::string GroupFor(const std::string& ico, WORD id) {
    std::string group = ico.substr(0, 6);
    group[4] = 1, group[5] = 0;  // one image
    group += ico.substr(6, 12);  // size, colours, planes, bits, byte count
    group += static_cast<char>(id & 0xFF);
    group += static_cast<char>(id >> 8);
    return group;
}

std::string IconImage(const std::string& ico) {
    if (ico.size() < 22) return {};
    std::uint32_t bytes = 0, offset = 0;
    std::memcpy(&bytes, ico.data() + 14, 4);
    std::memcpy(&offset, ico.data() + 18, 4);
    if (offset > ico.size() || bytes > ico.size() - offset) return {};
    return ico.substr(offset, bytes);
}

// The checksum field of the PE optional header, as the system's own
// CheckSumMappedFile computes it, then the whole copy flushed to the disk so
// that nothing half-written can replace the older gift.
bool SetChecksumAndFlush(const std::wstring& path) {
    DWORD inHeader = 0, computed = 0;
    if (MapFileAndCheckSumW(path.c_str(), &inHeader, &computed) != CHECKSUM_SUCCESS) return false;
    UniqueFile file = OpenFile(path, GENERIC_READ | GENERIC_WRITE);
    std::uint32_t header = 0;
    if (!file || !ReadAt(file.get(), 0x3C, &header, 4)) return false;
    LARGE_INTEGER at;
    at.QuadPart = header + 4 + 20 + 64;  // signature, file header, optional header to CheckSum
    DWORD written = 0;
    return SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN) &&
           WriteFile(file.get(), &computed, 4, &written, nullptr) && written == 4 &&
           FlushFileBuffers(file.get());
}

// A virus scanner opens a new program as soon as it appears; the replace is
// retried for two seconds before it counts as failed.
bool ReplaceWithRetry(const std::wstring& from, const std::wstring& to) {
    for (int waited = 0;; waited += 100) {
        if (MoveFileExW(from.c_str(), to.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD why = GetLastError();
        const bool held = why == ERROR_ACCESS_DENIED || why == ERROR_SHARING_VIOLATION ||
                          why == ERROR_LOCK_VIOLATION;
        if (!held || waited >= 2000) {
            SetLastError(why);
            return false;
        }
        Sleep(100);
    }
}

}  // namespace

std::string BlockOf(const std::string& bytes) {
    std::string block(8, '\0');
    const std::uint32_t one = 1, count = static_cast<std::uint32_t>(bytes.size());
    std::memcpy(block.data(), &one, 4);
    std::memcpy(block.data() + 4, &count, 4);
    block += bytes;
    block += '\0';
    return block;
}

Written WriteGift(const std::wstring& program, const std::wstring& output,
                  const std::vector<Item>& items, const std::string& explorerIcon,
                  bool ontoRunning) {
    Written result;
    auto fail = [&](std::wstring why) {
        result.error = std::move(why);
        return result;
    };
    const IconGroup icon = explorerIcon.empty() ? IconGroup{} : FindIconGroup(program);
    const std::string iconImage = icon.found ? IconImage(explorerIcon) : std::string();
    TemporaryFile temporary(output + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp");
    if (!CopyFileW(program.c_str(), temporary.path().c_str(), FALSE))
        return fail(L"无法在目标文件夹里写文件 " + SystemMessage(GetLastError()));
    SetFileAttributesW(temporary.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    {
        ResourceUpdate update(temporary.path());
        if (!update.get()) return fail(L"无法修改程序的副本 " + SystemMessage(GetLastError()));
        for (const Item& item : items) {
            std::string block = BlockOf(item.bytes);
            if (!UpdateResourceW(update.get(), MAKEINTRESOURCEW(10), item.resource.c_str(),
                                 kNeutral, block.data(), static_cast<DWORD>(block.size())))
                return fail(L"无法把内容写进程序的副本 " + SystemMessage(GetLastError()));
        }
        if (!iconImage.empty()) {
            std::string group = GroupFor(explorerIcon, icon.firstImage);
            if (!UpdateResourceW(update.get(), MAKEINTRESOURCEW(3),
                                 MAKEINTRESOURCEW(icon.firstImage), icon.language,
                                 const_cast<char*>(iconImage.data()),
                                 static_cast<DWORD>(iconImage.size())) ||
                !UpdateResourceW(update.get(), MAKEINTRESOURCEW(14), L"GIFT", icon.language,
                                 group.data(), static_cast<DWORD>(group.size())))
                return fail(L"无法替换程序的图标 " + SystemMessage(GetLastError()));
        }
        if (!update.Commit()) return fail(L"无法写完程序的副本 " + SystemMessage(GetLastError()));
    }
    FollowSymbolTable(program, temporary.path());
    if (!SetChecksumAndFlush(temporary.path()))
        return fail(L"无法写完程序的副本 " + SystemMessage(GetLastError()));
    if (!ReadsBack(temporary.path(), items)) return fail(L"写出的副本读回来不对，已放弃");
    result.path = output;
    if (ontoRunning) {
        // The running program cannot be replaced, but it can be renamed.
        const std::wstring stem = output.substr(0, output.size() - 4);
        std::wstring aside = stem + L"（旧的，可以删掉）.exe";
        for (int n = 2; GetFileAttributesW(aside.c_str()) != INVALID_FILE_ATTRIBUTES && n < 100;
             ++n)
            aside = stem + L"（旧的，可以删掉）(" + std::to_wstring(n) + L").exe";
        if (MoveFileExW(output.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH)) {
            if (!MoveFileExW(temporary.path().c_str(), output.c_str(), MOVEFILE_WRITE_THROUGH)) {
                const DWORD why = GetLastError();
                MoveFileExW(aside.c_str(), output.c_str(), MOVEFILE_WRITE_THROUGH);
                return fail(L"无法替换 " + output + SystemMessage(why));
            }
            temporary.Keep();
            result.note = DeleteFileW(aside.c_str())
                              ? L"新的礼物替换了原来的 " + output
                              : L"新的礼物替换了原来的 " + output +
                                    L"；旧的礼物正在运行，已改名为 " + aside + L"，关掉后可以删掉";
            return result;
        }
        // Beside it, under a name nothing has.
        std::wstring beside = stem + L" (2).exe";
        for (int n = 3; GetFileAttributesW(beside.c_str()) != INVALID_FILE_ATTRIBUTES && n < 1000;
             ++n)
            beside = stem + L" (" + std::to_wstring(n) + L").exe";
        if (!ReplaceWithRetry(temporary.path(), beside))
            return fail(L"无法写出 " + beside + SystemMessage(GetLastError()));
        temporary.Keep();
        result.path = beside;
        result.note = L"原来的 " + output + L" 正在使用，不能替换；新的礼物写成了 " + beside;
        return result;
    }
    if (!ReplaceWithRetry(temporary.path(), output))
        return fail(L"无法替换 " + output + L"（它是否正在运行？）" +
                    SystemMessage(GetLastError()));
    temporary.Keep();
    return result;
}

}  // namespace maker
