#pragma once

#include "association/Plan.h"

#include <optional>
#include <string>
#include <vector>

// The command line for administrators: the same registration as the wizard,
// without a window, for the tools that run one command on many machines.
namespace CommandLine {

struct Options {
    // With /Konto its scope is the running account, also where the process
    // could write for all users.
    Plan::Choices choices;
    std::wstring backupFolder; // empty: the program's own folder
    std::wstring logFile;      // empty: none
    bool preview = false;
    bool help = false;
    // Open Windows' Default Apps page for Bildkranz, and nothing else.
    bool settingsPage = false;
    // The default-associations file for group policy to write; empty: none.
    std::wstring associationFile;
};

struct UsageError {
    std::wstring argument; // as given
    std::wstring reason;
};

struct Parsed {
    Options options;
    // The first argument that is wrong; the options hold what was read of
    // the others (the log file among them).
    std::optional<UsageError> error;
};

// The arguments after the program's own name, split as the platform splits
// a command line (quotes removed).
std::vector<std::wstring> Arguments(const wchar_t* commandLine);

Parsed Parse(const std::vector<std::wstring>& arguments);

// The German usage text of /?.
std::wstring UsageText();

} // namespace CommandLine
