// Figures for the real program as it runs here: a full registration against
// a bare export of the classes key by the registry editor, the time until the
// window shows, the program's peak memory. It prints figures and never judges
// them: a slow machine makes them larger, it does not make this fail.
#include "association/Catalogue.h"
#include "common/UniqueHandle.h"
#include "tools/Demo.h"
#include "tools/driver/Program.h"
#include "tools/driver/WindowDriver.h"
#include "wizard/ControlIds.h"
#include "wizard/Texts.h"

#include <psapi.h>

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <vector>

using namespace demo;
namespace id = control_id;

namespace {

constexpr int kRounds = 3;
const std::wstring kFolder = L"C:\\Bildkranz Bench";
// Generous, so that only a program that hangs stops the benchmark.
constexpr DWORD kPatienceMs = 10 * 60 * 1000;

// --- Timing

double NowMs() {
    static const double ticksPerMs = [] {
        LARGE_INTEGER frequency{};
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / ticksPerMs;
}

// Like driver::WaitFor, but looks again every few milliseconds, so that the
// moment a condition starts to hold is known closely. Every look asks the
// Wine server, which the registry editor keeps busy meanwhile: conditions
// looked at this often must be cheap, or the looking slows what it times.
bool WaitClosely(const std::function<bool()>& condition, DWORD timeoutMs = kPatienceMs) {
    constexpr DWORD kLookEveryMs = 2;
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() >= deadline)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kLookEveryMs, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }
    return true;
}

struct Spread {
    double median = 0;
    double low = 0;
    double high = 0;
};

Spread SpreadOf(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    const double median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2.0;
    return {median, samples.front(), samples.back()};
}

std::wstring Format(const wchar_t* pattern, double value) {
    wchar_t text[64]{};
    swprintf(text, 64, pattern, value);
    return text;
}

// "2.31 s  (2.20 .. 2.40)"
std::wstring Figure(const std::vector<double>& samples, double scale, const wchar_t* pattern,
                    const wchar_t* unit) {
    const Spread spread = SpreadOf(samples);
    return Format(pattern, spread.median / scale) + unit + L"  (range " +
           Format(pattern, spread.low / scale) + L" .. " + Format(pattern, spread.high / scale) +
           L")";
}

void Line(std::wstring_view label, const std::wstring& figure) {
    std::wstring padded(label);
    padded.resize(std::max<size_t>(padded.size() + 1, 52), L' ');
    Say(L"  " + padded + figure);
}

// --- Preparing the registry and the folder

std::wstring ClassesPath(std::wstring_view name) {
    return L"Software\\Classes\\" + std::wstring(name);
}

void SetText(HKEY key, const wchar_t* name, const std::wstring& text) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// Every extension key exists with values of its own, so the registration
// backs up and replaces all nine; no class key of the program's is left from
// an earlier round, so every round writes the same.
void PrepareRegistry() {
    for (const catalogue::FileType& type : catalogue::kFileTypes) {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, ClassesPath(type.className).c_str());
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, ClassesPath(type.extension).c_str());
        UniqueKey key;
        Require(RegCreateKeyExW(HKEY_LOCAL_MACHINE, ClassesPath(type.extension).c_str(), 0, nullptr,
                                0, KEY_WRITE, nullptr, key.put(), nullptr) == ERROR_SUCCESS,
                L"cannot create an extension key");
        SetText(key.get(), nullptr, L"Bench." + std::wstring(type.ExtensionWithoutDot()));
        SetText(key.get(), L"Content Type", L"image/" + std::wstring(type.ExtensionWithoutDot()));
        SetText(key.get(), L"PerceivedType", L"image");
    }
}

void RemoveBackups() {
    for (const std::wstring& name : driver::FilesIn(kFolder)) {
        if (name != L"Bildkranz.exe")
            DeleteFileW((kFolder + L"\\" + name).c_str());
    }
}

ULONGLONG FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA file{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &file))
        return 0;
    return (static_cast<ULONGLONG>(file.nFileSizeHigh) << 32) | file.nFileSizeLow;
}

// How many of the 9 x 5 command values the registration left.
int CommandsWritten() {
    int written = 0;
    for (const catalogue::FileType& type : catalogue::kFileTypes) {
        for (const catalogue::Verb& verb : catalogue::kVerbs) {
            const std::wstring path =
                ClassesPath(type.className) + std::wstring(verb.commandKeyPath);
            written += RegGetValueW(HKEY_LOCAL_MACHINE, path.c_str(), nullptr, RRF_RT_REG_SZ,
                                    nullptr, nullptr, nullptr) == ERROR_SUCCESS
                           ? 1
                           : 0;
        }
    }
    return written;
}

std::wstring WindowsFolder() {
    wchar_t folder[MAX_PATH]{};
    GetWindowsDirectoryW(folder, MAX_PATH);
    return folder;
}

// --- One registration, driven from outside

struct Registration {
    double startMs = 0;    // from starting the program until its window shows
    double registerMs = 0; // from the last "Weiter >" until the success message
    double peakWorkingSet = 0;
    double peakPagefile = 0;
    bool memoryKnown = false;
    int backups = 0;
    ULONGLONG backupBytes = 0;
    int commands = 0;
};

// The shown wizard window of that process. One look by class name, cheaper
// than walking every window.
HWND FindWizard(DWORD processId) {
    HWND window = FindWindowExW(nullptr, nullptr, L"BildkranzRoot", nullptr);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    return window && owner == processId && IsWindowVisible(window) ? window : nullptr;
}

HWND Control(HWND wizard, int controlId) {
    HWND control = driver::FindControl(wizard, controlId);
    Require(control != nullptr, L"a control of the wizard is missing");
    return control;
}

Registration RegisterOnce(const std::wstring& program, const std::array<std::wstring, 5>& tools) {
    PrepareRegistry();
    RemoveBackups();
    Registration round;

    const double started = NowMs();
    driver::RunningProgram running(program);
    HWND wizard = nullptr;
    Require(WaitClosely([&] { return (wizard = FindWizard(running.Id())) != nullptr; }),
            L"the wizard window did not appear");
    round.startMs = NowMs() - started;
    Require(running.WaitForWindow() == wizard, L"the wizard window did not take the focus");

    PostClick(Control(wizard, id::kNext));
    Require(driver::WaitFor([&] { return ScreenShown(wizard, 2); }),
            L"the verb screen did not come");
    for (int slot = 1; slot <= catalogue::kVerbCount; ++slot) {
        HWND checkBox = Control(wizard, id::VerbCheckBox(slot));
        if (SendMessageW(checkBox, BM_GETCHECK, 0, 0) != BST_CHECKED)
            SendMessageW(checkBox, BM_CLICK, 0, 0);
        // What the file dialog would put there; the text box is read-only
        // for the keyboard, not for WM_SETTEXT.
        SetTextOf(Control(wizard, id::VerbText(slot)), tools[slot - 1]);
    }
    PostClick(Control(wizard, id::kNext));
    Require(driver::WaitFor([&] { return ScreenShown(wizard, 3); }),
            L"the confirmation screen did not come");
    Sync(wizard);

    const double clicked = NowMs();
    PostClick(Control(wizard, id::kNext));
    // The window goes when the registration is done, just before the message
    // comes; only then is it worth walking the windows for the message.
    Require(WaitClosely([&] { return !IsWindowVisible(wizard); }), L"the registration did not end");
    HWND box = nullptr;
    Require(WaitClosely([&] { return (box = driver::FindMessageBox(running.Id())) != nullptr; }),
            L"no message came after the registration");
    round.registerMs = NowMs() - clicked;

    // The peaks, read while the program still runs.
    UniqueKernelHandle process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, running.Id()));
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    if (process && GetProcessMemoryInfo(process.get(), &memory, sizeof(memory))) {
        round.memoryKnown = true;
        round.peakWorkingSet = static_cast<double>(memory.PeakWorkingSetSize);
        round.peakPagefile = static_cast<double>(memory.PeakPagefileUsage);
    }

    const std::wstring title = driver::WindowText(box);
    Require(title == texts::kSuccess.title,
            L"the registration ended with the message \"" + title + L"\", not with success");
    PostClick(GetDlgItem(box, IDOK));
    Require(running.WaitForExit(kPatienceMs) == 0, L"the program did not end with exit code 0");

    for (const std::wstring& name : driver::FilesIn(kFolder)) {
        if (name == L"Bildkranz.exe")
            continue;
        ++round.backups;
        round.backupBytes += FileSize(kFolder + L"\\" + name);
    }
    round.commands = CommandsWritten();
    return round;
}

// --- The registry editor alone

// Runs the editor as the program does, by its full path, and returns how
// long it took until it ended.
double ExportOnce(const std::wstring& file, const std::wstring& key) {
    DeleteFileW(file.c_str());
    const std::wstring editor = WindowsFolder() + L"\\regedit.exe";
    std::wstring commandLine = L"Regedit.exe /e \"" + file + L"\" \"" + key + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    const double begun = NowMs();
    Require(CreateProcessW(editor.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           nullptr, &startup, &started) != FALSE,
            L"cannot start the registry editor");
    UniqueKernelHandle process(started.hProcess);
    UniqueKernelHandle thread(started.hThread);
    Require(WaitForSingleObject(process.get(), kPatienceMs) == WAIT_OBJECT_0,
            L"the registry editor did not end");
    const double took = NowMs() - begun;
    DWORD code = 1;
    GetExitCodeProcess(process.get(), &code);
    // Wine's editor answers 0 even when it wrote nothing; the file tells.
    Require(code == 0 && FileSize(file) > 0, L"the registry editor did not write " + file);
    return took;
}

std::wstring Megabytes(double bytes) {
    return Format(L"%.1f", bytes / (1024.0 * 1024.0)) + L" MiB";
}

void Run() {
    const std::wstring program = driver::InstallProgram(kFolder);
    const std::wstring windows = WindowsFolder();
    // Programs that exist in every prefix; one path has a blank, as many do.
    const std::array<std::wstring, 5> tools{
        windows + L"\\notepad.exe", windows + L"\\system32\\write.exe", windows + L"\\regedit.exe",
        windows + L"\\system32\\winefile.exe",
        L"C:\\Program Files\\Windows NT\\Accessories\\wordpad.exe"};

    Say(L"Bildkranz benchmark: " + std::to_wstring(kRounds) +
        L" rounds; figures are the median and the range of the rounds.");
    Say(L"Program under test: " + program + L" (" + std::to_wstring(FileSize(program)) +
        L" bytes)");
    Say(L"");

    std::vector<double> starts, registrations, exports, smallExports, ratios, workingSets,
        pagefiles;
    Registration last;
    const std::wstring bareFile = kFolder + L"\\bare export.reg";
    const std::wstring smallFile = kFolder + L"\\bare small export.reg";
    ULONGLONG bareBytes = 0;
    for (int round = 1; round <= kRounds; ++round) {
        last = RegisterOnce(program, tools);
        const double exported = ExportOnce(bareFile, L"HKEY_LOCAL_MACHINE\\Software\\Classes");
        bareBytes = FileSize(bareFile);
        const double smallExport =
            ExportOnce(smallFile, L"HKEY_LOCAL_MACHINE\\Software\\Classes\\" +
                                      std::wstring(catalogue::kFileTypes[0].extension));
        DeleteFileW(bareFile.c_str());
        DeleteFileW(smallFile.c_str());

        Say(L"round " + std::to_wstring(round) + L": start " + Format(L"%.0f", last.startMs) +
            L" ms, registration " + Format(L"%.0f", last.registerMs) + L" ms, bare export " +
            Format(L"%.0f", exported) + L" ms, one small export " + Format(L"%.0f", smallExport) +
            L" ms");
        starts.push_back(last.startMs);
        registrations.push_back(last.registerMs);
        exports.push_back(exported);
        smallExports.push_back(smallExport);
        ratios.push_back(last.registerMs / exported);
        if (last.memoryKnown) {
            workingSets.push_back(last.peakWorkingSet);
            pagefiles.push_back(last.peakPagefile);
        }
    }

    Say(L"");
    Say(L"Full registration (9 types ticked, 5 verbs with programs, all 9 extension keys "
        L"existing):");
    Line(L"last \"Weiter >\" until the success message",
         Figure(registrations, 1000.0, L"%.2f", L" s"));
    Line(L"backups it made", std::to_wstring(last.backups) + L" files, " +
                                 Megabytes(static_cast<double>(last.backupBytes)));
    Line(L"command values it wrote",
         std::to_wstring(last.commands) + L" of " +
             std::to_wstring(catalogue::kFileTypeCount * catalogue::kVerbCount));
    Say(L"The registry editor alone (regedit /e, started by the benchmark):");
    Line(L"export of HKLM\\Software\\Classes", Figure(exports, 1000.0, L"%.2f", L" s"));
    Line(L"  its file", Megabytes(static_cast<double>(bareBytes)));
    Line(L"export of one extension key (.bmp)", Figure(smallExports, 1000.0, L"%.2f", L" s"));
    Say(L"Ratio:");
    Line(L"registration / bare export of the classes", Figure(ratios, 1.0, L"%.2f", L""));
    // The registration runs the editor once for the classes and once per
    // extension key; what is left is the program's own work.
    const double editorShare =
        SpreadOf(exports).median + catalogue::kFileTypeCount * SpreadOf(smallExports).median;
    Line(L"  the editor's share (1 whole + 9 small exports)",
         Format(L"%.2f", editorShare / 1000.0) + L" s, estimated from the medians");
    Line(L"  the rest: keys, values, window, message",
         Format(L"%.2f", (SpreadOf(registrations).median - editorShare) / 1000.0) + L" s");
    Say(L"Start:");
    Line(L"starting Bildkranz.exe until its window shows", Figure(starts, 1.0, L"%.0f", L" ms"));
    Say(L"Memory of the Bildkranz process (read while the success message is up):");
    if (workingSets.empty()) {
        Line(L"peak working set / peak pagefile usage", L"not available here");
    } else {
        const double mebibyte = 1024.0 * 1024.0;
        Line(L"peak working set", Figure(workingSets, mebibyte, L"%.1f", L" MiB"));
        Line(L"peak pagefile usage (private bytes)", Figure(pagefiles, mebibyte, L"%.1f", L" MiB"));
    }
}

} // namespace

int wmain() {
    try {
        Run();
        return 0;
    } catch (const std::exception& failure) {
        Say(L"bench: stopped: " + WhatOf(failure));
        return 1;
    }
}
