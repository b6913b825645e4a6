#include "association/Registration.h"

#include "association/Backup.h"
#include "association/Registry.h"
#include "association/Undo.h"

#include <windows.h>

#include <shlobj.h>

#include <exception>
#include <optional>

namespace Registration {

namespace {

const HKEY kRoot = HKEY_LOCAL_MACHINE;
// Every key the registration creates carries this class text.
constexpr std::wstring_view kKeyClass = L"1";

// A step that fails does not stop the run: a key that could not be created
// makes the values below it fail, and those are what count.
bool CarryOutStep(const Step& step) {
    switch (step.action) {
    case Step::Action::DeleteKey:
        Registry::DeleteKey(kRoot, step.key);
        return true;
    case Step::Action::CreateKey:
        if (Registry::KeyExists(kRoot, step.key) != Registry::kTrue)
            Registry::CreateKey(kRoot, step.key, kKeyClass);
        return true;
    case Step::Action::SetValue:
        return Registry::SetValue(kRoot, step.key, step.valueName, step.text) == Registry::kTrue;
    }
    return false;
}

// The undo file is read while the editors run: they only read the registry
// too, and nothing changes before all of them are verified.
Undo::File PrepareWhileBackingUp(Backup::Editors& editors, const Plan& plan,
                                 std::wstring_view backupFolder,
                                 const std::function<void()>& processPendingEvents) {
    editors.Start(plan.backups);
    std::optional<Undo::File> undo;
    std::exception_ptr undoFailure;
    try {
        undo.emplace(backupFolder, plan.steps);
    } catch (...) {
        undoFailure = std::current_exception();
    }
    // A failed backup is reported before an undo file that could not be made.
    editors.Finish({processPendingEvents, Backup::kExportTimeLimitMs});
    if (undoFailure)
        std::rethrow_exception(undoFailure);
    return std::move(*undo);
}

Outcome RegisterWhileBackingUp(Backup::Editors& editors, const Plan& plan,
                               const std::function<void()>& processPendingEvents,
                               std::wstring_view backupFolder) {
    const std::wstring undoFile =
        PrepareWhileBackingUp(editors, plan, backupFolder, processPendingEvents).Save();
    processPendingEvents();
    Outcome outcome = CarryOut(plan, processPendingEvents);
    outcome.undoFile = undoFile;
    return outcome;
}

} // namespace

std::wstring BackUp(const Plan& plan, const std::function<void()>& processPendingEvents,
                    std::wstring_view backupFolder) {
    Backup::Editors editors;
    return PrepareWhileBackingUp(editors, plan, backupFolder, processPendingEvents).Save();
}

Outcome CarryOut(const Plan& plan, const std::function<void()>& processPendingEvents) {
    Outcome outcome;
    for (const Step& step : plan.steps) {
        if (!CarryOutStep(step))
            outcome.failedWrites.push_back(step);
        if (step.thenProcessEvents)
            processPendingEvents();
    }
    // Explorer shows the new verbs and icons without a restart.
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return outcome;
}

Outcome Register(const Plan& plan, const std::function<void()>& processPendingEvents,
                 std::wstring_view backupFolder) {
    Backup::Editors editors;
    return RegisterWhileBackingUp(editors, plan, processPendingEvents, backupFolder);
}

Outcome WriteAssociations(const Choices& choices, const std::function<void()>& processPendingEvents,
                          std::wstring_view backupFolder) {
    // Every plan backs up the whole classes key first, and its export takes
    // far longer than anything else a run does: it starts before the plan is
    // made, which only reads the same unchanged registry meanwhile. Under
    // Wine that takes the plan (20 ms on a quiet machine, up to 90 ms on a
    // busy one) off the time until the message.
    Backup::Editors editors({Backup::AllClasses(backupFolder)});
    const Plan plan = MakePlan(choices, backupFolder);
    return RegisterWhileBackingUp(editors, plan, processPendingEvents, backupFolder);
}

} // namespace Registration
