#include "driver/Program.h"

#include "driver/WindowDriver.h"
#include "wizard/ControlIds.h"

#include <commctrl.h>

#include <stdexcept>

namespace Program {

using namespace WindowDriver;

std::wstring BuildFolder() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
    return path.substr(0, path.find_last_of(L'\\'));
}

std::wstring InstallProgram(const std::wstring& folder, const std::wstring& name) {
    return InstallProgramFrom(BuildFolder() + L'\\' + name, folder);
}

std::wstring InstallProgramFrom(const std::wstring& program, const std::wstring& folder) {
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring target = folder + program.substr(program.find_last_of(L'\\'));
    if (!CopyFileW(program.c_str(), target.c_str(), FALSE))
        throw std::runtime_error("cannot copy a built program");
    return target;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.emplace_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

bool ScreenShown(HWND wizard, int index) {
    return IsWindowVisible(FindControl(wizard, ControlIds::Screen(index))) != FALSE;
}

int TickedTypeCount(HWND wizard) {
    HWND list = FindControl(wizard, ControlIds::kTypeList);
    const auto count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    int ticked = 0;
    for (int index = 0; index < count; ++index) {
        const auto state = static_cast<UINT>(
            SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(index), LVIS_STATEIMAGEMASK));
        // State image 1 is the empty box, 2 the ticked one.
        ticked += (state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2) ? 1 : 0;
    }
    return ticked;
}

std::optional<DWORD> RunAndWait(const std::wstring& program, std::wstring commandLine,
                                DWORD timeoutMs, const Process::Options& options) {
    const UniqueKernelHandle running = Process::Start(program, std::move(commandLine), options);
    if (!running)
        return std::nullopt;
    if (WaitForSingleObject(running.get(), timeoutMs) != WAIT_OBJECT_0) {
        Process::End(running.get(), ERROR_TIMEOUT);
        return std::nullopt;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(running.get(), &code))
        return std::nullopt;
    return code;
}

RunningProgram::RunningProgram(const std::wstring& path) {
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &started))
        throw std::runtime_error("cannot start a program");
    process_.reset(started.hProcess);
    CloseHandle(started.hThread);
    processId_ = started.dwProcessId;
    threadId_ = started.dwThreadId;
}

RunningProgram::~RunningProgram() {
    if (WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.get(), 99);
        WaitForSingleObject(process_.get(), 5000);
    }
}

HWND RunningProgram::WaitForWindow(DWORD timeoutMs) {
    WaitFor(
        [this] {
            window_ = FindShownWindow(processId_, L"BildkranzRoot");
            return window_ != nullptr && Focus() != nullptr;
        },
        timeoutMs);
    return window_;
}

HWND RunningProgram::WaitForMessageBox(DWORD timeoutMs) {
    HWND box = nullptr;
    WaitFor([&] { return (box = FindMessageBox(processId_)) != nullptr; }, timeoutMs);
    return box;
}

HWND RunningProgram::WaitForDialog(const std::wstring& title, DWORD timeoutMs) {
    HWND dialog = nullptr;
    WaitFor([&] { return (dialog = FindDialog(processId_, title)) != nullptr; }, timeoutMs);
    return dialog;
}

DWORD RunningProgram::WaitForExit(DWORD timeoutMs) {
    WaitFor([this] { return WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0; }, timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

HWND RunningProgram::Focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(threadId_, &info);
    return info.hwndFocus ? info.hwndFocus : info.hwndActive;
}

void RunningProgram::PostKey(UINT virtualKey) const {
    PostMessageW(Focus(), WM_KEYDOWN, virtualKey, 1);
    PostMessageW(Focus(), WM_KEYUP, virtualKey, static_cast<LPARAM>(0xC0000001u));
}

void RunningProgram::PostAltKey(wchar_t letter) const {
    PostMessageW(Focus(), WM_SYSCHAR, static_cast<WPARAM>(letter), (1 << 29) | 1);
}

void RunningProgram::Click(int controlId) const {
    SendMessageW(Control(controlId), BM_CLICK, 0, 0);
}

void RunningProgram::ClickLater(int controlId) const {
    PostMessageW(Control(controlId), BM_CLICK, 0, 0);
}

HWND RunningProgram::Control(int controlId) const {
    return FindControl(window_, controlId);
}

} // namespace Program
