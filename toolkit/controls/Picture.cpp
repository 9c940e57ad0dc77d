#include "toolkit/controls/Picture.h"

#include <objbase.h>

#include <algorithm>
#include <cstring>

#include "platform/decode/ImageDecode.h"
#include "toolkit/core/Toolkit.h"
#include "toolkit/draw/GdipOwners.h"
#include "toolkit/draw/ImageDraw.h"
#include "toolkit/draw/Shapes.h"

namespace {

constexpr int kPictureKind = 4;
constexpr PROPID kFrameDelayTag = 0x5100;  // PropertyTagFrameDelay
constexpr WORD kTypeLong = 4;              // PropertyTagTypeLong
constexpr WORD kTypeSignedLong = 9;        // PropertyTagTypeSLONG
constexpr std::uint32_t kFixedDelay = 10;  // hundredths: 100 ms for a frame stored with 0

GUID FrameDimensionTime() {
    GUID guid{};
    CLSIDFromString(L"{6AEDBD6D-3FB5-418A-83A6-7F45229DC872}", &guid);
    return guid;
}

// The frame delays of an animated picture; empty when it carries none.
std::vector<std::uint32_t> ReadFrameDelays(GpImage* image) {
    std::vector<std::uint32_t> delays;
    UINT size = 0;
    if (!image || gp::GdipGetPropertyItemSize(image, kFrameDelayTag, &size) != Gdiplus::Ok ||
        size < sizeof(Gdiplus::PropertyItem))
        return delays;
    // Eight-byte units keep the item's pointer field aligned.
    std::vector<std::uint64_t> buffer((size + 7) / 8);
    auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
    if (gp::GdipGetPropertyItem(image, kFrameDelayTag, size, item) != Gdiplus::Ok) return delays;
    if (item->length > 0 && item->value &&
        (item->type == kTypeLong || item->type == kTypeSignedLong)) {
        // Never past the end of what GDI+ filled in.
        const auto* first = reinterpret_cast<const unsigned char*>(buffer.data());
        const auto* value = static_cast<const unsigned char*>(item->value);
        const size_t available =
            value >= first && value < first + size ? static_cast<size_t>(first + size - value) : 0;
        delays.resize(std::min<size_t>(item->length, available) / 4);
        std::memcpy(delays.data(), item->value, delays.size() * 4);
    }
    return delays;
}

}  // namespace

LRESULT PictureControl::MessageProc(UINT code, WPARAM, LPARAM) {
    switch (code) {
        case WM_CREATE:
            PaintFrame();
            break;
        case WM_TIMER:
            if (playing && frameCount > 0)
                PaintFrame();
            else
                StopFrameTimer();
            break;
        case WM_DESTROY:
            StopFrameTimer();
            playing = 0;
            frameIndex = 0;
            frameCount = 0;
            image = StreamImage{};
            frameDelays.clear();
            data.clear();
            break;
        default:
            break;
    }
    return -1;
}

void PictureControl::Decode(ByteBlock bytes) {
    image = StreamImage{};
    data.assign(bytes.begin(), bytes.begin() + (bytes.empty() ? 0 : bytes.size));
    const ByteBlock copy(data.data(), static_cast<std::uint32_t>(data.size()));
    if (decode::DetectFormat(copy.data, copy.size) == decode::Format::Gif) {
        image = DecodeImage(copy);  // frames and delays come from GDI+
    } else {
        // A still picture through the toolkit's loader, which decodes PNG
        // and JPEG itself, much faster than the system's codecs under Wine.
        HGLOBAL memory = nullptr;
        image.image.reset(LoadImageFromBytes(copy, &memory, false));
        image.pixels.reset(memory);
    }
    frameCount = 0;
    if (image) {
        const GUID time = FrameDimensionTime();
        UINT count = 0;
        if (gp::GdipImageGetFrameCount(image.get(), &time, &count) == Gdiplus::Ok)
            frameCount = static_cast<int>(count);
    }
    frameDelays = ReadFrameDelays(image.get());
    if (fixZeroDelays) {
        for (std::uint32_t& delay : frameDelays)
            if (delay == 0) delay = kFixedDelay;
    }
}

Element* PictureControl::CreatePicture(HWND window, int x, int y, int width, int height,
                                       ByteBlock bytes, const PictureOptions& options) {
    if (handle) return handle;
    fixZeroDelays = options.fixZeroDelays.value_or(false);
    Decode(bytes);
    playing = options.playing.value_or(0);
    borderColour = options.borderColour.value_or(0);
    backColour = options.backColour.value_or(0);
    drawMode = options.drawMode.value_or(kPictureStretch);
    frameIndex = 0;
    return Element::Create(window,
                           RectF(static_cast<float>(x), static_cast<float>(y),
                                 static_cast<float>(width), static_cast<float>(height)),
                           kPictureKind, options.visible.value_or(1), 1);
}

int PictureControl::Playing(std::optional<int> value) {
    if (value) {
        playing = *value;
        frameIndex = 0;
        if (!playing) StopFrameTimer();
        PaintFrame();
    }
    return playing;
}

void PictureControl::SetPicture(ByteBlock bytes, std::optional<bool> repaint) {
    StopFrameTimer();
    Decode(bytes);
    frameIndex = 0;
    if (repaint.value_or(true)) PaintFrame();
}

Gdiplus::ARGB PictureControl::BackColour(std::optional<Gdiplus::ARGB> value) {
    if (value) {
        backColour = *value;
        // The frame on show again, not the next one.
        if (frameIndex > 0) --frameIndex;
        PaintFrame();
    }
    return backColour;
}

void PictureControl::PaintFrame() {
    SurfacePaint record;
    if (!BeginSurfacePaint(record, std::nullopt, false)) return;
    if (frameIndex >= frameCount) frameIndex = 0;
    if (image) {
        const GUID time = FrameDimensionTime();
        gp::GdipImageSelectActiveFrame(image.get(), &time, static_cast<UINT>(frameIndex));
    }
    if (GpGraphics* graphics = record.graphics) {
        const RectF& whole = record.rect;
        // A frame with transparent parts must not show the one before it.
        gp::GdipGraphicsClear(graphics, 0);
        if (backColour != 0) {
            UniqueGpBrush brush = MakeSolidBrush(backColour);
            gp::GdipFillRectangle(graphics, brush.get(), whole.X, whole.Y, whole.Width,
                                  whole.Height);
        }
        if (image) {
            if (drawMode == kPictureStretch)
                DrawImageStretched(graphics, image.get(), whole, nullptr);
            else
                DrawImageNatural(graphics, image.get(), whole, drawMode == kPictureCentre);
        }
        if (borderColour != 0) RectOutline(graphics, whole, kOutlineGrey, borderColour);
    }
    EndSurfacePaint(record);
    if (frameCount != 0 && playing) {
        StopFrameTimer();
        // A frame without a stored delay has nothing to wait for: it stays.
        if (static_cast<size_t>(frameIndex) < frameDelays.size()) {
            currentDelay = static_cast<int>(frameDelays[static_cast<size_t>(frameIndex)] * 10);
            SetTimer(hostWindow, reinterpret_cast<UINT_PTR>(handle),
                     static_cast<UINT>(currentDelay), nullptr);
        }
    }
    ++frameIndex;
}

void PictureControl::StopFrameTimer() {
    if (hostWindow && handle) KillTimer(hostWindow, reinterpret_cast<UINT_PTR>(handle));
    currentDelay = 0;
}
