#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the tests ask of the system beside the wizard's window (which the
// driver works): files, processes, the environment.
namespace System {

// For messages: the text with every character outside printable ASCII as \uXXXX.
std::string Ascii(std::wstring_view text);

// A file's bytes; empty when there is none.
std::string FileBytes(const std::wstring& path);

// The names of the files in a folder that start so, sorted.
std::vector<std::wstring> FilesStartingWith(const std::wstring& folder, std::wstring_view start);

// The folder, made with its parents as needed, without the files it held.
std::wstring EmptyFolder(const std::wstring& folder);

// A copy of the build's command_recorder at path, its folder made as needed:
// started, it notes its arguments in aufruf.txt beside itself.
bool PlaceRecorder(const std::wstring& path);

// Windows' settings page for Default Apps, as its link starts it; Wine has
// none. It notes the link it was started with in kSettingsCall.
inline const std::wstring kSettingsCall = L"C:\\Einstellungen\\aufruf.txt";
bool InstallSettingsPage();

// The value of an environment variable; empty when it is not set.
std::wstring Environment(const wchar_t* name);

// Runs a program with its standard output into a file and gives its exit
// code (nullopt when it did not end in time) and what it printed.
struct Finished {
    std::optional<DWORD> exitCode;
    std::string output;
};
Finished RunPrinting(const std::wstring& program, const std::wstring& arguments, DWORD timeoutMs);

// How long the tests let a helper program run before they end it.
inline constexpr DWORD kHelperTimeLimitMs = 120'000;

} // namespace System
