#include "tests/support/RegFile.h"

#include "common/UniqueHandle.h"
#include "tests/support/TextFile.h"

#include <algorithm>
#include <cstdio>

namespace reg_file {

std::optional<DWORD> RunAndWait(const std::wstring& program, std::wstring commandLine,
                                DWORD timeoutMs) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &started))
        return std::nullopt;
    const UniqueKernelHandle process(started.hProcess);
    const UniqueKernelHandle thread(started.hThread);
    if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), 10'000);
        return std::nullopt;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(process.get(), &code))
        return std::nullopt;
    return code;
}

bool Export(const std::wstring& file, const std::wstring& key) {
    DeleteFileW(file.c_str());
    const auto code = RunAndWait(kEditor, L"regedit.exe /e \"" + file + L"\" \"" + key + L"\"");
    WIN32_FILE_ATTRIBUTE_DATA data;
    return code == 0u && GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data) &&
           (data.nFileSizeLow != 0 || data.nFileSizeHigh != 0);
}

bool ExportClasses(const std::wstring& file) {
    return Export(file, kClassesKey);
}

bool Import(const std::wstring& file) {
    return RunAndWait(kEditor, L"regedit.exe /s \"" + file + L"\"") == 0u;
}

namespace {

std::vector<std::wstring> Lines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        std::wstring line = text.substr(start, end - start);
        if (line.ends_with(L'\r'))
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

} // namespace

Content Parse(const std::wstring& text, bool joinLines) {
    Content content;
    std::set<std::wstring>* values = nullptr;
    std::wstring pending;
    for (std::wstring line : Lines(text)) {
        if (!pending.empty()) {
            if (joinLines)
                line = line.substr(std::min(line.find_first_not_of(L' '), line.size()));
            else
                pending += L"\r\n";
            line = pending + line;
            pending.clear();
        }
        // Only hex lists wrap; a string value ends in its quote.
        if (line.ends_with(L",\\")) {
            pending = joinLines ? line.substr(0, line.size() - 1) : line;
            continue;
        }
        if (line.starts_with(L'[') && line.ends_with(L']')) {
            values = &content[line.substr(1, line.size() - 2)];
        } else if (!line.empty() && values && !line.starts_with(L';')) {
            values->insert(line);
        }
    }
    return content;
}

Content ParseFile(const std::wstring& path, bool joinLines) {
    return Parse(text_file::Read(path), joinLines);
}

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

namespace {

void Missing(const Content& from, const Content& other, char sign,
             std::vector<std::string>& differences) {
    for (const auto& [key, values] : from) {
        const auto found = other.find(key);
        if (found == other.end()) {
            differences.push_back(std::string(1, sign) + " [" + Ascii(key) + "]");
            continue;
        }
        for (const std::wstring& value : values)
            if (!found->second.contains(value))
                differences.push_back(std::string(1, sign) + " [" + Ascii(key) + "] " +
                                      Ascii(value));
    }
}

} // namespace

std::vector<std::string> Differences(const Content& before, const Content& after) {
    std::vector<std::string> differences;
    Missing(before, after, '-', differences);
    Missing(after, before, '+', differences);
    return differences;
}

} // namespace reg_file
