#pragma once
// A COM stream over a block of global memory: the way encoded picture bytes
// reach GdipLoadImageFromStream.
//
// The stream owns its memory block (it frees it when released), so there is
// exactly one thing to release and no way to free the memory under a stream
// that is still in use. Move-only: released exactly once.
#include <windows.h>
#include <objidl.h>

#include <optional>
#include <utility>
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
    // With bytes: a stream positioned at the start of a copy of them (an empty
    // block gives a stream that reads nothing). Without: an empty stream for
    // writing, which grows as it is written. Releases what was held first;
    // returns the stream, or null when memory or stream failed.
    IStream* Open(std::optional<ByteBlock> bytes = std::nullopt);
    IStream* Stream() const { return stream; }
    // Number of bytes the stream holds (0 when none).
    SIZE_T Size() const;
    // A copy of those bytes.
    std::vector<unsigned char> Bytes() const;
    // The global memory block behind the stream (null when none).
    HGLOBAL Memory() const;

private:
    IStream* stream = nullptr;
};

// A picture decoded from bytes together with the stream it was read from: GDI+
// may read the stream for as long as the picture lives, so the two live and die
// together (the picture goes first).
struct StreamImage {
    GlobalMemoryStream stream;
    UniqueGlobal pixels;  // or the pixels it reads, when decoded by the program's own decoders
    UniqueGpImage image;  // declared last, so it is disposed first

    StreamImage() = default;
    StreamImage(StreamImage&&) noexcept = default;
    // Members are assigned in declaration order, which would free the old
    // stream and pixels while the old picture still reads them: the picture
    // goes first.
    StreamImage& operator=(StreamImage&& other) noexcept {
        if (this != &other) {
            image.reset();
            pixels = std::move(other.pixels);
            stream = std::move(other.stream);
            image = std::move(other.image);
        }
        return *this;
    }

    explicit operator bool() const { return static_cast<bool>(image); }
    GpImage* get() const { return image.get(); }
};

// Decodes `bytes` with GDI+; an empty StreamImage when they do not decode.
StreamImage DecodeImage(ByteBlock bytes);
