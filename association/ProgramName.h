#pragma once

#include <string>
#include <string_view>

// What the context menu calls a verb program.
namespace ProgramName {

// The program's description from its version record (the first language its
// translation table lists), trimmed; where it has none, or an empty one, its
// file name without the extension.
std::wstring Of(std::wstring_view programPath);

} // namespace ProgramName
