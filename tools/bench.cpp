// Figures for the real program as it runs here: a full registration against
// bare exports by the registry editor, where its time goes, how the
// program's own part grows with the choices, the time until the window shows
// and the peak memory against a minimal windowed program's and against the
// least program that shows the first screen, and the size of the shipped
// file. It prints its targets beside the figures and never enforces them: a
// slow machine makes the figures larger, it does not make this fail.
#include "association/Backup.h"
#include "association/Catalogue.h"
#include "association/KeyPath.h"
#include "association/ProgramName.h"
#include "association/Registration.h"
#include "association/Registry.h"
#include "association/Undo.h"
#include "common/Failure.h"
#include "driver/Program.h"
#include "driver/WindowDriver.h"
#include "services/FileDirPath.h"
#include "services/WindowsOrdner.h"
#include "tools/BenchReport.h"
#include "tools/ChildWatch.h"
#include "tools/Demo.h"
#include "wizard/ControlIds.h"
#include "wizard/Texts.h"

#include <psapi.h>
#include <shlobj.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

using namespace BenchReport;
using namespace ChildWatch;
using namespace Demo;
namespace id = ControlIds;

namespace {

// As many more as the first argument asks for, to look closer.
constexpr int kRounds = 3;
// Every file in it but the programs is a backup or an undo file.
const std::wstring kFolder = L"C:\\Bildkranz Bench";
// Generous, so that only a program that hangs stops the benchmark.
constexpr DWORD kPatienceMs = 10 * 60 * 1000;
// Where a moment is timed. Every look asks the Wine server, which the timed
// program needs too: what is looked at this often must be cheap.
constexpr DWORD kLookCloselyMs = 2;
// Where the job's reports wake the wait, or nothing is timed.
constexpr DWORD kLookSeldomMs = 100;
// The registration starts one editor per export, all before anything else.
constexpr std::size_t kEditors = Catalogue::kFileTypeCount + 1;

// --- Preparing the registry and the folder

// Every extension key exists with values of its own, so the registration
// backs up and replaces all nine; nothing the program creates is left from
// an earlier round, so every round plans, reads and writes the same.
void PrepareRegistry() {
    const std::wstring verbsForAll = KeyPath::Classes(L"SystemFileAssociations");
    for (const Catalogue::FileType& type : Catalogue::kFileTypes) {
        const std::wstring extension = KeyPath::Classes(type.extension);
        for (const std::wstring& key : {verbsForAll + L'\\' + std::wstring(type.extension),
                                        KeyPath::Classes(type.className), extension})
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
        const std::wstring name(type.ExtensionWithoutDot());
        const auto set = [&](const wchar_t* valueName, const std::wstring& text) {
            return Registry::SetValue(HKEY_LOCAL_MACHINE, extension, valueName, text) ==
                   Registry::kTrue;
        };
        const bool made =
            Registry::CreateKey(HKEY_LOCAL_MACHINE, extension, L"") == Registry::kTrue &&
            set(L"", L"Bench." + name) && set(L"Content Type", L"image/" + name) &&
            set(L"PerceivedType", L"image");
        Require(made, L"cannot prepare an extension key");
    }
    // Refused while anything else is below it: that is not the program's.
    Registry::DeleteKey(HKEY_LOCAL_MACHINE, verbsForAll);
}

// The backups and the undo file.
std::vector<std::wstring> FilesWritten() {
    std::vector<std::wstring> paths;
    for (const std::wstring& name : Program::FilesIn(kFolder))
        if (!name.ends_with(L".exe"))
            paths.push_back(FileDirPath::Join(kFolder, name));
    return paths;
}

void DeleteFilesWritten() {
    for (const std::wstring& path : FilesWritten())
        DeleteFileW(path.c_str());
}

double FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA file{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &file))
        return kUnknown;
    return static_cast<double>((static_cast<ULONGLONG>(file.nFileSizeHigh) << 32) |
                               file.nFileSizeLow);
}

// Every type, and every verb with a program that exists in every prefix; one
// path has a blank, as many do.
Plan::Choices EveryChoice() {
    const std::wstring windows = WindowsOrdner::WindowsDirectory();
    const std::wstring programs[Catalogue::kVerbCount] = {
        FileDirPath::Join(windows, L"notepad.exe"),
        FileDirPath::Join(windows, L"system32\\write.exe"), Backup::RegistryEditor(),
        FileDirPath::Join(windows, L"system32\\winefile.exe"),
        L"C:\\Program Files\\Windows NT\\Accessories\\wordpad.exe"};
    Plan::Choices choices;
    for (int index = 0; index < Catalogue::kFileTypeCount; ++index)
        choices.tickedTypes.push_back(index);
    for (int slot = 1; slot <= Catalogue::kVerbCount; ++slot)
        choices.tickedVerbs.push_back({slot, programs[slot - 1]});
    return choices;
}

// The least a registration can be: the first type with the first verb.
Plan::Choices OneTypeOneVerb(const Plan::Choices& every) {
    Plan::Choices choices;
    choices.tickedTypes.push_back(every.tickedTypes.front());
    choices.tickedVerbs.push_back(every.tickedVerbs.front());
    return choices;
}

// --- The real program and the floors, driven from outside

// The peak working set and pagefile usage so far; the process still runs.
std::pair<double, double> PeaksOf(HANDLE process) {
    PROCESS_MEMORY_COUNTERS memory{};
    if (!GetProcessMemoryInfo(process, &memory, sizeof(memory)))
        return {kUnknown, kUnknown};
    return {static_cast<double>(memory.PeakWorkingSetSize),
            static_cast<double>(memory.PeakPagefileUsage)};
}

HWND WaitUntilShown(const Program::RunningProgram& running, const wchar_t* className) {
    HWND window = nullptr;
    Require(WindowDriver::WaitFor(
                [&] {
                    return (window = WindowDriver::FindShownWindow(running.Id(), className)) !=
                           nullptr;
                },
                kPatienceMs, kLookCloselyMs),
            L"the window did not appear");
    return window;
}

void Next(const Program::RunningProgram& running, HWND wizard, int toScreen) {
    running.ClickLater(id::kNext);
    Require(WindowDriver::WaitFor([&] { return Program::ScreenShown(wizard, toScreen); }),
            L"the next screen did not come");
}

// From the type screen, every type ticked, to the confirmation screen, every
// verb ticked with the program the file dialog would have put in its row.
void FillIn(const Program::RunningProgram& running, HWND wizard, const Plan::Choices& choices) {
    Next(running, wizard, 2);
    for (const Plan::VerbChoice& verb : choices.tickedVerbs) {
        if (SendMessageW(running.Control(id::VerbCheckBox(verb.slot)), BM_GETCHECK, 0, 0) !=
            BST_CHECKED)
            running.Click(id::VerbCheckBox(verb.slot));
        // The text box is read-only for the keyboard, not for WM_SETTEXT.
        WindowDriver::SetTextOf(running.Control(id::VerbText(verb.slot)), verb.program);
    }
    Next(running, wizard, 3);
    WindowDriver::Sync(wizard);
}

// How many of the 9 x 5 command values the registration left: fewer where
// the driving missed a verb, which the success message would not tell.
int CommandsWritten() {
    int written = 0;
    for (const Catalogue::FileType& type : Catalogue::kFileTypes)
        for (const Catalogue::Verb& verb : Catalogue::kVerbs) {
            Registry::Value command;
            written += Registry::GetValue(HKEY_LOCAL_MACHINE,
                                          KeyPath::Classes(type.className) +
                                              std::wstring(verb.commandKeyPath),
                                          L"", command) == Registry::kTrue;
        }
    return written;
}

// When the last of the registration's editors ended; nothing until all have.
std::optional<double> LastEditorsEnd(const std::vector<Watch::Child>& children) {
    if (children.size() < kEditors)
        return std::nullopt;
    double last = 0;
    for (std::size_t i = 0; i < kEditors; ++i) {
        if (!children[i].ended)
            return std::nullopt;
        last = std::max(last, *children[i].ended);
    }
    return last;
}

// Cuts the registration where the job saw the editors start and end, and
// notes what the program started after them.
void CutAtEditors(Round& r, const std::vector<Watch::Child>& children, double clicked,
                  double hidden, double shown) {
    const std::optional<double> lastEnd = LastEditorsEnd(children);
    if (!lastEnd)
        return;
    r.untilFirstEditorMs = children.front().started - clicked;
    r.editorsMs = *lastEnd - children.front().started;
    r.afterEditorsMs = shown - *lastEnd;
    r.untilHiddenMs = hidden - *lastEnd;
    r.laterPrograms = static_cast<double>(children.size() - kEditors);
    for (std::size_t i = kEditors; i < children.size(); ++i)
        if (children[i].ended)
            r.laterProgramsEndMs = std::fmax(r.laterProgramsEndMs, *children[i].ended - shown);
}

// From the last "Weiter >" until the success message, and on until the
// program and all it started have ended.
void TimeRegistration(Round& r, const Program::RunningProgram& running, HWND wizard) {
    Watch watch(running.Handle());
    const double clicked = NowMs();
    running.ClickLater(id::kNext);
    // Nothing can end before the editors have: until then the job's reports
    // wake the wait, and the window is looked at seldom.
    watch.WaitFor([&] { return LastEditorsEnd(watch.Children()) || !IsWindowVisible(wizard); },
                  kLookSeldomMs, kPatienceMs);
    // The window goes when the registration is done, just before the message.
    Require(watch.WaitFor([&] { return !IsWindowVisible(wizard); }, kLookCloselyMs, kPatienceMs),
            L"the registration did not end");
    const double hidden = NowMs();
    HWND box = nullptr;
    Require(
        watch.WaitFor([&] { return (box = WindowDriver::FindMessageBox(running.Id())) != nullptr; },
                      kLookCloselyMs, kPatienceMs),
        L"no message came after the registration");
    const double shown = NowMs();
    r.registerMs = shown - clicked;
    r.hiddenUntilMessageMs = shown - hidden;
    std::tie(r.peakWorkingSet, r.peakPagefile) = PeaksOf(running.Handle());
    const std::wstring title = WindowDriver::WindowText(box);
    Require(title == Texts::kSuccess.title,
            L"the registration ended with the message \"" + title + L"\", not with success");
    WindowDriver::PostClick(GetDlgItem(box, IDOK));
    watch.WaitFor([&] { return watch.AllEnded(); }, kLookSeldomMs, kPatienceMs);
    CutAtEditors(r, watch.Children(), clicked, hidden, shown);
}

void RegisterOnce(Round& r, const std::wstring& program, const Plan::Choices& choices) {
    PrepareRegistry();
    DeleteFilesWritten();
    Program::RunningProgram running(program);
    HWND wizard = WaitUntilShown(running, L"BildkranzRoot");
    Require(running.WaitForWindow() == wizard, L"the wizard window did not take the focus");
    FillIn(running, wizard, choices);
    TimeRegistration(r, running, wizard);
    Require(running.WaitForExit(kPatienceMs) == 0, L"the program did not end with exit code 0");
    for (const std::wstring& path : FilesWritten()) {
        ++r.backups;
        r.backupBytes += FileSize(path);
    }
    r.commands = CommandsWritten();
}

// A program's start until its window shows, and its peak working set once it
// is painted; then it is closed.
std::pair<double, double> StartOnce(const std::wstring& program, const wchar_t* className) {
    const double started = NowMs();
    Program::RunningProgram running(program);
    HWND window = WaitUntilShown(running, className);
    const double startMs = NowMs() - started;
    // It paints before it reads its first message, so once it has answered
    // one the first paint is done.
    WindowDriver::Sync(window);
    const double peak = PeaksOf(running.Handle()).first;
    PostMessageW(window, WM_CLOSE, 0, 0);
    Require(running.WaitForExit(kPatienceMs) == 0,
            std::wstring(className) + L": the program did not end");
    return {startMs, peak};
}

// The wizard and the two floors, one right after the other from the same
// quiet machine: started anywhere else in a round, one of them would share
// the processors with what the registration or the exports left running (under
// Wine the shell's reading of the new associations), and the ratios would
// measure that. They take turns at going first: the first start after other
// work meets a machine still settling.
void StartsOnce(Round& r, int roundNumber, const std::wstring& program, const std::wstring& minimal,
                const std::wstring& firstScreen) {
    WaitForOwnChildren(kPatienceMs);
    const std::array<std::function<void()>, 3> starts{
        [&] { std::tie(r.startMs, r.startPeakWorkingSet) = StartOnce(program, L"BildkranzRoot"); },
        [&] {
            std::tie(r.minimalStartMs, r.minimalPeakWorkingSet) =
                StartOnce(minimal, L"BildkranzMinimal");
        },
        [&] {
            std::tie(r.floorStartMs, r.floorPeakWorkingSet) =
                StartOnce(firstScreen, L"BildkranzFirstScreenFloor");
        }};
    for (std::size_t turn = 0; turn < starts.size(); ++turn)
        starts[(turn + static_cast<std::size_t>(roundNumber)) % starts.size()]();
}

// The first start of a program in a fresh prefix is slower than any after it
// (here by 40 to 75 ms, whichever program it is): each is started once, untimed,
// before the first round, so that the first round does not weigh on whichever
// goes first.
void StartEachOnceUntimed(const std::wstring& program, const std::wstring& minimal,
                          const std::wstring& firstScreen) {
    Round unused;
    StartsOnce(unused, 0, program, minimal, firstScreen);
}

// --- The registry editor alone, and the program's own steps in this process

template <typename Call> double TimeOf(Call&& call) {
    const double begun = NowMs();
    call();
    return NowMs() - begun;
}

// The editors started at once, by the program's own code, until the last
// ended and its file is verified.
double ExportTogether(const std::vector<Backup::Export>& exports) {
    for (const Backup::Export& request : exports)
        DeleteFileW(request.file.c_str());
    return TimeOf([&] {
        Backup::Editors editors(exports);
        editors.Finish({});
    });
}

void ExportsOnce(Round& r, const Plan::Choices& choices) {
    // The classes key first, then every extension key, as the registration has them made.
    const std::vector<Backup::Export> exports = Plan::Make(choices, kFolder).backups;
    Require(exports.size() == kEditors, L"the registration would not make ten exports");
    r.classesMs = ExportTogether({exports.front()});
    r.classesBytes = FileSize(exports.front().file);
    r.oneSmallMs = ExportTogether({exports[1]});
    r.nineSmallMs = ExportTogether(std::vector<Backup::Export>(exports.begin() + 1, exports.end()));
    r.togetherMs = ExportTogether(exports);
}

// The writes and the shell's notification, timed inside the real
// registration: from its report that every backup is verified and the undo
// file saved to its report that every step is carried out.
class WritesTimer : public Registration::Reporter {
public:
    bool RegistersWhateverThePlan() const override { return true; }
    bool Planned(const Plan::Plan&) override { return true; }
    void ProcessPendingEvents() override {}
    void BackedUp(const Plan::Plan&, const std::wstring&) override { backedUp_ = NowMs(); }
    void Registered(const Registration::Outcome& outcome) override {
        ms = NowMs() - backedUp_;
        complete = outcome.Complete();
    }

    double ms = kUnknown;
    bool complete = false;

private:
    double backedUp_ = 0;
};

// In the program the plan is made before the editors start and the undo
// file is read while they run; saving it, the writes and telling the shell
// follow the last export's end.
Parts TimeParts(const Plan::Choices& choices) {
    PrepareRegistry();
    DeleteFilesWritten();
    Parts parts;
    Plan::Plan plan;
    parts.planMs = TimeOf([&] { plan = Plan::Make(choices, kFolder); });
    std::optional<Undo::File> undo;
    parts.undoReadMs = TimeOf([&] { undo.emplace(kFolder, plan.steps); });
    parts.undoSaveMs = TimeOf([&] { undo->Save(); });
    WritesTimer writes;
    Registration::Register(choices, kFolder, writes);
    Require(writes.complete, L"the plan's writes did not all succeed");
    parts.carryOutMs = writes.ms;
    // What the registration's notification started has ended before
    // anything else is timed.
    WaitForOwnChildren(kPatienceMs);
    return parts;
}

// Every choice, then one type with one verb: a step that grows with the
// plan shows in the difference.
void PartsOnce(Round& r, const Plan::Choices& choices) {
    r.namesMs = TimeOf([&] {
        for (const Plan::VerbChoice& verb : choices.tickedVerbs)
            ProgramName::Of(verb.program);
    });
    r.parts = TimeParts(choices);
    // Alone; what this one starts must not slow what follows.
    r.notifyMs = TimeOf([] { SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); });
    WaitForOwnChildren(kPatienceMs);
    r.oneTypeOneVerb = TimeParts(OneTypeOneVerb(choices));
}

// The 32-bit benchmark times the shipped file itself; the 64-bit one, where
// 32-bit programs cannot run here, its own build's twin.
std::wstring InstallMeasured(const std::wstring& shipped) {
    if constexpr (sizeof(void*) == 4)
        return Program::InstallProgramFrom(shipped, kFolder);
    return Program::InstallProgram(kFolder);
}

void Run(int roundCount) {
    // build/Bildkranz.exe, beside the build folder of this benchmark.
    const std::wstring shipped = FileDirPath::Join(Program::BuildFolder(), L"..\\Bildkranz.exe");
    const std::wstring program = InstallMeasured(shipped);
    const std::wstring minimal = Program::InstallProgram(kFolder, L"minimal_window.exe");
    const std::wstring firstScreen = Program::InstallProgram(kFolder, L"first_screen_floor.exe");
    const Plan::Choices choices = EveryChoice();
    Say(L"Bildkranz benchmark: " + std::to_wstring(roundCount) +
        L" rounds; figures are the median and the range of the rounds.");
    Say(L"Program under test: " + program + L" (" +
        std::to_wstring(std::llround(FileSize(program))) + L" bytes)");
    Say(L"");
    StartEachOnceUntimed(program, minimal, firstScreen);
    std::vector<Round> rounds;
    for (int number = 1; number <= roundCount; ++number) {
        Round& r = rounds.emplace_back();
        StartsOnce(r, number, program, minimal, firstScreen);
        RegisterOnce(r, program, choices);
        ExportsOnce(r, choices);
        PartsOnce(r, choices);
        r.shippedBytes = FileSize(shipped);
        Say(L"round " + std::to_wstring(number) + L": registration " +
            Number(r.registerMs, kSeconds) + L" s, all 10 exports together " +
            Number(r.togetherMs, kSeconds) + L" s, start " + Number(r.startMs, kMilliseconds) +
            L" ms (first-screen floor " + Number(r.floorStartMs, kMilliseconds) + L" ms)");
    }
    Say(L"");
    Report(rounds);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        Run(argc > 1 ? std::max(1, _wtoi(argv[1])) : kRounds);
        return 0;
    } catch (const Failure& failure) {
        Say(L"bench: stopped: " + failure.Message());
    } catch (const std::exception& failure) {
        Say(L"bench: stopped: " + WhatOf(failure));
    }
    return 1;
}
