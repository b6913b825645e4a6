// Runs a backup export from wherever this program was copied to, so that a
// test sees the folder the program itself reports.
//   backup_probe.exe <result file> classes
//   backup_probe.exe <result file> extension <list index> <extension>
// Writes the backup folder (exit code 0) or the failure message (exit code 2)
// into the result file.
#include "association/Backup.h"
#include "services/Failure.h"

#include <windows.h>

#include <string>

namespace {

void WriteText(const wchar_t* path, const std::wstring& text) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written,
              nullptr);
    CloseHandle(file);
}

} // namespace

int wmain(int count, wchar_t** arguments) {
    if (count < 3)
        return 100;
    const std::wstring what = arguments[2];
    try {
        if (what == L"classes" && count == 3)
            Backup::ExportAllClasses({});
        else if (what == L"extension" && count == 5)
            Backup::ExportExtension(std::stoi(arguments[3]), arguments[4], {});
        else
            return 100;
        WriteText(arguments[1], Backup::BackupFolder());
        return 0;
    } catch (const Failure& failure) {
        WriteText(arguments[1], failure.Message());
        return 2;
    }
}
