// Writing the associations and reading the current programs back, against the
// real registry and the real registry editor of a fresh Wine prefix.
#include "association/Backup.h"
#include "association/Catalogue.h"
#include "association/CurrentPrograms.h"
#include "association/KeyPath.h"
#include "association/ProgramName.h"
#include "association/Registration.h"
#include "tools/driver/Program.h"
#include "common/Failure.h"
#include "common/UniqueHandle.h"
#include "tests/support/EditorSwap.h"
#include "tests/support/RegFile.h"
#include "tests/support/RegistryProbe.h"
#include "tests/support/System.h"
#include "tests/support/TextFile.h"
#include "tests/support/VersionRecord.h"
#include "tools/driver/WindowDriver.h"
#include "wizard/ControlIds.h"
#include "wizard/Root.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <windowsx.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <memory>

using namespace probe;

namespace {

const std::wstring kBackupFolder = L"C:\\Sicherung mit Leerzeichen";
// Not named like a program of Wine's own: Wine answers for those with its own
// version record, wherever they lie.
const std::wstring kViewer = L"C:\\Programme\\Mein Bild\\Betrachter.exe";

class RegistrationTest : public testing::Test {
protected:
    void SetUp() override {
        DeleteAllAssociations();
        for (const std::wstring& file : driver::FilesIn(kBackupFolder))
            DeleteFileW((kBackupFolder + L"\\" + file).c_str());
        CreateDirectoryW(kBackupFolder.c_str(), nullptr);
    }

    bool Write(const Registration::Choices& choices) {
        return Registration::WriteAssociations(
                   choices, [this] { ++pendingEventCalls_; }, kBackupFolder)
            .Complete();
    }

    // The registry editor's exports, without the undo file.
    std::vector<std::wstring> Backups() const {
        std::vector<std::wstring> files = driver::FilesIn(kBackupFolder);
        std::erase_if(files, [](const std::wstring& name) { return !name.starts_with(L"Temp "); });
        std::sort(files.begin(), files.end());
        return files;
    }

    int pendingEventCalls_ = 0;
};

} // namespace

TEST(CommandValue, ProgramBlankAndQuotedPlaceholder) {
    const struct {
        std::wstring_view program;
        std::wstring_view command;
    } cases[] = {
        {L"C:\\Bild\\View.exe", L"C:\\Bild\\View.exe \"%1\""},
        // A blank in the path would let the shell start C:\Programme\Mein.exe.
        {L"C:\\Programme\\Mein Bild\\View.exe", L"\"C:\\Programme\\Mein Bild\\View.exe\" \"%1\""},
        {L"\"C:\\Programme\\Mein Bild\\View.exe\"",
         L"\"C:\\Programme\\Mein Bild\\View.exe\" \"%1\""},
        {L"", L" \"%1\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::wstring(c.program).c_str());
        EXPECT_EQ(Registration::CommandValue(c.program), c.command);
    }
}

TEST(ProgramFromCommand, TakesThePlaceholderAndOneBlankAway) {
    const struct {
        std::wstring_view command;
        std::wstring_view program;
    } cases[] = {
        {L"C:\\Tools\\view.exe \"%1\"", L"C:\\Tools\\view.exe"},
        {L"C:\\Tools\\view.exe %1", L"C:\\Tools\\view.exe"},
        {L"C:\\Tools\\view.exe /p \"%1\"", L"C:\\Tools\\view.exe /p"},
        {L"\"%1\"", L"\"%1\""}, // too short for the placeholder steps
        {L" \"%1\"", L""},      // what an empty program wrote
        {L"C:\\Tools\\view.exe ", L"C:\\Tools\\view.exe"},
        {L"C:\\Tools\\view.exe  ", L"C:\\Tools\\view.exe "}, // only one blank goes
        {L"\"C:\\Mein Bild\\View.exe\" \"%1\"", L"C:\\Mein Bild\\View.exe"},
        {L"", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::wstring(c.command).c_str());
        EXPECT_EQ(CurrentPrograms::ProgramFromCommand(std::wstring(c.command)), c.program);
    }
}

TEST(ProgramFromCommand, RoundTripsWhatTheRegistrationWrites) {
    for (std::wstring_view program :
         {L"C:\\Tools\\view.exe", L"C:\\Programme\\Mein Bild\\View.exe", L"C:\\Ж\\Ansicht.exe"}) {
        SCOPED_TRACE(std::wstring(program).c_str());
        const std::wstring command = Registration::CommandValue(program);
        EXPECT_EQ(CurrentPrograms::ProgramFromCommand(command), program);
        EXPECT_EQ(Registration::CommandValue(CurrentPrograms::ProgramFromCommand(command)),
                  command);
    }
}

TEST_F(RegistrationTest, EveryTypeAndEveryVerb) {
    for (const catalogue::FileType& type : catalogue::kFileTypes)
        PutText(std::wstring(type.extension), nullptr, L"alt");
    Registration::Choices choices;
    for (int index = 0; index < catalogue::kFileTypeCount; ++index)
        choices.tickedTypes.push_back(index);
    for (int slot = 1; slot <= catalogue::kVerbCount; ++slot)
        choices.tickedVerbs.push_back({slot, L"C:\\Bild\\Verb" + std::to_wstring(slot) + L".exe"});

    EXPECT_TRUE(Write(choices));

    const std::vector<std::wstring> backups = Backups();
    EXPECT_EQ(backups.size(), 10u);
    int commands = 0;
    for (int index = 0; index < catalogue::kFileTypeCount; ++index) {
        const catalogue::FileType& type = catalogue::kFileTypes[index];
        SCOPED_TRACE(std::wstring(type.extension).c_str());
        const std::wstring className(type.className);
        EXPECT_EQ(Text(std::wstring(type.extension)), className);
        EXPECT_EQ(Text(className + L"\\DefaultIcon"), std::wstring(type.iconValue));
        EXPECT_TRUE(KeyPresent(className + L"\\shell"));
        EXPECT_EQ(std::count(backups.begin(), backups.end(),
                             L"Temp " + std::to_wstring(index + 1) + L"_" +
                                 std::wstring(type.ExtensionWithoutDot()) + L".reg"),
                  1);
        for (int slot = 1; slot <= catalogue::kVerbCount; ++slot) {
            const catalogue::Verb& verb = *catalogue::VerbAt(slot);
            commands += Text(className + std::wstring(verb.commandKeyPath)) ==
                        L"C:\\Bild\\Verb" + std::to_wstring(slot) + L".exe \"%1\"";
            EXPECT_EQ(Text(className + std::wstring(verb.verbKeyPath)),
                      std::wstring(verb.menuCaption));
        }
    }
    EXPECT_EQ(commands, 45);
    EXPECT_GT(pendingEventCalls_, 9); // the window is kept painted between the steps
}

TEST_F(RegistrationTest, MissingExtensionKeyIsCreatedWithoutABackup) {
    EXPECT_TRUE(Write({{4}, {{2, L""}}}));
    EXPECT_EQ(Backups(), std::vector<std::wstring>{L"Temp 0_Classes.reg"});
    EXPECT_EQ(Text(L".png"), L"ACDC_PNG");
    EXPECT_EQ(Text(L"ACDC_PNG\\shell\\Edit\\Command"), L" \"%1\"");
}

TEST_F(RegistrationTest, WithoutVerbsEachTypeStillGetsItsClassAndIcon) {
    EXPECT_TRUE(Write({{0, 8}, {}}));
    EXPECT_EQ(Text(L".wmf"), L"ACDC_WMF");
    EXPECT_EQ(Text(L"ACDC_BMP\\DefaultIcon"), L"shimgvw.dll,4");
    EXPECT_TRUE(KeyPresent(L"ACDC_WMF\\shell"));
}

namespace {

// A copy of a program without a version record, given one when there are
// descriptions.
std::wstring InstallProgram(const std::wstring& path,
                            const std::vector<version_record::Language>& tables = {},
                            std::vector<WORD> listed = {}) {
    SHCreateDirectoryExW(nullptr, path.substr(0, path.rfind(L'\\')).c_str(), nullptr);
    EXPECT_TRUE(CopyFileW((driver::BuildFolder() + L"\\command_recorder.exe").c_str(),
                          path.c_str(), FALSE));
    if (listed.empty())
        for (const version_record::Language& table : tables)
            listed.push_back(table.language);
    if (!tables.empty()) {
        EXPECT_TRUE(version_record::Write(path, tables, listed)) << support::Ascii(path);
    }
    return path;
}

} // namespace

TEST(ProgramName, TheDescriptionOfTheFirstListedLanguageElseTheFileName) {
    const struct {
        const char* name;
        std::wstring path;
        std::vector<version_record::Language> tables;
        std::vector<WORD> listed;
        std::wstring expected;
    } cases[] = {
        {"trimmed",
         L"C:\\Namen\\a.exe",
         {{0x0407, L"  Bild & Co Ansicht \t"}},
         {},
         L"Bild & Co Ansicht"},
        {"other scripts",
         L"C:\\Namen\\b.exe",
         {{0x0407, L"Просмотр Ελληνικά 中文"}},
         {},
         L"Просмотр Ελληνικά 中文"},
        {"the first listed language",
         L"C:\\Namen\\c.exe",
         {{0x0407, L"Deutsch"}, {0x0409, L"English"}},
         {0x0409, 0x0407},
         L"English"},
        {"a blank description",
         L"C:\\Namen\\Leere Angabe.exe",
         {{0x0407, L"   "}},
         {},
         L"Leere Angabe"},
        {"no version record", L"C:\\Namen\\Ohne Angabe.v2.exe", {}, {}, L"Ohne Angabe.v2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        InstallProgram(c.path, c.tables, c.listed);
        EXPECT_EQ(ProgramName::Of(c.path), c.expected);
        EXPECT_EQ(ProgramName::Of(L"\"" + c.path + L"\""), c.expected);
    }
    EXPECT_EQ(ProgramName::Of(L"C:\\Gibt es nicht\\Betrachter.exe"), L"Betrachter");
    EXPECT_EQ(ProgramName::Of(L"C:\\Gibt es nicht\\ohne Endung"), L"ohne Endung");
}

TEST_F(RegistrationTest, VerbsForAnyDefaultAppNameTheirProgramAndShowItsIcon) {
    const std::wstring associations = L"SystemFileAssociations\\";
    // Another program's verbs of the catalogue's names stay as they are.
    PutText(associations + L".bmp\\shell\\Open\\Command", nullptr, L"alt.exe \"%1\"");
    PutText(L".bmp\\OpenWithProgids", L"Paint.Picture", L"");
    const std::wstring ampersand =
        InstallProgram(L"C:\\Programme\\Bild & Co\\ansicht.exe", {{0x0407, L"Bild & Co Ansicht"}});
    const std::wstring cyrillic =
        InstallProgram(L"C:\\Programme\\Ж\\просмотр.exe", {{0x0407, L"Просмотр Ελληνικά"}});
    const std::wstring bare = InstallProgram(L"C:\\Programme\\Ohne\\Schnell Ansicht.exe");

    EXPECT_TRUE(Write({{0, 4}, {{1, ampersand}, {2, cyrillic}, {3, bare}, {4, L""}, {5, bare}}}));

    const struct {
        const wchar_t* key;
        std::wstring program;
        std::wstring caption;
    } verbs[] = {
        {L"Bildkranz.Open", ampersand, L"Mit Bild && Co Ansicht \u00F6&ffnen"},
        {L"Bildkranz.Edit", cyrillic, L"Mit Просмотр Ελληνικά &bearbeiten"},
        {L"Bildkranz.Quickview", bare, L"&Schnellansicht mit Schnell Ansicht"},
        {L"Bildkranz.uPrint", bare, L"Mit Schnell Ansicht &drucken"},
    };
    for (const std::wstring extension : {L".bmp", L".png"}) {
        const std::wstring shell = associations + extension + L"\\shell\\";
        for (const auto& verb : verbs) {
            SCOPED_TRACE(support::Ascii(shell + verb.key));
            EXPECT_EQ(Text(shell + verb.key), verb.caption);
            EXPECT_EQ(Text(shell + verb.key, L"Icon"), verb.program + L",0");
            EXPECT_EQ(Text(shell + verb.key + L"\\Command"),
                      Registration::CommandValue(verb.program));
            EXPECT_EQ(KeyClass(shell + verb.key + L"\\Command"), L"1");
        }
        // Without a program there is nothing to name.
        EXPECT_FALSE(KeyPresent(shell + L"Bildkranz.Resample"));
        EXPECT_FALSE(KeyPresent(shell + L"Edit"));
    }
    EXPECT_EQ(Text(associations + L".bmp\\shell\\Open\\Command"), L"alt.exe \"%1\"");
    EXPECT_FALSE(KeyPresent(associations + L".png\\shell\\Open"));
    EXPECT_EQ(Text(L".bmp\\OpenWithProgids", L"ACDC_BMP"), L"");
    EXPECT_EQ(Text(L".png\\OpenWithProgids", L"ACDC_PNG"), L"");
    // The key had a subkey, so it could not be written fresh: it keeps the old list entry.
    EXPECT_EQ(Text(L".bmp\\OpenWithProgids", L"Paint.Picture"), L"");
    EXPECT_EQ(Text(L".bmp"), L"ACDC_BMP");
}

TEST_F(RegistrationTest, VerbsWithoutProgramsWriteNothingForTheExtensionButItsClass) {
    EXPECT_TRUE(Write({{1}, {{2, L""}}}));
    EXPECT_FALSE(KeyPresent(L"SystemFileAssociations\\.gif"));
    EXPECT_EQ(Text(L".gif\\OpenWithProgids", L"ACDC_GIF"), L"");
}

namespace {

Registration::Choices EveryType() {
    Registration::Choices choices;
    for (int index = 0; index < catalogue::kFileTypeCount; ++index)
        choices.tickedTypes.push_back(index);
    choices.tickedVerbs.push_back({1, kViewer});
    return choices;
}

} // namespace

TEST_F(RegistrationTest, AllTenExportsRunAtOnceAndNothingChangesBeforeTheLastEnds) {
    for (const catalogue::FileType& type : catalogue::kFileTypes)
        PutText(std::wstring(type.extension), nullptr, L"alt");
    // Each stand-in editor waits until all ten have started, then reports what
    // the registry held when it ended; they end one after another.
    support::EditorSwap swap(L"together");
    SetEnvironmentVariableW(L"BILDKRANZ_FAKE_EDITORS", L"10");
    EXPECT_TRUE(Write(EveryType()));
    SetEnvironmentVariableW(L"BILDKRANZ_FAKE_EDITORS", nullptr);

    const std::vector<std::wstring> backups = Backups();
    ASSERT_EQ(backups.size(), 10u);
    for (const std::wstring& file : backups) {
        SCOPED_TRACE(file.c_str());
        EXPECT_EQ(text_file::Lines(text_file::Read(kBackupFolder + L"\\" + file)),
                  (std::vector<std::wstring>{L"together", L"alt|-"}));
    }
    EXPECT_EQ(Text(L".bmp"), L"ACDC_BMP");
}

TEST_F(RegistrationTest, OneFailedExportAmongTenChangesNothingAndNamesItsFile) {
    for (const catalogue::FileType& type : catalogue::kFileTypes)
        PutText(std::wstring(type.extension), nullptr, L"alt");
    support::EditorSwap swap(L"together");
    SetEnvironmentVariableW(L"BILDKRANZ_FAKE_EDITORS", L"10");
    SetEnvironmentVariableW(L"BILDKRANZ_FAKE_FAIL_KEY", L".gif");
    std::wstring message;
    try {
        Write(EveryType());
    } catch (const Failure& failure) {
        message = failure.Message();
    }
    SetEnvironmentVariableW(L"BILDKRANZ_FAKE_EDITORS", nullptr);
    SetEnvironmentVariableW(L"BILDKRANZ_FAKE_FAIL_KEY", nullptr);

    EXPECT_NE(message.find(L"\u201E" + kBackupFolder + L"\\Temp 2_gif.reg\u201C"),
              std::wstring::npos)
        << "the failure names the .gif backup";
    EXPECT_EQ(Backups().size(), 10u) << "the others finished their files";
    for (const catalogue::FileType& type : catalogue::kFileTypes) {
        SCOPED_TRACE(std::wstring(type.extension).c_str());
        EXPECT_EQ(Text(std::wstring(type.extension)), L"alt");
        EXPECT_FALSE(KeyPresent(std::wstring(type.className)));
    }
    EXPECT_FALSE(KeyPresent(L"SystemFileAssociations\\.bmp\\shell\\Open"));
}

// --- The undo file: imported, it gives back the classes key as it was

namespace {

const std::wstring kBefore = L"C:\\vorher.reg";
const std::wstring kAfter = L"C:\\nachher.reg";

// What the tests start from when things exist: extension keys with values of
// their own and a subkey, a class key with its own verb, verbs for the
// extension of another program, values of other types.
void PutEverythingElse() {
    PutText(L".bmp", nullptr, L"Paint.Picture");
    PutText(L".bmp", L"Content Type", L"image/bmp");
    PutText(L".bmp\\ShellNew", L"NullFile", L"");
    PutText(L".gif", nullptr, L"giffile");
    PutText(L".gif\\OpenWithProgids", L"giffile", L"");
    PutText(L"ACDC_BMP", nullptr, L"Mein Bitmap");
    PutText(L"ACDC_BMP\\shell\\Open\\Command", nullptr, L"C:\\Alt\\open.exe \"%1\"");
    PutText(L"ACDC_BMP\\shell\\Edit\\Command", nullptr, L"C:\\Alt\\edit.exe \"%1\"");
    const std::wstring icon = L"%SystemRoot%\\alt.dll,1";
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, ClassesPath(L"ACDC_GIF\\DefaultIcon").c_str(), nullptr,
                    REG_EXPAND_SZ, icon.c_str(),
                    static_cast<DWORD>((icon.size() + 1) * sizeof(wchar_t)));
    PutText(L"SystemFileAssociations\\.bmp\\shell\\uPrint", nullptr, L"Alt drucken");
}

std::vector<std::wstring> UndoFiles(const std::wstring& folder) {
    std::vector<std::wstring> files;
    for (const std::wstring& name : driver::FilesIn(folder))
        if (name.starts_with(L"R\u00FCckg\u00E4ngig "))
            files.push_back(folder + L"\\" + name);
    std::sort(files.begin(), files.end());
    return files;
}

testing::AssertionResult SameClasses(const std::wstring& before, const std::wstring& after) {
    return reg_file::Same(reg_file::ParseFile(before), reg_file::ParseFile(after));
}

} // namespace

// --- The plan: whatever the run changes is in it, and its undo file takes it back

namespace {

// The name of the value a line of a registry file sets; empty for "@".
std::wstring ValueNameOf(const std::wstring& line) {
    std::wstring name;
    for (std::size_t i = 1; !line.starts_with(L'@') && i < line.size() && line[i] != L'"'; ++i) {
        if (line[i] == L'\\' && i + 1 < line.size())
            ++i;
        name += line[i];
    }
    return name;
}

// A key (no value name) or one of its values that differs is accounted for
// by a step: a key the plan deletes changes with all below it.
bool InPlan(const Registration::Plan& plan, std::wstring_view key,
            const std::optional<std::wstring>& valueName) {
    using Action = Registration::Step::Action;
    return std::any_of(plan.steps.begin(), plan.steps.end(), [&](const Registration::Step& step) {
        switch (step.action) {
        case Action::DeleteKey:
            return !step.refused && KeyPath::SameOrBelow(key, step.key);
        case Action::CreateKey:
            return !valueName && KeyPath::Same(key, step.key);
        case Action::SetValue:
            return valueName && KeyPath::Same(key, step.key) && step.valueName == *valueName;
        }
        return false;
    });
}

testing::AssertionResult EveryDifferenceInPlan(const Registration::Plan& plan,
                                               const std::wstring& beforeFile,
                                               const std::wstring& afterFile) {
    const reg_file::Content before = reg_file::ParseFile(beforeFile);
    const reg_file::Content after = reg_file::ParseFile(afterFile);
    testing::AssertionResult result = testing::AssertionSuccess();
    int differences = 0;
    auto check = [&](const std::wstring& block, const std::optional<std::wstring>& line) {
        ++differences;
        const std::wstring key = block.substr(KeyPath::kRootName.size());
        if (!InPlan(plan, key, line ? std::optional(ValueNameOf(*line)) : std::nullopt))
            result = testing::AssertionFailure() << "not in the plan: [" << support::Ascii(key)
                                                 << "] " << support::Ascii(line.value_or(L""));
    };
    auto compare = [&](const reg_file::Content& from, const reg_file::Content& other) {
        for (const auto& [block, lines] : from) {
            const auto found = other.find(block);
            if (found == other.end()) {
                check(block, std::nullopt);
                continue;
            }
            for (const std::wstring& line : lines)
                if (!found->second.contains(line))
                    check(block, line);
        }
    };
    compare(before, after);
    compare(after, before);
    // A delete the plan does not call refused takes the whole tree away.
    using Action = Registration::Step::Action;
    for (const Registration::Step& step : plan.steps) {
        if (step.action != Action::DeleteKey || step.refused)
            continue;
        for (const auto& [block, lines] : before) {
            const std::wstring key = block.substr(KeyPath::kRootName.size());
            const bool created =
                std::any_of(plan.steps.begin(), plan.steps.end(), [&](auto& other) {
                    return other.action == Action::CreateKey && KeyPath::Same(other.key, key);
                });
            if (KeyPath::SameOrBelow(key, step.key) && !created && after.contains(block))
                result = testing::AssertionFailure()
                         << "deleted, yet still there: [" << support::Ascii(key) << "]";
        }
    }
    if (result && differences == 0)
        return testing::AssertionFailure() << "the run changed nothing";
    return result;
}

} // namespace

// Runs one after another, each with its own backup folder: the classes backup
// of each run is the export from before it, and the one of the next run the
// export from after it.
class PlannedRuns {
public:
    void Register(const Registration::Choices& choices) {
        const std::wstring folder = kBackupFolder + L"\\" + std::to_wstring(runs_.size());
        CreateDirectoryW(folder.c_str(), nullptr);
        for (const std::wstring& file : driver::FilesIn(folder))
            DeleteFileW((folder + L"\\" + file).c_str());
        const Registration::Plan plan = Registration::MakePlan(choices, folder);
        EXPECT_TRUE(Registration::Register(
                        plan, [] {}, folder)
                        .Complete());
        runs_.push_back({plan, folder});
    }

    // Every difference each run made is in its plan.
    void CheckPlans() {
        ASSERT_TRUE(reg_file::ExportClasses(kAfter));
        for (std::size_t run = 0; run < runs_.size(); ++run) {
            SCOPED_TRACE(run);
            const std::wstring after = run + 1 < runs_.size() ? Before(run + 1) : kAfter;
            EXPECT_TRUE(EveryDifferenceInPlan(runs_[run].plan, Before(run), after));
        }
    }

    // Imported newest first, the undo files give back the classes from before
    // the first run.
    void CheckUndo() {
        for (std::size_t run = runs_.size(); run-- > 0;) {
            const std::vector<std::wstring> undo = UndoFiles(runs_[run].folder);
            ASSERT_EQ(undo.size(), 1u);
            ASSERT_TRUE(reg_file::Import(undo[0]));
        }
        ASSERT_TRUE(reg_file::ExportClasses(kAfter));
        EXPECT_TRUE(SameClasses(Before(0), kAfter));
    }

private:
    std::wstring Before(std::size_t run) const {
        return Backup::ClassesBackupFile(runs_[run].folder);
    }

    struct Run {
        Registration::Plan plan;
        std::wstring folder;
    };
    std::vector<Run> runs_;
};

TEST_F(RegistrationTest, EveryTypeAndVerbTwiceOverKeysThatExist) {
    PutEverythingElse();
    PlannedRuns runs;
    runs.Register({{0, 1, 2, 3, 4, 5, 6, 7, 8},
                   {{1, kViewer},
                    {2, L""},
                    {3, L"C:\\Bild\\Schnell.exe"},
                    {4, L""},
                    {5, L"C:\\Bild\\Druck.exe"}}});
    runs.Register({{0, 1}, {{1, L"C:\\Bild\\Anders.exe"}, {3, L""}}});
    runs.CheckPlans();
    runs.CheckUndo();
}

// Every type alone, each with another verb, one of them without a program:
// from nothing, from an extension key with values, and from one with subkeys
// and a class with verbs of its own.
TEST_F(RegistrationTest, EveryTypeAloneFromNothingAndFromWhatExists) {
    for (int index = 0; index < catalogue::kFileTypeCount; ++index) {
        const catalogue::FileType& type = catalogue::kFileTypes[index];
        const std::wstring extension(type.extension);
        const std::wstring className(type.className);
        if (index % 3 >= 1) {
            PutText(extension, nullptr, L"Alt.Klasse");
            PutText(extension, L"Content Type", L"image/x-alt");
        }
        if (index % 3 == 2) {
            // Subkeys: the extension key cannot be deleted.
            PutText(extension + L"\\OpenWithProgids", L"Alt.Klasse", L"");
            PutText(extension + L"\\ShellNew", L"NullFile", L"");
            PutText(className, nullptr, L"Mein Bild");
            PutText(className + L"\\shell\\print\\command", nullptr, L"druck.exe \"%1\"");
            PutText(className + L"\\shell\\Open\\Command", nullptr, L"alt.exe \"%1\"");
            PutText(L"SystemFileAssociations\\" + extension + L"\\shell\\edit", nullptr,
                    L"Bearbeiten");
        }
    }
    PlannedRuns runs;
    for (int index = 0; index < catalogue::kFileTypeCount; ++index)
        runs.Register({{index}, {{index % catalogue::kVerbCount + 1, index == 3 ? L"" : kViewer}}});
    runs.CheckPlans();
    runs.CheckUndo();
}

TEST_F(RegistrationTest, ARunEndedFromOutsideIsUndoneByItsUndoFile) {
    const std::wstring probe = driver::BuildFolder() + L"\\registration_probe.exe";
    // At the first event the backups and the undo file are done and nothing
    // has changed yet; later ones fall between the writes of the three types.
    for (const int stopAt : {1, 4, 9}) {
        SCOPED_TRACE(stopAt);
        SetUp();
        PutEverythingElse();
        ASSERT_TRUE(reg_file::ExportClasses(kBefore));

        const UniqueKernelHandle stopped(
            CreateEventW(nullptr, TRUE, FALSE, L"BildkranzRegistrationProbeStopped"));
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION started{};
        std::wstring commandLine =
            L"\"" + probe + L"\" \"" + kBackupFolder + L"\" " + std::to_wstring(stopAt);
        ASSERT_TRUE(CreateProcessW(probe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                                   nullptr, nullptr, &startup, &started));
        const UniqueKernelHandle process(started.hProcess);
        const UniqueKernelHandle thread(started.hThread);
        const HANDLE either[] = {stopped.get(), process.get()};
        ASSERT_EQ(WaitForMultipleObjects(2, either, FALSE, 120'000), WAIT_OBJECT_0)
            << "the probe ended before it got there";
        TerminateProcess(process.get(), 9);
        WaitForSingleObject(process.get(), 10'000);
        ResetEvent(stopped.get());

        const std::vector<std::wstring> undo = UndoFiles(kBackupFolder);
        ASSERT_EQ(undo.size(), 1u);
        ASSERT_TRUE(reg_file::Import(undo[0]));
        ASSERT_TRUE(reg_file::ExportClasses(kAfter));
        EXPECT_TRUE(SameClasses(kBefore, kAfter));
    }
}

TEST_F(RegistrationTest, WithoutAnUndoFileNothingChanges) {
    // A value name with a line break cannot be written into a registry file.
    PutText(L".bmp", nullptr, L"alt");
    PutText(L".bmp", L"Zeile\nUmbruch", L"x");
    std::wstring message;
    try {
        Write({{0}, {{1, kViewer}}});
    } catch (const Failure& failure) {
        message = failure.Message();
    }
    EXPECT_NE(message.find(L"\u201E" + kBackupFolder + L"\\R\u00FCckg\u00E4ngig "),
              std::wstring::npos)
        << support::Ascii(message);
    EXPECT_TRUE(UndoFiles(kBackupFolder).empty());
    EXPECT_EQ(Text(L".bmp"), L"alt");
    EXPECT_FALSE(KeyPresent(L"ACDC_BMP"));
}

// --- Reading the current programs into the verb rows at start

namespace {

class StartUpTest : public testing::Test {
protected:
    void SetUp() override { DeleteAllAssociations(); }

    void PutCommand(int slot, const std::wstring& command) {
        PutText(L"ACDC_BMP" + std::wstring(catalogue::VerbAt(slot)->commandKeyPath), nullptr,
                command);
    }

    // The window as the program starts it, with the rows' texts and ticks.
    void Start() {
        root_ = std::make_unique<Root>(GetModuleHandleW(nullptr));
        root_->Show();
        root_->ProcessPendingEvents();
    }
    std::wstring RowText(int slot) const {
        return driver::WindowText(driver::FindControl(root_->Handle(), control_id::VerbText(slot)));
    }
    bool RowTicked(int slot) const {
        return Button_GetCheck(driver::FindControl(root_->Handle(),
                                                   control_id::VerbCheckBox(slot))) == BST_CHECKED;
    }
    bool RowEnabled(int slot) const {
        return driver::IsEnabled(
                   driver::FindControl(root_->Handle(), control_id::VerbText(slot))) &&
               driver::IsEnabled(
                   driver::FindControl(root_->Handle(), control_id::VerbBrowse(slot)));
    }

    std::unique_ptr<Root> root_;
};

} // namespace

TEST_F(StartUpTest, RowsShowTheProgramsRegisteredNow) {
    PutCommand(1, Registration::CommandValue(L"C:\\Tools\\view.exe"));
    PutCommand(2, L"C:\\Tools\\edit.exe %1");
    PutCommand(3, L"C:\\Tools\\quick.exe /p \"%1\"");
    PutCommand(4, L"\"%1\"");
    PutCommand(5, L" \"%1\"");
    Start();
    const struct {
        std::wstring_view text;
        bool ticked;
    } rows[] = {{L"C:\\Tools\\view.exe", true},
                {L"C:\\Tools\\edit.exe", true},
                {L"C:\\Tools\\quick.exe /p", true},
                {L"\"%1\"", true},
                {L"", false}};
    for (int slot = 1; slot <= 5; ++slot) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(RowText(slot), rows[slot - 1].text);
        EXPECT_EQ(RowTicked(slot), rows[slot - 1].ticked);
        EXPECT_EQ(RowEnabled(slot), rows[slot - 1].ticked);
    }
    // Filling the rows moved no focus: it is in the type list.
    EXPECT_EQ(GetFocus(), driver::FindControl(root_->Handle(), control_id::kTypeList));
}

TEST_F(StartUpTest, AProgramWithBlanksRoundTrips) {
    PutCommand(1, Registration::CommandValue(kViewer));
    Start();
    EXPECT_EQ(RowText(1), kViewer);
    EXPECT_EQ(Registration::CommandValue(RowText(1)), Text(L"ACDC_BMP\\shell\\Open\\Command"));
}

TEST_F(StartUpTest, NoCommandsLeaveEveryRowEmpty) {
    Start();
    for (int slot = 1; slot <= 5; ++slot) {
        EXPECT_EQ(RowText(slot), L"") << slot;
        EXPECT_FALSE(RowTicked(slot)) << slot;
    }
}

TEST_F(StartUpTest, NoSlotShowsAnotherSlotsProgram) {
    // A value that is no text counts as not found, even after a slot that had one.
    PutCommand(1, L"C:\\Tools\\view.exe \"%1\"");
    const std::wstring path = ClassesPath(L"ACDC_BMP\\shell\\Edit\\Command");
    const DWORD number = 7;
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, path.c_str(), nullptr, REG_DWORD, &number, sizeof(number));
    // A string stored without its terminator is taken as stored.
    const std::wstring bare = L"C:\\Tools\\quick.exe \"%1\"";
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, ClassesPath(L"ACDC_BMP\\shell\\Quickview\\Command").c_str(),
                    nullptr, REG_SZ, bare.data(),
                    static_cast<DWORD>(bare.size() * sizeof(wchar_t)));
    Start();
    EXPECT_EQ(RowText(2), L"");
    EXPECT_FALSE(RowTicked(2));
    EXPECT_EQ(RowText(3), L"C:\\Tools\\quick.exe");
}
