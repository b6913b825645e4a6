#include "services/ProgramChoice.h"

namespace ProgramChoice {

std::optional<std::wstring> ChosenProgramPath(std::wstring folder, std::wstring_view name) {
    if (folder.empty() || folder.back() != L'\\')
        folder += L'\\';
    folder += name;
    if (name.empty() || folder.size() <= 4)
        return std::nullopt;
    return folder;
}

} // namespace ProgramChoice
