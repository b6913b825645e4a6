#pragma once

#include "association/Backup.h"

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

// Everything one registration does, worked out from the user's choices and
// the registry as it is before the first change. The writer carries it out
// step by step and the undo file is made from it, so the two cannot differ.
namespace Plan {

struct VerbChoice {
    int slot; // 1..5
    std::wstring program;
};

struct Choices {
    std::vector<int> tickedTypes; // list indices, ascending
    std::vector<VerbChoice> tickedVerbs;
    // For every user, or only for the account that runs the program.
    KeyPath::Scope scope = KeyPath::Scope::kMachine;
};

struct Step {
    enum class Action { DeleteKey, CreateKey, SetValue };
    Action action;
    std::wstring key; // below the plan's root
    // SetValue: the value's name (empty for the key's default value), its
    // type and its text.
    std::wstring valueName;
    DWORD type = REG_NONE;
    std::wstring text;
    // DeleteKey: the key has subkeys, which the platform does not delete with
    // it; the key stays with its values and only what the run sets changes.
    bool refused = false;
    // The window is repainted after this step.
    bool thenProcessEvents = false;
};

struct Plan {
    // The whole classes key first, then every ticked type's extension key
    // that exists, in list order.
    std::vector<Backup::Export> backups;
    std::vector<Step> steps;
    // The root every step's key lies below.
    KeyPath::Scope scope = KeyPath::Scope::kMachine;
};

// The verb program, one blank and "%1" in double quotes. A program path with a
// blank is quoted, or the shell would try to start the text before the blank.
std::wstring CommandValue(std::wstring_view program);

// The caption of a verb offered for the extension whatever the default app:
// it names the program, an "&" in the name doubled so that it stays a
// character and does not mark the access key.
std::wstring ExtensionVerbCaption(int slot, std::wstring_view programName);

// The ticked types whose class the run gives an open command with a program:
// the types it offers in Windows' Default Apps.
std::vector<int> TypesWithOpenCommand(const Choices& choices);

// Reads the registry, changes nothing. Throws Failure for an extension that
// cannot be part of a backup file's name.
Plan Make(const Choices& choices, std::wstring_view backupFolder);

// False when the registry already holds all the plan would write: a delete
// the platform refuses, keys that exist, values stored exactly as the run
// would store them.
bool ChangesAnything(const Plan& plan);

} // namespace Plan
