#pragma once

#include "common/WindowsFolder.h"

#include <string>

namespace WindowsOrdner {

using DirectoryQuery = WindowsFolderQuery;

// The Windows folder as the platform reports it (no trailing backslash);
// empty when it cannot be read.
std::wstring WindowsDirectory();
std::wstring WindowsDirectory(DirectoryQuery query);

} // namespace WindowsOrdner
