#include "services/ComDlgDll.h"

#include "common/SystemLibrary.h"

#include <commdlg.h>

#include <algorithm>
#include <cstddef>

namespace ComDlgDll {

namespace {

// The structure's old, short form (without the places bar fields), which
// every version of the dialog accepts.
constexpr DWORD kOldStructSize = static_cast<DWORD>(offsetof(OPENFILENAMEW, lpTemplateName) +
                                                    sizeof(OPENFILENAMEW::lpTemplateName));
static_assert(sizeof(void*) != 4 || kOldStructSize == 76);

// The longest path the platform hands out, so that a program in a deep
// folder can be chosen.
constexpr std::size_t kFileBufferLength = 32768;

constexpr DWORD kOpenFlags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
constexpr DWORD kSaveFlags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
constexpr DWORD kSaveNoPromptFlags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
static_assert(kOpenFlags == 0x1804 && kSaveFlags == 0x806 && kSaveNoPromptFlags == 0x804);

DWORD FlagsOf(std::int16_t mode) {
    switch (mode) {
    case 0:
        return kOpenFlags;
    case 1:
        return kSaveFlags;
    case 2:
        return kSaveNoPromptFlags;
    default:
        return 0;
    }
}

// The dialog takes a null pointer as "use your default"; an empty text is
// not documented to mean the same for the folder and the extension.
const wchar_t* OrNull(const std::wstring& text) {
    return text.empty() ? nullptr : text.c_str();
}

using DialogFunction = BOOL(WINAPI*)(OPENFILENAMEW*);

// Under Wine the dialog's library brings the print spooler and its helpers
// along: it is loaded only when a dialog is wanted.
DialogFunction DialogOf(std::int16_t mode) {
    static const SystemLibrary library(L"comdlg32.dll");
    return library.Get<DialogFunction>(mode == 0 ? "GetOpenFileNameW" : "GetSaveFileNameW");
}

} // namespace

std::wstring DialogFilter(std::wstring_view filter) {
    std::wstring converted(filter);
    converted += L"||";
    std::replace(converted.begin(), converted.end(), L'|', L'\0');
    return converted;
}

std::wstring ShowFileDialog(HWND owner, std::wstring_view title, std::wstring& initialFolder,
                            std::wstring_view fileName, std::wstring_view filter,
                            std::wstring_view defaultExtension, std::int16_t mode) {
    const std::wstring filterList = DialogFilter(filter);
    const std::wstring titleText(title);
    const std::wstring folderText(initialFolder);
    const std::wstring extensionText(defaultExtension);

    // A name too long for the buffer is cut so that the buffer keeps its
    // terminating zero.
    std::wstring file(kFileBufferLength, L'\0');
    std::copy_n(fileName.begin(), std::min(fileName.size(), kFileBufferLength - 1), file.begin());

    OPENFILENAMEW dialog{};
    dialog.lStructSize = kOldStructSize;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filterList.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = OrNull(folderText);
    dialog.lpstrTitle = OrNull(titleText);
    dialog.lpstrDefExt = OrNull(extensionText);
    dialog.Flags = FlagsOf(mode);

    const DialogFunction runDialog = DialogOf(mode);
    if (!runDialog || !runDialog(&dialog))
        return {};
    file.resize(std::find(file.begin(), file.end(), L'\0') - file.begin());
    // An offset beyond the text cannot split it; such an answer counts as a
    // failure rather than a made-up folder.
    if (dialog.nFileOffset > file.size())
        return {};
    initialFolder = file.substr(0, dialog.nFileOffset);
    return file.substr(dialog.nFileOffset);
}

std::wstring OpenFileDialog(HWND owner, std::wstring_view title, std::wstring& initialFolder,
                            std::wstring_view fileName, std::wstring_view filter,
                            std::wstring_view defaultExtension) {
    return ShowFileDialog(owner, title, initialFolder, fileName, filter, defaultExtension, 0);
}

} // namespace ComDlgDll
