#pragma once

#include <string>

namespace SpecialFolders {

// The file system path of a shell folder named by its CSIDL; empty when the
// folder is unknown or virtual (it has no path), or the shell fails.
std::wstring SpecialFolderPath(int csidl);

} // namespace SpecialFolders
