// Move-only ownership of a Win32 handle: one alias per handle type, closed by its own function.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <utility>

template <typename H, auto Close>
class Unique {
public:
    Unique() noexcept = default;
    explicit Unique(H handle) noexcept : handle_(handle) {}
    Unique(Unique&& other) noexcept : handle_(other.release()) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    ~Unique() { reset(); }

    H get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != H{} && handle_ != INVALID_HANDLE_VALUE; }
    H release() noexcept { return std::exchange(handle_, H{}); }
    void reset(H handle = H{}) noexcept {
        H old = std::exchange(handle_, handle);
        if (old != H{} && old != INVALID_HANDLE_VALUE) Close(old);
    }

private:
    H handle_{};
};

using UniqueHandle = Unique<HANDLE, ::CloseHandle>;   // files, mutexes; INVALID_HANDLE_VALUE counts as none
using UniqueIcon = Unique<HICON, ::DestroyIcon>;      // icons not loaded with LR_SHARED
using UniqueMenu = Unique<HMENU, ::DestroyMenu>;
using UniqueBitmap = Unique<HBITMAP, ::DeleteObject>;
using UniqueFont = Unique<HFONT, ::DeleteObject>;
using UniqueBstr = Unique<BSTR, ::SysFreeString>;
