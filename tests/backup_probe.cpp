// Runs a backup export from wherever this program was copied to, so that a
// test sees the folder the program itself reports.
//   backup_probe.exe <result file> classes
//   backup_probe.exe <result file> extension <list index> <extension>
// Writes the backup folder (exit code 0) or the failure message (exit code 2)
// into the result file.
#include "association/Backup.h"
#include "common/Failure.h"

#include "tests/support/TextFile.h"

#include <windows.h>

#include <string>

int wmain(int count, wchar_t** arguments) {
    if (count < 3)
        return 100;
    const std::wstring what = arguments[2];
    try {
        Backup::Export wanted;
        if (what == L"classes" && count == 3)
            wanted = Backup::AllClasses(Backup::BackupFolder());
        else if (what == L"extension" && count == 5)
            wanted =
                Backup::Extension(Backup::BackupFolder(), std::stoi(arguments[3]), arguments[4]);
        else
            return 100;
        Backup::Editors({wanted}).Finish({});
        TextFile::Write(arguments[1], Backup::BackupFolder());
        return 0;
    } catch (const Failure& failure) {
        TextFile::Write(arguments[1], failure.Message());
        return 2;
    }
}
