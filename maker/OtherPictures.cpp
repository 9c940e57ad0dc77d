#include "maker/OtherPictures.h"

#include <windows.h>
#include <wincodec.h>

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

}  // namespace

bool IsWebp(const std::string& file) {
    return Starts(file, 0, "RIFF") && Starts(file, 8, "WEBP");
}

bool WebpSize(const std::string& file, int& width, int& height) {
    return WebPGetInfo(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), &width,
                       &height) != 0;
}

Pixels DecodeWebp(const std::string& file) {
    Pixels p;
    int w = 0, h = 0;
    if (!WebpSize(file, w, h) || w <= 0 || h <= 0) return p;
    p.data.resize(static_cast<std::size_t>(w) * h);
    // BGRA bytes are the 0xAARRGGBB words of Pixels.
    const std::size_t stride = static_cast<std::size_t>(w) * 4;
    if (!WebPDecodeBGRAInto(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(),
                            reinterpret_cast<std::uint8_t*>(p.data.data()), stride * h,
                            static_cast<int>(stride)))
        return Pixels{};
    p.width = w;
    p.height = h;
    return p;
}

Pixels DecodeWithWic(const std::string& file, int maxSide, long long maxPixels) {
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
    if (FAILED(factory->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0,
                                     WICBitmapPaletteTypeCustom)))
        return p;
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
