// The real file dialog behind a verb row's "..." button, driven from a second
// thread as a person would use it while the test's thread runs it.
#include "driver/WindowDriver.h"
#include "services/FileDirPath.h"
#include "services/SpecialFolders.h"
#include "tests/support/TextFile.h"
#include "wizard/ControlIds.h"
#include "wizard/Root.h"
#include "wizard/Texts.h"

#include <commdlg.h>
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windowsx.h>

#include <future>
#include <optional>

namespace {

constexpr std::wstring_view kTitle = Texts::kProgramDialogTitle;
const std::wstring kToolFolder = L"C:\\Test Ordner\\Tool\\";
const std::wstring kTool = kToolFolder + L"tool.exe";
// Longer than the 128 characters a smaller buffer would hold.
const std::wstring kDeepFolder = L"C:\\Test Ordner\\" + std::wstring(60, L'a') + L"\\" +
                                 std::wstring(60, L'b') + L"\\" + std::wstring(30, L'c') + L"\\";
const std::wstring kDeepTool = kDeepFolder + L"deep tool.exe";

// What a person saw and did in the dialog.
struct DialogSeen {
    bool opened = false;
    std::wstring folderShown; // with a trailing backslash
    bool refused = false;     // it answered OK with a message box and stayed open
};

// Types the path into the file name box and presses OK, or, without a path,
// presses Cancel.
DialogSeen Drive(const std::optional<std::wstring>& typed) {
    DialogSeen seen;
    const DWORD self = GetCurrentProcessId();
    HWND dialog = nullptr;
    if (!WindowDriver::WaitFor(
            [&] { return (dialog = WindowDriver::FindDialog(self, kTitle)) != nullptr; }, 30'000))
        return seen;
    seen.opened = true;
    wchar_t folder[MAX_PATH]{};
    WindowDriver::WaitFor([&] {
        return SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder)) >
               0;
    });
    seen.folderShown = FileDirPath::Join(folder, L"");
    if (typed) {
        SendMessageW(WindowDriver::FileNameBox(dialog), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(typed->c_str()));
        PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        HWND box = nullptr;
        WindowDriver::WaitFor([&] {
            box =
                WindowDriver::FirstWindow([&](HWND w) { return GetWindow(w, GW_OWNER) == dialog; });
            return !IsWindow(dialog) || box;
        });
        if (box) {
            PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
            WindowDriver::WaitFor([&] { return !IsWindow(box); });
            seen.refused = IsWindowVisible(dialog) != FALSE;
        }
    }
    if (IsWindow(dialog))
        PostMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    return seen;
}

std::future<DialogSeen> DriveLater(std::optional<std::wstring> typed) {
    return std::async(std::launch::async, [=] { return Drive(typed); });
}

class FileDialog : public testing::Test {
protected:
    static void SetUpTestSuite() {
        for (const std::wstring& file : {kTool, std::wstring(L"C:\\x.exe"), kDeepTool}) {
            SHCreateDirectoryExW(nullptr, file.substr(0, file.rfind(L'\\')).c_str(), nullptr);
            TextFile::Write(file, L"");
        }
    }
};

} // namespace

// The verb row's "..." button, through the real window: the dialog opens in
// the row's program's folder, else in the program files folder.
TEST_F(FileDialog, BrowseButtonPutsTheChosenProgramIntoItsRow) {
    const std::wstring programFiles =
        FileDirPath::Join(SpecialFolders::SpecialFolderPath(CSIDL_PROGRAM_FILES), L"");
    const struct {
        std::wstring before;
        std::optional<std::wstring> typed;       // nothing: cancel
        std::optional<std::wstring> folderShown; // nothing: the dialog's own choice
        std::wstring after;
    } cases[] = {
        {L"", kTool, programFiles, kTool},
        {L"", std::nullopt, programFiles, L""},
        {kTool, std::nullopt, kToolFolder, kTool},
        {kTool, L"C:\\x.exe", kToolFolder, L"C:\\x.exe"},
        {kTool, kToolFolder + L"fehlt.exe", kToolFolder, kTool}, // the dialog refuses it
        {L"tool.exe", kDeepTool, std::nullopt, kDeepTool},
        {kDeepTool, kTool, kDeepFolder, kTool},
    };
    Root root(GetModuleHandleW(nullptr));
    root.Show();
    const auto control = [&](int id) {
        return WindowDriver::FindControl(root.Handle(), id);
    };
    SendMessageW(control(ControlIds::kNext), BM_CLICK, 0, 0);
    SendMessageW(control(ControlIds::VerbCheckBox(1)), BM_CLICK, 0, 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.before.size() << " " << c.after.size());
        SetWindowTextW(control(ControlIds::VerbText(1)), c.before.c_str());
        auto seen = DriveLater(c.typed);
        SendMessageW(control(ControlIds::VerbBrowse(1)), BM_CLICK, 0, 0);
        const DialogSeen dialog = seen.get();
        ASSERT_TRUE(dialog.opened);
        if (c.folderShown) {
            EXPECT_EQ(lstrcmpiW(dialog.folderShown.c_str(), c.folderShown->c_str()), 0);
        }
        EXPECT_EQ(dialog.refused, c.after == c.before && c.typed.has_value());
        EXPECT_EQ(WindowDriver::WindowText(control(ControlIds::VerbText(1))), c.after);
        EXPECT_EQ(Button_GetCheck(control(ControlIds::VerbCheckBox(1))), BST_CHECKED);
        EXPECT_TRUE(IsWindowEnabled(root.Handle())) << "the window is usable again";
    }
}
