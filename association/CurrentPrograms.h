#pragma once

#include "association/KeyPath.h"

#include <array>
#include <string>

// The programs registered now for the verbs of the reference class, which
// pre-fill the verb rows at start.
namespace CurrentPrograms {

// The program path in a command value: the quoted or bare "%1" placeholder
// and the blank before it go, then one trailing blank, then one pair of
// quotes around the whole path.
std::wstring ProgramFromCommand(std::wstring command);

// Indexed by verb slot minus one; empty where no command is registered. For
// the account: the account's own command of each verb where it has one, else
// the machine's.
std::array<std::wstring, 5> Read(KeyPath::Scope scope = KeyPath::Scope::kMachine);

} // namespace CurrentPrograms
