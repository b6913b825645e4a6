#pragma once

#include "association/Plan.h"

#include <string>
#include <string_view>
#include <vector>

// Writes the associations the user chose, after the registry editor has
// backed up what they replace and the undo file is saved. The wizard and the
// command line run the same registration; each tells its user about it in its
// own way, through a Reporter.
namespace Registration {

struct Outcome {
    std::wstring undoFile;
    // The values that could not be written, in the plan's order.
    std::vector<Plan::Step> failedWrites;

    bool Complete() const { return failedWrites.empty(); }
};

// What a registration tells the front end that runs it, as it goes.
class Reporter {
public:
    virtual ~Reporter() = default;

    // Asked before the plan is made: whether the run backs up and writes
    // whatever the plan holds. Where it does, the whole classes key's export,
    // by far the longest step, starts while the plan is made.
    virtual bool RegistersWhateverThePlan() const = 0;
    // The plan is made and nothing is changed yet. Unless the run registers
    // whatever the plan holds, false ends it here, with no editor started.
    virtual bool Planned(const Plan::Plan& plan) = 0;
    // Messages may be waiting: while the editors run and between the writes.
    virtual void ProcessPendingEvents() = 0;
    // Every backup is verified and the undo file saved; nothing has changed.
    virtual void BackedUp(const Plan::Plan& plan, const std::wstring& undoFile) = 0;
    // Every step is carried out and the shell told.
    virtual void Registered(const Outcome& outcome) = 0;
};

// Whether this process may create keys and set values below
// HKEY_LOCAL_MACHINE\Software\Classes, as Windows checks it when the key is
// opened, whatever the account's groups: a standard user, an administrator
// whose rights are filtered and a key locked by policy all get false, and
// then register for their own account.
bool MayRegisterForAllUsers();

// The registration of these choices, from the plan to the shell's
// notification. Throws FileNotMade when a backup or the undo file cannot be
// made: then no key has changed.
void Register(const Plan::Choices& choices, std::wstring_view backupFolder, Reporter& reporter);

} // namespace Registration
