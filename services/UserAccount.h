#pragma once

#include <string>

// The account the program runs as.
namespace UserAccount {

// Its logon name ("Anna"), as Windows shows it under "Benutzerkonten"; empty
// when it cannot be read.
std::wstring Name();

// The account's own folder for the program's files where the program's
// folder cannot be written: "%LOCALAPPDATA%\Bildkranz". Empty when Windows
// names no such folder.
std::wstring OwnFolder();

} // namespace UserAccount
