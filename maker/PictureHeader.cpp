#include "maker/PictureHeader.h"

#include <cstring>

namespace maker {

namespace {

unsigned Be16(const unsigned char* p) {
    return (p[0] << 8) | p[1];
}
std::uint32_t Be32(const unsigned char* p) {
    return (std::uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}
unsigned Le16(const unsigned char* p) {
    return p[0] | (p[1] << 8);
}
std::uint32_t Le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
}

bool IsFrameMarker(unsigned char m) {
    // SOF0..SOF15 except DHT (C4), JPG (C8) and DAC (CC)
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

void ReadJpeg(const unsigned char* b, std::size_t size, PictureHeader& h) {
    std::size_t i = 2;
    while (i + 4 <= size) {
        if (b[i] != 0xFF) {
            h.damage = L"JPEG 文件已损坏";
            return;
        }
        const unsigned char marker = b[i + 1];
        if (marker == 0xFF) {
            ++i;
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            i += 2;
            continue;
        }
        const std::size_t length = Be16(b + i + 2);
        if (length < 2 || i + 2 + length > size) break;
        const unsigned char* segment = b + i + 4;
        if (marker == 0xE1 && length >= 8 && std::memcmp(segment, "Exif\0\0", 6) == 0)
            h.orientation = TiffOrientation(segment + 6, length - 8);
        if (IsFrameMarker(marker)) {
            if (length < 7) break;
            h.height = static_cast<int>(Be16(segment + 1));
            h.width = static_cast<int>(Be16(segment + 3));
            h.frames = 1;
            return;
        }
        if (marker == 0xDA) break;
        i += 2 + length;
    }
    h.damage = L"JPEG 文件不完整（找不到图像尺寸）";
}

void ReadPng(const unsigned char* b, std::size_t size, PictureHeader& h) {
    if (size < 26 || std::memcmp(b + 12, "IHDR", 4) != 0) {
        h.damage = L"PNG 文件已损坏";
        return;
    }
    const std::uint32_t w = Be32(b + 16), ht = Be32(b + 20);
    // Beyond int the size is absurd anyway; keep it recognisable as such.
    h.width = w > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(w);
    h.height = ht > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(ht);
    h.pngDepth = b[24];
    h.pngColour = b[25];
    h.frames = 1;
}

std::size_t SkipSubBlocks(const unsigned char* b, std::size_t size, std::size_t i) {
    while (i < size) {
        const unsigned n = b[i++];
        if (n == 0) return i;
        i += n;
    }
    return 0;  // ran off the end
}

void ReadGif(const unsigned char* b, std::size_t size, PictureHeader& h) {
    if (size < 13) {
        h.damage = L"GIF 文件已损坏";
        return;
    }
    h.width = static_cast<int>(Le16(b + 6));
    h.height = static_cast<int>(Le16(b + 8));
    std::size_t i = 13 + ((b[10] & 0x80) ? 3u * (2u << (b[10] & 7)) : 0u);
    while (i < size) {
        const unsigned char tag = b[i];
        if (tag == 0x3B) return;
        if (tag == 0x21 && i + 2 <= size) {
            i = SkipSubBlocks(b, size, i + 2);
        } else if (tag == 0x2C && i + 10 <= size) {
            ++h.frames;
            const unsigned char flags = b[i + 9];
            i += 10 + ((flags & 0x80) ? 3u * (2u << (flags & 7)) : 0u);
            i = SkipSubBlocks(b, size, i + 1);
        } else {
            break;
        }
        if (i == 0) break;
    }
    h.damage = L"GIF 文件不完整或已损坏";
}

void ReadBmp(const unsigned char* b, std::size_t size, PictureHeader& h) {
    if (size < 26) {
        h.damage = L"BMP 文件已损坏";
        return;
    }
    const std::uint32_t headerSize = Le32(b + 14);
    if (headerSize == 12) {
        h.width = static_cast<int>(Le16(b + 18));
        h.height = static_cast<int>(Le16(b + 20));
    } else if (headerSize >= 40 && size >= 26 + 4) {
        const auto w = static_cast<std::int32_t>(Le32(b + 18));
        const auto ht = static_cast<std::int32_t>(Le32(b + 22));
        h.width = w < 0 ? 0 : w;
        // Negative height: rows stored top-down.
        h.height = ht == INT32_MIN ? 0 : (ht < 0 ? -ht : ht);
    } else {
        h.damage = L"BMP 文件已损坏";
        return;
    }
    h.frames = 1;
}

void ReadIcon(const unsigned char* b, std::size_t size, PictureHeader& h) {
    h.iconImages = static_cast<int>(Le16(b + 4));
    if (h.iconImages < 1 || size < 22) {
        h.damage = L"图标文件已损坏";
        return;
    }
    h.width = b[6] ? b[6] : 256;
    h.height = b[7] ? b[7] : 256;
    h.frames = 1;
    const std::uint32_t bytes = Le32(b + 14), offset = Le32(b + 18);
    if (offset > size || bytes > size - offset || bytes < 40) {
        h.damage = L"图标文件不完整";
        return;
    }
    const unsigned char* image = b + offset;
    h.iconBits = std::memcmp(image, "\x89PNG", 4) == 0 ? 0 : static_cast<int>(Le16(image + 14));
}

}  // namespace

int TiffOrientation(const unsigned char* t, std::size_t size) {
    if (size < 8) return 1;
    bool little;
    if (std::memcmp(t, "II*\0", 4) == 0)
        little = true;
    else if (std::memcmp(t, "MM\0*", 4) == 0)
        little = false;
    else
        return 1;
    auto u16 = [&](std::size_t at) { return little ? Le16(t + at) : Be16(t + at); };
    auto u32 = [&](std::size_t at) { return little ? Le32(t + at) : Be32(t + at); };
    const std::uint32_t ifd = u32(4);
    if (ifd > size - 2 || ifd < 8) return 1;
    const unsigned count = u16(ifd);
    for (unsigned k = 0; k < count; ++k) {
        const std::size_t entry = ifd + 2 + std::size_t(k) * 12;
        if (entry + 12 > size) break;
        if (u16(entry) != 0x0112) continue;
        // A SHORT sits in the first two bytes of the value field.
        const unsigned value = u16(entry + 8);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
    return 1;
}

PictureHeader ReadPictureHeader(const unsigned char* b, std::size_t size) {
    PictureHeader h;
    if (!b || size < 6) {
        h.damage = size == 0 ? L"文件是空的" : L"不是图片文件";
        return h;
    }
    if (b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) {
        h.format = PictureFormat::Jpeg;
        ReadJpeg(b, size, h);
    } else if (size >= 8 && std::memcmp(b, "\x89PNG\r\n\x1a\n", 8) == 0) {
        h.format = PictureFormat::Png;
        ReadPng(b, size, h);
    } else if (std::memcmp(b, "GIF87a", 6) == 0 || std::memcmp(b, "GIF89a", 6) == 0) {
        h.format = PictureFormat::Gif;
        ReadGif(b, size, h);
    } else if (b[0] == 'B' && b[1] == 'M') {
        h.format = PictureFormat::Bmp;
        ReadBmp(b, size, h);
    } else if (Le16(b) == 0 && Le16(b + 2) == 1) {
        h.format = PictureFormat::Icon;
        ReadIcon(b, size, h);
    } else {
        h.damage = L"不是图片文件（不是 JPEG、PNG 或 BMP）";
    }
    return h;
}

}  // namespace maker
