#include "services/SpecialFolders.h"

#include "common/UniqueHandle.h"

#include <shlobj.h>

#include <algorithm>
#include <iterator>

namespace SpecialFolders {

namespace {
// The shell's own release for the ID lists it hands out; it spares the
// program a link to ole32 for this one call.
struct ItemIdListTraits {
    static PIDLIST_ABSOLUTE invalid() { return nullptr; }
    static void close(PIDLIST_ABSOLUTE list) { ILFree(list); }
};
using UniqueItemIdList = UniqueHandle<PIDLIST_ABSOLUTE, ItemIdListTraits>;
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
