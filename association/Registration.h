#pragma once

#include "association/Plan.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Writes the associations the user chose, after the registry editor has
// backed up what they replace and the undo file is saved.
namespace Registration {

struct Outcome {
    std::wstring undoFile;
    // The values that could not be written, in the plan's order.
    std::vector<Step> failedWrites;

    bool Complete() const { return failedWrites.empty(); }
};

// Has the registry editor back up the whole classes key and every ticked
// type's existing extension key into backupFolder, all at once; meanwhile
// reads what the undo file will hold, and saves it once every backup is
// verified. Returns the undo file's path. processPendingEvents runs while the
// exports run. Throws Failure when a backup or the undo file cannot be made:
// then no key has changed.
std::wstring BackUp(const Plan& plan, const std::function<void()>& processPendingEvents,
                    std::wstring_view backupFolder);

// Carries the plan out step by step, processing pending events where it
// says, and tells the shell. Only after BackUp.
Outcome CarryOut(const Plan& plan, const std::function<void()>& processPendingEvents);

// BackUp, then CarryOut.
Outcome Register(const Plan& plan, const std::function<void()>& processPendingEvents,
                 std::wstring_view backupFolder);

// The plan for these choices, registered.
Outcome WriteAssociations(const Choices& choices, const std::function<void()>& processPendingEvents,
                          std::wstring_view backupFolder);

} // namespace Registration
