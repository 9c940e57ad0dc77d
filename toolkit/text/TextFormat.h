#pragma once
// One GDI+ string format for drawing and measuring text.
//
// The object owns its handle (the usual case) or, when created with owned =
// false, only refers to it: then releasing the object leaves the handle alone
// and an explicit Delete ends it. A deleted handle is cleared, so it can never
// be deleted twice.
//
// Copying would give two objects deleting one handle, so a TextFormat moves
// instead; Clone makes a second, independent string format with the same
// settings.
#include <windows.h>

#include <optional>

#include "toolkit/core/Gdip.h"

class TextFormat final {
public:
    TextFormat() = default;
    ~TextFormat();
    TextFormat(TextFormat&& other) noexcept;
    TextFormat& operator=(TextFormat&& other) noexcept;
    TextFormat(const TextFormat&) = delete;
    TextFormat& operator=(const TextFormat&) = delete;
    // An owned duplicate (GdipCloneStringFormat); empty when this one is.
    TextFormat Clone() const;

    // Deletes the handle when there is one and clears it.
    void Delete();
    // Replaces an owned handle by a new string format. True when GDI+ made one.
    bool Create(int formatFlags, LANGID language, std::optional<bool> own = std::nullopt);
    // Property methods: with a value they set it and return it; without one
    // they return the current value (0 when there is no handle).
    int Align(std::optional<int> value = std::nullopt);
    int Trimming(std::optional<int> value = std::nullopt);
    int HotkeyPrefix(std::optional<int> value = std::nullopt);
    int Flags(std::optional<int> value = std::nullopt);
    GpStringFormat* Handle() const { return handle; }

    bool Owned() const { return owned; }

private:
    GpStringFormat* handle = nullptr;
    bool owned = false;
};
