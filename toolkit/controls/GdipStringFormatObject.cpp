#include "toolkit/controls/GdipStringFormatObject.h"

#include <utility>

GdipStringFormatObject::GdipStringFormatObject(GdipStringFormatObject&& other) noexcept
    : handle(other.Detach()) {}

GdipStringFormatObject& GdipStringFormatObject::operator=(GdipStringFormatObject&& other) noexcept {
    if (this != &other) SetHandle(other.Detach());
    return *this;
}

GdipStringFormatObject GdipStringFormatObject::Clone() const {
    GpStringFormat* copy = nullptr;
    if (handle && gp::GdipCloneStringFormat(handle, &copy) != Gdiplus::Ok) copy = nullptr;
    return GdipStringFormatObject(copy);
}

void GdipStringFormatObject::Release() {
    if (handle) gp::GdipDeleteStringFormat(handle);
    handle = nullptr;
}

Gdiplus::Status GdipStringFormatObject::Create(int flags, std::optional<LANGID> language) {
    Release();
    GpStringFormat* format = nullptr;
    const Gdiplus::Status status = gp::GdipCreateStringFormat(flags, language.value_or(0), &format);
    handle = status == Gdiplus::Ok ? format : nullptr;
    return status;
}

void GdipStringFormatObject::SetAlign(Gdiplus::StringAlignment alignment) {
    if (handle) gp::GdipSetStringFormatAlign(handle, alignment);
}

void GdipStringFormatObject::SetLineAlign(Gdiplus::StringAlignment alignment) {
    if (handle) gp::GdipSetStringFormatLineAlign(handle, alignment);
}

void GdipStringFormatObject::SetAligns(Gdiplus::StringAlignment alignment,
                                       Gdiplus::StringAlignment lineAlignment) {
    SetAlign(alignment);
    SetLineAlign(lineAlignment);
}

void GdipStringFormatObject::SetHandle(GpStringFormat* format) {
    if (format == handle) return;  // keeping what we hold must not delete it
    Release();
    handle = format;
}

GpStringFormat* GdipStringFormatObject::Detach() {
    return std::exchange(handle, nullptr);
}
