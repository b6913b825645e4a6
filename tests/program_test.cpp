// The real program, started from a folder whose name has a blank and driven
// from outside: the ways it ends and what it leaves behind.
#include "common/FailureReport.h"
#include "common/UniqueHandle.h"
#include "driver/Program.h"
#include "driver/WindowDriver.h"
#include "tests/support/RegFile.h"
#include "tests/support/RegistryProbe.h"
#include "tests/support/System.h"
#include "wizard/ControlIds.h"
#include "wizard/Texts.h"

#include <gtest/gtest.h>
#include <psapi.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <vector>

using namespace Program;
using namespace WindowDriver;
namespace id = ControlIds;

namespace {

const std::wstring kFolder = L"C:\\Bild Kranz";

class ProgramTest : public testing::Test {
protected:
    void Start() {
        program_ = std::make_unique<RunningProgram>(InstallProgram(kFolder));
        window_ = program_->WaitForWindow();
        ASSERT_NE(window_, nullptr);
    }

    void GoToScreen(int screen) {
        for (int next = 2; next <= screen; ++next) {
            if (next == 3)
                program_->Click(id::VerbCheckBox(1));
            program_->PostAltKey(L'w');
            ASSERT_TRUE(
                WaitFor([&] { return IsWindowVisible(FindControl(window_, id::Screen(next))); }));
        }
    }

    std::unique_ptr<RunningProgram> program_;
    HWND window_ = nullptr;
};

} // namespace

TEST_F(ProgramTest, EveryWayOfCancellingEndsAtOnceWithNothingWritten) {
    const std::wstring before = L"C:\\vorher.reg";
    ASSERT_TRUE(RegFile::ExportClasses(before));
    const struct {
        const char* name;
        int screen;
        std::function<void(RunningProgram&, HWND)> press;
    } ways[] = {
        {"Escape on the type screen", 1,
         [](RunningProgram& p, HWND) {
             p.PostKey(VK_ESCAPE);
         }},
        {"Alt+A on the verb screen", 2,
         [](RunningProgram& p, HWND) {
             p.PostAltKey(L'a');
         }},
        {"the close box on the confirmation screen", 3,
         [](RunningProgram&, HWND window) {
             PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
         }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        Start();
        GoToScreen(way.screen);
        way.press(*program_, window_);
        EXPECT_EQ(program_->WaitForExit(), 0u);
        EXPECT_EQ(FilesIn(kFolder), std::vector<std::wstring>{L"Bildkranz.exe"});
    }
    EXPECT_TRUE(RegFile::ClassesAsIn(before));
}

// A second Next and a close request arrive while the registration runs; it
// runs once and to its end, the window gone before the success message.
TEST_F(ProgramTest, QueuedClicksAndACloseRequestDoNotCutTheRegistrationShort) {
    Start();
    GoToScreen(3);
    program_->PostAltKey(L'w');
    program_->PostAltKey(L'w');
    PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
    HWND box = program_->WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(IsWindowVisible(window_));
    const MessageBoxSeen seen = ReadMessageBox(box);
    EXPECT_EQ(seen.title, Texts::kSuccess.title);
    EXPECT_EQ(seen.text, Texts::kSuccess.text);
    EXPECT_EQ(seen.visibleButtons, 1);
    EXPECT_EQ(RegistryProbe::ClassesText(L".bmp"), L"ACDC_BMP");
    EXPECT_EQ(RegistryProbe::ClassesText(L".wmf"), L"ACDC_WMF");
    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(program_->WaitForExit(), 0u);
}

// What only some runs need (the file dialog, OLE automation, the
// accessibility layer) is loaded where it is first needed: a start does not
// pay for it.
TEST_F(ProgramTest, StartsWithoutWhatOnlySomeRunsNeed) {
    Start();
    HMODULE modules[512]{};
    DWORD size = 0;
    ASSERT_TRUE(K32EnumProcessModules(program_->Handle(), modules, sizeof(modules), &size));
    std::vector<std::wstring> loaded;
    for (DWORD i = 0; i < size / sizeof(HMODULE) && i < std::size(modules); ++i) {
        wchar_t name[MAX_PATH]{};
        K32GetModuleBaseNameW(program_->Handle(), modules[i], name, MAX_PATH);
        CharLowerW(name);
        loaded.emplace_back(name);
    }
    EXPECT_NE(std::find(loaded.begin(), loaded.end(), L"user32.dll"), loaded.end());
    // The first screen needs none of these: the file dialog, COM's automation
    // and accessibility, and the shell (the command line's arguments, the
    // notification at the end, the folder a browse button starts in).
    for (const wchar_t* later : {L"comdlg32.dll", L"oleaut32.dll", L"oleacc.dll", L"shell32.dll"})
        EXPECT_EQ(std::find(loaded.begin(), loaded.end(), later), loaded.end())
            << System::Ascii(later);
}

// The libraries the shipped program names in its import table, which Windows
// loads before its first line runs.
std::vector<std::string> ImportedLibraries(const std::wstring& program) {
    const UniqueModule file(LoadLibraryExW(
        program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (!file)
        return {};
    // Mapped as an image, so relative addresses count from its base; the low
    // bits of the handle only mark it as mapped for resources.
    const auto* base =
        reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(file.get()) & ~ULONG_PTR{3});
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY imports =
        nt->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC
            ? reinterpret_cast<const IMAGE_NT_HEADERS64*>(nt)
                  ->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT]
            : nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::vector<std::string> names;
    for (const auto* entry =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         imports.VirtualAddress != 0 && entry->Name != 0; ++entry) {
        std::string name(reinterpret_cast<const char*>(base + entry->Name));
        CharLowerA(name.data());
        names.push_back(name);
    }
    return names;
}

// Windows loads the programs' version records, the shell and blending only
// where they are first used: the shipped program imports none of them.
// (Under Wine the common controls load version.dll and msimg32.dll for
// themselves, so the list of a started program's modules cannot show it.)
TEST(ShippedImports, NameOnlyWhatTheFirstScreenNeeds) {
    const std::vector<std::string> names =
        ImportedLibraries(BuildFolder() + L"\\..\\Bildkranz.exe");
    ASSERT_FALSE(names.empty());
    EXPECT_NE(std::find(names.begin(), names.end(), "user32.dll"), names.end());
    for (const char* later : {"shell32.dll", "version.dll", "msimg32.dll", "comdlg32.dll",
                              "ole32.dll", "oleaut32.dll", "oleacc.dll", "shlwapi.dll"})
        EXPECT_EQ(std::find(names.begin(), names.end(), later), names.end()) << later;
}

// Administrators confirm at start and register for all users; everyone else
// starts without a prompt and registers for their own account. Windows reads
// that from the manifest (Wine asks nobody), so the manifest itself is read:
// of this build's program and of the shipped 32-bit one.
TEST(Manifest, AsksForTheHighestRightsTheUserHasNotForAnAdministrator) {
    for (const std::wstring& program :
         {BuildFolder() + L"\\Bildkranz.exe", BuildFolder() + L"\\..\\Bildkranz.exe"}) {
        SCOPED_TRACE(System::Ascii(program));
        const UniqueModule file(LoadLibraryExW(
            program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        ASSERT_TRUE(file);
        HRSRC found = FindResourceW(file.get(), MAKEINTRESOURCEW(1), RT_MANIFEST);
        ASSERT_NE(found, nullptr);
        const auto* text = static_cast<const char*>(LockResource(LoadResource(file.get(), found)));
        const std::string manifest(text, SizeofResource(file.get(), found));
        EXPECT_NE(manifest.find("level=\"highestAvailable\""), std::string::npos);
        EXPECT_EQ(manifest.find("requireAdministrator"), std::string::npos);
    }
}

// The pieces of the C++ runtime the shipped program replaces to stay small
// end in the error report, as an uncaught failure does.
TEST(ShippedRuntime, ContainerMisuseAndTerminateReachTheErrorReport) {
    const struct {
        const wchar_t* piece;
        std::wstring_view shown;
    } cases[] = {
        {L"position", L"vector::_M_range_check"},
        {L"size", L"basic_string::_M_create"},
        {L"null", L"basic_string: construction from null is not valid"},
        {L"array", L"Nicht genügend Arbeitsspeicher."},
        {L"terminate", L"Abbruch in einer Funktion ohne Ausnahmen"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.shown.begin(), c.shown.end()));
        SetEnvironmentVariableW(L"BILDKRANZ_HOOK_CASE", c.piece);
        RunningProgram probe(BuildFolder() + L"\\hooks_probe.exe");
        HWND box = probe.WaitForMessageBox();
        ASSERT_NE(box, nullptr);
        const MessageBoxSeen seen = ReadMessageBox(box);
        EXPECT_EQ(seen.title, FailureReport::kTitle);
        // The replaced pieces say which function refused, and nothing more.
        EXPECT_EQ(seen.text, std::wstring(FailureReport::kIntro) + L"\r\n\r\n" +
                                 std::wstring(c.shown) + L"\r\n\r\n" +
                                 std::wstring(FailureReport::kOutro));
        PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        EXPECT_EQ(probe.WaitForExit(), 1u);
    }
    SetEnvironmentVariableW(L"BILDKRANZ_HOOK_CASE", nullptr);
}
