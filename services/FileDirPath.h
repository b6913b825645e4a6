#pragma once

#include <string>
#include <string_view>

namespace FileDirPath {

// The path up to and including its last backslash; empty when it has none.
// Only the backslash separates: a forward slash is part of a name, and an
// opening quote stays where it is.
std::wstring DirectoryOfPath(std::wstring_view path);

} // namespace FileDirPath
