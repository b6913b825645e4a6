#include "tests/support/System.h"

#include "common/Process.h"
#include "common/UniqueHandle.h"
#include "driver/Program.h"
#include "tests/support/RegistryProbe.h"

#include <shlobj.h>

#include <algorithm>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace System {

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
    std::vector<std::wstring> files = Program::FilesIn(folder);
    std::erase_if(files, [&](const std::wstring& name) { return !name.starts_with(start); });
    std::sort(files.begin(), files.end());
    return files;
}

std::wstring EmptyFolder(const std::wstring& folder) {
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    for (const std::wstring& file : Program::FilesIn(folder))
        DeleteFileW((folder + L"\\" + file).c_str());
    return folder;
}

bool PlaceRecorder(const std::wstring& path) {
    SHCreateDirectoryExW(nullptr, path.substr(0, path.rfind(L'\\')).c_str(), nullptr);
    return CopyFileW((Program::BuildFolder() + L"\\command_recorder.exe").c_str(), path.c_str(),
                     FALSE) != FALSE;
}

bool InstallSettingsPage() {
    const std::wstring page = L"C:\\Einstellungen\\recorder.exe";
    RegistryProbe::PutText(L"ms-settings", L"URL Protocol", L"");
    RegistryProbe::PutText(L"ms-settings\\shell\\open\\command", nullptr,
                           L"\"" + page + L"\" \"%1\"");
    return PlaceRecorder(page);
}

Finished RunPrinting(const std::wstring& program, const std::wstring& arguments, DWORD timeoutMs) {
    const std::wstring outputFile = L"C:\\ausgabe.txt";
    SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
    Finished finished;
    {
        const UniqueFile output(CreateFileW(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                            &inherited, CREATE_ALWAYS, 0, nullptr));
        finished.exitCode = Program::RunAndWait(program, L"\"" + program + L"\" " + arguments,
                                                timeoutMs, {SW_SHOWDEFAULT, output.get()});
    }
    finished.output = FileBytes(outputFile);
    return finished;
}

std::wstring Environment(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return {};
    std::wstring value(size, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), size));
    return value;
}

} // namespace System
