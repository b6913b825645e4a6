#pragma once

#include "common/SystemLibrary.h"

#include <objbase.h>

// COM's own functions, from ole32 loaded when COM is first wanted: most runs
// of the program never use it.
namespace Com {

struct Functions {
    decltype(&CoInitializeEx) initialize = nullptr;
    decltype(&CoUninitialize) uninitialize = nullptr;
    decltype(&CoCreateInstance) create = nullptr;
    decltype(&CoTaskMemFree) freeMemory = nullptr;
};

// nullptr where ole32 cannot be loaded.
inline const Functions* Loaded() {
    static const SystemLibrary ole32(L"ole32.dll");
    static const Functions functions{ole32.Get<decltype(&CoInitializeEx)>("CoInitializeEx"),
                                     ole32.Get<decltype(&CoUninitialize)>("CoUninitialize"),
                                     ole32.Get<decltype(&CoCreateInstance)>("CoCreateInstance"),
                                     ole32.Get<decltype(&CoTaskMemFree)>("CoTaskMemFree")};
    const bool all =
        functions.initialize && functions.uninitialize && functions.create && functions.freeMemory;
    return all ? &functions : nullptr;
}

// Memory COM hands out, such as a string an interface returns.
struct TaskMemory {
    static wchar_t* invalid() { return nullptr; }
    static void close(wchar_t* text) { Loaded()->freeMemory(text); }
};

// COM initialised on this thread while it lives, for objects of the
// platform's own; released only when this object's call initialised it.
class Apartment {
public:
    Apartment() {
        if (const Functions* functions = Loaded()) {
            uninitialize_ = functions->uninitialize;
            result_ = functions->initialize(nullptr, COINIT_APARTMENTTHREADED);
        }
    }
    ~Apartment() {
        if (SUCCEEDED(result_))
            uninitialize_();
    }
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;

    // COM works on this thread: initialised here, or before in another way.
    bool Usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

private:
    HRESULT result_ = E_FAIL;
    decltype(&CoUninitialize) uninitialize_ = nullptr;
};

} // namespace Com
