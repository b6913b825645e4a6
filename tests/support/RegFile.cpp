#include "association/Backup.h"
#include "common/Process.h"
#include "driver/Program.h"
#include "tests/support/RegFile.h"

#include "tests/support/System.h"
#include "tests/support/TextFile.h"

#include <algorithm>
#include <optional>

namespace RegFile {

namespace {

// A 32-bit process on 64-bit Windows.
bool InWow64() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

std::optional<DWORD> RunEditor(Editor editor, std::wstring commandLine) {
    // The shell that opens a double-clicked file is a native process, which
    // the file system redirector leaves alone; a 32-bit process gets the same
    // editor only with the redirection off on its thread.
    PVOID redirection = nullptr;
    const bool native =
        editor == Editor::DoubleClick && InWow64() && Wow64DisableWow64FsRedirection(&redirection);
    const auto code = Program::RunAndWait(Backup::RegistryEditor(), std::move(commandLine),
                                          System::kHelperTimeLimitMs);
    if (native)
        Wow64RevertWow64FsRedirection(redirection);
    return code;
}

} // namespace

std::wstring EditorFile() {
    if (!InWow64())
        return Backup::RegistryEditor();
    wchar_t folder[MAX_PATH]{};
    const UINT length = GetSystemWow64DirectoryW(folder, MAX_PATH);
    return std::wstring(folder, length < MAX_PATH ? length : 0) + L"\\regedit.exe";
}

bool Export(const std::wstring& file, const std::wstring& key, Editor editor) {
    DeleteFileW(file.c_str());
    const auto code = RunEditor(editor, L"regedit.exe /e \"" + file + L"\" \"" + key + L"\"");
    WIN32_FILE_ATTRIBUTE_DATA data;
    return code == 0u && GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data) &&
           (data.nFileSizeLow != 0 || data.nFileSizeHigh != 0);
}

bool ExportClasses(const std::wstring& file, Editor editor) {
    return Export(file, kClassesKey, editor);
}

bool Import(const std::wstring& file, Editor editor) {
    return RunEditor(editor, L"regedit.exe /s \"" + file + L"\"") == 0u;
}

Content Parse(const std::wstring& text, bool joinLines) {
    Content content;
    std::set<std::wstring>* values = nullptr;
    std::wstring pending;
    for (std::wstring line : TextFile::Lines(text)) {
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
    return Parse(TextFile::Read(path), joinLines);
}

Content Below(const Content& classes, const std::wstring& classesKey) {
    const std::wstring key = std::wstring(kClassesKey) + L"\\" + classesKey;
    Content below;
    for (const auto& [name, values] : classes)
        if (name == key || name.starts_with(key + L"\\"))
            below.emplace(name, values);
    return below;
}

namespace {

void Missing(const Content& from, const Content& other, char sign,
             std::vector<std::string>& differences) {
    for (const auto& [key, values] : from) {
        const auto found = other.find(key);
        if (found == other.end()) {
            differences.push_back(std::string(1, sign) + " [" + System::Ascii(key) + "]");
            continue;
        }
        for (const std::wstring& value : values)
            if (!found->second.contains(value))
                differences.push_back(std::string(1, sign) + " [" + System::Ascii(key) + "] " +
                                      System::Ascii(value));
    }
}

} // namespace

testing::AssertionResult Same(const Content& before, const Content& after) {
    std::vector<std::string> differences;
    Missing(before, after, '-', differences);
    Missing(after, before, '+', differences);
    if (differences.empty())
        return testing::AssertionSuccess();
    testing::AssertionResult failure = testing::AssertionFailure();
    failure << differences.size() << " differences:";
    for (size_t i = 0; i < differences.size() && i < 20; ++i)
        failure << "\n  " << differences[i];
    return failure;
}

testing::AssertionResult ClassesAsIn(const std::wstring& earlier, Editor editor) {
    const std::wstring now = L"C:\\jetzt.reg";
    if (!ExportClasses(now, editor))
        return testing::AssertionFailure() << "the classes could not be exported";
    return Same(ParseFile(earlier), ParseFile(now));
}

} // namespace RegFile
