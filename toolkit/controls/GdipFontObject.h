#pragma once
// Owner of one GDI+ font, made from a family name, a device context, a window's
// font or a GDI font.
//
// Move-only: a plain handle copy would delete the font twice. Clone makes a
// second font of its own (GdipCloneFont).
#include <windows.h>

#include <string>

#include "toolkit/core/Gdip.h"

class GdipFontObject final {
public:
    GdipFontObject() = default;
    explicit GdipFontObject(GpFont* font) : handle(font) {}  // adopts it
    ~GdipFontObject() { Release(); }
    GdipFontObject(GdipFontObject&& other) noexcept;
    GdipFontObject& operator=(GdipFontObject&& other) noexcept;
    GdipFontObject(const GdipFontObject&) = delete;
    GdipFontObject& operator=(const GdipFontObject&) = delete;
    GdipFontObject Clone() const;

    void Release();
    // Each Create returns the GDI+ status and leaves the object empty on failure.
    Gdiplus::Status CreateFromName(const std::string& familyName, float size, int style,
                                   Gdiplus::Unit unit = Gdiplus::UnitPixel);
    Gdiplus::Status CreateFromDC(HDC dc);
    // The window's WM_GETFONT font; a window without one creates nothing (Ok).
    Gdiplus::Status CreateFromWindow(HWND window);
    // Bold only for weights 600 and 700; italic, underline and strike-out as
    // set; |lfHeight| pixels for a character height, a positive cell height as
    // it is. A null font creates nothing and returns Ok.
    Gdiplus::Status CreateFromHFont(HFONT font);
    GpFont* Handle() const { return handle; }
    // Takes ownership of `font`, releasing the one held before.
    void SetHandle(GpFont* font);
    // Font properties; 0 when there is no font.
    int Style() const;
    float Size() const;
    Gdiplus::Unit Unit() const;
    float Height(GpGraphics* graphics) const;

    // Gives up ownership: the caller deletes the returned font.
    GpFont* Detach();
    explicit operator bool() const { return handle != nullptr; }

private:
    GpFont* handle = nullptr;
};
