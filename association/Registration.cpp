#include "association/Registration.h"

#include "association/Backup.h"
#include "association/Catalogue.h"
#include "association/Registry.h"
#include "association/Undo.h"

#include <windows.h>

#include <shlobj.h>

namespace Registration {

namespace {

const HKEY kRoot = HKEY_LOCAL_MACHINE;
constexpr std::wstring_view kClassesPrefix = L"Software\\Classes\\";
// Every key the registration creates carries this class text.
constexpr std::wstring_view kKeyClass = L"1";
constexpr std::wstring_view kSystemFileAssociations = L"SystemFileAssociations";

std::wstring ClassesPath(std::wstring_view name) {
    return std::wstring(kClassesPrefix) + std::wstring(name);
}

void CreateIfMissing(const std::wstring& path) {
    if (Registry::KeyExists(kRoot, path) != Registry::kTrue)
        Registry::CreateKey(kRoot, path, kKeyClass);
}

// The whole classes key first, then every ticked type's extension key that
// exists now, in list order.
std::vector<Backup::Export> PlannedExports(const std::vector<int>& tickedTypes,
                                           std::wstring_view folder) {
    std::vector<Backup::Export> exports{Backup::AllClasses(folder)};
    for (int listIndex : tickedTypes) {
        const catalogue::FileType& type = *catalogue::FileTypeAt(listIndex);
        if (Registry::KeyExists(kRoot, ClassesPath(type.extension)) == Registry::kTrue)
            exports.push_back(Backup::Extension(folder, listIndex, type.extension));
    }
    return exports;
}

// Collects whether every value could be written.
class ValueWriter {
public:
    void Set(const std::wstring& path, std::wstring_view name, std::wstring_view text) {
        written_ &= Registry::SetValue(kRoot, path, name, std::wstring(text)) == Registry::kTrue;
    }
    bool AllWritten() const { return written_; }

private:
    bool written_ = true;
};

void WriteVerbs(const std::wstring& baseKey, const std::vector<VerbChoice>& verbs,
                ValueWriter& values) {
    for (const VerbChoice& choice : verbs) {
        const catalogue::Verb& verb = *catalogue::VerbAt(choice.slot);
        const std::wstring verbKey = baseKey + std::wstring(verb.verbKeyPath);
        const std::wstring commandKey = baseKey + std::wstring(verb.commandKeyPath);
        CreateIfMissing(verbKey);
        CreateIfMissing(commandKey);
        values.Set(commandKey, L"", CommandValue(choice.program));
        values.Set(verbKey, L"", verb.menuCaption);
    }
}

// Explorer takes a type's verbs from the default app the user chose, where
// there is one, and no longer from the class the extension names; verbs below
// SystemFileAssociations show whatever the default app. "Open with" offers
// the classes listed in the extension's OpenWithProgids.
void WriteVerbsForAnyDefaultApp(const catalogue::FileType& type,
                                const std::vector<VerbChoice>& verbs, ValueWriter& values) {
    const std::wstring associations = ClassesPath(kSystemFileAssociations);
    const std::wstring typeKey = associations + L'\\' + std::wstring(type.extension);
    CreateIfMissing(associations);
    CreateIfMissing(typeKey);
    CreateIfMissing(typeKey + L"\\shell");
    WriteVerbs(typeKey, verbs, values);

    const std::wstring progids = ClassesPath(type.extension) + L"\\OpenWithProgids";
    CreateIfMissing(progids);
    values.Set(progids, type.className, L"");
}

void WriteType(int listIndex, const std::vector<VerbChoice>& verbs,
               const std::function<void()>& processPendingEvents, ValueWriter& values) {
    const catalogue::FileType& type = *catalogue::FileTypeAt(listIndex);
    const std::wstring extensionKey = ClassesPath(type.extension);
    const std::wstring classKey = ClassesPath(type.className);

    // Written fresh; its backup was made before the first change.
    if (Registry::KeyExists(kRoot, extensionKey) == Registry::kTrue) {
        processPendingEvents();
        Registry::DeleteKey(kRoot, extensionKey);
        processPendingEvents();
    }
    CreateIfMissing(extensionKey);
    CreateIfMissing(classKey);
    CreateIfMissing(classKey + L"\\shell");
    values.Set(extensionKey, L"", type.className);
    processPendingEvents();

    const std::wstring iconKey = classKey + L"\\DefaultIcon";
    CreateIfMissing(iconKey);
    values.Set(iconKey, L"", type.iconValue);
    WriteVerbs(classKey, verbs, values);
    WriteVerbsForAnyDefaultApp(type, verbs, values);
    processPendingEvents();
}

// Every key WriteType may create or change, parents first, with the values
// it sets; what it does not name stays out of the undo file.
class TouchedList {
public:
    void Add(const std::wstring& path, std::vector<std::wstring> values = {},
             bool wholeTree = false) {
        for (const Undo::TouchedKey& key : keys_)
            if (key.path == path)
                return;
        keys_.push_back({path, wholeTree, std::move(values)});
    }
    void AddVerbs(const std::wstring& baseKey, const std::vector<VerbChoice>& verbs) {
        for (const VerbChoice& choice : verbs) {
            const catalogue::Verb& verb = *catalogue::VerbAt(choice.slot);
            Add(baseKey + std::wstring(verb.verbKeyPath), {L""});
            Add(baseKey + std::wstring(verb.commandKeyPath), {L""});
        }
    }
    std::vector<Undo::TouchedKey> Take() { return std::move(keys_); }

private:
    std::vector<Undo::TouchedKey> keys_;
};

std::vector<Undo::TouchedKey> TouchedKeys(const Choices& choices) {
    TouchedList touched;
    for (int listIndex : choices.tickedTypes) {
        const catalogue::FileType& type = *catalogue::FileTypeAt(listIndex);
        // Deleted and written anew, OpenWithProgids included.
        touched.Add(ClassesPath(type.extension), {}, true);
        const std::wstring classKey = ClassesPath(type.className);
        touched.Add(classKey);
        touched.Add(classKey + L"\\shell");
        touched.Add(classKey + L"\\DefaultIcon", {L""});
        touched.AddVerbs(classKey, choices.tickedVerbs);
        const std::wstring associations = ClassesPath(kSystemFileAssociations);
        const std::wstring typeKey = associations + L'\\' + std::wstring(type.extension);
        touched.Add(associations);
        touched.Add(typeKey);
        touched.Add(typeKey + L"\\shell");
        touched.AddVerbs(typeKey, choices.tickedVerbs);
    }
    return touched.Take();
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
    // The editors all read the registry as it is now, before anything changes.
    Backup::Run(PlannedExports(choices.tickedTypes, backupFolder), {processPendingEvents});
    processPendingEvents();
    // Read before the first change, so that importing it gives back exactly
    // what this run is about to change.
    Undo::WriteUndoFile(backupFolder, TouchedKeys(choices));

    ValueWriter values;
    for (int listIndex : choices.tickedTypes)
        WriteType(listIndex, choices.tickedVerbs, processPendingEvents, values);

    // Explorer shows the new verbs and icons without a restart.
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return values.AllWritten();
}

} // namespace Registration
