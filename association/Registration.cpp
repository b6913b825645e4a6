#include "association/Registration.h"

#include "association/Backup.h"
#include "association/KeyPath.h"
#include "association/Registry.h"
#include "association/Undo.h"
#include "common/SystemLibrary.h"

#include <windows.h>

#include <shlobj.h>

#include <exception>
#include <optional>

namespace Registration {

namespace {

// Every key the registration creates carries this class text.
constexpr std::wstring_view kKeyClass = L"1";

// A step that fails does not stop the run: a key that could not be created
// makes the values below it fail, and those are what count.
bool CarryOutStep(HKEY root, const Plan::Step& step) {
    switch (step.action) {
    case Plan::Step::Action::DeleteKey:
        Registry::DeleteKey(root, step.key);
        return true;
    case Plan::Step::Action::CreateKey:
        if (Registry::KeyExists(root, step.key) != Registry::kTrue)
            Registry::CreateKey(root, step.key, kKeyClass);
        return true;
    case Plan::Step::Action::SetValue:
        return Registry::SetValue(root, step.key, step.valueName, step.text) == Registry::kTrue;
    }
    return false;
}

// The undo file is read while the editors run: they only read the registry
// too, and nothing changes before all of them are verified. Returns the undo
// file's path.
std::wstring BackUp(Backup::Editors& editors, const Plan::Plan& plan,
                    std::wstring_view backupFolder, Reporter& reporter) {
    editors.Start(plan.backups);
    std::optional<Undo::File> undo;
    std::exception_ptr undoFailure;
    try {
        undo.emplace(backupFolder, plan.steps, plan.scope);
    } catch (...) {
        undoFailure = std::current_exception();
    }
    // A failed backup is reported before an undo file that could not be made.
    editors.Finish({[&reporter] { reporter.ProcessPendingEvents(); }, Backup::kExportTimeLimitMs});
    if (undoFailure)
        std::rethrow_exception(undoFailure);
    return undo->Save();
}

// Carries the plan out step by step, processing pending events where it
// says, and tells the shell. Only once its backups and undo file are made.
Outcome CarryOut(const Plan::Plan& plan, Reporter& reporter) {
    Outcome outcome;
    for (const Plan::Step& step : plan.steps) {
        if (!CarryOutStep(KeyPath::Root(plan.scope), step))
            outcome.failedWrites.push_back(step);
        if (step.thenProcessEvents)
            reporter.ProcessPendingEvents();
    }
    // Explorer shows the new verbs and icons without a restart. shell32 is
    // loaded here, not at the start: the wizard's first screen needs none of it.
    static const SystemLibrary shell32(L"shell32.dll");
    if (const auto notify = shell32.Get<decltype(&SHChangeNotify)>("SHChangeNotify"))
        notify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return outcome;
}

} // namespace

bool MayRegisterForAllUsers() {
    return Registry::MayWrite(HKEY_LOCAL_MACHINE, KeyPath::kClasses) == Registry::kTrue;
}

void Register(const Plan::Choices& choices, std::wstring_view backupFolder, Reporter& reporter) {
    // Every plan backs up the whole classes key first, and nothing else the
    // run does takes nearly as long; the plan only reads the same unchanged
    // registry meanwhile.
    const bool whateverThePlan = reporter.RegistersWhateverThePlan();
    Backup::Editors editors;
    if (whateverThePlan)
        editors.Start({Backup::AllClasses(backupFolder, choices.scope)});
    const Plan::Plan plan = Plan::Make(choices, backupFolder);
    if (!reporter.Planned(plan) && !whateverThePlan)
        return;
    const std::wstring undoFile = BackUp(editors, plan, backupFolder, reporter);
    reporter.BackedUp(plan, undoFile);
    reporter.ProcessPendingEvents();
    Outcome outcome = CarryOut(plan, reporter);
    outcome.undoFile = undoFile;
    reporter.Registered(outcome);
}

} // namespace Registration
