// The skin layer on real layered windows: composites read back pixel by pixel.
#include "toolkit/controls/PngControl.h"

#include <gtest/gtest.h>
#include <psapi.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <utility>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Dib.h"
#include "platform/Handle.h"
#include "platform/ProcessStats.h"
#include "toolkit/controls/GlobalMemoryStream.h"
#include "toolkit/controls/SkinFrameCache.h"
#include "toolkit/core/Toolkit.h"
#include "toolkit/draw/GdipOwners.h"

namespace {

constexpr char kClass[] = "PngControlTestWindow";

// GDI objects of this process, counted from its handle table under Wine
// (where GetGuiResources answers 0).
DWORD GdiObjects() {
    return static_cast<DWORD>(procstats::GdiObjects());
}

template <typename Fn>
UniqueGpBitmap MakePicture(int w, int h, Fn colour) {
    UniqueGpBitmap bitmap;
    gp::GdipCreateBitmapFromScan0(w, h, 0, PixelFormat32bppARGB, nullptr, bitmap.put());
    Gdiplus::BitmapData data{};
    const Gdiplus::Rect rect(0, 0, w, h);
    if (!bitmap || gp::GdipBitmapLockBits(bitmap.get(), &rect, Gdiplus::ImageLockModeWrite,
                                          PixelFormat32bppARGB, &data) != Gdiplus::Ok)
        return bitmap;
    for (int y = 0; y < h; ++y) {
        auto* row =
            reinterpret_cast<Gdiplus::ARGB*>(static_cast<BYTE*>(data.Scan0) + y * data.Stride);
        for (int x = 0; x < w; ++x) row[x] = colour(x, y);
    }
    gp::GdipBitmapUnlockBits(bitmap.get(), &data);
    return bitmap;
}

// The bytes of a 32-bit bottom-up BMP file: its length depends on the size only.
template <typename Fn>
std::vector<unsigned char> MakeBmp(int w, int h, Fn colour) {
    BITMAPFILEHEADER file{};
    const BITMAPINFO info = Argb32Info(w, h, false);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
    file.bfSize = file.bfOffBits + info.bmiHeader.biSizeImage;
    std::vector<unsigned char> bytes(file.bfSize);
    std::memcpy(bytes.data(), &file, sizeof(file));
    std::memcpy(bytes.data() + sizeof(file), &info.bmiHeader, sizeof(info.bmiHeader));
    auto* pixels = reinterpret_cast<std::uint32_t*>(bytes.data() + file.bfOffBits);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) pixels[(h - 1 - y) * w + x] = colour(x, y);
    return bytes;
}

UniqueGpBitmap Solid(int w, int h, Gdiplus::ARGB argb) {
    return MakePicture(w, h, [argb](int, int) { return argb; });
}

// The picture encoded as PNG bytes, the way content reaches LoadBackImage.
std::vector<unsigned char> EncodePng(GpImage* image) {
    UINT count = 0, size = 0;
    gp::GdipGetImageEncodersSize(&count, &size);
    std::vector<unsigned char> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    gp::GdipGetImageEncoders(count, size, codecs);
    GlobalMemoryStream stream;
    for (UINT i = 0; i < count; ++i)
        if (std::wstring(codecs[i].MimeType) == L"image/png")
            gp::GdipSaveImageToStream(image, stream.Open(), &codecs[i].Clsid, nullptr);
    return stream.Bytes();
}

// A 640 x 480 fireworks-page-sized frame with varying alpha, as PNG bytes.
const std::vector<unsigned char>& FramePng() {
    static const std::vector<unsigned char> png = [] {
        UniqueGpBitmap frame = MakePicture(640, 480, [](int x, int y) {
            return static_cast<Gdiplus::ARGB>((x * 7 + y * 13) & 0xFF) << 24 | 0x00FF8040u;
        });
        return EncodePng(frame.get());
    }();
    return png;
}

ByteBlock Block(const std::vector<unsigned char>& bytes) {
    return ByteBlock(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

// Committed private memory (PrivateUsage where the system counts it; Wine does not).
long long PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof(counters));
    if (counters.PrivateUsage) return static_cast<long long>(counters.PrivateUsage);
    long long total = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (const char* address = nullptr;
         VirtualQuery(address, &region, sizeof(region)) == sizeof(region);
         address = static_cast<const char*>(region.BaseAddress) + region.RegionSize)
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += static_cast<long long>(region.RegionSize);
    return total;
}

void SetIntProp(HWND window, const char* name, int value) {
    SetPropA(window, name, reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(value)));
}

class PngControlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StartToolkit();
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClass;
        RegisterClassA(&wc);
    }

    HWND MakeWindow(int w, int h) {
        HWND window = CreateWindowExA(0, kClass, "", WS_POPUP, 40, 40, w, h, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
        windows.emplace_back(window);
        return window;
    }
    HWND MakeChild(HWND parent, const char* cls, int type, RECT r) {
        HWND child =
            CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left,
                            r.bottom - r.top, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
        SetIntProp(child, "PngControl_Type", type);
        return child;
    }

    std::vector<UniqueWindow> windows;
};

TEST_F(PngControlTest, AttachMakesTheWindowLayeredWithOneBlinkTimer) {
    PngControl layer;
    EXPECT_FALSE(layer.Attach(nullptr));
    EXPECT_FALSE(layer.SetBackImage(Solid(2, 2, 0xFFFF0000).get()));  // nothing attached
    HWND window = MakeWindow(50, 40);
    SetWindowLongPtrA(window, GWL_EXSTYLE, WS_EX_TOOLWINDOW);
    ASSERT_TRUE(layer.Attach(window));
    EXPECT_EQ(GetWindowLongPtrA(window, GWL_EXSTYLE), WS_EX_LAYERED);
    EXPECT_EQ(GetPropA(window, "PngControl_Time"), reinterpret_cast<HANDLE>(64));
    EXPECT_FALSE(layer.SetBackImage(nullptr));
    UniqueGpBitmap red = Solid(50, 40, 0xFFFF0000);
    ASSERT_TRUE(layer.SetBackImage(red.get()));
    // A second attach keeps the timer and the composite; exactly one timer 64 runs.
    ASSERT_TRUE(layer.Attach(window));
    EXPECT_EQ(SkinCompositeOf(window).At(10, 10), 0xFFFF0000u);
    EXPECT_TRUE(KillTimer(window, kSkinBlinkTimer));
    EXPECT_FALSE(KillTimer(window, kSkinBlinkTimer));
    // A window whose blink timer already runs (its property says so) gets no other.
    HWND marked = MakeWindow(20, 20);
    SetPropA(marked, "PngControl_Time", reinterpret_cast<HANDLE>(64));
    PngControl second;
    ASSERT_TRUE(second.Attach(marked));
    EXPECT_FALSE(KillTimer(marked, kSkinBlinkTimer));

    layer.Move(std::nullopt, std::nullopt, 70, 30);
    RECT rect{};
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.left, 40);
    EXPECT_EQ(rect.right - rect.left, 70);
    EXPECT_EQ(rect.bottom - rect.top, 30);
    // The next composition follows the new size.
    ASSERT_TRUE(layer.SetBackImage(red.get()));
    EXPECT_EQ(SkinCompositeOf(window).width, 70);
    EXPECT_EQ(SkinCompositeOf(window).At(60, 10), 0u);
    EXPECT_EQ(SkinCompositeOf(window).At(49, 29), 0xFFFF0000u);
}

TEST_F(PngControlTest, BackgroundIsDrawnOneToOneAndClippedToTheWindow) {
    HWND window = MakeWindow(100, 80);
    PngControl layer;
    ASSERT_TRUE(layer.Attach(window));
    // Half-transparent red in a small picture: the composite holds it premultiplied.
    UniqueGpBitmap small = Solid(40, 30, 0x80FF0000);
    ASSERT_TRUE(layer.SetBackImage(small.get()));
    SkinComposite composite = SkinCompositeOf(window);
    ASSERT_TRUE(composite);
    EXPECT_EQ(composite.width, 100);
    EXPECT_EQ(composite.height, 80);
    EXPECT_EQ(composite.At(0, 0), 0x80800000u);
    EXPECT_EQ(composite.At(39, 29), 0x80800000u);
    EXPECT_EQ(composite.At(40, 10), 0u);  // the rest is fully transparent
    EXPECT_EQ(composite.At(10, 30), 0u);
    EXPECT_EQ(composite.At(99, 79), 0u);

    // A larger picture is cut at the window's edge; the window keeps its size.
    UniqueGpBitmap large = MakePicture(200, 150, [](int x, int y) {
        return 0xFF000000u | static_cast<Gdiplus::ARGB>(x) << 8 | static_cast<Gdiplus::ARGB>(y);
    });
    ASSERT_TRUE(layer.SetBackImage(large.get()));
    composite = SkinCompositeOf(window);
    EXPECT_EQ(composite.At(0, 0), 0xFF000000u);
    EXPECT_EQ(composite.At(99, 79), 0xFF00634Fu);
    EXPECT_EQ(composite.At(57, 3), 0xFF003903u);
    RECT rect{};
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right - rect.left, 100);
    EXPECT_EQ(rect.bottom - rect.top, 80);
}

TEST_F(PngControlTest, DecodedFramesBelongToTheLayerAndCallerPicturesStayValid) {
    HWND window = MakeWindow(64, 48);
    PngControl layer;
    ASSERT_TRUE(layer.Attach(window));
    UniqueGpBitmap green = Solid(64, 48, 0xFF00FF00);
    UniqueGpBitmap blue = Solid(64, 48, 0xFF0000FF);
    const std::vector<unsigned char> bluePng = EncodePng(blue.get());
    ASSERT_FALSE(bluePng.empty());

    ASSERT_TRUE(layer.SetBackImage(green.get()));
    ASSERT_TRUE(layer.LoadBackImage(Block(bluePng)));
    EXPECT_EQ(SkinCompositeOf(window).At(5, 5), 0xFF0000FFu);
    // Bytes that do not decode leave the window as it was.
    const std::vector<unsigned char> junk(100, 0x5A);
    EXPECT_FALSE(layer.LoadBackImage(Block(junk)));
    EXPECT_FALSE(layer.LoadBackImage(ByteBlock()));
    EXPECT_EQ(SkinCompositeOf(window).At(5, 5), 0xFF0000FFu);
    // The caller's picture was never released by the layer.
    Gdiplus::ARGB pixel = 0;
    EXPECT_EQ(gp::GdipBitmapGetPixel(green.get(), 3, 3, &pixel), Gdiplus::Ok);
    EXPECT_EQ(pixel, 0xFF00FF00u);
    ASSERT_TRUE(layer.SetBackImage(green.get()));
    EXPECT_EQ(SkinCompositeOf(window).At(5, 5), 0xFF00FF00u);

    // A stream of 640 x 480 frames neither keeps replaced frames nor makes GDI objects.
    const std::vector<unsigned char>& framePng = FramePng();
    HWND big = MakeWindow(640, 480);
    PngControl page;
    ASSERT_TRUE(page.Attach(big));
    ASSERT_TRUE(page.LoadBackImage(Block(framePng)));
    const long long before = PrivateBytes();
    const DWORD gdiBefore = GdiObjects();
    const std::uint32_t* pixels = SkinCompositeOf(big).pixels;
    for (int i = 0; i < 60; ++i) ASSERT_TRUE(page.LoadBackImage(Block(framePng)));
    EXPECT_EQ(SkinCompositeOf(big).pixels, pixels);  // the same DIB section throughout
    EXPECT_EQ(GdiObjects(), gdiBefore);
    // Keeping each 1.2 MB frame would add over 70 MB.
    EXPECT_LT(PrivateBytes() - before, 16LL << 20);
}

// Pictures given as bytes again are unpacked from the window's store: pixel for
// pixel what the same picture gives when handed over decoded; other bytes at
// the same address are decoded anew; the store is bounded and goes with the layer.
TEST_F(PngControlTest, StoredFramesMatchTheirPicturesAndNeverStandInForOthers) {
    // Transparent margins, rows of equal pixels and noise of every alpha.
    UniqueGpBitmap mixed = MakePicture(200, 120, [](int x, int y) -> Gdiplus::ARGB {
        if (x < 30 || y >= 100) return 0;
        if (x < 90) return static_cast<Gdiplus::ARGB>((y * 9) & 0xFF) << 24 | 0x00FF8040u;
        std::uint32_t v =
            static_cast<std::uint32_t>(x) * 2654435761u ^ static_cast<std::uint32_t>(y) * 40503u;
        v ^= v >> 13;
        return v * 0x5BD1E995u;
    });
    const std::vector<unsigned char> png = EncodePng(mixed.get());
    ASSERT_FALSE(png.empty());
    // A plain PNG: decoded by libpng, whose premultiplied pixels must be GDI+'s.
    EXPECT_FALSE(PackedPicture::FromPlainPng(Block(png)).Empty());
    // The window as large as the picture, cutting it, and larger than it.
    for (const SIZE size : {SIZE{200, 120}, SIZE{150, 70}, SIZE{260, 150}}) {
        HWND window = MakeWindow(size.cx, size.cy);
        PngControl layer;
        ASSERT_TRUE(layer.Attach(window));
        StreamImage decoded = DecodeImage(Block(png));
        ASSERT_TRUE(layer.SetBackImage(decoded.get()));
        const SkinComposite direct = SkinCompositeOf(window);
        const std::vector<std::uint32_t> expected(direct.pixels,
                                                  direct.pixels + direct.width * direct.height);
        for (int round = 0; round < 2; ++round) {  // decoded and stored, then from the store
            ASSERT_TRUE(layer.LoadBackImage(Block(png)));
            const SkinComposite composite = SkinCompositeOf(window);
            EXPECT_TRUE(std::equal(expected.begin(), expected.end(), composite.pixels))
                << size.cx << " x " << size.cy << ", round " << round;
        }
        EXPECT_GT(SkinCachedBytes(window), 0u);
    }

    // Bytes of the same length at the same address, one pixel apart.
    auto picture = [](int dot) {
        return MakeBmp(
            16, 16, [dot](int x, int y) { return x == dot && y == 9 ? 0xFFFFFFFFu : 0xFF204060u; });
    };
    std::vector<unsigned char> bytes = picture(7);
    const std::vector<unsigned char> other = picture(8);
    HWND small = MakeWindow(16, 16);
    PngControl layer;
    ASSERT_TRUE(layer.Attach(small));
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(layer.LoadBackImage(Block(bytes)));
        EXPECT_EQ(SkinCompositeOf(small).At(7, 9), 0xFFFFFFFFu);
        std::copy(other.begin(), other.end(), bytes.begin());
        ASSERT_TRUE(layer.LoadBackImage(Block(bytes)));
        EXPECT_EQ(SkinCompositeOf(small).At(7, 9), 0xFF204060u);
        EXPECT_EQ(SkinCompositeOf(small).At(8, 9), 0xFFFFFFFFu);
        bytes = picture(7);
    }
    // Every single changed byte, and a byte less, give a key of their own.
    std::vector<unsigned char> block(1501);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<unsigned char>(i * 31 + 7);
    std::set<std::pair<std::uint64_t, std::uint64_t>> keys;
    auto add = [&keys](ByteBlock b) {
        const PictureKey key = PictureKey::Of(b);
        keys.insert({key.digest[0], key.digest[1]});
    };
    add(Block(block));
    add(ByteBlock(block.data(), static_cast<std::uint32_t>(block.size() - 1)));
    for (size_t i = 0; i < block.size(); ++i) {
        block[i] ^= 0x01;
        add(Block(block));
        block[i] ^= 0x81;
        add(Block(block));
        block[i] ^= 0x80;
    }
    EXPECT_EQ(keys.size(), 2 + 2 * block.size());

    // Noise does not pack (about 1.8 MB a frame): a stream of new frames stays
    // within the store's budget, and all of it goes when the layer lets go.
    const std::size_t before = procstats::PrivateBytes();
    std::size_t peak = before;
    HWND page = MakeWindow(640, 480);
    auto pageLayer = std::make_unique<PngControl>();
    ASSERT_TRUE(pageLayer->Attach(page));
    for (std::uint32_t i = 0; i < 20; ++i) {
        const std::vector<unsigned char> frame = MakeBmp(640, 480, [i](int x, int y) {
            std::uint32_t v = (static_cast<std::uint32_t>(y * 640 + x) + i * 7919u) * 2654435761u;
            return (v ^ v >> 15) | 0xFF000000u;
        });
        ASSERT_TRUE(pageLayer->LoadBackImage(Block(frame)));
        peak = std::max(peak, procstats::PrivateBytes());
    }
    EXPECT_GT(SkinCachedBytes(page), 12u << 20);
    EXPECT_LE(SkinCachedBytes(page), SkinFrameCache::kDefaultBudget);
    EXPECT_LT(peak - before, SkinFrameCache::kDefaultBudget + (10u << 20));
    pageLayer.reset();
    EXPECT_EQ(SkinCachedBytes(page), 0u);
    EXPECT_LT(static_cast<long long>(procstats::PrivateBytes()) - static_cast<long long>(before),
              2LL << 20);
}

// A loop of more frames than the store holds: once full, the store keeps the
// frames it has, so every later round hits for them (evicting the oldest would
// miss on every frame of the loop), and nothing past the budget is stored.
TEST_F(PngControlTest, AStoreTooSmallForALoopKeepsHittingForTheFramesItKept) {
    std::vector<std::vector<unsigned char>> loop;
    for (std::uint32_t i = 0; i < 8; ++i)
        loop.push_back(MakeBmp(64, 48, [i](int x, int y) {
            std::uint32_t v = (static_cast<std::uint32_t>(y * 64 + x) + i * 7919u) * 2654435761u;
            return (v ^ v >> 15) | 0xFF000000u;
        }));
    auto packedOf = [](const std::vector<unsigned char>& bytes) {
        StreamImage decoded = DecodeImage(Block(bytes));
        return PackedPicture::FromImage(decoded.get());
    };
    const std::size_t frameBytes = packedOf(loop[0]).Bytes();
    SkinFrameCache store(frameBytes * 3 + frameBytes / 2);
    for (int round = 0; round < 3; ++round) {
        int hits = 0;
        for (const auto& bytes : loop) {
            const PictureKey key = PictureKey::Of(Block(bytes));
            if (const PackedPicture* found = store.Find(key)) {
                ++hits;
                EXPECT_EQ(found->Width(), 64);
                continue;
            }
            PackedPicture picture = packedOf(bytes);
            ASSERT_FALSE(picture.Empty());
            const PackedPicture* kept = store.Insert(key, std::move(picture));
            // Not stored: the caller still holds the picture to show.
            if (!kept) {
                EXPECT_EQ(picture.Width(), 64);
            }
        }
        EXPECT_EQ(hits, round == 0 ? 0 : 3) << "round " << round;
        EXPECT_EQ(store.Count(), 3u);
        EXPECT_LE(store.Bytes(), frameBytes * 3 + frameBytes / 2);
    }
}

TEST_F(PngControlTest, PicturesOfChildrenAreStretchedFittedOrCropped) {
    HWND window = MakeWindow(200, 100);
    // Left half red, right half blue: shows which part of the picture landed where.
    UniqueGpBitmap picture =
        MakePicture(20, 10, [](int x, int) { return x < 10 ? 0xFFFF0000u : 0xFF0000FFu; });
    HWND stretched = MakeChild(window, "STATIC", 2, {0, 0, 40, 40});
    HWND fitted = MakeChild(window, "STATIC", 2, {50, 0, 90, 40});
    HWND cropped = MakeChild(window, "STATIC", 2, {100, 0, 108, 8});
    HWND natural = MakeChild(window, "STATIC", 2, {120, 0, 160, 40});
    SetIntProp(stretched, "PngControl_BackType", 1);
    SetIntProp(fitted, "PngControl_BackType", 2);
    for (HWND child : {stretched, fitted, cropped, natural})
        SetPropA(child, "PngControl_BackImage", picture.get());
    PngControl layer;
    ASSERT_TRUE(layer.Attach(window));
    layer.HookChildren();
    const SkinComposite c = SkinCompositeOf(window);
    ASSERT_TRUE(c);
    EXPECT_EQ(c.At(5, 35), 0xFFFF0000u);  // stretched over all 40 x 40
    EXPECT_EQ(c.At(35, 5), 0xFF0000FFu);
    EXPECT_EQ(c.At(55, 5), 0u);  // fitted: 40 x 20, centred vertically
    EXPECT_EQ(c.At(55, 20), 0xFFFF0000u);
    EXPECT_EQ(c.At(85, 20), 0xFF0000FFu);
    EXPECT_EQ(c.At(55, 31), 0u);
    EXPECT_EQ(c.At(104, 4), 0xFFFF0000u);  // cropped: the picture's 8 x 8 top-left part,
    EXPECT_EQ(c.At(108, 4), 0u);           // nothing beyond the child
    EXPECT_EQ(c.At(104, 8), 0u);
    EXPECT_EQ(c.At(135, 5), 0xFF0000FFu);  // natural size at the child's top-left
    EXPECT_EQ(c.At(140, 5), 0u);
    EXPECT_EQ(c.At(125, 10), 0u);
}

TEST_F(PngControlTest, StateButtonFollowsTheMouseAndFallsBackToItsNormalPicture) {
    UniqueGpBitmap normal = Solid(20, 20, 0xFFFF0000);
    UniqueGpBitmap over = Solid(20, 20, 0xFF00FF00);
    UniqueGpBitmap down = Solid(20, 20, 0xFF0000FF);
    UniqueGpBitmap disabled = Solid(20, 20, 0xFF808080);
    // The whole life of a skinned button, three times: the first grows the
    // system's caches once, the later ones leave no GDI object behind.
    DWORD gdiAfterFirst = 0;
    for (int round = 0; round < 3; ++round) {
        UniqueWindow window(CreateWindowExA(0, kClass, "", WS_POPUP, 40, 40, 60, 40, nullptr,
                                            nullptr, GetModuleHandleA(nullptr), nullptr));
        HWND button = MakeChild(window.get(), "BUTTON", 3, {10, 10, 30, 30});
        const LONG_PTR ownProc = GetWindowLongPtrW(button, GWLP_WNDPROC);
        SetPropA(button, "PngControl_NormalImage", normal.get());
        SetPropA(button, "PngControl_OverlImage", over.get());
        SetPropA(button, "PngControl_DownImage", down.get());
        SetPropA(button, "PngControl_DisableImage", disabled.get());
        {
            PngControl layer;
            ASSERT_TRUE(layer.Attach(window.get()));
            layer.HookChildren();
            EXPECT_NE(GetWindowLongPtrW(button, GWLP_WNDPROC), ownProc);
            auto shown = [&] { return SkinCompositeOf(window.get()).At(20, 20); };
            auto state = [&] {
                return reinterpret_cast<std::intptr_t>(GetPropA(button, "Orbit_DrawState"));
            };
            EXPECT_EQ(shown(), 0xFFFF0000u);
            SendMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
            EXPECT_EQ(state(), 1);
            EXPECT_EQ(shown(), 0xFF00FF00u);
            SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
            EXPECT_EQ(shown(), 0xFF0000FFu);
            SendMessageA(button, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(6, 5));
            EXPECT_EQ(state(), 2);  // moving while pressed keeps it pressed
            SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
            EXPECT_EQ(shown(), 0xFF00FF00u);
            SendMessageA(button, WM_MOUSELEAVE, 0, 0);
            EXPECT_EQ(shown(), 0xFFFF0000u);
            EnableWindow(button, FALSE);
            EXPECT_EQ(shown(), 0xFF808080u);
            EnableWindow(button, TRUE);
            EXPECT_EQ(state(), 0);

            RemovePropA(button, "PngControl_OverlImage");
            SendMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
            EXPECT_EQ(state(), 1);
            EXPECT_EQ(shown(), 0xFFFF0000u);  // no hover picture: the normal one
            RemovePropA(button, "PngControl_NormalImage");
            SendMessageA(button, WM_MOUSELEAVE, 0, 0);
            EXPECT_EQ(shown(), 0u);  // no normal picture either: nothing
        }
        // Released: the button's own procedure is back and the composite is gone.
        EXPECT_EQ(GetWindowLongPtrW(button, GWLP_WNDPROC), ownProc);
        EXPECT_FALSE(SkinCompositeOf(window.get()));
        window.reset();
        if (round == 0) gdiAfterFirst = GdiObjects();
    }
    EXPECT_EQ(GdiObjects(), gdiAfterFirst);
}

TEST_F(PngControlTest, TextFieldDrawsFillBorderAndTextAndRecomposesOnInput) {
    HWND window = MakeWindow(120, 70);
    HWND field = MakeChild(window, "EDIT", 4, {10, 5, 110, 35});
    SetIntProp(field, "PngControl_BackColor", -1);
    SetIntProp(field, "PngControl_OrderColor", RGB(0, 0, 255));
    SetIntProp(field, "PngControl_OrderAlpha", 255);
    SetIntProp(field, "PngControl_TextColor", RGB(0, 0, 0));
    HWND filled = MakeChild(window, "STATIC", 4, {10, 40, 110, 60});
    SetIntProp(filled, "PngControl_BackColor", RGB(255, 255, 255));
    SetIntProp(filled, "PngControl_BackAlpha", 255);
    SetIntProp(filled, "PngControl_OrderColor", -1);
    PngControl layer;
    ASSERT_TRUE(layer.Attach(window));
    layer.HookChildren();
    SkinComposite c = SkinCompositeOf(window);
    EXPECT_EQ(c.At(60, 50) >> 24, 254u);  // the fill, alpha 255 stored as 254
    EXPECT_GE(c.At(60, 50) & 0xFF, 253u);
    EXPECT_EQ(c.At(60, 39), 0u);
    EXPECT_EQ(c.At(10, 5), 0xFE0000FEu);  // the border on the child's edge pixels
    EXPECT_EQ(c.At(109, 34), 0xFE0000FEu);
    EXPECT_EQ(c.At(60, 20), 0u);
    EXPECT_EQ(c.At(9, 20), 0u);
    EXPECT_EQ(c.At(110, 20), 0u);

    // Text pixels inside the field (the child has no font: the toolkit's is used).
    auto inked = [&] {
        const SkinComposite now = SkinCompositeOf(window);
        int count = 0;
        for (int y = 7; y < 33; ++y)
            for (int x = 12; x < 108; ++x)
                if ((now.At(x, y) >> 24) > 100) ++count;
        return count;
    };
    EXPECT_EQ(inked(), 0);
    SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Hello"));
    EXPECT_GT(inked(), 20);

    // Focus makes the window the caret's owner; a blink never leaks into the composite.
    SendMessageW(field, WM_SETFOCUS, 0, 0);
    const SkinComposite focused = SkinCompositeOf(window);
    const std::vector<std::uint32_t> pixels(focused.pixels, focused.pixels + 120 * 70);
    SkinPresent(window, true);
    SkinPresent(window, true);
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), SkinCompositeOf(window).pixels));
    SendMessageW(field, WM_KILLFOCUS, 0, 0);
}

TEST_F(PngControlTest, DestroyingTheWindowReleasesItsCompositeAndPicture) {
    UniqueGpBitmap blue = Solid(30, 30, 0xFF0000FF);
    const std::vector<unsigned char> png = EncodePng(blue.get());
    PngControl layer;
    // Counted from the end of the first round, which grows the system's caches.
    DWORD gdiBefore = 0;
    for (int round = 0; round < 3; ++round) {
        if (round == 1) gdiBefore = GdiObjects();
        UniqueWindow window(CreateWindowExA(0, kClass, "", WS_POPUP, 0, 0, 30, 30, nullptr, nullptr,
                                            GetModuleHandleA(nullptr), nullptr));
        HWND button = MakeChild(window.get(), "BUTTON", 3, {0, 0, 10, 10});
        ASSERT_TRUE(layer.Attach(window.get()));
        layer.HookChildren();
        ASSERT_TRUE(layer.LoadBackImage(Block(png)));
        EXPECT_EQ(SkinCompositeOf(window.get()).At(20, 20), 0xFF0000FFu);
        (void)button;
    }
    EXPECT_FALSE(layer.IsAttached());
    EXPECT_FALSE(layer.LoadBackImage(Block(png)));
    EXPECT_EQ(GdiObjects(), gdiBefore);

    // Pages opened and closed again: each window's composite and frame go with it.
    ASSERT_FALSE(FramePng().empty());
    const long long before = PrivateBytes();
    for (int i = 0; i < 25; ++i) {
        UniqueWindow page(CreateWindowExA(0, kClass, "", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr,
                                          GetModuleHandleA(nullptr), nullptr));
        ASSERT_TRUE(layer.Attach(page.get()));
        ASSERT_TRUE(layer.LoadBackImage(Block(FramePng())));
    }
    // Keeping them would hold over 2 MB a page.
    EXPECT_LT(PrivateBytes() - before, 16LL << 20);
}

}  // namespace
