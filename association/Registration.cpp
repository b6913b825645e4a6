#include "association/Registration.h"

#include "association/Backup.h"
#include "association/Catalogue.h"
#include "association/Registry.h"

#include <windows.h>

#include <shlobj.h>

namespace Registration {

namespace {

const HKEY kRoot = HKEY_LOCAL_MACHINE;
constexpr std::wstring_view kClassesPrefix = L"Software\\Classes\\";
// Every key the registration creates carries this class text.
constexpr std::wstring_view kKeyClass = L"1";

std::wstring ClassesPath(std::wstring_view name) {
    return std::wstring(kClassesPrefix) + std::wstring(name);
}

void CreateIfMissing(const std::wstring& path) {
    if (Registry::KeyExists(kRoot, path) != Registry::kTrue)
        Registry::CreateKey(kRoot, path, kKeyClass);
}

// Writes one type's keys; false when a value could not be written.
void BackUpClasses(std::wstring_view folder, const Backup::ExportWait& wait) {
    if (folder.empty())
        Backup::ExportAllClasses(wait);
    else
        Backup::ExportAllClasses(folder, wait);
}

void BackUpExtension(std::wstring_view folder, int listIndex, std::wstring_view extension,
                     const Backup::ExportWait& wait) {
    if (folder.empty())
        Backup::ExportExtension(listIndex, extension, wait);
    else
        Backup::ExportExtension(folder, listIndex, extension, wait);
}

bool WriteType(int listIndex, const std::vector<VerbChoice>& verbs,
               const std::function<void()>& processPendingEvents, std::wstring_view backupFolder,
               const Backup::ExportWait& wait) {
    const catalogue::FileType& type = *catalogue::FileTypeAt(listIndex);
    const std::wstring extensionKey = ClassesPath(type.extension);
    const std::wstring classKey = ClassesPath(type.className);
    bool written = true;
    auto set = [&written](const std::wstring& path, std::wstring_view text) {
        written &= Registry::SetValue(kRoot, path, L"", std::wstring(text)) == Registry::kTrue;
    };

    // Written fresh: what the extension key held goes to its backup first.
    if (Registry::KeyExists(kRoot, extensionKey) == Registry::kTrue) {
        BackUpExtension(backupFolder, listIndex, type.extension, wait);
        processPendingEvents();
        Registry::DeleteKey(kRoot, extensionKey);
        processPendingEvents();
    }
    CreateIfMissing(extensionKey);
    CreateIfMissing(classKey);
    CreateIfMissing(classKey + L"\\shell");
    set(extensionKey, type.className);
    processPendingEvents();

    const std::wstring iconKey = classKey + L"\\DefaultIcon";
    CreateIfMissing(iconKey);
    set(iconKey, type.iconValue);

    for (const VerbChoice& choice : verbs) {
        const catalogue::Verb& verb = *catalogue::VerbAt(choice.slot);
        const std::wstring verbKey = classKey + std::wstring(verb.verbKeyPath);
        const std::wstring commandKey = classKey + std::wstring(verb.commandKeyPath);
        CreateIfMissing(verbKey);
        CreateIfMissing(commandKey);
        set(commandKey, CommandValue(choice.program));
        set(verbKey, verb.menuCaption);
    }
    processPendingEvents();
    return written;
}

} // namespace

std::wstring CommandValue(std::wstring_view program) {
    const bool quoted = program.size() >= 2 && program.front() == L'"' && program.back() == L'"';
    std::wstring command;
    if (!quoted && program.find(L' ') != std::wstring_view::npos)
        command = L"\"" + std::wstring(program) + L"\"";
    else
        command = program;
    return command + L" \"%1\"";
}

bool WriteAssociations(const Choices& choices, const std::function<void()>& processPendingEvents,
                       std::wstring_view backupFolder) {
    const Backup::ExportWait wait{processPendingEvents};
    BackUpClasses(backupFolder, wait);
    processPendingEvents();

    bool written = true;
    for (int listIndex : choices.tickedTypes)
        written &=
            WriteType(listIndex, choices.tickedVerbs, processPendingEvents, backupFolder, wait);

    // Explorer shows the new verbs and icons without a restart.
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return written;
}

} // namespace Registration
