#include "toolkit/controls/GdipFontObject.h"

#include <utility>

#include "toolkit/controls/GdipFontFamilyObject.h"
#include "toolkit/core/Text.h"

GdipFontObject::GdipFontObject(GdipFontObject&& other) noexcept : handle(other.Detach()) {}

GdipFontObject& GdipFontObject::operator=(GdipFontObject&& other) noexcept {
    if (this != &other) SetHandle(other.Detach());
    return *this;
}

GdipFontObject GdipFontObject::Clone() const {
    GpFont* copy = nullptr;
    if (handle && gp::GdipCloneFont(handle, &copy) != Gdiplus::Ok) copy = nullptr;
    return GdipFontObject(copy);
}

void GdipFontObject::Release() {
    if (handle) gp::GdipDeleteFont(handle);
    handle = nullptr;
}

Gdiplus::Status GdipFontObject::CreateFromName(const std::string& familyName, float size, int style,
                                               Gdiplus::Unit unit) {
    GdipFontFamilyObject family;
    Gdiplus::Status status = family.CreateFromName(familyName);
    GpFont* font = nullptr;
    if (status == Gdiplus::Ok)
        status = gp::GdipCreateFont(family.Handle(), size, style, unit, &font);
    SetHandle(status == Gdiplus::Ok ? font : nullptr);
    return status;
}

Gdiplus::Status GdipFontObject::CreateFromDC(HDC dc) {
    GpFont* font = nullptr;
    const Gdiplus::Status status = gp::GdipCreateFontFromDC(dc, &font);
    SetHandle(status == Gdiplus::Ok ? font : nullptr);
    return status;
}

Gdiplus::Status GdipFontObject::CreateFromWindow(HWND window) {
    return CreateFromHFont(reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)));
}

Gdiplus::Status GdipFontObject::CreateFromHFont(HFONT hfont) {
    if (!hfont) return Gdiplus::Ok;
    // Read as UTF-16 so the face name survives any system code page.
    LOGFONTW logFont{};
    if (GetObjectW(hfont, sizeof(logFont), &logFont) == 0) return Gdiplus::InvalidParameter;
    // Only semibold and bold read as bold: heavier weights stay regular.
    int style = 0;
    if (logFont.lfWeight == FW_SEMIBOLD || logFont.lfWeight == FW_BOLD) style |= 1;
    if (logFont.lfItalic == 1) style |= 2;
    if (logFont.lfUnderline == 1) style |= 4;
    if (logFont.lfStrikeOut == 1) style |= 8;
    wchar_t face[LF_FACESIZE + 1] = {};
    for (int i = 0; i < LF_FACESIZE && logFont.lfFaceName[i]; ++i) face[i] = logFont.lfFaceName[i];
    // A negative height is the character height, a positive one the cell height;
    // either way the magnitude becomes the pixel size.
    const float size =
        static_cast<float>(logFont.lfHeight < 0 ? -logFont.lfHeight : logFont.lfHeight);
    GdipFontFamilyObject family;
    Gdiplus::Status status = family.CreateFromName(face);
    GpFont* font = nullptr;
    if (status == Gdiplus::Ok)
        status = gp::GdipCreateFont(family.Handle(), size, style, Gdiplus::UnitPixel, &font);
    SetHandle(status == Gdiplus::Ok ? font : nullptr);
    return status;
}

void GdipFontObject::SetHandle(GpFont* font) {
    if (font == handle) return;  // keeping what we hold must not delete it
    Release();
    handle = font;
}

int GdipFontObject::Style() const {
    INT style = 0;
    if (handle) gp::GdipGetFontStyle(handle, &style);
    return style;
}

float GdipFontObject::Size() const {
    Gdiplus::REAL size = 0;
    if (handle) gp::GdipGetFontSize(handle, &size);
    return size;
}

Gdiplus::Unit GdipFontObject::Unit() const {
    Gdiplus::Unit unit = Gdiplus::UnitWorld;
    if (handle) gp::GdipGetFontUnit(handle, &unit);
    return unit;
}

float GdipFontObject::Height(GpGraphics* graphics) const {
    Gdiplus::REAL height = 0;
    if (handle) gp::GdipGetFontHeight(handle, graphics, &height);
    return height;
}

GpFont* GdipFontObject::Detach() {
    return std::exchange(handle, nullptr);
}
