#pragma once

#include <limits>
#include <string>
#include <vector>

// What the benchmark measures in each round, and how it reports the rounds.
namespace BenchReport {

// What could not be measured here; every figure made from it is unknown too.
inline constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();

// The program's own steps for one set of choices, each timed alone.
struct Parts {
    double planMs = kUnknown, undoReadMs = kUnknown, undoSaveMs = kUnknown, carryOutMs = kUnknown;
    // Everything the program does itself beside its exports.
    double Sum() const { return planMs + undoReadMs + undoSaveMs + carryOutMs; }
};

// Everything one round measures; kUnknown what could not be measured here.
struct Round {
    // The registration, driven from outside, and cut where its job saw the
    // editors start and end.
    double registerMs, hiddenUntilMessageMs, backups, backupBytes, commands;
    double untilFirstEditorMs = kUnknown, editorsMs = kUnknown, afterEditorsMs = kUnknown,
           untilHiddenMs = kUnknown, laterPrograms = kUnknown, laterProgramsEndMs = kUnknown;
    double peakWorkingSet = kUnknown, peakPagefile = kUnknown;
    // The wizard, the minimal window and the first screen's floor, each
    // started and closed again, one after the other: until the window shows,
    // and the peak working set once it is painted.
    double startPeakWorkingSet = kUnknown;
    double startMs, minimalStartMs, minimalPeakWorkingSet = kUnknown;
    double floorStartMs, floorPeakWorkingSet = kUnknown;
    // The registry editor alone, started as the registration starts it.
    double classesMs, classesBytes, oneSmallMs, nineSmallMs, togetherMs;
    // The program's own steps in this process, against the same prepared
    // registry: for every choice, and for one type with one verb.
    Parts parts, oneTypeOneVerb;
    double namesMs, notifyMs;
    // build/Bildkranz.exe, read with every round like the rest.
    double shippedBytes = kUnknown;
};

// How a figure is shown: "%.2f" with " s" after 1000 ms, and so on.
struct Unit {
    double scale;
    const wchar_t* pattern;
    const wchar_t* name;
};
inline constexpr Unit kSeconds{1000.0, L"%.2f", L" s"};
inline constexpr Unit kMilliseconds{1.0, L"%.0f", L" ms"};

// The value in the unit's scale and pattern, without the unit's name.
std::wstring Number(double value, const Unit& unit);

// Every figure with the median and the range of the rounds, and its target
// beside it, printed and never enforced.
void Report(const std::vector<Round>& rounds);

} // namespace BenchReport
