#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// Paths of files and folders.
namespace file_path {

// folder and name with one backslash between them.
inline std::wstring Join(std::wstring_view folder, std::wstring_view name) {
    std::wstring path(folder);
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/')
        path += L'\\';
    return path += name;
}

// The form in which the file functions take a full path of any length: one
// near MAX_PATH characters or longer needs the \\?\ prefix on Windows, which
// also turns off every other reading of the path.
inline std::wstring ForFileCalls(const std::wstring& path) {
    if (path.size() < MAX_PATH - 12 || path.starts_with(L"\\\\?\\"))
        return path;
    if (path.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + path.substr(2);
    return L"\\\\?\\" + path;
}

// Every folder of a full path, from the drive or share down, made where
// missing; whether the last one is there afterwards is the caller's to ask.
inline void CreateFolders(const std::wstring& folder) {
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

} // namespace file_path
