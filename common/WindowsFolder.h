#pragma once

#include <windows.h>

#include <string>

// Fills the buffer as GetWindowsDirectoryW does: the length written, or the
// size needed (terminator included) when the buffer is too small, or 0.
using WindowsFolderQuery = UINT(WINAPI*)(LPWSTR buffer, UINT size);

// The Windows folder as the platform reports it (no trailing backslash);
// empty when it cannot be read.
inline std::wstring WindowsFolder(WindowsFolderQuery query = GetWindowsDirectoryW) {
    std::wstring buffer(MAX_PATH, L'\0');
    // A too small buffer gets the size needed instead of the text. The answer
    // may change between two calls, so ask again a few times, then give up
    // rather than return a partly filled buffer.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const UINT size = static_cast<UINT>(buffer.size());
        const UINT written = query(buffer.data(), size);
        if (written == 0)
            return {};
        if (written < size) {
            buffer.resize(written);
            return buffer;
        }
        buffer.assign(written, L'\0');
    }
    return {};
}

// The system's registry editor, by its full path: the ordinary program search
// looks in the running program's own folder first, where a planted
// Regedit.exe would run with that program's rights. Empty when the Windows
// folder cannot be read.
inline std::wstring RegistryEditor() {
    const std::wstring folder = WindowsFolder();
    return folder.empty() ? folder : folder + L"\\regedit.exe";
}
