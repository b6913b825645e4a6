// Figures for the real program as it runs here: a full registration against
// bare exports by the registry editor, where its time goes, the time until
// the window shows and the peak memory against a minimal windowed program's,
// and the size of the shipped file. It prints its targets beside the figures
// and never enforces them: a slow machine makes the figures larger, it does
// not make this fail.
#include "association/Backup.h"
#include "association/Catalogue.h"
#include "association/Plan.h"
#include "association/ProgramName.h"
#include "association/Registration.h"
#include "association/Undo.h"
#include "common/FilePath.h"
#include "common/Process.h"
#include "common/UniqueHandle.h"
#include "driver/Program.h"
#include "driver/WindowDriver.h"
#include "services/WindowsOrdner.h"
#include "tools/Demo.h"
#include "wizard/ControlIds.h"
#include "wizard/Texts.h"

#include <psapi.h>
#include <tlhelp32.h>
#include <shlobj.h>

#include <algorithm>
#include <array>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace demo;
using driver::PostClick;
using driver::ScreenShown;
using driver::SetTextOf;
using driver::Sync;
using driver::TickedTypeCount;
namespace id = control_id;

namespace {

// As many more as the first argument asks for, to look closer.
constexpr int kRounds = 3;
const std::wstring kFolder = L"C:\\Bildkranz Bench";
// Apart from the wizard's folder, where every other file counts as a backup.
const std::wstring kMinimalFolder = L"C:\\Bildkranz Minimal";
const std::wstring kPartsFolder = L"C:\\Bildkranz Parts";
constexpr wchar_t kMinimalClass[] = L"BildkranzMinimal";
const std::wstring kClassesKey = L"HKEY_LOCAL_MACHINE\\Software\\Classes";

// Printed beside the figures, never enforced.
constexpr double kRegistrationTarget = 1.10; // registration / bare export of the classes
constexpr double kTogetherTarget = 1.03;     // registration / all ten bare exports together
constexpr double kOwnPartTargetS = 0.12;     // registration - all ten bare exports together
constexpr double kStartTarget = 1.20;        // wizard's start / minimal window's start
constexpr double kMemoryTarget = 1.20;       // peak working sets, likewise
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

// How long a call takes, in milliseconds.
template <typename Call> double TimeOf(Call&& call) {
    const double begun = NowMs();
    call();
    return NowMs() - begun;
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

// --- Figures

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

double Median(const std::vector<double>& samples) {
    return SpreadOf(samples).median;
}

std::wstring Format(const wchar_t* pattern, double value) {
    wchar_t text[64]{};
    swprintf(text, 64, pattern, value);
    return text;
}

// How a figure is shown: "%.2f" with " s" after 1000 ms, and so on.
struct Unit {
    double scale;
    const wchar_t* pattern;
    const wchar_t* name;
};
constexpr Unit kSeconds{1000.0, L"%.2f", L" s"};
constexpr Unit kMilliseconds{1.0, L"%.0f", L" ms"};
constexpr Unit kRatio{1.0, L"%.2f", L""};
constexpr Unit kMebibytes{1024.0 * 1024.0, L"%.1f", L" MiB"};

std::wstring Value(double value, const Unit& unit) {
    return Format(unit.pattern, value / unit.scale) + unit.name;
}

// "2.31 s  (range 2.20 .. 2.40)"
std::wstring Figure(const std::vector<double>& samples, const Unit& unit) {
    const Spread spread = SpreadOf(samples);
    return Value(spread.median, unit) + L"  (range " +
           Format(unit.pattern, spread.low / unit.scale) + L" .. " +
           Format(unit.pattern, spread.high / unit.scale) + L")";
}

// "   target: at most 1.10, not met", to follow a figure; most in the unit's scale.
std::wstring Target(double value, double most, const Unit& unit) {
    return L"   target: at most " + Format(unit.pattern, most) + unit.name +
           (value / unit.scale <= most ? L", met" : L", not met");
}

std::wstring FigureAgainst(const std::vector<double>& samples, double most, const Unit& unit) {
    return Figure(samples, unit) + Target(Median(samples), most, unit);
}

void Line(std::wstring_view label, const std::wstring& figure) {
    std::wstring padded(label);
    padded.resize(std::max<size_t>(padded.size() + 1, 56), L' ');
    Say(L"  " + padded + figure);
}

std::wstring Megabytes(double bytes) {
    return Value(bytes, kMebibytes);
}

// --- Preparing the registry and the folders

std::wstring ClassesPath(std::wstring_view name) {
    return L"Software\\Classes\\" + std::wstring(name);
}

void SetText(HKEY key, const wchar_t* name, const std::wstring& text) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

const std::wstring kSystemFileAssociations = ClassesPath(L"SystemFileAssociations");

// Whether the prefix had it before the first round; a fresh one has not.
bool HadSystemFileAssociations() {
    static const bool had = [] {
        UniqueKey key;
        return RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSystemFileAssociations.c_str(), 0, KEY_READ,
                             key.put()) == ERROR_SUCCESS;
    }();
    return had;
}

// Every extension key exists with values of its own, so the registration
// backs up and replaces all nine; nothing the program creates is left from
// an earlier round (its classes, its verbs below SystemFileAssociations), so
// every round plans, reads and writes the same.
void PrepareRegistry() {
    const bool hadSystemFileAssociations = HadSystemFileAssociations();
    for (const catalogue::FileType& type : catalogue::kFileTypes) {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE,
                       (kSystemFileAssociations + L'\\' + std::wstring(type.extension)).c_str());
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
    // Only when it is left empty: anything else below it is not the program's.
    if (!hadSystemFileAssociations)
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, kSystemFileAssociations.c_str());
}

// The files of a folder but the program itself: the backups and the undo file.
std::vector<std::wstring> FilesWritten(const std::wstring& folder) {
    std::vector<std::wstring> paths;
    for (const std::wstring& name : driver::FilesIn(folder))
        if (name != L"Bildkranz.exe")
            paths.push_back(file_path::Join(folder, name));
    return paths;
}

void DeleteFiles(const std::vector<std::wstring>& paths) {
    for (const std::wstring& path : paths)
        DeleteFileW(path.c_str());
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

// Programs that exist in every prefix, one for each verb; one path has a
// blank, as many do.
std::array<std::wstring, catalogue::kVerbCount> VerbPrograms() {
    const std::wstring windows = WindowsOrdner::WindowsDirectory();
    return {file_path::Join(windows, L"notepad.exe"),
            file_path::Join(windows, L"system32\\write.exe"), Backup::RegistryEditor(),
            file_path::Join(windows, L"system32\\winefile.exe"),
            L"C:\\Program Files\\Windows NT\\Accessories\\wordpad.exe"};
}

// What the wizard is told in every round: every type, every verb with its program.
Registration::Choices EveryChoice() {
    Registration::Choices choices;
    for (int index = 0; index < catalogue::kFileTypeCount; ++index)
        choices.tickedTypes.push_back(index);
    const auto programs = VerbPrograms();
    for (int slot = 1; slot <= catalogue::kVerbCount; ++slot)
        choices.tickedVerbs.push_back({slot, programs[slot - 1]});
    return choices;
}

// --- Peak memory

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

// --- Watching the programs a process starts

// Every program the watched process starts joins its job, and the job tells
// its completion port at once when one starts or ends: a thread that waits
// on the port notes the moments the watched process's own waiting sees,
// without asking the Wine server again and again.
class ChildWatch {
public:
    struct Child {
        DWORD processId = 0;
        double started = 0; // NowMs()
        std::optional<double> ended;
    };

    explicit ChildWatch(DWORD processId) : watched_(processId) {
        job_.reset(CreateJobObjectW(nullptr, nullptr));
        port_.reset(CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1));
        allEnded_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        childEnded_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        JOBOBJECT_ASSOCIATE_COMPLETION_PORT link{};
        link.CompletionKey = job_.get();
        link.CompletionPort = port_.get();
        const UniqueKernelHandle process(
            OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, processId));
        working_ = job_ && port_ && allEnded_ && childEnded_ && process &&
                   SetInformationJobObject(job_.get(), JobObjectAssociateCompletionPortInformation,
                                           &link, sizeof(link)) &&
                   AssignProcessToJobObject(job_.get(), process.get());
        if (working_)
            listener_ = std::thread([this] { Listen(); });
    }
    ~ChildWatch() {
        if (listener_.joinable()) {
            PostQueuedCompletionStatus(port_.get(), 0, kStop, nullptr);
            listener_.join();
        }
    }
    ChildWatch(const ChildWatch&) = delete;
    ChildWatch& operator=(const ChildWatch&) = delete;

    // In the order they started; nothing where the platform offers no such job.
    std::optional<std::vector<Child>> Children() const {
        if (!working_)
            return std::nullopt;
        const std::lock_guard<std::mutex> lock(mutex_);
        return children_;
    }

    // Returns once the first count programs the watched process started have
    // ended, or once stop holds, looked at now and then; false where no job
    // watches.
    bool WaitUntilEnded(std::size_t count, const std::function<bool()>& stop) const {
        constexpr DWORD kLookEveryMs = 100;
        while (working_ && !stop()) {
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                if (children_.size() >= count &&
                    std::all_of(children_.begin(), children_.begin() + count,
                                [](const Child& child) { return child.ended.has_value(); }))
                    return true;
            }
            WaitForSingleObject(childEnded_.get(), kLookEveryMs);
        }
        return false;
    }

    // Returns once the watched process and every program it started have
    // ended, or at the deadline.
    void WaitUntilAllEnded(DWORD timeoutMs) const {
        if (working_)
            WaitForSingleObject(allEnded_.get(), timeoutMs);
    }

private:
    static constexpr ULONG_PTR kStop = 1;

    void Listen() {
        DWORD message = 0;
        ULONG_PTR key = 0;
        LPOVERLAPPED detail = nullptr;
        while (GetQueuedCompletionStatus(port_.get(), &message, &key, &detail, INFINITE) &&
               key != kStop) {
            const double now = NowMs();
            if (message == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO)
                SetEvent(allEnded_.get());
            // For these messages the process id comes where an OVERLAPPED would.
            const auto processId = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(detail));
            if (processId == watched_)
                continue;
            const std::lock_guard<std::mutex> lock(mutex_);
            if (message == JOB_OBJECT_MSG_NEW_PROCESS)
                children_.push_back({processId, now, std::nullopt});
            if (message == JOB_OBJECT_MSG_EXIT_PROCESS ||
                message == JOB_OBJECT_MSG_ABNORMAL_EXIT_PROCESS) {
                for (Child& child : children_)
                    if (child.processId == processId && !child.ended)
                        child.ended = now;
                SetEvent(childEnded_.get());
            }
        }
    }

    DWORD watched_;
    UniqueKernelHandle job_;
    UniqueKernelHandle port_;
    UniqueKernelHandle allEnded_;
    UniqueKernelHandle childEnded_;
    bool working_ = false;
    mutable std::mutex mutex_;
    std::vector<Child> children_;
    std::thread listener_;
};

// Returns once every program this process has started and that still runs
// has ended, or at the deadline: what one step leaves running must not slow
// the next one's figures.
void WaitForOwnChildren(DWORD timeoutMs) {
    // Failure is INVALID_HANDLE_VALUE, as for files.
    const UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return;
    std::vector<UniqueKernelHandle> children;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ParentProcessID == GetCurrentProcessId())
            children.emplace_back(OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID));
    }
    for (const UniqueKernelHandle& child : children)
        if (child)
            WaitForSingleObject(child.get(), timeoutMs);
}

// --- One registration, driven from outside

struct WizardRun {
    double startMs = 0;    // from starting the program until its window shows
    double registerMs = 0; // from the last "Weiter >" until the success message
    // The same span, cut where the editors start and end, where the window
    // hides and where the message shows; nothing where no job watched them.
    std::optional<double> untilFirstEditorMs;
    std::optional<double> editorsMs;
    std::optional<double> afterEditorsMs; // the last export's end until the message
    std::optional<double> untilHiddenMs;  // the last export's end until the window hid
    double hiddenUntilMessageMs = 0;
    // Programs it started after the editors, and when the last of them ended,
    // counted from the message.
    int laterPrograms = 0;
    std::optional<double> laterProgramsEndMs;
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

// Goes from the type screen to the confirmation screen, every verb ticked
// with the program the file dialog would have put in its row.
void FillIn(HWND wizard) {
    PostClick(Control(wizard, id::kNext));
    Require(driver::WaitFor([&] { return ScreenShown(wizard, 2); }),
            L"the verb screen did not come");
    const auto programs = VerbPrograms();
    for (int slot = 1; slot <= catalogue::kVerbCount; ++slot) {
        HWND checkBox = Control(wizard, id::VerbCheckBox(slot));
        if (SendMessageW(checkBox, BM_GETCHECK, 0, 0) != BST_CHECKED)
            SendMessageW(checkBox, BM_CLICK, 0, 0);
        // The text box is read-only for the keyboard, not for WM_SETTEXT.
        SetTextOf(Control(wizard, id::VerbText(slot)), programs[slot - 1]);
    }
    PostClick(Control(wizard, id::kNext));
    Require(driver::WaitFor([&] { return ScreenShown(wizard, 3); }),
            L"the confirmation screen did not come");
    Sync(wizard);
}

// The registration starts one editor per export, all before anything else.
constexpr std::size_t kEditors = catalogue::kFileTypeCount + 1;

// Cuts the registration at the moments the job saw the editors start and end.
void CutAtEditors(WizardRun& round, const std::vector<ChildWatch::Child>& children, double clicked,
                  double hidden, double shown) {
    if (children.size() < kEditors)
        return;
    double lastEnd = 0;
    for (std::size_t i = 0; i < kEditors; ++i) {
        if (!children[i].ended)
            return;
        lastEnd = std::max(lastEnd, *children[i].ended);
    }
    round.untilFirstEditorMs = children.front().started - clicked;
    round.editorsMs = lastEnd - children.front().started;
    round.afterEditorsMs = shown - lastEnd;
    round.untilHiddenMs = hidden - lastEnd;
}

// What the program started after the editors (under Wine, SHChangeNotify has
// winemenubuilder read the associations): how many, and when the last ended,
// counted from the message.
void NoteWhatCameAfter(WizardRun& round, const std::vector<ChildWatch::Child>& children,
                       double shown) {
    for (std::size_t i = kEditors; i < children.size(); ++i) {
        ++round.laterPrograms;
        if (children[i].ended)
            round.laterProgramsEndMs =
                std::max(round.laterProgramsEndMs.value_or(0), *children[i].ended - shown);
    }
}

void CountWhatItLeft(WizardRun& round) {
    for (const std::wstring& path : FilesWritten(kFolder)) {
        ++round.backups;
        round.backupBytes += FileSize(path);
    }
    round.commands = CommandsWritten();
}

WizardRun RegisterOnce(const std::wstring& program) {
    PrepareRegistry();
    DeleteFiles(FilesWritten(kFolder));
    WizardRun round;

    const double started = NowMs();
    driver::RunningProgram running(program);
    HWND wizard = nullptr;
    Require(WaitClosely([&] {
                return (wizard = FindShownWindow(L"BildkranzRoot", running.Id())) != nullptr;
            }),
            L"the wizard window did not appear");
    round.startMs = NowMs() - started;
    Require(running.WaitForWindow() == wizard, L"the wizard window did not take the focus");
    const ChildWatch watch(running.Id());
    FillIn(wizard);

    const double clicked = NowMs();
    PostClick(Control(wizard, id::kNext));
    // Nothing can end before the editors have: looking closely only then
    // keeps the looking, which asks the Wine server each time, from slowing
    // the exports it waits for.
    watch.WaitUntilEnded(kEditors, [&] { return !IsWindowVisible(wizard); });
    // The window goes when the registration is done, just before the message
    // comes; only then is it worth walking the windows for the message.
    Require(WaitClosely([&] { return !IsWindowVisible(wizard); }), L"the registration did not end");
    const double hidden = NowMs();
    HWND box = nullptr;
    Require(WaitClosely([&] { return (box = driver::FindMessageBox(running.Id())) != nullptr; }),
            L"no message came after the registration");
    const double shown = NowMs();
    round.registerMs = shown - clicked;
    round.hiddenUntilMessageMs = shown - hidden;
    round.peaks = PeaksOf(running.Id());

    const std::wstring title = driver::WindowText(box);
    Require(title == texts::kSuccess.title,
            L"the registration ended with the message \"" + title + L"\", not with success");
    PostClick(GetDlgItem(box, IDOK));
    Require(running.WaitForExit(kPatienceMs) == 0, L"the program did not end with exit code 0");
    watch.WaitUntilAllEnded(kPatienceMs);
    if (const auto children = watch.Children()) {
        CutAtEditors(round, *children, clicked, hidden, shown);
        NoteWhatCameAfter(round, *children, shown);
    }
    CountWhatItLeft(round);
    return round;
}

// --- The minimal window, started as the wizard is

struct MinimalRun {
    double startMs = 0; // from starting the program until its window shows
    Peaks peaks;        // once its window is painted
};

std::wstring InstallMinimal() {
    CreateDirectoryW(kMinimalFolder.c_str(), nullptr);
    const std::wstring target = file_path::Join(kMinimalFolder, L"minimal_window.exe");
    Require(CopyFileW(file_path::Join(driver::BuildFolder(), L"minimal_window.exe").c_str(),
                      target.c_str(), FALSE) != FALSE,
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

// Started as the program starts it: by its full path, minimised.
UniqueKernelHandle StartExport(const BareExport& job) {
    UniqueKernelHandle editor = process::Start(
        Backup::RegistryEditor(), L"Regedit.exe /e \"" + job.file + L"\" \"" + job.key + L'"',
        {SW_SHOWMINIMIZED, nullptr});
    Require(editor.get() != nullptr, L"cannot start the registry editor");
    return editor;
}

void CheckExport(HANDLE editor, const BareExport& job) {
    DWORD code = 1;
    GetExitCodeProcess(editor, &code);
    // Wine's editor answers 0 even when it wrote nothing; the file tells.
    Require(code == 0 && FileSize(job.file) > 0, L"the registry editor did not write " + job.file);
}

std::vector<std::wstring> FilesOf(const std::vector<BareExport>& jobs) {
    std::vector<std::wstring> files;
    for (const BareExport& job : jobs)
        files.push_back(job.file);
    return files;
}

// Starts every export at once, in the order given, and returns how long it
// took until the last one ended. Leaves the files for a look.
double ExportTogether(const std::vector<BareExport>& jobs) {
    DeleteFiles(FilesOf(jobs));
    const double begun = NowMs();
    std::vector<UniqueKernelHandle> editors;
    std::vector<HANDLE> handles;
    for (const BareExport& job : jobs) {
        editors.push_back(StartExport(job));
        handles.push_back(editors.back().get());
    }
    const DWORD result = WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(),
                                                TRUE, kPatienceMs);
    Require(result < WAIT_OBJECT_0 + handles.size(), L"the registry editors did not end");
    const double took = NowMs() - begun;
    for (size_t i = 0; i < jobs.size(); ++i)
        CheckExport(handles[i], jobs[i]);
    return took;
}

BareExport ClassesExport(const std::wstring& name) {
    return {file_path::Join(kFolder, name), kClassesKey};
}

// The export of one extension key, by its index in the catalogue.
BareExport ExtensionExport(const std::wstring& name, int index) {
    return {file_path::Join(kFolder, name),
            kClassesKey + L'\\' + std::wstring(catalogue::kFileTypes[index].extension)};
}

// The nine extension keys: the small exports of a registration.
std::vector<BareExport> ExtensionExports(const std::wstring& prefix) {
    std::vector<BareExport> jobs;
    for (int index = 0; index < catalogue::kFileTypeCount; ++index)
        jobs.push_back(ExtensionExport(prefix + std::to_wstring(index + 1) + L".reg", index));
    return jobs;
}

// The classes key first, then every extension key: the ten exports the
// registration has the editor make, in its order.
std::vector<BareExport> TheRegistrationsExports() {
    std::vector<BareExport> jobs{ClassesExport(L"bare together 0.reg")};
    for (BareExport& job : ExtensionExports(L"bare together "))
        jobs.push_back(std::move(job));
    return jobs;
}

struct Exports {
    double classesMs = 0; // the whole classes key alone
    ULONGLONG classesBytes = 0;
    double oneSmallMs = 0;  // one extension key alone
    double nineSmallMs = 0; // the nine extension keys together
    double togetherMs = 0;  // all ten together, as the registration starts them
};

Exports ExportsOnce() {
    Exports round;
    const BareExport classes = ClassesExport(L"bare export.reg");
    round.classesMs = ExportTogether({classes});
    round.classesBytes = FileSize(classes.file);
    round.oneSmallMs = ExportTogether({ExtensionExport(L"bare small export.reg", 0)});
    round.nineSmallMs = ExportTogether(ExtensionExports(L"bare small export "));
    round.togetherMs = ExportTogether(TheRegistrationsExports());
    DeleteFiles(FilesWritten(kFolder));
    return round;
}

// --- The program's own steps, timed in this process

// What the registration does besides the exports, step by step, against the
// registry the real program met. In the program the plan is made before the
// editors start and the undo file is read while they run; saving it, the
// writes and telling the shell follow the last export's end.
struct Parts {
    double planMs = 0;     // Registration::MakePlan: registry reads and the programs' names
    double namesMs = 0;    // the programs' names alone, from their version records
    double undoReadMs = 0; // Undo::File: reading what the undo file will hold
    double undoSaveMs = 0; // Undo::File::Save
    double carryOutMs = 0; // Registration::CarryOut: the plan's writes and the shell notified
    double notifyMs = 0;   // SHChangeNotify alone, once more
};

Parts PartsOnce(const Registration::Choices& choices) {
    PrepareRegistry();
    CreateDirectoryW(kPartsFolder.c_str(), nullptr);
    DeleteFiles(FilesWritten(kPartsFolder));
    Parts round;
    round.namesMs = TimeOf([&] {
        for (const Registration::VerbChoice& verb : choices.tickedVerbs)
            ProgramName::Of(verb.program);
    });
    Registration::Plan plan;
    round.planMs = TimeOf([&] { plan = Registration::MakePlan(choices, kPartsFolder); });
    std::optional<Undo::File> undo;
    round.undoReadMs = TimeOf([&] { undo.emplace(kPartsFolder, plan.steps); });
    round.undoSaveMs = TimeOf([&] { undo->Save(); });
    Registration::Outcome outcome;
    round.carryOutMs = TimeOf([&] { outcome = Registration::CarryOut(plan, [] {}); });
    Require(outcome.Complete(), L"the plan's writes did not all succeed");
    // Alone: what the notification in CarryOut started has ended.
    WaitForOwnChildren(kPatienceMs);
    round.notifyMs =
        TimeOf([] { SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); });
    WaitForOwnChildren(kPatienceMs);
    DeleteFiles(FilesWritten(kPartsFolder));
    return round;
}

// --- The rounds

struct Round {
    WizardRun wizard;
    MinimalRun minimal;
    Exports bare;
    Parts parts;
};

Round RoundOnce(const std::wstring& program, const std::wstring& minimal,
                const Registration::Choices& choices) {
    Round round;
    round.wizard = RegisterOnce(program);
    round.minimal = MinimalOnce(minimal);
    round.bare = ExportsOnce();
    round.parts = PartsOnce(choices);
    return round;
}

std::wstring ValueOr(const std::optional<double>& value, const Unit& unit) {
    return value ? Value(*value, unit) : L"?";
}

void SayRound(int number, const Round& round) {
    Say(L"round " + std::to_wstring(number) + L": start " +
        Value(round.wizard.startMs, kMilliseconds) + L", minimal window's start " +
        Value(round.minimal.startMs, kMilliseconds) + L", registration " +
        Value(round.wizard.registerMs, kMilliseconds) + L" (its editors " +
        ValueOr(round.wizard.editorsMs, kMilliseconds) + L"), bare export " +
        Value(round.bare.classesMs, kMilliseconds) + L", one small export " +
        Value(round.bare.oneSmallMs, kMilliseconds) + L", all 10 exports together " +
        Value(round.bare.togetherMs, kMilliseconds));
}

// One figure of every round.
template <typename Pick> std::vector<double> Samples(const std::vector<Round>& rounds, Pick pick) {
    std::vector<double> samples;
    for (const Round& round : rounds)
        if (const std::optional<double> sample = pick(round))
            samples.push_back(*sample);
    return samples;
}

// A figure's line, or that it could not be measured here.
void FigureLine(std::wstring_view label, const std::vector<double>& samples, const Unit& unit) {
    Line(label, samples.empty() ? L"not measured here" : Figure(samples, unit));
}

// --- The report

void SayRegistration(const std::vector<Round>& rounds) {
    const WizardRun& last = rounds.back().wizard;
    Say(L"Full registration (9 types ticked, 5 verbs with programs, all 9 extension keys "
        L"existing):");
    FigureLine(L"last \"Weiter >\" until the success message",
               Samples(rounds, [](const Round& r) { return r.wizard.registerMs; }), kSeconds);
    Line(L"backups it made", std::to_wstring(last.backups) + L" files, " +
                                 Megabytes(static_cast<double>(last.backupBytes)));
    Line(L"command values it wrote",
         std::to_wstring(last.commands) + L" of " +
             std::to_wstring(catalogue::kFileTypeCount * catalogue::kVerbCount));
}

void SayEditorAlone(const std::vector<Round>& rounds) {
    Say(L"The registry editor alone (regedit /e, started by the benchmark):");
    FigureLine(L"export of HKLM\\Software\\Classes",
               Samples(rounds, [](const Round& r) { return r.bare.classesMs; }), kSeconds);
    Line(L"  its file", Megabytes(static_cast<double>(rounds.back().bare.classesBytes)));
    FigureLine(L"export of one extension key (.bmp)",
               Samples(rounds, [](const Round& r) { return r.bare.oneSmallMs; }), kSeconds);
    FigureLine(L"the 9 extension keys' exports started together",
               Samples(rounds, [](const Round& r) { return r.bare.nineSmallMs; }), kSeconds);
    FigureLine(L"all 10 exports started together (classes + 9)",
               Samples(rounds, [](const Round& r) { return r.bare.togetherMs; }), kSeconds);
}

void SayRatios(const std::vector<Round>& rounds) {
    Say(L"Ratio:");
    Line(L"registration / bare export of the classes",
         FigureAgainst(
             Samples(rounds, [](const Round& r) { return r.wizard.registerMs / r.bare.classesMs; }),
             kRegistrationTarget, kRatio));
    Line(
        L"registration / all 10 bare exports together",
        FigureAgainst(
            Samples(rounds, [](const Round& r) { return r.wizard.registerMs / r.bare.togetherMs; }),
            kTogetherTarget, kRatio));
    // What the registration takes beyond the exports it has to wait for: the
    // program's own part.
    Line(
        L"  the program's own part beside the 10 exports",
        FigureAgainst(
            Samples(rounds, [](const Round& r) { return r.wizard.registerMs - r.bare.togetherMs; }),
            kOwnPartTargetS, kSeconds));
    const auto medianOf = [&](auto pick) {
        return Median(Samples(rounds, pick));
    };
    const double oneAfterAnother =
        medianOf([](const Round& r) { return r.bare.classesMs; }) +
        catalogue::kFileTypeCount * medianOf([](const Round& r) { return r.bare.oneSmallMs; });
    Line(L"  the editor's share, 1 whole + 9 small one after another",
         Value(oneAfterAnother, kSeconds) + L", estimated from the medians");
    // Beside the whole classes alone: what starting the nine small ones with
    // it costs.
    Line(
        L"  all 10 together - the classes alone",
        Figure(Samples(rounds, [](const Round& r) { return r.bare.togetherMs - r.bare.classesMs; }),
               kSeconds));
}

// The real run cut where the job saw the editors start and end.
void SayWhereTheTimeGoes(const std::vector<Round>& rounds) {
    Say(L"Where the registration's time goes (its editors watched through a job):");
    FigureLine(L"\"Weiter >\" until the first editor started",
               Samples(rounds, [](const Round& r) { return r.wizard.untilFirstEditorMs; }),
               kSeconds);
    FigureLine(L"first editor's start until the last one's end",
               Samples(rounds, [](const Round& r) { return r.wizard.editorsMs; }), kSeconds);
    FigureLine(L"last export's end until the success message",
               Samples(rounds, [](const Round& r) { return r.wizard.afterEditorsMs; }), kSeconds);
    FigureLine(L"  of which until the window hid",
               Samples(rounds, [](const Round& r) { return r.wizard.untilHiddenMs; }), kSeconds);
    FigureLine(L"  of which the window hidden until the message shows",
               Samples(rounds, [](const Round& r) { return r.wizard.hiddenUntilMessageMs; }),
               kSeconds);
    const WizardRun& last = rounds.back().wizard;
    if (last.laterPrograms > 0)
        FigureLine(L"programs started after the exports (" + std::to_wstring(last.laterPrograms) +
                       L"): the last ended after the message by",
                   Samples(rounds, [](const Round& r) { return r.wizard.laterProgramsEndMs; }),
                   kSeconds);
}

void SayParts(const std::vector<Round>& rounds) {
    Say(L"The program's own steps, timed in this process against the same prepared registry:");
    Say(L"  before the editors start:");
    FigureLine(L"parts: the plan (Registration::MakePlan)",
               Samples(rounds, [](const Round& r) { return r.parts.planMs; }), kMilliseconds);
    FigureLine(L"parts:   of which the programs' names (version records)",
               Samples(rounds, [](const Round& r) { return r.parts.namesMs; }), kMilliseconds);
    Say(L"  while the editors run:");
    FigureLine(L"parts: reading for the undo file (Undo::File)",
               Samples(rounds, [](const Round& r) { return r.parts.undoReadMs; }), kMilliseconds);
    Say(L"  after the last export's end:");
    FigureLine(L"parts: saving the undo file (Undo::File::Save)",
               Samples(rounds, [](const Round& r) { return r.parts.undoSaveMs; }), kMilliseconds);
    FigureLine(L"parts: the plan's writes and the shell told (CarryOut)",
               Samples(rounds, [](const Round& r) { return r.parts.carryOutMs; }), kMilliseconds);
    FigureLine(L"parts:   of which telling the shell (SHChangeNotify)",
               Samples(rounds, [](const Round& r) { return r.parts.notifyMs; }), kMilliseconds);
}

void SayStart(const std::vector<Round>& rounds) {
    Say(L"Start:");
    FigureLine(L"starting Bildkranz.exe until its window shows",
               Samples(rounds, [](const Round& r) { return r.wizard.startMs; }), kMilliseconds);
    FigureLine(L"starting the minimal window until it shows",
               Samples(rounds, [](const Round& r) { return r.minimal.startMs; }), kMilliseconds);
    Line(L"Bildkranz / minimal window",
         FigureAgainst(
             Samples(rounds, [](const Round& r) { return r.wizard.startMs / r.minimal.startMs; }),
             kStartTarget, kRatio));
}

void SayMemory(const std::vector<Round>& rounds) {
    Say(L"Memory (Bildkranz read while the success message is up, the minimal window once "
        L"painted):");
    const auto known = [](const Round& r) {
        return r.wizard.peaks.known && r.minimal.peaks.known;
    };
    if (!std::all_of(rounds.begin(), rounds.end(), known)) {
        Line(L"peak working set / peak pagefile usage", L"not available here");
        return;
    }
    FigureLine(L"peak working set",
               Samples(rounds, [](const Round& r) { return r.wizard.peaks.workingSet; }),
               kMebibytes);
    FigureLine(L"peak pagefile usage (private bytes)",
               Samples(rounds, [](const Round& r) { return r.wizard.peaks.pagefile; }), kMebibytes);
    FigureLine(L"peak working set of the minimal window",
               Samples(rounds, [](const Round& r) { return r.minimal.peaks.workingSet; }),
               kMebibytes);
    Line(L"peak working set, Bildkranz / minimal window",
         FigureAgainst(Samples(rounds,
                               [](const Round& r) {
                                   return r.wizard.peaks.workingSet / r.minimal.peaks.workingSet;
                               }),
                       kMemoryTarget, kRatio));
}

// The shipped 32-bit program, build/Bildkranz.exe, beside the build folder
// of this benchmark.
std::wstring ShippedProgram() {
    return file_path::Join(driver::BuildFolder(), L"..\\Bildkranz.exe");
}

void SaySize() {
    Say(L"Size:");
    const ULONGLONG shipped = FileSize(ShippedProgram());
    if (shipped == 0) {
        Line(L"build/Bildkranz.exe (i686, the product)", L"not found beside the build folder");
        return;
    }
    // Rounded as scripts/bench.sh rounds; the target is held against the exact size.
    const ULONGLONG roundedKiB = (shipped + 512) / 1024;
    constexpr Unit kKibibytes{1.0, L"%.0f", L" KiB"};
    Line(L"build/Bildkranz.exe (i686, the product)",
         std::to_wstring(shipped) + L" bytes (" + std::to_wstring(roundedKiB) + L" KiB)" +
             Target(static_cast<double>(shipped) / 1024.0, kSizeTargetKiB, kKibibytes));
}

void Run(int roundCount) {
    // Noted before the first round creates it.
    HadSystemFileAssociations();
    const std::wstring program = driver::InstallProgram(kFolder);
    const std::wstring minimal = InstallMinimal();
    const Registration::Choices choices = EveryChoice();
    Say(L"Bildkranz benchmark: " + std::to_wstring(roundCount) +
        L" rounds; figures are the median and the range of the rounds.");
    Say(L"Program under test: " + program + L" (" + std::to_wstring(FileSize(program)) +
        L" bytes)");
    Say(L"");

    std::vector<Round> rounds;
    for (int number = 1; number <= roundCount; ++number) {
        rounds.push_back(RoundOnce(program, minimal, choices));
        SayRound(number, rounds.back());
    }
    Say(L"");
    SayRegistration(rounds);
    SayEditorAlone(rounds);
    SayRatios(rounds);
    SayWhereTheTimeGoes(rounds);
    SayParts(rounds);
    SayStart(rounds);
    SayMemory(rounds);
    SaySize();
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        Run(argc > 1 ? std::max(1, _wtoi(argv[1])) : kRounds);
        return 0;
    } catch (const std::exception& failure) {
        Say(L"bench: stopped: " + WhatOf(failure));
        return 1;
    }
}
