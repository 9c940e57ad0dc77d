#include "toolkit/controls/SkinFrameCache.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "platform/PixelSize.h"
#include "platform/decode/ImageDecode.h"
#include "platform/decode/PngChunks.h"

PackedPicture PackedPicture::FromImage(GpImage* image) {
    PackedPicture packed;
    Gdiplus::ImageType type = Gdiplus::ImageTypeUnknown;
    if (!image || gp::GdipGetImageType(image, &type) != Gdiplus::Ok ||
        type != Gdiplus::ImageTypeBitmap)
        return packed;
    UINT w = 0, h = 0;
    gp::GdipGetImageWidth(image, &w);
    gp::GdipGetImageHeight(image, &h);
    if (w > 0xFFFF) return packed;
    // The same conversion the layer uses when it copies a picture it was given.
    const std::unique_ptr<std::uint32_t[]> full = AllocatePixels(w, h);
    if (!full) return packed;
    Gdiplus::BitmapData data{};
    data.Width = w;
    data.Height = h;
    data.Stride = static_cast<INT>(w * 4);
    data.PixelFormat = PixelFormat32bppPARGB;
    data.Scan0 = full.get();
    const Gdiplus::Rect rect(0, 0, static_cast<INT>(w), static_cast<INT>(h));
    auto* bitmap = static_cast<GpBitmap*>(image);
    if (gp::GdipBitmapLockBits(bitmap, &rect,
                               Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                               PixelFormat32bppPARGB, &data) != Gdiplus::Ok)
        return packed;
    gp::GdipBitmapUnlockBits(bitmap, &data);
    return Pack(full.get(), static_cast<int>(w), static_cast<int>(h));
}

namespace {

// 8-bit RGB or RGBA without a transparent colour or significant-bits chunk,
// and without the colour chunks the system's decoder applies: libpng then
// gives exactly the pixels GDI+ gives.
bool IsPlainPng(ByteBlock bytes) {
    if (bytes.size < 8 + 25) return false;
    const unsigned char* ihdr = bytes.data + 8;
    if (std::memcmp(ihdr + 4, "IHDR", 4) != 0) return false;
    const unsigned depth = ihdr[16], colour = ihdr[17];
    if (depth != 8 || (colour != 2 && colour != 6)) return false;
    return !decode::PngColoursNeedSystem(bytes.data, bytes.size) &&
           decode::PngLacksChunks(bytes.data, bytes.size, {"tRNS", "sBIT"});
}

}  // namespace

PackedPicture PackedPicture::FromPlainPng(ByteBlock bytes) {
    if (!IsPlainPng(bytes)) return {};
    struct Room {
        std::unique_ptr<std::uint32_t[]> pixels;
        int width = 0, height = 0;
    } room;
    const decode::PixelSink sink{[](void* context, int width, int height) -> std::uint32_t* {
                                     auto* r = static_cast<Room*>(context);
                                     if (width > 0xFFFF) return nullptr;
                                     r->pixels = AllocatePixels(width, height);
                                     r->width = width;
                                     r->height = height;
                                     return r->pixels.get();
                                 },
                                 &room};
    if (!decode::DecodePngTo(bytes.data, bytes.size, sink) || !room.pixels) return {};
    std::uint32_t* const end = room.pixels.get() + PixelCount(room.width, room.height);
    for (std::uint32_t* p = room.pixels.get(); p != end; ++p) {
        const std::uint32_t a = *p >> 24;
        if (a == 255) continue;
        auto scale = [a](std::uint32_t c) { return (c * a + 127) / 255; };
        *p = a << 24 | scale(*p >> 16 & 0xFF) << 16 | scale(*p >> 8 & 0xFF) << 8 | scale(*p & 0xFF);
    }
    return Pack(room.pixels.get(), room.width, room.height);
}

PackedPicture PackedPicture::Pack(const std::uint32_t* pixels, int w, int h) {
    PackedPicture packed;
    // Runs of three or more equal pixels are filled; whatever lies between
    // them is copied. Lengths stay below kSpan.
    constexpr int kLongest = kSpan - 1;
    auto tokens = [&](auto&& run, auto&& span) {
        for (int y = 0; y < h; ++y) {
            const std::uint32_t* row = pixels + static_cast<std::size_t>(y) * w;
            for (int x = 0; x < w;) {
                int n = 1;
                while (x + n < w && n < kLongest && row[x + n] == row[x]) ++n;
                if (n >= 3) {
                    run(row[x], n);
                    x += n;
                    continue;
                }
                const int start = x;
                while (x < w && x - start < kLongest &&
                       !(x + 2 < w && row[x] == row[x + 1] && row[x] == row[x + 2]))
                    ++x;
                span(row + start, x - start);
            }
        }
    };
    // Counted first, so each array is allocated once at its final size.
    std::size_t values = 0, lengths = 0;
    tokens([&](std::uint32_t, int) { ++values, ++lengths; },
           [&](const std::uint32_t*, int n) { values += static_cast<std::size_t>(n), ++lengths; });
    packed.values_.reset(new (std::nothrow) std::uint32_t[values]);
    packed.lengths_.reset(new (std::nothrow) std::uint16_t[lengths]);
    if (!packed.values_ || !packed.lengths_) return {};
    std::uint32_t* value = packed.values_.get();
    std::uint16_t* length = packed.lengths_.get();
    tokens(
        [&](std::uint32_t v, int n) {
            *value++ = v;
            *length++ = static_cast<std::uint16_t>(n);
        },
        [&](const std::uint32_t* first, int n) {
            value = std::copy(first, first + n, value);
            *length++ = static_cast<std::uint16_t>(kSpan | n);
        });
    packed.valueCount_ = values;
    packed.lengthCount_ = lengths;
    packed.width_ = w;
    packed.height_ = h;
    return packed;
}

std::size_t PackedPicture::Bytes() const {
    return sizeof(*this) + valueCount_ * sizeof(std::uint32_t) +
           lengthCount_ * sizeof(std::uint16_t);
}

void PackedPicture::Expand(std::uint32_t* dest, std::size_t stride, int w, int h) const {
    if (!dest || w <= 0 || h <= 0) return;
    const int rows = std::min(h, height_);
    const int cut = std::min(w, width_);
    const std::uint32_t* value = values_.get();
    const std::uint16_t* length = lengths_.get();
    for (int y = 0; y < rows; ++y) {
        std::uint32_t* row = dest + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < width_; ++length) {
            const int n = *length & ~kSpan;
            const int shown = std::max(0, std::min(n, cut - x));
            if (*length & kSpan) {
                if (shown > 0) std::memcpy(row + x, value, static_cast<std::size_t>(shown) * 4);
                value += n;
            } else {
                if (shown > 0) std::fill_n(row + x, shown, *value);
                ++value;
            }
            x += n;
        }
        if (cut < w) std::memset(row + cut, 0, static_cast<std::size_t>(w - cut) * 4);
    }
    for (int y = rows; y < h; ++y)
        std::memset(dest + static_cast<std::size_t>(y) * stride, 0,
                    static_cast<std::size_t>(w) * 4);
}

const PackedPicture* SkinFrameCache::Find(const PictureKey& key) const {
    if (key.size == 0) return nullptr;
    for (const Entry& entry : entries_)
        if (entry.key == key) return &entry.picture;
    return nullptr;
}

const PackedPicture* SkinFrameCache::Insert(const PictureKey& key, PackedPicture&& picture) {
    const std::size_t bytes = picture.Bytes();
    if (!entries_.empty() && bytes_ + bytes > budget_) return nullptr;
    entries_.push_back({key, std::move(picture)});
    bytes_ += bytes;
    return &entries_.back().picture;
}

void SkinFrameCache::Clear() {
    entries_.clear();
    bytes_ = 0;
}
