// Walks through one registration as a person would: the real program,
// installed into a folder whose name has a blank, driven from outside on the
// display, with a screenshot of every screen; then tells what the
// registration left in the registry and in the program's folder.
//
//   walkthrough.exe SCREENSHOT-FOLDER
#include "association/Catalogue.h"
#include "common/Com.h"
#include "common/UniqueHandle.h"
#include "driver/Program.h"
#include "driver/WindowDriver.h"
#include "tools/Demo.h"
#include "tools/Screenshot.h"
#include "wizard/ControlIds.h"
#include "wizard/Texts.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <string>
#include <vector>

using namespace Demo;
using namespace Screenshot;
using Program::ScreenShown;
using Program::TickedTypeCount;
using WindowDriver::PostClick;
using WindowDriver::SetTextOf;
using WindowDriver::Sync;
namespace id = ControlIds;

namespace {

const std::wstring kProgramFolder = L"C:\\Bildkranz Demo";
constexpr std::wstring_view kFileDialogTitle = Texts::kProgramDialogTitle;
constexpr DWORD kRegistrationLimitMs = 5 * 60 * 1000;

std::wstring WithoutAccessKey(std::wstring text) {
    std::erase(text, L'&');
    return text;
}

std::wstring Quoted(std::wstring_view text) {
    return L"\"" + std::wstring(text) + L"\"";
}

std::wstring Seconds(ULONGLONG milliseconds) {
    wchar_t text[32]{};
    swprintf(text, 32, L"%.1f s", static_cast<double>(milliseconds) / 1000.0);
    return text;
}

// --- What the registration left in the registry

std::wstring TypeName(DWORD type) {
    switch (type) {
    case REG_SZ:
        return L"REG_SZ";
    case REG_EXPAND_SZ:
        return L"REG_EXPAND_SZ";
    case REG_MULTI_SZ:
        return L"REG_MULTI_SZ";
    case REG_DWORD:
        return L"REG_DWORD";
    case REG_BINARY:
        return L"REG_BINARY";
    default:
        return L"type " + std::to_wstring(type);
    }
}

std::wstring DataText(DWORD type, const std::vector<BYTE>& data) {
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        std::wstring text(reinterpret_cast<const wchar_t*>(data.data()),
                          data.size() / sizeof(wchar_t));
        while (!text.empty() && text.back() == L'\0')
            text.pop_back();
        return text;
    }
    if (type == REG_DWORD && data.size() == sizeof(DWORD)) {
        DWORD number = 0;
        std::copy_n(data.begin(), sizeof(DWORD), reinterpret_cast<BYTE*>(&number));
        return std::to_wstring(number);
    }
    return std::to_wstring(data.size()) + L" bytes";
}

// Prints the key, every value it holds and, below it, every subkey, as the
// registry holds them now.
void PrintKey(HKEY parent, const std::wstring& path, const std::wstring& shownName) {
    UniqueKey key;
    if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        Say(L"    " + shownName + L"  (not there)");
        return;
    }
    Say(L"    " + shownName);
    DWORD valueCount = 0;
    DWORD longestName = 0;
    DWORD longestData = 0;
    RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &valueCount,
                     &longestName, &longestData, nullptr, nullptr);
    for (DWORD index = 0; index < valueCount; ++index) {
        std::wstring name(longestName + 1, L'\0');
        DWORD nameLength = longestName + 1;
        std::vector<BYTE> data(longestData + sizeof(wchar_t));
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (RegEnumValueW(key.get(), index, name.data(), &nameLength, nullptr, &type, data.data(),
                          &dataSize) != ERROR_SUCCESS)
            continue;
        name.resize(nameLength);
        data.resize(dataSize);
        Say(L"        " + (name.empty() ? L"(default)" : name) + L"  " + TypeName(type) + L"  " +
            DataText(type, data));
    }
    std::vector<std::wstring> subkeys;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256]{};
        DWORD length = 256;
        if (RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        subkeys.emplace_back(name, length);
    }
    for (const std::wstring& subkey : subkeys)
        PrintKey(parent, path + L"\\" + subkey, shownName + L"\\" + subkey);
}

void PrintRegistry() {
    Say(L"");
    Say(L"What is now below HKEY_LOCAL_MACHINE\\Software\\Classes for the nine types:");
    for (const Catalogue::FileType& type : Catalogue::kFileTypes) {
        for (std::wstring_view name : {type.extension, type.className})
            PrintKey(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + std::wstring(name),
                     std::wstring(name));
    }
}

// The extension keys of the nine types that exist now.
std::vector<std::wstring> ExistingExtensionKeys() {
    std::vector<std::wstring> existing;
    for (const Catalogue::FileType& type : Catalogue::kFileTypes) {
        UniqueKey key;
        const std::wstring path = L"Software\\Classes\\" + std::wstring(type.extension);
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.put()) ==
            ERROR_SUCCESS)
            existing.emplace_back(type.extension);
    }
    return existing;
}

std::wstring Listed(const std::vector<std::wstring>& names) {
    std::wstring text;
    for (const std::wstring& name : names)
        text += (text.empty() ? L"" : L", ") + name;
    return text.empty() ? L"none" : text;
}

void PrintBackups(const std::vector<std::wstring>& extensionsBefore) {
    Say(L"");
    Say(L"Backup files the registry editor made in the program's folder " + kProgramFolder +
        L"\\:");
    int count = 0;
    for (const std::wstring& name : Program::FilesIn(kProgramFolder)) {
        if (name == L"Bildkranz.exe")
            continue;
        WIN32_FILE_ATTRIBUTE_DATA file{};
        GetFileAttributesExW((kProgramFolder + L"\\" + name).c_str(), GetFileExInfoStandard, &file);
        const ULONGLONG size =
            (static_cast<ULONGLONG>(file.nFileSizeHigh) << 32) | file.nFileSizeLow;
        Say(L"    " + name + L"  " + std::to_wstring(size) + L" bytes");
        ++count;
    }
    if (count == 0)
        Say(L"    none");
    Say(L"    (\"Temp 0_Classes.reg\" holds the whole classes key; a \"Temp N_ext.reg\" is made "
        L"for each extension key that existed before, here: " +
        Listed(extensionsBefore) + L".)");
}

// --- The walk

class Walkthrough {
public:
    explicit Walkthrough(std::wstring screenshotFolder)
        : screenshots_(std::move(screenshotFolder)) {}

    void Run() {
        CreateDirectoryW(screenshots_.c_str(), nullptr);
        const std::vector<std::wstring> extensionsBefore = ExistingExtensionKeys();
        Say(L"Before: extension keys of the nine types in the registry: " +
            Listed(extensionsBefore) + L".");
        // A pointer resting on the window would light up whatever control is
        // under it, different in every run.
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
        StartProgram();
        TypeScreen();
        VerbScreen();
        ChooseProgram();
        ConfirmationScreen();
        Register();
        PrintRegistry();
        PrintBackups(extensionsBefore);
    }

private:
    void StartProgram() {
        Say(L"1. Installing Bildkranz.exe into " + kProgramFolder + L"\\ and starting it.");
        program_.emplace(Program::InstallProgram(kProgramFolder));
        window_ = program_->WaitForWindow();
        Require(window_ != nullptr, L"the wizard window did not appear");
    }

    void TypeScreen() {
        Require(ScreenShown(window_, 1), L"the wizard did not start on the file type screen");
        Say(L"   The window " + Quoted(WindowDriver::WindowText(window_)) +
            L" shows the file type screen: " + std::to_wstring(TickedTypeCount(window_)) + L" of " +
            std::to_wstring(Catalogue::kFileTypeCount) + L" image types are ticked.");
        Shot(window_, L"1-dateitypen.png");
    }

    void VerbScreen() {
        Say(L"2. Clicking " + Quoted(WithoutAccessKey(std::wstring(Texts::kNext))) + L".");
        PostClick(Control(id::kNext));
        Require(WindowDriver::WaitFor([&] { return ScreenShown(window_, 2); }),
                L"the verb screen did not come");
        Say(L"   The verb screen lists the five context-menu verbs:");
        for (int slot = 1; slot <= Catalogue::kVerbCount; ++slot) {
            const bool ticked =
                SendMessageW(Control(id::VerbCheckBox(slot)), BM_GETCHECK, 0, 0) == BST_CHECKED;
            const std::wstring program = WindowDriver::WindowText(Control(id::VerbText(slot)));
            Say(L"     " + Quoted(Catalogue::VerbAt(slot)->checkBoxCaption) +
                (ticked ? L" ticked" : L" not ticked") +
                (program.empty() ? L", no program" : L", program " + program));
        }
        Shot(window_, L"2-verben.png");
    }

    void ChooseProgram() {
        const std::wstring caption(Catalogue::VerbAt(1)->checkBoxCaption);
        Say(L"3. Ticking " + Quoted(caption) + L" and clicking its " + Quoted(Texts::kBrowse) +
            L" button.");
        HWND checkBox = Control(id::VerbCheckBox(1));
        HWND browse = Control(id::VerbBrowse(1));
        if (SendMessageW(checkBox, BM_GETCHECK, 0, 0) != BST_CHECKED)
            PostClick(checkBox);
        Require(WindowDriver::WaitFor([&] { return IsWindowEnabled(browse) != FALSE; }),
                L"ticking the verb did not enable its browse button");
        PostClick(browse);

        HWND dialog = nullptr;
        Require(WindowDriver::WaitFor([&] {
                    dialog = WindowDriver::FindDialog(program_->Id(), kFileDialogTitle);
                    return dialog && WindowDriver::FileNameBox(dialog);
                }),
                L"the file dialog did not open");
        Say(L"   The program's file dialog " + Quoted(kFileDialogTitle) + L" is open.");
        Shot(dialog, L"3-dateidialog.png");

        const std::wstring chosen = ProgramToChoose();
        HWND ok = GetDlgItem(dialog, IDOK);
        Say(L"4. Typing " + chosen + L" into the dialog's file name box and pressing " +
            Quoted(WithoutAccessKey(WindowDriver::WindowText(ok))) + L".");
        SetTextOf(WindowDriver::FileNameBox(dialog), chosen);
        PostClick(ok);
        HWND text = Control(id::VerbText(1));
        Require(WindowDriver::WaitFor(
                    [&] { return !IsWindow(dialog) && WindowDriver::WindowText(text) == chosen; }),
                L"the chosen program did not arrive in the verb row");
        Say(L"   The dialog closed; the row " + Quoted(caption) + L" now shows " +
            WindowDriver::WindowText(text) + L".");
        Shot(window_, L"4-verb-gewaehlt.png");
    }

    void ConfirmationScreen() {
        Say(L"5. Clicking " + Quoted(WithoutAccessKey(std::wstring(Texts::kNext))) + L".");
        PostClick(Control(id::kNext));
        Require(WindowDriver::WaitFor([&] { return ScreenShown(window_, 3); }),
                L"the confirmation screen did not come");
        Say(L"   The confirmation screen says what will happen and where the backups go.");
        Shot(window_, L"5-bestaetigung.png");
    }

    void Register() {
        Say(L"6. Clicking " + Quoted(WithoutAccessKey(std::wstring(Texts::kNext))) +
            L": the program has the registry editor back up the classes, then writes the "
            L"associations.");
        const ULONGLONG started = GetTickCount64();
        PostClick(Control(id::kNext));
        HWND box = program_->WaitForMessageBox(kRegistrationLimitMs);
        Require(box != nullptr, L"no message came after the registration");
        const std::wstring title = WindowDriver::WindowText(box);
        const std::wstring text = WindowDriver::WindowText(GetDlgItem(box, 0xFFFF));
        Say(L"   After " + Seconds(GetTickCount64() - started) +
            L" the wizard window went and a message came: " + Quoted(title) + L", " + Quoted(text) +
            L".");
        Shot(box, L"6-erfolg.png");
        Require(title == Texts::kSuccess.title, L"the message is not the success message");

        Say(L"7. Pressing " +
            Quoted(WithoutAccessKey(WindowDriver::WindowText(GetDlgItem(box, IDOK)))) +
            L" in the message.");
        PostClick(GetDlgItem(box, IDOK));
        const DWORD code = program_->WaitForExit();
        Require(code != STILL_ACTIVE, L"the program did not end");
        Say(L"   The program ended with exit code " + std::to_wstring(code) + L".");
        Require(code == 0, L"the program's exit code is not 0");
    }

    // A real program of the prefix, so the dialog accepts it.
    static std::wstring ProgramToChoose() {
        wchar_t folder[MAX_PATH]{};
        GetWindowsDirectoryW(folder, MAX_PATH);
        return std::wstring(folder) + L"\\notepad.exe";
    }

    HWND Control(int controlId) const {
        HWND control = WindowDriver::FindControl(window_, controlId);
        Require(control != nullptr, L"a control of the wizard is missing");
        return control;
    }

    void Shot(HWND window, const std::wstring& name) {
        WindowDriver::WaitFor([&] { return IsWindowVisible(window) != FALSE; });
        Sync(window);
        bool settled = false;
        const Picture picture = CaptureSettled(window, settled);
        SavePng(picture, screenshots_ + L"\\" + name);
        Say(L"   Screenshot " + name + L" (" + std::to_wstring(picture.width) + L" x " +
            std::to_wstring(picture.height) + L")" +
            (settled ? L"" : L", taken while the window was still changing") + L".");
    }

    std::wstring screenshots_;
    std::optional<Program::RunningProgram> program_;
    HWND window_ = nullptr;
};

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        Say(L"usage: walkthrough.exe SCREENSHOT-FOLDER");
        return 2;
    }
    try {
        Com::Apartment apartment;
        Walkthrough(argv[1]).Run();
        return 0;
    } catch (const std::exception& failure) {
        Say(L"walkthrough: stopped: " + WhatOf(failure));
        return 1;
    }
}
