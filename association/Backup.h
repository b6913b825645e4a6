#pragma once

#include "association/KeyPath.h"

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

// Where a run's backups and undo file go: the program's folder; for a run for
// the account where that folder cannot be written (it lies below
// C:\Program Files), the account's own folder, which the run makes where
// missing once it has something to back up.
std::wstring BackupFolder(KeyPath::Scope scope);

// The system's registry editor, by its full path: the ordinary program search
// looks in the running program's own folder first, where a planted
// Regedit.exe would run with that program's rights. Empty when the Windows
// folder cannot be read.
std::wstring RegistryEditor();

// A run for the account names its backups after the account ("Temp
// 0_Classes (Konto Anna).reg"), so that it never replaces the backups of a
// run for all users, nor those of another account, and they it.
std::wstring ClassesBackupFile(std::wstring_view folder,
                               KeyPath::Scope scope = KeyPath::Scope::kMachine);
// listIndex is the type list's index (0-based); the file name counts from 1.
std::wstring ExtensionBackupFile(std::wstring_view folder, int listIndex,
                                 std::wstring_view extension,
                                 KeyPath::Scope scope = KeyPath::Scope::kMachine);

// One export: a key below the scope's root into a backup file.
struct Export {
    std::wstring file;
    std::wstring key;
    KeyPath::Scope scope = KeyPath::Scope::kMachine;
};

Export AllClasses(std::wstring_view folder, KeyPath::Scope scope = KeyPath::Scope::kMachine);
// Throws Failure for an extension that cannot be part of a file name.
Export Extension(std::wstring_view folder, int listIndex, std::wstring_view extension,
                 KeyPath::Scope scope = KeyPath::Scope::kMachine);

// How long the editors of one registration may take together: the whole
// classes key of a large machine exports in seconds, a hung editor never.
inline constexpr DWORD kExportTimeLimitMs = 5 * 60 * 1000;

struct ExportWait {
    // Called whenever messages arrive while an editor runs; it must take them
    // from the queue (dispatching them keeps the window painted).
    std::function<void()> processPendingEvents;
    // For all exports of one call together.
    DWORD timeoutMs = kExportTimeLimitMs;
};

// The editors of a list of exports, started at once in the order given
// (an export whose key does not exist has nothing to back up: no editor runs
// for it and no file is written). What failed to start stops the starting:
// no further editor is started, those running are waited for.
class Editors {
public:
    explicit Editors(const std::vector<Export>& exports = {});
    // Ends and waits for any editor still running: none is left writing.
    ~Editors();
    Editors(const Editors&) = delete;
    Editors& operator=(const Editors&) = delete;

    // Starts the editors of more exports, after those already running; an
    // export whose file an editor already writes is not started again.
    void Start(const std::vector<Export>& exports);

    // Returns when every editor has ended and its file is verified. Throws
    // Failure, naming the backup file of the first export in list order that
    // failed, when its editor could not be started, did not end in time (it
    // is then ended), ended with a non-zero code, or left no file written
    // since the export began.
    void Finish(const ExportWait& wait);

    struct Started;

private:
    std::vector<Started> editors_;
};

} // namespace Backup
