#pragma once

#include "common/Process.h"
#include "common/UniqueHandle.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// The wizard as a separate process, driven from outside as a person would.
namespace Program {

// The folder of the running test program, where the build puts Bildkranz.exe.
std::wstring BuildFolder();
// Copies a built program into folder (created if needed); returns its path.
std::wstring InstallProgram(const std::wstring& folder,
                            const std::wstring& name = L"Bildkranz.exe");
// The same for a program anywhere, under its own name.
std::wstring InstallProgramFrom(const std::wstring& program, const std::wstring& folder);
std::vector<std::wstring> FilesIn(const std::wstring& folder);

// Runs a program to its end: its exit code; nothing when it could not be
// started or did not end in time (it is ended then).
std::optional<DWORD> RunAndWait(const std::wstring& program, std::wstring commandLine,
                                DWORD timeoutMs, const Process::Options& options = {});

// Whether the wizard shows this screen (1..3) now.
bool ScreenShown(HWND wizard, int index);
// How many rows of the wizard's type list carry a tick.
int TickedTypeCount(HWND wizard);

class RunningProgram {
public:
    explicit RunningProgram(const std::wstring& path);
    // Ends the program if a test left it running.
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // The shown wizard window, nullptr at the deadline.
    HWND WaitForWindow(DWORD timeoutMs = 20000);
    HWND WaitForMessageBox(DWORD timeoutMs = 60000);
    // A dialog of the program (class #32770) with this title.
    HWND WaitForDialog(const std::wstring& title, DWORD timeoutMs = 20000);
    // The exit code, or STILL_ACTIVE at the deadline.
    DWORD WaitForExit(DWORD timeoutMs = 20000);
    DWORD Id() const { return processId_; }
    // With every right, as CreateProcess hands it out.
    HANDLE Handle() const { return process_.get(); }

    HWND Focus() const;
    void PostKey(UINT virtualKey) const;
    void PostAltKey(wchar_t letter) const;
    // Clicks the control with this id in the wizard window.
    void Click(int controlId) const;
    // Clicks without waiting for the click's reaction to end (it may open a
    // modal dialog).
    void ClickLater(int controlId) const;
    HWND Control(int controlId) const;

private:
    UniqueKernelHandle process_;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
    HWND window_ = nullptr;
};

} // namespace Program
