#pragma once
// An element showing one picture given as encoded bytes (anything GDI+
// decodes); a multi-frame GIF can play its frames with the delays stored in
// the file, on a timer of the host window whose id is the element.
//
// The fields are public and keep their order after the Element fields.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/ByteBlock.h"
#include "toolkit/controls/Element.h"
#include "toolkit/controls/GlobalMemoryStream.h"
#include "toolkit/core/Gdip.h"

// How the picture is placed on the element.
enum PictureDrawMode : int {
    kPictureStretch = 1,  // stretched to the element
    kPictureCentre = 2,   // own size, centred on the element
    // any other value: own size at the element's top-left
};

// The optional arguments of PictureControl::CreatePicture, in their order;
// omitted ones take the defaults the comments give.
struct PictureOptions {
    std::optional<int> playing = std::nullopt;                 // 0
    std::optional<Gdiplus::ARGB> backColour = std::nullopt;    // 0: no fill
    std::optional<bool> fixZeroDelays = std::nullopt;          // false
    std::optional<int> drawMode = std::nullopt;                // kPictureStretch
    std::optional<Gdiplus::ARGB> borderColour = std::nullopt;  // 0: no border
    std::optional<int> visible = std::nullopt;                 // 1
};

class PictureControl : public Element {
public:
    PictureControl() = default;
    ~PictureControl() override = default;

    // Slot 25.
    LRESULT MessageProc(UINT code, WPARAM wParam, LPARAM lParam) override;

    // Slots 26 to 30, in table order.
    // Copies and decodes `bytes`, then creates the element (kind 4,
    // focusable), which paints the first frame. Does nothing when the element
    // exists already.
    virtual Element* CreatePicture(HWND hostWindow, int x, int y, int width, int height,
                                   ByteBlock bytes, const PictureOptions& options = {});
    // Setting restarts at the first frame and repaints.
    virtual int Playing(std::optional<int> value = std::nullopt);
    // Replaces the picture; repaints unless `repaint` is false.
    virtual void SetPicture(ByteBlock bytes, std::optional<bool> repaint = std::nullopt);
    virtual Gdiplus::ARGB BackColour(std::optional<Gdiplus::ARGB> value = std::nullopt);
    // Draws frame `frameIndex`, schedules the next one while playing and moves on.
    virtual void PaintFrame();

    // Fields, in order.
    std::vector<unsigned char> data;  // own copy of the encoded bytes
    StreamImage image;                // the decoded picture with the memory behind it
    int playing = 0;
    Gdiplus::ARGB borderColour = 0;
    int frameIndex = 0;  // the frame shown next
    int frameCount = 0;  // frames on the time dimension; 0 without one
    Gdiplus::ARGB backColour = 0;
    std::vector<std::uint32_t> frameDelays;  // hundredths of a second, one per frame
    int drawMode = kPictureStretch;
    int currentDelay = 0;  // period of the running frame timer in ms; 0 when none

private:
    void Decode(ByteBlock bytes);
    void StopFrameTimer();

    bool fixZeroDelays = false;
};
