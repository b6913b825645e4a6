// Stands in for the registry editor in C:\windows to show how the backup
// export starts it and copes with an editor that misbehaves. The environment
// variable BILDKRANZ_FAKE_REGEDIT picks the behaviour:
//   record (or unset): writes what it was started with into the export file
//   hang:              writes its process id into the export file, then waits
//   fail:              writes the export file, then ends with code 3
//   together:          waits until BILDKRANZ_FAKE_EDITORS editors have started,
//                      then writes "together" (or "alone" after a minute) and,
//                      as it ends, what .bmp and ACDC_BMP hold then; the editor
//                      for the key BILDKRANZ_FAKE_FAIL_KEY names ends with code 3.
//                      They end in the order they came, except the editor for
//                      the key BILDKRANZ_FAKE_LAST_KEY names, which ends last.
#include "tests/support/TextFile.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

std::wstring Variable(const wchar_t* name) {
    wchar_t value[64] = L"";
    GetEnvironmentVariableW(name, value, 64);
    return value;
}

// What the registration will change first, as it is now.
std::wstring RegistryNow() {
    wchar_t value[64] = L"";
    DWORD size = sizeof(value);
    RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.bmp", nullptr, RRF_RT_REG_SZ, nullptr,
                 value, &size);
    HKEY key = nullptr;
    const bool classPresent = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\ACDC_BMP", 0,
                                            KEY_READ, &key) == ERROR_SUCCESS;
    if (classPresent)
        RegCloseKey(key);
    return std::wstring(value) + (classPresent ? L"|ACDC_BMP" : L"|-");
}

// Every editor counts itself in; the last to come lets all of them go on.
// They then end one after another, each observing the registry as it goes
// and writing its file only then.
int RunTogether(const wchar_t* file, const std::wstring& key) {
    const long expected = std::stol(Variable(L"BILDKRANZ_FAKE_EDITORS"));
    HANDLE arrivals = CreateSemaphoreW(nullptr, 0, 1000, L"BildkranzFakeEditorArrivals");
    HANDLE allThere = CreateEventW(nullptr, TRUE, FALSE, L"BildkranzFakeEditorsAllThere");
    LONG before = 0;
    ReleaseSemaphore(arrivals, 1, &before);
    if (before + 1 >= expected)
        SetEvent(allThere);
    const bool together = WaitForSingleObject(allThere, 60'000) == WAIT_OBJECT_0;
    const std::wstring lastKey = Variable(L"BILDKRANZ_FAKE_LAST_KEY");
    const bool last = !lastKey.empty() && key.ends_with(L"\\" + lastKey);
    Sleep(static_cast<DWORD>(before) * 100 + (last ? 500 : 0));
    const std::wstring failKey = Variable(L"BILDKRANZ_FAKE_FAIL_KEY");
    TextFile::Write(file, std::wstring(together ? L"together" : L"alone") + L"\n" + RegistryNow());
    return !failKey.empty() && key.ends_with(L"\\" + failKey) ? 3 : 0;
}

} // namespace

int wmain() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    // Regedit.exe /e "<file>" "<key>"
    if (arguments == nullptr || count != 4)
        return 100;
    const wchar_t* file = arguments[2];
    const std::wstring mode = Variable(L"BILDKRANZ_FAKE_REGEDIT");
    if (mode == L"together")
        return RunTogether(file, arguments[3]);

    if (mode == L"hang") {
        TextFile::Write(file, std::to_wstring(GetCurrentProcessId()));
        Sleep(10 * 60 * 1000);
        return 0;
    }
    if (mode == L"fail") {
        TextFile::Write(file, L"partial");
        return 3;
    }
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    TextFile::Write(file, std::wstring(GetCommandLineW()) + L"\n" + self + L"\n" +
                              std::to_wstring(startup.dwFlags & STARTF_USESHOWWINDOW) + L" " +
                              std::to_wstring(startup.wShowWindow));
    return 0;
}
