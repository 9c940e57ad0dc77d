// GIF and BMP through GDI+, which composes the frames of an animated GIF.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstring>

#include "platform/Handle.h"
#include "platform/PixelSize.h"
#include "platform/decode/ImageDecode.h"

namespace decode {

namespace gp = Gdiplus::DllExports;

namespace {

// {6AEDBD6D-3FB5-418A-83A6-7F45229DC872}
constexpr GUID kFrameDimensionTime = {
    0x6aedbd6d, 0x3fb5, 0x418a, {0x83, 0xa6, 0x7f, 0x45, 0x22, 0x9d, 0xc8, 0x72}};
constexpr PROPID kFrameDelayTag = 0x5100;

// The decoder may be used before the program starts its own session; GDI+
// counts sessions, and this one lives as long as the process.
void EnsureSession() {
    static ULONG_PTR token = [] {
        ULONG_PTR t = 0;
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&t, &input, nullptr);
        return t;
    }();
    (void)token;
}

class Stream {
public:
    Stream(const void* data, std::size_t size) {
        memory_.reset(GlobalAlloc(GMEM_MOVEABLE, size));
        if (!memory_) return;
        void* p = GlobalLock(memory_.get());
        if (!p) return;
        std::memcpy(p, data, size);
        GlobalUnlock(memory_.get());
        if (CreateStreamOnHGlobal(memory_.get(), FALSE, &stream_) != S_OK) stream_ = nullptr;
    }
    ~Stream() {
        if (stream_) stream_->Release();
    }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;
    IStream* get() const { return stream_; }

private:
    UniqueGlobal memory_;
    IStream* stream_ = nullptr;
};

class Bitmap {
public:
    explicit Bitmap(IStream* stream) {
        if (gp::GdipCreateBitmapFromStream(stream, &bitmap_) != Gdiplus::Ok) bitmap_ = nullptr;
    }
    ~Bitmap() {
        if (bitmap_) gp::GdipDisposeImage(bitmap_);
    }
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    Gdiplus::GpBitmap* get() const { return bitmap_; }

private:
    Gdiplus::GpBitmap* bitmap_ = nullptr;
};

std::vector<unsigned> FrameDelays(Gdiplus::GpBitmap* bitmap, unsigned frames) {
    std::vector<unsigned> delays(frames, 0);
    UINT size = 0;
    if (gp::GdipGetPropertyItemSize(bitmap, kFrameDelayTag, &size) != Gdiplus::Ok ||
        size < sizeof(Gdiplus::PropertyItem))
        return delays;
    std::vector<unsigned char> buffer(size);
    auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
    if (gp::GdipGetPropertyItem(bitmap, kFrameDelayTag, size, item) != Gdiplus::Ok) return delays;
    unsigned count = item->length / 4;
    const auto* values = static_cast<const unsigned char*>(item->value);
    for (unsigned i = 0; i < frames && i < count; ++i) {
        std::uint32_t centiseconds;
        std::memcpy(&centiseconds, values + 4 * i, 4);
        delays[i] = centiseconds * 10;
    }
    return delays;
}

}  // namespace

Image DecodeWithSystem(const void* data, std::size_t size) {
    Image image;
    if (!data || size == 0) return image;
    EnsureSession();
    Stream stream(data, size);
    if (!stream.get()) return image;
    Bitmap bitmap(stream.get());
    if (!bitmap.get()) return image;
    UINT w = 0, h = 0;
    gp::GdipGetImageWidth(bitmap.get(), &w);
    gp::GdipGetImageHeight(bitmap.get(), &h);
    if (w > 32768 || h > 32768 || PixelCount(w, h) == 0) return image;
    UINT frames = 0;
    if (gp::GdipImageGetFrameCount(bitmap.get(), &kFrameDimensionTime, &frames) != Gdiplus::Ok ||
        frames == 0)
        frames = 1;
    std::vector<unsigned> delays = FrameDelays(bitmap.get(), frames);
    image.width = static_cast<int>(w);
    image.height = static_cast<int>(h);
    for (UINT f = 0; f < frames; ++f) {
        if (frames > 1 &&
            gp::GdipImageSelectActiveFrame(bitmap.get(), &kFrameDimensionTime, f) != Gdiplus::Ok)
            break;
        Frame frame;
        frame.delayMs = delays[f];
        frame.pixels.resize(static_cast<std::size_t>(w) * h);
        Gdiplus::GpRect rect(0, 0, static_cast<INT>(w), static_cast<INT>(h));
        Gdiplus::BitmapData locked{};
        locked.Width = w;
        locked.Height = h;
        locked.Stride = static_cast<INT>(w * 4);
        locked.PixelFormat = PixelFormat32bppARGB;
        locked.Scan0 = frame.pixels.data();
        if (gp::GdipBitmapLockBits(bitmap.get(), &rect,
                                   Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                                   PixelFormat32bppARGB, &locked) != Gdiplus::Ok)
            break;
        gp::GdipBitmapUnlockBits(bitmap.get(), &locked);
        image.frames.push_back(std::move(frame));
    }
    if (image.frames.empty()) return Image{};
    return image;
}

}  // namespace decode
