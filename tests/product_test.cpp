// The shipped program itself, build/Bildkranz.exe, byte for byte, in one run
// as a person would use it: the test programs elsewhere run a twin built for
// the architecture that runs fast here, and a fault of the 32-bit build alone
// (structure sizes, callbacks, the 32-bit views of registry and folders) would
// pass them unseen.
//
// Where 32-bit code is emulated, one process cannot read another's memory, so
// the program is driven only by messages whose data Wine carries between
// processes (WM_GETTEXT, WM_SETTEXT, BM_GETCHECK, BM_CLICK, LVM_GETITEMSTATE,
// LVM_GETITEMCOUNT), by posted keys, and judged by what it leaves in the
// registry and in files. Every 32-bit process costs about a minute there, so
// there are only three: the program, the registry editor it starts, and the
// shell helper; every deadline is scaled by BILDKRANZ_WAIT_SCALE.
#include "tests/support/RegistryProbe.h"
#include "tests/support/TextFile.h"
#include "tools/driver/Program.h"
#include "tools/driver/WindowDriver.h"
#include "wizard/ControlIds.h"
#include "wizard/Texts.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <vector>

using namespace driver;
using namespace probe;
namespace id = control_id;

namespace {

// Where a 32-bit program is installed on 64-bit Windows; a blank and brackets
// in the name, as users have it.
const std::wstring kProgramFolder = L"C:\\Program Files (x86)\\Bild Kranz";
const std::wstring kOpenRecorder = L"C:\\Programme mit Leerzeichen\\\u00D6ffnen\\recorder.exe";
const std::wstring kPrintRecorder = L"C:\\Programme mit Leerzeichen\\Drucken\\recorder.exe";
const std::wstring kPicture = L"C:\\Bilder Ordner\\Urlaub am See.bmp";
const std::wstring kReference = L"C:\\vorher.reg";
const std::wstring kShellNote = L"C:\\shell.txt";
const std::wstring kDialogTitle = L"Anwendung ausw\u00E4hlen";
const std::wstring kClassesRoot = L"HKEY_LOCAL_MACHINE\\Software\\Classes";
constexpr WORD kMachineI386 = 0x14C;

std::string Narrow(std::wstring_view text) {
    std::string narrow;
    for (wchar_t c : text)
        narrow += c < 128 ? static_cast<char>(c) : '?';
    return narrow;
}

std::wstring Environment(const wchar_t* name) {
    std::wstring value(MAX_PATH * 2, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size())));
    return value;
}

// The build names the shipped files with forward slashes below Wine's Z: drive.
std::wstring ShippedFile(const wchar_t* variable) {
    std::wstring path = Environment(variable);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

// Emulated, a 32-bit program needs many times as long; only the deadlines
// grow, never what is checked.
DWORD Scaled(DWORD milliseconds) {
    const int scale = _wtoi(Environment(L"BILDKRANZ_WAIT_SCALE").c_str());
    return milliseconds * static_cast<DWORD>(std::max(scale, 1));
}

std::string Bytes(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The machine field of a PE file's header, 0 when it is none.
WORD PeMachine(const std::wstring& path) {
    const std::string bytes = Bytes(path);
    if (bytes.size() < 0x40 || bytes.compare(0, 2, "MZ") != 0)
        return 0;
    DWORD header = 0;
    memcpy(&header, bytes.data() + 0x3C, sizeof(header));
    if (bytes.size() < header + 6 || bytes.compare(header, 4, std::string("PE\0\0", 4)) != 0)
        return 0;
    WORD machine = 0;
    memcpy(&machine, bytes.data() + header + 4, sizeof(machine));
    return machine;
}

std::wstring RegeditPath() {
    std::wstring folder(MAX_PATH, L'\0');
    folder.resize(GetWindowsDirectoryW(folder.data(), MAX_PATH));
    return folder + L"\\regedit.exe";
}

// The exit code, or STILL_ACTIVE when it did not end by the deadline.
DWORD RunAndWait(const std::wstring& application, std::wstring commandLine, DWORD timeoutMs) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &started))
        return GetLastError();
    const UniqueKernelHandle process(started.hProcess);
    CloseHandle(started.hThread);
    if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0)
        TerminateProcess(process.get(), STILL_ACTIVE);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.get(), &code);
    return code;
}

// A registry file by content: each key with the set of its value lines, as
// editors order values differently.
using Sections = std::map<std::wstring, std::set<std::wstring>>;

Sections ReadSections(const std::wstring& path) {
    Sections sections;
    const std::vector<std::wstring> lines = text_file::Lines(text_file::Read(path));
    const std::wstring* key = nullptr;
    for (const std::wstring& line : lines) {
        if (line.starts_with(L'['))
            key = &sections.try_emplace(line).first->first;
        else if (key && !line.empty())
            sections[*key].insert(line);
    }
    return sections;
}

// The sections of one key below the classes key and of all its subkeys.
Sections Subtree(const Sections& all, const std::wstring& classesKey) {
    const std::wstring header = L"[" + kClassesRoot + L"\\" + classesKey;
    Sections subtree;
    for (const auto& [key, values] : all)
        if (key == header + L"]" || key.starts_with(header + L"\\"))
            subtree.emplace(key, values);
    return subtree;
}

// What the file holds beyond the wanted content or lacks of it; fine when
// both are equal.
::testing::AssertionResult SameContent(const Sections& got, const Sections& wanted) {
    std::wostringstream differences;
    int shown = 0;
    auto note = [&](const std::wstring& what) {
        if (++shown <= 8)
            differences << L"\n  " << what;
    };
    for (const auto& [key, values] : wanted) {
        const auto found = got.find(key);
        if (found == got.end())
            note(L"lacks " + key);
        else if (found->second != values)
            note(L"other values in " + key);
    }
    for (const auto& entry : got)
        if (!wanted.contains(entry.first))
            note(L"more: " + entry.first);
    if (shown == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << shown << " differences (of " << wanted.size() << " keys wanted, " << got.size()
           << " found):" << Narrow(differences.str());
}

// 64-bit Windows keeps the COM classes and interfaces apart per view, and the
// registry editor that Wine starts for a 32-bit program exports the 32-bit
// one: the same keys, but servers below "Program Files (x86)" and 32-bit proxy
// and type library entries. Every key the program changes is shared by both.
Sections WithoutValuesKeptApartPerView(Sections sections) {
    for (const wchar_t* perView : {L"CLSID", L"Interface"}) {
        const std::wstring below = L"[" + kClassesRoot + L"\\" + perView;
        for (auto& [key, values] : sections)
            if (key.starts_with(below + L"\\") || key == below + L"]")
                values.clear();
    }
    return sections;
}

// Prints how long a step of the run took: emulated, each is slow, and the
// figures show where the time goes.
class StepTimer {
public:
    explicit StepTimer(const char* name) : name_(name), started_(GetTickCount64()) {}
    ~StepTimer() {
        printf("[ step     ] %s: %.1f s\n", name_, (GetTickCount64() - started_) / 1000.0);
        fflush(stdout);
    }
    StepTimer(const StepTimer&) = delete;
    StepTimer& operator=(const StepTimer&) = delete;

private:
    const char* name_;
    ULONGLONG started_;
};

bool Ticked(HWND list, int index) {
    return (ListView_GetItemState(list, index, LVIS_STATEIMAGEMASK) >> 12) == 2;
}

class ShippedProgramTest : public testing::Test {
protected:
    void SetUp() override {
        product_ = ShippedFile(L"BILDKRANZ_PRODUCT");
        shellHelper_ = ShippedFile(L"BILDKRANZ_SHELL_VERB");
        ASSERT_FALSE(product_.empty()) << "BILDKRANZ_PRODUCT names the shipped program";
        ASSERT_FALSE(shellHelper_.empty()) << "BILDKRANZ_SHELL_VERB names the shell helper";
        for (const std::wstring& recorder : {kOpenRecorder, kPrintRecorder}) {
            const std::wstring folder = recorder.substr(0, recorder.find_last_of(L'\\'));
            SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
            ASSERT_TRUE(CopyFileW((BuildFolder() + L"\\command_recorder.exe").c_str(),
                                  recorder.c_str(), FALSE));
        }
        SHCreateDirectoryExW(nullptr, kProgramFolder.c_str(), nullptr);
        installed_ = kProgramFolder + L"\\Bildkranz.exe";
        ASSERT_TRUE(CopyFileW(product_.c_str(), installed_.c_str(), FALSE)) << Narrow(product_);
    }

    bool ScreenShown(int screen) {
        return WaitFor(
            [&] { return IsWindowVisible(program_->Control(id::Screen(screen))) != FALSE; },
            Scaled(10000));
    }

    // Arrow down and space, as a person ticks the list; then waits until the
    // list shows exactly the wanted ticks.
    void TickOnlyTypes(const std::vector<int>& wanted) {
        HWND list = program_->Control(id::kTypeList);
        ASSERT_EQ(ListView_GetItemCount(list), 9);
        for (int index = 0; index < 9; ++index) {
            const bool want = std::find(wanted.begin(), wanted.end(), index) != wanted.end();
            if (Ticked(list, index) != want)
                program_->PostKey(VK_SPACE);
            program_->PostKey(VK_DOWN);
        }
        ASSERT_TRUE(WaitFor([&] { return TicksAre(wanted); }, Scaled(10000)));
    }

    bool TicksAre(const std::vector<int>& wanted) {
        HWND list = program_->Control(id::kTypeList);
        for (int index = 0; index < 9; ++index)
            if (Ticked(list, index) !=
                (std::find(wanted.begin(), wanted.end(), index) != wanted.end()))
                return false;
        return true;
    }

    // Ticks a verb row and chooses its program in the real file dialog.
    void ChooseProgram(int slot, const std::wstring& program) {
        program_->Click(id::VerbCheckBox(slot));
        // Ticking moves the focus to the row's browse button; until then the
        // window may still be taking the focus back from the previous dialog,
        // and a click that arrives meanwhile can be lost.
        HWND browse = program_->Control(id::VerbBrowse(slot));
        ASSERT_TRUE(WaitFor([&] { return program_->Focus() == browse; }, Scaled(10000)))
            << "row " << slot << "'s browse button did not get the focus";
        program_->ClickLater(id::VerbBrowse(slot));
        HWND dialog = program_->WaitForDialog(kDialogTitle, Scaled(5000));
        // A lost click, and only then (the window is enabled while no dialog
        // is open), is given once more.
        if (!dialog && IsWindowEnabled(program_->WaitForWindow(0))) {
            program_->ClickLater(id::VerbBrowse(slot));
            dialog = program_->WaitForDialog(kDialogTitle, Scaled(15000));
        }
        ASSERT_NE(dialog, nullptr) << "the file dialog of row " << slot << " did not open";
        SendMessageW(FileNameBox(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(program.c_str()));
        PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        ASSERT_TRUE(
            WaitFor([&] { return WindowText(program_->Control(id::VerbText(slot))) == program; },
                    Scaled(10000)))
            << "row " << slot << " shows "
            << Narrow(WindowText(program_->Control(id::VerbText(slot))));
    }

    std::wstring product_;
    std::wstring shellHelper_;
    std::wstring installed_;
    std::unique_ptr<RunningProgram> program_;
};

} // namespace

TEST_F(ShippedProgramTest, RegistersAsAPersonChoseAndTheBackupsBringTheOldValuesBack) {
    // The shipped file itself, not a twin built for this test.
    EXPECT_EQ(PeMachine(installed_), kMachineI386) << "build/Bildkranz.exe is the 32-bit program";
    EXPECT_EQ(Bytes(installed_), Bytes(product_));
    EXPECT_EQ(PeMachine(shellHelper_), kMachineI386);

    DeleteAllAssociations();
    PutText(L".bmp", nullptr, L"Paint.Picture");
    PutText(L".bmp", L"Content Type", L"image/bmp");
    PutText(L"ACDC_BMP", nullptr, L"Mein Bitmap");
    PutText(L".gif", nullptr, L"giffile");
    PutText(L".gif\\OpenWithProgids", L"giffile", L"");
    PutText(L"ACDC_GIF\\shell\\Edit\\Command", nullptr, L"C:\\Alt\\edit.exe \"%1\"");
    PutText(L".png", nullptr, L"pngfile");
    // The second verb's program is found at start. Under emulation a second
    // file dialog in the same run did not always open, so one is chosen there.
    PutText(L"ACDC_BMP\\shell\\uPrint\\Command", nullptr, L"\"" + kPrintRecorder + L"\" \"%1\"");
    // The classes as they are before the run, exported by this process's own
    // registry editor: what the program's backups must hold.
    ASSERT_EQ(RunAndWait(RegeditPath(),
                         L"regedit.exe /e \"" + kReference + L"\" \"" + kClassesRoot + L"\"",
                         Scaled(60000)),
              0u);
    const Sections before = ReadSections(kReference);
    std::wstring undoFile;
    ASSERT_FALSE(Subtree(before, L".bmp").empty());

    {
        SCOPED_TRACE("start: the window shows the nine types");
        const StepTimer step("start: the window shows the nine types");
        program_ = std::make_unique<RunningProgram>(installed_);
        ASSERT_NE(program_->WaitForWindow(Scaled(20000)), nullptr);
        ASSERT_TRUE(ScreenShown(1));
        EXPECT_EQ(WindowText(program_->WaitForWindow(0)), texts::kTitle);
        ASSERT_NO_FATAL_FAILURE(TickOnlyTypes({0, 1}));
    }
    {
        SCOPED_TRACE("Next, Back and Next again keep the ticks");
        const StepTimer step("Next, Back and Next again keep the ticks");
        program_->PostAltKey(L'w');
        ASSERT_TRUE(ScreenShown(2));
        EXPECT_TRUE(IsEnabled(program_->Control(id::kBack)));
        program_->PostAltKey(L'z');
        ASSERT_TRUE(ScreenShown(1));
        EXPECT_TRUE(TicksAre({0, 1}));
        program_->PostAltKey(L'w');
        ASSERT_TRUE(ScreenShown(2));
    }
    {
        SCOPED_TRACE("programs chosen in the file dialog");
        const StepTimer step("programs chosen in the file dialog");
        ASSERT_NO_FATAL_FAILURE(ChooseProgram(1, kOpenRecorder));
        // Row 5 came pre-filled from the registry at start.
        EXPECT_EQ(WindowText(program_->Control(id::VerbText(5))), kPrintRecorder);
        for (int slot = 1; slot <= 5; ++slot)
            EXPECT_EQ(Button_GetCheck(program_->Control(id::VerbCheckBox(slot))),
                      slot == 1 || slot == 5 ? BST_CHECKED : BST_UNCHECKED)
                << "row " << slot;
    }
    {
        SCOPED_TRACE("the registration ends with the success message and exit code 0");
        const StepTimer step("the registration ends with the success message and exit code 0");
        program_->PostAltKey(L'w');
        ASSERT_TRUE(ScreenShown(3));
        program_->PostAltKey(L'w');
        // The program has the registry editor export the backups first.
        HWND box = program_->WaitForMessageBox(Scaled(60000));
        ASSERT_NE(box, nullptr);
        const MessageBoxSeen seen = ReadMessageBox(box);
        EXPECT_EQ(seen.title, texts::kSuccess.title);
        EXPECT_EQ(seen.text, texts::kSuccess.text);
        PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        EXPECT_EQ(program_->WaitForExit(Scaled(20000)), 0u);
    }
    {
        SCOPED_TRACE("what the registry holds now, seen by a 64-bit reader");
        const StepTimer step("what the registry holds now, seen by a 64-bit reader");
        const std::map<std::wstring, std::wstring> commands{
            {L"Open", L"\"" + kOpenRecorder + L"\" \"%1\""},
            {L"uPrint", L"\"" + kPrintRecorder + L"\" \"%1\""}};
        for (const std::wstring className : {L"ACDC_BMP", L"ACDC_GIF"}) {
            SCOPED_TRACE(Narrow(className));
            for (const auto& [verb, command] : commands)
                EXPECT_EQ(Text(className + L"\\shell\\" + verb + L"\\Command"), command)
                    << Narrow(verb);
            EXPECT_EQ(Text(className + L"\\shell\\Open"), L"\u00D6&ffnen");
            EXPECT_EQ(Text(className + L"\\shell\\uPrint"), L"&Drucken");
            EXPECT_FALSE(KeyPresent(className + L"\\shell\\Quickview"));
        }
        EXPECT_EQ(Text(L".bmp"), L"ACDC_BMP");
        EXPECT_EQ(Text(L".bmp", L"Content Type"), std::nullopt);
        EXPECT_EQ(Text(L"ACDC_BMP"), L"Mein Bitmap");
        EXPECT_EQ(Text(L"ACDC_BMP\\DefaultIcon"), L"shimgvw.dll,4");
        EXPECT_EQ(Text(L".gif"), L"ACDC_GIF");
        EXPECT_TRUE(KeyPresent(L".gif\\OpenWithProgids"));
        EXPECT_EQ(Text(L"ACDC_GIF\\shell\\Edit\\Command"), L"C:\\Alt\\edit.exe \"%1\"");
        EXPECT_EQ(Text(L".png"), L"pngfile");
        EXPECT_FALSE(KeyPresent(L"ACDC_PNG"));
    }
    {
        SCOPED_TRACE("the backups beside the program, complete");
        const StepTimer step("the backups beside the program, complete");
        std::vector<std::wstring> files = FilesIn(kProgramFolder);
        std::sort(files.begin(), files.end());
        // Sorted, the undo file comes after the program and before the backups.
        ASSERT_EQ(files.size(), 5u);
        EXPECT_TRUE(files[1].starts_with(L"R\u00FCckg\u00E4ngig ") && files[1].ends_with(L".reg"))
            << Narrow(files[1]);
        undoFile = kProgramFolder + L"\\" + files[1];
        files.erase(files.begin() + 1);
        EXPECT_EQ(files, (std::vector<std::wstring>{L"Bildkranz.exe", L"Temp 0_Classes.reg",
                                                    L"Temp 1_bmp.reg", L"Temp 2_gif.reg"}));
        const std::wstring classesBackup = kProgramFolder + L"\\Temp 0_Classes.reg";
        EXPECT_TRUE(
            text_file::Read(classesBackup).starts_with(L"Windows Registry Editor Version 5.00"));
        EXPECT_TRUE(SameContent(WithoutValuesKeptApartPerView(ReadSections(classesBackup)),
                                WithoutValuesKeptApartPerView(before)));
        EXPECT_TRUE(SameContent(ReadSections(kProgramFolder + L"\\Temp 1_bmp.reg"),
                                Subtree(before, L".bmp")));
        EXPECT_TRUE(SameContent(ReadSections(kProgramFolder + L"\\Temp 2_gif.reg"),
                                Subtree(before, L".gif")));
    }
    {
        SCOPED_TRACE("a 32-bit process's shell runs each verb with the file as its one argument");
        const StepTimer step(
            "a 32-bit process's shell runs each verb with the file as its one argument");
        CreateDirectoryW(L"C:\\Bilder Ordner", nullptr);
        std::ofstream(kPicture.c_str()) << "BM";
        const DWORD code =
            RunAndWait(shellHelper_,
                       L"shell_verb.exe \"" + kShellNote + L"\" \"" + kPicture + L"\" Open uPrint",
                       Scaled(120000));
        EXPECT_EQ(code, 0u);
        EXPECT_EQ(text_file::Read(kShellNote), L"pointer-bits 32\nOpen ok\nuPrint ok\n");
        for (const std::wstring& recorder : {kOpenRecorder, kPrintRecorder}) {
            const std::wstring folder = recorder.substr(0, recorder.find_last_of(L'\\'));
            EXPECT_EQ(text_file::Read(folder + L"\\aufruf.txt"), kPicture + L"\n")
                << Narrow(recorder);
        }
    }
    {
        SCOPED_TRACE("importing a type's backup brings its old values back");
        const StepTimer step("importing a type's backup brings its old values back");
        ASSERT_EQ(RunAndWait(RegeditPath(),
                             L"regedit.exe /s \"" + kProgramFolder + L"\\Temp 1_bmp.reg\"",
                             Scaled(60000)),
                  0u);
        EXPECT_EQ(Text(L".bmp"), L"Paint.Picture");
        EXPECT_EQ(Text(L".bmp", L"Content Type"), L"image/bmp");
    }
    {
        SCOPED_TRACE("importing the undo file gives back the classes as they were");
        ASSERT_EQ(RunAndWait(RegeditPath(), L"regedit.exe /s \"" + undoFile + L"\"", Scaled(60000)),
                  0u);
        const std::wstring after = L"C:\\nachher.reg";
        ASSERT_EQ(RunAndWait(RegeditPath(),
                             L"regedit.exe /e \"" + after + L"\" \"" + kClassesRoot + L"\"",
                             Scaled(60000)),
                  0u);
        EXPECT_TRUE(SameContent(ReadSections(after), before));
    }
}
