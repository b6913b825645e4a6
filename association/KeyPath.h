#pragma once

#include "common/Text.h"

#include <windows.h>

#include <string>
#include <string_view>

// Paths of registry keys below the root a run writes, as the registration,
// its backups and its undo file name them.
namespace KeyPath {

// Whose registration a run makes: every user's, below HKEY_LOCAL_MACHINE;
// or the running account's own, below HKEY_CURRENT_USER, which Windows reads
// first for that account and which the account may write without
// administrator rights. Every key path is the same below either root.
enum class Scope { kMachine, kAccount };

inline HKEY Root(Scope scope) {
    return scope == Scope::kAccount ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

// How the registry editor's files name the root.
inline std::wstring_view RootName(Scope scope) {
    return scope == Scope::kAccount ? L"HKEY_CURRENT_USER\\" : L"HKEY_LOCAL_MACHINE\\";
}

inline constexpr std::wstring_view kClasses = L"Software\\Classes";

// A key directly below the classes key.
inline std::wstring Classes(std::wstring_view name) {
    return std::wstring(kClasses) + L'\\' + std::wstring(name);
}

// The key's name with its root, as the registry editor writes it.
inline std::wstring Full(Scope scope, std::wstring_view path) {
    return std::wstring(RootName(scope)) + std::wstring(path);
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
