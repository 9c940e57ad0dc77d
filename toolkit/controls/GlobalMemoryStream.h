#pragma once
// A COM stream over a block of global memory: the way encoded picture bytes
// reach GdipLoadImageFromStream.
//
// Move-only: the stream and its memory are released exactly once.
#include <objidl.h>
#include <windows.h>

#include <optional>
#include <vector>

#include "platform/ByteBlock.h"
#include "toolkit/core/Gdip.h"
#include "toolkit/draw/GdipOwners.h"

class GlobalMemoryStream final {
public:
    GlobalMemoryStream() = default;
    ~GlobalMemoryStream() { Release(); }
    GlobalMemoryStream(GlobalMemoryStream&& other) noexcept;
    GlobalMemoryStream& operator=(GlobalMemoryStream&& other) noexcept;
    GlobalMemoryStream(const GlobalMemoryStream&) = delete;
    GlobalMemoryStream& operator=(const GlobalMemoryStream&) = delete;

    // Releases the stream and its memory.
    void Release();
    // With bytes: a stream reading a copy of them (an empty block gives an empty
    // stream). Without: an empty, growable stream for writing. Releases what was
    // held first; returns the stream, or null when memory or stream failed.
    IStream* Open(std::optional<ByteBlock> bytes = std::nullopt);
    IStream* Stream() const { return stream; }
    // Byte size of the memory block (0 when none).
    SIZE_T Size() const;
    // A copy of the memory block's bytes.
    std::vector<unsigned char> Bytes() const;

private:
    HGLOBAL memory = nullptr;
    IStream* stream = nullptr;
    bool streamOwnsMemory = false;  // the growable stream frees its own memory
};

// A picture decoded from bytes together with the stream it was read from: GDI+
// may read the stream for as long as the picture lives, so the two live and die
// together (the picture goes first).
struct StreamImage {
    GlobalMemoryStream stream;
    UniqueGpImage image;  // declared second, so it is disposed first

    explicit operator bool() const { return static_cast<bool>(image); }
    GpImage* get() const { return image.get(); }
};

// Decodes `bytes` with GDI+; an empty StreamImage when they do not decode.
StreamImage DecodeImage(ByteBlock bytes);
