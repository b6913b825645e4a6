#pragma once

#include "common/UniqueHandle.h"

#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

// UTF-16 text files: the registry editor's exports, and the notes the small
// helper programs leave for the tests that start them.
namespace TextFile {

inline bool Write(const std::wstring& path, const std::wstring& text) {
    const UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    return WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)),
                     &written, nullptr) != FALSE;
}

// The whole text without a byte order mark; empty when there is no file.
inline std::wstring Read(const std::wstring& path) {
    const UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
    if (!file)
        return L"";
    std::wstring text(GetFileSize(file.get(), nullptr) / sizeof(wchar_t), L'\0');
    DWORD read = 0;
    ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &read,
             nullptr);
    if (text.starts_with(L'\xFEFF'))
        text.erase(0, 1);
    return text;
}

// The lines of a text, without their CR LF or LF ends.
inline std::vector<std::wstring> Lines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    std::wistringstream stream(text);
    for (std::wstring line; std::getline(stream, line);)
        lines.push_back(line.ends_with(L'\r') ? line.substr(0, line.size() - 1) : line);
    return lines;
}

} // namespace TextFile
