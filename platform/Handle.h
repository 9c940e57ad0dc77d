#pragma once
// One owner per handle: a move-only wrapper that releases its handle once.
#include <windows.h>

#include <utility>

template <typename T, typename Traits>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(T handle) : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    T get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::Invalid(); }
    T release() { return std::exchange(handle_, Traits::Invalid()); }
    void reset(T handle = Traits::Invalid()) {
        T old = std::exchange(handle_, handle);
        if (old != Traits::Invalid()) Traits::Close(old);
    }
    // For out-parameters: releases the current handle first.
    T* put() {
        reset();
        return &handle_;
    }

private:
    T handle_ = Traits::Invalid();
};

template <typename T, auto CloseFn>
struct NullHandleTraits {
    static T Invalid() { return T{}; }
    static void Close(T h) { CloseFn(h); }
};

inline void CloseKernelHandle(HANDLE h) {
    CloseHandle(h);
}
inline void DeleteGdiObject(HGDIOBJ h) {
    DeleteObject(h);
}
inline void DeleteMemoryDc(HDC h) {
    DeleteDC(h);
}
inline void DestroyWindowHandle(HWND h) {
    DestroyWindow(h);
}
inline void FreeGlobal(HGLOBAL h) {
    GlobalFree(h);
}
inline void DestroyIconHandle(HICON h) {
    DestroyIcon(h);
}

struct FileHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { CloseHandle(h); }
};

using UniqueFile = UniqueHandle<HANDLE, FileHandleTraits>;
using UniqueKernelHandle = UniqueHandle<HANDLE, NullHandleTraits<HANDLE, CloseKernelHandle>>;
using UniqueBitmap = UniqueHandle<HBITMAP, NullHandleTraits<HBITMAP, DeleteGdiObject>>;
using UniqueBrush = UniqueHandle<HBRUSH, NullHandleTraits<HBRUSH, DeleteGdiObject>>;
using UniqueFontHandle = UniqueHandle<HFONT, NullHandleTraits<HFONT, DeleteGdiObject>>;
using UniqueRegion = UniqueHandle<HRGN, NullHandleTraits<HRGN, DeleteGdiObject>>;
using UniqueMemoryDc = UniqueHandle<HDC, NullHandleTraits<HDC, DeleteMemoryDc>>;
using UniqueWindow = UniqueHandle<HWND, NullHandleTraits<HWND, DestroyWindowHandle>>;
using UniqueGlobal = UniqueHandle<HGLOBAL, NullHandleTraits<HGLOBAL, FreeGlobal>>;
using UniqueIcon = UniqueHandle<HICON, NullHandleTraits<HICON, DestroyIconHandle>>;

// A window DC from GetDC, released with ReleaseDC by the same owner.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};
