#include "maker/OtherPictures.h"

#include <windows.h>
#include <wincodec.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include <webp/decode.h>

namespace maker {

namespace {

// A COM interface pointer released once.
template <typename T>
class Com {
public:
    Com() = default;
    ~Com() {
        if (p_) p_->Release();
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    T** put() { return &p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// COM for this thread, for as long as the decode takes.
class ComScope {
public:
    ComScope() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
    ~ComScope() {
        if (ok_) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool ok_;
};

bool Starts(const std::string& f, std::size_t at, const char* magic) {
    const std::size_t n = std::strlen(magic);
    return f.size() >= at + n && std::memcmp(f.data() + at, magic, n) == 0;
}

// The smallest size of a w x h picture, in its proportions, that covers
// cw x ch; the picture's own size when it is smaller.
struct Covering {
    int width, height;
};

Covering Cover(int w, int h, int cw, int ch) {
    const double scale = std::max(static_cast<double>(cw) / w, static_cast<double>(ch) / h);
    if (scale >= 1) return {w, h};
    return {std::clamp(static_cast<int>(std::ceil(w * scale)), 1, w),
            std::clamp(static_cast<int>(std::ceil(h * scale)), 1, h)};
}

}  // namespace

bool IsWebp(const std::string& file) {
    return Starts(file, 0, "RIFF") && Starts(file, 8, "WEBP");
}

bool WebpSize(const std::string& file, int& width, int& height) {
    return WebPGetInfo(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), &width,
                       &height) != 0;
}

Pixels DecodeWebp(const std::string& file, int coverWidth, int coverHeight) {
    Pixels p;
    int w = 0, h = 0;
    if (!WebpSize(file, w, h) || w <= 0 || h <= 0) return p;
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) return p;
    const Covering c = Cover(w, h, coverWidth, coverHeight);
    if (c.width < w) {
        config.options.use_scaling = 1;
        config.options.scaled_width = c.width;
        config.options.scaled_height = c.height;
    }
    p.width = c.width;
    p.height = c.height;
    p.data.resize(static_cast<std::size_t>(c.width) * c.height);
    // BGRA bytes are the 0xAARRGGBB words of Pixels.
    config.output.colorspace = MODE_BGRA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = reinterpret_cast<std::uint8_t*>(p.data.data());
    config.output.u.RGBA.stride = c.width * 4;
    config.output.u.RGBA.size = p.data.size() * 4;
    const VP8StatusCode status =
        WebPDecode(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), &config);
    WebPFreeDecBuffer(&config.output);
    return status == VP8_STATUS_OK ? p : Pixels{};
}

Pixels DecodeWithWic(const std::string& file, int maxSide, long long maxPixels, int coverWidth,
                     int coverHeight, int& width, int& height) {
    Pixels p;
    ComScope com;
    Com<IWICImagingFactory> factory;
    Com<IWICStream> stream;
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    Com<IWICFormatConverter> converter;
    UINT w = 0, h = 0;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(factory.put()))) ||
        FAILED(factory->CreateStream(stream.put())) ||
        FAILED(stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(file.data())),
                                            static_cast<DWORD>(file.size()))) ||
        FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr,
                                                WICDecodeMetadataCacheOnDemand, decoder.put())) ||
        FAILED(decoder->GetFrame(0, frame.put())) || FAILED(frame->GetSize(&w, &h)))
        return p;
    if (w == 0 || h == 0 || w > static_cast<UINT>(maxSide) || h > static_cast<UINT>(maxSide) ||
        static_cast<long long>(w) * h > maxPixels)
        return p;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    const Covering c = Cover(width, height, coverWidth, coverHeight);
    Com<IWICBitmapScaler> scaler;
    if (FAILED(factory->CreateBitmapScaler(scaler.put())) ||
        FAILED(scaler->Initialize(frame.get(), static_cast<UINT>(c.width),
                                  static_cast<UINT>(c.height), WICBitmapInterpolationModeFant)) ||
        FAILED(factory->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(scaler.get(), GUID_WICPixelFormat32bppBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0,
                                     WICBitmapPaletteTypeCustom)))
        return p;
    w = static_cast<UINT>(c.width);
    h = static_cast<UINT>(c.height);
    p.data.resize(static_cast<std::size_t>(w) * h);
    const UINT stride = w * 4;
    if (FAILED(converter->CopyPixels(nullptr, stride, static_cast<UINT>(p.data.size() * 4),
                                     reinterpret_cast<BYTE*>(p.data.data()))))
        return Pixels{};
    p.width = static_cast<int>(w);
    p.height = static_cast<int>(h);
    return p;
}

std::wstring WhyUnreadable(const std::string& f) {
    constexpr wchar_t kSaveAsJpeg[] = L"请用“画图”或“照片”应用打开它，另存为 JPEG 后再放进文件夹";
    if (Starts(f, 4, "ftyp")) {
        const std::string brand = f.size() >= 12 ? f.substr(8, 4) : std::string();
        if (brand == "avif" || brand == "avis")
            return std::wstring(L"这是 AVIF 图片，这台电脑读不了。") + kSaveAsJpeg;
        return L"这是 HEIC 照片（iPhone 拍的），这台电脑读不了。请在 Windows 的“照片”应用里打开它，"
               L"点“…” → “另存为”存成 JPEG；以后在 iPhone 的 设置 → 相机 → 格式 里选"
               L"“兼容性最佳”，拍的就是 JPEG";
    }
    if (Starts(f, 0, "II*") || Starts(f, 0, "MM"))
        return std::wstring(L"这是 TIFF 图片，这台电脑读不了它。") + kSaveAsJpeg;
    if (Starts(f, 0, "\xFF\xD8"))
        return std::wstring(L"这种 JPEG（12 位或特殊编码）读不了。") + kSaveAsJpeg;
    if (Starts(f, 0, "%PDF")) return L"这是 PDF 文件，不是照片";
    if (Starts(f, 0, "PK")) return L"这是压缩包或 Office 文档，不是照片";
    return std::wstring(L"不是 JPEG、PNG、BMP 或 WebP 图片，这台电脑也读不了它。") + kSaveAsJpeg;
}

}  // namespace maker
