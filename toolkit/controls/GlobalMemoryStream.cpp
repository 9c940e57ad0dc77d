#include "toolkit/controls/GlobalMemoryStream.h"

#include <algorithm>
#include <cstring>
#include <utility>

GlobalMemoryStream::GlobalMemoryStream(GlobalMemoryStream&& other) noexcept
    : stream(std::exchange(other.stream, nullptr)) {}

GlobalMemoryStream& GlobalMemoryStream::operator=(GlobalMemoryStream&& other) noexcept {
    if (this != &other) {
        Release();
        stream = std::exchange(other.stream, nullptr);
    }
    return *this;
}

void GlobalMemoryStream::Release() {
    if (stream) stream->Release();  // deletes its memory block too
    stream = nullptr;
}

IStream* GlobalMemoryStream::Open(std::optional<ByteBlock> bytes) {
    Release();
    // A null handle makes the stream allocate (moveable) memory of its own. A
    // block allocated here instead would report the allocator's rounded size
    // (1 byte for an empty block) as the stream's length.
    if (CreateStreamOnHGlobal(nullptr, TRUE, &stream) != S_OK) {
        stream = nullptr;
        return nullptr;
    }
    if (bytes && !bytes->empty()) {
        ULARGE_INTEGER size{};
        size.QuadPart = bytes->size;
        ULONG written = 0;
        if (stream->SetSize(size) != S_OK ||
            stream->Write(bytes->data, bytes->size, &written) != S_OK || written != bytes->size) {
            Release();
            return nullptr;
        }
        LARGE_INTEGER start{};
        stream->Seek(start, STREAM_SEEK_SET, nullptr);
    }
    return stream;
}

HGLOBAL GlobalMemoryStream::Memory() const {
    HGLOBAL memory = nullptr;
    if (stream && GetHGlobalFromStream(stream, &memory) != S_OK) memory = nullptr;
    return memory;
}

SIZE_T GlobalMemoryStream::Size() const {
    STATSTG stat{};
    if (!stream || stream->Stat(&stat, STATFLAG_NONAME) != S_OK) return 0;
    return static_cast<SIZE_T>(stat.cbSize.QuadPart);
}

std::vector<unsigned char> GlobalMemoryStream::Bytes() const {
    std::vector<unsigned char> bytes;
    HGLOBAL memory = Memory();
    const SIZE_T size = memory ? std::min(Size(), GlobalSize(memory)) : 0;
    if (size == 0) return bytes;
    if (const void* source = GlobalLock(memory)) {
        bytes.assign(static_cast<const unsigned char*>(source),
                     static_cast<const unsigned char*>(source) + size);
        GlobalUnlock(memory);
    }
    return bytes;
}

StreamImage DecodeImage(ByteBlock bytes) {
    StreamImage result;
    if (IStream* stream = result.stream.Open(bytes)) {
        gp::GdipLoadImageFromStream(stream, result.image.put());
        if (!result.image) result.stream.Release();
    }
    return result;
}
