#pragma once

#include "association/KeyPath.h"

#include <string>
#include <string_view>
#include <vector>

// Windows' Default Apps: since Windows 8 the program a double-click opens is
// the user's own choice, which no program may make for them. What a program
// can do is register as an application Windows offers for its types, and ask
// which class is in effect for the user.
namespace DefaultApps {

// The stable name Windows lists the program under; the settings link and the
// default-associations file of group policy name it too.
inline constexpr std::wstring_view kApplicationName = L"Bildkranz";

// The keys Windows reads the list from, below HKEY_LOCAL_MACHINE for every
// user or HKEY_CURRENT_USER for one account, in the 64-bit view where 64-bit
// Windows reads them.
struct Keys {
    std::wstring_view registeredApplications; // every application's capabilities
    std::wstring_view application;            // the program's own
    std::wstring_view capabilities;
    std::wstring_view fileAssociations; // a class per type it offers
};
inline constexpr Keys kKeys{L"Software\\RegisteredApplications", L"Software\\Bildkranz",
                            L"Software\\Bildkranz\\Capabilities",
                            L"Software\\Bildkranz\\Capabilities\\FileAssociations"};
// What opens a type on a double-click for the account running the program.
struct Effective {
    int listIndex;
    // The class in effect; empty where Windows could not be asked.
    std::wstring effectiveClass;
    // The name Windows shows for its program, else the class's own text.
    std::wstring openedBy;

    bool Unknown() const { return effectiveClass.empty(); }
    // The type opens with the class the program registered for it.
    bool OwnClass() const;
};

// As Windows answers for each type, in the order given.
std::vector<Effective> EffectiveDefaults(const std::vector<int>& listIndices);

// The link of the Default Apps page in Windows' settings: on Windows 11 (build
// 22000 and later) the one that opens the entry of the application
// registered as Bildkranz, for the machine or for the account.
std::wstring SettingsLink(unsigned long windowsBuild,
                          KeyPath::Scope scope = KeyPath::Scope::kMachine);

// Opens that page as the signed-in user, not elevated: through the shell of
// the desktop, else directly. False when Windows has no such page here or it
// could not be opened.
bool OpenSettings();

// False when the program runs as another account than the one signed in (an
// administrator's password was typed at the elevation prompt): its default
// apps are then not the signed-in user's. True where it cannot be told.
bool RunsAsSignedInUser();

} // namespace DefaultApps
