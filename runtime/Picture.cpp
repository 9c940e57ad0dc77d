#include "runtime/Picture.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "platform/Dib.h"
#include "platform/Handle.h"
#include "platform/PixelSize.h"
#include "platform/Resample.h"
#include "platform/decode/ImageDecode.h"
#include "runtime/Services.h"

namespace runtime {

struct Picture::Data {
    int width = 0;
    int height = 0;
    std::vector<Frame> frames;
    bool hasAlpha = false;
    // Made on first use for drawing; one per frame.
    std::vector<UniqueBitmap> bitmaps;
    std::vector<UniqueBitmap> premultiplied;
    // Per background colour, one per frame.
    std::vector<std::pair<COLORREF, std::vector<UniqueBitmap>>> flattened;
    // The last resampled copy and what it was made for.
    struct Sized {
        int width = 0, height = 0;
        std::optional<COLORREF> key;
        std::shared_ptr<Data> data;
    } sized;
};

namespace {

const Picture::Frame& EmptyFrame() {
    static const Picture::Frame empty;
    return empty;
}

// A 32-bit top-down DIB section holding `pixels` after `transform`.
template <typename Transform>
HBITMAP MakeDib(int width, int height, const std::vector<std::uint32_t>& pixels,
                Transform transform) {
    BITMAPINFO info = Argb32Info(width, height);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) return bitmap;
    auto* out = static_cast<std::uint32_t*>(bits);
    for (size_t i = 0; i < pixels.size(); ++i) out[i] = transform(pixels[i]);
    GdiFlush();
    return bitmap;
}

std::uint32_t Premultiply(std::uint32_t p) {
    const std::uint32_t a = p >> 24;
    auto scale = [a](std::uint32_t c) { return (c * a + 127) / 255; };
    return (a << 24) | (scale((p >> 16) & 0xFF) << 16) | (scale((p >> 8) & 0xFF) << 8) |
           scale(p & 0xFF);
}

std::uint32_t Unpremultiply(std::uint32_t p) {
    const std::uint32_t a = p >> 24;
    if (a == 0) return 0;
    auto scale = [a](std::uint32_t c) {
        return std::min<std::uint32_t>(255, (c * 255 + a / 2) / a);
    };
    return (a << 24) | (scale((p >> 16) & 0xFF) << 16) | (scale((p >> 8) & 0xFF) << 8) |
           scale(p & 0xFF);
}

}  // namespace

Picture::Picture(int width, int height, std::vector<Frame> frames) {
    // Past the one pixel limit the count could wrap in a 32-bit size_t.
    const size_t count = PixelCount(width, height);
    if (count == 0 || frames.empty()) return;
    for (const Frame& f : frames)
        if (f.pixels.size() != count) return;
    auto data = std::make_shared<Data>();
    data->width = width;
    data->height = height;
    data->frames = std::move(frames);
    for (const Frame& f : data->frames) {
        for (std::uint32_t p : f.pixels) {
            if ((p >> 24) != 0xFF) {
                data->hasAlpha = true;
                break;
            }
        }
        if (data->hasAlpha) break;
    }
    data->bitmaps.resize(data->frames.size());
    data->premultiplied.resize(data->frames.size());
    data_ = std::move(data);
}

int Picture::Width() const {
    return data_ ? data_->width : 0;
}
int Picture::Height() const {
    return data_ ? data_->height : 0;
}
std::size_t Picture::FrameCount() const {
    return data_ ? data_->frames.size() : 0;
}
bool Picture::HasAlpha() const {
    return data_ && data_->hasAlpha;
}

const Picture::Frame& Picture::FrameAt(std::size_t index) const {
    if (!data_ || index >= data_->frames.size()) return EmptyFrame();
    return data_->frames[index];
}

HBITMAP Picture::Bitmap(std::size_t index) const {
    if (!data_ || index >= data_->frames.size()) return nullptr;
    UniqueBitmap& slot = data_->bitmaps[index];
    if (!slot)
        slot.reset(MakeDib(data_->width, data_->height, data_->frames[index].pixels,
                           [](std::uint32_t p) { return p; }));
    return slot.get();
}

HBITMAP Picture::PremultipliedBitmap(std::size_t index) const {
    if (!data_ || index >= data_->frames.size()) return nullptr;
    UniqueBitmap& slot = data_->premultiplied[index];
    if (!slot)
        slot.reset(MakeDib(data_->width, data_->height, data_->frames[index].pixels, Premultiply));
    return slot.get();
}

HBITMAP Picture::FlattenedBitmap(std::size_t index, COLORREF background) const {
    if (!data_ || index >= data_->frames.size()) return nullptr;
    auto set = std::find_if(data_->flattened.begin(), data_->flattened.end(),
                            [&](const auto& entry) { return entry.first == background; });
    if (set == data_->flattened.end()) {
        data_->flattened.emplace_back(background, std::vector<UniqueBitmap>(data_->frames.size()));
        set = std::prev(data_->flattened.end());
    }
    UniqueBitmap& slot = set->second[index];
    if (!slot) slot.reset(MakeFlattened(index, background));
    return slot.get();
}

HBITMAP Picture::MakeFlattened(std::size_t index, COLORREF background) const {
    std::uint32_t br = GetRValue(background), bg = GetGValue(background),
                  bb = GetBValue(background);
    return MakeDib(data_->width, data_->height, data_->frames[index].pixels, [=](std::uint32_t p) {
        std::uint32_t a = p >> 24;
        auto mix = [a](std::uint32_t c, std::uint32_t b) {
            return (c * a + b * (255 - a) + 127) / 255;
        };
        return 0xFF000000u | (mix((p >> 16) & 0xFF, br) << 16) | (mix((p >> 8) & 0xFF, bg) << 8) |
               mix(p & 0xFF, bb);
    });
}

Picture Picture::Resized(int width, int height, std::optional<COLORREF> key) const {
    if (!data_ || width <= 0 || height <= 0) return {};
    if (width == data_->width && height == data_->height) return *this;
    Data::Sized& sized = data_->sized;
    if (sized.data && sized.width == width && sized.height == height && sized.key == key) {
        Picture kept;
        kept.data_ = sized.data;
        return kept;
    }
    const int sw = data_->width, sh = data_->height;
    const resample::AxisTaps columns = resample::Taps(sw, width);
    const resample::AxisTaps rows = resample::Taps(sh, height);
    const std::uint32_t keyRgb =
        key ? (GetRValue(*key) << 16) | (GetGValue(*key) << 8) | GetBValue(*key) : 0;
    const std::size_t count = static_cast<std::size_t>(width) * height;
    std::vector<Frame> frames(data_->frames.size());
    std::vector<std::uint32_t> premultiplied;
    for (std::size_t f = 0; f < frames.size(); ++f) {
        const std::vector<std::uint32_t>& source = data_->frames[f].pixels;
        std::vector<std::uint32_t>& out = frames[f].pixels;
        out.resize(count);
        frames[f].delayMs = data_->frames[f].delayMs;
        const std::uint32_t* from = source.data();
        if (data_->hasAlpha) {
            premultiplied.resize(source.size());
            std::transform(source.begin(), source.end(), premultiplied.begin(), Premultiply);
            from = premultiplied.data();
        }
        resample::Resample(
            {reinterpret_cast<const unsigned char*>(from), sw, sh,
             static_cast<std::ptrdiff_t>(sw) * 4},
            columns, rows,
            {reinterpret_cast<unsigned char*>(out.data()), width, height,
             static_cast<std::ptrdiff_t>(width) * 4},
            data_->hasAlpha ? resample::Alpha::Premultiplied : resample::Alpha::None);
        if (data_->hasAlpha) std::transform(out.begin(), out.end(), out.begin(), Unpremultiply);
        if (!key) continue;
        for (int y = 0; y < height; ++y) {
            const int sy = std::min(sh - 1, static_cast<int>((y + 0.5) * sh / height));
            for (int x = 0; x < width; ++x) {
                const int sx = std::min(sw - 1, static_cast<int>((x + 0.5) * sw / width));
                const std::uint32_t nearest = source[static_cast<std::size_t>(sy) * sw + sx];
                std::uint32_t& p = out[static_cast<std::size_t>(y) * width + x];
                if ((nearest & 0xFFFFFF) == keyRgb)
                    p = nearest;
                else if ((p & 0xFFFFFF) == keyRgb)
                    p ^= 1;  // one step off the key in blue
            }
        }
    }
    Picture result(width, height, std::move(frames));
    sized = {width, height, key, result.data_};
    return result;
}

Picture LoadPicture(const void* bytes, std::size_t size) {
    if (!bytes || size == 0) return {};
    decode::Image image = decode::DecodeImage(bytes, size);
    if (image.Empty()) return {};
    std::vector<Picture::Frame> frames;
    frames.reserve(image.frames.size());
    for (auto& f : image.frames) frames.push_back({std::move(f.pixels), f.delayMs});
    return Picture(image.width, image.height, std::move(frames));
}

Picture LoadPicture(ByteBlock bytes) {
    if (bytes.empty()) return {};
    return LoadPicture(bytes.data, bytes.size);
}

Picture Snapshot(HWND window) {
    RECT r = Screen();
    if (window && !GetWindowRect(window, &r)) return {};
    return Snapshot(r);
}

Picture Snapshot(const RECT& r) {
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return {};
    HDC screen = GetDC(nullptr);
    UniqueMemoryDc mem(CreateCompatibleDC(screen));
    BITMAPINFO info = Argb32Info(w, h);
    void* bits = nullptr;
    UniqueBitmap dib(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    Picture result;
    if (mem && dib && bits) {
        HGDIOBJ old = SelectObject(mem.get(), dib.get());
        BitBlt(mem.get(), 0, 0, w, h, screen, r.left, r.top, SRCCOPY | CAPTUREBLT);
        GdiFlush();
        std::vector<Picture::Frame> frames(1);
        frames[0].pixels.resize(static_cast<size_t>(w) * h);
        const auto* src = static_cast<const std::uint32_t*>(bits);
        for (size_t i = 0; i < frames[0].pixels.size(); ++i)
            frames[0].pixels[i] = src[i] | 0xFF000000u;
        SelectObject(mem.get(), old);
        result = Picture(w, h, std::move(frames));
    }
    ReleaseDC(nullptr, screen);
    return result;
}

}  // namespace runtime
