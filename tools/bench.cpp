// Figures for the real program as it runs here: a full registration against
// bare exports by the registry editor, the time until the window shows and
// the peak memory against a minimal windowed program's, and the size of the
// shipped file. It prints its targets beside the figures and never enforces
// them: a slow machine makes the figures larger, it does not make this fail.
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
// Apart from the wizard's folder, where every other file counts as a backup.
const std::wstring kMinimalFolder = L"C:\\Bildkranz Minimal";
constexpr wchar_t kMinimalClass[] = L"BildkranzMinimal";

// Printed beside the figures, never enforced.
constexpr double kRegistrationTarget = 1.10; // registration / bare export of the classes
constexpr double kStartTarget = 1.3;         // wizard's start / minimal window's start
constexpr double kMemoryTarget = 1.3;        // peak working sets, likewise
constexpr double kSizeTargetKiB = 256;       // build/Bildkranz.exe, the 32-bit program
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

double Median(const std::vector<double>& samples) {
    return SpreadOf(samples).median;
}

// "   target: at most 1.10, not met", to follow a figure.
std::wstring Target(double value, double most, const wchar_t* pattern, const wchar_t* unit = L"") {
    return L"   target: at most " + Format(pattern, most) + unit +
           (value <= most ? L", met" : L", not met");
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

struct Peaks {
    double workingSet = 0;
    double pagefile = 0;
    bool known = false;
};

// The process's peaks so far; it must still run.
Peaks PeaksOf(DWORD processId) {
    Peaks peaks;
    UniqueKernelHandle process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    if (process && GetProcessMemoryInfo(process.get(), &memory, sizeof(memory))) {
        peaks.known = true;
        peaks.workingSet = static_cast<double>(memory.PeakWorkingSetSize);
        peaks.pagefile = static_cast<double>(memory.PeakPagefileUsage);
    }
    return peaks;
}

struct Registration {
    double startMs = 0;    // from starting the program until its window shows
    double registerMs = 0; // from the last "Weiter >" until the success message
    Peaks peaks;
    int backups = 0;
    ULONGLONG backupBytes = 0;
    int commands = 0;
};

// The shown window of that class and process. One look by class name,
// cheaper than walking every window.
HWND FindShownWindow(const wchar_t* className, DWORD processId) {
    HWND window = FindWindowExW(nullptr, nullptr, className, nullptr);
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
    Require(WaitClosely([&] {
                return (wizard = FindShownWindow(L"BildkranzRoot", running.Id())) != nullptr;
            }),
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

    round.peaks = PeaksOf(running.Id());

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

// --- The minimal window, started as the wizard is

struct MinimalRun {
    double startMs = 0; // from starting the program until its window shows
    Peaks peaks;        // once its window is painted
};

std::wstring InstallMinimal() {
    CreateDirectoryW(kMinimalFolder.c_str(), nullptr);
    const std::wstring target = kMinimalFolder + L"\\minimal_window.exe";
    Require(CopyFileW((driver::BuildFolder() + L"\\minimal_window.exe").c_str(), target.c_str(),
                      FALSE) != FALSE,
            L"cannot copy minimal_window.exe");
    return target;
}

MinimalRun MinimalOnce(const std::wstring& program) {
    MinimalRun round;
    const double started = NowMs();
    driver::RunningProgram running(program);
    HWND window = nullptr;
    Require(WaitClosely(
                [&] { return (window = FindShownWindow(kMinimalClass, running.Id())) != nullptr; }),
            L"the minimal window did not appear");
    round.startMs = NowMs() - started;
    // It paints before it reads its first message, so once it has answered
    // one the first paint is done.
    Sync(window);
    round.peaks = PeaksOf(running.Id());
    PostMessageW(window, WM_CLOSE, 0, 0);
    Require(running.WaitForExit(kPatienceMs) == 0, L"the minimal window program did not end");
    return round;
}

// --- The registry editor alone

struct BareExport {
    std::wstring file;
    std::wstring key;
};

// Starts the editor as the program does, by its full path.
UniqueKernelHandle StartExport(const BareExport& job) {
    const std::wstring editor = WindowsFolder() + L"\\regedit.exe";
    std::wstring commandLine = L"Regedit.exe /e \"" + job.file + L"\" \"" + job.key + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    Require(CreateProcessW(editor.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           nullptr, &startup, &started) != FALSE,
            L"cannot start the registry editor");
    UniqueKernelHandle thread(started.hThread);
    return UniqueKernelHandle(started.hProcess);
}

void CheckExport(HANDLE process, const BareExport& job) {
    DWORD code = 1;
    GetExitCodeProcess(process, &code);
    // Wine's editor answers 0 even when it wrote nothing; the file tells.
    Require(code == 0 && FileSize(job.file) > 0, L"the registry editor did not write " + job.file);
}

// Returns how long the editor took until it ended.
double ExportOnce(const BareExport& job) {
    DeleteFileW(job.file.c_str());
    const double begun = NowMs();
    const UniqueKernelHandle process = StartExport(job);
    Require(WaitForSingleObject(process.get(), kPatienceMs) == WAIT_OBJECT_0,
            L"the registry editor did not end");
    const double took = NowMs() - begun;
    CheckExport(process.get(), job);
    return took;
}

// Starts every export at once and returns how long it took until the last
// one ended.
double ExportTogether(const std::vector<BareExport>& jobs) {
    for (const BareExport& job : jobs)
        DeleteFileW(job.file.c_str());
    const double begun = NowMs();
    std::vector<UniqueKernelHandle> processes;
    std::vector<HANDLE> handles;
    for (const BareExport& job : jobs) {
        processes.push_back(StartExport(job));
        handles.push_back(processes.back().get());
    }
    const DWORD result = WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(),
                                                TRUE, kPatienceMs);
    Require(result < WAIT_OBJECT_0 + handles.size(), L"the registry editors did not end");
    const double took = NowMs() - begun;
    for (size_t i = 0; i < jobs.size(); ++i)
        CheckExport(handles[i], jobs[i]);
    return took;
}

void DeleteFiles(const std::vector<BareExport>& jobs) {
    for (const BareExport& job : jobs)
        DeleteFileW(job.file.c_str());
}

const std::wstring kClassesKey = L"HKEY_LOCAL_MACHINE\\Software\\Classes";

// The classes key and every extension key, the ten exports the registration
// has the editor make.
std::vector<BareExport> TheRegistrationsExports() {
    std::vector<BareExport> jobs{{kFolder + L"\\bare together 0.reg", kClassesKey}};
    for (const catalogue::FileType& type : catalogue::kFileTypes) {
        jobs.push_back({kFolder + L"\\bare together " + std::to_wstring(jobs.size()) + L".reg",
                        kClassesKey + L"\\" + std::wstring(type.extension)});
    }
    return jobs;
}

// The shipped 32-bit program, build/Bildkranz.exe, beside the build folder
// of this benchmark.
std::wstring ShippedProgram() {
    return driver::BuildFolder() + L"\\..\\Bildkranz.exe";
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

    const std::wstring minimal = InstallMinimal();
    std::vector<double> starts, registrations, exports, smallExports, togetherExports, ratios,
        togetherRatios, workingSets, pagefiles, minimalStarts, minimalWorkingSets, startRatios,
        memoryRatios;
    Registration last;
    const BareExport bare{kFolder + L"\\bare export.reg", kClassesKey};
    const BareExport small{kFolder + L"\\bare small export.reg",
                           kClassesKey + L"\\" + std::wstring(catalogue::kFileTypes[0].extension)};
    const std::vector<BareExport> together = TheRegistrationsExports();
    ULONGLONG bareBytes = 0;
    for (int round = 1; round <= kRounds; ++round) {
        last = RegisterOnce(program, tools);
        const MinimalRun floor = MinimalOnce(minimal);
        const double exported = ExportOnce(bare);
        bareBytes = FileSize(bare.file);
        const double smallExport = ExportOnce(small);
        DeleteFiles({bare, small});
        const double togetherExport = ExportTogether(together);
        DeleteFiles(together);

        Say(L"round " + std::to_wstring(round) + L": start " + Format(L"%.0f", last.startMs) +
            L" ms, minimal window's start " + Format(L"%.0f", floor.startMs) +
            L" ms, registration " + Format(L"%.0f", last.registerMs) + L" ms, bare export " +
            Format(L"%.0f", exported) + L" ms, one small export " + Format(L"%.0f", smallExport) +
            L" ms, all 10 exports together " + Format(L"%.0f", togetherExport) + L" ms");
        starts.push_back(last.startMs);
        minimalStarts.push_back(floor.startMs);
        startRatios.push_back(last.startMs / floor.startMs);
        registrations.push_back(last.registerMs);
        exports.push_back(exported);
        smallExports.push_back(smallExport);
        togetherExports.push_back(togetherExport);
        ratios.push_back(last.registerMs / exported);
        togetherRatios.push_back(last.registerMs / togetherExport);
        if (last.peaks.known) {
            workingSets.push_back(last.peaks.workingSet);
            pagefiles.push_back(last.peaks.pagefile);
        }
        if (floor.peaks.known)
            minimalWorkingSets.push_back(floor.peaks.workingSet);
        if (last.peaks.known && floor.peaks.known)
            memoryRatios.push_back(last.peaks.workingSet / floor.peaks.workingSet);
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
    Line(L"all 10 exports started together (classes + 9)",
         Figure(togetherExports, 1000.0, L"%.2f", L" s"));
    Say(L"Ratio:");
    Line(L"registration / bare export of the classes",
         Figure(ratios, 1.0, L"%.2f", L"") + Target(Median(ratios), kRegistrationTarget, L"%.2f"));
    Line(L"registration / all 10 bare exports together", Figure(togetherRatios, 1.0, L"%.2f", L""));
    // The registration runs the editor once for the classes and once per
    // extension key, one after another or all at once; what is left is the
    // program's own work.
    const double oneAfterAnother =
        Median(exports) + catalogue::kFileTypeCount * Median(smallExports);
    Line(L"  the editor's share (1 whole + 9 small exports)",
         Format(L"%.2f", oneAfterAnother / 1000.0) +
             L" s one after another, estimated from the medians");
    Line(L"  the rest: keys, values, window, message",
         Format(L"%.2f", (Median(registrations) - oneAfterAnother) / 1000.0) + L" s");
    Line(L"  the editor's share (all 10 exports together)",
         Format(L"%.2f", Median(togetherExports) / 1000.0) + L" s at once, the median");
    Line(L"  the rest: keys, values, window, message",
         Format(L"%.2f", (Median(registrations) - Median(togetherExports)) / 1000.0) + L" s");
    Say(L"Start:");
    Line(L"starting Bildkranz.exe until its window shows", Figure(starts, 1.0, L"%.0f", L" ms"));
    Line(L"starting the minimal window until it shows",
         Figure(minimalStarts, 1.0, L"%.0f", L" ms"));
    Line(L"Bildkranz / minimal window", Figure(startRatios, 1.0, L"%.2f", L"") +
                                            Target(Median(startRatios), kStartTarget, L"%.1f"));
    Say(L"Memory (Bildkranz read while the success message is up, the minimal window once "
        L"painted):");
    if (workingSets.empty() || minimalWorkingSets.empty()) {
        Line(L"peak working set / peak pagefile usage", L"not available here");
    } else {
        const double mebibyte = 1024.0 * 1024.0;
        Line(L"peak working set", Figure(workingSets, mebibyte, L"%.1f", L" MiB"));
        Line(L"peak pagefile usage (private bytes)", Figure(pagefiles, mebibyte, L"%.1f", L" MiB"));
        Line(L"peak working set of the minimal window",
             Figure(minimalWorkingSets, mebibyte, L"%.1f", L" MiB"));
        Line(L"peak working set, Bildkranz / minimal window",
             Figure(memoryRatios, 1.0, L"%.2f", L"") +
                 Target(Median(memoryRatios), kMemoryTarget, L"%.1f"));
    }
    Say(L"Size:");
    const ULONGLONG shipped = FileSize(ShippedProgram());
    if (shipped == 0) {
        Line(L"build/Bildkranz.exe (i686, the product)", L"not found beside the build folder");
    } else {
        // Rounded as scripts/bench.sh rounds; the target is held against the exact size.
        const ULONGLONG roundedKiB = (shipped + 512) / 1024;
        Line(L"build/Bildkranz.exe (i686, the product)",
             std::to_wstring(shipped) + L" bytes (" + std::to_wstring(roundedKiB) + L" KiB)" +
                 Target(static_cast<double>(shipped) / 1024.0, kSizeTargetKiB, L"%.0f", L" KiB"));
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
