#include "services/FileDirPath.h"

namespace FileDirPath {

std::wstring DirectoryOfPath(std::wstring_view path) {
    const std::size_t last = path.rfind(L'\\');
    if (last == std::wstring_view::npos)
        return {};
    return std::wstring(path.substr(0, last + 1));
}

} // namespace FileDirPath
