#include "unattended/CommandLine.h"

#include "association/Catalogue.h"
#include "common/Numbers.h"
#include "common/SystemLibrary.h"
#include "common/Text.h"
#include "resources/version.h"
#include "services/FileDirPath.h"
#include "unattended/ExitCode.h"
#include "unattended/Messages.h"
#include "unattended/SilentTexts.h"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <array>

namespace CommandLine {

namespace {

constexpr std::wstring_view kAll = L"alle";
constexpr std::wstring_view kSettingsPage = L"StandardApps";

// The switch of each verb slot, in slot order.
constexpr std::array<std::wstring_view, Catalogue::kVerbCount> kVerbSwitches{
    L"Oeffnen", L"Bearbeiten", L"Schnellansicht", L"Konvertieren", L"Drucken"};

// "  3  eine Sicherung …", a line each.
std::wstring ExitCodes() {
    std::wstring lines;
    for (const ExitCode::Meaning& meaning : ExitCode::kMeanings)
        lines += L"  " + Decimal(int{meaning.code}) + L"  " + std::wstring(meaning.text) + L"\r\n";
    return lines;
}

struct Switch {
    std::wstring_view name;
    std::optional<std::wstring_view> value; // after the first colon
};

std::optional<Switch> SwitchOf(std::wstring_view argument) {
    if (argument.size() < 2 || (argument.front() != L'/' && argument.front() != L'-'))
        return std::nullopt;
    argument.remove_prefix(1);
    const std::size_t colon = argument.find(L':');
    if (colon == std::wstring_view::npos)
        return Switch{argument, std::nullopt};
    return Switch{argument.substr(0, colon), argument.substr(colon + 1)};
}

// Why the text cannot be a full path; empty when it can.
std::wstring PathProblem(std::wstring_view path) {
    if (path.empty())
        return std::wstring(SilentTexts::kPathMissing);
    for (std::size_t i = 0; i < path.size(); ++i) {
        const wchar_t c = path[i];
        const bool drive = c == L':' && i == 1;
        if (c < 32 || std::wstring_view(L"<>\"|?*").find(c) != std::wstring_view::npos ||
            (c == L':' && !drive)) {
            std::wstring problem = Text::Fill(
                SilentTexts::kCharacterInPath,
                {c < 32 ? Text::Fill(SilentTexts::kCharacterNumber, {Decimal(unsigned{c})})
                        : Text::Quoted({&c, 1})});
            // CommandLineToArgvW reads \" as a quote inside the argument.
            if (c == L'"')
                problem += SilentTexts::kQuoteAfterBackslash;
            return problem;
        }
    }
    const bool onDrive =
        path.size() >= 3 && path[1] == L':' && path[2] == L'\\' &&
        ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
    const bool onShare = path.starts_with(L"\\\\") && path.size() > 2 && path[2] != L'\\';
    if (!onDrive && !onShare)
        return std::wstring(SilentTexts::kNotAFullPath);
    return {};
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(FileDirPath::ForFileCalls(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

class Parser {
public:
    Parsed Take() { return std::move(parsed_); }

    void Read(const std::wstring& argument) {
        const std::optional<Switch> found = SwitchOf(argument);
        if (!found)
            return Fail(argument, std::wstring(SilentTexts::kNotASwitch));
        const Switch& given = *found;
        if (given.name == L"?")
            return Flag(argument, given, parsed_.options.help);
        if (AlreadyGiven(argument, given.name))
            return;
        if (Text::Same(given.name, L"Typen"))
            return Types(argument, given.value);
        if (Text::Same(given.name, L"Sicherung"))
            return Path(argument, given.value, parsed_.options.backupFolder);
        if (Text::Same(given.name, L"Protokoll"))
            return Path(argument, given.value, parsed_.options.logFile);
        if (Text::Same(given.name, L"Vorschau"))
            return Flag(argument, given, parsed_.options.preview);
        if (Text::Same(given.name, L"Konto"))
            return Account(argument, given);
        if (Text::Same(given.name, kSettingsPage))
            return Flag(argument, given, parsed_.options.settingsPage);
        if (Text::Same(given.name, L"Zuordnungsdatei"))
            return Path(argument, given.value, parsed_.options.associationFile);
        for (std::size_t index = 0; index < kVerbSwitches.size(); ++index)
            if (Text::Same(given.name, kVerbSwitches[index]))
                return Verb(argument, static_cast<int>(index) + Catalogue::kFirstVerbSlot,
                            given.value);
        Fail(argument, std::wstring(SilentTexts::kUnknownSwitch));
    }

    void Finish() {
        if (parsed_.options.help)
            return;
        if (parsed_.options.settingsPage) {
            const bool alone = std::all_of(seen_.begin(), seen_.end(), [](const auto& name) {
                return Text::Same(name, kSettingsPage) || Text::Same(name, L"Protokoll");
            });
            if (!alone)
                Fail(L"/StandardApps", std::wstring(SilentTexts::kSettingsPageAlone));
            return;
        }
        if (parsed_.options.choices.tickedTypes.empty())
            Fail(L"/Typen:", std::wstring(SilentTexts::kTypesMissing));
        // The default-associations file alone needs no program.
        if (parsed_.options.choices.tickedVerbs.empty() && parsed_.options.associationFile.empty())
            Fail(L"/Oeffnen:", std::wstring(SilentTexts::kVerbMissing));
        auto& verbs = parsed_.options.choices.tickedVerbs;
        std::sort(verbs.begin(), verbs.end(),
                  [](const auto& left, const auto& right) { return left.slot < right.slot; });
    }

private:
    void Fail(std::wstring_view argument, std::wstring reason) {
        if (!parsed_.error)
            parsed_.error = UsageError{std::wstring(argument), std::move(reason)};
    }

    bool AlreadyGiven(std::wstring_view argument, std::wstring_view name) {
        for (const std::wstring& earlier : seen_)
            if (Text::Same(earlier, name)) {
                Fail(argument, std::wstring(SilentTexts::kSwitchTwice));
                return true;
            }
        seen_.emplace_back(name);
        return false;
    }

    void Account(std::wstring_view argument, const Switch& given) {
        bool account = false;
        Flag(argument, given, account);
        if (account)
            parsed_.options.choices.scope = KeyPath::Scope::kAccount;
    }

    void Flag(std::wstring_view argument, const Switch& given, bool& flag) {
        if (given.value)
            return Fail(argument, std::wstring(SilentTexts::kNoValueTaken));
        flag = true;
    }

    bool HasValue(std::wstring_view argument, const std::optional<std::wstring_view>& value) {
        if (value)
            return true;
        Fail(argument, std::wstring(SilentTexts::kValueMissing));
        return false;
    }

    void Types(std::wstring_view argument, const std::optional<std::wstring_view>& value) {
        if (!HasValue(argument, value))
            return;
        std::vector<int>& types = parsed_.options.choices.tickedTypes;
        if (Text::Same(*value, kAll)) {
            for (int index = 0; index < Catalogue::kFileTypeCount; ++index)
                types.push_back(index);
            return;
        }
        std::wstring_view rest = *value;
        for (;;) {
            const std::size_t comma = rest.find(L',');
            const std::wstring_view name = rest.substr(0, comma);
            const int index = TypeIndex(name);
            if (index < 0)
                return Fail(argument, Text::Fill(SilentTexts::kUnknownType, {Text::Quoted(name)}));
            if (std::find(types.begin(), types.end(), index) != types.end())
                return Fail(argument, Text::Fill(SilentTexts::kTypeTwice, {Text::Quoted(name)}));
            types.push_back(index);
            if (comma == std::wstring_view::npos)
                break;
            rest.remove_prefix(comma + 1);
        }
        std::sort(types.begin(), types.end());
    }

    static int TypeIndex(std::wstring_view name) {
        for (int index = 0; index < Catalogue::kFileTypeCount; ++index)
            if (!name.empty() &&
                Text::Same(name, Catalogue::kFileTypes[index].ExtensionWithoutDot()))
                return index;
        return -1;
    }

    void Path(std::wstring_view argument, const std::optional<std::wstring_view>& value,
              std::wstring& path) {
        if (!HasValue(argument, value))
            return;
        if (const std::wstring problem = PathProblem(*value); !problem.empty())
            return Fail(argument, problem);
        path = *value;
    }

    void Verb(std::wstring_view argument, int slot, const std::optional<std::wstring_view>& value) {
        std::wstring program;
        Path(argument, value, program);
        if (program.empty())
            return;
        // The wizard's file dialog takes only a file that is there.
        if (!IsFile(program))
            return Fail(argument, Text::Fill(SilentTexts::kNoSuchProgram, {Text::Quoted(program)}));
        parsed_.options.choices.tickedVerbs.push_back({slot, std::move(program)});
    }

    Parsed parsed_;
    std::vector<std::wstring> seen_;
};

} // namespace

std::vector<std::wstring> Arguments(const wchar_t* commandLine) {
    // The wizard's start has no arguments and needs no shell32: the program's
    // own name is one quoted text, or runs to the first blank or tab.
    std::wstring_view rest(commandLine ? commandLine : L"");
    const std::size_t nameEnd =
        rest.starts_with(L'"') ? rest.find(L'"', 1) : rest.find_first_of(L" \t");
    rest.remove_prefix(
        std::min(rest.size(), nameEnd == std::wstring_view::npos ? rest.size() : nameEnd + 1));
    if (rest.find_first_not_of(L" \t") == std::wstring_view::npos)
        return {};
    static const SystemLibrary shell32(L"shell32.dll");
    const auto splitLine = shell32.Get<decltype(&CommandLineToArgvW)>("CommandLineToArgvW");
    int count = 0;
    LPWSTR* split = splitLine ? splitLine(commandLine, &count) : nullptr;
    if (!split)
        return {};
    // The first is the program itself.
    std::vector<std::wstring> arguments(split + std::min(count, 1), split + count);
    LocalFree(split);
    return arguments;
}

Parsed Parse(const std::vector<std::wstring>& arguments) {
    Parser parser;
    for (const std::wstring& argument : arguments)
        parser.Read(argument);
    parser.Finish();
    return parser.Take();
}

std::wstring UsageText() {
    return Text::Fill(Text::Wide(SilentTexts::kUsage), {BILDKRANZ_VERSION_WTEXT, ExitCodes()});
}

} // namespace CommandLine
