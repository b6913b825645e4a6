#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Before the registration changes keys, the system's registry editor exports
// them into .reg files in the program's own folder, so the user can import the
// old state again.
namespace Backup {

// The folder of the running program as the platform reports it: no trailing
// backslash except for a drive's root ("C:\").
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

// One export: a key below HKEY_LOCAL_MACHINE into a backup file.
struct Export {
    std::wstring file;
    std::wstring key;
};

Export AllClasses(std::wstring_view folder);
// Throws Failure for an extension that cannot be part of a file name.
Export Extension(std::wstring_view folder, int listIndex, std::wstring_view extension);

struct ExportWait {
    // Called whenever messages arrive while an editor runs; it must take them
    // from the queue (dispatching them keeps the window painted).
    std::function<void()> processPendingEvents;
    // For all exports of one call together.
    DWORD timeoutMs = 5 * 60 * 1000;
};

// Starts one editor for each export, all at once and in the order given, and
// returns when every one has ended and its file is verified. Throws Failure,
// naming the backup file of the first export in that order that failed, when
// an editor cannot be started, does not end in time (it is then ended), ends
// with a non-zero code, or leaves no file written since the export began; no
// editor is left running then. A key that does not exist has nothing to back
// up: no editor runs for it and no file is written.
void Run(const std::vector<Export>& exports, const ExportWait& wait);

} // namespace Backup
