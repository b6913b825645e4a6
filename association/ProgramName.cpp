#include "association/ProgramName.h"

#include "common/Numbers.h"
#include "common/SystemLibrary.h"
#include "common/Text.h"

#include <windows.h>

#include <vector>

namespace ProgramName {

namespace {

constexpr std::wstring_view kBlanks = L" \t\r\n";

std::wstring Trimmed(std::wstring_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::wstring_view::npos)
        return {};
    return std::wstring(text.substr(first, text.find_last_not_of(kBlanks) - first + 1));
}

std::wstring FileNameWithoutExtension(std::wstring_view path) {
    const std::size_t separator = path.find_last_of(L"\\/");
    std::wstring_view name =
        separator == std::wstring_view::npos ? path : path.substr(separator + 1);
    const std::size_t dot = name.rfind(L'.');
    // A name that is all extension keeps it rather than vanish.
    if (dot != std::wstring_view::npos && dot > 0)
        name = name.substr(0, dot);
    return Trimmed(name);
}

// version.dll is loaded by the first program named, after the last Next, not
// at the start.
struct VersionFunctions {
    decltype(&GetFileVersionInfoSizeW) size = nullptr;
    decltype(&GetFileVersionInfoW) read = nullptr;
    decltype(&VerQueryValueW) query = nullptr;
};

const VersionFunctions& Version() {
    static const SystemLibrary version(L"version.dll");
    static const VersionFunctions functions{
        version.Get<decltype(&GetFileVersionInfoSizeW)>("GetFileVersionInfoSizeW"),
        version.Get<decltype(&GetFileVersionInfoW)>("GetFileVersionInfoW"),
        version.Get<decltype(&VerQueryValueW)>("VerQueryValueW")};
    return functions;
}

std::vector<BYTE> VersionRecord(const std::wstring& path) {
    const VersionFunctions& version = Version();
    if (!version.size || !version.read || !version.query)
        return {};
    DWORD ignored = 0;
    const DWORD size = version.size(path.c_str(), &ignored);
    if (size == 0)
        return {};
    std::vector<BYTE> record(size);
    if (!version.read(path.c_str(), 0, size, record.data()))
        return {};
    return record;
}

std::wstring Description(const std::vector<BYTE>& record) {
    struct Translation {
        WORD language;
        WORD codePage;
    };
    void* found = nullptr;
    UINT size = 0;
    if (!Version().query(record.data(), L"\\VarFileInfo\\Translation", &found, &size) ||
        size < sizeof(Translation))
        return {};
    const auto* first = static_cast<const Translation*>(found);
    const std::wstring block = L"\\StringFileInfo\\" + HexDigits(first->language, 4) +
                               HexDigits(first->codePage, 4) + L"\\FileDescription";
    if (!Version().query(record.data(), block.c_str(), &found, &size) || size == 0)
        return {};
    // The length counts the terminator on some systems and not on others.
    const std::wstring_view text(static_cast<const wchar_t*>(found), size);
    return Trimmed(text.substr(0, text.find(L'\0')));
}

} // namespace

std::wstring Of(std::wstring_view programPath) {
    const std::wstring path(Text::Unquoted(programPath));
    const std::vector<BYTE> record = VersionRecord(path);
    std::wstring name = record.empty() ? std::wstring() : Description(record);
    return name.empty() ? FileNameWithoutExtension(path) : name;
}

} // namespace ProgramName
