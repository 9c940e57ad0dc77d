#include "toolkit/controls/SkinFrameCache.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/decode/ImageDecode.h"

namespace {

// Larger pictures are not packed rather than risking an overflowing byte count.
constexpr long long kMaxPixels = 1LL << 26;

}  // namespace

PackedPicture PackedPicture::FromImage(GpImage* image) {
    PackedPicture packed;
    Gdiplus::ImageType type = Gdiplus::ImageTypeUnknown;
    if (!image || gp::GdipGetImageType(image, &type) != Gdiplus::Ok ||
        type != Gdiplus::ImageTypeBitmap)
        return packed;
    UINT w = 0, h = 0;
    gp::GdipGetImageWidth(image, &w);
    gp::GdipGetImageHeight(image, &h);
    if (w == 0 || h == 0 || w > 0xFFFF || static_cast<long long>(w) * h > kMaxPixels) return packed;
    // The same conversion the layer uses when it copies a picture it was given.
    std::vector<std::uint32_t> full(static_cast<std::size_t>(w) * h);
    Gdiplus::BitmapData data{};
    data.Width = w;
    data.Height = h;
    data.Stride = static_cast<INT>(w * 4);
    data.PixelFormat = PixelFormat32bppPARGB;
    data.Scan0 = full.data();
    const Gdiplus::Rect rect(0, 0, static_cast<INT>(w), static_cast<INT>(h));
    auto* bitmap = static_cast<GpBitmap*>(image);
    if (gp::GdipBitmapLockBits(bitmap, &rect,
                               Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                               PixelFormat32bppPARGB, &data) != Gdiplus::Ok)
        return packed;
    gp::GdipBitmapUnlockBits(bitmap, &data);
    return Pack(full.data(), static_cast<int>(w), static_cast<int>(h));
}

namespace {

std::uint32_t BigEndian32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

// 8-bit RGB or RGBA without the chunks that make the system's decoder treat
// colours differently (gamma, chromaticities, colour profiles, a transparent
// colour): libpng then gives exactly the pixels GDI+ gives.
bool IsPlainPng(ByteBlock bytes) {
    static constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size < 8 + 25 || std::memcmp(bytes.data, kSignature, 8) != 0) return false;
    const unsigned char* ihdr = bytes.data + 8;
    if (BigEndian32(ihdr) != 13 || std::memcmp(ihdr + 4, "IHDR", 4) != 0) return false;
    const unsigned depth = ihdr[16], colour = ihdr[17];
    if (depth != 8 || (colour != 2 && colour != 6)) return false;
    for (std::size_t at = 8; at + 8 <= bytes.size;) {
        const std::uint32_t length = BigEndian32(bytes.data + at);
        const unsigned char* type = bytes.data + at + 4;
        if (std::memcmp(type, "IDAT", 4) == 0) return true;
        for (const char* other : {"gAMA", "cHRM", "sRGB", "iCCP", "tRNS", "sBIT"})
            if (std::memcmp(type, other, 4) == 0) return false;
        if (bytes.size - at < 12 || length > bytes.size - at - 12) return false;
        at += 12 + static_cast<std::size_t>(length);
    }
    return false;
}

}  // namespace

PackedPicture PackedPicture::FromPlainPng(ByteBlock bytes) {
    if (!IsPlainPng(bytes)) return {};
    decode::Image image = decode::DecodePng(bytes.data, bytes.size);
    if (image.Empty() || image.width > 0xFFFF ||
        static_cast<long long>(image.width) * image.height > kMaxPixels)
        return {};
    std::vector<std::uint32_t>& pixels = image.frames[0].pixels;
    for (std::uint32_t& p : pixels) {
        const std::uint32_t a = p >> 24;
        if (a == 255) continue;
        auto scale = [a](std::uint32_t c) { return (c * a + 127) / 255; };
        p = a << 24 | scale(p >> 16 & 0xFF) << 16 | scale(p >> 8 & 0xFF) << 8 | scale(p & 0xFF);
    }
    return Pack(pixels.data(), image.width, image.height);
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
    packed.values_.reserve(values);
    packed.lengths_.reserve(lengths);
    tokens(
        [&](std::uint32_t value, int n) {
            packed.values_.push_back(value);
            packed.lengths_.push_back(static_cast<std::uint16_t>(n));
        },
        [&](const std::uint32_t* first, int n) {
            packed.values_.insert(packed.values_.end(), first, first + n);
            packed.lengths_.push_back(static_cast<std::uint16_t>(kSpan | n));
        });
    packed.width_ = w;
    packed.height_ = h;
    return packed;
}

std::size_t PackedPicture::Bytes() const {
    return sizeof(*this) + values_.capacity() * sizeof(std::uint32_t) +
           lengths_.capacity() * sizeof(std::uint16_t);
}

void PackedPicture::Expand(std::uint32_t* dest, std::size_t stride, int w, int h) const {
    if (!dest || w <= 0 || h <= 0) return;
    const int rows = std::min(h, height_);
    const int cut = std::min(w, width_);
    const std::uint32_t* value = values_.data();
    const std::uint16_t* length = lengths_.data();
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

const PackedPicture* SkinFrameCache::Insert(const PictureKey& key, PackedPicture picture) {
    const std::size_t bytes = picture.Bytes();
    while (!entries_.empty() && bytes_ + bytes > budget_) {
        bytes_ -= entries_.front().picture.Bytes();
        entries_.pop_front();
    }
    entries_.push_back({key, std::move(picture)});
    bytes_ += bytes;
    return &entries_.back().picture;
}

void SkinFrameCache::Clear() {
    entries_.clear();
    bytes_ = 0;
}
