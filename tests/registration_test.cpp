// Writing the associations with their backups and undo files, against the
// real registry and the real registry editor of a fresh Wine prefix.
#include "association/Backup.h"
#include "association/KeyPath.h"
#include "association/Registration.h"
#include "common/Failure.h"
#include "common/Process.h"
#include "common/Text.h"
#include "driver/Program.h"
#include "tests/support/EditorSwap.h"
#include "tests/support/RegFile.h"
#include "tests/support/RegistrationRecorder.h"
#include "tests/support/RegistryProbe.h"
#include "tests/support/TextFile.h"
#include "tests/support/VersionRecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

using namespace RegistryProbe;
using System::Ascii;
using Step = Plan::Step;

namespace {

const std::wstring kBackupFolder = L"C:\\Sicherung mit Leerzeichen";
// Not named like a program of Wine's own: Wine answers for those with its own
// version record, wherever they lie.
const std::wstring kViewer = L"C:\\Programme\\Mein Bild\\Betrachter.exe";
const std::wstring kAfter = L"C:\\nachher.reg";
const Plan::Choices kEveryType{{0, 1, 2, 3, 4, 5, 6, 7, 8}, {{1, kViewer}}};

// Extension keys with values of their own and a subkey, a class key with its
// own verbs, verbs of another program for the extension.
void PutWhatExists() {
    PutText(L".bmp", nullptr, L"Paint.Picture");
    PutText(L".bmp", L"Content Type", L"image/bmp");
    PutText(L".bmp\\ShellNew", L"NullFile", L"");
    PutText(L".gif\\OpenWithProgids", L"giffile", L"");
    PutText(L"ACDC_BMP", nullptr, L"Mein Bitmap");
    PutText(L"ACDC_BMP\\shell\\Open\\Command", nullptr, L"C:\\Alt\\open.exe \"%1\"");
    PutText(L"ACDC_BMP\\shell\\print\\command", nullptr, L"C:\\Alt\\print.exe \"%1\"");
    PutText(L"SystemFileAssociations\\.bmp\\shell\\uPrint", nullptr, L"Alt drucken");
}

class RegistrationTest : public testing::Test {
protected:
    void SetUp() override {
        DeleteAllAssociations();
        System::EmptyFolder(kBackupFolder);
    }
    bool Write(const Plan::Choices& choices) {
        Registration::Register(choices, kBackupFolder, recorder_);
        return recorder_.outcome.Complete();
    }
    RegistrationRecorder recorder_;
};

} // namespace

TEST_F(RegistrationTest, VerbsForAnyDefaultAppNameTheirProgramAndShowItsIcon) {
    const std::wstring associations = L"SystemFileAssociations\\";
    PutText(associations + L".bmp\\shell\\Open\\Command", nullptr, L"alt.exe \"%1\"");
    PutText(L".bmp\\OpenWithProgids", L"Paint.Picture", L"");
    const std::wstring named = L"C:\\Programme\\Bild & Co\\ansicht.exe";
    ASSERT_TRUE(System::PlaceRecorder(named));
    ASSERT_TRUE(VersionRecord::Write(named, {{0x0407, L"Bild & Co Ansicht"}}, {0x0407}));
    const std::wstring bare = L"C:\\Programme\\Ohne\\Schnell Ansicht.exe";

    EXPECT_TRUE(Write({{0, 4}, {{1, named}, {3, bare}, {4, L""}, {5, bare}}}));
    EXPECT_TRUE(Write({{6}, {{2, L""}}})); // no program: nothing for the extension

    const struct {
        const wchar_t* key;
        std::wstring program;
        std::wstring caption;
    } verbs[] = {
        {L"Bildkranz.Open", named, L"Mit Bild && Co Ansicht \u00F6&ffnen"},
        {L"Bildkranz.Quickview", bare, L"&Schnellansicht mit Schnell Ansicht"},
        {L"Bildkranz.uPrint", bare, L"Mit Schnell Ansicht &drucken"},
    };
    for (const std::wstring extension : {L".bmp", L".png"}) {
        const std::wstring shell = associations + extension + L"\\shell\\";
        for (const auto& verb : verbs) {
            SCOPED_TRACE(Ascii(shell + verb.key));
            EXPECT_EQ(RegistryProbe::ClassesText(shell + verb.key), verb.caption);
            EXPECT_EQ(RegistryProbe::ClassesText(shell + verb.key, L"Icon"), verb.program + L",0");
            EXPECT_EQ(RegistryProbe::ClassesText(shell + verb.key + L"\\Command"),
                      Plan::CommandValue(verb.program));
            EXPECT_EQ(KeyClass(shell + verb.key + L"\\Command"), L"1");
        }
        EXPECT_FALSE(KeyPresent(shell + L"Bildkranz.Resample"));
        EXPECT_EQ(RegistryProbe::ClassesText(extension + L"\\OpenWithProgids",
                                             extension == L".bmp" ? L"ACDC_BMP" : L"ACDC_PNG"),
                  L"");
    }
    EXPECT_EQ(RegistryProbe::ClassesText(associations + L".bmp\\shell\\Open\\Command"),
              L"alt.exe \"%1\"");
    EXPECT_FALSE(KeyPresent(associations + L".png\\shell\\Open"));
    // The key had a subkey, so it could not be written fresh: it keeps the old entry.
    EXPECT_EQ(RegistryProbe::ClassesText(L".bmp\\OpenWithProgids", L"Paint.Picture"), L"");
    EXPECT_FALSE(KeyPresent(associations + L".psd"));
    EXPECT_EQ(RegistryProbe::ClassesText(L".psd\\OpenWithProgids", L"ACDC_PSD"), L"");
}

// Each stand-in editor waits until all ten have started, then notes what the
// registry held when it ended. One of them may fail: then nothing changes and
// the failure names its file.
TEST_F(RegistrationTest, AllTenExportsRunAtOnceBeforeAnyChangeAndOneFailureStopsAll) {
    for (const std::wstring failing : {L"", L".gif"}) {
        SCOPED_TRACE(Ascii(failing));
        SetUp();
        for (const wchar_t* extension :
             {L".bmp", L".gif", L".jpg", L".pcx", L".png", L".tif", L".psd", L".tga", L".wmf"})
            PutText(extension, nullptr, L"alt");
        EditorSwap swap(L"together");
        SetEnvironmentVariableW(L"BILDKRANZ_FAKE_EDITORS", L"10");
        SetEnvironmentVariableW(L"BILDKRANZ_FAKE_FAIL_KEY", failing.c_str());
        std::wstring message;
        try {
            Write(kEveryType);
        } catch (const Failure& failure) {
            message = failure.Message();
        }
        SetEnvironmentVariableW(L"BILDKRANZ_FAKE_EDITORS", nullptr);
        SetEnvironmentVariableW(L"BILDKRANZ_FAKE_FAIL_KEY", nullptr);

        const std::vector<std::wstring> backups =
            System::FilesStartingWith(kBackupFolder, L"Temp ");
        ASSERT_EQ(backups.size(), 10u) << "every editor finished its file";
        if (failing.empty()) {
            for (const std::wstring& file : backups)
                EXPECT_EQ(TextFile::Lines(TextFile::Read(kBackupFolder + L"\\" + file)),
                          (std::vector<std::wstring>{L"together", L"alt|-"}))
                    << Ascii(file);
            EXPECT_EQ(RegistryProbe::ClassesText(L".bmp"), L"ACDC_BMP");
            EXPECT_GT(recorder_.pendingEventCalls,
                      9); // the window is kept painted between the steps
        } else {
            EXPECT_NE(message.find(L"\u201E" + kBackupFolder + L"\\Temp 2_gif.reg\u201C"),
                      std::wstring::npos)
                << Ascii(message);
            EXPECT_EQ(RegistryProbe::ClassesText(L".bmp"), L"alt");
            EXPECT_FALSE(KeyPresent(L"ACDC_BMP") || KeyPresent(L"SystemFileAssociations\\.bmp"));
            EXPECT_TRUE(System::FilesStartingWith(kBackupFolder, L"R\u00FCckg").empty());
        }
    }
}

// --- The plan: whatever a run changes is in it, and its undo file takes it back

namespace {

// The name of the value a line of a registry file sets; empty for "@".
std::wstring ValueNameOf(const std::wstring& line) {
    std::wstring name;
    for (std::size_t i = 1; !line.starts_with(L'@') && i < line.size() && line[i] != L'"'; ++i)
        name += line[i] == L'\\' && i + 1 < line.size() ? line[++i] : line[i];
    return name;
}

// Whether a step of the plan does this to the key: a delete that the
// platform does not refuse covers all below its key; a value is named.
bool Planned(const Plan::Plan& plan, Step::Action action, std::wstring_view key,
             const std::optional<std::wstring>& value = std::nullopt) {
    return std::any_of(plan.steps.begin(), plan.steps.end(), [&](const Step& step) {
        if (step.action != action)
            return false;
        if (action == Step::Action::DeleteKey)
            return !step.refused && KeyPath::SameOrBelow(key, step.key);
        return Text::Same(key, step.key) && (!value || step.valueName == *value);
    });
}

// A key (no value name) or one of its values that differs is accounted for by
// a step; a key the plan deletes changes with all below it.
bool InPlan(const Plan::Plan& plan, std::wstring_view key,
            const std::optional<std::wstring>& value) {
    return Planned(plan, Step::Action::DeleteKey, key) ||
           (value ? Planned(plan, Step::Action::SetValue, key, value)
                  : Planned(plan, Step::Action::CreateKey, key));
}

// Every difference between the exports is in the plan, and what a delete the
// plan does not call refused took away is gone.
testing::AssertionResult EveryDifferenceInPlan(const Plan::Plan& plan,
                                               const std::wstring& beforeFile,
                                               const std::wstring& afterFile) {
    const RegFile::Content before = RegFile::ParseFile(beforeFile);
    const RegFile::Content after = RegFile::ParseFile(afterFile);
    std::string wrong;
    int differences = 0;
    const auto check = [&](const std::wstring& block, const std::optional<std::wstring>& line) {
        ++differences;
        const std::wstring key = block.substr(KeyPath::RootName(KeyPath::Scope::kMachine).size());
        if (!InPlan(plan, key, line ? std::optional(ValueNameOf(*line)) : std::nullopt))
            wrong += "not in the plan: [" + Ascii(key) + "] " + Ascii(line.value_or(L"")) + "\n";
    };
    for (const auto& [from, other] : {std::pair{&before, &after}, std::pair{&after, &before}})
        for (const auto& [block, lines] : *from) {
            const auto found = other->find(block);
            if (found == other->end())
                check(block, std::nullopt);
            else
                for (const std::wstring& line : lines)
                    if (!found->second.contains(line))
                        check(block, line);
        }
    // What remains below a delete is only what later steps make again.
    for (const auto& [block, lines] : after) {
        const std::wstring key = block.substr(KeyPath::RootName(KeyPath::Scope::kMachine).size());
        if (!Planned(plan, Step::Action::DeleteKey, key))
            continue;
        if (!Planned(plan, Step::Action::CreateKey, key))
            wrong += "deleted, yet still there: [" + Ascii(key) + "]\n";
        for (const std::wstring& line : lines)
            if (!Planned(plan, Step::Action::SetValue, key, ValueNameOf(line)))
                wrong += "deleted, yet still there: [" + Ascii(key) + "] " + Ascii(line) + "\n";
    }
    if (differences == 0)
        wrong += "the run changed nothing";
    return wrong.empty() ? testing::AssertionSuccess() : testing::AssertionFailure() << wrong;
}

// Runs one after another, each with its own backup folder: the classes backup
// of a run is the export before it, the one of the next run the export after.
class PlannedRuns {
public:
    void Register(const Plan::Choices& choices) {
        const std::wstring folder = kBackupFolder + L"\\" + std::to_wstring(runs_.size());
        System::EmptyFolder(folder);
        RegistrationRecorder recorder;
        Registration::Register(choices, folder, recorder);
        EXPECT_TRUE(recorder.outcome.Complete());
        runs_.push_back({recorder.plan, folder});
    }
    // Each run's differences are in its plan; the undo files, imported newest
    // first, give back the classes from before the first run.
    void Check() {
        ASSERT_TRUE(RegFile::ExportClasses(kAfter));
        for (std::size_t run = 0; run < runs_.size(); ++run)
            EXPECT_TRUE(EveryDifferenceInPlan(runs_[run].plan, Before(run),
                                              run + 1 < runs_.size() ? Before(run + 1) : kAfter))
                << "run " << run;
        for (std::size_t run = runs_.size(); run-- > 0;) {
            const auto undo = System::FilesStartingWith(runs_[run].folder, L"R\u00FCckg");
            ASSERT_EQ(undo.size(), 1u);
            // As a double-click imports it: the keys outside the classes are
            // in the 64-bit view.
            ASSERT_TRUE(
                RegFile::Import(runs_[run].folder + L"\\" + undo[0], RegFile::Editor::DoubleClick));
        }
        EXPECT_TRUE(RegFile::ClassesAsIn(Before(0)));
    }

private:
    std::wstring Before(std::size_t run) const {
        return Backup::ClassesBackupFile(runs_[run].folder);
    }
    struct Run {
        Plan::Plan plan;
        std::wstring folder;
    };
    std::vector<Run> runs_;
};

} // namespace

TEST_F(RegistrationTest, EveryTypeAndVerbTwiceOverKeysThatExist) {
    PutWhatExists();
    PlannedRuns runs;
    runs.Register({kEveryType.tickedTypes,
                   {{1, kViewer},
                    {2, L""},
                    {3, L"C:\\Bild\\Schnell.exe"},
                    {4, L""},
                    {5, L"C:\\Bild\\Druck.exe"}}});
    runs.Register({{0, 1}, {{1, L"C:\\Bild\\Anders.exe"}, {3, L""}}});
    // The types the second run left alone show the first one's verbs, each
    // under its name and caption; only extension keys that existed were saved.
    const struct {
        const wchar_t* verb;
        const wchar_t* caption;
        const wchar_t* command;
    } verbs[] = {
        {L"Open", L"\u00D6&ffnen", L"\"C:\\Programme\\Mein Bild\\Betrachter.exe\" \"%1\""},
        {L"Edit", L"&Bearbeiten", L" \"%1\""},
        {L"Quickview", L"&Schnellansicht", L"C:\\Bild\\Schnell.exe \"%1\""},
        {L"Resample", L"&Konvertieren", L" \"%1\""},
        {L"uPrint", L"&Drucken", L"C:\\Bild\\Druck.exe \"%1\""},
    };
    for (const auto& verb : verbs) {
        const std::wstring key = L"ACDC_TIF\\shell\\" + std::wstring(verb.verb);
        EXPECT_EQ(RegistryProbe::ClassesText(key), verb.caption) << Ascii(key);
        EXPECT_EQ(RegistryProbe::ClassesText(key + L"\\Command"), verb.command) << Ascii(key);
    }
    EXPECT_EQ(RegistryProbe::ClassesText(L".jpg"), L"ACDC_JPG");
    EXPECT_EQ(KeyClass(L".jpg"), L"1");
    EXPECT_EQ(RegistryProbe::ClassesText(L"ACDC_PSD\\DefaultIcon"), L"shimgvw.dll,2");
    EXPECT_EQ(RegistryProbe::ClassesText(L"ACDC_WMF\\DefaultIcon"), L"shimgvw.dll,4");
    EXPECT_EQ(
        System::FilesStartingWith(kBackupFolder + L"\\0", L"Temp "),
        (std::vector<std::wstring>{L"Temp 0_Classes.reg", L"Temp 1_bmp.reg", L"Temp 2_gif.reg"}));
    runs.Check();
}

// Windows' Default Apps offer the types whose class got an open command,
// under the open program's icon; the types of earlier runs stay offered.
// Written where 64-bit Windows reads them, whatever this process's width, and
// taken back by the undo files.
TEST_F(RegistrationTest, DefaultAppsOfferTheOpenedTypesAndTheUndoFilesTakeThemBack) {
    const std::wstring other = L"C:\\Programme\\Anders\\Ansicht.exe";
    const std::wstring capabilities = L"Software\\Bildkranz\\Capabilities";
    const std::wstring associations = capabilities + L"\\FileAssociations";
    PutMachineText(L"Software\\RegisteredApplications", L"Paint", L"Software\\Paint\\Capabilities");
    PlannedRuns runs;
    runs.Register({{0, 1}, {{1, kViewer}, {5, L"C:\\Bild\\Druck.exe"}}});
    runs.Register({{4}, {{1, other}}});
    runs.Register({{6, 7}, {{1, L""}, {2, kViewer}}}); // no program opens them

    EXPECT_EQ(MachineText(L"Software\\RegisteredApplications", L"Bildkranz"), capabilities);
    EXPECT_EQ(MachineText(capabilities, L"ApplicationName"), L"Bildkranz");
    EXPECT_EQ(MachineText(capabilities, L"ApplicationIcon"), other + L",0");
    EXPECT_NE(MachineText(capabilities, L"ApplicationDescription").value_or(L""), L"");
    const std::pair<const wchar_t*, std::optional<std::wstring>> offered[] = {
        {L".bmp", L"ACDC_BMP"},
        {L".gif", L"ACDC_GIF"},
        {L".png", L"ACDC_PNG"},
        {L".psd", std::nullopt},
        {L".tga", std::nullopt}};
    for (const auto& [extension, className] : offered)
        EXPECT_EQ(MachineText(associations, extension), className) << Ascii(extension);
    EXPECT_FALSE(MachineKeyPresent(L"Software\\WOW6432Node\\Bildkranz"));
    EXPECT_EQ(MachineText(L"Software\\WOW6432Node\\RegisteredApplications", L"Bildkranz"),
              std::nullopt);

    runs.Check();
    EXPECT_FALSE(MachineKeyPresent(L"Software\\Bildkranz"));
    EXPECT_EQ(MachineText(L"Software\\RegisteredApplications", L"Bildkranz"), std::nullopt);
    EXPECT_EQ(MachineText(L"Software\\RegisteredApplications", L"Paint"),
              L"Software\\Paint\\Capabilities");
}

// Every type alone, each with another verb, one without a program: from
// nothing, from an extension key with values, from one with subkeys and a
// class with verbs of its own.
TEST_F(RegistrationTest, EveryTypeAloneFromNothingAndFromWhatExists) {
    const wchar_t* types[][2] = {{L".gif", L"ACDC_GIF"}, {L".jpg", L"ACDC_JPG"},
                                 {L".png", L"ACDC_PNG"}, {L".tif", L"ACDC_TIF"},
                                 {L".tga", L"ACDC_TGA"}, {L".wmf", L"ACDC_WMF"}};
    for (int index = 0; index < 6; ++index) {
        const std::wstring extension = types[index][0];
        const std::wstring className = types[index][1];
        PutText(extension, nullptr, L"Alt.Klasse");
        PutText(extension, L"Content Type", L"image/x-alt");
        if (index % 2 == 1) {
            PutText(extension + L"\\OpenWithProgids", L"Alt.Klasse", L"");
            PutText(extension + L"\\ShellNew", L"NullFile", L"");
            PutText(className + L"\\shell\\print\\command", nullptr, L"druck.exe \"%1\"");
            PutText(className + L"\\shell\\Open\\Command", nullptr, L"alt.exe \"%1\"");
            PutText(L"SystemFileAssociations\\" + extension + L"\\shell\\edit", nullptr, L"B");
        }
    }
    PlannedRuns runs;
    for (int index = 0; index < 9; ++index)
        runs.Register({{index}, {{index % 5 + 1, index == 3 ? L"" : kViewer}}});
    runs.Check();
}

// At its first pending events the backups and the undo file are done and
// nothing has changed yet; later ones fall between the writes of its types.
TEST_F(RegistrationTest, ARunEndedFromOutsideIsUndoneByItsUndoFile) {
    const std::wstring probe = Program::BuildFolder() + L"\\registration_probe.exe";
    const std::wstring before = L"C:\\vorher.reg";
    for (const int stopAt : {1, 4, 9}) {
        SCOPED_TRACE(stopAt);
        SetUp();
        PutWhatExists();
        ASSERT_TRUE(RegFile::ExportClasses(before));
        const UniqueKernelHandle stopped(
            CreateEventW(nullptr, TRUE, FALSE, L"BildkranzRegistrationProbeStopped"));
        const UniqueKernelHandle running = Process::Start(
            probe, L"\"" + probe + L"\" \"" + kBackupFolder + L"\" " + std::to_wstring(stopAt));
        ASSERT_TRUE(running);
        const HANDLE either[] = {stopped.get(), running.get()};
        ASSERT_EQ(WaitForMultipleObjects(2, either, FALSE, 120'000), WAIT_OBJECT_0)
            << "the probe ended before it got there";
        Process::End(running.get(), 9);

        const auto undo = System::FilesStartingWith(kBackupFolder, L"R\u00FCckg");
        ASSERT_EQ(undo.size(), 1u);
        ASSERT_TRUE(RegFile::Import(kBackupFolder + L"\\" + undo[0]));
        EXPECT_TRUE(RegFile::ClassesAsIn(before));
    }
}
