#include "toolkit/controls/GdipFontFamilyObject.h"

#include <utility>

#include "toolkit/core/Text.h"

GdipFontFamilyObject::GdipFontFamilyObject(GdipFontFamilyObject&& other) noexcept
    : handle(other.Detach()) {}

GdipFontFamilyObject& GdipFontFamilyObject::operator=(GdipFontFamilyObject&& other) noexcept {
    if (this != &other) SetHandle(other.Detach());
    return *this;
}

GdipFontFamilyObject GdipFontFamilyObject::Clone() const {
    GpFontFamily* copy = nullptr;
    if (handle && gp::GdipCloneFontFamily(handle, &copy) != Gdiplus::Ok) copy = nullptr;
    return GdipFontFamilyObject(copy);
}

void GdipFontFamilyObject::Release() {
    if (handle) gp::GdipDeleteFontFamily(handle);
    handle = nullptr;
}

Gdiplus::Status GdipFontFamilyObject::CreateFromName(const std::string& name) {
    return CreateFromName(ToWide(name).c_str());
}

Gdiplus::Status GdipFontFamilyObject::CreateFromName(const wchar_t* name) {
    GpFontFamily* family = nullptr;
    const Gdiplus::Status status = gp::GdipCreateFontFamilyFromName(name, nullptr, &family);
    SetHandle(status == Gdiplus::Ok ? family : nullptr);
    return status;
}

void GdipFontFamilyObject::SetHandle(GpFontFamily* family) {
    if (family == handle) return;  // keeping what we hold must not delete it
    Release();
    handle = family;
}

GpFontFamily* GdipFontFamilyObject::Detach() {
    return std::exchange(handle, nullptr);
}
