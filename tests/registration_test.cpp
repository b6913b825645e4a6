// Writing the associations and reading the current programs back, against the
// real registry and the real registry editor of a fresh Wine prefix.
#include "association/Catalogue.h"
#include "association/CurrentPrograms.h"
#include "association/Registration.h"
#include "tools/driver/Program.h"
#include "common/Failure.h"
#include "common/UniqueHandle.h"
#include "tests/support/EditorSwap.h"
#include "tests/support/RegFile.h"
#include "tests/support/RegistryProbe.h"
#include "tests/support/System.h"
#include "tests/support/TextFile.h"
#include "tools/driver/WindowDriver.h"
#include "wizard/ControlIds.h"
#include "wizard/Root.h"

#include <gtest/gtest.h>
#include <windowsx.h>

#include <algorithm>
#include <memory>

using namespace probe;

namespace {

const std::wstring kBackupFolder = L"C:\\Sicherung mit Leerzeichen";
const std::wstring kViewer = L"C:\\Programme\\Mein Bild\\View.exe";

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
            choices, [this] { ++pendingEventCalls_; }, kBackupFolder);
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

TEST_F(RegistrationTest, VerbsAlsoForTheExtensionWhateverTheDefaultApp) {
    const std::wstring associations = L"SystemFileAssociations\\";
    PutText(associations + L".bmp\\shell\\Open", nullptr, L"Alt");
    PutText(associations + L".bmp\\shell\\Edit\\Command", nullptr, L"alt.exe \"%1\"");
    PutText(associations + L".gif\\shell\\Open\\Command", nullptr, L"alt.exe \"%1\"");
    PutText(L".bmp\\OpenWithProgids", L"Paint.Picture", L"");

    EXPECT_TRUE(Write({{0, 4}, {{1, kViewer}, {5, L"C:\\Bild\\Druck.exe"}}}));

    const std::wstring viewerCommand = Registration::CommandValue(kViewer);
    for (const std::wstring extension : {L".bmp", L".png"}) {
        SCOPED_TRACE(extension.c_str());
        const std::wstring shell = associations + extension + L"\\shell\\";
        EXPECT_EQ(Text(shell + L"Open"), L"\u00D6&ffnen");
        EXPECT_EQ(Text(shell + L"Open\\Command"), viewerCommand);
        EXPECT_EQ(Text(shell + L"uPrint"), L"&Drucken");
        EXPECT_EQ(Text(shell + L"uPrint\\Command"), L"C:\\Bild\\Druck.exe \"%1\"");
        EXPECT_FALSE(KeyPresent(shell + L"Quickview"));
        EXPECT_EQ(KeyClass(shell + L"Open\\Command"), L"1");
    }
    EXPECT_EQ(Text(L".bmp\\OpenWithProgids", L"ACDC_BMP"), L"");
    EXPECT_EQ(Text(L".png\\OpenWithProgids", L"ACDC_PNG"), L"");
    // The key had a subkey, so it could not be written fresh: it keeps the old list entry.
    EXPECT_EQ(Text(L".bmp\\OpenWithProgids", L"Paint.Picture"), L"");
    EXPECT_EQ(Text(L".bmp"), L"ACDC_BMP");
    // An unticked verb and an unticked type stay as they were.
    EXPECT_EQ(Text(associations + L".bmp\\shell\\Edit\\Command"), L"alt.exe \"%1\"");
    EXPECT_EQ(Text(associations + L".gif\\shell\\Open\\Command"), L"alt.exe \"%1\"");
    EXPECT_FALSE(KeyPresent(L".gif\\OpenWithProgids"));
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

TEST_F(RegistrationTest, TheUndoFileGivesBackTheClassesAsTheyWere) {
    for (const bool existing : {false, true}) {
        SCOPED_TRACE(existing ? "everything existed" : "nothing existed");
        SetUp();
        if (existing)
            PutEverythingElse();
        ASSERT_TRUE(reg_file::ExportClasses(kBefore));
        EXPECT_TRUE(Write({{0, 1, 4}, {{1, kViewer}, {2, L""}, {5, L"C:\\Bild\\Druck.exe"}}}));
        const std::vector<std::wstring> undo = UndoFiles(kBackupFolder);
        ASSERT_EQ(undo.size(), 1u);
        ASSERT_TRUE(reg_file::Import(undo[0]));
        ASSERT_TRUE(reg_file::ExportClasses(kAfter));
        EXPECT_TRUE(SameClasses(kBefore, kAfter));
    }
}

TEST_F(RegistrationTest, TwoRunsAreUndoneNewestFirst) {
    PutEverythingElse();
    ASSERT_TRUE(reg_file::ExportClasses(kBefore));
    EXPECT_TRUE(Write({{0, 4}, {{1, kViewer}}}));
    EXPECT_TRUE(Write({{0, 1}, {{1, L"C:\\Bild\\Anders.exe"}, {3, L"C:\\Bild\\Schnell.exe"}}}));
    const std::vector<std::wstring> undo = UndoFiles(kBackupFolder);
    ASSERT_EQ(undo.size(), 2u);
    // Both may bear the same second: the later one has the " (2)".
    const std::wstring& second = undo[0].find(L" (2)") != std::wstring::npos ? undo[0] : undo[1];
    const std::wstring& first = &second == &undo[0] ? undo[1] : undo[0];
    ASSERT_TRUE(reg_file::Import(second));
    ASSERT_TRUE(reg_file::Import(first));
    ASSERT_TRUE(reg_file::ExportClasses(kAfter));
    EXPECT_TRUE(SameClasses(kBefore, kAfter));
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
