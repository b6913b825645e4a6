#include "association/ProgramName.h"

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

std::vector<BYTE> VersionRecord(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0)
        return {};
    std::vector<BYTE> record(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, record.data()))
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
    if (!VerQueryValueW(record.data(), L"\\VarFileInfo\\Translation", &found, &size) ||
        size < sizeof(Translation))
        return {};
    const auto* first = static_cast<const Translation*>(found);
    wchar_t block[64];
    wsprintfW(block, L"\\StringFileInfo\\%04x%04x\\FileDescription", first->language,
              first->codePage);
    if (!VerQueryValueW(record.data(), block, &found, &size) || size == 0)
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
