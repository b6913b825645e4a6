// The program named by BILDKRANZ_PRODUCT, installed in a folder whose name
// has blanks and brackets and driven from outside as a person would; then the
// registry, the backups and the shell are asked what the registration really
// did. CTest runs it twice: on the build's own program (the quick tests), and
// as the 32-bit group on the shipped build/Bildkranz.exe, byte for byte, so
// that a fault of the 32-bit build alone (structure sizes, callbacks, the
// 32-bit views of registry and folders) is seen too.
//
// Where 32-bit code is emulated, one process cannot read another's memory, so
// the program is driven only by messages whose data Wine carries between
// processes (WM_GETTEXT, WM_SETTEXT, BM_GETCHECK, BM_CLICK, LVM_GETITEMSTATE,
// LVM_GETITEMCOUNT), by posted keys, and judged by what it leaves in the
// registry and in files. Every 32-bit process costs about a minute there, so
// the registration starts only the program, the registry editor it starts
// for the backups, and the shell helper (BILDKRANZ_SHELL_VERB, built like the
// program); every deadline is scaled by BILDKRANZ_WAIT_SCALE.
#include "association/AssociationTexts.h"
#include "association/DefaultApps.h"
#include "common/Com.h"
#include "common/FailureReport.h"
#include "common/Process.h"
#include "driver/Program.h"
#include "driver/WindowDriver.h"
#include "tests/support/Accessibility.h"
#include "tests/support/EditorSwap.h"
#include "tests/support/RegFile.h"
#include "tests/support/RegistryProbe.h"
#include "tests/support/System.h"
#include "tests/support/TextFile.h"
#include "wizard/ControlIds.h"
#include "wizard/Texts.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <oleacc.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

using namespace Program;
using namespace WindowDriver;
using namespace RegistryProbe;
using System::Ascii;
namespace id = ControlIds;

namespace {

// Where a 32-bit program is installed on 64-bit Windows.
const std::wstring kProgramFolder = L"C:\\Program Files (x86)\\Bild Kranz";
const std::wstring kClassesBackup = kProgramFolder + L"\\Temp 0_Classes.reg";
const std::wstring kOpenRecorder = L"C:\\Programme mit Leerzeichen\\\u00D6ffnen\\recorder.exe";
const std::wstring kPrintRecorder = L"C:\\Programme mit Leerzeichen\\Drucken\\recorder.exe";
const std::wstring kEditProgram = L"C:\\Programme mit Leerzeichen\\Bearbeiten\\edit.exe";
const std::wstring kPicture = L"C:\\Bilder Ordner\\Urlaub am See.bmp";
const std::wstring kReference = L"C:\\vorher.reg";
const std::wstring kShellNote = L"C:\\shell.txt";
const std::wstring kDialogTitle(Texts::kProgramDialogTitle);

// The build names its files with forward slashes below Wine's Z: drive.
std::wstring FileNamedBy(const wchar_t* variable) {
    std::wstring path = System::Environment(variable);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

// Emulated, a 32-bit program needs many times as long; only the deadlines
// grow, never what is checked.
DWORD Scaled(DWORD milliseconds) {
    const int scale = _wtoi(System::Environment(L"BILDKRANZ_WAIT_SCALE").c_str());
    return milliseconds * static_cast<DWORD>(std::max(scale, 1));
}

// The pointer width of the program under test: 32 or 64.
int ProductBits() {
    return _wtoi(System::Environment(L"BILDKRANZ_PRODUCT_BITS").c_str());
}

// The machine field of a PE file's header, 0 when it is none.
WORD PeMachine(const std::wstring& path) {
    const std::string bytes = System::FileBytes(path);
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

// What a user's double-click on a .reg file does: the 64-bit editor where
// Windows is 64-bit, as the prefixes are.
constexpr RegFile::Editor kUsersEditor = RegFile::Editor::DoubleClick;

// 64-bit Windows keeps the COM classes and interfaces apart per view, and the
// registry editor that a 32-bit program starts exports the 32-bit one: the
// same keys, but servers below "Program Files (x86)" and 32-bit proxy and
// type library entries. Every key the program changes is shared by both.
RegFile::Content KeysOnlyWhereViewsDiffer(RegFile::Content content) {
    for (const wchar_t* perView : {L"CLSID", L"Interface"})
        for (auto& [key, values] : RegFile::Below(content, perView))
            content[key].clear();
    return content;
}

const std::wstring kRegisteredApplications = L"Software\\RegisteredApplications";

// The keys of Windows' Default Apps list as the editor a double-click starts
// exports them; a key that is not there has no content.
std::vector<RegFile::Content> DefaultAppsKeys() {
    std::vector<RegFile::Content> keys;
    for (const wchar_t* key : {L"Software\\RegisteredApplications", L"Software\\Bildkranz"}) {
        const std::wstring file = L"C:\\Standard-Apps.reg";
        keys.push_back(
            RegFile::Export(file, L"HKEY_LOCAL_MACHINE\\" + std::wstring(key), kUsersEditor)
                ? RegFile::ParseFile(file)
                : RegFile::Content{});
    }
    return keys;
}

bool Ticked(HWND list, int index) {
    return (ListView_GetItemState(list, index, LVIS_STATEIMAGEMASK) >> 12) == 2;
}

bool Contains(const std::vector<int>& list, int value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

class EndToEnd : public testing::Test {
protected:
    void SetUp() override {
        product_ = FileNamedBy(L"BILDKRANZ_PRODUCT");
        shellHelper_ = FileNamedBy(L"BILDKRANZ_SHELL_VERB");
        ASSERT_FALSE(product_.empty()) << "BILDKRANZ_PRODUCT names the program";
        ASSERT_FALSE(shellHelper_.empty()) << "BILDKRANZ_SHELL_VERB names the shell helper";
        for (const std::wstring& recorder : {kOpenRecorder, kPrintRecorder})
            ASSERT_TRUE(System::PlaceRecorder(recorder)) << Ascii(recorder);
        System::EmptyFolder(kProgramFolder);
        installed_ = kProgramFolder + L"\\Bildkranz.exe";
        ASSERT_TRUE(CopyFileW(product_.c_str(), installed_.c_str(), FALSE)) << Ascii(product_);
        DeleteAllAssociations();
    }

    static std::wstring Folder(const std::wstring& file) {
        return file.substr(0, file.find_last_of(L'\\'));
    }

    void Start() {
        program_ = std::make_unique<RunningProgram>(installed_);
        ASSERT_NE(program_->WaitForWindow(Scaled(20000)), nullptr);
        ASSERT_TRUE(ScreenShown(1));
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
            if (Ticked(list, index) != Contains(wanted, index))
                program_->PostKey(VK_SPACE);
            program_->PostKey(VK_DOWN);
        }
        ASSERT_TRUE(WaitFor([&] { return TicksAre(wanted); }, Scaled(10000)));
    }

    bool TicksAre(const std::vector<int>& wanted) {
        HWND list = program_->Control(id::kTypeList);
        for (int index = 0; index < 9; ++index)
            if (Ticked(list, index) != Contains(wanted, index))
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
        if (!dialog) {
            // A lost click, and only then (the window is enabled while no
            // dialog is open), is given once more; else the dialog is on its
            // way. It shows within a second even where the program is
            // emulated: one that was made and still hides after the wait
            // will not come.
            const bool lost = IsWindowEnabled(program_->WaitForWindow(0));
            if (lost)
                program_->ClickLater(id::VerbBrowse(slot));
            dialog = program_->WaitForDialog(kDialogTitle, Scaled(lost ? 15000 : 1000));
        }
        ASSERT_NE(dialog, nullptr)
            << "the file dialog of row " << slot
            << (HiddenDialogExists() ? " was made but never shown" : " did not open")
            << ProgramState();
        SendMessageW(FileNameBox(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(program.c_str()));
        PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        ASSERT_TRUE(
            WaitFor([&] { return WindowText(program_->Control(id::VerbText(slot))) == program; },
                    Scaled(10000)))
            << "row " << slot << " shows "
            << Ascii(WindowText(program_->Control(id::VerbText(slot)))) << ProgramState();
    }

    // Next on the verb screen and on the confirmation screen; what the closing
    // message said, closed with its OK button once whileShown has run.
    MessageBoxSeen Finish(const std::function<void()>& whileShown = {}) {
        program_->PostAltKey(L'w');
        EXPECT_TRUE(ScreenShown(3));
        program_->PostAltKey(L'w');
        // The registry editor exports the backups first.
        return Answer(NextMessage(nullptr, Scaled(60000)), IDOK, whileShown);
    }

    // A message box of the program other than the one before, which may
    // still be closing.
    HWND NextMessage(HWND before, DWORD timeoutMs) {
        HWND box = nullptr;
        WaitFor(
            [&] {
                box = FindMessageBox(program_->Id());
                return box && box != before && IsWindow(box);
            },
            timeoutMs);
        EXPECT_NE(box, nullptr) << "no message" << ProgramState();
        return box;
    }

    // What the box said, answered with the button.
    MessageBoxSeen Answer(HWND box, int button, const std::function<void()>& whileShown = {}) {
        if (!box)
            return {};
        const MessageBoxSeen seen = ReadMessageBox(box);
        if (whileShown)
            whileShown();
        PostMessageW(GetDlgItem(box, button), BM_CLICK, 0, 0);
        return seen;
    }

    // What a screen reader in another process hears of a control that its
    // caption does not name: its name, and the role the platform's standard
    // object gives it.
    void ExpectNamed(const Accessibility::Expected& expected) {
        SCOPED_TRACE(testing::Message() << "control " << expected.control);
        HWND control = program_->Control(expected.control);
        const Accessibility::Seen seen = Accessibility::AsReadBy(control);
        EXPECT_EQ(seen.result, S_OK);
        EXPECT_EQ(seen.name, expected.name) << Ascii(seen.name);
        EXPECT_EQ(seen.role, Accessibility::AsStandard(control).role);
    }

    // Read without a message, which a hung dialog would not answer.
    bool HiddenDialogExists() {
        return FirstWindow([&](HWND window) {
                   DWORD owner = 0;
                   GetWindowThreadProcessId(window, &owner);
                   wchar_t title[64]{};
                   return owner == program_->Id() && !IsWindowVisible(window) &&
                          InternalGetWindowText(window, title, 64) > 0 && title == kDialogTitle;
               }) != nullptr;
    }

    // For failure messages: whether the program has ended and with which
    // code, else its windows as the window manager knows them; read without
    // sending them messages, which a hung window would not answer.
    std::string ProgramState() {
        const DWORD code = program_->WaitForExit(0);
        if (code != STILL_ACTIVE)
            return "; the program has ended with code " + std::to_string(code);
        std::string windows = "; the program still runs, with the windows";
        FirstWindow([&](HWND window) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t className[64]{};
            wchar_t title[128]{};
            if (owner == program_->Id() && GetClassNameW(window, className, 64) &&
                InternalGetWindowText(window, title, 128) >= 0)
                windows += std::string(" [") + Ascii(className) + " \"" + Ascii(title) + "\"" +
                           (IsWindowVisible(window) ? "" : " hidden") +
                           (IsWindowEnabled(window) ? "" : " disabled") + "]";
            return false;
        });
        return windows;
    }

    // --- The phases of one registration as a person chose it, in their order

    // The program and the shell helper are built for the width under test.
    void CheckBuild() {
        bits_ = ProductBits();
        ASSERT_TRUE(bits_ == 32 || bits_ == 64) << "BILDKRANZ_PRODUCT_BITS is 32 or 64";
        const WORD machine = bits_ == 32 ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_AMD64;
        EXPECT_EQ(PeMachine(product_), machine) << Ascii(product_);
        EXPECT_EQ(PeMachine(shellHelper_), machine) << Ascii(shellHelper_);
    }

    // What another program registered before, and what the backups must hold.
    void PutWhatIsThere() {
        PutText(L".bmp", nullptr, L"Paint.Picture");
        PutText(L".bmp", L"Content Type", L"image/bmp");
        PutText(L"ACDC_BMP", nullptr, L"Mein Bitmap");
        // The row of a verb that has a program is filled at start.
        PutText(L"ACDC_BMP\\shell\\Edit\\Command", nullptr, L"\"" + kEditProgram + L"\" \"%1\"");
        PutText(L".gif", nullptr, L"giffile");
        PutText(L".gif\\OpenWithProgids", L"giffile", L""); // a subkey: the key cannot be deleted
        PutText(L"ACDC_GIF\\shell\\Edit\\Command", nullptr, L"C:\\Alt\\edit.exe \"%1\"");
        PutText(L".png", nullptr, L"pngfile");
        PutText(L"Fotos.Datei", nullptr, L"Fotos");
        ASSERT_TRUE(System::InstallSettingsPage());
        // Windows' Default Apps list has other programs too.
        PutMachineText(kRegisteredApplications, L"Paint", L"Software\\Paint\\Capabilities");
        defaultAppsBefore_ = DefaultAppsKeys();
        ASSERT_TRUE(RegFile::ExportClasses(kReference, kUsersEditor));
        before_ = RegFile::ParseFile(kReference);
        ASSERT_FALSE(RegFile::Below(before_, L".bmp").empty());
    }

    void ChooseTypes() {
        SCOPED_TRACE("start: the window shows the nine types");
        ASSERT_NO_FATAL_FAILURE(Start());
        EXPECT_EQ(WindowText(program_->WaitForWindow(0)), Texts::kTitle);
        ASSERT_NO_FATAL_FAILURE(TickOnlyTypes({0, 1}));
    }

    void GoBackAndForth() {
        SCOPED_TRACE("Next, Back and Next again keep the ticks");
        program_->PostAltKey(L'w');
        ASSERT_TRUE(ScreenShown(2));
        EXPECT_TRUE(IsEnabled(program_->Control(id::kBack)));
        program_->PostAltKey(L'z');
        ASSERT_TRUE(ScreenShown(1));
        EXPECT_TRUE(TicksAre({0, 1}));
        program_->PostAltKey(L'w');
        ASSERT_TRUE(ScreenShown(2));
    }

    void ChooseVerbs() {
        SCOPED_TRACE("the row found at start, and two programs chosen in the file dialog");
        EXPECT_EQ(WindowText(program_->Control(id::VerbText(2))), kEditProgram);
        EXPECT_EQ(Button_GetCheck(program_->Control(id::VerbCheckBox(2))), BST_CHECKED);
        program_->Click(id::VerbCheckBox(2));
        ASSERT_NO_FATAL_FAILURE(ChooseProgram(1, kOpenRecorder));
        ASSERT_NO_FATAL_FAILURE(ChooseProgram(5, kPrintRecorder));
        for (int slot = 1; slot <= 5; ++slot)
            EXPECT_EQ(Button_GetCheck(program_->Control(id::VerbCheckBox(slot))),
                      slot == 1 || slot == 5 ? BST_CHECKED : BST_UNCHECKED)
                << "row " << slot;
    }

    // After the file dialogs: where 32-bit code is emulated, a second thread
    // spoils the program's later file dialogs (see the README), and answering
    // a screen reader starts COM's threads.
    void CheckScreenReader() {
        SCOPED_TRACE(
            "a screen reader hears what each control is for, on enabled and disabled rows");
        const Com::Apartment com;
        for (const Accessibility::Expected& expected : Accessibility::kNames)
            if (expected.control != id::kTypeList)
                ExpectNamed(expected);
        for (int slot = 1; slot <= 5; ++slot) {
            HWND text = program_->Control(id::VerbText(slot));
            EXPECT_EQ(Accessibility::AsReadBy(text).role, ROLE_SYSTEM_TEXT) << "row " << slot;
            EXPECT_EQ(WindowText(program_->Control(id::VerbBrowse(slot))), Texts::kBrowse);
        }
        program_->PostAltKey(L'z');
        ASSERT_TRUE(ScreenShown(1));
        ExpectNamed(Accessibility::kNames[0]);
        program_->PostAltKey(L'w');
        ASSERT_TRUE(ScreenShown(2));
    }

    void Confirm() {
        SCOPED_TRACE("the registration ends with the success message");
        // As Windows 10 and 11 answer for a type the user opens with another
        // program; Wine's shell answers from the extension key alone.
        const MessageBoxSeen seen = Finish([] { PutText(L".gif", nullptr, L"Fotos.Datei"); });
        EXPECT_EQ(seen.title, Texts::kSuccess.title);
        EXPECT_EQ(seen.text, Texts::kSuccess.text);
        SCOPED_TRACE("then that type is named and the settings page offered, and opened");
        const MessageBoxSeen offer = Answer(NextMessage(seen.handle, Scaled(20000)), IDYES);
        EXPECT_EQ(offer.title, Texts::kDefaultApps.title);
        EXPECT_EQ(offer.text, std::wstring(Texts::kDefaultApps.notInEffect) +
                                  L"\r\n    GIF: Fotos\r\n\r\n" +
                                  std::wstring(Texts::kDefaultApps.onlyTheUserChooses));
        EXPECT_EQ(offer.visibleButtons, 2);
        EXPECT_EQ(program_->WaitForExit(Scaled(20000)), 0u);
        EXPECT_TRUE(
            WaitFor([] { return !TextFile::Read(System::kSettingsCall).empty(); }, Scaled(60000)));
        EXPECT_EQ(TextFile::Read(System::kSettingsCall), L"ms-settings:defaultapps\n");
        PutText(L".gif", nullptr, L"ACDC_GIF"); // as the run left it
    }

    void CheckKeys() {
        SCOPED_TRACE("what the registry holds now, seen by this process");
        for (const std::wstring className : {L"ACDC_BMP", L"ACDC_GIF"}) {
            SCOPED_TRACE(Ascii(className));
            EXPECT_EQ(RegistryProbe::ClassesText(className + L"\\shell\\Open\\Command"),
                      L"\"" + kOpenRecorder + L"\" \"%1\"");
            EXPECT_EQ(RegistryProbe::ClassesText(className + L"\\shell\\uPrint\\Command"),
                      L"\"" + kPrintRecorder + L"\" \"%1\"");
            EXPECT_EQ(RegistryProbe::ClassesText(className + L"\\shell\\Open"), L"\u00D6&ffnen");
            EXPECT_EQ(RegistryProbe::ClassesText(className + L"\\shell\\uPrint"), L"&Drucken");
            EXPECT_EQ(KeyClass(className + L"\\shell\\Open\\Command"), L"1");
            EXPECT_EQ(RegistryProbe::ClassesText(className + L"\\shell"), std::nullopt);
            EXPECT_FALSE(KeyPresent(className + L"\\shell\\Quickview"));
        }
        EXPECT_EQ(RegistryProbe::ClassesText(L".bmp"), L"ACDC_BMP");
        EXPECT_EQ(KeyClass(L".bmp"), L"1");
        EXPECT_EQ(RegistryProbe::ClassesText(L".bmp", L"Content Type"),
                  std::nullopt); // written fresh
        EXPECT_EQ(RegistryProbe::ClassesText(L"ACDC_BMP"),
                  L"Mein Bitmap"); // the class key keeps its own
        EXPECT_EQ(RegistryProbe::ClassesText(L"ACDC_BMP\\DefaultIcon"), L"shimgvw.dll,4");
        EXPECT_EQ(RegistryProbe::ClassesText(L"ACDC_BMP\\shell\\Edit\\Command"),
                  L"\"" + kEditProgram + L"\" \"%1\"");
        EXPECT_EQ(RegistryProbe::ClassesText(L".gif"), L"ACDC_GIF");
        EXPECT_EQ(RegistryProbe::ClassesText(L".gif\\OpenWithProgids", L"ACDC_GIF"), L"");
        EXPECT_EQ(RegistryProbe::ClassesText(L"ACDC_GIF\\DefaultIcon"), L"shimgvw.dll,3");
        EXPECT_EQ(RegistryProbe::ClassesText(L"ACDC_GIF\\shell\\Edit\\Command"),
                  L"C:\\Alt\\edit.exe \"%1\"");
        EXPECT_EQ(RegistryProbe::ClassesText(L".png"), L"pngfile");
        EXPECT_FALSE(KeyPresent(L"ACDC_PNG"));
    }

    void CheckDefaultAppsList() {
        SCOPED_TRACE("Windows' Default Apps list, where 64-bit Windows reads it");
        const std::wstring capabilities = L"Software\\Bildkranz\\Capabilities";
        EXPECT_EQ(MachineText(kRegisteredApplications, L"Bildkranz"), capabilities);
        EXPECT_EQ(MachineText(capabilities, L"ApplicationIcon"), kOpenRecorder + L",0");
        EXPECT_EQ(MachineText(capabilities + L"\\FileAssociations", L".bmp"), L"ACDC_BMP");
        EXPECT_EQ(MachineText(capabilities + L"\\FileAssociations", L".gif"), L"ACDC_GIF");
        EXPECT_FALSE(MachineKeyPresent(L"Software\\WOW6432Node\\Bildkranz"));
        EXPECT_EQ(MachineText(L"Software\\WOW6432Node\\RegisteredApplications", L"Bildkranz"),
                  std::nullopt);
    }

    // On 64-bit Windows the keys the program writes below the classes key
    // are shared by the 32-bit and the 64-bit registry view.
    void CheckBothViews() {
        SCOPED_TRACE("the editor a double-click starts sees the same keys as this process");
        const std::wstring users = L"C:\\Sicht Benutzer.reg";
        const std::wstring own = L"C:\\Sicht Test.reg";
        ASSERT_TRUE(RegFile::ExportClasses(users, kUsersEditor));
        ASSERT_TRUE(RegFile::ExportClasses(own));
        const RegFile::Content seenByUser = RegFile::ParseFile(users);
        const RegFile::Content seenHere = RegFile::ParseFile(own);
        for (const wchar_t* key :
             {L".bmp", L".gif", L"ACDC_BMP", L"ACDC_GIF", L"SystemFileAssociations\\.bmp"}) {
            SCOPED_TRACE(Ascii(key));
            EXPECT_FALSE(RegFile::Below(seenByUser, key).empty());
            EXPECT_TRUE(
                RegFile::Same(RegFile::Below(seenHere, key), RegFile::Below(seenByUser, key)));
        }
    }

    void CheckBackups() {
        SCOPED_TRACE("the backups beside the program hold what was there");
        std::vector<std::wstring> files = FilesIn(kProgramFolder);
        std::sort(files.begin(), files.end());
        // Sorted, the undo file comes after the program and before the backups.
        ASSERT_EQ(files.size(), 5u);
        EXPECT_TRUE(files[1].starts_with(L"R\u00FCckg\u00E4ngig ") && files[1].ends_with(L".reg"))
            << Ascii(files[1]);
        undoFile_ = kProgramFolder + L"\\" + files[1];
        files.erase(files.begin() + 1);
        EXPECT_EQ(files, (std::vector<std::wstring>{L"Bildkranz.exe", L"Temp 0_Classes.reg",
                                                    L"Temp 1_bmp.reg", L"Temp 2_gif.reg"}));
        EXPECT_TRUE(
            TextFile::Read(kClassesBackup).starts_with(L"Windows Registry Editor Version 5.00"));
        const RegFile::Content classes = RegFile::ParseFile(kClassesBackup);
        // The reference is the 64-bit editor's, the backup the program's editor's.
        if (bits_ == 64)
            EXPECT_TRUE(RegFile::Same(before_, classes));
        else
            EXPECT_TRUE(RegFile::Same(KeysOnlyWhereViewsDiffer(before_),
                                      KeysOnlyWhereViewsDiffer(classes)));
        EXPECT_TRUE(RegFile::Same(RegFile::Below(before_, L".bmp"),
                                  RegFile::ParseFile(kProgramFolder + L"\\Temp 1_bmp.reg")));
        EXPECT_TRUE(RegFile::Same(RegFile::Below(before_, L".gif"),
                                  RegFile::ParseFile(kProgramFolder + L"\\Temp 2_gif.reg")));
    }

    void CheckShellRunsVerbs() {
        SCOPED_TRACE("the shell helper's shell runs each verb with the file as its one argument");
        CreateDirectoryW(L"C:\\Bilder Ordner", nullptr);
        std::ofstream(kPicture.c_str()) << "BM";
        EXPECT_EQ(Program::RunAndWait(shellHelper_,
                                      L"shell_verb.exe \"" + kShellNote + L"\" \"" + kPicture +
                                          L"\" Open uPrint",
                                      Scaled(120000)),
                  0u);
        EXPECT_EQ(TextFile::Read(kShellNote),
                  L"pointer-bits " + std::to_wstring(bits_) + L"\nOpen ok\nuPrint ok\n");
        for (const std::wstring& recorder : {kOpenRecorder, kPrintRecorder})
            EXPECT_EQ(TextFile::Read(Folder(recorder) + L"\\aufruf.txt"), kPicture + L"\n")
                << Ascii(recorder);
    }

    void CheckBackupImport() {
        SCOPED_TRACE("importing a type's backup brings its old values back");
        ASSERT_TRUE(RegFile::Import(kProgramFolder + L"\\Temp 1_bmp.reg", kUsersEditor));
        EXPECT_EQ(RegistryProbe::ClassesText(L".bmp"), L"Paint.Picture");
        EXPECT_EQ(RegistryProbe::ClassesText(L".bmp", L"Content Type"), L"image/bmp");
    }

    void CheckUndo() {
        SCOPED_TRACE("importing the undo file gives back the classes as they were");
        ASSERT_TRUE(RegFile::Import(undoFile_, kUsersEditor));
        const std::wstring after = L"C:\\nachher.reg";
        ASSERT_TRUE(RegFile::ExportClasses(after, kUsersEditor));
        EXPECT_TRUE(RegFile::Same(before_, RegFile::ParseFile(after)));
        EXPECT_EQ(DefaultAppsKeys(), defaultAppsBefore_);
    }

    // --- The registration for the running account alone ---------------------

    // A backup of a run for all users that a run for the account must leave
    // as it is.
    static constexpr const wchar_t* kMachineBackupText = L"Sicherung für alle Benutzer\n";

    // The backups of the account's classes and of its PNG key, named after
    // the account.
    static std::vector<std::wstring> AccountBackups() {
        wchar_t name[257]{};
        DWORD size = 257;
        GetUserNameW(name, &size);
        const std::wstring account = L" (Konto " + std::wstring(name) + L").reg";
        return {kProgramFolder + L"\\Temp 0_Classes" + account,
                kProgramFolder + L"\\Temp 5_png" + account};
    }

    // The account's classes as the editor a double-click starts exports them.
    static RegFile::Content AccountClasses() {
        const std::wstring file = L"C:\\Konto.reg";
        return RegFile::Export(file, L"HKEY_CURRENT_USER\\Software\\Classes", kUsersEditor)
                   ? RegFile::ParseFile(file)
                   : RegFile::Content{};
    }

    // What a run must not touch when it registers for the account: the
    // machine's classes and Default Apps, and a backup for all users.
    void KeepMachineAsIs() {
        ASSERT_TRUE(TextFile::Write(kClassesBackup, kMachineBackupText));
        ASSERT_TRUE(RegFile::ExportClasses(kReference, kUsersEditor));
        defaultAppsBefore_ = DefaultAppsKeys();
        // An extension key the account has: backed up, replaced, given back.
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Classes\\.png", nullptr, REG_SZ,
                                  L"Alt.Bild", sizeof(L"Alt.Bild")),
                  ERROR_SUCCESS);
        accountBefore_ = AccountClasses();
        ASSERT_EQ(accountBefore_.count(L"HKEY_CURRENT_USER\\Software\\Classes\\.png"), 1u);
    }

    void CheckMachineAsIs() {
        SCOPED_TRACE("nothing below HKEY_LOCAL_MACHINE changed, the backup for all users stays");
        EXPECT_TRUE(RegFile::ClassesAsIn(kReference, kUsersEditor));
        EXPECT_EQ(DefaultAppsKeys(), defaultAppsBefore_);
        EXPECT_EQ(TextFile::Read(kClassesBackup), kMachineBackupText);
    }

    // The keys a registration of PNG with one open program leaves below
    // HKEY_CURRENT_USER.
    void CheckAccountKeys(const std::wstring& program) {
        SCOPED_TRACE("the account's keys");
        const std::wstring classes = L"Software\\Classes\\";
        const std::wstring command = L"\"" + program + L"\" \"%1\"";
        EXPECT_EQ(AccountText(classes + L".png"), L"ACDC_PNG");
        EXPECT_EQ(AccountText(classes + L".png\\OpenWithProgids", L"ACDC_PNG"), L"");
        EXPECT_EQ(AccountText(classes + L"ACDC_PNG\\shell\\Open\\Command"), command);
        EXPECT_EQ(AccountText(classes + L"ACDC_PNG\\shell\\Open"), L"\u00D6&ffnen");
        EXPECT_TRUE(AccountText(classes + L"ACDC_PNG\\DefaultIcon").has_value());
        EXPECT_EQ(
            AccountText(classes + L"SystemFileAssociations\\.png\\shell\\Bildkranz.Open\\Command"),
            command);
        EXPECT_EQ(AccountText(kRegisteredApplications, L"Bildkranz"),
                  L"Software\\Bildkranz\\Capabilities");
        EXPECT_EQ(AccountText(L"Software\\Bildkranz\\Capabilities\\FileAssociations", L".png"),
                  L"ACDC_PNG");
        for (const std::wstring& backup : AccountBackups())
            EXPECT_NE(System::FileBytes(backup), "") << Ascii(backup);
    }

    void CheckAccountUndo() {
        SCOPED_TRACE("importing the undo file gives back the account's keys as they were");
        const std::vector<std::wstring> undoFiles =
            System::FilesStartingWith(kProgramFolder, L"R\u00FCckg\u00E4ngig");
        ASSERT_EQ(undoFiles.size(), 1u);
        ASSERT_TRUE(RegFile::Import(kProgramFolder + L"\\" + undoFiles.front(), kUsersEditor));
        EXPECT_TRUE(RegFile::Same(accountBefore_, AccountClasses()));
        EXPECT_FALSE(AccountText(kRegisteredApplications, L"Bildkranz").has_value());
        EXPECT_FALSE(AccountText(L"Software\\Bildkranz\\Capabilities", L"ApplicationName"));
    }

    System::Finished RunSilently(const std::wstring& arguments) {
        return System::RunPrinting(installed_, arguments, Scaled(120'000));
    }

    std::wstring product_;
    std::wstring shellHelper_;
    std::wstring installed_;
    std::unique_ptr<RunningProgram> program_;
    // What the phases hand on.
    int bits_ = 0;
    RegFile::Content before_;
    std::vector<RegFile::Content> defaultAppsBefore_;
    std::wstring undoFile_;
    RegFile::Content accountBefore_;
};

} // namespace

TEST_F(EndToEnd, RegistersAsAPersonChoseAndTheUndoFileTakesItAllBack) {
    ASSERT_NO_FATAL_FAILURE(CheckBuild());
    ASSERT_NO_FATAL_FAILURE(PutWhatIsThere());
    ASSERT_NO_FATAL_FAILURE(ChooseTypes());
    ASSERT_NO_FATAL_FAILURE(GoBackAndForth());
    ASSERT_NO_FATAL_FAILURE(ChooseVerbs());
    ASSERT_NO_FATAL_FAILURE(CheckScreenReader());
    ASSERT_NO_FATAL_FAILURE(Confirm());
    CheckKeys();
    CheckDefaultAppsList();
    ASSERT_NO_FATAL_FAILURE(CheckBothViews());
    ASSERT_NO_FATAL_FAILURE(CheckBackups());
    CheckShellRunsVerbs();
    ASSERT_NO_FATAL_FAILURE(CheckBackupImport());
    CheckUndo();
}

// The command line for administrators: no window, the exit code, the output
// through a redirected handle, the keys as the wizard writes them.
TEST_F(EndToEnd, ASilentRunRegistersWithoutAWindow) {
    const std::wstring backups = L"C:\\Sicherung Verwaltung";
    const System::Finished finished = System::RunPrinting(
        installed_,
        L"/typen:png -Oeffnen:\"" + kOpenRecorder + L"\" /Sicherung:\"" + backups + L"\"",
        Scaled(120'000));
    EXPECT_EQ(finished.exitCode, 0u);
    EXPECT_NE(finished.output.find("Ergebnis: Die Dateitypen wurden registriert"),
              std::string::npos)
        << finished.output;
    EXPECT_EQ(RegistryProbe::ClassesText(L"ACDC_PNG\\shell\\Open\\Command"),
              L"\"" + kOpenRecorder + L"\" \"%1\"");
    EXPECT_EQ(
        RegistryProbe::ClassesText(L"SystemFileAssociations\\.png\\shell\\Bildkranz.Open", L"Icon"),
        kOpenRecorder + L",0");
    EXPECT_TRUE(GetFileAttributesW((backups + L"\\Temp 0_Classes.reg").c_str()) !=
                INVALID_FILE_ATTRIBUTES);
}

// For the running account alone: a logon script's way, and the way of
// everyone without administrator rights. Run twice, the second run finds
// everything in place and writes nothing.
TEST_F(EndToEnd, ASilentRunForTheAccountLeavesTheMachineAloneAndItsUndoFileTakesItBack) {
    ASSERT_NO_FATAL_FAILURE(KeepMachineAsIs());
    const std::wstring arguments = L"/Konto /Typen:png /Oeffnen:\"" + kOpenRecorder + L"\"";
    const System::Finished first = RunSilently(arguments);
    EXPECT_EQ(first.exitCode, 0u) << first.output;
    EXPECT_NE(first.output.find("(HKEY_CURRENT_USER)"), std::string::npos) << first.output;
    EXPECT_NE(first.output.find("Ergebnis: Die Dateitypen wurden f\xC3\xBCr das Benutzerkonto"),
              std::string::npos)
        << first.output;
    CheckAccountKeys(kOpenRecorder);
    CheckMachineAsIs();

    const auto filesAfterFirst = System::FilesStartingWith(kProgramFolder, L"");
    const System::Finished second = RunSilently(arguments);
    EXPECT_EQ(second.exitCode, 0u) << second.output;
    EXPECT_NE(second.output.find("nichts ge\xC3\xA4ndert und nichts gesichert"), std::string::npos)
        << second.output;
    EXPECT_EQ(System::FilesStartingWith(kProgramFolder, L""), filesAfterFirst);
    CheckAccountUndo();
}

// Where the process may not write below HKEY_LOCAL_MACHINE\Software\Classes,
// a run for all users changes nothing and names the two ways that work; the
// preview for the account shows the account's keys. In the quick run only:
// where 32-bit code is emulated every 32-bit process costs a minute and may be
// ended by the emulator, and the run for the account above already shows the
// shipped program's registry views.
TEST_F(EndToEnd, ARunThatMayNotWriteForAllUsersChangesNothingAndNamesTheWaysThatWork) {
    ASSERT_TRUE(RegFile::ExportClasses(kReference, kUsersEditor));
    const auto filesBefore = System::FilesStartingWith(kProgramFolder, L"");
    const MachineClassesReadOnly locked;
    ASSERT_TRUE(locked.Holds()) << "the stand-in for a user without rights does not hold";
    const std::wstring arguments = L"/Typen:png /Oeffnen:\"" + kOpenRecorder + L"\"";
    const System::Finished refused = RunSilently(arguments);
    EXPECT_EQ(refused.exitCode, 5u) << refused.output;
    EXPECT_NE(refused.output.find("/Konto"), std::string::npos) << refused.output;
    EXPECT_NE(refused.output.find("Als Administrator ausf\xC3\xBChren"), std::string::npos)
        << refused.output;
    EXPECT_NE(refused.output.find("R\xC3\xBC"
                                  "ckgabewert 5."),
              std::string::npos)
        << refused.output;
    EXPECT_TRUE(RegFile::ClassesAsIn(kReference, kUsersEditor));
    EXPECT_FALSE(AccountText(L"Software\\Classes\\.png").has_value());
    EXPECT_EQ(System::FilesStartingWith(kProgramFolder, L""), filesBefore);

    const System::Finished preview = RunSilently(L"/Konto /Vorschau " + arguments);
    EXPECT_EQ(preview.exitCode, 0u) << preview.output;
    EXPECT_NE(preview.output.find("HKEY_CURRENT_USER\\Software\\Classes\\ACDC_PNG\\shell\\Open"),
              std::string::npos)
        << preview.output;
    EXPECT_EQ(preview.output.find("HKEY_LOCAL_MACHINE\\Software\\Classes"), std::string::npos)
        << preview.output;
    EXPECT_EQ(System::FilesStartingWith(kProgramFolder, L""), filesBefore);
}

// A user without administrator rights goes through the same three screens;
// the confirmation and the success message say for whom it registers. The
// 32-bit group leaves it to the quick run: the silent runs above show the
// shipped program's registry views for the account, and every 32-bit process
// costs a minute where it is emulated.
TEST_F(EndToEnd, TheWizardRegistersForTheAccountWhereTheMachineIsLocked) {
    ASSERT_NO_FATAL_FAILURE(KeepMachineAsIs());
    {
        const MachineClassesReadOnly locked;
        ASSERT_TRUE(locked.Holds()) << "the stand-in for a user without rights does not hold";
        ASSERT_NO_FATAL_FAILURE(Start());
        ASSERT_NO_FATAL_FAILURE(TickOnlyTypes({4}));
        program_->PostAltKey(L'w');
        ASSERT_TRUE(ScreenShown(2));
        ASSERT_NO_FATAL_FAILURE(ChooseProgram(1, kOpenRecorder));
        program_->PostAltKey(L'w');
        ASSERT_TRUE(ScreenShown(3));
        const std::wstring confirmation = WindowText(program_->Control(id::kLabel2));
        EXPECT_NE(confirmation.find(L"nur f\u00FCr Ihr Benutzerkonto \u201E"), std::wstring::npos)
            << Ascii(confirmation);
        EXPECT_NE(confirmation.find(L"\u201EAls Administrator ausf\u00FChren\u201C"),
                  std::wstring::npos)
            << Ascii(confirmation);
        program_->PostAltKey(L'w');
        const MessageBoxSeen seen = Answer(NextMessage(nullptr, Scaled(60000)), IDOK);
        EXPECT_EQ(seen.title, Texts::kSuccessAccount.title);
        EXPECT_NE(seen.text.find(L"f\u00FCr Ihr Benutzerkonto \u201E"), std::wstring::npos)
            << Ascii(seen.text);
        // Wine's shell reads no classes of the account: it may name PNG as
        // opened by another program and offer the settings page.
        if (HWND offer = FindMessageBox(program_->Id()); offer && offer != seen.handle)
            Answer(offer, IDNO);
        EXPECT_EQ(program_->WaitForExit(Scaled(20000)), 0u);
    }
    CheckAccountKeys(kOpenRecorder);
    CheckMachineAsIs();
    CheckAccountUndo();
}

// The faults below need no 32-bit build to show; the 32-bit group leaves them
// to the quick run.
TEST_F(EndToEnd, WithoutTheRegistryEditorNothingChangesAndTheReportNamesTheBackup) {
    PutText(L".bmp", nullptr, L"Paint.Picture");
    {
        const EditorSwap aside(nullptr);
        ASSERT_NO_FATAL_FAILURE(Start());
        program_->PostAltKey(L'w');
        ASSERT_TRUE(ScreenShown(2));
        program_->Click(id::VerbCheckBox(1));
        const MessageBoxSeen seen = Finish();
        EXPECT_EQ(seen.title, FailureReport::kTitle);
        EXPECT_NE(seen.text.find(kClassesBackup), std::wstring::npos) << Ascii(seen.text);
        EXPECT_EQ(program_->WaitForExit(), 1u);
    }
    EXPECT_EQ(RegistryProbe::ClassesText(L".bmp"), L"Paint.Picture");
    EXPECT_FALSE(KeyPresent(L"ACDC_BMP") || KeyPresent(L".gif"));
}

// Without a settings page (Wine has none) the way by hand is shown.
TEST_F(EndToEnd, WithoutTheSettingsPageTheWayByHandIsShown) {
    DeleteTree(L"ms-settings");
    PutText(L"ACDC_BMP\\shell\\Open\\Command", nullptr, L"\"" + kOpenRecorder + L"\" \"%1\"");
    PutText(L"Fotos.Datei", nullptr, L"Fotos");
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(TickOnlyTypes({1}));
    program_->PostAltKey(L'w');
    ASSERT_TRUE(ScreenShown(2));
    const MessageBoxSeen success = Finish([] { PutText(L".gif", nullptr, L"Fotos.Datei"); });
    EXPECT_EQ(success.text, Texts::kSuccess.text);
    const MessageBoxSeen offer = Answer(NextMessage(success.handle, 20000), IDYES);
    EXPECT_EQ(offer.title, Texts::kDefaultApps.title);
    const MessageBoxSeen byHand = Answer(NextMessage(offer.handle, 20000), IDOK);
    EXPECT_EQ(byHand.title, Texts::kDefaultApps.title);
    EXPECT_EQ(byHand.text, std::wstring(Texts::kDefaultApps.settingsNotOpened) +
                               std::wstring(AssociationTexts::kWayByHand) + L"    ");
    EXPECT_EQ(program_->WaitForExit(), 0u);
}

TEST_F(EndToEnd, AValueThatCannotBeWrittenGivesTheWarningNotTheSuccess) {
    PutText(L"ACDC_WMF\\DefaultIcon", nullptr, L"alt.dll,0");
    MakeReadOnly(L"ACDC_WMF\\DefaultIcon");
    ASSERT_NO_FATAL_FAILURE(Start());
    program_->PostAltKey(L'w');
    ASSERT_TRUE(ScreenShown(2));
    program_->Click(id::VerbCheckBox(3));
    const MessageBoxSeen seen = Finish();
    EXPECT_EQ(seen.title, Texts::kIncomplete.title);
    EXPECT_EQ(seen.text, Texts::kIncomplete.text);
    EXPECT_NE(seen.icon, nullptr);
    EXPECT_EQ(program_->WaitForExit(), 0u);
    EXPECT_EQ(RegistryProbe::ClassesText(L".wmf"), L"ACDC_WMF");
}
