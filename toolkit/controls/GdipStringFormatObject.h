#pragma once
// Owner of one GDI+ string format with the setters a text-drawing caller needs.
//
// Move-only: a plain handle copy would delete the format twice. Clone makes a
// second format of its own (GdipCloneStringFormat).
#include <windows.h>

#include <optional>

#include "toolkit/core/Gdip.h"

class GdipStringFormatObject final {
public:
    GdipStringFormatObject() = default;
    explicit GdipStringFormatObject(GpStringFormat* format) : handle(format) {}  // adopts it
    ~GdipStringFormatObject() { Release(); }
    GdipStringFormatObject(GdipStringFormatObject&& other) noexcept;
    GdipStringFormatObject& operator=(GdipStringFormatObject&& other) noexcept;
    GdipStringFormatObject(const GdipStringFormatObject&) = delete;
    GdipStringFormatObject& operator=(const GdipStringFormatObject&) = delete;
    GdipStringFormatObject Clone() const;

    void Release();
    // A new format (language 0, neutral, when omitted) in place of the old one.
    Gdiplus::Status Create(int flags, std::optional<LANGID> language = std::nullopt);
    void SetAlign(Gdiplus::StringAlignment alignment);
    void SetLineAlign(Gdiplus::StringAlignment alignment);
    void SetAligns(Gdiplus::StringAlignment alignment, Gdiplus::StringAlignment lineAlignment);
    // Takes ownership of `format`, releasing the one held before.
    void SetHandle(GpStringFormat* format);
    GpStringFormat* Handle() const { return handle; }

    // Gives up ownership: the caller deletes the returned format.
    GpStringFormat* Detach();
    explicit operator bool() const { return handle != nullptr; }

private:
    GpStringFormat* handle = nullptr;
};
