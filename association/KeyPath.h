#pragma once

#include "common/Text.h"

#include <windows.h>

#include <string>
#include <string_view>

// Paths of registry keys below HKEY_LOCAL_MACHINE, as the registration, its
// backups and its undo file name them.
namespace KeyPath {

// The root of every key the program reads and writes.
inline const HKEY kRoot = HKEY_LOCAL_MACHINE;
// How the registry editor's files name the root.
inline constexpr std::wstring_view kRootName = L"HKEY_LOCAL_MACHINE\\";
inline constexpr std::wstring_view kClasses = L"Software\\Classes";

// A key directly below the classes key.
inline std::wstring Classes(std::wstring_view name) {
    return std::wstring(kClasses) + L'\\' + std::wstring(name);
}

// The key's name with its root, as the registry editor writes it.
inline std::wstring Full(std::wstring_view path) {
    return std::wstring(kRootName) + std::wstring(path);
}

// Registry names compare without regard to case: a key path is the same as
// the ancestor or below it.
inline bool SameOrBelow(std::wstring_view path, std::wstring_view ancestor) {
    if (path.size() < ancestor.size() ||
        (path.size() > ancestor.size() && path[ancestor.size()] != L'\\'))
        return false;
    return Text::Same(path.substr(0, ancestor.size()), ancestor);
}

} // namespace KeyPath
