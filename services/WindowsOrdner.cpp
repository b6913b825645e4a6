#include "services/WindowsOrdner.h"

namespace WindowsOrdner {

std::wstring WindowsDirectory() {
    return WindowsFolder();
}

std::wstring WindowsDirectory(DirectoryQuery query) {
    return WindowsFolder(query);
}

} // namespace WindowsOrdner
