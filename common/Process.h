#pragma once

#include "common/UniqueHandle.h"

#include <windows.h>

#include <string>

// Starting a program, and ending one that is still running.
namespace Process {

struct Options {
    // How its main window shows; SW_SHOWDEFAULT leaves that to the program.
    WORD show = SW_SHOWDEFAULT;
    // Its standard output and error, handed over; an inheritable handle.
    HANDLE output = nullptr;
};

// The running program, or no handle (GetLastError says why). program is its
// full path: the ordinary search would look in this program's folder first.
inline UniqueKernelHandle Start(const std::wstring& program, std::wstring commandLine,
                                const Options& options = {}) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (options.show != SW_SHOWDEFAULT) {
        startup.dwFlags |= STARTF_USESHOWWINDOW;
        startup.wShowWindow = options.show;
    }
    if (options.output) {
        startup.dwFlags |= STARTF_USESTDHANDLES;
        startup.hStdOutput = options.output;
        startup.hStdError = options.output;
    }
    PROCESS_INFORMATION started{};
    // CreateProcessW may write into the command line, hence the copy.
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr,
                        options.output ? TRUE : FALSE, 0, nullptr, nullptr, &startup, &started))
        return UniqueKernelHandle();
    CloseHandle(started.hThread);
    return UniqueKernelHandle(started.hProcess);
}

// How long an ended program may take to let go of its files.
inline constexpr DWORD kEndWaitMs = 10'000;

// Ends a program that is still running and waits until it has.
inline void End(HANDLE running, UINT exitCode) {
    TerminateProcess(running, exitCode);
    WaitForSingleObject(running, kEndWaitMs);
}

} // namespace Process
