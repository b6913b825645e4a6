#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <string_view>

// The generic error report for an unexpected failure: a message that names the
// error, then the program ends with a non-zero exit code.
inline constexpr UINT kFailureExitCode = 1;

// Its texts, to the character: the intro, the error, the outro.
namespace FailureReport {
inline constexpr std::wstring_view kTitle = L" Bildkranz - Fehler";
inline constexpr std::wstring_view kIntro = L"Es ist ein unerwarteter Fehler aufgetreten:";
inline constexpr std::wstring_view kOutro = L"Das Programm wird beendet.";
} // namespace FailureReport

std::wstring DescribeFailure(std::exception_ptr failure);

// From now on the report goes to sink instead of a message box, and the
// program ends with exitCode: for a run without a window, where nobody could
// close the box.
void SetFailureSink(std::function<void(const std::wstring&)> sink, UINT exitCode);

[[noreturn]] void ReportUnexpectedFailure(std::exception_ptr failure);
