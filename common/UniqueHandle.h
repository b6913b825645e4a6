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

namespace handle_traits {
struct Key {
    static HKEY invalid() { return nullptr; }
    static void close(HKEY key) { RegCloseKey(key); }
};
struct Kernel {
    static HANDLE invalid() { return nullptr; }
    static void close(HANDLE handle) { CloseHandle(handle); }
};
// CreateFile reports failure as INVALID_HANDLE_VALUE, not as null.
struct File {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE handle) { CloseHandle(handle); }
};
template <typename Object> struct Gdi {
    static Object invalid() { return nullptr; }
    static void close(Object object) { DeleteObject(object); }
};
struct MemoryDc {
    static HDC invalid() { return nullptr; }
    static void close(HDC dc) { DeleteDC(dc); }
};
struct Icon {
    static HICON invalid() { return nullptr; }
    static void close(HICON icon) { DestroyIcon(icon); }
};
struct Module {
    static HMODULE invalid() { return nullptr; }
    static void close(HMODULE module) { FreeLibrary(module); }
};
template <typename Interface> struct Com {
    static Interface* invalid() { return nullptr; }
    static void close(Interface* object) { object->Release(); }
};
} // namespace handle_traits

using UniqueKey = UniqueHandle<HKEY, handle_traits::Key>;
using UniqueKernelHandle = UniqueHandle<HANDLE, handle_traits::Kernel>;
using UniqueFile = UniqueHandle<HANDLE, handle_traits::File>;
using UniqueFont = UniqueHandle<HFONT, handle_traits::Gdi<HFONT>>;
using UniqueBitmap = UniqueHandle<HBITMAP, handle_traits::Gdi<HBITMAP>>;
using UniqueMemoryDc = UniqueHandle<HDC, handle_traits::MemoryDc>;
using UniqueIcon = UniqueHandle<HICON, handle_traits::Icon>;
using UniqueModule = UniqueHandle<HMODULE, handle_traits::Module>;
template <typename Interface>
using ComPtr = UniqueHandle<Interface*, handle_traits::Com<Interface>>;
