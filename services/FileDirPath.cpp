#include "services/FileDirPath.h"

#include "common/Numbers.h"
#include "common/UniqueHandle.h"

#include <windows.h>

namespace FileDirPath {

std::wstring DirectoryOfPath(std::wstring_view path) {
    const std::size_t last = path.rfind(L'\\');
    if (last == std::wstring_view::npos)
        return {};
    return std::wstring(path.substr(0, last + 1));
}

std::optional<std::wstring> ChosenProgramPath(std::wstring folder, std::wstring_view name) {
    if (folder.empty() || folder.back() != L'\\')
        folder += L'\\';
    folder += name;
    if (name.empty() || folder.size() <= 4)
        return std::nullopt;
    return folder;
}

std::wstring Join(std::wstring_view folder, std::wstring_view name) {
    std::wstring path(folder);
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/')
        path += L'\\';
    return path += name;
}

std::wstring ForFileCalls(const std::wstring& path) {
    if (path.size() < MAX_PATH - 12 || path.starts_with(L"\\\\?\\"))
        return path;
    if (path.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + path.substr(2);
    return L"\\\\?\\" + path;
}

void CreateFolders(const std::wstring& folder) {
    const std::size_t root = folder.starts_with(L"\\\\")
                                 ? folder.find(L'\\', folder.find(L'\\', 2) + 1)
                                 : folder.find(L'\\');
    if (root == std::wstring::npos)
        return;
    for (std::size_t at = folder.find(L'\\', root + 1);; at = folder.find(L'\\', at + 1)) {
        CreateDirectoryW(ForFileCalls(folder.substr(0, at)).c_str(), nullptr);
        if (at == std::wstring::npos)
            return;
    }
}

unsigned long CanWriteIn(const std::wstring& folder) {
    const std::wstring probe =
        Join(folder, L"~Bildkranz " + Decimal(GetCurrentProcessId()) + L".tmp");
    const UniqueFile file(
        CreateFileW(ForFileCalls(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return file ? ERROR_SUCCESS : GetLastError();
}

} // namespace FileDirPath
