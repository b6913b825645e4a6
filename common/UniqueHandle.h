#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

// One move-only owner for every kind of system handle. Copying is deleted on
// purpose: a copied owner would close the same handle twice.
template <typename Handle, typename Traits> class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    Handle get() const { return handle_; }
    // For owners of interface pointers.
    Handle operator->() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::invalid(); }

    Handle release() { return std::exchange(handle_, Traits::invalid()); }

    void reset(Handle handle = Traits::invalid()) {
        Handle old = std::exchange(handle_, handle);
        if (old != Traits::invalid())
            Traits::close(old);
    }

    // For functions that hand out a new handle through a pointer argument.
    Handle* put() {
        reset();
        return &handle_;
    }

private:
    Handle handle_ = Traits::invalid();
};

namespace HandleTraits {
// Null when empty, closed by one function of the platform.
template <typename Handle, auto Close> struct ClosedBy {
    static Handle invalid() { return nullptr; }
    static void close(Handle handle) { Close(handle); }
};
// CreateFile reports failure as INVALID_HANDLE_VALUE, not as null.
struct File {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE handle) { CloseHandle(handle); }
};
// GetDC(nullptr) hands out the screen's device context, given back with
// ReleaseDC rather than deleted.
struct ScreenDc {
    static HDC invalid() { return nullptr; }
    static void close(HDC dc) { ReleaseDC(nullptr, dc); }
};
template <typename Interface> struct Com {
    static Interface* invalid() { return nullptr; }
    static void close(Interface* object) { object->Release(); }
};
} // namespace HandleTraits

using UniqueKey = UniqueHandle<HKEY, HandleTraits::ClosedBy<HKEY, RegCloseKey>>;
using UniqueKernelHandle = UniqueHandle<HANDLE, HandleTraits::ClosedBy<HANDLE, CloseHandle>>;
using UniqueFile = UniqueHandle<HANDLE, HandleTraits::File>;
using UniqueFont = UniqueHandle<HFONT, HandleTraits::ClosedBy<HFONT, DeleteObject>>;
using UniqueBitmap = UniqueHandle<HBITMAP, HandleTraits::ClosedBy<HBITMAP, DeleteObject>>;
using UniqueMemoryDc = UniqueHandle<HDC, HandleTraits::ClosedBy<HDC, DeleteDC>>;
using UniqueScreenDc = UniqueHandle<HDC, HandleTraits::ScreenDc>;
using UniqueIcon = UniqueHandle<HICON, HandleTraits::ClosedBy<HICON, DestroyIcon>>;
using UniqueModule = UniqueHandle<HMODULE, HandleTraits::ClosedBy<HMODULE, FreeLibrary>>;
template <typename Interface> using ComPtr = UniqueHandle<Interface*, HandleTraits::Com<Interface>>;
