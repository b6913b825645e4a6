// Drives each piece of the C++ runtime that the shipped program replaces to
// stay small (app/StandardLibraryHooks.cpp), built and linked as the
// shipped program is. BILDKRANZ_HOOK_CASE names the piece; the program's
// error report then shows what happened, as it would in the wizard.
#include "common/Failure.h"
#include "common/FailureReport.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

[[noreturn]] void Fail() {
    throw Failure(L"Abbruch in einer Funktion ohne Ausnahmen");
}
// Through a pointer, so that the compiler cannot see that it throws.
void (*volatile failing)() = Fail;

void WithoutExceptions() noexcept {
    failing();
}

void Misuse(const std::wstring& piece) {
    volatile std::size_t huge = static_cast<std::size_t>(-1) / 2;
    const wchar_t* volatile none = nullptr;
    if (piece == L"position")
        static_cast<void>(std::vector<int>().at(huge));
    else if (piece == L"size")
        std::wstring().reserve(huge);
    else if (piece == L"null")
        static_cast<void>(std::wstring(none));
    else if (piece == L"array")
        delete[] new int[huge];
    else if (piece == L"terminate")
        WithoutExceptions();
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t piece[32]{};
    GetEnvironmentVariableW(L"BILDKRANZ_HOOK_CASE", piece, 32);
    try {
        Misuse(piece);
    } catch (...) {
        ReportUnexpectedFailure(std::current_exception());
    }
    return 0;
}
