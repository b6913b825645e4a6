#pragma once

#include <string>
#include <string_view>
#include <vector>

// A registry file that, imported with the registry editor, puts back exactly
// what a registration run changes: the backups only add and replace, they
// remove nothing the run created.
namespace Undo {

// A key the run may change, listed parents before children.
struct TouchedKey {
    // Below HKEY_LOCAL_MACHINE, e.g. L"Software\\Classes\\ACDC_BMP\\shell\\Open".
    std::wstring path;
    // The run may delete the key and write it anew (an extension key): the
    // file removes it and writes it back whole, with every value and subkey.
    bool wholeTree = false;
    // The values the run sets; L"" is the default value.
    std::vector<std::wstring> values;
};

// Reads the registry now and writes "Rückgängig <yyyy-mm-dd> <hh-mm-ss>.reg"
// (local time) into folder, or "… (2).reg", "… (3).reg" … when the name is
// taken; an existing file is never replaced. The file is complete under its
// name or not there: it is written to a temporary name first and renamed.
// Returns the file's full path. Throws Failure naming the file when the
// registry cannot be read, a name cannot be written in a registry file (a
// line break or a zero in it), or the file cannot be written completely.
std::wstring WriteUndoFile(std::wstring_view folder, const std::vector<TouchedKey>& touched);

} // namespace Undo
