#include "toolkit/text/TextFormat.h"

#include <utility>

TextFormat::~TextFormat() {
    if (owned) Delete();
}

TextFormat::TextFormat(TextFormat&& other) noexcept
    : handle(std::exchange(other.handle, nullptr)), owned(std::exchange(other.owned, false)) {}

TextFormat& TextFormat::operator=(TextFormat&& other) noexcept {
    if (this != &other) {
        if (owned) Delete();
        handle = std::exchange(other.handle, nullptr);
        owned = std::exchange(other.owned, false);
    }
    return *this;
}

TextFormat TextFormat::Clone() const {
    TextFormat copy;
    if (handle && gp::GdipCloneStringFormat(handle, &copy.handle) == Gdiplus::Ok)
        copy.owned = true;
    else
        copy.handle = nullptr;
    return copy;
}

void TextFormat::Delete() {
    if (!handle) return;
    gp::GdipDeleteStringFormat(handle);
    handle = nullptr;
}

bool TextFormat::Create(int formatFlags, LANGID language, std::optional<bool> own) {
    // An owned handle is replaced; one that was only referred to is left to
    // whoever owns it.
    if (owned) Delete();
    handle = nullptr;
    owned = own.value_or(true);
    GpStringFormat* created = nullptr;
    const bool ok = gp::GdipCreateStringFormat(formatFlags, language, &created) == Gdiplus::Ok;
    handle = ok ? created : nullptr;
    return ok;
}

int TextFormat::Align(std::optional<int> value) {
    if (value) {
        if (handle)
            gp::GdipSetStringFormatAlign(handle, static_cast<Gdiplus::StringAlignment>(*value));
        return *value;
    }
    Gdiplus::StringAlignment current = Gdiplus::StringAlignmentNear;
    if (handle) gp::GdipGetStringFormatAlign(handle, &current);
    return current;
}

int TextFormat::Trimming(std::optional<int> value) {
    if (value) {
        if (handle)
            gp::GdipSetStringFormatTrimming(handle, static_cast<Gdiplus::StringTrimming>(*value));
        return *value;
    }
    Gdiplus::StringTrimming current = Gdiplus::StringTrimmingNone;
    if (handle) gp::GdipGetStringFormatTrimming(handle, &current);
    return current;
}

int TextFormat::HotkeyPrefix(std::optional<int> value) {
    if (value) {
        if (handle) gp::GdipSetStringFormatHotkeyPrefix(handle, *value);
        return *value;
    }
    INT current = 0;
    if (handle) gp::GdipGetStringFormatHotkeyPrefix(handle, &current);
    return current;
}

int TextFormat::Flags(std::optional<int> value) {
    if (value) {
        if (handle) gp::GdipSetStringFormatFlags(handle, *value);
        return *value;
    }
    INT current = 0;
    if (handle) gp::GdipGetStringFormatFlags(handle, &current);
    return current;
}
