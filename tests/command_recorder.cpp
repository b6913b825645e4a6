// Stands in for a verb program: writes the arguments it was started with,
// one per line in UTF-16, to "aufruf.txt" beside itself, so a test can see
// exactly what the shell handed over.
#include "tests/support/TextFile.h"

#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
    std::wstring log;
    for (int index = 1; index < argc; ++index)
        log += std::wstring(argv[index]) + L"\n";
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
    path = path.substr(0, path.find_last_of(L'\\')) + L"\\aufruf.txt";
    return TextFile::Write(path, log) ? 0 : 1;
}
