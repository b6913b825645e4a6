#include "services/UserAccount.h"

#include "services/FileDirPath.h"
#include "services/SpecialFolders.h"

#include <windows.h>

#include <shlobj.h>

namespace UserAccount {

std::wstring Name() {
    // A logon name has at most 256 characters (UNLEN).
    wchar_t name[257]{};
    DWORD size = static_cast<DWORD>(std::size(name));
    return GetUserNameW(name, &size) ? std::wstring(name) : std::wstring();
}

std::wstring OwnFolder() {
    const std::wstring local = SpecialFolders::SpecialFolderPath(CSIDL_LOCAL_APPDATA);
    return local.empty() ? local : FileDirPath::Join(local, L"Bildkranz");
}

} // namespace UserAccount
