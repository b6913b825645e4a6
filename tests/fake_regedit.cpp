// Stands in for the registry editor in C:\windows to show how the backup
// export starts it and copes with an editor that misbehaves. The environment
// variable BILDKRANZ_FAKE_REGEDIT picks the behaviour:
//   record (or unset): writes what it was started with into the export file
//   hang:              writes its process id into the export file, then waits
//   fail:              writes the export file, then ends with code 3
#include "tests/support/TextFile.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

std::wstring Mode() {
    wchar_t mode[32] = L"";
    GetEnvironmentVariableW(L"BILDKRANZ_FAKE_REGEDIT", mode, 32);
    return mode;
}

} // namespace

int wmain() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    // Regedit.exe /e "<file>" "<key>"
    if (arguments == nullptr || count != 4)
        return 100;
    const wchar_t* file = arguments[2];
    const std::wstring mode = Mode();

    if (mode == L"hang") {
        text_file::Write(file, std::to_wstring(GetCurrentProcessId()));
        Sleep(10 * 60 * 1000);
        return 0;
    }
    if (mode == L"fail") {
        text_file::Write(file, L"partial");
        return 3;
    }
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    text_file::Write(file, std::wstring(GetCommandLineW()) + L"\n" + self + L"\n" +
                               std::to_wstring(startup.dwFlags & STARTF_USESHOWWINDOW) + L" " +
                               std::to_wstring(startup.wShowWindow));
    return 0;
}
