#include "services/SpecialFolders.h"

#include "common/SystemLibrary.h"
#include "common/UniqueHandle.h"

#include <shlobj.h>

#include <algorithm>
#include <iterator>

namespace SpecialFolders {

namespace {

// shell32 is loaded by the first question, not at the start: the wizard asks
// only when a browse button is pressed.
struct Shell {
    decltype(&SHGetSpecialFolderLocation) location = nullptr;
    decltype(&SHGetPathFromIDListW) path = nullptr;
    decltype(&ILFree) free = nullptr;

    bool Usable() const { return location && path && free; }
};

const Shell& Loaded() {
    static const SystemLibrary shell32(L"shell32.dll");
    static const Shell functions{
        shell32.Get<decltype(&SHGetSpecialFolderLocation)>("SHGetSpecialFolderLocation"),
        shell32.Get<decltype(&SHGetPathFromIDListW)>("SHGetPathFromIDListW"),
        shell32.Get<decltype(&ILFree)>("ILFree")};
    return functions;
}

// The shell's own release for the ID lists it hands out; it spares the
// program a link to ole32 for this one call.
struct ItemIdListTraits {
    static PIDLIST_ABSOLUTE invalid() { return nullptr; }
    static void close(PIDLIST_ABSOLUTE list) { Loaded().free(list); }
};
using UniqueItemIdList = UniqueHandle<PIDLIST_ABSOLUTE, ItemIdListTraits>;

} // namespace

std::wstring SpecialFolderPath(int csidl) {
    const Shell& shell = Loaded();
    if (!shell.Usable())
        return {};
    UniqueItemIdList folder;
    if (shell.location(nullptr, csidl, folder.put()) != S_OK || !folder)
        return {};
    wchar_t path[MAX_PATH]{};
    if (!shell.path(folder.get(), path))
        return {};
    return std::wstring(std::begin(path), std::find(std::begin(path), std::end(path), L'\0'));
}

} // namespace SpecialFolders
