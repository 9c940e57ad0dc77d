#pragma once
// Gift folders built in the test: real files in a fresh folder with a Chinese
// name, pictures encoded here (JPEG with a hand-written EXIF block, PNG and
// BMP written byte by byte), and the songs embedded into the test program.
#include <windows.h>

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "maker/JpegWriter.h"
#include "maker/Resample.h"
#include "platform/ByteBlock.h"

extern "C" const unsigned char MakerSong48kMono[];
extern "C" const unsigned char MakerSong22kMono[];

namespace makertest {

using maker::Pixels;

inline std::string Bytes(ByteBlock block) {
    return std::string(reinterpret_cast<const char*>(block.data), block.size);
}
inline std::string Song48kMono() {
    return Bytes(ByteBlock::FromDataPointer(MakerSong48kMono));
}
inline std::string Song22kMono() {
    return Bytes(ByteBlock::FromDataPointer(MakerSong22kMono));
}

inline std::string Utf8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

inline void WriteBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
inline std::string ReadBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
inline bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline std::wstring ThisProgram() {
    wchar_t path[MAX_PATH * 4] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    return path;
}

// A fresh, empty folder under the temporary folder, removed with everything
// in it (one level) when the test ends.
class Scratch {
public:
    explicit Scratch(const std::wstring& name) {
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, temp);
        root_ = std::wstring(temp) + L"礼物测试-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                name;
        Clear(root_);
        CreateDirectoryW(root_.c_str(), nullptr);
    }
    ~Scratch() { Clear(root_); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const std::wstring& path() const { return root_; }
    std::wstring Folder(const std::wstring& name) const {
        const std::wstring p = root_ + L"\\" + name;
        CreateDirectoryW(p.c_str(), nullptr);
        return p;
    }
    // Files left in the scratch folder itself.
    std::vector<std::wstring> Files() const {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found{};
        HANDLE h = FindFirstFileW((root_ + L"\\*").c_str(), &found);
        if (h == INVALID_HANDLE_VALUE) return names;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(found.cFileName);
        } while (FindNextFileW(h, &found));
        FindClose(h);
        return names;
    }

private:
    static void Clear(const std::wstring& dir) {
        WIN32_FIND_DATAW found{};
        HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &found);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name == L"." || name == L"..") continue;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    Clear(dir + L"\\" + name);
                else
                    DeleteFileW((dir + L"\\" + name).c_str());
            } while (FindNextFileW(h, &found));
            FindClose(h);
        }
        RemoveDirectoryW(dir.c_str());
    }
    std::wstring root_;
};

// Pixels from a colour function of (x, y).
inline maker::Pixels Paint(int w, int h, const std::function<std::uint32_t(int, int)>& colour) {
    maker::Pixels p;
    p.width = w;
    p.height = h;
    p.data.resize(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.data[static_cast<std::size_t>(y) * w + x] = colour(x, y);
    return p;
}

// A JPEG with an EXIF block carrying `orientation` in IFD0, written in
// little-endian ("II") or big-endian ("MM") TIFF order.
inline std::string JpegWithOrientation(const maker::Pixels& pixels, int orientation,
                                       bool bigEndian) {
    const std::string jpeg = maker::EncodeJpeg(pixels);
    std::string tiff =
        bigEndian ? std::string("MM\0*\0\0\0\x08", 8) : std::string("II*\0\x08\0\0\0", 8);
    auto u16 = [&](unsigned v) {
        tiff += bigEndian ? char(v >> 8) : char(v & 0xFF);
        tiff += bigEndian ? char(v & 0xFF) : char(v >> 8);
    };
    auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            tiff += char(bigEndian ? (v >> (24 - 8 * i)) & 0xFF : (v >> (8 * i)) & 0xFF);
    };
    u16(2);  // two entries: a resolution unit first, then the orientation
    u16(0x0128);
    u16(3);
    u32(1);
    u16(2);
    u16(0);
    u16(0x0112);
    u16(3);
    u32(1);
    u16(static_cast<unsigned>(orientation));
    u16(0);
    u32(0);  // no next IFD
    const std::string payload = std::string("Exif\0\0", 6) + tiff;
    const std::size_t length = payload.size() + 2;
    std::string app1 = "\xFF\xE1";
    app1 += char(length >> 8);
    app1 += char(length & 0xFF);
    return jpeg.substr(0, 2) + app1 + payload + jpeg.substr(2);
}

inline std::string Be32(std::uint32_t v) {
    return {char(v >> 24), char((v >> 16) & 0xFF), char((v >> 8) & 0xFF), char(v & 0xFF)};
}

// A PNG, 8-bit RGB (colour type 2) or RGBA (6).
inline std::string Png(const maker::Pixels& p, bool alpha) {
    std::string raw;
    for (int y = 0; y < p.height; ++y) {
        raw += '\0';
        for (int x = 0; x < p.width; ++x) {
            const std::uint32_t c = p.data[static_cast<std::size_t>(y) * p.width + x];
            raw += char((c >> 16) & 0xFF);
            raw += char((c >> 8) & 0xFF);
            raw += char(c & 0xFF);
            if (alpha) raw += char(c >> 24);
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(packedSize, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
              reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()), 6);
    packed.resize(packedSize);
    auto chunk = [](const std::string& type, const std::string& data) {
        std::string body = type + data;
        const uLong crc =
            crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
        return Be32(static_cast<std::uint32_t>(data.size())) + body +
               Be32(static_cast<std::uint32_t>(crc));
    };
    std::string ihdr =
        Be32(static_cast<std::uint32_t>(p.width)) + Be32(static_cast<std::uint32_t>(p.height));
    ihdr += char(8);
    ihdr += char(alpha ? 6 : 2);
    ihdr += std::string(3, '\0');
    return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) + chunk("IDAT", packed) +
           chunk("IEND", "");
}

// Just a PNG signature and a header claiming `w` x `h`: nothing to decode.
inline std::string PngHeaderOnly(std::uint32_t w, std::uint32_t h) {
    maker::Pixels one = Paint(1, 1, [](int, int) { return 0xFF000000u; });
    std::string png = Png(one, false);
    const std::string dims = Be32(w) + Be32(h);
    png.replace(16, 8, dims);
    return png;
}

}  // namespace makertest
