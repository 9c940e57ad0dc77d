#include "maker/Photo.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "maker/JpegReader.h"
#include "maker/JpegWriter.h"
#include "maker/OtherPictures.h"
#include "maker/PictureHeader.h"
#include "maker/Resample.h"
#include "maker/RowDecode.h"
#include "platform/decode/ImageDecode.h"

namespace maker {

namespace {

std::wstring Size(int w, int h) {
    return std::to_wstring(w) + L"×" + std::to_wstring(h);
}

const wchar_t* FormatName(ExactFormat format) {
    switch (format) {
        case ExactFormat::Jpeg:
            return L"JPEG";
        case ExactFormat::Gif:
            return L"GIF";
        case ExactFormat::PngRgba:
            return L"8 位 RGBA 的 PNG";
        case ExactFormat::Icon:
            return L"只含一幅 32 位图像的 ICO 图标";
        case ExactFormat::None:
            break;
    }
    return L"";
}

PictureFormat Expected(ExactFormat format) {
    switch (format) {
        case ExactFormat::Jpeg:
            return PictureFormat::Jpeg;
        case ExactFormat::Gif:
            return PictureFormat::Gif;
        case ExactFormat::PngRgba:
            return PictureFormat::Png;
        case ExactFormat::Icon:
            return PictureFormat::Icon;
        case ExactFormat::None:
            break;
    }
    return PictureFormat::Unknown;
}

// Channels of nearly white pixels are held at `cap` so that no pixel of the
// decoded JPEG is pure white.
void HoldBelowWhite(Pixels& pixels, unsigned cap) {
    for (std::uint32_t& p : pixels.data) {
        const unsigned r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        if (std::min({r, g, b}) < cap) continue;
        p = 0xFF000000u | (std::min(r, cap) << 16) | (std::min(g, cap) << 8) | std::min(b, cap);
    }
}

bool DecodesToPureWhite(const std::string& jpeg) {
    const decode::Image image = decode::DecodeJpeg(jpeg.data(), jpeg.size());
    if (image.Empty()) return true;
    for (std::uint32_t p : image.frames[0].pixels)
        if ((p & 0xFFFFFF) == 0xFFFFFF) return true;
    return false;
}

// A header can be whole while the pixels after it are cut: the picture is
// decoded to its last frame before it is taken.
bool DecodesWhole(const std::string& file, ExactFormat format, int frames) {
    switch (format) {
        case ExactFormat::Jpeg: {
            JpegResult result = JpegResult::Ok;
            DecodeJpegCovering(file.data(), file.size(), 0, 0, &result);
            return result == JpegResult::Ok;
        }
        case ExactFormat::Gif:
        case ExactFormat::PngRgba: {
            const decode::Image image = decode::DecodeImage(file.data(), file.size());
            return !image.Empty() && static_cast<int>(image.frames.size()) == frames;
        }
        case ExactFormat::Icon:
        case ExactFormat::None:
            break;
    }
    return true;
}

}  // namespace

Taken TakePhoto(const std::string& file, const Role& role, const std::wstring& fileName,
                bool noPureWhite) {
    Taken taken;
    const auto* bytes = reinterpret_cast<const unsigned char*>(file.data());
    PictureHeader header = ReadPictureHeader(bytes, file.size());
    const bool ours = header.format == PictureFormat::Jpeg || header.format == PictureFormat::Png ||
                      header.format == PictureFormat::Bmp || header.format == PictureFormat::Gif;
    const bool webp = IsWebp(file);
    if (ours && !header.damage.empty()) {
        taken.line = fileName + L"：" + header.damage;
        return taken;
    }
    if (webp) {
        header.damage.clear();
        header.orientation = 1;
        if (!WebpSize(file, header.width, header.height)) {
            taken.line = fileName + L"：WebP 图片已损坏";
            return taken;
        }
    }
    if ((ours || webp) && (header.width <= 0 || header.height <= 0 || header.width > kMaxSide ||
                           header.height > kMaxSide ||
                           static_cast<long long>(header.width) * header.height > kMaxPixels)) {
        taken.line = fileName + L"：图片声称有 " + Size(header.width, header.height) +
                     L" 像素，太大了（每边最多 20000，总共最多 1 亿像素）";
        return taken;
    }
    const bool turned = header.orientation >= 5;
    Pixels source, fitted;
    bool trySystem = !ours && !webp;
    if (header.format == PictureFormat::Jpeg) {
        JpegResult result = JpegResult::Ok;
        source = DecodeJpegCovering(file.data(), file.size(), turned ? role.height : role.width,
                                    turned ? role.width : role.height, &result);
        if (result == JpegResult::Damaged) {
            taken.line =
                fileName + L"：照片不完整或已损坏（可能没有复制或下载完），请换一个完整的文件";
            return taken;
        }
        trySystem = result == JpegResult::Unsupported;
    } else if (webp) {
        source = DecodeWebp(file, role.width, role.height);
    } else if (header.format == PictureFormat::Png || header.format == PictureFormat::Bmp) {
        // Row by row into the fitter: a huge picture never exists whole.
        RowFitter fitter(header.width, header.height, role.width, role.height);
        const RowReceiver receiver{[](void* f, int y, const std::uint32_t* row) {
                                       static_cast<RowFitter*>(f)->AddRow(y, row);
                                   },
                                   &fitter};
        const RowResult rows = header.format == PictureFormat::Png
                                   ? DecodePngRows(file, header.width, header.height, receiver)
                                   : DecodeBmpRows(file, header.width, header.height, receiver);
        if (rows == RowResult::Damaged) {
            taken.line = fileName + L"：图片已损坏或不完整，无法解码";
            return taken;
        }
        if (rows == RowResult::Done) fitted = fitter.Finish();
    }
    if (ours && fitted.data.empty() && source.data.empty() && !trySystem &&
        header.format != PictureFormat::Jpeg) {
        // Interlaced PNGs, GIFs and unusual BMPs are decoded whole: only up to
        // a size that keeps the maker's memory in bounds.
        if (static_cast<long long>(header.width) * header.height > kMaxWholePixels) {
            taken.line = fileName + L"：这张图片有 " + Size(header.width, header.height) +
                         L" 像素，这种格式（隔行扫描的 PNG、GIF 或压缩的 BMP）太大了读不了；"
                         L"请用“画图”打开后另存为 JPEG";
            return taken;
        }
        decode::Image image = decode::DecodeImage(file.data(), file.size());
        if (!image.Empty()) {
            source.width = image.width;
            source.height = image.height;
            source.data = std::move(image.frames[0].pixels);
        }
    }
    if (trySystem) {
        source = DecodeWithWic(file, kMaxSide, kMaxPixels, role.width, role.height, header.width,
                               header.height);
        if (source.data.empty()) {
            taken.line = fileName + L"：" + WhyUnreadable(file);
            return taken;
        }
        header.orientation = 1;
    }
    if (source.data.empty() && fitted.data.empty()) {
        taken.line = fileName + L"：图片已损坏，无法解码";
        return taken;
    }
    if (fitted.data.empty()) fitted = FitCover(source, header.orientation, role.width, role.height);
    const int uprightW = turned ? header.height : header.width;
    const int uprightH = turned ? header.width : header.height;
    source = Pixels{};  // the big decode is not needed any more
    if (noPureWhite) {
        for (unsigned cap = 250;; cap -= 4) {
            HoldBelowWhite(fitted, cap);
            taken.bytes = EncodeJpeg(fitted);
            if (taken.bytes.empty() || !DecodesToPureWhite(taken.bytes) || cap < 200) break;
        }
    } else {
        taken.bytes = EncodeJpeg(fitted);
    }
    if (taken.bytes.empty()) {
        taken.line = fileName + L"：无法编码为 JPEG";
        return taken;
    }
    std::wstring line =
        std::wstring(role.what) + L" " + fileName + L"：" + Size(uprightW, uprightH);
    if (header.orientation != 1) line += L"（按拍摄方向转正）";
    // Covering scales by the larger ratio; whatever then sticks out is cut.
    const double scale = std::max(static_cast<double>(role.width) / uprightW,
                                  static_cast<double>(role.height) / uprightH);
    const bool cut =
        std::lround(uprightW * scale) > role.width || std::lround(uprightH * scale) > role.height;
    const std::wstring target = Size(role.width, role.height);
    if (uprightW == role.width && uprightH == role.height)
        line += L" 已采用";
    else if (scale > 1)
        line += (cut ? L" 已放大并裁剪为 " : L" 已放大为 ") + target;
    else
        line += (cut ? L" 已裁剪为 " : L" 已缩放为 ") + target;
    if (uprightW * 2 < role.width || uprightH * 2 < role.height)
        taken.warning = fileName + L" 只有 " + Size(uprightW, uprightH) + L" 像素，放大到 " +
                        target + L" 后会很模糊，最好换一张大一些的照片";
    taken.line = line;
    return taken;
}

Taken TakeExactPicture(const std::string& file, ExactFormat format, int width, int height,
                       int frames, const std::wstring& fileName, const std::wstring& what) {
    Taken taken;
    const PictureHeader h =
        ReadPictureHeader(reinterpret_cast<const unsigned char*>(file.data()), file.size());
    std::wstring need = L"需要 " + Size(width, height) + L" 像素的 " + FormatName(format);
    if (frames > 1) need += L"，" + std::to_wstring(frames) + L" 帧动画";
    std::wstring problem;
    if (h.format != Expected(format))
        problem = h.format == PictureFormat::Unknown ? L"不是图片文件" : L"格式不对";
    else if (!h.damage.empty())
        problem = h.damage;
    else if (format == ExactFormat::PngRgba && (h.pngDepth != 8 || h.pngColour != 6))
        problem = L"PNG 不是 8 位 RGBA（需要透明通道）";
    else if (format == ExactFormat::Icon && h.iconImages != 1)
        problem = L"图标含有 " + std::to_wstring(h.iconImages) + L" 幅图像";
    else if (format == ExactFormat::Icon && h.iconBits != 32)
        problem = L"图标不是 32 位";
    else if (h.width != width || h.height != height)
        problem = L"尺寸是 " + Size(h.width, h.height);
    else if (h.frames != frames)
        problem = L"有 " + std::to_wstring(h.frames) + L" 帧";
    if (problem.empty() && !DecodesWhole(file, format, frames))
        problem = L"图片不完整或已损坏（无法完整解码）";
    if (!problem.empty()) {
        taken.line = fileName + L"：" + problem + L"；" + what + L"带有透明规则，" + need;
        return taken;
    }
    taken.bytes = file;
    taken.line = what + L" " + fileName + L"：已采用";
    return taken;
}

}  // namespace maker
