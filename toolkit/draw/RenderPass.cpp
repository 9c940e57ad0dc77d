#include "toolkit/draw/RenderPass.h"

#include <algorithm>

#include "toolkit/controls/Element.h"
#include "toolkit/core/Toolkit.h"
#include "toolkit/draw/DeviceScale.h"
#include "toolkit/draw/FrameCache.h"
#include "toolkit/draw/ImageDraw.h"
#include "toolkit/draw/Shapes.h"
#include "toolkit/host/UIHost.h"

namespace {

constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kNoColour = static_cast<COLORREF>(-1);

enum FrameStyleKind { kSquare, kSkin, kRounded };

FrameStyleKind KindOf(int frameStyle) {
    if (frameStyle == 0) return kSquare;
    if (frameStyle == 1) return kSkin;
    return kRounded;
}

int ClampAlpha(int alpha) {
    return std::clamp(alpha, 0, 255);
}

}  // namespace

void DrawElementTree(GpGraphics* graphics, Element* first, const PixelTarget* direct) {
    for (Element* e = first; e; e = e->nextSibling) {
        if (e->visible != 1) continue;  // an invisible parent hides its descendants
        // The element brings its surface up to date; inside the pass it
        // neither starts a crossfade nor asks for a redraw.
        DeliverToElement(e, WM_PAINT, 0, 0);
        DrawSurface(graphics, e->surface.get(), e->rect, e->opacity, e->Scale(), nullptr, direct);
        if (e->firstChild) DrawElementTree(graphics, e->firstChild, direct);
    }
}

void UIHost::DrawFrame(HICON icon) {
    GpGraphics* g = backGraphics.get();
    const int W = size.width, H = size.height;
    const RectF F = FrameRectOf(W, H);
    GpImage* image = bgImage.get();
    const float iw = static_cast<float>(ImageWidth(image));
    const float ih = static_cast<float>(ImageHeight(image));
    const FrameStyleKind style = KindOf(frameStyle);
    const bool opaque = translucency == -1;
    const int fillAlpha = opaque ? 255 : ClampAlpha(translucency);

    // Every frame starts from nothing, so the shadow rings and the border's
    // soft edge outside the body are drawn over transparency, never over the
    // last pass's rings (which would darken with every pass), and a stored
    // frame is exactly what a fresh pass draws.
    ClearBack();
    if (style == kSkin) {
        // The picture is the whole window: what it does not cover stays transparent.
        if (image) {
            if (IsRectEmpty(&nineGridRect))
                DrawImageNatural(g, image, RectF(0, 0, iw, ih));
            else
                DrawNineGrid(g, image, RectF(0, 0, static_cast<float>(W), static_cast<float>(H)),
                             RectToRectF(nineGridRect));
        }
        return;
    }
    UniqueGpPath border;
    if (style == kSquare) {
        ClipRect(g, F);
        FillClipped(ToArgb(themeColor, fillAlpha));
    } else {
        UniqueGpPath body = RoundedPath(OffsetRectF(F, 0, 0, 1, 1), opaque ? 4.0f : 8.0f);
        ClipPath(g, body.get());
        FillClipped(ToArgb(themeColor, fillAlpha));
        body.reset();
        border = RoundedPath(F, 6);
        ClipPath(g, border.get());
    }

    const int t = opaque ? 81 : 150;  // border alpha
    if (image && opaque) {
        if (bgMode == 0) {
            DrawImageNatural(g, image, RectF(F.X + 1, F.Y + 1, iw, ih));
            EdgeFade(g, RectF(6, 6, iw, ih), themeColor, std::nullopt, false, false, true, true);
        } else if (bgMode == 1) {
            DrawImageStretched(g, image, RectF(F.X + 1, F.Y + 1, F.Width, F.Height), nullptr);
        } else if (bgMode == 2) {
            const RectF placed(F.X - (iw - F.Width) / 2, F.Y - (ih - F.Height) / 2, iw, ih);
            DrawImageNatural(g, image, placed);
            EdgeFade(g, OffsetRectF(placed, -1, -1, 1, 1), themeColor, std::nullopt, true, true,
                     true, true);
        }
    } else if (image) {
        const PixelTarget direct = BackTarget();
        // At full translucency the alpha matrix is the identity: drawing
        // without it gives the same pixels, much faster.
        UniqueGpImageAttributes attributes;
        if (fillAlpha != 255) attributes = AlphaAttributes(fillAlpha);
        if (bgMode == 0) {
            DrawImageInFrame(g, image, F, blendFlag != 0, kFrameTopLeft, attributes.get(),
                             themeColor);
        } else if (bgMode == 1) {
            if (style == kSquare)
                DrawImageStretched(g, image, F, attributes.get(), &direct);
            else
                DrawImageInFrame(g, image, F, blendFlag != 0, kFrameStretch, attributes.get(),
                                 themeColor, &direct);
        } else if (bgMode == 2) {
            DrawImageInFrame(g, image, F, blendFlag != 0, kFrameCentre, attributes.get(),
                             themeColor);
        }
    }
    ResetClip(g);

    // The outlines and the shadow go straight into the pixels, in bands along
    // the edges that hold them all (the deepest, the shadow's widest corner,
    // reaches under 24 units down; the sides under 10 in). Nothing clips them.
    const RectF Q = OffsetRectF(F, 1, 1, -2, -2);
    DrawInEdgeBands(24, 10, [&](GpGraphics* rings) {
        if (style == kSquare) {
            RectOutline(rings, F, ToArgb(kBlack, t));
            RectOutline(rings, Q, ToArgb(kWhite, 70));
        } else {
            DrawPathOutline(rings, border.get(), ToArgb(kBlack, t));
            RoundedOutline(rings, Q, 4, ToArgb(kWhite, 70));
        }
        // An opaque window gets its region from the pass instead.
        if (!opaque) FrameShadow(rings, F, style == kRounded, kBlack);
    });
    border.reset();

    if (icon) {
        UniqueGpBitmap bitmap = IconToBitmap(icon, true);
        if (bitmap) DrawImageNatural(g, bitmap.get(), RectF(11, 11, 16, 16));
    }
}

int UIHost::Render(std::optional<ByteBlock> source, std::optional<COLORREF> colour) {
    const int result = RenderPass(source, colour);
    Present();
    return result;
}

int UIHost::RenderPass(std::optional<ByteBlock> source, std::optional<COLORREF> colour) {
    rendering = 1;
    if (source && source->data == nullptr) source.reset();  // a missing block is no source
    GpGraphics* g = backGraphics.get();
    const int W = size.width, H = size.height;

    // Background picture.
    if (source) {
        ReleaseBackground();
        if (bgSourceKind == 0) {
            // A text source is ours from now on; a block is the caller's
            // constant data and stays where it is.
            bgSourceCopy.assign(source->view());
            bgSource =
                ByteBlock(bgSourceCopy.data(), static_cast<std::uint32_t>(bgSourceCopy.size()));
        } else {
            bgSource = *source;
        }
        HGLOBAL memory = nullptr;
        bgImage.reset(LoadImageFromBytes(bgSource, &memory, false));
        bgImageMemory.reset(memory);
        // A picture that does not decode leaves the theme colour as it was.
        if (bgImage) themeColor = AverageColour(WindowDcHandle(), bgImage.get());
    }
    if (colour && *colour != kNoColour) themeColor = *colour;

    const FrameStyleKind style = KindOf(frameStyle);
    const bool opaque = translucency == -1;
    const bool decodePerPass = !source && keepBackground == 0 && !bgSource.empty();
    HICON icon = nullptr;
    if (style != kSkin && (captionFlags & kCaptionIcon)) {
        // Scaled up, the 16-pixel icon would blur: the large one is shrunk
        // to the caption's size instead.
        if (!scale.IsOne()) icon = WindowIcon(hwnd, true);
        if (!icon) icon = WindowIcon(hwnd, false);
    }
    FrameKey key;
    key.sourceData = bgSource.data;
    key.source = PictureKey::Of(bgSource);
    // Decoded per pass, the picture is the source's alone; kept, it is the
    // picture itself (it may have come from elsewhere).
    key.image = decodePerPass ? nullptr : bgImage.get();
    key.width = deviceSize.width;
    key.height = deviceSize.height;
    key.scale = scale.Factor();
    key.themeColor = themeColor;
    key.translucency = translucency;
    key.frameStyle = frameStyle;
    key.bgMode = bgMode;
    key.blendFlag = blendFlag;
    key.icon = icon;
    if (style == kSkin) {
        key.nineGrid[0] = nineGridRect.left;
        key.nineGrid[1] = nineGridRect.top;
        key.nineGrid[2] = nineGridRect.right;
        key.nineGrid[3] = nineGridRect.bottom;
    }

    ResetClip(g);
    if (g) gp::GdipFlush(g, Gdiplus::FlushIntentionSync);
    if (!frameCache.Restore(key, backBitmap.get())) {
        if (decodePerPass) {
            ReleaseBackground();
            HGLOBAL memory = nullptr;
            bgImage.reset(LoadImageFromBytes(bgSource, &memory, false));
            bgImageMemory.reset(memory);
        }
        DrawFrame(icon);
        if (g) gp::GdipFlush(g, Gdiplus::FlushIntentionSync);
        frameCache.Store(key, backBitmap.get());
    }
    if (opaque && style != kSkin)
        SetRoundRegion(hwnd, deviceSize.width, deviceSize.height, scale.Pixels(5),
                       style == kRounded ? scale.Pixels(5) : 0);

    if (!opaque && blurBehind) EnableBlurBehind(hwnd, deviceSize.width, deviceSize.height);
    if (paintCallback) paintCallback(hwnd, g, W, H);

    // The finished frame becomes the background that partial redraws restore.
    if (g) gp::GdipFlush(g, Gdiplus::FlushIntentionSync);
    BitBlt(cacheDC.get(), 0, 0, deviceSize.width, deviceSize.height, backDC.get(), 0, 0, SRCCOPY);
    if (keepBackground == 0) ReleaseBackground();

    if (style != kSkin) {
        clipPath =
            RoundedPath(ElementAreaOf(W, H), static_cast<float>(frameStyle == 0 ? 1 : frameStyle));
        ClipPath(g, clipPath.get());
    }
    redrawQueue.Init(hwnd, selfRef, g);
    DrawCaption();
    const PixelTarget direct = BackTarget();
    DrawElementTree(g, firstElement, &direct);
    if (style != kSkin) ResetClip(g);
    rendering = 0;
    return 1;
}
