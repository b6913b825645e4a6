#pragma once

#include <windows.h>

#include <exception>
#include <string>

// The generic error report for an unexpected failure: a message that names the
// error, then the program ends with a non-zero exit code.
inline constexpr UINT kFailureExitCode = 1;

std::wstring DescribeFailure(std::exception_ptr failure);
[[noreturn]] void ReportUnexpectedFailure(std::exception_ptr failure);
