#include "tests/support/RegistryProbe.h"

#include "association/Catalogue.h"
#include "common/UniqueHandle.h"

#include <sddl.h>

namespace RegistryProbe {

std::wstring ClassesPath(const std::wstring& key) {
    return L"Software\\Classes\\" + key;
}

namespace {

// As the program's own layer does: the handle is taken over only on
// success, what a failed call leaves in its out argument is not a handle.
LSTATUS Open(const std::wstring& path, REGSAM access, UniqueKey& key) {
    HKEY opened = nullptr;
    const LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, &opened);
    if (status == ERROR_SUCCESS)
        key.reset(opened);
    return status;
}

UniqueKey Open(const std::wstring& path, REGSAM access) {
    UniqueKey key;
    Open(path, access, key);
    return key;
}

// Created as needed, for writing values in the 64-bit view.
UniqueKey Create(const std::wstring& path) {
    HKEY created = nullptr;
    return UniqueKey(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                     KEY_SET_VALUE | kMachineView, nullptr, &created,
                                     nullptr) == ERROR_SUCCESS
                         ? created
                         : nullptr);
}

} // namespace

bool KeyPresent(const std::wstring& classesKey) {
    return static_cast<bool>(Open(ClassesPath(classesKey), KEY_READ));
}

std::optional<std::wstring> ClassesText(const std::wstring& classesKey, const wchar_t* name) {
    wchar_t value[2048]{};
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, ClassesPath(classesKey).c_str(), name,
                     RRF_RT_REG_SZ | RRF_RT_REG_MULTI_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(value);
}

std::optional<std::wstring> MachineText(const std::wstring& path, const wchar_t* name) {
    const UniqueKey key = Open(path, KEY_READ | kMachineView);
    if (!key)
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
    return static_cast<bool>(Open(path, KEY_READ | view));
}

LSTATUS DeleteMachineTree(const std::wstring& path) {
    // RegDeleteTreeW takes no view: it deletes below a parent opened in one.
    const size_t split = path.rfind(L'\\');
    UniqueKey parent;
    const LSTATUS status = Open(path.substr(0, split), KEY_ALL_ACCESS | kMachineView, parent);
    if (status != ERROR_SUCCESS)
        return status;
    return RegDeleteTreeW(parent.get(), path.substr(split + 1).c_str());
}

void PutMachineText(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    if (const UniqueKey key = Create(path))
        RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

std::wstring KeyClass(const std::wstring& classesKey) {
    return MachineKeyClass(ClassesPath(classesKey));
}

std::wstring MachineKeyClass(const std::wstring& path) {
    const UniqueKey key = Open(path, KEY_READ | kMachineView);
    if (!key)
        return L"<missing>";
    wchar_t keyClass[64]{};
    DWORD length = 64;
    RegQueryInfoKeyW(key.get(), keyClass, &length, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr, nullptr);
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
    const UniqueKey key = Create(path);
    // Non-zero bytes just past the data: given a zero there, the platform
    // would count it as the forgotten terminator of a text value.
    const std::string guarded = bytes + "!!";
    return key && RegSetValueExW(key.get(), name.c_str(), 0, type,
                                 reinterpret_cast<const BYTE*>(guarded.data()),
                                 static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
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
    const UniqueKey key = Open(path, WRITE_DAC | WRITE_OWNER | kMachineView);
    const bool set = key && RegSetKeySecurity(key.get(), parts, descriptor) == ERROR_SUCCESS;
    LocalFree(descriptor);
    return set;
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
    if (const UniqueKey listed =
            Open(L"Software\\RegisteredApplications", KEY_SET_VALUE | kMachineView))
        RegDeleteValueW(listed.get(), L"Bildkranz");
    for (const Catalogue::FileType& type : Catalogue::kFileTypes)
        for (const std::wstring& key : {std::wstring(type.extension), std::wstring(type.className),
                                        L"SystemFileAssociations\\" + std::wstring(type.extension)})
            RegDeleteTreeW(HKEY_CURRENT_USER, ClassesPath(key).c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Bildkranz");
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\RegisteredApplications", L"Bildkranz");
}

std::optional<std::wstring> AccountText(const std::wstring& path, const wchar_t* name) {
    wchar_t text[1024]{};
    DWORD size = sizeof(text);
    if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(text);
}

namespace {

constexpr REGSAM kBothViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
constexpr SECURITY_INFORMATION kWholeDescriptor =
    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

} // namespace

// The key stays open for restoring: the rights to change its descriptor are
// checked when it is opened, before the list takes them away.
struct MachineClassesReadOnly::Locked {
    UniqueKey key;
    std::vector<BYTE> before;
};

MachineClassesReadOnly::MachineClassesReadOnly() {
    PSECURITY_DESCRIPTOR readOnly = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KR;;;WD)", SDDL_REVISION_1,
                                                              &readOnly, nullptr))
        return;
    for (REGSAM view : kBothViews) {
        Locked locked{Open(L"Software\\Classes", READ_CONTROL | WRITE_DAC | WRITE_OWNER | view),
                      {}};
        DWORD size = 0;
        if (!locked.key || RegGetKeySecurity(locked.key.get(), kWholeDescriptor, nullptr, &size) !=
                               ERROR_INSUFFICIENT_BUFFER)
            continue;
        locked.before.resize(size);
        if (RegGetKeySecurity(locked.key.get(), kWholeDescriptor, locked.before.data(), &size) !=
                ERROR_SUCCESS ||
            RegSetKeySecurity(locked.key.get(), DACL_SECURITY_INFORMATION, readOnly) !=
                ERROR_SUCCESS)
            continue;
        locked_.push_back(std::move(locked));
    }
    LocalFree(readOnly);
}

MachineClassesReadOnly::~MachineClassesReadOnly() {
    // The views may share the key: the first one saved holds the original.
    for (auto locked = locked_.rbegin(); locked != locked_.rend(); ++locked)
        RegSetKeySecurity(locked->key.get(), kWholeDescriptor, locked->before.data());
}

bool MachineClassesReadOnly::Holds() const {
    if (locked_.size() != std::size(kBothViews))
        return false;
    for (REGSAM view : kBothViews) {
        UniqueKey key;
        if (Open(L"Software\\Classes", KEY_CREATE_SUB_KEY | KEY_SET_VALUE | view, key) !=
                ERROR_ACCESS_DENIED ||
            Open(L"Software\\Classes", KEY_READ | view, key) != ERROR_SUCCESS)
            return false;
    }
    return true;
}

} // namespace RegistryProbe
