#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Direct looks at HKEY_LOCAL_MACHINE\Software\Classes, past the program's own
// registry layer, so tests see what the registry really holds.
namespace RegistryProbe {

std::wstring ClassesPath(const std::wstring& key);
bool KeyPresent(const std::wstring& classesKey);
// A string value of a key below the classes key; nullopt when missing.
std::optional<std::wstring> ClassesText(const std::wstring& classesKey,
                                        const wchar_t* name = nullptr);
// The class text stored with a key below the classes key, or below
// HKEY_LOCAL_MACHINE; "<missing>" without the key.
std::wstring KeyClass(const std::wstring& classesKey);
std::wstring MachineKeyClass(const std::wstring& path);
// Keys given by their full path below HKEY_LOCAL_MACHINE are reached in the
// 64-bit view, as 64-bit Windows reads them: outside the classes key 32-bit
// and 64-bit programs see different keys, and the program writes there in the
// 64-bit view; below the classes key both views share the keys.
inline constexpr REGSAM kMachineView = KEY_WOW64_64KEY;
std::optional<std::wstring> MachineText(const std::wstring& path, const wchar_t* name = nullptr);
bool MachineKeyPresent(const std::wstring& path, REGSAM view = kMachineView);
// The key with everything below it; ERROR_FILE_NOT_FOUND when it is not there.
LSTATUS DeleteMachineTree(const std::wstring& path);
void PutMachineText(const std::wstring& path, const wchar_t* name, const std::wstring& value);
// Creates the key as needed and writes a REG_SZ.
void PutText(const std::wstring& classesKey, const wchar_t* name, const std::wstring& value);
void DeleteTree(const std::wstring& classesKey);
// The text's UTF-16 bytes, without a terminator.
std::string Utf16Bytes(std::wstring_view text);
// Stores the bytes exactly as given, in a key below HKEY_LOCAL_MACHINE that
// it creates as needed.
bool PutRaw(const std::wstring& path, const std::wstring& name, DWORD type,
            const std::string& bytes);
// Replaces the access list of a key below HKEY_LOCAL_MACHINE, and its owner
// where the descriptor (SDDL) names one.
bool SetAccess(const std::wstring& path, const wchar_t* sddl);
// Leaves only the right to read the key, for everyone.
void MakeReadOnly(const std::wstring& classesKey);
// Removes every key the registration writes, for all users and for the
// running account, so a test starts from nothing. Windows' Default Apps list
// included.
void DeleteAllAssociations();

// A string value of a key below HKEY_CURRENT_USER, the running account's
// own; nullopt when missing.
std::optional<std::wstring> AccountText(const std::wstring& path, const wchar_t* name = nullptr);

// While it lives, HKEY_LOCAL_MACHINE\Software\Classes may be read but not
// written nor given subkeys, in both registry views: what a user without
// administrator rights finds. Wine runs every program as an administrator
// but honours a key's access list when the key itself is opened.
class MachineClassesReadOnly {
public:
    MachineClassesReadOnly();
    // The owner, group and list as they were.
    ~MachineClassesReadOnly();
    MachineClassesReadOnly(const MachineClassesReadOnly&) = delete;
    MachineClassesReadOnly& operator=(const MachineClassesReadOnly&) = delete;

    // An open for creating subkeys or setting values is refused in both
    // views, and one for reading is not.
    bool Holds() const;

private:
    struct Locked;
    std::vector<Locked> locked_;
};

} // namespace RegistryProbe
