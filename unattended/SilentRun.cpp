#include "unattended/SilentRun.h"

#include "association/AssociationTexts.h"
#include "association/Backup.h"
#include "association/Catalogue.h"
#include "association/DefaultApps.h"
#include "association/KeyPath.h"
#include "association/Registration.h"
#include "common/Failure.h"
#include "common/FailureReport.h"
#include "common/Numbers.h"
#include "common/SystemError.h"
#include "common/Text.h"
#include "resources/version.h"
#include "services/FileDirPath.h"
#include "services/UserAccount.h"
#include "unattended/AssociationFile.h"
#include "unattended/ExitCode.h"
#include "unattended/Messages.h"
#include "unattended/SilentTexts.h"

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
    std::wstring text(SilentTexts::kTypes);
    for (int index : choices.tickedTypes)
        text += (index == choices.tickedTypes.front() ? L" " : L", ") +
                std::wstring(Catalogue::kFileTypes[index].ExtensionWithoutDot());
    for (const Plan::VerbChoice& verb : choices.tickedVerbs)
        text += L"; " + std::wstring(Catalogue::VerbAt(verb.slot)->Name()) + L" " +
                Text::Quoted(verb.program);
    return text;
}

std::wstring Describe(KeyPath::Scope scope, const Step& step) {
    switch (step.action) {
    case Step::Action::DeleteKey:
        return Text::Fill(SilentTexts::kDeleteKey, {KeyPath::Full(scope, step.key)}) +
               std::wstring(step.refused ? SilentTexts::kDeleteRefused : L"");
    case Step::Action::CreateKey:
        return Text::Fill(SilentTexts::kCreateKey, {KeyPath::Full(scope, step.key)});
    case Step::Action::SetValue:
        return Text::Fill(SilentTexts::kSetValue,
                          {KeyPath::Full(scope, step.key),
                           step.valueName.empty() ? L"@" : Text::Quoted(step.valueName),
                           step.type == REG_MULTI_SZ ? L"REG_MULTI_SZ" : L"REG_SZ",
                           Text::Quoted(step.text)});
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
        throw Refusal{ExitCode::kNoBackup,
                      Text::Fill(SilentTexts::kFolderNotMade,
                                 {Text::Quoted(folder), ErrorCode(GetLastError())})};
    if (const DWORD error = FileDirPath::CanWriteIn(folder); error != ERROR_SUCCESS)
        throw Refusal{ExitCode::kNoBackup, Text::Fill(SilentTexts::kFolderNotWritable,
                                                      {Text::Quoted(folder), ErrorCode(error)})};
}

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
            messages_.Line(
                Text::Fill(SilentTexts::kNothingDone,
                           {SilentTexts::kAlreadyThere, ExitCode::Named(ExitCode::kRegistered)}));
            return false;
        }
        CheckBackupFolder(folder_);
        return true;
    }

    // Nobody waits for a window.
    void ProcessPendingEvents() override {}

    void BackedUp(const Plan::Plan& plan, const std::wstring& undoFile) override {
        for (const Backup::Export& backup : plan.backups)
            messages_.Line(Text::Fill(SilentTexts::kBackupWritten,
                                      {Text::Quoted(backup.file), FileSize(backup.file)}));
        messages_.Line(Text::Fill(SilentTexts::kUndoWritten, {Text::Quoted(undoFile)}));
    }

    void Registered(const Registration::Outcome& outcome) override {
        for (const Step& step : outcome.failedWrites)
            messages_.Line(
                Text::Fill(SilentTexts::kNotWritten, {Describe(options_.choices.scope, step)}));
        SayWhatOpens();
        // Administrator rights help where the machine's keys could not be
        // written, not where the account's own could not.
        const bool forAccount = options_.choices.scope == KeyPath::Scope::kAccount;
        if (!outcome.Complete()) {
            result_ = ExitCode::kIncomplete;
            messages_.Line(Text::Fill(
                forAccount ? SilentTexts::kIncompleteForAccount : SilentTexts::kIncomplete,
                {Decimal(outcome.failedWrites.size()), ExitCode::Named(result_)}));
            return;
        }
        messages_.Line(
            forAccount ? Text::Fill(SilentTexts::kRegisteredForAccount,
                                    {Text::Quoted(UserAccount::Name()), ExitCode::Named(result_)})
                       : Text::Fill(SilentTexts::kRegistered, {ExitCode::Named(result_)}));
    }

private:
    // Per type: what a double-click opens for the account that ran this.
    void SayWhatOpens() {
        const std::vector<int> types = Plan::TypesWithOpenCommand(options_.choices);
        for (const DefaultApps::Effective& type : DefaultApps::EffectiveDefaults(types)) {
            const Catalogue::FileType& registered = *Catalogue::FileTypeAt(type.listIndex);
            const std::wstring opens =
                type.Unknown()    ? std::wstring(SilentTexts::kNoAnswer)
                : type.OwnClass() ? Text::Fill(SilentTexts::kOpensOwn, {type.effectiveClass})
                                  : Text::Fill(SilentTexts::kOpensOther,
                                               {Text::Quoted(type.openedBy), type.effectiveClass,
                                                registered.className});
            messages_.Line(Text::Fill(SilentTexts::kDoubleClick, {registered.extension, opens}));
        }
    }

    void Preview(const Plan::Plan& plan, bool changes) {
        messages_.Line(SilentTexts::kPreview);
        if (!changes) {
            messages_.Line(SilentTexts::kAlreadyThere);
            return;
        }
        messages_.Line(SilentTexts::kPreviewFiles);
        for (const Backup::Export& backup : plan.backups)
            messages_.Line(L"  " + backup.file);
        messages_.Line(L"  " + FileDirPath::Join(folder_, SilentTexts::kPreviewUndoFile));
        messages_.Line(SilentTexts::kPreviewSteps);
        for (const Step& step : plan.steps)
            messages_.Line(L"  " + Describe(plan.scope, step));
    }

    const CommandLine::Options& options_;
    std::wstring folder_;
    Messages& messages_;
    Code result_ = ExitCode::kRegistered;
};

Code OpenSettingsPage(Messages& messages) {
    if (DefaultApps::OpenSettings()) {
        messages.Line(
            Text::Fill(SilentTexts::kSettingsOpened, {ExitCode::Named(ExitCode::kRegistered)}));
        return ExitCode::kRegistered;
    }
    messages.Line(
        Text::Fill(SilentTexts::kSettingsNotOpened,
                   {AssociationTexts::kWayByHand, ExitCode::Named(ExitCode::kOtherFailure)}));
    return ExitCode::kOtherFailure;
}

void WriteAssociationFile(const CommandLine::Options& options, Messages& messages) {
    const std::wstring& file = options.associationFile;
    if (options.preview) {
        messages.Line(Text::Fill(SilentTexts::kPreviewAssociationFile, {Text::Quoted(file)}));
        return;
    }
    AssociationFile::Write(file, options.choices.tickedTypes);
    messages.Line(Text::Fill(SilentTexts::kAssociationFileWritten, {Text::Quoted(file)}));
}

Code RunChecked(const CommandLine::Parsed& parsed, Messages& messages) {
    const CommandLine::Options& options = parsed.options;
    if (options.help) {
        messages.Show(CommandLine::UsageText());
        return ExitCode::kRegistered;
    }
    if (parsed.error) {
        messages.Line(Text::Fill(SilentTexts::kUsageError,
                                 {Text::Quoted(parsed.error->argument), parsed.error->reason,
                                  ExitCode::Named(ExitCode::kUsageError)}));
        return ExitCode::kUsageError;
    }
    if (options.settingsPage)
        return OpenSettingsPage(messages);
    const KeyPath::Scope scope = options.choices.scope;
    const std::wstring folder =
        options.backupFolder.empty() ? Backup::BackupFolder(scope) : options.backupFolder;
    messages.Line(
        Text::Fill(SilentTexts::kStart,
                   {BILDKRANZ_VERSION_WTEXT, Choices(options.choices), Text::Quoted(folder)}));
    if (scope == KeyPath::Scope::kAccount)
        messages.Line(Text::Fill(SilentTexts::kForAccount, {Text::Quoted(UserAccount::Name())}));
    // Decided by what this process may write, before anything is written:
    // a run that cannot register for all users changes nothing at all.
    const bool registers = !options.choices.tickedVerbs.empty();
    if (registers && scope == KeyPath::Scope::kMachine && !Registration::MayRegisterForAllUsers())
        throw Refusal{ExitCode::kNoRights, std::wstring(SilentTexts::kNoRights)};
    if (!options.associationFile.empty())
        WriteAssociationFile(options, messages);
    // The file alone was asked for.
    if (!registers)
        return ExitCode::kRegistered;
    Lines lines(options, folder, messages);
    try {
        Registration::Register(options.choices, folder, lines);
    } catch (const FileNotMade& failure) {
        throw Refusal{ExitCode::kNoBackup, failure.Message()};
    }
    return lines.Result();
}

// "Fehler: … Rückgabewert 4.", the last line of a run that failed.
std::wstring Error(std::wstring_view what, std::wstring_view ending, Code code) {
    return Text::Fill(SilentTexts::kError, {what}) + std::wstring(ending) + ExitCode::Named(code);
}

} // namespace

int Run(const CommandLine::Parsed& parsed) {
    // No box of the system's own either (a drive not ready, a crash): nobody
    // may be there to close it.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    Messages messages;
    SetFailureSink(
        [&messages](const std::wstring& text) {
            messages.Line(Error(text, L" ", ExitCode::kOtherFailure));
        },
        ExitCode::kOtherFailure);
    try {
        if (!parsed.options.logFile.empty())
            messages.OpenLog(parsed.options.logFile);
        return RunChecked(parsed, messages);
    } catch (const Refusal& refusal) {
        messages.Line(Error(refusal.message, SilentTexts::kNothingChanged, refusal.code));
        return refusal.code;
    } catch (...) {
        messages.Line(
            Error(DescribeFailure(std::current_exception()), L" ", ExitCode::kOtherFailure));
        return ExitCode::kOtherFailure;
    }
}

} // namespace SilentRun
