// Runs shell verbs on a file as Explorer's context menu does, from a process
// of its own architecture: built for i686, it reads the registry as the
// 32-bit shell of a user does.
//
//   shell_verb.exe NOTE FILE VERB...
//
// NOTE (UTF-16) gets the pointer width of this process, then one line per
// verb: the verb, a blank, and "ok", "exit N" (the started program's exit
// code) or "error N" (what ShellExecuteEx gave).
#include "tests/support/TextFile.h"

#include <windows.h>

#include <shellapi.h>

#include <string>

namespace {

// Longer than any verb program of the tests takes even emulated; the test
// that starts this helper has its own deadline.
constexpr DWORD kVerbDeadlineMs = 10 * 60 * 1000;

std::wstring RunVerb(const wchar_t* verb, const wchar_t* file) {
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof(execute);
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    execute.lpVerb = verb;
    execute.lpFile = file;
    execute.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&execute))
        return L"error " + std::to_wstring(GetLastError());
    if (!execute.hProcess)
        return L"ok";
    const UniqueKernelHandle process(execute.hProcess);
    if (WaitForSingleObject(process.get(), kVerbDeadlineMs) != WAIT_OBJECT_0)
        return L"still running";
    DWORD code = 1;
    GetExitCodeProcess(process.get(), &code);
    return code == 0 ? L"ok" : L"exit " + std::to_wstring(code);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4)
        return 2;
    std::wstring note = L"pointer-bits " + std::to_wstring(sizeof(void*) * 8) + L"\n";
    for (int index = 3; index < argc; ++index)
        note += std::wstring(argv[index]) + L" " + RunVerb(argv[index], argv[2]) + L"\n";
    return TextFile::Write(argv[1], note) ? 0 : 1;
}
