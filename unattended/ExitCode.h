#pragma once

#include "common/Numbers.h"

#include <array>
#include <string>
#include <string_view>

// What the program exits with when started with arguments. The usage text and
// every message that names a code are made from this one table.
namespace ExitCode {

enum Code : int {
    kRegistered = 0,
    kIncomplete = 1, // a value could not be written
    kUsageError = 2, // nothing changed
    kNoBackup = 3,   // a backup or the undo file could not be made; nothing changed
    kOtherFailure = 4,
    kNoRights = 5, // may not write for all users, and /Konto was not given; nothing changed
};

struct Meaning {
    Code code;
    std::wstring_view text; // for the usage text, in German
};

inline constexpr std::array<Meaning, 6> kMeanings{{
    {kRegistered, L"alles eingetragen"},
    {kIncomplete, L"unvollständig: ein Wert konnte nicht geschrieben werden"},
    {kUsageError, L"Fehler im Aufruf; nichts geändert"},
    {kNoBackup, L"eine Sicherung oder die Rückgängig-Datei ließ sich nicht anlegen; nichts "
                L"geändert"},
    {kOtherFailure, L"ein anderer Fehler"},
    {kNoRights, L"keine Rechte, für alle Benutzer zu registrieren; nichts geändert"},
}};

// "Rückgabewert 3.", as the messages end.
inline std::wstring Named(Code code) {
    return L"Rückgabewert " + Decimal(int{code}) + L".";
}

} // namespace ExitCode
