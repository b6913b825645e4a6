#pragma once

#include <optional>
#include <string>
#include <string_view>

// Paths of files and folders.
namespace FileDirPath {

// The path up to and including its last backslash; empty when it has none.
// Only the backslash separates: a forward slash is part of a name, and an
// opening quote stays where it is.
std::wstring DirectoryOfPath(std::wstring_view path);

// The program path a verb row takes from the file dialog's folder and file
// name, or nothing when the choice was cancelled or the joined path is too
// short to name a program (4 characters or fewer).
std::optional<std::wstring> ChosenProgramPath(std::wstring folder, std::wstring_view name);

// folder and name with one backslash between them.
std::wstring Join(std::wstring_view folder, std::wstring_view name);

// The form in which the file functions take a full path of any length: one
// near MAX_PATH characters or longer needs the \\?\ prefix on Windows, which
// also turns off every other reading of the path.
std::wstring ForFileCalls(const std::wstring& path);

// Every folder of a full path, from the drive or share down, made where
// missing; whether the last one is there afterwards is the caller's to ask.
void CreateFolders(const std::wstring& folder);

// ERROR_SUCCESS where this process may create a file in the folder (one is
// made and removed again), else the platform's error.
unsigned long CanWriteIn(const std::wstring& folder);

} // namespace FileDirPath
