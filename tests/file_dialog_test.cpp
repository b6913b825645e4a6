#include "services/ComDlgDll.h"
#include "services/SpecialFolders.h"
#include "common/UniqueHandle.h"
#include "tools/driver/WindowDriver.h"
#include "wizard/ControlIds.h"
#include "wizard/Root.h"

#include <gtest/gtest.h>

#include <commdlg.h>
#include <dlgs.h>
#include <windowsx.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <thread>

using namespace std::chrono_literals;

namespace {

constexpr wchar_t kTitle[] = L"Datei w\u00E4hlen";
constexpr wchar_t kFilter[] = L"Programme|*.exe; *.com; *.bat|Alle Dateitypen|*.*";
constexpr auto kPatience = 30s;

// Polls until the condition holds or the time is up; never waits longer than
// the condition needs.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = kPatience) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64]{};
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring TextOf(HWND window) {
    wchar_t text[512]{};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 5000,
                        &copied);
    return text;
}

// A visible dialog of this process: the file dialog by its title, or, given
// an owner, the message box that window shows.
HWND FindDialog(std::wstring_view title, HWND owner) {
    return driver::FirstWindow([&](HWND window) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process != GetCurrentProcessId() || !IsWindowVisible(window) ||
            ClassOf(window) != L"#32770")
            return false;
        return owner ? GetWindow(window, GW_OWNER) == owner
                     : TextOf(window) == title && driver::FileNameBox(window) != nullptr;
    });
}

std::wstring FolderShown(HWND dialog) {
    wchar_t folder[MAX_PATH]{};
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder),
                             SMTO_BLOCK, 5000, &result))
        return {};
    return folder;
}

void Press(HWND dialog, int button) {
    PostMessageW(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
}

// What a person saw and did in the file dialog.
struct DialogSeen {
    bool opened = false;
    std::wstring folderShown;
    bool accepted = false; // the dialog ended on OK
    bool refused = false;  // it answered OK with a message box and stayed open
};

// Drives the file dialog from a second thread while the test's thread runs
// it: types the path into the file name box and presses OK, or, without a
// path, presses Cancel.
class DialogDriver {
public:
    explicit DialogDriver(std::optional<std::wstring> typed, std::wstring title = kTitle)
        : seen_(std::async(std::launch::async,
                           [this, typed, title] { return Drive(title, typed); })) {}
    ~DialogDriver() { Finish(); }

    // Called once the dialog's caller has returned.
    DialogSeen Finish() {
        callerReturned_ = true;
        if (seen_.valid())
            result_ = seen_.get();
        return result_;
    }

private:
    DialogSeen Drive(const std::wstring& title, const std::optional<std::wstring>& typed) {
        DialogSeen seen;
        HWND dialog = nullptr;
        WaitUntil([&] { return callerReturned_ || (dialog = FindDialog(title, nullptr)); });
        if (!dialog)
            return seen;
        seen.opened = true;
        WaitUntil([&] { return !(seen.folderShown = FolderShown(dialog)).empty(); });
        if (typed) {
            SendMessageTimeoutW(driver::FileNameBox(dialog), WM_SETTEXT, 0,
                                reinterpret_cast<LPARAM>(typed->c_str()), SMTO_BLOCK, 5000,
                                nullptr);
            Press(dialog, IDOK);
            HWND box = nullptr;
            WaitUntil([&] { return !IsWindow(dialog) || (box = FindDialog({}, dialog)); });
            seen.accepted = !IsWindow(dialog);
            if (box) {
                Press(box, IDOK);
                WaitUntil([&] { return !IsWindow(box); });
                seen.refused = IsWindow(dialog) && IsWindowVisible(dialog);
            }
        }
        if (IsWindow(dialog)) {
            Press(dialog, IDCANCEL);
            WaitUntil([&] { return !IsWindow(dialog); });
        }
        return seen;
    }

    std::atomic<bool> callerReturned_{false};
    std::future<DialogSeen> seen_;
    DialogSeen result_;
};

std::wstring WithoutTrailingBackslash(std::wstring folder) {
    while (folder.size() > 3 && folder.back() == L'\\')
        folder.pop_back();
    return folder;
}

testing::AssertionResult SameFolder(const std::wstring& shown, const std::wstring& expected) {
    if (lstrcmpiW(WithoutTrailingBackslash(shown).c_str(),
                  WithoutTrailingBackslash(expected).c_str()) == 0)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the dialog shows the folder \"" << shown.c_str()
                                       << "\", not \"" << expected.c_str() << "\"";
}

void CreateEmptyFile(const std::wstring& path) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path.c_str();
    UniqueKernelHandle closer(file);
}

const std::wstring kToolFolder = L"C:\\Test Ordner\\Tool\\";
const std::wstring kTool = kToolFolder + L"tool.exe";
const std::wstring kDeepFolder = L"C:\\Test Ordner\\" + std::wstring(60, L'a') + L"\\" +
                                 std::wstring(60, L'b') + L"\\" + std::wstring(30, L'c') + L"\\";
const std::wstring kDeepTool = kDeepFolder + L"deep tool.exe";

class FileDialog : public testing::Test {
protected:
    static void SetUpTestSuite() {
        CreateEmptyFile(kTool);
        CreateEmptyFile(L"C:\\x.exe");
        CreateEmptyFile(kDeepTool);
    }
};

} // namespace

TEST_F(FileDialog, ChosenFileSplitsIntoFolderAndName) {
    const struct {
        std::wstring typed;
        std::wstring_view name;
        std::wstring folder;
    } cases[] = {
        {kTool, L"tool.exe", kToolFolder},
        {L"C:\\x.exe", L"x.exe", L"C:\\"},
        {kDeepTool, L"deep tool.exe", kDeepFolder},
    };
    ASSERT_GT(kDeepTool.size(), 128u);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.c_str());
        std::wstring folder = L"C:\\windows";
        DialogDriver driver(c.typed);
        const std::wstring name =
            ComDlgDll::OpenFileDialog(nullptr, kTitle, folder, L"", kFilter, L"exe");
        const DialogSeen seen = driver.Finish();
        ASSERT_TRUE(seen.opened);
        EXPECT_TRUE(seen.accepted);
        EXPECT_EQ(name, c.name);
        EXPECT_EQ(folder, c.folder);
    }
}

TEST_F(FileDialog, CancelKeepsTheFolderItOpenedIn) {
    std::wstring folder = kToolFolder;
    DialogDriver driver(std::nullopt);
    EXPECT_EQ(ComDlgDll::OpenFileDialog(nullptr, kTitle, folder, L"", kFilter, L"exe"), L"");
    const DialogSeen seen = driver.Finish();
    ASSERT_TRUE(seen.opened);
    EXPECT_TRUE(SameFolder(seen.folderShown, kToolFolder));
    EXPECT_EQ(folder, kToolFolder);
}

TEST_F(FileDialog, OpenRefusesAFileThatDoesNotExist) {
    std::wstring folder = kToolFolder;
    DialogDriver driver(kToolFolder + L"missing.exe");
    EXPECT_EQ(ComDlgDll::OpenFileDialog(nullptr, kTitle, folder, L"", kFilter, L"exe"), L"");
    const DialogSeen seen = driver.Finish();
    EXPECT_TRUE(seen.refused);
    EXPECT_FALSE(seen.accepted);
    EXPECT_EQ(folder, kToolFolder);
}

// The save dialog takes a file that does not exist yet, and completes a name
// typed without extension with the default one.
TEST_F(FileDialog, EveryOtherModeSavesANewFile) {
    for (std::int16_t mode : {1, 2, 7, -1}) {
        SCOPED_TRACE(mode);
        std::wstring folder;
        DialogDriver driver(kToolFolder + L"new");
        EXPECT_EQ(ComDlgDll::ShowFileDialog(nullptr, kTitle, folder, L"", kFilter, L"exe", mode),
                  L"new.exe");
        EXPECT_TRUE(driver.Finish().accepted);
        EXPECT_EQ(folder, kToolFolder);
    }
}

// The verb row's "..." button, driven through the real window. The wizard's
// own Cancel ends the process, so it is never pressed here.
TEST_F(FileDialog, BrowseButtonPutsTheChosenProgramIntoItsRow) {
    const std::wstring programFiles = SpecialFolders::SpecialFolderPath(38);
    ASSERT_FALSE(programFiles.empty());
    const struct {
        const wchar_t* label;
        std::wstring before;
        std::optional<std::wstring> typed;       // nothing: cancel
        std::optional<std::wstring> folderShown; // nothing: the dialog's own choice
        std::wstring after;
    } cases[] = {
        {L"empty row, choose", L"", kTool, programFiles, kTool},
        {L"empty row, cancel", L"", std::nullopt, programFiles, L""},
        {L"filled row, cancel", kTool, std::nullopt, kToolFolder, kTool},
        {L"filled row, choose in a drive root", kTool, L"C:\\x.exe", kToolFolder, L"C:\\x.exe"},
        {L"row without folder, choose deep", L"tool.exe", kDeepTool, std::nullopt, kDeepTool},
        {L"deep row, choose", kDeepTool, kTool, kDeepFolder, kTool},
    };

    Root root(GetModuleHandleW(nullptr));
    root.Show();
    const auto click = [&](int id) {
        SendMessageW(driver::FindControl(root.Handle(), id), BM_CLICK, 0, 0);
    };
    click(control_id::kNext);
    ASSERT_TRUE(IsWindowVisible(driver::FindControl(root.Handle(), control_id::Screen(2))));
    const HWND tick = driver::FindControl(root.Handle(), control_id::VerbCheckBox(1));
    const HWND text = driver::FindControl(root.Handle(), control_id::VerbText(1));
    click(control_id::VerbCheckBox(1));
    ASSERT_EQ(Button_GetCheck(tick), BST_CHECKED);

    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        SetWindowTextW(text, c.before.c_str());
        DialogDriver driver(c.typed, L"Anwendung ausw\u00E4hlen");
        click(control_id::VerbBrowse(1));
        const DialogSeen seen = driver.Finish();
        ASSERT_TRUE(seen.opened);
        if (c.folderShown) {
            EXPECT_TRUE(SameFolder(seen.folderShown, *c.folderShown));
        }
        EXPECT_EQ(TextOf(text), c.after);
        EXPECT_EQ(Button_GetCheck(tick), BST_CHECKED);
        EXPECT_TRUE(IsWindowEnabled(root.Handle())) << "the window is usable again";
    }
}
