#pragma once
// Owner of one GDI+ font family.
//
// Move-only: a plain handle copy would delete the family twice. Clone makes a
// second family object of its own (GdipCloneFontFamily).
#include <windows.h>

#include <string>

#include "toolkit/core/Gdip.h"

class GdipFontFamilyObject final {
public:
    GdipFontFamilyObject() = default;
    explicit GdipFontFamilyObject(GpFontFamily* family) : handle(family) {}  // adopts it
    ~GdipFontFamilyObject() { Release(); }
    GdipFontFamilyObject(GdipFontFamilyObject&& other) noexcept;
    GdipFontFamilyObject& operator=(GdipFontFamilyObject&& other) noexcept;
    GdipFontFamilyObject(const GdipFontFamilyObject&) = delete;
    GdipFontFamilyObject& operator=(const GdipFontFamilyObject&) = delete;
    GdipFontFamilyObject Clone() const;

    void Release();
    // The installed family of that (GBK) name. Returns the GDI+ status; on
    // failure the object is left empty.
    Gdiplus::Status CreateFromName(const std::string& name);
    // The same with a UTF-16 name, as the system hands out face names.
    Gdiplus::Status CreateFromName(const wchar_t* name);
    GpFontFamily* Handle() const { return handle; }
    // Takes ownership of `family`, releasing the one held before.
    void SetHandle(GpFontFamily* family);

    // Gives up ownership: the caller deletes the returned family.
    GpFontFamily* Detach();
    explicit operator bool() const { return handle != nullptr; }

private:
    GpFontFamily* handle = nullptr;
};
