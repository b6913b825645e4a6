#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>

// The generic error report for an unexpected failure: a message that names the
// error, then the program ends with a non-zero exit code.
inline constexpr UINT kFailureExitCode = 1;

std::wstring DescribeFailure(std::exception_ptr failure);

// From now on the report goes to sink instead of a message box, and the
// program ends with exitCode: for a run without a window, where nobody could
// close the box.
void SetFailureSink(std::function<void(const std::wstring&)> sink, UINT exitCode);

[[noreturn]] void ReportUnexpectedFailure(std::exception_ptr failure);
