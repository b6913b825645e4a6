#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ProgramChoice {

// The program path a verb row takes from the file dialog's folder and file
// name, or nothing when the choice was cancelled or the joined path is too
// short to name a program (4 characters or fewer).
std::optional<std::wstring> ChosenProgramPath(std::wstring folder, std::wstring_view name);

} // namespace ProgramChoice
