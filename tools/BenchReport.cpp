#include "tools/BenchReport.h"

#include "association/Catalogue.h"
#include "tools/Demo.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace BenchReport {

namespace {

constexpr Unit kRatio{1.0, L"%.2f", L""};
constexpr Unit kMebibytes{1024.0 * 1024.0, L"%.1f", L" MiB"};
constexpr Unit kKibibytes{1024.0, L"%.0f", L" KiB"};
constexpr Unit kCount{1.0, L"%.0f", L""};
constexpr Unit kFiles{1.0, L"%.0f", L" files"};
constexpr Unit kCommands{1.0, L"%.0f", L" of 45"};
static_assert(Catalogue::kFileTypeCount * Catalogue::kVerbCount == 45);

// A heading, or a figure every round gives with its target: at most `most`,
// in the unit's scale.
struct Row {
    Row(const wchar_t* heading) : label(heading) {}
    Row(const wchar_t* figure, double (*fromRound)(const Round&), Unit shownIn,
        std::optional<double> atMost = std::nullopt)
        : label(figure), sample(fromRound), unit(shownIn), most(atMost) {}

    const wchar_t* label;
    double (*sample)(const Round&) = nullptr;
    Unit unit = kSeconds;
    std::optional<double> most;
};

const Row kReport[] = {
    {L"Full registration (9 types ticked, 5 verbs with programs, all 9 extension keys existing):"},
    {L"last \"Weiter >\" until the success message", [](const Round& r) { return r.registerMs; },
     kSeconds},
    {L"backups it made", [](const Round& r) { return r.backups; }, kFiles},
    {L"  their size", [](const Round& r) { return r.backupBytes; }, kMebibytes},
    {L"command values it wrote", [](const Round& r) { return r.commands; }, kCommands},
    {L"The registry editor alone (regedit /e, started as the registration starts it):"},
    {L"export of HKLM\\Software\\Classes", [](const Round& r) { return r.classesMs; }, kSeconds},
    {L"  its file", [](const Round& r) { return r.classesBytes; }, kMebibytes},
    {L"export of one extension key (.bmp)", [](const Round& r) { return r.oneSmallMs; }, kSeconds},
    {L"the 9 extension keys' exports started together",
     [](const Round& r) { return r.nineSmallMs; }, kSeconds},
    {L"all 10 exports started together (classes + 9)", [](const Round& r) { return r.togetherMs; },
     kSeconds},
    {L"Ratio:"},
    {L"registration / bare export of the classes",
     [](const Round& r) { return r.registerMs / r.classesMs; }, kRatio, 1.10},
    {L"registration / all 10 bare exports together",
     [](const Round& r) { return r.registerMs / r.togetherMs; }, kRatio, 1.03},
    {L"  the program's own part beside the 10 exports",
     [](const Round& r) { return r.registerMs - r.togetherMs; }, kSeconds, 0.12},
    {L"  the editor's share, 1 whole + 9 small one after another",
     [](const Round& r) { return r.classesMs + Catalogue::kFileTypeCount * r.oneSmallMs; },
     kSeconds},
    // What starting the nine small exports beside the whole classes key costs.
    {L"  all 10 together - the classes alone",
     [](const Round& r) { return r.togetherMs - r.classesMs; }, kSeconds},
    {L"Where the registration's time goes (its editors watched through a job):"},
    {L"\"Weiter >\" until the first editor started",
     [](const Round& r) { return r.untilFirstEditorMs; }, kSeconds},
    {L"first editor's start until the last one's end", [](const Round& r) { return r.editorsMs; },
     kSeconds},
    {L"last export's end until the success message",
     [](const Round& r) { return r.afterEditorsMs; }, kSeconds},
    {L"  of which until the window hid", [](const Round& r) { return r.untilHiddenMs; }, kSeconds},
    {L"  of which the window hidden until the message shows",
     [](const Round& r) { return r.hiddenUntilMessageMs; }, kSeconds},
    // Under Wine, SHChangeNotify has winemenubuilder read the associations.
    {L"programs started after the exports", [](const Round& r) { return r.laterPrograms; }, kCount},
    {L"  the last ended after the message by", [](const Round& r) { return r.laterProgramsEndMs; },
     kSeconds},
    {L"The program's own steps, timed in this process against the same prepared registry:"},
    {L"  before the editors start:"},
    {L"parts: the plan (Plan::Make)", [](const Round& r) { return r.parts.planMs; }, kMilliseconds},
    {L"parts:   of which the programs' names (version records)",
     [](const Round& r) { return r.namesMs; }, kMilliseconds},
    {L"  while the editors run:"},
    {L"parts: reading for the undo file (Undo::File)",
     [](const Round& r) { return r.parts.undoReadMs; }, kMilliseconds},
    {L"  after the last export's end:"},
    {L"parts: saving the undo file (Undo::File::Save)",
     [](const Round& r) { return r.parts.undoSaveMs; }, kMilliseconds},
    {L"parts: the plan's writes and the shell told (in Registration::Register)",
     [](const Round& r) { return r.parts.carryOutMs; }, kMilliseconds},
    {L"parts:   of which telling the shell (SHChangeNotify)",
     [](const Round& r) { return r.notifyMs; }, kMilliseconds},
    // The same steps for the least registration: what grows with the plan.
    {L"How the program's own part grows with the plan (the plan, the undo file read and saved, "
     L"the writes and the shell told; its exports not counted):"},
    {L"the program's own part, 9 types × 5 verbs", [](const Round& r) { return r.parts.Sum(); },
     kMilliseconds},
    {L"the program's own part, 1 type × 1 verb",
     [](const Round& r) { return r.oneTypeOneVerb.Sum(); }, kMilliseconds},
    {L"  of which the plan", [](const Round& r) { return r.oneTypeOneVerb.planMs; }, kMilliseconds},
    {L"  of which reading for the undo file",
     [](const Round& r) { return r.oneTypeOneVerb.undoReadMs; }, kMilliseconds},
    {L"  of which saving the undo file", [](const Round& r) { return r.oneTypeOneVerb.undoSaveMs; },
     kMilliseconds},
    {L"  of which the writes and the shell told",
     [](const Round& r) { return r.oneTypeOneVerb.carryOutMs; }, kMilliseconds},
    {L"the program's own part, 9 types × 5 verbs / 1 type × 1 verb",
     [](const Round& r) { return r.parts.Sum() / r.oneTypeOneVerb.Sum(); }, kRatio},
    {L"Start (each program started alone, one right after the other):"},
    {L"starting Bildkranz.exe until its window shows", [](const Round& r) { return r.startMs; },
     kMilliseconds},
    {L"starting the minimal window until it shows", [](const Round& r) { return r.minimalStartMs; },
     kMilliseconds},
    {L"starting the first-screen floor until it shows",
     [](const Round& r) { return r.floorStartMs; }, kMilliseconds},
    {L"Bildkranz / minimal window", [](const Round& r) { return r.startMs / r.minimalStartMs; },
     kRatio, 1.20},
    {L"Bildkranz / first-screen floor", [](const Round& r) { return r.startMs / r.floorStartMs; },
     kRatio, 1.05},
    {L"first-screen floor / minimal window: what the first screen itself requires (common "
     L"controls 6, the list, the font, the picture)",
     [](const Round& r) { return r.floorStartMs / r.minimalStartMs; }, kRatio},
    {L"Memory, once the first screen is painted (each program started alone):"},
    {L"peak working set of Bildkranz", [](const Round& r) { return r.startPeakWorkingSet; },
     kMebibytes},
    {L"peak working set of the minimal window",
     [](const Round& r) { return r.minimalPeakWorkingSet; }, kMebibytes},
    {L"peak working set of the first-screen floor",
     [](const Round& r) { return r.floorPeakWorkingSet; }, kMebibytes},
    {L"peak working set, Bildkranz / minimal window",
     [](const Round& r) { return r.startPeakWorkingSet / r.minimalPeakWorkingSet; }, kRatio, 1.20},
    {L"peak working set, Bildkranz / first-screen floor",
     [](const Round& r) { return r.startPeakWorkingSet / r.floorPeakWorkingSet; }, kRatio, 1.05},
    {L"peak working set, first-screen floor / minimal window: what the first screen itself "
     L"requires",
     [](const Round& r) { return r.floorPeakWorkingSet / r.minimalPeakWorkingSet; }, kRatio},
    {L"Memory of a whole registration (read while the success message is up):"},
    {L"peak working set", [](const Round& r) { return r.peakWorkingSet; }, kMebibytes},
    {L"peak pagefile usage (private bytes)", [](const Round& r) { return r.peakPagefile; },
     kMebibytes},
    {L"peak working set / first-screen floor: what the later screens, the file dialog's and "
     L"the registration's libraries add",
     [](const Round& r) { return r.peakWorkingSet / r.floorPeakWorkingSet; }, kRatio},
    {L"Size:"},
    {L"build/Bildkranz.exe (i686, the product)", [](const Round& r) { return r.shippedBytes; },
     kKibibytes, 240.0},
};

// "2.31 s  (range 2.20 .. 2.40)   target: at most 1.10, not met"; the range
// only where the rounds differ.
std::wstring Figure(const Row& row, const std::vector<Round>& rounds) {
    std::vector<double> samples;
    for (const Round& round : rounds)
        if (const double sample = row.sample(round); !std::isnan(sample))
            samples.push_back(sample);
    if (samples.empty())
        return L"not measured here";
    std::sort(samples.begin(), samples.end());
    const std::size_t n = samples.size();
    const double median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2.0;
    const std::wstring low = Number(samples.front(), row.unit);
    const std::wstring high = Number(samples.back(), row.unit);
    std::wstring figure = Number(median, row.unit) + row.unit.name;
    if (low != high)
        figure += L"  (range " + low + L" .. " + high + L")";
    if (row.most) {
        const double most = *row.most * row.unit.scale;
        figure += L"   target: at most " + Number(most, row.unit) + row.unit.name +
                  (median <= most ? L", met" : L", not met");
    }
    return figure;
}

} // namespace

std::wstring Number(double value, const Unit& unit) {
    wchar_t text[64]{};
    swprintf(text, 64, unit.pattern, value / unit.scale);
    return text;
}

void Report(const std::vector<Round>& rounds) {
    for (const Row& row : kReport) {
        if (!row.sample) {
            Demo::Say(row.label);
            continue;
        }
        std::wstring line = L"  " + std::wstring(row.label);
        line.resize(std::max<std::size_t>(line.size() + 1, 58), L' ');
        Demo::Say(line + Figure(row, rounds));
    }
}

} // namespace BenchReport
