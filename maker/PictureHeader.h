#pragma once
// What a picture file says about itself before anything is decoded: its
// format, pixel size, frame count (GIF), PNG colour type and depth, icon image
// count and bit depth, and the EXIF orientation of a JPEG. Reading the header
// first lets the maker refuse an absurd size before allocating for it.
#include <cstddef>
#include <cstdint>
#include <string>

namespace maker {

enum class PictureFormat { Unknown, Jpeg, Png, Gif, Bmp, Icon };

struct PictureHeader {
    PictureFormat format = PictureFormat::Unknown;
    int width = 0;
    int height = 0;
    int frames = 0;    // GIF: image descriptors up to the trailer; others 1
    int pngDepth = 0;  // PNG bit depth and colour type
    int pngColour = -1;
    int iconImages = 0;   // ICO: images in the directory
    int iconBits = 0;     // ICO: bit count of the first image (0 for PNG inside)
    int orientation = 1;  // EXIF 1..8; 1 when absent
    std::wstring damage;  // why the header could not be read; empty when it could
};

PictureHeader ReadPictureHeader(const unsigned char* data, std::size_t size);

// The EXIF orientation tag (0x0112) of IFD0 in a TIFF block ("II*\0" or
// "MM\0*" first); 1 when absent or unreadable.
int TiffOrientation(const unsigned char* tiff, std::size_t size);

}  // namespace maker
