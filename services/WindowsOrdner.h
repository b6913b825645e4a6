#pragma once

#include <windows.h>

#include <string>

namespace WindowsOrdner {

// Fills the buffer as GetWindowsDirectoryW does: the length written, or the
// size needed (terminator included) when the buffer is too small, or 0.
using DirectoryQuery = UINT(WINAPI*)(LPWSTR buffer, UINT size);

// The Windows folder as the platform reports it (no trailing backslash);
// empty when it cannot be read.
std::wstring WindowsDirectory(DirectoryQuery query = GetWindowsDirectoryW);

} // namespace WindowsOrdner
