#include "association/Backup.h"

#include "association/AssociationTexts.h"
#include "association/KeyPath.h"
#include "association/Registry.h"
#include "common/Failure.h"
#include "common/Numbers.h"
#include "common/Process.h"
#include "common/SystemError.h"
#include "common/Text.h"
#include "common/UniqueHandle.h"
#include "services/FileDirPath.h"
#include "services/UserAccount.h"
#include "services/WindowsOrdner.h"

#include <algorithm>
#include <optional>
#include <string>

namespace Backup {

namespace {

// File times count 100 ns steps. FAT keeps write times to 2 s, and Linux
// stamps files from a clock a tick behind the one GetSystemTimeAsFileTime
// reads, so a file written just after the start may look a little older.
constexpr ULONGLONG kTimeGranularity = 2ULL * 10'000'000ULL;

std::wstring_view WithoutDot(std::wstring_view extension) {
    if (extension.starts_with(L'.'))
        extension.remove_prefix(1);
    return extension;
}

std::wstring CommandLine(const Export& request) {
    return L"Regedit.exe /e \"" + request.file + L"\" \"" +
           KeyPath::Full(request.scope, request.key) + L'"';
}

[[noreturn]] void Fail(const std::wstring& file, const std::wstring& reason) {
    throw FileNotMade(
        Text::Fill(AssociationTexts::kFileNotMade, {AssociationTexts::kBackup, file, reason}));
}

ULONGLONG Ticks(const FILETIME& time) {
    return (ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

ULONGLONG Now() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return Ticks(now);
}

// The last write time of a non-empty file; nothing for a folder, an empty
// file or no file.
std::optional<ULONGLONG> WrittenFile(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(FileDirPath::ForFileCalls(path).c_str(), GetFileExInfoStandard,
                              &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        (data.nFileSizeHigh == 0 && data.nFileSizeLow == 0))
        return std::nullopt;
    return Ticks(data.ftLastWriteTime);
}

std::wstring EditorPath(const std::wstring& file) {
    const std::wstring editor = RegistryEditor();
    if (editor.empty())
        Fail(file, std::wstring(AssociationTexts::kNoWindowsFolder));
    return editor;
}

} // namespace

// An editor started for one export, and what became of it.
struct Editors::Started {
    Export request;
    std::optional<ULONGLONG> earlierFile; // the write time of a file from before
    ULONGLONG start = 0;
    UniqueKernelHandle process;
    std::wstring failure; // empty while nothing went wrong
};

namespace {

using Started = Editors::Started;

std::wstring StartFailure(const std::wstring& editor) {
    return Text::Fill(AssociationTexts::kEditorNotStarted, {editor, ErrorCode(GetLastError())});
}

Started StartEditor(const Export& request, const std::wstring& editor) {
    Started started{request, WrittenFile(request.file), Now(), {}, {}};
    started.process = Process::Start(editor, CommandLine(request), {SW_SHOWMINIMIZED, nullptr});
    if (!started.process)
        started.failure = StartFailure(editor);
    return started;
}

bool Running(const Started& started) {
    return started.process && started.failure.empty() &&
           WaitForSingleObject(started.process.get(), 0) == WAIT_TIMEOUT;
}

// Ends an editor and waits for it, so that it no longer holds or writes its file.
void EndEditor(Started& started, const std::wstring& reason) {
    Process::End(started.process.get(), ERROR_TIMEOUT);
    started.failure = reason;
}

// Returns when every editor has ended: by itself, or ended here once the
// time is up or waiting fails. Wakes when an editor ends or a message comes.
// Only the wait's answer says which editor ended: the wizard may be woken
// often while it waits (under Wine a hundred times a second while the pointer
// rests on a button), and asking every editor again at each wake-up costs a
// call into the system per editor (under Wine a request to the server that
// the exports themselves are waiting on).
void WaitForAll(std::vector<Started>& editors, const ExportWait& wait) {
    std::vector<Started*> running;
    for (Started& started : editors)
        if (Running(started))
            running.push_back(&started);
    const bool limited = wait.timeoutMs != INFINITE;
    const ULONGLONG deadline = GetTickCount64() + wait.timeoutMs;
    while (!running.empty()) {
        const auto count =
            static_cast<DWORD>(std::min<std::size_t>(running.size(), MAXIMUM_WAIT_OBJECTS - 1));
        std::vector<HANDLE> handles(count);
        for (DWORD index = 0; index < count; ++index)
            handles[index] = running[index]->process.get();

        const ULONGLONG now = GetTickCount64();
        // Past the deadline a steady stream of messages must not keep the loop
        // going: only what has ended by now counts.
        const DWORD remaining = !limited          ? INFINITE
                                : now >= deadline ? 0
                                                  : static_cast<DWORD>(deadline - now);
        const DWORD result =
            wait.processPendingEvents
                ? MsgWaitForMultipleObjects(count, handles.data(), FALSE, remaining, QS_ALLINPUT)
                : WaitForMultipleObjects(count, handles.data(), FALSE, remaining);
        if (result < WAIT_OBJECT_0 + count) {
            running.erase(running.begin() + (result - WAIT_OBJECT_0));
            continue;
        }
        if (result == WAIT_OBJECT_0 + count && wait.processPendingEvents) {
            wait.processPendingEvents();
            continue;
        }
        const std::wstring reason =
            result == WAIT_TIMEOUT
                ? Text::Fill(AssociationTexts::kEditorTooSlow,
                             {Decimal((ULONGLONG{wait.timeoutMs} + 999) / 1000)})
                : Text::Fill(AssociationTexts::kEditorNotAwaited, {ErrorCode(GetLastError())});
        for (Started* started : running)
            if (Running(*started))
                EndEditor(*started, reason);
        return;
    }
}

// Empty when the editor ended well and left a file written since it began.
std::wstring Verdict(const Started& started) {
    if (!started.failure.empty())
        return started.failure;
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(started.process.get(), &exitCode))
        return std::wstring(AssociationTexts::kEditorResultUnknown);
    if (exitCode != 0)
        return Text::Fill(AssociationTexts::kEditorFailed, {ErrorCode(exitCode)});
    // Wine's editor ends with 0 even when it could not write: only the file
    // tells. An unchanged file from an earlier export is no backup of now.
    const std::optional<ULONGLONG> written = WrittenFile(started.request.file);
    if (!written || *written + kTimeGranularity < started.start ||
        (started.earlierFile && *written == *started.earlierFile))
        return std::wstring(AssociationTexts::kEditorWroteNothing);
    return {};
}

void CheckExtension(std::wstring_view extension) {
    constexpr std::wstring_view kForbidden = L"\\/:*?\"<>|.";
    bool valid = extension.size() >= 2 && extension.front() == L'.';
    for (wchar_t c : WithoutDot(extension))
        valid = valid && c >= 32 && kForbidden.find(c) == std::wstring_view::npos;
    if (!valid)
        throw Failure(Text::Fill(AssociationTexts::kInvalidExtension, {extension}));
}

} // namespace

std::wstring BackupFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            throw Failure(std::wstring(AssociationTexts::kNoProgramFolder));
        // A full buffer means the path was cut short.
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() > 0x10000)
            throw Failure(std::wstring(AssociationTexts::kProgramPathTooLong));
        path.resize(path.size() * 2);
    }
    const std::size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos)
        throw Failure(std::wstring(AssociationTexts::kNoProgramFolder));
    path.resize(separator);
    // A drive's root keeps its backslash: "C:" alone is the drive's current folder.
    if (path.ends_with(L':'))
        path += L'\\';
    return path;
}

std::wstring RegistryEditor() {
    const std::wstring folder = WindowsOrdner::WindowsDirectory();
    return folder.empty() ? folder : folder + L"\\regedit.exe";
}

namespace {

// " (Konto Anna)" for a run for the account, with every character a file
// name cannot hold replaced; nothing for a run for all users.
std::wstring AccountPart(KeyPath::Scope scope) {
    if (scope != KeyPath::Scope::kAccount)
        return {};
    std::wstring name = UserAccount::Name();
    for (wchar_t& c : name)
        if (c < 32 || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos)
            c = L'_';
    return Text::Fill(AssociationTexts::kAccountBackup, {name});
}

} // namespace

std::wstring BackupFolder(KeyPath::Scope scope) {
    const std::wstring own = BackupFolder();
    if (scope != KeyPath::Scope::kAccount || FileDirPath::CanWriteIn(own) == ERROR_SUCCESS)
        return own;
    const std::wstring accounts = UserAccount::OwnFolder();
    return accounts.empty() ? own : accounts;
}

std::wstring ClassesBackupFile(std::wstring_view folder, KeyPath::Scope scope) {
    return FileDirPath::Join(folder, L"Temp 0_Classes" + AccountPart(scope) + L".reg");
}

std::wstring ExtensionBackupFile(std::wstring_view folder, int listIndex,
                                 std::wstring_view extension, KeyPath::Scope scope) {
    // Widened first: listIndex + 1 must not overflow.
    const std::wstring number = Decimal(static_cast<long long>(listIndex) + 1);
    return FileDirPath::Join(folder, L"Temp " + number + L'_' +
                                         std::wstring(WithoutDot(extension)) + AccountPart(scope) +
                                         L".reg");
}

Export AllClasses(std::wstring_view folder, KeyPath::Scope scope) {
    return {ClassesBackupFile(folder, scope), std::wstring(KeyPath::kClasses), scope};
}

Export Extension(std::wstring_view folder, int listIndex, std::wstring_view extension,
                 KeyPath::Scope scope) {
    // The extension becomes part of a file name and of a quoted argument.
    CheckExtension(extension);
    return {ExtensionBackupFile(folder, listIndex, extension, scope), KeyPath::Classes(extension),
            scope};
}

Editors::Editors(const std::vector<Export>& exports) {
    Start(exports);
}

void Editors::Start(const std::vector<Export>& exports) {
    const auto failedToStart = [](const Started& started) {
        return !started.failure.empty();
    };
    if (exports.empty() || std::any_of(editors_.begin(), editors_.end(), failedToStart))
        return;
    const std::wstring editor = EditorPath(exports.front().file);
    for (const Export& request : exports) {
        const bool alreadyStarted =
            std::any_of(editors_.begin(), editors_.end(), [&](const Started& started) {
                return started.request.file == request.file;
            });
        // A key that is not there yet has no old state to lose. Asking the
        // editor to export it would fail (Windows' editor even waits for a
        // message box to be closed), and the type could never be registered.
        if (alreadyStarted || !Registry::KeyExists(KeyPath::Root(request.scope), request.key))
            continue;
        editors_.push_back(StartEditor(request, editor));
        if (failedToStart(editors_.back()))
            break;
    }
}

Editors::~Editors() {
    for (Started& started : editors_)
        if (Running(started))
            EndEditor(started, {});
}

void Editors::Finish(const ExportWait& wait) {
    WaitForAll(editors_, wait);
    for (const Started& started : editors_) {
        const std::wstring failure = Verdict(started);
        if (!failure.empty())
            Fail(started.request.file, failure);
    }
}

} // namespace Backup
