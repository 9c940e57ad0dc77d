#include "tests/runtime/RuntimeSupport.h"

#include <objidl.h>
#include <gdiplus.h>
#include <shellapi.h>

#include <cstring>

namespace {

void Put16(std::vector<unsigned char>& out, unsigned v) {
    out.push_back(static_cast<unsigned char>(v & 0xFF));
    out.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}

// LZW without compression: 9-bit codes, a clear code often enough that the
// code width never grows.
std::vector<unsigned char> LzwUncompressed(const std::vector<std::uint8_t>& indices) {
    std::vector<unsigned char> bytes;
    std::uint32_t bitBuffer = 0;
    int bitCount = 0;
    auto emit = [&](unsigned code) {
        bitBuffer |= code << bitCount;
        bitCount += 9;
        while (bitCount >= 8) {
            bytes.push_back(static_cast<unsigned char>(bitBuffer & 0xFF));
            bitBuffer >>= 8;
            bitCount -= 8;
        }
    };
    int sinceClear = 0;
    emit(256);
    for (std::uint8_t index : indices) {
        if (sinceClear == 250) {
            emit(256);
            sinceClear = 0;
        }
        emit(index);
        ++sinceClear;
    }
    emit(257);
    if (bitCount > 0) bytes.push_back(static_cast<unsigned char>(bitBuffer & 0xFF));
    return bytes;
}

}  // namespace

std::vector<unsigned char> MakeGif(int width, int height, const std::vector<std::uint32_t>& palette,
                                   const std::vector<GifFrame>& frames, int transparentIndex) {
    std::vector<unsigned char> out = {'G', 'I', 'F', '8', '9', 'a'};
    Put16(out, static_cast<unsigned>(width));
    Put16(out, static_cast<unsigned>(height));
    out.push_back(0xF7);  // global table of 256 entries, 8 bits
    out.push_back(0);
    out.push_back(0);
    for (int i = 0; i < 256; ++i) {
        std::uint32_t c = i < static_cast<int>(palette.size()) ? palette[i] : 0;
        out.push_back(static_cast<unsigned char>((c >> 16) & 0xFF));
        out.push_back(static_cast<unsigned char>((c >> 8) & 0xFF));
        out.push_back(static_cast<unsigned char>(c & 0xFF));
    }
    if (frames.size() > 1) {
        const unsigned char loop[] = {0x21, 0xFF, 0x0B, 'N', 'E',  'T',  'S',  'C',  'A', 'P',
                                      'E',  '2',  '.',  '0', 0x03, 0x01, 0x00, 0x00, 0x00};
        out.insert(out.end(), std::begin(loop), std::end(loop));
    }
    for (const GifFrame& frame : frames) {
        out.insert(out.end(), {0x21, 0xF9, 0x04});
        out.push_back(static_cast<unsigned char>((2 << 2) | (transparentIndex >= 0 ? 1 : 0)));
        Put16(out, frame.delayCentiseconds);
        out.push_back(static_cast<unsigned char>(transparentIndex >= 0 ? transparentIndex : 0));
        out.push_back(0);
        out.push_back(0x2C);
        Put16(out, 0);
        Put16(out, 0);
        Put16(out, static_cast<unsigned>(width));
        Put16(out, static_cast<unsigned>(height));
        out.push_back(0);
        out.push_back(8);  // minimum code size
        std::vector<unsigned char> data = LzwUncompressed(frame.indices);
        for (size_t at = 0; at < data.size(); at += 255) {
            size_t n = std::min<size_t>(255, data.size() - at);
            out.push_back(static_cast<unsigned char>(n));
            out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                       data.begin() + static_cast<std::ptrdiff_t>(at + n));
        }
        out.push_back(0);
    }
    out.push_back(0x3B);
    return out;
}

std::vector<unsigned char> EncodeWithGdiplus(int width, int height,
                                             const std::vector<std::uint32_t>& pixels,
                                             const char* format) {
    namespace gp = Gdiplus::DllExports;
    CLSID clsid = {0x557cf400, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
    if (std::strcmp(format, "jpeg") == 0) clsid.Data1 = 0x557cf401;
    if (std::strcmp(format, "gif") == 0) clsid.Data1 = 0x557cf402;
    if (std::strcmp(format, "png") == 0) clsid.Data1 = 0x557cf406;
    std::vector<std::uint32_t> copy = pixels;
    Gdiplus::GpBitmap* bitmap = nullptr;
    gp::GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppARGB,
                                  reinterpret_cast<BYTE*>(copy.data()), &bitmap);
    std::vector<unsigned char> bytes;
    IStream* stream = nullptr;
    if (bitmap && CreateStreamOnHGlobal(nullptr, TRUE, &stream) == S_OK) {
        if (gp::GdipSaveImageToStream(bitmap, stream, &clsid, nullptr) == Gdiplus::Ok) {
            HGLOBAL memory = nullptr;
            GetHGlobalFromStream(stream, &memory);
            STATSTG stat{};
            stream->Stat(&stat, STATFLAG_NONAME);
            auto* p = static_cast<unsigned char*>(GlobalLock(memory));
            bytes.assign(p, p + stat.cbSize.QuadPart);
            GlobalUnlock(memory);
        }
        stream->Release();
    }
    if (bitmap) gp::GdipDisposeImage(bitmap);
    return bytes;
}

std::wstring MakeTempFolder() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static int counter = 0;
    std::wstring folder = std::wstring(base) + L"gift_runtime_" +
                          std::to_wstring(GetCurrentProcessId()) + L"_" +
                          std::to_wstring(++counter);
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

void RemoveFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = folder + L"\\" + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}
