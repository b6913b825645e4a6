#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Writes the associations the user chose, after the registry editor has
// backed up what they replace.
namespace Registration {

struct VerbChoice {
    int slot; // 1..5
    std::wstring program;
};

struct Choices {
    std::vector<int> tickedTypes; // list indices, ascending
    std::vector<VerbChoice> tickedVerbs;
};

// The verb program, one blank and "%1" in double quotes. A program path with a
// blank is quoted, or the shell would try to start the text before the blank.
std::wstring CommandValue(std::wstring_view program);

// Has the registry editor back up the whole classes key and every ticked
// type's existing extension key into backupFolder, all at once, then for each
// ticked type replaces its extension key and writes its class, icon and verbs,
// and the same verbs for the extension whatever default app the user chose.
// processPendingEvents runs between the steps and while the exports run.
// Throws Failure when a backup cannot be made, before any key has changed.
// Returns false when any value could not be written.
bool WriteAssociations(const Choices& choices, const std::function<void()>& processPendingEvents,
                       std::wstring_view backupFolder);

} // namespace Registration
