#pragma once

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

// The real registry editor driven from tests, and a reader of its files that
// compares them by content: Wine's editor lists values alphabetically,
// Windows' in creation order.
namespace RegFile {

inline constexpr const wchar_t* kClassesKey = L"HKEY_LOCAL_MACHINE\\Software\\Classes";

// Which editor: the one this process gets for the Windows folder's
// regedit.exe, as the program does (on 64-bit Windows a 32-bit process is
// sent to SysWOW64's, which sees the 32-bit registry view), or the one a
// double-click on a .reg file starts (there the 64-bit one).
enum class Editor { AsThisProcess, DoubleClick };

// The file the platform runs when this process starts the Windows folder's
// regedit.exe.
std::wstring EditorFile();

// regedit /e into a fresh file; Wine's editor exits with 0 even when it wrote
// nothing, so only a non-empty file counts.
bool Export(const std::wstring& file, const std::wstring& key,
            Editor editor = Editor::AsThisProcess);
bool ExportClasses(const std::wstring& file, Editor editor = Editor::AsThisProcess);
// regedit /s.
bool Import(const std::wstring& file, Editor editor = Editor::AsThisProcess);

// Key as written in the file ("HKEY_LOCAL_MACHINE\…", "-HKEY_LOCAL_MACHINE\…"
// for a removal) to its value lines.
using Content = std::map<std::wstring, std::set<std::wstring>>;

// Text without byte order mark. With joinLines, a value wrapped over several
// lines becomes one line without the breaks; without, it stays one entry
// that holds its lines as written, CR LF and indent included.
Content Parse(const std::wstring& text, bool joinLines = true);
Content ParseFile(const std::wstring& path, bool joinLines = true);

// The part of an export of the classes that holds one key below them and
// everything below that key.
Content Below(const Content& classes, const std::wstring& classesKey);

// Success when both hold the same; else the first differences, "-" for what
// only `before` has, "+" for what only `after` has, keys without values too.
testing::AssertionResult Same(const Content& before, const Content& after);
// Whether the classes, exported now, hold the same as an earlier export.
testing::AssertionResult ClassesAsIn(const std::wstring& earlier,
                                     Editor editor = Editor::AsThisProcess);

} // namespace RegFile
