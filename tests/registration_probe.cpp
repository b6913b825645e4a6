// Runs one registration into a backup folder and can stop in the middle of
// it, so that a test can end the process from outside while it writes.
//   registration_probe.exe <backup folder> <stop at event>
// At the given call of the pending-events step after the undo file is there
// (counted from 1, 0 for never) it signals the event named BildkranzRegistrationProbeStopped and
// waits to be ended. Exit code 0 after a whole run, 2 when the registration failed.
#include "association/Registration.h"
#include "common/Failure.h"
#include "common/UniqueHandle.h"
#include "tests/support/RegistrationRecorder.h"

#include <windows.h>

#include <string>

namespace {

// Three types, the first two with extension keys that tests prepare, and two verbs.
const Plan::Choices kChoices{
    {0, 1, 4}, {{1, L"C:\\Programme\\Mein Bild\\Betrachter.exe"}, {5, L"C:\\Bild\\Druck.exe"}}};

bool UndoFileThere(const std::wstring& pattern) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return true;
}

} // namespace

int wmain(int count, wchar_t** arguments) {
    if (count != 3)
        return 100;
    const int stopAt = std::stoi(arguments[2]);
    const UniqueKernelHandle stopped(
        CreateEventW(nullptr, TRUE, FALSE, L"BildkranzRegistrationProbeStopped"));
    const std::wstring undoFiles = std::wstring(arguments[1]) + L"\\R\u00FCckg\u00E4ngig *.reg";
    int events = 0;
    RegistrationRecorder stopping([&] {
        if (!UndoFileThere(undoFiles))
            return; // the backups are still running
        if (++events == stopAt) {
            SetEvent(stopped.get());
            Sleep(INFINITE);
        }
    });
    try {
        Registration::Register(kChoices, arguments[1], stopping);
    } catch (const Failure&) {
        return 2;
    }
    return 0;
}
