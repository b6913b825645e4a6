// The real program, started from a folder whose name has a blank, driven as a
// person would; then the registry, the backups and the shell are asked what
// the registration really did.
#include "tools/driver/Program.h"
#include "tests/support/RegistryProbe.h"
#include "tests/support/TextFile.h"
#include "tools/driver/WindowDriver.h"
#include "wizard/ControlIds.h"
#include "wizard/Texts.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>
#include <windowsx.h>

#include <algorithm>
#include <fstream>

using namespace driver;
using namespace probe;
namespace id = control_id;

namespace {

const std::wstring kProgramFolder = L"C:\\Bild Kranz E2E";
const std::wstring kRecorderFolder = L"C:\\Programme mit Leerzeichen\\Recorder";
const std::wstring kRecorder = kRecorderFolder + L"\\recorder.exe";
const std::wstring kDialogTitle = L"Anwendung ausw\u00E4hlen";

std::wstring RegeditPath() {
    std::wstring folder(MAX_PATH, L'\0');
    folder.resize(GetWindowsDirectoryW(folder.data(), MAX_PATH));
    return folder + L"\\regedit.exe";
}

bool RunAndWait(const std::wstring& application, std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &started))
        return false;
    WaitForSingleObject(started.hProcess, 60000);
    DWORD code = 1;
    GetExitCodeProcess(started.hProcess, &code);
    CloseHandle(started.hProcess);
    CloseHandle(started.hThread);
    return code == 0;
}

// Runs a verb on a file through the shell, as Explorer's context menu does,
// and returns the arguments the verb program received.
std::wstring RunVerb(const wchar_t* verb, const std::wstring& file) {
    DeleteFileW((kRecorderFolder + L"\\aufruf.txt").c_str());
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof(execute);
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    execute.lpVerb = verb;
    execute.lpFile = file.c_str();
    execute.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&execute))
        return L"<ShellExecuteEx failed>";
    if (execute.hProcess) {
        WaitForSingleObject(execute.hProcess, 30000);
        CloseHandle(execute.hProcess);
    }
    return text_file::Read(kRecorderFolder + L"\\aufruf.txt");
}

class EndToEndTest : public testing::Test {
protected:
    void SetUp() override {
        DeleteAllAssociations();
        for (const std::wstring& file : FilesIn(kProgramFolder))
            DeleteFileW((kProgramFolder + L"\\" + file).c_str());
        SHCreateDirectoryExW(nullptr, kRecorderFolder.c_str(), nullptr);
        ASSERT_TRUE(CopyFileW((BuildFolder() + L"\\command_recorder.exe").c_str(),
                              kRecorder.c_str(), FALSE));
    }

    void Start() {
        program_ = std::make_unique<RunningProgram>(InstallProgram(kProgramFolder));
        window_ = program_->WaitForWindow();
        ASSERT_NE(window_, nullptr);
    }

    bool ScreenShown(int screen) {
        return WaitFor(
            [&] { return IsWindowVisible(program_->Control(id::Screen(screen))) != FALSE; });
    }

    // Leaves exactly the given entries of the type list ticked, with the keys
    // a person uses: arrow down and space.
    void TickOnlyTypes(std::initializer_list<int> wanted) {
        HWND list = program_->Control(id::kTypeList);
        for (int index = 0; index < 9; ++index) {
            const bool ticked =
                (ListView_GetItemState(list, index, LVIS_STATEIMAGEMASK) >> 12) == 2;
            const bool want = std::find(wanted.begin(), wanted.end(), index) != wanted.end();
            if (ticked != want)
                program_->PostKey(VK_SPACE);
            program_->PostKey(VK_DOWN);
        }
        ASSERT_TRUE(WaitFor([&] {
            for (int index = 0; index < 9; ++index) {
                const bool ticked =
                    (ListView_GetItemState(list, index, LVIS_STATEIMAGEMASK) >> 12) == 2;
                if (ticked != (std::find(wanted.begin(), wanted.end(), index) != wanted.end()))
                    return false;
            }
            return true;
        }));
    }

    // Ticks a verb row and chooses its program in the real file dialog.
    void ChooseProgram(int slot, const std::wstring& program) {
        program_->Click(id::VerbCheckBox(slot));
        program_->ClickLater(id::VerbBrowse(slot));
        HWND dialog = program_->WaitForDialog(kDialogTitle);
        ASSERT_NE(dialog, nullptr);
        SendMessageW(FileNameBox(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(program.c_str()));
        PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        ASSERT_TRUE(
            WaitFor([&] { return WindowText(program_->Control(id::VerbText(slot))) == program; }));
    }

    // Next to the end; returns what the closing message said.
    MessageBoxSeen Finish() {
        program_->PostAltKey(L'w');
        EXPECT_TRUE(ScreenShown(3));
        program_->PostAltKey(L'w');
        HWND box = program_->WaitForMessageBox();
        if (!box)
            return {};
        const MessageBoxSeen seen = ReadMessageBox(box);
        PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        return seen;
    }

    std::unique_ptr<RunningProgram> program_;
    HWND window_ = nullptr;
};

} // namespace

TEST_F(EndToEndTest, RegistersWhatThePersonChoseAndTheShellRunsIt) {
    PutText(L".bmp", nullptr, L"Paint.Picture");
    PutText(L".bmp", L"Content Type", L"image/bmp");
    PutText(L"ACDC_BMP", nullptr, L"Mein Bitmap");
    PutText(L".gif", nullptr, L"giffile");
    PutText(L".gif\\OpenWithProgids", L"giffile", L""); // a subkey: the key cannot be deleted
    PutText(L"ACDC_GIF\\shell\\Edit\\Command", nullptr, L"C:\\Alt\\edit.exe \"%1\"");
    PutText(L".png", nullptr, L"pngfile");

    Start();
    TickOnlyTypes({0, 1});
    program_->PostAltKey(L'w');
    ASSERT_TRUE(ScreenShown(2));
    ChooseProgram(1, kRecorder);
    ChooseProgram(5, kRecorder);
    const MessageBoxSeen seen = Finish();
    EXPECT_EQ(seen.title, texts::kSuccess.title);
    EXPECT_EQ(seen.text, texts::kSuccess.text);
    EXPECT_EQ(program_->WaitForExit(), 0u);

    const std::wstring command = L"\"" + kRecorder + L"\" \"%1\"";
    for (const std::wstring className : {L"ACDC_BMP", L"ACDC_GIF"}) {
        SCOPED_TRACE(className.c_str());
        EXPECT_EQ(Text(className + L"\\shell\\Open\\Command"), command);
        EXPECT_EQ(Text(className + L"\\shell\\Open"), L"\u00D6&ffnen");
        EXPECT_EQ(Text(className + L"\\shell\\uPrint\\Command"), command);
        EXPECT_EQ(Text(className + L"\\shell\\uPrint"), L"&Drucken");
        EXPECT_FALSE(KeyPresent(className + L"\\shell\\Quickview"));
    }
    EXPECT_EQ(Text(L".bmp"), L"ACDC_BMP");
    EXPECT_EQ(KeyClass(L".bmp"), L"1");
    EXPECT_EQ(KeyClass(L"ACDC_GIF\\shell\\Open\\Command"), L"1");
    EXPECT_EQ(Text(L"ACDC_GIF\\shell"), std::nullopt);
    EXPECT_EQ(Text(L".bmp", L"Content Type"), std::nullopt); // written fresh
    EXPECT_EQ(Text(L"ACDC_BMP"), L"Mein Bitmap");            // the class key keeps its own
    EXPECT_EQ(Text(L"ACDC_BMP\\DefaultIcon"), L"shimgvw.dll,4");
    EXPECT_EQ(Text(L".gif"), L"ACDC_GIF");
    EXPECT_TRUE(KeyPresent(L".gif\\OpenWithProgids"));
    EXPECT_EQ(Text(L"ACDC_GIF\\DefaultIcon"), L"shimgvw.dll,3");
    EXPECT_EQ(Text(L"ACDC_GIF\\shell\\Edit\\Command"), L"C:\\Alt\\edit.exe \"%1\"");
    EXPECT_EQ(Text(L".png"), L"pngfile");
    EXPECT_FALSE(KeyPresent(L"ACDC_PNG"));

    std::vector<std::wstring> backups = FilesIn(kProgramFolder);
    std::sort(backups.begin(), backups.end());
    ASSERT_EQ(backups.size(), 5u);
    EXPECT_TRUE(backups[1].starts_with(L"R\u00FCckg\u00E4ngig ") && backups[1].ends_with(L".reg"));
    backups.erase(backups.begin() + 1);
    EXPECT_EQ(backups, (std::vector<std::wstring>{L"Bildkranz.exe", L"Temp 0_Classes.reg",
                                                  L"Temp 1_bmp.reg", L"Temp 2_gif.reg"}));

    // The shell itself runs the chosen program with the file's full path.
    const std::wstring picture = L"C:\\Bilder Ordner\\Urlaub am See.bmp";
    CreateDirectoryW(L"C:\\Bilder Ordner", nullptr);
    std::ofstream(L"C:\\Bilder Ordner\\Urlaub am See.bmp") << "BM";
    EXPECT_EQ(RunVerb(L"Open", picture), picture + L"\n");
    EXPECT_EQ(RunVerb(L"uPrint", picture), picture + L"\n");

    // Importing the per-type backup brings the replaced values back.
    ASSERT_TRUE(
        RunAndWait(RegeditPath(), L"regedit.exe /s \"" + kProgramFolder + L"\\Temp 1_bmp.reg\""));
    EXPECT_EQ(Text(L".bmp", L"Content Type"), L"image/bmp");
}

TEST_F(EndToEndTest, NextStartIsPrefilledWithTheProgramsWritten) {
    PutText(L"ACDC_BMP\\shell\\Edit\\Command", nullptr, L"\"" + kRecorder + L"\" \"%1\"");
    Start();
    program_->PostAltKey(L'w');
    ASSERT_TRUE(ScreenShown(2));
    EXPECT_EQ(WindowText(program_->Control(id::VerbText(2))), kRecorder);
    EXPECT_EQ(Button_GetCheck(program_->Control(id::VerbCheckBox(2))), BST_CHECKED);
    EXPECT_EQ(Button_GetCheck(program_->Control(id::VerbCheckBox(1))), BST_UNCHECKED);
    program_->PostKey(VK_ESCAPE);
    EXPECT_EQ(program_->WaitForExit(), 0u);
}

TEST_F(EndToEndTest, WithoutTheRegistryEditorNothingChanges) {
    PutText(L".bmp", nullptr, L"Paint.Picture");
    const std::wstring parked = RegeditPath() + L".weg";
    ASSERT_TRUE(MoveFileW(RegeditPath().c_str(), parked.c_str()));
    Start();
    program_->PostAltKey(L'w');
    ASSERT_TRUE(ScreenShown(2));
    program_->Click(id::VerbCheckBox(1));
    const MessageBoxSeen seen = Finish();
    EXPECT_EQ(seen.title, texts::kFailureTitle);
    EXPECT_NE(seen.text.find(kProgramFolder + L"\\Temp 0_Classes.reg"), std::wstring::npos)
        << "the report names the backup file";
    EXPECT_EQ(program_->WaitForExit(), 1u);
    MoveFileW(parked.c_str(), RegeditPath().c_str());

    EXPECT_EQ(Text(L".bmp"), L"Paint.Picture");
    EXPECT_FALSE(KeyPresent(L"ACDC_BMP"));
    EXPECT_FALSE(KeyPresent(L".gif"));
}

TEST_F(EndToEndTest, WhenTheBackupCannotBeWrittenNothingChanges) {
    PutText(L".bmp", nullptr, L"Paint.Picture");
    // A folder where the backup file should go: the editor cannot write it.
    CreateDirectoryW(kProgramFolder.c_str(), nullptr);
    CreateDirectoryW((kProgramFolder + L"\\Temp 0_Classes.reg").c_str(), nullptr);
    Start();
    program_->PostAltKey(L'w');
    ASSERT_TRUE(ScreenShown(2));
    program_->Click(id::VerbCheckBox(1));
    const MessageBoxSeen seen = Finish();
    RemoveDirectoryW((kProgramFolder + L"\\Temp 0_Classes.reg").c_str());
    EXPECT_EQ(seen.title, texts::kFailureTitle);
    EXPECT_EQ(program_->WaitForExit(), 1u);
    EXPECT_EQ(Text(L".bmp"), L"Paint.Picture");
    EXPECT_FALSE(KeyPresent(L"ACDC_BMP"));
}

TEST_F(EndToEndTest, AValueThatCannotBeWrittenGivesTheWarningNotTheSuccess) {
    PutText(L"ACDC_WMF\\DefaultIcon", nullptr, L"alt.dll,0");
    MakeReadOnly(L"ACDC_WMF\\DefaultIcon");
    Start();
    program_->PostAltKey(L'w');
    ASSERT_TRUE(ScreenShown(2));
    program_->Click(id::VerbCheckBox(3));
    const MessageBoxSeen seen = Finish();
    EXPECT_EQ(seen.title, texts::kIncomplete.title);
    EXPECT_EQ(seen.text, texts::kIncomplete.text);
    EXPECT_NE(seen.icon, nullptr);
    EXPECT_EQ(program_->WaitForExit(), 0u);
    EXPECT_EQ(Text(L".wmf"), L"ACDC_WMF");
}
