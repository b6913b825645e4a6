#pragma once

#include "common/UniqueHandle.h"

#include <windows.h>

#include <string>

// A library of the system, loaded where a function of it is first wanted
// rather than at the start, so that runs that never use it do not pay for it
// (make bench shows the start and the working set). By its full path in the
// system folder, so that no library of that name in the program's own folder
// is run with the program's administrator rights.
class SystemLibrary {
public:
    explicit SystemLibrary(const wchar_t* name) {
        wchar_t folder[MAX_PATH]{};
        const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
        if (length > 0 && length < MAX_PATH)
            module_.reset(LoadLibraryW((std::wstring(folder, length) + L'\\' + name).c_str()));
    }

    // nullptr when the library or the function is not there.
    template <typename Function> Function Get(const char* name) const {
        if (!module_)
            return nullptr;
        // GetProcAddress hands out every function under one generic type.
        return reinterpret_cast<Function>(
            reinterpret_cast<void*>(GetProcAddress(module_.get(), name)));
    }

private:
    UniqueModule module_;
};
