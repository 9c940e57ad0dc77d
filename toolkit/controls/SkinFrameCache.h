#pragma once
// The skin layer's store of decoded pictures. A window that is handed the same
// encoded picture again and again (an animation looping through its frames)
// decodes each one once: the pixels are kept packed as runs of equal
// premultiplied ARGB pixels (a run of transparent pixels is one entry), looked
// up by the encoded bytes' content, so a different picture is never served.
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>

#include "platform/ByteBlock.h"
#include "toolkit/draw/PictureKey.h"
#include "toolkit/core/Gdip.h"

// A picture's premultiplied ARGB pixels, row by row, as runs of equal pixels
// and spans of differing ones. The gift's fireworks frames shrink to about a
// quarter of their size (each is mostly transparent or a faint haze) and
// unpack with a fill per run and a copy per span.
class PackedPicture {
public:
    // From any bitmap GDI+ can lock as premultiplied ARGB, at most 65535
    // pixels wide; empty otherwise, and when memory is short (every buffer
    // here is allocated without throwing).
    static PackedPicture FromImage(GpImage* image);
    // From a plain PNG (8-bit RGB or RGBA, no transparent colour, none of the
    // colour chunks decode::PngColoursNeedSystem leaves to GDI+), decoded with libpng and
    // premultiplied as GDI+ premultiplies (each colour c becomes (c * alpha + 127) / 255): the same
    // pixels as FromImage of GDI+'s decode, in about half the time. Empty for any other bytes,
    // which are left to the system's decoder.
    static PackedPicture FromPlainPng(ByteBlock bytes);

    bool Empty() const { return width_ <= 0 || height_ <= 0; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // What the picture keeps in memory.
    std::size_t Bytes() const;

    // Writes the picture's top-left w x h pixels (cut to the picture) to `dest`,
    // whose rows are `stride` pixels apart; every other pixel of the w x h area
    // becomes fully transparent.
    void Expand(std::uint32_t* dest, std::size_t stride, int w, int h) const;

    // Packs w x h premultiplied pixels, rows `w` apart; w at most 65535.
    static PackedPicture Pack(const std::uint32_t* pixels, int w, int h);

private:
    int width_ = 0;
    int height_ = 0;
    // One length per run or span, a span's with kSpan set; a run has one
    // value, a span one per pixel. Neither crosses a row's end.
    static constexpr std::uint16_t kSpan = 0x8000;
    std::unique_ptr<std::uint32_t[]> values_;
    std::unique_ptr<std::uint16_t[]> lengths_;
    std::size_t valueCount_ = 0;
    std::size_t lengthCount_ = 0;
};

// Packed pictures by key, at most `budget` bytes of them. Once full it stores
// nothing more and evicts nothing: an animation looping through more frames
// than fit keeps hitting for the frames it kept (evicting the oldest would
// miss on every frame of such a loop), and a window fed an endless stream of
// new pictures keeps a bounded store.
class SkinFrameCache {
public:
    explicit SkinFrameCache(std::size_t budget = kDefaultBudget) : budget_(budget) {}

    // The picture stored under `key`, or null.
    const PackedPicture* Find(const PictureKey& key) const;
    // Stores `picture` under `key` and returns the stored one while there is
    // room (the first is kept even when it alone exceeds the budget); null
    // when the store is full, `picture` then left as it was.
    const PackedPicture* Insert(const PictureKey& key, PackedPicture&& picture);
    std::size_t Bytes() const { return bytes_; }
    std::size_t Count() const { return entries_.size(); }
    void Clear();

    // Room for an animation of a few dozen mostly transparent 640 x 480 frames.
    static constexpr std::size_t kDefaultBudget = 24u << 20;

private:
    struct Entry {
        PictureKey key;
        PackedPicture picture;
    };
    std::size_t budget_;
    std::size_t bytes_ = 0;
    std::list<Entry> entries_;  // a list, so stored pictures never move
};
