#include "tests/support/RegistryProbe.h"

#include "association/Catalogue.h"
#include "common/UniqueHandle.h"

#include <sddl.h>

namespace RegistryProbe {

std::wstring ClassesPath(const std::wstring& key) {
    return L"Software\\Classes\\" + key;
}

bool KeyPresent(const std::wstring& classesKey) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, ClassesPath(classesKey).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::optional<std::wstring> Text(const std::wstring& classesKey, const wchar_t* name) {
    wchar_t value[2048]{};
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, ClassesPath(classesKey).c_str(), name,
                     RRF_RT_REG_SZ | RRF_RT_REG_MULTI_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(value);
}

std::optional<std::wstring> MachineText(const std::wstring& path, const wchar_t* name) {
    UniqueKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | kMachineView, key.put()) !=
        ERROR_SUCCESS)
        return std::nullopt;
    wchar_t value[2048]{};
    DWORD size = sizeof(value) - sizeof(wchar_t);
    DWORD type = REG_NONE;
    if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    return std::wstring(value);
}

bool MachineKeyPresent(const std::wstring& path, REGSAM view) {
    UniqueKey key;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, key.put()) ==
           ERROR_SUCCESS;
}

LSTATUS DeleteMachineTree(const std::wstring& path) {
    // RegDeleteTreeW takes no view: it deletes below a parent opened in one.
    const size_t split = path.rfind(L'\\');
    UniqueKey parent;
    const LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.substr(0, split).c_str(), 0,
                                         KEY_ALL_ACCESS | kMachineView, parent.put());
    if (status != ERROR_SUCCESS)
        return status;
    return RegDeleteTreeW(parent.get(), path.substr(split + 1).c_str());
}

void PutMachineText(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    UniqueKey key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                        KEY_SET_VALUE | kMachineView, nullptr, key.put(), nullptr) == ERROR_SUCCESS)
        RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

std::wstring KeyClass(const std::wstring& classesKey) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, ClassesPath(classesKey).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return L"<missing>";
    wchar_t keyClass[64]{};
    DWORD length = 64;
    RegQueryInfoKeyW(key, keyClass, &length, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return keyClass;
}

void PutText(const std::wstring& classesKey, const wchar_t* name, const std::wstring& value) {
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, ClassesPath(classesKey).c_str(), name, REG_SZ,
                    value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

std::string Utf16Bytes(std::wstring_view text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

bool PutRaw(const std::wstring& path, const std::wstring& name, DWORD type,
            const std::string& bytes) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                        KEY_SET_VALUE | kMachineView, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    // Non-zero bytes just past the data: given a zero there, the platform
    // would count it as the forgotten terminator of a text value.
    const std::string guarded = bytes + "!!";
    const LSTATUS status =
        RegSetValueExW(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(guarded.data()),
                       static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

void DeleteTree(const std::wstring& classesKey) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, ClassesPath(classesKey).c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, ClassesPath(classesKey).c_str());
}

bool SetAccess(const std::wstring& path, const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        return false;
    SECURITY_INFORMATION parts = DACL_SECURITY_INFORMATION;
    if (std::wstring_view(sddl).starts_with(L"O:"))
        parts |= OWNER_SECURITY_INFORMATION;
    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0,
                                   WRITE_DAC | WRITE_OWNER | kMachineView, &key);
    if (status == ERROR_SUCCESS) {
        status = RegSetKeySecurity(key, parts, descriptor);
        RegCloseKey(key);
    }
    LocalFree(descriptor);
    return status == ERROR_SUCCESS;
}

void MakeReadOnly(const std::wstring& classesKey) {
    SetAccess(ClassesPath(classesKey), L"D:P(A;;KR;;;WD)");
}

void DeleteAllAssociations() {
    for (const Catalogue::FileType& type : Catalogue::kFileTypes) {
        DeleteTree(std::wstring(type.extension));
        DeleteTree(std::wstring(type.className));
        DeleteTree(L"SystemFileAssociations\\" + std::wstring(type.extension));
    }
    DeleteMachineTree(L"Software\\Bildkranz");
    UniqueKey listed;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\RegisteredApplications", 0,
                      KEY_SET_VALUE | kMachineView, listed.put()) == ERROR_SUCCESS)
        RegDeleteValueW(listed.get(), L"Bildkranz");
}

} // namespace RegistryProbe
