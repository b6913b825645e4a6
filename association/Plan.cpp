#include "association/AssociationTexts.h"
#include "association/Catalogue.h"
#include "association/DefaultApps.h"
#include "association/KeyPath.h"
#include "association/Plan.h"
#include "association/ProgramName.h"
#include "association/Registry.h"
#include "common/Text.h"

#include <algorithm>
#include <vector>

namespace Plan {

namespace {

constexpr std::wstring_view kSystemFileAssociations = L"SystemFileAssociations";
// The verb a double-click runs.
constexpr int kOpenSlot = Catalogue::kFirstVerbSlot;

using KeyPath::Classes;
using KeyPath::SameOrBelow;

// Which keys exist at each point of the run: read from the registry once,
// then changed by the steps planned so far.
class KeyModel {
public:
    explicit KeyModel(HKEY root) : root_(root) {}

    bool Exists(const std::wstring& key) {
        if (const Known* known = Lookup(key))
            return known->exists;
        for (const std::wstring& deleted : deletedTrees_)
            if (SameOrBelow(key, deleted))
                return false;
        return Remember(key, Registry::KeyExists(root_, key) == Registry::kTrue);
    }
    void Created(const std::wstring& key) { Remember(key, true); }
    void DeletedTree(const std::wstring& key) {
        std::erase_if(known_, [&](const Known& entry) { return SameOrBelow(entry.key, key); });
        deletedTrees_.push_back(key);
        Remember(key, false);
    }

private:
    // Sorted by key, case-blind: a run plans a few dozen keys, and a sorted
    // vector brings no tree code into the program.
    struct Known {
        std::wstring key;
        bool exists;
    };
    std::vector<Known>::iterator Find(const std::wstring& key) {
        return std::lower_bound(
            known_.begin(), known_.end(), key, [](const Known& entry, const std::wstring& wanted) {
                return Text::CompareCaseBlind(entry.key, wanted) == CSTR_LESS_THAN;
            });
    }
    Known* Lookup(const std::wstring& key) {
        const auto place = Find(key);
        return place != known_.end() && Text::Same(place->key, key) ? &*place : nullptr;
    }
    bool Remember(const std::wstring& key, bool exists) {
        if (Known* known = Lookup(key))
            known->exists = exists;
        else
            known_.insert(Find(key), {key, exists});
        return exists;
    }

    HKEY root_;
    std::vector<Known> known_;
    std::vector<std::wstring> deletedTrees_;
};

// A verb as the plan writes it: where, under which key and with what caption.
struct PlannedVerb {
    const Catalogue::Verb* verb;
    std::wstring command;
    std::wstring extensionCaption; // empty: not offered for the extension
    std::wstring icon;
};

class Planner {
public:
    Planner(std::vector<Step>& steps, HKEY root) : steps_(steps), root_(root), keys_(root) {}

    void DeleteTree(const std::wstring& key) {
        const bool refused = Registry::HasSubkeys(root_, key) == Registry::kTrue;
        steps_.push_back({Step::Action::DeleteKey, key, {}, REG_NONE, {}, refused, true});
        if (!refused)
            keys_.DeletedTree(key);
    }
    bool Exists(const std::wstring& key) { return keys_.Exists(key); }
    void CreateIfMissing(const std::wstring& key) {
        if (keys_.Exists(key))
            return;
        steps_.push_back({Step::Action::CreateKey, key, {}, REG_NONE, {}, false, false});
        keys_.Created(key);
    }
    void Set(const std::wstring& key, std::wstring_view name, std::wstring_view text) {
        steps_.push_back({Step::Action::SetValue, key, std::wstring(name), Registry::TextType(text),
                          std::wstring(text)});
    }
    void ProcessEventsHere() { steps_.back().thenProcessEvents = true; }

private:
    std::vector<Step>& steps_;
    HKEY root_;
    KeyModel keys_;
};

std::vector<PlannedVerb> PlanVerbs(const std::vector<VerbChoice>& choices) {
    std::vector<PlannedVerb> verbs;
    for (const VerbChoice& choice : choices) {
        PlannedVerb planned{Catalogue::VerbAt(choice.slot), CommandValue(choice.program), {}, {}};
        // Without a program there is nothing to name, nor an icon to show.
        if (!choice.program.empty()) {
            planned.extensionCaption =
                ExtensionVerbCaption(choice.slot, ProgramName::Of(choice.program));
            planned.icon = std::wstring(Text::Unquoted(choice.program)) + L",0";
        }
        verbs.push_back(std::move(planned));
    }
    return verbs;
}

void PlanClassVerbs(Planner& plan, const std::wstring& classKey,
                    const std::vector<PlannedVerb>& verbs) {
    for (const PlannedVerb& planned : verbs) {
        const std::wstring verbKey = classKey + std::wstring(planned.verb->verbKeyPath);
        const std::wstring commandKey = classKey + std::wstring(planned.verb->commandKeyPath);
        plan.CreateIfMissing(verbKey);
        plan.CreateIfMissing(commandKey);
        plan.Set(commandKey, L"", planned.command);
        plan.Set(verbKey, L"", planned.verb->menuCaption);
    }
}

// Explorer takes a type's verbs from the default app the user chose, where
// there is one, and no longer from the class the extension names; verbs below
// SystemFileAssociations show whatever the default app. "Open with" offers
// the classes listed in the extension's OpenWithProgids.
void PlanVerbsForAnyDefaultApp(Planner& plan, const Catalogue::FileType& type,
                               const std::vector<PlannedVerb>& verbs) {
    const bool anyNamed = std::any_of(verbs.begin(), verbs.end(), [](const PlannedVerb& planned) {
        return !planned.extensionCaption.empty();
    });
    if (anyNamed) {
        const std::wstring associations = Classes(kSystemFileAssociations);
        const std::wstring shell = associations + L'\\' + std::wstring(type.extension) + L"\\shell";
        plan.CreateIfMissing(associations);
        plan.CreateIfMissing(associations + L'\\' + std::wstring(type.extension));
        plan.CreateIfMissing(shell);
        for (const PlannedVerb& planned : verbs) {
            if (planned.extensionCaption.empty())
                continue;
            const std::wstring verbKey =
                shell + L'\\' + std::wstring(planned.verb->extensionVerbKey);
            plan.CreateIfMissing(verbKey);
            plan.CreateIfMissing(verbKey + L"\\Command");
            plan.Set(verbKey + L"\\Command", L"", planned.command);
            plan.Set(verbKey, L"", planned.extensionCaption);
            plan.Set(verbKey, L"Icon", planned.icon);
        }
    }
    const std::wstring progids = Classes(type.extension) + L"\\OpenWithProgids";
    plan.CreateIfMissing(progids);
    plan.Set(progids, type.className, L"");
}

void PlanType(Planner& plan, const Catalogue::FileType& type,
              const std::vector<PlannedVerb>& verbs) {
    const std::wstring extensionKey = Classes(type.extension);
    const std::wstring classKey = Classes(type.className);
    // Written fresh; its backup is made before the first change.
    if (plan.Exists(extensionKey))
        plan.DeleteTree(extensionKey);
    plan.CreateIfMissing(extensionKey);
    plan.CreateIfMissing(classKey);
    plan.CreateIfMissing(classKey + L"\\shell");
    plan.Set(extensionKey, L"", type.className);
    plan.ProcessEventsHere();

    const std::wstring iconKey = classKey + L"\\DefaultIcon";
    plan.CreateIfMissing(iconKey);
    plan.Set(iconKey, L"", type.iconValue);
    PlanClassVerbs(plan, classKey, verbs);
    PlanVerbsForAnyDefaultApp(plan, type, verbs);
    plan.ProcessEventsHere();
}

// Windows' Default Apps list the programs named in RegisteredApplications,
// with the types their capabilities offer; each type shows there under its
// class's open program. Types an earlier run offered stay offered. The
// capabilities come first, so that a run ended half-way never points Windows
// at capabilities that are not there yet.
void PlanDefaultApps(Planner& plan, const Choices& choices) {
    const std::vector<int> types = TypesWithOpenCommand(choices);
    if (types.empty())
        return;
    using DefaultApps::kApplicationName;
    const DefaultApps::Keys& keys = DefaultApps::kKeys;
    const std::wstring capabilities(keys.capabilities);
    const std::wstring fileAssociations(keys.fileAssociations);
    const auto open = std::find_if(choices.tickedVerbs.begin(), choices.tickedVerbs.end(),
                                   [](const VerbChoice& verb) { return verb.slot == kOpenSlot; });
    plan.CreateIfMissing(std::wstring(keys.application));
    plan.CreateIfMissing(capabilities);
    plan.Set(capabilities, L"ApplicationName", kApplicationName);
    plan.Set(capabilities, L"ApplicationDescription", AssociationTexts::kDescription);
    plan.Set(capabilities, L"ApplicationIcon", std::wstring(Text::Unquoted(open->program)) + L",0");
    plan.CreateIfMissing(fileAssociations);
    for (int listIndex : types) {
        const Catalogue::FileType& type = *Catalogue::FileTypeAt(listIndex);
        plan.Set(fileAssociations, type.extension, type.className);
    }
    plan.CreateIfMissing(std::wstring(keys.registeredApplications));
    plan.Set(std::wstring(keys.registeredApplications), kApplicationName, keys.capabilities);
    plan.ProcessEventsHere();
}

bool StepChanges(HKEY root, const Step& step) {
    switch (step.action) {
    case Step::Action::DeleteKey:
        return !step.refused && Registry::KeyExists(root, step.key) == Registry::kTrue;
    case Step::Action::CreateKey:
        return Registry::KeyExists(root, step.key) != Registry::kTrue;
    case Step::Action::SetValue:
        return Registry::HoldsValue(root, step.key, step.valueName, step.text) != Registry::kTrue;
    }
    return true;
}

} // namespace

std::vector<int> TypesWithOpenCommand(const Choices& choices) {
    const bool openHasProgram = std::any_of(
        choices.tickedVerbs.begin(), choices.tickedVerbs.end(),
        [](const VerbChoice& verb) { return verb.slot == kOpenSlot && !verb.program.empty(); });
    return openHasProgram ? choices.tickedTypes : std::vector<int>();
}

bool ChangesAnything(const Plan& plan) {
    const HKEY root = KeyPath::Root(plan.scope);
    return std::any_of(plan.steps.begin(), plan.steps.end(),
                       [root](const Step& step) { return StepChanges(root, step); });
}

std::wstring CommandValue(std::wstring_view program) {
    std::wstring command;
    if (!Text::IsQuoted(program) && program.find(L' ') != std::wstring_view::npos)
        command = L"\"" + std::wstring(program) + L"\"";
    else
        command = program;
    return command + L" \"%1\"";
}

std::wstring ExtensionVerbCaption(int slot, std::wstring_view programName) {
    const Catalogue::Verb& verb = *Catalogue::VerbAt(slot);
    std::wstring caption(verb.captionBeforeName);
    for (wchar_t c : programName) {
        if (c == L'&')
            caption += L'&';
        caption += c;
    }
    return caption += verb.captionAfterName;
}

Plan Make(const Choices& choices, std::wstring_view backupFolder) {
    Plan plan;
    plan.scope = choices.scope;
    plan.backups.push_back(Backup::AllClasses(backupFolder, choices.scope));
    Planner planner(plan.steps, KeyPath::Root(choices.scope));
    // A new account may have no classes key yet (Windows makes one for every
    // profile; a fresh Wine prefix has none): made as a step, so that the
    // undo file takes it away again.
    planner.CreateIfMissing(std::wstring(KeyPath::kClasses));
    const std::vector<PlannedVerb> verbs = PlanVerbs(choices.tickedVerbs);
    for (int listIndex : choices.tickedTypes) {
        const Catalogue::FileType& type = *Catalogue::FileTypeAt(listIndex);
        if (planner.Exists(Classes(type.extension)))
            plan.backups.push_back(
                Backup::Extension(backupFolder, listIndex, type.extension, choices.scope));
        PlanType(planner, type, verbs);
    }
    PlanDefaultApps(planner, choices);
    return plan;
}

} // namespace Plan
