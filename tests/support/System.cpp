#include "tests/support/System.h"

#include "common/UniqueHandle.h"
#include "tools/driver/Program.h"

#include <algorithm>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace support {

std::string Ascii(std::wstring_view text) {
    std::string ascii;
    for (wchar_t c : text) {
        if (c >= 32 && c < 127) {
            ascii += static_cast<char>(c);
        } else {
            char escaped[8];
            snprintf(escaped, sizeof(escaped), "\\u%04x", static_cast<unsigned>(c));
            ascii += escaped;
        }
    }
    return ascii;
}

std::string FileBytes(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<std::wstring> FilesStartingWith(const std::wstring& folder, std::wstring_view start) {
    std::vector<std::wstring> files = driver::FilesIn(folder);
    std::erase_if(files, [&](const std::wstring& name) { return !name.starts_with(start); });
    std::sort(files.begin(), files.end());
    return files;
}

std::wstring Environment(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return {};
    std::wstring value(size, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), size));
    return value;
}

} // namespace support
