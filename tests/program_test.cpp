// The real program, started from a folder whose name has a blank and driven
// from outside: the ways it ends and what it leaves behind.
#include "association/Catalogue.h"
#include "tools/driver/Program.h"
#include "tools/driver/WindowDriver.h"
#include "wizard/ControlIds.h"
#include "wizard/Texts.h"

#include <gtest/gtest.h>

#include <map>

using namespace driver;
namespace id = control_id;

namespace {

const std::wstring kFolder = L"C:\\Bild Kranz";

// What a registration would change: the classes key's subkeys and, for every
// type, its extension key's default value and its class key.
std::map<std::wstring, std::wstring> ClassesSnapshot() {
    std::map<std::wstring, std::wstring> snapshot;
    HKEY classes = nullptr;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes", 0, KEY_READ, &classes);
    DWORD subkeys = 0;
    FILETIME written{};
    RegQueryInfoKeyW(classes, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr, &written);
    RegCloseKey(classes);
    snapshot[L"subkeys"] = std::to_wstring(subkeys);
    for (const catalogue::FileType& type : catalogue::kFileTypes) {
        for (std::wstring_view key : {type.extension, type.className}) {
            const std::wstring path = L"Software\\Classes\\" + std::wstring(key);
            wchar_t value[512]{};
            DWORD size = sizeof(value);
            const LSTATUS status = RegGetValueW(HKEY_LOCAL_MACHINE, path.c_str(), nullptr,
                                                RRF_RT_REG_SZ, nullptr, value, &size);
            snapshot[path] =
                status == ERROR_SUCCESS ? value : L"<" + std::to_wstring(status) + L">";
        }
    }
    return snapshot;
}

class ProgramTest : public testing::Test {
protected:
    void SetUp() override {
        before_ = ClassesSnapshot();
        program_ = std::make_unique<RunningProgram>(InstallProgram(kFolder));
        window_ = program_->WaitForWindow();
        ASSERT_NE(window_, nullptr);
    }

    void ExpectEndedWithNothingWritten() {
        EXPECT_EQ(program_->WaitForExit(), 0u);
        EXPECT_EQ(FilesIn(kFolder), std::vector<std::wstring>{L"Bildkranz.exe"});
        EXPECT_EQ(ClassesSnapshot(), before_);
    }

    void GoToScreen(int screen) {
        if (screen >= 2)
            program_->PostAltKey(L'w');
        if (screen >= 3) {
            ASSERT_TRUE(
                WaitFor([&] { return IsWindowVisible(FindControl(window_, id::Screen(2))); }));
            program_->Click(id::VerbCheckBox(1));
            program_->PostAltKey(L'w');
        }
        ASSERT_TRUE(
            WaitFor([&] { return IsWindowVisible(FindControl(window_, id::Screen(screen))); }));
    }

    std::map<std::wstring, std::wstring> before_;
    std::unique_ptr<RunningProgram> program_;
    HWND window_ = nullptr;
};

} // namespace

TEST_F(ProgramTest, EscapeEndsTheProgramOnTheTypeScreen) {
    program_->PostKey(VK_ESCAPE);
    ExpectEndedWithNothingWritten();
}

TEST_F(ProgramTest, EscapeEndsTheProgramOnTheConfirmationScreen) {
    GoToScreen(3);
    program_->PostKey(VK_ESCAPE);
    ExpectEndedWithNothingWritten();
}

TEST_F(ProgramTest, AltAPressesCancelOnTheVerbScreen) {
    GoToScreen(2);
    program_->PostAltKey(L'a');
    ExpectEndedWithNothingWritten();
}

TEST_F(ProgramTest, CancelButtonEndsTheProgram) {
    GoToScreen(3);
    program_->Click(id::kCancel);
    ExpectEndedWithNothingWritten();
}

TEST_F(ProgramTest, CloseBoxEndsTheProgram) {
    GoToScreen(2);
    PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
    ExpectEndedWithNothingWritten();
}

TEST_F(ProgramTest, AltF4EndsTheProgram) {
    PostMessageW(program_->Focus(), WM_SYSKEYDOWN, VK_F4, (1 << 29) | 1);
    ExpectEndedWithNothingWritten();
}

TEST_F(ProgramTest, NextOnTheConfirmationScreenEndsWithTheSuccessMessage) {
    GoToScreen(3);
    program_->PostAltKey(L'w');
    HWND box = program_->WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(IsWindowVisible(window_)); // the window went before the message came
    const MessageBoxSeen seen = ReadMessageBox(box);
    EXPECT_EQ(seen.title, texts::kSuccess.title);
    EXPECT_EQ(seen.text, texts::kSuccess.text);
    EXPECT_EQ(seen.visibleButtons, 1);
    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(program_->WaitForExit(), 0u);
}

TEST_F(ProgramTest, QueuedClicksAndACloseRequestDoNotCutTheRegistrationShort) {
    GoToScreen(3);
    // All arrive while the registration runs: a second Next, the close box.
    program_->PostAltKey(L'w');
    program_->PostAltKey(L'w');
    PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
    HWND box = program_->WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ReadMessageBox(box).title, texts::kSuccess.title);
    for (const catalogue::FileType& type : catalogue::kFileTypes) {
        const std::wstring key = L"Software\\Classes\\" + std::wstring(type.extension);
        EXPECT_EQ(ClassesSnapshot()[key], type.className) << key;
    }
    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(program_->WaitForExit(), 0u);
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
        EXPECT_EQ(seen.title, texts::kFailureTitle);
        // The replaced pieces say which function refused, and nothing more.
        EXPECT_EQ(seen.text, std::wstring(texts::kFailureIntro) + L"\r\n\r\n" +
                                 std::wstring(c.shown) + L"\r\n\r\n" +
                                 std::wstring(texts::kFailureOutro));
        PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        EXPECT_EQ(probe.WaitForExit(), 1u);
    }
    SetEnvironmentVariableW(L"BILDKRANZ_HOOK_CASE", nullptr);
}
