#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

// Before the registration changes keys, the system's registry editor exports
// them into .reg files in the program's own folder, so the user can import the
// old state again.
namespace Backup {

// The folder of the running program as the platform reports it: no trailing
// backslash except for a drive's root ("C:\"). Read afresh on every call.
std::wstring BackupFolder();

std::wstring ClassesBackupFile(std::wstring_view folder);
// listIndex is the type list's index (0-based); the file name counts from 1.
std::wstring ExtensionBackupFile(std::wstring_view folder, int listIndex,
                                 std::wstring_view extension);

// The command lines handed to the editor, e.g.
// Regedit.exe /e "C:\Bild\Temp 5_png.reg" "HKEY_LOCAL_MACHINE\Software\Classes\.png"
std::wstring ClassesExportCommandLine(std::wstring_view folder);
std::wstring ExtensionExportCommandLine(std::wstring_view folder, int listIndex,
                                        std::wstring_view extension);

struct ExportWait {
    // Called whenever messages arrive while the editor runs; it must take them
    // from the queue (dispatching them keeps the window painted).
    std::function<void()> processPendingEvents;
    DWORD timeoutMs = 5 * 60 * 1000;
};

// Each export throws Failure, naming the backup file, when the editor cannot
// be started, does not end in time (it is then ended), ends with a non-zero
// code, or leaves no file written since the export began. A key that does not
// exist has nothing to back up: no editor runs and no file is written.
void ExportAllClasses(const ExportWait& wait);
void ExportExtension(int listIndex, std::wstring_view extension, const ExportWait& wait);

// The same into a given folder.
void ExportAllClasses(std::wstring_view folder, const ExportWait& wait);
void ExportExtension(std::wstring_view folder, int listIndex, std::wstring_view extension,
                     const ExportWait& wait);

} // namespace Backup
