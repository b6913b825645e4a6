#include "unattended/SilentRun.h"

#include "association/AssociationTexts.h"
#include "association/Backup.h"
#include "association/Catalogue.h"
#include "association/DefaultApps.h"
#include "association/KeyPath.h"
#include "association/Registration.h"
#include "common/Failure.h"
#include "common/FailureReport.h"
#include "services/FileDirPath.h"
#include "common/Numbers.h"
#include "common/SystemError.h"
#include "resources/version.h"
#include "unattended/AssociationFile.h"
#include "unattended/ExitCode.h"
#include "unattended/Messages.h"

#include <windows.h>

namespace SilentRun {

namespace {

using ExitCode::Code;
using Plan::Step;

// A failure of the checks before the first change.
struct Refusal {
    Code code;
    std::wstring message;
};

std::wstring Choices(const Plan::Choices& choices) {
    std::wstring text = L"Typen";
    for (int index : choices.tickedTypes)
        text += (index == choices.tickedTypes.front() ? L" " : L", ") +
                std::wstring(Catalogue::kFileTypes[index].ExtensionWithoutDot());
    for (const Plan::VerbChoice& verb : choices.tickedVerbs)
        text += L"; " + std::wstring(Catalogue::VerbAt(verb.slot)->Name()) + L" " +
                Quoted(verb.program);
    return text;
}

std::wstring Describe(const Step& step) {
    switch (step.action) {
    case Step::Action::DeleteKey:
        return L"Schlüssel löschen  " + KeyPath::Full(step.key) +
               (step.refused ? L"  (hat Unterschlüssel und bleibt; nur die Werte, die der Lauf "
                               L"setzt, ändern sich)"
                             : L"");
    case Step::Action::CreateKey:
        return L"Schlüssel anlegen  " + KeyPath::Full(step.key);
    case Step::Action::SetValue:
        return L"Wert setzen        " + KeyPath::Full(step.key) + L"  " +
               (step.valueName.empty() ? L"@" : Quoted(step.valueName)) + L" = " +
               (step.type == REG_MULTI_SZ ? L"REG_MULTI_SZ " : L"REG_SZ ") + Quoted(step.text);
    }
    return {};
}

std::wstring FileSize(const std::wstring& file) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(FileDirPath::ForFileCalls(file).c_str(), GetFileExInfoStandard,
                              &data))
        return L"?";
    return Decimal((ULONGLONG{data.nFileSizeHigh} << 32) | data.nFileSizeLow);
}

// The backups and the undo file go into the folder: made if missing, and a
// file tried there, so that a folder nobody may write (a share for reading
// only) is named before any editor starts.
void CheckBackupFolder(const std::wstring& folder) {
    FileDirPath::CreateFolders(folder);
    const DWORD attributes = GetFileAttributesW(FileDirPath::ForFileCalls(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        throw Refusal{ExitCode::kNoBackup, L"Der Sicherungsordner " + Quoted(folder) +
                                               L" lässt sich nicht anlegen (Systemfehler " +
                                               ErrorCode(GetLastError()) + L")."};
    const std::wstring probe =
        FileDirPath::Join(folder, L"~Bildkranz " + Decimal(GetCurrentProcessId()) + L".tmp");
    const UniqueFile written(
        CreateFileW(FileDirPath::ForFileCalls(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!written)
        throw Refusal{
            ExitCode::kNoBackup,
            L"In den Sicherungsordner " + Quoted(folder) +
                L" kann nicht geschrieben werden (Systemfehler " + ErrorCode(GetLastError()) +
                L"), etwa weil er auf einer Freigabe nur zum Lesen liegt. Die Sicherungen "
                L"und die Rückgängig-Datei brauchen einen Ordner, in den geschrieben "
                L"werden kann: geben Sie ihn mit /Sicherung:<Ordner> an."};
}

constexpr std::wstring_view kAlreadyThere =
    L"Die Registrierung enthält schon alles, was dieser Lauf schreiben würde.";

// The registration's course as lines of the output and the log.
class Lines : public Registration::Reporter {
public:
    Lines(const CommandLine::Options& options, std::wstring folder, Messages& messages)
        : options_(options), folder_(std::move(folder)), messages_(messages) {}

    Code Result() const { return result_; }

    bool RegistersWhateverThePlan() const override { return false; }

    bool Planned(const Plan::Plan& plan) override {
        const bool changes = Plan::ChangesAnything(plan);
        if (options_.preview) {
            Preview(plan, changes);
            return false;
        }
        // A startup script runs the same registration at every start of the
        // machine: once done, it must not pile up backups and undo files,
        // nor replace the backup of the state from before the first run.
        if (!changes) {
            SayWhatOpens();
            messages_.Line(std::wstring(kAlreadyThere) +
                           L" Es wurde nichts geändert und nichts gesichert. " +
                           ExitCode::Named(ExitCode::kRegistered));
            return false;
        }
        CheckBackupFolder(folder_);
        return true;
    }

    // Nobody waits for a window.
    void ProcessPendingEvents() override {}

    void BackedUp(const Plan::Plan& plan, const std::wstring& undoFile) override {
        for (const Backup::Export& backup : plan.backups)
            messages_.Line(L"Sicherung " + Quoted(backup.file) + L": " + FileSize(backup.file) +
                           L" Bytes");
        messages_.Line(L"Rückgängig-Datei " + Quoted(undoFile));
    }

    void Registered(const Registration::Outcome& outcome) override {
        for (const Step& step : outcome.failedWrites)
            messages_.Line(L"Nicht geschrieben: " + Describe(step));
        SayWhatOpens();
        if (!outcome.Complete()) {
            result_ = ExitCode::kIncomplete;
            messages_.Line(L"Ergebnis: unvollständig, " + Decimal(outcome.failedWrites.size()) +
                           L" Werte konnten nicht geschrieben werden. Starten Sie das Programm "
                           L"mit Administratorrechten. " +
                           ExitCode::Named(result_));
            return;
        }
        messages_.Line(L"Ergebnis: Die Dateitypen wurden registriert und mit den Programmen "
                       L"verknüpft. " +
                       ExitCode::Named(result_));
    }

private:
    // Per type: what a double-click opens for the account that ran this.
    void SayWhatOpens() {
        const std::vector<int> types = Plan::TypesWithOpenCommand(options_.choices);
        for (const DefaultApps::Effective& type : DefaultApps::EffectiveDefaults(types)) {
            const Catalogue::FileType& registered = *Catalogue::FileTypeAt(type.listIndex);
            std::wstring line =
                L"Doppelklick auf " + std::wstring(registered.extension) + L" für dieses Konto: ";
            if (type.Unknown())
                line += L"Windows gab keine Auskunft.";
            else if (type.OwnClass())
                line += L"öffnet mit " + type.effectiveClass + L", wie eingetragen.";
            else
                line += L"öffnet mit " + Quoted(type.openedBy) + L" (" + type.effectiveClass +
                        L"), nicht mit " + std::wstring(registered.className) +
                        L". Das legt nur der Benutzer selbst fest (Bildkranz.exe /StandardApps "
                        L"öffnet die Einstellungen dafür).";
            messages_.Line(line);
        }
    }

    void Preview(const Plan::Plan& plan, bool changes) {
        messages_.Line(L"Vorschau: Es wird nichts geändert.");
        if (!changes) {
            messages_.Line(std::wstring(kAlreadyThere));
            return;
        }
        messages_.Line(L"Dateien, die der Lauf schreibt:");
        for (const Backup::Export& backup : plan.backups)
            messages_.Line(L"  " + backup.file);
        messages_.Line(L"  " + FileDirPath::Join(folder_, L"Rückgängig <Datum> <Uhrzeit>.reg"));
        messages_.Line(L"Schritte, in dieser Reihenfolge:");
        for (const Step& step : plan.steps)
            messages_.Line(L"  " + Describe(step));
    }

    const CommandLine::Options& options_;
    std::wstring folder_;
    Messages& messages_;
    Code result_ = ExitCode::kRegistered;
};

Code OpenSettingsPage(Messages& messages) {
    if (DefaultApps::OpenSettings()) {
        messages.Line(L"Die Windows-Einstellungen „Standard-Apps“ für Bildkranz sind geöffnet. " +
                      ExitCode::Named(ExitCode::kRegistered));
        return ExitCode::kRegistered;
    }
    messages.Line(L"Die Windows-Einstellungen „Standard-Apps“ ließen sich nicht öffnen. So legt "
                  L"der Benutzer das Programm für den Doppelklick selbst fest: " +
                  std::wstring(AssociationTexts::kWayByHand) + L" " +
                  ExitCode::Named(ExitCode::kOtherFailure));
    return ExitCode::kOtherFailure;
}

void WriteAssociationFile(const CommandLine::Options& options, Messages& messages) {
    const std::wstring& file = options.associationFile;
    if (options.preview) {
        messages.Line(L"Vorschau: Die Zuordnungsdatei " + Quoted(file) + L" würde geschrieben.");
        return;
    }
    AssociationFile::Write(file, options.choices.tickedTypes);
    messages.Line(L"Zuordnungsdatei " + Quoted(file) + L" geschrieben.");
}

Code RunChecked(const CommandLine::Parsed& parsed, Messages& messages) {
    const CommandLine::Options& options = parsed.options;
    if (options.help) {
        messages.Show(CommandLine::UsageText());
        return ExitCode::kRegistered;
    }
    if (parsed.error) {
        messages.Line(L"Fehler im Aufruf bei " + Quoted(parsed.error->argument) + L": " +
                      parsed.error->reason + L" Es wurde nichts geändert. " +
                      ExitCode::Named(ExitCode::kUsageError) + L" Hilfe: Bildkranz.exe /?");
        return ExitCode::kUsageError;
    }
    if (options.settingsPage)
        return OpenSettingsPage(messages);
    const std::wstring folder =
        options.backupFolder.empty() ? Backup::BackupFolder() : options.backupFolder;
    messages.Line(L"Bildkranz " BILDKRANZ_VERSION_WTEXT L": " + Choices(options.choices) +
                  L"; Sicherungsordner " + Quoted(folder));
    if (!options.associationFile.empty())
        WriteAssociationFile(options, messages);
    // The file alone was asked for.
    if (options.choices.tickedVerbs.empty())
        return ExitCode::kRegistered;
    Lines lines(options, folder, messages);
    try {
        Registration::Register(options.choices, folder, lines);
    } catch (const FileNotMade& failure) {
        throw Refusal{ExitCode::kNoBackup, failure.Message()};
    }
    return lines.Result();
}

} // namespace

int Run(const CommandLine::Parsed& parsed) {
    // No box of the system's own either (a drive not ready, a crash): nobody
    // may be there to close it.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    Messages messages;
    SetFailureSink(
        [&messages](const std::wstring& text) {
            messages.Line(L"Fehler: " + text + L" " + ExitCode::Named(ExitCode::kOtherFailure));
        },
        ExitCode::kOtherFailure);
    try {
        if (!parsed.options.logFile.empty())
            messages.OpenLog(parsed.options.logFile);
        return RunChecked(parsed, messages);
    } catch (const Refusal& refusal) {
        messages.Line(L"Fehler: " + refusal.message + L" Es wurde nichts geändert. " +
                      ExitCode::Named(refusal.code));
        return refusal.code;
    } catch (...) {
        messages.Line(L"Fehler: " + DescribeFailure(std::current_exception()) + L" " +
                      ExitCode::Named(ExitCode::kOtherFailure));
        return ExitCode::kOtherFailure;
    }
}

} // namespace SilentRun
