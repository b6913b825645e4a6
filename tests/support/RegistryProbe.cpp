#include "tests/support/RegistryProbe.h"

#include "association/Catalogue.h"

namespace probe {

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
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
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

void MakeReadOnly(const std::wstring& classesKey) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, ClassesPath(classesKey).c_str(), 0, WRITE_DAC, &key) !=
        ERROR_SUCCESS)
        return;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    alignas(ACL) BYTE aclBuffer[256]{};
    auto* acl = reinterpret_cast<ACL*>(aclBuffer);
    InitializeAcl(acl, sizeof(aclBuffer), ACL_REVISION);
    AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone);
    SECURITY_DESCRIPTOR descriptor{};
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor);
    RegCloseKey(key);
    FreeSid(everyone);
}

void DeleteAllAssociations() {
    for (const catalogue::FileType& type : catalogue::kFileTypes) {
        DeleteTree(std::wstring(type.extension));
        DeleteTree(std::wstring(type.className));
        DeleteTree(L"SystemFileAssociations\\" + std::wstring(type.extension));
    }
}

} // namespace probe
