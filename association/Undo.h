#pragma once

#include "association/Plan.h"

#include <string>
#include <string_view>
#include <vector>

// A registry file that, imported with the registry editor, puts back exactly
// what a registration run changes: the backups only add and replace, they
// remove nothing the run created.
namespace Undo {

// The undo file of one registration: made from its plan and the registry as
// it is before the first change, and saved before that change.
class File {
public:
    // Reads the registry now: every key a step deletes comes back whole (all
    // its values and subkeys), every key a step creates is removed, every
    // value a step sets gets its old data and type back or is removed.
    // Throws Failure naming the file when the registry cannot be read or a
    // name cannot be written in a registry file (a line break or a zero).
    // The keys are those below the scope's root.
    File(std::wstring_view folder, const std::vector<Plan::Step>& steps,
         KeyPath::Scope scope = KeyPath::Scope::kMachine);

    // Writes "Rückgängig <yyyy-mm-dd> <hh-mm-ss>.reg" (local time of the
    // reading) into the folder, or "… (2).reg", "… (3).reg" … when the name
    // is taken; an existing file is never replaced. The file is complete
    // under its name or not there: it is written to a temporary name first
    // and renamed. Returns the file's full path. Throws Failure naming the
    // file when it cannot be written completely.
    std::wstring Save() const;

private:
    std::wstring folder_;
    std::wstring stamp_;
    std::wstring text_;
};

} // namespace Undo
