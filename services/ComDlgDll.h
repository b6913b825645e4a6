#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

// The common file dialog for choosing one file.
namespace ComDlgDll {

// "A|B|C|D" becomes A,0,B,0,C,0,D,0,0: the dialog's list of description and
// pattern pairs, each text ended by a zero and the list by a second one.
std::wstring DialogFilter(std::wstring_view filter);

// Runs the open dialog (mode 0) or the save dialog (every other mode) owned
// by owner. On a choice, initialFolder becomes the chosen file's folder with
// its trailing backslash, and the file name is returned. On cancel or failure
// the result is empty, initialFolder stays as it was and nothing is shown.
// Empty title, folder or default extension leave the dialog its own default.
std::wstring ShowFileDialog(HWND owner, std::wstring_view title, std::wstring& initialFolder,
                            std::wstring_view fileName, std::wstring_view filter,
                            std::wstring_view defaultExtension, std::int16_t mode);

// The open dialog: only an existing file in an existing folder is accepted.
std::wstring OpenFileDialog(HWND owner, std::wstring_view title, std::wstring& initialFolder,
                            std::wstring_view fileName, std::wstring_view filter,
                            std::wstring_view defaultExtension);

} // namespace ComDlgDll
