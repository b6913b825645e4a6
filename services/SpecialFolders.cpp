#include "services/SpecialFolders.h"

#include "common/UniqueHandle.h"

#include <shlobj.h>

#include <algorithm>
#include <iterator>

namespace SpecialFolders {

namespace {
using UniqueItemIdList =
    UniqueHandle<PIDLIST_ABSOLUTE, handle_traits::CoTaskMemory<PIDLIST_ABSOLUTE>>;
} // namespace

std::wstring SpecialFolderPath(int csidl) {
    UniqueItemIdList folder;
    if (SHGetSpecialFolderLocation(nullptr, csidl, folder.put()) != S_OK || !folder)
        return {};
    wchar_t path[MAX_PATH]{};
    if (!SHGetPathFromIDListW(folder.get(), path))
        return {};
    return std::wstring(std::begin(path), std::find(std::begin(path), std::end(path), L'\0'));
}

} // namespace SpecialFolders
