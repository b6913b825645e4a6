#include "wizard/SilentRun.h"

#include "association/Backup.h"
#include "association/Catalogue.h"
#include "association/KeyPath.h"
#include "association/Registration.h"
#include "common/Numbers.h"
#include "common/Failure.h"
#include "common/FilePath.h"
#include "common/SystemError.h"
#include "resources/version.h"
#include "wizard/FailureReport.h"
#include "wizard/Messages.h"

#include <windows.h>

namespace silent_run {

namespace {

using command_line::ExitCode;
using Registration::Step;

// A failure of the checks before the first change.
struct Refusal {
    ExitCode code;
    std::wstring message;
};

std::wstring Quoted(std::wstring_view text) {
    return L"„" + std::wstring(text) + L"“";
}

std::wstring VerbName(int slot) {
    std::wstring_view caption = catalogue::VerbAt(slot)->checkBoxCaption;
    while (caption.ends_with(L' '))
        caption.remove_suffix(1);
    return std::wstring(caption);
}

std::wstring Choices(const Registration::Choices& choices) {
    std::wstring text = L"Typen";
    for (int index : choices.tickedTypes)
        text += (index == choices.tickedTypes.front() ? L" " : L", ") +
                std::wstring(catalogue::kFileTypes[index].ExtensionWithoutDot());
    for (const Registration::VerbChoice& verb : choices.tickedVerbs)
        text += L"; " + VerbName(verb.slot) + L" " + Quoted(verb.program);
    return text;
}

std::wstring FullKey(const std::wstring& key) {
    return std::wstring(KeyPath::kRootName) + key;
}

std::wstring Describe(const Step& step) {
    switch (step.action) {
    case Step::Action::DeleteKey:
        return L"Schlüssel löschen  " + FullKey(step.key) +
               (step.refused ? L"  (hat Unterschlüssel und bleibt; nur die Werte, die der Lauf "
                               L"setzt, ändern sich)"
                             : L"");
    case Step::Action::CreateKey:
        return L"Schlüssel anlegen  " + FullKey(step.key);
    case Step::Action::SetValue:
        return L"Wert setzen        " + FullKey(step.key) + L"  " +
               (step.valueName.empty() ? L"@" : Quoted(step.valueName)) + L" = " +
               (step.type == REG_MULTI_SZ ? L"REG_MULTI_SZ " : L"REG_SZ ") + Quoted(step.text);
    }
    return {};
}

std::wstring FileSize(const std::wstring& file) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(file_path::ForFileCalls(file).c_str(), GetFileExInfoStandard, &data))
        return L"?";
    return Decimal((ULONGLONG{data.nFileSizeHigh} << 32) | data.nFileSizeLow);
}

// The backups and the undo file go into the folder: made if missing, and a
// file tried there, so that a folder nobody may write (a share for reading
// only) is named before any editor starts.
void CheckBackupFolder(const std::wstring& folder) {
    file_path::CreateFolders(folder);
    const DWORD attributes = GetFileAttributesW(file_path::ForFileCalls(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        throw Refusal{command_line::kNoBackup, L"Der Sicherungsordner " + Quoted(folder) +
                                                   L" lässt sich nicht anlegen (Systemfehler " +
                                                   ErrorCode(GetLastError()) + L")."};
    const std::wstring probe =
        file_path::Join(folder, L"~Bildkranz " + Decimal(GetCurrentProcessId()) + L".tmp");
    const UniqueFile written(
        CreateFileW(file_path::ForFileCalls(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!written)
        throw Refusal{
            command_line::kNoBackup,
            L"In den Sicherungsordner " + Quoted(folder) +
                L" kann nicht geschrieben werden (Systemfehler " + ErrorCode(GetLastError()) +
                L"), etwa weil er auf einer Freigabe nur zum Lesen liegt. Die Sicherungen "
                L"und die Rückgängig-Datei brauchen einen Ordner, in den geschrieben "
                L"werden kann: geben Sie ihn mit /Sicherung:<Ordner> an."};
}

void Preview(const Registration::Plan& plan, std::wstring_view folder, Messages& messages) {
    messages.Line(L"Vorschau: Es wird nichts geändert.");
    messages.Line(L"Dateien, die der Lauf schreibt:");
    for (const Backup::Export& backup : plan.backups)
        messages.Line(L"  " + backup.file);
    messages.Line(L"  " + file_path::Join(folder, L"Rückgängig <Datum> <Uhrzeit>.reg"));
    messages.Line(L"Schritte, in dieser Reihenfolge:");
    for (const Step& step : plan.steps)
        messages.Line(L"  " + Describe(step));
}

int Register(const Registration::Plan& plan, const std::wstring& folder, Messages& messages) {
    const auto noEvents = [] {
    };
    CheckBackupFolder(folder);
    std::wstring undoFile;
    try {
        undoFile = Registration::BackUp(plan, noEvents, folder);
    } catch (const Failure& failure) {
        throw Refusal{command_line::kNoBackup, failure.Message()};
    }
    for (const Backup::Export& backup : plan.backups)
        messages.Line(L"Sicherung " + Quoted(backup.file) + L": " + FileSize(backup.file) +
                      L" Bytes");
    messages.Line(L"Rückgängig-Datei " + Quoted(undoFile));

    const Registration::Outcome outcome = Registration::CarryOut(plan, noEvents);
    for (const Step& step : outcome.failedWrites)
        messages.Line(L"Nicht geschrieben: " + Describe(step));
    if (!outcome.Complete()) {
        messages.Line(L"Ergebnis: unvollständig, " + Decimal(outcome.failedWrites.size()) +
                      L" Werte konnten nicht geschrieben werden. Starten Sie das Programm mit "
                      L"Administratorrechten. Rückgabewert 1.");
        return command_line::kIncomplete;
    }
    messages.Line(L"Ergebnis: Die Dateitypen wurden registriert und mit den Programmen "
                  L"verknüpft. Rückgabewert 0.");
    return command_line::kRegistered;
}

int RunChecked(const command_line::Parsed& parsed, Messages& messages) {
    const command_line::Options& options = parsed.options;
    if (options.help) {
        messages.Show(command_line::UsageText());
        return command_line::kRegistered;
    }
    if (parsed.error) {
        messages.Line(L"Fehler im Aufruf bei " + Quoted(parsed.error->argument) + L": " +
                      parsed.error->reason +
                      L" Es wurde nichts geändert. Rückgabewert 2. "
                      L"Hilfe: Bildkranz.exe /?");
        return command_line::kUsageError;
    }
    const std::wstring folder =
        options.backupFolder.empty() ? Backup::BackupFolder() : options.backupFolder;
    messages.Line(L"Bildkranz " BILDKRANZ_VERSION_WTEXT L": " + Choices(options.choices) +
                  L"; Sicherungsordner " + Quoted(folder));
    const Registration::Plan plan = Registration::MakePlan(options.choices, folder);
    if (options.preview) {
        Preview(plan, folder, messages);
        return command_line::kRegistered;
    }
    return Register(plan, folder, messages);
}

} // namespace

int Run(const command_line::Parsed& parsed) {
    // No box of the system's own either (a drive not ready, a crash): nobody
    // may be there to close it.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    Messages messages;
    SetFailureSink(
        [&messages](const std::wstring& text) {
            messages.Line(L"Fehler: " + text + L" Rückgabewert 4.");
        },
        command_line::kOtherFailure);
    try {
        if (!parsed.options.logFile.empty())
            messages.OpenLog(parsed.options.logFile);
        return RunChecked(parsed, messages);
    } catch (const Refusal& refusal) {
        messages.Line(L"Fehler: " + refusal.message + L" Es wurde nichts geändert. Rückgabewert " +
                      Decimal(int{refusal.code}) + L".");
        return refusal.code;
    } catch (...) {
        messages.Line(L"Fehler: " + DescribeFailure(std::current_exception()) +
                      L" Rückgabewert 4.");
        return command_line::kOtherFailure;
    }
}

} // namespace silent_run
