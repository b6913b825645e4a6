#include "association/CurrentPrograms.h"

#include "association/Catalogue.h"
#include "association/KeyPath.h"
#include "association/Registry.h"
#include "common/Text.h"

#include <windows.h>

namespace CurrentPrograms {

namespace {

constexpr std::wstring_view kQuotedPlaceholder = L"\"%1\"";

// The command value of one verb as text, without its terminator and without
// the blank the registry layer appends; empty when there is none.
std::wstring ReadCommand(HKEY root, const Catalogue::Verb& verb) {
    const std::wstring path =
        KeyPath::Classes(Catalogue::kReferenceClass) + std::wstring(verb.commandKeyPath);
    Registry::Value value; // fresh for every slot: no slot shows another's program
    if (Registry::GetValue(root, path, L"", value) != Registry::kTrue)
        return {};
    const auto* text = std::get_if<std::wstring>(&value);
    if (!text)
        return {};
    const size_t zero = text->find(L'\0');
    if (zero != std::wstring::npos)
        return text->substr(0, zero);
    // Stored without a terminator: as stored, less the appended blank.
    return text->substr(0, text->size() - 1);
}

} // namespace

std::wstring ProgramFromCommand(std::wstring command) {
    if (command.size() >= 5 && command.ends_with(kQuotedPlaceholder))
        command.resize(command.size() - 5);
    if (command.size() >= 5 && command.ends_with(L"%1"))
        command.resize(command.size() - 3);
    if (command.ends_with(L' '))
        command.pop_back();
    // A command of the quoted placeholder alone names no program to unquote.
    if (command == kQuotedPlaceholder)
        return command;
    return std::wstring(Text::Unquoted(command));
}

std::array<std::wstring, 5> Read(KeyPath::Scope scope) {
    std::array<std::wstring, 5> programs;
    for (int slot = 1; slot <= Catalogue::kVerbCount; ++slot) {
        const Catalogue::Verb& verb = *Catalogue::VerbAt(slot);
        std::wstring command = ReadCommand(KeyPath::Root(scope), verb);
        // Where the account registered nothing, the machine's registration
        // is what its double-click runs.
        if (command.empty() && scope == KeyPath::Scope::kAccount)
            command = ReadCommand(HKEY_LOCAL_MACHINE, verb);
        programs[slot - 1] = ProgramFromCommand(command);
    }
    return programs;
}

} // namespace CurrentPrograms
