// The command line for administrators: read in the test's own process, and
// run as the program itself, from outside, against the real registry and the
// real registry editor of a fresh prefix.
#include "association/AssociationTexts.h"
#include "association/Catalogue.h"
#include "association/DefaultApps.h"
#include "association/KeyPath.h"
#include "association/KeyPath.h"
#include "association/Plan.h"
#include "common/Process.h"
#include "driver/Program.h"
#include "driver/WindowDriver.h"
#include "services/FileDirPath.h"
#include "tests/support/EditorSwap.h"
#include "tests/support/RegFile.h"
#include "tests/support/RegistryProbe.h"
#include "tests/support/System.h"
#include "tests/support/TextFile.h"
#include "unattended/AssociationFile.h"
#include "unattended/CommandLine.h"
#include "wizard/ControlIds.h"
#include "wizard/Texts.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace RegistryProbe;
using System::Ascii;

namespace {

const std::wstring kProgramFolder = L"C:\\Bild Kranz Verwaltung";
const std::wstring kBackups = L"C:\\Sicherung Ελληνικά\\Bildkranz";
const std::wstring kViewer = L"C:\\Programme mit Leerzeichen\\Просмотр\\Betrachter.exe";
const std::wstring kPrinter = L"C:\\Programme mit Leerzeichen\\Druck\\drucker.exe";
const std::wstring kBefore = L"C:\\vorher.reg";
// How a silent run says that it had nothing to do.
const std::wstring kAlreadyThere = L"schon alles, was dieser Lauf schreiben würde";

void PutFile(const std::wstring& path) {
    FileDirPath::CreateFolders(path.substr(0, path.rfind(L'\\')));
    ASSERT_TRUE(TextFile::Write(FileDirPath::ForFileCalls(path), L"x")) << Ascii(path);
}

// Nested folders to a file whose path is 300 characters long.
std::wstring LongProgramPath() {
    std::wstring path = L"C:\\Lang";
    while (path.size() < 240)
        path += L"\\Ordner mit langem Namen Ж " + std::to_wstring(path.size());
    const std::size_t name = 300 - path.size() - 1 - 4;
    return path + L"\\" + std::wstring(name, L'p') + L".exe";
}

std::wstring FromUtf8(const std::string& bytes) {
    std::wstring text(bytes.size(), L'\0');
    text.resize(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                    text.data(), static_cast<int>(text.size())));
    return text;
}

std::wstring ReadUtf8(const std::wstring& path) {
    return FromUtf8(System::FileBytes(path));
}

struct Finished {
    DWORD exitCode = 0xFFFF;
    std::wstring output;
};

// The program with these arguments; what it printed was UTF-8.
Finished RunProgram(const std::wstring& arguments) {
    const System::Finished finished =
        System::RunPrinting(kProgramFolder + L"\\Bildkranz.exe", arguments, 120'000);
    return {finished.exitCode.value_or(0xFFFF), FromUtf8(finished.output)};
}

std::wstring Quote(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

class CommandLineTest : public testing::Test {
protected:
    void SetUp() override {
        DeleteAllAssociations();
        Program::InstallProgram(kProgramFolder);
        PutFile(kViewer);
        PutFile(kPrinter);
    }
};

} // namespace

// --- Reading the arguments

TEST(CommandLine, ArgumentsArriveExactly) {
    const std::wstring longProgram = LongProgramPath();
    ASSERT_EQ(longProgram.size(), 300u);
    PutFile(kViewer);
    PutFile(longProgram);
    const std::wstring commandLine = L"\"C:\\Pfad\\Bildkranz.exe\" -TYPEN:PNG,bmp /oeffnen:" +
                                     Quote(kViewer) + L" \"/Drucken:" + longProgram +
                                     L"\" /Sicherung:\"C:\\Ordner mit Blank\\中文\" " +
                                     L"/protokoll:C:\\Протокол.txt -vorschau";
    const CommandLine::Parsed parsed =
        CommandLine::Parse(CommandLine::Arguments(commandLine.c_str()));
    ASSERT_FALSE(parsed.error) << Ascii(parsed.error->argument) << " "
                               << Ascii(parsed.error->reason);
    const CommandLine::Options& options = parsed.options;
    EXPECT_EQ(options.choices.tickedTypes, (std::vector<int>{0, 4}));
    ASSERT_EQ(options.choices.tickedVerbs.size(), 2u);
    EXPECT_EQ(options.choices.tickedVerbs[0].slot, 1);
    EXPECT_EQ(options.choices.tickedVerbs[0].program, kViewer);
    EXPECT_EQ(options.choices.tickedVerbs[1].slot, 5);
    EXPECT_EQ(options.choices.tickedVerbs[1].program, longProgram);
    EXPECT_EQ(options.backupFolder, L"C:\\Ordner mit Blank\\中文");
    EXPECT_EQ(options.logFile, L"C:\\Протокол.txt");
    EXPECT_TRUE(options.preview);

    const auto all = CommandLine::Parse({L"/Typen:alle", L"/Bearbeiten:" + kViewer});
    EXPECT_FALSE(all.error);
    EXPECT_EQ(all.options.choices.tickedTypes.size(), 9u);
    EXPECT_EQ(all.options.choices.scope, KeyPath::Scope::kMachine);
    const auto account = CommandLine::Parse({L"/konto", L"/Typen:png", L"/Oeffnen:" + kViewer});
    EXPECT_FALSE(account.error);
    EXPECT_EQ(account.options.choices.scope, KeyPath::Scope::kAccount);

    // Without arguments the wizard starts, whatever blanks follow the name;
    // a quoted name may be followed by an argument at once.
    for (const wchar_t* wizard :
         {L"\"C:\\Pfad mit Blank\\Bildkranz.exe\"  ", L"Bildkranz.exe\t", L"\"C:\\Bildkranz.exe\""})
        EXPECT_TRUE(CommandLine::Arguments(wizard).empty()) << Ascii(wizard);
    EXPECT_EQ(CommandLine::Arguments(L"\"C:\\Bildkranz.exe\"/?"), std::vector<std::wstring>{L"/?"});
}

// Each wrong argument is named, whatever else is right.
TEST(CommandLine, EveryUsageErrorNamesItsArgument) {
    PutFile(kViewer);
    const std::wstring open = L"/Oeffnen:" + kViewer;
    const struct {
        std::vector<std::wstring> arguments;
        std::wstring named;
    } cases[] = {
        {{L"/Typen:bmp", open, L"/Farbe:rot"}, L"/Farbe:rot"},
        {{L"/Typen:bmp", open, L"Typen:bmp"}, L"Typen:bmp"},
        {{L"/Typen:bmp,jpeg", open}, L"/Typen:bmp,jpeg"},
        {{L"/Typen:bmp,,gif", open}, L"/Typen:bmp,,gif"},
        {{L"/Typen:bmp,BMP", open}, L"/Typen:bmp,BMP"},
        {{open}, L"/Typen:"},
        {{L"/Typen:bmp"}, L"/Oeffnen:"},
        {{L"/Typen:bmp", open, L"/OEFFNEN:" + kViewer}, L"/OEFFNEN:" + kViewer},
        {{L"/Typen:bmp", L"/Drucken:C:\\Gibt es nicht\\x.exe"},
         L"/Drucken:C:\\Gibt es nicht\\x.exe"},
        {{L"/Typen:bmp", L"/Drucken:C:\\Programme mit Leerzeichen"},
         L"/Drucken:C:\\Programme mit Leerzeichen"},
        {{L"/Typen:bmp", L"/Drucken:Betrachter.exe"}, L"/Drucken:Betrachter.exe"},
        {{L"/Typen:bmp", open, L"/Sicherung:C:\\a|b"}, L"/Sicherung:C:\\a|b"},
        {{L"/Typen:bmp", open, L"/Vorschau:ja"}, L"/Vorschau:ja"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Ascii(c.named));
        const CommandLine::Parsed parsed = CommandLine::Parse(c.arguments);
        ASSERT_TRUE(parsed.error);
        EXPECT_EQ(parsed.error->argument, c.named);
        EXPECT_FALSE(parsed.error->reason.empty());
    }
    EXPECT_TRUE(CommandLine::Parse({L"/?"}).options.help);
}

// --- The program started with arguments

TEST_F(CommandLineTest, UsageErrorsExitWithTwoNameTheArgumentAndChangeNothing) {
    ASSERT_TRUE(RegFile::ExportClasses(kBefore));
    const std::wstring open = L"/Oeffnen:" + Quote(kViewer);
    // Every kind is named by the in-process test above; these show the exit
    // code, the output and the log of the program itself.
    const struct {
        std::wstring arguments;
        std::wstring named;
    } cases[] = {
        {L"/Typen:bmp,jpeg " + open, L"/Typen:bmp,jpeg"},
        {L"/Typen:bmp /Drucken:C:\\fehlt.exe", L"/Drucken:C:\\fehlt.exe"},
        {L"/Typen:bmp " + open + L" \"/Sicherung:C:\\Ordner mit Blank\\\" /Vorschau",
         L"/Sicherung:C:\\Ordner mit Blank\" /Vorschau"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Ascii(c.arguments));
        const Finished finished = RunProgram(L"/Protokoll:C:\\Protokoll\\p.txt " + c.arguments);
        EXPECT_EQ(finished.exitCode, 2u);
        EXPECT_NE(finished.output.find(L"\u201E" + c.named + L"\u201C"), std::wstring::npos)
            << Ascii(finished.output);
    }
    // What the log says, it says with date and time, once for each run.
    const std::vector<std::wstring> logged = TextFile::Lines(ReadUtf8(L"C:\\Protokoll\\p.txt"));
    ASSERT_EQ(logged.size(), std::size(cases));
    for (const std::wstring& line : logged)
        EXPECT_NE(line.find(L"  Fehler im Aufruf bei "), std::wstring::npos) << Ascii(line);
    EXPECT_EQ(Program::FilesIn(kProgramFolder), std::vector<std::wstring>{L"Bildkranz.exe"});
    EXPECT_TRUE(RegFile::ClassesAsIn(kBefore));

    const Finished help = RunProgram(L"/?");
    EXPECT_EQ(help.exitCode, 0u);
    EXPECT_NE(help.output.find(L"  3  eine Sicherung"), std::wstring::npos) << Ascii(help.output);
    // Kept in the program as UTF-8: umlauts and German quotes come out whole.
    EXPECT_NE(help.output.find(L"braucht daf\u00FCr \u201EAls Administrator ausf\u00FChren\u201C"),
              std::wstring::npos);
}

TEST_F(CommandLineTest, ThePreviewPrintsThePlanAndChangesNothing) {
    PutText(L".gif", nullptr, L"giffile");
    const std::wstring longProgram = LongProgramPath();
    PutFile(longProgram);
    const std::wstring arguments = L"/Typen:gif,png /Oeffnen:" + Quote(kViewer) + L" /Drucken:" +
                                   Quote(longProgram) + L" /Sicherung:" + Quote(kBackups) +
                                   L" /Vorschau";
    ASSERT_TRUE(RegFile::ExportClasses(kBefore));
    const Finished finished = RunProgram(arguments);
    EXPECT_EQ(finished.exitCode, 0u) << Ascii(finished.output);
    EXPECT_TRUE(RegFile::ClassesAsIn(kBefore));
    EXPECT_EQ(GetFileAttributesW(kBackups.c_str()), INVALID_FILE_ATTRIBUTES);

    // Every step in the plan's order, one line each, and every file.
    const Plan::Plan plan = Plan::Make({{1, 4}, {{1, kViewer}, {5, longProgram}}}, kBackups);
    const std::vector<std::wstring> lines = TextFile::Lines(finished.output);
    auto line = lines.begin();
    for (const Plan::Step& step : plan.steps) {
        SCOPED_TRACE(Ascii(step.key));
        line = std::find_if(line, lines.end(), [&](const std::wstring& text) {
            return text.find(std::wstring(KeyPath::RootName(KeyPath::Scope::kMachine)) + step.key +
                             L"  ") != std::wstring::npos ||
                   text.ends_with(std::wstring(KeyPath::RootName(KeyPath::Scope::kMachine)) +
                                  step.key);
        });
        ASSERT_NE(line, lines.end()) << "missing or out of order";
        if (step.action == Plan::Step::Action::SetValue) {
            EXPECT_NE(line->find(L"\u201E" + step.text + L"\u201C"), std::wstring::npos);
        }
        ++line;
    }
    for (const std::wstring file : {L"Temp 0_Classes.reg", L"Temp 2_gif.reg"})
        EXPECT_NE(finished.output.find(kBackups + L"\\" + file), std::wstring::npos);
    EXPECT_NE(finished.output.find(kBackups + L"\\R\u00FCckg\u00E4ngig "), std::wstring::npos);
}

// The wizard, pre-filled from the registry and taken through with Next, and
// the command line with the same choices write the same, and each one's undo
// file gives back what was there.
TEST_F(CommandLineTest, ASilentRunRegistersWhatTheWizardRegisters) {
    PutText(L".bmp", nullptr, L"Paint.Picture");
    PutText(L".bmp", L"Content Type", L"image/bmp");
    PutText(L".gif\\OpenWithProgids", L"giffile", L"");
    PutText(L"ACDC_BMP\\shell\\Open\\Command", nullptr, L"\"" + kViewer + L"\" \"%1\"");
    PutText(L"ACDC_BMP\\shell\\uPrint\\Command", nullptr, L"\"" + kPrinter + L"\" \"%1\"");
    ASSERT_TRUE(RegFile::ExportClasses(kBefore));

    {
        Program::RunningProgram wizard(kProgramFolder + L"\\Bildkranz.exe");
        ASSERT_NE(wizard.WaitForWindow(), nullptr);
        for (int screen = 2; screen <= 3; ++screen) {
            wizard.PostAltKey(L'w');
            ASSERT_TRUE(WindowDriver::WaitFor(
                [&] { return IsWindowVisible(wizard.Control(ControlIds::Screen(screen))) != 0; }));
        }
        wizard.PostAltKey(L'w');
        HWND box = wizard.WaitForMessageBox();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(WindowDriver::ReadMessageBox(box).text, Texts::kSuccess.text);
        PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        EXPECT_EQ(wizard.WaitForExit(), 0u);
    }
    const std::wstring byWizard = L"C:\\nach Assistent.reg";
    ASSERT_TRUE(RegFile::ExportClasses(byWizard));
    const std::wstring sameChoices = L"-typen:alle /Oeffnen:" + Quote(kViewer) + L" /drucken:" +
                                     Quote(kPrinter) + L" /Sicherung:" + Quote(kBackups);
    {
        SCOPED_TRACE("the same choices again: already there");
        const Finished again = RunProgram(sameChoices);
        EXPECT_EQ(again.exitCode, 0u);
        EXPECT_NE(again.output.find(kAlreadyThere), std::wstring::npos) << Ascii(again.output);
        EXPECT_EQ(GetFileAttributesW(kBackups.c_str()), INVALID_FILE_ATTRIBUTES);
    }
    const auto wizardUndo = System::FilesStartingWith(kProgramFolder, L"R\u00FCckg");
    ASSERT_EQ(wizardUndo.size(), 1u);
    ASSERT_TRUE(RegFile::Import(kProgramFolder + L"\\" + wizardUndo[0]));
    EXPECT_TRUE(RegFile::ClassesAsIn(kBefore));

    const std::wstring log = kBackups + L"\\protokoll.txt";
    const Finished finished = RunProgram(sameChoices + L" /Protokoll:" + Quote(log));
    EXPECT_EQ(finished.exitCode, 0u) << Ascii(finished.output);
    EXPECT_TRUE(RegFile::ClassesAsIn(byWizard));

    // Backups and undo file in the named folder, each step in the log.
    std::vector<std::wstring> files = Program::FilesIn(kBackups);
    std::sort(files.begin(), files.end());
    ASSERT_EQ(files.size(), 5u);
    EXPECT_EQ(files[0], L"R\u00FCckg\u00E4ngig " + files[0].substr(11));
    EXPECT_EQ(std::vector<std::wstring>(files.begin() + 1, files.end()),
              (std::vector<std::wstring>{L"Temp 0_Classes.reg", L"Temp 1_bmp.reg",
                                         L"Temp 2_gif.reg", L"protokoll.txt"}));
    const std::wstring logged = ReadUtf8(log);
    for (const std::wstring& part :
         {L"Sicherung \u201E" + kBackups + L"\\Temp 2_gif.reg\u201C: ",
          L"R\u00FCckg\u00E4ngig-Datei \u201E" + kBackups + L"\\" + files[0] + L"\u201C",
          std::wstring(L"Ergebnis: ")})
        EXPECT_NE(logged.find(part), std::wstring::npos) << Ascii(part);
    // Start, three backups, the undo file, each type's double-click, the result.
    EXPECT_EQ(TextFile::Lines(logged).size(), 6u + Catalogue::kFileTypeCount);
}

TEST_F(CommandLineTest, ABackupFolderThatCannotBeWrittenExitsWithThree) {
    PutFile(L"C:\\eine Datei");
    const std::wstring arguments = L"/Typen:bmp /Oeffnen:" + Quote(kViewer) + L" /Sicherung:";
    // A folder that cannot be made, and one where no file can be made: the
    // process file system, as a share for reading only would be.
    for (const std::wstring folder : {L"C:\\eine Datei\\Sicherung", L"Z:\\proc"}) {
        SCOPED_TRACE(Ascii(folder));
        const Finished finished = RunProgram(arguments + Quote(folder));
        EXPECT_EQ(finished.exitCode, 3u);
        EXPECT_NE(finished.output.find(L"\u201E" + folder + L"\u201C"), std::wstring::npos)
            << Ascii(finished.output);
        EXPECT_FALSE(KeyPresent(L"ACDC_BMP"));
    }
}

TEST_F(CommandLineTest, AnUndoFileThatCannotBeMadeExitsWithThree) {
    // A value name with a line break cannot be written into a registry file.
    PutText(L".bmp", L"Zeile\nUmbruch", L"x");
    const Finished finished =
        RunProgram(L"/Typen:bmp /Oeffnen:" + Quote(kViewer) + L" /Sicherung:" + Quote(kBackups));
    EXPECT_EQ(finished.exitCode, 3u) << Ascii(finished.output);
    EXPECT_NE(finished.output.find(L"R\u00FCckg\u00E4ngig"), std::wstring::npos)
        << Ascii(finished.output);
    EXPECT_FALSE(KeyPresent(L"ACDC_BMP"));
}

// Where the extension still names another class, Windows opens the type
// with that class's program, and the run says so.
TEST_F(CommandLineTest, AnExtensionKeyThatCannotBeWrittenLeavesItsClassInEffectAndSaysSo) {
    PutText(L".bmp", nullptr, L"Fotos.Datei");
    PutText(L".bmp\\OpenWithProgids", L"Fotos.Datei", L""); // a subkey: the key stays
    PutText(L"Fotos.Datei", nullptr, L"Fotos");
    MakeReadOnly(L".bmp");
    const Finished finished =
        RunProgram(L"/Typen:bmp /Oeffnen:" + Quote(kViewer) + L" /Sicherung:" + Quote(kBackups));
    EXPECT_EQ(finished.exitCode, 1u) << Ascii(finished.output);
    EXPECT_NE(finished.output.find(L"Doppelklick auf .bmp für dieses Konto: öffnet mit „Fotos“ "
                                   L"(Fotos.Datei), nicht mit ACDC_BMP."),
              std::wstring::npos)
        << Ascii(finished.output);
}

TEST_F(CommandLineTest, ADeniedCommandKeyExitsWithOne) {
    PutText(L"ACDC_BMP\\shell\\Open\\Command", nullptr, L"alt.exe \"%1\"");
    MakeReadOnly(L"ACDC_BMP\\shell\\Open\\Command");
    const Finished finished =
        RunProgram(L"/Typen:bmp /Oeffnen:" + Quote(kViewer) + L" /Sicherung:" + Quote(kBackups));
    EXPECT_EQ(finished.exitCode, 1u) << Ascii(finished.output);
    EXPECT_NE(finished.output.find(L"Software\\Classes\\ACDC_BMP\\shell\\Open\\Command  @"),
              std::wstring::npos)
        << Ascii(finished.output);
    EXPECT_EQ(RegistryProbe::ClassesText(L".bmp"), L"ACDC_BMP");
}

// --- Windows' Default Apps

TEST(DefaultApps, TheSettingsLinkOpensBildkranzsOwnEntryFromWindows11On) {
    EXPECT_EQ(DefaultApps::SettingsLink(19045), L"ms-settings:defaultapps");
    EXPECT_EQ(DefaultApps::SettingsLink(22000),
              L"ms-settings:defaultapps?registeredAppMachine=Bildkranz");
}

TEST(AssociationFile, EscapesWhatXmlReserves) {
    EXPECT_EQ(AssociationFile::Escaped(L"a&b<c>d\"e'f"), L"a&amp;b&lt;c&gt;d&quot;e&apos;f");
}

// Group policy's file, written alone: nothing else changes.
TEST_F(CommandLineTest, TheAssociationFileAloneChangesNothingElse) {
    const std::wstring file = L"C:\\Richtlinie Ordner\\Zuordnungen.xml";
    const std::vector<std::wstring> files = Program::FilesIn(kProgramFolder);
    ASSERT_TRUE(RegFile::ExportClasses(kBefore));
    const Finished finished = RunProgram(L"/Typen:png,bmp /Zuordnungsdatei:" + Quote(file));
    EXPECT_EQ(finished.exitCode, 0u) << Ascii(finished.output);
    EXPECT_EQ(System::FileBytes(file),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<DefaultAssociations>\r\n"
              "  <Association Identifier=\".bmp\" ProgId=\"ACDC_BMP\" "
              "ApplicationName=\"Bildkranz\" />\r\n"
              "  <Association Identifier=\".png\" ProgId=\"ACDC_PNG\" "
              "ApplicationName=\"Bildkranz\" />\r\n"
              "</DefaultAssociations>\r\n");
    EXPECT_TRUE(RegFile::ClassesAsIn(kBefore));
    EXPECT_FALSE(MachineKeyPresent(L"Software\\Bildkranz"));
    EXPECT_EQ(Program::FilesIn(kProgramFolder), files);
}

// A startup script runs the same registration at every start: once it is
// there, a run starts no editor and writes nothing. One more type is a
// change again. Each run says what a double-click opens for its account.
TEST_F(CommandLineTest, TheSameRunAgainStartsNoEditorAndWritesNothing) {
    const std::wstring backups = L"C:\\Sicherung Autostart";
    const std::wstring run = L"/Oeffnen:" + Quote(kViewer) + L" /Sicherung:" + Quote(backups);
    const Finished first = RunProgram(L"/Typen:bmp " + run);
    EXPECT_EQ(first.exitCode, 0u) << Ascii(first.output);
    const std::vector<std::wstring> written = Program::FilesIn(backups);
    ASSERT_TRUE(RegFile::ExportClasses(kBefore));
    {
        const EditorSwap noEditor(nullptr);
        const Finished again = RunProgram(L"/Typen:bmp " + run);
        EXPECT_EQ(again.exitCode, 0u) << Ascii(again.output);
        EXPECT_NE(again.output.find(kAlreadyThere), std::wstring::npos) << Ascii(again.output);
    }
    EXPECT_EQ(Program::FilesIn(backups), written);
    EXPECT_TRUE(RegFile::ClassesAsIn(kBefore));

    const Finished more = RunProgram(L"/Typen:bmp,png " + run);
    EXPECT_EQ(more.exitCode, 0u) << Ascii(more.output);
    EXPECT_NE(more.output.find(L".png für dieses Konto: öffnet mit ACDC_PNG, wie eingetragen."),
              std::wstring::npos)
        << Ascii(more.output);
    EXPECT_EQ(System::FilesStartingWith(backups, L"R\u00FCckg").size(), 2u);
}

// Wine has no settings page: the way by hand is said instead, and no box
// waits for anyone. Given one, the page is opened by its link.
TEST_F(CommandLineTest, TheSettingsPageOpensByItsLinkOrTheWayByHandIsSaid) {
    const Finished without = RunProgram(L"/StandardApps");
    EXPECT_EQ(without.exitCode, 4u);
    EXPECT_NE(without.output.find(AssociationTexts::kWayByHand), std::wstring::npos)
        << Ascii(without.output);

    ASSERT_TRUE(System::InstallSettingsPage());
    const Finished opened = RunProgram(L"/StandardApps");
    EXPECT_EQ(opened.exitCode, 0u) << Ascii(opened.output);
    // The page may be started by the shell, a moment after the program ends.
    EXPECT_TRUE(WindowDriver::WaitFor([] { return !TextFile::Read(System::kSettingsCall).empty(); },
                                      60'000));
    EXPECT_EQ(TextFile::Read(System::kSettingsCall), L"ms-settings:defaultapps\n");
    DeleteTree(L"ms-settings");
}
