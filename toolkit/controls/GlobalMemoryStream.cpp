#include "toolkit/controls/GlobalMemoryStream.h"

#include <cstring>
#include <utility>

GlobalMemoryStream::GlobalMemoryStream(GlobalMemoryStream&& other) noexcept
    : memory(std::exchange(other.memory, nullptr)),
      stream(std::exchange(other.stream, nullptr)),
      streamOwnsMemory(std::exchange(other.streamOwnsMemory, false)) {}

GlobalMemoryStream& GlobalMemoryStream::operator=(GlobalMemoryStream&& other) noexcept {
    if (this != &other) {
        Release();
        memory = std::exchange(other.memory, nullptr);
        stream = std::exchange(other.stream, nullptr);
        streamOwnsMemory = std::exchange(other.streamOwnsMemory, false);
    }
    return *this;
}

void GlobalMemoryStream::Release() {
    if (stream) stream->Release();
    // A stream made to delete its memory on release has just done so.
    if (memory && !(stream && streamOwnsMemory)) GlobalFree(memory);
    stream = nullptr;
    memory = nullptr;
    streamOwnsMemory = false;
}

IStream* GlobalMemoryStream::Open(std::optional<ByteBlock> bytes) {
    Release();
    if (bytes) {
        const SIZE_T length = bytes->empty() ? 0 : bytes->size;
        memory = GlobalAlloc(GMEM_FIXED, length);
        if (!memory) return nullptr;
        if (length) {
            void* target = GlobalLock(memory);
            if (target) {
                std::memcpy(target, bytes->data, length);
                GlobalUnlock(memory);
            }
        }
        if (CreateStreamOnHGlobal(memory, FALSE, &stream) != S_OK) {
            stream = nullptr;
            Release();
        }
        return stream;
    }
    memory = GlobalAlloc(GMEM_MOVEABLE, 0);
    if (!memory) return nullptr;
    if (CreateStreamOnHGlobal(memory, TRUE, &stream) != S_OK) {
        stream = nullptr;
        Release();
        return nullptr;
    }
    streamOwnsMemory = true;
    return stream;
}

SIZE_T GlobalMemoryStream::Size() const {
    if (!memory) return 0;
    // A growable stream may have moved its memory: ask it for the current block.
    HGLOBAL current = memory;
    if (stream && streamOwnsMemory) GetHGlobalFromStream(stream, &current);
    return GlobalSize(current);
}

std::vector<unsigned char> GlobalMemoryStream::Bytes() const {
    std::vector<unsigned char> bytes;
    if (!memory) return bytes;
    HGLOBAL current = memory;
    if (stream && streamOwnsMemory) GetHGlobalFromStream(stream, &current);
    const SIZE_T size = GlobalSize(current);
    if (size == 0) return bytes;
    if (const void* source = GlobalLock(current)) {
        bytes.assign(static_cast<const unsigned char*>(source),
                     static_cast<const unsigned char*>(source) + size);
        GlobalUnlock(current);
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
